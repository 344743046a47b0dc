#include "engine/core/Application.h"
#include "engine/core/CameraManager.h"
#include "engine/core/Error.h"
#include "engine/core/FrameTimeLog.h"
#include "engine/core/IRuleSystem.h"
#include "engine/core/IUpdateListener.h"
#include "engine/core/Settings.h"
#include "engine/logic/ControllerManager.h"
#include "engine/logic/StateManager.h"
#include "engine/physics/Simulation.h"
#include "engine/scene/Scene.h"
#include "engine/sound/SoundSystem.h"

#include <algorithm>
#include <chrono>
#include <iostream>
#include <thread>

#include <OIS.h>
#include <Ogre.h>
#include <OgreOverlaySystem.h>
#include <X11/Xlib.h>
#include <dlfcn.h>

namespace Engine
{
    Application* Application::pSingleton_ = nullptr;

    namespace
    {
        // The native size of a host window that the engine renders into.
        bool GetNativeWindowSize(void* handle, unsigned int& width, unsigned int& height)
        {
            Display* display = XOpenDisplay(nullptr);
            if (!display)
                return false;
            XWindowAttributes attributes;
            const bool ok = XGetWindowAttributes(display, reinterpret_cast<Window>(handle), &attributes) != 0;
            if (ok)
            {
                width = static_cast<unsigned int>(attributes.width);
                height = static_cast<unsigned int>(attributes.height);
            }
            XCloseDisplay(display);
            return ok;
        }

        // Passes the log's warnings and errors on to the console; the rest stays in the file.
        class ConsoleLog : public Ogre::LogListener
        {
        public:
            void messageLogged(const Ogre::String& message, Ogre::LogMessageLevel level, bool,
                               const Ogre::String&, bool& skip) override
            {
                if (skip)
                    return;
                // The engine's own warnings are logged at the normal level (as the renderer's
                // older ones are), so their text tells them apart.
                const bool warning = level >= Ogre::LML_WARNING || message.compare(0, 11, "Warning in ") == 0 ||
                                     message.compare(0, 8, "WARNING:") == 0;
                if (warning)
                    std::cerr << message << std::endl;
            }
        };

        std::string HandleText(void* handle)
        {
            return Ogre::StringConverter::toString(reinterpret_cast<std::size_t>(handle));
        }
    }

    Application::Application()
        : renderWindow(nullptr), inputManager(nullptr), mouse(nullptr), keyboard(nullptr),
          joystick(nullptr), frameTime(0.0f), root(nullptr), overlaySystem(nullptr), walkDepth(0), removedDuringWalk(false),
          windowFocused(true)
    {
    }

    Application::~Application()
    {
        if (renderWindow)
        {
            OgreBites::WindowEventUtilities::removeWindowEventListener(renderWindow, this);
            OgreBites::WindowEventUtilities::_removeRenderWindow(renderWindow);
        }

        // Engine singletons are released here, in reverse dependency order, as they exist.
        SoundSystem::ReleaseSingleton();
        ControllerManager::ReleaseSingleton();
        Scene::ReleaseSingleton();
        Simulation::ReleaseSingleton();
        CameraManager::ReleaseSingleton();

        if (inputManager)
        {
            // The devices belong to the input manager's window: destroy them before the window goes.
            if (keyboard) inputManager->destroyInputObject(keyboard);
            if (mouse) inputManager->destroyInputObject(mouse);
            if (joystick) inputManager->destroyInputObject(joystick);
            OIS::InputManager::destroyInputSystem(inputManager);
        }
        delete overlaySystem;  // must go before the root
        delete root;
        logManager.reset();  // the root's last words are logged through it
        for (void* pin : pluginPins)
            dlclose(pin);
        ruleSystem.reset();
        if (pSingleton_ == this)
            pSingleton_ = nullptr;
    }

    void Application::SetWrittenFiles(const std::string& renderSystemFile, const std::string& logFile)
    {
        renderSystemFileOverride = renderSystemFile;
        logFileOverride = logFile;
    }

