#include "GameStateTest.h"

#include "game/HighScoreTable.h"
#include "game/LogicRunner.h"
#include "game/MainLoopRunner.h"
#include "game/StateHandler.h"
#include "game/UI_Hud.h"
#include "game/UI_Menu.h"

#include "engine/core/Application.h"
#include "engine/scene/Entity.h"
#include "engine/sound/SoundSystem.h"

#include <Ogre.h>
#include <OgreOverlayElement.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <chrono>
#include <thread>


namespace
{
    class StateHandlerTest : public Test::GameStateTest
    {
    protected:
        void TearDown() override
        {
            if (display)
            {
                if (other)
                    XDestroyWindow(display, other);
                XCloseDisplay(display);
            }
            ::Test::GameStateTest::TearDown();
        }

        /// Moves the keyboard focus to the game's window or to another window of this test, as
        /// a player's click or a window manager would, and runs frames until the game has seen
        /// the change (it reaches the game's own connection to the server in its own time).
        void FocusGame(bool game)
        {
            if (!display)
            {
                display = XOpenDisplay(nullptr);
                ASSERT_NE(display, nullptr);
                other = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 64, 64, 0, 0, 0);
                XSelectInput(display, other, StructureNotifyMask);
                XMapWindow(display, other);
                for (XEvent event{}; event.type != MapNotify;)
                    XNextEvent(display, &event);
            }
            std::size_t handle = 0;
            application->GetRenderWindow()->getCustomAttribute("WINDOW", &handle);
            XSetInputFocus(display, game ? Window(handle) : other, RevertToParent, CurrentTime);
            XSync(display, False);
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
            while (application->HasWindowFocus() != game && std::chrono::steady_clock::now() < deadline)
            {
                Step(0.01f);
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            ASSERT_EQ(application->HasWindowFocus(), game);
            Step(0.01f);
        }

        Display* display = nullptr;
        Window other = 0;

        float LogoAlphaOf(const char* material)
        {
            return Ogre::MaterialManager::getSingleton().getByName(material)->getTechnique(0)->getPass(0)
                ->getTextureUnitState(0)->getAlphaBlendMode().alphaArg2;
        }
    };
}

TEST_F(StateHandlerTest, LogosFadeOverTheScaryMusicAndEndAtSixteenSecondsInTheMenu)
{
    EXPECT_EQ(StateHandler::LogoAlpha(8.5f, -1.0f, 9.0f, 1.0f), 0.5f);
    Run(4.0f, 0.05f);
    EXPECT_FLOAT_EQ(LogoAlphaOf("Logo.Quillmark"), 1.0f);
    EXPECT_FLOAT_EQ(LogoAlphaOf("Logo.Voltaro"), 0.0f);
    EXPECT_GT(Volume(State().GetScaryMusic()), 0.0f);
    EXPECT_EQ(Volume(State().GetMenuMusic()), 0.0f);

    Run(3.5f, 0.05f);   // 7.5 s: the second logo is half in
    EXPECT_NEAR(LogoAlphaOf("Logo.Voltaro"), 0.5f, 0.06f);
    Run(8.4f, 0.05f);   // 15.9 s
    EXPECT_FALSE(State().AreLogosDone());
    EXPECT_FALSE(State().GetMainMenu().IsVisible());
    Run(0.2f, 0.05f);
    EXPECT_TRUE(State().AreLogosDone());
    EXPECT_TRUE(State().GetMainMenu().IsVisible());
    EXPECT_EQ(Volume(State().GetScaryMusic()), 0.0f);
    EXPECT_GT(Volume(State().GetMenuMusic()), 0.0f);
    EXPECT_FALSE(State().GetMainLoopRunner().simulationRunning);
    EXPECT_FALSE(Hud().IsVisible());
}

TEST_F(StateHandlerTest, ReturnSkipsToTheSecondLogoThenToItsFadeOutOncePerPress)
{
    Run(2.0f, 0.1f);
    KeyDown(XK_Return);
    Step(0.1f);
    EXPECT_FLOAT_EQ(State().GetLogoTime(), 7.0f);
    Run(1.0f, 0.1f);   // held: no second skip
    EXPECT_NEAR(State().GetLogoTime(), 8.0f, 0.01f);
    KeyUp(XK_Return);
    Step(0.1f);
    KeyDown(XK_space);
    Step(0.1f);
    EXPECT_FLOAT_EQ(State().GetLogoTime(), 15.0f);
    KeyUp(XK_space);
    Run(1.1f, 0.1f);
    EXPECT_TRUE(State().GetMainMenu().IsVisible());
}

