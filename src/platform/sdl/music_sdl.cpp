// MIDI music on our own FluidSynth, rendered in SDL_mixer's music hook.
//
// The synthesizer and its sound font live as long as the mixer: opening a
// piece only keeps its bytes, and every play makes a fresh player over them,
// so the piece starts from its beginning with no font to load. The end of a
// piece is the player reaching the file's last tick, not the synthesizer
// falling quiet: the game restarts the piece on that notification, and the
// last notes ring on under the first ones of the next pass.
//
// A piece sounds the same at every pass, so only its first pass is made by
// the synthesizer: that pass and its dying tail are kept, and every pass
// after it plays them back, mixed over what is left of the pass before. The
// synthesizer then has nothing to do, and a looping piece costs next to
// nothing after its first minute.

#include "platform/sdl/music_sdl.h"

#include <SDL_mixer.h>
#include <fluidsynth.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <new>
#include <utility>

#include "platform/sdl/sdl_internal.h"
#include "platform/sdl/synth_setup.h"

namespace {

using synthsetup::kIdleFrames;
using synthsetup::kMinPlayFrames;
using synthsetup::kRate;
constexpr int kFrameBytes = 4;

// The synthesizer, the player and the piece are shared by the game's thread
// and the audio thread's hook; this lock is taken by both for every call.
std::mutex lock;
// The player's music volume, 0..100, and whether the player paused: both
// read by the audio thread at every buffer.
std::atomic<int> volume{100};
std::atomic<bool> held{false};
fluid_settings_t* settings = nullptr;
fluid_synth_t* synth = nullptr;
fluid_player_t* player = nullptr;
std::vector<Uint8> piece;
bool pieceOpen = false;
// A play whose end has not been posted yet (also while paused): the stop
// of such a play reports itself, as the sequencer's stop did.
bool endOwed = false;
int64_t framesPlayed = 0;
// The file's length in ticks, once its player has read it: counting it walks
// every event of every track, too much to redo for every device buffer.
int totalTicks = 0;
// Frames made since the last play stopped with no voice left sounding.
int64_t framesIdle = 0;
// Every frame the synthesizer has made since sound started.
int64_t framesMade = 0;

// The first pass of the open piece as the synthesizer made it, from a silent
// synthesizer, followed by its tail until that had died away.
struct Take {
    static constexpr int64_t kBlockFrames = kRate;
    // The game's pieces last about a minute, and their tails a few seconds.
    // A longer piece (or a spoiled one) is synthesized at every pass as it
    // always was, with its memory bounded.
    static constexpr int64_t kMaxFrames = kRate * 90;
    std::vector<std::unique_ptr<Sint16[]>> blocks;
    // Blocks of earlier takes, kept for the next: letting go of a minute of
    // sound would make the next open late, and the next piece needs as much.
    std::vector<std::unique_ptr<Sint16[]>> spare;
    int64_t frames = 0;
    // Frames from the start of the pass to the end it posted; 0 before it.
    int64_t end = 0;
    // The synthesizer has been quiet this long since the end.
    int64_t quietFrames = 0;
    bool keeping = false;
    bool complete = false;

