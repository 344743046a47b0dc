// Characters under load: 200 capsules walking every frame among 300 static boxes and 200 loose
// crates for 600 frames of 1/60 s, through our capsule controller and, for comparison, through
// Bullet's own btKinematicCharacterController in a plain Bullet world built the same way.
// The figure is milliseconds per frame for the physics half: the moves plus the step.
#include <chrono>
#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include <benchmark/benchmark.h>
#include <btBulletDynamicsCommon.h>
#include <BulletCollision/CollisionDispatch/btGhostObject.h>
#include <BulletDynamics/Character/btKinematicCharacterController.h>

#include "engine/physics/SimulationActorHitReport.h"
#include "engine/physics/sdk/PhysicsActor.h"
#include "engine/physics/sdk/PhysicsAllocator.h"
#include "engine/physics/sdk/PhysicsCapsuleController.h"
#include "engine/physics/sdk/PhysicsControllerManager.h"
#include "engine/physics/sdk/PhysicsScene.h"
#include "engine/physics/sdk/PhysicsSdk.h"

namespace
{
    const int Characters = 200;
    const int StaticBoxes = 300;
    const int Crates = 200;
    const int Frames = 600;
    const float FrameTime = 1.0f / 60.0f;
    const float Radius = 0.4f;
    const float Height = 1.0f;

    struct Layout
    {
        struct Box { btVector3 centre; btVector3 half; };
        std::vector<Box> statics;
        std::vector<btVector3> crates;
        std::vector<btVector3> characters;    ///< capsule centres
    };

    Layout MakeLayout()
    {
        std::mt19937 random(7);
        std::uniform_real_distribution<float> place(-40.0f, 40.0f);
        std::uniform_real_distribution<float> size(0.3f, 1.5f);
        Layout layout;
        for (int i = 0; i < StaticBoxes; ++i)
        {
            const btVector3 half(size(random), size(random), size(random));
            layout.statics.push_back({btVector3(place(random), half.y(), place(random)), half});
        }
        for (int i = 0; i < Crates; ++i)
            layout.crates.emplace_back(place(random), 4.0f, place(random));
        for (int i = 0; i < Characters; ++i)
            layout.characters.emplace_back(place(random), 6.0f, place(random));
        return layout;
    }

    /// Each character walks at 3 units a second on a slowly turning heading.
    btVector3 Walk(int character, int frame)
    {
        const float heading = character * 0.7f + frame * FrameTime * 0.5f;
        return btVector3(std::cos(heading), 0, std::sin(heading)) * 3.0f;
    }

    void OurControllers(benchmark::State& state)
    {
        const Layout layout = MakeLayout();
        for (auto _ : state)
        {
            std::unique_ptr<Engine::PhysicsSdk> sdk = Engine::PhysicsSdk::Create();
            Engine::SceneDesc sceneDesc;
            sceneDesc.gravity = Ogre::Vector3(0, -9.81f, 0);
            Engine::PhysicsScene* scene = sdk->CreateScene(sceneDesc);
            Engine::PhysicsControllerManager manager(Engine::PhysicsAllocator::GetDefault());
            Engine::SimulationActorHitReport report;
            {
                Engine::ActorDesc ground;
                Engine::ShapeDesc plane;
                plane.type = Engine::ShapeType::PLANE;
                ground.shapes.push_back(plane);
                scene->CreateActor(ground);
            }
            auto box = [&](const btVector3& centre, const btVector3& half, bool dynamic)
            {
                Engine::ActorDesc desc;
                desc.globalPose.position = Ogre::Vector3(centre.x(), centre.y(), centre.z());
                Engine::ShapeDesc shape;
                shape.dimensions = Ogre::Vector3(half.x(), half.y(), half.z());
                desc.shapes.push_back(shape);
                Engine::BodyDesc body;
                if (dynamic)
                    desc.body = &body;
                desc.density = 1.0f;
                scene->CreateActor(desc);
            };
            for (const Layout::Box& b : layout.statics)
                box(b.centre, b.half, false);
            for (const btVector3& c : layout.crates)
                box(c, btVector3(0.5f, 0.5f, 0.5f), true);
            std::vector<Engine::PhysicsController*> characters;
            for (const btVector3& c : layout.characters)
            {
                Engine::CapsuleControllerDesc desc;
                desc.position = Ogre::Vector3(c.x(), c.y(), c.z());
                desc.radius = Radius;
                desc.height = Height;
                desc.hitReport = &report;
                characters.push_back(Engine::PhysicsCapsuleController::Create(manager, *scene, desc));
            }

            const auto start = std::chrono::steady_clock::now();
            for (int frame = 0; frame < Frames; ++frame)
            {
                for (int i = 0; i < Characters; ++i)
                {
                    const btVector3 v = Walk(i, frame) * FrameTime;
                    unsigned flags = 0;
                    characters[i]->Move(Ogre::Vector3(v.x(), -5.0f * FrameTime, v.z()), 0xFFFFFFFF, 0.0005f, flags, 0.1f);
                }
                scene->Simulate(FrameTime);
                scene->FetchResults();
            }
            const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            state.SetIterationTime(seconds);
            state.counters["ms_per_frame"] = seconds * 1000.0 / Frames;
            manager.PurgeControllers();
            sdk->ReleaseScene(*scene);
        }
    }

