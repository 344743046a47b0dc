#include "engine/core/Application.h"
#include "engine/core/CameraManager.h"
#include "engine/core/Exception.h"
#include "engine/core/IRuleSystem.h"
#include "engine/core/IUpdateListener.h"
#include "engine/scene/Entity.h"
#include "engine/scene/EntityTemplateManager.h"
#include "engine/scene/Scene.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <OIS.h>
#include <Ogre.h>
#include <X11/Xlib.h>

#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

using Engine::Application;

namespace
{
    std::vector<std::string> calls;

    struct Listener : Engine::IUpdateListener
    {
        Listener(std::string n, std::uint8_t p) : name(std::move(n)), priority(p) {}
        std::uint8_t GetPriority() override { return priority; }
        bool FrameStarted(float) override
        {
            calls.push_back(name + " started");
            if (onStarted)
                onStarted();
            return carryOn;
        }
        bool FrameEnded(float) override
        {
            calls.push_back(name + " ended");
            return true;
        }
        std::string name;
        std::uint8_t priority;
        bool carryOn = true;
        std::function<void()> onStarted;
    };

    // A settings file, resource file and renderer configuration in a temporary folder.
    class ApplicationTest : public ::testing::Test
    {
    protected:
        void SetUp() override
        {
            calls.clear();
            dir.Write("res/hello.txt", "hello");
            dir.Write("resources.cfg", "[General]\nFileSystem=" + dir.File("res") + "\n");
            settings = dir.Write("game.xml",
                "<Engine><WindowTitle>Gorvane Test</WindowTitle>"
                "<PluginFile>" GORVANE_BUILD_DIR "/data/configs/plugins.cfg</PluginFile>"
                "<LogFile>" + dir.File("app.log") + "</LogFile>"
                "<RenderSystemFile>" + dir.File("ogre.cfg") + "</RenderSystemFile>"
                "<ResourceFile>" + dir.File("resources.cfg") + "</ResourceFile>"
                "<ShadowFarDistance>60</ShadowFarDistance></Engine>");
        }

        // Chooses the OpenGL render system in a small window and counts its calls.
        boost::function<bool ()> Configure(bool answer = true)
        {
            return [this, answer] {
                ++configureCalls;
                Ogre::Root& root = Ogre::Root::getSingleton();
                Ogre::RenderSystem* gl = root.getRenderSystemByName("OpenGL Rendering Subsystem");
                gl->setConfigOption("Full Screen", "No");
                gl->setConfigOption("Video Mode", "640 x 480");
                root.setRenderSystem(gl);
                return answer;
            };
        }

        // Starts the application with its input system, as the game does.
        void Start(Application& app)
        {
            ASSERT_TRUE(app.Init(settings, Configure(), nullptr, true));
            app.CreateInputSystem(true, nullptr);
        }

        // Whether the window of an application started from a saved configuration with the
        // given "VSync" value syncs to the display.
        bool WindowVSyncSavedAs(const std::string& choice)
        {
            dir.Write("ogre.cfg", "Render System=OpenGL Rendering Subsystem\n\n[OpenGL Rendering Subsystem]\n"
                                  "Full Screen=No\nVideo Mode=640 x 480\nVSync=" + choice + "\n");
            Application app;
            if (!app.Init(settings, Configure(false), nullptr, false))
                throw std::runtime_error("the saved configuration was not used");
            return app.GetRenderWindow()->isVSyncEnabled();
        }

        ::Test::TempDir dir;
        std::string settings;
        int configureCalls = 0;
    };
}

