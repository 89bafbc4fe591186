// What one frame of drawing costs: the present (the back buffer copied to the
// screen surface, uploaded and shown through SDL's software renderer, the way
// the game does it; SDL_VIDEODRIVER picks the driver, dummy by default) and a
// busy frame of the play scene's kind (a full clear and 130 keyed 32 x 32
// sprites).
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "gfx/gfx.h"
#include "platform/script/script.h"

namespace {

constexpr int SpritesPerFrame = 130;
constexpr int SheetSide = 256;

// The display and a sprite sheet of the game's kind: 32-pixel cells with a
// black, see-through border and solid colour inside.
struct Scene {
    Surface* sheet = nullptr;

    Scene() {
        script::Reset();
        if (InitDisplay() != 0 || CreateImageSurface(&sheet, SheetSide, SheetSide) == 0) {
            std::abort();
        }
        for (int cy = 0; cy < SheetSide; cy += 32) {
            for (int cx = 0; cx < SheetSide; cx += 32) {
                DrawFill(sheet, cx + 2, cy + 2, 28, 28, static_cast<uint16_t>(cx * 7 + cy * 3 + 1));
            }
        }
    }
    ~Scene() {
        ReleaseSurface(&sheet);
        ReleaseSurface(&lpBack);
        ReleaseDisplay();
    }
};

// A frame of the play scene's weight: the field, bricks in rows, the panel's digits.
void DrawBusyFrame(Surface* sheet) {
    DrawFill(lpBack, 0, 0, DisplayWidth, DisplayHeight, 0);
    for (int i = 0; i < SpritesPerFrame; ++i) {
        const int x = 32 + (i % 18) * 32 - 16;  // some run off the left edge
        const int y = 32 + (i / 18) * 40;
        DrawSprite(lpBack, x, y, 32, 32, sheet, (i % 8) * 32, (i / 8 % 8) * 32);
    }
}

void BM_SpriteFrame(benchmark::State& state) {
    Scene scene;
    for (auto _ : state) {
        DrawBusyFrame(scene.sheet);
        benchmark::DoNotOptimize(SurfacePixels(lpBack));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_SpriteFrame)->Unit(benchmark::kMicrosecond);

// The same frame through SDL's own keyed blit, to keep our loop honest.
void BM_SpriteFrameSdlBlit(benchmark::State& state) {
    SDL_Surface* back =
        SDL_CreateRGBSurfaceWithFormat(0, DisplayWidth, DisplayHeight, 16, SDL_PIXELFORMAT_RGB565);
    SDL_Surface* sheet =
        SDL_CreateRGBSurfaceWithFormat(0, SheetSide, SheetSide, 16, SDL_PIXELFORMAT_RGB565);
    for (int cy = 0; cy < SheetSide; cy += 32) {
        for (int cx = 0; cx < SheetSide; cx += 32) {
            SDL_Rect cell{cx + 2, cy + 2, 28, 28};
            SDL_FillRect(sheet, &cell, static_cast<Uint32>(cx * 7 + cy * 3 + 1));
        }
    }
    SDL_SetColorKey(sheet, SDL_TRUE, 0);
    for (auto _ : state) {
        SDL_FillRect(back, nullptr, 0);
        for (int i = 0; i < SpritesPerFrame; ++i) {
            SDL_Rect from{(i % 8) * 32, (i / 8 % 8) * 32, 32, 32};
            SDL_Rect to{32 + (i % 18) * 32 - 16, 32 + (i / 18) * 40, 32, 32};
            SDL_BlitSurface(sheet, &from, back, &to);
        }
        benchmark::DoNotOptimize(back->pixels);
        benchmark::ClobberMemory();
    }
    SDL_FreeSurface(sheet);
    SDL_FreeSurface(back);
}
BENCHMARK(BM_SpriteFrameSdlBlit)->Unit(benchmark::kMicrosecond);

void BM_PresentCopy(benchmark::State& state) {
    Scene scene;
    DrawBusyFrame(scene.sheet);
    for (auto _ : state) {
        DrawCopy(lpPrimary, 0, 0, DisplayWidth, DisplayHeight, lpBack, 0, 0);
        benchmark::DoNotOptimize(SurfacePixels(lpPrimary));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_PresentCopy)->Unit(benchmark::kMicrosecond);

// One whole present: the copy, the upload into the streaming texture, the
// renderer's copy to the window and the present, without waiting for vsync.
void BM_Present(benchmark::State& state) {
    if (std::getenv("SDL_VIDEODRIVER") == nullptr) {
        SDL_setenv("SDL_VIDEODRIVER", "dummy", 1);
    }
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        state.SkipWithError(SDL_GetError());
        return;
    }
    SDL_Window* window = SDL_CreateWindow("bench", 0, 0, DisplayWidth, DisplayHeight, 0);
    SDL_Renderer* renderer =
        window != nullptr ? SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE) : nullptr;
    SDL_Texture* texture = renderer != nullptr ? SDL_CreateTexture(renderer, SDL_PIXELFORMAT_RGB565,
                                                                   SDL_TEXTUREACCESS_STREAMING,
                                                                   DisplayWidth, DisplayHeight)
                                               : nullptr;
    if (texture == nullptr) {
        state.SkipWithError(SDL_GetError());
    } else {
        Scene scene;
        DrawBusyFrame(scene.sheet);
        for (auto _ : state) {
            DrawCopy(lpPrimary, 0, 0, DisplayWidth, DisplayHeight, lpBack, 0, 0);
            SDL_UpdateTexture(texture, nullptr, SurfacePixels(lpPrimary), SurfacePitch(lpPrimary));
            SDL_RenderCopy(renderer, texture, nullptr, nullptr);
            SDL_RenderPresent(renderer);
        }
        SDL_DestroyTexture(texture);
    }
    if (renderer != nullptr) {
        SDL_DestroyRenderer(renderer);
    }
    if (window != nullptr) {
        SDL_DestroyWindow(window);
    }
    SDL_Quit();
}
BENCHMARK(BM_Present)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
