// Ids, failures and the singleton: what a game relies on when it loads its sound table.
#include "engine/core/Exception.h"
#include "engine/sound/SoundSystem.h"
#include "tests/sound/ToneFile.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TempDir.h"

#include <functional>

#include "tests/support/ErrorOf.h"

#include <gtest/gtest.h>

using Engine::SoundSystem;
using namespace SoundTest;

using ::Test::ErrorOf;

namespace
{

    struct Files
    {
        ::Test::TempDir dir;
        std::string wav = WriteTone(dir.File("tone.wav"), Tone());
        std::string ogg = WriteTone(dir.File("tone.ogg"), [] { Tone t; t.format = Format::Ogg; return t; }());
        std::string text = dir.Write("notes.txt", "this is not audio\n");
    };
}

TEST(SoundIds, AreHandedOutInCreationOrderAcrossSoundsAndStreams)
{
    Files files;
    SoundSystem sound(SoundSystem::Output::Loopback);
    EXPECT_EQ(0, sound.CreateSound(files.wav, false, false));
    EXPECT_EQ(1, sound.CreateStream(files.ogg));
    EXPECT_EQ(2, sound.CreateSound(files.ogg, true, true));
    EXPECT_EQ(3, sound.CreateStream(files.wav));
}

TEST(SoundIds, FailedCreationReportsTheFileAndConsumesNoId)
{
    Files files;
    ::Test::LogCapture log;
    SoundSystem sound(SoundSystem::Output::Loopback);
    const std::string missing = files.dir.File("missing.wav");

    const std::string soundError = "Error in Engine::SoundSystem::CreateSound(). Couldn't create sound from '" + missing + "'";
    EXPECT_EQ(soundError, ErrorOf([&] { sound.CreateSound(missing, false, false); }));
    EXPECT_TRUE(log.Has(soundError, Ogre::LML_CRITICAL));
    EXPECT_EQ("Error in Engine::SoundSystem::CreateSound(). Couldn't create sound from '" + files.text + "'",
              ErrorOf([&] { sound.CreateSound(files.text, true, true); }));

    const std::string streamError =
        "Error in Engine::SoundSystem::CreateStream(). Couldn't create audio stream from '" + missing + "'";
    EXPECT_EQ(streamError, ErrorOf([&] { sound.CreateStream(missing); }));
    EXPECT_TRUE(log.Has(streamError, Ogre::LML_CRITICAL));
    EXPECT_EQ("Error in Engine::SoundSystem::CreateStream(). Couldn't create audio stream from '" + files.text + "'",
              ErrorOf([&] { sound.CreateStream(files.text); }));

    EXPECT_EQ(0, sound.CreateSound(files.wav, false, false));
    EXPECT_THROW(sound.CreateStream(files.dir.Path()), Engine::Exception);  // a directory
    EXPECT_EQ(1, sound.CreateStream(files.ogg));
}

TEST(SoundIds, AnEmptyFileIsNotASound)
{
    ::Test::TempDir dir;
    Tone silence;
    silence.seconds = 0.0f;
    const std::string empty = WriteTone(dir.File("empty.wav"), silence);
    SoundSystem sound(SoundSystem::Output::Loopback);
    EXPECT_THROW(sound.CreateSound(empty, false, false), Engine::Exception);
    EXPECT_THROW(sound.CreateStream(empty), Engine::Exception);
}

TEST(SoundIds, UnknownIdsAreErrorsInEveryOperation)
{
    Files files;
    SoundSystem sound(SoundSystem::Output::Loopback);
    sound.CreateSound(files.wav, false, false);
    const std::string detail = "Can't find sound with id '1'";

    EXPECT_EQ("Error in Engine::SoundSystem::PlaySound(). " + detail, ErrorOf([&] { sound.PlaySound(1); }));
    EXPECT_EQ("Error in Engine::SoundSystem::PlaySound(). " + detail,
              ErrorOf([&] { sound.PlaySound(1, Ogre::Vector3::ZERO, 1.0f); }));
    EXPECT_EQ("Error in Engine::SoundSystem::StopSound(). " + detail, ErrorOf([&] { sound.StopSound(1); }));
    EXPECT_EQ("Error in Engine::SoundSystem::SetVolume(). " + detail, ErrorOf([&] { sound.SetVolume(1, 0.5f); }));
    EXPECT_EQ("Error in Engine::SoundSystem::GetVolume(). " + detail, ErrorOf([&] { sound.GetVolume(1); }));
    EXPECT_EQ("Error in Engine::SoundSystem::GetVolume(). Can't find sound with id '-7'",
              ErrorOf([&] { sound.GetVolume(-7); }));
}

TEST(SoundSingleton, IsCreatedReplacedAndReleased)
{
    EXPECT_FALSE(SoundSystem::GetSingleton());
    SoundSystem::CreateSingleton(new SoundSystem(SoundSystem::Output::Loopback));
    boost::shared_ptr<SoundSystem> first = SoundSystem::GetSingleton();
    ASSERT_TRUE(first);

    boost::shared_ptr<SoundSystem> second(new SoundSystem(SoundSystem::Output::Loopback));
    SoundSystem::CreateSingleton(second);
    EXPECT_EQ(second, SoundSystem::GetSingleton());

    // Two systems side by side each keep their own sounds and mix.
    Files files;
    EXPECT_EQ(0, first->CreateSound(files.wav, true, false));
    EXPECT_EQ(0, second->CreateSound(files.wav, true, false));
    first->PlaySound(0);
    EXPECT_GT(Level(first->RenderLoopback(4096), 1024, 3072), 0.1);
    EXPECT_LT(Level(second->RenderLoopback(4096), 1024, 3072), 1e-6);

    SoundSystem::ReleaseSingleton();
    EXPECT_FALSE(SoundSystem::GetSingleton());
    EXPECT_EQ(0.0f, second->GetVolume(0));  // still usable by whoever holds it
}

TEST(SoundOutput, FallsBackToTheLoopbackDeviceWithOneWarning)
{
    ::Test::LogCapture log;
    SoundSystem sound;
    const int warnings = log.Count("Warning in Engine::SoundSystem::SoundSystem(): ");
    if (!sound.IsLoopback())
    {
        EXPECT_EQ(0, warnings);
        EXPECT_TRUE(sound.RenderLoopback(256).empty());
        GTEST_SKIP() << "an audio device is present; the fallback is not exercised here";
    }
    EXPECT_EQ(1, warnings);
    EXPECT_EQ(256u * 2u, sound.RenderLoopback(256).size());
    // Everything a game does still works.
    Files files;
    const int id = sound.CreateSound(files.wav, false, true);
    sound.SetListener(Ogre::Vector3::ZERO, Ogre::Vector3::NEGATIVE_UNIT_Z, Ogre::Vector3::UNIT_Y);
    sound.PlaySound(id, Ogre::Vector3(3, 0, 0), 2.0f);
    sound.Update();
    EXPECT_EQ(1.0f, sound.GetVolume(id));
    EXPECT_EQ(1, log.Count("Warning in Engine::SoundSystem::SoundSystem(): "));
}
