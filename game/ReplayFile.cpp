#include "ReplayFile.h"
#include "HighScoreTable.h"
#include "PlayerFiles.h"

#include "engine/core/Error.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fstream>
#include <sstream>

namespace
{
    const char magic[] = "GORVANE REPLAY";            // without its terminating zero
    constexpr std::size_t magicBytes = sizeof magic - 1;
    constexpr std::size_t headBytes = magicBytes + 4 + 4;  // magic, version, length
    constexpr std::size_t checksumBytes = 8;
    constexpr std::size_t maxFileBytes = std::size_t(256) << 20;
    constexpr std::size_t maxTextBytes = 1024;
    constexpr std::size_t maxSettings = 64;
    constexpr float maxFrameSeconds = 60.0f;

    enum FrameFlags : std::uint8_t { HasKeys = 1, HasWheel = 2, HasFocus = 4 };

    std::uint64_t Checksum(const char* data, std::size_t size)
    {
        std::uint64_t hash = 0xCBF29CE484222325ull;  // 64-bit FNV-1a
        for (std::size_t i = 0; i < size; ++i)
            hash = (hash ^ static_cast<unsigned char>(data[i])) * 0x100000001B3ull;
        return hash;
    }

    class Writer
    {
    public:
        void Bytes(const void* data, std::size_t size) { out.append(static_cast<const char*>(data), size); }
        void U8(std::uint8_t value) { out.push_back(char(value)); }
        template <class Value>
        void Le(Value value)
        {
            std::uint64_t bits = 0;
            std::memcpy(&bits, &value, sizeof value);
            for (std::size_t i = 0; i < sizeof value; ++i)
                out.push_back(char((bits >> (8 * i)) & 0xFF));
        }
        void Text(const std::string& text)
        {
            const std::string kept = text.substr(0, maxTextBytes);
            Le(std::uint16_t(kept.size()));
            out += kept;
        }
        std::string out;
    };

    // Every read is checked against the end; what does not fit the format throws, naming the
    // file and the place.
    class Reader
    {
    public:
        Reader(const std::string& bytes, std::size_t end, const std::string& fileName)
            : bytes(bytes), end(end), fileName(fileName) {}

        [[noreturn]] void Fail(const std::string& what) const
        {
            Engine::ThrowError("ReplayFile::Read", "The replay '" + fileName + "' is damaged: " + what + " (at byte " +
                                                       std::to_string(offset) + ")");
        }
        void Need(std::size_t count, const char* what)
        {
            if (end - offset < count)
                Fail(std::string("it ends inside ") + what);
        }
        std::uint8_t U8(const char* what)
        {
            Need(1, what);
            return static_cast<unsigned char>(bytes[offset++]);
        }
        bool Flag(const char* what)
        {
            const std::uint8_t value = U8(what);
            if (value > 1)
                Fail(std::string(what) + " is " + std::to_string(value) + ", not 0 or 1");
            return value == 1;
        }
        template <class Value>
        Value Le(const char* what)
        {
            Need(sizeof(Value), what);
            std::uint64_t bits = 0;
            for (std::size_t i = 0; i < sizeof(Value); ++i)
                bits |= std::uint64_t(static_cast<unsigned char>(bytes[offset + i])) << (8 * i);
            offset += sizeof(Value);
            Value value;
            std::memcpy(&value, &bits, sizeof value);
            return value;
        }
        std::string Text(const char* what, std::size_t maxBytes)
        {
            const std::size_t size = Le<std::uint16_t>(what);
            if (size > maxBytes)
                Fail(std::string(what) + " is " + std::to_string(size) + " bytes long, more than " +
                     std::to_string(maxBytes));
            Need(size, what);
            const std::string text = bytes.substr(offset, size);
            offset += size;
            return text;
        }
        /// A count of items of at least `itemBytes` each: no more than the rest can hold.
        std::uint32_t Count(const char* what, std::size_t itemBytes, std::uint32_t maxCount)
        {
            const std::uint32_t count = Le<std::uint32_t>(what);
            if (count > maxCount || std::uint64_t(count) * itemBytes > end - offset)
                Fail(std::string(what) + " " + std::to_string(count) + " is more than the file holds");
            return count;
        }
        std::size_t Offset() const { return offset; }

    private:
        const std::string& bytes;
        std::size_t end;
        std::string fileName;
        std::size_t offset = headBytes;
    };

    void WriteDigest(Writer& out, const GameDigest& digest)
    {
        out.Le(digest.second);
        out.Le(digest.playerX);
        out.Le(digest.playerY);
        out.Le(digest.playerZ);
        out.Le(digest.playerHealth);
        out.Le(digest.score);
        out.Le(digest.kills);
        out.Le(digest.zombies);
        out.Le(digest.zombieHealth);
        out.Le(digest.zombieX);
        out.Le(digest.zombieZ);
        out.Le(digest.zombieHash);
    }
    constexpr std::size_t digestBytes = 4 + 3 * 4 + 4 + 4 + 4 + 4 + 8 + 8 + 8 + 8;