TEST_F(StateHandlerTest, PlayEscapeContinueKeepsTheGameAndSwitchesTheMusic)
{
    SkipLogos();
    Press(XK_Return);
    const boost::shared_ptr<Engine::Entity> player = Player();
    EXPECT_FALSE(State().GetMainMenu().IsVisible());
    EXPECT_TRUE(State().GetMainLoopRunner().simulationRunning);
    EXPECT_TRUE(Hud().IsVisible());
    EXPECT_EQ(Volume(State().GetMenuMusic()), 0.0f);
    EXPECT_NEAR(Volume(State().GetIngameMusic()), 1.0f, 0.01f);   // from its start, at full volume
    Run(1.0f, 0.05f);
    EXPECT_NEAR(Volume(State().GetIngameMusic()), 0.7f, 0.02f);   // towards 0.3 at 0.3 a second
    Run(3.0f, 0.05f);
    EXPECT_FLOAT_EQ(Volume(State().GetIngameMusic()), 0.3f);

    Press(XK_Escape);
    EXPECT_TRUE(State().GetMainMenu().IsVisible());
    EXPECT_EQ(State().GetMainMenu().GetCaption(0), "Continue");
    EXPECT_FALSE(State().GetMainLoopRunner().simulationRunning);
    EXPECT_FALSE(Hud().IsVisible());
    EXPECT_EQ(Volume(State().GetIngameMusic()), 0.0f);
    EXPECT_GT(Volume(State().GetMenuMusic()), 0.0f);

    Press(XK_Return);   // "Continue": the same arena and player
    EXPECT_EQ(Player(), player);
    EXPECT_TRUE(State().GetLogicRunner().IsActive());
}

TEST_F(StateHandlerTest, EscapeOnTheHighScoreViewKeepsTheMenuMusicPlaying)
{
    State().AddHighScore("Zed", 700);
    SkipLogos();
    KeyDown(XK_Down);
    Step(0.3f);
    KeyUp(XK_Down);
    EXPECT_EQ(State().GetMainMenu().GetSelected(), 1u);
    Press(XK_Return);
    ASSERT_TRUE(State().IsHighScoreViewVisible());
    EXPECT_FALSE(State().GetMainMenu().IsVisible());
    EXPECT_EQ(State().GetHighScoreText(), "1. Zed - 700\n");

    // A restarted stream would play at full volume again.
    Engine::SoundSystem::GetSingleton()->SetVolume(State().GetMenuMusic(), 0.5f);
    Press(XK_Escape);
    EXPECT_FALSE(State().IsHighScoreViewVisible());
    EXPECT_TRUE(State().GetMainMenu().IsVisible());
    EXPECT_FLOAT_EQ(Volume(State().GetMenuMusic()), 0.5f);
}

TEST_F(StateHandlerTest, MenuSelectionWrapsAndExitEndsTheFrameLoop)
{
    SkipLogos();
    KeyDown(XK_Up);   // from the first item up to the last
    Step(0.3f);
    KeyUp(XK_Up);
    EXPECT_EQ(State().GetMainMenu().GetSelected(), 2u);
    EXPECT_EQ(State().GetMainMenu().GetItemText(2)->getColour(), Ogre::ColourValue(0.7f, 0.05f, 0.0f, 1.0f));
    EXPECT_EQ(State().GetMainMenu().GetItemText(0)->getColour(), Ogre::ColourValue(0.7f, 0.7f, 0.7f, 1.0f));
    KeyDown(XK_Return);
    Step(0.01f);
    EXPECT_TRUE(State().GetMainLoopRunner().quit);
    EXPECT_FALSE(State().GetMainLoopRunner().FrameStarted(0.01f));
    KeyUp(XK_Return);
}

TEST_F(StateHandlerTest, DeathWithoutAPlaceReturnsToTheMenuAndPlayBuildsANewArena)
{
    SkipLogos();
    Press(XK_Return);
    const boost::shared_ptr<Engine::Entity> first = Player();
    Kill(*first);
    EXPECT_TRUE(Hud().IsDead());
    EXPECT_EQ(State().GetMainMenu().GetCaption(0), "Play");

    Press(XK_Escape);   // no way out while dying
    Run(2.9f, 0.05f);
    EXPECT_FALSE(State().GetMainMenu().IsVisible());
    EXPECT_EQ(Hud().GetMessage(), "You died");
    Run(0.2f, 0.05f);
    EXPECT_FALSE(Hud().IsNameEntryOpen());   // a score of 0 earns no place
    EXPECT_TRUE(State().GetMainMenu().IsVisible());

    Press(XK_Return);
    EXPECT_NE(Player(), first);
    ASSERT_TRUE(Player());
    EXPECT_EQ(Player()->GetAttributeInt("Health"), 100);
    EXPECT_EQ(Hud().GetScore(), 0.0f);
}

