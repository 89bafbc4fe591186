// The services the game needs from the outside world, as plain functions.
//
// Two implementations exist and an executable links exactly one of them:
//   src/platform/sdl/     the real thing: SDL2 window, renderer, joysticks, SDL_mixer
//   src/platform/script/  a scripted stand-in for tests and tessalune-headless: its clock,
//                         keys, joystick, focus and music end are driven from outside, and
//                         everything the game asks of it is recorded.
// Game code outside src/platform and src/gfx never includes SDL headers; it calls these.
#pragma once

#include <cstddef>
#include <cstdint>

namespace plat {

// ---- process ---------------------------------------------------------------

// The system-wide single-instance lock. Returns false when another copy holds it.
bool AcquireInstanceLock(const char* name);
void ReleaseInstanceLock();

// A message box with an OK button. The text and caption also go to standard error.
// Where no display can show a box, the program goes on as if OK was pressed.
// `owned` is false for the few boxes the game shows without an owner window.
// A box carries no icon but for the one that warns of a fault of our own
// (a display object left alive at shut-down), which carries the error icon.
enum class BoxIcon { None, Error };
void MessageBox(const char* text, const char* caption, bool owned, BoxIcon icon = BoxIcon::None);

// Releases what the platform itself still holds; called once after WinMain returns.
void Shutdown();

// ---- window and events -----------------------------------------------------

// Whether a display the player can see is there to open the window on. False
// after a message (standard error, and a box where one can be shown) when
// there is none, or only a driver that shows nothing; the program then ends.
bool DisplayReachable();

// How the window starts; the player switches with Alt+Enter afterwards.
// Called before CreateMainWindow; full screen unless told otherwise.
enum class StartWindow { FullScreen, Window };
void ChooseStartWindow(StartWindow how);
// Creates the one game window, not yet visible. False when that is impossible.
bool CreateMainWindow(const char* title);
// Shows the window. The window system then reports the application active.
void ShowMainWindow();
void DestroyMainWindow();
void HideCursor();

// Moves whatever the outside world has to say into the message queue
// (src/platform/messages.h): focus changes, Esc and other key-downs, end of
// music, close requests. PumpEvents never blocks; WaitEvents blocks until at
// least one message has been queued.
void PumpEvents();
void WaitEvents();

// ---- clock -----------------------------------------------------------------

// The 32-bit millisecond clock.
uint32_t GetTicks();
// Sleeps until the clock reads `tick`, waking at the start of that
// millisecond; returns at once when the clock is already there or past it.
void SleepUntilTick(uint32_t tick);

// Called by the frame step: once the wait is over (with the clock the frame
// starts at), and once the frame has been presented.
void FrameStarted(uint32_t clock);
void FrameEnded();

// ---- display ---------------------------------------------------------------

// Opens the display for a 640 x 480 frame. False when it cannot (no display).
bool DisplayOpen();
// Shows one finished 640 x 480 RGB565 frame (`pitch` in bytes). `rowsWritten`,
// where given, holds 480 flags: 0 for each row that is known to be as in the
// frame presented before (the rest may differ).
void DisplayPresent(const uint16_t* pixels, int pitch, const uint8_t* rowsWritten = nullptr);
// True once after the renderer reported that its device or targets were reset:
// the game then treats its surfaces as lost.
bool DisplayTakeReset();
void DisplayClose();

// ---- joysticks -------------------------------------------------------------

struct JoyRaw {
    int16_t x = 0, y = 0;  // raw axes, -32768..32767
    uint8_t buttons[4] = {0, 0, 0, 0};
};
enum class JoyResult { Ok, Lost, Failed };

// Starts the joystick service; false when it cannot be started.
bool JoyInit();
// Number of attached joysticks, or -1 when enumeration fails.
int JoyCount();
// Opens the attached joystick `device` (0-based enumeration index) as `slot`.
bool JoyOpen(int device, int slot);
// Reads the state of the joystick in `slot`. Lost: it was unplugged.
JoyResult JoyRead(int slot, JoyRaw* out);
// Tries to take the joystick of `slot` back after it was lost.
bool JoyReacquire(int slot);
void JoyClose(int slot);
void JoyShutdown();

// ---- sound effects ---------------------------------------------------------

struct Sound;  // one playable buffer

// Opens the mixer: 44100 Hz, 16-bit, stereo, a small device buffer.
// 0 success, 1 audio service unavailable, 3 the device did not open,
// 4 the device refused the format.
int SoundOpen();
// A buffer from PCM samples of the given format; null on failure (no mixer,
// unconvertible format). `tag` names it in recordings ("move", "hit0", ...).
Sound* SoundCreate(const void* pcm, size_t bytes, int channels, int rate, int bits,
                   const char* tag);
// A second buffer sharing the samples of `src`, with its own play position.
Sound* SoundDuplicate(Sound* src, const char* tag);
// Plays from the start, cutting the buffer short if it still sounds.
int SoundPlay(Sound* s);
void SoundRelease(Sound* s);
void SoundClose();

// ---- music -----------------------------------------------------------------

// Opens a MIDI file (path as the game names it, '/' separated). False on failure.
bool MusicOpen(const char* path);
// Plays the open music from its beginning; when it ends (or is stopped) the
// message MM_MCINOTIFY reaches the window procedure. No music open: nothing.
void MusicPlay();
void MusicPause();
// Stops and closes the open music, if any.
void MusicClose();

}  // namespace plat
