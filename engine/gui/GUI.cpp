#include "engine/gui/GUI.h"

#include <algorithm>
#include <locale>
#include <sstream>

#include <OgreOverlay.h>
#include <OgreOverlayContainer.h>
#include <OgreOverlayManager.h>
#include <OgreOverlaySystem.h>
#include <OgreRoot.h>
#include <OgreSceneManager.h>
#include <OgreTextAreaOverlayElement.h>

#include "engine/core/Error.h"

namespace OverlayKit
{
    std::uint16_t GUI::overlayCounter_ = 0;

    namespace
    {
        /// Six significant digits, '.' as the decimal point whatever the process locale.
        std::string FormatDecimal(float value)
        {
            std::ostringstream out;
            out.imbue(std::locale::classic());
            out.precision(6);
            out << value;
            return out.str();
        }
    }

    GUI::GUI(const std::string& fontName, float charHeight)
        : overlay(nullptr), mousePointer(nullptr), fontName(fontName), charHeight(charHeight)
    {
        Ogre::OverlaySystem* system = Ogre::OverlaySystem::getSingletonPtr();
        if (!system)
            Engine::ThrowError("OverlayKit::GUI::GUI",
                               "No overlay system exists. Create an Ogre::OverlaySystem before the first GUI.");
        // Overlays draw only in scene managers that have the overlay system as render-queue
        // listener. Removing first keeps it there exactly once when it was registered before.
        if (Ogre::Root* root = Ogre::Root::getSingletonPtr())
            for (const auto& entry : root->getSceneManagers())
            {
                entry.second->removeRenderQueueListener(system);
                entry.second->addRenderQueueListener(system);
            }

        overlay = Ogre::OverlayManager::getSingleton().create("OverlayKit" + std::to_string(overlayCounter_++));
        overlay->show();
    }

    GUI::~GUI()
    {
        for (Window* window : windows)
            delete window;
        windows.clear();
        pendingDestroy.clear();
    }

    Ogre::OverlayElement* GUI::CreateElement(const std::string& name, bool text, const Ogre::Vector2& position,
                                             const Ogre::Vector2& size, const std::string& material,
                                             const std::string& caption, bool addToOverlay)
    {
        Ogre::OverlayManager& manager = Ogre::OverlayManager::getSingleton();
        Ogre::OverlayElement* element = manager.createOverlayElement(text ? "TextArea" : "Panel", name);
        try
        {
            element->setMetricsMode(Ogre::GMM_RELATIVE);
            element->setDimensions(size.x, size.y);
            element->setPosition(position.x, position.y);
            if (!material.empty())
                element->setMaterialName(material, Ogre::RGN_AUTODETECT);
            if (text)
            {
                if (!caption.empty())
                    element->setCaption(caption);
                element->setParameter("font_name", fontName);
                element->setParameter("char_height", FormatDecimal(charHeight));
                // The text's glyph quads are laid out once, when first drawn; a font that loads
                // only then leaves them empty until the caption changes. Load it now.
                if (const Ogre::FontPtr& font = static_cast<Ogre::TextAreaOverlayElement*>(element)->getFont())
                    font->load();
            }
        }
        catch (...)
        {
            // An unknown material or font: free the name again and let the caller see the error.
            manager.destroyOverlayElement(element);
            throw;
        }
        if (!addToOverlay)
            return element;

        if (element->isContainer())
        {
            overlay->add2D(static_cast<Ogre::OverlayContainer*>(element));
        }
        else
        {
            // An overlay holds only containers; a text area goes in through a transparent panel
            // covering the screen, so its own position keeps meaning the same.
            Ogre::OverlayContainer* holder = static_cast<Ogre::OverlayContainer*>(
                manager.createOverlayElement("Panel", name + ".holder"));
            holder->setMetricsMode(Ogre::GMM_RELATIVE);
            holder->setPosition(0.0f, 0.0f);
            holder->setDimensions(1.0f, 1.0f);
            holder->addChild(element);
            overlay->add2D(holder);
        }
        element->show();
        return element;
    }

