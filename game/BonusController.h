#pragma once
#include "EventSubscription.h"

#include "engine/logic/IController.h"
#include "engine/logic/IEventListener.h"

namespace Engine { class IEntityComponent; }

/// The spinning question-mark pick-up ("Bonus"): a quarter turn a second until the player walks
/// into its sensor; then it chimes, vanishes in a sparkle and gives the player one more grenade,
/// whatever weapon is in hand. Zombies and loose objects pass through it without effect.
class BonusController : public Engine::IController, public Engine::IEventListener
{
public:
    BonusController();
    ~BonusController() override;

    bool Update(float dt, boost::shared_ptr<Engine::Entity> entity) override;
    void OnAttach(boost::shared_ptr<Engine::Entity> entity) override;
    /// Stops listening to the pick-up's events.
    void OnDetach(boost::shared_ptr<Engine::Entity> entity) override;

    void OnEvent(int type, boost::shared_ptr<Engine::Event> event) override;

private:
    boost::shared_ptr<Engine::IEntityComponent> body;   // the pick-up's "Body" component
    bool taken;   // given once, even when one step reports the player entering twice
    EventSubscription events;
};
