#include "engine/core/Error.h"
#include "engine/core/Exception.h"
#include "engine/core/OgreStreams.h"
#include "engine/core/Singleton.h"
#include "engine/core/UniqueId.h"
#include "tests/support/LogCapture.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <thread>
#include <vector>

TEST(UniqueId, StartsJustAboveTheSmallestIntAndNeverRepeatsAcrossThreads)
{
    EXPECT_EQ(Engine::GenerateUniqueId(), -2147483647);
    EXPECT_EQ(Engine::GenerateUniqueIdString(), "-2147483646");

    std::vector<std::vector<int>> perThread(4);
    std::vector<std::thread> threads;
    for (auto& ids : perThread)
        threads.emplace_back([&ids] {
            for (int i = 0; i < 10000; ++i)
                ids.push_back(Engine::GenerateUniqueId());
        });
    for (auto& t : threads)
        t.join();
    std::set<int> all;
    for (const auto& ids : perThread)
        all.insert(ids.begin(), ids.end());
    EXPECT_EQ(all.size(), 40000u);
    EXPECT_EQ(*all.begin(), -2147483645);
}

TEST(ErrorHelpers, ErrorIsLoggedCriticalAndThrownWithTheSameText)
{
    ::Test::LogCapture log;
    try
    {
        Engine::ThrowError("Engine::Widget::Frob", "Can't find knob");
        FAIL() << "no exception";
    }
    catch (const Engine::Exception& e)
    {
        EXPECT_STREQ(e.what(), "Error in Engine::Widget::Frob(). Can't find knob");
        Engine::Exception copy = e;
        EXPECT_STREQ(copy.what(), e.what());
    }
    EXPECT_TRUE(log.Has("Error in Engine::Widget::Frob(). Can't find knob", Ogre::LML_CRITICAL));

    Engine::LogWarning("Engine::Widget::Frob", "knob is loose");
    EXPECT_TRUE(log.Has("Warning in Engine::Widget::Frob(): knob is loose", Ogre::LML_NORMAL));
}

TEST(ErrorHelpers, ErrorsAreStillThrownWithoutALog)
{
    EXPECT_THROW(Engine::ThrowError("Engine::Widget::Frob", "x"), Engine::Exception);
    Engine::LogWarning("Engine::Widget::Frob", "nobody hears this"); // must not crash
}

namespace
{
    struct Gadget : Engine::Singleton<Gadget>
    {
        explicit Gadget(int v) : value(v) {}
        int value;
    };
}

TEST(Singleton, CreateReplacesGetCopiesReleaseEmpties)
{
    EXPECT_FALSE(Gadget::GetSingleton());
    Gadget::CreateSingleton(new Gadget(1));
    boost::shared_ptr<Gadget> held = Gadget::GetSingleton();
    ASSERT_TRUE(held);
    EXPECT_EQ(held->value, 1);

    Gadget::CreateSingleton(boost::shared_ptr<Gadget>(new Gadget(2)));
    EXPECT_EQ(Gadget::GetSingleton()->value, 2);
    EXPECT_EQ(held->value, 1); // the caller's copy keeps the old instance alive

    Gadget::ReleaseSingleton();
    EXPECT_FALSE(Gadget::GetSingleton());
}

TEST(OgreStreams, ValuesReadAndWriteInDataFileForm)
{
    Ogre::Vector3 v;
    Ogre::Quaternion q;
    Ogre::ColourValue c;
    std::istringstream("1.5 -2 3") >> v;
    std::istringstream("1 0 0 0") >> q;
    std::istringstream("0.25 0.5 0.75 1") >> c;
    EXPECT_EQ(v, Ogre::Vector3(1.5f, -2.f, 3.f));
    EXPECT_EQ(q, Ogre::Quaternion::IDENTITY);
    EXPECT_EQ(c, Ogre::ColourValue(0.25f, 0.5f, 0.75f, 1.f));

    EXPECT_EQ(Engine::ToString(v), "1.5 -2 3");
    EXPECT_EQ(Engine::ToString(q), "1 0 0 0");
    EXPECT_EQ(Engine::ToString(c), "0.25 0.5 0.75 1");

    std::istringstream shortText("1 2");
    shortText >> v;
    EXPECT_TRUE(shortText.fail());
}
