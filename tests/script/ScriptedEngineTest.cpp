// Scripts that drive the real engine through Marrow: an application with its scene, physics
// world and controller manager, stepped frame by frame as the game's main loop steps them.
#include <boost/python.hpp>

#include "engine/core/Application.h"
#include "engine/core/Exception.h"
#include "engine/core/IUpdateListener.h"
#include "engine/logic/ControllerManager.h"
#include "engine/logic/Event.h"
#include "engine/physics/BodyEC.h"
#include "engine/physics/Simulation.h"
#include "engine/scene/LightEC.h"
#include "engine/scene/Entity.h"
#include "engine/scene/Scene.h"
#include "script/Interpreter.h"
#include "tests/support/ErrorOf.h"
#include "tests/support/GameSettings.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TempDir.h"

#include <memory>

#include <Ogre.h>
#include <gtest/gtest.h>

namespace
{
    namespace py = boost::python;

    // Test entities: a character, a crate that falls, a block it lands on, and a bare marker.
    const char* const templates =
        "<Entities>"
        "  <Test.Walker NoDisable=\"true\"><Mesh File=\"Character.Zombie.mesh\" /><Actor />"
        "    <Controller Id=\"Walker\" /></Test.Walker>"
        "  <Test.Crate NoDisable=\"true\"><Mesh File=\"Arena.Crate.mesh\" />"
        "    <Body Shape=\"Box\" Static=\"false\" /></Test.Crate>"
        "  <Test.Block NoDisable=\"true\"><Mesh File=\"Arena.Crate.mesh\" />"
        "    <Body Shape=\"Box\" Static=\"true\" /></Test.Block>"
        "  <Test.Marker NoDisable=\"true\" />"
        "  <Test.Lamp NoDisable=\"true\" Health=\"40\"><Light Type=\"Point\" Diffuse=\"1 1 1 1\" /></Test.Lamp>"
        "</Entities>";

    /// What the game's main loop does each frame, with a fixed step so that runs repeat exactly.
    struct MainLoop : Engine::IUpdateListener
    {
        std::uint8_t GetPriority() override { return 255; }
        bool FrameStarted(float) override
        {
            Engine::Simulation::GetSingleton()->Update(step);
            return true;
        }
        bool FrameEnded(float) override
        {
            Engine::Simulation::GetSingleton()->WaitForResults();
            Engine::Scene::GetSingleton()->Update(step);
            Engine::ControllerManager::GetSingleton()->Update(step);
            return true;
        }
        static constexpr float step = 1.0f / 60.0f;
    };

    class ScriptedEngine : public ::testing::Test
    {
    protected:
        void SetUp() override
        {
            app = std::make_unique<Engine::Application>();
            ASSERT_TRUE(app->Init(::Test::WriteGameSettings(dir, "Gorvane scripts"), ::Test::ChooseOpenGL(), nullptr, true));
            app->CreateInputSystem(true, nullptr);  // from here on the frames call the update listeners
            scripts.Write("test_templates.xml", templates);
            scripts.Write("walker.py", walkerScript);
            Ogre::ResourceGroupManager::getSingleton().addResourceLocation(scripts.Path(), "FileSystem", "General");
            Engine::Scene::GetSingleton()->GetEntityTemplateManager().AddFile("test_templates.xml");
            Engine::Simulation::GetSingleton()->EnableGroundPlane(true);
            app->AddUpdateListener(&loop);
            looping = true;
            Frames(1);  // the loop takes part from now on

            char program[] = "test_script";
            char* argv[] = {program, nullptr};
            Engine::Python::Initialize(1, argv);
            Run("import Marrow\nfrom Marrow import *\n");
        }

        void TearDown() override
        {
            Engine::Python::Finalize();
            StopLoop();
            app.reset();
        }

        /// Frames then only render (and call the renderer's frame listeners).
        void StopLoop()
        {
            if (app && looping)
                app->RemoveUpdateListener(&loop);
            looping = false;
        }

