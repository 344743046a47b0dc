#include "LogicRunner.h"
#include "GameInput.h"
#include "GameRandom.h"
#include "FrameTime.h"
#include "PlayerUpgradeHandler.h"
#include "RuleSystem.h"
#include "UI_Hud.h"

#include "engine/core/Application.h"
#include "engine/core/CameraManager.h"
#include "engine/generator/Generator.h"
#include "engine/physics/Simulation.h"
#include "engine/scene/Entity.h"
#include "engine/scene/EntityTemplate.h"
#include "engine/scene/EntityTemplateManager.h"
#include "engine/scene/Scene.h"
#include "engine/sound/SoundSystem.h"
#include "script/Interpreter.h"

#include <OIS.h>
#include <Ogre.h>

#include <cstdlib>

namespace
{
    const char* const arenaFile = "arena2.xml";
    const char* const playerType = "Character.Player";
    const char* const pickUpType = "Object.QuestionMark";

    constexpr float cameraFovDegrees = 70.0f;
    constexpr float cameraHeightAbovePlayer = 8.0f;   // first camera height
    constexpr float cameraDistanceBehind = 5.0f;
    constexpr float lookAtFollowRate = 5.0f;          // per second
    constexpr float cameraFollowRate = 1.5f;          // per second
    constexpr float wheelPerNotch = 120.0f;           // the mouse's relative wheel movement
    constexpr float cameraHeightPerNotch = 2.0f;      // units
    constexpr int killsPerPickUp = 20;
    constexpr float arenaHalfExtent = 50.0f;          // the generated floor is 100 x 100
    constexpr float floorTextureRepeats = 25.0f;
    constexpr float skyHeight = 500.0f;               // the sky plane, over the floor
}

LogicRunner::LogicRunner()
    : camera(nullptr), active(false), killCount(0), viewport(nullptr),
      followStarted(false), cameraHeight(0.0f), lookAt(Ogre::Vector3::ZERO), cameraGoal(Ogre::Vector3::ZERO)
{
    RuleSystem::Get()->AddListener(this);

    Ogre::SceneManager* sceneManager = Engine::Scene::GetSingleton()->GetSceneManager();
    camera = sceneManager->createCamera("Camera1");
    camera->setFOVy(Ogre::Degree(cameraFovDegrees));
    camera->setNearClipDistance(1.0f);
    camera->setAutoAspectRatio(true);
    Ogre::SceneNode* node = AttachCameraNode(Ogre::Vector3(-5.0f, 30.0f, 0.0f), Ogre::Quaternion::IDENTITY);
    node->lookAt(Ogre::Vector3(5.0f, 10.0f, 10.0f), Ogre::Node::TS_WORLD);
    Engine::CameraManager::GetSingleton()->AddCamera(camera);

    viewport = Engine::Application::GetSingletonPtr()->GetRenderWindow()->addViewport(camera, 0, 0.0f, 0.0f, 1.0f, 1.0f);
    viewport->setBackgroundColour(Ogre::ColourValue(0.0f, 0.0f, 0.0f, 1.0f));

    Engine::Python::ExecResource("startup.py");

    // After the runner, so that the rule system tells the kill counts in this order.
    upgradeHandler.reset(new PlayerUpgradeHandler);
    spareUpgradeHandler.reset(new PlayerUpgradeHandler);

    // One HUD for the whole process; it shows only while a game does.
    if (!hudInstance)
        hudInstance.reset(new UI_Hud);
    hudInstance->Hide();
}

LogicRunner::~LogicRunner()
{
    RuleSystem::Leave(this);
}

Ogre::SceneNode* LogicRunner::AttachCameraNode(const Ogre::Vector3& position, const Ogre::Quaternion& orientation)
{
    // The camera is placed through a scene node of its own. Loading a scene clears every node,
    // which leaves the camera (owned by the scene manager, kept by its viewport) detached.
    Ogre::SceneManager* sceneManager = Engine::Scene::GetSingleton()->GetSceneManager();
    Ogre::SceneNode* node = sceneManager->getRootSceneNode()->createChildSceneNode(position, orientation);
    node->attachObject(camera);
    return node;
}

std::uint8_t LogicRunner::GetPriority()
{
    return 128;
}

bool LogicRunner::FrameStarted(float)
{
    return true;
}

const char* LogicRunner::GetArenaFile()
{
    return arenaFile;
}

