#pragma once
#include <string>
#include <vector>

#include <boost/shared_ptr.hpp>
#include <OgreSceneNode.h>

#include "engine/logic/Event.h"
#include "engine/logic/IEventListener.h"
#include "engine/physics/Simulation.h"
#include "engine/physics/SimulationEntity.h"
#include "engine/scene/Entity.h"
#include "tests/support/SceneTest.h"

namespace Test
{
    /// A scene and a physics world (the Simulation singleton) for tests of bodies and their
    /// events. Entities made here have no type: their bounds are set by hand.
    class BodyFixture : public SceneTest
    {
    protected:
        void SetUp() override
        {
            SceneTest::SetUp();
            Engine::Simulation::CreateSingleton(new Engine::Simulation);
            world = Engine::Simulation::GetSingleton();
        }

        void TearDown() override
        {
            entities.clear();
            world.reset();
            Engine::Simulation::ReleaseSingleton();
            SceneTest::TearDown();
        }

        /// An entity whose bounds are a box of `size` centred on `centre` (node-local).
        boost::shared_ptr<Engine::Entity> Make(const Ogre::Vector3& position, const Ogre::Vector3& size,
                                               const Ogre::Vector3& centre = Ogre::Vector3::ZERO)
        {
            const boost::shared_ptr<Engine::Entity> entity =
                Engine::Entity::Create(GetScene(), "body" + std::to_string(entities.size()));
            entity->GetSceneNode()->setPosition(position);
            entity->NotifyBoundsAffector(Ogre::AxisAlignedBox(centre - size / 2, centre + size / 2));
            entities.push_back(entity);
            return entity;
        }

        boost::shared_ptr<Engine::SimulationEntity> Body(Engine::Entity& entity,
                                                         Engine::SimulationEntity::Shape shape = Engine::SimulationEntity::BOX,
                                                         bool isStatic = false, double density = 1.0)
        {
            return boost::shared_ptr<Engine::SimulationEntity>(
                new Engine::SimulationEntity(world, entity, shape, density, isStatic ? 1 : 0));
        }

        void Frame(double dt = 1.0 / 60.0)
        {
            world->Update(dt);
            world->WaitForResults();
        }

        boost::shared_ptr<Engine::Simulation> world;
        std::vector<boost::shared_ptr<Engine::Entity>> entities;
    };

    /// Records the events of the queues it listens on.
    struct EventLog : Engine::IEventListener
    {
        struct Record { int type; Engine::Entity* origin; Engine::Entity* target; };
        void OnEvent(int type, boost::shared_ptr<Engine::Event> event) override
        {
            records.push_back({type, event->GetOrigin(), event->GetTarget()});
        }
        int Count(int type) const
        {
            int n = 0;
            for (const Record& record : records)
                n += record.type == type ? 1 : 0;
            return n;
        }
        std::vector<Record> records;
    };
}
