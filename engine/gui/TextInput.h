#pragma once
#include <string>

#include "engine/gui/WindowControl.h"

namespace OverlayKit
{
    /// A one-line text field inside a window: it takes typed text while it has the window's focus
    /// and the mouse is over the window, up to a maximum length. Made and owned by its Window;
    /// the panel and caption elements belong to the renderer's overlay manager.
    class TextInput : public WindowControl
    {
    public:
        const std::string& GetValue() const { return value; }
        /// Stores the text as given and shows it.
        void SetValue(const std::string& text);
        unsigned int GetMaxLength() const { return maxLength; }

        /// Show, hide and query the text only; the panel stays as it is.
        void Show();
        void Hide();
        bool IsVisible() const;

    protected:
        friend class Window;

        /// Creates the panel "<name>" and its text "<name>c" and attaches them to the window's panel.
        TextInput(GUI& gui, Ogre::OverlayContainer* windowPanel, const std::string& name,
                  const Ogre::Vector4& rect, const std::string& material, const std::string& value,
                  unsigned int maxLength);

        /// Shows the focus material (true) or the normal one (false); empty names are skipped.
        void SetFocusLook(bool focused) { Highlight(focused); }
        /// Applies one key: "!b" removes the last character, anything else is appended while the
        /// result stays within maxLength characters.
        void ApplyKey(const std::string& key);

        std::string value;
        unsigned int maxLength;
    };
}
