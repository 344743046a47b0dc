#pragma once
#include <string>

#include <OgreVector.h>

namespace Ogre { class OverlayContainer; class OverlayElement; }

namespace OverlayKit
{
    class GUI;

    /// A one-line text field inside a window: it takes typed text while it has the window's focus
    /// and the mouse is over the window, up to a maximum length. Made and owned by its Window;
    /// the panel and caption elements belong to the renderer's overlay manager.
    class TextInput
    {
    public:
        const std::string& GetValue() const { return value; }
        /// Stores the text as given and shows it.
        void SetValue(const std::string& text);
        /// Top-left corner relative to the window, in whole (truncated) units.
        Ogre::Vector2 GetPosition() const { return Ogre::Vector2(Ogre::Real(x), Ogre::Real(y)); }
        unsigned int GetMaxLength() const { return maxLength; }

        /// Show, hide and query the text only; the panel stays as it is.
        void Show();
        void Hide();
        bool IsVisible() const;

        /// False when (mx, my) lies inside the field placed in a window at (windowX, windowY),
        /// edges included; true when outside.
        bool CheckInside(unsigned int mx, unsigned int my, unsigned int windowX, unsigned int windowY) const;

        Ogre::OverlayContainer* GetContainer() const { return container; }
        Ogre::OverlayElement* GetCaptionElement() const { return captionElement; }
        const std::string& GetMaterial() const { return material; }
        const std::string& GetActiveMaterial() const { return activeMaterial; }

    protected:
        friend class Window;

        /// Creates the panel "<name>" and its text "<name>c" and attaches them to the window's panel.
        TextInput(GUI& gui, Ogre::OverlayContainer* windowPanel, const std::string& name,
                  const Ogre::Vector4& rect, const std::string& material, const std::string& value,
                  unsigned int maxLength);
        /// Detaches the panel from the window and the text from the panel.
        ~TextInput();
        TextInput(const TextInput&) = delete;
        TextInput& operator=(const TextInput&) = delete;

        /// Shows the focus material (true) or the normal one (false); empty names are skipped.
        void SetFocusLook(bool focused);
        /// Applies one key: "!b" removes the last character, anything else is appended while the
        /// result stays within maxLength characters.
        void ApplyKey(const std::string& key);

        Ogre::OverlayContainer* container;
        Ogre::OverlayElement* captionElement;
        std::string material;
        std::string activeMaterial;
        std::string value;
        unsigned int x, y, width, height;
        unsigned int maxLength;

    private:
        Ogre::OverlayContainer* windowPanel;  // non-owning: the window's panel we are attached to
    };
}
