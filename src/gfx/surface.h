// What the pieces of the graphics subsystem share among themselves: the
// surface record itself. Nothing outside src/gfx sees inside a Surface.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct DisplayService;
struct Surface;

namespace gfx {

struct Rect {
    int x = 0, y = 0, w = 0, h = 0;
    bool operator==(const Rect&) const = default;
};

// One fill or blit, checked and clipped: it lies wholly inside its
// destination (and its source), and does what it says on every pixel of it.
struct DrawOp {
    Surface* src = nullptr;      // null for a fill
    uint64_t srcGeneration = 0;  // the source's pixels as they were then
    Rect to;                     // on the destination
    int sx = 0, sy = 0;          // the source pixel for to.x, to.y
    uint16_t value = 0;          // the fill's
    bool keyed = false;          // source pixels of 0 are skipped
    bool operator==(const DrawOp&) const = default;
};

}  // namespace gfx

// The game draws its whole picture anew every frame, nearly always the same
// one or one that differs in a few small places. So drawing is queued per
// destination and done only when someone looks at the pixels; then the ops
// are held against those of the last time, and only where the two lists
// differ is anything drawn. That is sound because a queued op never reads
// its own destination, nor a surface with ops of its own still queued: the
// result of a list is the same whatever the destination held before, except
// where no op touches it at all.
struct Surface {
    // RGB565 pixels, row 0 at the top; a row is `pitch` bytes apart.
    std::vector<uint16_t> pixels;
    int width = 0;
    int height = 0;
    int pitch = 0;
    bool keyed = false;               // source colour key 0 (the picture surfaces)
    bool lost = false;                // its memory went with a display reset
    DisplayService* owner = nullptr;  // the display it keeps alive

    // A number never given out before, new whenever the pixels may change.
    uint64_t generation = 0;
    // The generation before the last change, and a cover of where it was.
    uint64_t changedFrom = 0;
    std::vector<gfx::Rect> changed;
    // The ops queued for this surface, the ops last done on it, and its
    // generation right after they were (anything else since: a new one).
    std::vector<gfx::DrawOp> queued;
    std::vector<gfx::DrawOp> done;
    uint64_t doneGeneration = 0;
    int queuedReaders = 0;  // queued ops elsewhere that read this surface
    // Rows that may have changed since TakeRowsWritten last looked.
    std::vector<uint8_t> rowsWritten;
};

namespace gfx {

uint64_t NewGeneration();
// Does every queued op (or finds it done already). Anything that reads or
// writes pixels other than through the drawing primitives calls this first.
void FlushDrawing();
// Pixels of `s` inside `r` were written behind the queue's back, after a
// FlushDrawing.
void NoteWritten(Surface* s, Rect r);

// The largest picture or surface side we take. Our sheets are a few hundred
// pixels; anything near this is a broken or hostile file, not a picture.
constexpr int MaxSurfaceSide = 4096;

inline uint16_t* Row(Surface* s, int y) {
    return s->pixels.data() + static_cast<ptrdiff_t>(y) * (s->pitch / 2);
}
inline const uint16_t* Row(const Surface* s, int y) {
    return s->pixels.data() + static_cast<ptrdiff_t>(y) * (s->pitch / 2);
}

}  // namespace gfx
