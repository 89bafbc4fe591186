// The sound and music path on the real SDL_mixer back-end. SDL's disk driver
// writes what the mixer plays into a file, so a test can hear the output.
#include <SDL.h>
#include <SDL_mixer.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "audio/music.h"
#include "audio/sound.h"
#include "platform/platform.h"
#include "platform/sdl/music_sdl.h"
#include "platform/sdl/sdl_internal.h"
#include "support/bytes.h"
#include "support/scratch.h"

namespace {

// Opens a piece as the game hands it over: read whole and checked first.
bool OpenPiece(const char* path) {
    const std::vector<unsigned char> file = ReadMidi(path);
    return plat::MusicOpen(file.empty() ? nullptr : file.data(), file.size());
}

constexpr int Rate = 44100;
constexpr int OutFrameBytes = 4;
constexpr int ToneLevel = 8000;

// 16-bit stereo 44100 Hz: what the mixer plays, so the level comes out as it went in.
std::vector<unsigned char> Tone(double seconds) {
    const int frames = static_cast<int>(seconds * Rate);
    std::vector<unsigned char> pcm;
    for (int i = 0; i < frames; ++i) {
        const auto v = static_cast<int16_t>(ToneLevel * std::sin(i * 2 * M_PI * 441.0 / Rate));
        for (int c = 0; c < 2; ++c) {
            pcm.push_back(static_cast<unsigned char>(v & 0xFF));
            pcm.push_back(static_cast<unsigned char>((v >> 8) & 0xFF));
        }
    }
    return pcm;
}

// A RIFF/WAVE file of 8-bit mono at 22050 Hz, so the loader's PCM must be converted.
Bytes WaveFile8(double seconds) {
    Bytes pcm(static_cast<size_t>(seconds * 22050));
    for (size_t i = 0; i < pcm.size(); ++i) {
        pcm[i] = static_cast<unsigned char>(128 + 60 * std::sin(i * 2 * M_PI * 441.0 / 22050));
    }
    return Riff({Chunk("fmt ", Fmt(1, 1, 22050, 8)), Chunk("data", pcm)});
}

// A format 0 file of one track holding `events`.
std::vector<unsigned char> MidiOf(std::vector<unsigned char> events) {
    std::vector<unsigned char> m = {'M', 'T', 'h', 'd', 0,  0,   0,   6,   0,
                                    0,   0,   1,   0,   96, 'M', 'T', 'r', 'k'};
    const auto n = static_cast<uint32_t>(events.size());
    for (int i = 3; i >= 0; --i) {
        m.push_back(static_cast<unsigned char>(n >> (8 * i)));
    }
    m.insert(m.end(), events.begin(), events.end());
    return m;
}

// Half a second of one piano note, format 0, 96 ticks a quarter at 120 bpm.
std::vector<unsigned char> MidiNote() {
    return MidiOf(
        {0x00, 0xC0, 0x00, 0x00, 0x90, 0x3C, 0x64, 0x60, 0x80, 0x3C, 0x40, 0x00, 0xFF, 0x2F, 0x00});
}

class AudioDiskTest : public ::testing::Test {
  protected:
    void SetUp() override {
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", out_.c_str(), 1);
        // A millisecond per device buffer: the output runs ahead of real time.
        setenv("SDL_DISKAUDIODELAY", "1", 1);
        unsetenv("SDL_SOUNDFONTS");
        ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_EVENTS), 0) << SDL_GetError();
        ASSERT_EQ(InitDirectSound(), 0) << SDL_GetError();
        FlushEvents();
    }
    void TearDown() override {
        plat::MusicClose();
        ReleaseDirectSound();
        FlushEvents();
        SDL_QuitSubSystem(SDL_INIT_EVENTS);
        unsetenv("SDL_AUDIODRIVER");
        unsetenv("SDL_DISKAUDIOFILE");
        unsetenv("SDL_DISKAUDIODELAY");
        unsetenv("SDL_SOUNDFONTS");
    }

    std::string TempPath(const std::string& name) const { return (dir_.path() / name).string(); }
    std::string Keep(const std::string& name, const std::vector<unsigned char>& bytes) {
        const std::string path = TempPath(name);
        WriteBytes(path, bytes);
        return path;
    }

    // Frames written to the output so far.
    long OutputFrames() const {
        struct stat st {};
        return stat(out_.c_str(), &st) == 0 ? static_cast<long>(st.st_size / OutFrameBytes) : 0;
    }
    // Waits until the mixer has written `seconds` more of output.
    void Advance(double seconds) {
        const long until = OutputFrames() + static_cast<long>(seconds * Rate);
        for (int i = 0; i < 20000 && OutputFrames() < until; ++i) {
            SDL_Delay(1);
        }
        ASSERT_GE(OutputFrames(), until) << "the disk driver stopped writing";
    }
    // The whole output as left-channel samples, once the device is closed.
    std::vector<int16_t> CloseAndRead() {
        plat::MusicClose();
        ReleaseDirectSound();
        std::vector<int16_t> left;
        FILE* f = std::fopen(out_.c_str(), "rb");
        if (f == nullptr) {
            return left;
        }
        int16_t frame[2];
        while (std::fread(frame, sizeof frame, 1, f) == 1) {
            left.push_back(frame[0]);
        }
        std::fclose(f);
        return left;
    }

    static int CountMusicEnds() {
        SDL_PumpEvents();
        const Uint32 type = sdlplat::MusicEndEventType();
        return SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, type, type);
    }
    // Waits for one end notification and takes it; false after `ms`.
    static bool TakeMusicEnd(int ms) {
        const Uint32 type = sdlplat::MusicEndEventType();
        for (int i = 0; i < ms; ++i) {
            SDL_PumpEvents();
            SDL_Event e;
            if (SDL_PeepEvents(&e, 1, SDL_GETEVENT, type, type) == 1) {
                return true;
            }
            SDL_Delay(1);
        }
        return false;
    }
    static void FlushEvents() {
        SDL_PumpEvents();
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    }

    const ScratchDir dir_{"audio"};
    const std::string out_ = TempPath("out.raw");
};

