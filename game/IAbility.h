#pragma once
#include <string>

namespace Engine { class Entity; }

/// One of the player's weapons. The player's controller owns its abilities (through shared
/// pointers of their own classes) and drives the current one: selection, the fire key's edges
/// and a frame update.
class IAbility
{
public:
    /// Binds the ability to the entity that carries it (not owned).
    virtual void Attach(Engine::Entity* owner) = 0;
    /// The ability becomes the current weapon.
    virtual void Select() = 0;
    /// It stops being the current weapon.
    virtual void Deselect() = 0;
    /// Every frame while it is current.
    virtual void Update(float seconds) = 0;
    /// The fire key went down.
    virtual void TriggerPressed() = 0;
    /// The fire key went up.
    virtual void TriggerReleased() = 0;
    /// The owner's walk animation while this ability is current.
    virtual std::string GetWalkAnimation() = 0;
    /// Whether the player may switch to it.
    virtual bool IsAvailable() = 0;

protected:
    ~IAbility() = default;
};
