#include "engine/core/Exception.h"
#include "engine/logic/ControllerEC.h"
#include "engine/logic/ControllerManager.h"
#include "engine/scene/Entity.h"
#include "engine/scene/EntityComponentFactory.h"
#include "engine/scene/EntityTemplateManager.h"
#include "engine/scene/Scene.h"
#include "tests/logic/ControllerProbe.h"
#include "tests/support/ErrorOf.h"
#include "tests/support/SceneTest.h"

#include <gtest/gtest.h>

using Engine::ControllerEC;
using Engine::Entity;
using Test::ControllerJournal;
typedef std::vector<std::string> Lines;

namespace
{
    const char* const templates =
        "<Entities>\n"
        "  <Drone><Controller Id='Probe'/></Drone>\n"
        "  <Mute><Controller/></Mute>\n"
        "  <Stranger><Controller Id='Nobody'/></Stranger>\n"
        "</Entities>\n";

    class ControllerECTest : public Test::SceneTest
    {
    protected:
        void SetUp() override
        {
            SceneTest::SetUp();
            ControllerJournal().clear();
            ::Test::ProbesMade() = 0;
            WriteData("controllers.xml", templates);
            GetScene().GetEntityTemplateManager().AddFile("controllers.xml");
            Engine::ControllerManager::CreateSingleton(new Engine::ControllerManager);
            manager = Engine::ControllerManager::GetSingleton();
            ::Test::RegisterProbe(*manager);
        }

        void TearDown() override
        {
            manager.reset();
            Engine::ControllerManager::ReleaseSingleton();
            SceneTest::TearDown();
        }

        boost::shared_ptr<Entity> Make(const std::string& type)
        {
            return Entity::Create(GetScene(), "e" + std::to_string(++count), type, Ogre::Vector3::ZERO);
        }

        static boost::shared_ptr<ControllerEC> Component(const Entity& entity)
        {
            return boost::dynamic_pointer_cast<ControllerEC>(entity.GetComponent("Controller"));
        }

        boost::shared_ptr<Engine::ControllerManager> manager;
        int count = 0;
    };
}

TEST_F(ControllerECTest, EnablingAttachesTheNamedControllerAndDisablingDetachesIt)
{
    EXPECT_TRUE(Engine::EntityComponentFactory::GetSingleton().IsRegistered("Controller"));
    const boost::shared_ptr<Entity> drone = Make("Drone");
    drone->Enable();
    const boost::shared_ptr<ControllerEC> component = Component(*drone);
    ASSERT_TRUE(component);
    EXPECT_EQ(component->GetId(), "Controller");
    const boost::weak_ptr<::Test::ProbeController> probe = ::Test::AsProbe(component->GetController());
    ASSERT_FALSE(probe.expired());  // pending, already reachable
    EXPECT_TRUE(ControllerJournal().empty());

    manager->Update(0.1f);
    EXPECT_EQ(probe.lock()->attachedTo, drone.get());

    drone->Disable();
    EXPECT_EQ(ControllerJournal(), (Lines{"Attach:Probe1", "Update:Probe1", "Detach:Probe1"}));
    EXPECT_TRUE(probe.expired());
    EXPECT_FALSE(component->GetController());

    // Enabled again: a new controller.
    drone->Enable();
    manager->Update(0.1f);
    EXPECT_EQ(ControllerJournal().back(), "Update:Probe2");
}

TEST_F(ControllerECTest, AnEndedControllerIsNotDetachedAgain)
{
    const boost::shared_ptr<Entity> drone = Make("Drone");
    drone->Enable();
    ::Test::AsProbe(Component(*drone)->GetController())->carryOn = false;
    manager->Update(0.1f);
    EXPECT_FALSE(Component(*drone)->GetController());
    drone->Disable();
    EXPECT_EQ(ControllerJournal(), (Lines{"Attach:Probe1", "Update:Probe1", "Detach:Probe1"}));
}

