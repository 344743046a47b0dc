#include "GameTest.h"

#include "game/IEntityCallback.h"
#include "game/IRuleSystemListener.h"
#include "game/PlayerUpgradeHandler.h"
#include "game/RuleSystem.h"

#include "engine/core/Application.h"
#include "engine/scene/Entity.h"
#include "engine/scene/EntityTemplate.h"
#include "engine/scene/Scene.h"

#include <memory>
#include <string>
#include <vector>

namespace
{
    // Everything the rules tell, in one order-preserving record shared by listeners and callbacks.
    struct Journal
    {
        std::vector<std::string> lines;
    };

    class RecordingListener : public IRuleSystemListener
    {
    public:
        RecordingListener(Journal& journal, const std::string& name) : journal(journal), name(name) {}
        void OnEntityKilled(Engine::Entity*) override { journal.lines.push_back(name + " killed"); }
        void OnEntityDamaged(Engine::Entity*, int health) override
        {
            journal.lines.push_back(name + " damaged " + std::to_string(health));
        }

    private:
        Journal& journal;
        std::string name;
    };

    class RecordingCallback : public IEntityCallback
    {
    public:
        explicit RecordingCallback(Journal& journal) : journal(journal) {}
        void OnDamage(Engine::Entity*, int damage, Ogre::Vector3 point, Ogre::Vector3 direction) override
        {
            journal.lines.push_back("OnDamage " + std::to_string(damage) + " at " + std::to_string(point.x) +
                                    " towards " + std::to_string(direction.z));
        }
        void OnDeath(Engine::Entity*, Ogre::Vector3 point, Ogre::Vector3) override
        {
            journal.lines.push_back("OnDeath at " + std::to_string(point.x));
        }

    private:
        Journal& journal;
    };

    class RuleSystemTest : public Test::GameTest
    {
    protected:
        void SetUp() override
        {
            GameTest::SetUp();
            ruleSystem->AddListener(&first);
            ruleSystem->AddListener(&second);
            const boost::shared_ptr<Engine::EntityTemplate> target =
                Engine::Scene::GetSingleton()->GetEntityTemplateManager().CreateTemplate("", "Test.Target");
            target->SetAttribute("NoDisable", true);
            target->SetAttribute("Health", "30");
            target->SetAttribute("MaxHealth", "30");
        }

        boost::shared_ptr<Engine::Entity> Target(bool withCallback)
        {
            const boost::shared_ptr<Engine::Entity> entity =
                Engine::Scene::GetSingleton()->CreateEntity("Test.Target", Ogre::Vector3::ZERO);
            Engine::Scene::GetSingleton()->Update(0.0f);
            if (withCallback)
                entity->userCallback = static_cast<IEntityCallback*>(&callback);
            return entity;
        }

        // Damage as the game deals it: through the entity, which hands it to the rules.
        static void Hit(Engine::Entity& entity, int damage)
        {
            entity.TakeDamage(damage, Ogre::Vector3(2.0f, 0.0f, 0.0f), Ogre::Vector3(0.0f, 0.0f, 3.0f));
        }

        Journal journal;
        RecordingListener first{journal, "first"};
        RecordingListener second{journal, "second"};
        RecordingCallback callback{journal};
    };
}

TEST_F(RuleSystemTest, AHitLowersHealthAndTellsListenersInOrderThenTheEntity)
{
    const boost::shared_ptr<Engine::Entity> target = Target(true);
    Hit(*target, 12);
    EXPECT_EQ(target->GetAttributeInt("Health"), 18);
    EXPECT_EQ(journal.lines, (std::vector<std::string>{
        "first damaged 18", "second damaged 18", "OnDamage 12 at 2.000000 towards 3.000000"}));

    // Nothing at all still counts as a hit; less than nothing heals, past the maximum.
    journal.lines.clear();
    Hit(*target, 0);
    EXPECT_EQ(journal.lines, (std::vector<std::string>{
        "first damaged 18", "second damaged 18", "OnDamage 0 at 2.000000 towards 3.000000"}));
    Hit(*target, -20);
    EXPECT_EQ(target->GetAttributeInt("Health"), 38);
}

