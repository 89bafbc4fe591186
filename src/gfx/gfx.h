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

// 0 when the display is ready, else the number of the step that failed.
int InitDisplay();
// 1 when *slot holds a new black, keyed surface; 0 after "CreateSurfaceErrer".
int CreateImageSurface(Surface** slot, int width, int height);
void ReleaseDisplay();
// Releases a surface and empties the reference; an empty one is skipped.
void ReleaseSurface(Surface** slot);

int LoadBitmapSurface(Surface** slot, const char* path);
int ReloadBitmap(Surface* surface, const char* path);
void RestoreSurface(Surface* surface, const char* path);
// True while the surface has lost its memory (after a display reset).
bool IsLost(const Surface* surface);

int DrawFill(Surface* dst, int x, int y, int w, int h, uint16_t value);
int DrawSprite(Surface* dst, int x, int y, int w, int h, Surface* src, int sx, int sy);
int DrawCopy(Surface* dst, int x, int y, int w, int h, Surface* src, int sx, int sy);

// For tests, the runner and screenshots.
int SurfaceWidth(const Surface* s);
int SurfaceHeight(const Surface* s);
uint16_t SurfacePixel(const Surface* s, int x, int y);
const uint16_t* SurfacePixels(const Surface* s);
int SurfacePitch(const Surface* s);  // bytes per row
// Writes the surface as a 24-bit BMP; false on failure.
bool SaveSurfaceBmp(const Surface* s, const char* path);