    bool Application::Init(const std::string& settingsFile, boost::function<bool ()> configureCallback,
                           void* externalWindow, bool forceConfigure)
    {
        Settings::Create();
        Settings::Load(settingsFile);
        StateManager::Create();

        const std::string windowTitle = Settings::Get("Engine/WindowTitle");
        const std::string pluginFile = Settings::Get("Engine/PluginFile");
        const std::string logFile = logFileOverride.empty() ? Settings::Get("Engine/LogFile") : logFileOverride;
        const std::string renderSystemFile =
            renderSystemFileOverride.empty() ? Settings::Get("Engine/RenderSystemFile") : renderSystemFileOverride;
        const std::string resourceFile = Settings::Get("Engine/ResourceFile");

        PinPlugins(pluginFile);
        // A log manager the host program made already is left as it is (the root uses it).
        if (!Ogre::LogManager::getSingletonPtr())
        {
            logManager.reset(new Ogre::LogManager);
            consoleLog.reset(new ConsoleLog);
            logManager->createLog(logFile, true, false)->addListener(consoleLog.get());
        }
        Ogre::LogManager::getSingleton().setLogDetail(Ogre::LL_BOREME);
        root = new Ogre::Root(pluginFile, renderSystemFile, logFile);
        overlaySystem = new Ogre::OverlaySystem();

        bool restored = false;
        try
        {
            restored = root->restoreConfig();
        }
        catch (const Ogre::Exception&)
        {
            restored = false;
        }
        if (!restored || forceConfigure)
        {
            const bool configured = configureCallback ? configureCallback() : root->showConfigDialog(nullptr);
            if (!configured)
                return false;
        }

        if (!externalWindow)
        {
            renderWindow = root->initialise(true, windowTitle);
        }
        else
        {
            unsigned int width = 0, height = 0;
            if (!GetNativeWindowSize(externalWindow, width, height))
                ThrowError("Engine::Application::Init", "Can't read the size of window " + HandleText(externalWindow));
            root->initialise(false, "OGRE Render Window");
            Ogre::NameValuePairList parameters;
            parameters["externalWindowHandle"] = HandleText(externalWindow);
            renderWindow = root->createRenderWindow("RenderWindow", width, height, false, &parameters);
        }

        LoadResources(resourceFile);

        windowResized(renderWindow);
        // The message pump only looks at windows registered with it; without this it never
        // passes a resize or a close on to the listener.
        OgreBites::WindowEventUtilities::_addRenderWindow(renderWindow);
        OgreBites::WindowEventUtilities::addWindowEventListener(renderWindow, this);
        Ogre::MovableObject::setDefaultVisibilityFlags(1);

        pSingleton_ = this;

        // Engine singletons are created here, in dependency order, as they exist.
        Scene::CreateSingleton(new Scene(2));  // the close-exterior scene type
        Simulation::CreateSingleton(new Simulation);
        ControllerManager::CreateSingleton(new ControllerManager);
        CameraManager::CreateSingleton(new CameraManager);
        // A run that names a capture file mixes without a sound card and keeps what it mixed.
        const Settings::KeyMap capture = Settings::GetMap("Engine/SoundCaptureFile");
        if (capture.count("Engine/SoundCaptureFile") && !capture.at("Engine/SoundCaptureFile").empty())
        {
            SoundSystem* sound = new SoundSystem(SoundSystem::Output::Loopback);
            SoundSystem::CreateSingleton(sound);
            sound->CaptureTo(capture.at("Engine/SoundCaptureFile"));
        }
        else
        {
            SoundSystem::CreateSingleton(new SoundSystem);
        }
        const Settings::KeyMap frameLog = Settings::GetMap("Engine/FrameTimeLog");
        if (frameLog.count("Engine/FrameTimeLog") && !frameLog.at("Engine/FrameTimeLog").empty())
            frameTimes.reset(new FrameTimeLog(frameLog.at("Engine/FrameTimeLog")));
        return true;
    }

    void Application::LoadResources(const std::string& resourceFile)
    {
        Ogre::ConfigFile config;
        config.load(resourceFile, "\t:=", true);
        Ogre::ResourceGroupManager& groups = Ogre::ResourceGroupManager::getSingleton();
        for (const auto& section : config.getSettingsBySection())
            for (const auto& setting : section.second)
                groups.addResourceLocation(setting.second, setting.first, section.first, false);
        groups.initialiseAllResourceGroups();
    }

