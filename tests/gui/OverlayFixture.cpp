#include "tests/gui/OverlayFixture.h"

#include <cstdlib>

#include <Ogre.h>
#include <OgreFontManager.h>
#include <OgreOverlaySystem.h>

namespace Test
{
    void OverlayTest::SetUp()
    {
        RenderTest::SetUp();
        overlaySystem.reset(new Ogre::OverlaySystem());

        // The default group is already initialised, so its scripts are not read again by
        // itself: index the font folders and read the font definitions by hand.
        Ogre::ResourceGroupManager& groups = Ogre::ResourceGroupManager::getSingleton();
        groups.addResourceLocation("/usr/share/fonts/truetype/dejavu", "FileSystem", Ogre::RGN_DEFAULT);
        groups.addResourceLocation(std::string(GORVANE_BUILD_DIR) + "/data/gui", "FileSystem", Ogre::RGN_DEFAULT);
        Ogre::StringVectorPtr fonts = groups.findResourceNames(Ogre::RGN_DEFAULT, "*.fontdef");
        for (const std::string& name : *fonts)
        {
            Ogre::DataStreamPtr stream = groups.openResource(name, Ogre::RGN_DEFAULT);
            Ogre::FontManager::getSingleton().parseScript(stream, Ogre::RGN_DEFAULT);
        }

        MakeMaterial("test.window", Ogre::ColourValue(0.0f, 0.0f, 0.5f));
        // See-through: in relative units a 22-unit title bar covers everything below the window's top.
        MakeMaterial("test.window.titlebar", Ogre::ColourValue(0.0f, 0.25f, 0.0f, 0.0f));
        MakeMaterial("test.window.resize", Ogre::ColourValue(0.25f, 0.0f, 0.25f));
        MakeMaterial("test.button", Ogre::ColourValue(1.0f, 0.0f, 0.0f));
        MakeMaterial("test.button.active", Ogre::ColourValue(1.0f, 1.0f, 0.0f));
        MakeMaterial("test.plain", Ogre::ColourValue(0.5f, 0.5f, 0.5f));
        MakeMaterial("test.input", Ogre::ColourValue(0.0f, 0.5f, 0.5f));
        MakeMaterial("test.input.active", Ogre::ColourValue(0.0f, 1.0f, 1.0f));

        Ogre::Root& root = Renderer::Root();
        Ogre::RenderWindow& window = Renderer::Window();
        width = int(window.getWidth());
        height = int(window.getHeight());
        sceneManager = root.createSceneManager();
        camera = sceneManager->createCamera("OverlayTestCamera");
        viewport = window.addViewport(camera);
        viewport->setBackgroundColour(Ogre::ColourValue::Black);
        sceneManager->addRenderQueueListener(overlaySystem.get());
    }

    void OverlayTest::TearDown()
    {
        if (sceneManager)  // not when the renderer failed to start in SetUp
        {
            Renderer::Window().removeAllViewports();
            Renderer::Root().destroySceneManager(sceneManager);
        }
        overlaySystem.reset();
        // Shut the renderer down while its plug-ins are still loaded: left to the end of the
        // process, the image codec plug-in's globals are gone before the root unloads it.
        Renderer::Shutdown();
    }

    void OverlayTest::MakeMaterial(const std::string& name, const Ogre::ColourValue& colour)
    {
        // Overlays draw unlit, so the colour comes from a one-pixel texture.
        std::uint8_t rgba[4] = {std::uint8_t(colour.r * 255.0f), std::uint8_t(colour.g * 255.0f),
                                std::uint8_t(colour.b * 255.0f), std::uint8_t(colour.a * 255.0f)};
        Ogre::Image image;
        image.loadDynamicImage(rgba, 1, 1, Ogre::PF_BYTE_RGBA);
        Ogre::TextureManager::getSingleton().loadImage(name + ".texture", Ogre::RGN_DEFAULT, image);

        Ogre::MaterialPtr material = Ogre::MaterialManager::getSingleton().create(name, Ogre::RGN_DEFAULT);
        Ogre::Pass* pass = material->getTechnique(0)->getPass(0);
        pass->setLightingEnabled(false);
        pass->setDepthCheckEnabled(false);
        pass->setDepthWriteEnabled(false);
        pass->setCullingMode(Ogre::CULL_NONE);
        pass->createTextureUnitState(name + ".texture");
        if (colour.a < 1.0f)
            pass->setSceneBlending(Ogre::SBT_TRANSPARENT_ALPHA);
    }

    std::vector<std::uint8_t> OverlayTest::RenderFrame()
    {
        Ogre::RenderWindow& window = Renderer::Window();
        window.update(false);
        std::vector<std::uint8_t> pixels(std::size_t(width) * std::size_t(height) * 4);
        Ogre::PixelBox box(std::uint32_t(width), std::uint32_t(height), 1, Ogre::PF_BYTE_RGBA, pixels.data());
        window.copyContentsToMemory(Ogre::Box(0, 0, std::uint32_t(width), std::uint32_t(height)), box,
                                    Ogre::RenderTarget::FB_BACK);
        window.swapBuffers();
        if (const char* dump = std::getenv("GUI_TEST_DUMP"))
        {
            Ogre::Image image;
            image.loadDynamicImage(pixels.data(), std::uint32_t(width), std::uint32_t(height), Ogre::PF_BYTE_RGBA);
            image.save(dump);
        }
        return pixels;
    }

    bool OverlayTest::FindColour(const std::vector<std::uint8_t>& frame, const Ogre::ColourValue& colour,
                                 Box& box, int tolerance) const
    {
        const int target[3] = {int(colour.r * 255.0f), int(colour.g * 255.0f), int(colour.b * 255.0f)};
        bool found = false;
        for (int py = 0; py < height; ++py)
            for (int px = 0; px < width; ++px)
            {
                const std::uint8_t* p = &frame[(std::size_t(py) * std::size_t(width) + std::size_t(px)) * 4];
                if (std::abs(p[0] - target[0]) > tolerance || std::abs(p[1] - target[1]) > tolerance ||
                    std::abs(p[2] - target[2]) > tolerance)
                    continue;
                if (!found)
                    box = Box{px, py, px, py};
                found = true;
                box.left = std::min(box.left, px);
                box.right = std::max(box.right, px);
                box.top = std::min(box.top, py);
                box.bottom = std::max(box.bottom, py);
            }
        return found;
    }

    bool OverlayTest::FindWhite(const std::vector<std::uint8_t>& frame, Box& box) const
    {
        return FindColour(frame, Ogre::ColourValue::White, box, 60);
    }
}
