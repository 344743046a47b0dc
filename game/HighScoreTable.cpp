#include "HighScoreTable.h"
#include "PlayerFiles.h"

#include "engine/core/Error.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>

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
    const std::string error = PlayerFiles::ReplaceFile(path, WriteHighScores(entries));
    if (error.empty())
        return true;
    Engine::LogWarning("HighScoreTable::Save", error + "; the high scores are kept in memory only");
    return false;
}

std::size_t HighScoreTable::Add(const std::string& name, int score)
{
    // A new entry comes after the ones it only ties with.
    const std::size_t rank = 1 + std::size_t(std::count_if(entries.begin(), entries.end(),
                                                           [score](const HighScoreEntry& e) { return e.score >= score; }));
    entries.push_back({name.substr(0, maxNameLength), score});
    SortAndTrim();
    return rank <= maxEntries ? rank : 0;
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