TEST_F(ControllerECTest, LoadingFailuresLeaveTheEntityDisabled)
{
    const boost::shared_ptr<Entity> mute = Make("Mute");
    EXPECT_EQ(::Test::ErrorOf([&] { mute->Enable(); }),
              "Error in Engine::ControllerEC::Load(). Mute component 'Controller' has no attribute named 'Id'.");
    EXPECT_FALSE(mute->IsEnabled());

    const boost::shared_ptr<Entity> stranger = Make("Stranger");
    EXPECT_NE(::Test::ErrorOf([&] { stranger->Enable(); }).find("::Create(). No allocator found for Nobody"),
              std::string::npos);
    EXPECT_FALSE(stranger->IsEnabled());

    // Without a controller manager nothing could ever run the controller: refused.
    Engine::ControllerManager::ReleaseSingleton();
    const boost::shared_ptr<Entity> drone = Make("Drone");
    EXPECT_EQ(::Test::ErrorOf([&] { drone->Enable(); }),
              "Error in Engine::ControllerEC::Load(). No controller manager exists to run controller 'Probe' of Drone");
    EXPECT_FALSE(drone->IsEnabled());
}

TEST_F(ControllerECTest, DisabledLoadingCreatesNoControllersButStillChecksTheId)
{
    ControllerEC::DisableLoading(true);
    const boost::shared_ptr<Entity> drone = Make("Drone");
    drone->Enable();
    ASSERT_TRUE(Component(*drone));
    EXPECT_FALSE(Component(*drone)->GetController());
    manager->Update(0.1f);
    drone->Disable();
    EXPECT_TRUE(ControllerJournal().empty());
    EXPECT_THROW(Make("Mute")->Enable(), Engine::Exception);

    // A controller attached before loading was switched off still ends with its component.
    ControllerEC::DisableLoading(false);
    drone->Enable();
    manager->Update(0.1f);
    ControllerEC::DisableLoading(true);
    drone->Disable();
    ControllerEC::DisableLoading(false);
    EXPECT_EQ(ControllerJournal(), (Lines{"Attach:Probe1", "Update:Probe1", "Detach:Probe1"}));
}

TEST_F(ControllerECTest, AnEntityDestroyedInsideItsOwnControllerEndsItWithoutOnDetach)
{
    boost::shared_ptr<Entity> drone = Make("Drone");
    drone->Enable();
    const boost::weak_ptr<::Test::ProbeController> probe = ::Test::AsProbe(Component(*drone)->GetController());
    manager->Update(0.1f);
    probe.lock()->onUpdate = [&](const boost::shared_ptr<Entity>&) { drone.reset(); };
    manager->Update(0.1f);
    EXPECT_TRUE(probe.expired());
    manager->Update(0.1f);
    EXPECT_EQ(ControllerJournal(), (Lines{"Attach:Probe1", "Update:Probe1", "Update:Probe1"}));
}

TEST_F(ControllerECTest, ShutdownInEitherOrderIsSafe)
{
    // The application's order: the manager goes first, then the scene with its entities.
    {
        const boost::shared_ptr<Entity> drone = Make("Drone");
        drone->Enable();
        manager->Update(0.1f);
        const boost::weak_ptr<::Test::ProbeController> probe = ::Test::AsProbe(Component(*drone)->GetController());
        manager.reset();
        Engine::ControllerManager::ReleaseSingleton();
        EXPECT_TRUE(probe.expired());
        drone->Disable();
    }
    EXPECT_EQ(ControllerJournal(), (Lines{"Attach:Probe1", "Update:Probe1"}));

    // The scene first: its entities are released without OnDetach, and the controllers go
    // with the last reference to their entity.
    ControllerJournal().clear();
    Engine::ControllerManager::CreateSingleton(new Engine::ControllerManager);
    manager = Engine::ControllerManager::GetSingleton();
    ::Test::RegisterProbe(*manager);
    boost::shared_ptr<Entity> drone = Make("Drone");
    drone->Enable();
    manager->Update(0.1f);
    const boost::weak_ptr<::Test::ProbeController> probe = ::Test::AsProbe(Component(*drone)->GetController());
    scene.reset();
    Engine::Scene::ReleaseSingleton();
    EXPECT_FALSE(drone->IsEnabled());
    manager->Update(0.1f);  // a released entity is not run
    drone.reset();
    manager->Update(0.1f);
    EXPECT_EQ(ControllerJournal(), (Lines{"Attach:Probe2", "Update:Probe2"}));
    EXPECT_TRUE(probe.expired());
}
