// The joysticks, through SDL. A pad whose layout SDL knows (its own database,
// or a mapping the player gives in SDL_GAMECONTROLLERCONFIG) is read through
// the game-controller layer, so that buttons 1 to 4 are the south, east, west
// and north face buttons on every make of pad and the D-pad steers; any other
// stick gives its first two axes and first four buttons as they come. The game
// does its own scaling and dead zone.
//
// There are always two places, whether or not anything is plugged in. A place
// with nothing in it reads as unplugged, so the game's own recovery of a lost
// stick is what takes up a pad plugged in while it runs.
#include <SDL.h>

#include <algorithm>
#include <vector>

#include "platform/platform.h"
#include "platform/sdl/sdl_internal.h"
#include "platform/tap.h"

namespace {

// As many places as the game ever sets up.
constexpr int Places = 2;
// A D-pad direction reads as the stick pushed fully that way.
constexpr Sint16 FullPush = 32767;
// The game's buttons 1 to 4: confirm on the south face button, cancel on the
// east one, as players expect on any pad.
constexpr SDL_GameControllerButton FaceButtons[4] = {
    SDL_CONTROLLER_BUTTON_A, SDL_CONTROLLER_BUTTON_B, SDL_CONTROLLER_BUTTON_X,
    SDL_CONTROLLER_BUTTON_Y};

struct Slot {
    SDL_GameController* pad = nullptr;  // set when read through its layout
    SDL_Joystick* joystick = nullptr;   // null while unplugged or empty; the pad's own if a pad
    SDL_JoystickGUID guid{};            // of the last device held, to know it again
    bool known = false;                 // guid is set: something was held here once
    bool used = false;                  // opened by the game and not yet closed
};

std::vector<Slot> slots;
bool started = false;

bool SameGuid(const SDL_JoystickGUID& a, const SDL_JoystickGUID& b) {
    return SDL_memcmp(a.data, b.data, sizeof(a.data)) == 0;
}

bool InUse(SDL_JoystickID id) {
    for (const Slot& s : slots) {
        if (s.joystick && SDL_JoystickInstanceID(s.joystick) == id) {
            return true;
        }
    }
    return false;
}

Slot* SlotAt(int slot) {
    if (slot < 0 || slot >= static_cast<int>(slots.size()) || !slots[slot].used) {
        return nullptr;
    }
    return &slots[slot];
}

void Forget(Slot& s) {
    if (s.pad) {
        SDL_GameControllerClose(s.pad);
    } else if (s.joystick) {
        SDL_JoystickClose(s.joystick);
    }
    s.pad = nullptr;
    s.joystick = nullptr;
}

// Opens the attached device into the slot, through its layout where SDL has one.
bool Take(Slot& s, int device) {
    if (SDL_IsGameController(device)) {
        s.pad = SDL_GameControllerOpen(device);
        s.joystick = s.pad ? SDL_GameControllerGetJoystick(s.pad) : nullptr;
    } else {
        s.joystick = SDL_JoystickOpen(device);
    }
    if (!s.joystick) {
        Forget(s);
        return false;
    }
    s.guid = SDL_JoystickGetGUID(s.joystick);
    s.known = true;
    return true;
}

bool Free(int device) {
    return !InUse(SDL_JoystickGetDeviceInstanceID(device));
}

// Finds a device for a place that has none. Its own kind of device coming
// back comes first; any other free device only when no earlier place is
// waiting too, so that a pad plugged in goes to the first free place.
bool Claim(int index) {
    Slot& s = slots[index];
    const int count = SDL_NumJoysticks();
    if (s.known) {
        for (int device = 0; device < count; ++device) {
            if (SameGuid(SDL_JoystickGetDeviceGUID(device), s.guid) && Free(device) &&
                Take(s, device)) {
                return true;
            }
        }
    }
    for (int i = 0; i < index; ++i) {
        if (slots[i].used && !slots[i].joystick) {
            return false;
        }
    }
    for (int device = 0; device < count; ++device) {
        if (Free(device) && Take(s, device)) {
            return true;
        }
    }
    return false;
}

// One axis of a pad: a held D-pad direction is the stick pushed fully, and no
// stick goes further than that, so on its axis the D-pad wins.
Sint16 Steer(SDL_GameController* pad, SDL_GameControllerAxis axis, SDL_GameControllerButton minus,
             SDL_GameControllerButton plus) {
    const int dpad =
        SDL_GameControllerGetButton(pad, plus) - SDL_GameControllerGetButton(pad, minus);
    return dpad != 0 ? static_cast<Sint16>(dpad * FullPush) : SDL_GameControllerGetAxis(pad, axis);
}

void ReadPad(SDL_GameController* pad, plat::JoyRaw* out) {
    out->x = Steer(pad, SDL_CONTROLLER_AXIS_LEFTX, SDL_CONTROLLER_BUTTON_DPAD_LEFT,
                   SDL_CONTROLLER_BUTTON_DPAD_RIGHT);
    out->y = Steer(pad, SDL_CONTROLLER_AXIS_LEFTY, SDL_CONTROLLER_BUTTON_DPAD_UP,
                   SDL_CONTROLLER_BUTTON_DPAD_DOWN);
    for (int i = 0; i < 4; ++i) {
        out->buttons[i] = SDL_GameControllerGetButton(pad, FaceButtons[i]);
    }
}

void ReadStick(SDL_Joystick* joystick, plat::JoyRaw* out) {
    // A stick without a second axis or with fewer buttons reads the missing
    // ones as centred and released.
    const int axes = SDL_JoystickNumAxes(joystick);
    const int buttons = SDL_JoystickNumButtons(joystick);
    out->x = axes > 0 ? SDL_JoystickGetAxis(joystick, 0) : 0;
    out->y = axes > 1 ? SDL_JoystickGetAxis(joystick, 1) : 0;
    for (int i = 0; i < 4; ++i) {
        out->buttons[i] = i < buttons ? SDL_JoystickGetButton(joystick, i) : 0;
    }
}

}  // namespace