    void Application::CreateInputSystem(bool bufferedKeyboard, void* externalWindow)
    {
        std::size_t handle = reinterpret_cast<std::size_t>(externalWindow);
        if (!externalWindow)
            renderWindow->getCustomAttribute("WINDOW", &handle);

        OIS::ParamList parameters;
        parameters.insert(std::make_pair(std::string("WINDOW"), Ogre::StringConverter::toString(handle)));
        if (externalWindow)
        {
            // Share mouse and keyboard with the host window instead of grabbing them.
            parameters.insert(std::make_pair(std::string("x11_mouse_grab"), std::string("false")));
            parameters.insert(std::make_pair(std::string("x11_mouse_hide"), std::string("false")));
            parameters.insert(std::make_pair(std::string("x11_keyboard_grab"), std::string("false")));
        }

        LogInfo("Initializing input system...");
        inputManager = OIS::InputManager::createInputSystem(parameters);

        try
        {
            keyboard = static_cast<OIS::Keyboard*>(inputManager->createInputObject(OIS::OISKeyboard, bufferedKeyboard));
            LogInfo("Keyboard successfully initialized");
        }
        catch (...)
        {
            keyboard = nullptr;
            LogCritical("Unable to acquire keyboard");
        }
        try
        {
            mouse = static_cast<OIS::Mouse*>(inputManager->createInputObject(OIS::OISMouse, false));
            LogInfo("Mouse successfully initialized");
        }
        catch (...)
        {
            mouse = nullptr;
            LogCritical("Unable to acquire mouse");
        }
        try
        {
            joystick = static_cast<OIS::JoyStick*>(inputManager->createInputObject(OIS::OISJoyStick, true));
            LogInfo("Joystick successfully initialized");
        }
        catch (...)
        {
            joystick = nullptr;
            LogCritical("Unable to acquire joystick");
        }

        windowResized(renderWindow);
        if (keyboard || mouse || joystick)
            root->addFrameListener(this);
    }

    void Application::Run() const
    {
        root->startRendering();
    }

    bool Application::RenderOneFrame()
    {
        return root->renderOneFrame();
    }

    void Application::SetFrameTimeSource(boost::function<float (float)> source)
    {
        frameTimeSource = source;
    }

    Ogre::RenderWindow* Application::GetRenderWindow() const { return renderWindow; }
    OIS::Mouse* Application::GetMouse() { return mouse; }
    OIS::Keyboard* Application::GetKeyboard() { return keyboard; }
    OIS::JoyStick* Application::GetJoystick() { return joystick; }

    void Application::PinPlugins(const std::string& pluginFile)
    {
        // A plug-in that fails while the root installs it (the GL render system without a
        // display) throws an exception whose code lives in the plug-in, and the failing root
        // unloads it again before any handler runs. Holding a handle of our own keeps the code
        // there until the application goes, so that the caller can still read the exception.
        Ogre::ConfigFile plugins;
        try
        {
            plugins.load(pluginFile);
        }
        catch (const Ogre::Exception&)
        {
            return;  // the root reports the file itself
        }
        const std::string folder = plugins.getSetting("PluginFolder");
        const std::string version = Ogre::StringConverter::toString(OGRE_VERSION_MAJOR) + "." +
                                    Ogre::StringConverter::toString(OGRE_VERSION_MINOR) + "." +
                                    Ogre::StringConverter::toString(OGRE_VERSION_PATCH);
        for (const std::string& name : plugins.getMultiSetting("Plugin"))
        {
            const std::string path = (folder.empty() ? std::string() : folder + "/") + name;
            for (const std::string& file : {path + ".so." + version, path + ".so", path})
            {
                if (void* handle = dlopen(file.c_str(), RTLD_LAZY | RTLD_LOCAL))
                {
                    pluginPins.push_back(handle);
                    break;
                }
            }
        }
    }

    void Application::AddUpdateListener(IUpdateListener* listener)
    {
        pendingUpdateListeners.push_back(listener);
    }

    void Application::RemoveUpdateListener(IUpdateListener* listener)
    {
        auto it = std::find(updateListeners.begin(), updateListeners.end(), listener);
        if (it == updateListeners.end())
            ThrowError("Engine::Application::RemoveUpdateListener", "Can't find update listener");
        if (walkDepth > 0)
        {
            // A walk is in progress: leave a hole that the walk skips and close it afterwards.
            *it = nullptr;
            removedDuringWalk = true;
        }
        else
        {
            updateListeners.erase(it);
        }
    }

