// Loading and playing of music pieces.
#include "sound/CMusic.h"

#include "sound/CSoundManager.h"

#include <iostream>

namespace
{
const char* const MSG_LOAD_FAILED = "Failed to load music ";
}  // namespace

CMusic::CMusic(const std::string& path) : music(nullptr), name(path)
{
    if (!path.empty())
    {
        Load(path);
    }
}

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
    music = Mix_LoadMUS(path.c_str());
    if (!music)
    {
        std::cout << MSG_LOAD_FAILED << path << std::endl;
        return false;
    }
    name = path;
    if (gSoundManager)
    {
        gSoundManager->AddMusic(this);
    }
    return true;
}

void CMusic::Play(int loops)
{
    if (!music)
    {
        return;
    }
    if (gSoundManager)
    {
        gSoundManager->StopMusic();
    }
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
