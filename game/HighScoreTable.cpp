#include "HighScoreTable.h"

#include "engine/core/Error.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fstream>

#include <fcntl.h>
#include <unistd.h>

namespace
{
    constexpr std::size_t fieldBytes = 4;
    // Ten entries with the longest names take under 3 KiB; a larger file is not ours, and only
    // its beginning is read.
    constexpr std::size_t maxFileBytes = 1 << 20;

    bool ReadInt(const char* data, std::size_t size, std::size_t& offset, std::int32_t& value)
    {
        if (size - offset < fieldBytes)
            return false;
        std::uint32_t bits = 0;
        for (std::size_t i = 0; i < fieldBytes; ++i)
            bits |= std::uint32_t(static_cast<unsigned char>(data[offset + i])) << (8 * i);
        value = static_cast<std::int32_t>(bits);
        offset += fieldBytes;
        return true;
    }

    void WriteInt(std::string& out, std::int32_t value)
    {
        const std::uint32_t bits = static_cast<std::uint32_t>(value);
        for (std::size_t i = 0; i < fieldBytes; ++i)
            out.push_back(static_cast<char>((bits >> (8 * i)) & 0xFF));
    }

    bool WriteAll(int fd, const std::string& bytes)
    {
        std::size_t written = 0;
        while (written < bytes.size())
        {
            const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
            {
                if (n == 0)
                    errno = EIO;
                return false;
            }
            written += std::size_t(n);
        }
        return true;
    }
}

std::vector<HighScoreEntry> ReadHighScores(const char* data, std::size_t size)
{
    std::vector<HighScoreEntry> entries;
    std::size_t offset = 0;
    std::int32_t count = 0;
    if (!data || !ReadInt(data, size, offset, count) || count <= 0)
        return entries;
    // An entry takes at least eight bytes: no more entries than the rest of the data can hold.
    const std::size_t possible = (size - offset) / (2 * fieldBytes);
    const std::size_t wanted = std::min(std::size_t(count), possible);
    entries.reserve(wanted);
    for (std::size_t i = 0; i < wanted; ++i)
    {
        std::int32_t length = 0;
        if (!ReadInt(data, size, offset, length) || length < 0 ||
            std::size_t(length) > HighScoreTable::maxNameLength || size - offset < std::size_t(length))
            break;
        HighScoreEntry entry;
        entry.name.assign(data + offset, std::size_t(length));
        offset += std::size_t(length);
        std::int32_t score = 0;
        if (!ReadInt(data, size, offset, score))
            break;
        entry.score = score;
        entries.push_back(std::move(entry));
    }
    return entries;
}

std::string WriteHighScores(const std::vector<HighScoreEntry>& entries)
{
    std::string out;
    WriteInt(out, static_cast<std::int32_t>(entries.size()));
    for (const HighScoreEntry& entry : entries)
    {
        WriteInt(out, static_cast<std::int32_t>(entry.name.size()));
        out += entry.name;
        WriteInt(out, entry.score);
    }
    return out;
}

void HighScoreTable::Load(const std::string& path)
{
    entries.clear();
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return;
    // As much as the file holds, up to the limit, without setting the limit aside first.
    std::string bytes;
    char chunk[4096];
    while (bytes.size() < maxFileBytes)
    {
        const std::size_t wanted = std::min(sizeof chunk, maxFileBytes - bytes.size());
        file.read(chunk, std::streamsize(wanted));
        bytes.append(chunk, std::size_t(file.gcount()));
        if (std::size_t(file.gcount()) < wanted)
            break;
    }
    entries = ReadHighScores(bytes.data(), bytes.size());
    SortAndTrim();
}

bool HighScoreTable::Save(const std::string& path) const
{
    // The old file is replaced only by a complete new one: a crash, a full disk or a write
    // error on the way leaves it as it was.
    const std::string temporary = path + ".new";
    const std::string bytes = WriteHighScores(entries);
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
    {
        Engine::LogWarning("HighScoreTable::Save", "Can't create '" + temporary + "': " + std::strerror(errno) +
                                                       "; the high scores are kept in memory only");
        return false;
    }
    int error = 0;
    if (!WriteAll(fd, bytes) || ::fsync(fd) != 0)
        error = errno ? errno : EIO;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0 && ::rename(temporary.c_str(), path.c_str()) != 0)
        error = errno;
    if (error != 0)
    {
        ::unlink(temporary.c_str());
        Engine::LogWarning("HighScoreTable::Save", "Can't write '" + path + "': " + std::strerror(error) +
                                                       "; the high scores are kept in memory only");
        return false;
    }
    return true;
}

void HighScoreTable::Add(const std::string& name, int score)
{
    entries.push_back({name.substr(0, maxNameLength), score});
    SortAndTrim();
}

int HighScoreTable::Lowest() const
{
    return entries.size() < maxEntries ? 0 : entries.back().score;
}

void HighScoreTable::SortAndTrim()
{
    std::stable_sort(entries.begin(), entries.end(),
                     [](const HighScoreEntry& a, const HighScoreEntry& b) { return a.score > b.score; });
    if (entries.size() > maxEntries)
        entries.resize(maxEntries);
}
