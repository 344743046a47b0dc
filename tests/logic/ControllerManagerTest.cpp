#include "engine/logic/ControllerManager.h"
#include "engine/scene/Entity.h"
#include "engine/scene/EntityTemplateManager.h"
#include "engine/scene/Scene.h"
#include "tests/logic/ControllerProbe.h"
#include "tests/support/ErrorOf.h"
#include "tests/support/LogCapture.h"
#include "tests/support/SceneTest.h"

#include <stdexcept>

#include <gtest/gtest.h>

using Engine::Entity;
using Test::ControllerJournal;
using Test::ProbeController;
typedef std::vector<std::string> Lines;

namespace
{
    const std::string factoryClass =
        "Engine::Factory<class Engine::IController,class std::basic_string<char,struct "
        "std::char_traits<char>,class std::allocator<char> >,class boost::shared_ptr<class Engine::IController> >";

    const char* const expiredWarning =
        "Warning in Engine::ControllerManager::Update(): Controller entity weak_ptr expired before the "
        "controller was created!";

    // A scene with enabled entities of an empty template, and a controller manager whose type
    // "Named" makes probes named by `nextName`.
    class ControllerManagerTest : public Test::SceneTest
    {
    protected:
        void SetUp() override
        {
            SceneTest::SetUp();
            ControllerJournal().clear();
            GetScene().GetEntityTemplateManager().CreateTemplate("", "Walker");
            manager.reset(new Engine::ControllerManager);
            manager->RegisterController("Named", [this] {
                return boost::shared_ptr<Engine::IController>(new ProbeController(nextName));
            });
        }

        void TearDown() override
        {
            manager.reset();
            SceneTest::TearDown();
        }

        boost::shared_ptr<Entity> Make()
        {
            const boost::shared_ptr<Entity> entity =
                Entity::Create(GetScene(), "e" + std::to_string(++count), "Walker", Ogre::Vector3::ZERO);
            entity->Enable();
            return entity;
        }

        boost::weak_ptr<ProbeController> Attach(const std::string& name, const boost::shared_ptr<Entity>& entity)
        {
            nextName = name;
            return ::Test::AsProbe(manager->AttachController("Named", entity));
        }

        boost::shared_ptr<Engine::ControllerManager> manager;
        std::string nextName;
        int count = 0;
    };
}

TEST_F(ControllerManagerTest, AttachesOnTheNextUpdateAndRunsInAttachOrderUntilAControllerEnds)
{
    const boost::shared_ptr<Entity> first = Make(), second = Make();
    const boost::weak_ptr<ProbeController> a = Attach("A", first);
    const boost::weak_ptr<ProbeController> b = Attach("B", second);
    EXPECT_TRUE(ControllerJournal().empty());  // attachment waits for the update
    ASSERT_FALSE(a.expired());                 // the manager holds it meanwhile

    manager->Update(0.25f);
    EXPECT_EQ(ControllerJournal(), (Lines{"Attach:A", "Attach:B", "Update:A", "Update:B"}));
    EXPECT_EQ(a.lock()->attachedTo, first.get());
    EXPECT_EQ(b.lock()->attachedTo, second.get());
    EXPECT_FLOAT_EQ(a.lock()->lastDt, 0.25f);

    // A returns false: it is detached in the same update and never runs again.
    a.lock()->carryOn = false;
    ControllerJournal().clear();
    manager->Update(0.5f);
    manager->Update(0.5f);
    EXPECT_EQ(ControllerJournal(), (Lines{"Update:A", "Detach:A", "Update:B", "Update:B"}));
    EXPECT_TRUE(a.expired());  // the manager held the only strong reference
    EXPECT_EQ(b.lock()->updates, 3);
}

