/// \file
/// Opens the audio device through SDL_mixer and owns the loaded sound effects and music pieces,
/// which register themselves here when they load.
#ifndef KYREL_CSOUNDMANAGER_H
#define KYREL_CSOUNDMANAGER_H

#include <cstddef>
#include <vector>

class CSound;
class CMusic;

/// Sound effects and music, reached through gSoundManager. Without an audio device everything
/// still works and plays nothing.
class CSoundManager
{
public:
    static constexpr int MAX_VOLUME = 128;  ///< SDL_mixer's full volume

    /// Opens the audio device; a failure prints its message and leaves the audio closed.
    CSoundManager();
    ~CSoundManager();
    CSoundManager(const CSoundManager&) = delete;
    CSoundManager& operator=(const CSoundManager&) = delete;

    /// Whether the audio device opened.
    bool IsAudioOpen() const { return audioOpen; }

    /// The manager owns what is added; a loaded CSound or CMusic adds itself.
    ///@{
    void AddSound(CSound* sound);
    void AddMusic(CMusic* piece);
    ///@}
    /// Removes the first entry equal to the pointer, if any, then deletes the object.
    ///@{
    void RemoveSound(CSound* sound);
    void RemoveMusic(CMusic* piece);
    ///@}

    /// Plays the index-th sound or piece (from 0, in order added); loops is the number of extra
    /// plays, -1 for ever. Indices outside the lists do nothing.
    ///@{
    void PlaySound(int index, int loops);
    void PlayMusic(int index, int loops);
    ///@}
    /// Halts the music playing, if any.
    void StopMusic();

    /// Clamped to 0..128; returns the stored value.
    ///@{
    int SetEffectsVolume(int volume);
    int SetMusicVolume(int volume);
    int GetEffectsVolume() const { return effectsVolume; }
    int GetMusicVolume() const { return musicVolume; }
    ///@}

    /// Number of sounds and music pieces held.
    ///@{
    size_t GetSoundCount() const { return sounds.size(); }
    size_t GetMusicCount() const { return music.size(); }
    ///@}

private:
    std::vector<CSound*> sounds;
    std::vector<CMusic*> music;
    int effectsVolume;
    int musicVolume;
    bool audioOpen;
};

/// The engine's sound manager, created and deleted by CEngine.
extern CSoundManager* gSoundManager;

#endif
