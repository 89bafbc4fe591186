// The wave reader, the effect tables with the hit rotation, and the music
// commands, on the scripted platform.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <initializer_list>
#include <string>
#include <vector>

#include "app/app.h"
#include "audio/music.h"
#include "audio/sound.h"
#include "input/messages.h"
#include "platform/script/script.h"
#include "support/bytes.h"
#include "support/game.h"
#include "support/scratch.h"

namespace {

// The 24 bytes after the record of WAVE_FORMAT_EXTENSIBLE, with the sub-format's code.
Bytes Extensible(uint16_t subFormat) {
    Bytes e;
    AddLe16(&e, 22);
    AddLe16(&e, 16);
    AddLe32(&e, 3);
    AddLe16(&e, subFormat);
    for (unsigned char x :
         {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}) {
        e.push_back(x);
    }
    return e;
}

Bytes Samples(size_t n, unsigned char first = 1) {
    Bytes s;
    for (size_t i = 0; i < n; ++i) {
        s.push_back(static_cast<unsigned char>(first + i));
    }
    return s;
}

// Plain 16-bit stereo at 22050 Hz with `n` bytes of samples.
Bytes PlainWave(size_t n) {
    return Riff({Chunk("fmt ", Fmt(1, 2, 22050, 16)), Chunk("data", Samples(n))});
}

size_t OpenFds() {
    return DirectoryNames("/proc/self/fd").size();
}

class WaveReaderTest : public ::testing::Test {
  protected:
    void SetUp() override { fds_ = OpenFds(); }
    // Every way out of the reader gives its file back.
    void TearDown() override { EXPECT_EQ(OpenFds(), fds_); }
    bool Read(const Bytes& file, WavePcm* out) {
        WriteBytes(path_, file);
        return ReadWave(path_.c_str(), out);
    }
    bool Loads(const Bytes& file) {
        WavePcm pcm;
        return Read(file, &pcm);
    }

