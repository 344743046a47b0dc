#pragma once
#include <cstddef>
#include <string>
#include <vector>

struct HighScoreEntry
{
    std::string name;
    int score;

    bool operator==(const HighScoreEntry& other) const { return name == other.name && score == other.score; }
};

/// Reads the high-score file format from bytes: a little-endian 32-bit count, then per entry a
/// 32-bit name length, the name's bytes and a 32-bit score. Damaged input (the end inside an
/// entry, a negative or oversized length or count) ends the reading: the entries before the
/// fault are returned. Never throws; reads no further than `size`.
std::vector<HighScoreEntry> ReadHighScores(const char* data, std::size_t size);
/// The file's bytes for the entries, in the order given.
std::string WriteHighScores(const std::vector<HighScoreEntry>& entries);

/// The ten best scores, highest first, kept in a binary file ("highscores.dat" in the game).
class HighScoreTable
{
public:
    static constexpr std::size_t maxEntries = 10;
    /// Longer names are cut to this many bytes, so that what is written always reads back.
    static constexpr std::size_t maxNameLength = 256;

    /// Replaces the table by the file's entries (sorted, at most ten). A missing or unreadable
    /// file gives an empty table; a damaged one the entries read before the damage.
    void Load(const std::string& path);
    /// Writes the table to a new file beside `path` and renames it over the old one, so the old
    /// file stays whole when the write fails. On failure logs a warning and returns false; the
    /// table in memory is kept either way.
    bool Save(const std::string& path) const;

    /// Adds an entry, sorts and keeps the best ten. Returns the entry's place (1 to 10), 0 when
    /// it did not stay.
    std::size_t Add(const std::string& name, int score);
    /// The score to beat for a place: 0 while the table has room, else the tenth score.
    int Lowest() const;
    const std::vector<HighScoreEntry>& GetEntries() const { return entries; }

private:
    void SortAndTrim();

    std::vector<HighScoreEntry> entries;
};
