// Characters under load, through our capsule controller and, for comparison, through Bullet's own
// btKinematicCharacterController in a plain Bullet world built the same way:
// - Wander: 200 capsules walking every frame among 300 static boxes and 200 loose crates;
// - Crowd: 200 capsules in a walled 40 x 40 yard all walking to its centre, as a horde closes in
//   on the player; they report how tightly they packed (mean and outermost distance from the
//   centre) and how far any two overlap.
// - Ring: the same, from a ring of radius 20 on which neighbours start overlapping, as a horde
//   spawned in a crowd does (capsules of radius 0.5 and cylinder 0.8 walking 2.5 units a second,
//   walls 50 long, 4 high and 1 thick around). Packing figures as for the crowd.
//   Mean distance from the centre after 600 frames: ours 5.6 (12.7 while other characters' skins
//   were hard), Bullet's blocking characters 6.4; in the yard ours packs to 4.4.
// Each runs 600 frames of 1/60 s; the figure is milliseconds per frame for the physics half (the
// moves plus the step). Instructions per frame, counted by callgrind over every thread between
// the first and the last frame, next to the wall time:
//   scripts/bench-instructions characters OurCrowd
#include <algorithm>
#include <chrono>
#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include <benchmark/benchmark.h>
#include <btBulletDynamicsCommon.h>
#include <BulletCollision/CollisionDispatch/btGhostObject.h>
#include <BulletDynamics/Character/btKinematicCharacterController.h>
#include <valgrind/callgrind.h>

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
    const float SkinWidth = 0.1f;
    const float FallSpeed = 5.0f;       ///< units a second, as the world makes characters fall
    const float YardHalfSize = 20.0f;
    const float CrowdSpeed = 3.0f;      ///< units a second

    struct Layout
    {
        struct Box { btVector3 centre; btVector3 half; };
        std::vector<Box> statics;
        std::vector<btVector3> crates;
        std::vector<btVector3> characters;    ///< capsule centres
        float radius = Radius;
        float height = Height;
        float speed = CrowdSpeed;           ///< of a crowd walking to the centre
    };

    Layout MakeWanderLayout()
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

    /// Four walls 2 high around the yard, and the characters standing on the ground scattered
    /// over it, none touching another.
    Layout MakeYardLayout()
    {
        Layout layout;
        const float wall = YardHalfSize + 0.5f;
        layout.statics.push_back({btVector3(wall, 1, 0), btVector3(0.5f, 1, wall + 0.5f)});
        layout.statics.push_back({btVector3(-wall, 1, 0), btVector3(0.5f, 1, wall + 0.5f)});
        layout.statics.push_back({btVector3(0, 1, wall), btVector3(wall + 0.5f, 1, 0.5f)});
        layout.statics.push_back({btVector3(0, 1, -wall), btVector3(wall + 0.5f, 1, 0.5f)});
        std::mt19937 random(11);
        std::uniform_real_distribution<float> place(-YardHalfSize + Radius + SkinWidth, YardHalfSize - Radius - SkinWidth);
        while (layout.characters.size() < std::size_t(Characters))
        {
            const btVector3 centre(place(random), SkinWidth + Radius + Height / 2, place(random));
            const bool clear = std::none_of(layout.characters.begin(), layout.characters.end(),
                                            [&centre](const btVector3& other)
                                            { return centre.distance(other) < 2 * (Radius + SkinWidth); });
            if (clear)
                layout.characters.push_back(centre);
        }
        return layout;
    }

    /// Four walls 4 high around a 50 x 50 yard, and the characters on a ring of radius 20, 0.63
    /// apart: neighbours overlap.
    Layout MakeRingLayout()
    {
        Layout layout;
        layout.radius = 0.5f;
        layout.height = 0.8f;
        layout.speed = 2.5f;
        layout.statics.push_back({btVector3(0, 2, 25), btVector3(25, 2, 0.5f)});
        layout.statics.push_back({btVector3(0, 2, -25), btVector3(25, 2, 0.5f)});
        layout.statics.push_back({btVector3(25, 2, 0), btVector3(0.5f, 2, 25)});
        layout.statics.push_back({btVector3(-25, 2, 0), btVector3(0.5f, 2, 25)});
        for (int i = 0; i < Characters; ++i)
        {
            const float angle = 2 * SIMD_PI * i / Characters;
            layout.characters.emplace_back(20 * std::cos(angle), 1, 20 * std::sin(angle));
        }
        return layout;
    }

    /// Each wandering character walks at 3 units a second on a slowly turning heading.
    btVector3 Walk(int character, int frame)
    {
        const float heading = character * 0.7f + frame * FrameTime * 0.5f;
        return btVector3(std::cos(heading), 0, std::sin(heading)) * 3.0f;
    }

    /// A crowd member walks straight at the centre, slowing down so as not to overshoot it.
    btVector3 ToCentre(const btVector3& at, float speed)
    {
        const btVector3 to(-at.x(), 0, -at.z());
        const float distance = to.length();
        if (distance < 1.0e-4f)
            return btVector3(0, 0, 0);
        return to * (std::min(speed, distance / FrameTime) / distance);
    }

    /// How the crowd packed: mean and largest distance of the characters from the centre, and
    /// the deepest overlap of two capsules (how much closer than two radii they are).
    void ReportPacking(benchmark::State& state, const std::vector<btVector3>& centres, float radius)
    {
        double sum = 0;
        float outermost = 0;
        float overlap = 0;
        for (std::size_t i = 0; i < centres.size(); ++i)
        {
            const float distance = btVector3(centres[i].x(), 0, centres[i].z()).length();
            sum += distance;
            outermost = std::max(outermost, distance);
            for (std::size_t j = i + 1; j < centres.size(); ++j)
            {
                const btVector3 apart = centres[i] - centres[j];
                overlap = std::max(overlap, 2 * radius - btVector3(apart.x(), 0, apart.z()).length());
            }
        }
        state.counters["mean_distance"] = sum / centres.size();
        state.counters["max_distance"] = outermost;
        state.counters["max_overlap"] = overlap;
    }

    /// Marks the frames for callgrind (started with --instr-atstart=no), and times them.
    class CountedFrames
    {
    public:
        explicit CountedFrames(benchmark::State& state) : state(state)
        {
            CALLGRIND_START_INSTRUMENTATION;
            start = std::chrono::steady_clock::now();
        }
        ~CountedFrames()
        {
            const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            CALLGRIND_STOP_INSTRUMENTATION;
            state.SetIterationTime(seconds);
            state.counters["ms_per_frame"] = seconds * 1000.0 / Frames;
            state.counters["frames"] = Frames;
        }

    private:
        benchmark::State& state;
        std::chrono::steady_clock::time_point start;
    };

    /// Our scene with a ground plane, the layout's boxes and crates, and a capsule controller
    /// per character.
    struct OurWorld
    {
        explicit OurWorld(const Layout& layout) : layout(layout), manager(Engine::PhysicsAllocator::GetDefault())
        {
            sdk = Engine::PhysicsSdk::Create();
            Engine::SceneDesc sceneDesc;
            sceneDesc.gravity = Ogre::Vector3(0, -9.81f, 0);
            scene = sdk->CreateScene(sceneDesc);
            Engine::ActorDesc ground;
            Engine::ShapeDesc plane;
            plane.type = Engine::ShapeType::PLANE;
            ground.shapes.push_back(plane);
            scene->CreateActor(ground);
            for (const Layout::Box& b : layout.statics)
                Box(b.centre, b.half, false);
            for (const btVector3& c : layout.crates)
                Box(c, btVector3(0.5f, 0.5f, 0.5f), true);
            for (const btVector3& c : layout.characters)
            {
                Engine::CapsuleControllerDesc desc;
                desc.position = Ogre::Vector3(c.x(), c.y(), c.z());
                desc.radius = layout.radius;
                desc.height = layout.height;
                desc.skinWidth = SkinWidth;
                desc.hitReport = &report;
                characters.push_back(Engine::PhysicsCapsuleController::Create(manager, *scene, desc));
            }
        }
        ~OurWorld()
        {
            manager.PurgeControllers();
            sdk->ReleaseScene(*scene);
        }

        void Box(const btVector3& centre, const btVector3& half, bool dynamic)
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
        }

        void Move(int character, const btVector3& velocity)
        {
            unsigned flags = 0;
            characters[character]->Move(Ogre::Vector3(velocity.x(), -FallSpeed, velocity.z()) * FrameTime,
                                        0xFFFFFFFF, 0.0005f, flags, 0.1f);
        }

        btVector3 Position(int character) const
        {
            const Ogre::Vector3 at = characters[character]->GetPosition();
            return btVector3(at.x, at.y, at.z);
        }

        void Step()
        {
            scene->Simulate(FrameTime);
            scene->FetchResults();
        }

        const Layout& layout;
        std::unique_ptr<Engine::PhysicsSdk> sdk;
        Engine::PhysicsScene* scene = nullptr;
        Engine::PhysicsControllerManager manager;
        Engine::SimulationActorHitReport report;
        std::vector<Engine::PhysicsController*> characters;
    };

    /// A plain Bullet world built like OurWorld, with Bullet's kinematic character controllers;
    /// `blocking` makes characters collide with each other, else they pass through.
    struct BulletWorld
    {
        BulletWorld(const Layout& layout, bool blocking)
            : layout(layout), dispatcher(&configuration), world(&dispatcher, &broadphase, &solver, &configuration),
              capsule(layout.radius, layout.height)
        {
            broadphase.getOverlappingPairCache()->setInternalGhostPairCallback(&ghostPairs);
            world.setGravity(btVector3(0, -9.81f, 0));
            AddBody(new btStaticPlaneShape(btVector3(0, 1, 0), 0), btVector3(0, 0, 0), 0);
            for (const Layout::Box& b : layout.statics)
                AddBody(new btBoxShape(b.half), b.centre, 0);
            for (const btVector3& c : layout.crates)
                AddBody(new btBoxShape(btVector3(0.5f, 0.5f, 0.5f)), c, 1.0f);
            const int mask = btBroadphaseProxy::StaticFilter | btBroadphaseProxy::DefaultFilter
                | (blocking ? btBroadphaseProxy::CharacterFilter : 0);
            for (const btVector3& c : layout.characters)
            {
                ghosts.emplace_back(new btPairCachingGhostObject());
                btTransform transform;
                transform.setIdentity();
                transform.setOrigin(c);
                ghosts.back()->setWorldTransform(transform);
                ghosts.back()->setCollisionShape(&capsule);
                ghosts.back()->setCollisionFlags(btCollisionObject::CF_CHARACTER_OBJECT);
                // Bullet takes +x as up unless told otherwise.
                characters.emplace_back(new btKinematicCharacterController(ghosts.back().get(), &capsule, 0.5f,
                                                                           btVector3(0, 1, 0)));
                characters.back()->setMaxSlope(btRadians(30.0f));
                world.addCollisionObject(ghosts.back().get(), btBroadphaseProxy::CharacterFilter, mask);
                world.addAction(characters.back().get());
            }
        }
        ~BulletWorld()
        {
            for (auto& character : characters)
                world.removeAction(character.get());
            for (auto& ghost : ghosts)
                world.removeCollisionObject(ghost.get());
            for (auto& body : bodies)
                world.removeRigidBody(body.get());
        }

        void AddBody(btCollisionShape* shape, const btVector3& centre, float mass)
        {
            shapes.emplace_back(shape);
            btVector3 inertia(0, 0, 0);
            if (mass > 0)
                shape->calculateLocalInertia(mass, inertia);
            btRigidBody::btRigidBodyConstructionInfo info(mass, nullptr, shape, inertia);
            info.m_startWorldTransform.setOrigin(centre);
            bodies.emplace_back(new btRigidBody(info));
            world.addRigidBody(bodies.back().get());
        }

        void Move(int character, const btVector3& velocity) { characters[character]->setWalkDirection(velocity * FrameTime); }

        btVector3 Position(int character) const { return ghosts[character]->getWorldTransform().getOrigin(); }

        void Step() { world.stepSimulation(FrameTime, 8, FrameTime); }

        const Layout& layout;
        btDefaultCollisionConfiguration configuration;
        btCollisionDispatcher dispatcher;
        btDbvtBroadphase broadphase;
        btGhostPairCallback ghostPairs;
        btSequentialImpulseConstraintSolver solver;
        btDiscreteDynamicsWorld world;
        btCapsuleShape capsule;
        std::vector<std::unique_ptr<btCollisionShape>> shapes;
        std::vector<std::unique_ptr<btRigidBody>> bodies;
        std::vector<std::unique_ptr<btPairCachingGhostObject>> ghosts;
        std::vector<std::unique_ptr<btKinematicCharacterController>> characters;
    };

    /// Runs the frames, each character moving at the velocity `velocity(world, character, frame)`.
    template <class World, class Velocity>
    void RunFrames(benchmark::State& state, World& world, Velocity velocity)
    {
        CountedFrames counted(state);
        for (int frame = 0; frame < Frames; ++frame)
        {
            for (int i = 0; i < Characters; ++i)
                world.Move(i, velocity(world, i, frame));
            world.Step();
        }
    }

    template <class World>
    void Wander(benchmark::State& state, World& world)
    {
        RunFrames(state, world, [](const World&, int i, int frame) { return Walk(i, frame); });
    }

    template <class World>
    void Crowd(benchmark::State& state, World& world)
    {
        RunFrames(state, world, [](const World& w, int i, int) { return ToCentre(w.Position(i), w.layout.speed); });
        std::vector<btVector3> centres;
        for (int i = 0; i < Characters; ++i)
            centres.push_back(world.Position(i));
        ReportPacking(state, centres, world.layout.radius);
    }

    /// Adds a scenario run once in a world made from a layout (and the world's own arguments).
    template <class World, class... Arguments>
    void Register(const char* name, Layout (*makeLayout)(), void (*run)(benchmark::State&, World&), Arguments... arguments)
    {
        benchmark::RegisterBenchmark(name, [=](benchmark::State& state)
        {
            const Layout layout = makeLayout();
            for (auto _ : state)
            {
                World world(layout, arguments...);
                run(state, world);
            }
        })->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
    }
}

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    Register<OurWorld>("OurWander", MakeWanderLayout, Wander<OurWorld>);
    Register<BulletWorld>("BulletWander", MakeWanderLayout, Wander<BulletWorld>, false);
    Register<OurWorld>("OurCrowd", MakeYardLayout, Crowd<OurWorld>);
    Register<BulletWorld>("BulletCrowd/passing", MakeYardLayout, Crowd<BulletWorld>, false);
    Register<BulletWorld>("BulletCrowd/blocking", MakeYardLayout, Crowd<BulletWorld>, true);
    Register<OurWorld>("OurRing", MakeRingLayout, Crowd<OurWorld>);
    Register<BulletWorld>("BulletRing/blocking", MakeRingLayout, Crowd<BulletWorld>, true);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
