// The render components on real entities: what they put into the scene, their attribute rules
// and messages, one-shot animations; and a rendered frame of a lit mesh.
#include "engine/core/OgreStreams.h"
#include "engine/scene/Entity.h"
#include "engine/scene/EntityComponentFactory.h"
#include "engine/scene/EntityTemplate.h"
#include "engine/scene/LightEC.h"
#include "engine/scene/ManualObjectEC.h"
#include "engine/scene/MeshEC.h"
#include "engine/scene/ParticleEC.h"
#include "engine/scene/Scene.h"
#include "tests/support/ErrorOf.h"
#include "tests/support/SceneTest.h"

#include <Ogre.h>
#include <gtest/gtest.h>

using Engine::Entity;

namespace
{
    class RenderComponentTest : public Test::SceneTest
    {
    protected:
        void TearDown() override
        {
            Engine::LightEC::Visualize(false, 1.0f, "");
            SceneTest::TearDown();
            Ogre::MeshManager::getSingleton().removeAll();
        }

        /// A template "<name>" with one component and its attributes.
        void Define(const std::string& name, const std::string& component,
                    const std::map<std::string, std::string>& attributes)
        {
            GetScene().GetEntityTemplateManager().CreateTemplate("", name)->AddComponent(component, attributes);
        }

        boost::shared_ptr<Entity> Enabled(const std::string& type, const Ogre::Vector3& at = Ogre::Vector3::ZERO)
        {
            const boost::shared_ptr<Entity> entity = GetScene().CreateEntity(type, at);
            entity->Enable();
            return entity;
        }

        /// A unit cube mesh facing outwards, with normals and texture coordinates, and an empty
        /// one-second animation "Wave".
        void MakeBox(const std::string& mesh)
        {
            Ogre::ManualObject* object = GetScene().GetSceneManager()->createManualObject();
            object->begin("BaseWhite", Ogre::RenderOperation::OT_TRIANGLE_LIST);
            const Ogre::Vector3 normals[6] = {Ogre::Vector3::UNIT_X, Ogre::Vector3::NEGATIVE_UNIT_X,
                                              Ogre::Vector3::UNIT_Y, Ogre::Vector3::NEGATIVE_UNIT_Y,
                                              Ogre::Vector3::UNIT_Z, Ogre::Vector3::NEGATIVE_UNIT_Z};
            for (int face = 0; face < 6; ++face)
            {
                const Ogre::Vector3 n = normals[face], u = n.perpendicular(), v = n.crossProduct(u);
                const Ogre::Vector3 corners[4] = {n - u - v, n + u - v, n + u + v, n - u + v};
                for (int c = 0; c < 4; ++c)
                {
                    object->position(corners[c] * 0.5f);
                    object->normal(n);
                    object->textureCoord(c == 1 || c == 2 ? 1.0f : 0.0f, c >= 2 ? 1.0f : 0.0f);
                }
                object->quad(face * 4, face * 4 + 1, face * 4 + 2, face * 4 + 3);
            }
            object->end();
            Ogre::MeshPtr made = object->convertToMesh(mesh);
            made->createAnimation("Wave", 1.0f);
            GetScene().GetSceneManager()->destroyManualObject(object);
        }
    };
}

TEST_F(RenderComponentTest, FactoryKnowsTheRenderComponents)
{
    Engine::EntityComponentFactory& factory = Engine::EntityComponentFactory::GetSingleton();
    EXPECT_EQ("Mesh", factory.Create("Mesh")->GetId());
    EXPECT_EQ("Light", factory.Create("Light")->GetId());
    EXPECT_EQ("Particle", factory.Create("Particle")->GetId());
    EXPECT_EQ("ManualObject", factory.Create("ManualObject")->GetId());
}

