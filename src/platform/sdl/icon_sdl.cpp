// The window's icon: the desktop icon, drawn by the generator at build time and
// built into the program, so the window has it wherever the program runs from.
#include <iterator>

#include "platform/sdl/sdl_internal.h"

namespace {

constexpr int IconSize = 64;
constexpr Uint32 IconPixels[] = {
#include "icon_pixels.inc"
};
static_assert(std::size(IconPixels) == IconSize * IconSize, "the icon is 64 x 64 pixels");

}  // namespace

void sdlplat::SetWindowIcon(SDL_Window* window) {
    // SDL copies the pixels; the surface only lends them for the call.
    SDL_Surface* icon =
        SDL_CreateRGBSurfaceWithFormatFrom(const_cast<Uint32*>(IconPixels), IconSize, IconSize, 32,
                                           IconSize * 4, SDL_PIXELFORMAT_ARGB8888);
    if (icon == nullptr) {
        return;  // a window without its icon still plays
    }
    SDL_SetWindowIcon(window, icon);
    SDL_FreeSurface(icon);
}
