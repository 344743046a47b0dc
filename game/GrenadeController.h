#pragma once
#include "EventSubscription.h"

#include "engine/logic/IController.h"
#include "engine/logic/IEventListener.h"

/// A thrown grenade ("Grenade"): clicks when it bounces, at most every 0.25 s, and explodes
/// 3 s after it was created, whatever it touched: 30 damage within 4 units, a push outwards,
/// smoke and a bang. The grenade entity goes with the explosion and the controller ends.
class GrenadeController : public Engine::IController, public Engine::IEventListener
{
public:
    GrenadeController();
    ~GrenadeController() override;

    bool Update(float dt, boost::shared_ptr<Engine::Entity> entity) override;
    void OnAttach(boost::shared_ptr<Engine::Entity> entity) override;
    /// Stops listening to the grenade's events.
    void OnDetach(boost::shared_ptr<Engine::Entity> entity) override;

    void OnEvent(int type, boost::shared_ptr<Engine::Event> event) override;

private:
    float fuseTime;         // seconds since the grenade was created
    float bounceCooldown;   // seconds until the next bounce may click
    EventSubscription events;
};
