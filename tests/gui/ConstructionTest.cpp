// How the toolkit builds its overlay elements: names, types, font parameters, controls per window
// type, and what happens when the renderer refuses something.
#include <OgreMaterialManager.h>
#include <OgreOverlay.h>
#include <OgreOverlayContainer.h>
#include <OgreOverlayManager.h>

#include "engine/core/Exception.h"
#include "engine/gui/Button.h"
#include "engine/gui/GUI.h"
#include "engine/gui/TextInput.h"
#include "engine/gui/Window.h"
#include "tests/gui/OverlayFixture.h"

namespace
{
    using OverlayKit::Button;
    using OverlayKit::Callback;
    using OverlayKit::GUI;
    using OverlayKit::Window;

    class GuiConstruction : public Test::OverlayTest
    {
    protected:
        Ogre::OverlayManager& Manager() { return Ogre::OverlayManager::getSingleton(); }
    };

    TEST_F(GuiConstruction, ElementNamesCarryProcessWideCounters)
    {
        GUI first("VoodooDoll", 0.025f);
        GUI second("VoodooDoll", 0.025f);
        EXPECT_EQ("OverlayKit0", first.GetInternalOverlay()->getName());
        EXPECT_EQ("OverlayKit1", second.GetInternalOverlay()->getName());
        EXPECT_TRUE(first.GetInternalOverlay()->isVisible());

        Window* window = first.CreateWindow(Ogre::Vector4(0, 0, 100, 100), "test.window", OverlayKit::PLAIN, "");
        EXPECT_EQ("OverlayKit.w0", window->GetInternalOverlay()->getName());
        EXPECT_EQ(window->GetInternalOverlay(), first.GetInternalOverlay()->getChild("OverlayKit.w0"));

        Button* button = window->CreateButton(Ogre::Vector4(0, 0, 10, 10), "test.button", "OK", Callback());
        EXPECT_EQ("OverlayKit.w0b0", button->GetContainer()->getName());
        EXPECT_EQ("OverlayKit.w0b0c", button->GetCaptionElement()->getName());
        EXPECT_EQ(button->GetContainer(), button->GetCaptionElement()->getParent());
        EXPECT_EQ(window->GetInternalOverlay(), button->GetContainer()->getParent());

        OverlayKit::TextInput* input = window->CreateTextInput(Ogre::Vector4(0, 20, 10, 10), "test.input", "x", 8);
        EXPECT_EQ("OverlayKit.w0t0", input->GetContainer()->getName());
        EXPECT_EQ("OverlayKit.w0t0c", input->GetCaptionElement()->getName());
        Ogre::OverlayElement* text = window->CreateStaticText(Ogre::Vector4(0, 40, 10, 10), "Hi");
        EXPECT_EQ("OverlayKit.w0st0", text->getName());
        EXPECT_EQ(window->GetInternalOverlay(), text->getParent());

        // Counters are shared by every window of every GUI.
        Window* other = second.CreateWindow(Ogre::Vector4(0, 0, 100, 100), "test.window", OverlayKit::PLAIN, "");
        EXPECT_EQ("OverlayKit.w1", other->GetInternalOverlay()->getName());
        EXPECT_EQ("OverlayKit.w1b1",
                  other->CreateButton(Ogre::Vector4(0, 0, 1, 1), "test.button", "", Callback())->GetContainer()->getName());
        EXPECT_EQ("OverlayKit.w1st1", other->CreateStaticText(Ogre::Vector4(0, 0, 1, 1), "")->getName());
    }

    TEST_F(GuiConstruction, CaptionsUseTheGuiFontAndRelativeRectangles)
    {
        GUI gui("VoodooDoll", 1.0f / 3.0f);
        Window* window = gui.CreateWindow(Ogre::Vector4(0.1f, 0.2f, 0.5f, 0.25f), "test.window", OverlayKit::PLAIN, "");
        Ogre::OverlayContainer* panel = window->GetInternalOverlay();
        EXPECT_EQ(Ogre::GMM_RELATIVE, panel->getMetricsMode());
        EXPECT_FLOAT_EQ(0.1f, panel->getLeft());
        EXPECT_FLOAT_EQ(0.25f, panel->getHeight());
        EXPECT_EQ("test.window", panel->getMaterialName());
        // Fractions truncate to whole units for hit-testing.
        EXPECT_EQ(0u, window->GetX());
        EXPECT_EQ(0u, window->GetWidth());

        Button* button = window->CreateButton(Ogre::Vector4(0.0f, 0.0f, 0.2f, 0.1f), "test.button", "OK", Callback());
        Ogre::OverlayElement* caption = button->GetCaptionElement();
        EXPECT_EQ("TextArea", caption->getTypeName());
        EXPECT_EQ("OK", caption->getCaption().asUTF8());
        EXPECT_EQ("VoodooDoll", caption->getParameter("font_name"));
        EXPECT_EQ("0.333333", caption->getParameter("char_height"));
        EXPECT_FLOAT_EQ(4.0f, caption->getLeft());
        EXPECT_FLOAT_EQ((0.1f - 1.0f / 3.0f) * 0.5f, caption->getTop());

        // Texts made empty still are text areas, so a value set later shows.
        OverlayKit::TextInput* input = window->CreateTextInput(Ogre::Vector4(0, 0, 1, 1), "test.input", "", 4);
        EXPECT_EQ("TextArea", input->GetCaptionElement()->getTypeName());
        input->SetValue("abc");
        EXPECT_EQ("abc", input->GetCaptionElement()->getCaption().asUTF8());
        EXPECT_EQ("TextArea", window->CreateStaticText(Ogre::Vector4(0, 0, 1, 1), "")->getTypeName());
    }

