#include "PlayerUpgradeHandler.h"
#include "UI_Hud.h"
#include "Ability_Grenade.h"
#include "Ability_Pistol.h"
#include "Ability_Shotgun.h"
#include "PlayerController.h"
#include "RuleSystem.h"

#include "engine/logic/ControllerEC.h"
#include "engine/scene/Entity.h"

#include <boost/make_shared.hpp>

namespace
{
    const char* const playerType = "Character.Player";
    constexpr int killsForShotgun = 25;
    constexpr float shotgunMessageSeconds = 10.0f;

    /// Binds the ability to the player and hands it to the player's controller.
    template <class Ability>
    void Equip(Engine::Entity& player, const boost::weak_ptr<Engine::IController>& controller)
    {
        const boost::shared_ptr<Ability> ability = boost::make_shared<Ability>();
        ability->Attach(&player);
        if (const boost::shared_ptr<PlayerController> playerController =
                boost::dynamic_pointer_cast<PlayerController>(controller.lock()))
            playerController->AddAbility(ability);
    }
}

PlayerUpgradeHandler::PlayerUpgradeHandler()
    : killCount(0)
{
    RuleSystem::Get()->AddListener(this);
}

PlayerUpgradeHandler::~PlayerUpgradeHandler()
{
    RuleSystem::Leave(this);
}

void PlayerUpgradeHandler::SetPlayer(boost::weak_ptr<Engine::Entity> newPlayer)
{
    player = newPlayer;
    controller.reset();
    const boost::shared_ptr<Engine::Entity> entity = newPlayer.lock();
    if (!entity)
        return;
    if (const boost::shared_ptr<Engine::ControllerEC> component =
            boost::dynamic_pointer_cast<Engine::ControllerEC>(entity->GetComponent("Controller")))
        controller = component->GetController();

    Equip<Ability_Pistol>(*entity, controller);
    Equip<Ability_Grenade>(*entity, controller);
}

void PlayerUpgradeHandler::OnEntityKilled(Engine::Entity* entity)
{
    const boost::shared_ptr<Engine::Entity> playerEntity = player.lock();
    if (!playerEntity)
        return;
    if (entity->GetType() == playerType)
    {
        killCount = 0;
        return;
    }
    // Once per life: the count goes on rising and only the player's death resets it.
    if (killCount++ == killsForShotgun - 1)
    {
        Equip<Ability_Shotgun>(*playerEntity, controller);
        if (hudInstance)
            hudInstance->ShowMessage("Shotgun now available!", shotgunMessageSeconds);
    }
}

void PlayerUpgradeHandler::OnEntityDamaged(Engine::Entity*, int)
{
}
