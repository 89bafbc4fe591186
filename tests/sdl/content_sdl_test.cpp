// The game's own music and sounds load in the real mixer, and the music plays.
#include <SDL.h>
#include <SDL_mixer.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

const char* const MusicFiles[] = {"Mid/System.mid", "Mid/Bgm1.mid", "Mid/Bgm2.mid",
                                  "Mid/Bgm3.mid",   "Mid/Bgm4.mid", "Mid/Bgm5.mid"};
const char* const WaveFiles[] = {"Wave/SelectMove.wav", "Wave/SelectCheck.wav",
                                 "Wave/SelectCancel.wav", "Wave/Hit.wav"};

class ContentMixer : public ::testing::Test {
  protected:
    void SetUp() override {
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        // FluidSynth needs a General MIDI sound font; use the system's unless one is set.
        const char* fonts = std::getenv("SDL_SOUNDFONTS");
        if ((fonts == nullptr || *fonts == '\0') &&
            std::filesystem::exists("/usr/share/sounds/sf2/default-GM.sf2")) {
            setenv("SDL_SOUNDFONTS", "/usr/share/sounds/sf2/default-GM.sf2", 1);
        }
        ASSERT_EQ(SDL_Init(SDL_INIT_AUDIO), 0) << SDL_GetError();
        Mix_Init(MIX_INIT_MID);
        ASSERT_EQ(Mix_OpenAudio(44100, AUDIO_S16SYS, 2, 512), 0) << Mix_GetError();
    }
    void TearDown() override {
        Mix_CloseAudio();
        Mix_Quit();
        SDL_Quit();
    }
    static std::string Path(const char* rel) { return std::string(TESSALUNE_GAMEDIR) + "/" + rel; }
};

TEST_F(ContentMixer, EveryPieceLoadsAndStartsPlaying) {
    for (const char* f : MusicFiles) {
        SCOPED_TRACE(f);
        Mix_Music* m = Mix_LoadMUS(Path(f).c_str());
        ASSERT_NE(m, nullptr) << Mix_GetError();
        EXPECT_EQ(Mix_GetMusicType(m), MUS_MID);
        EXPECT_EQ(Mix_PlayMusic(m, 0), 0) << Mix_GetError();
        SDL_Delay(30);
        EXPECT_EQ(Mix_PlayingMusic(), 1);
        Mix_HaltMusic();
        Mix_FreeMusic(m);
    }
}

TEST_F(ContentMixer, EverySoundLoadsAsAChunk) {
    for (const char* f : WaveFiles) {
        SCOPED_TRACE(f);
        Mix_Chunk* c = Mix_LoadWAV(Path(f).c_str());
        ASSERT_NE(c, nullptr) << Mix_GetError();
        EXPECT_GT(c->alen, 1000u);
        Mix_FreeChunk(c);
    }
}

}  // namespace
