#include "engine/gui/WindowControl.h"

#include <OgreMaterialManager.h>
#include <OgreOverlayContainer.h>
#include <OgreOverlayManager.h>

#include "engine/gui/Detach.h"
#include "engine/gui/GUI.h"
#include "engine/gui/Geometry.h"

namespace OverlayKit
{
    WindowControl::WindowControl(GUI& gui, Ogre::OverlayContainer* windowPanel, const std::string& name,
                                 const Ogre::Vector4& rect, const std::string& material, const std::string& caption)
        : container(nullptr), captionElement(nullptr), material(material), activeMaterial(material),
          x(Truncate(rect.x)), y(Truncate(rect.y)), width(Truncate(rect.z)), height(Truncate(rect.w)),
          windowPanel(windowPanel)
    {
        if (Ogre::MaterialManager::getSingleton().resourceExists(material + ".active", Ogre::RGN_AUTODETECT))
            activeMaterial = material + ".active";

        container = gui.CreatePanel(name, Ogre::Vector2(rect.x, rect.y), Ogre::Vector2(rect.z, rect.w),
                                    material, false);
        try
        {
            captionElement = gui.CreateText(name + "c",
                                            Ogre::Vector2(4.0f, (rect.w - gui.GetCharHeight()) * 0.5f),
                                            Ogre::Vector2(rect.z, rect.w), caption, false);
        }
        catch (...)
        {
            // Leave nothing half-made behind: the panel is not attached anywhere yet.
            Ogre::OverlayManager::getSingleton().destroyOverlayElement(container);
            throw;
        }
        windowPanel->addChild(container);
        container->show();
        container->addChild(captionElement);
        captionElement->show();
    }

    WindowControl::~WindowControl()
    {
        // After the overlay system is gone the elements went with it.
        if (!Ogre::OverlayManager::getSingletonPtr())
            return;
        DetachElement(windowPanel, container);
        DetachElement(container, captionElement);
    }

    bool WindowControl::CheckInside(unsigned int mx, unsigned int my, unsigned int windowX, unsigned int windowY) const
    {
        return !IsInside(mx, my, std::uint64_t(windowX) + x, std::uint64_t(windowY) + y, width, height);
    }

    void WindowControl::Highlight(bool on)
    {
        const std::string& name = on ? activeMaterial : material;
        if (!name.empty())
            container->setMaterialName(name, Ogre::RGN_AUTODETECT);
    }
}
