#include "UI_Hud.h"
#include "GameInput.h"
#include "GameRandom.h"
#include "GameSounds.h"
#include "HighScoreTable.h"
#include "RuleSystem.h"
#include "StateHandler.h"
#include "Teardown.h"

#include "engine/core/Application.h"
#include "engine/core/CameraManager.h"
#include "engine/gui/Detach.h"
#include "engine/gui/GUI.h"
#include "engine/scene/Entity.h"
#include "engine/sound/SoundSystem.h"

#include <Ogre.h>
#include <OgreOverlay.h>
#include <OgrePanelOverlayElement.h>
#include <OgreOverlayContainer.h>
#include <OgreOverlayManager.h>

#include <cstdlib>

boost::shared_ptr<UI_Hud> hudInstance;

namespace
{
    const char* const playerType = "Character.Player";

    constexpr float charHeight = 0.025f;
    constexpr float comboSeconds = 3.5f;          // a kill within this time continues the combo
    constexpr int pointsPerComboStep = 100;
    constexpr float deathSeconds = 3.0f;          // "You died" before the name entry or the menu
    constexpr float tauntCooldownSeconds = 1.5f;
    constexpr float tauntDelaySeconds = 0.5f;
    constexpr float painCryDelaySeconds = 0.2f;
    constexpr float textHeightAboveThing = 1.8f;  // world units
    constexpr float floatingTextRise = 0.1f;      // screen units over a floating text's second
    constexpr float screenScale = 0.65f;          // world-to-screen spread of floating texts
    constexpr int tauntCount = 8;

    // The health bar's right edge stays put while it shrinks; the power bar's too.
    constexpr float healthBarRight = 0.98125f;
    constexpr float healthBarWidth = 0.328125f;
    constexpr float powerBarRight = 0.975f;
    constexpr float powerBarWidth = 0.95f;

    struct Line
    {
        GameSound sound;
        const char* text;
    };
    const Line taunts[tauntCount] = {
        {SoundFuckYeah, "Fuck yeah!"},
        {SoundFuckYeah2, "Haha! Fuck yeah!"},
        {SoundFuckingAwesome, "Fucking awesome!"},
        {SoundFuckYou, "Fuck you and your daddy!"},
        {SoundHahahaha, "Ha-Ha-Ha-Ha!"},
        {SoundOhYeah, "Oh yeah!"},
        {SoundMotherfuckers, "Mother fuckers!"},
        {SoundBiatch, "Biatch!"},
    };
    const Line painCries[2] = {{SoundAhFuck, "Ah! Fuck!"}, {SoundArgh, "Argh!"}};

    std::string ToText(float value)
    {
        return Ogre::StringConverter::toString(value, 6);
    }

    float Ratio(int value, int maximum)
    {
        if (maximum <= 0)
            return 0.0f;
        return Ogre::Math::Clamp(float(value) / float(maximum), 0.0f, 1.0f);
    }

    // An attribute of a live player, or `fallback` when it has none.
    int AttributeOf(const Engine::Entity& entity, const char* name, int fallback)
    {
        return entity.HasAttribute(name) ? entity.GetAttributeInt(name) : fallback;
    }

    Ogre::Vector3 PositionOf(const Engine::Entity& entity)
    {
        Ogre::SceneNode* node = entity.GetSceneNode();
        return node ? node->_getDerivedPosition() : Ogre::Vector3::ZERO;
    }
}