TEST_F(RenderComponentTest, MeshAttributesAndMessages)
{
    MakeBox("box.mesh");
    Define("Box", "Mesh", {{"File", "box.mesh"}, {"CastShadows", "false"}, {"Material", "BaseWhiteNoLighting"}});
    const boost::shared_ptr<Entity> box = Enabled("Box", Ogre::Vector3(0, 0, 0));
    auto mesh = boost::dynamic_pointer_cast<Engine::MeshEC>(box->GetComponent("Mesh"));
    ASSERT_TRUE(mesh && mesh->GetMesh());
    EXPECT_EQ(box->GetSceneNode(), mesh->GetMesh()->getParentSceneNode());
    EXPECT_FALSE(mesh->GetMesh()->getCastShadows());
    EXPECT_EQ("BaseWhiteNoLighting", mesh->GetMesh()->getSubEntity(0)->getMaterialName());
    EXPECT_TRUE(mesh->GetMesh()->getMesh()->isEdgeListBuilt());
    EXPECT_TRUE(box->GetBoundingBox().contains(Ogre::Vector3(0.49f, 0.49f, 0.49f)));
    const std::string name = mesh->GetMesh()->getName();
    box->Disable();
    EXPECT_FALSE(GetScene().GetSceneManager()->hasEntity(name));

    Define("Loud", "Mesh", {{"File", "box.mesh"}, {"CastShadows", "TRUE"}});
    EXPECT_EQ("Error in Engine::MeshEC::Load(). Loud component 'Mesh' attribute 'CastShadows' value 'TRUE' is invalid "
              "or not supported.",
              ::Test::ErrorOf([&] { Enabled("Loud"); }));
    Define("Fileless", "Mesh", {});
    EXPECT_EQ("Error in Engine::MeshEC::Load(). Fileless component 'Mesh' has no attribute named 'File'.",
              ::Test::ErrorOf([&] { Enabled("Fileless"); }));
    Define("Blank", "Mesh", {{"File", ""}});
    EXPECT_EQ("Error in Engine::MeshEC::Load(). Blank component 'Mesh' attribute 'File' value '' is invalid or not "
              "supported.",
              ::Test::ErrorOf([&] { Enabled("Blank"); }));
    Define("Missing", "Mesh", {{"File", "missing.mesh"}});
    EXPECT_EQ("Error in Engine::MeshEC::Load(). Missing component 'Mesh' was unable to load geometry from "
              "'missing.mesh'.",
              ::Test::ErrorOf([&] { Enabled("Missing"); }));
    // Failed loads leave nothing behind.
    EXPECT_EQ(0u, GetScene().GetSceneManager()->getMovableObjects("Entity").size());
}

TEST_F(RenderComponentTest, OneShotAnimationCarriesTheOvershoot)
{
    MakeBox("box.mesh");
    Define("Box", "Mesh", {{"File", "box.mesh"}});
    const boost::shared_ptr<Entity> box = Enabled("Box");
    auto mesh = boost::dynamic_pointer_cast<Engine::MeshEC>(box->GetComponent("Mesh"));
    Ogre::AnimationState* wave = mesh->GetMesh()->getAnimationState("Wave");

    // Length 1 at speed 2 in frames of 0.3 s: ends in the second frame, 0.2 past the end.
    mesh->AnimPlayOnce("Wave", 2.0f, true);
    EXPECT_TRUE(wave->getEnabled());
    EXPECT_FALSE(wave->getLoop());
    mesh->Update(0.3f);
    EXPECT_FLOAT_EQ(0.6f, wave->getTimePosition());
    mesh->AnimPlayOnce("Wave", 10.0f, true);      // still playing: no restart, no new speed
    EXPECT_FLOAT_EQ(0.6f, wave->getTimePosition());
    mesh->Update(0.3f);
    EXPECT_NEAR(0.2f, wave->getTimePosition(), 1e-5f);
    EXPECT_FALSE(wave->getEnabled());

    // Ended: it can be started again, from where it stands or from the start.
    mesh->AnimPlayOnce("Wave", 1.0f, false);
    EXPECT_TRUE(wave->getEnabled());
    EXPECT_NEAR(0.2f, wave->getTimePosition(), 1e-5f);
    mesh->Update(0.5f);
    EXPECT_NEAR(0.7f, wave->getTimePosition(), 1e-5f);
}

