// The generated meshes load through the renderer with their skeletons, materials and the
// animations and bones the game asks for by name, and keep the sizes the physics builds from.
#include <gtest/gtest.h>

#include <Ogre.h>
#include <OgreTagPoint.h>

#include "tests/data/GameData.h"
#include "tests/support/RenderTest.h"

namespace
{
    class Meshes : public ::Test::GameData::ResourceTest
    {
    protected:
        void SetUp() override
        {
            ResourceTest::SetUp();
            scene = ::Test::Renderer::Root().createSceneManager();
        }
        Ogre::MeshPtr Load(const std::string& name)
        {
            return Ogre::MeshManager::getSingleton().load(name, Ogre::ResourceGroupManager::AUTODETECT_RESOURCE_GROUP_NAME);
        }
        Ogre::SceneManager* scene = nullptr;
    };

    TEST_F(Meshes, EveryMeshLoadsWithScriptedMaterialsAndBuildsWhatTheMeshComponentBuilds)
    {
        for (const std::string& name : ::Test::GameData::Meshes)
        {
            SCOPED_TRACE(name);
            Ogre::MeshPtr mesh = Load(name);
            ASSERT_TRUE(mesh);
            ASSERT_GT(mesh->getNumSubMeshes(), 0u);
            for (unsigned i = 0; i < mesh->getNumSubMeshes(); ++i)
            {
                const std::string& material = mesh->getSubMesh(i)->getMaterialName();
                EXPECT_TRUE(Ogre::MaterialManager::getSingleton().resourceExists(material, "Data.General"))
                    << "sub-mesh " << i << " names the unknown material '" << material << "'";
            }
            // The mesh component builds tangents from texture set 0 and an edge list for shadows.
            EXPECT_NO_THROW(mesh->buildTangentVectors(Ogre::VES_TANGENT, 0, 0));
            EXPECT_NO_THROW(mesh->buildEdgeList());
            Ogre::Entity* entity = nullptr;
            EXPECT_NO_THROW(entity = scene->createEntity(name));
            if (entity)
                scene->getRootSceneNode()->attachObject(entity);
        }
        ::Test::Renderer::Root().renderOneFrame();
    }

    struct Expected
    {
        const char* mesh;
        std::vector<std::string> animations;
    };

    TEST_F(Meshes, CharactersHaveTheNamedAnimationsLoopingCleanly)
    {
        const std::vector<Expected> characters = {{"Character.Player.mesh", {"Walk_Pistol", "Walk_Shotgun", "Walk1"}},
                                                  {"Character.Zombie.mesh", {"Idle1", "Walk1", "Punch", "Attacked2"}}};
        for (const Expected& character : characters)
        {
            Ogre::Entity* entity = scene->createEntity(character.mesh);
            ASSERT_TRUE(entity->hasSkeleton()) << character.mesh;
            for (const std::string& name : character.animations)
            {
                SCOPED_TRACE(std::string(character.mesh) + " " + name);
                ASSERT_TRUE(entity->hasAnimationState(name));
                Ogre::AnimationState* state = entity->getAnimationState(name);
                EXPECT_GE(state->getLength(), 0.5f);
                EXPECT_LE(state->getLength(), 3.0f);
                Ogre::Animation* animation = entity->getSkeleton()->getAnimation(name);
                EXPECT_GE(animation->getNumNodeTracks(), 10u) << "animations move the whole body";
                if (name.find("Walk") == 0 || name == "Idle1")
                    for (const auto& [handle, track] : animation->_getNodeTrackList())
                    {
                        // A looping cycle ends where it starts, or the character jerks once a cycle.
                        const auto* first = track->getNodeKeyFrame(0);
                        const auto* last = track->getNodeKeyFrame(track->getNumKeyFrames() - 1);
                        EXPECT_TRUE(first->getRotation().equals(last->getRotation(), Ogre::Degree(0.5f)))
                            << "bone " << track->getAssociatedNode()->getName();
                        EXPECT_LT(first->getTranslate().distance(last->getTranslate()), 0.001f);
                    }
            }
        }
        // The corpse freezes "Attacked2" at 0.5 s: that pose must be inside the animation.
        EXPECT_GT(scene->createEntity("Character.Zombie.mesh")->getAnimationState("Attacked2")->getLength(), 0.5f);
    }

