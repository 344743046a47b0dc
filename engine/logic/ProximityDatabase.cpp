#include "engine/logic/ProximityDatabase.h"
#include "engine/scene/Entity.h"

#include <algorithm>

#include <OgreSceneNode.h>

namespace Engine
{
    void ProximityDatabase::AddEntity(Entity* entity, unsigned int group)
    {
        groups[group].push_back(entity);
    }

    void ProximityDatabase::RemoveEntity(Entity* entity, unsigned int group)
    {
        const auto found = groups.find(group);
        if (found == groups.end())
            return;
        EntityList& list = found->second;
        const auto position = std::find(list.begin(), list.end(), entity);
        if (position != list.end())
            list.erase(position);
    }

    void ProximityDatabase::FindNeighbors(const Ogre::Vector3& center, float radius, EntityList& result) const
    {
        const float radiusSquared = radius * radius;
        for (const auto& group : groups)
            Collect(group.second, center, radiusSquared, result);
    }

    void ProximityDatabase::FindNeighborsByGroup(const Ogre::Vector3& center, float radius, EntityList& result,
                                                 unsigned int group) const
    {
        const auto found = groups.find(group);
        if (found != groups.end())
            Collect(found->second, center, radius * radius, result);
    }

    void ProximityDatabase::Collect(const EntityList& list, const Ogre::Vector3& center, float radiusSquared,
                                    EntityList& result)
    {
        for (Entity* entity : list)
        {
            // Entities released by their scene have no node and no place.
            const Ogre::SceneNode* node = entity ? entity->GetSceneNode() : nullptr;
            if (node && node->getPosition().squaredDistance(center) < radiusSquared)
                result.push_back(entity);
        }
    }
}
