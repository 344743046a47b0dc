// The physics world under load: a pile of 1,000 boxes stepped through Simulation and through
// a plain Bullet world built the same way, the step overlapped with main-thread work, and
// ray casts against the settled pile.
#include <chrono>
#include <memory>
#include <random>
#include <vector>

#include <benchmark/benchmark.h>
#include <btBulletDynamicsCommon.h>

#include "engine/physics/Simulation.h"
#include "engine/physics/sdk/PhysicsActor.h"
#include "engine/physics/sdk/PhysicsScene.h"

namespace
{
    const int Boxes = 1000;
    const int Frames = 600;
    const double FrameTime = 1.0 / 60.0;

    /// Box centres of the pile: 10 x 10 columns, 10 layers, slightly staggered so it tumbles.
    std::vector<btVector3> PilePositions()
    {
        std::vector<btVector3> positions;
        for (int i = 0; i < Boxes; ++i)
        {
            const int layer = i / 100, row = (i / 10) % 10, column = i % 10;
            const float stagger = (layer % 2) * 0.3f;
            positions.emplace_back(1.05f * column + stagger, 0.5f + 1.1f * layer, 1.05f * row + stagger);
        }
        return positions;
    }

    std::unique_ptr<Engine::Simulation> BuildPile()
    {
        std::unique_ptr<Engine::Simulation> world(new Engine::Simulation());
        world->EnableGroundPlane(true);
        for (const btVector3& p : PilePositions())
        {
            Engine::ActorDesc desc;
            desc.globalPose.position = Ogre::Vector3(p.x(), p.y(), p.z());
            Engine::ShapeDesc box;
            box.dimensions = Ogre::Vector3(0.5f);
            desc.shapes.push_back(box);
            Engine::BodyDesc body;
            desc.body = &body;
            desc.density = 1.0f;
            world->GetNxScene()->CreateActor(desc);
        }
        return world;
    }

    void BusyFor(std::chrono::microseconds span)
    {
        const auto end = std::chrono::steady_clock::now() + span;
        while (std::chrono::steady_clock::now() < end)
        {
        }
    }

    void BM_PileSimulation(benchmark::State& state)
    {
        for (auto _ : state)
        {
            state.PauseTiming();
            std::unique_ptr<Engine::Simulation> world = BuildPile();
            state.ResumeTiming();
            for (int frame = 0; frame < Frames; ++frame)
            {
                world->Update(FrameTime);
                world->WaitForResults();
            }
            state.PauseTiming();
            world.reset();
            state.ResumeTiming();
        }
    }
    BENCHMARK(BM_PileSimulation)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

    /// The same pile in a plain Bullet world: same shapes, material and damping, same sub-step.
    void BM_PileRawBullet(benchmark::State& state)
    {
        for (auto _ : state)
        {
            state.PauseTiming();
            btDefaultCollisionConfiguration configuration;
            btCollisionDispatcher dispatcher(&configuration);
            btDbvtBroadphase broadphase;
            btSequentialImpulseConstraintSolver solver;
            btDiscreteDynamicsWorld world(&dispatcher, &broadphase, &solver, &configuration);
            world.setGravity(btVector3(0, -9.81f, 0));
            const float friction = std::sqrt(0.5f), restitution = std::sqrt(0.5f);
            btStaticPlaneShape planeShape(btVector3(0, 1, 0), 0);
            btRigidBody plane(btRigidBody::btRigidBodyConstructionInfo(0, nullptr, &planeShape));
            plane.setFriction(friction);
            plane.setRestitution(restitution);
            world.addRigidBody(&plane);
            std::vector<std::unique_ptr<btBoxShape>> shapes;
            std::vector<std::unique_ptr<btRigidBody>> bodies;
            for (const btVector3& p : PilePositions())
            {
                shapes.emplace_back(new btBoxShape(btVector3(0.5f, 0.5f, 0.5f)));
                btVector3 inertia;
                shapes.back()->calculateLocalInertia(1.0f, inertia);
                bodies.emplace_back(new btRigidBody(btRigidBody::btRigidBodyConstructionInfo(1.0f, nullptr, shapes.back().get(), inertia)));
                bodies.back()->setWorldTransform(btTransform(btQuaternion::getIdentity(), p));
                bodies.back()->setFriction(friction);
                bodies.back()->setRestitution(restitution);
                bodies.back()->setDamping(0.0f, 1.0f - std::exp(-0.05f));
                world.addRigidBody(bodies.back().get());
            }
            state.ResumeTiming();
            for (int frame = 0; frame < Frames; ++frame)
                world.stepSimulation(static_cast<btScalar>(FrameTime), 8, 1.0f / 60.0f);
            state.PauseTiming();
            for (auto& body : bodies)
                world.removeRigidBody(body.get());
            world.removeRigidBody(&plane);
            state.ResumeTiming();
        }
    }
    BENCHMARK(BM_PileRawBullet)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

