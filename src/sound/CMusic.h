/// \file
/// One music piece: a mixer music object, one playing at a time.
#ifndef KYREL_CMUSIC_H
#define KYREL_CMUSIC_H

#include <SDL/SDL_mixer.h>
#include <string>

/// A music piece. Create it with new; once loaded it belongs to gSoundManager.
class CMusic
{
public:
    /// Loads the file unless the path is empty.
    explicit CMusic(const std::string& path = std::string());
    ~CMusic();
    CMusic(const CMusic&) = delete;
    CMusic& operator=(const CMusic&) = delete;

    /// The first success registers the piece with the sound manager, which owns it from then on;
    /// loading again frees the old music first, whether or not the new file loads.
    bool Load(const std::string& path);
    /// Stops whatever music plays, then starts this piece; loops as SDL_mixer counts them (-1 for
    /// ever).
    void Play(int loops);
    /// Stops the music and asks the sound manager to remove and delete this piece.
    void Release();

    /// Whether the music is loaded.
    bool IsLoaded() const { return music != nullptr; }
    /// The path last given to Load.
    const std::string& GetName() const { return name; }

private:
    Mix_Music* music;
    std::string name;
    bool registered;  ///< with the sound manager, after the first successful load
};

#endif