TEST_F(ApplicationTest, InitBringsUpRendererWindowResourcesAndInputDevices)
{
    ::Test::LogCapture early; // made before the renderer: sees nothing of its log
    Application app;
    EXPECT_EQ(Application::GetSingletonPtr(), nullptr);
    ASSERT_TRUE(app.Init(settings, Configure(), nullptr, true));
    EXPECT_EQ(Application::GetSingletonPtr(), &app);
    EXPECT_EQ(configureCalls, 1);
    ASSERT_NE(app.GetRenderWindow(), nullptr);
    EXPECT_EQ(app.GetRenderWindow()->getName(), "Gorvane Test");
    EXPECT_TRUE(Ogre::ResourceGroupManager::getSingleton().resourceExists("General", "hello.txt"));
    EXPECT_EQ(Ogre::LogManager::getSingleton().getDefaultLog()->getLogDetail(), Ogre::LL_BOREME);
    EXPECT_EQ(Ogre::MovableObject::getDefaultVisibilityFlags(), 1u);
    EXPECT_TRUE(Engine::CameraManager::GetSingleton());
    ASSERT_TRUE(Engine::Scene::GetSingleton());
    EXPECT_FLOAT_EQ(Engine::Scene::GetSingleton()->GetSceneManager()->getShadowFarDistance(), 60.0f);

    ::Test::LogCapture log;
    app.CreateInputSystem(true, nullptr);
    EXPECT_TRUE(log.Has("Initializing input system...", Ogre::LML_NORMAL));
    EXPECT_TRUE(log.Has("Keyboard successfully initialized", Ogre::LML_NORMAL));
    EXPECT_TRUE(log.Has("Mouse successfully initialized", Ogre::LML_NORMAL));
    // No joystick on a headless machine: logged, and frames still run.
    EXPECT_TRUE(log.Has("Unable to acquire joystick", Ogre::LML_CRITICAL));
    EXPECT_EQ(app.GetJoystick(), nullptr);
    ASSERT_NE(app.GetMouse(), nullptr);
    EXPECT_EQ(app.GetMouse()->getMouseState().width, 640); // clipped to the window

    Listener listener("only", 1);
    app.AddUpdateListener(&listener);
    EXPECT_TRUE(app.RenderOneFrame());
    EXPECT_EQ(calls, (std::vector<std::string>{"only started", "only ended"}));
}

TEST_F(ApplicationTest, ListenersRunByPriorityFromTheNextFrameStart)
{
    Application app;
    Start(app);
    Listener high("255", 255), low("0", 0), middle("128", 128), late("late", 200);
    app.AddUpdateListener(&high);
    app.AddUpdateListener(&low);
    app.AddUpdateListener(&middle);
    // Added during a frame: first called at the next frame start, not in this frame's end.
    high.onStarted = [&] { app.AddUpdateListener(&late); high.onStarted = nullptr; };

    ASSERT_TRUE(app.RenderOneFrame());
    EXPECT_EQ(calls, (std::vector<std::string>{"255 started", "128 started", "0 started",
                                               "255 ended", "128 ended", "0 ended"}));
    calls.clear();
    ASSERT_TRUE(app.RenderOneFrame());
    EXPECT_EQ(calls, (std::vector<std::string>{"255 started", "late started", "128 started", "0 started",
                                               "255 ended", "late ended", "128 ended", "0 ended"}));
}

TEST_F(ApplicationTest, RemovalOfListeners)
{
    Application app;
    Start(app);
    Listener twice("twice", 10), other("other", 5);
    app.AddUpdateListener(&twice);
    app.AddUpdateListener(&twice);
    app.AddUpdateListener(&other);

    // Not merged before the next frame starts: removal cannot find it.
    ::Test::LogCapture log;
    const char* expected = "Error in Engine::Application::RemoveUpdateListener(). Can't find update listener";
    try
    {
        app.RemoveUpdateListener(&other);
        FAIL() << "no error";
    }
    catch (const Engine::Exception& e)
    {
        EXPECT_STREQ(e.what(), expected);
    }
    EXPECT_TRUE(log.Has(expected, Ogre::LML_CRITICAL));

    app.RenderOneFrame();
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "twice started"), 2);
    app.RemoveUpdateListener(&twice);
    calls.clear();
    app.RenderOneFrame();
    EXPECT_EQ(calls, (std::vector<std::string>{"twice started", "other started", "twice ended", "other ended"}));

    // A listener that removes itself and another one mid-walk: neither runs again, the walk goes on.
    twice.onStarted = [&] { app.RemoveUpdateListener(&twice); app.RemoveUpdateListener(&other); };
    Listener last("last", 1);
    app.AddUpdateListener(&last);
    calls.clear();
    app.RenderOneFrame();
    EXPECT_EQ(calls, (std::vector<std::string>{"twice started", "last started", "last ended"}));
    calls.clear();
    app.RenderOneFrame();
    EXPECT_EQ(calls, (std::vector<std::string>{"last started", "last ended"}));
    EXPECT_THROW(app.RemoveUpdateListener(&twice), Engine::Exception);

    // A walk that ends in a throw after a removal still leaves a list that later frames can use.
    Listener remover("remover", 9), victim("victim", 7), thrower("thrower", 3), newcomer("newcomer", 5);
    bool victimListed = true, thrown = false;
    remover.onStarted = [&] {
        if (victimListed)
            app.RemoveUpdateListener(&victim);
        victimListed = false;
    };
    thrower.onStarted = [&] {
        if (!thrown)
        {
            thrown = true;
            throw std::runtime_error("listener failed");
        }
    };
    for (Listener* listener : {&remover, &victim, &thrower})
        app.AddUpdateListener(listener);
    EXPECT_THROW(app.RenderOneFrame(), std::runtime_error);
    app.AddUpdateListener(&newcomer);
    calls.clear();
    EXPECT_TRUE(app.RenderOneFrame());
    EXPECT_EQ(calls, (std::vector<std::string>{"remover started", "newcomer started", "thrower started", "last started",
                                               "remover ended", "newcomer ended", "thrower ended", "last ended"}));
}

