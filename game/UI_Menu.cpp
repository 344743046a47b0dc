#include "UI_Menu.h"
#include "GameInput.h"
#include "GameSounds.h"
#include "Teardown.h"

#include "engine/core/Application.h"
#include "engine/gui/GUI.h"
#include "engine/sound/SoundSystem.h"

#include <OIS.h>
#include <Ogre.h>
#include <OgreOverlay.h>
#include <OgreOverlayContainer.h>

namespace
{
    constexpr float charHeight = 0.025f;
    constexpr float keyRepeatSeconds = 0.2f;  // between two moves while an arrow is held
    constexpr float firstItemTop = 0.4f;
    constexpr float itemSpacing = 0.06f;

    const Ogre::ColourValue selectedColour(0.7f, 0.05f, 0.0f, 1.0f);
    const Ogre::ColourValue unselectedColour(0.7f, 0.7f, 0.7f, 1.0f);

    // One timer for every menu, so that a menu shown by another one's item does not react to
    // the arrow key that is still held.
    float keyRepeatTimer = 0.0f;
    // Names of the items' pictures, unique in the process.
    unsigned int imageCounter = 0;

    const OIS::KeyCode menuKeys[] = {OIS::KC_UP, OIS::KC_DOWN, OIS::KC_RETURN};
    enum MenuKey { KeyUp, KeyDown, KeyReturn };
}

UI_Menu::UI_Menu(const std::string& material)
    : window(nullptr), selected(0), calledByFrameLoop(false), heldSinceShown{}
{
    gui.reset(new OverlayKit::GUI("VoodooDoll", charHeight));
    window = gui->CreateWindow(Ogre::Vector4(0.0f, 0.0f, 1.0f, 1.0f), material.empty() ? "okit.window" : material,
                               OverlayKit::PLAIN, "");
    window->CreateStaticText(Ogre::Vector4(0.7f, 0.1f, 0.7f, 0.8f), "Version 1.0");
    Engine::Application::GetSingletonPtr()->AddUpdateListener(this);
}

UI_Menu::~UI_Menu()
{
    LeaveFrameLoop(this, calledByFrameLoop);
    ReleaseGui(gui);
}

std::uint8_t UI_Menu::GetPriority()
{
    return 128;
}

bool UI_Menu::FrameStarted(float)
{
    calledByFrameLoop = true;
    return true;
}

bool UI_Menu::FrameEnded(float seconds)
{
    if (!IsVisible() || items.empty())
        return true;
    if (!gameInputInstance)
        return true;

    keyRepeatTimer += seconds;
    if (IsPressed(KeyUp) && keyRepeatTimer > keyRepeatSeconds)
        MoveSelection(-1);
    if (IsPressed(KeyDown) && keyRepeatTimer > keyRepeatSeconds)
        MoveSelection(1);
    if (IsPressed(KeyReturn))
    {
        // The callback may hide this menu or end the game; the sound plays either way.
        const boost::function<void()> callback = items[selected].callback;
        if (callback)
            callback();
        if (gameSounds[SoundHit2] >= 0)
            Engine::SoundSystem::GetSingleton()->PlaySound(gameSounds[SoundHit2]);
    }
    return true;
}

void UI_Menu::AddItem(const std::string& caption, const std::string& image, boost::function<void()> callback)
{
    const float top = firstItemTop + itemSpacing * float(items.size());
    Item item;
    item.text = window->CreateStaticText(Ogre::Vector4(0.6f, top, 0.5f, 0.04f), caption);
    item.image = nullptr;
    if (!image.empty())
    {
        item.image = static_cast<Ogre::OverlayContainer*>(
            gui->CreateOverlay("UI_MenuToolTip" + caption + std::to_string(imageCounter++), Ogre::Vector2(0.1f, 0.5f),
                               Ogre::Vector2(0.25f, 0.25f), image, "", true));
    }
    item.callback = callback;
    items.push_back(item);
    SetLook(items.size() - 1, items.size() - 1 == selected);
}

void UI_Menu::SetFirstItemCaption(const std::string& text)
{
    if (!items.empty())
        items.front().text->setCaption(text);
}

void UI_Menu::ResetKeyRepeat()
{
    keyRepeatTimer = 0.0f;
}

void UI_Menu::Show()
{
    // A key still held from what came before (the Return that skipped the logos, confirmed a
    // name or chose an item of another menu) is no choice made in this menu.
    if (!IsVisible())
    {
        for (std::size_t key = 0; key < heldSinceShown.size(); ++key)
            heldSinceShown[key] = IsGameKeyDown(menuKeys[key]);
    }
    gui->GetInternalOverlay()->show();
}

bool UI_Menu::IsPressed(std::size_t key)
{
    const bool down = IsGameKeyDown(menuKeys[key]);
    if (!down)
        heldSinceShown[key] = false;
    return down && !heldSinceShown[key];
}

void UI_Menu::Hide()
{
    gui->GetInternalOverlay()->hide();
}

bool UI_Menu::IsVisible() const
{
    return gui->GetInternalOverlay()->isVisible();
}

std::string UI_Menu::GetCaption(std::size_t item) const
{
    return items.at(item).text->getCaption();
}

void UI_Menu::SetLook(std::size_t item, bool isSelected)
{
    Ogre::OverlayElement* text = items[item].text;
    text->setColour(isSelected ? selectedColour : unselectedColour);
    text->setParameter("char_height", isSelected ? "0.035" : "0.03");
    if (Ogre::OverlayContainer* image = items[item].image)
    {
        if (isSelected)
            image->show();
        else
            image->hide();
    }
}

void UI_Menu::MoveSelection(int step)
{
    keyRepeatTimer = 0.0f;
    SetLook(selected, false);
    const std::size_t count = items.size();
    selected = std::size_t(int(selected + count) + step) % count;  // wraps at both ends
    SetLook(selected, true);
    if (gameSounds[SoundHit2] >= 0)
        Engine::SoundSystem::GetSingleton()->PlaySound(gameSounds[SoundHit2]);
}
