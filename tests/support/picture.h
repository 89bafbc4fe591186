// Pictures read by SDL, a second opinion beside the game's own reader: every
// pixel as the RGB565 value the game would hold.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <string>
#include <vector>

struct SdlPicture {
    int w = 0, h = 0;
    int bits = 0;  // a pixel, in the file
    std::vector<uint16_t> px;
};

// Empty (no pixels, size 0) when SDL cannot read the file.
inline SdlPicture ReadSdlPicture(const std::string& path) {
    SdlPicture out;
    SDL_Surface* raw = SDL_LoadBMP(path.c_str());
    SDL_Surface* s =
        raw != nullptr ? SDL_ConvertSurfaceFormat(raw, SDL_PIXELFORMAT_RGB565, 0) : nullptr;
    if (s != nullptr) {
        out = {s->w, s->h, raw->format->BitsPerPixel, {}};
    }
    for (int y = 0; s != nullptr && y < s->h; ++y) {
        const auto* row = reinterpret_cast<const uint16_t*>(
            static_cast<const unsigned char*>(s->pixels) + y * s->pitch);
        out.px.insert(out.px.end(), row, row + s->w);
    }
    SDL_FreeSurface(s);
    SDL_FreeSurface(raw);
    return out;
}
