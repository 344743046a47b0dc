#pragma once
#include "engine/logic/IController.h"

/// Behaviour of a spawn grate: releases zombies ever more often and, later in the game, of
/// tougher variants. Its timers run only while its controller is updated (a game in progress).
class SpawnPointController : public Engine::IController
{
public:
    SpawnPointController();

    bool Update(float dt, boost::shared_ptr<Engine::Entity> entity) override;
    void OnAttach(boost::shared_ptr<Engine::Entity> entity) override;
    void OnDetach(boost::shared_ptr<Engine::Entity> entity) override;

    /// Seconds to the next zombie, and seconds this grate has been running.
    float GetCountdown() const { return countdown; }
    float GetElapsed() const { return elapsed; }

private:
    float countdown;
    float elapsed;
};
