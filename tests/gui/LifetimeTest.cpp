// Windows and GUIs going away: deferred window destruction, callbacks that destroy their own
// window or GUI, and what stays with the renderer's overlay manager afterwards.
#include <OgreOverlay.h>
#include <OgreOverlayContainer.h>
#include <OgreOverlayManager.h>
#include <OgreSceneManager.h>

#include "engine/gui/Button.h"
#include "engine/gui/GUI.h"
#include "engine/gui/TextInput.h"
#include "engine/gui/Window.h"
#include "tests/gui/OverlayFixture.h"
#include "tests/support/LogCapture.h"

namespace
{
    using OverlayKit::Button;
    using OverlayKit::Callback;
    using OverlayKit::GUI;
    using OverlayKit::Window;

    GUI* guiToDelete = nullptr;
    int presses = 0;

    void DestroyOwnWindow(Button* button)
    {
        ++presses;
        // The button's panel hangs under its window's panel; find the window through the GUI.
        for (Window* window : guiToDelete->GetWindows())
            for (Button* candidate : window->GetButtons())
                if (candidate == button)
                    guiToDelete->DestroyWindow(window);
    }

    void DeleteTheGui(Button*)
    {
        ++presses;
        delete guiToDelete;
        guiToDelete = nullptr;
    }

    class GuiLifetime : public Test::OverlayTest
    {
    protected:
        Ogre::OverlayManager& Manager() { return Ogre::OverlayManager::getSingleton(); }
    };

    TEST_F(GuiLifetime, DestroyedWindowGoesAtTheNextMouseEventWhichItSwallows)
    {
        GUI gui("VoodooDoll", 0.025f);
        Window* doomed = gui.CreateWindow(Ogre::Vector4(0, 0, 100, 100), "test.window", OverlayKit::MOVE_AND_RESIZE, "");
        Window* kept = gui.CreateWindow(Ogre::Vector4(200, 0, 100, 100), "test.window", OverlayKit::PLAIN, "");
        Ogre::OverlayContainer* panel = doomed->GetInternalOverlay();
        Ogre::OverlayContainer* handle = doomed->GetResizeButton()->GetContainer();
        Ogre::OverlayElement* caption = doomed->GetTitleBar()->GetCaptionElement();

        gui.DestroyWindow(doomed);
        gui.DestroyWindow(doomed);                      // asking twice is harmless
        EXPECT_FALSE(gui.InjectMouse(250, 50, true));    // swallowed, even over another window
        ASSERT_EQ(1u, gui.GetWindows().size());
        EXPECT_EQ(kept, gui.GetWindows()[0]);
        EXPECT_FALSE(gui.InjectMouse(50, 50, true));
        EXPECT_TRUE(gui.InjectMouse(250, 50, true));

        // Its elements stay with the overlay manager, detached from the overlay and each other.
        EXPECT_EQ(nullptr, gui.GetInternalOverlay()->getChild(panel->getName()));
        ASSERT_TRUE(Manager().hasOverlayElement(handle->getName()));
        EXPECT_EQ(nullptr, handle->getParent());
        EXPECT_EQ(nullptr, caption->getParent());

        // Two windows asked for at once both go.
        Window* a = gui.CreateWindow(Ogre::Vector4(0, 0, 10, 10), "test.window", OverlayKit::PLAIN, "");
        Window* b = gui.CreateWindow(Ogre::Vector4(0, 0, 10, 10), "test.window", OverlayKit::PLAIN, "");
        gui.DestroyWindow(a);
        gui.DestroyWindow(b);
        EXPECT_FALSE(gui.InjectMouse(5, 5, false));
        EXPECT_EQ(1u, gui.GetWindows().size());
    }

    TEST_F(GuiLifetime, ForeignWindowsAreNotDestroyed)
    {
        ::Test::LogCapture log;
        GUI gui("VoodooDoll", 0.025f);
        GUI other("VoodooDoll", 0.025f);
        Window* foreign = other.CreateWindow(Ogre::Vector4(0, 0, 100, 100), "test.window", OverlayKit::PLAIN, "");
        gui.DestroyWindow(foreign);
        gui.DestroyWindow(nullptr);
        EXPECT_EQ(2, log.Count("Warning in OverlayKit::GUI::DestroyWindow(): "));
        EXPECT_FALSE(gui.InjectMouse(50, 50, false));
        EXPECT_TRUE(other.InjectMouse(50, 50, false));
        EXPECT_EQ(1u, other.GetWindows().size());
    }

