#pragma once
#include <string>
#include <vector>

#include <OgreVector.h>

#include "engine/gui/Callback.h"

namespace Ogre { class OverlayContainer; class OverlayElement; }

namespace OverlayKit
{
    class Button;
    class GUI;
    class TextInput;

    /// Which of its own controls a window gets: a title bar to drag it by, a resize handle in
    /// its bottom-right corner, both or none.
    enum WindowType
    {
        PLAIN = 0,
        MOVE_AND_RESIZE = 1,
        RESIZE_ONLY = 2,
        MOVE_ONLY = 3
    };

    /// A panel in a GUI's overlay holding buttons, text inputs and static texts. Made and owned by
    /// its GUI (GUI::CreateWindow, GUI::DestroyWindow); owns its buttons and text inputs. Static
    /// texts and the panel itself belong to the renderer's overlay manager.
    class Window
    {
    public:
        /// A button at a rectangle relative to the window (left, top, width, height).
        Button* CreateButton(const Ogre::Vector4& rect, const std::string& material,
                             const std::string& caption, const Callback& callback);
        TextInput* CreateTextInput(const Ogre::Vector4& rect, const std::string& material,
                                   const std::string& value, unsigned int maxLength);
        /// A text element inside the window; it stays with the overlay manager, not the window.
        Ogre::OverlayElement* CreateStaticText(const Ogre::Vector4& rect, const std::string& caption);

        void Show();
        void Hide();
        bool IsVisible() const;

        Ogre::OverlayContainer* GetInternalOverlay() const { return container; }
        GUI* GetGUI() const { return gui; }
        /// Buttons in creation order, the resize handle and title bar included.
        const std::vector<Button*>& GetButtons() const { return buttons; }
        const std::vector<TextInput*>& GetTextInputs() const { return textInputs; }
        Button* GetTitleBar() const { return titleBar; }
        Button* GetResizeButton() const { return resizeButton; }
        TextInput* GetFocusedInput() const { return focusedInput; }
        Button* GetActiveButton() const { return activeButton; }
        /// The hit-test rectangle in whole (truncated) units.
        unsigned int GetX() const { return x; }
        unsigned int GetY() const { return y; }
        unsigned int GetWidth() const { return width; }
        unsigned int GetHeight() const { return height; }

    protected:
        friend class GUI;

        /// Creates the panel "OverlayKit.w<n>" in the GUI's overlay and the controls of the type.
        Window(GUI* gui, const Ogre::Vector4& rect, const std::string& material, WindowType type,
               const std::string& caption);
        /// Destroys the buttons and text inputs and takes the panel out of the GUI's overlay.
        ~Window();
        Window(const Window&) = delete;
        Window& operator=(const Window&) = delete;

        /// Hover (pressed false) or press at a mouse position; true when the window takes it.
        /// A press may run a button's callback, which may delete the GUI and so this window:
        /// nothing of the window is touched after a callback has run.
        bool Check(unsigned int mx, unsigned int my, bool pressed);
        /// Typed text for the focused input; true when taken.
        bool CheckKey(const std::string& key, unsigned int mx, unsigned int my);

        TextInput* focusedInput;
        Button* resizeButton;
        Button* activeButton;
        Button* titleBar;
        unsigned int x, y, width, height;
        GUI* gui;  // non-owning: the GUI owns this window
        Ogre::OverlayContainer* container;
        std::vector<Button*> buttons;
        std::vector<TextInput*> textInputs;

        // Process-wide name counters: every element name carries one, so names are never reused.
        static unsigned int windowCounter_;
        static unsigned int buttonCounter_;
        static unsigned int textInputCounter_;
        static unsigned int staticTextCounter_;

    private:
        void ReleaseControls();
        void RunWindowCallback(Button* button, unsigned int mx, unsigned int my);
    };
}
