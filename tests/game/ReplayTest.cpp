// Games played in-process by the bot through real key presses, recorded as the game records every
// game, then played back by the game itself. Each test is one process (one application).
#include "ArenaGame.h"

#include "game/Ability_Shotgun.h"
#include "game/HighScoreTable.h"
#include "game/PlayerController.h"
#include "game/ReplayFile.h"
#include "game/ReplayPlayer.h"
#include "game/StateHandler.h"
#include "game/UI_Hud.h"
#include "game/UI_Menu.h"

#include "tests/support/LogCapture.h"

#include "engine/scene/Entity.h"
#include "engine/scene/EntityTemplate.h"
#include "engine/scene/EntityTemplateManager.h"
#include "engine/scene/Scene.h"

#include <OgreSceneNode.h>
#include <boost/pointer_cast.hpp>
#include <X11/keysym.h>

#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>

namespace Test
{
    struct RecordedGame
    {
        float seconds = 0.0f;   // from "Play" to the death
        float score = 0.0f;
        int grenades = 0;
        bool shotgunUsed = false;
        int pickUpsTaken = 0;
        bool paused = false;
    };

    namespace
    {
        StateHandler& State() { return *stateHandlerInstance; }

        void Press(ArenaGame& game, unsigned long keysym)
        {
            game.KeyDown(keysym);
            game.Step(0.01f);
            game.KeyUp(keysym);
            game.Step(0.01f);
        }

        int PickUpsLying()
        {
            int count = 0;
            for (const auto& entity : Engine::Scene::GetSingleton()->GetEntities())
                count += entity->GetType() == "Object.QuestionMark" && entity->GetSceneNode() ? 1 : 0;
            return count;
        }
    }

    /// From the menu: "Play", the bot for `botSeconds` (paused once at `pauseAt` and continued
    /// when that is positive), then nobody at the keys until the death, and "rec" in the name
    /// entry when the score earns a place. Frames of `frame` seconds, every third a quarter
    /// longer, as on a busy machine.
    RecordedGame PlayRecordedGame(ArenaGame& game, float frame, float botSeconds, float pauseAt,
                                  float calmDistance = 7.0f)
    {
        RecordedGame played;
        Press(game, XK_Return);
        PlayerBot bot(game);
        bot.calmDistance = calmDistance;
        game.Now = 0.0;
        int count = 0;
        int lying = 0;
        while (game.PlayerAlive() && game.Now < 900.0)
        {
            const float seconds = ++count % 3 == 0 ? frame * 1.25f : frame;
            if (game.Now < botSeconds)
                bot.Act(seconds);
            else
                bot.ReleaseAll();
            if (pauseAt > 0.0f && !played.paused && game.Now >= pauseAt)
            {
                bot.ReleaseAll();
                Press(game, XK_Escape);
                game.Step(0.5f);  // in the menu the world stands still
                Press(game, XK_Return);  // "Continue"
                played.paused = true;
            }
            game.Play(seconds);
            if (PlayerController* controller = game.Controller())
                played.shotgunUsed = played.shotgunUsed ||
                                     boost::dynamic_pointer_cast<Ability_Shotgun>(controller->GetCurrentAbility()) != nullptr;
            const int now = PickUpsLying();
            played.pickUpsTaken += now < lying ? lying - now : 0;
            lying = now;
        }
        bot.ReleaseAll();
        played.seconds = float(game.Now);
        played.score = game.Score();
        played.grenades = bot.grenadesThrown;
        // The death's message, then the name entry or the menu.
        for (int i = 0; i < 1000 && !hudInstance->IsNameEntryOpen() && !State().GetMainMenu().IsVisible(); ++i)
            game.Step(frame);
        if (hudInstance->IsNameEntryOpen())
        {
            game.Tap(XK_R);
            game.Tap(XK_e);
            game.Tap(XK_c);
            game.Step(frame);
            Press(game, XK_Return);
        }
        game.Step(frame);  // the recording is saved before the frame after the game's end
        return played;
    }

