/// \file
/// Opens the audio device through SDL_mixer and owns the loaded sound effects and music pieces,
/// which register themselves here when they load.
#ifndef KYREL_CSOUNDMANAGER_H
#define KYREL_CSOUNDMANAGER_H

#include <cstddef>
#include <vector>

class CSound;
class CMusic;

class CSoundManager
{
public:
    static constexpr int MAX_VOLUME = 128;

    CSoundManager();
    ~CSoundManager();
    CSoundManager(const CSoundManager&) = delete;
    CSoundManager& operator=(const CSoundManager&) = delete;

    bool IsAudioOpen() const { return audioOpen; }

    /// The manager owns what is added.
    void AddSound(CSound* sound);
    void AddMusic(CMusic* piece);
    /// Removes the first entry equal to the pointer, if any, then deletes the object.
    void RemoveSound(CSound* sound);
    void RemoveMusic(CMusic* piece);

    /// Indices outside the lists do nothing.
    void PlaySound(int index, int loops);
    void PlayMusic(int index, int loops);
    void StopMusic();

    /// Clamped to 0..128; returns the stored value.
    int SetEffectsVolume(int volume);
    int SetMusicVolume(int volume);
    int GetEffectsVolume() const { return effectsVolume; }
    int GetMusicVolume() const { return musicVolume; }

    size_t GetSoundCount() const { return sounds.size(); }
    size_t GetMusicCount() const { return music.size(); }

private:
    std::vector<CSound*> sounds;
    std::vector<CMusic*> music;
    int effectsVolume;
    int musicVolume;
    bool audioOpen;
};

extern CSoundManager* gSoundManager;

#endif