    GameDigest ReadDigest(Reader& in)
    {
        GameDigest digest;
        const char* what = "a digest";
        digest.second = in.Le<std::uint32_t>(what);
        digest.playerX = in.Le<float>(what);
        digest.playerY = in.Le<float>(what);
        digest.playerZ = in.Le<float>(what);
        digest.playerHealth = in.Le<std::int32_t>(what);
        digest.score = in.Le<float>(what);
        digest.kills = in.Le<std::int32_t>(what);
        digest.zombies = in.Le<std::int32_t>(what);
        digest.zombieHealth = in.Le<std::int64_t>(what);
        digest.zombieX = in.Le<double>(what);
        digest.zombieZ = in.Le<double>(what);
        digest.zombieHash = in.Le<std::uint64_t>(what);
        return digest;
    }
}

std::string Replay::Setting(const std::string& name) const
{
    for (const auto& setting : settings)
        if (setting.first == name)
            return setting.second;
    return "";
}

std::string ReplayFile::Write(const Replay& replay)
{
    Writer out;
    out.Bytes(magic, magicBytes);
    out.Le(Replay::formatVersion);
    out.Le(std::uint32_t(0));  // the length, filled in below
    out.Text(replay.gameVersion);
    out.Le(replay.seed);
    out.Le(std::uint32_t(replay.settings.size()));
    for (const auto& setting : replay.settings)
    {
        out.Text(setting.first);
        out.Text(setting.second);
    }
    out.Le(std::uint32_t(replay.keysHeld.size()));
    for (std::uint8_t key : replay.keysHeld)
        out.U8(key);
    out.U8(replay.focus ? 1 : 0);

    out.Le(std::uint32_t(replay.frames.size()));
    bool focus = replay.focus;
    for (const ReplayFrame& frame : replay.frames)
    {
        // Most frames are five bytes: their time and no news.
        const std::size_t keys = std::min<std::size_t>(frame.keys.size(), 255);
        out.Le(frame.seconds);
        out.U8(std::uint8_t((keys ? HasKeys : 0) | (frame.wheel ? HasWheel : 0) | (frame.focus != focus ? HasFocus : 0)));
        if (keys)
        {
            out.U8(std::uint8_t(keys));
            for (std::size_t i = 0; i < keys; ++i)
            {
                out.U8(frame.keys[i].key);
                out.U8(frame.keys[i].down ? 1 : 0);
                out.Le(frame.keys[i].text);
            }
        }
        if (frame.wheel)
            out.Le(frame.wheel);
        focus = frame.focus;
    }

    out.Le(std::uint32_t(replay.digests.size()));
    for (const auto& digest : replay.digests)
    {
        out.Le(digest.first);
        WriteDigest(out, digest.second);
    }
    out.U8(replay.enteredHighScores ? 1 : 0);
    out.Text(replay.highScoreName);
    out.Le(replay.highScore);

    out.out.append(checksumBytes, '\0');
    return Seal(out.out);
}

std::string ReplayFile::Seal(std::string bytes)
{
    if (bytes.size() < headBytes + checksumBytes)
        return bytes;
    const std::size_t length = bytes.size();
    for (std::size_t i = 0; i < 4; ++i)
        bytes[magicBytes + 4 + i] = char((std::uint32_t(length) >> (8 * i)) & 0xFF);
    const std::uint64_t checksum = Checksum(bytes.data(), length - checksumBytes);
    for (std::size_t i = 0; i < checksumBytes; ++i)
        bytes[length - checksumBytes + i] = char((checksum >> (8 * i)) & 0xFF);
    return bytes;
}

