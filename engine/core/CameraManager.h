#pragma once
#include <utility>
#include <vector>

#include "engine/core/Singleton.h"

namespace Ogre { class Camera; }

namespace Engine
{
    /// Engine-wide register of the renderer's cameras by small integer ids. Ids come from one
    /// process-wide counter and are never reused. The cameras stay the scene manager's.
    class CameraManager : public Singleton<CameraManager>
    {
    public:
        /// Registers the camera under the next id; the same camera may be added again.
        int AddCamera(Ogre::Camera* camera);
        /// The camera registered under the id, or null.
        Ogre::Camera* GetCamera(int id);
        void RemoveCamera(int id);
        unsigned int GetCameraCount();
        /// Index in order of addition; must be below GetCameraCount().
        Ogre::Camera* GetCameraByIndex(unsigned int index);

    private:
        std::vector<std::pair<int, Ogre::Camera*>> cameras; // cameras not owned
    };
}
