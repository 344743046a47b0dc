#pragma once
#include <string>

namespace Test
{
    /// A fresh directory under /tmp, removed with everything in it on destruction.
    class TempDir
    {
    public:
        explicit TempDir(const std::string& root = "/tmp");
        ~TempDir();
        TempDir(const TempDir&) = delete;
        TempDir& operator=(const TempDir&) = delete;

        const std::string& Path() const { return path; }
        /// Path of a file inside the directory.
        std::string File(const std::string& name) const { return path + "/" + name; }
        /// Writes text to a file inside the directory and returns its path.
        std::string Write(const std::string& name, const std::string& text) const;

    private:
        std::string path;
    };

    /// The whole content of a file ("" when it cannot be read).
    std::string ReadFile(const std::string& path);
}
