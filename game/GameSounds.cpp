#include "GameSounds.h"

#include "engine/sound/SoundSystem.h"

int gameSounds[GameSoundCount] = {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};

namespace
{
    struct SoundFile
    {
        GameSound slot;
        const char* file;
        bool positional;
    };

    // In load order: the sound system hands out consecutive ids in the order files are loaded.
    // None of the game's sounds loops.
    const SoundFile soundFiles[GameSoundCount] = {
        {SoundExplosion, "explosion.wav", true},
        {SoundHit, "hit.wav", true},
        {SoundHit2, "hit2.wav", false},
        {SoundHit3, "hit3.wav", true},
        {SoundFootstep, "footstep.wav", true},
        {SoundShotgun, "shotgun.wav", true},
        {SoundPistol, "pistol.wav", true},
        {SoundFuckYeah, "fuckyeah.wav", false},
        {SoundFuckYeah2, "fuckyeah2.wav", false},
        {SoundFuckYou, "fuckyou.wav", false},
        {SoundFuckingAwesome, "fuckingawesome.wav", false},
        {SoundHahahaha, "hahahaha.wav", false},
        {SoundOhYeah, "ohyeah.wav", false},
        {SoundMotherfuckers, "motherfuckers.wav", false},
        {SoundBiatch, "biatch.wav", false},
        {SoundDeath, "death.wav", false},
        {SoundAhFuck, "ahfuck.wav", false},
        {SoundArgh, "argh.wav", false},
    };
}

void LoadGameSounds()
{
    Engine::SoundSystem& sound = *Engine::SoundSystem::GetSingleton();
    for (const SoundFile& entry : soundFiles)
        gameSounds[entry.slot] = sound.CreateSound(std::string("../data/audio/") + entry.file, false, entry.positional);
}
