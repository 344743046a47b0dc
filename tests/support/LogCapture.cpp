#include "tests/support/LogCapture.h"

#include <OgreLogManager.h>

namespace Test
{
    LogCapture::LogCapture()
    {
        if (!Ogre::LogManager::getSingletonPtr())
        {
            ownManager.reset(new Ogre::LogManager);
            ownManager->createLog("test.log", true, false, true);
        }
        log = Ogre::LogManager::getSingleton().getDefaultLog();
        log->addListener(this);
    }

    LogCapture::~LogCapture()
    {
        if (Ogre::LogManager* manager = Ogre::LogManager::getSingletonPtr())
            if (manager->getDefaultLog() == log)
                log->removeListener(this);
    }

    bool LogCapture::Has(const std::string& text, Ogre::LogMessageLevel level) const
    {
        for (const Line& line : lines)
            if (line.text == text && line.level == level)
                return true;
        return false;
    }

    int LogCapture::Count(const std::string& fragment) const
    {
        int count = 0;
        for (const Line& line : lines)
            if (line.text.find(fragment) != std::string::npos)
                ++count;
        return count;
    }

    void LogCapture::messageLogged(const Ogre::String& message, Ogre::LogMessageLevel level, bool,
                                   const Ogre::String&, bool&)
    {
        lines.push_back(Line{message, level});
    }
}