TEST_F(RenderComponentTest, LightAttributes)
{
    Define("Lamp", "Light", {{"Type", "Point"}, {"Direction", "1 0 0"}, {"Diffuse", "1 0.5 0 1"},
                             {"Specular", "0 0 1 1"}, {"Power", "2.5"}, {"Attenuation", "50 1 0.1 0.01"},
                             {"Position", "0 3 0"}, {"CastShadows", "false"}});
    const boost::shared_ptr<Entity> lamp = Enabled("Lamp", Ogre::Vector3(10, 0, 0));
    auto component = boost::dynamic_pointer_cast<Engine::LightEC>(lamp->GetComponent("Light"));
    Ogre::Light* light = component->GetLight();
    ASSERT_TRUE(light);
    EXPECT_EQ(Ogre::Light::LT_POINT, light->getType());
    EXPECT_EQ(Ogre::ColourValue(1, 0.5f, 0, 1), light->getDiffuseColour());
    EXPECT_EQ(Ogre::ColourValue(0, 0, 1, 1), light->getSpecularColour());
    EXPECT_FLOAT_EQ(2.5f, light->getPowerScale());
    EXPECT_FLOAT_EQ(50.0f, light->getAttenuationRange());
    EXPECT_FLOAT_EQ(0.01f, light->getAttenuationQuadric());
    EXPECT_FALSE(light->getCastShadows());
    EXPECT_TRUE(Ogre::Vector3(10, 3, 0).positionEquals(light->getDerivedPosition(true)));
    EXPECT_TRUE(Ogre::Vector3::NEGATIVE_UNIT_Z.positionEquals(light->getDerivedDirection()));   // "Point" ignores it
    EXPECT_FALSE(component->GetVisualization());

    // Values for animation tracks are made once.
    Ogre::AnimableValuePtr diffuse = component->GetAnimableValue("diffuseColour");
    ASSERT_TRUE(diffuse);
    EXPECT_EQ(diffuse, component->GetAnimableValue("diffuseColour"));
    lamp->Disable();
    EXPECT_FALSE(component->GetAnimableValue("diffuseColour"));
    EXPECT_EQ(0u, GetScene().GetSceneManager()->getMovableObjects("Light").size());

    Define("Beam", "Light", {{"Type", "Spot"}, {"Direction", "1 0 0"}});
    auto beam = boost::dynamic_pointer_cast<Engine::LightEC>(Enabled("Beam")->GetComponent("Light"));
    EXPECT_TRUE(Ogre::Vector3::UNIT_X.positionEquals(beam->GetLight()->getDerivedDirection(), 1e-4f));

    Define("Dim", "Light", {{"Type", "Point"}, {"Attenuation", "50 1 0.1"}});
    EXPECT_NE(std::string::npos, ::Test::ErrorOf([&] { Enabled("Dim"); }).find("Attenuation"));
    Define("Odd", "Light", {{"Type", "Neon"}});
    EXPECT_EQ("Error in Engine::LightEC::Load(). Odd component 'Light' attribute 'Type' value 'Neon' is invalid or "
              "not supported.",
              ::Test::ErrorOf([&] { Enabled("Odd"); }));
    Define("Typeless", "Light", {});
    EXPECT_EQ("Error in Engine::LightEC::Load(). Typeless component 'Light' has no attribute named 'Type'.",
              ::Test::ErrorOf([&] { Enabled("Typeless"); }));
    EXPECT_EQ(1u, GetScene().GetSceneManager()->getMovableObjects("Light").size());
}

TEST_F(RenderComponentTest, VisualisedLightsGetABillboardInTheirColour)
{
    Define("Lamp", "Light", {{"Type", "Point"}, {"Diffuse", "1 0 0 1"}});
    Define("Plain", "Light", {{"Type", "Directional"}});
    Engine::LightEC::Visualize(true, 2.0f, "BaseWhiteNoLighting");
    const boost::shared_ptr<Entity> lamp = Enabled("Lamp");
    Ogre::BillboardSet* set =
        GetScene().GetSceneManager()->getBillboardSet("LightVis" + lamp->GetName());
    ASSERT_EQ(1u, set->getNumBillboards());
    EXPECT_EQ("BaseWhiteNoLighting", set->getMaterialName());
    EXPECT_FLOAT_EQ(2.0f, set->getBillboard(0)->getOwnWidth());
    EXPECT_FLOAT_EQ(2.0f, set->getBillboard(0)->getOwnHeight());
    EXPECT_EQ(Ogre::ColourValue(1, 0, 0, 1), set->getBillboard(0)->getColour());
    const boost::shared_ptr<Entity> plain = Enabled("Plain");
    EXPECT_EQ(Ogre::ColourValue::White,
              GetScene().GetSceneManager()->getBillboardSet("LightVis" + plain->GetName())->getBillboard(0)->getColour());
    lamp->Disable();
    EXPECT_FALSE(GetScene().GetSceneManager()->hasBillboardSet("LightVis" + lamp->GetName()));

    Engine::LightEC::Visualize(false, 2.0f, "BaseWhiteNoLighting");
    EXPECT_FALSE(GetScene().GetSceneManager()->hasBillboardSet("LightVis" + Enabled("Lamp")->GetName()));
}

