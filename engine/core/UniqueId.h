#pragma once
#include <string>

namespace Engine
{
    /// Process-wide id counter shared by every caller; the first id is -2147483647.
    /// Safe to call from any thread.
    int GenerateUniqueId();
    /// The next id as signed decimal text (names of entities, lights, meshes, debug lines).
    std::string GenerateUniqueIdString();
}
