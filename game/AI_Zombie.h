#pragma once
#include "IEntityCallback.h"

#include "engine/logic/IController.h"
#include "engine/logic/IEventListener.h"
#include "engine/logic/Steerable.h"

#include <boost/weak_ptr.hpp>
#include <OgreVector.h>

namespace Engine
{
    class MeshEC;
    class SimulationActor;
}

/// A zombie's behaviour: hunts the nearest player through its character capsule, punches it
/// when close, staggers and bleeds when hurt (also by fast bodies that hit it), and leaves a
/// corpse in its variant's colours when it dies. Installs itself as its entity's callback and
/// event listener while attached.
class AI_Zombie : public Engine::IController, public Engine::IEventListener, public IEntityCallback
{
public:
    AI_Zombie();
    ~AI_Zombie() override;

    bool Update(float dt, boost::shared_ptr<Engine::Entity> entity) override;
    void OnAttach(boost::shared_ptr<Engine::Entity> entity) override;
    void OnDetach(boost::shared_ptr<Engine::Entity> entity) override;

    /// Hits by fast rigid bodies hurt the zombie.
    void OnEvent(int type, boost::shared_ptr<Engine::Event> event) override;

    void OnDamage(Engine::Entity* entity, int damage, Ogre::Vector3 point, Ogre::Vector3 direction) override;
    void OnDeath(Engine::Entity* entity, Ogre::Vector3 point, Ogre::Vector3 direction) override;

    bool IsStunned() const { return stunned; }
    boost::weak_ptr<Engine::Entity> GetTarget() const { return target; }
    /// The stagger timer all zombies share: each stunned zombie advances it every frame.
    static float GetStunTimer() { return stunTimer_; }
    /// A new game's zombies start with the timer at zero.
    static void ResetStunTimer() { stunTimer_ = 0.0f; }

private:
    AI_Zombie(const AI_Zombie&) = delete;
    AI_Zombie& operator=(const AI_Zombie&) = delete;

    /// Stops being the entity's callback and listener (when it still is).
    void Unhook(Engine::Entity& entity);
    void Chase(Engine::Entity& entity, Ogre::SceneNode& node, const Ogre::Vector3& previous, float step);
    void Attack(Engine::Entity& prey, Ogre::SceneNode& node, const Ogre::Vector3& preyPosition, float step);

    boost::shared_ptr<Engine::SimulationActor> actor;
    boost::shared_ptr<Engine::MeshEC> mesh;
    boost::weak_ptr<Engine::Entity> self;
    boost::weak_ptr<Engine::Entity> target;
    float attackTimer;
    float thinkTimer;
    bool stunned;
    Ogre::Vector3 goal;
    Engine::Steerable steering;
    float footstepTimer;
    float bleedCooldown;

    static float stunTimer_;
};
