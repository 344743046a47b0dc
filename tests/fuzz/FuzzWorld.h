#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace Fuzz
{
    /// The engine as the game starts it (renderer in a small window, the game's settings and
    /// resources, scene and physics singletons), brought up once per process, and a folder of
    /// the resource group "General" into which drivers write their inputs. Game controllers are
    /// not registered, so controller components are not loaded.
    class World
    {
    public:
        static void Start();
        /// Writes the bytes as a file of that name into the resource folder; returns its path.
        static std::string Write(const std::string& name, const std::uint8_t* data, std::size_t size);
        /// Enables every entity of the scene (as streaming does near a camera), runs two frames
        /// of the scene and the physics (every 64th call also draws one: drawing is the slow
        /// part) and fails when any entity ends up with a position or orientation that is not
        /// finite.
        static void RunFrames();
    };
}
