#include "ReplayPlayer.h"
#include "LogicRunner.h"

#include "engine/core/Error.h"

#include <thread>

ReplayPlayer::ReplayPlayer(const LogicRunner& logic, const Replay& replay, const std::string& fileName)
    : logic(logic), replay(replay), fileName(fileName), due(0.0), played(0), nextDigest(0), compared(0), finished(false),
      enteredHighScores(false), highScore(0)
{
}

bool ReplayPlayer::NextFrame(ReplayFrame& frame)
{
    if (finished)
        return false;
    while (nextDigest < replay.digests.size() && replay.digests[nextDigest].first <= played)
        Compare(replay.digests[nextDigest++].second);
    if (played >= replay.frames.size() || (stopAtDifference && !Matched()))
    {
        Finish();
        return false;
    }
    if (paceToRecordedTimes)
    {
        // Against the first frame's start, so that short waits do not add up to a drift.
        if (played == 0)
            started = std::chrono::steady_clock::now();
        std::this_thread::sleep_until(started + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                                    std::chrono::duration<double>(due)));
    }
    frame = replay.frames[played++];
    due += double(frame.seconds);
    return true;
}

void ReplayPlayer::EnteredHighScores(const std::string& name, int score)
{
    enteredHighScores = true;
    highScoreName = name;
    highScore = score;
}

std::string ReplayPlayer::Summary() const
{
    const std::string frames = std::to_string(played) + " of " + std::to_string(replay.frames.size()) + " frames";
    if (!Matched())
        return difference + " (" + frames + " played)";
    if (!finished)
        return "The replay '" + fileName + "' is playing: " + frames;
    std::string summary = "The replay '" + fileName + "' matched: " + std::to_string(compared) + " digests over " +
                          std::to_string(played) + " frames";
    if (enteredHighScores)
        summary += "; high-score entry \"" + highScoreName + "\" " + std::to_string(highScore);
    return summary;
}

void ReplayPlayer::Compare(const GameDigest& recorded)
{
    if (!Matched())
        return;
    ++compared;
    const std::string field = GameDigest::FirstDifference(recorded, GameDigest::Take(logic, recorded.second));
    if (!field.empty())
        Report("differs at second " + std::to_string(recorded.second) + ": " + field);
}

void ReplayPlayer::Report(const std::string& what)
{
    difference = "The replay '" + fileName + "' " + what;
    Engine::LogWarning("ReplayPlayer::Compare", difference);
}

void ReplayPlayer::Finish()
{
    finished = true;
    if (Matched() && played == replay.frames.size())
    {
        if (enteredHighScores != replay.enteredHighScores)
            Report(std::string("differs at its end: the game ") + (replay.enteredHighScores ? "entered" : "did not enter") +
                   " the high-score table in the recording and " + (enteredHighScores ? "did" : "did not") +
                   " in this run");
        else if (enteredHighScores && (highScoreName != replay.highScoreName || highScore != replay.highScore))
            Report("differs at its end: the high-score entry is \"" + replay.highScoreName + "\" " +
                   std::to_string(replay.highScore) + " in the recording and \"" + highScoreName + "\" " +
                   std::to_string(highScore) + " in this run");
    }
    Engine::LogInfo(Summary());
    if (endCallback)
        endCallback();
}
