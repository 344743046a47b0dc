#pragma once
#include <map>
#include <vector>

#include <OgreVector.h>

namespace Engine
{
    class Entity;

    /// Entities in numbered groups, asked which of them lie within a radius of a point. Holds
    /// raw, non-owning pointers: remove an entity before it is destroyed. Queries are linear
    /// scans; positions are those of the entities' scene nodes.
    class ProximityDatabase
    {
    public:
        typedef std::vector<Entity*> EntityList;

        /// Appends the entity to the group (created when new); an entity may be added twice.
        void AddEntity(Entity* entity, unsigned int group);
        /// Removes the first occurrence from the group; unknown groups and entities are ignored.
        void RemoveEntity(Entity* entity, unsigned int group);

        /// Appends to `result` every entity strictly closer than `radius` to `center`, groups in
        /// ascending number, each in insertion order (an entity in two groups comes twice).
        /// The list is not cleared first.
        void FindNeighbors(const Ogre::Vector3& center, float radius, EntityList& result) const;
        /// The same over one group; an unknown group appends nothing.
        void FindNeighborsByGroup(const Ogre::Vector3& center, float radius, EntityList& result,
                                  unsigned int group) const;

        const std::map<unsigned int, EntityList>& GetGroups() const { return groups; }

    private:
        static void Collect(const EntityList& list, const Ogre::Vector3& center, float radiusSquared,
                            EntityList& result);

        std::map<unsigned int, EntityList> groups;
    };
}
