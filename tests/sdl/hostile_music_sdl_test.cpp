// Spoiled MIDI files on the real music back-end. The game's own check lets
// through anything shaped like a MIDI file, and FluidSynth then reads the
// rest; whatever it makes of cut tracks, absurd lengths or tempos, thousands
// of tracks or noise in the events, opening and playing must neither crash
// nor hang nor end so often that the game restarts it more than once a
// frame, and the game goes on with music or without.
#include <SDL.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>
#include <string>

#include "audio/music.h"
#include "audio/sound.h"
#include "platform/platform.h"
#include "platform/sdl/sdl_internal.h"
#include "support/bytes.h"
#include "support/scratch.h"

namespace {

// Opens a piece as the game hands it over: read whole and checked first.
bool OpenPiece(const char* path) {
    const std::vector<unsigned char> file = ReadMidi(path);
    return plat::MusicOpen(file.empty() ? nullptr : file.data(), file.size());
}

size_t FirstTrack(const Bytes& b) {
    const size_t at = FindId(b, "MTrk");
    return at == std::string::npos ? 0 : at;
}

struct Spoil {
    const char* name;
    std::function<void(Bytes*)> apply;
};

// Everything after the first track's header replaced by `fill(i)`.
std::function<void(Bytes*)> Events(std::function<unsigned char(size_t)> fill) {
    return [fill](Bytes* b) {
        for (size_t i = FirstTrack(*b) + 8; i < b->size(); ++i) {
            (*b)[i] = fill(i);
        }
    };
}

// Every `meta` event's data bytes (FF type len ...) set to `value`.
std::function<void(Bytes*)> Meta(unsigned char type, unsigned char value) {
    return [type, value](Bytes* b) {
        for (size_t i = FirstTrack(*b); i + 3 < b->size(); ++i) {
            if ((*b)[i] == 0xFF && (*b)[i + 1] == type) {
                for (size_t j = 0; j < (*b)[i + 2] && i + 3 + j < b->size(); ++j) {
                    (*b)[i + 3 + j] = value;
                }
            }
        }
    };
}

// `count` more tracks after the last, each `delta` ticks to its end.
std::function<void(Bytes*)> MoreTracks(unsigned count, std::vector<unsigned char> delta) {
    return [count, delta](Bytes* b) {
        const unsigned tracks = (*b)[10] << 8 | (*b)[11];
        for (unsigned t = 0; t < count; ++t) {
            const unsigned char len = static_cast<unsigned char>(delta.size() + 3);
            b->insert(b->end(), {'M', 'T', 'r', 'k', 0, 0, 0, len});
            b->insert(b->end(), delta.begin(), delta.end());
            b->insert(b->end(), {0xFF, 0x2F, 0x00});
        }
        (*b)[8] = 0;
        (*b)[9] = 1;
        (*b)[10] = static_cast<unsigned char>((tracks + count) >> 8);
        (*b)[11] = static_cast<unsigned char>(tracks + count);
    };
}

const Spoil Spoils[] = {
    {"tempo 0", Meta(0x51, 0x00)},
    {"tempo 0xffffff", Meta(0x51, 0xFF)},
    {"no end of track (a text there)",
     [](Bytes* b) {
         for (size_t i = FirstTrack(*b); i + 2 < b->size(); ++i) {
             if ((*b)[i] == 0xFF && (*b)[i + 1] == 0x2F && (*b)[i + 2] == 0) {
                 (*b)[i + 1] = 0x01;
             }
         }
     }},
    {"3000 tracks", MoreTracks(3000, {0x00})},
    {"a track 0x0fffffff ticks long", MoreTracks(1, {0xFF, 0xFF, 0xFF, 0x7F})},
    {"first half", [](Bytes* b) { b->resize(b->size() / 2); }},
    {"only the headers and 3 event bytes", [](Bytes* b) { b->resize(FirstTrack(*b) + 11); }},
    {"track length 0xfffffff0", [](Bytes* b) { PutBe32(b, FirstTrack(*b) + 4, 0xFFFFFFF0u); }},
    {"track length 0", [](Bytes* b) { PutBe32(b, FirstTrack(*b) + 4, 0); }},
    {"header length 0xfffffff0", [](Bytes* b) { PutBe32(b, 4, 0xFFFFFFF0u); }},
    {"65535 tracks", [](Bytes* b) { (*b)[10] = (*b)[11] = 0xFF; }},
    {"format 2, SMPTE division",
     [](Bytes* b) {
         (*b)[9] = 2;
         (*b)[12] = 0xE7;
         (*b)[13] = 0x28;
     }},
    {"events of random bytes", Events([](size_t i) {
         static std::mt19937 random(12345);
         (void)i;
         return static_cast<unsigned char>(random());
     })},
    {"events all 0xff (endless lengths)", Events([](size_t) { return 0xFF; })},
    {"events all 0x80 (notes without data)", Events([](size_t) { return 0x80; })},
};

// Opens and plays the file for a moment on SDL's disk driver. True when it
// played, false when it was refused.
bool PlaysOrRefuses(const std::string& dir, const std::string& mid) {
    const std::string out = dir + "/out.raw";
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", out.c_str(), 1);
    setenv("SDL_DISKAUDIODELAY", "1", 1);
    if (SDL_InitSubSystem(SDL_INIT_EVENTS) != 0 || InitDirectSound() != 0) {
        ADD_FAILURE() << "no mixer on SDL's disk driver";
        return false;
    }
    const bool opened = OpenPiece(mid.c_str());
    if (opened) {
        plat::MusicPlay();
        // Half a second of output or two seconds of time, whichever is
        // first, restarted at every end as the window procedure does.
        const Uint32 start = SDL_GetTicks();
        const Uint32 end = sdlplat::MusicEndEventType();
        int ends = 0;
        struct stat st {};
        while (SDL_GetTicks() - start < 2000 &&
               (stat(out.c_str(), &st) != 0 || st.st_size < 44100 * 4 / 2)) {
            SDL_Delay(5);
            SDL_PumpEvents();
            SDL_Event e;
            if (SDL_PeepEvents(&e, 1, SDL_GETEVENT, end, end) == 1) {
                ++ends;
                plat::MusicPlay();
            }
        }
        // Not more often than the game's frames come (30 in half a second).
        EXPECT_LE(ends, 15) << "the piece's end came again and again";
        plat::MusicPause();
        plat::MusicPlay();
        plat::MusicClose();
    }
    ReleaseDirectSound();
    SDL_QuitSubSystem(SDL_INIT_EVENTS);
    std::remove(out.c_str());
    unsetenv("SDL_AUDIODRIVER");
    unsetenv("SDL_DISKAUDIOFILE");
    unsetenv("SDL_DISKAUDIODELAY");
    return opened;
}

TEST(HostileMusicSdl, SpoiledPiecesPlayOrAreRefused) {
    const ScratchDir scratch("hostile-music");
    const std::string dir = scratch.path().string();
    ASSERT_FALSE(dir.empty());
    int played = 0;
    for (const char* piece : {"Mid/System.mid", "Mid/Bgm1.mid"}) {
        const Bytes good = ReadBytes(std::string(TESSALUNE_GAMEDIR) + "/" + piece);
        ASSERT_GT(good.size(), 64u) << piece;
        for (const Spoil& s : Spoils) {
            SCOPED_TRACE(std::string(piece) + ": " + s.name);
            Bytes bad = good;
            s.apply(&bad);
            const std::string mid = dir + "/spoiled.mid";
            WriteBytes(mid, bad);
            const bool ok = PlaysOrRefuses(dir, mid);
            played += ok ? 1 : 0;
            if (std::getenv("TESSALUNE_HOSTILE_VERBOSE") != nullptr) {
                std::printf("%s: %s: %s\n", piece, s.name, ok ? "played" : "refused");
            }
        }
    }
    // Most of them get past the game's own look at the file: FluidSynth
    // really was handed noise.
    EXPECT_GE(played, 10);
}

}  // namespace
