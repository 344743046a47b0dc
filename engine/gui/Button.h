#pragma once
#include <string>

#include <OgreVector.h>

#include "engine/gui/Callback.h"
#include "engine/gui/WindowControl.h"

namespace Ogre { class OverlayContainer; }

namespace OverlayKit
{
    /// A pressable panel with a caption inside a window. Made and owned by its Window; the
    /// panel and caption elements belong to the renderer's overlay manager and outlive it.
    class Button : public WindowControl
    {
    public:
        const Callback& GetCallback() const { return callback; }

    protected:
        friend class Window;

        /// Creates the panel "<name>" and its caption "<name>c" and attaches them to the
        /// window's panel.
        Button(GUI& gui, Ogre::OverlayContainer* windowPanel, const std::string& name,
               const Ogre::Vector4& rect, const std::string& material, const std::string& caption,
               const Callback& callback);

        /// Shows the highlight material (true) or the normal one (false); empty names are skipped.
        void Activate(bool active) { Highlight(active); }
        /// Moves the panel inside the window; keeps the whole-unit position in step.
        void MoveTo(unsigned int newX, unsigned int newY);
        /// Changes the panel's width; keeps the whole-unit width in step.
        void SetWidth(unsigned int newWidth);

        Callback callback;
    };
}
