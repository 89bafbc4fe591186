#include "midi.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <stdexcept>

namespace gen {

namespace {

uint32_t Ticks(double beats) {
    return static_cast<uint32_t>(std::lround(beats * Ppq));
}

uint8_t Byte7(int v) {
    return static_cast<uint8_t>(std::clamp(v, 0, 127));
}

void PutVarLen(Bytes& out, uint32_t v) {
    uint8_t buf[5];
    int n = 0;
    buf[n++] = static_cast<uint8_t>(v & 0x7F);
    while ((v >>= 7) != 0) {
        buf[n++] = static_cast<uint8_t>(0x80 | (v & 0x7F));
    }
    while (n > 0) {
        out.push_back(buf[--n]);
    }
}

void PutBe(Bytes& out, uint32_t v, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) {
        out.push_back(static_cast<uint8_t>((v >> (8 * i)) & 0xFF));
    }
}

std::vector<uint8_t> Meta(uint8_t type, const std::vector<uint8_t>& data) {
    std::vector<uint8_t> b{0xFF, type};
    PutVarLen(b, static_cast<uint32_t>(data.size()));
    b.insert(b.end(), data.begin(), data.end());
    return b;
}

std::vector<uint8_t> TextBytes(const std::string& s) {
    return {s.begin(), s.end()};
}

Bytes TrackChunk(std::vector<MidiEvent> events, uint32_t endTick) {
    // Notes that would ring past the end stop on the last tick, before the
    // silencing there.
    for (MidiEvent& e : events) {
        e.tick = std::min(e.tick, endTick);
    }
    std::stable_sort(events.begin(), events.end(), [](const MidiEvent& a, const MidiEvent& b) {
        return a.tick != b.tick ? a.tick < b.tick : a.order < b.order;
    });
    Bytes body;
    uint32_t now = 0;
    for (const MidiEvent& e : events) {
        // Nothing may start on the last tick: the piece starts over there.
        bool noteOn = (e.bytes[0] & 0xF0) == 0x90;
        if (noteOn && e.tick >= endTick) {
            continue;
        }
        PutVarLen(body, e.tick - now);
        now = e.tick;
        body.insert(body.end(), e.bytes.begin(), e.bytes.end());
    }
    PutVarLen(body, endTick - now);
    body.insert(body.end(), {0xFF, 0x2F, 0x00});
    Bytes chunk{'M', 'T', 'r', 'k'};
    PutBe(chunk, static_cast<uint32_t>(body.size()), 4);
    chunk.insert(chunk.end(), body.begin(), body.end());
    return chunk;
}

}  // namespace

Song::Song(double bpm, int beatsPerBar) : bpm_(bpm), beatsPerBar_(beatsPerBar) {}

int Song::addTrack(std::string name, int channel, int program, int volume, int pan, int reverb,
                   int chorus) {
    MidiTrack t;
    t.name = std::move(name);
    t.channel = channel;
    uint8_t ch = static_cast<uint8_t>(channel);
    t.events.push_back({0, 1, Meta(0x03, TextBytes(t.name))});
    // Reset, then set up: a piece that starts over must sound the same each time.
    t.events.push_back({0, 1, {static_cast<uint8_t>(0xB0 | ch), 121, 0}});
    if (channel != DrumChannel) {
        t.events.push_back({0, 1, {static_cast<uint8_t>(0xB0 | ch), 0, 0}});
        t.events.push_back({0, 1, {static_cast<uint8_t>(0xC0 | ch), Byte7(program)}});
    }
    t.events.push_back({0, 1, {static_cast<uint8_t>(0xB0 | ch), 7, Byte7(volume)}});
    t.events.push_back({0, 1, {static_cast<uint8_t>(0xB0 | ch), 10, Byte7(pan)}});
    t.events.push_back({0, 1, {static_cast<uint8_t>(0xB0 | ch), 91, Byte7(reverb)}});
    t.events.push_back({0, 1, {static_cast<uint8_t>(0xB0 | ch), 93, Byte7(chorus)}});
    t.events.push_back({0, 1, {static_cast<uint8_t>(0xB0 | ch), 11, 127}});
    tracks_.push_back(std::move(t));
    return static_cast<int>(tracks_.size()) - 1;
}

