#pragma once
#include "IRuleSystemListener.h"

#include <boost/weak_ptr.hpp>

namespace Engine { class Entity; class IController; }

/// Arms the player: the pistol and the grenades for each new player, the shotgun on the 25th
/// kill of its life. Listens to the rule system for the kills (it adds itself on construction
/// and, like every rule-system listener, stays registered for the life of the process).
class PlayerUpgradeHandler : public IRuleSystemListener
{
public:
    PlayerUpgradeHandler();
    ~PlayerUpgradeHandler();

    /// The new player gets a pistol (current) and the grenades, through its "Controller".
    void SetPlayer(boost::weak_ptr<Engine::Entity> player);

    void OnEntityKilled(Engine::Entity* entity) override;
    void OnEntityDamaged(Engine::Entity* entity, int health) override;

    int GetKillCount() const { return killCount; }

private:
    PlayerUpgradeHandler(const PlayerUpgradeHandler&) = delete;
    PlayerUpgradeHandler& operator=(const PlayerUpgradeHandler&) = delete;

    boost::weak_ptr<Engine::Entity> player;
    boost::weak_ptr<Engine::IController> controller;
    int killCount;
};
