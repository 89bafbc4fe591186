#include "platform/sdl/keymap_sdl.h"

#include <array>
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

// The game key each physical key is bound to (0 for none). The letters go by
// where they sit, so that Z and X stay under the left hand on any layout,
// unless the player moves them.
std::array<uint8_t, SDL_NUM_SCANCODES> bound = [] {
    std::array<uint8_t, SDL_NUM_SCANCODES> table{};
    table[SDL_SCANCODE_LEFT] = VK_LEFT;
    table[SDL_SCANCODE_RIGHT] = VK_RIGHT;
    table[SDL_SCANCODE_UP] = VK_UP;
    table[SDL_SCANCODE_DOWN] = VK_DOWN;
    table[SDL_SCANCODE_Z] = VK_Z;
    table[SDL_SCANCODE_X] = VK_X;
    table[SDL_SCANCODE_C] = VK_C;
    table[SDL_SCANCODE_V] = VK_V;
    table[SDL_SCANCODE_B] = VK_B;
    table[SDL_SCANCODE_M] = VK_M;
    return table;
}();

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

void BindKeys(const settings::Settings& s) {
    // The game key each bindable setting stands for, in the settings' order.
    constexpr int GameKeys[settings::GameKeyCount] = {VK_UP, VK_DOWN, VK_LEFT, VK_RIGHT, VK_Z,
                                                      VK_X,  VK_C,    VK_V,    VK_B,     VK_M};
    bound.fill(0);
    for (size_t i = 0; i < settings::GameKeyCount; ++i) {
        const SDL_Scancode scancode = SDL_GetScancodeFromName(s.keys[i].c_str());
        if (scancode != SDL_SCANCODE_UNKNOWN) {
            bound[scancode] = static_cast<uint8_t>(GameKeys[i]);
        }
    }
}

int VirtualKeyForScancode(SDL_Scancode scancode, bool numLock) {
    if (const int arrow = KeypadArrow(scancode); arrow != 0) {
        return numLock ? 0 : arrow;
    }
    if (scancode < 0 || scancode >= SDL_NUM_SCANCODES) {
        return 0;
    }
    if (const int vk = bound[scancode]; vk != 0) {
        return vk;
    }
    switch (scancode) {
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
