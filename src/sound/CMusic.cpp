// Loading and playing of music pieces.
#include "sound/CMusic.h"

#include "sound/CSoundManager.h"

#include <cassert>
#include <iostream>

namespace
{
const char* const MSG_LOAD_FAILED = "Failed to load music ";
}  // namespace

CMusic::CMusic(const std::string& path) : music(nullptr), name(path), registered(false)
{
    if (!path.empty())
    {
        Load(path);
    }
}

// A piece the application released may outlive the sound manager (deleted after shut-down).
CMusic::~CMusic()
{
    if (gSoundManager)
    {
        gSoundManager->StopMusic();
    }
    if (music)
    {
        Mix_FreeMusic(music);
    }
}

bool CMusic::Load(const std::string& path)
{
    // Loading again replaces the piece: the old one is freed, which also halts it if it plays.
    if (music)
    {
        Mix_FreeMusic(music);
    }
    music = Mix_LoadMUS(path.c_str());
    if (!music)
    {
        std::cout << MSG_LOAD_FAILED << path << std::endl;
        return false;
    }
    name = path;
    // The manager deletes what it holds at shut-down, so it must hold this piece only once.
    if (!registered)
    {
        assert(gSoundManager);
        gSoundManager->AddMusic(this);
        registered = true;
    }
    return true;
}

void CMusic::Play(int loops)
{
    if (!music)
    {
        return;
    }
    gSoundManager->StopMusic();
    Mix_PlayMusic(music, loops);
}

void CMusic::Release()
{
    if (!music || !gSoundManager)
    {
        return;
    }
    gSoundManager->StopMusic();
    gSoundManager->RemoveMusic(this);
}
