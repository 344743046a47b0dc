// Scene files: any bytes load or are refused with the engine's error; whatever loads enables,
// steps and renders without a crash and without a pose that is not finite.
#include "tests/fuzz/Fuzz.h"
#include "tests/fuzz/FuzzWorld.h"
#include "engine/scene/Scene.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    Fuzz::World::Start();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Fuzz::World::Write("fuzz_scene.xml", data, size);
    Fuzz::ExpectOnlyEngineErrors([] { Engine::Scene::GetSingleton()->Load("fuzz_scene.xml"); });
    Fuzz::World::RunFrames();
    return 0;
}
