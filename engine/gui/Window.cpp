#include "engine/gui/Window.h"

#include <OgreOverlay.h>
#include <OgreOverlayContainer.h>
#include <OgreOverlayManager.h>

#include "engine/gui/Button.h"
#include "engine/gui/Detach.h"
#include "engine/gui/GUI.h"
#include "engine/gui/Geometry.h"
#include "engine/gui/TextInput.h"

namespace OverlayKit
{
    unsigned int Window::windowCounter_ = 0;
    unsigned int Window::buttonCounter_ = 0;
    unsigned int Window::textInputCounter_ = 0;
    unsigned int Window::staticTextCounter_ = 0;

    namespace
    {
        const unsigned int resizeHandleSize = 16;
        const float titleBarHeight = 22.0f;
    }

    Window::Window(GUI* gui, const Ogre::Vector4& rect, const std::string& material, WindowType type,
                   const std::string& caption)
        : focusedInput(nullptr), resizeButton(nullptr), activeButton(nullptr), titleBar(nullptr),
          x(Truncate(rect.x)), y(Truncate(rect.y)), width(Truncate(rect.z)), height(Truncate(rect.w)),
          gui(gui), container(nullptr)
    {
        // The counter moves on even when the panel cannot be made: a half-made element may keep
        // its name in the overlay manager, and the next window must not run into it.
        const std::string name = "OverlayKit.w" + std::to_string(windowCounter_++);
        container = gui->CreatePanel(name, Ogre::Vector2(rect.x, rect.y), Ogre::Vector2(rect.z, rect.w),
                                     material, true);
        try
        {
            if (type == MOVE_AND_RESIZE || type == RESIZE_ONLY)
            {
                const float size = float(resizeHandleSize);
                resizeButton = CreateButton(Ogre::Vector4(rect.z - size, rect.w - size, size, size),
                                            material + ".resize", "", Callback(Callback::RESIZE_WINDOW));
            }
            if (type == MOVE_AND_RESIZE || type == MOVE_ONLY)
                titleBar = CreateButton(Ogre::Vector4(0.0f, 0.0f, rect.z, titleBarHeight),
                                        material + ".titlebar", caption, Callback(Callback::MOVE_WINDOW));
        }
        catch (...)
        {
            // The destructor does not run for a constructor that throws: undo by hand.
            ReleaseControls();
            throw;
        }
    }

    Window::~Window()
    {
        ReleaseControls();
    }

    void Window::ReleaseControls()
    {
        for (Button* button : buttons)
            delete button;
        buttons.clear();
        for (TextInput* input : textInputs)
            delete input;
        textInputs.clear();
        focusedInput = nullptr;
        activeButton = nullptr;
        resizeButton = nullptr;
        titleBar = nullptr;
        if (Ogre::OverlayManager::getSingletonPtr())
            RemoveFromOverlay(gui->GetInternalOverlay(), container);
    }

    Button* Window::CreateButton(const Ogre::Vector4& rect, const std::string& material,
                                 const std::string& caption, const Callback& callback)
    {
        const std::string name = container->getName() + "b" + std::to_string(buttonCounter_++);
        Button* button = new Button(*gui, container, name, rect, material, caption, callback);
        buttons.push_back(button);
        return button;
    }

    TextInput* Window::CreateTextInput(const Ogre::Vector4& rect, const std::string& material,
                                       const std::string& value, unsigned int maxLength)
    {
        const std::string name = container->getName() + "t" + std::to_string(textInputCounter_++);
        TextInput* input = new TextInput(*gui, container, name, rect, material, value, maxLength);
        textInputs.push_back(input);
        return input;
    }

    Ogre::OverlayElement* Window::CreateStaticText(const Ogre::Vector4& rect, const std::string& caption)
    {
        const std::string name = container->getName() + "st" + std::to_string(staticTextCounter_++);
        Ogre::OverlayElement* text = gui->CreateText(name, Ogre::Vector2(rect.x, rect.y),
                                                     Ogre::Vector2(rect.z, rect.w), caption, false);
        container->addChild(text);
        text->show();
        return text;
    }

    void Window::Show()
    {
        container->show();
    }

    void Window::Hide()
    {
        container->hide();
    }

    bool Window::IsVisible() const
    {
        return container->isVisible();
    }

    bool Window::Check(unsigned int mx, unsigned int my, bool pressed)
    {
        if (!container->isVisible())
            return false;
        if (!IsInside(mx, my, x, y, width, height))
        {
            if (activeButton)
                activeButton->Activate(false);
            return false;
        }
        if (activeButton)
            activeButton->Activate(false);

        for (Button* button : buttons)
        {
            if (button->CheckInside(mx, my, x, y))
                continue;
            if (activeButton)
                activeButton->Activate(false);
            activeButton = button;
            button->Activate(true);
            if (!pressed)
                return true;
            if (focusedInput)
            {
                focusedInput->SetFocusLook(false);
                focusedInput = nullptr;
            }
            if (button->callback.kind == Callback::MOVE_WINDOW || button->callback.kind == Callback::RESIZE_WINDOW)
            {
                RunWindowCallback(button, mx, my);
                return true;
            }
            // The callback may destroy the GUI and with it this window and the button list:
            // return straight away without touching any member.
            button->callback.Run(button);
            return true;
        }
        if (!pressed)
            return true;

        for (TextInput* input : textInputs)
        {
            if (input->CheckInside(mx, my, x, y))
                continue;
            if (focusedInput && focusedInput != input)
                focusedInput->SetFocusLook(false);
            focusedInput = input;
            input->SetFocusLook(true);
            return true;
        }
        if (focusedInput)
        {
            focusedInput->SetFocusLook(false);
            focusedInput = nullptr;
        }
        return true;
    }

    void Window::RunWindowCallback(Button* button, unsigned int mx, unsigned int my)
    {
        if (button->callback.kind == Callback::MOVE_WINDOW)
        {
            // Centre the bar under the mouse; a window stops at the screen's top-left edge
            // instead of wrapping round to the far end of the unsigned range.
            x = SubtractOrZero(mx, button->width / 2);
            y = SubtractOrZero(my, button->height / 2);
            container->setPosition(Ogre::Real(x), Ogre::Real(y));
            return;
        }
        // Resize: the handle's centre follows the mouse (mx >= x and my >= y inside the window).
        width = mx - x + resizeHandleSize / 2;
        height = my - y + resizeHandleSize / 2;
        container->setDimensions(Ogre::Real(width), Ogre::Real(height));
        if (resizeButton)
            resizeButton->MoveTo(SubtractOrZero(width, resizeHandleSize), SubtractOrZero(height, resizeHandleSize));
        if (titleBar)
            titleBar->SetWidth(width);
    }

    bool Window::CheckKey(const std::string& key, unsigned int mx, unsigned int my)
    {
        if (!focusedInput || !container->isVisible() || !IsInside(mx, my, x, y, width, height))
            return false;
        focusedInput->ApplyKey(key);
        return true;
    }
}
