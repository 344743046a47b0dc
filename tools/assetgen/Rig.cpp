#include "Rig.h"

#include <stdexcept>

#include <OgreAnimation.h>
#include <OgreBone.h>
#include <OgreKeyFrame.h>
#include <OgreSkeletonManager.h>
#include <OgreSkeletonSerializer.h>

namespace AssetGen
{
    Ogre::Quaternion Rot(float degrees, const Ogre::Vector3& axis)
    {
        return Ogre::Quaternion(Ogre::Degree(degrees), axis);
    }

    Rig::Rig(const std::string& name) : name(name)
    {
        skeleton = Ogre::SkeletonManager::getSingleton().create(name, Ogre::ResourceGroupManager::DEFAULT_RESOURCE_GROUP_NAME);
    }

    Rig::~Rig()
    {
        // The mesh that names this skeleton is exported (and dropped) before the rig goes away.
        Ogre::SkeletonManager::getSingleton().remove(skeleton);
    }

    unsigned short Rig::AddBone(const std::string& bone, const std::string& parent, const Ogre::Vector3& position,
                                const Ogre::Quaternion& orientation)
    {
        const unsigned short handle = skeleton->getNumBones();
        Ogre::Bone* b = skeleton->createBone(bone, handle);
        if (!parent.empty())
            skeleton->getBone(parent)->addChild(b);
        b->setPosition(position);
        b->setOrientation(orientation);
        skeleton->setBindingPose();
        return handle;
    }

    unsigned short Rig::Handle(const std::string& bone) const
    {
        return skeleton->getBone(bone)->getHandle();
    }

    Ogre::Vector3 Rig::BindPosition(const std::string& bone) const
    {
        Ogre::Bone* b = skeleton->getBone(bone);
        b->_update(true, true);
        Ogre::Node* root = b;
        while (root->getParent())
            root = root->getParent();
        root->_update(true, false);
        return b->_getDerivedPosition();
    }

    void Rig::AddAnimation(const std::string& animation, float length, int keys, const std::function<Pose(float)>& pose)
    {
        Ogre::Animation* anim = skeleton->createAnimation(animation, length);
        anim->setInterpolationMode(Ogre::Animation::IM_LINEAR);
        std::map<std::string, Ogre::NodeAnimationTrack*> tracks;
        for (int k = 0; k <= keys; ++k)
        {
            const float time = length * static_cast<float>(k) / static_cast<float>(keys);
            const Pose p = pose(time);
            for (const auto& [bone, offset] : p)
            {
                if (!skeleton->hasBone(bone))
                    throw std::invalid_argument("Rig " + name + ": animation " + animation + " moves unknown bone " + bone);
                Ogre::NodeAnimationTrack*& track = tracks[bone];
                if (!track)
                    track = anim->createNodeTrack(Handle(bone), skeleton->getBone(bone));
                Ogre::TransformKeyFrame* key = track->createNodeKeyFrame(time);
                key->setRotation(offset.rotation);
                key->setTranslate(offset.translation);
            }
        }
    }

    void Rig::Export(const std::string& path)
    {
        Ogre::SkeletonSerializer serializer;
        serializer.exportSkeleton(skeleton.get(), path);
    }
}