    TEST_F(Meshes, WeaponsHangFromThePlayersRightHandAndPointForwardWhenAiming)
    {
        Ogre::Entity* player = scene->createEntity("Character.Player.mesh");
        ASSERT_TRUE(player->getSkeleton()->hasBone("RightHand"));
        Ogre::SceneNode* node = scene->getRootSceneNode()->createChildSceneNode();
        node->attachObject(player);
        struct Weapon
        {
            const char* mesh;
            const char* walk;
            float roll;
        };
        for (const Weapon& weapon : {Weapon{"Object.Pistol.mesh", "Walk_Pistol", -42},
                                     Weapon{"Object.Shotgun.mesh", "Walk_Shotgun", -30}})
        {
            SCOPED_TRACE(weapon.mesh);
            Ogre::Entity* gun = scene->createEntity(weapon.mesh);
            Ogre::TagPoint* tag = player->attachObjectToBone("RightHand", gun,
                                                             Ogre::Quaternion(Ogre::Degree(weapon.roll), Ogre::Vector3::UNIT_Z));
            Ogre::AnimationState* walk = player->getAnimationState(weapon.walk);
            walk->setEnabled(true);
            walk->setTimePosition(0);
            player->getSkeleton()->setAnimationState(*player->getAllAnimationStates());
            player->getSkeleton()->_updateTransforms();
            tag->_update(true, false);
            // The game puts the muzzle flash at (0, -0.25, 0) of the weapon: the barrel runs along
            // the weapon's -y axis, which the aiming walk turns to the character's front (+z).
            const Ogre::Vector3 barrel = tag->_getFullLocalTransform().linear() * Ogre::Vector3::NEGATIVE_UNIT_Y;
            EXPECT_GT(barrel.normalisedCopy().z, 0.85f) << "barrel direction " << barrel;
            const Ogre::Vector3 muzzle = tag->_getFullLocalTransform() * Ogre::Vector3(0, -0.25f, 0);
            EXPECT_GT(muzzle.z, 0.3f) << "muzzle " << muzzle;
            EXPECT_GT(muzzle.y, 0.9f) << "muzzle " << muzzle;
            EXPECT_LT(muzzle.y, 1.6f) << "muzzle " << muzzle;
            player->detachObjectFromBone(gun);
            walk->setEnabled(false);
        }
    }

    TEST_F(Meshes, BoundsGiveTheBodiesTheGameExpects)
    {
        // Characters: a 1 x 1.8 x 1 box standing on the origin (capsule radius 0.5, height 0.8).
        for (const char* name : {"Character.Player.mesh", "Character.Zombie.mesh"})
        {
            const Ogre::AxisAlignedBox box = Load(name)->getBounds();
            EXPECT_TRUE(box.getSize().positionEquals(Ogre::Vector3(1, 1.8f, 1), 0.01f)) << name << " " << box.getSize();
            EXPECT_NEAR(box.getMinimum().y, 0.0f, 0.01f) << name;
        }
        // Everything else stands on its origin or is centred on it, and has some size on every axis.
        const Ogre::AxisAlignedBox grenade = Load("Object.Grenade.mesh")->getBounds();
        EXPECT_NEAR(grenade.getSize().length() / std::sqrt(3.0f), 0.3f, 0.05f) << "a ball of about 0.3";
        EXPECT_TRUE(grenade.getCenter().positionEquals(Ogre::Vector3::ZERO, 0.01f));
        for (const std::string& name : ::Test::GameData::Meshes)
        {
            const Ogre::Vector3 size = Load(name)->getBounds().getSize();
            EXPECT_GT(std::min({size.x, size.y, size.z}), 0.04f) << name;
        }
        EXPECT_NEAR(Load("Arena.Wall.mesh")->getBounds().getSize().x, 8.1f, 0.01f) << "walls tile every 8 units";
        EXPECT_NEAR(Load("Arena.Wall.mesh")->getBounds().getMinimum().y, 0.0f, 0.01f);
    }
}