TEST_F(StateHandlerTest, AQualifyingScoreOpensTheNameEntryAndTheNameIsSaved)
{
    for (int i = 0; i < 10; ++i)
        State().AddHighScore("p" + std::to_string(i), 100);
    SkipLogos();
    Press(XK_Return);
    Kill(*Zombie(3.0f, 3.0f));
    EXPECT_EQ(Hud().GetScore(), 100.0f);
    Kill(*Player());
    Run(3.1f, 0.05f);
    EXPECT_FALSE(Hud().IsNameEntryOpen());   // equal to the tenth: no place
    EXPECT_TRUE(State().GetMainMenu().IsVisible());

    Press(XK_Return);   // a new arena, a new score
    Kill(*Zombie(3.0f, 3.0f));
    Run(4.0f, 0.05f);
    Kill(*Zombie(-3.0f, 3.0f));
    Kill(*Zombie(-3.0f, -3.0f));
    EXPECT_EQ(Hud().GetScore(), 400.0f);   // 100, then a new combo of 100 and 200
    Kill(*Player());
    Run(3.1f, 0.05f);
    ASSERT_TRUE(Hud().IsNameEntryOpen());

    // Escape does nothing here; letters and digits are taken, anything else not.
    Press(XK_Escape);
    Tap(XK_BackSpace);
    KeyDown(XK_Shift_L);
    Tap(XK_a);
    KeyUp(XK_Shift_L);
    Tap(XK_b);
    Tap(XK_space);
    Tap(XK_9);
    KeyDown(XK_Shift_L);
    Tap(XK_1);
    KeyUp(XK_Shift_L);
    Step(0.01f);
    EXPECT_FALSE(State().GetMainMenu().IsVisible());
    EXPECT_EQ(Hud().GetName(), "Ab9");
    Tap(XK_x);
    Tap(XK_BackSpace);   // the keys of a frame take effect in their order
    Step(0.01f);
    EXPECT_EQ(Hud().GetName(), "Ab9");

    KeyDown(XK_Return);
    Step(0.01f);
    EXPECT_TRUE(Hud().IsNameEntryOpen());   // taken when Return goes up
    KeyUp(XK_Return);
    Step(0.01f);
    EXPECT_FALSE(Hud().IsNameEntryOpen());
    Step(0.01f);
    EXPECT_TRUE(State().GetMainMenu().IsVisible());
    ASSERT_EQ(State().GetHighScores().GetEntries().size(), 10u);
    EXPECT_EQ(State().GetHighScores().GetEntries().front().name, "Ab9");
    EXPECT_EQ(State().GetHighScores().GetEntries().front().score, 400);

    HighScoreTable saved;
    saved.Load(highScoreFile);
    EXPECT_EQ(saved.GetEntries().front().name, "Ab9");
    EXPECT_EQ(saved.GetEntries().size(), 10u);
}

TEST_F(StateHandlerTest, KeysHeldFromTheLogosDoNothingInTheMenuUntilReleased)
{
    Run(2.0f, 0.1f);
    KeyDown(XK_Return); // to the second logo
    Step(0.1f);
    KeyUp(XK_Return);
    Step(0.1f);
    KeyDown(XK_Down);
    KeyDown(XK_Return); // to its fade-out, and held on as the menu appears
    Run(1.5f, 0.1f);
    ASSERT_TRUE(State().GetMainMenu().IsVisible());
    EXPECT_FALSE(State().GetMainLoopRunner().simulationRunning);
    EXPECT_EQ(State().GetMainMenu().GetSelected(), 0u);

    KeyUp(XK_Down);
    KeyUp(XK_Return);
    Step(0.1f);
    EXPECT_TRUE(State().GetMainMenu().IsVisible());
    KeyDown(XK_Down);   // pressed anew: counts
    Step(0.3f);
    KeyUp(XK_Down);
    EXPECT_EQ(State().GetMainMenu().GetSelected(), 1u);
    KeyDown(XK_Up);
    Step(0.3f);
    KeyUp(XK_Up);
    Press(XK_Return);
    EXPECT_TRUE(State().GetMainLoopRunner().simulationRunning);
}

TEST_F(StateHandlerTest, AGameThatLosesTheFocusPausesAndContinueResumesIt)
{
    SkipLogos();
    FocusGame(true);
    Press(XK_Return);
    const boost::shared_ptr<Engine::Entity> player = Player();
    ASSERT_TRUE(State().GetMainLoopRunner().simulationRunning);
    Run(0.5f);

    FocusGame(false);
    EXPECT_TRUE(State().GetMainMenu().IsVisible());
    EXPECT_EQ(State().GetMainMenu().GetCaption(0), "Continue");
    EXPECT_FALSE(State().GetMainLoopRunner().simulationRunning);
    EXPECT_FALSE(Hud().IsVisible());

    // Coming back waits in the menu; "Continue" goes on with the same game.
    FocusGame(true);
    EXPECT_TRUE(State().GetMainMenu().IsVisible());
    Press(XK_Return);
    EXPECT_TRUE(State().GetMainLoopRunner().simulationRunning);
    EXPECT_EQ(Player(), player);
    EXPECT_TRUE(State().GetLogicRunner().IsActive());

    // Out of a game (the menu), losing the focus changes nothing.
    Press(XK_Escape);
    FocusGame(false);
    EXPECT_TRUE(State().GetMainMenu().IsVisible());
    EXPECT_EQ(State().GetMainMenu().GetSelected(), 0u);
}
