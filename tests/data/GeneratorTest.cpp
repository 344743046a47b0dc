// The asset generator writes the same files on every run, and the build's data holds its output.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>

#include "tests/data/GameData.h"
#include "tests/support/TempDir.h"

namespace
{
    namespace fs = std::filesystem;

    /// Every generated file under a data folder (its generated sub-folders), by relative path.
    std::map<std::string, std::string> Generated(const std::string& root)
    {
        std::map<std::string, std::string> files;
        for (const char* folder : {"meshes", "textures", "audio"})
        {
            if (!fs::is_directory(root + "/" + folder))
                continue;
            for (const auto& entry : fs::recursive_directory_iterator(root + "/" + folder))
                if (entry.is_regular_file())
                    files[fs::relative(entry.path(), root).string()] = ::Test::ReadFile(entry.path().string());
        }
        return files;
    }

    TEST(Generator, TwoRunsWriteIdenticalFilesMatchingTheBuild)
    {
        ::Test::TempDir first, second;
        ASSERT_EQ(std::system((std::string(GORVANE_ASSETGEN) + " " + first.Path()).c_str()), 0);
        ASSERT_EQ(std::system((std::string(GORVANE_ASSETGEN) + " " + second.Path()).c_str()), 0);
        const auto a = Generated(first.Path()), b = Generated(second.Path());
        EXPECT_GT(a.size(), 40u);
        ASSERT_EQ(a.size(), b.size());
        for (const auto& [name, content] : a)
        {
            ASSERT_TRUE(b.count(name)) << name;
            EXPECT_FALSE(content.empty()) << name;
            EXPECT_TRUE(content == b.at(name)) << name << " differs between runs";
        }
        const auto built = Generated(::Test::GameData::Folder());
        for (const auto& [name, content] : a)
        {
            ASSERT_TRUE(built.count(name)) << name << " missing from the build's data";
            EXPECT_TRUE(content == built.at(name)) << name << " in the build's data is stale";
        }
    }

    TEST(Generator, RefusesAMissingArgument)
    {
        EXPECT_NE(std::system((std::string(GORVANE_ASSETGEN) + " 2>/dev/null").c_str()), 0);
    }
}
