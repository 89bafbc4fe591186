// Display, surfaces, pictures and the three drawing primitives.
// Surfaces are 16-bit RGB565; the picture surfaces carry the colour key 0.
#pragma once

#include <cstdint>

struct Surface;  // opaque outside src/gfx

constexpr int DisplayWidth = 640;
constexpr int DisplayHeight = 480;
constexpr int DisplayDepth = 16;

extern Surface* lpPrimary;
extern Surface* lpBack;
extern Surface* lpMain[4];

// 0 when the display is ready, else the number of the step that failed:
// 1 the platform display did not open, 3 no 16-bit mode, 4 lpPrimary, 5 lpBack.
// Whatever was made stays for ReleaseDisplay, which is safe after any of these.
int InitDisplay();
// 1 when *slot holds a new black, keyed surface; 0 after "CreateSurfaceErrer".
// A surface already in the slot is released first, so nothing leaks.
int CreateImageSurface(Surface** slot, int width, int height);
void ReleaseDisplay();
// Releases a surface and empties the reference; an empty one is skipped.
void ReleaseSurface(Surface** slot);

// 1 when *slot holds the picture of the bitmap file at exactly its size;
// 0 after "BmpFileErrer" (or "CreateSurfaceErrer").
int LoadBitmapSurface(Surface** slot, const char* path);
// Copies the picture again over an existing surface at (0, 0), clipped to the
// surface, and keys it on 0 again. 0 without a word when the file does not load.
int ReloadBitmap(Surface* surface, const char* path);
// A lost surface gets its memory back and, given a path, its picture.
// A null or a healthy surface is left alone. `path` may be null.
void RestoreSurface(Surface* surface, const char* path);
// True while the surface has lost its memory (after a display reset).
bool IsLost(const Surface* surface);
// Asks the platform whether the display was reset since the last call; when it
// was, every surface counts as lost. The frame step calls it before IsLost.
void CheckDisplayReset();
// Back to no display and no surfaces, whatever a run left alive, without a word.
void ResetGraphics();

// What the drawing operations return. Nobody has to look: a refused draw is
// just missing from that one frame.
constexpr int DrawOk = 0;
constexpr int DrawNoSurface = 1;    // a surface argument is null
constexpr int DrawSurfaceLost = 2;  // a surface lost its memory; restore it first
constexpr int DrawInvalidRect = 3;  // a rectangle reaches outside its surface

// Fills a rectangle that must lie wholly inside dst; anything else is refused.
int DrawFill(Surface* dst, int x, int y, int w, int h, uint16_t value);
// Copy a w x h rectangle at (sx, sy) of src to (x, y) of dst, clipped to the
// 640 x 480 screen. A clipped rectangle still reaching outside src or dst is
// refused whole, as the display service refuses it. DrawSprite skips the
// pixels of a keyed source that are 0; DrawCopy copies every pixel.
int DrawSprite(Surface* dst, int x, int y, int w, int h, Surface* src, int sx, int sy);
int DrawCopy(Surface* dst, int x, int y, int w, int h, Surface* src, int sx, int sy);

// For tests, the runner and screenshots.
int SurfaceWidth(const Surface* s);
int SurfaceHeight(const Surface* s);
uint16_t SurfacePixel(const Surface* s, int x, int y);
// Row 0 first, SurfacePitch bytes apart; lpPrimary's rows are 1280 bytes, no gaps.
const uint16_t* SurfacePixels(const Surface* s);
int SurfacePitch(const Surface* s);  // bytes per row
// Sets rows[0 .. height) to 1 for each row of the surface that may hold
// other pixels than when this was last asked (every row, the first time),
// 0 for the others, and starts counting afresh. For showing only what changed.
void TakeRowsWritten(Surface* s, uint8_t* rows);
// Writes the surface as a 24-bit BMP; false on failure.
bool SaveSurfaceBmp(const Surface* s, const char* path);