TEST_F(ApplicationTest, AWindowResizedFromOutsideReachesTheWindowTheMouseAndTheCamera)
{
    Application app;
    Start(app);
    Ogre::RenderWindow* window = app.GetRenderWindow();
    // A plain scene of its own: the test's resources hold nothing for the engine scene's shadows.
    Ogre::SceneManager* plain = Ogre::Root::getSingleton().createSceneManager();
    Ogre::Camera* camera = plain->createCamera("ResizeWatcher");
    camera->setAutoAspectRatio(true);
    window->addViewport(camera);
    unsigned long handle = 0;
    window->getCustomAttribute("WINDOW", &handle);
    ASSERT_NE(handle, 0u);

    Display* display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr);
    XResizeWindow(display, handle, 800, 500);
    XSync(display, False);
    XCloseDisplay(display);
    // The news arrives with the window events that the frames pump.
    for (int i = 0; i < 100 && window->getWidth() != 800u; ++i)
    {
        app.RenderOneFrame();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(window->getWidth(), 800u);
    EXPECT_EQ(window->getHeight(), 500u);
    EXPECT_EQ(app.GetMouse()->getMouseState().width, 800);
    EXPECT_EQ(app.GetMouse()->getMouseState().height, 500);
    EXPECT_NEAR(camera->getAspectRatio(), 800.0f / 500.0f, 1e-4f);
    window->removeAllViewports();
    Ogre::Root::getSingleton().destroySceneManager(plain);
}

TEST_F(ApplicationTest, AListenerReturningFalseEndsTheLoop)
{
    Application app;
    Start(app);
    Listener stopper("stopper", 200), after("after", 100);
    stopper.carryOn = false;
    app.AddUpdateListener(&stopper);
    app.AddUpdateListener(&after);
    EXPECT_FALSE(app.RenderOneFrame());
    EXPECT_EQ(calls, (std::vector<std::string>{"stopper started"}));

    calls.clear();
    app.Run(); // the renderer's loop ends at the first frame
    EXPECT_EQ(calls, (std::vector<std::string>{"stopper started"}));
}

TEST_F(ApplicationTest, ARefusedConfigurationCreatesNothing)
{
    Application app;
    EXPECT_FALSE(app.Init(settings, Configure(false), nullptr, true));
    EXPECT_EQ(configureCalls, 1);
    EXPECT_EQ(app.GetRenderWindow(), nullptr);
    EXPECT_EQ(Application::GetSingletonPtr(), nullptr);
}

TEST_F(ApplicationTest, ARestoredConfigurationSkipsTheCallbackUnlessForced)
{
    dir.Write("ogre.cfg", "Render System=OpenGL Rendering Subsystem\n\n"
                          "[OpenGL Rendering Subsystem]\nFull Screen=No\nVideo Mode=640 x 480\n");
    {
        Application app;
        ASSERT_TRUE(app.Init(settings, Configure(false), nullptr, false));
        EXPECT_EQ(configureCalls, 0);
        EXPECT_EQ(app.GetRenderWindow()->getWidth(), 640u);
    }
    EXPECT_FALSE(Engine::CameraManager::GetSingleton()); // released with the application
    EXPECT_FALSE(Engine::Scene::GetSingleton());
    EXPECT_EQ(Application::GetSingletonPtr(), nullptr);
}

// The dialog saves the renderer's options as it shows them; the window is made with them.
TEST_F(ApplicationTest, ASavedVerticalSyncReachesTheWindow)
{
    EXPECT_TRUE(WindowVSyncSavedAs("Yes"));
}

TEST_F(ApplicationTest, VerticalSyncSavedOffStaysOff)
{
    EXPECT_FALSE(WindowVSyncSavedAs("No"));
}

TEST_F(ApplicationTest, ForcedConfigurationAsksEvenWithASavedOne)
{
    dir.Write("ogre.cfg", "Render System=OpenGL Rendering Subsystem\n\n"
                          "[OpenGL Rendering Subsystem]\nFull Screen=No\nVideo Mode=640 x 480\n");
    Application app;
    EXPECT_FALSE(app.Init(settings, Configure(false), nullptr, true));
    EXPECT_EQ(configureCalls, 1);
}

