// A small standard-MIDI-file writer with the helpers the game's pieces are
// written with: notes in beats, chord symbols, melody strings, drum grids.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "output.h"

namespace gen {

constexpr int Ppq = 480;        // ticks per quarter note
constexpr int DrumChannel = 9;  // channel 10 as musicians count

struct MidiEvent {
    uint32_t tick;
    int order;  // at the same tick: note-offs (0) before set-up (1) before note-ons (2)
    std::vector<uint8_t> bytes;
};

struct MidiTrack {
    std::string name;
    int channel = 0;
    std::vector<MidiEvent> events;
};

// General MIDI drum keys used by the pieces.
namespace drum {
constexpr int Kick = 36, SideStick = 37, Snare = 38, Clap = 39, SnareRim = 40, LowTom = 45,
              ClosedHat = 42, PedalHat = 44, OpenHat = 46, MidTom = 47, HighTom = 50, Crash = 49,
              Ride = 51, RideBell = 53, Tambourine = 54, Splash = 55, Cowbell = 56, Shaker = 70,
              Triangle = 80, OpenTriangle = 81, Cabasa = 69, HiBongo = 60, LowBongo = 61,
              Conga = 63, LowConga = 64, Claves = 75, WoodBlock = 76, Chimes = 84;
}

class Song {
  public:
    Song(double bpm, int beatsPerBar = 4);

    // A melodic track on `channel` with a General MIDI program (0-based).
    int addTrack(std::string name, int channel, int program, int volume, int pan, int reverb = 40,
                 int chorus = 0);
    int addDrums(std::string name, int volume, int reverb = 30);

    // Beats are quarter notes from the start of the piece.
    void note(int track, double beat, double length, int pitch, int velocity);
    void controller(int track, double beat, int number, int value);

    // Melody string: tokens "C5:4" (pitch, length in sixteenths), "r:2" for rest,
    // "C5:4>" ... with a trailing ">" for an accent. Returns the beat after the line.
    double melody(int track, double beat, std::string_view text, int velocity, int transpose = 0);

    // Drum grid: one string per drum key, one character per step; 'x' plays at
    // full `velocity`, 'o' softer, '.' nothing. Steps are `stepBeats` long.
    void drums(int track, double beat, int key, std::string_view grid, int velocity,
               double stepBeats = 0.25);

    double beatsPerBar() const { return beatsPerBar_; }
    void setLength(int bars) { lengthBars_ = bars; }
    double seconds() const { return lengthBars_ * beatsPerBar_ * 60.0 / bpm_; }

    Bytes encode(const std::string& title) const;

  private:
    double bpm_;
    int beatsPerBar_;
    int lengthBars_ = 0;
    uint32_t humanise_ = 0x5EED;
    std::vector<MidiTrack> tracks_;
};

// Parses a note name such as "C4", "F#3", "Bb5" (C4 = 60). -1 when it is not one.
int NoteNumber(std::string_view name);

// Chord symbol to its notes, root at or above `low`: "Am", "Fmaj7", "G7",
// "Dm7", "Esus4", "C/E", "Bdim", "Cadd9", "F6". The bass (the slash note, or
// the root) comes back separately.
struct Chord {
    int bass = 0;            // pitch class 0..11
    std::vector<int> tones;  // pitches, ascending
};
Chord ParseChord(std::string_view symbol, int low);

}  // namespace gen
