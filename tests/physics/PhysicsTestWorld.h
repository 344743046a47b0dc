#pragma once
#include <functional>
#include <memory>
#include <vector>

#include "engine/physics/sdk/PhysicsActor.h"
#include "engine/physics/sdk/PhysicsReports.h"
#include "engine/physics/sdk/PhysicsScene.h"
#include "engine/physics/sdk/PhysicsSdk.h"
#include "engine/physics/sdk/PhysicsShape.h"

namespace Test
{
    /// Records every report a scene delivers.
    struct ReportLog : Engine::IContactReport, Engine::ITriggerReport, Engine::IPhysicsNotify
    {
        struct Contact { Engine::PhysicsActor* a; Engine::PhysicsActor* b; unsigned events; };
        struct Trigger { Engine::PhysicsShape* trigger; Engine::PhysicsShape* other; unsigned status; };

        void OnContactNotify(Engine::PhysicsActor& a, Engine::PhysicsActor& b, unsigned events) override
        {
            contacts.push_back({&a, &b, events});
            if (onContact)
                onContact(a, b);
        }
        void OnTrigger(Engine::PhysicsShape& trigger, Engine::PhysicsShape& other, unsigned status) override
        {
            triggers.push_back({&trigger, &other, status});
        }
        bool OnJointBreak(float, Engine::PhysicsJoint&) override { ++breaks; return releaseBrokenJoints; }
        void OnWake(Engine::PhysicsActor**, unsigned count) override { woken += count; }
        void OnSleep(Engine::PhysicsActor**, unsigned count) override { slept += count; }

        int Count(unsigned events) const
        {
            int n = 0;
            for (const Contact& c : contacts)
                n += (c.events & events) ? 1 : 0;
            return n;
        }

        std::vector<Contact> contacts;
        std::vector<Trigger> triggers;
        int breaks = 0;
        bool releaseBrokenJoints = true;
        unsigned woken = 0, slept = 0;
        std::function<void (Engine::PhysicsActor&, Engine::PhysicsActor&)> onContact;
    };

    /// An SDK with one scene (gravity -9.81, reports into `log`) and helpers to fill it.
    struct PhysicsTestWorld
    {
        PhysicsTestWorld()
        {
            sdk = Engine::PhysicsSdk::Create();
            Engine::SceneDesc desc;
            desc.gravity = Ogre::Vector3(0, -9.81f, 0);
            desc.contactReport = &log;
            desc.triggerReport = &log;
            desc.notify = &log;
            scene = sdk->CreateScene(desc);
        }

        Engine::PhysicsActor* Plane()
        {
            Engine::ActorDesc desc;
            Engine::ShapeDesc plane;
            plane.type = Engine::ShapeType::PLANE;
            desc.shapes.push_back(plane);
            return scene->CreateActor(desc);
        }

        Engine::PhysicsActor* Box(const Ogre::Vector3& position, const Ogre::Vector3& halfExtents = Ogre::Vector3(0.5f),
                                  bool dynamic = true, unsigned shapeFlags = Engine::ShapeFlag::VISUALIZATION)
        {
            Engine::ActorDesc desc;
            desc.globalPose.position = position;
            Engine::ShapeDesc box;
            box.dimensions = halfExtents;
            box.flags = shapeFlags;
            desc.shapes.push_back(box);
            Engine::BodyDesc body;
            if (dynamic)
                desc.body = &body;
            desc.density = 1.0f;
            return scene->CreateActor(desc);
        }

        Engine::PhysicsActor* Sphere(const Ogre::Vector3& position, float radius, bool dynamic = true)
        {
            Engine::ActorDesc desc;
            desc.globalPose.position = position;
            Engine::ShapeDesc sphere;
            sphere.type = Engine::ShapeType::SPHERE;
            sphere.radius = radius;
            desc.shapes.push_back(sphere);
            Engine::BodyDesc body;
            if (dynamic)
                desc.body = &body;
            desc.density = 1.0f;
            return scene->CreateActor(desc);
        }

        void Frame(float dt = 1.0f / 60.0f)
        {
            scene->Simulate(dt);
            scene->FetchResults();
        }

        void Frames(int count, float dt = 1.0f / 60.0f)
        {
            for (int i = 0; i < count; ++i)
                Frame(dt);
        }

        ReportLog log;
        std::unique_ptr<Engine::PhysicsSdk> sdk;
        Engine::PhysicsScene* scene = nullptr;
    };
}