    void BulletKinematicControllers(benchmark::State& state)
    {
        const Layout layout = MakeLayout();
        for (auto _ : state)
        {
            btDefaultCollisionConfiguration configuration;
            btCollisionDispatcher dispatcher(&configuration);
            btDbvtBroadphase broadphase;
            btGhostPairCallback ghostPairs;
            broadphase.getOverlappingPairCache()->setInternalGhostPairCallback(&ghostPairs);
            btSequentialImpulseConstraintSolver solver;
            btDiscreteDynamicsWorld world(&dispatcher, &broadphase, &solver, &configuration);
            world.setGravity(btVector3(0, -9.81f, 0));

            std::vector<std::unique_ptr<btCollisionShape>> shapes;
            std::vector<std::unique_ptr<btRigidBody>> bodies;
            auto addBody = [&](btCollisionShape* shape, const btVector3& centre, float mass)
            {
                shapes.emplace_back(shape);
                btVector3 inertia(0, 0, 0);
                if (mass > 0)
                    shape->calculateLocalInertia(mass, inertia);
                btRigidBody::btRigidBodyConstructionInfo info(mass, nullptr, shape, inertia);
                info.m_startWorldTransform.setOrigin(centre);
                bodies.emplace_back(new btRigidBody(info));
                world.addRigidBody(bodies.back().get());
            };
            addBody(new btStaticPlaneShape(btVector3(0, 1, 0), 0), btVector3(0, 0, 0), 0);
            for (const Layout::Box& b : layout.statics)
                addBody(new btBoxShape(b.half), b.centre, 0);
            for (const btVector3& c : layout.crates)
                addBody(new btBoxShape(btVector3(0.5f, 0.5f, 0.5f)), c, 1.0f);

            btCapsuleShape capsule(Radius, Height);
            std::vector<std::unique_ptr<btPairCachingGhostObject>> ghosts;
            std::vector<std::unique_ptr<btKinematicCharacterController>> characters;
            for (const btVector3& c : layout.characters)
            {
                ghosts.emplace_back(new btPairCachingGhostObject());
                btTransform transform;
                transform.setIdentity();
                transform.setOrigin(c);
                ghosts.back()->setWorldTransform(transform);
                ghosts.back()->setCollisionShape(&capsule);
                ghosts.back()->setCollisionFlags(btCollisionObject::CF_CHARACTER_OBJECT);
                characters.emplace_back(new btKinematicCharacterController(ghosts.back().get(), &capsule, 0.5f));
                characters.back()->setMaxSlope(btRadians(30.0f));
                world.addCollisionObject(ghosts.back().get(), btBroadphaseProxy::CharacterFilter,
                                         btBroadphaseProxy::StaticFilter | btBroadphaseProxy::DefaultFilter);
                world.addAction(characters.back().get());
            }

            const auto start = std::chrono::steady_clock::now();
            for (int frame = 0; frame < Frames; ++frame)
            {
                for (int i = 0; i < Characters; ++i)
                    characters[i]->setWalkDirection(Walk(i, frame) * FrameTime);
                world.stepSimulation(FrameTime, 8, FrameTime);
            }
            const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            state.SetIterationTime(seconds);
            state.counters["ms_per_frame"] = seconds * 1000.0 / Frames;

            for (auto& character : characters)
                world.removeAction(character.get());
            for (auto& ghost : ghosts)
                world.removeCollisionObject(ghost.get());
            for (auto& body : bodies)
                world.removeRigidBody(body.get());
        }
    }
}

BENCHMARK(OurControllers)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BulletKinematicControllers)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
