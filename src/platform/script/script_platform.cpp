// The scripted platform: a clock that only moves when the game waits on it,
// and a window that exists only as a flag.
#include <cstdio>

#include "base/frameclock.h"
#include "base/printable.h"
#include "platform/script/script_state.h"

namespace script::detail {

State& S() {
    static State state;
    return state;
}

namespace {

void MoveClockForwardTo(uint32_t ms) {
    State& s = S();
    if (static_cast<int32_t>(ms - s.clock) > 0) {
        s.clock = ms;
    }
}

}  // namespace

}  // namespace script::detail

using script::detail::S;

// ---- control --------------------------------------------------------------

namespace script {

void Reset() {
    detail::DropAllSounds();
    S() = detail::State{};
}

void SetClock(uint32_t ms) {
    S().clock = ms;
}
uint32_t Clock() {
    return S().clock;
}

void AdvanceClockToFrame(int frame) {
    const detail::State& s = S();
    detail::MoveClockForwardTo(
        frameclock::DueMs(s.firstFrameSeen ? s.firstFrameClock : s.clock, frame));
}

void AttachJoystick(bool attached) {
    S().joyAttached = attached;
}

const std::vector<uint16_t>& LastPresented() {
    return S().presented;
}
Faults& InjectedFaults() {
    return S().faults;
}
void TriggerDisplayReset() {
    S().displayResetPending = true;
}

bool WindowOpen() {
    return S().windowOpen;
}
std::string WindowTitle() {
    return S().windowTitle;
}
bool CursorHidden() {
    return S().cursorHidden;
}
bool LockHeld() {
    return S().lockHeld;
}

}  // namespace script

// ---- the platform interface ------------------------------------------------

namespace plat {

bool AcquireInstanceLock(const char*) {
    // The runner's lock is its own: only an injected fault or a second copy
    // inside this same process finds it taken.
    if (S().faults.lockHeld || S().lockHeld) {
        return false;
    }
    S().lockHeld = true;
    return true;
}

void ReleaseInstanceLock() {
    S().lockHeld = false;
}

void MessageBox(const char* text, const char* caption, bool, BoxIcon) {
    std::fprintf(stderr, "message box [%s]: %s\n",
                 Printable(caption != nullptr ? caption : "").c_str(),
                 PrintableLines(text != nullptr ? text : "").c_str());
}

// The scripted platform holds nothing beyond the process's own memory.
void Shutdown() {}

// Nothing is installed and nothing is the player's: the game plays where it is.
std::string ProgramDirectory() {
    return "";
}
std::string UserDataDirectory(std::string* why) {
    *why = "the scripted platform has no directory of the player's";
    return "";
}

// The scripted window is always seen; its failure is injected at its making.
bool DisplayReachable() {
    return true;
}

// The scripted window has no size or mode to choose.
void ChooseStartWindow(StartWindow) {}
settings::Settings UseSettings(const settings::Settings& s, const std::string&, SettingsChanged) {
    return s;
}
std::string KeyLabel(const std::string&) {
    return {};
}

bool CreateMainWindow(const char* title) {
    if (S().faults.windowFails) {
        return false;
    }
    S().windowOpen = true;
    S().windowTitle = title != nullptr ? title : "";
    return true;
}

void ShowMainWindow() {}

void DestroyMainWindow() {
    S().windowOpen = false;
}
void HideCursor() {
    S().cursorHidden = true;
}

// Nothing happens here but what is handed to the game from outside.
void PumpEvents() {}

void WaitEvents() {
    // Nothing will ever come: an inactive game with nobody to wake it is
    // closed, so that it never hangs the runner.
    Event close;
    close.kind = EventKind::Close;
    PostEvent(close);
}

uint32_t GetTicks() {
    return S().clock;
}
void SetClockStart(uint32_t ms) {
    S().clock = ms;
}
void SleepUntilTick(uint32_t tick) {
    script::detail::MoveClockForwardTo(tick);
}

void FrameStarted(uint32_t clock) {
    script::detail::State& s = S();
    if (!s.firstFrameSeen) {
        s.firstFrameSeen = true;
        s.firstFrameClock = clock;
    }
}

void FrameEnded() {}

}  // namespace plat
