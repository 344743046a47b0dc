#pragma once

namespace Ogre { class Overlay; class OverlayContainer; class OverlayElement; }

namespace OverlayKit
{
    // Taking an element out of its parent or overlay leaves the renderer's back-pointer to the
    // overlay in place; a container destroyed later (at the latest when the overlay system shuts
    // down, after the overlays are gone) would then reach into a freed overlay. These helpers
    // detach and clear that pointer in one step.

    /// Removes the child from its parent panel.
    void DetachElement(Ogre::OverlayContainer* parent, Ogre::OverlayElement* child);
    /// Removes a top-level panel from an overlay.
    void RemoveFromOverlay(Ogre::Overlay* overlay, Ogre::OverlayContainer* container);
}
