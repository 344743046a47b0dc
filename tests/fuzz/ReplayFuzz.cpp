// Replay files: any bytes are read into a recording or refused with the game's own error, never
// read past their end (the sanitizers watch that). So that the mutations reach what lies behind
// the length and the checksum, each input is also read with those two made right. A recording
// that was read writes to bytes that read back to the same recording.
#include "tests/fuzz/Fuzz.h"
#include "game/ReplayFile.h"

#include <cstring>

namespace
{
    const char magic[] = "GORVANE REPLAY";
    constexpr std::size_t magicBytes = sizeof magic - 1;
    constexpr std::size_t headBytes = magicBytes + 8;
    constexpr std::size_t checksumBytes = 8;

    void Read(const std::string& bytes)
    {
        Fuzz::ExpectOnlyEngineErrors([&bytes] {
            const Replay replay = ReplayFile::Read(bytes, "input");
            const std::string written = ReplayFile::Write(replay);
            if (ReplayFile::Write(ReplayFile::Read(written, "written")) != written)
                Fuzz::Fail("a recording read did not write back the same once read again");
        });
    }

    void Put(std::string& bytes, std::size_t at, std::uint64_t value, std::size_t count)
    {
        for (std::size_t i = 0; i < count; ++i)
            bytes[at + i] = char((value >> (8 * i)) & 0xFF);
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
    if (size < headBytes + checksumBytes || bytes.compare(0, magicBytes, magic) != 0)
        return 0;
    std::string repaired = bytes;
    Put(repaired, magicBytes + 4, size, 4);
    std::uint64_t hash = 0xCBF29CE484222325ull;
    for (std::size_t i = 0; i < size - checksumBytes; ++i)
        hash = (hash ^ static_cast<unsigned char>(repaired[i])) * 0x100000001B3ull;
    Put(repaired, size - checksumBytes, hash, checksumBytes);
    Read(repaired);
    return 0;
}
