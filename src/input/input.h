// Input devices (up to two joysticks, the keyboard) and the per-frame reading
// of one direction code and one button code.
#pragma once

#include <cstdint>

struct JoyState {
    int32_t lX = 0, lY = 0;  // -1000..1000 after the dead zone
    uint8_t rgbButtons[4] = {0, 0, 0, 0};
};

extern int nJoystickLimit;
extern int nJoystick;

int InitDirectInput();
int InitKeyboard();
int InitJoystick(int maximum);
void ReleaseKeyboard();
void ReleaseJoystick(int index);
void ReleaseInput();

int ReadJoyState(JoyState* state, int index);
int GetJoyDirection(int8_t index);
int GetJoyButton(int8_t index);
int GetKeyDirection(int right, int left, int up, int down);

// One key of a scene's button table and the code it gives.
struct ButtonKey {
    int vk;
    int code;
};

// The frame input reading every scene runs: joystick 0 first, then the arrow
// keys, then every key of the scene's table in its order.
void ReadFrameInput(const ButtonKey* keys, int count, int* direction, int* button);
