// The high-score file: any bytes load into a table the game can show and save, and what is saved
// reads back as the same table. The reader on its own reads no further than the bytes it is given
// (the sanitizers watch that) and everything it returns writes back to bytes it reads again the
// same.
#include "tests/fuzz/Fuzz.h"
#include "tests/support/TempDir.h"
#include "game/HighScoreTable.h"

#include <algorithm>
#include <fstream>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace
{
    // Removed when the run ends normally; a crash keeps it for a look.
    std::unique_ptr<Test::TempDir> folder;
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // Every save syncs the file to its disk: a folder in memory, where there is one, keeps
    // that from setting the pace.
    struct stat shared;
    const bool inMemory = stat("/dev/shm", &shared) == 0 && S_ISDIR(shared.st_mode) && access("/dev/shm", W_OK) == 0;
    folder.reset(new Test::TempDir(inMemory ? "/dev/shm" : "/tmp"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // A copy of exactly the input's size, so that a read past its end is caught.
    const std::unique_ptr<char[]> bytes(new char[size ? size : 1]);
    std::copy(data, data + size, bytes.get());
    const std::vector<HighScoreEntry> read = ReadHighScores(bytes.get(), size);
    if (read.size() > size / 8)
        Fuzz::Fail(std::to_string(read.size()) + " entries read from " + std::to_string(size) + " bytes");
    const std::string written = WriteHighScores(read);
    if (ReadHighScores(written.data(), written.size()) != read)
        Fuzz::Fail("the entries read did not read back the same once written");

    const std::string path = folder->File("highscores.dat");
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    HighScoreTable table;
    table.Load(path);
    const std::vector<HighScoreEntry>& entries = table.GetEntries();
    if (entries.size() > HighScoreTable::maxEntries)
        Fuzz::Fail(std::to_string(entries.size()) + " entries kept");
    for (std::size_t i = 0; i < entries.size(); ++i)
    {
        if (entries[i].name.size() > HighScoreTable::maxNameLength)
            Fuzz::Fail("a name of " + std::to_string(entries[i].name.size()) + " bytes kept");
        if (i > 0 && entries[i - 1].score < entries[i].score)
            Fuzz::Fail("the table is not sorted");
    }
    if (!table.Save(path))
        Fuzz::Fail("the table could not be saved");
    HighScoreTable again;
    again.Load(path);
    if (again.GetEntries() != entries)
        Fuzz::Fail("the saved table did not load back the same");
    return 0;
}
