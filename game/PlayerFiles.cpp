#include "PlayerFiles.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
    const char* const installedFolder = "/lib/games/gorvane/bin";  // the install's private program folder
    const char* const gameFolder = "gorvane";

    bool EndsWith(const std::string& text, const std::string& end)
    {
        return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
    }

    // The player's home: $HOME, else the account's home folder. Only absolute paths count.
    std::string HomeFolder()
    {
        const char* home = std::getenv("HOME");
        if (home && home[0] == '/')
            return home;
        const passwd* account = getpwuid(getuid());
        if (account && account->pw_dir && account->pw_dir[0] == '/')
            return account->pw_dir;
        return "";
    }

    // An XDG base folder: the variable when it holds an absolute path (empty and relative
    // values are to be ignored), else its default below the home folder.
    std::string BaseFolder(const char* variable, const std::string& home, const char* underHome)
    {
        const char* value = std::getenv(variable);
        if (value && value[0] == '/')
            return value;
        return home.empty() ? "" : home + "/" + underHome;
    }

    // Makes the folder and any missing parents (private to the player, as the XDG rules ask);
    // an empty text on success, else the reason.
    std::string MakeFolders(const std::string& folder)
    {
        for (std::string::size_type slash = folder.find('/', 1);; slash = folder.find('/', slash + 1))
        {
            const std::string part = folder.substr(0, slash);
            if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
                return std::strerror(errno);
            if (slash == std::string::npos)
                break;
        }
        struct stat status;
        if (stat(folder.c_str(), &status) != 0)
            return std::strerror(errno);
        if (!S_ISDIR(status.st_mode))
            return "it is not a folder";
        if (access(folder.c_str(), W_OK) != 0)
            return std::strerror(errno);
        return "";
    }

    // The file's path in the player's folder of this kind; without a usable folder the file
    // keeps its bare name (in the read-only program folder, so writing it fails and says so).
    std::string PlayerFile(const std::string& base, const char* variable, const std::string& file,
                           const std::string& consequence, std::vector<std::string>& warnings)
    {
        if (base.empty())
        {
            warnings.push_back("No folder for " + file + ": neither $" + variable +
                               " nor a home folder is set; " + consequence);
            return file;
        }
        const std::string folder = base + "/" + gameFolder;
        const std::string problem = MakeFolders(folder);
        if (!problem.empty())
        {
            warnings.push_back("Can't use the folder '" + folder + "' for " + file + " (" + problem + "); " +
                               consequence);
            return file;
        }
        return folder + "/" + file;
    }
}

PlayerFiles PlayerFiles::Locate(const std::string& executableFolder)
{
    PlayerFiles files;
    files.renderSystemFile = "ogre.cfg";
    files.logFile = "Gorvane.log";
    files.highScoreFile = "highscores.dat";
    const bool installed = EndsWith(executableFolder, installedFolder);
    if (!installed && access(executableFolder.c_str(), W_OK) == 0)
        return files;  // a build tree: everything beside the executable, as always

    files.inPlayerFolders = true;
    const std::string home = HomeFolder();
    files.renderSystemFile = PlayerFile(BaseFolder("XDG_CONFIG_HOME", home, ".config"), "XDG_CONFIG_HOME",
                                        files.renderSystemFile, "the renderer choice is not kept", files.warnings);
    files.highScoreFile = PlayerFile(BaseFolder("XDG_DATA_HOME", home, ".local/share"), "XDG_DATA_HOME",
                                     files.highScoreFile, "high scores are kept for this session only",
                                     files.warnings);
    files.logFile = PlayerFile(BaseFolder("XDG_STATE_HOME", home, ".local/state"), "XDG_STATE_HOME", files.logFile,
                               "the log is not written", files.warnings);
    return files;
}

std::string PlayerFiles::ReplaceFile(const std::string& path, const std::string& bytes)
{
    const std::string temporary = path + ".new";
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return "Can't create '" + temporary + "': " + std::strerror(errno);
    int error = 0;
    std::size_t written = 0;
    while (error == 0 && written < bytes.size())
    {
        const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            error = n == 0 ? EIO : errno;
        else
            written += std::size_t(n);
    }
    if (error == 0 && ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0 && ::rename(temporary.c_str(), path.c_str()) != 0)
        error = errno;
    if (error == 0)
        return "";
    ::unlink(temporary.c_str());
    return "Can't write '" + path + "': " + std::strerror(error);
}
