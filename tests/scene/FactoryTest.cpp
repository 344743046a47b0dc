#include "engine/scene/EntityComponentFactory.h"
#include "tests/support/ErrorOf.h"

#include <algorithm>

#include <gtest/gtest.h>

namespace
{
    const std::string factoryClass =
        "Engine::Factory<class Engine::IEntityComponent,class std::basic_string<char,struct "
        "std::char_traits<char>,class std::allocator<char> >,class boost::shared_ptr<class Engine::IEntityComponent> >";

    struct Plain : Engine::IEntityComponent
    {
        explicit Plain(const std::string& id) : id(id) {}
        void Load(Engine::Scene&, Engine::EntityTemplate&) override {}
        void Unload(Engine::Scene&) override {}
        std::string GetId() override { return id; }
        Engine::LoadStatus CheckLoadStatus(Engine::Entity&) override { return Engine::Ready; }
        void Update(float) override {}
        std::string id;
    };
}

TEST(EntityComponentFactory, CreatesRegisteredComponentsAndNamesItselfInErrors)
{
    Engine::EntityComponentFactory& factory = Engine::EntityComponentFactory::GetSingleton();
    EXPECT_EQ(&factory, &Engine::EntityComponentFactory::GetSingleton());
    const std::vector<std::string> before = factory.GetRegisteredIdentifiers();

    factory.Register("Zz", [] { return boost::shared_ptr<Engine::IEntityComponent>(new Plain("Zz")); });
    factory.Register("Aa", [] { return boost::shared_ptr<Engine::IEntityComponent>(new Plain("Aa")); });
    EXPECT_TRUE(factory.IsRegistered("Aa"));
    const boost::shared_ptr<Engine::IEntityComponent> made = factory.Create("Zz");
    ASSERT_TRUE(made);
    EXPECT_EQ("Zz", made->GetId());
    EXPECT_NE(made, factory.Create("Zz"));  // a new one each time
    EXPECT_FALSE(made->IsAffector());
    EXPECT_EQ(nullptr, made->GetOwner());

    std::vector<std::string> keys = factory.GetRegisteredIdentifiers();
    EXPECT_TRUE(std::is_sorted(keys.begin(), keys.end()));
    EXPECT_EQ(before.size() + 2, keys.size());

    EXPECT_EQ("Error in " + factoryClass + "::Register(). Product id is not unique",
              ::Test::ErrorOf([&] { factory.Register("Aa", [] { return boost::shared_ptr<Engine::IEntityComponent>(); }); }));
    factory.Unregister("Aa");
    EXPECT_FALSE(factory.IsRegistered("Aa"));
    EXPECT_EQ("Error in " + factoryClass + "::Unregister(). Can't find the specified allocator",
              ::Test::ErrorOf([&] { factory.Unregister("Aa"); }));
    EXPECT_EQ("Error in " + factoryClass + "::Create(). No allocator found for Aa",
              ::Test::ErrorOf([&] { factory.Create("Aa"); }));
}