int Song::addDrums(std::string name, int volume, int reverb) {
    return addTrack(std::move(name), DrumChannel, 0, volume, 64, reverb);
}

void Song::note(int track, double beat, double length, int pitch, int velocity) {
    MidiTrack& t = tracks_.at(static_cast<size_t>(track));
    uint8_t ch = static_cast<uint8_t>(t.channel);
    // A player never strikes two notes quite alike: a small, repeatable spread.
    humanise_ = humanise_ * 1664525u + 1013904223u;
    velocity += static_cast<int>((humanise_ >> 24) % 9) - 4;
    uint32_t on = Ticks(beat), off = Ticks(beat + length);
    if (off <= on) {
        off = on + 1;
    }
    t.events.push_back(
        {on, 2, {static_cast<uint8_t>(0x90 | ch), Byte7(pitch), Byte7(std::max(1, velocity))}});
    t.events.push_back({off, 0, {static_cast<uint8_t>(0x80 | ch), Byte7(pitch), 64}});
}

void Song::controller(int track, double beat, int number, int value) {
    MidiTrack& t = tracks_.at(static_cast<size_t>(track));
    t.events.push_back(
        {Ticks(beat), 1, {static_cast<uint8_t>(0xB0 | t.channel), Byte7(number), Byte7(value)}});
}

double Song::melody(int track, double beat, std::string_view text, int velocity, int transpose) {
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && (text[i] == ' ' || text[i] == '|' || text[i] == '\n')) {
            ++i;
        }
        if (i >= text.size()) {
            break;
        }
        size_t end = text.find_first_of(" |\n", i);
        std::string_view tok =
            text.substr(i, end == std::string_view::npos ? std::string_view::npos : end - i);
        i = end == std::string_view::npos ? text.size() : end;
        bool accent = !tok.empty() && tok.back() == '>';
        if (accent) {
            tok.remove_suffix(1);
        }
        size_t colon = tok.find(':');
        if (colon == std::string_view::npos) {
            throw std::runtime_error("melody token without length: " + std::string(tok));
        }
        std::string_view name = tok.substr(0, colon);
        double len = std::stod(std::string(tok.substr(colon + 1))) / 4.0;
        if (name != "r") {
            int p = NoteNumber(name);
            if (p < 0) {
                throw std::runtime_error("bad note: " + std::string(name));
            }
            // Slightly detached, as a player would phrase it.
            double sounding = len > 0.3 ? len - 0.06 : len * 0.85;
            note(track, beat, sounding, p + transpose, accent ? velocity + 14 : velocity);
        }
        beat += len;
    }
    return beat;
}

void Song::drums(int track, double beat, int key, std::string_view grid, int velocity,
                 double stepBeats) {
    for (size_t s = 0; s < grid.size(); ++s) {
        char c = grid[s];
        if (c == 'x' || c == 'X') {
            note(track, beat + s * stepBeats, stepBeats * 0.9, key,
                 c == 'X' ? velocity + 15 : velocity);
        } else if (c == 'o') {
            note(track, beat + s * stepBeats, stepBeats * 0.9, key, velocity * 6 / 10);
        }
    }
}

Bytes Song::encode(const std::string& title) const {
    const uint32_t endTick = Ticks(lengthBars_ * beatsPerBar_);
    Bytes out{'M', 'T', 'h', 'd'};
    PutBe(out, 6, 4);
    PutBe(out, 1, 2);  // format 1: a conductor track and one track per part
    PutBe(out, static_cast<uint32_t>(tracks_.size() + 1), 2);
    PutBe(out, Ppq, 2);

    std::vector<MidiEvent> conductor;
    conductor.push_back({0, 1, Meta(0x03, TextBytes(title))});
    conductor.push_back({0, 1, Meta(0x02, TextBytes("Tessalune"))});
    uint32_t usPerBeat = static_cast<uint32_t>(std::lround(60000000.0 / bpm_));
    conductor.push_back(
        {0, 1,
         Meta(0x51, {static_cast<uint8_t>(usPerBeat >> 16), static_cast<uint8_t>(usPerBeat >> 8),
                     static_cast<uint8_t>(usPerBeat)})});
    conductor.push_back({0, 1, Meta(0x58, {static_cast<uint8_t>(beatsPerBar_), 2, 24, 8})});
    Bytes c = TrackChunk(conductor, endTick);
    out.insert(out.end(), c.begin(), c.end());
    for (const MidiTrack& t : tracks_) {
        // Silence every voice on the last tick. A synthesiser reports the piece
        // finished only once its voices have died away, and long releases would
        // otherwise leave seconds of near-silence before the piece starts over.
        std::vector<MidiEvent> events = t.events;
        events.push_back({endTick, 1, {static_cast<uint8_t>(0xB0 | t.channel), 120, 0}});
        Bytes chunk = TrackChunk(std::move(events), endTick);
        out.insert(out.end(), chunk.begin(), chunk.end());
    }
    return out;
}

