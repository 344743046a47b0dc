// What a player sees: windows, buttons and texts drawn where their rectangles put them.
#include <OgreOverlayContainer.h>
#include <OgreOverlayManager.h>

#include "engine/gui/Button.h"
#include "engine/gui/GUI.h"
#include "engine/gui/Window.h"
#include "tests/gui/OverlayFixture.h"

namespace
{
    using OverlayKit::GUI;
    using OverlayKit::Window;

    class GuiRendering : public Test::OverlayTest
    {
    };

    TEST_F(GuiRendering, WindowButtonAndTextDrawAtTheirRectanglesAndFollowTheTitleBar)
    {
        GUI gui("VoodooDoll", 0.1f);
        // Relative units: the window fills the lower-right quarter of the screen.
        Window* window = gui.CreateWindow(Ogre::Vector4(0.5f, 0.5f, 0.5f, 0.5f), "test.window",
                                          OverlayKit::MOVE_ONLY, "");
        window->CreateButton(Ogre::Vector4(0.25f, 0.25f, 0.2f, 0.2f), "test.button", "", OverlayKit::Callback());
        window->CreateStaticText(Ogre::Vector4(0.05f, 0.05f, 0.4f, 0.1f), "WWW");

        std::vector<std::uint8_t> frame = RenderFrame();
        Box box{};
        ASSERT_TRUE(FindColour(frame, Ogre::ColourValue(0.0f, 0.0f, 0.5f), box));
        EXPECT_NEAR(box.left, width / 2, 2);
        EXPECT_NEAR(box.top, height / 2, 2);
        EXPECT_NEAR(box.right, width - 1, 2);

        ASSERT_TRUE(FindColour(frame, Ogre::ColourValue::Red, box));
        EXPECT_NEAR(box.left, int(width * 0.75f), 2);
        EXPECT_NEAR(box.top, int(height * 0.75f), 2);
        EXPECT_NEAR(box.right, int(width * 0.95f), 2);
        EXPECT_NEAR(box.bottom, int(height * 0.95f), 2);

        ASSERT_TRUE(FindWhite(frame, box));
        // The text starts at the window's corner plus the static text's offset, one
        // character height (0.1 of the screen) tall at most.
        EXPECT_GE(box.left, int(width * 0.55f) - 1);
        EXPECT_LE(box.left, int(width * 0.55f) + 6);
        EXPECT_GE(box.top, int(height * 0.55f) - 1);
        EXPECT_LE(box.bottom, int(height * 0.65f) + 1);
        EXPECT_GT(box.right - box.left, 10);

        // Pressing the title bar at (0, 0) moves the window's corner to the screen's corner
        // (the bar is 22 units high, so its centre would lie above the screen: it stops at 0).
        ASSERT_TRUE(gui.InjectMouse(0, 0, true));
        EXPECT_EQ(0u, window->GetX());
        EXPECT_EQ(0u, window->GetY());

        frame = RenderFrame();
        ASSERT_TRUE(FindColour(frame, Ogre::ColourValue(0.0f, 0.0f, 0.5f), box));
        EXPECT_NEAR(box.left, 0, 1);
        EXPECT_NEAR(box.top, 0, 1);
        EXPECT_NEAR(box.right, width / 2, 2);
        ASSERT_TRUE(FindWhite(frame, box));
        EXPECT_GE(box.left, int(width * 0.05f) - 1);
        EXPECT_LE(box.left, int(width * 0.05f) + 6);
        EXPECT_GE(box.top, int(height * 0.05f) - 1);
        EXPECT_LE(box.bottom, int(height * 0.15f) + 1);
        ASSERT_TRUE(FindColour(frame, Ogre::ColourValue::Red, box));
        EXPECT_NEAR(box.left, int(width * 0.25f), 2);
        EXPECT_NEAR(box.top, int(height * 0.25f), 2);
    }

    TEST_F(GuiRendering, HiddenWindowAndHiddenOverlayDrawNothing)
    {
        GUI gui("VoodooDoll", 0.1f);
        Window* window = gui.CreateWindow(Ogre::Vector4(0.0f, 0.0f, 1.0f, 1.0f), "test.window",
                                          OverlayKit::PLAIN, "");
        window->CreateStaticText(Ogre::Vector4(0.1f, 0.1f, 0.5f, 0.2f), "Hello");
        Box box{};
        ASSERT_TRUE(FindWhite(RenderFrame(), box));

        window->Hide();
        std::vector<std::uint8_t> frame = RenderFrame();
        EXPECT_FALSE(FindWhite(frame, box));
        EXPECT_FALSE(FindColour(frame, Ogre::ColourValue(0.0f, 0.0f, 0.5f), box));
    }

    TEST_F(GuiRendering, CaptionedOverlayAddedToTheGuiDrawsAtItsPosition)
    {
        GUI gui("VoodooDoll", 0.1f);
        Ogre::OverlayElement* text = gui.CreateOverlay("Score", Ogre::Vector2(0.6f, 0.7f), Ogre::Vector2(1.0f, 1.0f),
                                                       "", "123", true);
        Box box{};
        ASSERT_TRUE(FindWhite(RenderFrame(), box));
        EXPECT_GE(box.left, int(width * 0.6f) - 1);
        EXPECT_LE(box.left, int(width * 0.6f) + 6);
        EXPECT_GE(box.top, int(height * 0.7f) - 1);
        EXPECT_LE(box.bottom, int(height * 0.8f) + 1);

        text->hide();
        EXPECT_FALSE(FindWhite(RenderFrame(), box));
    }
}
