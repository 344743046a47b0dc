#include "ArenaGame.h"

#include "game/Ability_Grenade.h"
#include "game/Ability_Shotgun.h"
#include "game/GameControllers.h"
#include "game/LogicRunner.h"
#include "game/PlayerController.h"
#include "game/StateHandler.h"
#include "game/UI_Hud.h"

#include "engine/core/Application.h"
#include "engine/logic/ControllerEC.h"
#include "engine/scene/Entity.h"
#include "engine/scene/Scene.h"

#include <boost/pointer_cast.hpp>
#include <Ogre.h>
#include <X11/keysym.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace Test
{
    namespace
    {
        // What the bot goes by: distances in units, angles in degrees, times in seconds.
        constexpr float turnDegreesPerSecond = 200.0f;   // the player's own turning speed
        constexpr float targetRadius = 0.35f;            // aim within this of a zombie's middle
        constexpr float pistolRange = 22.0f;
        constexpr float shotgunRange = 6.0f;             // most pellets still hit
        constexpr float crowdDistance = 6.0f;
        constexpr int crowdSize = 3;
        constexpr float grenadeCharge = 0.5f;
        constexpr float switchPause = 0.25f;             // the game takes a switch every 0.2 s

        float Flat(const Ogre::Vector3& a, const Ogre::Vector3& b)
        {
            return Ogre::Vector2(a.x - b.x, a.z - b.z).length();
        }
    }

    void ArenaGame::SetUp()
    {
        GameTest::SetUp();
        RegisterGameControllers();
        if (throughMenu)
        {
            stateHandlerInstance.reset(new StateHandler(dir.File("highscores.dat")));
            logic = &stateHandlerInstance->GetLogicRunner();
            Step(16.0f);  // past the logos
            Step(0.01f);
        }
        else
        {
            StartPlay(*application, ownLogic, mainLoop);
            logic = ownLogic.get();
        }
        Now = 0.0;
    }

    void ArenaGame::TearDown()
    {
        stateHandlerInstance.reset();
        ownLogic.reset();
        logic = nullptr;
        GameTest::TearDown();
    }

    void ArenaGame::Play(float seconds)
    {
        Step(seconds);
        Now += seconds;
    }

    boost::shared_ptr<Engine::Entity> ArenaGame::Player() const
    {
        return logic->GetPlayer().lock();
    }

    PlayerController* ArenaGame::Controller() const
    {
        const boost::shared_ptr<Engine::Entity> player = Player();
        const boost::shared_ptr<Engine::ControllerEC> component =
            player ? boost::dynamic_pointer_cast<Engine::ControllerEC>(player->GetComponent("Controller"))
                   : boost::shared_ptr<Engine::ControllerEC>();
        return component ? dynamic_cast<PlayerController*>(component->GetController().get()) : nullptr;
    }

    bool ArenaGame::PlayerAlive() const
    {
        return PlayerHealth() > 0;
    }

    int ArenaGame::PlayerHealth() const
    {
        const boost::shared_ptr<Engine::Entity> player = Player();
        return player && player->GetSceneNode() ? player->GetAttributeInt("Health") : 0;
    }

    std::vector<boost::shared_ptr<Engine::Entity>> ArenaGame::Zombies() const
    {
        std::vector<boost::shared_ptr<Engine::Entity>> zombies;
        for (const boost::shared_ptr<Engine::Entity>& entity : Engine::Scene::GetSingleton()->GetEntities())
        {
            const std::string& type = entity->GetType();
            if (type.compare(0, 16, "Character.Zombie") == 0 && type.size() == 17 && entity->GetSceneNode() &&
                entity->GetAttributeInt("Health") > 0)
                zombies.push_back(entity);
        }
        return zombies;
    }

    int ArenaGame::Kills() const
    {
        return logic->GetKillCount();
    }

    float ArenaGame::Score() const
    {
        return hudInstance ? hudInstance->GetScore() : 0.0f;
    }

    BotGame ArenaGame::PlayBot(float frame, float limitSeconds)
    {
        BotGame result;
        PlayerBot bot(*this);
        while (Now + frame * 0.5 < limitSeconds)
        {
            bot.Act(frame);
            Play(frame);
            if (result.firstHitSeconds < 0.0f && PlayerHealth() < 100)
                result.firstHitSeconds = static_cast<float>(Now);
            if (!PlayerAlive())
            {
                result.died = true;
                break;
            }
        }
        bot.ReleaseAll();
        result.survivedSeconds = static_cast<float>(Now);
        result.kills = Kills();
        result.score = Score();
        result.grenadesThrown = bot.grenadesThrown;
        return result;
    }

    float ArenaGame::StandStill(float frame, float limitSeconds)
    {
        while (Now + frame * 0.5 < limitSeconds)
        {
            Play(frame);
            if (PlayerHealth() < 100)
                return static_cast<float>(Now);
        }
        return -1.0f;
    }

    bool RunInChildProcess(void (*play)(ArenaGame& game, void* result), void* result, std::size_t size)
    {
        int ends[2];
        if (pipe(ends) != 0)
            return false;
        // Whatever is still buffered would be printed twice, by both processes.
        std::fflush(stdout);
        std::fflush(stderr);
        const pid_t child = fork();
        if (child < 0)
            return false;
        if (child == 0)
        {
            // The child's own checks print as usual; their outcome goes back as the last byte.
            close(ends[0]);
            std::vector<char> bytes(size + 1, 0);
            {
                ArenaGame game;
                game.SetUp();
                if (!::testing::Test::HasFailure())
                    play(game, bytes.data());
                game.TearDown();
            }
            bytes[size] = ::testing::Test::HasFailure() ? 0 : 1;
            std::fflush(stdout);
            const bool sent = write(ends[1], bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
            _exit(sent ? 0 : 1);
        }
        close(ends[1]);
        std::vector<char> bytes(size + 1, 0);
        std::size_t got = 0;
        while (got < bytes.size())
        {
            const ssize_t n = read(ends[0], bytes.data() + got, bytes.size() - got);
            if (n <= 0)
                break;
            got += static_cast<std::size_t>(n);
        }
        close(ends[0]);
        int status = 0;
        waitpid(child, &status, 0);
        if (got != bytes.size())
            return false;
        std::memcpy(result, bytes.data(), size);
        return bytes[size] == 1 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }

    void PlayerBot::Hold(unsigned long keysym, bool down)
    {
        const auto at = std::find(held.begin(), held.end(), keysym);
        if (down && at == held.end())
        {
            game.KeyDown(keysym);
            held.push_back(keysym);
        }
        else if (!down && at != held.end())
        {
            game.KeyUp(keysym);
            held.erase(at);
        }
    }

    void PlayerBot::ReleaseAll()
    {
        while (!held.empty())
            Hold(held.back(), false);
    }

    void PlayerBot::Aim(const Ogre::Vector3& from, const Ogre::Vector3& facing, const Ogre::Vector3& at, float seconds,
                        float& angleDegrees)
    {
        // Positive: the point lies to the left, which the left key turns towards.
        const Ogre::Vector3 toward(at.x - from.x, 0.0f, at.z - from.z);
        const Ogre::Vector3 flatFacing(facing.x, 0.0f, facing.z);
        angleDegrees = Ogre::Math::ATan2(flatFacing.crossProduct(toward).y, flatFacing.dotProduct(toward)).valueDegrees();
        // A frame turns by a fixed step: turn while that brings the facing closer.
        const float halfStep = turnDegreesPerSecond * seconds * 0.5f;
        Hold(XK_Left, angleDegrees > halfStep);
        Hold(XK_Right, angleDegrees < -halfStep);
    }

    void PlayerBot::Act(float seconds)
    {
        // Taps last one frame, and the frame after one has the key up: the game reads the keys'
        // state once a frame, and fires or switches again only on a new press.
        const bool fireReleased = fireTapped;
        if (fireTapped)
        {
            Hold(XK_Control_R, false);
            fireTapped = false;
        }
        const bool switchReleased = switchTapped;
        if (switchTapped)
        {
            Hold(XK_Shift_R, false);
            switchTapped = false;
        }

        PlayerController* controller = game.Controller();
        const boost::shared_ptr<Engine::Entity> player = game.Player();
        if (!controller || !player || !player->GetSceneNode())
        {
            ReleaseAll();
            return;
        }
        const Ogre::Vector3 position = player->GetSceneNode()->getPosition();
        const Ogre::Vector3 facing = player->GetSceneNode()->getOrientation() * Ogre::Vector3::UNIT_Z;

        boost::shared_ptr<Engine::Entity> nearest;
        float nearestDistance = 1e9f;
        int crowd = 0;
        for (const boost::shared_ptr<Engine::Entity>& zombie : game.Zombies())
        {
            const float distance = Flat(zombie->GetSceneNode()->getPosition(), position);
            if (distance < nearestDistance)
            {
                nearest = zombie;
                nearestDistance = distance;
            }
            if (distance < crowdDistance)
                ++crowd;
        }

        const boost::shared_ptr<IAbility> current = controller->GetCurrentAbility();
        const bool holdingGrenade = boost::dynamic_pointer_cast<Ability_Grenade>(current) != nullptr;
        const bool holdingShotgun = boost::dynamic_pointer_cast<Ability_Shotgun>(current) != nullptr;
        bool hasShotgun = false;
        for (const boost::shared_ptr<IAbility>& ability : controller->GetAbilities())
            hasShotgun = hasShotgun || boost::dynamic_pointer_cast<Ability_Shotgun>(ability) != nullptr;
        const int grenades = player->HasAttribute("GrenadeCount") ? player->GetAttributeInt("GrenadeCount") : 0;

        // A grenade being charged flies once the charge is up; then back to the guns.
        if (chargeStarted >= 0.0)
        {
            Hold(XK_Up, false);
            Hold(XK_Left, false);
            Hold(XK_Right, false);
            if (game.Now - chargeStarted >= grenadeCharge)
            {
                Hold(XK_Control_R, false);
                chargeStarted = -1.0;
                ++grenadesThrown;
            }
            return;
        }

        // Which weapon: a grenade into a crowd, the shotgun up close, else the pistol.
        bool wantGrenade = grenades > 0 && crowd >= crowdSize && nearestDistance > 2.5f;
        bool wantShotgun = hasShotgun && nearestDistance < shotgunRange;
        const bool wrongWeapon = wantGrenade ? !holdingGrenade : (holdingGrenade || holdingShotgun != wantShotgun);
        if (wrongWeapon && game.Now - lastSwitch >= switchPause && !held.empty() &&
            std::find(held.begin(), held.end(), static_cast<unsigned long>(XK_Control_R)) != held.end())
            Hold(XK_Control_R, false);   // let go of the trigger before changing hands
        else if (wrongWeapon && game.Now - lastSwitch >= switchPause && !switchReleased)
        {
            Hold(XK_Shift_R, true);
            switchTapped = true;
            lastSwitch = game.Now;
        }

        if (!nearest)
        {
            Hold(XK_Left, false);
            Hold(XK_Right, false);
            Hold(XK_Up, false);
            return;
        }

        // Nobody close: fetch a pick-up if one lies about.
        const boost::shared_ptr<Engine::Entity> pickUp =
            Engine::Scene::GetSingleton()->FindClosestEntityByType("Object.QuestionMark", position);
        float angle = 0.0f;
        if (nearestDistance > calmDistance && pickUp && pickUp->GetSceneNode())
        {
            Aim(position, facing, pickUp->GetSceneNode()->getPosition(), seconds, angle);
            Hold(XK_Up, std::fabs(angle) < 30.0f);
            return;
        }
        Hold(XK_Up, false);

        const Ogre::Vector3 target = nearest->GetSceneNode()->getPosition();
        Aim(position, facing, target, seconds, angle);
        const float inLine = std::max(Ogre::Math::ATan(targetRadius / std::max(nearestDistance, 0.5f)).valueDegrees(),
                                      turnDegreesPerSecond * seconds * 0.5f + 0.5f);
        if (wrongWeapon || std::fabs(angle) > inLine || nearestDistance > pistolRange)
            return;
        if (holdingGrenade && !fireReleased)
        {
            Hold(XK_Control_R, true);
            chargeStarted = game.Now;
            return;
        }
        if (!fireReleased && std::find(held.begin(), held.end(), static_cast<unsigned long>(XK_Control_R)) == held.end())
        {
            Hold(XK_Control_R, true);
            fireTapped = true;
        }
    }
}