    /// 8 ms of main-thread work between Update and WaitForResults: the frame should take about
    /// the longer of the two. Reports the share of the step hidden behind the work.
    void BM_PileOverlappedWithMainThreadWork(benchmark::State& state)
    {
        double stepSeconds = 0.0, waitSeconds = 0.0, frameSeconds = 0.0;
        long frames = 0;
        for (auto _ : state)
        {
            state.PauseTiming();
            std::unique_ptr<Engine::Simulation> world = BuildPile();
            state.ResumeTiming();
            for (int frame = 0; frame < Frames; ++frame)
            {
                const auto start = std::chrono::steady_clock::now();
                world->Update(FrameTime);
                BusyFor(std::chrono::microseconds(8000));
                const auto waiting = std::chrono::steady_clock::now();
                world->WaitForResults();
                const auto end = std::chrono::steady_clock::now();
                stepSeconds += world->GetNxScene()->GetLastStepDuration();
                waitSeconds += std::chrono::duration<double>(end - waiting).count();
                frameSeconds += std::chrono::duration<double>(end - start).count();
                ++frames;
            }
            state.PauseTiming();
            world.reset();
            state.ResumeTiming();
        }
        state.counters["frame_ms"] = frameSeconds / frames * 1e3;
        state.counters["step_ms"] = stepSeconds / frames * 1e3;
        state.counters["exposed_wait_ms"] = waitSeconds / frames * 1e3;
        state.counters["hidden_share"] = stepSeconds > 0 ? 1.0 - waitSeconds / stepSeconds : 1.0;
    }
    BENCHMARK(BM_PileOverlappedWithMainThreadWork)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

    /// 10,000 downward rays per frame at random points over the settled pile.
    void BM_RaycastsAgainstPile(benchmark::State& state)
    {
        std::unique_ptr<Engine::Simulation> world = BuildPile();
        for (int frame = 0; frame < 300; ++frame)
        {
            world->Update(FrameTime);
            world->WaitForResults();
        }
        std::mt19937 random(7);
        std::uniform_real_distribution<float> spread(-2.0f, 12.0f);
        std::vector<Ogre::Ray> rays;
        for (int i = 0; i < 10000; ++i)
            rays.emplace_back(Ogre::Vector3(spread(random), 30.0f, spread(random)), Ogre::Vector3::NEGATIVE_UNIT_Y);
        long hits = 0;
        for (auto _ : state)
        {
            for (const Ogre::Ray& ray : rays)
            {
                Ogre::Vector3 point;
                hits += world->RaycastPosition(ray, point, 100.0f) ? 1 : 0;
            }
        }
        benchmark::DoNotOptimize(hits);
        state.SetItemsProcessed(state.iterations() * static_cast<long>(rays.size()));
        state.counters["casts_per_frame"] = static_cast<double>(rays.size());
    }
    BENCHMARK(BM_RaycastsAgainstPile)->Unit(benchmark::kMillisecond)->UseRealTime();
}

BENCHMARK_MAIN();
