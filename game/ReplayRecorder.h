#pragma once
#include "ReplayFile.h"

#include <cstddef>
#include <string>

class LogicRunner;

/// Records every game the player plays, from "Play" to the return to the menu after the death
/// (or to the end of the program): each frame's time and input, a digest of the state once a
/// second and after the last frame. The recording is saved as "last.replay" in the player's
/// folder once the game has ended; a game that entered the high-score table is also kept as
/// "highscore<rank>.replay", the files of the places below it moving down one.
class ReplayRecorder
{
public:
    ReplayRecorder(const LogicRunner& logic, const std::string& folder);
    /// A game still being recorded is saved.
    ~ReplayRecorder();
    ReplayRecorder(const ReplayRecorder&) = delete;
    ReplayRecorder& operator=(const ReplayRecorder&) = delete;

    /// A new game starts before the next frame, with its seed, the settings that change play,
    /// and the keys held and focus as they are now.
    void Begin(std::uint32_t seed, const std::vector<std::pair<std::string, std::string>>& settings,
               const std::vector<std::uint8_t>& keysHeld, bool focus);
    /// Each frame the game is about to run.
    void OnFrame(const ReplayFrame& frame);
    /// The game ends with the frame now running; it is saved before the next one.
    void End();
    /// The game ends now and is saved.
    void Stop();
    /// The game entered the high-score table at `rank` (1 to 10).
    void EnteredHighScores(const std::string& name, int score, std::size_t rank);

private:
    void Finish();
    /// Where the last game is kept, and the game at a place in the table.
    std::string LastFile() const;
    std::string RankFile(std::size_t rank) const;

    const LogicRunner& logic;
    std::string folder;  // with its trailing '/', or empty for the working directory
    Replay replay;
    bool recording;
    bool ending;
    std::size_t rank;    // of the high-score entry the game made; 0 for none
    double elapsed;      // seconds of the frames recorded
    std::uint32_t nextSecond;
};
