/// \file
/// One sound effect: a mixer chunk loaded from a WAV-type file.
#ifndef KYREL_CSOUND_H
#define KYREL_CSOUND_H

#include <string>

struct Mix_Chunk;

/// A sound effect. Create it with new; once loaded it belongs to gSoundManager.
class CSound
{
public:
    /// Loads the file unless the path is empty.
    explicit CSound(const std::string& path = std::string());
    ~CSound();
    CSound(const CSound&) = delete;
    CSound& operator=(const CSound&) = delete;

    /// The first success registers the sound with the sound manager, which owns it from then on;
    /// loading again frees the old chunk first, whether or not the new file loads.
    bool Load(const std::string& path);
    /// The channel it plays on, or -1 (nothing loaded, or the mixer refused).
    /// loops is the number of extra plays, -1 for ever.
    int Play(int loops);
    /// Asks the sound manager to remove and delete this sound.
    void Release();

    /// Whether a chunk is loaded.
    bool IsLoaded() const { return chunk != nullptr; }
    /// The path last given to Load.
    const std::string& GetName() const { return name; }

private:
    Mix_Chunk* chunk;
    std::string name;
    bool registered;  ///< with the sound manager, after the first successful load
};

#endif
