#include "platform/sdl/keymap_sdl.h"

#include "platform/keys.h"

namespace sdlplat {

int VirtualKeyForScancode(SDL_Scancode scancode) {
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

int TranslateKeyEvent(const SDL_Event& event) {
    if (event.type != SDL_KEYDOWN && event.type != SDL_KEYUP) {
        return 0;
    }
    const int vk = VirtualKeyForScancode(event.key.keysym.scancode);
    if (vk == 0) {
        return 0;
    }
    const bool down = event.type == SDL_KEYDOWN;
    // The key state already takes a repeat of a held key for no new press,
    // but a repeat whose key-down we never saw (the key was held when the
    // window got the focus) must not become one either.
    if (down && event.key.repeat) {
        return 0;
    }
    KeyEvent(vk, down);
    return down ? vk : 0;
}

}  // namespace sdlplat
