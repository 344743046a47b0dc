// Replay files: any bytes are read into a recording or refused with the game's own error, never
// read past their end (the sanitizers watch that). So that the mutations reach what lies behind
// the length and the checksum, each input is also read with those two made right. A recording
// that was read writes to bytes that read back to the same recording.
#include "tests/fuzz/Fuzz.h"
#include "game/ReplayFile.h"

namespace
{
    const char magic[] = "GORVANE REPLAY";

    void Read(const std::string& bytes)
    {
        Fuzz::ExpectOnlyEngineErrors([&bytes] {
            const Replay replay = ReplayFile::Read(bytes, "input");
            const std::string written = ReplayFile::Write(replay);
            if (ReplayFile::Write(ReplayFile::Read(written, "written")) != written)
                Fuzz::Fail("a recording read did not write back the same once read again");
        });
    }
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    Read(bytes);
    if (bytes.compare(0, sizeof magic - 1, magic) == 0)
        Read(ReplayFile::Seal(bytes));
    return 0;
}