    /// Plays the recording back from the menu until it ends; `change` runs once the replay's
    /// arena is built, before its first frame.
    const ReplayPlayer& PlayBack(ArenaGame& game, const Replay& replay, const std::string& name,
                                 void (*change)() = nullptr)
    {
        State().StartReplay(replay, name);
        if (change)
            change();
        for (std::size_t i = 0; i <= replay.frames.size() && State().IsReplaying(); ++i)
            game.Step(0.5f);  // the recorded frame time is used instead
        EXPECT_FALSE(State().IsReplaying());
        return *State().GetReplayPlayer();
    }

    bool Exists(const std::string& path)
    {
        struct stat status;
        return stat(path.c_str(), &status) == 0;
    }
}

TEST(ReplayTest, GamesRecordedAt15And60FramesASecondReplayExactlyAndKeepTheirEntry)
{
    ::Test::ArenaGame game(true);
    game.SetUp();
    for (const float frame : {1.0f / 60.0f, 1.0f / 15.0f})
    {
        SCOPED_TRACE(frame);
        const std::vector<HighScoreEntry> tableBefore = ::Test::State().GetHighScores().GetEntries();
        const ::Test::RecordedGame played = ::Test::PlayRecordedGame(game, frame, 30.0f, 5.0f);
        ASSERT_TRUE(::Test::State().GetMainMenu().IsVisible());

        const Replay recorded = ReplayFile::Load(game.dir.File("last.replay"));
        EXPECT_GE(recorded.digests.size(), std::size_t(played.seconds));
        ASSERT_TRUE(recorded.enteredHighScores) << "score " << played.score;
        EXPECT_EQ(recorded.highScoreName, "rec");
        EXPECT_EQ(recorded.highScore, int(played.score));
        EXPECT_EQ(recorded.digests.back().second.score, played.score);
        // Kept under its place in the table too; a second game moves the first down or stays below.
        const std::vector<HighScoreEntry> table = ::Test::State().GetHighScores().GetEntries();
        EXPECT_EQ(table.size(), tableBefore.size() + 1);
        EXPECT_TRUE(::Test::Exists(game.dir.File("highscore1.replay")));
        EXPECT_EQ(::Test::Exists(game.dir.File("highscore2.replay")), table.size() == 2);

        const ReplayPlayer& player = ::Test::PlayBack(game, recorded, "last.replay");
        EXPECT_TRUE(player.Matched()) << player.GetDifference();
        EXPECT_EQ(player.GetDigestsCompared(), recorded.digests.size());
        EXPECT_EQ(player.GetFramesPlayed(), recorded.frames.size());
        EXPECT_EQ(game.Score(), played.score);
        // The replayed game's entry was compared, not added again.
        EXPECT_EQ(::Test::State().GetHighScores().GetEntries(), table);
        EXPECT_TRUE(::Test::State().GetMainMenu().IsVisible());
        EXPECT_EQ(::Test::State().GetMainMenu().GetCaption(0), "Play");

        // Keys the game does not know (another keyboard's, a damaged file's) change nothing.
        Replay unknownKeys = recorded;
        unknownKeys.frames[10].keys.push_back({0xFB, true, 'x'});
        unknownKeys.frames[20].keys.push_back({0xFB, false, 0});
        EXPECT_TRUE(::Test::PlayBack(game, unknownKeys, "unknown keys").Matched());
    }
    game.TearDown();
}

TEST(ReplayTest, AMovedGrateFailsTheReplayAtTheFirstSecondItShowsAndNamesTheField)
{
    ::Test::ArenaGame game(true);
    game.SetUp();
    ::Test::PlayRecordedGame(game, 1.0f / 30.0f, 20.0f, 0.0f);
    const Replay recorded = ReplayFile::Load(game.dir.File("last.replay"));
    const GameDigest* firstZombies = nullptr;
    for (const auto& digest : recorded.digests)
        if (digest.second.zombies > 0 && !firstZombies)
            firstZombies = &digest.second;
    ASSERT_TRUE(firstZombies);

    ::Test::LogCapture log;
    const ReplayPlayer& player = ::Test::PlayBack(game, recorded, "last.replay", [] {
        // One grate of the arena lies a little further east than when the game was recorded.
        for (const auto& entity : Engine::Scene::GetSingleton()->GetEntities())
            if (entity->GetType() == "Arena.SpawnPoint")
            {
                entity->GetSceneNode()->translate(0.25f, 0.0f, 0.0f);
                break;
            }
    });
    ASSERT_FALSE(player.Matched());
    // The zombies that came first are what differs, from the first second they are there: where
    // they stand, or how hurt they are when the bot's shots meet them elsewhere.
    const std::string expected = "The replay 'last.replay' differs at second " +
                                 std::to_string(firstZombies->second) + ": zombies.";
    EXPECT_EQ(player.GetDifference().substr(0, expected.size()), expected) << player.GetDifference();
    EXPECT_NE(player.GetDifference().find(" in the recording and "), std::string::npos);
    EXPECT_EQ(log.Count("Warning in ReplayPlayer::Compare(): " + player.GetDifference()), 1);
    game.TearDown();
}