UI_Hud::UI_Hud()
    : window(nullptr), nameText(nullptr), namePrompt(nullptr), scoreText(nullptr), damageText(nullptr),
      messageText(nullptr), healthBar(nullptr), powerBar(nullptr), score(0.0f), comboTime(0.0f),
      messageTime(0.0f), tauntCooldown(0.0f), comboCount(1), dead(false), deathTime(0.0f), deathSeen(false),
      calledByFrameLoop(false)
{
    gui.reset(new OverlayKit::GUI("VoodooDoll", charHeight));
    window = gui->CreateWindow(Ogre::Vector4(0.0f, 0.0f, 1.0f, 1.0f), "HUD.Background", OverlayKit::PLAIN, "");
    // The window only holds the lines and the bar: its own clear panel would be blended over
    // every pixel of the screen each frame, which a software renderer pays for in full.
    static_cast<Ogre::PanelOverlayElement*>(window->GetInternalOverlay())->setTransparent(true);
    // The first frame writes the real lines.
    scoreText = window->CreateStaticText(Ogre::Vector4(0.1f, 0.1f, 0.7f, 0.8f), "Score");
    messageText = window->CreateStaticText(Ogre::Vector4(0.55f, 0.75f, 0.7f, 0.8f), "Message");
    damageText = window->CreateStaticText(Ogre::Vector4(0.7f, 0.1f, 0.7f, 0.8f), "Damage");

    healthBar = static_cast<Ogre::OverlayContainer*>(
        gui->CreateOverlay("UI_HealthBar", Ogre::Vector2(0.65234375f, 0.0478515625f),
                           Ogre::Vector2(healthBarWidth, 0.029796874f), "Menu.Hud.HealthBar", "", false));
    window->GetInternalOverlay()->addChild(healthBar);
    healthBar->show();
    // The power bar is kept up to date but never shown.
    powerBar = static_cast<Ogre::OverlayContainer*>(
        gui->CreateOverlay("UI_PowerBar", Ogre::Vector2(0.025f, 0.06f), Ogre::Vector2(powerBarWidth, 0.04f),
                           "Menu.Hud.PowerBar", "", true));
    powerBar->hide();

    namePrompt = window->CreateStaticText(Ogre::Vector4(0.4f, 0.4f, 1.0f, 1.0f), "Enter your name:");
    namePrompt->hide();
    nameText = window->CreateStaticText(Ogre::Vector4(0.4f, 0.43f, 1.0f, 1.0f), "");
    nameText->hide();

    Engine::Application* application = Engine::Application::GetSingletonPtr();
    application->AddUpdateListener(this);
    if (gameInputInstance)
        gameInputInstance->SetKeyListener(this);
    if (RuleSystem* rules = RuleSystem::Get())
        rules->AddListener(this);
}

UI_Hud::~UI_Hud()
{
    RuleSystem::Leave(this);
    if (gameInputInstance)
        gameInputInstance->SetKeyListener(nullptr);
    LeaveFrameLoop(this, calledByFrameLoop);
    ReleaseGui(gui);
}

std::uint8_t UI_Hud::GetPriority()
{
    return 128;
}

bool UI_Hud::FrameStarted(float seconds)
{
    calledByFrameLoop = true;

    // The death sequence: "You died" while the world goes on, then the name entry when the
    // score earns a place in the table, else the main menu.
    if (dead)
    {
        if (deathTime > 0.0f)
            deathTime -= seconds;
        if (deathTime <= 0.0f)
        {
            dead = false;
            if (stateHandlerInstance)
            {
                if (float(stateHandlerInstance->LowestHighScore()) < score)
                    OpenNameEntry();
                else
                    stateHandlerInstance->ReturnToMenu();
            }
        }
    }

    if (tauntCooldown > 0.0f)
        tauntCooldown -= seconds;
    if (comboTime > 0.0f)
        comboTime -= seconds;
    if (messageTime > 0.0f)
        messageTime -= seconds;
    if (messageTime <= 0.0f)
        messageText->setCaption("");

    for (auto text = floatingTexts.begin(); text != floatingTexts.end();)
    {
        text->age += seconds;
        text->element->setColour(Ogre::ColourValue(1.0f, 1.0f, 1.0f, text->age >= 0.0f ? 1.0f - text->age : 0.0f));
        text->element->setPosition(text->left, text->top - text->age * floatingTextRise);
        if (text->age > 1.0f)
        {
            OverlayKit::DetachElement(window->GetInternalOverlay(), text->element);
            Ogre::OverlayManager::getSingleton().destroyOverlayElement(text->element);
            text = floatingTexts.erase(text);
        }
        else
        {
            ++text;
        }
    }

    std::string line = "Score: " + ToText(score);
    if (comboTime > 0.0f && comboCount > 1)
        line += "\n " + std::to_string(comboCount) + "X Combo bonus!";
    scoreText->setCaption(line);

    int health = 0, maxHealth = 1, power = 0, maxPower = 1;
    const boost::shared_ptr<Engine::Entity> playerEntity = player.lock();
    if (playerEntity && playerEntity->IsEnabled())
    {
        health = AttributeOf(*playerEntity, "Health", 0);
        maxHealth = AttributeOf(*playerEntity, "MaxHealth", 1);
        power = AttributeOf(*playerEntity, "Power", 0);
        maxPower = AttributeOf(*playerEntity, "MaxPower", 1);
    }
    const float healthWidth = Ratio(health, maxHealth) * healthBarWidth;
    healthBar->setLeft(healthBarRight - healthWidth);
    healthBar->setWidth(healthWidth);
    const float powerWidth = Ratio(power, maxPower) * powerBarWidth;
    powerBar->setLeft(powerBarRight - powerWidth);
    powerBar->setWidth(powerWidth);
    return true;
}

