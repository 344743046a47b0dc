#pragma once
#include "Ability_Firearm.h"

/// The weapon handed out on the 25th kill: 10 pellets of 9 damage fanned over 20 degrees either
/// way, at most one shot every 1.2 s.
class Ability_Shotgun final : public Ability_Firearm
{
public:
    /// Creates the weapon mesh "Shotgun".
    Ability_Shotgun();

    void Select() override;
    void Update(float seconds) override;
    void TriggerPressed() override;
    std::string GetWalkAnimation() override;

private:
    float reloadLeft;   // seconds
};