    void Drop() {
        for (auto& block : blocks) {
            spare.push_back(std::move(block));
        }
        blocks.clear();
        frames = end = quietFrames = 0;
        keeping = complete = false;
    }
    // Room for one more block, if the take may grow and memory allows.
    bool Grow() {
        if (frames + kBlockFrames > kMaxFrames) {
            return false;
        }
        if (!spare.empty()) {
            blocks.push_back(std::move(spare.back()));
            spare.pop_back();
            return true;
        }
        Sint16* block = new (std::nothrow) Sint16[kBlockFrames * 2];
        if (block != nullptr) {
            blocks.emplace_back(block);
        }
        return block != nullptr;
    }
    // Keeps what the synthesizer made; gives up on the take when it outgrows
    // its bound or memory runs short.
    void Keep(const Sint16* samples, int64_t n) {
        while (n > 0 && keeping) {
            const int64_t at = frames % kBlockFrames;
            if (at == 0 && !Grow()) {
                // Passes may be playing back the pass already: they keep it,
                // with its tail cut short.
                if (end > 0) {
                    keeping = false;
                    complete = true;
                } else {
                    Drop();
                }
                return;
            }
            const int64_t run = std::min(n, kBlockFrames - at);
            std::copy_n(samples, run * 2, blocks.back().get() + at * 2);
            samples += run * 2;
            frames += run;
            n -= run;
        }
    }
    // Adds frames [from, from + n) of the take onto `out`, as far as they
    // have been made.
    void MixInto(Sint16* out, int64_t from, int64_t n) const {
        n = std::min(n, frames - from);
        while (n > 0) {
            const Sint16* in =
                blocks[static_cast<size_t>(from / kBlockFrames)].get() + (from % kBlockFrames) * 2;
            const int64_t run = std::min(n, kBlockFrames - from % kBlockFrames);
            for (int64_t i = 0; i < run * 2; ++i) {
                out[i] = static_cast<Sint16>(std::clamp(out[i] + in[i], -32768, 32767));
            }
            out += run * 2;
            from += run;
            n -= run;
        }
    }
};
Take take;
// Where each pass played back from the take has got to; the last one is the
// current play while `replaying`, the others are tails ringing on.
std::vector<int64_t> replays;
constexpr size_t kMaxReplays = 8;
bool replaying = false;

// Every pass played back stops at once, its tail too.
void StopReplays() {
    replays.clear();
    replaying = false;
}

// The one place the end of a piece leaves the back-end: an SDL user event,
// which the event pump hands to the window procedure as MM_MCINOTIFY.
void PostMusicEnd() {
    const Uint32 type = sdlplat::MusicEndEventType();
    if (type == static_cast<Uint32>(-1)) {
        return;
    }
    SDL_Event event;
    SDL_zero(event);
    event.type = type;
    SDL_PushEvent(&event);
}

// The player has played the file's last event. A file FluidSynth could not
// read leaves it stopped with no ticks at all, which counts as the end too.
bool PieceEnded() {
    if (fluid_player_get_status(player) != FLUID_PLAYER_PLAYING) {
        return true;
    }
    if (totalTicks == 0) {
        totalTicks = fluid_player_get_total_ticks(player);
    }
    return fluid_player_get_current_tick(player) >= totalTicks;
}

void DropPlayer() {
    if (player != nullptr) {
        fluid_player_stop(player);
        delete_fluid_player(player);
        player = nullptr;
    }
}

// Runs on the audio thread before the effects are mixed on top, over the
// mixer's silence.
void SDLCALL Render(void*, Uint8* stream, int len) {
    std::lock_guard<std::mutex> hold(lock);
    const int frames = len / kFrameBytes;
    // Paused by the player: silence, and the music stands where it is.
    if (synth == nullptr || frames <= 0 || held) {
        return;
    }
    auto* out = reinterpret_cast<Sint16*>(stream);
    bool synthesize = true;
    const bool voices = fluid_synth_get_active_voice_count(synth) > 0;
    if (player == nullptr && !voices) {
        synthesize = framesIdle < kIdleFrames;
        framesIdle += frames;
    } else {
        framesIdle = 0;
    }
    if (synthesize) {
        fluid_synth_write_s16(synth, frames, stream, 0, 2, stream, 1, 2);
        framesMade += frames;
    }
    if (take.keeping) {
        take.Keep(out, frames);
        if (take.end > 0) {
            take.quietFrames = voices ? 0 : take.quietFrames + frames;
            if (take.quietFrames >= kIdleFrames) {
                take.keeping = false;
                take.complete = true;
            }
        }
    }
    for (int64_t& at : replays) {
        take.MixInto(out, at, frames);
        at += frames;
    }
    if (take.complete) {
        const int64_t whole = take.frames;
        std::erase_if(replays, [whole](int64_t at) { return at >= whole; });
    }
    // What the player hears, not what is kept: the take stays at full level.
    if (const int v = volume; v < 100) {
        for (int i = 0; i < frames * 2; ++i) {
            out[i] = static_cast<Sint16>(out[i] * v / 100);
        }
    }
    if (!endOwed) {
        return;
    }
    if (replaying) {
        // A pass played back ends where the one it was taken from did.
        if (!replays.empty() && replays.back() >= take.end) {
            endOwed = false;
            PostMusicEnd();
        }
        return;
    }
    if (player == nullptr) {
        return;
    }
    framesPlayed += frames;
    if (framesPlayed >= kMinPlayFrames && PieceEnded()) {
        endOwed = false;
        if (take.keeping) {
            take.end = take.frames;
        }
        PostMusicEnd();
    }
}

// FluidSynth's own chatter would repeat itself at every restart of a spoiled
// piece; only its errors go to standard error, once each time sound starts.
void SDLCALL LogOnce(int, const char* message, void* data) {
    auto* said = static_cast<bool*>(data);
    if (!*said) {
        *said = true;
        std::fprintf(stderr, "Tessalune: FluidSynth: %s\n", message);
    }
}
bool errorSaid = false;

void FreshChannels() {
    synthsetup::FreshChannels(synth);
}

}  // namespace

