// The music synthesizer of the SDL back-end: FluidSynth driven by the game and
// mixed in through SDL_mixer's music hook, so music and effects share one device.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <string>
#include <vector>

namespace sdlplat {

// Creates the synthesizer for the open mixer (44100 Hz, 16-bit stereo) and
// loads the sound fonts, in order, once. False when none of them loads: the
// synthesizer would play silence, so no music opens then.
bool SynthStart(const std::vector<std::string>& fonts);
// Stops the music and frees the synthesizer; before the mixer closes.
void SynthStop();
bool SynthReady();

// The one open piece: the bytes of a file already checked to be MIDI.
void SynthOpen(std::vector<Uint8> file);
// From the beginning, with a fresh player; the end posts once per play.
void SynthPlay();
void SynthPause();
void SynthClose();

// True while a piece plays (for the tests: the hook leaves SDL_mixer's own
// music state alone).
bool SynthPlaying();
// Frames the synthesizer has made since sound started (for the tests: a
// looping piece is made once and played back after).
int64_t SynthFramesMade();

// The player's music volume, 0 (silence) to 100; the music goes on by the
// game's rules whatever it is.
void SetMusicVolume(int percent);
// While held (the player paused), the music stands still and is silent.
void HoldMusic(bool hold);

}  // namespace sdlplat
