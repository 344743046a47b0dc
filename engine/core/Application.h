#pragma once
#include <memory>
#include <string>
#include <vector>

#include <boost/function.hpp>
#include <boost/shared_ptr.hpp>

#include <OgreFrameListener.h>
#include <OgreWindowEventUtilities.h>

namespace Ogre { class LogListener; class LogManager; class OverlaySystem; class RenderWindow; class Root; }
namespace OIS { class InputManager; class Mouse; class Keyboard; class JoyStick; }

namespace Engine
{
    class FrameTimeLog;
    class IRuleSystem;
    class IUpdateListener;

    /// The one object through which a program starts the engine: settings, renderer, window,
    /// resources, engine singletons, input devices and the frame loop with its prioritised
    /// update listeners. Owns the renderer root (and through it the window) and the input
    /// devices; listeners are not owned. At most one per process.
    class Application : public OgreBites::WindowEventListener, public Ogre::FrameListener
    {
    public:
        Application();
        ~Application() override;

        /// Where the renderer's configuration and log are written instead of the files the
        /// settings name ("Engine/RenderSystemFile", "Engine/LogFile"): an installed program
        /// keeps them in the player's own folders. An empty name keeps the setting. Before Init.
        void SetWrittenFiles(const std::string& renderSystemFile, const std::string& logFile);

        /// False when the render configuration was refused.
        bool Init(const std::string& settingsFile, boost::function<bool ()> configureCallback,
                  void* externalWindow, bool forceConfigure);
        void CreateInputSystem(bool bufferedKeyboard, void* externalWindow);

        void Run() const;
        bool RenderOneFrame();

        /// Decides each frame's time: called once a frame with the time measured since the last
        /// one, after the input devices were read and before the listeners added since the last
        /// frame join; what it returns is the time every update listener gets for that frame,
        /// FrameStarted and FrameEnded alike. A program that plays back recorded frames gives
        /// their times. Empty (the default): the measured times.
        void SetFrameTimeSource(boost::function<float (float measured)> source);

        Ogre::RenderWindow* GetRenderWindow() const;
        OIS::Mouse* GetMouse();
        OIS::Keyboard* GetKeyboard();
        OIS::JoyStick* GetJoystick();

        /// Takes part from the next frame start. No duplicate check.
        void AddUpdateListener(IUpdateListener* listener);
        /// Removes the first occurrence. Safe from inside a listener call: the listener is not
        /// called again, and the walk in progress stays valid.
        void RemoveUpdateListener(IUpdateListener* listener);

        void SetRuleSystem(boost::shared_ptr<IRuleSystem> ruleSystem);
        boost::shared_ptr<IRuleSystem> GetRuleSystem() const;

        static Application* GetSingletonPtr();

        /// Whether the render window held the keyboard focus at its last focus change (true
        /// until the window reports one).
        bool HasWindowFocus() const;

        void windowResized(Ogre::RenderWindow* window) override;
        void windowFocusChange(Ogre::RenderWindow* window) override;
        bool frameStarted(const Ogre::FrameEvent& event) override;
        bool frameEnded(const Ogre::FrameEvent& event) override;

    private:
        Application(const Application&) = delete;
        Application& operator=(const Application&) = delete;

        void LoadResources(const std::string& resourceFile);
        void PinPlugins(const std::string& pluginFile);
        bool CallListeners(bool (IUpdateListener::*call)(float), float seconds);

        std::vector<IUpdateListener*> updateListeners;
        std::vector<IUpdateListener*> pendingUpdateListeners;
        Ogre::RenderWindow* renderWindow;
        OIS::InputManager* inputManager;
        OIS::Mouse* mouse;
        OIS::Keyboard* keyboard;
        OIS::JoyStick* joystick;
        boost::shared_ptr<IRuleSystem> ruleSystem;
        std::unique_ptr<FrameTimeLog> frameTimes;  // set when the settings ask for one
        boost::function<float (float)> frameTimeSource;
        float frameTime;  // this frame's time, as the source gave it

        // The renderer's log, unless the host program made one: the whole of it to the log
        // file, only warnings and errors to the console. Made before the root, which then uses
        // it, and deleted after it.
        std::unique_ptr<Ogre::LogManager> logManager;
        std::unique_ptr<Ogre::LogListener> consoleLog;
        Ogre::Root* root;        // owned; deleted last, closing the window
        Ogre::OverlaySystem* overlaySystem;  // owned; made before the resources so fonts and overlay scripts load
        std::vector<void*> pluginPins;  // own handles on the renderer's plug-ins; closed after the root
        int walkDepth;           // > 0 while listeners are being called
        bool removedDuringWalk;  // nulled entries wait for the end of the walk
        bool windowFocused;
        std::string renderSystemFileOverride;  // empty: the settings' file
        std::string logFileOverride;

        static Application* pSingleton_;
    };
}
