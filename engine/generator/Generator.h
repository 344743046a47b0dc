#pragma once
#include <string>

#include <OgreVector.h>

namespace Ogre { class SceneNode; }

namespace Engine
{
    /// Run-time geometry through the current scene's scene manager: double-sided textured quads
    /// gathered in a "tri object" (a manual object) and compiled into a mesh of the same name,
    /// and blue debug lines under scene nodes. Every function does nothing while there is no
    /// scene or no scene manager. Objects belong to the scene manager.
    namespace Generator
    {
        /// Starts a manual object with one triangle-list section in the material.
        void CreateTriObject(const std::string& name, const std::string& material);
        /// Adds the quad p1-p2-p3-p4, visible from both sides; u and v are texture repeat counts.
        void GenerateQuad(const std::string& name, const Ogre::Vector3& p1, const Ogre::Vector3& p2,
                          const Ogre::Vector3& p3, const Ogre::Vector3& p4, float u, float v);
        /// Ends the object and makes a mesh of the same name, with edge list and tangents.
        void CompileTriObject(const std::string& name);
        /// Writes the (compiled) object as a mesh file named fileName.
        void ExportTriObject(const std::string& name, const std::string& fileName);

        /// Draws a node-local line from `from` to `to` under the node.
        void AttachDebugLine(Ogre::SceneNode* node, const Ogre::Vector3& from, const Ogre::Vector3& to);
        /// Removes every debug line under the node; other attached objects stay.
        void DetachDebugLine(Ogre::SceneNode* node);
    }
}
