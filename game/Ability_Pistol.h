#pragma once
#include "Ability_Firearm.h"

/// The player's first weapon: one shot of 10 damage per press, at most one every 0.35 s, with a
/// muzzle flash that stays at the muzzle while it burns.
class Ability_Pistol final : public Ability_Firearm
{
public:
    /// Creates the weapon mesh "Pistol".
    Ability_Pistol();

    void Select() override;
    void Update(float seconds) override;
    void TriggerPressed() override;
    std::string GetWalkAnimation() override;

private:
    boost::weak_ptr<Engine::Entity> muzzleFlash;
    bool reloading;
    float reloadLeft;   // seconds
};
