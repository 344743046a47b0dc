#pragma once
#include <memory>
#include <string>
#include <vector>

#include <OgreLog.h>

namespace Ogre { class LogManager; }

namespace Test
{
    /// Records what the renderer's default log receives while it lives. When no log manager
    /// exists yet, makes one (with a log that writes no file) so that engine messages are kept.
    class LogCapture : public Ogre::LogListener
    {
    public:
        struct Line
        {
            std::string text;
            Ogre::LogMessageLevel level;
        };

        LogCapture();
        ~LogCapture() override;

        const std::vector<Line>& Lines() const { return lines; }
        /// True when a line with exactly this text was logged at this level.
        bool Has(const std::string& text, Ogre::LogMessageLevel level) const;
        /// Number of lines containing the fragment, at any level.
        int Count(const std::string& fragment) const;
        void Clear() { lines.clear(); }

        void messageLogged(const Ogre::String& message, Ogre::LogMessageLevel level, bool maskDebug,
                           const Ogre::String& logName, bool& skipThisMessage) override;

    private:
        std::unique_ptr<Ogre::LogManager> ownManager;
        Ogre::Log* log;
        std::vector<Line> lines;
    };
}
