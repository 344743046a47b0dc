#pragma once
#include "GameDigest.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

/// One key going down or up during a frame, in the order the keyboard reported it. `text` is
/// the character a press typed (the name entry reads it), 0 for none.
struct ReplayKey
{
    std::uint8_t key = 0;
    bool down = false;
    std::uint32_t text = 0;
};

/// What the game read in one frame: its time, the keys that changed, the mouse wheel's movement
/// and whether the window had the keyboard focus.
struct ReplayFrame
{
    float seconds = 0.0f;
    std::vector<ReplayKey> keys;
    std::int32_t wheel = 0;
    bool focus = true;
};

/// A recorded game, from "Play" to its end: how it started, every frame's input, a digest of the
/// state once a second and at the end, and the high-score entry it made, if any.
struct Replay
{
    static constexpr std::uint32_t formatVersion = 1;

    std::string gameVersion;
    std::uint32_t seed = 0;
    /// The settings that change play, by name ("arena", "lowestHighScore").
    std::vector<std::pair<std::string, std::string>> settings;
    /// The keys already down when the game started, and the window's focus then.
    std::vector<std::uint8_t> keysHeld;
    bool focus = true;

    std::vector<ReplayFrame> frames;
    /// Each digest with the number of frames played before it was taken.
    std::vector<std::pair<std::uint32_t, GameDigest>> digests;

    bool enteredHighScores = false;
    std::string highScoreName;
    std::int32_t highScore = 0;

    /// A setting's value; empty when the recording has none of that name.
    std::string Setting(const std::string& name) const;
};

/// The replay file: little-endian binary, "GORVANE REPLAY" and the format version first, a
/// checksum of everything last.
class ReplayFile
{
public:
    static std::string Write(const Replay& replay);
    /// The recording in `bytes`; a damaged, truncated or foreign one throws Engine::Exception
    /// naming `fileName` and what is wrong.
    static Replay Read(const std::string& bytes, const std::string& fileName);
    /// The bytes with their length field and checksum made to fit them (what Write ends with;
    /// tests and the fuzzer use it to reach what lies behind the checksum). Too short a file
    /// comes back as it is.
    static std::string Seal(std::string bytes);
    /// Read from the file, which must exist.
    static Replay Load(const std::string& path);
    /// Writes beside `path` and renames it over the old file; on failure logs a warning and
    /// returns false.
    static bool Save(const std::string& path, const Replay& replay);
};
