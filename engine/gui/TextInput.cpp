#include "engine/gui/TextInput.h"

#include <OgreOverlayElement.h>

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
        : WindowControl(gui, windowPanel, name, rect, material, value), value(value), maxLength(maxLength)
    {
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
