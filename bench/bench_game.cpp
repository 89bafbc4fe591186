// What the game itself costs per frame, run on the scripted platform inside a
// private copy of the build's game directory:
//   - one play frame with every cell of the stage holding a brick (the rules,
//     the drawing, the copy to the front buffer and the hand-over of the
//     frame), also with the real present path behind it: the upload into an
//     RGB565 streaming texture and SDL's software renderer scaling it onto a
//     desktop-sized window, as the game does on a screen without a graphics
//     card;
//   - one frame of the title menu;
//   - start-up to the first frame: InitApp (pictures, waves, devices) and the
//     first FrameStep, each time in a fresh child process, so that every
//     scene starts from its state at program start.
#include <SDL.h>
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/app.h"
#include "audio/sound.h"
#include "data/stage.h"
#include "gfx/gfx.h"
#include "platform/platform.h"
#include "platform/script/script.h"
#include "platform/sdl/present.h"
#include "scenes/play.h"
#include "scenes/scenes.h"
#include "support/game.h"
#define SUPPORT_WITHOUT_GTEST
#include "support/child.h"
#include "support/scratch.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* WindowTitle = "Win32 Application";
// The title acts on nothing before its 60th frame; we measure it settled.
constexpr int TitleEntryFrames = 60;
// Long enough to see the ball meet the paddle and the bricks, too short to
// lose five balls: the play position is put back after this many frames.
constexpr int PlayWindowFrames = 240;
// Every brick takes two hits, as from the fifth stage on, so a window of
// play leaves the wall nearly whole.
constexpr int32_t FullStageHits = 2;
// A desktop of the size the CPU figures under Xvfb also use.
constexpr int DesktopWidth = 1280;
constexpr int DesktopHeight = 1024;

// The game, started as WinMain starts it, on the scripted platform.
struct Game {
    bool ok = false;

    Game() {
        testgame::Reset();
        ResetAppState();
        ok = plat::CreateMainWindow(WindowTitle) && InitApp() != 0;
    }
    ~Game() {
        ReleaseApp();
        plat::DestroyMainWindow();
    }
    Game(const Game&) = delete;
    Game& operator=(const Game&) = delete;
};

// Start-up in a child process of its own. The child times InitApp and the
// first frame and sends the seconds back; a negative number means that the
// game did not start, or that the first frame was not the title's first.
double StartUpOnce() {
    int fds[2];
    if (pipe(fds) != 0) {
        return -1;
    }
    const int status = RunInChild([&] {
        close(fds[0]);
        testgame::Reset();
        ResetAppState();
        double seconds = -1;
        if (plat::CreateMainWindow(WindowTitle)) {
            const auto t0 = std::chrono::steady_clock::now();
            const bool started = InitApp() != 0;
            if (started) {
                FrameStep();
            }
            const auto t1 = std::chrono::steady_clock::now();
            const auto& music = frames::All().music;
            const bool titleEntered =
                std::find(music.begin(), music.end(), "open Mid/System.mid") != music.end();
            if (started && titleEntered && LastSceneRun() == SceneTitle) {
                seconds = std::chrono::duration<double>(t1 - t0).count();
            }
        }
        const ssize_t sent = write(fds[1], &seconds, sizeof seconds);
        return sent == static_cast<ssize_t>(sizeof seconds) ? 0 : 1;
    });
    close(fds[1]);
    double seconds = -1;
    if (read(fds[0], &seconds, sizeof seconds) != static_cast<ssize_t>(sizeof seconds)) {
        seconds = -1;
    }
    close(fds[0]);
    return status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0 ? seconds : -1;
}

// Registered first: the children must be forked from a process in which no
// scene has run yet, or the title would not be at its first frame.
void BM_StartUpToFirstFrame(benchmark::State& state) {
    for (auto _ : state) {
        const double seconds = StartUpOnce();
        if (seconds < 0) {
            state.SkipWithError(
                "start-up failed, or a scene had already run in this process (run this "
                "benchmark before the others)");
            return;
        }
        state.SetIterationTime(seconds);
    }
}
BENCHMARK(BM_StartUpToFirstFrame)->UseManualTime()->Unit(benchmark::kMillisecond);

// One position of the play scene, to be put back again and again.
struct PlaySnapshot {
    PlayState state{};
    int32_t grid[StageCells] = {};
    int32_t fall[StageCells] = {};
    AnimState anim{};
    int hit = 0;

    void Take() {
        state = GetPlayState();
        std::copy(StageGrid, StageGrid + StageCells, grid);
        std::copy(FallGrid, FallGrid + StageCells, fall);
        anim = PanelAnim;
        hit = nHitSound;
    }
    void Put() const {
        MutablePlayState() = state;
        std::copy(grid, grid + StageCells, StageGrid);
        std::copy(fall, fall + StageCells, FallGrid);
        PanelAnim = anim;
        nHitSound = hit;
        CurrentScene = ScenePlay;
    }
};

// The first stage set up by the game itself, then every cell filled and the
// ball set going at once, without the 120 frames of waiting.
bool StartFullStage(PlaySnapshot* snapshot) {
    CurrentScene = ScenePlay;
    FrameStep();
    if (CurrentScene != ScenePlay) {
        return false;
    }
    std::fill(StageGrid, StageGrid + StageCells, FullStageHits);
    PlayState& st = MutablePlayState();
    st.entry = 0;
    st.bricks = StageCells;
    snapshot->Take();
    return true;
}

