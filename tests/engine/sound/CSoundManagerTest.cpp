// Sound effects and music through SDL_mixer on SDL's dummy audio driver.
#include "sound/CMusic.h"
#include "sound/CSound.h"
#include "sound/CSoundManager.h"
#include "support/EngineManagersFixture.h"
#include "support/TempFiles.h"

#include <SDL/SDL.h>
#include <SDL/SDL_mixer.h>
#include <gtest/gtest.h>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace
{
// A short mono 16-bit PCM WAV file of a square wave.
std::string WavBytes()
{
    const uint32_t rate = 22050, samples = 2205;
    const uint32_t dataBytes = samples * 2;
    std::string bytes;
    auto put32 = [&bytes](uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            bytes.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    };
    auto put16 = [&bytes](uint16_t v)
    {
        bytes.push_back(static_cast<char>(v & 0xFF));
        bytes.push_back(static_cast<char>(v >> 8));
    };
    bytes += "RIFF";
    put32(36 + dataBytes);
    bytes += "WAVEfmt ";
    put32(16);
    put16(1);
    put16(1);
    put32(rate);
    put32(rate * 2);
    put16(2);
    put16(16);
    bytes += "data";
    put32(dataBytes);
    for (uint32_t i = 0; i < samples; ++i)
    {
        put16(static_cast<uint16_t>((i / 25) % 2 ? 8000 : -8000));
    }
    return bytes;
}

class SoundTest : public kyrel_test::EngineManagersFixture
{
protected:
    void SetUp() override
    {
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        manager = Install(gSoundManager);
        ASSERT_TRUE(manager->IsAudioOpen());
        wav = kyrel_test::WriteFile(folder.File("square.wav"), WavBytes());
    }
    void TearDown() override
    {
        EngineManagersFixture::TearDown();
        SDL_Quit();
    }

    CSoundManager* manager = nullptr;
    kyrel_test::TempDir folder{"kyrel-sound"};
    std::string wav;
};
}  // namespace

TEST_F(SoundTest, VolumesAreClampedStoredAndApplied)
{
    EXPECT_EQ(128, manager->SetMusicVolume(200));
    EXPECT_EQ(128, manager->GetMusicVolume());
    EXPECT_EQ(128, Mix_VolumeMusic(-1));
    EXPECT_EQ(0, manager->SetEffectsVolume(-5));
    EXPECT_EQ(0, manager->GetEffectsVolume());
    EXPECT_EQ(0, Mix_Volume(0, -1));
    EXPECT_EQ(64, manager->SetEffectsVolume(64));
    EXPECT_EQ(64, Mix_Volume(0, -1));
}

TEST_F(SoundTest, LoadedSoundsRegisterPlayAndRelease)
{
    testing::internal::CaptureStdout();
    CSound unloaded;  // an empty path loads nothing and says nothing
    EXPECT_FALSE(unloaded.IsLoaded());
    EXPECT_EQ(-1, unloaded.Play(0));

    CSound* sound = new CSound(wav);
    ASSERT_TRUE(sound->IsLoaded());
    EXPECT_EQ(1u, manager->GetSoundCount());
    manager->PlaySound(1, 0);  // one past the end: nothing
    EXPECT_EQ(0, Mix_Playing(-1));
    manager->PlaySound(0, 0);
    EXPECT_EQ(1, Mix_Playing(-1));
    EXPECT_EQ("", testing::internal::GetCapturedStdout());

    sound->Release();
    EXPECT_EQ(0u, manager->GetSoundCount());
}

TEST_F(SoundTest, MissingFilesAreReportedAndStayUnregistered)
{
    testing::internal::CaptureStdout();
    CSound sound("/nonexistent/boom.wav");
    CMusic music("/nonexistent/theme.ogg");
    EXPECT_EQ("Failed to load sound: /nonexistent/boom.wav\nFailed to load music "
              "/nonexistent/theme.ogg\n",
              testing::internal::GetCapturedStdout());
    EXPECT_FALSE(sound.IsLoaded());
    EXPECT_FALSE(music.IsLoaded());
    EXPECT_EQ(0u, manager->GetSoundCount());
    EXPECT_EQ(0u, manager->GetMusicCount());
}

TEST_F(SoundTest, MusicPlaysOneAtATimeAndDiesWithTheManager)
{
    CMusic* first = new CMusic(wav);
    CMusic* second = new CMusic(wav);
    ASSERT_TRUE(first->IsLoaded());
    ASSERT_EQ(2u, manager->GetMusicCount());
    manager->PlayMusic(0, -1);
    EXPECT_EQ(1, Mix_PlayingMusic());
    manager->PlayMusic(1, -1);
    EXPECT_EQ(1, Mix_PlayingMusic());
    manager->StopMusic();
    EXPECT_EQ(0, Mix_PlayingMusic());
    manager->PlayMusic(2, 0);  // outside the list
    EXPECT_EQ(0, Mix_PlayingMusic());
    second->Release();
    EXPECT_EQ(1u, manager->GetMusicCount());
    // A piece never loaded is never registered: it stays the application's and may die after
    // the sound manager has.
    CMusic* unloaded = new CMusic();
    EngineManagersFixture::TearDown();
    ASSERT_EQ(nullptr, gSoundManager);
    unloaded->Release();
    delete unloaded;
}

// The manager deletes what it holds at shut-down: a sound or piece loaded again must be held once,
// or it is deleted twice. The old chunk or music is freed, which stops it where it plays.
TEST_F(SoundTest, LoadingAgainReplacesTheOldDataAndRegistersOnce)
{
    CSound* sound = new CSound(wav);
    ASSERT_NE(-1, sound->Play(-1));
    ASSERT_EQ(1, Mix_Playing(-1));
    EXPECT_TRUE(sound->Load(wav));
    EXPECT_EQ(0, Mix_Playing(-1)) << "the old chunk still plays: it was not freed";

    CMusic* piece = new CMusic(wav);
    piece->Play(-1);
    ASSERT_EQ(1, Mix_PlayingMusic());
    EXPECT_TRUE(piece->Load(wav));
    EXPECT_EQ(0, Mix_PlayingMusic()) << "the old music still plays: it was not freed";

    // A failed load in between leaves each registered, and a later success does not add it again.
    testing::internal::CaptureStdout();
    EXPECT_FALSE(sound->Load("/nonexistent/boom.wav"));
    EXPECT_FALSE(piece->Load("/nonexistent/theme.ogg"));
    testing::internal::GetCapturedStdout();
    EXPECT_FALSE(sound->IsLoaded());
    EXPECT_TRUE(sound->Load(wav));
    EXPECT_TRUE(piece->Load(wav));

    EXPECT_EQ(1u, manager->GetSoundCount());
    EXPECT_EQ(1u, manager->GetMusicCount());
    manager->PlaySound(0, 0);
    EXPECT_EQ(1, Mix_Playing(-1)) << "the registered sound plays its new chunk";
    // TearDown deletes the manager, which deletes each object once.
}
