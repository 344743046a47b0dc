#pragma once
#include <string>

#include <OgreVector.h>

namespace Ogre { class OverlayContainer; class OverlayElement; }

namespace OverlayKit
{
    class GUI;

    /// What buttons and text inputs share: a panel "<name>" in a window with a caption "<name>c"
    /// inside it, a normal and a highlight material, and a whole-unit rectangle relative to the
    /// window. The elements belong to the renderer's overlay manager.
    class WindowControl
    {
    public:
        Ogre::OverlayContainer* GetContainer() const { return container; }
        /// The caption's text area, a child of the panel.
        Ogre::OverlayElement* GetCaptionElement() const { return captionElement; }
        const std::string& GetMaterial() const { return material; }
        /// The highlight material: material + ".active" when that exists, else the material.
        const std::string& GetActiveMaterial() const { return activeMaterial; }
        /// Top-left corner relative to the window, in whole (truncated) units.
        Ogre::Vector2 GetPosition() const { return Ogre::Vector2(Ogre::Real(x), Ogre::Real(y)); }
        Ogre::Vector2 GetSize() const { return Ogre::Vector2(Ogre::Real(width), Ogre::Real(height)); }

        /// False when (mx, my) lies inside the control placed in a window at (windowX, windowY),
        /// edges included; true when outside.
        bool CheckInside(unsigned int mx, unsigned int my, unsigned int windowX, unsigned int windowY) const;

    protected:
        /// Creates the panel and its caption and attaches them to the window's panel.
        WindowControl(GUI& gui, Ogre::OverlayContainer* windowPanel, const std::string& name,
                      const Ogre::Vector4& rect, const std::string& material, const std::string& caption);
        /// Detaches the panel from the window and the caption from the panel.
        ~WindowControl();
        WindowControl(const WindowControl&) = delete;
        WindowControl& operator=(const WindowControl&) = delete;

        /// Shows the highlight material (true) or the normal one (false); empty names are skipped.
        void Highlight(bool on);

        Ogre::OverlayContainer* container;
        Ogre::OverlayElement* captionElement;
        std::string material;
        std::string activeMaterial;
        unsigned int x, y, width, height;

    private:
        Ogre::OverlayContainer* windowPanel;  // non-owning: the window's panel we are attached to
    };
}
