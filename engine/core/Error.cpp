#include "engine/core/Error.h"
#include "engine/core/Exception.h"

#include <OgreLogManager.h>

namespace Engine
{
    namespace
    {
        void Log(const std::string& text, Ogre::LogMessageLevel level)
        {
            // Errors can happen before the renderer exists (settings, state manager); they
            // are still thrown, only not logged.
            if (Ogre::LogManager* log = Ogre::LogManager::getSingletonPtr())
                log->logMessage(text, level);
        }
    }

    void ThrowError(const std::string& where, const std::string& detail)
    {
        const std::string text = "Error in " + where + "(). " + detail;
        Log(text, Ogre::LML_CRITICAL);
        throw Exception(text);
    }

    void LogWarning(const std::string& where, const std::string& detail)
    {
        Log("Warning in " + where + "(): " + detail, Ogre::LML_NORMAL);
    }

    void LogInfo(const std::string& text)
    {
        Log(text, Ogre::LML_NORMAL);
    }

    void LogCritical(const std::string& text)
    {
        Log(text, Ogre::LML_CRITICAL);
    }
}