        /// Runs python code in "__main__"; a python error fails the test with its traceback.
        static void Run(const std::string& code)
        {
            try
            {
                py::exec(code.c_str(), Main(), Main());
            }
            catch (const py::error_already_set&)
            {
                PyErr_Print();
                ADD_FAILURE() << "python error in:\n" << code;
            }
        }

        static py::object Main() { return py::import("__main__").attr("__dict__"); }
        template <class T>
        static T Eval(const std::string& expression)
        {
            return py::extract<T>(py::eval(expression.c_str(), Main(), Main()))();
        }

        /// The engine's own pointer to the entity a script variable holds (a pointer converted
        /// from the script keeps the script object, which must not outlive the interpreter).
        static boost::shared_ptr<Engine::Entity> EntityOf(const std::string& expression)
        {
            return Eval<boost::shared_ptr<Engine::Entity>>(expression)->GetInternalWeakPtr().lock();
        }

        void Frames(int count)
        {
            for (int i = 0; i < count; ++i)
                ASSERT_TRUE(app->RenderOneFrame());
        }

        // A game developer's script: a controller that walks its entity, a listener that notes
        // the contacts of a falling crate and a frame listener that counts the frames. Neither
        // listener is kept by the script.
        static constexpr const char* walkerScript = R"(
from Marrow import *

class Walker(IController):
    def OnAttach(self, entity): attached.append(entity.GetName())
    def OnDetach(self, entity): pass
    def Update(self, dt, entity):
        entity.GetActorEC().GetActor().Move(Vector3(0, 0, -0.05))
        return True

class ContactWatcher(IEventListener):
    def OnEvent(self, type, event):
        contacts.append((type, event.GetOrigin().GetName(), event.GetTarget().GetName()))

class FrameCounter(IFrameListener):
    def PreUpdate(self, dt): frames.append('pre')
    def PostUpdate(self, dt): frames.append('post')

attached, contacts, frames = [], [], []
GetControllerManager().RegisterController('Walker')
walker = GetScene().CreateEntity('Test.Walker', Vector3(0, 0, 0))
block = GetScene().CreateEntity('Test.Block', Vector3(10, 0, 0))
crate = GetScene().CreateEntity('Test.Crate', Vector3(10, 3, 0))
crate.GetEventQueue().AddListener(ContactWatcher())
AddFrameListener(FrameCounter())
)";

