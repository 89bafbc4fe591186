#include "platform/keys.h"

namespace {
constexpr int KeyCount = 256;
constexpr uint16_t DownBit = 0x8000;
constexpr uint16_t PressedBit = 0x0001;

uint16_t keyState[KeyCount];
}  // namespace

uint16_t GetAsyncKeyState(int vk) {
    if (vk < 0 || vk >= KeyCount) {
        return 0;
    }
    const uint16_t state = keyState[vk];
    keyState[vk] &= static_cast<uint16_t>(~PressedBit);
    return state;
}

void KeyEvent(int vk, bool down) {
    if (vk < 0 || vk >= KeyCount) {
        return;
    }
    if (down) {
        // A repeat of a key that is already down is not a new press.
        if (!(keyState[vk] & DownBit)) {
            keyState[vk] = DownBit | PressedBit;
        }
    } else {
        keyState[vk] &= static_cast<uint16_t>(~DownBit);
    }
}

void ReleaseAllKeys() {
    for (auto& k : keyState) {
        k &= static_cast<uint16_t>(~DownBit);
    }
}
