#pragma once
#include "EventSubscription.h"

#include "engine/logic/IController.h"
#include "engine/logic/IEventListener.h"

/// A cannon ball ("Cannon"), for templates and scripts that fire one: it explodes the first
/// time something enters its sensor or touches its body (30 damage within 2 units, a push
/// outwards, smoke and a bang) and disappears unexploded after 3 s.
class CannonController : public Engine::IController, public Engine::IEventListener
{
public:
    CannonController();
    ~CannonController() override;

    bool Update(float dt, boost::shared_ptr<Engine::Entity> entity) override;
    void OnAttach(boost::shared_ptr<Engine::Entity> entity) override;
    /// Stops listening to the projectile's events.
    void OnDetach(boost::shared_ptr<Engine::Entity> entity) override;

    void OnEvent(int type, boost::shared_ptr<Engine::Event> event) override;

private:
    float age;        // seconds since the projectile was created
    bool exploded;    // a projectile explodes once, however many touches one step reports
    EventSubscription events;
};