int Peak(const std::vector<int16_t>& s, size_t from = 0, size_t to = SIZE_MAX) {
    int peak = 0;
    for (size_t i = from; i < s.size() && i < to; ++i) {
        peak = std::max(peak, std::abs(static_cast<int>(s[i])));
    }
    return peak;
}

// Samples from the first to the last one above the noise floor.
size_t SoundingSpan(const std::vector<int16_t>& s) {
    size_t first = SIZE_MAX, last = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        if (std::abs(static_cast<int>(s[i])) > 200) {
            first = std::min(first, i);
            last = i;
        }
    }
    return first == SIZE_MAX ? 0 : last - first + 1;
}

TEST_F(AudioDiskTest, ALoadedEffectIsHeardAfterConversion) {
    ASSERT_EQ(LoadWave(Keep("move.wav", WaveFile8(0.1)).c_str(), &lpSeMovSound[0]), 1);
    Advance(0.05);
    EXPECT_EQ(PlaySe(lpSeMovSound[0], 0), 0);
    Advance(0.3);
    ReleaseSound(&lpSeMovSound[0]);
    const auto out = CloseAndRead();
    EXPECT_GT(Peak(out), 3000) << "the effect left only silence";
    // 0.1 s of sound, resampled to 44100 Hz.
    EXPECT_NEAR(static_cast<double>(SoundingSpan(out)), 0.1 * Rate, 0.01 * Rate);
}

