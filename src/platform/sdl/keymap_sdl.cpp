#include "platform/sdl/keymap_sdl.h"

#include <cstdint>

#include "platform/events.h"
#include "platform/sdl/sdl_internal.h"

namespace sdlplat {

namespace {

// The game's key each physical key went down as (0 for none), so that letting
// go of it lets go of the same key even if Num Lock changed in between.
struct Down {
    bool seen = false;
    uint8_t vk = 0;
};
Down downAs[SDL_NUM_SCANCODES];

// The keypad's arrows, which are arrows only while Num Lock is off.
int KeypadArrow(SDL_Scancode scancode) {
    switch (scancode) {
        case SDL_SCANCODE_KP_4:
            return VK_LEFT;
        case SDL_SCANCODE_KP_6:
            return VK_RIGHT;
        case SDL_SCANCODE_KP_8:
            return VK_UP;
        case SDL_SCANCODE_KP_2:
            return VK_DOWN;
        default:
            return 0;
    }
}

}  // namespace

int VirtualKeyForScancode(SDL_Scancode scancode, bool numLock) {
    if (const int arrow = KeypadArrow(scancode); arrow != 0) {
        return numLock ? 0 : arrow;
    }
    switch (scancode) {
        case SDL_SCANCODE_LEFT:
            return VK_LEFT;
        case SDL_SCANCODE_RIGHT:
            return VK_RIGHT;
        case SDL_SCANCODE_UP:
            return VK_UP;
        case SDL_SCANCODE_DOWN:
            return VK_DOWN;
        // The letters by where they sit, so that Z and X stay under the left
        // hand on any layout.
        case SDL_SCANCODE_Z:
            return VK_Z;
        case SDL_SCANCODE_X:
            return VK_X;
        case SDL_SCANCODE_C:
            return VK_C;
        case SDL_SCANCODE_V:
            return VK_V;
        case SDL_SCANCODE_B:
            return VK_B;
        case SDL_SCANCODE_M:
            return VK_M;
        case SDL_SCANCODE_RETURN:
        case SDL_SCANCODE_KP_ENTER:
            return VK_RETURN;
        case SDL_SCANCODE_LSHIFT:
            return VK_LSHIFT;
        case SDL_SCANCODE_RSHIFT:
            return VK_RSHIFT;
        case SDL_SCANCODE_ESCAPE:
            return VK_ESCAPE;
        default:
            return 0;
    }
}

void TranslateKeyEvent(const SDL_Event& event) {
    if (event.type != SDL_KEYDOWN && event.type != SDL_KEYUP) {
        return;
    }
    const int scancode = event.key.keysym.scancode;
    if (scancode < 0 || scancode >= SDL_NUM_SCANCODES) {
        return;
    }
    const bool down = event.type == SDL_KEYDOWN;
    // The key state already takes a repeat of a held key for no new press,
    // but a repeat whose key-down we never saw (the key was held when the
    // window got the focus) must not become one either.
    if (down && event.key.repeat) {
        return;
    }
    int vk =
        VirtualKeyForScancode(event.key.keysym.scancode, (event.key.keysym.mod & KMOD_NUM) != 0);
    Down& d = downAs[scancode];
    if (down) {
        d = {true, static_cast<uint8_t>(vk)};
    } else if (d.seen) {
        vk = d.vk;
        d = {};
    }
    if (vk == 0) {
        return;
    }
    plat::Event e;
    e.kind = down ? plat::EventKind::KeyDown : plat::EventKind::KeyUp;
    e.key = vk;
    Post(e);
}

}  // namespace sdlplat
