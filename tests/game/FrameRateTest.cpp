#include "ArenaGame.h"
#include "game/GameRandom.h"

#include "engine/scene/Entity.h"

#include <Ogre.h>
#include <X11/keysym.h>

#include <cstdio>
#include <string>

namespace
{
    constexpr int scriptSeconds = 40;
    constexpr int pathSeconds = 5;        // the walk is over after 4 s
    constexpr int maxBlows = 16;

    /// What a scripted game showed: where the player was at each whole second of the walk,
    /// when the first zombie came within arm's reach, and when each blow landed.
    struct Replay
    {
        Ogre::Vector3 path[pathSeconds];
        double arrival = -1.0;
        double blows[maxBlows] = {};
        int blowCount = 0;
        int damage = 0;
    };

    int framesPerSecond = 60;   // of the next scripted game; set before its child process starts

    /// The same game at `framesPerSecond`: keys go down and up on whole seconds, which every
    /// frame rate tested meets exactly. The player walks 2 s towards the grate ahead, turns right
    /// for 1 s, walks 1 s, and then stands until the zombies have finished it.
    Replay Script(::Test::ArenaGame& game)
    {
        GameRandom::Seed(1);
        const float frame = 1.0f / static_cast<float>(framesPerSecond);
        Replay replay;
        const auto playSecond = [&](int second) {
            for (int i = 0; i < framesPerSecond; ++i)
            {
                const int before = game.PlayerHealth();
                game.Play(frame);
                if (game.PlayerHealth() < before && replay.blowCount < maxBlows)
                    replay.blows[replay.blowCount++] = game.Now;
                const boost::shared_ptr<Engine::Entity> player = game.Player();
                if (replay.arrival < 0.0 && player)
                    for (const auto& zombie : game.Zombies())
                    {
                        const Ogre::Vector3 gap = zombie->GetSceneNode()->getPosition() - player->GetSceneNode()->getPosition();
                        if (Ogre::Vector2(gap.x, gap.z).length() < 1.5f)
                            replay.arrival = game.Now;
                    }
            }
            if (second < pathSeconds && game.Player())
                replay.path[second] = game.Player()->GetSceneNode()->getPosition();
        };

        replay.path[0] = game.Player()->GetSceneNode()->getPosition();
        game.KeyDown(XK_Up);
        playSecond(1);
        playSecond(2);
        game.KeyUp(XK_Up);
        game.KeyDown(XK_Right);
        playSecond(3);
        game.KeyUp(XK_Right);
        game.KeyDown(XK_Up);
        playSecond(4);
        game.KeyUp(XK_Up);
        for (int second = 5; second <= scriptSeconds && game.PlayerAlive(); ++second)
            playSecond(second);
        replay.damage = 100 - game.PlayerHealth();
        return replay;
    }

    Replay ScriptAt(int rate)
    {
        framesPerSecond = rate;
        return ::Test::InChildProcess(&Script);
    }

    void Print(int rate, const Replay& replay)
    {
        std::printf("%3d fps: arrival %.3f s, blows %d from %.3f to %.3f s, walk ends at (%.3f, %.3f)\n", rate,
                    replay.arrival, replay.blowCount, replay.blows[0], replay.blows[replay.blowCount > 0 ? replay.blowCount - 1 : 0],
                    replay.path[pathSeconds - 1].x, replay.path[pathSeconds - 1].z);
    }
}

TEST(FrameRate, TheSameScriptedGamePlaysTheSameAt15_30_60And144FramesPerSecond)
{
    const Replay reference = ScriptAt(60);
    Print(60, reference);
    const float walked = reference.path[0].distance(reference.path[2]) + reference.path[3].distance(reference.path[4]);
    EXPECT_NEAR(walked, 9.0f, 0.3f) << "3 units a second forwards for 3 s";
    ASSERT_GT(reference.arrival, 0.0) << "no zombie reached the player";
    ASSERT_EQ(reference.damage, 100) << "the zombies did not finish the standing player";
    ASSERT_GE(reference.blowCount, 2);

    for (const int rate : {15, 30, 144})
    {
        SCOPED_TRACE(std::to_string(rate) + " frames per second");
        const Replay replay = ScriptAt(rate);
        Print(rate, replay);
        // The path: within 5 % of the distance walked at every whole second.
        for (int second = 0; second < pathSeconds; ++second)
            EXPECT_LT(replay.path[second].distance(reference.path[second]), 0.05f * walked) << "at " << second << " s";
        // The first zombie's arrival, every blow and the damage: within 5 % of the time since "Play".
        EXPECT_NEAR(replay.arrival, reference.arrival, 0.05 * reference.arrival);
        EXPECT_EQ(replay.damage, reference.damage);
        ASSERT_EQ(replay.blowCount, reference.blowCount);
        for (int i = 0; i < replay.blowCount; ++i)
            EXPECT_NEAR(replay.blows[i], reference.blows[i], 0.05 * reference.blows[i]) << "blow " << i + 1;
        // And closer than that: the blows come as fast at any frame rate, within 5 % of the
        // time from the first to the last, give or take a frame.
        const double span = reference.blows[reference.blowCount - 1] - reference.blows[0];
        EXPECT_NEAR(replay.blows[replay.blowCount - 1] - replay.blows[0], span, 0.05 * span + 1.0 / rate);
    }
}
