// Background music: one MIDI file at a time, played from its beginning.
//
// Looping is not done here: the end of a piece reaches the window procedure
// as MM_MCINOTIFY, and it plays the piece again while the game is active.

#include "audio/music.h"

#include "platform/platform.h"

namespace {

// What the sequencer answered for a command sent to no open device.
constexpr int kNoDevice = 257;

bool midiOpen = false;

}  // namespace

void OpenMidi(const char* path) {
    midiOpen = path != nullptr && plat::MusicOpen(path);
    if (!midiOpen) {
        // Every failed open says so; the scene then runs without music.
        plat::MessageBox("オープン失敗", " ", true);
    }
}

int PlayMidi() {
    plat::MusicPlay();
    return midiOpen ? 0 : kNoDevice;
}

int PauseMidi() {
    plat::MusicPause();
    return midiOpen ? 0 : kNoDevice;
}

int CloseMidi() {
    plat::MusicClose();
    const int result = midiOpen ? 0 : kNoDevice;
    midiOpen = false;
    return result;
}