        ::Test::LogCapture log;
        ::Test::TempDir dir;
        ::Test::TempDir scripts;
        MainLoop loop;
        bool looping = false;
        std::unique_ptr<Engine::Application> app;
    };

    TEST_F(ScriptedEngine, AScriptControllerWalksItsEntityAndScriptListenersHearContactsAndFrames)
    {
        Engine::Python::ExecResource("walker.py");
        ASSERT_EQ(0, log.Count("Warning in Engine::Python::ExecResource()"));
        Frames(90);

        // Made through the template's controller component, attached once, moved every frame
        // through the character (the first Update runs in the frame of the attachment).
        EXPECT_EQ(1, Eval<int>("len(attached)"));
        EXPECT_TRUE(Eval<bool>("attached[0] == walker.GetName()"));
        const Ogre::Vector3 walked = Eval<Ogre::Vector3>("walker.GetSceneNode().GetPosition()");
        EXPECT_NEAR(-0.05 * 89, walked.z, 0.06);
        EXPECT_NEAR(0.0, walked.x, 0.01);

        // The crate landed on the block (and may bounce): contact starts, each about the block.
        EXPECT_GE(Eval<int>("len(contacts)"), 1);
        EXPECT_TRUE(Eval<bool>("all(c == (5, crate.GetName(), block.GetName()) for c in contacts)"))
            << Eval<std::string>("repr(contacts)");

        EXPECT_EQ(180, Eval<int>("len(frames)"));
        EXPECT_TRUE(Eval<bool>("frames == ['pre', 'post'] * 90"));
    }

    TEST_F(ScriptedEngine, ScriptErrorsReachTheEngineWithTheirOwnTexts)
    {
        StopLoop();  // the engine is stepped by hand here
        Run(R"(
class Faulty(IController):
    def OnAttach(self, entity): pass
    def OnDetach(self, entity): pass
    def Update(self, dt, entity): raise ValueError('broken step')
manager = GetControllerManager()
manager.RegisterController('Faulty')
marker = GetScene().CreateEntity('Test.Marker', Vector3(0, 0, 0))
manager.AttachController('Faulty', marker)
)");
        const std::string update = "Error in Engine::Python::Detail::IControllerWrapper::Update(). Error in python IController::Update()";
        EXPECT_EQ(update, ::Test::ErrorOf([] { Engine::ControllerManager::GetSingleton()->Update(0.1f); }));
        EXPECT_TRUE(log.Has(update, Ogre::LML_CRITICAL));
        EXPECT_EQ(1, log.Count("ValueError: broken step")) << "the python cause is logged beside the error";
        EXPECT_FALSE(PyErr_Occurred());

        // The class is looked up at every creation: once gone from "__main__", a script gets the
        // interpreter's own lookup error, the engine an Engine::Exception that names it.
        Run(R"(
del Faulty
try:
    manager.AttachController('Faulty', marker)
    lookup = None
except KeyError as error:
    lookup = str(error)
)");
        EXPECT_EQ("'Faulty'", Eval<std::string>("lookup"));
        const boost::shared_ptr<Engine::Entity> marker = EntityOf("marker");
        EXPECT_EQ("Error in Engine::Python::Detail::CreateController(). Unable to create python controller 'Faulty': KeyError: 'Faulty'",
                  ::Test::ErrorOf([&] { Engine::ControllerManager::GetSingleton()->AttachController("Faulty", marker); }));
        EXPECT_FALSE(PyErr_Occurred());
        // Something that is no controller fails the same way.
        Run("Faulty = lambda: 42\n");
        EXPECT_NE(std::string::npos, ::Test::ErrorOf([&] {
            Engine::ControllerManager::GetSingleton()->AttachController("Faulty", marker);
        }).find("TypeError: expected an IController"));

        // A script class without a method the engine needs.
        Run(R"(
class Forgetful(IController):
    def Update(self, dt, entity): return True
manager.RegisterController('Forgetful')
manager.AttachController('Forgetful', marker)
)");
        EXPECT_EQ("Error in Engine::Python::Detail::IControllerWrapper::OnAttach(). Error in python IController::OnAttach()",
                  ::Test::ErrorOf([] { Engine::ControllerManager::GetSingleton()->Update(0.1f); }));

        Run(R"(
class Deaf(IEventListener):
    def OnEvent(self, type, event): raise RuntimeError('no')
deaf = Deaf()
marker.GetEventQueue().AddListener(deaf)
marker.GetEventQueue().PostEvent(EventType.HIT_ENTITY, Event(marker, marker))
)");
        EXPECT_EQ("Error in Engine::Python::Detail::IEventListenerWrapper::OnEvent(). Error in python IEventListener::OnEvent()",
                  ::Test::ErrorOf([&] { marker->GetEventQueue().ForwardEvents(); }));

        Run(R"(
class Stumbling(IFrameListener):
    def PostUpdate(self, dt): return 1 / 0
AddFrameListener(Stumbling())
)");
        EXPECT_EQ("Error in Engine::Python::Detail::IFrameListenerWrapper::frameEnded(). Syntax error.",
                  ::Test::ErrorOf([&] { app->RenderOneFrame(); }));
        EXPECT_FALSE(PyErr_Occurred());
    }

    TEST_F(ScriptedEngine, ScriptsKeepingEngineObjectsNeverReachFreedMemory)
    {
        Run(R"(
class Quitter(IFrameListener):
    def PreUpdate(self, dt):
        calls.append(dt)
        RemoveFrameListener(self)
calls = []
AddFrameListener(Quitter())

scene = GetScene()
doomed = scene.CreateEntity('Test.Marker', Vector3(1, 2, 3))
other = scene.CreateEntity('Test.Marker', Vector3(0, 0, 0))
node, queue = doomed.GetSceneNode(), doomed.GetEventQueue()
hasNoMesh = doomed.GetMeshEC() is None and doomed.GetBodyEC() is None
sameNode = node.Equals(doomed.GetSceneNode()) and not node.Equals(other.GetSceneNode())
witness = scene.CreateEntity('Test.Marker', Vector3(0, 0, 0))
witnessName = witness.GetName()
event = Event(witness, other)
keptOrigin = event.GetOrigin()
for entity in (doomed, witness):
    entity.Destroy()
del doomed, witness, entity
)");
        EXPECT_TRUE(Eval<bool>("hasNoMesh"));
        EXPECT_TRUE(Eval<bool>("sameNode"));
        Frames(3);
        // The frame listener took itself off during its own call, with nothing left holding it.
        EXPECT_EQ(1, Eval<int>("len(calls)"));

        Run(R"(
errors = []
for use in (lambda: node.GetPosition(), lambda: node.SetPosition(Vector3(0, 0, 0)),
            lambda: queue.AddListener(IEventListener()), lambda: queue.PostEvent(0, Event())):
    try:
        use()
    except RuntimeError as error:
        errors.append(str(error))
)");
        ASSERT_EQ(4, Eval<int>("len(errors)"));
        EXPECT_TRUE(Eval<bool>("all('no longer exists' in e for e in errors)"));
        EXPECT_EQ("Error in Engine::Python::Detail::SceneNode(). The scene node no longer exists: its entity has been destroyed",
                  Eval<std::string>("errors[0]"));

        // An origin taken from an event is the script's own reference: it outlives the scene's.
        EXPECT_EQ(Eval<std::string>("witnessName"), Eval<std::string>("keptOrigin.GetName()"));
        EXPECT_TRUE(Eval<bool>("keptOrigin.GetSceneNode().Equals(keptOrigin.GetSceneNode())"));
        EXPECT_TRUE(Eval<bool>("event.GetOrigin().GetName() == witnessName"));
    }

    TEST_F(ScriptedEngine, ScriptsReachComponentsTemplatesAndHeldValues)
    {
        Engine::Entity::RegisterAttributeInt("Health");  // as the game's rules do
        Run(R"(
scene = GetScene()
made = scene.GetEntityTemplateManager().CreateTemplate('', 'Test.Made')
made.AddComponent('Light')
made.SetAttribute('Light', 'Diffuse', '0 1 0 1')
madeDiffuse = made.GetAttribute('Light', 'Diffuse')
again = scene.GetEntityTemplateManager().CreateTemplate('', 'Test.Made')

lamp = scene.CreateEntity('Test.Lamp', Vector3(0, 0, 0))
lamp.SetAttributeInt('Health', lamp.GetAttributeInt('Health') - 15)
light = lamp.GetLightEC()
diffuse = light.GetAnimableValue('diffuseColour')
diffuse.SetColour(Colour(0.5, 0.25, 0, 1))
diffuse.ApplyDeltaColour(Colour(0.25, 0, 0, 0))
try:
    diffuse.SetReal(1)
    wrongType = None
except RuntimeError as error:
    wrongType = str(error)
kinds = (lamp.HasComponent('Light'), lamp.GetMeshEC(), lamp.GetBodyEC(), lamp.GetActorEC())

crate = scene.CreateEntity('Test.Crate', Vector3(0, 5, 0))
body = crate.GetBodyEC().GetSimulationEntity()
body.AddForce(Vector3(0, 0, 0), SimulationEntityTS.LOCAL)
)");
        EXPECT_EQ("0 1 0 1", Eval<std::string>("madeDiffuse"));
        EXPECT_TRUE(Eval<bool>("again is None")) << "a template name is taken only once";
        EXPECT_EQ(25, EntityOf("lamp")->GetAttributeInt("Health"));
        EXPECT_TRUE(Eval<bool>("kinds == (True, None, None, None)"));

        boost::shared_ptr<Engine::Entity> lamp = EntityOf("lamp");
        const Ogre::Light* light =
            boost::dynamic_pointer_cast<Engine::LightEC>(lamp->GetComponent("Light"))->GetLight();
        EXPECT_EQ(Ogre::ColourValue(0.75f, 0.25f, 0.0f, 1.0f), light->getDiffuseColour());
        EXPECT_EQ("Error in Engine::Python::Detail::AnimableValue::SetReal(). The animable value is of another type",
                  Eval<std::string>("wrongType"));

        // Any hands out what it holds: a body, a mesh, or an error naming the type.
        const boost::shared_ptr<Engine::SimulationEntity> body =
            boost::dynamic_pointer_cast<Engine::BodyEC>(EntityOf("crate")->GetComponent("Body"))->GetSimulationEntity();
        Ogre::Mesh* mesh = Ogre::MeshManager::getSingleton().load("Arena.Crate.mesh", "General").get();
        py::object main = Main();
        main["holdsBody"] = Ogre::Any(body);
        main["holdsMesh"] = Ogre::Any(mesh);
        main["holdsInt"] = Ogre::Any(7);
        Run(R"(
sameBody = holdsBody.Extract().GetGroup() == body.GetGroup() and not holdsBody.Empty()
meshName = holdsMesh.Extract().GetName()
try:
    holdsInt.Extract()
    unknown = None
except RuntimeError as error:
    unknown = str(error)
)");
        EXPECT_TRUE(Eval<bool>("sameBody"));
        EXPECT_EQ("Arena.Crate.mesh", Eval<std::string>("meshName"));
        EXPECT_EQ("Error in Engine::Python::Detail::AnyExtract(). Unknown value type i", Eval<std::string>("unknown"));

        // A light's values go with its light, which goes with its entity, even while the script
        // still holds the light component.
        lamp.reset();
        Run("lamp.Destroy()\ndel lamp\n");
        Frames(1);
        Run(R"(
try:
    diffuse.SetColour(Colour(1, 1, 1, 1))
    goneLight = None
except RuntimeError as error:
    goneLight = str(error)
)");
        EXPECT_EQ("Error in Engine::Python::Detail::AnimableValue::SetColour(). The animable value no longer exists: its light has been destroyed",
                  Eval<std::string>("goneLight"));
    }

    TEST_F(ScriptedEngine, FinalizingTakesScriptListenersOffAndStopsScriptControllers)
    {
        Run(R"(
class Ticker(IFrameListener):
    def PreUpdate(self, dt): pass
class Listener(IEventListener):
    def OnEvent(self, type, event): pass
class Idle(IController):
    def OnAttach(self, entity): pass
    def OnDetach(self, entity): pass
    def Update(self, dt, entity): return True
AddFrameListener(Ticker())
GetControllerManager().RegisterController('Idle')
marker = GetScene().CreateEntity('Test.Marker', Vector3(0, 0, 0))
marker.GetEventQueue().AddListener(Listener())
GetControllerManager().AttachController('Idle', marker)
)");
        const boost::shared_ptr<Engine::Entity> marker = EntityOf("marker");
        Frames(2);
        Engine::Python::Finalize();
        StopLoop();

        marker->GetEventQueue().PostEvent(0, boost::shared_ptr<Engine::Event>(new Engine::Event(marker, marker)));
        marker->GetEventQueue().ForwardEvents();  // nobody left to hear it
        EXPECT_NO_THROW(app->RenderOneFrame() && app->RenderOneFrame());  // no frame listener left
        EXPECT_EQ("Error in Engine::Python::Detail::IControllerWrapper::Update(). Error in python IController::Update()",
                  ::Test::ErrorOf([] { Engine::ControllerManager::GetSingleton()->Update(0.1f); }));
        EXPECT_EQ(1, log.Count("the python interpreter is not running"));
        // The application now drops the controller without touching the stopped interpreter.
        app.reset();
    }
}
