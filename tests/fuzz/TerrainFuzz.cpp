// Terrain description files: any bytes build a terrain or are refused with the engine's error,
// and a terrain that is built can be stood on.
#include "tests/fuzz/Fuzz.h"
#include "tests/fuzz/FuzzWorld.h"
#include "engine/physics/Simulation.h"
#include "engine/scene/Scene.h"

#include <cmath>

namespace
{
    // Height maps the descriptions can name: one pixel, a ramp, and one that is not square.
    void WriteImage(const std::string& name, int width, int height)
    {
        std::string image = "P6\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n";
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                image += std::string{static_cast<char>((x * 37 + y * 11) % 256 | 0x80), '\0', '\0'};
        Fuzz::World::Write(name, reinterpret_cast<const std::uint8_t*>(image.data()), image.size());
    }
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    Fuzz::World::Start();
    WriteImage("fuzz_one.ppm", 1, 1);
    WriteImage("fuzz_ramp.ppm", 8, 8);
    WriteImage("fuzz_wide.ppm", 4, 2);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Fuzz::World::Write("fuzz_terrain.cfg", data, size);
    Engine::Scene& scene = *Engine::Scene::GetSingleton();
    const boost::shared_ptr<Engine::Simulation> physics = Engine::Simulation::GetSingleton();
    Fuzz::ExpectOnlyEngineErrors([&] { scene.SetWorldGeometry("fuzz_terrain.cfg"); });
    physics->Update(1.0 / 60.0);
    physics->WaitForResults();
    Ogre::Vector3 probe(1.0f, -1e6f, 1.0f);
    if (physics->RaycastHeight(probe, 0.0f, 1e6f) && !std::isfinite(probe.y))
        Fuzz::Fail("the terrain's height is not finite");
    Fuzz::ExpectOnlyEngineErrors([&] { scene.SetWorldGeometry(""); });
    return 0;
}
