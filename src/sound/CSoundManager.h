// Opens the audio device through SDL_mixer and owns the loaded sound effects and music pieces.
#ifndef KYREL_CSOUNDMANAGER_H
#define KYREL_CSOUNDMANAGER_H

#include <vector>

class CSound;
class CMusic;

class CSoundManager
{
public:
    CSoundManager();
    ~CSoundManager();
    CSoundManager(const CSoundManager&) = delete;
    CSoundManager& operator=(const CSoundManager&) = delete;

    bool IsAudioOpen() const { return audioOpen; }

private:
    std::vector<CSound*> sounds;
    std::vector<CMusic*> music;
    int effectsVolume;
    int musicVolume;
    bool audioOpen;
};

extern CSoundManager* gSoundManager;

#endif
