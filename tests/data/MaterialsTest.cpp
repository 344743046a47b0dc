// Materials, particle systems, the compositor and the font the game names resolve from the
// game's resource locations, with every texture they use.
#include <gtest/gtest.h>

#include <Ogre.h>
#include <OgreFontManager.h>

#include "tests/data/GameData.h"
#include "tests/support/LogCapture.h"
#include "tests/support/RenderTest.h"

namespace
{
    class Resources : public ::Test::GameData::ResourceTest
    {
    };

    std::vector<std::string> MaterialsOfMeshes()
    {
        std::vector<std::string> names;
        for (const std::string& mesh : ::Test::GameData::Meshes)
        {
            Ogre::MeshPtr m = Ogre::MeshManager::getSingleton().load(mesh, Ogre::ResourceGroupManager::AUTODETECT_RESOURCE_GROUP_NAME);
            for (unsigned i = 0; i < m->getNumSubMeshes(); ++i)
                names.push_back(m->getSubMesh(i)->getMaterialName());
        }
        return names;
    }

    TEST_F(Resources, EveryMaterialLoadsWithAllItsTextures)
    {
        std::vector<std::string> names = ::Test::GameData::Materials;
        for (const std::string& m : MaterialsOfMeshes())
            names.push_back(m);
        for (const std::string& name : names)
        {
            SCOPED_TRACE(name);
            Ogre::MaterialPtr material = Ogre::MaterialManager::getSingleton().getByName(name, "Data.General");
            ASSERT_TRUE(material) << "no material named " << name;
            material->load();
            ASSERT_FALSE(material->getSupportedTechniques().empty()) << material->getUnsupportedTechniquesExplanation();
            for (Ogre::Pass* pass : material->getTechnique(0)->getPasses())
                for (Ogre::TextureUnitState* unit : pass->getTextureUnitStates())
                {
                    if (unit->getContentType() != Ogre::TextureUnitState::CONTENT_NAMED || unit->getTextureName().empty())
                        continue;
                    const Ogre::TexturePtr texture = unit->_getTexturePtr();
                    ASSERT_TRUE(texture) << unit->getTextureName();
                    EXPECT_TRUE(texture->isLoaded()) << unit->getTextureName();
                    EXPECT_GT(texture->getWidth(), 1u) << unit->getTextureName();
                }
        }
        // The logos fade through the alpha of their first texture unit: they must blend by alpha.
        for (const char* logo : {"Logo.Quillmark", "Logo.Voltaro"})
        {
            Ogre::Pass* pass = Ogre::MaterialManager::getSingleton().getByName(logo)->getTechnique(0)->getPass(0);
            EXPECT_TRUE(pass->isTransparent()) << logo;
            ASSERT_GT(pass->getNumTextureUnitStates(), 0u) << logo;
        }
        EXPECT_TRUE(Ogre::MaterialManager::getSingleton().getByName("HUD.Background")->isTransparent());
    }

    TEST_F(Resources, EveryEffectTemplateHasAParticleSystemThatEmits)
    {
        const ::Test::GameData::Templates templates = ::Test::GameData::LoadTemplates();
        Ogre::SceneManager* scene = ::Test::Renderer::Root().createSceneManager();
        Ogre::Camera* camera = scene->createCamera("Camera");
        Ogre::SceneNode* cameraNode = scene->getRootSceneNode()->createChildSceneNode(Ogre::Vector3(0, 2, 6));
        cameraNode->attachObject(camera);
        ::Test::Renderer::Window().addViewport(camera);
        int created = 0;
        for (const auto& [name, element] : templates.byName)
        {
            const TiXmlElement* particle = element->FirstChildElement("Particle");
            if (!particle)
                continue;
            SCOPED_TRACE(name);
            const char* source = particle->Attribute("Source");
            ASSERT_TRUE(source);
            ASSERT_TRUE(Ogre::ParticleSystemManager::getSingleton().getTemplate(source)) << "no particle system " << source;
            Ogre::ParticleSystem* system = scene->createParticleSystem(std::string(source) + name, source);
            scene->getRootSceneNode()->createChildSceneNode()->attachObject(system);
            system->fastForward(0.05f, 0.01f);
            EXPECT_GT(system->getNumParticles(), 0u) << "nothing shows at once";
            ++created;
        }
        EXPECT_GE(created, static_cast<int>(::Test::GameData::EffectTemplates.size()));
        ::Test::Renderer::Root().renderOneFrame();
    }

    TEST_F(Resources, DarkenCompositorRunsOnTheGameViewport)
    {
        ::Test::LogCapture log;
        ASSERT_TRUE(Ogre::CompositorManager::getSingleton().resourceExists("Darken", "Data.General"));
        Ogre::SceneManager* scene = ::Test::Renderer::Root().createSceneManager();
        Ogre::Camera* camera = scene->createCamera("Camera");
        scene->getRootSceneNode()->createChildSceneNode()->attachObject(camera);
        Ogre::Viewport* viewport = ::Test::Renderer::Window().addViewport(camera);
        viewport->setBackgroundColour(Ogre::ColourValue(0.8f, 0.8f, 0.8f));
        // As the game does: appended to the end of the chain, switched on by a timed effect.
        Ogre::CompositorInstance* instance = Ogre::CompositorManager::getSingleton().addCompositor(viewport, "Darken", -1);
        ASSERT_TRUE(instance);
        Ogre::CompositorManager::getSingleton().setCompositorEnabled(viewport, "Darken", true);
        ::Test::Renderer::Root().renderOneFrame();
        EXPECT_TRUE(instance->getEnabled());

        // The picture is darker with it than without it.
        auto brightness = [&] {
            ::Test::Renderer::Window().update();
            Ogre::PixelBox box(::Test::Renderer::Window().getWidth(), ::Test::Renderer::Window().getHeight(), 1, Ogre::PF_BYTE_RGBA);
            std::vector<unsigned char> pixels(box.getConsecutiveSize());
            box.data = pixels.data();
            ::Test::Renderer::Window().copyContentsToMemory(box, box);
            return static_cast<int>(pixels[(box.getWidth() * (box.getHeight() / 2) + box.getWidth() / 2) * 4]);
        };
        const int darkened = brightness();
        Ogre::CompositorManager::getSingleton().setCompositorEnabled(viewport, "Darken", false);
        const int plain = brightness();
        EXPECT_LT(darkened, plain * 0.7) << "darkened " << darkened << ", plain " << plain;
        EXPECT_EQ(log.Count("Error"), 0);
    }

    TEST_F(Resources, VoodooDollFontResolves)
    {
        // The font is defined with the GUI's data; the game only names it.
        Ogre::FontPtr font = Ogre::FontManager::getSingleton().getByName(
            "VoodooDoll", Ogre::ResourceGroupManager::AUTODETECT_RESOURCE_GROUP_NAME);
        if (!font)
            GTEST_SKIP() << "no font definition for VoodooDoll among the game's resources yet";
        ASSERT_TRUE(font);
        font->load();
        EXPECT_TRUE(font->getMaterial());
    }
}
