// The synthesizer the game's music is made with: its settings, the channel
// state every play starts from, and when a piece counts as over. Shared by
// the Linux back-end and tools/web-music.cpp, which renders the browser
// game's music at build time, so that the two can never sound different.
#pragma once

#include <fluidsynth.h>

#include <cstdint>

namespace synthsetup {

constexpr int kRate = 44100;
// A play posts its end only after this much of it was heard (about three
// frames), so a piece that ends at once restarts at most 20 times a second
// and can never keep the game's thread busy.
constexpr int64_t kMinPlayFrames = kRate / 20;
// Long enough for the reverb's tail to die away; after it, a synthesizer
// with nothing to play is left alone, so a paused game costs nothing.
constexpr int64_t kIdleFrames = kRate * 2;

// Chosen by ear and by cost for the game's pieces. The busiest of them holds
// up to 101 voices at once (long pads and their release tails), and with
// fewer than that the synthesizer steals voices that can be heard; 128
// leave room above it while still bounding what a spoiled file can cost.
// Their reverb and chorus sends are part of their sound, so both effects stay
// on (together about a third of the cost). Fourth-order interpolation,
// FluidSynth's default and what SDL_mixer used, costs only a little more than
// linear and keeps high notes clean.
constexpr int kPolyphony = 128;
// SDL_mixer drove FluidSynth at gain 1.0 for the full music volume; the game
// never changes the volume, so its pieces sound as loud as before. The
// player's music volume scales what is mixed, after the synthesizer.
constexpr double kGain = 1.0;

// The settings a synthesizer is made with; null when there is no memory.
inline fluid_settings_t* NewSettings() {
    fluid_settings_t* s = new_fluid_settings();
    if (s == nullptr) {
        return nullptr;
    }
    fluid_settings_setnum(s, "synth.sample-rate", kRate);
    fluid_settings_setint(s, "synth.polyphony", kPolyphony);
    fluid_settings_setnum(s, "synth.gain", kGain);
    fluid_settings_setint(s, "synth.reverb.active", 1);
    fluid_settings_setint(s, "synth.chorus.active", 1);
    // Every call is under the caller's own lock, if it needs one.
    fluid_settings_setint(s, "synth.threadsafe-api", 0);
    // The player keeps time by the samples made, not the wall clock: the
    // file's timing holds whatever the device does, the disk driver included.
    fluid_settings_setstr(s, "player.timing-source", "sample");
    // A play resets the channels itself, without cutting the last notes.
    fluid_settings_setint(s, "player.reset-synth", 0);
    return s;
}

// What a newly made synthesizer needs beyond its settings.
inline void SetUp(fluid_synth_t* synth) {
    fluid_synth_set_interp_method(synth, -1, FLUID_INTERP_4THORDER);
}

// A play's channel state is that of a fresh synthesizer, as a new open always
// gave; the notes still sounding are let go rather than cut.
inline void FreshChannels(fluid_synth_t* synth) {
    fluid_synth_all_notes_off(synth, -1);
    for (int ch = 0; ch < fluid_synth_count_midi_channels(synth); ++ch) {
        fluid_synth_cc(synth, ch, 121, 0);
        fluid_synth_cc(synth, ch, 0, 0);
        fluid_synth_cc(synth, ch, 32, 0);
        fluid_synth_cc(synth, ch, 7, 100);
        fluid_synth_cc(synth, ch, 10, 64);
        fluid_synth_cc(synth, ch, 91, 40);
        fluid_synth_cc(synth, ch, 93, 0);
    }
    fluid_synth_program_reset(synth);
}

}  // namespace synthsetup