void LogicRunner::BuildArena()
{
    killCount = 0;
    Engine::Scene& scene = *Engine::Scene::GetSingleton();
    Ogre::SceneNode* cameraNode = camera->getParentSceneNode();
    const Ogre::Vector3 cameraPosition = cameraNode->getPosition();
    const Ogre::Quaternion cameraOrientation = cameraNode->getOrientation();
    scene.Load(arenaFile);
    if (!camera->getParentSceneNode())
        AttachCameraNode(cameraPosition, cameraOrientation);
    Ogre::SceneManager* sceneManager = scene.GetSceneManager();

    // A starry plane overhead, facing down. Made from a point on it: Ogre's normal-and-constant
    // form counts the constant against the normal, so (down, 500) would be the plane y = -500.
    sceneManager->setSkyPlane(true, Ogre::Plane(Ogre::Vector3::NEGATIVE_UNIT_Y, Ogre::Vector3(0.0f, skyHeight, 0.0f)),
                              "Sky.Stars", 1000.0f, 50.0f, false, 0.0f, 1, 1);

    Engine::Generator::CreateTriObject("Ground", "Floor.Arena1");
    Engine::Generator::GenerateQuad("Ground",
                                    Ogre::Vector3(-arenaHalfExtent, 0.0f, -arenaHalfExtent),
                                    Ogre::Vector3(arenaHalfExtent, 0.0f, -arenaHalfExtent),
                                    Ogre::Vector3(arenaHalfExtent, 0.0f, arenaHalfExtent),
                                    Ogre::Vector3(-arenaHalfExtent, 0.0f, arenaHalfExtent),
                                    floorTextureRepeats, floorTextureRepeats);
    Engine::Generator::CompileTriObject("Ground");

    // The scene load removed the previous default template file, and with it this template.
    boost::shared_ptr<Engine::EntityTemplate> ground = scene.GetEntityTemplateManager().CreateTemplate("", "Ground");
    ground->SetAttribute("NoDisable", true);
    ground->AddComponent("Mesh", {{"File", "Ground"}, {"CastShadows", "false"}});
    scene.CreateEntity("Ground", Ogre::Vector3(0.0f, 0.01f, 0.0f));

    const boost::shared_ptr<Engine::Entity> newPlayer = scene.CreateEntity(playerType, Ogre::Vector3::ZERO);
    newPlayer->SetAttributeInt("MaxHealth", 100);
    newPlayer->SetAttributeInt("Health", 100);
    newPlayer->SetAttributeInt("MaxPower", 100);
    newPlayer->SetAttributeInt("Power", 100);
    player = newPlayer;
    upgradeHandler->SetPlayer(player);
    hudInstance->SetPlayer(player);

    // Off until something switches it on; the bonus handler can switch it off. The viewport
    // outlives the arena, so a rebuilt arena finds it in the chain already.
    Ogre::CompositorManager& compositors = Ogre::CompositorManager::getSingleton();
    if (compositors.getCompositorChain(viewport)->getCompositorPosition("Darken") == Ogre::CompositorChain::NPOS)
        compositors.addCompositor(viewport, "Darken", -1);
    compositors.setCompositorEnabled(viewport, "Darken", false);
}

void LogicRunner::Resume()
{
    active = true;
    hudInstance->Show();
}

void LogicRunner::Pause()
{
    active = false;
    hudInstance->Hide();
}

bool LogicRunner::FrameEnded(float seconds)
{
    if (!active)
        return true;

    const boost::shared_ptr<Engine::Entity> playerEntity = player.lock();
    Ogre::SceneNode* playerNode = playerEntity ? playerEntity->GetSceneNode() : nullptr;
    if (!followStarted)
    {
        followStarted = true;
        cameraHeight = (playerNode ? playerNode->getPosition().y : 0.0f) + cameraHeightAbovePlayer;
    }

    // The wheel lowers the camera (forward) or raises it, never below the floor's height. A
    // notch is a notch at any frame rate: the wheel's movement is not scaled by the frame time.
    if (gameInputInstance)
        cameraHeight -= float(gameInputInstance->GetWheel()) / wheelPerNotch * cameraHeightPerNotch;
    if (cameraHeight < 0.0f)
        cameraHeight = 0.0f;

    if (playerNode)
    {
        const Ogre::Vector3 playerPosition = playerNode->getPosition();
        lookAt += (playerPosition - lookAt) * FrameTime::FollowShare(lookAtFollowRate, seconds);
        cameraGoal = Ogre::Vector3(playerPosition.x, 0.0f, playerPosition.z) +
                     playerNode->getOrientation() * Ogre::Vector3(0.0f, cameraHeight, -cameraDistanceBehind);
    }

    Ogre::SceneNode* cameraNode = camera->getParentSceneNode();
    cameraNode->translate((cameraGoal - cameraNode->getPosition()) * FrameTime::FollowShare(cameraFollowRate, seconds));
    cameraNode->lookAt(lookAt, Ogre::Node::TS_WORLD);

    const Ogre::Quaternion orientation = cameraNode->getOrientation();
    Engine::SoundSystem::GetSingleton()->SetListener(cameraNode->getPosition(),
                                                     orientation * Ogre::Vector3::NEGATIVE_UNIT_Z,
                                                     orientation * Ogre::Vector3::UNIT_Y);
    return true;
}

void LogicRunner::OnEntityKilled(Engine::Entity* entity)
{
    if (entity->GetType() == playerType)
        return;
    if (++killCount % killsPerPickUp != 0)
        return;

    // Anywhere in the middle of the arena, one unit above the ground.
    // One draw after the other: the order of a call's arguments is the compiler's choice.
    const float x = GameRandom::Below(140) / 10.0f - 7.0f;
    const float z = GameRandom::Below(140) / 10.0f - 7.0f;
    Ogre::Vector3 point(x, 0.0f, z);
    Engine::Simulation::GetSingleton()->RaycastHeight(point, 1.0f, 10000.0f);
    Engine::Scene::GetSingleton()->CreateEntity(pickUpType, point);
}

void LogicRunner::OnEntityDamaged(Engine::Entity*, int)
{
}
