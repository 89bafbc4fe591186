// The three drawing primitives. Everything the game shows goes through these.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include "gfx/gfx.h"
#include "gfx/surface.h"

namespace {

using gfx::DrawOp;
using gfx::Rect;

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

uint64_t lastGeneration = 0;
std::vector<Surface*> withQueue;  // the surfaces with ops queued

// Beyond this many separate places to draw again, they go as one box.
constexpr size_t MaxPlaces = 32;

bool Intersect(const Rect& a, const Rect& b, Rect* out) {
    const int x0 = std::max(a.x, b.x);
    const int y0 = std::max(a.y, b.y);
    const int x1 = std::min(a.x + a.w, b.x + b.w);
    const int y1 = std::min(a.y + a.h, b.y + b.h);
    if (x1 <= x0 || y1 <= y0) {
        return false;
    }
    *out = {x0, y0, x1 - x0, y1 - y0};
    return true;
}

Rect Bounds(const Rect& a, const Rect& b) {
    const int x0 = std::min(a.x, b.x);
    const int y0 = std::min(a.y, b.y);
    const int x1 = std::max(a.x + a.w, b.x + b.w);
    const int y1 = std::max(a.y + a.h, b.y + b.h);
    return {x0, y0, x1 - x0, y1 - y0};
}

// Adds `r` to the places to draw again, kept as boxes that do not overlap
// (so that no pixel is drawn twice): a box that overlaps others becomes one
// with them.
void AddPlace(std::vector<Rect>& places, Rect r) {
    if (r.w <= 0 || r.h <= 0) {
        return;
    }
    Rect common;
    for (size_t i = 0; i < places.size();) {
        if (Intersect(places[i], r, &common)) {
            r = Bounds(places[i], r);
            places[i] = places.back();
            places.pop_back();
            i = 0;
        } else {
            ++i;
        }
    }
    places.push_back(r);
    if (places.size() > MaxPlaces) {
        Rect all = places[0];
        for (const Rect& p : places) {
            all = Bounds(all, p);
        }
        places.assign(1, all);
    }
}

// Where two ops at the same place in the old and the new list may leave
// other pixels. The same copy from a source that changed since is only
// different where the source did.
void AddDifference(std::vector<Rect>& places, const DrawOp& before, const DrawOp& now) {
    DrawOp same = before;
    same.srcGeneration = now.srcGeneration;
    if (now.src != nullptr && same == now && before.srcGeneration == now.src->changedFrom &&
        now.srcGeneration == now.src->generation) {
        for (const Rect& c : now.src->changed) {
            const Rect moved{c.x - now.sx + now.to.x, c.y - now.sy + now.to.y, c.w, c.h};
            Rect r;
            if (Intersect(moved, now.to, &r)) {
                AddPlace(places, r);
            }
        }
        return;
    }
    AddPlace(places, before.to);
    AddPlace(places, now.to);
}

// The places where the new list may leave other pixels than the old one
// did. The ops both lists begin and end with are the same; in between, ops
// are held against each other one by one where there are as many on both
// sides, and otherwise all count.
void FindDifferences(const std::vector<DrawOp>& before, const std::vector<DrawOp>& now,
                     std::vector<Rect>& places) {
    const size_t shorter = std::min(before.size(), now.size());
    size_t head = 0;
    while (head < shorter && before[head] == now[head]) {
        ++head;
    }
    size_t tail = 0;
    while (tail < shorter - head &&
           before[before.size() - 1 - tail] == now[now.size() - 1 - tail]) {
        ++tail;
    }
    const size_t beforeEnd = before.size() - tail;
    const size_t nowEnd = now.size() - tail;
    if (beforeEnd == nowEnd) {
        for (size_t i = head; i < nowEnd; ++i) {
            if (!(before[i] == now[i])) {
                AddDifference(places, before[i], now[i]);
            }
        }
        return;
    }
    for (size_t i = head; i < beforeEnd; ++i) {
        AddPlace(places, before[i].to);
    }
    for (size_t i = head; i < nowEnd; ++i) {
        AddPlace(places, now[i].to);
    }
}

// One op, only inside `clip`.
void Execute(Surface* dst, const DrawOp& op, const Rect& clip) {
    Rect r;
    if (!Intersect(op.to, clip, &r)) {
        return;
    }
    if (op.src == nullptr) {
        for (int i = 0; i < r.h; ++i) {
            FillRow(gfx::Row(dst, r.y + i) + r.x, r.w, op.value);
        }
        return;
    }
    const int sx = op.sx + (r.x - op.to.x);
    const int sy = op.sy + (r.y - op.to.y);
    for (int i = 0; i < r.h; ++i) {
        uint16_t* to = gfx::Row(dst, r.y + i) + r.x;
        const uint16_t* from = gfx::Row(op.src, sy + i) + sx;
        if (op.keyed) {
            KeyedRow(to, from, r.w);
        } else {
            std::memcpy(to, from, static_cast<size_t>(r.w) * sizeof(uint16_t));
        }
    }
}

// Copying a surface onto itself goes by way of a copy of the source, so
// overlapping rectangles come out as if read before written. Never queued.
void CopyWithin(Surface* s, const DrawOp& op) {
    const int n = op.to.w;
    std::vector<uint16_t> staged(static_cast<size_t>(n) * op.to.h);
    for (int r = 0; r < op.to.h; ++r) {
        std::memcpy(&staged[static_cast<size_t>(r) * n], gfx::Row(s, op.sy + r) + op.sx,
                    static_cast<size_t>(n) * sizeof(uint16_t));
    }
    for (int r = 0; r < op.to.h; ++r) {
        uint16_t* to = gfx::Row(s, op.to.y + r) + op.to.x;
        const uint16_t* line = &staged[static_cast<size_t>(r) * n];
        if (op.keyed) {
            KeyedRow(to, line, n);
        } else {
            std::memcpy(to, line, static_cast<size_t>(n) * sizeof(uint16_t));
        }
    }
}

void MarkChanged(Surface* s, std::vector<Rect> places) {
    const int h = s->height;
    if (s->rowsWritten.size() != static_cast<size_t>(h)) {
        s->rowsWritten.assign(static_cast<size_t>(h), 1);
    }
    for (const Rect& p : places) {
        std::fill_n(s->rowsWritten.begin() + p.y, p.h, uint8_t{1});
    }
    s->changedFrom = s->generation;
    s->generation = gfx::NewGeneration();
    s->changed = std::move(places);
}

// Does the queued ops of `dst`, only where they leave other pixels than
// the ops done last time; those already stand everywhere else.
void Resolve(Surface* dst) {
    std::vector<DrawOp>& now = dst->queued;
    std::vector<Rect> places;
    if (dst->doneGeneration == dst->generation) {
        FindDifferences(dst->done, now, places);
    } else {
        Rect all = now.front().to;
        for (const DrawOp& op : now) {
            all = Bounds(all, op.to);
        }
        places.push_back(all);
    }
    for (const Rect& place : places) {
        for (const DrawOp& op : now) {
            Execute(dst, op, place);
        }
    }
    if (!places.empty()) {
        MarkChanged(dst, std::move(places));
    }
    dst->doneGeneration = dst->generation;
    std::swap(dst->done, now);
    now.clear();
}

// Resolves one surface now, out of turn: the others keep their lists whole.
void ResolveNow(Surface* s) {
    for (const DrawOp& op : s->queued) {
        if (op.src != nullptr) {
            --op.src->queuedReaders;
        }
    }
    Resolve(s);
    withQueue.erase(std::find(withQueue.begin(), withQueue.end(), s));
}

void Submit(Surface* dst, DrawOp op) {
    if (op.src == dst) {
        gfx::FlushDrawing();
        CopyWithin(dst, op);
        gfx::NoteWritten(dst, op.to);
        return;
    }
    // A queued op never reads a surface that has ops of its own queued, nor
    // is one queued for a surface that queued ops read.
    if (op.src != nullptr && !op.src->queued.empty()) {
        ResolveNow(op.src);
    }
    for (size_t i = 0; dst->queuedReaders > 0 && i < withQueue.size();) {
        Surface* reader = withQueue[i];
        const bool reads = std::any_of(reader->queued.begin(), reader->queued.end(),
                                       [dst](const DrawOp& q) { return q.src == dst; });
        if (reads) {
            ResolveNow(reader);
        } else {
            ++i;
        }
    }
    if (op.src != nullptr) {
        op.srcGeneration = op.src->generation;
        ++op.src->queuedReaders;
    }
    if (dst->queued.empty()) {
        withQueue.push_back(dst);
    }
    dst->queued.push_back(op);
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
    if (left < 0 || top < 0 || right > src->width || bottom > src->height ||
        dx + width > dst->width || dy + height > dst->height) {
        return DrawInvalidRect;
    }
    DrawOp op;
    op.src = src;
    op.to = {static_cast<int>(dx), static_cast<int>(dy), static_cast<int>(width),
             static_cast<int>(height)};
    op.sx = static_cast<int>(left);
    op.sy = static_cast<int>(top);
    op.keyed = keyed && src->keyed;
    Submit(dst, op);
    return DrawOk;
}

}  // namespace

