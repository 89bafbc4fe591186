// The display and its surfaces.
//
// On the machine this game was made for, the display service was one object
// that every surface kept alive; we keep that shape as a reference count, so
// that shutting down still tells us when a surface was forgotten.
//
// InitDisplay's codes on this platform:
//   1  the platform display does not open (no window, no renderer)
//   2  (taking the screen: the window owns it from the start, so never)
//   3  (the display mode: the surfaces are the game's own 16-bit 5-6-5, so never)
//   4  lpPrimary, the 640 x 480 visible surface, cannot be created
//   5  lpBack, the 640 x 480 back buffer, cannot be created
#include <algorithm>
#include <new>
#include <vector>

#include "base/frames.h"
#include "gfx/gfx.h"
#include "gfx/surface.h"
#include "platform/platform.h"

struct DisplayService {
    int refs = 1;
};

Surface* lpPrimary = nullptr;
Surface* lpBack = nullptr;
Surface* lpMain[4] = {nullptr, nullptr, nullptr, nullptr};

namespace {

DisplayService* lpDD = nullptr;

// Every surface alive, whoever holds it, so that a display reset reaches them all.
std::vector<Surface*> liveSurfaces;

void AddRef(DisplayService* dd) {
    ++dd->refs;
}

// The references still held once ours is gone; the object goes with the last.
int Release(DisplayService* dd) {
    int left = --dd->refs;
    if (left == 0) {
        delete dd;
    }
    return left;
}

// A black surface of the given size, unkeyed, holding a reference to the
// display. Null when there is no display or the memory is not there.
Surface* NewSurface(int width, int height) {
    if (lpDD == nullptr || width <= 0 || height <= 0 || width > gfx::MaxSurfaceSide ||
        height > gfx::MaxSurfaceSide) {
        return nullptr;
    }
    // Rows start on four-byte boundaries, as the display service laid them
    // out; the pixels start zeroed, that is black.
    const int pitch = (width * 2 + 3) & ~3;
    Surface* s = new (std::nothrow) Surface;
    if (s == nullptr) {
        return nullptr;
    }
    try {
        s->pixels.assign(static_cast<size_t>(pitch / 2) * static_cast<size_t>(height), 0);
    } catch (const std::bad_alloc&) {
        delete s;
        return nullptr;
    }
    s->width = width;
    s->height = height;
    s->pitch = pitch;
    s->generation = gfx::NewGeneration();
    s->owner = lpDD;
    AddRef(lpDD);
    liveSurfaces.push_back(s);
    return s;
}

}  // namespace

int InitDisplay() {
    // Each step only creates what is not there yet, so a second call after a
    // partial start neither leaks nor opens the display twice.
    if (lpDD == nullptr) {
        if (!plat::DisplayOpen()) {
            return 1;
        }
        lpDD = new DisplayService;
    }
    if (lpPrimary == nullptr) {
        lpPrimary = NewSurface(DisplayWidth, DisplayHeight);
        if (lpPrimary == nullptr) {
            return 4;
        }
    }
    if (lpBack == nullptr) {
        lpBack = NewSurface(DisplayWidth, DisplayHeight);
        if (lpBack == nullptr) {
            return 5;
        }
    }
    return 0;
}

int CreateImageSurface(Surface** slot, int width, int height) {
    if (slot == nullptr) {
        return 0;
    }
    // Whatever the slot held would be out of reach from now on.
    ReleaseSurface(slot);
    Surface* s = NewSurface(width, height);
    if (s == nullptr) {
        frames::NoteMessage("CreateSurfaceErrer", " ", {});
        plat::MessageBox("CreateSurfaceErrer", " ", true);
        return 0;
    }
    s->keyed = true;
    DrawFill(s, 0, 0, width, height, 0);
    *slot = s;
    return 1;
}

void ReleaseSurface(Surface** slot) {
    if (slot == nullptr || *slot == nullptr) {
        return;
    }
    gfx::FlushDrawing();
    Surface* s = *slot;
    *slot = nullptr;
    liveSurfaces.erase(std::remove(liveSurfaces.begin(), liveSurfaces.end(), s),
                       liveSurfaces.end());
    if (s->owner != nullptr) {
        Release(s->owner);
    }
    delete s;
}

void ReleaseDisplay() {
    ReleaseSurface(&lpPrimary);
    if (lpDD != nullptr) {
        DisplayService* dd = lpDD;
        lpDD = nullptr;
        if (Release(dd) != 0) {
            frames::NoteMessage("開放漏れがあります", "DirectDraw", {false, true});
            plat::MessageBox("開放漏れがあります", "DirectDraw", false, plat::BoxIcon::Error);
        }
        // A forgotten surface keeps its memory until someone releases it, but
        // the screen itself is given back now: we are shutting down.
        plat::DisplayClose();
    }
}

void CheckDisplayReset() {
    if (plat::DisplayTakeReset()) {
        gfx::FlushDrawing();
        for (Surface* s : liveSurfaces) {
            s->lost = true;
        }
    }
}

bool IsLost(const Surface* surface) {
    return surface != nullptr && surface->lost;
}

int SurfaceWidth(const Surface* s) {
    return s != nullptr ? s->width : 0;
}

int SurfaceHeight(const Surface* s) {
    return s != nullptr ? s->height : 0;
}

int SurfacePitch(const Surface* s) {
    return s != nullptr ? s->pitch : 0;
}

const uint16_t* SurfacePixels(const Surface* s) {
    gfx::FlushDrawing();
    return s != nullptr ? gfx::Row(s, 0) : nullptr;
}

uint16_t SurfacePixel(const Surface* s, int x, int y) {
    if (s == nullptr || x < 0 || y < 0 || x >= s->width || y >= s->height) {
        return 0;
    }
    gfx::FlushDrawing();
    return gfx::Row(s, y)[x];
}

void ResetGraphics() {
    const std::vector<Surface*> alive = liveSurfaces;
    lpPrimary = lpBack = nullptr;
    for (Surface*& s : lpMain) {
        s = nullptr;
    }
    for (Surface* s : alive) {
        ReleaseSurface(&s);
    }
    if (lpDD != nullptr) {
        Release(lpDD);
        lpDD = nullptr;
    }
}
