#pragma once
#include <string>
#include <vector>

/// Where the game keeps what it writes: the renderer's configuration, its log and the high-score
/// table. Run from its build tree the game keeps them in the executable's folder, its working
/// directory. An installed game (its folder read-only, or laid out as installed under
/// lib/games/gorvane/bin) keeps them in the player's folders: the configuration under
/// $XDG_CONFIG_HOME/gorvane, the scores under $XDG_DATA_HOME/gorvane, the log under
/// $XDG_STATE_HOME/gorvane, each made when missing.
struct PlayerFiles
{
    /// Decides for the executable's folder (absolute) from the environment. A folder that
    /// cannot be made leaves its file's name as it is (writing it then fails, and the game
    /// says so) and a warning in `warnings`.
    static PlayerFiles Locate(const std::string& executableFolder);

    /// Writes `bytes` to a new file beside `path` and renames it over the old one, so a crash, a
    /// full disk or a write error on the way leaves the old file as it was. Empty on success,
    /// else what went wrong ("Can't write '<path>': <reason>").
    static std::string ReplaceFile(const std::string& path, const std::string& bytes);

    std::string renderSystemFile;
    std::string logFile;
    std::string highScoreFile;
    bool inPlayerFolders = false;
    std::vector<std::string> warnings;
};
