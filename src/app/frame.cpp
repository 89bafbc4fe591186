// One frame: wait for its due time, mend lost surfaces, run the current
// scene, show the picture.
#include <cstdint>

#include "app/app.h"
#include "base/frameclock.h"
#include "base/frames.h"
#include "gfx/gfx.h"
#include "platform/platform.h"
#include "scenes/scenes.h"

int32_t CurrentScene = SceneTitle;

namespace {

using frameclock::SixteenthsShift;

uint32_t NextFrameTime = 0;
bool scheduleStarted = false;
int32_t lastSceneRun = 0;

uint32_t NowSixteenths() {
    return plat::GetTicks() << SixteenthsShift;
}

}  // namespace

uint32_t WaitFrame(uint32_t fps) {
    const uint32_t interval = frameclock::Interval(fps);
    if (!scheduleStarted) {
        NextFrameTime = NowSixteenths();
        scheduleStarted = true;
    }
    // The clock times sixteen wraps every 2^28 ms, so the two are compared by
    // their difference. A frame is never due more than one interval ahead:
    // anything further off means the clock went back, or the game slept for
    // more than a day and a half and the difference wrapped. Then the frame
    // starts now and the schedule starts again from here, rather than stall
    // for as long or race through a day's worth of frames.
    for (;;) {
        const uint32_t nowMs = plat::GetTicks();
        const uint32_t now = nowMs << SixteenthsShift;
        const int32_t ahead = static_cast<int32_t>(NextFrameTime - now);
        if (ahead <= 0) {
            break;
        }
        if (ahead > static_cast<int32_t>(interval)) {
            NextFrameTime = now;
            break;
        }
        // One sleep to the first millisecond at or after the due time; the
        // loop only goes round again if the sleep was cut short.
        plat::SleepUntilTick(
            nowMs + static_cast<uint32_t>(frameclock::MsToCover(static_cast<uint32_t>(ahead))));
    }
    // A fixed schedule: a late frame is made up by the frames after it.
    NextFrameTime += interval;
    return interval;
}

// This reload is the game's own rule and no leftover: when the display drops
// its surfaces (a mode change, another program taking the screen) the game
// makes its buffers afresh and loads every picture again from its file, so a
// picture changed on disk meanwhile is what shows from then on.
void RestoreLostSurfaces() {
    RestoreSurface(lpBack, nullptr);
    RestoreSurface(lpPrimary, nullptr);
    for (int i = 0; i < PictureCount; ++i) {
        RestoreSurface(lpMain[i], PicturePaths[i]);
    }
}

void FrameStep() {
    WaitFrame(frameclock::FramesPerSecond);
    const uint32_t clock = plat::GetTicks();
    plat::FrameStarted(clock);
    frames::Begin(clock);

    // lpMain[0] speaks for every surface: when it is lost, all are.
    CheckDisplayReset();
    if (IsLost(lpMain[0])) {
        RestoreLostSurfaces();
    }

    lastSceneRun = CurrentScene;
    switch (CurrentScene) {
        case SceneTitle:
            CurrentScene = TitleStep();
            break;
        case ScenePlay:
            CurrentScene = PlayStep();
            break;
        case SceneResult:
            CurrentScene = ResultStep();
            break;
        case SceneEditor:
            CurrentScene = EditorStep();
            break;
        default:
            break;
    }

    DrawCopy(lpPrimary, 0, 0, DisplayWidth, DisplayHeight, lpBack, 0, 0);
    uint8_t rowsWritten[DisplayHeight];
    TakeRowsWritten(lpPrimary, rowsWritten);
    plat::DisplayPresent(SurfacePixels(lpPrimary), SurfacePitch(lpPrimary),
                         lpPrimary != nullptr ? rowsWritten : nullptr);
    plat::FrameEnded();
    frames::End();
}

int32_t LastSceneRun() {
    return lastSceneRun;
}

void ResetFrameSchedule() {
    scheduleStarted = false;
    NextFrameTime = 0;
    CurrentScene = SceneTitle;
    lastSceneRun = 0;
}