    const ScratchDir dir_{"wave"};
    const std::string path_ = (dir_.path() / "test.wav").string();
    size_t fds_ = 0;
};

TEST_F(WaveReaderTest, PlainPcmLoadsAsItIs) {
    WavePcm pcm;
    ASSERT_TRUE(Read(PlainWave(40), &pcm));
    EXPECT_EQ(pcm.bytes, Samples(40));
    EXPECT_EQ(pcm.channels, 2);
    EXPECT_EQ(pcm.rate, 22050);
    EXPECT_EQ(pcm.bits, 16);

    // The 18-byte record, and one with bytes past it that mean nothing to us.
    ASSERT_TRUE(
        Read(Riff({Chunk("fmt ", Fmt(1, 1, 8000, 8, {0, 0})), Chunk("data", Samples(7))}), &pcm));
    EXPECT_EQ(pcm.bytes, Samples(7));
    ASSERT_TRUE(
        Read(Riff({Chunk("fmt ", Fmt(1, 1, 8000, 8, Bytes(34, 0xEE))), Chunk("data", Samples(9))}),
             &pcm));
    EXPECT_EQ(pcm.bytes, Samples(9));
    EXPECT_EQ(pcm.rate, 8000);

    // Other chunks before and between are stepped over, odd sizes with their pad byte.
    ASSERT_TRUE(Read(Riff({Chunk("LIST", Samples(3, 'd')), Chunk("fmt ", Fmt(1, 1, 11025, 8)),
                           Chunk("junk", Samples(5, 'd')), Chunk("data", Samples(5)),
                           Chunk("data", Samples(8, 0x40))}),
                     &pcm));
    EXPECT_EQ(pcm.bytes, Samples(5));

    // The WAVE form need not be the file's first RIFF chunk.
    Bytes two = Riff({Chunk("data", Samples(6))}, "AVI ");
    const Bytes wave = PlainWave(8);
    two.insert(two.end(), wave.begin(), wave.end());
    ASSERT_TRUE(Read(two, &pcm));
    EXPECT_EQ(pcm.bytes, Samples(8));
}

TEST_F(WaveReaderTest, MissingPiecesAreRejected) {
    EXPECT_FALSE(Loads({}));
    EXPECT_FALSE(
        Loads(Riff({Chunk("fmt ", Fmt(1, 2, 22050, 16)), Chunk("data", Samples(8))}, "AVI ")));
    EXPECT_FALSE(Loads(Riff({Chunk("data", Samples(8))})));
    EXPECT_FALSE(Loads(Riff({Chunk("fmt ", Fmt(1, 2, 22050, 16))})));
    // The data chunk counts only after the fmt chunk.
    EXPECT_FALSE(Loads(Riff({Chunk("data", Samples(8)), Chunk("fmt ", Fmt(1, 2, 22050, 16))})));
    // Chunks past the end of the RIFF chunk are not inside it.
    Bytes outside = Riff({Chunk("fmt ", Fmt(1, 2, 22050, 16))});
    const Bytes data = Chunk("data", Samples(8));
    outside.insert(outside.end(), data.begin(), data.end());
    EXPECT_FALSE(Loads(outside));
    // No samples at all.
    EXPECT_FALSE(Loads(Riff({Chunk("fmt ", Fmt(1, 2, 22050, 16)), Chunk("data", {})})));
    EXPECT_FALSE(Loads(Riff({Chunk("fmt ", Fmt(1, 2, 22050, 16)), Chunk("data", Samples(3))})));
}

TEST_F(WaveReaderTest, OnlyUsablePcmIsTaken) {
    const auto with = [](const Bytes& fmt) {
        return Riff({Chunk("fmt ", fmt), Chunk("data", Samples(8))});
    };
    EXPECT_TRUE(Loads(with(Fmt(0xFFFE, 2, 44100, 16, Extensible(1)))));
    EXPECT_FALSE(Loads(with(Fmt(0xFFFE, 2, 44100, 16, Extensible(3)))));  // float
    Bytes cut = Fmt(0xFFFE, 2, 44100, 16, Extensible(1));
    cut.resize(38);
    EXPECT_FALSE(Loads(with(cut)));
    EXPECT_FALSE(Loads(with(Fmt(0xFFFE, 2, 44100, 16))));
    EXPECT_FALSE(Loads(with(Fmt(3, 2, 44100, 32))));  // float
    EXPECT_FALSE(Loads(with(Fmt(2, 2, 44100, 4))));   // ADPCM
    EXPECT_FALSE(Loads(with(Fmt(1, 0, 44100, 16))));
    EXPECT_FALSE(Loads(with(Fmt(1, 2, 44100, 24))));
    EXPECT_FALSE(Loads(with(Fmt(1, 2, 0, 16))));
    EXPECT_FALSE(Loads(with(Fmt(1, 2, 10000000, 16))));
    Bytes shortFmt = Fmt(1, 2, 44100, 16);
    shortFmt.resize(14);
    EXPECT_FALSE(Loads(with(shortFmt)));
}

TEST_F(WaveReaderTest, AShortDataChunkEndsInSilence) {
    WavePcm pcm;
    Bytes file = Riff({Chunk("fmt ", Fmt(1, 2, 22050, 16)), Chunk("data", Samples(40), 100)});
    ASSERT_TRUE(Read(file, &pcm));
    ASSERT_EQ(pcm.bytes.size(), 100u);
    EXPECT_EQ(Bytes(pcm.bytes.begin(), pcm.bytes.begin() + 40), Samples(40));
    EXPECT_EQ(Bytes(pcm.bytes.begin() + 40, pcm.bytes.end()), Bytes(60, 0x00));

    // Unsigned 8-bit samples are silent in the middle of their range.
    file = Riff({Chunk("fmt ", Fmt(1, 1, 8000, 8)), Chunk("data", Samples(10), 30)});
    ASSERT_TRUE(Read(file, &pcm));
    ASSERT_EQ(pcm.bytes.size(), 30u);
    EXPECT_EQ(Bytes(pcm.bytes.begin() + 10, pcm.bytes.end()), Bytes(20, 0x80));

    // A data header at the very end of the file: all of it silence.
    file = Riff({Chunk("fmt ", Fmt(1, 1, 8000, 8)), Chunk("data", {}, 16)});
    ASSERT_TRUE(Read(file, &pcm));
    EXPECT_EQ(pcm.bytes, Bytes(16, 0x80));
}

TEST_F(WaveReaderTest, AHugeDeclaredSizeCostsAtMostASecondOfSilence) {
    WavePcm pcm;
    const Bytes file =
        Riff({Chunk("fmt ", Fmt(1, 2, 22050, 16)), Chunk("data", Samples(40), 0xFFFFFFF0u)});
    ASSERT_TRUE(Read(file, &pcm));
    EXPECT_EQ(pcm.bytes.size(), 40u + 22050u * 4u);
    EXPECT_EQ(Bytes(pcm.bytes.begin(), pcm.bytes.begin() + 40), Samples(40));

    // The same claim for the RIFF and fmt chunks.
    Bytes bigRiff = PlainWave(8);
    bigRiff[4] = bigRiff[5] = bigRiff[6] = bigRiff[7] = 0xFF;
    ASSERT_TRUE(Read(bigRiff, &pcm));
    EXPECT_EQ(pcm.bytes, Samples(8));
    EXPECT_FALSE(Loads(Riff({Chunk("fmt ", Fmt(1, 2, 22050, 16), 0xFFFFFFF0u)})));
    // A fmt chunk that claims more than is there breaks the exact-size read.
    EXPECT_FALSE(Loads(Riff({Chunk("fmt ", Fmt(1, 2, 22050, 16), 20)})));
}

TEST_F(WaveReaderTest, EveryTruncationIsRejectedOrLoadsWithSilence) {
    const Bytes whole = PlainWave(16);
    const size_t dataStart = whole.size() - 16;
    for (size_t n = 0; n < whole.size(); ++n) {
        WavePcm pcm;
        const bool loaded = Read(Bytes(whole.begin(), whole.begin() + n), &pcm);
        if (n < dataStart) {
            EXPECT_FALSE(loaded) << n << " bytes";
        } else {
            ASSERT_TRUE(loaded) << n << " bytes";
            EXPECT_EQ(pcm.bytes.size(), 16u);
            const size_t kept = (n - dataStart);
            EXPECT_EQ(Bytes(pcm.bytes.begin(), pcm.bytes.begin() + kept),
                      Bytes(whole.begin() + dataStart, whole.begin() + n));
            EXPECT_EQ(Bytes(pcm.bytes.begin() + kept, pcm.bytes.end()), Bytes(16 - kept, 0));
        }
    }
}

TEST_F(WaveReaderTest, WhatIsNoFileIsRejectedWithoutHanging) {
    WavePcm pcm;
    EXPECT_FALSE(ReadWave((path_ + ".absent").c_str(), &pcm));
    EXPECT_FALSE(ReadWave("/", &pcm));
    EXPECT_FALSE(ReadWave(nullptr, &pcm));
    const std::string fifo = path_ + ".fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(ReadWave(fifo.c_str(), &pcm));
    std::remove(fifo.c_str());
}

// The effect tables and the music on the scripted platform.
class AudioTablesTest : public WaveReaderTest {
  protected:
    void SetUp() override {
        WaveReaderTest::SetUp();
        ReleaseDirectSound();
        testgame::Reset();
        nHitSound = 0;
        AppActive = 0;
    }
    void TearDown() override {
        CloseMidi();
        ReleaseDirectSound();
        EXPECT_EQ(script::LiveSounds(), 0);
        EXPECT_EQ(script::BadSoundReleases(), 0);
        testgame::Reset();
        WaveReaderTest::TearDown();
    }
    int Load(plat::Sound** slot) {
        WriteBytes(path_, PlainWave(64));
        return LoadWave(path_.c_str(), slot);
    }
    static std::vector<std::string> Sounds() { return frames::All().sounds; }
    static std::vector<std::string> Music() { return frames::All().music; }
};

TEST_F(AudioTablesTest, TheHitsGoRoundTheTenBuffers) {
    ASSERT_EQ(InitDirectSound(), 0);
    ASSERT_EQ(Load(&lpHitSound[0]), 1);
    DuplicateHitSounds();
    for (int i = 0; i < 11; ++i) {
        PlayHitSound();
    }
    EXPECT_EQ(Sounds(), (std::vector<std::string>{"hit0", "hit1", "hit2", "hit3", "hit4", "hit5",
                                                  "hit6", "hit7", "hit8", "hit9", "hit0"}));
    EXPECT_EQ(nHitSound, 1);
    EXPECT_EQ(script::LiveSounds(), 10);
    // Duplicating again replaces the copies rather than leaking them.
    DuplicateHitSounds();
    EXPECT_EQ(script::LiveSounds(), 10);
}

TEST_F(AudioTablesTest, EachMenuEffectPlaysUnderItsName) {
    ASSERT_EQ(InitDirectSound(), 0);
    ASSERT_EQ(Load(&lpSeMovSound[0]), 1);
    ASSERT_EQ(Load(&lpSeCheSound[0]), 1);
    ASSERT_EQ(Load(&lpSeCanSound[0]), 1);
    EXPECT_EQ(PlaySe(lpSeMovSound[0], 0), 0);
    PlaySe(lpSeCheSound[0], 0);
    PlaySe(lpSeCheSound[0], 0);
    PlaySe(lpSeCanSound[0], 0);
    // Slot 1 of each menu table stays empty, and an empty slot plays nothing.
    EXPECT_NE(PlaySe(lpSeMovSound[1], 0), 0);
    EXPECT_EQ(Sounds(), (std::vector<std::string>{"move", "check", "check", "cancel"}));
    // Released twice, as shut-down may: nothing twice.
    ReleaseDirectSound();
    ReleaseDirectSound();
    EXPECT_EQ(lpSeMovSound[0], nullptr);
}

TEST_F(AudioTablesTest, WithoutTheMixerNoWaveLoads) {
    script::InjectedFaults().soundOpenResult = 3;
    EXPECT_EQ(InitDirectSound(), 3);
    EXPECT_EQ(Load(&lpSeMovSound[0]), 0);
    EXPECT_EQ(lpSeMovSound[0], nullptr);
    // The hit rotation with no buffers is silent but still turns.
    DuplicateHitSounds();
    PlayHitSound();
    EXPECT_EQ(nHitSound, 1);
    EXPECT_TRUE(Sounds().empty());
}

TEST_F(AudioTablesTest, AFailedOpenSaysSoEveryTime) {
    OpenMidi("Mid/absent.mid");
    OpenMidi("Mid/absent.mid");
    const auto& boxes = frames::All().messages;
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].first, "オープン失敗");
    EXPECT_EQ(boxes[0].second, " ");
    EXPECT_EQ(Music(), (std::vector<std::string>{"open Mid/absent.mid", "open Mid/absent.mid"}));
    // The silent scene goes on: its commands go nowhere.
    EXPECT_NE(PlayMidi(), 0);
    EXPECT_FALSE(script::MusicPlaying());
}

