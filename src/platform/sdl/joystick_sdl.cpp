// The joysticks, through SDL's joystick API: raw axes and the first four
// buttons of each opened stick. The game does its own scaling and dead zone.
#include <SDL.h>

#include <vector>

#include "platform/platform.h"
#include "platform/sdl/sdl_internal.h"

namespace {

struct Slot {
    SDL_Joystick* joystick = nullptr;  // null while unplugged or never opened
    SDL_JoystickGUID guid{};           // to know it again when it comes back
    bool used = false;                 // opened by the game and not yet closed
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
    if (s.joystick) {
        SDL_JoystickClose(s.joystick);
        s.joystick = nullptr;
    }
}

// Looks among the attached sticks for the one the slot lost: the same kind of
// device, not already held by another slot.
bool FindAgain(Slot& s) {
    if (s.joystick && SDL_JoystickGetAttached(s.joystick)) {
        return true;
    }
    Forget(s);
    const int count = SDL_NumJoysticks();
    for (int device = 0; device < count; ++device) {
        if (!SameGuid(SDL_JoystickGetDeviceGUID(device), s.guid) ||
            InUse(SDL_JoystickGetDeviceInstanceID(device))) {
            continue;
        }
        s.joystick = SDL_JoystickOpen(device);
        if (s.joystick) {
            return true;
        }
    }
    return false;
}

}  // namespace

namespace plat {

bool JoyInit() {
    if (started) {
        return true;
    }
    if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) != 0) {
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
    return count < 0 ? -1 : count;
}

bool JoyOpen(int device, int slot) {
    if (!started || slot < 0 || device < 0 || device >= SDL_NumJoysticks()) {
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
    SDL_Joystick* joystick = SDL_JoystickOpen(device);
    if (!joystick) {
        return false;
    }
    s.joystick = joystick;
    s.guid = SDL_JoystickGetGUID(joystick);
    s.used = true;
    return true;
}

JoyResult JoyRead(int slot, JoyRaw* out) {
    Slot* s = SlotAt(slot);
    if (!s) {
        return JoyResult::Failed;
    }
    // The game asks between event pumps too, so bring the state up to date.
    SDL_JoystickUpdate();
    if (!s->joystick || !SDL_JoystickGetAttached(s->joystick)) {
        return JoyResult::Lost;
    }
    // A stick without a second axis or with fewer buttons reads the missing
    // ones as centred and released.
    const int axes = SDL_JoystickNumAxes(s->joystick);
    const int buttons = SDL_JoystickNumButtons(s->joystick);
    out->x = axes > 0 ? SDL_JoystickGetAxis(s->joystick, 0) : 0;
    out->y = axes > 1 ? SDL_JoystickGetAxis(s->joystick, 1) : 0;
    for (int i = 0; i < 4; ++i) {
        out->buttons[i] = i < buttons ? SDL_JoystickGetButton(s->joystick, i) : 0;
    }
    return JoyResult::Ok;
}

bool JoyReacquire(int slot) {
    Slot* s = SlotAt(slot);
    if (!s) {
        return false;
    }
    SDL_JoystickUpdate();
    return FindAgain(*s);
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
        SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
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
    // A stick that comes back is taken up by the next read's recovery step;
    // opening it here would only do the same work earlier.
}

}  // namespace sdlplat
