#pragma once
#include "IEntityCallback.h"
#include "engine/logic/IController.h"

#include <map>
#include <vector>

#include <boost/shared_ptr.hpp>

namespace Ogre { class AnimationState; }
namespace Engine { class MeshEC; class SimulationActor; }
class IAbility;

/// The player character's behaviour ("Player"): the arrow keys walk and turn, right Ctrl fires
/// the current ability, right Shift switches to the next available one. Plays the walk and the
/// footsteps, refills "Power", and answers the player's hurts and death (a pushed ragdoll).
/// Owns its abilities; the engine's controller manager owns the controller.
class PlayerController : public Engine::IController, public IEntityCallback
{
public:
    /// What the keys do; `keyMap` gives each its key.
    enum Action
    {
        ActionFire = 0,
        ActionForward = 1,
        ActionBackward = 2,
        ActionTurnLeft = 3,
        ActionTurnRight = 4,
        ActionNextWeapon = 5
    };

    PlayerController();
    ~PlayerController() override;

    bool Update(float dt, boost::shared_ptr<Engine::Entity> entity) override;
    /// Takes the entity's mesh and character and becomes its damage callback.
    void OnAttach(boost::shared_ptr<Engine::Entity> entity) override;
    void OnDetach(boost::shared_ptr<Engine::Entity> entity) override;

    /// A pain cry.
    void OnDamage(Engine::Entity* entity, int damage, Ogre::Vector3 point, Ogre::Vector3 direction) override;
    /// The player becomes a ragdoll pushed at the hit point, with the death cry.
    void OnDeath(Engine::Entity* entity, Ogre::Vector3 point, Ogre::Vector3 direction) override;

    /// Appends an ability; the first one added becomes the current one.
    void AddAbility(boost::shared_ptr<IAbility> ability);
    /// The current ability, or empty while there is none.
    boost::shared_ptr<IAbility> GetCurrentAbility() const;
    const std::vector<boost::shared_ptr<IAbility> >& GetAbilities() const { return abilities; }

private:
    PlayerController(const PlayerController&) = delete;
    PlayerController& operator=(const PlayerController&) = delete;

    bool IsDown(Action action) const;
    /// Makes the walk of the current ability the one playing (looped).
    void PlayWalk();
    void SwitchWeapon();

    boost::shared_ptr<Engine::SimulationActor> actor;
    boost::shared_ptr<Engine::MeshEC> mesh;
    std::vector<boost::shared_ptr<IAbility> > abilities;
    std::size_t currentAbility;     // abilities.size() while there is none
    std::map<int, int> keyMap;      // action -> OIS key code
    float powerTimer;
    float footstepTimer;
    float switchTimer;
    Ogre::AnimationState* walkAnimation;   // owned by the mesh; null before the first frame
    bool fireHeld;
    bool started;   // the first frame selected the current ability
    bool dead;      // OnDeath ran: the body is a ragdoll now, the keys do nothing
};
