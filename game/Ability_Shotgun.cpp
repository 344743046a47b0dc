#include "Ability_Shotgun.h"
#include "UI_Hud.h"
#include "GameSounds.h"

namespace
{
    constexpr float reloadSeconds = 1.2f;
    constexpr int pellets = 10;
    constexpr int damagePerPellet = 9;
    constexpr float spreadDegrees = 20.0f;
    constexpr float jitter = 0.15f;         // added to each pellet direction's height
    constexpr float soundMinDistance = 100.0f;
    constexpr float handRollDegrees = -30.0f;
    constexpr float messageSeconds = 5.0f;
}

Ability_Shotgun::Ability_Shotgun()
    : Ability_Firearm("Shotgun", "Object.Shotgun.mesh", handRollDegrees), reloadLeft(0.0f)
{
}

void Ability_Shotgun::Select()
{
    if (hudInstance)
        hudInstance->ShowMessage("Shotgun", messageSeconds);
    AttachWeapon();
}

void Ability_Shotgun::Update(float seconds)
{
    if (reloadLeft > 0.0f)
        reloadLeft -= seconds;
}

void Ability_Shotgun::TriggerPressed()
{
    if (reloadLeft > 0.0f)
        return;
    PlayShotSound(SoundShotgun, soundMinDistance);
    reloadLeft = reloadSeconds;
    for (int i = 0; i < pellets; ++i)
        Shoot(damagePerPellet, spreadDegrees, jitter);
    CreateMuzzleFlash();
}

std::string Ability_Shotgun::GetWalkAnimation()
{
    return "Walk_Shotgun";
}