TEST_F(ControllerManagerTest, DetachingKeepsTheOrderOfTheOthersAndMatchesControllerAndEntity)
{
    const boost::shared_ptr<Entity> one = Make(), two = Make();
    Attach("A", one);
    const boost::weak_ptr<ProbeController> b = Attach("B", two);
    Attach("C", one);
    Attach("D", two);
    manager->Update(0.1f);
    ControllerJournal().clear();

    manager->DetachController(b.lock(), one.get());  // B runs on `two`, not `one`: nothing
    manager->DetachController(boost::shared_ptr<Engine::IController>(), one.get());
    EXPECT_TRUE(ControllerJournal().empty());
    manager->DetachController(b.lock(), two.get());
    EXPECT_EQ(ControllerJournal(), (Lines{"Detach:B"}));  // at once, not at the next update
    EXPECT_TRUE(b.expired());

    manager->Update(0.1f);
    EXPECT_EQ(ControllerJournal(), (Lines{"Detach:B", "Update:A", "Update:C", "Update:D"}));

    ControllerJournal().clear();
    manager->DetachControllers(one.get());
    manager->DetachControllers(one.get());  // a second time finds nothing
    manager->DetachControllers(nullptr);
    manager->Update(0.1f);
    EXPECT_EQ(ControllerJournal(), (Lines{"Detach:A", "Detach:C", "Update:D"}));
}

TEST_F(ControllerManagerTest, ADisabledEntityKeepsItsControllerWhichResumesWhenEnabled)
{
    const boost::shared_ptr<Entity> sleeper = Make(), other = Make();
    const boost::weak_ptr<ProbeController> a = Attach("A", sleeper);
    Attach("B", other);
    manager->Update(0.1f);
    sleeper->Disable();
    manager->Update(0.1f);
    manager->Update(0.1f);
    sleeper->Enable();
    manager->Update(0.1f);
    EXPECT_EQ(ControllerJournal(),
              (Lines{"Attach:A", "Attach:B", "Update:A", "Update:B", "Update:B", "Update:B", "Update:A", "Update:B"}));
    EXPECT_FALSE(a.expired());

    // Attached while disabled: OnAttach now, updates once enabled.
    ControllerJournal().clear();
    sleeper->Disable();
    Attach("C", sleeper);
    manager->Update(0.1f);
    EXPECT_EQ(ControllerJournal(), (Lines{"Attach:C", "Update:B"}));
}

TEST_F(ControllerManagerTest, PendingControllersAreNotDetachedAndExpiredEntitiesGetNoCalls)
{
    boost::shared_ptr<Entity> doomed = Make();
    const boost::shared_ptr<Entity> kept = Make();
    const boost::weak_ptr<ProbeController> a = Attach("A", doomed);
    const boost::weak_ptr<ProbeController> b = Attach("B", kept);

    // Still pending: neither detach finds it.
    manager->DetachController(b.lock(), kept.get());
    manager->DetachControllers(kept.get());
    EXPECT_TRUE(ControllerJournal().empty());

    // The entity dies before its controller is attached: a warning, no OnAttach.
    doomed.reset();
    ::Test::LogCapture log;
    manager->Update(0.1f);
    EXPECT_TRUE(log.Has(expiredWarning, Ogre::LML_NORMAL));
    EXPECT_EQ(ControllerJournal(), (Lines{"Attach:B", "Update:B"}));
    EXPECT_TRUE(a.expired());

    // A controller whose entity was already gone when it was attached.
    Attach("C", boost::shared_ptr<Entity>());
    log.Clear();
    manager->Update(0.1f);
    EXPECT_EQ(log.Count("weak_ptr expired before the controller was created"), 1);

    // An attached controller whose entity goes is dropped without OnDetach.
    boost::shared_ptr<Entity> later = Make();
    const boost::weak_ptr<ProbeController> d = Attach("D", later);
    manager->Update(0.1f);
    later.reset();
    ControllerJournal().clear();
    manager->Update(0.1f);
    EXPECT_EQ(ControllerJournal(), (Lines{"Update:B"}));
    EXPECT_TRUE(d.expired());
}

TEST_F(ControllerManagerTest, FactoryErrorsNameTheControllerFactory)
{
    ::Test::RegisterProbe(*manager);
    EXPECT_EQ("Error in " + factoryClass + "::Register(). Product id is not unique",
              ::Test::ErrorOf([&] { ::Test::RegisterProbe(*manager); }));
    EXPECT_EQ("Error in " + factoryClass + "::Create(). No allocator found for Ghost",
              ::Test::ErrorOf([&] { manager->AttachController("Ghost", Make()); }));
    manager->UnregisterController("Probe");
    EXPECT_EQ("Error in " + factoryClass + "::Unregister(). Can't find the specified allocator",
              ::Test::ErrorOf([&] { manager->UnregisterController("Probe"); }));
    EXPECT_EQ("Error in " + factoryClass + "::Create(). No allocator found for Probe",
              ::Test::ErrorOf([&] { manager->AttachController("Probe", Make()); }));

    // A creator that makes nothing is refused at once instead of failing in a later update.
    manager->RegisterController("Empty", [] { return boost::shared_ptr<Engine::IController>(); });
    EXPECT_EQ("Error in Engine::ControllerManager::AttachController(). The creator registered for 'Empty' made no controller",
              ::Test::ErrorOf([&] { manager->AttachController("Empty", Make()); }));
    manager->Update(0.1f);
    EXPECT_TRUE(ControllerJournal().empty());
}

