#include "ReplayRecorder.h"
#include "HighScoreTable.h"
#include "LogicRunner.h"

#include <cmath>
#include <cstdio>

ReplayRecorder::ReplayRecorder(const LogicRunner& logic, const std::string& folder)
    : logic(logic), folder(folder.empty() || folder.back() == '/' ? folder : folder + "/"), recording(false),
      ending(false), rank(0), elapsed(0.0), nextSecond(1)
{
}

ReplayRecorder::~ReplayRecorder()
{
    if (recording)
        Finish();
}

std::string ReplayRecorder::LastFile() const
{
    return folder + "last.replay";
}

std::string ReplayRecorder::RankFile(std::size_t place) const
{
    return folder + "highscore" + std::to_string(place) + ".replay";
}

void ReplayRecorder::Begin(std::uint32_t seed, const std::vector<std::pair<std::string, std::string>>& settings,
                           const std::vector<std::uint8_t>& keysHeld, bool focus)
{
    if (recording)
        Finish();
    replay = Replay();
    replay.gameVersion = GORVANE_VERSION;
    replay.seed = seed;
    replay.settings = settings;
    replay.keysHeld = keysHeld;
    replay.focus = focus;
    recording = true;
    ending = false;
    rank = 0;
    elapsed = 0.0;
    nextSecond = 1;
}

void ReplayRecorder::OnFrame(const ReplayFrame& frame)
{
    if (!recording)
        return;
    // The state the frames so far left: a digest whenever another whole second has passed.
    if (elapsed >= double(nextSecond))
    {
        replay.digests.emplace_back(std::uint32_t(replay.frames.size()), GameDigest::Take(logic, nextSecond));
        nextSecond = std::uint32_t(std::floor(elapsed)) + 1;
    }
    if (ending)
    {
        Finish();
        return;
    }
    replay.frames.push_back(frame);
    elapsed += double(frame.seconds);
}

void ReplayRecorder::End()
{
    if (recording)
        ending = true;
}

void ReplayRecorder::Stop()
{
    if (recording)
        Finish();
}

void ReplayRecorder::EnteredHighScores(const std::string& name, int score, std::size_t place)
{
    if (!recording)
        return;
    replay.enteredHighScores = true;
    replay.highScoreName = name.substr(0, HighScoreTable::maxNameLength);
    replay.highScore = score;
    rank = place;
}

void ReplayRecorder::Finish()
{
    recording = false;
    ending = false;
    replay.digests.emplace_back(std::uint32_t(replay.frames.size()),
                                GameDigest::Take(logic, std::uint32_t(std::floor(elapsed))));
    ReplayFile::Save(LastFile(), replay);
    if (rank == 0 || rank > HighScoreTable::maxEntries)
        return;
    // The places below the new entry move down one; the last place's game leaves the table.
    std::remove(RankFile(HighScoreTable::maxEntries).c_str());
    for (std::size_t place = HighScoreTable::maxEntries - 1; place >= rank; --place)
        std::rename(RankFile(place).c_str(), RankFile(place + 1).c_str());
    ReplayFile::Save(RankFile(rank), replay);
}