uint64_t gfx::NewGeneration() {
    return ++lastGeneration;
}

void gfx::FlushDrawing() {
    if (withQueue.empty()) {
        return;
    }
    for (Surface* s : withQueue) {
        for (const DrawOp& op : s->queued) {
            if (op.src != nullptr) {
                op.src->queuedReaders = 0;
            }
        }
    }
    for (Surface* s : withQueue) {
        Resolve(s);
    }
    withQueue.clear();
}

void gfx::NoteWritten(Surface* s, Rect r) {
    MarkChanged(s, {r});
}

void TakeRowsWritten(Surface* s, uint8_t* rows) {
    if (s == nullptr) {
        return;
    }
    gfx::FlushDrawing();
    const size_t h = static_cast<size_t>(s->height);
    if (s->rowsWritten.size() != h) {
        s->rowsWritten.assign(h, 1);
    }
    std::copy(s->rowsWritten.begin(), s->rowsWritten.end(), rows);
    std::fill(s->rowsWritten.begin(), s->rowsWritten.end(), uint8_t{0});
}

int DrawFill(Surface* dst, int x, int y, int w, int h, uint16_t value) {
    if (dst == nullptr) {
        return DrawNoSurface;
    }
    if (dst->lost) {
        return DrawSurfaceLost;
    }
    // No trimming: a fill that does not fit is a caller's mistake and draws nothing.
    if (x < 0 || y < 0 || w <= 0 || h <= 0 || int64_t{x} + w > dst->width ||
        int64_t{y} + h > dst->height) {
        return DrawInvalidRect;
    }
    DrawOp op;
    op.to = {x, y, w, h};
    op.value = value;
    Submit(dst, op);
    return DrawOk;
}

int DrawSprite(Surface* dst, int x, int y, int w, int h, Surface* src, int sx, int sy) {
    return Blit(dst, x, y, w, h, src, sx, sy, true);
}

int DrawCopy(Surface* dst, int x, int y, int w, int h, Surface* src, int sx, int sy) {
    return Blit(dst, x, y, w, h, src, sx, sy, false);
}
