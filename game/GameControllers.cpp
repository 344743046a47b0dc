#include "GameControllers.h"
#include "AI_Zombie.h"
#include "BonusController.h"
#include "CannonController.h"
#include "GrenadeController.h"
#include "PlayerController.h"
#include "SpawnPointController.h"

#include "engine/logic/ControllerManager.h"

namespace
{
    template <class Controller>
    boost::shared_ptr<Engine::IController> MakeController()
    {
        return boost::shared_ptr<Engine::IController>(new Controller);
    }
}

void RegisterGameControllers()
{
    Engine::ControllerManager& controllers = *Engine::ControllerManager::GetSingleton();
    controllers.RegisterController("Bonus", &MakeController<BonusController>);
    controllers.RegisterController("SpawnPoint", &MakeController<SpawnPointController>);
    controllers.RegisterController("Player", &MakeController<PlayerController>);
    controllers.RegisterController("Cannon", &MakeController<CannonController>);
    controllers.RegisterController("Grenade", &MakeController<GrenadeController>);
    controllers.RegisterController("Zombie", &MakeController<AI_Zombie>);
}
