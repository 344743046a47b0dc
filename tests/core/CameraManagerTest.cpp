#include "engine/core/CameraManager.h"
#include "engine/core/Exception.h"
#include "tests/support/LogCapture.h"

#include <gtest/gtest.h>

using Engine::CameraManager;

namespace
{
    // Only the pointers matter to the manager: it never touches the cameras.
    Ogre::Camera* FakeCamera(int n) { return reinterpret_cast<Ogre::Camera*>(static_cast<std::uintptr_t>(0x1000 * n)); }
}

TEST(CameraManager, IdsComeFromOneProcessWideCounterAndAreNeverReused)
{
    CameraManager::CreateSingleton(new CameraManager);
    boost::shared_ptr<CameraManager> cameras = CameraManager::GetSingleton();
    EXPECT_EQ(cameras->AddCamera(FakeCamera(1)), 0);
    EXPECT_EQ(cameras->AddCamera(FakeCamera(2)), 1);
    cameras->RemoveCamera(0);
    EXPECT_EQ(cameras->AddCamera(FakeCamera(3)), 2);
    EXPECT_EQ(cameras->GetCameraCount(), 2u);
    EXPECT_EQ(cameras->GetCameraByIndex(0), FakeCamera(2));
    EXPECT_EQ(cameras->GetCameraByIndex(1), FakeCamera(3));
    EXPECT_EQ(cameras->GetCameraByIndex(2), nullptr);

    // A new manager keeps counting where the last one stopped.
    CameraManager::ReleaseSingleton();
    CameraManager::CreateSingleton(new CameraManager);
    EXPECT_EQ(CameraManager::GetSingleton()->AddCamera(FakeCamera(4)), 3);
}

TEST(CameraManager, LookupsAndRemovalOfUnknownIds)
{
    ::Test::LogCapture log;
    CameraManager cameras;
    EXPECT_EQ(cameras.GetCamera(0), nullptr);
    const char* expected = "Error in Engine::CameraManager::RemoveCamera(). Can't find camera";
    try
    {
        cameras.RemoveCamera(0);
        FAIL() << "no error";
    }
    catch (const Engine::Exception& e)
    {
        EXPECT_STREQ(e.what(), expected);
    }
    EXPECT_TRUE(log.Has(expected, Ogre::LML_CRITICAL));

    // One camera twice: two ids, and removing one leaves the other.
    const int first = cameras.AddCamera(FakeCamera(7));
    const int second = cameras.AddCamera(FakeCamera(7));
    EXPECT_NE(first, second);
    cameras.RemoveCamera(first);
    EXPECT_EQ(cameras.GetCameraCount(), 1u);
    EXPECT_EQ(cameras.GetCamera(second), FakeCamera(7));
    EXPECT_EQ(cameras.GetCamera(first), nullptr);
}
