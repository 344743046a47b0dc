#include "engine/core/Application.h"
#include "engine/core/IRuleSystem.h"
#include "engine/scene/Entity.h"
#include "engine/scene/EntityTemplate.h"
#include "engine/scene/Scene.h"
#include "tests/support/GameSettings.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <map>

namespace
{
    // Records every hit; can destroy what it hits, as the game's rules do with the dead.
    struct Rules : Engine::IRuleSystem
    {
        void ApplyDamage(Engine::Entity* entity, int damage, Ogre::Vector3 point, Ogre::Vector3 direction) override
        {
            hits[entity->GetName()] = Hit{damage, point, direction};
            if (destroy)
                entity->Destroy();
        }
        struct Hit
        {
            int damage;
            Ogre::Vector3 point, direction;
        };
        std::map<std::string, Hit> hits;
        bool destroy = false;
    };
}

// Blasts damage every entity strictly inside the sphere through the application's rule system,
// with the same damage for all and the direction from the centre scaled to 100.
TEST(AreaDamage, EntitiesInsideTheSphereReportTheBlastToTheRules)
{
    ::Test::TempDir dir;
    Engine::Application app;
    ASSERT_TRUE(app.Init(::Test::WriteGameSettings(dir), ::Test::ChooseOpenGL(), nullptr, true));
    boost::shared_ptr<Rules> rules(new Rules);
    app.SetRuleSystem(rules);
    boost::shared_ptr<Engine::Scene> scene = Engine::Scene::GetSingleton();
    scene->GetEntityTemplateManager().CreateTemplate("", "Target");

    std::map<std::string, boost::shared_ptr<Engine::Entity>> placed;
    for (const auto& [name, position] : std::map<std::string, Ogre::Vector3>{
             {"centre", Ogre::Vector3(2, 0, 2)}, {"near", Ogre::Vector3(3, 0, 2)},
             {"edge", Ogre::Vector3(6, 0, 2)}, {"far", Ogre::Vector3(20, 0, 2)}})
        placed[name] = scene->CreateEntity("Target", position);
    const auto nameOf = [&](const std::string& which) { return placed[which]->GetName(); };
    scene->Update(0.0f);

    scene->InflictAreaDamage(Ogre::Vector3(2, 0, 2), 0.0f, 30);
    EXPECT_TRUE(rules->hits.empty()); // radius 0 hits nobody, not even at the centre

    scene->InflictAreaDamage(Ogre::Vector3(2, 0, 2), 4.0f, 30);
    ASSERT_EQ(rules->hits.size(), 2u); // the one exactly at the radius is outside
    EXPECT_EQ(rules->hits[nameOf("near")].damage, 30);
    EXPECT_EQ(rules->hits[nameOf("near")].point, Ogre::Vector3(2, 0, 2));
    EXPECT_TRUE(rules->hits[nameOf("near")].direction.positionEquals(Ogre::Vector3(100, 0, 0)));
    EXPECT_EQ(rules->hits[nameOf("centre")].direction, Ogre::Vector3::ZERO);

    // Rules that destroy what they hit, from inside the blast: the entities leave at the next
    // update, and the blast itself finishes safely.
    rules->hits.clear();
    rules->destroy = true;
    const unsigned before = scene->GetEntityCount();
    scene->InflictAreaDamage(Ogre::Vector3(2, 0, 2), 5.0f, 10);
    EXPECT_EQ(rules->hits.size(), 3u);
    EXPECT_EQ(scene->GetEntityCount(), before);
    scene->Update(0.0f);
    EXPECT_EQ(scene->GetEntityCount(), before - 3);
    EXPECT_FALSE(scene->FindEntity(nameOf("near")).lock());
    EXPECT_TRUE(scene->FindEntity(nameOf("far")).lock());
}
