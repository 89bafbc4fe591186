// Control of the scripted platform, for tests and tessalune-headless.
//
// The scripted platform has no window, no sound device and no real time. Its
// clock only moves when the game waits on it. Events are given per frame
// number (frame 0 is the first call of FrameStep) and are applied just before
// the message loop decides to run that frame. Everything the game asks of the
// platform (sounds, music commands, message boxes) is recorded per frame.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/script_text.h"

namespace script {

// Back to a fresh platform: clock 0, no events, no joystick, no faults,
// empty recordings, frame count 0. Also clears the message queue and keys.
void Reset();
void SetClock(uint32_t ms);
uint32_t Clock();

void AddEvent(const Event& event);
// Parses the runner's --input format (see platform/script_text.h) and adds its
// events; false with a message naming the line. `header`, when given, gets
// what a recording's first line says.
bool ParseScript(const std::string& text, std::string* error, ScriptHeader* header = nullptr);
// The frame of the latest event given (0 when there is none).
int LastEventFrame();
// After this many frames the platform closes the game as Esc would; 0 closes
// it before the first frame, a negative number (the default) never.
void SetFrameLimit(int frames);
// Frames presented so far; during frame F (and in its hooks) this is F.
int FramesRun();

// Called before frame F is run (after its events were applied) and after it
// was presented.
void SetBeforeFrame(std::function<void(int frame)> hook);
void SetAfterFrame(std::function<void(int frame)> hook);

// How a message box was shown besides its text and caption.
struct BoxStyle {
    bool owned = true;       // with the main window as its owner
    bool errorIcon = false;  // with the error icon
    bool operator==(const BoxStyle&) const = default;
};

struct Record {
    uint32_t clock = 0;  // the clock when the frame began, after its wait
    std::vector<std::string> sounds;
    std::vector<std::string> music;
    std::vector<std::pair<std::string, std::string>> messages;  // text, caption
    std::vector<BoxStyle> boxStyles;                            // one for each of `messages`
};
// What was recorded since the previous call (for the runner: one frame).
Record TakeRecord();
// Everything recorded since Reset, never cleared by TakeRecord (for tests).
const Record& AllRecorded();

// The last presented frame, 640 x 480 RGB565 (empty before the first present).
const std::vector<uint16_t>& LastPresented();

// Faults a test can inject before the game starts.
struct Faults {
    bool lockHeld = false;      // another copy holds the single-instance lock
    bool windowFails = false;   // the window cannot be created
    bool displayFails = false;  // DisplayOpen fails
    int soundOpenResult = 0;    // what SoundOpen returns
    bool joyInitFails = false;
    bool joyCountFails = false;
    int joyOpenFailures = 0;  // the first N JoyOpen calls fail
};
Faults& InjectedFaults();
// The next DisplayTakeReset reports a reset (surfaces count as lost).
void TriggerDisplayReset();
// Whether the music would be sounding now, and which file is open.
bool MusicPlaying();
std::string MusicOpenPath();

// The state of the other stand-ins, for tests.
bool WindowOpen();
std::string WindowTitle();
bool CursorHidden();
bool LockHeld();
bool DisplayIsOpen();
// Sound buffers alive now, and releases of a buffer that was not alive
// (released twice, or never made here). The latter must stay 0.
int LiveSounds();
int BadSoundReleases();

}  // namespace script
