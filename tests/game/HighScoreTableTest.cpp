#include "game/HighScoreTable.h"

#include "tests/support/LogCapture.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <random>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{
    std::string Bytes(std::initializer_list<int> values)
    {
        std::string out;
        for (int value : values)
            out.push_back(static_cast<char>(value));
        return out;
    }

    void WriteFile(const std::string& path, const std::string& bytes)
    {
        std::ofstream(path, std::ios::binary) << bytes;
    }

    std::string Name(std::size_t length, char first)
    {
        std::string name;
        for (std::size_t i = 0; i < length; ++i)
            name.push_back(static_cast<char>(first + i % 200));  // every byte value, zero included
        return name;
    }

    // A full table whose file is well over a hundred bytes.
    HighScoreTable FullTable()
    {
        HighScoreTable table;
        for (int i = 0; i < 10; ++i)
            table.Add(Name(20 + std::size_t(i), 'a'), 1000 * (i + 1));
        return table;
    }
}

TEST(HighScoreTable, TheFileLayoutIsLittleEndianCountThenLengthNameScore)
{
    const std::string file = WriteHighScores({{"Ab", 300}, {"", -2}});
    EXPECT_EQ(file, Bytes({2, 0, 0, 0, 2, 0, 0, 0, 'A', 'b', 0x2C, 0x01, 0, 0, 0, 0, 0, 0, 0xFE, 0xFF, 0xFF, 0xFF}));

    ::Test::TempDir dir;
    WriteFile(dir.File("highscores.dat"), file);
    HighScoreTable table;
    table.Load(dir.File("highscores.dat"));
    ASSERT_EQ(table.GetEntries().size(), 2u);
    EXPECT_EQ(table.GetEntries()[0].name, "Ab");
    EXPECT_EQ(table.GetEntries()[1].score, -2);
}

TEST(HighScoreTable, NamesOfAnyLengthAndEveryEntryReadBackIdentically)
{
    ::Test::TempDir dir;
    HighScoreTable table;
    const std::size_t lengths[] = {0, 1, 7, 255, 256, 3, 100, 2, 31, 64};
    for (std::size_t i = 0; i < 10; ++i)
        table.Add(Name(lengths[i], char(i)), int(i) * 7 - 20);
    ASSERT_TRUE(table.Save(dir.File("highscores.dat")));

    HighScoreTable loaded;
    loaded.Load(dir.File("highscores.dat"));
    EXPECT_TRUE(loaded.GetEntries() == table.GetEntries());

    // Longer names are cut where the reader stops trusting a length, so they still load.
    table.Add(std::string(5000, 'x'), 99999);
    ASSERT_TRUE(table.Save(dir.File("highscores.dat")));
    loaded.Load(dir.File("highscores.dat"));
    EXPECT_EQ(loaded.GetEntries().front().name, std::string(HighScoreTable::maxNameLength, 'x'));
    EXPECT_TRUE(loaded.GetEntries() == table.GetEntries());
}

TEST(HighScoreTable, AnyScoreQualifiesWhileThereIsRoomThenOnlyAboveTheTenth)
{
    HighScoreTable table;
    EXPECT_EQ(table.Lowest(), 0);
    for (int i = 1; i <= 9; ++i)
        table.Add("p" + std::to_string(i), i * 100);
    EXPECT_EQ(table.Lowest(), 0);
    table.Add("ten", 50);
    EXPECT_EQ(table.Lowest(), 50);

    // The eleventh entry drops the lowest; the table stays sorted, highest first.
    table.Add("new", 51);
    ASSERT_EQ(table.GetEntries().size(), 10u);
    EXPECT_EQ(table.GetEntries().front().score, 900);
    EXPECT_EQ(table.GetEntries().back().name, "new");
    EXPECT_EQ(table.Lowest(), 51);
    for (const HighScoreEntry& entry : table.GetEntries())
        EXPECT_NE(entry.name, "ten");
}

TEST(HighScoreTable, MissingFileGivesAnEmptyTable)
{
    ::Test::TempDir dir;
    HighScoreTable table;
    table.Add("old", 5);
    table.Load(dir.File("missing.dat"));
    EXPECT_TRUE(table.GetEntries().empty());
}

