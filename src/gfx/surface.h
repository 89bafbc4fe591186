// What the pieces of the graphics subsystem share among themselves: the
// surface record itself. Nothing outside src/gfx sees inside a Surface.
#pragma once

#include <SDL.h>

#include <cstdint>

struct DisplayService;

struct Surface {
    SDL_Surface* pixels = nullptr;    // always SDL_PIXELFORMAT_RGB565
    bool keyed = false;               // source colour key 0 (the picture surfaces)
    bool lost = false;                // its memory went with a display reset
    DisplayService* owner = nullptr;  // the display it keeps alive
};

namespace gfx {

// The largest picture or surface side we take. Our sheets are a few hundred
// pixels; anything near this is a broken or hostile file, not a picture.
constexpr int MaxSurfaceSide = 4096;

inline uint16_t* Row(Surface* s, int y) {
    return reinterpret_cast<uint16_t*>(static_cast<uint8_t*>(s->pixels->pixels) +
                                       static_cast<ptrdiff_t>(y) * s->pixels->pitch);
}
inline const uint16_t* Row(const Surface* s, int y) {
    return reinterpret_cast<const uint16_t*>(static_cast<const uint8_t*>(s->pixels->pixels) +
                                             static_cast<ptrdiff_t>(y) * s->pixels->pitch);
}

}  // namespace gfx
