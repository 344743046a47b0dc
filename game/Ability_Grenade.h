#pragma once
#include "IAbility.h"

#include <boost/weak_ptr.hpp>

/// Hand grenades: holding the fire key charges the throw, releasing it throws a "Bullet.Grenade"
/// forwards and up, the harder the longer it was held. The owner's "GrenadeCount" holds the
/// grenades left; pick-ups raise it.
class Ability_Grenade final : public IAbility
{
public:
    Ability_Grenade();

    /// Starts the owner's "GrenadeCount" at 0.
    void Attach(Engine::Entity* owner) override;
    void Select() override;
    /// Drops a charge in progress.
    void Deselect() override;
    void Update(float seconds) override;
    void TriggerPressed() override;
    void TriggerReleased() override;
    std::string GetWalkAnimation() override;
    /// While the owner has grenades.
    bool IsAvailable() override;

private:
    boost::weak_ptr<Engine::Entity> owner;
    bool charging;
    float chargeSeconds;
};
