#include "game/PlayerFiles.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include <sys/stat.h>

namespace
{
    // Each test runs in a process of its own: the environment it sets is its own.
    class PlayerFilesTest : public ::testing::Test
    {
    protected:
        void SetUp() override
        {
            setenv("HOME", dir.File("home").c_str(), 1);
            unsetenv("XDG_CONFIG_HOME");
            unsetenv("XDG_DATA_HOME");
            unsetenv("XDG_STATE_HOME");
        }

        std::string Installed()
        {
            const std::string folder = dir.File("usr/lib/games/gorvane/bin");
            std::filesystem::create_directories(folder);
            return folder;
        }

        static unsigned Mode(const std::string& path)
        {
            struct stat status {};
            stat(path.c_str(), &status);
            return status.st_mode & 0777;
        }

        ::Test::TempDir dir;
    };
}

TEST_F(PlayerFilesTest, ABuildTreeKeepsEverythingBesideTheExecutable)
{
    const PlayerFiles files = PlayerFiles::Locate(dir.Path());
    EXPECT_FALSE(files.inPlayerFolders);
    EXPECT_EQ(files.renderSystemFile, "ogre.cfg");
    EXPECT_EQ(files.logFile, "Gorvane.log");
    EXPECT_EQ(files.highScoreFile, "highscores.dat");
    EXPECT_TRUE(files.warnings.empty());
    EXPECT_FALSE(std::filesystem::exists(dir.File("home")));
}

TEST_F(PlayerFilesTest, AnInstalledGameUsesThePlayersFoldersAndIgnoresEmptyOrRelativeOnes)
{
    setenv("XDG_CONFIG_HOME", dir.File("config").c_str(), 1);
    setenv("XDG_DATA_HOME", "", 1);                 // empty: the default below HOME
    setenv("XDG_STATE_HOME", "relative/state", 1);  // relative: ignored as well
    const PlayerFiles files = PlayerFiles::Locate(Installed());
    EXPECT_TRUE(files.inPlayerFolders);
    EXPECT_TRUE(files.warnings.empty());
    EXPECT_EQ(files.renderSystemFile, dir.File("config/gorvane/ogre.cfg"));
    EXPECT_EQ(files.highScoreFile, dir.File("home/.local/share/gorvane/highscores.dat"));
    EXPECT_EQ(files.logFile, dir.File("home/.local/state/gorvane/Gorvane.log"));
    // Made when missing, private to the player.
    EXPECT_EQ(Mode(dir.File("home/.local/share/gorvane")), 0700u);
    EXPECT_EQ(Mode(dir.File("home/.local/state/gorvane")), 0700u);
    EXPECT_EQ(Mode(dir.File("config/gorvane")), 0700u);
    EXPECT_FALSE(std::filesystem::exists("relative"));

    // Folders that are there already are taken as they are.
    const PlayerFiles again = PlayerFiles::Locate(Installed());
    EXPECT_TRUE(again.warnings.empty());
    EXPECT_EQ(again.highScoreFile, files.highScoreFile);
}

TEST_F(PlayerFilesTest, FoldersThatCannotBeMadeAreWarningsAndTheGamePlaysOn)
{
    // Below a plain file nothing can be made, not even by root.
    setenv("HOME", (dir.Write("file", "not a folder") + "/home").c_str(), 1);
    const PlayerFiles files = PlayerFiles::Locate(Installed());
    EXPECT_TRUE(files.inPlayerFolders);
    ASSERT_EQ(files.warnings.size(), 3u);
    EXPECT_NE(files.warnings[1].find("high scores are kept for this session only"), std::string::npos)
        << files.warnings[1];
    EXPECT_NE(files.warnings[1].find(dir.File("file/home/.local/share/gorvane")), std::string::npos)
        << files.warnings[1];
    EXPECT_EQ(files.highScoreFile, "highscores.dat");
    EXPECT_EQ(files.renderSystemFile, "ogre.cfg");
}
