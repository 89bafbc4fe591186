// Renders one MIDI piece for the browser game, at build time, as the Linux
// game's synthesizer plays its first pass: the same settings, the same
// device block, the same rule for the end. Writes the pass and its dying
// tail as a 16-bit stereo WAV at 44100 Hz and prints one line of JSON for
// the page: the piece's size and hash (how the page knows the bytes the game
// opens) and the frame at which the piece's end is posted.
//
//   web-music FONT MIDI OUT.wav
#include <fluidsynth.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

#include "platform/sdl/synth_setup.h"

namespace {

// The synthesizer and its end rule are the Linux game's own
// (platform/sdl/synth_setup.h); the device block is audio_sdl.cpp's.
using synthsetup::kIdleFrames;
using synthsetup::kMinPlayFrames;
using synthsetup::kRate;
constexpr int kDeviceFrames = 512;
constexpr int64_t kMaxFrames = kRate * 90;

void Put(std::vector<char>* out, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out->push_back(static_cast<char>(v >> (8 * i)));
    }
}

// FNV-1a over the file's bytes, as the page computes it.
uint32_t Hash(const std::vector<char>& bytes) {
    uint32_t h = 2166136261u;
    for (const char c : bytes) {
        h = (h ^ static_cast<unsigned char>(c)) * 16777619u;
    }
    return h;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: web-music FONT MIDI OUT.wav\n");
        return 2;
    }
    std::ifstream in(argv[2], std::ios::binary);
    const std::vector<char> midi((std::istreambuf_iterator<char>(in)),
                                 std::istreambuf_iterator<char>());
    if (midi.empty()) {
        std::fprintf(stderr, "web-music: cannot read %s\n", argv[2]);
        return 1;
    }
    fluid_set_log_function(FLUID_WARN, nullptr, nullptr);
    fluid_set_log_function(FLUID_INFO, nullptr, nullptr);
    fluid_set_log_function(FLUID_DBG, nullptr, nullptr);
    fluid_settings_t* s = synthsetup::NewSettings();
    fluid_synth_t* synth = s != nullptr ? new_fluid_synth(s) : nullptr;
    if (synth == nullptr || fluid_synth_sfload(synth, argv[1], 1) == FLUID_FAILED) {
        std::fprintf(stderr, "web-music: cannot load the sound font %s\n", argv[1]);
        return 1;
    }
    synthsetup::SetUp(synth);
    fluid_synth_system_reset(synth);
    synthsetup::FreshChannels(synth);
    fluid_player_t* player = new_fluid_player(synth);
    if (player == nullptr || fluid_player_add_mem(player, midi.data(), midi.size()) != FLUID_OK ||
        fluid_player_play(player) != FLUID_OK) {
        std::fprintf(stderr, "web-music: cannot play %s\n", argv[2]);
        return 1;
    }

    std::vector<int16_t> pcm;
    int64_t end = 0;
    int64_t quiet = 0;
    int totalTicks = 0;
    int16_t block[kDeviceFrames * 2];
    while (static_cast<int64_t>(pcm.size() / 2) + kDeviceFrames <= kMaxFrames) {
        const bool voices = fluid_synth_get_active_voice_count(synth) > 0;
        fluid_synth_write_s16(synth, kDeviceFrames, block, 0, 2, block, 1, 2);
        pcm.insert(pcm.end(), block, block + kDeviceFrames * 2);
        const auto made = static_cast<int64_t>(pcm.size() / 2);
        if (end == 0) {
            if (made < kMinPlayFrames) {
                continue;
            }
            if (fluid_player_get_status(player) != FLUID_PLAYER_PLAYING) {
                end = made;
                continue;
            }
            if (totalTicks == 0) {
                totalTicks = fluid_player_get_total_ticks(player);
            }
            if (fluid_player_get_current_tick(player) >= totalTicks) {
                end = made;
            }
            continue;
        }
        quiet = voices ? 0 : quiet + kDeviceFrames;
        if (quiet >= kIdleFrames) {
            break;
        }
    }
    if (end == 0) {
        std::fprintf(stderr, "web-music: %s is longer than a take\n", argv[2]);
        return 1;
    }
    // The silence at the very end carries nothing.
    while (pcm.size() / 2 > static_cast<size_t>(end) && pcm[pcm.size() - 1] == 0 &&
           pcm[pcm.size() - 2] == 0) {
        pcm.resize(pcm.size() - 2);
    }
    delete_fluid_player(player);
    delete_fluid_synth(synth);
    delete_fluid_settings(s);

    std::vector<char> wav;
    const auto data = static_cast<uint32_t>(pcm.size() * 2);
    wav.insert(wav.end(), {'R', 'I', 'F', 'F'});
    Put(&wav, 36 + data, 4);
    wav.insert(wav.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    Put(&wav, 16, 4);
    Put(&wav, 1, 2);
    Put(&wav, 2, 2);
    Put(&wav, kRate, 4);
    Put(&wav, kRate * 4, 4);
    Put(&wav, 4, 2);
    Put(&wav, 16, 2);
    wav.insert(wav.end(), {'d', 'a', 't', 'a'});
    Put(&wav, data, 4);
    for (const int16_t v : pcm) {
        Put(&wav, static_cast<uint16_t>(v), 2);
    }
    std::ofstream out(argv[3], std::ios::binary);
    out.write(wav.data(), static_cast<std::streamsize>(wav.size()));
    if (!out) {
        std::fprintf(stderr, "web-music: cannot write %s\n", argv[3]);
        return 1;
    }
    std::printf("{\"size\": %zu, \"hash\": %u, \"end\": %lld, \"frames\": %zu}\n", midi.size(),
                Hash(midi), static_cast<long long>(end), pcm.size() / 2);
    return 0;
}