    TEST_F(GuiLifetime, ACallbackMayDestroyItsOwnWindow)
    {
        GUI gui("VoodooDoll", 0.025f);
        guiToDelete = &gui;
        Window* window = gui.CreateWindow(Ogre::Vector4(0, 0, 100, 100), "test.window", OverlayKit::PLAIN, "");
        window->CreateButton(Ogre::Vector4(10, 10, 20, 20), "test.button", "Close", Callback(&DestroyOwnWindow));
        presses = 0;
        EXPECT_TRUE(gui.InjectMouse(15, 15, true));
        EXPECT_EQ(1, presses);
        EXPECT_FALSE(gui.InjectMouse(15, 15, true));
        EXPECT_TRUE(gui.GetWindows().empty());
        EXPECT_FALSE(gui.InjectMouse(15, 15, true));
        EXPECT_EQ(1, presses);
        guiToDelete = nullptr;
    }

    TEST_F(GuiLifetime, ACallbackMayDeleteTheWholeGui)
    {
        guiToDelete = new GUI("VoodooDoll", 0.025f);
        GUI* gui = guiToDelete;
        Window* window = gui->CreateWindow(Ogre::Vector4(0, 0, 100, 100), "test.window", OverlayKit::MOVE_AND_RESIZE, "");
        window->CreateButton(Ogre::Vector4(10, 40, 20, 20), "test.button", "Quit", Callback(&DeleteTheGui));
        gui->CreateWindow(Ogre::Vector4(0, 0, 100, 100), "test.window", OverlayKit::PLAIN, "");
        presses = 0;
        // The sanitizer builds catch any use of the freed GUI, window or button list here.
        EXPECT_TRUE(gui->InjectMouse(15, 45, true));
        EXPECT_EQ(1, presses);
        EXPECT_EQ(nullptr, guiToDelete);
    }

    TEST_F(GuiLifetime, DeletingAGuiDetachesItsWindowsAndKeepsItsOverlays)
    {
        Ogre::Overlay* overlay = nullptr;
        std::string windowName;
        std::vector<Ogre::OverlayElement*> controls;
        {
            GUI gui("VoodooDoll", 0.04f);
            overlay = gui.GetInternalOverlay();
            Window* window = gui.CreateWindow(Ogre::Vector4(0, 0, 1, 1), "test.window", OverlayKit::MOVE_AND_RESIZE, "T");
            windowName = window->GetInternalOverlay()->getName();
            controls.push_back(window->CreateButton(Ogre::Vector4(0, 0, 1, 1), "test.button", "B", Callback())->GetContainer());
            controls.push_back(window->CreateTextInput(Ogre::Vector4(0, 0, 1, 1), "test.input", "", 4)->GetContainer());
            controls.push_back(window->GetTitleBar()->GetContainer());
            controls.push_back(window->GetResizeButton()->GetContainer());
            window->CreateStaticText(Ogre::Vector4(0, 0, 1, 1), "S");
            gui.CreateOverlay("Logo", Ogre::Vector2(0, 0), Ogre::Vector2(1, 1), "test.plain", "", true);
            gui.CreateOverlay("Title", Ogre::Vector2(0, 0), Ogre::Vector2(1, 1), "", "Gorvane", true);
        }
        ASSERT_EQ(overlay, Manager().getByName(overlay->getName()));
        EXPECT_TRUE(overlay->isVisible());
        EXPECT_EQ(nullptr, overlay->getChild(windowName));
        EXPECT_NE(nullptr, overlay->getChild("Logo"));
        EXPECT_NE(nullptr, overlay->getChild("Title.holder"));
        for (Ogre::OverlayElement* control : controls)
        {
            ASSERT_TRUE(Manager().hasOverlayElement(control->getName()));
            EXPECT_EQ(nullptr, control->getParent()) << control->getName();
        }
        // Everything left is drawn and then torn down with the overlay system without trouble.
        RenderFrame();
        overlaySystem.reset();
    }

    TEST_F(GuiLifetime, AGuiOutlivingTheOverlaySystemIsDeletedSafely)
    {
        GUI* gui = new GUI("VoodooDoll", 0.025f);
        Window* window = gui->CreateWindow(Ogre::Vector4(0, 0, 100, 100), "test.window", OverlayKit::MOVE_AND_RESIZE, "");
        window->CreateTextInput(Ogre::Vector4(0, 0, 10, 10), "test.input", "", 4);
        sceneManager->removeRenderQueueListener(overlaySystem.get());
        overlaySystem.reset();
        delete gui;
    }
}
