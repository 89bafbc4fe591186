// The joysticks, through SDL. A pad whose layout SDL knows (its own database,
// or a mapping the player gives in SDL_GAMECONTROLLERCONFIG) is read through
// the game-controller layer, so that buttons 1 to 4 are the south, east, west
// and north face buttons on every make of pad and the D-pad steers; any other
// stick gives its first two axes and first four buttons as they come. Either
// reaches the game on its scale, the inner half of the travel reading 0.
//
// There are always two places, whether or not anything is plugged in. A place
// with nothing in it reads as unplugged, so the game's own recovery of a lost
// stick is what takes up a pad plugged in while it runs.
#include <SDL.h>

#include <algorithm>
#include <iterator>
#include <vector>

#include "base/joyaxis.h"
#include "platform/platform.h"
#include "platform/sdl/sdl_internal.h"

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
    bool posted = false;                // `last` was posted to the game
    plat::Event last;                   // the state as the game heard it last
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

void ReadPad(SDL_GameController* pad, plat::Event* out) {
    out->x = ScaleJoyAxis(Steer(pad, SDL_CONTROLLER_AXIS_LEFTX, SDL_CONTROLLER_BUTTON_DPAD_LEFT,
                                SDL_CONTROLLER_BUTTON_DPAD_RIGHT));
    out->y = ScaleJoyAxis(Steer(pad, SDL_CONTROLLER_AXIS_LEFTY, SDL_CONTROLLER_BUTTON_DPAD_UP,
                                SDL_CONTROLLER_BUTTON_DPAD_DOWN));
    for (int i = 0; i < 4; ++i) {
        out->buttons[i] = SDL_GameControllerGetButton(pad, FaceButtons[i]) != 0 ? 1 : 0;
    }
}

void ReadStick(SDL_Joystick* joystick, plat::Event* out) {
    // A stick without a second axis or with fewer buttons reads the missing
    // ones as centred and released.
    const int axes = SDL_JoystickNumAxes(joystick);
    const int buttons = SDL_JoystickNumButtons(joystick);
    out->x = axes > 0 ? ScaleJoyAxis(SDL_JoystickGetAxis(joystick, 0)) : 0;
    out->y = axes > 1 ? ScaleJoyAxis(SDL_JoystickGetAxis(joystick, 1)) : 0;
    for (int i = 0; i < 4; ++i) {
        out->buttons[i] = i < buttons && SDL_JoystickGetButton(joystick, i) != 0 ? 1 : 0;
    }
}

bool SameState(const plat::Event& a, const plat::Event& b) {
    return a.attached == b.attached && a.x == b.x && a.y == b.y &&
           std::equal(std::begin(a.buttons), std::end(a.buttons), std::begin(b.buttons));
}

// Tells the game how the stick in `index` is now, unless it knows already.
void PostState(int index) {
    Slot& s = slots[static_cast<size_t>(index)];
    plat::Event e;
    e.kind = plat::EventKind::Joystick;
    e.slot = index;
    if (s.joystick && SDL_JoystickGetAttached(s.joystick)) {
        e.attached = true;
        if (s.pad) {
            ReadPad(s.pad, &e);
        } else {
            ReadStick(s.joystick, &e);
        }
    }
    if (s.posted && SameState(e, s.last)) {
        return;
    }
    s.posted = true;
    s.last = e;
    sdlplat::Post(e);
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
    s.posted = false;
    SDL_JoystickUpdate();
    PostState(slot);
    return true;
}

bool JoyReacquire(int slot) {
    Slot* s = SlotAt(slot);
    if (!s) {
        return false;
    }
    SDL_JoystickUpdate();
    if (!s->joystick || !SDL_JoystickGetAttached(s->joystick)) {
        Forget(*s);
        if (!Claim(slot)) {
            return false;
        }
    }
    PostState(slot);
    return true;
}

void JoyClose(int slot) {
    Slot* s = SlotAt(slot);
    if (!s) {
        return;
    }
    Forget(*s);
    s->used = false;
    s->posted = false;
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
        for (size_t i = 0; i < slots.size(); ++i) {
            Slot& s = slots[i];
            if (s.joystick && SDL_JoystickInstanceID(s.joystick) == event.jdevice.which) {
                Forget(s);
                if (s.used) {
                    PostState(static_cast<int>(i));
                }
            }
        }
    }
    // A device plugged in is taken up by the next read's recovery step, which
    // is also where a place left empty at start finds its pad.
}

void PostJoysticks() {
    if (!started) {
        return;
    }
    SDL_JoystickUpdate();
    for (size_t i = 0; i < slots.size(); ++i) {
        if (slots[i].used) {
            PostState(static_cast<int>(i));
        }
    }
}

}  // namespace sdlplat
