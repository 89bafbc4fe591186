// Background music: one MIDI file at a time, played from its beginning.
//
// Looping is not done here: the end of a piece reaches the window procedure
// as MM_MCINOTIFY, and it plays the piece again while the game is active.

#include "audio/music.h"

#include <string>
#include <vector>

#include "base/formats.h"
#include "base/frames.h"
#include "base/plainfile.h"
#include "platform/platform.h"

namespace {

// What the sequencer answered for a command sent to no open device.
constexpr int kNoDevice = 257;

bool midiOpen = false;

}  // namespace

std::vector<unsigned char> ReadMidi(const char* path) {
    std::vector<unsigned char> file;
    if (path == nullptr || !ReadPlainFile(path, formats::MaxMidiBytes + 1, &file) ||
        file.size() > formats::MaxMidiBytes || !formats::LooksLikeMidi(file.data(), file.size())) {
        file.clear();
    }
    return file;
}

void OpenMidi(const char* path) {
    frames::NoteMusic(std::string("open ") + (path != nullptr ? path : ""));
    const std::vector<unsigned char> file = ReadMidi(path);
    // Opening always stops what played before, even when nothing new can open.
    midiOpen = plat::MusicOpen(file.empty() ? nullptr : file.data(), file.size());
    if (!midiOpen) {
        // Every failed open says so; the scene then runs without music.
        frames::NoteMessage("オープン失敗", " ", {});
        plat::MessageBox("オープン失敗", " ", true);
    }
}

int PlayMidi() {
    frames::NoteMusic("play");
    plat::MusicPlay();
    return midiOpen ? 0 : kNoDevice;
}

int PauseMidi() {
    frames::NoteMusic("pause");
    plat::MusicPause();
    return midiOpen ? 0 : kNoDevice;
}

int CloseMidi() {
    frames::NoteMusic("close");
    plat::MusicClose();
    const int result = midiOpen ? 0 : kNoDevice;
    midiOpen = false;
    return result;
}

void ResetMusic() {
    midiOpen = false;
}