TEST_F(ControllerManagerTest, ControllersAttachedFromInsideAControllerRunFromTheNextUpdate)
{
    const boost::shared_ptr<Entity> entity = Make();
    const boost::weak_ptr<ProbeController> a = Attach("A", entity);
    a.lock()->onAttach = [&](const boost::shared_ptr<Entity>& self) { Attach("FromAttach", self); };
    a.lock()->onUpdate = [&](const boost::shared_ptr<Entity>& self) {
        if (a.lock()->updates == 1)
            Attach("FromUpdate", self);
    };
    manager->Update(0.1f);
    EXPECT_EQ(ControllerJournal(), (Lines{"Attach:A", "Update:A"}));

    ControllerJournal().clear();
    manager->Update(0.1f);
    EXPECT_EQ(ControllerJournal(), (Lines{"Attach:FromAttach", "Attach:FromUpdate", "Update:A", "Update:FromAttach",
                                          "Update:FromUpdate"}));
}

TEST_F(ControllerManagerTest, DetachingFromInsideAControllerCallsOnDetachOnce)
{
    const boost::shared_ptr<Entity> one = Make(), two = Make();
    const boost::weak_ptr<ProbeController> a = Attach("A", one);
    const boost::weak_ptr<ProbeController> b = Attach("B", two);
    const boost::weak_ptr<ProbeController> c = Attach("C", two);
    const boost::weak_ptr<ProbeController> d = Attach("D", one);
    manager->Update(0.1f);
    ControllerJournal().clear();

    // A ends B and C (later in the walk) and then itself, from its update; its OnDetach and
    // B's OnDetach try again; D ends itself from its update and returns false.
    a.lock()->onUpdate = [&](const boost::shared_ptr<Entity>& self) {
        manager->DetachControllers(two.get());
        manager->DetachController(a.lock(), self.get());
    };
    a.lock()->carryOn = false;
    a.lock()->onDetach = [&](const boost::shared_ptr<Entity>& self) { manager->DetachControllers(self.get()); };
    b.lock()->onDetach = [&](const boost::shared_ptr<Entity>& self) { manager->DetachControllers(self.get()); };
    d.lock()->onUpdate = [&](const boost::shared_ptr<Entity>& self) {
        manager->DetachController(d.lock(), self.get());
    };
    d.lock()->carryOn = false;
    manager->Update(0.1f);
    // A's OnDetach ends D too (same entity), so D is not updated at all.
    EXPECT_EQ(ControllerJournal(), (Lines{"Update:A", "Detach:B", "Detach:C", "Detach:A", "Detach:D"}));
    EXPECT_TRUE(a.expired() && b.expired() && c.expired() && d.expired());

    ControllerJournal().clear();
    manager->Update(0.1f);
    EXPECT_TRUE(ControllerJournal().empty());
}

TEST_F(ControllerManagerTest, AControllerEndingItselfInItsUpdateIsDetachedOnce)
{
    const boost::shared_ptr<Entity> entity = Make();
    const boost::weak_ptr<ProbeController> a = Attach("A", entity);
    const boost::weak_ptr<ProbeController> b = Attach("B", entity);
    manager->Update(0.1f);
    ControllerJournal().clear();
    a.lock()->onUpdate = [&](const boost::shared_ptr<Entity>& self) {
        manager->DetachController(a.lock(), self.get());
    };
    a.lock()->carryOn = false;
    manager->Update(0.1f);
    manager->Update(0.1f);
    EXPECT_EQ(ControllerJournal(), (Lines{"Update:A", "Detach:A", "Update:B", "Update:B"}));
}

