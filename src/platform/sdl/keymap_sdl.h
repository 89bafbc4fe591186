// Physical keys of the SDL keyboard as the virtual keys the game asks about.
#pragma once

#include <SDL.h>

#include "base/settings.h"

namespace sdlplat {

// The key code (platform/events.h) of a physical key, by its position on the
// keyboard whatever the layout, or 0 for a key the game does not read. The two
// Shift keys come out as VK_LSHIFT and VK_RSHIFT, which the key state joins
// into VK_SHIFT. The keypad's 4, 6, 8 and 2 are the arrows while Num Lock is
// off, and its Enter is Return.
int VirtualKeyForScancode(SDL_Scancode scancode, bool numLock);

// Moves the game's bindable keys to the physical keys the settings name
// (names SDL knows, checked before: see settings::CheckKeys).
void BindKeys(const settings::Settings& s);

// Posts an SDL_KEYDOWN or SDL_KEYUP of a key the game reads as a key event;
// a repeat of a held key is no event, and any other SDL event is left alone.
void TranslateKeyEvent(const SDL_Event& event);

}  // namespace sdlplat
