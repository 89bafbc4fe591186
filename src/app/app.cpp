// Program entry, the window procedure, start-up and shut-down, and the message
// loop that runs one frame whenever nothing else is waiting.
#include "app/app.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iterator>

#include "audio/music.h"
#include "audio/sound.h"
#include "base/frames.h"
#include "data/scores.h"
#include "data/stage.h"
#include "gfx/gfx.h"
#include "input/events.h"
#include "input/input.h"
#include "input/keys.h"
#include "input/messages.h"
#include "platform/platform.h"
#include "scenes/random.h"
#include "scenes/scenes.h"

int AppActive = 0;

namespace {

constexpr const char* InstanceLockName = "Tessalune";
constexpr const char* WindowTitle = "Win32 Application";
// Most start-up messages carry a caption of one space.
constexpr const char* BlankCaption = " ";

// The window lives from CreateMainWindow until the default handling of
// WM_CLOSE destroys it. Messages that arrive for it after that have no window
// to go to and are dropped, as the window system drops them.
bool windowAlive = false;

struct Picture {
    Surface** slot;
    const char* path;
    const char* errorText;
};

struct Wave {
    plat::Sound** slot;
    const char* path;
    const char* errorText;
};

// Every box the game shows is noted for the frame's output too.
void Box(const char* text, const char* caption, bool owned) {
    frames::NoteMessage(text, caption, {owned, false});
    plat::MessageBox(text, caption, owned);
}

void Message(const char* text) {
    Box(text, BlankCaption, true);
}

// What the window system does with a message we do not handle ourselves. Only
// WM_CLOSE has a default that matters: it destroys the window.
intptr_t DefaultWindowProc(uint32_t message, intptr_t, intptr_t) {
    if (message == WM_CLOSE && windowAlive) {
        windowAlive = false;
        plat::DestroyMainWindow();
        WndProc(WM_DESTROY, 0, 0);
    }
    return 0;
}

int RunMessageLoop() {
    for (;;) {
        events::Pump();
        Msg msg;
        if (TakeMessage(&msg)) {
            if (msg.message == WM_QUIT) {
                return static_cast<int>(msg.wParam);
            }
            if (windowAlive) {
                WndProc(msg.message, msg.wParam, msg.lParam);
            }
            continue;
        }
        if (AppActive != 0) {
            FrameStep();
        } else {
            events::Wait();
        }
    }
}

}  // namespace

bool TakeInstanceLock() {
    if (!plat::AcquireInstanceLock(InstanceLockName)) {
        Box("", "", false);
        return false;
    }
    return true;
}

int WinMain() {
    if (!TakeInstanceLock()) {
        return 0;
    }
    if (!plat::CreateMainWindow(WindowTitle)) {
        plat::ReleaseInstanceLock();
        return 0;
    }
    windowAlive = true;
    plat::ShowMainWindow();
    // The window system makes a newly shown window the active application.
    PostMessage(WM_ACTIVATEAPP, 1, 0);
    if (!InitApp()) {
        ReleaseApp();
        if (windowAlive) {
            windowAlive = false;
            plat::DestroyMainWindow();
        }
        plat::ReleaseInstanceLock();
        return 0;
    }
    const int exitCode = RunMessageLoop();
    ReleaseApp();
    plat::ReleaseInstanceLock();
    return exitCode;
}

intptr_t WndProc(uint32_t message, intptr_t wParam, intptr_t lParam) {
    switch (message) {
        case WM_DESTROY:
            ReleaseApp();
            PostQuitMessage(0);
            return 0;
        case WM_ACTIVATEAPP:
            AppActive = static_cast<int>(wParam);
            if (AppActive == 0) {
                PauseMidi();
            } else {
                PlayMidi();
            }
            return 0;
        case WM_KEYDOWN:
            if (wParam == VK_ESCAPE) {
                PostMessage(WM_CLOSE, 0, 0);
            }
            return 0;
        case MM_MCINOTIFY:
            // The piece ended (or was cut short): start it again, but only
            // while someone is playing; reactivation restarts it otherwise.
            if (AppActive != 0) {
                PlayMidi();
            }
            return 0;
        default:
            return DefaultWindowProc(message, wParam, lParam);
    }
}

int InitApp() {
    SeedGameRandom(plat::GetTicks());

    const int displayCode = InitDisplay();
    if (displayCode != 0) {
        char text[32];
        std::snprintf(text, sizeof text, "error = %d", displayCode);
        Box(text, "error", true);
        ReleaseDisplay();
        ReleaseDirectSound();
        ReleaseInput();
        return 0;
    }

    // A missing sound device is not fatal here; the first wave load says so.
    InitDirectSound();

    // Without input the game still runs: it just reads nothing.
    if (!InitDirectInput()) {
        Message("InitErrer");
    }
    if (!InitKeyboard()) {
        Message("KeyErrer");
    }
    if (!InitJoystick(MaxJoysticks)) {
        Message("JoyErrer");
    }

    const Picture pictures[] = {
        {&lpMain[0], PicturePaths[0], "errer lpMain[0]"},
        {&lpMain[1], PicturePaths[1], "errer lpMain[1]"},
        {&lpMain[2], PicturePaths[2], "errer lpMain[2]"},
        {&lpMain[3], PicturePaths[3], "errer lpMain[3]"},
    };
    for (const Picture& p : pictures) {
        if (!LoadBitmapSurface(p.slot, p.path)) {
            Message(p.errorText);
            return 0;
        }
    }

    const Wave waves[] = {
        {&lpSeMovSound[0], "Wave/SelectMove.wav", "errer lpSeMovSound"},
        {&lpSeCheSound[0], "Wave/SelectCheck.wav", "errer lpSeCheSound"},
        {&lpSeCanSound[0], "Wave/SelectCancel.wav", "errer lpSeCanSound"},
        {&lpHitSound[0], "Wave/Hit.wav", "errer lpHitSound"},
    };
    for (const Wave& w : waves) {
        if (!LoadWave(w.path, w.slot)) {
            Message(w.errorText);
            return 0;
        }
    }
    // Nine more hit buffers so that quick hits overlap instead of cutting
    // each other short; one that cannot be made just stays silent.
    DuplicateHitSounds();

    plat::HideCursor();
    return 1;
}

void ReleaseApp() {
    for (Surface*& surface : lpMain) {
        ReleaseSurface(&surface);
    }
    ReleaseSurface(&lpBack);
    for (plat::Sound** table : {lpSeMovSound, lpSeCheSound, lpSeCanSound}) {
        ReleaseSound(&table[0]);
        ReleaseSound(&table[1]);
    }
    ReleaseInput();
    ReleaseDirectSound();
    ReleaseDisplay();
}

void ResetAppState() {
    AppActive = 0;
    windowAlive = false;
    ResetFrameSchedule();
}

void ResetGame() {
    ResetAppState();
    ResetTitleScene();
    ResetPlayScene();
    ResetResultScene();
    ResetEditorScene();
    ResetGameRandom();
    ResetGraphics();
    ResetSound();
    ResetMusic();
    ResetInput();
    events::Reset();
    frames::Reset();
    std::fill(std::begin(StageGrid), std::end(StageGrid), 0);
    std::fill(std::begin(BestScores), std::end(BestScores), 0);
}