Replay ReplayFile::Read(const std::string& bytes, const std::string& fileName)
{
    const char* const where = "ReplayFile::Read";
    const std::string name = "The replay '" + fileName + "'";
    if (bytes.size() < magicBytes || bytes.compare(0, magicBytes, magic) != 0)
        Engine::ThrowError(where, name + " is not a replay: it does not start with \"" + magic + "\"");
    if (bytes.size() < headBytes)
        Engine::ThrowError(where, name + " is truncated: it ends inside its header");
    std::uint32_t format = 0, length = 0;
    for (std::size_t i = 0; i < 4; ++i)
    {
        format |= std::uint32_t(static_cast<unsigned char>(bytes[magicBytes + i])) << (8 * i);
        length |= std::uint32_t(static_cast<unsigned char>(bytes[magicBytes + 4 + i])) << (8 * i);
    }
    if (format != Replay::formatVersion)
        Engine::ThrowError(where, name + " is of format version " + std::to_string(format) +
                                      "; this game reads version " + std::to_string(Replay::formatVersion));
    if (bytes.size() < length)
        Engine::ThrowError(where, name + " is truncated: it has " + std::to_string(bytes.size()) + " of its " +
                                      std::to_string(length) + " bytes");
    if (bytes.size() > length)
        Engine::ThrowError(where, name + " is damaged: it has " + std::to_string(bytes.size() - length) +
                                      " bytes more than its length says");
    if (length < headBytes + checksumBytes)
        Engine::ThrowError(where, name + " is damaged: its length " + std::to_string(length) + " is too short");
    const std::size_t end = length - checksumBytes;
    std::uint64_t stored = 0;
    for (std::size_t i = 0; i < checksumBytes; ++i)
        stored |= std::uint64_t(static_cast<unsigned char>(bytes[end + i])) << (8 * i);
    if (stored != Checksum(bytes.data(), end))
        Engine::ThrowError(where, name + " is damaged: its checksum does not match its contents");

    Reader in(bytes, end, fileName);
    Replay replay;
    replay.gameVersion = in.Text("the game version", maxTextBytes);
    replay.seed = in.Le<std::uint32_t>("the seed");
    const std::uint32_t settings = in.Count("the number of settings", 4, maxSettings);
    for (std::uint32_t i = 0; i < settings; ++i)
    {
        std::string key = in.Text("a setting's name", maxTextBytes);
        std::string value = in.Text("a setting's value", maxTextBytes);
        replay.settings.emplace_back(std::move(key), std::move(value));
    }
    const std::uint32_t held = in.Count("the number of keys held", 1, 256);
    for (std::uint32_t i = 0; i < held; ++i)
        replay.keysHeld.push_back(in.U8("the keys held"));
    replay.focus = in.Flag("the focus");

    const std::uint32_t frames = in.Count("the number of frames", 5, 0xFFFFFFFFu);
    replay.frames.reserve(frames);
    bool focus = replay.focus;
    for (std::uint32_t i = 0; i < frames; ++i)
    {
        ReplayFrame frame;
        frame.seconds = in.Le<float>("a frame");
        if (!std::isfinite(frame.seconds) || frame.seconds < 0.0f || frame.seconds > maxFrameSeconds)
        {
            std::ostringstream text;
            text << "frame " << i << " lasts " << frame.seconds << " s";
            in.Fail(text.str());
        }
        const std::uint8_t flags = in.U8("a frame");
        if (flags & ~(HasKeys | HasWheel | HasFocus))
            in.Fail("frame " + std::to_string(i) + " has unknown flags " + std::to_string(flags));
        if (flags & HasKeys)
        {
            const std::uint8_t keys = in.U8("a frame's keys");
            for (std::uint8_t k = 0; k < keys; ++k)
            {
                ReplayKey key;
                key.key = in.U8("a frame's keys");
                key.down = in.Flag("a key's direction");
                key.text = in.Le<std::uint32_t>("a frame's keys");
                frame.keys.push_back(key);
            }
        }
        if (flags & HasWheel)
            frame.wheel = in.Le<std::int32_t>("a frame's wheel");
        if (flags & HasFocus)
            focus = !focus;
        frame.focus = focus;
        replay.frames.push_back(std::move(frame));
    }

    const std::uint32_t digests = in.Count("the number of digests", 4 + digestBytes, 0xFFFFFFFFu);
    std::uint32_t lastFrame = 0;
    for (std::uint32_t i = 0; i < digests; ++i)
    {
        const std::uint32_t frame = in.Le<std::uint32_t>("a digest");
        if (frame < lastFrame || frame > frames)
            in.Fail("digest " + std::to_string(i) + " follows frame " + std::to_string(frame) + ", out of order");
        lastFrame = frame;
        replay.digests.emplace_back(frame, ReadDigest(in));
    }
    replay.enteredHighScores = in.Flag("the high-score flag");
    replay.highScoreName = in.Text("the high-score name", HighScoreTable::maxNameLength);
    replay.highScore = in.Le<std::int32_t>("the high score");
    if (in.Offset() != end)
        in.Fail(std::to_string(end - in.Offset()) + " bytes follow the recording");
    return replay;
}

Replay ReplayFile::Load(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        Engine::ThrowError("ReplayFile::Load", "Can't open the replay '" + path + "': " + std::strerror(errno));
    std::string bytes;
    char buffer[65536];
    while (file.read(buffer, sizeof buffer) || file.gcount() > 0)
    {
        bytes.append(buffer, std::size_t(file.gcount()));
        if (bytes.size() > maxFileBytes)
            Engine::ThrowError("ReplayFile::Load", "The replay '" + path + "' is larger than " +
                                                       std::to_string(maxFileBytes >> 20) + " MiB: not a recording");
    }
    if (file.bad())
        Engine::ThrowError("ReplayFile::Load", "Can't read the replay '" + path + "'");
    return Read(bytes, path);
}

bool ReplayFile::Save(const std::string& path, const Replay& replay)
{
    const std::string error = PlayerFiles::ReplaceFile(path, Write(replay));
    if (error.empty())
        return true;
    Engine::LogWarning("ReplayFile::Save", error + "; the recording is lost");
    return false;
}
