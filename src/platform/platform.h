// The services the game needs from the outside world, as plain functions:
// what the game asks of a back-end. What a back-end tells the game comes the
// other way, as events (platform/events.h).
//
// An executable links exactly one implementation:
//   src/platform/sdl/     the real thing: SDL2 window, renderer, joysticks, SDL_mixer
//   src/platform/script/  a stand-in for tests and tessalune-headless: no window, no
//                         sound, a clock that only moves when the game waits on it.
// A back-end moves bytes and decides nothing the game decides.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "base/settings.h"
#include "platform/events.h"

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

// Where the program's own files are: the directory the executable is in
// (ending in '/'), or empty when the platform cannot tell.
std::string ProgramDirectory();
// The player's own directory for the game's files, made when missing (ending
// in '/'); empty with `*why` set when there is none.
std::string UserDataDirectory(std::string* why);

// ---- window and events -----------------------------------------------------

// Whether a display the player can see is there to open the window on. False
// after a message (standard error, and a box where one can be shown) when
// there is none, or only a driver that shows nothing; the program then ends.
bool DisplayReachable();

// The player's settings for the game's surroundings (volumes, the window, the
// keys, pause): none of them reaches the game. The back-end applies them,
// says on standard error which keys it cannot take (naming `where`, their
// file), and calls `changed` with the whole set when the player changes one
// (a volume key, Alt+Enter, the window's size), for it to be kept. Returns
// the settings as taken.
using SettingsChanged = void (*)(const settings::Settings&);
settings::Settings UseSettings(const settings::Settings& s, const std::string& where,
                               SettingsChanged changed);
// What the key of that name (a settings key name) is labelled on the keyboard
// in use, or empty where the platform cannot tell.
std::string KeyLabel(const std::string& name);

// How the window starts; the player switches with Alt+Enter afterwards.
// Called before CreateMainWindow, after UseSettings: the command line's
// choice for this start, over the settings' one.
enum class StartWindow { FullScreen, Window };
void ChooseStartWindow(StartWindow how);
// Creates the one game window, not yet visible. False when that is impossible.
bool CreateMainWindow(const char* title);
// Shows the window. A newly shown window is the active one: the game takes
// itself as active from here, and focus events come only when that changes.
void ShowMainWindow();
void DestroyMainWindow();
void HideCursor();

// Posts (PostEvent) whatever the outside world has had to say since the last
// call. PumpEvents never blocks; WaitEvents blocks until it has posted at
// least one event.
void PumpEvents();
void WaitEvents();

// ---- clock -----------------------------------------------------------------

// The 32-bit millisecond clock.
uint32_t GetTicks();
// Makes the clock read `ms` at its first look; otherwise it carries on from
// the platform's own clock.
void SetClockStart(uint32_t ms);
// Sleeps until the clock reads `tick`, waking at the start of that
// millisecond; returns at once when the clock is already there or past it.
void SleepUntilTick(uint32_t tick);

// Called by the frame step: once the wait is over (with the clock the frame
// starts at), and once the frame has been presented. A back-end may post the
// sticks' latest state here, so that the frame reads them as fresh as can be.
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

// Starts the joystick service; false when it cannot be started.
bool JoyInit();
// Number of attached joysticks, or -1 when enumeration fails.
int JoyCount();
// Opens the attached joystick `device` (0-based enumeration index) as `slot`.
// From then on, the stick's state reaches the game as Joystick events for the
// slot, the first at once: on the game's scale (-1000..1000, the inner half
// of the travel reading 0), and not attached while it is unplugged.
bool JoyOpen(int device, int slot);
// Tries to take the joystick of `slot` back after it was lost; on success its
// state has been posted before this returns.
bool JoyReacquire(int slot);
void JoyClose(int slot);
void JoyShutdown();

// ---- sound effects ---------------------------------------------------------

struct Sound;  // one playable buffer

// Opens the mixer: 44100 Hz, 16-bit, stereo, a small device buffer.
// 0 success, 1 audio service unavailable, 3 the device did not open,
// 4 the device refused the format.
int SoundOpen();
// A buffer from PCM samples of the given format, which the game has checked
// (formats::MixerTakesPcm); null on failure (no mixer, no memory).
Sound* SoundCreate(const void* pcm, size_t bytes, int channels, int rate, int bits);
// A second buffer sharing the samples of `src`, with its own play position.
Sound* SoundDuplicate(Sound* src);
// Plays from the start, cutting the buffer short if it still sounds.
int SoundPlay(Sound* s);
void SoundRelease(Sound* s);
void SoundClose();

// ---- music -----------------------------------------------------------------

// Stops and closes any open music, then opens the standard MIDI file held in
// `bytes` (checked by the game: formats::LooksLikeMidi). False when it cannot
// be played (none given, no synthesizer); then no music is open.
bool MusicOpen(const uint8_t* bytes, size_t size);
// Plays the open music from its beginning; when it ends (or is stopped) a
// MusicEnd event is posted. No music open: nothing.
void MusicPlay();
void MusicPause();
// Stops and closes the open music, if any.
void MusicClose();

}  // namespace plat
