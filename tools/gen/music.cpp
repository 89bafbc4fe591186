#include "music.h"

#include <algorithm>
#include <sstream>

#include "midi.h"

namespace gen {

namespace {

// General MIDI programs (0-based) the pieces use.
namespace gm {
[[maybe_unused]] constexpr int Piano = 0, BrightPiano = 1, EPiano = 4, EPiano2 = 5, Clav = 7,
                               Celesta = 8, Glock = 9, MusicBox = 10, Vibes = 11, Marimba = 12,
                               DrawOrgan = 16, NylonGuitar = 24, CleanGuitar = 27, MutedGuitar = 28,
                               Overdrive = 29, Distortion = 30, AcousticBass = 32, FingerBass = 33,
                               PickBass = 34, Fretless = 35, SlapBass = 36, SynthBass = 38,
                               SynthBass2 = 39, Strings = 48, SlowStrings = 49, SynthStrings = 50,
                               Choir = 52, Brass = 61, SynthBrass = 62, AltoSax = 65, Oboe = 68,
                               Clarinet = 71, Flute = 73, PanFlute = 75, Ocarina = 79, Square = 80,
                               Saw = 81, Calliope = 82, Chiffer = 83, Bell = 112, WarmPad = 89,
                               PolyPad = 90, ChoirPad = 91, BowedPad = 92, HaloPad = 94,
                               SweepPad = 95, Crystal = 98, Atmosphere = 99, Harp = 46,
                               Timpani = 47;
}  // namespace gm

// The chords of a piece, bar by bar. A bar holds one or more chord symbols that
// share it evenly.
class Chart {
  public:
    explicit Chart(int beatsPerBar) : beats_(beatsPerBar) {}

    // Appends bars; returns the index of the first one.
    int add(std::initializer_list<const char*> bars) {
        int first = static_cast<int>(bars_.size());
        for (const char* b : bars) {
            std::istringstream in(b);
            std::vector<std::string> chords;
            for (std::string s; in >> s;) {
                chords.push_back(s);
            }
            bars_.push_back(chords);
        }
        return first;
    }
    int bars() const { return static_cast<int>(bars_.size()); }
    double barBeat(int bar) const { return bar * static_cast<double>(beats_); }
    // The chord sounding at `step` (0-based sixteenth) of `bar`.
    const std::string& at(int bar, int step) const {
        const auto& chords = bars_.at(static_cast<size_t>(bar));
        int steps = beats_ * 4;
        size_t i = static_cast<size_t>(step * static_cast<int>(chords.size()) / steps);
        return chords[std::min(i, chords.size() - 1)];
    }

