// One music piece: a mixer music object, one playing at a time.
#ifndef KYREL_CMUSIC_H
#define KYREL_CMUSIC_H

#include <SDL/SDL_mixer.h>
#include <string>

class CMusic
{
public:
    // Loads the file unless the path is empty.
    explicit CMusic(const std::string& path = std::string());
    ~CMusic();
    CMusic(const CMusic&) = delete;
    CMusic& operator=(const CMusic&) = delete;

    // On success the piece registers with the sound manager, which owns it from then on.
    bool Load(const std::string& path);
    // Stops whatever music plays, then starts this piece.
    void Play(int loops);
    // Stops the music and asks the sound manager to remove and delete this piece.
    void Release();

    bool IsLoaded() const { return music != nullptr; }
    const std::string& GetName() const { return name; }

private:
    Mix_Music* music;
    std::string name;
};

#endif
