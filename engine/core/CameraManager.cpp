#include "engine/core/CameraManager.h"
#include "engine/core/Error.h"

#include <algorithm>
#include <atomic>

namespace Engine
{
    namespace
    {
        // Shared by every instance, so that ids stay unique across a release and re-creation.
        std::atomic<int> nextCameraId(0);
    }

    int CameraManager::AddCamera(Ogre::Camera* camera)
    {
        const int id = nextCameraId++;
        cameras.emplace_back(id, camera);
        return id;
    }

    Ogre::Camera* CameraManager::GetCamera(int id)
    {
        for (const auto& entry : cameras)
            if (entry.first == id)
                return entry.second;
        return nullptr;
    }

    void CameraManager::RemoveCamera(int id)
    {
        auto it = std::find_if(cameras.begin(), cameras.end(), [id](const auto& entry) { return entry.first == id; });
        if (it == cameras.end())
            ThrowError("Engine::CameraManager::RemoveCamera", "Can't find camera");
        cameras.erase(it);
    }

    unsigned int CameraManager::GetCameraCount()
    {
        return static_cast<unsigned int>(cameras.size());
    }

    Ogre::Camera* CameraManager::GetCameraByIndex(unsigned int index)
    {
        // Out of range is a caller error; answer with no camera rather than read past the end.
        return index < cameras.size() ? cameras[index].second : nullptr;
    }
}
