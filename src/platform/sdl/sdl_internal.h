// What the pieces of the SDL back-end share among themselves.
#pragma once

#include <SDL.h>

#include "platform/events.h"

namespace sdlplat {

// The SDL window, or null before CreateMainWindow / after DestroyMainWindow.
SDL_Window* Window();

// Gives the window the game's icon.
void SetWindowIcon(SDL_Window* window);

// The user event type that the music's end posts from the audio thread; the
// event pump turns it into MM_MCINOTIFY. Registered on first use.
Uint32 MusicEndEventType();

// Called by the event pump for SDL_JOYDEVICEADDED / SDL_JOYDEVICEREMOVED.
void JoyDeviceEvent(const SDL_Event& event);
// Posts the state of every open stick that changed since it was last posted.
void PostJoysticks();

// The player's effects volume, 0 (silence) to 100.
void SetSoundVolume(int percent);
// Pauses (true) or resumes every sound, effects and music, where it stands.
void HoldSound(bool hold);

// The clock stands still while held (the player paused): the game's frames
// go on after a pause as if it had not been, with no frames to catch up.
void HoldClock(bool hold);

// Hands an event to the game (every event a back-end file posts goes here,
// so that a wait knows something came).
void Post(const plat::Event& event);

}  // namespace sdlplat
