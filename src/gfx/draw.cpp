// The three drawing primitives. Everything the game shows goes through these.
#include <cstdint>
#include <cstring>
#include <vector>

#include "gfx/gfx.h"
#include "gfx/surface.h"

namespace {

// Rows go in fixed chunks so that the compiler turns the keyed copy into
// vector compares and blends at every optimisation level; a sprite row of 32
// pixels is two chunks and no tail.
constexpr int KeyChunk = 16;

void KeyedRow(uint16_t* __restrict dst, const uint16_t* __restrict src, int n) {
    int i = 0;
    for (; i + KeyChunk <= n; i += KeyChunk) {
        for (int j = 0; j < KeyChunk; ++j) {
            uint16_t p = src[i + j];
            dst[i + j] = p != 0 ? p : dst[i + j];
        }
    }
    for (; i < n; ++i) {
        uint16_t p = src[i];
        dst[i] = p != 0 ? p : dst[i];
    }
}

// The same chunking for the fill, which clears the whole screen every frame.
void FillRow(uint16_t* dst, int n, uint16_t value) {
    int i = 0;
    for (; i + KeyChunk <= n; i += KeyChunk) {
        for (int j = 0; j < KeyChunk; ++j) {
            dst[i + j] = value;
        }
    }
    for (; i < n; ++i) {
        dst[i] = value;
    }
}

// The blit behind DrawSprite and DrawCopy. The clip is against the screen,
// not the destination: that is how the sprites are placed, and every screen
// surface is 640 x 480 anyway.
int Blit(Surface* dst, int x, int y, int w, int h, Surface* src, int sx, int sy, bool keyed) {
    // Wide enough that no caller's numbers can overflow on the way.
    int64_t cw = w;
    int64_t ch = h;
    int64_t skipX = 0;
    int64_t skipY = 0;
    if (int64_t{x} + cw >= DisplayWidth) {
        cw = DisplayWidth - int64_t{x};
    }
    if (x <= 0) {
        skipX = -int64_t{x};
    }
    if (int64_t{y} + ch >= DisplayHeight) {
        ch = DisplayHeight - int64_t{y};
    }
    if (y <= 0) {
        skipY = -int64_t{y};
    }
    const int64_t left = sx + skipX;
    const int64_t top = sy + skipY;
    const int64_t right = sx + cw;
    const int64_t bottom = sy + ch;
    const int64_t dx = x + skipX;
    const int64_t dy = y + skipY;
    if (right <= left || bottom <= top) {
        return DrawOk;  // wholly off the screen: nothing to draw
    }
    if (dst == nullptr || src == nullptr) {
        return DrawNoSurface;
    }
    if (dst->lost || src->lost) {
        return DrawSurfaceLost;
    }
    const int64_t width = right - left;
    const int64_t height = bottom - top;
    // Like the display service, we take no rectangle that reaches outside a
    // surface: the draw is refused whole rather than reading or writing
    // memory that is not the picture's.
    if (left < 0 || top < 0 || right > src->pixels->w || bottom > src->pixels->h ||
        dx + width > dst->pixels->w || dy + height > dst->pixels->h) {
        return DrawInvalidRect;
    }
    const int n = static_cast<int>(width);
    const int rows = static_cast<int>(height);
    const int sx0 = static_cast<int>(left);
    const int sy0 = static_cast<int>(top);
    const int dx0 = static_cast<int>(dx);
    const int dy0 = static_cast<int>(dy);

    // Copying a surface onto itself goes by way of a copy of the source, so
    // overlapping rectangles come out as if read before written.
    std::vector<uint16_t> staged;
    const uint16_t* from = nullptr;
    ptrdiff_t fromPitch = 0;  // in pixels
    if (src == dst) {
        staged.resize(static_cast<size_t>(n) * rows);
        for (int r = 0; r < rows; ++r) {
            std::memcpy(&staged[static_cast<size_t>(r) * n], gfx::Row(src, sy0 + r) + sx0,
                        static_cast<size_t>(n) * sizeof(uint16_t));
        }
        from = staged.data();
        fromPitch = n;
    } else {
        from = gfx::Row(src, sy0) + sx0;
        fromPitch = src->pixels->pitch / static_cast<int>(sizeof(uint16_t));
    }
    const bool skipKey = keyed && src->keyed;
    for (int r = 0; r < rows; ++r) {
        uint16_t* to = gfx::Row(dst, dy0 + r) + dx0;
        const uint16_t* line = from + r * fromPitch;
        if (skipKey) {
            KeyedRow(to, line, n);
        } else {
            std::memcpy(to, line, static_cast<size_t>(n) * sizeof(uint16_t));
        }
    }
    return DrawOk;
}

}  // namespace

int DrawFill(Surface* dst, int x, int y, int w, int h, uint16_t value) {
    if (dst == nullptr) {
        return DrawNoSurface;
    }
    if (dst->lost) {
        return DrawSurfaceLost;
    }
    // No trimming: a fill that does not fit is a caller's mistake and draws nothing.
    if (x < 0 || y < 0 || w <= 0 || h <= 0 || int64_t{x} + w > dst->pixels->w ||
        int64_t{y} + h > dst->pixels->h) {
        return DrawInvalidRect;
    }
    for (int r = 0; r < h; ++r) {
        FillRow(gfx::Row(dst, y + r) + x, w, value);
    }
    return DrawOk;
}

int DrawSprite(Surface* dst, int x, int y, int w, int h, Surface* src, int sx, int sy) {
    return Blit(dst, x, y, w, h, src, sx, sy, true);
}

int DrawCopy(Surface* dst, int x, int y, int w, int h, Surface* src, int sx, int sy) {
    return Blit(dst, x, y, w, h, src, sx, sy, false);
}
