#pragma once
#include <functional>
#include <map>
#include <string>

#include <OgreQuaternion.h>
#include <OgreSkeleton.h>
#include <OgreVector.h>

namespace AssetGen
{
    /// A skeleton under construction: bones in a hierarchy and keyframed animations, sampled
    /// from functions of time. Keyframes hold offsets from the binding pose, as Ogre applies them.
    class Rig
    {
    public:
        /// Offset of one bone at one moment: rotation and translation relative to its bind pose.
        struct Offset
        {
            Ogre::Quaternion rotation = Ogre::Quaternion::IDENTITY;
            Ogre::Vector3 translation = Ogre::Vector3::ZERO;
        };
        using Pose = std::map<std::string, Offset>;

        explicit Rig(const std::string& name);
        ~Rig();

        /// Adds a bone at `position` relative to its parent (no parent: the root).
        unsigned short AddBone(const std::string& name, const std::string& parent, const Ogre::Vector3& position,
                               const Ogre::Quaternion& orientation = Ogre::Quaternion::IDENTITY);
        unsigned short Handle(const std::string& bone) const;
        /// Position of the bone in the binding pose, in mesh space.
        Ogre::Vector3 BindPosition(const std::string& bone) const;

        /// Samples `pose(time)` at `keys` evenly spaced moments over `length` seconds (the last key at
        /// `length`; for looping animations pose(length) should equal pose(0)).
        void AddAnimation(const std::string& name, float length, int keys, const std::function<Pose(float)>& pose);

        void Export(const std::string& path);
        const std::string& Name() const { return name; }

    private:
        std::string name;
        Ogre::SkeletonPtr skeleton;
    };

    /// Rotation of `degrees` about an axis, a shorthand for poses.
    Ogre::Quaternion Rot(float degrees, const Ogre::Vector3& axis);
}
