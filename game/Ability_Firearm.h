#pragma once
#include "IAbility.h"

#include <string>

#include <boost/shared_ptr.hpp>
#include <boost/weak_ptr.hpp>
#include <OgreVector.h>

namespace Ogre { class Entity; }

/// What the pistol and the shotgun share: a weapon mesh carried on the owner's right hand while
/// selected, the muzzle flash, and shots along the owner's facing that hurt characters and push
/// bodies. The weapon mesh belongs to the scene manager under a fixed name; this ability finds
/// it by that name and a mark of its own, so that a scene cleared under it (a new arena) leaves
/// nothing dangling and a later weapon of the same name is never taken for this one.
class Ability_Firearm : public IAbility
{
public:
    void Attach(Engine::Entity* owner) override;
    void Deselect() override;
    void TriggerReleased() override;
    bool IsAvailable() override;

protected:
    /// Creates the weapon mesh `weaponName` from `meshFile`; it is hung on the hand rolled by
    /// `rollDegrees` about z. A stale mesh of that name (left by an earlier weapon) is replaced.
    Ability_Firearm(const std::string& weaponName, const std::string& meshFile, float rollDegrees);
    /// Destroys the weapon mesh when it is still this ability's.
    virtual ~Ability_Firearm();

    /// Hangs the weapon on the owner's bone "RightHand".
    void AttachWeapon();
    /// The owner's entity, or empty once it is gone.
    boost::shared_ptr<Engine::Entity> GetOwner() const { return owner.lock(); }

    /// Plays the game sound `slot` at the owner, audible from `minDistance`.
    void PlayShotSound(int slot, float minDistance) const;
    /// A "Particle.PistolSpark" at the muzzle, pointing along the barrel; gone after 5 s.
    boost::shared_ptr<Engine::Entity> CreateMuzzleFlash() const;
    /// Moves a flash back to the muzzle (the hand moves with the walk).
    void PlaceAtMuzzle(Engine::Entity& flash) const;
    /// One shot from chest height along the owner's facing, turned by up to `spreadDegrees`
    /// either way and tilted by up to `jitter`. The owner's own capsule is not hit.
    void Shoot(int damage, float spreadDegrees, float jitter) const;

private:
    Ability_Firearm(const Ability_Firearm&) = delete;
    Ability_Firearm& operator=(const Ability_Firearm&) = delete;

    /// The weapon mesh while it is still this ability's, else null.
    Ogre::Entity* GetWeapon() const;
    /// World position and barrel direction of the muzzle.
    void GetMuzzle(Ogre::Vector3& position, Ogre::Vector3& direction) const;

    boost::weak_ptr<Engine::Entity> owner;
    std::string weaponName;
    float rollDegrees;
    int mark;   // this ability's tag on its weapon mesh
};