    TEST_F(GuiConstruction, WindowTypesGetTheirOwnControlsResizeHandleFirst)
    {
        GUI gui("VoodooDoll", 0.025f);
        const Ogre::Vector4 rect(100, 50, 200, 150);
        EXPECT_TRUE(gui.CreateWindow(rect, "test.window", OverlayKit::PLAIN, "T")->GetButtons().empty());

        Window* both = gui.CreateWindow(rect, "test.window", OverlayKit::MOVE_AND_RESIZE, "Title");
        ASSERT_EQ(2u, both->GetButtons().size());
        Button* resize = both->GetButtons()[0];
        Button* title = both->GetButtons()[1];
        EXPECT_EQ(resize, both->GetResizeButton());
        EXPECT_EQ(title, both->GetTitleBar());
        EXPECT_EQ("test.window.resize", resize->GetMaterial());
        EXPECT_EQ(Ogre::Vector2(184, 134), resize->GetPosition());
        EXPECT_EQ(Ogre::Vector2(16, 16), resize->GetSize());
        EXPECT_EQ(Callback::RESIZE_WINDOW, resize->GetCallback().GetKind());
        EXPECT_EQ("test.window.titlebar", title->GetMaterial());
        EXPECT_EQ(Ogre::Vector2(200, 22), title->GetSize());
        EXPECT_EQ("Title", title->GetCaptionElement()->getCaption().asUTF8());
        EXPECT_EQ(Callback::MOVE_WINDOW, title->GetCallback().GetKind());

        Window* resizeOnly = gui.CreateWindow(rect, "test.window", OverlayKit::RESIZE_ONLY, "T");
        ASSERT_EQ(1u, resizeOnly->GetButtons().size());
        EXPECT_EQ(resizeOnly->GetResizeButton(), resizeOnly->GetButtons()[0]);
        Window* moveOnly = gui.CreateWindow(rect, "test.window", OverlayKit::MOVE_ONLY, "T");
        ASSERT_EQ(1u, moveOnly->GetButtons().size());
        EXPECT_EQ(moveOnly->GetTitleBar(), moveOnly->GetButtons()[0]);

        // A handle larger than its window starts at the window's corner instead of wrapping.
        Window* tiny = gui.CreateWindow(Ogre::Vector4(0, 0, 0.5f, 0.5f), "test.window", OverlayKit::RESIZE_ONLY, "");
        EXPECT_EQ(Ogre::Vector2(0, 0), tiny->GetResizeButton()->GetPosition());
    }

    TEST_F(GuiConstruction, ActiveMaterialIsTheDotActiveVariantWhenItExists)
    {
        GUI gui("VoodooDoll", 0.025f);
        Window* window = gui.CreateWindow(Ogre::Vector4(0, 0, 100, 100), "test.window", OverlayKit::PLAIN, "");
        Button* withVariant = window->CreateButton(Ogre::Vector4(0, 0, 10, 10), "test.button", "", Callback());
        Button* without = window->CreateButton(Ogre::Vector4(20, 0, 10, 10), "test.plain", "", Callback());
        EXPECT_EQ("test.button.active", withVariant->GetActiveMaterial());
        EXPECT_EQ("test.plain", without->GetActiveMaterial());

        gui.InjectMouse(25, 5, false);
        EXPECT_EQ("test.plain", without->GetContainer()->getMaterialName());
        gui.InjectMouse(5, 5, false);
        EXPECT_EQ("test.button.active", withVariant->GetContainer()->getMaterialName());
        gui.InjectMouse(50, 50, false);
        EXPECT_EQ("test.button", withVariant->GetContainer()->getMaterialName());
    }