int NoteNumber(std::string_view name) {
    if (name.size() < 2) {
        return -1;
    }
    static const int base[7] = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G
    char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(name[0])));
    if (letter < 'A' || letter > 'G') {
        return -1;
    }
    int pc = base[letter - 'A'];
    size_t i = 1;
    while (i < name.size() && (name[i] == '#' || name[i] == 'b')) {
        pc += name[i] == '#' ? 1 : -1;
        ++i;
    }
    if (i >= name.size()) {
        return -1;
    }
    int octave = 0;
    bool negative = false;
    if (name[i] == '-') {
        negative = true;
        ++i;
    }
    if (i >= name.size() || !std::isdigit(static_cast<unsigned char>(name[i]))) {
        return -1;
    }
    octave = name[i] - '0';
    if (negative) {
        octave = -octave;
    }
    int n = (octave + 1) * 12 + pc;
    return (n >= 0 && n <= 127) ? n : -1;
}

Chord ParseChord(std::string_view symbol, int low) {
    std::string_view bassPart;
    size_t slash = symbol.find('/');
    if (slash != std::string_view::npos) {
        bassPart = symbol.substr(slash + 1);
        symbol = symbol.substr(0, slash);
    }
    auto pitchClass = [](std::string_view s, size_t& used) {
        static const int base[7] = {9, 11, 0, 2, 4, 5, 7};
        int pc = base[std::toupper(static_cast<unsigned char>(s[0])) - 'A'];
        used = 1;
        while (used < s.size() && (s[used] == '#' || s[used] == 'b')) {
            pc += s[used] == '#' ? 1 : -1;
            ++used;
        }
        return (pc + 12) % 12;
    };
    size_t used = 0;
    int root = pitchClass(symbol, used);
    std::string_view q = symbol.substr(used);
    std::vector<int> iv;
    if (q == "")
        iv = {0, 4, 7};
    else if (q == "m")
        iv = {0, 3, 7};
    else if (q == "7")
        iv = {0, 4, 7, 10};
    else if (q == "maj7")
        iv = {0, 4, 7, 11};
    else if (q == "m7")
        iv = {0, 3, 7, 10};
    else if (q == "m9")
        iv = {0, 3, 7, 10, 14};
    else if (q == "maj9")
        iv = {0, 4, 7, 11, 14};
    else if (q == "9")
        iv = {0, 4, 7, 10, 14};
    else if (q == "sus4")
        iv = {0, 5, 7};
    else if (q == "sus2")
        iv = {0, 2, 7};
    else if (q == "7sus4")
        iv = {0, 5, 7, 10};
    else if (q == "dim")
        iv = {0, 3, 6};
    else if (q == "m7b5")
        iv = {0, 3, 6, 10};
    else if (q == "aug")
        iv = {0, 4, 8};
    else if (q == "add9")
        iv = {0, 4, 7, 14};
    else if (q == "madd9")
        iv = {0, 3, 7, 14};
    else if (q == "6")
        iv = {0, 4, 7, 9};
    else if (q == "m6")
        iv = {0, 3, 7, 9};
    else if (q == "5")
        iv = {0, 7, 12};
    else
        throw std::runtime_error("unknown chord quality: " + std::string(q));
    Chord c;
    int r = low + ((root - low) % 12 + 12) % 12;
    for (int v : iv) {
        c.tones.push_back(r + v);
    }
    c.bass = bassPart.empty() ? root : pitchClass(bassPart, used);
    return c;
}

}  // namespace gen