namespace plat {

bool JoyInit() {
    if (started) {
        return true;
    }
    // Face buttons by where they sit, not by what is printed on them, so that
    // confirm is the south button on a Nintendo pad too. A player's own
    // setting of this in the environment still wins.
    SDL_SetHint(SDL_HINT_GAMECONTROLLER_USE_BUTTON_LABELS, "0");
    // Starting the game-controller layer also reads SDL_GAMECONTROLLERCONFIG.
    if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0) {
        return false;
    }
    started = true;
    return true;
}

int JoyCount() {
    if (!started) {
        return -1;
    }
    const int count = SDL_NumJoysticks();
    return count < 0 ? -1 : std::max(count, Places);
}

bool JoyOpen(int device, int slot) {
    if (!started || slot < 0 || device < 0) {
        return false;
    }
    const int count = SDL_NumJoysticks();
    if (device >= std::max(count, Places)) {
        return false;
    }
    if (slot >= static_cast<int>(slots.size())) {
        slots.resize(slot + 1);
    }
    Slot& s = slots[slot];
    if (s.used) {
        Forget(s);
        s.used = false;
    }
    s.known = false;
    // Past the attached devices: an empty place, waiting for a pad.
    if (device < count && !Take(s, device)) {
        return false;
    }
    s.used = true;
    return true;
}

JoyResult JoyRead(int slot, JoyRaw* out) {
    Slot* s = SlotAt(slot);
    if (!s) {
        return JoyResult::Failed;
    }
    // The game steers by the first stick only; a playback steers it instead.
    if (tap::Playing()) {
        if (slot != 0) {
            return JoyResult::Lost;
        }
        tap::PlaybackJoystick(out);
        return JoyResult::Ok;
    }
    // The game asks between event pumps too, so bring the state up to date.
    SDL_JoystickUpdate();
    if (!s->joystick || !SDL_JoystickGetAttached(s->joystick)) {
        if (slot == 0) {
            tap::NoteJoystick(false, *out);
        }
        return JoyResult::Lost;
    }
    if (s->pad) {
        ReadPad(s->pad, out);
    } else {
        ReadStick(s->joystick, out);
    }
    if (slot == 0) {
        tap::NoteJoystick(true, *out);
    }
    return JoyResult::Ok;
}

bool JoyReacquire(int slot) {
    Slot* s = SlotAt(slot);
    if (!s) {
        return false;
    }
    SDL_JoystickUpdate();
    if (s->joystick && SDL_JoystickGetAttached(s->joystick)) {
        return true;
    }
    Forget(*s);
    return Claim(slot);
}

void JoyClose(int slot) {
    Slot* s = SlotAt(slot);
    if (!s) {
        return;
    }
    Forget(*s);
    s->used = false;
}

void JoyShutdown() {
    for (Slot& s : slots) {
        Forget(s);
    }
    slots.clear();
    if (started) {
        SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
        started = false;
    }
}

}  // namespace plat

namespace sdlplat {

void JoyDeviceEvent(const SDL_Event& event) {
    if (!started) {
        return;
    }
    if (event.type == SDL_JOYDEVICEREMOVED) {
        // Let go of the handle at once; the slot keeps what it needs to know
        // the stick again, and the next read reports it lost.
        for (Slot& s : slots) {
            if (s.joystick && SDL_JoystickInstanceID(s.joystick) == event.jdevice.which) {
                Forget(s);
            }
        }
    }
    // A device plugged in is taken up by the next read's recovery step, which
    // is also where a place left empty at start finds its pad.
}

}  // namespace sdlplat
