// One direction code and one button code per frame, from joystick 0, the
// arrow keys and the scene's own button keys.
#include <algorithm>
#include <cstdlib>
#include <iterator>

#include "input/events.h"
#include "input/input.h"
#include "input/keys.h"
#include "platform/platform.h"

const ButtonKey TitleKeys[6] = {{VK_Z, 1},     {VK_RETURN, 1}, {VK_X, 2},
                                {VK_SHIFT, 2}, {VK_C, 3},      {VK_M, 10}};
const ButtonKey PlayKeys[2] = {{VK_Z, 1}, {VK_RETURN, 1}};
const ButtonKey ResultKeys[4] = {{VK_Z, 1}, {VK_RETURN, 1}, {VK_X, 2}, {VK_SHIFT, 2}};
const ButtonKey EditorKeys[7] = {{VK_Z, 1}, {VK_RETURN, 1}, {VK_X, 2}, {VK_SHIFT, 2},
                                 {VK_C, 3}, {VK_V, 4},      {VK_B, 5}};

namespace {

// The stick has to be pushed past this, either way, to count.
constexpr int AxisThreshold = 700;
// The value a key state gives when the key is down now.
constexpr uint16_t KeyDown = 0x8000;

}  // namespace

int ReadJoyState(JoyState* state, int index) {
    if (index < 0 || index >= nJoystick || !lpDIJoystick || !lpDIJoystick[index]) {
        return 0;
    }
    events::Stick stick = events::StickAt(index);
    if (!stick.attached) {
        // Unplugged: one try at taking it back, and one more read.
        if (!plat::JoyReacquire(index)) {
            return 0;
        }
        stick = events::StickAt(index);
        if (!stick.attached) {
            return 0;
        }
    }
    state->lX = stick.x;
    state->lY = stick.y;
    std::copy(std::begin(stick.buttons), std::end(stick.buttons), state->rgbButtons);
    return 1;
}

int GetJoyDirection(int8_t index) {
    if (index >= nJoystickLimit) {
        return 0;
    }
    JoyState state;
    if (!ReadJoyState(&state, index)) {
        return 0;
    }
    int direction = 5;
    if (state.lX < -AxisThreshold) {
        direction -= 1;
    }
    if (state.lX > AxisThreshold) {
        direction += 1;
    }
    if (state.lY < -AxisThreshold) {
        direction += 3;
    }
    if (state.lY > AxisThreshold) {
        direction -= 3;
    }
    return direction == 5 ? 0 : direction;
}

int GetJoyButton(int8_t index) {
    if (index >= nJoystickLimit) {
        return 0;
    }
    JoyState state;
    if (!ReadJoyState(&state, index)) {
        return 0;
    }
    // Later buttons overwrite earlier ones: the highest held one wins.
    int button = 0;
    for (int i = 0; i < 4; ++i) {
        if (state.rgbButtons[i]) {
            button = i + 1;
        }
    }
    return button;
}

int GetKeyDirection(int right, int left, int up, int down) {
    int direction = 5;
    if (left == 1) {
        direction -= 1;
    }
    if (right == 1) {
        direction += 1;
    }
    if (up == 1) {
        direction += 3;
    }
    if (down == 1) {
        direction -= 3;
    }
    return direction == 5 ? 0 : direction;
}

void ReadFrameInput(const ButtonKey* keys, int count, int* direction, int* button) {
    int dir = GetJoyDirection(0);
    int btn = GetJoyButton(0);

    const int right = (GetAsyncKeyState(VK_RIGHT) & KeyDown) ? 1 : 0;
    const int left = (GetAsyncKeyState(VK_LEFT) & KeyDown) ? 1 : 0;
    const int up = (GetAsyncKeyState(VK_UP) & KeyDown) ? 1 : 0;
    const int down = (GetAsyncKeyState(VK_DOWN) & KeyDown) ? 1 : 0;
    // A stick that is pushed shuts the arrows out; the two never mix.
    if (dir == 0) {
        dir = GetKeyDirection(right, left, up, down);
    }

    // Every key is asked every frame, so that a tap is used up in the frame
    // it belongs to even when something earlier already gave the button.
    for (int i = 0; i < count; ++i) {
        if (GetAsyncKeyState(keys[i].vk) != 0 && btn == 0) {
            btn = keys[i].code;
        }
    }
    *direction = dir;
    *button = btn;
}
