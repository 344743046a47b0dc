// Template files: any bytes load or are refused with the engine's error; every template that
// loads is placed as an entity, enabled, stepped and drawn without a crash.
#include "tests/fuzz/Fuzz.h"
#include "tests/fuzz/FuzzWorld.h"
#include "engine/scene/EntityTemplate.h"
#include "engine/scene/Scene.h"

#include <vector>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    Fuzz::World::Start();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Engine::Scene& scene = *Engine::Scene::GetSingleton();
    scene.Clear();
    Fuzz::World::Write("fuzz_templates.xml", data, size);
    Engine::EntityTemplateManager& templates = scene.GetEntityTemplateManager();
    Fuzz::ExpectOnlyEngineErrors([&] { templates.AddFile("fuzz_templates.xml"); });
    std::vector<std::string> names;
    for (auto it = templates.GetFirst("fuzz_templates.xml"); it != templates.GetEnd("fuzz_templates.xml"); ++it)
        names.push_back(it->first);
    for (const std::string& name : names)
        Fuzz::ExpectOnlyEngineErrors([&] { scene.CreateEntity(name, Ogre::Vector3(0, 1, 0)); });
    Fuzz::World::RunFrames();
    return 0;
}
