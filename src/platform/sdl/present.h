// The sums behind putting the frame on the window, kept apart from SDL so
// that they can be checked on their own: which way to present, where the
// frame sits in the window, and which of its rows changed since the frame on
// the window now.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sdlplat {

constexpr int FrameWidth = 640;
constexpr int FrameHeight = 480;

// ---- the choice of present path ----------------------------------------------

enum class PresentPath { Gpu, Surface };

struct PresentChoice {
    PresentPath path;
    std::string why;  // for the one line on standard error
};

// What the machine offers: the renderer SDL made when asked for an
// accelerated one (null when none could be made), whether it calls itself
// accelerated, and the OpenGL renderer string where it draws through OpenGL
// (null otherwise). `override` is TESSALUNE_RENDERER: "gpu" or "surface"
// decide; anything else is ignored and said so.
PresentChoice ChoosePresentPath(const char* override, const char* rendererName, bool accelerated,
                                const char* glRenderer);

// The choice where it can be made before any renderer is (and so before
// OpenGL, its software rasterizer and LLVM are loaded, tens of megabytes and
// a fifth of a second only to learn they will not be used): the surface path
// when TESSALUNE_RENDERER asks for it, when the machine has no render node
// (no graphics hardware to render with, /dev/dri/renderD*), or when Mesa is
// told to rasterize on the processor (`libglSoftware`, LIBGL_ALWAYS_SOFTWARE;
// `galliumDriver`, GALLIUM_DRIVER). False where only a renderer can tell.
bool ChooseBeforeRenderer(const char* override, bool renderNode, const char* libglSoftware,
                          const char* galliumDriver, PresentChoice* choice);

// ---- where the frame sits ------------------------------------------------------

struct PixelRect {
    int x = 0, y = 0, w = 0, h = 0;
};

// The frame in a window of w x h pixels: scaled by the largest whole number
// that fits, centred, with bars around it; a window smaller than the frame,
// or any window when not `whole` (the player's "fit"), gets the largest size
// of the same shape.
PixelRect PlaceFrame(int windowWidth, int windowHeight, bool whole = true);

// The frame row that window row `y` of the picture `placed` shows (0 <= y < h).
inline int SourceRow(const PixelRect& placed, int y) {
    return static_cast<int>(static_cast<int64_t>(y) * FrameHeight / placed.h);
}

// ---- rows that changed -------------------------------------------------------

// The frame now on the window, and which rows of a new frame differ from it.
class ChangedRows {
  public:
    ChangedRows();
    // The window's picture can no longer be trusted (resized, covered,
    // lost): the next frame counts every row as changed.
    void Invalidate() { invalid_ = true; }
    // Takes a new 640 x 480 RGB565 frame (`pitch` in bytes) as the one shown
    // and marks its rows that differ from the last; the number of them. Rows
    // whose flag in `candidates` (480 of them, where given) is 0 are known
    // to be the same and are not looked at.
    int Take(const uint16_t* pixels, int pitch, const uint8_t* candidates = nullptr);
    bool Changed(int row) const { return changed_[static_cast<size_t>(row)] != 0; }
    bool All() const { return all_; }
    const uint16_t* Row(int row) const { return &shown_[static_cast<size_t>(row) * FrameWidth]; }

  private:
    std::vector<uint16_t> shown_;
    std::vector<uint8_t> changed_;
    bool invalid_ = true;
    bool all_ = true;
};

// The window's rows to hand to the window system for the rows of `rows`
// that changed, for the frame placed at `placed`: one rectangle, as wide as
// the picture, for each run of window rows that show a changed frame row.
std::vector<PixelRect> ChangedRects(const ChangedRows& rows, const PixelRect& placed);

}  // namespace sdlplat
