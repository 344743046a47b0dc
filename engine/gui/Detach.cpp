#include "engine/gui/Detach.h"

#include <OgreOverlay.h>
#include <OgreOverlayContainer.h>

namespace OverlayKit
{
    void DetachElement(Ogre::OverlayContainer* parent, Ogre::OverlayElement* child)
    {
        parent->removeChild(child->getName());
        child->_notifyParent(nullptr, nullptr);
    }

    void RemoveFromOverlay(Ogre::Overlay* overlay, Ogre::OverlayContainer* container)
    {
        overlay->remove2D(container);
        container->_notifyParent(nullptr, nullptr);
    }
}
