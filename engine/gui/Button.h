#pragma once
#include <string>

#include <OgreVector.h>

#include "engine/gui/Callback.h"

namespace Ogre { class OverlayContainer; class OverlayElement; }

namespace OverlayKit
{
    class GUI;

    /// A pressable panel with a caption inside a window. Made and owned by its Window; the
    /// panel and caption elements belong to the renderer's overlay manager and outlive it.
    class Button
    {
    public:
        Ogre::OverlayContainer* GetContainer() const { return container; }
        /// The caption's text area, a child of the panel.
        Ogre::OverlayElement* GetCaptionElement() const { return captionElement; }
        const std::string& GetMaterial() const { return material; }
        /// The highlight material: material + ".active" when that exists, else the material.
        const std::string& GetActiveMaterial() const { return activeMaterial; }
        const Callback& GetCallback() const { return callback; }
        /// Top-left corner relative to the window, in whole (truncated) units.
        Ogre::Vector2 GetPosition() const { return Ogre::Vector2(Ogre::Real(x), Ogre::Real(y)); }
        Ogre::Vector2 GetSize() const { return Ogre::Vector2(Ogre::Real(width), Ogre::Real(height)); }

    protected:
        friend class Window;

        /// Creates the panel "<name>" and its caption "<name>c" and attaches them to the
        /// window's panel.
        Button(GUI& gui, Ogre::OverlayContainer* windowPanel, const std::string& name,
               const Ogre::Vector4& rect, const std::string& material, const std::string& caption,
               const Callback& callback);
        /// Detaches the panel from the window and the caption from the panel.
        ~Button();
        Button(const Button&) = delete;
        Button& operator=(const Button&) = delete;

        /// Shows the highlight material (true) or the normal one (false); empty names are skipped.
        void Activate(bool active);
        /// False when (mx, my) lies inside the button placed in a window at (windowX, windowY),
        /// edges included; true when outside.
        bool CheckInside(unsigned int mx, unsigned int my, unsigned int windowX, unsigned int windowY) const;
        /// Moves the panel inside the window; keeps the whole-unit position in step.
        void MoveTo(unsigned int newX, unsigned int newY);
        /// Changes the panel's width; keeps the whole-unit width in step.
        void SetWidth(unsigned int newWidth);

        Ogre::OverlayContainer* container;
        Ogre::OverlayElement* captionElement;
        std::string material;
        std::string activeMaterial;
        Callback callback;
        unsigned int x, y, width, height;

    private:
        Ogre::OverlayContainer* windowPanel;  // non-owning: the window's panel we are attached to
    };
}