TEST(HighScoreTable, DamagedFilesKeepTheEntriesBeforeTheDamage)
{
    const std::vector<HighScoreEntry> three = {{"alpha", 30}, {"beta", 20}, {"gamma", 10}};
    const std::string good = WriteHighScores(three);

    // Cut anywhere: only whole entries, in order, and never more than were written.
    for (std::size_t cut = 0; cut < good.size(); ++cut)
    {
        const std::vector<HighScoreEntry> read = ReadHighScores(good.data(), cut);
        ASSERT_LT(read.size(), 3u) << "cut at " << cut;
        for (std::size_t i = 0; i < read.size(); ++i)
            EXPECT_EQ(read[i].name, three[i].name);
    }
    EXPECT_EQ(ReadHighScores(good.data(), good.size()).size(), 3u);

    // A huge count is bounded by what the bytes can hold; negative counts read nothing.
    std::string huge = good;
    huge[3] = 0x7F;
    EXPECT_EQ(ReadHighScores(huge.data(), huge.size()).size(), 3u);
    std::string negative = good;
    negative[3] = char(0xFF);
    EXPECT_TRUE(ReadHighScores(negative.data(), negative.size()).empty());

    // A negative or implausible name length ends the reading at that entry.
    std::string badLength = good;
    badLength[4 + 4 + 5 + 4 + 3] = char(0x80);  // second entry's length: negative
    EXPECT_EQ(ReadHighScores(badLength.data(), badLength.size()).size(), 1u);
    badLength[4 + 4 + 5 + 4 + 3] = 0;
    badLength[4 + 4 + 5 + 4 + 1] = 0x10;        // second entry's length: 4100 bytes
    EXPECT_EQ(ReadHighScores(badLength.data(), badLength.size()).size(), 1u);

    // Through the file: at most ten entries of a longer foreign file, sorted.
    ::Test::TempDir dir;
    std::vector<HighScoreEntry> many;
    for (int i = 0; i < 25; ++i)
        many.push_back({"n" + std::to_string(i), i});
    WriteFile(dir.File("highscores.dat"), WriteHighScores(many));
    HighScoreTable table;
    table.Load(dir.File("highscores.dat"));
    ASSERT_EQ(table.GetEntries().size(), 10u);
    EXPECT_EQ(table.GetEntries().front().score, 24);
    EXPECT_EQ(table.GetEntries().back().score, 15);
}

TEST(HighScoreTable, RandomAndMutatedBytesNeverCrashOrOverread)
{
    std::mt19937 random(1234);
    const std::string good = WriteHighScores({{"alpha", 30}, {"beta", 20}, {"gamma", 10}});
    for (int round = 0; round < 20000; ++round)
    {
        std::string bytes;
        if (round % 2 == 0)
        {
            bytes.resize(random() % 64);
            for (char& byte : bytes)
                byte = static_cast<char>(random());
        }
        else
        {
            bytes = good.substr(0, random() % (good.size() + 1));
            for (int flips = random() % 4; flips > 0 && !bytes.empty(); --flips)
                bytes[random() % bytes.size()] = static_cast<char>(random());
        }
        // A copy on the heap with nothing after it: an overread shows under the sanitizers.
        std::unique_ptr<char[]> exact(new char[bytes.size() + 1]);
        std::copy(bytes.begin(), bytes.end(), exact.get());
        const std::vector<HighScoreEntry> read = ReadHighScores(exact.get(), bytes.size());
        std::size_t used = 4;
        for (const HighScoreEntry& entry : read)
            used += 8 + entry.name.size();
        ASSERT_LE(read.empty() ? 0 : used, bytes.size());
    }
}

TEST(HighScoreTable, AWriteKilledHalfWayLeavesTheOldTableWhole)
{
    ::Test::TempDir dir;
    const std::string path = dir.File("highscores.dat");
    HighScoreTable old;
    old.Add("keeper", 42);
    ASSERT_TRUE(old.Save(path));
    const std::string before = ::Test::ReadFile(path);
    const HighScoreTable bigger = FullTable();
    ASSERT_GT(WriteHighScores(bigger.GetEntries()).size(), 200u);

    // The process dies inside the write: past 64 bytes the kernel ends it (SIGXFSZ).
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0)
    {
        rlimit limit{64, 64};
        setrlimit(RLIMIT_FSIZE, &limit);
        bigger.Save(path);
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the write was not cut short";
    EXPECT_EQ(WTERMSIG(status), SIGXFSZ);
    EXPECT_EQ(::Test::ReadFile(path), before);
    HighScoreTable reloaded;
    reloaded.Load(path);
    ASSERT_EQ(reloaded.GetEntries().size(), 1u);
    EXPECT_EQ(reloaded.GetEntries()[0].name, "keeper");

    // A full disk as the writer sees it: the write fails, a warning says so, the old file and the
    // table in memory stay.
    ::Test::LogCapture log;
    const rlimit saved = [] { rlimit r; getrlimit(RLIMIT_FSIZE, &r); return r; }();
    void (*previous)(int) = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{64, saved.rlim_max};
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    const bool saved64 = bigger.Save(path);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    EXPECT_FALSE(saved64);
    EXPECT_EQ(log.Count("Warning in HighScoreTable::Save(): Can't write '" + path + "'"), 1);
    EXPECT_EQ(::Test::ReadFile(path), before);
    EXPECT_EQ(bigger.GetEntries().size(), 10u);
    EXPECT_FALSE(std::ifstream(path + ".new").good()) << "the half-written file was left behind";

    // A folder that does not exist: nothing written, a warning.
    EXPECT_FALSE(bigger.Save(dir.File("no/such/folder/highscores.dat")));
    EXPECT_EQ(log.Count("Warning in HighScoreTable::Save()"), 2);
}
