// What a back-end tells the game: one event type for all it has to say.
//
// A back-end turns what its platform says (keys, sticks, focus, the end of a
// piece of music, a close) into these and hands each to PostEvent, on the
// game's own thread and in the order they happened. The game keeps its key
// table, its message queue and its joystick reads from them alone.
#pragma once

#include <cstdint>

// The game's key codes (their classic virtual-key values). A back-end maps
// its platform's physical keys onto these.
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

namespace plat {

enum class EventKind : uint8_t {
    KeyDown,      // `key` went down (a key already held going down again is no event)
    KeyUp,        // `key` came up
    Joystick,     // the stick in `slot` is now as given
    FocusLost,    // the game stopped being the active application
    FocusGained,  // ... and became it again
    MusicEnd,     // the open piece of music played to its end, or was stopped
    Close,        // the window was closed from outside
};

struct Event {
    EventKind kind = EventKind::KeyDown;
    int key = 0;  // KeyDown, KeyUp: a VK_ code
    // Joystick: which opened stick, whether it is there at all, its axes on
    // the game's scale (-1000..1000, the dead zone applied) and four buttons.
    int slot = 0;
    bool attached = false;
    int x = 0, y = 0;
    uint8_t buttons[4] = {0, 0, 0, 0};
};

// Hands one event to the game. Implemented by the game, called by a back-end.
void PostEvent(const Event& event);

}  // namespace plat
