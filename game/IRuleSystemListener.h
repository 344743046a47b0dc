#pragma once

namespace Engine { class Entity; }

/// Hears about damage and deaths decided by the game's rule system. Listeners append
/// themselves with RuleSystem::AddListener and take themselves off with RemoveListener when they
/// go before it.
class IRuleSystemListener
{
public:
    /// The entity's health has just reached 0.
    virtual void OnEntityKilled(Engine::Entity* entity) = 0;
    /// The entity's health was lowered to `health` (also for the killing blow, before OnEntityKilled).
    virtual void OnEntityDamaged(Engine::Entity* entity, int health) = 0;

protected:
    ~IRuleSystemListener() = default;
};