  private:
    int beats_;
    std::vector<std::vector<std::string>> bars_;
};

enum class Part { Bass, Comp, Arp };

// Chord tones as pitch classes placed in [low, low + 12), ascending: close
// voicings that move little from chord to chord.
std::vector<int> Voicing(const std::string& symbol, int low) {
    Chord c = ParseChord(symbol, 0);
    std::vector<int> v;
    for (int t : c.tones) {
        int pc = t % 12;
        int p = low + ((pc - low) % 12 + 12) % 12;
        if (std::find(v.begin(), v.end(), p) == v.end()) {
            v.push_back(p);
        }
    }
    std::sort(v.begin(), v.end());
    return v;
}

int BassPitch(const std::string& symbol, int low) {
    Chord c = ParseChord(symbol, 0);
    return low + ((c.bass - low) % 12 + 12) % 12;
}

// Plays a one-bar rhythm pattern over bars [from, to) of the chart. A pattern
// has one character per sixteenth; '-' holds the note before, '.' is silence.
//   Bass: R root, 5 fifth, 8 octave, 3 third, 7 seventh, v fifth below, b root an octave down.
//   Comp: x the chord, X the chord accented.
//   Arp:  0-9 the n-th chord tone counting upwards through the octaves.
void Play(Song& s, int track, const Chart& chart, int from, int to, Part part,
          std::string_view pattern, int low, int velocity) {
    int steps = static_cast<int>(pattern.size());
    for (int bar = from; bar < to && bar < chart.bars(); ++bar) {
        for (int st = 0; st < steps; ++st) {
            char c = pattern[static_cast<size_t>(st)];
            if (c == '-' || c == '.') {
                continue;
            }
            int len = 1;
            while (st + len < steps && pattern[static_cast<size_t>(st + len)] == '-') {
                ++len;
            }
            const std::string& sym = chart.at(bar, st * 16 / steps);
            double beat = chart.barBeat(bar) + st * 0.25;
            double dur = len * 0.25 - 0.04;
            int vel = velocity;
            if (part == Part::Bass) {
                Chord ch = ParseChord(sym, 0);
                int root = BassPitch(sym, low);
                int third = ch.tones.size() > 1 ? ch.tones[1] - ch.tones[0] : 4;
                int seventh = ch.tones.size() > 3 ? ch.tones[3] - ch.tones[0] : 10;
                int p = root;
                switch (c) {
                    case '5':
                        p = root + 7;
                        break;
                    case '8':
                        p = root + 12;
                        break;
                    case '3':
                        p = root + third;
                        break;
                    case '7':
                        p = root + seventh;
                        break;
                    case 'v':
                        p = root - 5;
                        break;
                    case 'b':
                        p = root - 12;
                        break;
                    default:
                        break;
                }
                s.note(track, beat, dur, p, st % 4 == 0 ? vel : vel - 8);
            } else if (part == Part::Comp) {
                if (c == 'X') {
                    vel += 14;
                }
                for (int p : Voicing(sym, low)) {
                    s.note(track, beat, dur, p, vel);
                }
            } else {
                std::vector<int> v = Voicing(sym, low);
                int i = c - '0';
                int n = static_cast<int>(v.size());
                int p = v[static_cast<size_t>(i % n)] + 12 * (i / n);
                s.note(track, beat, dur + 0.2, p, st % 4 == 0 ? vel : vel - 10);
            }
        }
    }
}

// Sustained chords, one per chord change, voiced from `low`.
void Pad(Song& s, int track, const Chart& chart, int from, int to, int low, int velocity) {
    for (int bar = from; bar < to && bar < chart.bars(); ++bar) {
        int st = 0;
        while (st < 16) {
            const std::string& sym = chart.at(bar, st);
            int len = 1;
            while (st + len < 16 && chart.at(bar, st + len) == sym) {
                ++len;
            }
            for (int p : Voicing(sym, low)) {
                s.note(track, chart.barBeat(bar) + st * 0.25, len * 0.25 - 0.02, p, velocity);
            }
            st += len;
        }
    }
}

struct Kit {
    int key;
    const char* grid;
    int velocity;
};
void Beat(Song& s, int track, const Chart& chart, int from, int to,
          std::initializer_list<Kit> kit) {
    for (int bar = from; bar < to; ++bar) {
        for (const Kit& k : kit) {
            s.drums(track, chart.barBeat(bar), k.key, k.grid, k.velocity,
                    chart.barBeat(1) / static_cast<double>(std::string_view(k.grid).size()));
        }
    }
}

Piece Finish(const char* file, const char* title, Song& s, const Chart& chart) {
    s.setLength(chart.bars());
    return {file, s.encode(title), s.seconds()};
}

// ---------------------------------------------------------------------------
// Title: "Moonrise over the Tiles". D major, slow and open; electric piano
// arpeggios under a flute, a warm pad, fretless bass, brushes.
Piece Title() {
    Song s(72);
    Chart ch(4);
    int intro = ch.add({"Dmaj7", "Gmaj7", "Dmaj7", "Gmaj7 A7sus4"});
    int a = ch.add({"Dmaj7", "Bm7", "Gmaj7", "A7sus4 A7", "Dmaj7", "F#m7", "Gmaj7", "A7sus4"});
    int b = ch.add({"Em7", "F#m7", "Gmaj7", "D/F#", "Em7", "A7", "Bm7", "Gmaj7 A7sus4"});
    int end = ch.bars();

    int ep = s.addTrack("Electric piano", 0, gm::EPiano, 84, 50, 70, 30);
    int pad = s.addTrack("Warm pad", 1, gm::WarmPad, 62, 76, 80);
    int bass = s.addTrack("Fretless bass", 2, gm::Fretless, 92, 64, 30);
    int flute = s.addTrack("Flute", 3, gm::Flute, 92, 58, 70);
    int bells = s.addTrack("Celesta", 4, gm::Celesta, 56, 84, 90);
    int kit = s.addDrums("Brushes", 70, 50);

    Play(s, ep, ch, intro, end, Part::Arp, "0-2-4-3-1-3-2-4-", 54, 62);
    Pad(s, pad, ch, a, end, 62, 48);
    Play(s, bass, ch, a, end, Part::Bass, "R-------5---R---", 38, 84);
    Play(s, bass, ch, intro, a, Part::Bass, "R---------------", 38, 70);
    // The melody sings over the A part, answers itself in the B part.
    s.melody(flute, ch.barBeat(a),
             "A4:4 D5:4 E5:4 F#5:4 | F#5:6 E5:2 D5:4 B4:4 | B4:4 D5:4 F#5:6 E5:2 | E5:12 r:4 |"
             "A4:4 D5:4 E5:4 F#5:4 | A5:6 F#5:2 E5:4 C#5:4 | D5:4 B4:4 G5:6 F#5:2 | E5:8 r:8",
             80);
    s.melody(flute, ch.barBeat(b),
             "G5:4 F#5:2 E5:2 D5:4 E5:4 | A5:6 C#6:2 A5:4 F#5:4 | B5:8 A5:4 G5:4 | F#5:12 r:4 |"
             "G5:4 F#5:2 E5:2 B4:4 E5:4 | C#5:4 E5:4 G5:4 A5:4 | F#5:8 D5:4 B4:4 | D5:6 E5:2 A4:8",
             76);
    // Soft bell echoes in the intro.
    s.melody(bells, ch.barBeat(intro), "r:8 F#6:4 A6:4 | r:8 B6:4 D7:4 | r:8 E6:4 F#6:4 | r:8 D6:8",
             60);
    Beat(s, kit, ch, a, end,
         {{drum::Kick, "x.......x.......", 58},
          {drum::SideStick, "....x.......x...", 50},
          {drum::Ride, "x.xox.xox.xox.xo", 40},
          {drum::Shaker, ".x.x.x.x.x.x.x.x", 30}});
    Beat(s, kit, ch, intro + 2, a, {{drum::Ride, "x...x...x...x...", 34}});
    return Finish("System.mid", "Moonrise over the Tiles", s, ch);
}

// ---------------------------------------------------------------------------
// Stage piece 1: "Silver Run". A minor synth-pop at 126 beats a minute.
Piece SilverRun() {
    Song s(126);
    Chart ch(4);
    int intro = ch.add({"Am", "F", "C", "G"});
    int a = ch.add({"Am", "F", "C", "G", "Am", "F", "C", "E7"});
    int b = ch.add({"F", "G", "Em", "Am", "Dm", "Em", "F", "E7"});
    int a2 = ch.add({"Am", "F", "C", "G", "Am", "F", "C", "E7"});
    int brk = ch.add({"F", "G", "Am", "E7"});
    int end = ch.bars();

    int lead = s.addTrack("Square lead", 0, gm::Square, 80, 60, 50, 20);
    int arp = s.addTrack("Arpeggio", 1, gm::Saw, 52, 88, 60);
    int pad = s.addTrack("Pad", 2, gm::PolyPad, 60, 40, 70);
    int bass = s.addTrack("Synth bass", 3, gm::SynthBass, 96, 64, 10);
    int kit = s.addDrums("Drums", 100);

    const char* themeA =
        "A4:2 C5:2 E5:4 D5:2 C5:2 D5:2 E5:2 | F5:4 E5:2 D5:2 C5:4 A4:4 |"
        "G4:2 C5:2 E5:4 G5:4 E5:4 | D5:8 B4:4 G4:4 |"
        "A4:2 C5:2 E5:4 D5:2 C5:2 D5:2 E5:2 | F5:4 A5:4 G5:2 F5:2 E5:4 |"
        "E5:4 G5:2 E5:2 D5:4 C5:4 | B4:6 G#4:2 E4:8";
    s.melody(lead, ch.barBeat(a), themeA, 88);
    s.melody(lead, ch.barBeat(b),
             "C5:4 F5:4 A5:6 G5:2 | G5:4 B5:4 D6:4 B5:4 | B5:8 G5:4 E5:4 | A5:8 E5:4 C5:4 |"
             "D5:2 F5:2 A5:4 F5:2 A5:2 D6:4 | E6:4 D6:2 B5:2 G5:4 E5:4 |"
             "F5:4 A5:4 C6:4 A5:4 | G#5:4 B5:4 E5:8",
             90);
    s.melody(lead, ch.barBeat(a2), themeA, 94, 12);
    s.melody(lead, ch.barBeat(a2), themeA, 60);  // the octave below, quieter

    Play(s, arp, ch, intro, end, Part::Arp, "0214021402140214", 57, 60);
    Pad(s, pad, ch, a, end, 60, 50);
    Play(s, bass, ch, intro, end, Part::Bass, "R.R8R.R8R.R8R.58", 33, 96);
    Beat(s, kit, ch, intro, intro + 2, {{drum::Kick, "x...x...x...x...", 100}});
    Beat(s, kit, ch, intro + 2, intro + 4,
         {{drum::Kick, "x...x...x...x...", 100}, {drum::ClosedHat, "x.x.x.x.x.x.x.x.", 60}});
    for (int sec : {a, b, a2}) {
        Beat(s, kit, ch, sec, sec + 7,
             {{drum::Kick, "x...x...x...x...", 104},
              {drum::Clap, "....x.......x...", 92},
              {drum::ClosedHat, "x.x.x.x.x.x.x.x.", 66},
              {drum::OpenHat, "..x...x...x...x.", 52}});
        Beat(s, kit, ch, sec + 7, sec + 8,
             {{drum::Kick, "x...x...x...x...", 104},
              {drum::Snare, "....x...x.xxxxxx", 88},
              {drum::ClosedHat, "x.x.x.x.........", 66}});
        s.note(kit, ch.barBeat(sec), 1, drum::Crash, 100);
    }
    Beat(s, kit, ch, brk, end,
         {{drum::Kick, "x.......x.......", 96}, {drum::ClosedHat, "x.x.x.x.x.x.x.x.", 56}});
    s.drums(kit, ch.barBeat(end - 1), drum::Snare, "........x.x.xxxx", 84);
    return Finish("Bgm1.mid", "Silver Run", s, ch);
}

// ---------------------------------------------------------------------------
// Stage piece 2: "Jade Groove". E dorian funk at 108: clavinet, slap bass,
// alto saxophone, brass stabs.
Piece JadeGroove() {
    Song s(108);
    Chart ch(4);
    int intro = ch.add({"Em7", "A7", "Em7", "A7"});
    int a = ch.add({"Em7", "A7", "Em7", "A7", "Em7", "A7", "Cmaj7", "B7"});
    int b = ch.add({"Cmaj7", "Bm7", "Am7", "D", "Cmaj7", "Bm7", "Am7", "B7"});
    int a2 = ch.add({"Em7", "A7", "Em7", "A7", "Em7", "A7", "Cmaj7", "B7"});
    int end = ch.bars();

    int sax = s.addTrack("Alto sax", 0, gm::AltoSax, 90, 70, 50);
    int clav = s.addTrack("Clavinet", 1, gm::Clav, 66, 40, 30);
    int brass = s.addTrack("Brass", 2, gm::Brass, 70, 88, 50);
    int bass = s.addTrack("Slap bass", 3, gm::SlapBass, 100, 64, 10);
    int ep = s.addTrack("Electric piano", 4, gm::EPiano2, 56, 30, 60, 40);
    int kit = s.addDrums("Drums", 100);

    const char* themeA =
        "r:2 E5:2 G5:2 A5:2 B5:4 A5:2 G5:2 | E5:4 r:2 C#5:2 E5:2 F#5:2 G5:4 |"
        "B5:2 A5:2 G5:2 E5:2 D5:4 E5:4 | r:4 C#5:2 E5:2 A5:6 r:2 |"
        "r:2 E5:2 G5:2 A5:2 B5:4 D6:2 B5:2 | A5:4 r:2 G5:2 E5:2 F#5:2 G5:4 |"
        "G5:4 E5:2 C5:2 B4:4 C5:2 E5:2 | D#5:6 F#5:2 A5:4 B5:4";
    s.melody(sax, ch.barBeat(a), themeA, 92);
    s.melody(sax, ch.barBeat(b),
             "E5:4 G5:4 B5:6 A5:2 | F#5:4 D5:4 A5:6 F#5:2 | E5:4 C5:4 G5:6 E5:2 |"
             "F#5:8 A5:4 D6:4 | E6:4 D6:2 B5:2 G5:4 E5:4 | D6:4 B5:2 A5:2 F#5:4 D5:4 |"
             "C6:4 A5:2 G5:2 E5:4 C5:4 | D#5:4 F#5:4 A5:4 B5:4",
             94);
    s.melody(sax, ch.barBeat(a2), themeA, 98);

    Play(s, clav, ch, intro, end, Part::Comp, ".x.x..x.x.x..x.x", 60, 74);
    Play(s, brass, ch, a2, end, Part::Comp, "X-.......X-.x...", 62, 86);
    Play(s, brass, ch, b + 3, b + 4, Part::Comp, "X---..X-X---....", 62, 86);
    Pad(s, ep, ch, b, b + 8, 55, 52);
    Play(s, bass, ch, intro, end, Part::Bass, "R..R.8..R.5.78.5", 28, 100);
    Beat(s, kit, ch, intro, end,
         {{drum::Kick, "x..x..x...x..x..", 100},
          {drum::Snare, "....x..o.o..x..o", 96},
          {drum::ClosedHat, "xoxoxoxoxoxoxoxo", 70},
          {drum::OpenHat, "..............x.", 56}});
    Beat(s, kit, ch, b, b + 8, {{drum::Tambourine, "....x.......x...", 60}});
    for (int sec : {a, b, a2}) {
        s.note(kit, ch.barBeat(sec), 1, drum::Crash, 96);
    }
    s.drums(kit, ch.barBeat(end - 1), drum::HighTom, "............xx..", 90);
    s.drums(kit, ch.barBeat(end - 1), drum::LowTom, "..............xx", 90);
    return Finish("Bgm2.mid", "Jade Groove", s, ch);
}

// ---------------------------------------------------------------------------
// Stage piece 3: "Amber Drive". D minor rock at 144: power chords, picked
// bass, a singing distorted lead.
Piece AmberDrive() {
    Song s(144);
    Chart ch(4);
    int intro = ch.add({"D5", "Bb5", "C5", "D5"});
    int a = ch.add({"Dm", "Bb", "C", "Dm", "Dm", "Bb", "C", "A"});
    int a2 = ch.add({"Dm", "Bb", "C", "Dm", "Dm", "Bb", "C", "A"});
    int b = ch.add({"Gm", "Bb", "F", "C", "Gm", "Bb", "A", "A"});
    int out = ch.add({"Dm", "Bb", "C", "A", "Dm", "Bb", "C", "A"});
    int end = ch.bars();

    int lead = s.addTrack("Lead guitar", 0, gm::Distortion, 84, 70, 50);
    int rhythm = s.addTrack("Rhythm guitar", 1, gm::Overdrive, 74, 40, 30);
    int bass = s.addTrack("Picked bass", 2, gm::PickBass, 100, 64, 10);
    int organ = s.addTrack("Organ", 3, gm::DrawOrgan, 50, 90, 50);
    int kit = s.addDrums("Drums", 104);

    const char* themeA =
        "D5:4 F5:4 A5:6 G5:2 | F5:4 D5:4 Bb4:8 | C5:4 E5:4 G5:6 F5:2 | E5:2 F5:2 E5:4 D5:8 |"
        "D5:2 D5:2 F5:2 A5:2 D6:4 C6:4 | Bb5:4 A5:2 G5:2 F5:4 D5:4 |"
        "C6:4 Bb5:4 G5:4 E5:4 | C#5:8 E5:4 A5:4";
    s.melody(lead, ch.barBeat(a), themeA, 90);
    // The theme again, with the organ underneath it an octave down.
    s.melody(lead, ch.barBeat(a2), themeA, 98);
    s.melody(organ, ch.barBeat(a2), themeA, 72, -12);
    s.melody(lead, ch.barBeat(b),
             "G5:6 F5:2 D5:4 Bb4:4 | F5:6 D5:2 Bb4:4 D5:4 | C5:4 F5:4 A5:4 C6:4 | G5:12 E5:4 |"
             "Bb5:6 A5:2 G5:4 D5:4 | D6:6 C6:2 Bb5:4 F5:4 | A5:4 G5:2 F5:2 E5:4 C#5:4 |"
             "E5:4 A4:4 C#5:4 E5:4",
             94);

    Play(s, rhythm, ch, intro, end, Part::Bass, "R-RRR-RRR-RRR-R5", 50, 86);
    Play(s, rhythm, ch, intro, end, Part::Bass, "5-555-555-555-58", 50, 80);
    Pad(s, organ, ch, b, out, 60, 56);
    Play(s, bass, ch, intro, end, Part::Bass, "RRRRRRRRRRRRRR5R", 26, 98);
    Beat(s, kit, ch, intro, intro + 3,
         {{drum::Kick, "x.x...x.x.x...x.", 104}, {drum::ClosedHat, "x.x.x.x.x.x.x.x.", 70}});
    s.drums(kit, ch.barBeat(intro + 3), drum::Snare, "x.x.x.x.xxxxXXXX", 90);
    for (int sec : {a, a2, b, out}) {
        Beat(s, kit, ch, sec, sec + 7,
             {{drum::Kick, "x.x...x.x.x...x.", 106},
              {drum::Snare, "....x.......x...", 100},
              {drum::ClosedHat, "x.x.x.x.x.x.x.x.", 72}});
        Beat(s, kit, ch, sec + 7, sec + 8,
             {{drum::Kick, "x.x...x.........", 106},
              {drum::HighTom, "........xx......", 96},
              {drum::MidTom, "..........xx....", 96},
              {drum::LowTom, "............xxxx", 96}});
        s.note(kit, ch.barBeat(sec), 1, drum::Crash, 104);
    }
    return Finish("Bgm3.mid", "Amber Drive", s, ch);
}

// ---------------------------------------------------------------------------
// Stage piece 4: "Violet Deep". C-sharp minor, slow and wide: harp, strings,
// choir, vibraphone, a half-time beat.
Piece VioletDeep() {
    Song s(96);
    Chart ch(4);
    int intro = ch.add({"C#m", "Amaj7", "C#m", "G#7sus4 G#7"});
    int a = ch.add({"C#m", "Amaj7", "E", "B", "C#m", "Amaj7", "F#m", "G#7"});
    int b = ch.add({"F#m", "A", "G#7sus4", "G#7", "F#m", "A", "B", "G#7"});
    int tag = ch.add({"C#m", "Amaj7", "F#m", "G#7sus4 G#7"});
    int end = ch.bars();
    (void)tag;

    int vibes = s.addTrack("Vibraphone", 0, gm::Vibes, 96, 60, 90);
    int harp = s.addTrack("Harp", 1, gm::Harp, 72, 84, 80);
    int strings = s.addTrack("Strings", 2, gm::SlowStrings, 66, 44, 90);
    int choir = s.addTrack("Choir", 3, gm::ChoirPad, 50, 64, 100);
    int bass = s.addTrack("Bass", 4, gm::SynthBass2, 90, 64, 30);
    int kit = s.addDrums("Drums", 90, 60);

    Play(s, harp, ch, intro, end, Part::Arp, "0124521401245214", 56, 60);
    Pad(s, strings, ch, intro, end, 56, 56);
    Pad(s, choir, ch, b, b + 8, 64, 54);
    Play(s, bass, ch, a, end, Part::Bass, "R-------R---5---", 32, 88);
    const char* themeA =
        "G#4:4 C#5:4 E5:6 D#5:2 | C#5:8 B4:4 G#4:4 | B4:4 E5:4 G#5:6 F#5:2 | F#5:12 D#5:4 |"
        "E5:4 G#5:4 C#6:6 B5:2 | A5:4 G#5:4 E5:4 C#5:4 | F#5:4 A5:4 C#6:4 A5:4 |"
        "G#5:8 F#5:4 D#5:4";
    s.melody(vibes, ch.barBeat(a), themeA, 84);
    s.melody(vibes, ch.barBeat(b),
             "A5:6 G#5:2 F#5:4 C#5:4 | E5:6 C#5:2 A4:8 | C#5:8 D#5:4 F#5:4 | D#5:8 C5:4 G#4:4 |"
             "F#5:4 A5:4 C#6:8 | E6:6 C#6:2 A5:8 | F#5:4 D#5:4 B4:8 | C5:4 D#5:4 F#5:4 G#5:4",
             86);
    Beat(s, kit, ch, a, end,
         {{drum::Kick, "x.........x.....", 90},
          {drum::Snare, "........x.......", 80},
          {drum::Shaker, "xoxoxoxoxoxoxoxo", 44},
          {drum::Ride, "x...x...x...x...", 40}});
    Beat(s, kit, ch, intro, a, {{drum::Shaker, "x.o.x.o.x.o.x.o.", 36}});
    s.note(kit, ch.barBeat(a), 2, drum::Crash, 80);
    s.note(kit, ch.barBeat(b), 2, drum::Crash, 80);
    s.drums(kit, ch.barBeat(b - 1), drum::LowTom, "............x.x.", 70);
    s.drums(kit, ch.barBeat(end - 1), drum::MidTom, "........x...x.x.", 70);
    return Finish("Bgm4.mid", "Violet Deep", s, ch);
}

// ---------------------------------------------------------------------------
// Stage piece 5: "Moonstone Rush". C minor at 152, bright square leads in
// thirds, octave bass, a busy beat for the last stages.
Piece MoonstoneRush() {
    Song s(152);
    Chart ch(4);
    int intro = ch.add({"Cm", "Ab", "Eb", "G7"});
    int a = ch.add({"Cm", "Ab", "Eb", "Bb", "Cm", "Ab", "Eb", "G7"});
    int b = ch.add({"Fm", "Bb", "Eb", "Ab", "Fm", "G7", "Cm", "G7"});
    int a2 = ch.add({"Cm", "Ab", "Eb", "Bb", "Cm", "Ab", "Eb", "G7"});
    int b2 = ch.add({"Fm", "Bb", "Eb", "Ab", "Fm", "G7", "Cm", "G7"});
    int tag = ch.add({"Ab", "Bb", "Cm", "G7"});
    int end = ch.bars();

    int lead = s.addTrack("Square lead", 0, gm::Square, 82, 56, 40);
    int second = s.addTrack("Saw lead", 1, gm::Saw, 62, 80, 40);
    int arp = s.addTrack("Arpeggio", 2, gm::Square, 46, 96, 30);
    int bass = s.addTrack("Synth bass", 3, gm::SynthBass2, 98, 64, 10);
    int pad = s.addTrack("Strings", 4, gm::SynthStrings, 54, 32, 60);
    int kit = s.addDrums("Drums", 104);

    const char* themeA =
        "G5:2 Eb5:2 C5:2 Eb5:2 G5:4 C6:4 | C6:2 Bb5:2 Ab5:2 G5:2 Eb5:4 C5:4 |"
        "Bb4:2 Eb5:2 G5:2 Bb5:2 G5:4 Eb5:4 | F5:8 D5:4 Bb4:4 |"
        "G5:2 Eb5:2 C5:2 Eb5:2 G5:4 C6:4 | Eb6:4 D6:2 C6:2 Ab5:4 C6:4 |"
        "Bb5:4 G5:2 Eb5:2 F5:4 G5:4 | B5:8 D6:4 G5:4";
    const char* themeB =
        "F5:4 Ab5:4 C6:6 Ab5:2 | Bb5:4 F5:4 D5:6 F5:2 | G5:4 Bb5:4 Eb6:6 D6:2 |"
        "C6:8 Ab5:4 Eb5:4 | F5:2 G5:2 Ab5:2 C6:2 F6:4 Eb6:4 | D6:4 B5:4 G5:4 F5:4 |"
        "Eb5:4 G5:4 C6:8 | B5:4 D6:4 F6:4 D6:4";
    s.melody(lead, ch.barBeat(a), themeA, 86);
    s.melody(lead, ch.barBeat(b), themeB, 88);
    s.melody(lead, ch.barBeat(a2), themeA, 92);
    s.melody(lead, ch.barBeat(b2), themeB, 92);
    // The second voice doubles the returning themes a sixth below: the
    // melody's notes moved down to the nearest chord tone.
    for (int sec : {a2, b2}) {
        Play(s, second, ch, sec, sec + 8, Part::Arp, "2---1---0---2---", 60, 70);
    }
    Play(s, arp, ch, intro, end, Part::Arp, "0120012001200120", 48, 66);
    Pad(s, pad, ch, b, b + 8, 55, 56);
    Pad(s, pad, ch, b2, end, 55, 60);
    Play(s, bass, ch, intro, end, Part::Bass, "R8R8R8R8R8R8R858", 24, 98);
    Beat(s, kit, ch, intro, intro + 3,
         {{drum::Kick, "x...x...x...x...", 100}, {drum::ClosedHat, "xxxxxxxxxxxxxxxx", 50}});
    s.drums(kit, ch.barBeat(intro + 3), drum::Snare, "x...x...x.x.xxxx", 92);
    for (int sec : {a, b, a2, b2}) {
        Beat(s, kit, ch, sec, sec + 7,
             {{drum::Kick, "x...x...x...x.x.", 104},
              {drum::Snare, "....x.......x...", 100},
              {drum::ClosedHat, "xoxoxoxoxoxoxoxo", 64}});
        Beat(s, kit, ch, sec + 7, sec + 8,
             {{drum::Kick, "x...x...x...x...", 104},
              {drum::Snare, "....x...x.x.xxxx", 96},
              {drum::ClosedHat, "xoxoxoxo........", 64}});
        s.note(kit, ch.barBeat(sec), 1, drum::Crash, 104);
    }
    Beat(s, kit, ch, tag, end,
         {{drum::Kick, "x.......x.......", 100}, {drum::Ride, "x.x.x.x.x.x.x.x.", 60}});
    s.drums(kit, ch.barBeat(end - 1), drum::Snare, "........x.x.xxxx", 92);
    return Finish("Bgm5.mid", "Moonstone Rush", s, ch);
}

}  // namespace

std::vector<Piece> AllPieces() {
    return {Title(), SilverRun(), JadeGroove(), AmberDrive(), VioletDeep(), MoonstoneRush()};
}

}  // namespace gen