TEST_F(AudioDiskTest, ElevenHitsReuseTheFirstBuffer) {
    ASSERT_EQ(LoadWave(Keep("hit.wav", WaveFile8(2.0)).c_str(), &lpHitSound[0]), 1);
    DuplicateHitSounds();
    for (auto* hit : lpHitSound) {
        ASSERT_NE(hit, nullptr);
    }
    nHitSound = 0;
    for (int i = 0; i < 10; ++i) {
        PlayHitSound();
    }
    EXPECT_EQ(Mix_Playing(-1), 10);
    PlayHitSound();
    EXPECT_EQ(Mix_Playing(-1), 10) << "the eleventh hit took a channel of its own";
    EXPECT_EQ(nHitSound, 1);
    // The ten share one copy of the samples.
    const Mix_Chunk* shared = Mix_GetChunk(0);
    ASSERT_NE(shared, nullptr);
    for (int ch = 1; ch < 10; ++ch) {
        EXPECT_EQ(Mix_GetChunk(ch), shared);
    }
}

TEST_F(AudioDiskTest, AConfirmPressedTwiceRestartsRatherThanDoubles) {
    const auto tone = Tone(0.5);
    plat::Sound* s = plat::SoundCreate(tone.data(), tone.size(), 2, Rate, 16);
    ASSERT_NE(s, nullptr);
    lpSeCheSound[0] = s;
    Advance(0.05);
    const long first = OutputFrames();
    PlaySe(lpSeCheSound[0], 0);
    Advance(0.25);
    const long second = OutputFrames();
    PlaySe(lpSeCheSound[0], 0);
    EXPECT_EQ(Mix_Playing(-1), 1);
    Advance(0.8);
    EXPECT_EQ(Mix_Playing(-1), 0);
    ReleaseSound(&lpSeCheSound[0]);
    const auto out = CloseAndRead();
    // Cut short and begun again: sounding from the first press to half a
    // second after the second, and never two at once.
    EXPECT_NEAR(static_cast<double>(SoundingSpan(out)),
                static_cast<double>(second - first) + 0.5 * Rate, 0.03 * Rate);
    EXPECT_LE(Peak(out), ToneLevel + 50);
}

TEST_F(AudioDiskTest, MidiMusicEndsWithItsLastEventAndPlaysAgain) {
    const std::string mid = Keep("note.mid", MidiNote());
    ASSERT_TRUE(OpenPiece(mid.c_str())) << SDL_GetError();
    const long start = OutputFrames();
    plat::MusicPlay();
    EXPECT_TRUE(sdlplat::SynthPlaying());
    ASSERT_TRUE(TakeMusicEnd(10000)) << "the piece never reported its end";
    const auto firstEnd = static_cast<size_t>(OutputFrames());
    // Half a second of notes: the end comes with the last one, not seconds
    // later when the synthesizer has fallen quiet.
    EXPECT_GE(static_cast<long>(firstEnd) - start, static_cast<long>(0.48 * Rate));
    EXPECT_LE(static_cast<long>(firstEnd) - start, static_cast<long>(0.65 * Rate));
    // As the window procedure does on the notification: from the start again.
    plat::MusicPlay();
    ASSERT_TRUE(TakeMusicEnd(10000)) << "a replayed piece never ended";
    const auto out = CloseAndRead();
    EXPECT_GT(Peak(out, 0, firstEnd), 1000) << "FluidSynth played silence";
    EXPECT_GT(Peak(out, firstEnd + Rate / 20), 1000) << "the piece played again in silence";
}