namespace sdlplat {

bool SynthStart(const std::vector<std::string>& fonts) {
    SynthStop();
    errorSaid = false;
    fluid_set_log_function(FLUID_PANIC, LogOnce, &errorSaid);
    fluid_set_log_function(FLUID_ERR, LogOnce, &errorSaid);
    fluid_set_log_function(FLUID_WARN, nullptr, nullptr);
    fluid_set_log_function(FLUID_INFO, nullptr, nullptr);
    fluid_set_log_function(FLUID_DBG, nullptr, nullptr);

    fluid_settings_t* s = synthsetup::NewSettings();
    if (s == nullptr) {
        return false;
    }
    fluid_synth_t* made = new_fluid_synth(s);
    if (made == nullptr) {
        delete_fluid_settings(s);
        return false;
    }
    synthsetup::SetUp(made);
    int loaded = 0;
    for (const std::string& font : fonts) {
        if (fluid_synth_sfload(made, font.c_str(), 1) != FLUID_FAILED) {
            ++loaded;
        }
    }
    if (loaded == 0) {
        delete_fluid_synth(made);
        delete_fluid_settings(s);
        return false;
    }
    {
        std::lock_guard<std::mutex> hold(lock);
        settings = s;
        synth = made;
        framesIdle = kIdleFrames;
    }
    Mix_HookMusic(Render, nullptr);
    return true;
}

void SynthStop() {
    SynthClose();
    // Off the hook first: the audio thread no longer reaches the synthesizer.
    Mix_HookMusic(nullptr, nullptr);
    std::lock_guard<std::mutex> hold(lock);
    take.spare.clear();
    take.spare.shrink_to_fit();
    if (synth != nullptr) {
        delete_fluid_synth(synth);
        synth = nullptr;
    }
    if (settings != nullptr) {
        delete_fluid_settings(settings);
        settings = nullptr;
    }
}

bool SynthReady() {
    std::lock_guard<std::mutex> hold(lock);
    return synth != nullptr;
}

void SynthOpen(std::vector<Uint8> file) {
    SynthClose();
    std::lock_guard<std::mutex> hold(lock);
    if (synth == nullptr) {
        return;
    }
    piece = std::move(file);
    pieceOpen = true;
}

void SynthPlay() {
    std::lock_guard<std::mutex> hold(lock);
    if (synth == nullptr || !pieceOpen) {
        return;
    }
    // A play over a play replaces it without a word, as before. A pass that
    // has reached its end rings on under the new one; one cut short before
    // its end (the game only does that when it starts) stops.
    const bool followsEnd = !endOwed && (player != nullptr || replaying);
    DropPlayer();
    FreshChannels();
    std::erase_if(replays, [](int64_t at) { return at < take.end; });
    if (take.complete || (take.keeping && take.end > 0)) {
        if (replays.size() >= kMaxReplays) {
            replays.erase(replays.begin());
        }
        replays.push_back(0);
        replaying = true;
        endOwed = true;
        return;
    }
    StopReplays();
    take.Drop();
    if (!followsEnd) {
        // Nothing is sounding that should go on (the end of the last piece's
        // reverb at most), so the pass is made from a silent synthesizer,
        // and can be kept. A pass that follows the end of one that could not
        // be kept is made at every pass as before, over the last one's tail.
        fluid_synth_system_reset(synth);
        FreshChannels();
        take.keeping = true;
    }
    player = new_fluid_player(synth);
    if (player == nullptr) {
        take.Drop();
        return;
    }
    // FluidSynth keeps its own copy; it reads the file on its first tick.
    if (fluid_player_add_mem(player, piece.data(), piece.size()) != FLUID_OK ||
        fluid_player_play(player) != FLUID_OK) {
        DropPlayer();
        take.Drop();
        return;
    }
    framesPlayed = 0;
    totalTicks = 0;
    endOwed = true;
}

void SynthPause() {
    std::lock_guard<std::mutex> hold(lock);
    if (synth == nullptr) {
        return;
    }
    // Playing again starts from the beginning, so nothing is kept but a
    // whole take.
    DropPlayer();
    fluid_synth_all_sounds_off(synth, -1);
    StopReplays();
    if (!take.complete) {
        take.Drop();
    }
}

void SynthClose() {
    bool report = false;
    {
        std::lock_guard<std::mutex> hold(lock);
        DropPlayer();
        if (synth != nullptr) {
            fluid_synth_all_sounds_off(synth, -1);
        }
        StopReplays();
        take.Drop();
        report = pieceOpen && endOwed;
        endOwed = false;
        pieceOpen = false;
        piece.clear();
        piece.shrink_to_fit();
    }
    // The stop reports itself; by the time the window procedure hears it, no
    // piece is open to restart.
    if (report) {
        PostMusicEnd();
    }
}

bool SynthPlaying() {
    std::lock_guard<std::mutex> hold(lock);
    return player != nullptr || replaying;
}

int64_t SynthFramesMade() {
    std::lock_guard<std::mutex> hold(lock);
    return framesMade;
}

}  // namespace sdlplat

void sdlplat::SetMusicVolume(int percent) {
    volume = std::clamp(percent, 0, 100);
}

void sdlplat::HoldMusic(bool hold) {
    held = hold;
}
