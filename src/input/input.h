// Input devices (up to two joysticks, the keyboard) and the per-frame reading
// of one direction code and one button code.
#pragma once

#include <cstdint>

#include "base/joyaxis.h"

struct JoyState {
    int32_t lX = 0, lY = 0;  // -1000..1000 after the dead zone
    uint8_t rgbButtons[4] = {0, 0, 0, 0};
};

// The input service and its devices. lpDI: the joystick service is running
// (the keyboard needs no device: keys are read from the key state the window
// feeds). lpDIJoystick: one entry per joystick in use, true while its slot is
// open; allocated by InitJoystick with nJoystickLimit entries.
extern bool lpDI;
extern bool* lpDIJoystick;
extern int nJoystickLimit;
extern int nJoystick;

// How many joysticks start-up asks for.
constexpr int MaxJoysticks = 2;

// Start-up operations: 1 success, 0 failure.
int InitDirectInput();
int InitKeyboard();
int InitJoystick(int maximum);
void ReleaseKeyboard();
void ReleaseJoystick(int index);
void ReleaseInput();
// Back to no input service and no joysticks, as at start.
void ResetInput();

// What the enumeration callbacks answer.
constexpr int DIENUM_STOP = 0;
constexpr int DIENUM_CONTINUE = 1;
// Called once per attached joystick (0-based enumeration index) by InitJoystick.
int CountJoyCallback(int device, void* counter);
int CreateJoyCallback(int device, void* limit);

// ScaleJoyAxis and its inverse live in base/joyaxis.h.

// Direction codes are laid out as on a numeric keypad: 8 up, 2 down, 4 left,
// 6 right, the corners 7, 9, 1 and 3; the centre, 5, reads as 0.
constexpr int DirNone = 0;
constexpr int DirDown = 2;
constexpr int DirLeft = 4;
constexpr int DirRight = 6;
constexpr int DirUp = 8;

int ReadJoyState(JoyState* state, int index);
int GetJoyDirection(int8_t index);
int GetJoyButton(int8_t index);
int GetKeyDirection(int right, int left, int up, int down);

// One key of a scene's button table and the code it gives.
struct ButtonKey {
    int vk;
    int code;
};

// The scenes' button keys in the order they are queried.
extern const ButtonKey TitleKeys[6];
extern const ButtonKey PlayKeys[2];
extern const ButtonKey ResultKeys[4];
extern const ButtonKey EditorKeys[7];

// The frame input reading every scene runs: joystick 0 first, then the arrow
// keys, then every key of the scene's table in its order.
void ReadFrameInput(const ButtonKey* keys, int count, int* direction, int* button);
