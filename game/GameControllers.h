#pragma once

/// Registers the game's controller types with the engine's controller manager, by the names the
/// entity templates use, in this order: "Bonus", "SpawnPoint", "Player", "Cannon", "Grenade",
/// "Zombie". The game's start-up and the tests that play the whole game share it.
void RegisterGameControllers();