// Runs frames of play; every PlayWindowFrames the position is put back.
void PlayFrames(benchmark::State& state, const PlaySnapshot& start,
                void (*afterFrame)(void*) = nullptr, void* context = nullptr) {
    int frame = 0;
    for (auto _ : state) {
        if (frame++ % PlayWindowFrames == 0) {
            start.Put();
        }
        FrameStep();
        if (afterFrame != nullptr) {
            afterFrame(context);
        }
        benchmark::ClobberMemory();
    }
    // What the frames asked of the sound and music stand-ins is of no interest.
    frames::Take();
}

void BM_PlayFrame(benchmark::State& state) {
    Game game;
    PlaySnapshot start;
    if (!game.ok || !StartFullStage(&start)) {
        state.SkipWithError("the game did not start in its game directory");
        return;
    }
    PlayFrames(state, start);
}
BENCHMARK(BM_PlayFrame)->Unit(benchmark::kMicrosecond);

// The window's present path, done as src/platform/sdl/window_sdl.cpp does it:
// a frame identical to the one on the screen (the game's own row compare) is
// not sent again; any other is
// uploaded into the streaming texture and drawn with nearest-pixel scaling by
// whole multiples, letterboxed, without waiting for the monitor.
struct SdlPresent {
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* texture = nullptr;
    sdlplat::ChangedRows shown;
    const char* error = nullptr;

    SdlPresent(int width, int height) {
        if (std::getenv("SDL_VIDEODRIVER") == nullptr) {
            SDL_setenv("SDL_VIDEODRIVER", "dummy", 1);
        }
        SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
        SDL_SetHint(SDL_HINT_RENDER_VSYNC, "0");
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
            error = SDL_GetError();
            return;
        }
        window = SDL_CreateWindow("bench", 0, 0, width, height, 0);
        renderer =
            window != nullptr ? SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE) : nullptr;
        if (renderer != nullptr) {
            SDL_RenderSetIntegerScale(renderer, SDL_TRUE);
            SDL_RenderSetLogicalSize(renderer, DisplayWidth, DisplayHeight);
            texture = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_RGB565,
                                        SDL_TEXTUREACCESS_STREAMING, DisplayWidth, DisplayHeight);
        }
        if (texture == nullptr) {
            error = SDL_GetError();
        }
    }
    ~SdlPresent() {
        if (texture != nullptr) {
            SDL_DestroyTexture(texture);
        }
        if (renderer != nullptr) {
            SDL_DestroyRenderer(renderer);
        }
        if (window != nullptr) {
            SDL_DestroyWindow(window);
        }
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }
    SdlPresent(const SdlPresent&) = delete;
    SdlPresent& operator=(const SdlPresent&) = delete;

    void Present(const uint16_t* pixels, int pitch) {
        if (shown.Take(pixels, pitch) == 0) {
            return;
        }
        SDL_UpdateTexture(texture, nullptr, pixels, pitch);
        SDL_SetRenderDrawColor(renderer, 0, 0, 0, SDL_ALPHA_OPAQUE);
        SDL_RenderClear(renderer);
        SDL_RenderCopy(renderer, texture, nullptr, nullptr);
        SDL_RenderPresent(renderer);
    }

    static void AfterFrame(void* self) {
        static_cast<SdlPresent*>(self)->Present(SurfacePixels(lpPrimary), SurfacePitch(lpPrimary));
    }
};

// Argument 0: a window of the frame's own size; 1: a desktop-sized one.
void BM_PlayFrameSdlPresent(benchmark::State& state) {
    const bool desktop = state.range(0) != 0;
    SdlPresent present(desktop ? DesktopWidth : DisplayWidth,
                       desktop ? DesktopHeight : DisplayHeight);
    if (present.error != nullptr) {
        state.SkipWithError(present.error);
        return;
    }
    Game game;
    PlaySnapshot start;
    if (!game.ok || !StartFullStage(&start)) {
        state.SkipWithError("the game did not start in its game directory");
        return;
    }
    PlayFrames(state, start, SdlPresent::AfterFrame, &present);
}
// 0 is a plain format conversion; 1 a 1280 x 1024 desktop, the frame scaled
// by two with bars above and below.
BENCHMARK(BM_PlayFrameSdlPresent)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_TitleFrame(benchmark::State& state) {
    Game game;
    if (!game.ok) {
        state.SkipWithError("the game did not start in its game directory");
        return;
    }
    CurrentScene = SceneTitle;
    for (int i = 0; i < TitleEntryFrames; ++i) {
        FrameStep();
    }
    for (auto _ : state) {
        FrameStep();
        benchmark::ClobberMemory();
    }
    frames::Take();
    if (CurrentScene != SceneTitle) {
        state.SkipWithError("the title left by itself");
    }
}
BENCHMARK(BM_TitleFrame)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    // A copy of the game directory to run in, removed again at the end:
    // nothing here may change the build's own best scores.
    const char* from = std::getenv("TESSALUNE_GAMEDIR");
    std::string why;
    const std::string dir =
        NewGameCopy("bench", &why, from != nullptr && *from != '\0' ? from : TESSALUNE_GAMEDIR);
    const bool whole = !dir.empty() && fs::exists(fs::path(dir) / "Fcg" / "Bg.bmp");
    std::error_code ec;
    if (whole) {
        fs::current_path(dir, ec);
    }
    if (!whole || ec) {
        std::fprintf(stderr, "tessalune_bench_game: %s\n",
                     dir.empty() ? why.c_str()
                     : !whole    ? "no Fcg/Bg.bmp in the game directory"
                                 : ec.message().c_str());
        fs::remove_all(dir, ec);
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    fs::current_path(fs::path(dir).parent_path(), ec);
    fs::remove_all(dir, ec);
    return 0;
}