TEST_F(AudioDiskTest, ALoopingPieceIsMadeOnceAndPlayedBackAfter) {
    const std::string mid = Keep("note.mid", MidiNote());
    ASSERT_TRUE(OpenPiece(mid.c_str())) << SDL_GetError();
    // Restarted at every end, as the window procedure does; the length of
    // each pass, from its play to its end.
    auto loop = [this](double seconds) {
        std::vector<long> lengths;
        long started = OutputFrames();
        plat::MusicPlay();
        const long until = started + static_cast<long>(seconds * Rate);
        while (OutputFrames() < until) {
            if (TakeMusicEnd(1)) {
                const long now = OutputFrames();
                lengths.push_back(now - started);
                started = now;
                plat::MusicPlay();
            }
        }
        return lengths;
    };
    // The first pass and its tail (the piano's release, then the reverb).
    const std::vector<long> first = loop(5.0);
    ASSERT_GE(first.size(), 6u);
    const int64_t made = sdlplat::SynthFramesMade();
    const long sounding = OutputFrames();
    const std::vector<long> later = loop(3.0);
    ASSERT_GE(later.size(), 4u);
    EXPECT_EQ(sdlplat::SynthFramesMade(), made) << "a later pass was synthesized again";
    // Every pass, played back or not, ends as long after its play as the
    // synthesized ones did, give or take the polling and a device buffer
    // (4096 frames on the disk driver; a loaded machine can be one behind
    // at any pass). A pass played with its tail would be 2 s longer.
    std::vector<long> sorted = first;
    std::nth_element(sorted.begin(), sorted.begin() + static_cast<long>(sorted.size() / 2),
                     sorted.end());
    const auto pass = static_cast<double>(sorted[sorted.size() / 2]);
    const double slack = 0.1 * Rate;
    for (const long n : later) {
        EXPECT_NEAR(static_cast<double>(n), pass, slack);
    }

    // A pause keeps the whole take: playing again plays it from its start.
    plat::MusicPause();
    Advance(0.2);
    const long resumed = OutputFrames();
    plat::MusicPlay();
    ASSERT_TRUE(TakeMusicEnd(10000));
    EXPECT_NEAR(static_cast<double>(OutputFrames() - resumed), pass, slack);
    EXPECT_EQ(sdlplat::SynthFramesMade(), made);

    // A piece opened again is synthesized again.
    ASSERT_TRUE(OpenPiece(mid.c_str()));
    plat::MusicPlay();
    Advance(0.2);
    EXPECT_GT(sdlplat::SynthFramesMade(), made);
    const auto out = CloseAndRead();
    EXPECT_GT(Peak(out, static_cast<size_t>(sounding), static_cast<size_t>(resumed)), 1000)
        << "the passes played back were silent";
}

// The player's volumes scale what is heard, and nothing else: a silent piece
// still ends by its rules. A pause holds every sound where it stands.
TEST_F(AudioDiskTest, VolumesScaleWhatIsHeardAndAPauseHoldsEverything) {
    const auto tone = Tone(0.3);
    plat::Sound* s = plat::SoundCreate(tone.data(), tone.size(), 2, Rate, 16);
    ASSERT_NE(s, nullptr);
    std::vector<long> marks;
    for (int volume : {100, 50, 0}) {
        sdlplat::SetSoundVolume(volume);
        Advance(0.05);
        marks.push_back(OutputFrames());
        plat::SoundPlay(s);
        Advance(0.4);
        marks.push_back(OutputFrames());
    }
    sdlplat::SetSoundVolume(100);
    sdlplat::SetMusicVolume(0);
    ASSERT_TRUE(OpenPiece(Keep("note.mid", MidiNote()).c_str()));
    plat::MusicPlay();
    EXPECT_TRUE(TakeMusicEnd(10000)) << "a silent piece must still end";
    const long silentTo = OutputFrames();
    sdlplat::SetMusicVolume(100);
    plat::MusicPlay();
    plat::SoundPlay(s);
    sdlplat::HoldSound(true);
    Advance(0.05);
    const long heldFrom = OutputFrames();
    Advance(0.7);
    EXPECT_EQ(CountMusicEnds(), 0) << "the music went on through a pause";
    const long heldTo = OutputFrames();
    sdlplat::HoldSound(false);
    EXPECT_TRUE(TakeMusicEnd(10000));
    plat::SoundRelease(s);
    const auto out = CloseAndRead();
    EXPECT_NEAR(Peak(out, marks[0], marks[1]), ToneLevel, 100);
    EXPECT_NEAR(Peak(out, marks[2], marks[3]), ToneLevel / 2, 100);
    EXPECT_EQ(Peak(out, marks[4], silentTo), 0);
    EXPECT_EQ(Peak(out, heldFrom, heldTo), 0);
    EXPECT_GT(Peak(out, heldTo), 1000) << "after the pause nothing played on";
}

