// Program entry, window procedure, start-up and shut-down, frame step.
#pragma once

#include <cstdint>

extern int AppActive;
extern int32_t CurrentScene;

// Takes the single-instance lock; where another copy holds it, shows the
// empty box that says so and gives false. Taken again by a holder: true.
bool TakeInstanceLock();

// The whole program: lock, window, start-up, message loop, shut-down.
// Returns the process exit code.
int WinMain();
intptr_t WndProc(uint32_t message, intptr_t wParam, intptr_t lParam);
int InitApp();
void ReleaseApp();

// The pictures the game draws from, by their place in lpMain: loaded at
// start-up, and loaded again when the display loses its surfaces.
constexpr int PictureCount = 4;
constexpr const char* PicturePaths[PictureCount] = {
    "System/mojicord.bmp",
    "Fcg/System1.fcg",
    "Fcg/System2.fcg",
    "Fcg/Bg.bmp",
};

void FrameStep();
uint32_t WaitFrame(uint32_t fps);
void RestoreLostSurfaces();

// The scene code that the latest frame ran (0 before the first frame; an
// unknown code when no scene ran). For the headless runner's trace.
int32_t LastSceneRun();

// Puts the shell back as a fresh process has it: inactive, the title next,
// the frame schedule not yet started. For tests that run the game many times.
void ResetAppState();
void ResetFrameSchedule();
// Puts every subsystem of the game back as a fresh process has it (the
// platform back-end is reset on its own), so that the runner and the tests
// can run the game many times in one process.
void ResetGame();
