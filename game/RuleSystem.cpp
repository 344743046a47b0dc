#include "RuleSystem.h"
#include "IEntityCallback.h"
#include "IRuleSystemListener.h"
#include "Teardown.h"
#include "UI_Hud.h"

#include "engine/core/Application.h"
#include "engine/core/Exception.h"
#include "engine/scene/Entity.h"

#include <algorithm>

IEntityCallback* IEntityCallback::Of(const Engine::Entity* entity)
{
    return static_cast<IEntityCallback*>(entity->userCallback);
}

RuleSystem::RuleSystem()
    : damageMultiplier(1), multiplierTime(0.0f), calledByFrameLoop(false)
{
    Engine::Entity::RegisterAttributeInt("Health");
    Engine::Entity::RegisterAttributeInt("MaxHealth");
    Engine::Entity::RegisterAttributeInt("Power");
    Engine::Entity::RegisterAttributeInt("MaxPower");
    Engine::Application::GetSingletonPtr()->AddUpdateListener(this);
}

RuleSystem::~RuleSystem()
{
    LeaveFrameLoop(this, calledByFrameLoop);
}

void RuleSystem::ApplyDamage(Engine::Entity* entity, int damage, Ogre::Vector3 point, Ogre::Vector3 direction)
{
    if (!entity || !entity->HasAttribute("Health"))
        return;
    const int health = entity->GetAttributeInt("Health");
    if (health <= 0)
        return;  // already dead: an entity dies once

    const int dealt = entity->GetType() != exemptType ? damage * damageMultiplier : damage;
    int remaining = health - dealt;
    if (remaining < 1)
        remaining = 0;
    entity->SetAttributeInt("Health", remaining);

    // Listeners and callbacks may destroy the entity; Destroy only marks it for the scene's
    // next update, so the pointer stays valid for the rest of this call. Indexing, because a
    // listener may be constructed (and append itself) while the others are told.
    for (std::size_t i = 0; i < listeners.size(); ++i)
        listeners[i]->OnEntityDamaged(entity, remaining);
    if (IEntityCallback* callback = IEntityCallback::Of(entity))
        callback->OnDamage(entity, damage, point, direction);

    if (remaining == 0)
    {
        for (std::size_t i = 0; i < listeners.size(); ++i)
            listeners[i]->OnEntityKilled(entity);
        if (IEntityCallback* callback = IEntityCallback::Of(entity))
            callback->OnDeath(entity, point, direction);
        else
            entity->Destroy();
    }
}

std::uint8_t RuleSystem::GetPriority()
{
    return 128;
}

bool RuleSystem::FrameStarted(float seconds)
{
    calledByFrameLoop = true;
    if (multiplierTime > 0.0f)
    {
        multiplierTime -= seconds;
    }
    else
    {
        multiplierTime = 0.0f;
        damageMultiplier = 1;
    }
    if (hudInstance)
        hudInstance->ShowDamageBonus(damageMultiplier, multiplierTime);
    return true;
}

bool RuleSystem::FrameEnded(float)
{
    return true;
}

void RuleSystem::AddListener(IRuleSystemListener* listener)
{
    listeners.push_back(listener);
}

void RuleSystem::RemoveListener(IRuleSystemListener* listener)
{
    listeners.erase(std::remove(listeners.begin(), listeners.end(), listener), listeners.end());
}

void RuleSystem::Leave(IRuleSystemListener* listener)
{
    if (RuleSystem* rules = Get())
        rules->RemoveListener(listener);
}

RuleSystem* RuleSystem::Get()
{
    Engine::Application* application = Engine::Application::GetSingletonPtr();
    return application ? dynamic_cast<RuleSystem*>(application->GetRuleSystem().get()) : nullptr;
}
