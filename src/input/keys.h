// The key state the scenes query: "down now" and "pressed since the previous
// query of that key", kept per key code from the key events the game is handed.
#pragma once

#include <cstdint>

#include "platform/events.h"

// Bit 15 set: the key is down now. Bit 0 set: it was pressed since the
// previous query of this key; the query clears that bit.
uint16_t GetAsyncKeyState(int vk);

// Fed by the platform. A repeat of a key already down is not a new press.
void KeyEvent(int vk, bool down);
// Lets go of every key (focus lost).
void ReleaseAllKeys();