TEST_F(AudioDiskTest, PauseThenPlayStartsOverWithoutANotification) {
    const std::string mid = Keep("note.mid", MidiNote());
    ASSERT_TRUE(OpenPiece(mid.c_str())) << SDL_GetError();
    long start = OutputFrames();
    plat::MusicPlay();
    ASSERT_TRUE(TakeMusicEnd(10000));
    const long whole = OutputFrames() - start;

    plat::MusicPlay();
    Advance(0.3);
    plat::MusicPause();
    EXPECT_FALSE(sdlplat::SynthPlaying());
    // Paused past its end: a paused piece never ends by itself.
    Advance(1.0);
    EXPECT_EQ(CountMusicEnds(), 0);
    start = OutputFrames();
    plat::MusicPlay();
    EXPECT_TRUE(sdlplat::SynthPlaying());
    // A restart that reported itself would restart itself for ever.
    EXPECT_EQ(CountMusicEnds(), 0);
    ASSERT_TRUE(TakeMusicEnd(10000));
    // All of it again, not what was left after the pause.
    EXPECT_GT(OutputFrames() - start, whole - static_cast<long>(0.1 * Rate));
}

TEST_F(AudioDiskTest, ANotificationAfterCloseFindsNothingToPlay) {
    const std::string mid = Keep("note.mid", MidiNote());
    ASSERT_TRUE(OpenPiece(mid.c_str())) << SDL_GetError();
    plat::MusicPlay();
    Advance(0.05);
    plat::MusicClose();
    // The stop reports itself; the window procedure then plays again.
    ASSERT_TRUE(TakeMusicEnd(1000));
    plat::MusicPlay();
    plat::MusicPause();
    EXPECT_FALSE(sdlplat::SynthPlaying());
    Advance(0.1);
    EXPECT_EQ(CountMusicEnds(), 0);

    // The end posted, still waiting when the scene closes its piece: the
    // close adds none of its own, and the late one plays nothing.
    ASSERT_TRUE(OpenPiece(mid.c_str()));
    plat::MusicPlay();
    for (int i = 0; i < 10000 && CountMusicEnds() == 0; ++i) {
        SDL_Delay(1);
    }
    plat::MusicClose();
    EXPECT_EQ(CountMusicEnds(), 1);
    ASSERT_TRUE(TakeMusicEnd(10));
    plat::MusicPlay();
    EXPECT_FALSE(sdlplat::SynthPlaying());
    Advance(0.1);
    EXPECT_EQ(CountMusicEnds(), 0);

    // Opening a second piece over a first leaves one open.
    ASSERT_TRUE(OpenPiece(mid.c_str()));
    ASSERT_TRUE(OpenPiece(mid.c_str()));
    plat::MusicPlay();
    EXPECT_TRUE(sdlplat::SynthPlaying());
}

