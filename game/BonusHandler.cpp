#include "BonusHandler.h"

#include "engine/core/Application.h"
#include "engine/physics/Simulation.h"
#include "engine/physics/sdk/PhysicsScene.h"

#include <Ogre.h>

boost::shared_ptr<BonusHandler> bonusHandlerInstance;

namespace
{
    const Ogre::Vector3 normalGravity(0.0f, -9.81f, 0.0f);   // units per second squared
    const char* const darkenCompositor = "Darken";
}

BonusHandler::BonusHandler()
    : gravityPending(false)
{
    Engine::Application::GetSingletonPtr()->AddUpdateListener(this);
}

BonusHandler::~BonusHandler()
{
    // The handler lives to the end of the process, usually longer than the application.
    if (Engine::Application* application = Engine::Application::GetSingletonPtr())
        application->RemoveUpdateListener(this);
}

void BonusHandler::AddEffect(int kind, float seconds)
{
    effects.push_back(Effect{kind, seconds});
}

void BonusHandler::EndAll()
{
    std::vector<Effect> ending;
    ending.swap(effects);
    for (const Effect& effect : ending)
        End(effect.kind);
}

std::uint8_t BonusHandler::GetPriority()
{
    return 128;
}

bool BonusHandler::FrameStarted(float seconds)
{
    for (std::size_t i = 0; i < effects.size();)
    {
        effects[i].remaining -= seconds;
        if (effects[i].remaining > 0.0f)
        {
            ++i;
            continue;
        }
        const int kind = effects[i].kind;
        // The following entries move up and are counted down in this same pass.
        effects.erase(effects.begin() + static_cast<std::ptrdiff_t>(i));
        End(kind);
    }
    return true;
}

bool BonusHandler::FrameEnded(float)
{
    // The main loop runner has collected the physics step by now (it ends frames first).
    if (gravityPending)
        RestoreGravity();
    return true;
}

void BonusHandler::End(int kind)
{
    if (kind == LowGravity || kind == HighGravity)
    {
        gravityPending = true;
        RestoreGravity();
    }
    else if (kind == Darkness)
    {
        Engine::Application* application = Engine::Application::GetSingletonPtr();
        Ogre::RenderWindow* window = application ? application->GetRenderWindow() : nullptr;
        if (window && window->getNumViewports() > 0)
            Ogre::CompositorManager::getSingleton().setCompositorEnabled(window->getViewport(0), darkenCompositor, false);
    }
}

void BonusHandler::RestoreGravity()
{
    // Frames start while the physics step runs on its own thread, and the world takes no
    // change then: the gravity waits for the end of the frame.
    const boost::shared_ptr<Engine::Simulation> simulation = Engine::Simulation::GetSingleton();
    if (!simulation || !simulation->GetNxScene() || simulation->GetNxScene()->IsSimulating())
        return;
    simulation->SetGravity(normalGravity);
    gravityPending = false;
}
