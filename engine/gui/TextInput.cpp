#include "engine/gui/TextInput.h"

#include <OgreMaterialManager.h>
#include <OgreOverlayContainer.h>
#include <OgreOverlayManager.h>

#include "engine/gui/Detach.h"
#include "engine/gui/GUI.h"
#include "engine/gui/Geometry.h"

namespace OverlayKit
{
    namespace
    {
        bool IsContinuationByte(char c)
        {
            return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
        }

        /// Characters (UTF-8 sequences) in the text.
        std::size_t CharacterCount(const std::string& text)
        {
            std::size_t count = 0;
            for (char c : text)
                if (!IsContinuationByte(c))
                    ++count;
            return count;
        }

        /// Removes the last character with all its bytes, so the text stays valid UTF-8
        /// (the renderer's captions refuse broken sequences).
        void RemoveLastCharacter(std::string& text)
        {
            while (!text.empty() && IsContinuationByte(text.back()))
                text.pop_back();
            if (!text.empty())
                text.pop_back();
        }
    }

    TextInput::TextInput(GUI& gui, Ogre::OverlayContainer* windowPanel, const std::string& name,
                         const Ogre::Vector4& rect, const std::string& material, const std::string& value,
                         unsigned int maxLength)
        : container(nullptr), captionElement(nullptr), material(material), activeMaterial(material),
          value(value), x(Truncate(rect.x)), y(Truncate(rect.y)), width(Truncate(rect.z)),
          height(Truncate(rect.w)), maxLength(maxLength), windowPanel(windowPanel)
    {
        if (Ogre::MaterialManager::getSingleton().resourceExists(material + ".active", Ogre::RGN_AUTODETECT))
            activeMaterial = material + ".active";

        container = gui.CreatePanel(name, Ogre::Vector2(rect.x, rect.y), Ogre::Vector2(rect.z, rect.w),
                                    material, false);
        try
        {
            captionElement = gui.CreateText(name + "c",
                                            Ogre::Vector2(4.0f, (rect.w - gui.GetCharHeight()) * 0.5f),
                                            Ogre::Vector2(rect.z, rect.w), value, false);
        }
        catch (...)
        {
            Ogre::OverlayManager::getSingleton().destroyOverlayElement(container);
            throw;
        }
        windowPanel->addChild(container);
        container->show();
        container->addChild(captionElement);
        captionElement->show();
    }

    TextInput::~TextInput()
    {
        if (!Ogre::OverlayManager::getSingletonPtr())
            return;
        DetachElement(windowPanel, container);
        DetachElement(container, captionElement);
    }

    void TextInput::SetValue(const std::string& text)
    {
        // Caption first: when the renderer refuses the text the stored value stays as it was.
        captionElement->setCaption(text);
        value = text;
    }

    void TextInput::Show()
    {
        captionElement->show();
    }

    void TextInput::Hide()
    {
        captionElement->hide();
    }

    bool TextInput::IsVisible() const
    {
        return captionElement->isVisible();
    }

    bool TextInput::CheckInside(unsigned int mx, unsigned int my, unsigned int windowX, unsigned int windowY) const
    {
        return !IsInside(mx, my, std::uint64_t(windowX) + x, std::uint64_t(windowY) + y, width, height);
    }

    void TextInput::SetFocusLook(bool focused)
    {
        const std::string& name = focused ? activeMaterial : material;
        if (!name.empty())
            container->setMaterialName(name, Ogre::RGN_AUTODETECT);
    }

    void TextInput::ApplyKey(const std::string& key)
    {
        std::string changed = value;
        if (key == "!b")
            RemoveLastCharacter(changed);
        else if (CharacterCount(changed) + CharacterCount(key) <= maxLength)
            changed += key;
        captionElement->setCaption(changed);
        value = changed;
    }
}
