#pragma once
#include "IRuleSystemListener.h"
#include "engine/core/IUpdateListener.h"

#include <boost/weak_ptr.hpp>
#include <memory>
#include <OgreQuaternion.h>
#include <OgreVector.h>

namespace Ogre { class Camera; class SceneNode; class Viewport; }
namespace Engine { class Entity; }
class PlayerUpgradeHandler;

/// Owns the game camera and builds the arena (scene, sky, floor, player); while a game is
/// shown it makes the camera follow the player and places the sound listener there. Counts
/// kills and drops a pick-up on every 20th.
class LogicRunner : public Engine::IUpdateListener, public IRuleSystemListener
{
public:
    /// Creates the camera "Camera1" and its viewport and runs "startup.py".
    LogicRunner();
    ~LogicRunner();

    std::uint8_t GetPriority() override;
    bool FrameStarted(float seconds) override;
    bool FrameEnded(float seconds) override;

    void OnEntityKilled(Engine::Entity* entity) override;
    void OnEntityDamaged(Engine::Entity* entity, int health) override;

    /// A fresh arena: loads "arena2.xml", adds sky, floor and a new player, resets the kills.
    void BuildArena();
    /// The scene file BuildArena loads.
    static const char* GetArenaFile();
    /// The game view goes live / stops.
    void Resume();
    void Pause();

    Ogre::Camera* GetCamera() const { return camera; }
    boost::weak_ptr<Engine::Entity> GetPlayer() const { return player; }
    bool IsActive() const { return active; }
    int GetKillCount() const { return killCount; }

private:
    LogicRunner(const LogicRunner&) = delete;
    LogicRunner& operator=(const LogicRunner&) = delete;

    Ogre::SceneNode* AttachCameraNode(const Ogre::Vector3& position, const Ogre::Quaternion& orientation);

    Ogre::Camera* camera;        // owned by the scene manager
    boost::weak_ptr<Engine::Entity> player;
    bool active;
    int killCount;
    Ogre::Viewport* viewport;    // owned by the render window
    std::unique_ptr<PlayerUpgradeHandler> upgradeHandler;       // arms each new player
    std::unique_ptr<PlayerUpgradeHandler> spareUpgradeHandler;  // never given a player

    // The follow camera, set up on first use.
    bool followStarted;
    float cameraHeight;
    Ogre::Vector3 lookAt;
    Ogre::Vector3 cameraGoal;
};