TEST_F(AudioTablesTest, TheWindowKeepsTheMusicGoing) {
    // The least a MIDI file can be: a header and one track that only ends.
    WriteBytes(path_, {'M', 'T', 'h', 'd', 0,   0, 0, 6, 0, 0, 0,    1,    0,
                       96,  'M', 'T', 'r', 'k', 0, 0, 0, 4, 0, 0xFF, 0x2F, 0});
    OpenMidi(path_.c_str());
    ASSERT_TRUE(frames::All().messages.empty());
    WndProc(WM_ACTIVATEAPP, 1, 0);
    EXPECT_TRUE(script::MusicPlaying());

    // The end of the piece while active: from the beginning again.
    WndProc(MM_MCINOTIFY, 1, 0);
    EXPECT_EQ(Music().back(), "play");
    EXPECT_TRUE(script::MusicPlaying());

    // Inactive: paused, and an end then changes nothing until reactivation.
    WndProc(WM_ACTIVATEAPP, 0, 0);
    EXPECT_EQ(Music().back(), "pause");
    const size_t commands = Music().size();
    WndProc(MM_MCINOTIFY, 1, 0);
    EXPECT_EQ(Music().size(), commands);
    EXPECT_FALSE(script::MusicPlaying());
    WndProc(WM_ACTIVATEAPP, 1, 0);
    EXPECT_EQ(Music().back(), "play");
    EXPECT_TRUE(script::MusicPlaying());

    // A close reports itself; the restart that follows finds nothing open.
    CloseMidi();
    WndProc(MM_MCINOTIFY, 4, 0);
    EXPECT_FALSE(script::MusicPlaying());
    const auto music = Music();
    ASSERT_GE(music.size(), 2u);
    EXPECT_EQ(std::vector<std::string>(music.end() - 2, music.end()),
              (std::vector<std::string>{"close", "play"}));
    EXPECT_EQ(music.front(), "open " + path_);
}

}  // namespace
