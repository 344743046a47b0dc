#pragma once
#include <string>

#include <boost/function.hpp>

namespace Test
{
    class TempDir;

    /// Writes a settings file into the folder for an application that uses the build's plug-ins
    /// and the game's resource file, with its log and renderer configuration kept in the folder.
    std::string WriteGameSettings(const TempDir& dir, const std::string& title = "Gorvane test");

    /// A configuration callback that picks the OpenGL render system in a window of the given
    /// video mode (as the renderer names them, "640 x 480").
    boost::function<bool ()> ChooseOpenGL(const std::string& videoMode = "640 x 480");
}
