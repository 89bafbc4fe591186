// The key state the scenes query: "down now" and "pressed since the previous
// query of that key", kept per virtual-key code from the platform's key events.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

constexpr int VK_RETURN = 0x0D;
constexpr int VK_SHIFT = 0x10;
constexpr int VK_ESCAPE = 0x1B;
constexpr int VK_LEFT = 0x25;
constexpr int VK_UP = 0x26;
constexpr int VK_RIGHT = 0x27;
constexpr int VK_DOWN = 0x28;
constexpr int VK_B = 'B';
constexpr int VK_C = 'C';
constexpr int VK_M = 'M';
constexpr int VK_V = 'V';
constexpr int VK_X = 'X';
constexpr int VK_Z = 'Z';
// The two Shift keys one by one; VK_SHIFT reads as down while either is.
constexpr int VK_LSHIFT = 0xA0;
constexpr int VK_RSHIFT = 0xA1;

// Bit 15 set: the key is down now. Bit 0 set: it was pressed since the
// previous query of this key; the query clears that bit.
uint16_t GetAsyncKeyState(int vk);

// Fed by the platform. A repeat of a key already down is not a new press.
void KeyEvent(int vk, bool down);
// Lets go of every key (focus lost).
void ReleaseAllKeys();

// The names input scripts and recordings give the game's keys ("Left", "Z",
// "Shift", ...). KeyName gives null for a key without one, KeyFromName 0 for
// a name that is no key; KeyNameList is every name, for messages.
const char* KeyName(int vk);
int KeyFromName(std::string_view name);
std::string KeyNameList();
