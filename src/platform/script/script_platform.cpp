// The scripted platform: a clock that only moves when the game waits on it,
// a window that exists only as a flag, and events read from a script and
// handed over before the frame they name.
#include <algorithm>
#include <cstdio>

#include "base/frameclock.h"
#include "base/printable.h"
#include "platform/keys.h"
#include "platform/messages.h"
#include "platform/script/script_state.h"

namespace script::detail {

State& S() {
    static State state;
    return state;
}

namespace {

void SortPending() {
    State& s = S();
    if (!s.eventsSorted) {
        // Lines of the same frame keep the order they were given in.
        std::stable_sort(s.events.begin() + static_cast<std::ptrdiff_t>(s.nextEvent),
                         s.events.end(),
                         [](const Event& a, const Event& b) { return a.frame < b.frame; });
        s.eventsSorted = true;
    }
}

// Applies one line of the script; true when it put a message in the queue.
bool Apply(const Event& e) {
    switch (e.kind) {
        case EventKind::Down:
            KeyEvent(e.vk, true);
            PostMessage(WM_KEYDOWN, e.vk, 0);
            return true;
        case EventKind::Up:
            KeyEvent(e.vk, false);
            return false;
        case EventKind::Tap:
            KeyEvent(e.vk, true);
            KeyEvent(e.vk, false);
            PostMessage(WM_KEYDOWN, e.vk, 0);
            return true;
        case EventKind::Joy:
            SetScriptedJoystick(e.joyX, e.joyY, e.buttons);
            return false;
        case EventKind::FocusLost:
            ReleaseAllKeys();
            PostMessage(WM_ACTIVATEAPP, 0, 0);
            return true;
        case EventKind::FocusGained:
            PostMessage(WM_ACTIVATEAPP, 1, 0);
            return true;
        case EventKind::MusicEnd:
            MusicEnded();
            PostMessage(MM_MCINOTIFY, 0, 0);
            return true;
        case EventKind::Close:
            PostMessage(WM_CLOSE, 0, 0);
            return true;
    }
    return false;
}

bool LimitReached() {
    const State& s = S();
    return s.frameLimit >= 0 && s.framesRun >= s.frameLimit;
}

// Closes the game the way Esc does, once.
void CloseForLimit() {
    State& s = S();
    if (!s.limitClosePosted) {
        s.limitClosePosted = true;
        PostMessage(WM_CLOSE, 0, 0);
    }
}

// The first clock millisecond at or after the due time of frame `frame`.
uint32_t DueTime(int frame) {
    const State& s = S();
    return frameclock::DueMs(s.firstFrameSeen ? s.firstFrameClock : s.clock, frame);
}

void MoveClockForwardTo(uint32_t ms) {
    State& s = S();
    if (static_cast<int32_t>(ms - s.clock) > 0) {
        s.clock = ms;
    }
}

}  // namespace

void RecordSound(const std::string& tag) {
    S().current.sounds.push_back(tag);
    S().all.sounds.push_back(tag);
}

void RecordMusic(const std::string& command) {
    S().current.music.push_back(command);
    S().all.music.push_back(command);
}

}  // namespace script::detail

using script::detail::S;

// ---- control --------------------------------------------------------------

namespace script {

void Reset() {
    detail::DropAllSounds();
    S() = detail::State{};
    ClearMessages();
    ReleaseAllKeys();
}

void SetClock(uint32_t ms) {
    S().clock = ms;
}
uint32_t Clock() {
    return S().clock;
}

void AddEvent(const Event& event) {
    script::detail::State& s = S();
    if (!s.events.empty() && s.events.back().frame > event.frame) {
        s.eventsSorted = false;
    }
    s.events.push_back(event);
}

int LastEventFrame() {
    int last = 0;
    for (const Event& e : S().events) {
        last = std::max(last, e.frame);
    }
    return last;
}

void SetFrameLimit(int frames) {
    S().frameLimit = frames;
}
int FramesRun() {
    return S().framesRun;
}

void SetBeforeFrame(std::function<void(int frame)> hook) {
    S().beforeFrame = std::move(hook);
}
void SetAfterFrame(std::function<void(int frame)> hook) {
    S().afterFrame = std::move(hook);
}

Record TakeRecord() {
    Record taken = std::move(S().current);
    S().current = Record{};
    return taken;
}

const Record& AllRecorded() {
    return S().all;
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

void MessageBox(const char* text, const char* caption, bool owned, BoxIcon icon) {
    const std::string t = text != nullptr ? text : "";
    const std::string c = caption != nullptr ? caption : "";
    const script::BoxStyle style{owned, icon == BoxIcon::Error};
    S().current.messages.emplace_back(t, c);
    S().all.messages.emplace_back(t, c);
    S().current.boxStyles.push_back(style);
    S().all.boxStyles.push_back(style);
    std::fprintf(stderr, "message box [%s]: %s\n", Printable(c).c_str(), PrintableLines(t).c_str());
}

// The scripted platform holds nothing beyond the process's own memory.
void Shutdown() {}

// The scripted window is always seen; its failure is injected at its making.
bool DisplayReachable() {
    return true;
}

// The scripted window has no size or mode to choose.
void ChooseStartWindow(StartWindow) {}

bool CreateMainWindow(const char* title) {
    if (S().faults.windowFails) {
        return false;
    }
    S().windowOpen = true;
    S().windowTitle = title != nullptr ? title : "";
    return true;
}

void ShowMainWindow() {
    // Showing the window makes the application the active one.
    if (S().windowOpen) {
        PostMessage(WM_ACTIVATEAPP, 1, 0);
    }
}

void DestroyMainWindow() {
    S().windowOpen = false;
}
void HideCursor() {
    S().cursorHidden = true;
}

void PumpEvents() {
    if (script::detail::LimitReached()) {
        script::detail::CloseForLimit();
        return;
    }
    script::detail::SortPending();
    script::detail::State& s = S();
    while (s.nextEvent < s.events.size() && s.events[s.nextEvent].frame <= s.framesRun) {
        script::detail::Apply(s.events[s.nextEvent++]);
    }
}

void WaitEvents() {
    // Nothing waits and no frame runs: time passes until the next line of
    // the script, which is applied at once. A script that has nothing more
    // to say closes the game, so an inactive game never hangs the runner.
    script::detail::State& s = S();
    for (;;) {
        if (script::detail::LimitReached()) {
            script::detail::CloseForLimit();
            return;
        }
        script::detail::SortPending();
        if (s.nextEvent >= s.events.size() ||
            (s.frameLimit >= 0 && s.events[s.nextEvent].frame >= s.frameLimit)) {
            PostMessage(WM_CLOSE, 0, 0);
            return;
        }
        const script::Event e = s.events[s.nextEvent++];
        script::detail::MoveClockForwardTo(script::detail::DueTime(e.frame));
        if (script::detail::Apply(e)) {
            return;
        }
    }
}

uint32_t GetTicks() {
    return S().clock;
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
    s.current.clock = clock;
    if (s.beforeFrame) {
        s.beforeFrame(s.framesRun);
    }
}

void FrameEnded() {
    script::detail::State& s = S();
    if (s.afterFrame) {
        s.afterFrame(s.framesRun);
    }
    ++s.framesRun;
}

}  // namespace plat

namespace script {

bool ParseScript(const std::string& text, std::string* error, ScriptHeader* header) {
    std::vector<Event> events;
    if (!ParseEvents(text, &events, header, error)) {
        return false;
    }
    for (const Event& e : events) {
        AddEvent(e);
    }
    return true;
}

}  // namespace script