TEST_F(ApplicationTest, RendersIntoAHostWindowOfItsSize)
{
    Display* display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr);
    Window host = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 300, 200, 0, 0, 0);
    XMapWindow(display, host);
    XSync(display, False);
    {
        Application app;
        ASSERT_TRUE(app.Init(settings, Configure(), reinterpret_cast<void*>(host), true));
        EXPECT_EQ(app.GetRenderWindow()->getName(), "RenderWindow");
        EXPECT_EQ(app.GetRenderWindow()->getWidth(), 300u);
        EXPECT_EQ(app.GetRenderWindow()->getHeight(), 200u);
        app.CreateInputSystem(true, reinterpret_cast<void*>(host));
        EXPECT_NE(app.GetKeyboard(), nullptr);
        Listener listener("hosted", 1);
        app.AddUpdateListener(&listener);
        EXPECT_TRUE(app.RenderOneFrame());
        EXPECT_EQ(calls.size(), 2u);
    }
    XDestroyWindow(display, host);
    XCloseDisplay(display);
}

TEST_F(ApplicationTest, SettingsErrorsPropagateFromInit)
{
    Application app;
    try
    {
        app.Init(dir.File("nope.xml"), Configure(), nullptr, true);
        FAIL() << "no error";
    }
    catch (const Engine::Exception& e)
    {
        EXPECT_EQ(std::string(e.what()),
                  "Error in Engine::Settings::LoadFile(). Error loading settings file " + dir.File("nope.xml"));
    }
    EXPECT_EQ(Application::GetSingletonPtr(), nullptr);
}

TEST_F(ApplicationTest, AMissingKeyIsNamed)
{
    Application app;
    const std::string partial = dir.Write("partial.xml", "<Engine><WindowTitle>x</WindowTitle><PluginFile>p</PluginFile>"
                                                         "<LogFile>l</LogFile><RenderSystemFile>r</RenderSystemFile></Engine>");
    try
    {
        app.Init(partial, Configure(), nullptr, true);
        FAIL() << "no error";
    }
    catch (const Engine::Exception& e)
    {
        EXPECT_STREQ(e.what(), "Error in Engine::Settings::Get(). Can't find Engine/ResourceFile");
    }
}

TEST_F(ApplicationTest, RuleSystemIsSharedWithTheCaller)
{
    struct Rules : Engine::IRuleSystem
    {
        void ApplyDamage(Engine::Entity*, int, Ogre::Vector3, Ogre::Vector3) override {}
    };
    Application app;
    EXPECT_FALSE(app.GetRuleSystem());
    boost::shared_ptr<Engine::IRuleSystem> rules(new Rules);
    app.SetRuleSystem(rules);
    EXPECT_EQ(app.GetRuleSystem(), rules);
    EXPECT_EQ(rules.use_count(), 2); // ours and the application's
}

TEST_F(ApplicationTest, EntitiesReportDamageToTheRuleSystem)
{
    struct Rules : Engine::IRuleSystem
    {
        std::vector<std::string> calls;
        void ApplyDamage(Engine::Entity* entity, int damage, Ogre::Vector3 point, Ogre::Vector3 direction) override
        {
            calls.push_back(entity->GetName() + " " + std::to_string(damage) + " " +
                            Ogre::StringConverter::toString(point) + " / " + Ogre::StringConverter::toString(direction));
        }
    };
    Application app;
    ASSERT_TRUE(app.Init(settings, Configure(), nullptr, true));
    const boost::shared_ptr<Engine::Scene> scene = Engine::Scene::GetSingleton();
    scene->GetEntityTemplateManager().CreateTemplate("", "Zombie");
    const boost::shared_ptr<Engine::Entity> zombie =
        Engine::Entity::Create(*scene, "zombie", "Zombie", Ogre::Vector3::ZERO);
    zombie->TakeDamage(5, Ogre::Vector3::UNIT_X, Ogre::Vector3::UNIT_Y); // no rule system yet: ignored

    boost::shared_ptr<Rules> rules(new Rules);
    app.SetRuleSystem(rules);
    zombie->TakeDamage(25, Ogre::Vector3(1, 2, 3), Ogre::Vector3(0, 0, -100));
    EXPECT_EQ(rules->calls, (std::vector<std::string>{"zombie 25 1 2 3 / 0 0 -100"}));
}
