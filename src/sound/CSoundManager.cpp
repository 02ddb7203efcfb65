// Audio device, registry and playback of sound effects and music through SDL_mixer.
#include "sound/CSoundManager.h"

#include "sound/CMusic.h"
#include "sound/CSound.h"

#include <SDL/SDL.h>
#include <SDL/SDL_mixer.h>
#include <algorithm>
#include <iostream>

namespace
{
const int OUTPUT_FREQUENCY = 22050;
const int OUTPUT_CHANNELS = 2;
const int OUTPUT_CHUNK_SIZE = 4096;
const char* const MSG_NO_AUDIO = "Unable to open audio";

int ClampVolume(int volume)
{
    return std::min(std::max(volume, 0), CSoundManager::MAX_VOLUME);
}

template <typename T> void RemoveFirst(std::vector<T*>& list, T* item)
{
    auto found = std::find(list.begin(), list.end(), item);
    if (found != list.end())
    {
        list.erase(found);
        delete item;
    }
}
}  // namespace

CSoundManager::CSoundManager()
    : effectsVolume(MAX_VOLUME), musicVolume(MAX_VOLUME), audioOpen(false)
{
    SDL_Init(SDL_INIT_AUDIO);
    if (Mix_OpenAudio(OUTPUT_FREQUENCY, AUDIO_S16LSB, OUTPUT_CHANNELS, OUTPUT_CHUNK_SIZE) != 0)
    {
        // A machine without sound still runs: later SDL initialisation starts SDL again.
        std::cout << MSG_NO_AUDIO << std::endl;
        SDL_Quit();
        return;
    }
    audioOpen = true;
}

CSoundManager::~CSoundManager()
{
    for (CSound* sound : sounds)
    {
        delete sound;
    }
    sounds.clear();
    StopMusic();
    for (CMusic* piece : music)
    {
        delete piece;
    }
    music.clear();
    if (audioOpen)
    {
        Mix_CloseAudio();
    }
}

void CSoundManager::AddSound(CSound* sound)
{
    if (sound)
    {
        sounds.push_back(sound);
    }
}

void CSoundManager::AddMusic(CMusic* piece)
{
    if (piece)
    {
        music.push_back(piece);
    }
}

void CSoundManager::RemoveSound(CSound* sound)
{
    RemoveFirst(sounds, sound);
}

void CSoundManager::RemoveMusic(CMusic* piece)
{
    RemoveFirst(music, piece);
}

void CSoundManager::PlaySound(int index, int loops)
{
    if (index >= 0 && static_cast<size_t>(index) < sounds.size())
    {
        sounds[static_cast<size_t>(index)]->Play(loops);
    }
}

void CSoundManager::PlayMusic(int index, int loops)
{
    if (index >= 0 && static_cast<size_t>(index) < music.size())
    {
        music[static_cast<size_t>(index)]->Play(loops);
    }
}

void CSoundManager::StopMusic()
{
    if (audioOpen && Mix_PlayingMusic() == 1)
    {
        Mix_HaltMusic();
    }
}

int CSoundManager::SetEffectsVolume(int volume)
{
    effectsVolume = ClampVolume(volume);
    if (audioOpen)
    {
        Mix_Volume(-1, effectsVolume);
    }
    return effectsVolume;
}

int CSoundManager::SetMusicVolume(int volume)
{
    musicVolume = ClampVolume(volume);
    if (audioOpen)
    {
        Mix_VolumeMusic(musicVolume);
    }
    return musicVolume;
}
