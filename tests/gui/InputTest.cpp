// Injected mouse and keys: which window takes them, hover highlights, presses, focus and typing,
// dragging by the title bar and resizing by the handle. Rectangles here are in whole units.
#include <OgreOverlayContainer.h>
#include <OgreOverlayElement.h>

#include "engine/gui/Button.h"
#include "engine/gui/GUI.h"
#include "engine/gui/OverlayKitListener.h"
#include "engine/gui/TextInput.h"
#include "engine/gui/Window.h"
#include "tests/gui/OverlayFixture.h"

namespace
{
    using OverlayKit::Button;
    using OverlayKit::Callback;
    using OverlayKit::GUI;
    using OverlayKit::TextInput;
    using OverlayKit::Window;

    std::vector<Button*> pressed;
    Window* pressedWindow = nullptr;
    TextInput* focusSeenByCallback = reinterpret_cast<TextInput*>(1);

    void RecordPress(Button* button)
    {
        pressed.push_back(button);
        if (pressedWindow)
            focusSeenByCallback = pressedWindow->GetFocusedInput();
    }

    struct Listener : OverlayKit::OverlayKitListener
    {
        std::vector<Button*> presses;
        void OnButtonPress(Button* button) override { presses.push_back(button); }
    };

    class GuiInput : public Test::OverlayTest
    {
    protected:
        void SetUp() override
        {
            OverlayTest::SetUp();
            pressed.clear();
            gui.reset(new GUI("VoodooDoll", 0.025f));
            // Window covering [100, 300] x [100, 200].
            window = gui->CreateWindow(Ogre::Vector4(100, 100, 200, 100), "test.window", OverlayKit::PLAIN, "");
        }

        void TearDown() override
        {
            gui.reset();
            OverlayTest::TearDown();
        }

        std::unique_ptr<GUI> gui;
        Window* window = nullptr;
    };

    TEST_F(GuiInput, AVisibleWindowTakesEveryEventInsideItsEdges)
    {
        EXPECT_TRUE(gui->InjectMouse(150, 150, false));
        EXPECT_TRUE(gui->InjectMouse(100, 100, true));
        EXPECT_TRUE(gui->InjectMouse(300, 200, false));
        EXPECT_FALSE(gui->InjectMouse(99, 150, false));
        EXPECT_FALSE(gui->InjectMouse(301, 150, true));
        EXPECT_FALSE(gui->InjectMouse(150, 201, false));

        window->Hide();
        EXPECT_FALSE(window->IsVisible());
        EXPECT_FALSE(gui->InjectMouse(150, 150, true));
        window->Show();
        EXPECT_TRUE(gui->InjectMouse(150, 150, true));
    }

    TEST_F(GuiInput, HoverHighlightsTheButtonUnderTheMouseOnly)
    {
        Button* first = window->CreateButton(Ogre::Vector4(10, 10, 50, 20), "test.button", "A", Callback(&RecordPress));
        Button* second = window->CreateButton(Ogre::Vector4(10, 50, 50, 20), "test.button", "B", Callback(&RecordPress));

        EXPECT_TRUE(gui->InjectMouse(110, 110, false));  // top-left edge of the first
        EXPECT_EQ(first, window->GetActiveButton());
        EXPECT_EQ("test.button.active", first->GetContainer()->getMaterialName());
        EXPECT_TRUE(gui->InjectMouse(160, 170, false));  // bottom-right edge of the second
        EXPECT_EQ("test.button", first->GetContainer()->getMaterialName());
        EXPECT_EQ("test.button.active", second->GetContainer()->getMaterialName());
        EXPECT_TRUE(gui->InjectMouse(250, 190, false));  // empty space
        EXPECT_EQ("test.button", second->GetContainer()->getMaterialName());
        EXPECT_TRUE(gui->InjectMouse(115, 115, false));
        EXPECT_FALSE(gui->InjectMouse(10, 10, false));   // leaving the window
        EXPECT_EQ("test.button", first->GetContainer()->getMaterialName());
        EXPECT_TRUE(pressed.empty());
    }

