#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include <OgreVector.h>

#include "engine/gui/Window.h"

namespace Ogre { class Overlay; class OverlayContainer; class OverlayElement; }

namespace OverlayKit
{
    /// A small retained-mode GUI on the renderer's overlays. A GUI owns its overlay's windows
    /// (CreateWindow) and makes free-standing panels and texts (CreateOverlay) that belong to the
    /// renderer's overlay manager. It reads no input device: the owner injects mouse positions,
    /// presses and typed text. Needs an Ogre::OverlaySystem; single-threaded.
    /// Positions and sizes are the renderer's relative units (fractions of the viewport); hit tests
    /// compare injected whole-number positions with the rectangles truncated toward zero.
    class GUI
    {
    public:
        /// Creates and shows the overlay "OverlayKit<n>". Every caption uses this font and
        /// character height. Registers the overlay system with every existing scene manager so
        /// that overlays draw there. Throws Engine::Exception when no overlay system exists.
        GUI(const std::string& fontName, float charHeight);
        /// Destroys the windows. The overlay and the elements made by CreateOverlay stay.
        ~GUI();
        GUI(const GUI&) = delete;
        GUI& operator=(const GUI&) = delete;

        /// A text area when the caption is not empty, else a panel, named `name` and owned by the
        /// overlay manager. With `addToOverlay` it is shown in this GUI's overlay (a text area
        /// through a transparent full-screen holder panel "<name>.holder", since an overlay holds
        /// only containers); otherwise it is neither added nor shown.
        Ogre::OverlayElement* CreateOverlay(const std::string& name, const Ogre::Vector2& position,
                                            const Ogre::Vector2& size, const std::string& material,
                                            const std::string& caption, bool addToOverlay);
        /// The panel "okit.mp" in its own overlay "OverlayKit.MP" (z-order 649), moved by
        /// InjectMouse. One per process: the overlay manager refuses a second.
        Ogre::OverlayContainer* CreateMousePointer(const Ogre::Vector2& size, const std::string& material);

        Window* CreateWindow(const Ogre::Vector4& rect, const std::string& material, WindowType type,
                             const std::string& caption);
        /// Destruction waits for the next InjectMouse, so a button's callback may destroy its own
        /// window. Windows of other GUIs are ignored with a warning.
        void DestroyWindow(Window* window);

        Ogre::Overlay* GetInternalOverlay() const { return overlay; }
        const std::string& GetFontName() const { return fontName; }
        float GetCharHeight() const { return charHeight; }
        /// Live windows in creation order.
        const std::vector<Window*>& GetWindows() const { return windows; }

        /// Mouse move or press; true when a window took it. Destroys pending windows first and
        /// then returns false without looking at the event.
        bool InjectMouse(unsigned int x, unsigned int y, bool pressed);
        /// Typed text for the focused text input of the window under the mouse; true when taken.
        bool InjectKey(const std::string& key, unsigned int x, unsigned int y);
        /// Removes the last character of the focused input ("!b").
        bool InjectBackspace(unsigned int x, unsigned int y);

    protected:
        friend class Window;
        friend class WindowControl;

        /// A panel (relative metrics) with an optional material, optionally added to the overlay.
        Ogre::OverlayContainer* CreatePanel(const std::string& name, const Ogre::Vector2& position,
                                            const Ogre::Vector2& size, const std::string& material,
                                            bool addToOverlay);
        /// A text area (relative metrics) in this GUI's font, even with an empty caption, so that
        /// text set later shows; optionally added to the overlay through a holder panel.
        Ogre::OverlayElement* CreateText(const std::string& name, const Ogre::Vector2& position,
                                         const Ogre::Vector2& size, const std::string& caption,
                                         bool addToOverlay);

        Ogre::Overlay* overlay;
        std::vector<Window*> windows;
        std::vector<Window*> pendingDestroy;
        Ogre::OverlayContainer* mousePointer;
        std::string fontName;
        float charHeight;

        static std::uint16_t overlayCounter_;

    private:
        Ogre::OverlayElement* CreateElement(const std::string& name, bool text, const Ogre::Vector2& position,
                                            const Ogre::Vector2& size, const std::string& material,
                                            const std::string& caption, bool addToOverlay);
    };
}
