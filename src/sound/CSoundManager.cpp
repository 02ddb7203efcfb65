// Audio device start and stop through SDL_mixer.
#include "sound/CSoundManager.h"

#include <SDL/SDL.h>
#include <SDL/SDL_mixer.h>
#include <iostream>

namespace
{
const int OUTPUT_FREQUENCY = 22050;
const int OUTPUT_CHANNELS = 2;
const int OUTPUT_CHUNK_SIZE = 4096;
const char* const MSG_NO_AUDIO = "Unable to open audio";
}  // namespace

CSoundManager::CSoundManager() : effectsVolume(0), musicVolume(0), audioOpen(false)
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
    if (audioOpen)
    {
        Mix_CloseAudio();
    }
}
