#include "engine/gui/Button.h"

#include <OgreOverlayContainer.h>

namespace OverlayKit
{
    Button::Button(GUI& gui, Ogre::OverlayContainer* windowPanel, const std::string& name,
                   const Ogre::Vector4& rect, const std::string& material, const std::string& caption,
                   const Callback& callback)
        : WindowControl(gui, windowPanel, name, rect, material, caption), callback(callback)
    {
    }

    void Button::MoveTo(unsigned int newX, unsigned int newY)
    {
        x = newX;
        y = newY;
        container->setPosition(Ogre::Real(x), Ogre::Real(y));
    }

    void Button::SetWidth(unsigned int newWidth)
    {
        width = newWidth;
        container->setWidth(Ogre::Real(width));
    }
}