    void Application::SetRuleSystem(boost::shared_ptr<IRuleSystem> system)
    {
        ruleSystem = system;
    }

    boost::shared_ptr<IRuleSystem> Application::GetRuleSystem() const
    {
        return ruleSystem;
    }

    Application* Application::GetSingletonPtr()
    {
        return pSingleton_;
    }

    void Application::windowResized(Ogre::RenderWindow* window)
    {
        if (!mouse || !window)
            return;
        unsigned int width, height, depth;
        int left, top;
        window->getMetrics(width, height, depth, left, top);
        const OIS::MouseState& state = mouse->getMouseState();
        state.width = static_cast<int>(width);
        state.height = static_cast<int>(height);
    }

    bool Application::HasWindowFocus() const
    {
        return windowFocused;
    }

    void Application::windowFocusChange(Ogre::RenderWindow* window)
    {
        // The window reports every focus event, those of the input devices' own keyboard grab
        // too, without saying which way it went: the server is asked where the focus is now.
        Display* display = nullptr;
        Window handle = 0;
        window->getCustomAttribute("XDISPLAY", &display);
        window->getCustomAttribute("WINDOW", &handle);
        if (!display || !handle)
            return;
        Window focus = 0;
        int revert = 0;
        XGetInputFocus(display, &focus, &revert);
        windowFocused = focus == handle;
    }

    bool Application::CallListeners(bool (IUpdateListener::*call)(float), float seconds)
    {
        // However the walk ends (a listener may throw), the outermost one closes the holes that
        // removals during it left.
        struct WalkScope
        {
            explicit WalkScope(Application& application) : application(application) { ++application.walkDepth; }
            ~WalkScope()
            {
                if (--application.walkDepth == 0 && application.removedDuringWalk)
                {
                    std::vector<IUpdateListener*>& listeners = application.updateListeners;
                    listeners.erase(std::remove(listeners.begin(), listeners.end(), nullptr), listeners.end());
                    application.removedDuringWalk = false;
                }
            }
            Application& application;
        } scope(*this);

        bool carryOn = true;
        // Indexing, not iterators: listeners may be removed (nulled) during the walk.
        for (std::size_t i = 0; i < updateListeners.size() && carryOn; ++i)
            if (IUpdateListener* listener = updateListeners[i])
                carryOn = (listener->*call)(seconds);
        return carryOn;
    }

    bool Application::frameStarted(const Ogre::FrameEvent& event)
    {
        // The X11 window's events (close, resize) arrive only when pumped.
        OgreBites::WindowEventUtilities::messagePump();
        if (frameTimes)
            frameTimes->Frame();

        if (keyboard) keyboard->capture();
        if (mouse) mouse->capture();
        if (joystick) joystick->capture();
        // Before the listeners that came since the last frame join: the source may add some.
        frameTime = frameTimeSource ? frameTimeSource(event.timeSinceLastFrame) : event.timeSinceLastFrame;

        if (!pendingUpdateListeners.empty())
        {
            updateListeners.insert(updateListeners.end(), pendingUpdateListeners.begin(),
                                   pendingUpdateListeners.end());
            pendingUpdateListeners.clear();
            std::stable_sort(updateListeners.begin(), updateListeners.end(),
                             [](IUpdateListener* a, IUpdateListener* b) {
                                 return a->GetPriority() > b->GetPriority();
                             });
        }
        return CallListeners(&IUpdateListener::FrameStarted, frameTime);
    }

    bool Application::frameEnded(const Ogre::FrameEvent& event)
    {
        const bool carryOn =
            CallListeners(&IUpdateListener::FrameEnded, frameTimeSource ? frameTime : event.timeSinceLastFrame);
        // A minimised window is neither drawn nor swapped, so nothing in the frame waits for
        // the renderer and the loop would spin through empty frames as fast as the processor
        // goes. Such a frame waits as long as a drawn one at 60 frames a second would take.
        if (renderWindow && !renderWindow->isActive())
            std::this_thread::sleep_for(std::chrono::milliseconds(16));
        return carryOn;
    }
}