TEST_F(RuleSystemTest, AGameListenerThatGoesFirstIsNoLongerTold)
{
    // An arena's upgrade handler goes with its runner, before the rules (the sanitizer build sees
    // a call into it once it is gone).
    auto upgrades = std::make_unique<PlayerUpgradeHandler>();
    upgrades.reset();
    const boost::shared_ptr<Engine::Entity> target = Target(true);
    Hit(*target, 500);
    EXPECT_EQ(journal.lines.size(), 6u);
}

TEST_F(RuleSystemTest, TheKillingBlowClampsAtZeroAndTheEntityDiesOnce)
{
    const boost::shared_ptr<Engine::Entity> target = Target(true);
    Hit(*target, 500);
    EXPECT_EQ(target->GetAttributeInt("Health"), 0);
    EXPECT_EQ(journal.lines, (std::vector<std::string>{
        "first damaged 0", "second damaged 0", "OnDamage 500 at 2.000000 towards 3.000000",
        "first killed", "second killed", "OnDeath at 2.000000"}));

    // The dead are left alone, and the controller decides what becomes of them.
    journal.lines.clear();
    Hit(*target, 5);
    Hit(*target, -5);
    EXPECT_TRUE(journal.lines.empty());
    EXPECT_EQ(target->GetAttributeInt("Health"), 0);
    Engine::Scene::GetSingleton()->Update(0.0f);
    EXPECT_EQ(Engine::Scene::GetSingleton()->GetEntityCount("Test.Target"), 1u);
}

TEST_F(RuleSystemTest, AnEntityWithoutCallbackIsDestroyedWhenItDiesAndOneWithoutHealthIsIgnored)
{
    const boost::shared_ptr<Engine::Entity> target = Target(false);
    Hit(*target, 30);
    EXPECT_EQ(journal.lines, (std::vector<std::string>{
        "first damaged 0", "second damaged 0", "first killed", "second killed"}));
    Engine::Scene::GetSingleton()->Update(0.0f);
    EXPECT_EQ(Engine::Scene::GetSingleton()->GetEntityCount("Test.Target"), 0u);

    Engine::Scene::GetSingleton()->GetEntityTemplateManager().CreateTemplate("", "Test.Scenery")->SetAttribute("NoDisable", true);
    const boost::shared_ptr<Engine::Entity> scenery =
        Engine::Scene::GetSingleton()->CreateEntity("Test.Scenery", Ogre::Vector3::ZERO);
    journal.lines.clear();
    Hit(*scenery, 30);
    EXPECT_TRUE(journal.lines.empty());
    EXPECT_FALSE(scenery->HasAttribute("Health"));
}

TEST_F(RuleSystemTest, TheMultiplierScalesDamageButNotTheExemptTypeAndRunsOutWithItsTime)
{
    ruleSystem->damageMultiplier = 3;
    ruleSystem->multiplierTime = 0.5f;
    ruleSystem->exemptType = "Test.Target";
    const boost::shared_ptr<Engine::Entity> exempt = Target(true);
    Hit(*exempt, 5);
    EXPECT_EQ(exempt->GetAttributeInt("Health"), 25);

    ruleSystem->exemptType = "Character.Player";
    Hit(*exempt, 5);
    EXPECT_EQ(exempt->GetAttributeInt("Health"), 10);
    // The entity hears of the damage dealt, not of the multiplied amount.
    EXPECT_EQ(journal.lines.back(), "OnDamage 5 at 2.000000 towards 3.000000");

    Run(0.4f, 0.1f);
    EXPECT_EQ(ruleSystem->damageMultiplier, 3);
    Run(0.3f, 0.1f);
    EXPECT_EQ(ruleSystem->damageMultiplier, 1);
    EXPECT_EQ(ruleSystem->multiplierTime, 0.0f);
}