namespace Test
{
    /// A game to record: its frame time, how long the bot plays, when it pauses (0: never),
    /// whether it must use the shotgun, grenades and a pick-up (the bot then fetches pick-ups
    /// more boldly), and how long it must last at least.
    struct Wanted
    {
        const char* name;
        float frame, botSeconds, pauseAt;
        bool arms;
        float minSeconds;
    };

    /// Plays games until one has what is wanted and an entry in the table (the bot's games
    /// differ with the seed), and keeps it as <folder>/<name>.replay.
    void Record(ArenaGame& game, const std::string& folder, const Wanted& wanted)
    {
        bool recorded = false;
        for (int attempt = 1; attempt <= 20 && !recorded; ++attempt)
        {
            const RecordedGame played = PlayRecordedGame(game, wanted.frame, wanted.botSeconds, wanted.pauseAt,
                                                         wanted.arms ? 3.0f : 7.0f);
            const Replay replay = ReplayFile::Load(game.dir.File("last.replay"));
            std::printf("%s: %.0f s, score %.0f, %d grenades, shotgun %s, %d pick-ups, entry %s, %zu bytes\n",
                        wanted.name, played.seconds, played.score, played.grenades,
                        played.shotgunUsed ? "used" : "not used", played.pickUpsTaken,
                        replay.enteredHighScores ? replay.highScoreName.c_str() : "none",
                        ReplayFile::Write(replay).size());
            if (!replay.enteredHighScores || played.seconds < wanted.minSeconds ||
                (wanted.arms && (played.grenades == 0 || !played.shotgunUsed || played.pickUpsTaken == 0)))
                continue;
            recorded = ReplayFile::Save(folder + "/" + wanted.name + ".replay", replay);
        }
        EXPECT_TRUE(recorded) << wanted.name;
    }
}

// The games the suite replays with the real program (tests/replays/), and the benchmark's ten
// minutes (bench/replays/), played again by the bot: scripts/record-replays runs these after a
// change that alters the game on purpose.
TEST(ReplayTest, DISABLED_RecordsTheSuitesGames)
{
    const char* folder = std::getenv("GORVANE_RECORD_REPLAYS_TO");
    ASSERT_TRUE(folder) << "GORVANE_RECORD_REPLAYS_TO names the folder for the recordings";
    ::Test::ArenaGame game(true);
    game.SetUp();
    ::Test::Record(game, folder, {"death-and-name", 1.0f / 60.0f, 25.0f, 0.0f, false, 0.0f});
    ::Test::Record(game, folder, {"three-minutes-of-arms", 1.0f / 30.0f, 200.0f, 0.0f, true, 180.0f});
    ::Test::Record(game, folder, {"pause-and-continue", 1.0f / 15.0f, 40.0f, 12.0f, false, 0.0f});
    game.TearDown();
}

TEST(ReplayTest, DISABLED_RecordsTenMinutesForTheBenchmark)
{
    const char* folder = std::getenv("GORVANE_RECORD_REPLAYS_TO");
    ASSERT_TRUE(folder) << "GORVANE_RECORD_REPLAYS_TO names the folder for the recording";
    ::Test::ArenaGame game(true);
    game.SetUp();
    ::Test::Record(game, folder, {"ten-minutes", 1.0f / 30.0f, 600.0f, 0.0f, false, 600.0f});
    game.TearDown();
}
