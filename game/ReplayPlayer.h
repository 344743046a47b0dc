#pragma once
#include "ReplayFile.h"

#include <boost/function.hpp>

#include <chrono>
#include <cstddef>
#include <string>

class LogicRunner;

/// Plays a recorded game back through the game's input: frame by frame, at the recorded frame
/// times, with the recorded keys, wheel and focus. Before each frame that follows a digest it
/// compares the game's state with it; the first difference is reported (the second, the field,
/// both values) as a warning, in the log and on the console. After the last frame it compares
/// the final state and the high-score entry, and calls its end callback.
class ReplayPlayer
{
public:
    ReplayPlayer(const LogicRunner& logic, const Replay& replay, const std::string& fileName);
    ReplayPlayer(const ReplayPlayer&) = delete;
    ReplayPlayer& operator=(const ReplayPlayer&) = delete;

    /// The game input's frame source: the next recorded frame, false once the recording has
    /// ended (or, when `stopAtDifference`, once the state has differed).
    bool NextFrame(ReplayFrame& frame);
    /// The high-score entry the replayed game made.
    void EnteredHighScores(const std::string& name, int score);
    /// Called once, when the recording has ended.
    void SetEndCallback(boost::function<void ()> callback) { endCallback = callback; }

    bool IsFinished() const { return finished; }
    /// No difference found so far.
    bool Matched() const { return difference.empty(); }
    /// The first difference found, as reported; empty while there is none.
    const std::string& GetDifference() const { return difference; }
    std::size_t GetFramesPlayed() const { return played; }
    std::size_t GetDigestsCompared() const { return compared; }
    /// One line on how the replay went: matched (with the digests, frames and high-score entry),
    /// the first difference, or how far it got.
    std::string Summary() const;

    bool stopAtDifference = false;
    /// Frames are handed out no sooner than their recorded times allow, so that a watched
    /// replay runs as fast as the game did (slower only when drawing takes longer).
    bool paceToRecordedTimes = false;

private:
    void Compare(const GameDigest& recorded);
    void Report(const std::string& what);
    void Finish();

    const LogicRunner& logic;
    Replay replay;
    std::string fileName;
    std::chrono::steady_clock::time_point started;  // when the first frame was handed out
    double due;              // seconds after `started` at which the next frame may go
    std::size_t played;      // frames handed out
    std::size_t nextDigest;  // index into the recording's digests
    std::size_t compared;
    bool finished;
    bool enteredHighScores;
    std::string highScoreName;
    int highScore;
    std::string difference;
    boost::function<void ()> endCallback;
};
