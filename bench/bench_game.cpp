// What the game itself costs per frame, run inside a private copy of the
// build's game directory:
//   - one play frame with every cell of the stage holding a brick (the rules,
//     the drawing, the copy to the front buffer and the hand-over of the
//     frame);
//   - one frame of the title menu;
//   - start-up to the first frame: InitApp (pictures, waves, devices) and the
//     first FrameStep, each time from a game put back to its start.
// Built twice: tessalune_bench_game on the scripted platform (the game's own
// work), and tessalune_bench_present on the real SDL back-end, where every
// frame also goes through the window's present path and start-up opens the
// real devices. The SDL one runs on the display in DISPLAY (e.g. Xvfb at the
// size to measure), else on SDL's dummy video driver, and on SDL's dummy
// audio driver unless SDL_AUDIODRIVER says otherwise. Its frames keep the
// game's own schedule, as in play: the figure to read there is the CPU time
// of a frame, not its wall time.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/app.h"
#include "audio/sound.h"
#include "base/frames.h"
#include "data/stage.h"
#include "gfx/gfx.h"
#include "platform/platform.h"
#include "scenes/play.h"
#include "scenes/scenes.h"
#ifndef TESSALUNE_BENCH_SDL
#include "support/game.h"
#endif
#define SUPPORT_WITHOUT_GTEST
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

// Every subsystem back at its start, as at program start.
void ResetEverything() {
#ifdef TESSALUNE_BENCH_SDL
    ResetGame();
    frames::KeepAll(true);
#else
    testgame::Reset();
#endif
    ResetAppState();
}

// The game, started as WinMain starts it. `windowed` asks for a window of a
// whole multiple of the frame instead of the whole screen.
struct Game {
    bool ok = false;

    explicit Game(bool windowed = false) {
        ResetEverything();
        plat::ChooseStartWindow(windowed ? plat::StartWindow::Window
                                         : plat::StartWindow::FullScreen);
        ok = plat::CreateMainWindow(WindowTitle);
        if (ok) {
            plat::ShowMainWindow();
            ok = InitApp() != 0;
        }
    }
    ~Game() {
        ReleaseApp();
        plat::DestroyMainWindow();
    }
    Game(const Game&) = delete;
    Game& operator=(const Game&) = delete;
};

// Start-up to the title's first frame, in seconds; negative when the game
// did not start, or the first frame was not the title's first.
double StartUpOnce() {
    ResetEverything();
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
    ReleaseApp();
    plat::DestroyMainWindow();
    frames::Take();
    return seconds;
}

void BM_StartUpToFirstFrame(benchmark::State& state) {
    for (auto _ : state) {
        const double seconds = StartUpOnce();
        if (seconds < 0) {
            state.SkipWithError("start-up failed, or its first frame was not the title's");
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

#ifdef TESSALUNE_BENCH_SDL
// Argument 0: a window of a whole multiple of the frame; 1: the whole screen.
void BM_PlayFrameWindowed(benchmark::State& state) {
    Game game(state.range(0) == 0);
    PlaySnapshot start;
    if (!game.ok || !StartFullStage(&start)) {
        state.SkipWithError("the game did not start in its game directory");
        return;
    }
    PlayFrames(state, start);
}
BENCHMARK(BM_PlayFrameWindowed)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
#endif

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
#ifdef TESSALUNE_BENCH_SDL
    // No display named: SDL's own that shows nothing. No sound card: silence.
    const char* display = std::getenv("DISPLAY");
    if ((display == nullptr || *display == '\0') && std::getenv("SDL_VIDEODRIVER") == nullptr) {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
    }
    setenv("SDL_AUDIODRIVER", "dummy", 0);
#endif
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
