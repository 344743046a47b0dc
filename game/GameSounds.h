#pragma once

/// The game's table of sound ids, one slot per sound file; -1 until LoadGameSounds.
enum GameSound
{
    SoundExplosion = 0,     // grenade and projectile explosions
    SoundHit = 1,           // grenade bounce
    SoundHit2 = 2,          // pick-up collected, menu navigation
    SoundHit3 = 3,          // loaded, never played
    SoundFootstep = 4,
    SoundShotgun = 5,
    SoundPistol = 6,
    SoundFuckYeah = 7,      // taunts and pain cries from here on
    SoundFuckYeah2 = 8,
    SoundFuckYou = 9,
    SoundFuckingAwesome = 10,
    SoundDeath = 11,        // the player's death
    SoundAhFuck = 12,
    SoundOhYeah = 13,
    SoundArgh = 14,
    SoundHahahaha = 15,
    SoundMotherfuckers = 16,
    SoundBiatch = 17,
    GameSoundCount = 18
};

extern int gameSounds[GameSoundCount];

/// Loads every sound of the table through the sound system singleton. A file that cannot be
/// loaded throws the sound system's Engine::Exception.
void LoadGameSounds();
