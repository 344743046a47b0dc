#include "engine/core/Settings.h"
#include "engine/scene/Scene.h"
#include "tests/support/RenderTest.h"

#include <gtest/gtest.h>

#include <Ogre.h>
#include <OgreOverlay.h>
#include <OgreOverlayContainer.h>
#include <OgreOverlayManager.h>
#include <OgreOverlaySystem.h>

#include <memory>
#include <vector>

// Overlays (GUI windows, the HUD) must draw over the scene's view even when the scene is made
// after the overlay system.
TEST(SceneOverlays, OverlaysDrawInTheScenesView)
{
    Ogre::RenderWindow& window = ::Test::Renderer::Window();
    std::unique_ptr<Ogre::OverlaySystem> overlays(new Ogre::OverlaySystem);
    Engine::Settings::Create();
    Engine::Settings::Load(std::string(GORVANE_BUILD_DIR) + "/data/configs/game.xml");
    {
        Engine::Scene scene(2);
        Ogre::SceneManager* manager = scene.GetSceneManager();
        Ogre::Camera* camera = manager->createCamera("Camera");
        manager->getRootSceneNode()->createChildSceneNode()->attachObject(camera);
        Ogre::Viewport* viewport = window.addViewport(camera);
        viewport->setBackgroundColour(Ogre::ColourValue::Black);

        Ogre::OverlayManager& overlayManager = Ogre::OverlayManager::getSingleton();
        Ogre::Overlay* overlay = overlayManager.create("Cover");
        auto* panel = static_cast<Ogre::OverlayContainer*>(overlayManager.createOverlayElement("Panel", "CoverPanel"));
        panel->setDimensions(1, 1);
        panel->setMaterialName("BaseWhite");
        overlay->add2D(panel);
        overlay->show();

        window.update();
        std::vector<Ogre::uint8> pixels(window.getWidth() * window.getHeight() * 4);
        Ogre::PixelBox box(window.getWidth(), window.getHeight(), 1, Ogre::PF_BYTE_RGBA, pixels.data());
        window.copyContentsToMemory(box, box);
        const size_t centre = (window.getHeight() / 2 * window.getWidth() + window.getWidth() / 2) * 4;
        EXPECT_GT(pixels[centre], 200); // the white panel, not the black background

        overlayManager.destroyAll();
        window.removeAllViewports();
    }
}