bool UI_Hud::FrameEnded(float)
{
    return true;
}

void UI_Hud::OnEntityKilled(Engine::Entity* entity)
{
    const boost::shared_ptr<Engine::Entity> playerEntity = player.lock();
    const bool playerAlive = playerEntity && playerEntity.get() != entity &&
                             AttributeOf(*playerEntity, "Health", 1) > 0;
    if (entity->GetType() != playerType && playerAlive)
    {
        comboCount = comboTime > 0.0f ? comboCount + 1 : 1;
        const int points = comboCount * pointsPerComboStep;
        comboTime = comboSeconds;
        score += float(points);

        // The points show where the thing died.
        const Ogre::Vector2 screen = ScreenPosition(PositionOf(*entity) + Ogre::Vector3(0.0f, textHeightAboveThing, 0.0f));
        AddFloatingText(std::to_string(points), 1.0f - screen.x, screen.y, 0.0f);
        if (GameRandom::Below(2) == 1)
            Taunt(false);
        return;
    }

    // The player's death is handled once: a kill by a grenade still flying while "You died"
    // shows, or during the name entry, must not restart the sequence.
    if (deathSeen)
        return;
    deathSeen = true;
    dead = true;
    deathTime = deathSeconds;
    ShowMessage("You died", deathSeconds);
}

void UI_Hud::OnEntityDamaged(Engine::Entity*, int)
{
}

bool UI_Hud::keyPressed(const OIS::KeyEvent& event)
{
    if (!IsNameEntryOpen())
        return true;
    if (event.key == OIS::KC_SPACE || event.key == OIS::KC_RETURN)
        return true;
    std::string name = nameText->getCaption();
    if (event.key == OIS::KC_BACK)
    {
        if (!name.empty())
            name.pop_back();
    }
    else
    {
        const unsigned int c = event.text;
        const bool accepted = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        // Names longer than the table keeps would be cut there anyway.
        if (!accepted || name.size() >= HighScoreTable::maxNameLength)
            return true;
        name.push_back(char(c));
    }
    nameText->setCaption(name);
    return true;
}

bool UI_Hud::keyReleased(const OIS::KeyEvent& event)
{
    if (!IsNameEntryOpen() || event.key != OIS::KC_RETURN)
        return true;
    const std::string name = GetName();
    CloseNameEntry();
    if (stateHandlerInstance)
    {
        stateHandlerInstance->AddHighScore(name, int(score));
        stateHandlerInstance->ReturnToMenu();
    }
    return true;
}

void UI_Hud::SetPlayer(boost::weak_ptr<Engine::Entity> newPlayer)
{
    player = newPlayer;
    score = 0.0f;
    comboCount = 1;
    comboTime = 0.0f;
    deathSeen = false;
    // The taunts of a new game owe nothing to the last one.
    tauntCooldown = 0.0f;
    tauntBag.clear();
}

void UI_Hud::ShowMessage(const std::string& text, float seconds)
{
    messageTime = seconds;
    messageText->setCaption(text);
}