    TEST_F(GuiInput, PressesRunTheFirstHitButtonsCallbackByKind)
    {
        Listener listener;
        Button* function = window->CreateButton(Ogre::Vector4(0, 0, 20, 20), "test.button", "", Callback(&RecordPress));
        Button* overlapping = window->CreateButton(Ogre::Vector4(10, 10, 20, 20), "test.button", "", Callback(&RecordPress));
        Button* listened = window->CreateButton(Ogre::Vector4(50, 0, 20, 20), "test.button", "", Callback(&listener));
        window->CreateButton(Ogre::Vector4(100, 0, 20, 20), "test.button", "", Callback());
        Button* nullFunction = window->CreateButton(Ogre::Vector4(150, 0, 20, 20), "test.button", "",
                                                    Callback(static_cast<Callback::Function>(nullptr)));

        EXPECT_TRUE(gui->InjectMouse(115, 115, true));
        ASSERT_EQ(1u, pressed.size());
        EXPECT_EQ(function, pressed[0]);
        EXPECT_TRUE(gui->InjectMouse(125, 125, true));
        EXPECT_EQ(overlapping, pressed.back());
        EXPECT_TRUE(gui->InjectMouse(160, 110, true));
        ASSERT_EQ(1u, listener.presses.size());
        EXPECT_EQ(listened, listener.presses[0]);
        EXPECT_TRUE(gui->InjectMouse(210, 110, true));   // kind NONE
        EXPECT_TRUE(gui->InjectMouse(260, 110, true));   // a null function does nothing
        EXPECT_EQ(nullFunction, window->GetActiveButton());
        EXPECT_EQ(2u, pressed.size());
        EXPECT_EQ(1u, listener.presses.size());
    }

    TEST_F(GuiInput, TypingGoesToTheFocusedInputWhileTheMouseIsOverItsWindow)
    {
        TextInput* name = window->CreateTextInput(Ogre::Vector4(10, 10, 100, 20), "test.input", "", 3);
        TextInput* other = window->CreateTextInput(Ogre::Vector4(10, 40, 100, 20), "test.input", "zz", 5);
        EXPECT_FALSE(gui->InjectKey("a", 150, 150));     // nothing focused yet

        EXPECT_TRUE(gui->InjectMouse(120, 120, true));
        EXPECT_EQ(name, window->GetFocusedInput());
        EXPECT_EQ("test.input.active", name->GetContainer()->getMaterialName());
        EXPECT_TRUE(gui->InjectBackspace(150, 150));     // empty stays empty
        EXPECT_EQ("", name->GetValue());
        EXPECT_TRUE(gui->InjectKey("a", 150, 150));
        EXPECT_TRUE(gui->InjectKey("\xC3\xA9", 300, 200));  // "é", edge of the window
        EXPECT_TRUE(gui->InjectKey("c", 150, 150));
        EXPECT_TRUE(gui->InjectKey("d", 150, 150));      // at the maximum: taken, no change
        EXPECT_EQ("a\xC3\xA9" "c", name->GetValue());
        EXPECT_EQ("a\xC3\xA9" "c", name->GetCaptionElement()->getCaption().asUTF8());
        EXPECT_FALSE(gui->InjectKey("x", 301, 150));     // mouse outside the window
        EXPECT_FALSE(gui->InjectBackspace(50, 50));
        EXPECT_EQ("a\xC3\xA9" "c", name->GetValue());

        EXPECT_TRUE(gui->InjectBackspace(150, 150));
        EXPECT_TRUE(gui->InjectBackspace(150, 150));     // removes the whole two-byte character
        EXPECT_EQ("a", name->GetValue());
        EXPECT_EQ("a", name->GetCaptionElement()->getCaption().asUTF8());

        // Focus moves to the other input; the first looks normal again.
        EXPECT_TRUE(gui->InjectMouse(120, 150, true));
        EXPECT_EQ(other, window->GetFocusedInput());
        EXPECT_EQ("test.input", name->GetContainer()->getMaterialName());
        EXPECT_TRUE(gui->InjectKey("q", 150, 150));
        EXPECT_EQ("zzq", other->GetValue());
        EXPECT_EQ("a", name->GetValue());

        // A press on empty space clears the focus; hiding the window stops keys too.
        EXPECT_TRUE(gui->InjectMouse(250, 190, true));
        EXPECT_EQ(nullptr, window->GetFocusedInput());
        EXPECT_EQ("test.input", other->GetContainer()->getMaterialName());
        EXPECT_FALSE(gui->InjectKey("q", 150, 150));
        EXPECT_TRUE(gui->InjectMouse(120, 120, true));
        window->Hide();
        EXPECT_FALSE(gui->InjectKey("q", 150, 150));
        EXPECT_EQ("a", name->GetValue());
    }