TEST_F(AudioDiskTest, APieceThatEndsAtOnceNeverBusiesTheGame) {
    const std::vector<unsigned char> note = {0x00, 0x90, 0x3C, 0x64};
    struct Case {
        const char* name;
        std::vector<unsigned char> file;
    };
    const Case cases[] = {
        {"nothing but its end", MidiOf({0x00, 0xFF, 0x2F, 0x00})},
        {"no end of track", MidiOf(note)},
        {"tempo 0", MidiOf({0x00, 0xFF, 0x51, 0x03, 0, 0, 0, 0x00, 0x90, 0x3C, 0x64, 0x60, 0x80,
                            0x3C, 0x40, 0x00, 0xFF, 0x2F, 0x00})},
        {"a meta length past the end", MidiOf({0x00, 0xFF, 0x01, 0x8F, 0xFF, 0xFF, 0x7F})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(OpenPiece(Keep("bad.mid", c.file).c_str()));
        // One play, one notification at most.
        plat::MusicPlay();
        Advance(0.3);
        EXPECT_LE(CountMusicEnds(), 1);
        FlushEvents();
        // Restarted at every notification, as the window procedure does:
        // never more often than the game's frames come.
        const long start = OutputFrames();
        int ends = 0;
        while (OutputFrames() - start < Rate) {
            if (TakeMusicEnd(1)) {
                ++ends;
                plat::MusicPlay();
            }
        }
        EXPECT_LE(ends, 25) << "restarts in one second of music";
        plat::MusicClose();
        FlushEvents();
    }
}

TEST_F(AudioDiskTest, MusicThatCannotPlayFailsToOpen) {
    EXPECT_FALSE(OpenPiece(TempPath("absent.mid").c_str()));
    EXPECT_FALSE(OpenPiece(Keep("effect.wav", WaveFile8(0.1)).c_str()));
    EXPECT_FALSE(OpenPiece(Keep("empty.mid", {}).c_str()));
    auto headerOnly = MidiNote();
    headerOnly.resize(14);
    EXPECT_FALSE(OpenPiece(Keep("header.mid", headerOnly).c_str()));
    EXPECT_FALSE(OpenPiece("/"));
    const std::string fifo = TempPath("fifo.mid");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(OpenPiece(fifo.c_str())) << "and it must not hang";
    plat::MusicPlay();
    EXPECT_FALSE(sdlplat::SynthPlaying());

    // The font is looked for when sound starts. Without instruments the
    // synthesizer would play silence: no open at all.
    const std::string mid = Keep("note.mid", MidiNote());
    auto restartWithFonts = [](const std::string& fonts) {
        ReleaseDirectSound();
        setenv("SDL_SOUNDFONTS", fonts.c_str(), 1);
        ASSERT_EQ(InitDirectSound(), 0);
    };
    restartWithFonts(TempPath("absent.sf2"));
    EXPECT_FALSE(OpenPiece(mid.c_str()));
    const std::string junk = Keep("junk.sf2", {'n', 'o', 't', ' ', 'a', ' ', 's', 'f'});
    restartWithFonts(junk);
    EXPECT_FALSE(OpenPiece(mid.c_str()));
    // Either separator, as SDL_mixer reads the list; the good one is used.
    restartWithFonts(junk + ":/usr/share/sounds/sf2/default-GM.sf2");
    EXPECT_TRUE(OpenPiece(mid.c_str())) << SDL_GetError();
    unsetenv("SDL_SOUNDFONTS");
    ReleaseDirectSound();
    ASSERT_EQ(InitDirectSound(), 0);
    EXPECT_TRUE(OpenPiece(mid.c_str())) << SDL_GetError();
}

TEST_F(AudioDiskTest, BuffersOfAClosedMixerStayQuiet) {
    const auto tone = Tone(0.1);
    plat::Sound* s = plat::SoundCreate(tone.data(), tone.size(), 2, Rate, 16);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(plat::SoundCreate(tone.data(), tone.size(), 3, Rate, 24), nullptr);
    EXPECT_EQ(plat::SoundCreate(tone.data(), 3, 2, Rate, 16), nullptr);
    plat::SoundClose();
    EXPECT_NE(plat::SoundPlay(s), 0);
    EXPECT_EQ(plat::SoundDuplicate(s), nullptr);
    EXPECT_EQ(plat::SoundOpen(), 0);
    EXPECT_NE(plat::SoundPlay(s), 0) << "a buffer of the old mixer played on the new one";
    plat::SoundRelease(s);
}

TEST(AudioNoDeviceTest, WithoutAnAudioDeviceNothingLoads) {
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    EXPECT_EQ(InitDirectSound(), 1);
    const auto tone = Tone(0.1);
    EXPECT_EQ(plat::SoundCreate(tone.data(), tone.size(), 2, Rate, 16), nullptr);
    const ScratchDir dir("audio");
    const std::string wav = (dir.path() / "nodevice.wav").string();
    WriteBytes(wav, WaveFile8(0.1));
    EXPECT_EQ(LoadWave(wav.c_str(), &lpSeMovSound[0]), 0);
    EXPECT_EQ(lpSeMovSound[0], nullptr);
    EXPECT_FALSE(OpenPiece(wav.c_str()));
    ReleaseDirectSound();
    unsetenv("SDL_AUDIODRIVER");
}

}  // namespace
