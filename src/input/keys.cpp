#include "input/keys.h"

namespace {
constexpr int KeyCount = 256;
constexpr uint16_t DownBit = 0x8000;
constexpr uint16_t PressedBit = 0x0001;

// Whether each key is held now, and whether it went down since it was last
// asked about.
bool held[KeyCount];
bool pressed[KeyCount];

bool Valid(int vk) {
    return vk >= 0 && vk < KeyCount;
}

// Shift is one key to the game but two under the player's hands: it stays
// down until the last of them is let go.
bool IsDown(int vk) {
    if (vk == VK_SHIFT) {
        return held[VK_SHIFT] || held[VK_LSHIFT] || held[VK_RSHIFT];
    }
    return held[vk];
}
}  // namespace

uint16_t GetAsyncKeyState(int vk) {
    if (!Valid(vk)) {
        return 0;
    }
    uint16_t state = IsDown(vk) ? DownBit : 0;
    if (pressed[vk]) {
        state |= PressedBit;
    }
    pressed[vk] = false;
    return state;
}

void KeyEvent(int vk, bool down) {
    if (!Valid(vk)) {
        return;
    }
    if (!down) {
        held[vk] = false;
        return;
    }
    // A repeat of a key that is already down is not a new press.
    if (held[vk]) {
        return;
    }
    held[vk] = true;
    pressed[vk] = true;
    if (vk == VK_LSHIFT || vk == VK_RSHIFT) {
        pressed[VK_SHIFT] = true;
    }
}

void ReleaseAllKeys() {
    // Whatever happened before the focus went belongs to that time: the game
    // comes back to a keyboard with nothing down and nothing pending.
    for (int vk = 0; vk < KeyCount; ++vk) {
        held[vk] = false;
        pressed[vk] = false;
    }
}
