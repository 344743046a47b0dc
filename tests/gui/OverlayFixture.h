#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <OgreColourValue.h>
#include <OgreOverlaySystem.h>

#include "tests/support/RenderTest.h"

namespace Ogre { class Camera; class SceneManager; class Viewport; }

namespace Test
{
    /// A renderer with the overlay system, the game's font "VoodooDoll" from data/gui, a scene
    /// manager drawing overlays into the test window, and solid-colour materials for windows,
    /// buttons and inputs ("test.*").
    class OverlayTest : public RenderTest
    {
    protected:
        void SetUp() override;
        void TearDown() override;

        /// A material drawing one flat colour, whatever the lighting.
        static void MakeMaterial(const std::string& name, const Ogre::ColourValue& colour);
        /// Renders a frame and returns it as RGBA rows, top row first.
        std::vector<std::uint8_t> RenderFrame();

        /// Bounding box (in pixels) of the pixels that match a colour closely; false when none.
        struct Box { int left, top, right, bottom; };
        bool FindColour(const std::vector<std::uint8_t>& frame, const Ogre::ColourValue& colour,
                        Box& box, int tolerance = 40) const;
        /// Bounding box of near-white pixels (rendered text in the default colour).
        bool FindWhite(const std::vector<std::uint8_t>& frame, Box& box) const;

        int width = 0, height = 0;
        std::unique_ptr<Ogre::OverlaySystem> overlaySystem;
        Ogre::SceneManager* sceneManager = nullptr;
        Ogre::Camera* camera = nullptr;
        Ogre::Viewport* viewport = nullptr;
    };
}
