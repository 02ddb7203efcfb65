// Loading and playing of sound effects.
#include "sound/CSound.h"

#include "sound/CSoundManager.h"

#include <SDL/SDL_mixer.h>
#include <cassert>
#include <iostream>

namespace
{
const char* const MSG_LOAD_FAILED = "Failed to load sound: ";
const char* const MSG_PLAY_FAILED = "Failed to play sound ";
}  // namespace

CSound::CSound(const std::string& path) : chunk(nullptr), name(path), registered(false)
{
    if (!path.empty())
    {
        Load(path);
    }
}

CSound::~CSound()
{
    if (chunk)
    {
        Mix_FreeChunk(chunk);
    }
}

bool CSound::Load(const std::string& path)
{
    // Loading again replaces the chunk: the old one is freed, which also stops it where it plays.
    if (chunk)
    {
        Mix_FreeChunk(chunk);
    }
    SDL_RWops* source = SDL_RWFromFile(path.c_str(), "rb");
    chunk = source ? Mix_LoadWAV_RW(source, 1) : nullptr;
    if (!chunk)
    {
        std::cout << MSG_LOAD_FAILED << path << std::endl;
        return false;
    }
    name = path;
    // The manager deletes what it holds at shut-down, so it must hold this sound only once.
    if (!registered)
    {
        assert(gSoundManager);
        gSoundManager->AddSound(this);
        registered = true;
    }
    return true;
}

int CSound::Play(int loops)
{
    if (!chunk)
    {
        return -1;
    }
    int channel = Mix_PlayChannelTimed(-1, chunk, loops, -1);
    if (channel == -1)
    {
        std::cout << MSG_PLAY_FAILED << name << " " << Mix_GetError() << std::endl;
    }
    return channel;
}

void CSound::Release()
{
    gSoundManager->RemoveSound(this);
}