void UI_Hud::ShowDamageBonus(int multiplier, float seconds)
{
    if (multiplier > 1 && seconds > 0.0f)
        damageText->setCaption("Damage x" + std::to_string(multiplier) + " " + ToText(seconds) + "s");
    else
        damageText->setCaption("");
}

void UI_Hud::AddFloatingText(const std::string& text, float left, float top, float delay)
{
    Ogre::OverlayElement* element = window->CreateStaticText(Ogre::Vector4(left, top, 1.0f, 1.0f), text);
    // Invisible until its first frame places and colours it.
    element->setColour(Ogre::ColourValue(1.0f, 1.0f, 1.0f, 0.0f));
    floatingTexts.push_back({-delay, left, top, element});
}

void UI_Hud::AddFloatingTextAt(const Ogre::Vector3& point, const std::string& text, float delay)
{
    const Ogre::Vector2 screen = ScreenPosition(point + Ogre::Vector3(0.0f, textHeightAboveThing, 0.0f));
    AddFloatingText(text, screen.x, screen.y, delay);
}

void UI_Hud::Taunt(bool hurt)
{
    const boost::shared_ptr<Engine::Entity> playerEntity = player.lock();
    if (!playerEntity || tauntCooldown > 0.0f)
        return;
    tauntCooldown = tauntCooldownSeconds;

    if (hurt)
    {
        const Line& cry = painCries[GameRandom::Below(2)];
        PlayFlat(cry.sound);
        AddFloatingTextAt(PositionOf(*playerEntity), cry.text, painCryDelaySeconds);
        return;
    }

    // Every taunt once before any repeats.
    if (tauntBag.empty())
        for (int i = 0; i < tauntCount; ++i)
            tauntBag.push_back(i);
    const std::size_t pick = std::size_t(GameRandom::Below(int(tauntBag.size())));
    const Line& taunt = taunts[tauntBag[pick]];
    tauntBag.erase(tauntBag.begin() + std::ptrdiff_t(pick));
    PlayFlat(taunt.sound);
    AddFloatingTextAt(PositionOf(*playerEntity), taunt.text, tauntDelaySeconds);
}

void UI_Hud::Show()
{
    gui->GetInternalOverlay()->show();
}

void UI_Hud::Hide()
{
    gui->GetInternalOverlay()->hide();
}

bool UI_Hud::IsVisible() const
{
    return gui->GetInternalOverlay()->isVisible();
}

bool UI_Hud::IsNameEntryOpen() const
{
    return nameText->isVisible();
}

std::string UI_Hud::GetName() const
{
    return nameText->getCaption();
}

std::string UI_Hud::GetScoreLine() const
{
    return scoreText->getCaption();
}

std::string UI_Hud::GetMessage() const
{
    return messageText->getCaption();
}

std::string UI_Hud::GetDamageLine() const
{
    return damageText->getCaption();
}

Ogre::Vector2 UI_Hud::ScreenPosition(const Ogre::Vector3& point)
{
    Engine::CameraManager* cameras = Engine::CameraManager::GetSingleton().get();
    if (!cameras || cameras->GetCameraCount() == 0)
        return Ogre::Vector2(0.5f, 0.5f);
    const Ogre::Vector3 view = cameras->GetCameraByIndex(0)->getViewMatrix() * point;
    if (Ogre::Math::Abs(view.z) < 1e-6f)
        return Ogre::Vector2(0.5f, 0.5f);  // in the camera's own plane: no sensible place
    return Ogre::Vector2(view.x / view.z * screenScale + 0.5f, view.y / view.z * screenScale + 0.5f);
}

void UI_Hud::PlayFlat(int slot)
{
    if (gameSounds[slot] >= 0)
        Engine::SoundSystem::GetSingleton()->PlaySound(gameSounds[slot]);
}

void UI_Hud::OpenNameEntry()
{
    nameText->setCaption("");
    nameText->show();
    namePrompt->show();
}

void UI_Hud::CloseNameEntry()
{
    namePrompt->hide();
    nameText->hide();
}