    Ogre::OverlayContainer* GUI::CreatePanel(const std::string& name, const Ogre::Vector2& position,
                                             const Ogre::Vector2& size, const std::string& material,
                                             bool addToOverlay)
    {
        return static_cast<Ogre::OverlayContainer*>(
            CreateElement(name, false, position, size, material, "", addToOverlay));
    }

    Ogre::OverlayElement* GUI::CreateText(const std::string& name, const Ogre::Vector2& position,
                                          const Ogre::Vector2& size, const std::string& caption,
                                          bool addToOverlay)
    {
        return CreateElement(name, true, position, size, "", caption, addToOverlay);
    }

    Ogre::OverlayElement* GUI::CreateOverlay(const std::string& name, const Ogre::Vector2& position,
                                             const Ogre::Vector2& size, const std::string& material,
                                             const std::string& caption, bool addToOverlay)
    {
        return CreateElement(name, !caption.empty(), position, size, material, caption, addToOverlay);
    }

    Ogre::OverlayContainer* GUI::CreateMousePointer(const Ogre::Vector2& size, const std::string& material)
    {
        Ogre::OverlayManager& manager = Ogre::OverlayManager::getSingleton();
        Ogre::Overlay* pointerOverlay = manager.create("OverlayKit.MP");
        pointerOverlay->setZOrder(649);
        Ogre::OverlayContainer* pointer = nullptr;
        try
        {
            pointer = CreatePanel("okit.mp", Ogre::Vector2(0.0f, 0.0f), size, material, false);
        }
        catch (...)
        {
            manager.destroy(pointerOverlay);
            throw;
        }
        pointerOverlay->add2D(pointer);
        pointerOverlay->show();
        pointer->show();
        mousePointer = pointer;
        return pointer;
    }

    Window* GUI::CreateWindow(const Ogre::Vector4& rect, const std::string& material, WindowType type,
                              const std::string& caption)
    {
        Window* window = new Window(this, rect, material, type, caption);
        windows.push_back(window);
        return window;
    }

    void GUI::DestroyWindow(Window* window)
    {
        // Only our own live windows may wait here: a foreign or stale pointer could later match
        // a new window made at the same address and destroy the wrong one.
        if (std::find(windows.begin(), windows.end(), window) == windows.end())
        {
            Engine::LogWarning("OverlayKit::GUI::DestroyWindow", "The window is not one of this GUI's; ignored");
            return;
        }
        if (std::find(pendingDestroy.begin(), pendingDestroy.end(), window) == pendingDestroy.end())
            pendingDestroy.push_back(window);
    }

    bool GUI::InjectMouse(unsigned int x, unsigned int y, bool pressed)
    {
        if (mousePointer)
            mousePointer->setPosition(Ogre::Real(x), Ogre::Real(y));

        if (!pendingDestroy.empty())
        {
            std::vector<Window*> doomed;
            doomed.swap(pendingDestroy);
            for (Window* window : doomed)
            {
                const auto found = std::find(windows.begin(), windows.end(), window);
                if (found == windows.end())
                    continue;  // DestroyWindow admits only live windows; nothing else to do
                windows.erase(found);
                delete window;
            }
            return false;
        }

        // A button's callback may delete this GUI or add windows: once a window has taken the
        // event, return at once without touching the list or any member again.
        for (Window* window : windows)
            if (window->Check(x, y, pressed))
                return true;
        return false;
    }

    bool GUI::InjectKey(const std::string& key, unsigned int x, unsigned int y)
    {
        for (Window* window : windows)
            if (window->CheckKey(key, x, y))
                return true;
        return false;
    }

    bool GUI::InjectBackspace(unsigned int x, unsigned int y)
    {
        return InjectKey("!b", x, y);
    }
}