    TEST_F(GuiInput, KeysGoToTheFirstWindowWithAFocusedInputUnderTheMouse)
    {
        Window* front = gui->CreateWindow(Ogre::Vector4(150, 150, 100, 100), "test.window", OverlayKit::PLAIN, "");
        TextInput* back = window->CreateTextInput(Ogre::Vector4(0, 0, 200, 100), "test.input", "", 10);
        TextInput* later = front->CreateTextInput(Ogre::Vector4(0, 0, 100, 100), "test.input", "", 10);
        EXPECT_TRUE(gui->InjectMouse(110, 110, true));   // only the first window is there
        // Presses go to the windows in creation order, so the first one takes the overlap too.
        EXPECT_TRUE(gui->InjectMouse(160, 160, true));
        EXPECT_EQ(nullptr, front->GetFocusedInput());
        EXPECT_TRUE(gui->InjectKey("k", 160, 160));
        EXPECT_EQ("k", back->GetValue());
        EXPECT_EQ("", later->GetValue());
    }

    TEST_F(GuiInput, APressOnAButtonClearsTextFocusBeforeTheCallbackRuns)
    {
        TextInput* input = window->CreateTextInput(Ogre::Vector4(10, 10, 100, 20), "test.input", "", 8);
        window->CreateButton(Ogre::Vector4(10, 60, 50, 20), "test.button", "", Callback(&RecordPress));
        pressedWindow = window;
        EXPECT_TRUE(gui->InjectMouse(120, 120, true));
        ASSERT_EQ(input, window->GetFocusedInput());
        EXPECT_TRUE(gui->InjectMouse(120, 170, true));
        pressedWindow = nullptr;
        ASSERT_EQ(1u, pressed.size());
        EXPECT_EQ(nullptr, focusSeenByCallback);
        EXPECT_EQ("test.input", input->GetContainer()->getMaterialName());
        // Hovering a button does not take the focus away.
        EXPECT_TRUE(gui->InjectMouse(120, 120, true));
        EXPECT_TRUE(gui->InjectMouse(120, 170, false));
        EXPECT_EQ(input, window->GetFocusedInput());
    }

    TEST_F(GuiInput, TitleBarDragsAndHandleResizesTheWindow)
    {
        Window* movable = gui->CreateWindow(Ogre::Vector4(400, 400, 200, 150), "test.window",
                                            OverlayKit::MOVE_AND_RESIZE, "Drag me");
        // Press on the title bar at (450, 405): the bar's centre (100, 11) comes under the mouse.
        EXPECT_TRUE(gui->InjectMouse(450, 405, true));
        EXPECT_EQ(350u, movable->GetX());
        EXPECT_EQ(394u, movable->GetY());
        EXPECT_FLOAT_EQ(350.0f, movable->GetInternalOverlay()->getLeft());
        EXPECT_FLOAT_EQ(394.0f, movable->GetInternalOverlay()->getTop());

        // The handle now spans [534, 550] x [528, 544]; pressing at (540, 535) makes the
        // window end 8 units past the mouse.
        EXPECT_TRUE(gui->InjectMouse(540, 535, true));
        EXPECT_EQ(198u, movable->GetWidth());
        EXPECT_EQ(149u, movable->GetHeight());
        EXPECT_FLOAT_EQ(198.0f, movable->GetInternalOverlay()->getWidth());
        EXPECT_FLOAT_EQ(149.0f, movable->GetInternalOverlay()->getHeight());
        EXPECT_EQ(Ogre::Vector2(182, 133), movable->GetResizeButton()->GetPosition());
        EXPECT_FLOAT_EQ(182.0f, movable->GetResizeButton()->GetContainer()->getLeft());
        EXPECT_EQ(Ogre::Vector2(198, 22), movable->GetTitleBar()->GetSize());
        EXPECT_FLOAT_EQ(198.0f, movable->GetTitleBar()->GetContainer()->getWidth());
        // Pressing the handle's top-left corner again and again shrinks the window by 8 each
        // time, down to 8: the handle then stays at the window's corner instead of wrapping.
        Button* handle = movable->GetResizeButton();
        for (int i = 0; i < 30; ++i)
        {
            const Ogre::Vector2 corner = handle->GetPosition();
            EXPECT_TRUE(gui->InjectMouse(movable->GetX() + unsigned(corner.x), movable->GetY() + unsigned(corner.y), true));
        }
        EXPECT_EQ(8u, movable->GetWidth());
        EXPECT_EQ(8u, movable->GetHeight());
        EXPECT_EQ(Ogre::Vector2(0, 0), handle->GetPosition());

        // Dragging near the screen's corner stops the window at 0.
        Window* corner = gui->CreateWindow(Ogre::Vector4(0, 0, 100, 50), "test.window", OverlayKit::MOVE_ONLY, "");
        gui->DestroyWindow(window);
        gui->DestroyWindow(movable);
        EXPECT_FALSE(gui->InjectMouse(0, 0, false));
        EXPECT_TRUE(gui->InjectMouse(5, 3, true));
        EXPECT_EQ(0u, corner->GetX());
        EXPECT_EQ(0u, corner->GetY());
    }
}
