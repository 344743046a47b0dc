#pragma once
#include "engine/core/IRuleSystem.h"
#include "engine/core/IUpdateListener.h"

#include <string>
#include <vector>

class IRuleSystemListener;

/// The game's damage rules: every Entity::TakeDamage ends here. Lowers "Health", tells the
/// listeners, and hands the entity's reaction to its IEntityCallback. Installed with
/// Application::SetRuleSystem; reached through Application::GetRuleSystem (see Get()).
class RuleSystem : public Engine::IRuleSystem, public Engine::IUpdateListener
{
public:
    /// Registers the attributes "Health", "MaxHealth", "Power", "MaxPower" and adds itself
    /// as an update listener of the application.
    RuleSystem();
    ~RuleSystem() override;

    void ApplyDamage(Engine::Entity* entity, int damage, Ogre::Vector3 point, Ogre::Vector3 direction) override;

    std::uint8_t GetPriority() override;
    bool FrameStarted(float seconds) override;
    bool FrameEnded(float seconds) override;

    /// Appends a non-owning listener; listeners are called in registration order.
    void AddListener(IRuleSystemListener* listener);
    /// Takes a listener off (one going away before the rule system); unknown ones are ignored.
    void RemoveListener(IRuleSystemListener* listener);
    /// Takes a listener off the application's rule system, if there still is one.
    static void Leave(IRuleSystemListener* listener);

    /// The application's rule system as the game's own, or null when none is installed.
    static RuleSystem* Get();

    // Hooks of a timed damage bonus (nothing in the game raises it).
    int damageMultiplier;
    std::string exemptType;
    float multiplierTime;

private:
    std::vector<IRuleSystemListener*> listeners;
    bool calledByFrameLoop;  // joined the frame loop (a failed start-up may end before that)
};