TEST_F(ControllerManagerTest, AnUpdateFromInsideAControllerIsRefused)
{
    const boost::shared_ptr<Entity> entity = Make();
    const boost::weak_ptr<ProbeController> a = Attach("A", entity);
    Attach("B", entity);
    a.lock()->onUpdate = [&](const boost::shared_ptr<Entity>&) { manager->Update(0.1f); };
    ::Test::LogCapture log;
    manager->Update(0.1f);
    EXPECT_EQ(ControllerJournal(), (Lines{"Attach:A", "Attach:B", "Update:A", "Update:B"}));
    EXPECT_TRUE(log.Has("Warning in Engine::ControllerManager::Update(): Called from inside a controller; ignored",
                        Ogre::LML_NORMAL));
}

TEST_F(ControllerManagerTest, EntitiesDestroyedDuringAnUpdateGetNoFurtherCalls)
{
    boost::shared_ptr<Entity> self = Make();
    boost::shared_ptr<Entity> victim = Make();
    const boost::shared_ptr<Entity> bystander = Make();
    const boost::weak_ptr<ProbeController> killer = Attach("Killer", self);
    const boost::weak_ptr<ProbeController> target = Attach("Target", victim);
    Attach("Bystander", bystander);
    manager->Update(0.1f);
    ControllerJournal().clear();

    // The killer drops the last reference to the victim (later in the walk) and to its own
    // entity, and ends: its OnDetach still gets its entity alive; the victim's controller
    // gets nothing.
    Entity* seenInDetach = nullptr;
    killer.lock()->onUpdate = [&](const boost::shared_ptr<Entity>&) {
        victim.reset();
        self.reset();
    };
    killer.lock()->carryOn = false;
    killer.lock()->onDetach = [&](const boost::shared_ptr<Entity>& entity) {
        seenInDetach = entity.get();
        EXPECT_EQ(entity->GetType(), "Walker");
    };
    manager->Update(0.1f);
    EXPECT_NE(seenInDetach, nullptr);
    EXPECT_EQ(ControllerJournal(), (Lines{"Update:Killer", "Detach:Killer", "Update:Bystander"}));
    EXPECT_TRUE(killer.expired());
    EXPECT_TRUE(target.expired());
}

TEST_F(ControllerManagerTest, AControllerThatThrowsLeavesTheOthersInPlace)
{
    const boost::shared_ptr<Entity> entity = Make();
    const boost::weak_ptr<ProbeController> a = Attach("A", entity);
    const boost::weak_ptr<ProbeController> b = Attach("B", entity);
    const boost::weak_ptr<ProbeController> c = Attach("C", entity);
    b.lock()->onAttach = [](const boost::shared_ptr<Entity>&) { throw std::runtime_error("B refuses"); };
    EXPECT_THROW(manager->Update(0.1f), std::runtime_error);
    EXPECT_EQ(ControllerJournal(), (Lines{"Attach:A", "Attach:B"}));
    EXPECT_TRUE(b.expired());  // never attached: dropped

    // C kept its turn and attaches now; A's failing update propagates and stops the walk,
    // but A stays attached.
    ControllerJournal().clear();
    bool fail = true;
    a.lock()->onUpdate = [&](const boost::shared_ptr<Entity>&) {
        if (fail)
            throw std::runtime_error("A stumbles");
    };
    EXPECT_THROW(manager->Update(0.1f), std::runtime_error);
    EXPECT_EQ(ControllerJournal(), (Lines{"Attach:C", "Update:A"}));

    fail = false;
    ControllerJournal().clear();
    manager->Update(0.1f);
    EXPECT_EQ(ControllerJournal(), (Lines{"Update:A", "Update:C"}));
}

TEST_F(ControllerManagerTest, ControllersAreReleasedWithTheManagerWithoutOnDetach)
{
    const boost::shared_ptr<Entity> entity = Make();
    const boost::weak_ptr<ProbeController> active = Attach("A", entity);
    manager->Update(0.1f);
    const boost::weak_ptr<ProbeController> waiting = Attach("B", entity);
    manager.reset();
    EXPECT_TRUE(active.expired());
    EXPECT_TRUE(waiting.expired());
    EXPECT_EQ(ControllerJournal(), (Lines{"Attach:A", "Update:A"}));
}