    TEST_F(GuiConstruction, CreateOverlayMakesPanelsOrTextsAndAddsThemOnRequest)
    {
        GUI gui("VoodooDoll", 0.04f);
        Ogre::Overlay* overlay = gui.GetInternalOverlay();

        Ogre::OverlayElement* bar = gui.CreateOverlay("Bar", Ogre::Vector2(0.1f, 0.2f), Ogre::Vector2(0.3f, 0.05f),
                                                      "test.plain", "", true);
        EXPECT_EQ("Panel", bar->getTypeName());
        EXPECT_EQ(bar, overlay->getChild("Bar"));
        EXPECT_TRUE(bar->isVisible());
        EXPECT_FLOAT_EQ(0.3f, bar->getWidth());

        Ogre::OverlayElement* loose = gui.CreateOverlay("Loose", Ogre::Vector2(0, 0), Ogre::Vector2(1, 1), "", "", false);
        EXPECT_EQ(nullptr, overlay->getChild("Loose"));
        EXPECT_EQ(nullptr, loose->getParent());

        Ogre::OverlayElement* text = gui.CreateOverlay("Caption", Ogre::Vector2(0.3f, 0.2f), Ogre::Vector2(1, 1),
                                                       "", "High scores", true);
        EXPECT_EQ("TextArea", text->getTypeName());
        EXPECT_EQ("0.04", text->getParameter("char_height"));
        ASSERT_NE(nullptr, text->getParent());
        EXPECT_EQ(text->getParent(), overlay->getChild("Caption.holder"));
        EXPECT_FLOAT_EQ(0.0f, text->getParent()->getLeft());
        EXPECT_FLOAT_EQ(0.3f, text->getLeft());
        text->setColour(Ogre::ColourValue(0.7f, 0.05f, 0.0f, 1.0f));
        text->hide();
        EXPECT_FALSE(text->isVisible());

        // The overlay manager refuses a name twice; the error reaches the caller.
        EXPECT_THROW(gui.CreateOverlay("Bar", Ogre::Vector2(0, 0), Ogre::Vector2(1, 1), "", "", false), Ogre::Exception);
    }

    TEST_F(GuiConstruction, RefusedMaterialsAndFontsReachTheCallerAndLeaveNamesFree)
    {
        GUI gui("VoodooDoll", 0.025f);
        EXPECT_THROW(gui.CreateOverlay("Logo", Ogre::Vector2(0, 0), Ogre::Vector2(1, 1), "no.such", "", true),
                     Ogre::Exception);
        EXPECT_FALSE(Manager().hasOverlayElement("Logo"));
        EXPECT_NO_THROW(gui.CreateOverlay("Logo", Ogre::Vector2(0, 0), Ogre::Vector2(1, 1), "test.plain", "", true));

        // A window whose title-bar material is missing is not made, and the next one still is.
        EXPECT_THROW(gui.CreateWindow(Ogre::Vector4(0, 0, 10, 10), "test.plain", OverlayKit::MOVE_ONLY, ""),
                     Ogre::Exception);
        EXPECT_TRUE(gui.GetWindows().empty());
        EXPECT_EQ(nullptr, gui.GetInternalOverlay()->getChild("OverlayKit.w0"));
        Window* window = gui.CreateWindow(Ogre::Vector4(0, 0, 10, 10), "test.window", OverlayKit::MOVE_ONLY, "");
        EXPECT_EQ(1u, gui.GetWindows().size());

        GUI badFont("NoSuchFont", 0.025f);
        Window* other = badFont.CreateWindow(Ogre::Vector4(0, 0, 10, 10), "test.window", OverlayKit::PLAIN, "");
        EXPECT_THROW(other->CreateStaticText(Ogre::Vector4(0, 0, 1, 1), "x"), Ogre::Exception);
        EXPECT_THROW(other->CreateButton(Ogre::Vector4(0, 0, 1, 1), "test.button", "x", Callback()), Ogre::Exception);
        EXPECT_TRUE(other->GetButtons().empty());
        EXPECT_NE(nullptr, window->CreateButton(Ogre::Vector4(0, 0, 1, 1), "test.button", "", Callback()));
    }

    TEST_F(GuiConstruction, OneMousePointerFollowsInjectedPositions)
    {
        GUI gui("VoodooDoll", 0.025f);
        Ogre::OverlayContainer* pointer = gui.CreateMousePointer(Ogre::Vector2(0.02f, 0.03f), "test.plain");
        EXPECT_EQ("okit.mp", pointer->getName());
        Ogre::Overlay* overlay = Manager().getByName("OverlayKit.MP");
        ASSERT_NE(nullptr, overlay);
        EXPECT_EQ(649, overlay->getZOrder());
        EXPECT_TRUE(overlay->isVisible());
        EXPECT_EQ(pointer, overlay->getChild("okit.mp"));

        EXPECT_FALSE(gui.InjectMouse(3, 7, false));
        EXPECT_FLOAT_EQ(3.0f, pointer->getLeft());
        EXPECT_FLOAT_EQ(7.0f, pointer->getTop());

        GUI other("VoodooDoll", 0.025f);
        EXPECT_THROW(other.CreateMousePointer(Ogre::Vector2(0.02f, 0.03f), "test.plain"), Ogre::Exception);
    }

    class GuiWithoutOverlaySystem : public ::Test::RenderTest
    {
    protected:
        void TearDown() override { ::Test::Renderer::Shutdown(); }
    };

    TEST_F(GuiWithoutOverlaySystem, ConstructionFailsWithAnEngineError)
    {
        try
        {
            GUI gui("VoodooDoll", 0.025f);
            FAIL() << "a GUI was made without an overlay system";
        }
        catch (const Engine::Exception& error)
        {
            EXPECT_EQ(0u, std::string(error.what()).find("Error in OverlayKit::GUI::GUI(). "));
        }
    }
}
