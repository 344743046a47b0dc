// assetgen: builds the game's generated data (meshes, skeletons, textures, sounds, music) into
// a data folder. Everything is made from code and fixed seeds, so every run writes the same files.
#include <exception>
#include <filesystem>
#include <iostream>
#include <thread>

#include <Ogre.h>
#include <OgreDefaultHardwareBufferManager.h>

#include "Characters.h"
#include "Music.h"
#include "Props.h"
#include "Sounds.h"
#include "Textures.h"

int main(int argc, char** argv)
{
    if (argc != 2 && argc != 4)
    {
        std::cerr << "usage: assetgen <data folder> [<icon theme folder> <icon name>]\n";
        return 2;
    }
    const std::filesystem::path data = argv[1];
    try
    {
        for (const char* folder : {"meshes", "textures", "audio"})
            std::filesystem::create_directories(data / folder);

        // Sound needs nothing of the renderer: it runs beside the mesh and texture work.
        std::exception_ptr audioError;
        std::thread audio([&] {
            try
            {
                AssetGen::WriteSounds((data / "audio").string());
                AssetGen::WriteMusic((data / "audio").string());
            }
            catch (...)
            {
                audioError = std::current_exception();
            }
        });

        // A renderer root without a render system: the managers and serialisers are all that is needed.
        Ogre::LogManager logs;
        logs.createLog("assetgen.log", true, false, true);
        Ogre::Root root("", "", "");
        Ogre::DefaultHardwareBufferManager buffers;
        try
        {
            AssetGen::WriteCharacters((data / "meshes").string());
            AssetGen::WriteProps((data / "meshes").string());
            AssetGen::WriteTextures((data / "textures").string());
            if (argc == 4)
                AssetGen::WriteIcons(argv[2], argv[3]);
        }
        catch (...)
        {
            audio.join();
            throw;
        }
        audio.join();
        if (audioError)
            std::rethrow_exception(audioError);
    }
    catch (const Ogre::Exception& e)
    {
        std::cerr << "assetgen: " << e.getFullDescription() << "\n";
        return 1;
    }
    catch (const std::exception& e)
    {
        std::cerr << "assetgen: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
