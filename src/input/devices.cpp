// Bringing up the input service, the keyboard and the joysticks, and letting
// them go again at shut-down.
#include "input/input.h"
#include "platform/platform.h"

bool lpDI = false;
bool* lpDIJoystick = nullptr;
int nJoystickLimit = 0;
int nJoystick = 0;

namespace {

using EnumCallback = int (*)(int device, void* context);

// Offers every attached joystick to the callback until it says stop. False
// when the service cannot tell what is attached.
bool EnumJoysticks(EnumCallback callback, void* context) {
    const int count = plat::JoyCount();
    if (count < 0) {
        return false;
    }
    for (int device = 0; device < count; ++device) {
        if (callback(device, context) == DIENUM_STOP) {
            break;
        }
    }
    return true;
}

}  // namespace

int InitDirectInput() {
    lpDI = plat::JoyInit();
    return lpDI ? 1 : 0;
}

int InitKeyboard() {
    if (!lpDI) {
        return 0;
    }
    // Keys come from the key state the window feeds, so there is nothing to
    // open here; the step stays so that start-up reads the same as ever.
    return 1;
}

int CountJoyCallback(int /*device*/, void* counter) {
    ++*static_cast<int*>(counter);
    return DIENUM_CONTINUE;
}

int CreateJoyCallback(int device, void* limit) {
    const int lim = *static_cast<int*>(limit);
    // A joystick plugged in between counting and creating must not be put
    // past the end of the table.
    if (nJoystick >= lim) {
        return DIENUM_STOP;
    }
    if (!plat::JoyOpen(device, nJoystick)) {
        // Try the next one in the same slot.
        return DIENUM_CONTINUE;
    }
    lpDIJoystick[nJoystick] = true;
    ++nJoystick;
    return nJoystick < lim ? DIENUM_CONTINUE : DIENUM_STOP;
}

int InitJoystick(int maximum) {
    if (!lpDI || maximum < 0) {
        return 0;
    }
    int counter = 0;
    if (!EnumJoysticks(CountJoyCallback, &counter)) {
        return 0;
    }
    nJoystickLimit = counter < maximum ? counter : maximum;

    // A second set-up without a release in between starts from a fresh table.
    for (int i = 0; i < nJoystick; ++i) {
        ReleaseJoystick(i);
    }
    delete[] lpDIJoystick;
    lpDIJoystick = new bool[nJoystickLimit]();
    nJoystick = 0;

    if (!EnumJoysticks(CreateJoyCallback, &nJoystickLimit)) {
        return 0;
    }
    // The platform opens a joystick ready to read, on the game's own scale of
    // axes and dead zone, so there is nothing left to configure.
    return nJoystick < nJoystickLimit ? 0 : 1;
}

void ReleaseKeyboard() {}

void ReleaseJoystick(int index) {
    if (index < 0 || index >= nJoystick || !lpDIJoystick || !lpDIJoystick[index]) {
        return;
    }
    plat::JoyClose(index);
    lpDIJoystick[index] = false;
}

void ReleaseInput() {
    ReleaseKeyboard();
    for (int i = 0; i < nJoystick; ++i) {
        ReleaseJoystick(i);
    }
    delete[] lpDIJoystick;
    lpDIJoystick = nullptr;
    if (lpDI) {
        plat::JoyShutdown();
        lpDI = false;
    }
}

void ResetInput() {
    delete[] lpDIJoystick;
    lpDIJoystick = nullptr;
    lpDI = false;
    nJoystickLimit = 0;
    nJoystick = 0;
}