TEST_F(RenderComponentTest, ParticleSystemsComeFromTemplates)
{
    ::Test::Renderer::LoadPlugin("Plugin_ParticleFX");
    Ogre::ParticleSystemManager::getSingleton().createTemplate("Sparks", "General");
    Define("Fire", "Particle", {{"Source", "Sparks"}});
    const boost::shared_ptr<Entity> fire = Enabled("Fire");
    auto particle = boost::dynamic_pointer_cast<Engine::ParticleEC>(fire->GetComponent("Particle"));
    ASSERT_TRUE(particle->GetParticleSystem());
    EXPECT_EQ("Sparks" + fire->GetName(), particle->GetParticleSystem()->getName());
    EXPECT_EQ(fire->GetSceneNode(), particle->GetParticleSystem()->getParentSceneNode());
    fire->Disable();
    EXPECT_FALSE(GetScene().GetSceneManager()->hasParticleSystem("Sparks" + fire->GetName()));

    Define("Smoke", "Particle", {{"Source", "Nothing"}});
    EXPECT_EQ("Error in Engine::ParticleEC::Load(). Smoke component 'Particle': error loading particle system "
              "template 'Nothing'",
              ::Test::ErrorOf([&] { Enabled("Smoke"); }));
    Define("Sourceless", "Particle", {});
    EXPECT_EQ("Error in Engine::ParticleEC::Load(). Sourceless component 'Particle' has no attribute named 'Source'.",
              ::Test::ErrorOf([&] { Enabled("Sourceless"); }));
}

TEST_F(RenderComponentTest, ManualObjectsAreShownButNotOwned)
{
    Ogre::ManualObject* made = GetScene().GetSceneManager()->createManualObject("Fence");
    made->begin("BaseWhite", Ogre::RenderOperation::OT_TRIANGLE_LIST);
    made->position(0, 0, 0);
    made->position(4, 0, 0);
    made->position(0, 2, 0);
    made->end();
    Define("Fence", "ManualObject", {{"Source", "Fence"}, {"CastShadows", "false"}});
    const boost::shared_ptr<Entity> fence = Enabled("Fence");
    EXPECT_EQ(fence->GetSceneNode(), made->getParentSceneNode());
    EXPECT_FALSE(made->getCastShadows());
    EXPECT_TRUE(fence->GetBoundingBox().contains(Ogre::Vector3(3.9f, 0.1f, 0)));
    fence->Disable();
    EXPECT_FALSE(made->isAttached());
    EXPECT_TRUE(GetScene().GetSceneManager()->hasManualObject("Fence"));

    Define("Ghost", "ManualObject", {{"Source", "Nobody"}});
    EXPECT_EQ("Error in Engine::ManualObjectEC::Load(). Ghost component 'ManualObject' can't find source 'Nobody'",
              ::Test::ErrorOf([&] { Enabled("Ghost"); }));
    Define("Blank", "ManualObject", {{"Source", ""}});
    EXPECT_EQ("Error in Engine::ManualObjectEC::Load(). Blank component 'ManualObject' attribute 'Source' value '' is "
              "invalid or not supported.",
              ::Test::ErrorOf([&] { Enabled("Blank"); }));
}

TEST_F(RenderComponentTest, LitMeshIsDrawnWhereItStands)
{
    MakeBox("box.mesh");
    Define("Box", "Mesh", {{"File", "box.mesh"}, {"CastShadows", "false"}});
    Define("Sun", "Light", {{"Type", "Directional"}, {"Direction", "0 0 -1"}, {"Diffuse", "1 0 0 1"}});
    Ogre::SceneManager* manager = GetScene().GetSceneManager();
    manager->setShadowTechnique(Ogre::SHADOWTYPE_NONE);
    Ogre::Camera* camera = manager->createCamera("Eye");
    camera->setNearClipDistance(0.1f);
    manager->getRootSceneNode()->createChildSceneNode(Ogre::Vector3(0, 0, 5))->attachObject(camera);
    Ogre::RenderWindow& window = ::Test::Renderer::Window();
    Ogre::Viewport* viewport = window.addViewport(camera);
    viewport->setBackgroundColour(Ogre::ColourValue::Black);
    camera->setAspectRatio(320.0f / 240.0f);

    // A box left of the centre, lit red from the camera's side.
    Enabled("Box", Ogre::Vector3(-1.2f, 0, 0));
    Enabled("Sun");
    ::Test::Renderer::Root().renderOneFrame();
    window.update();

    Ogre::Image image(Ogre::PF_BYTE_RGB, 320, 240);
    Ogre::PixelBox box = image.getPixelBox();
    window.copyContentsToMemory(box, box);
    const Ogre::ColourValue left = image.getColourAt(83, 120, 0);
    const Ogre::ColourValue right = image.getColourAt(240, 120, 0);
    EXPECT_GT(left.r, 0.5f) << left;
    EXPECT_LT(left.g, 0.1f) << left;
    EXPECT_LT(right.r + right.g + right.b, 0.05f) << right;
    window.removeAllViewports();
}
