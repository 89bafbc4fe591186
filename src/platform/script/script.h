// Control of the scripted platform, for tests and tessalune-headless.
//
// The scripted platform has no window, no sound device and no real time. Its
// clock only moves when the game waits on it. It posts no events of its own
// but a stick's state when one is opened: what the game is handed comes from
// outside (a replayed script, a test), through the game's event stream.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace script {

// Back to a fresh platform: clock 0, no joystick, no faults, nothing open.
void Reset();
void SetClock(uint32_t ms);
uint32_t Clock();
// Moves the clock on to the due time of frame `frame` on the game's
// schedule, counted from the first frame (not back): time passing while the
// game is inactive and no frame runs.
void AdvanceClockToFrame(int frame);

// Whether a joystick is plugged in (one, as device 0) when the game looks.
void AttachJoystick(bool attached);

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
// Whether the music would be sounding now.
bool MusicPlaying();

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
