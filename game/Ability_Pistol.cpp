#include "Ability_Pistol.h"
#include "GameSounds.h"
#include "UI_Hud.h"

#include "engine/scene/Entity.h"

namespace
{
    constexpr float reloadSeconds = 0.35f;
    constexpr int damagePerShot = 10;
    constexpr float spreadDegrees = 5.0f;
    constexpr float jitter = 0.1f;          // added to the shot direction's height
    constexpr float soundMinDistance = 100.0f;
    constexpr float handRollDegrees = -42.0f;
    constexpr float messageSeconds = 5.0f;
}

Ability_Pistol::Ability_Pistol()
    : Ability_Firearm("Pistol", "Object.Pistol.mesh", handRollDegrees), reloading(false), reloadLeft(0.0f)
{
}

void Ability_Pistol::Select()
{
    if (hudInstance)
        hudInstance->ShowMessage("Pistol", messageSeconds);
    AttachWeapon();
}

void Ability_Pistol::Update(float seconds)
{
    if (const boost::shared_ptr<Engine::Entity> flash = muzzleFlash.lock())
        PlaceAtMuzzle(*flash);
    if (reloading)
    {
        reloadLeft -= seconds;
        if (reloadLeft < 0.0f)
        {
            reloading = false;
            reloadLeft = 0.0f;
        }
    }
}

void Ability_Pistol::TriggerPressed()
{
    if (reloading)
        return;
    reloading = true;
    reloadLeft = reloadSeconds;
    PlayShotSound(SoundPistol, soundMinDistance);
    muzzleFlash = CreateMuzzleFlash();
    Shoot(damagePerShot, spreadDegrees, jitter);
}

std::string Ability_Pistol::GetWalkAnimation()
{
    return "Walk_Pistol";
}
