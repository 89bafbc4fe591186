#include "input/events.h"

#include <algorithm>
#include <array>
#include <iterator>

#include "base/frames.h"
#include "base/joyaxis.h"
#include "input/keys.h"
#include "input/messages.h"
#include "platform/platform.h"

namespace events {

namespace {

// More sticks than the game ever opens are no concern of its.
constexpr int StickSlots = 4;

Hooks hooks;
std::array<Stick, StickSlots> sticks;

}  // namespace

void SetHooks(Hooks h) {
    hooks = std::move(h);
}

bool Take(const plat::Event& e) {
    if (hooks.seen) {
        hooks.seen(frames::Count(), e);
    }
    switch (e.kind) {
        case plat::EventKind::KeyDown:
            KeyEvent(e.key, true);
            PostMessage(WM_KEYDOWN, e.key, 0);
            return true;
        case plat::EventKind::KeyUp:
            KeyEvent(e.key, false);
            return false;
        case plat::EventKind::Joystick:
            if (e.slot >= 0 && e.slot < StickSlots) {
                Stick& s = sticks[static_cast<size_t>(e.slot)];
                s.attached = e.attached;
                s.x = std::clamp(e.x, -JoyAxisRange, JoyAxisRange);
                s.y = std::clamp(e.y, -JoyAxisRange, JoyAxisRange);
                std::copy(std::begin(e.buttons), std::end(e.buttons), s.buttons);
            }
            return false;
        case plat::EventKind::FocusLost:
            // Keys let go while another window had the keyboard never come
            // back up: the game returns to nothing down and nothing pending.
            ReleaseAllKeys();
            PostMessage(WM_ACTIVATEAPP, 0, 0);
            return true;
        case plat::EventKind::FocusGained:
            PostMessage(WM_ACTIVATEAPP, 1, 0);
            return true;
        case plat::EventKind::MusicEnd:
            PostMessage(MM_MCINOTIFY, 0, 0);
            return true;
        case plat::EventKind::Close:
            PostMessage(WM_CLOSE, 0, 0);
            return true;
    }
    return false;
}

void Pump() {
    plat::PumpEvents();
    if (hooks.pump) {
        hooks.pump();
    }
}

void Wait() {
    if (hooks.wait) {
        plat::PumpEvents();
        hooks.wait();
        return;
    }
    plat::WaitEvents();
}

Stick StickAt(int slot) {
    return slot >= 0 && slot < StickSlots ? sticks[static_cast<size_t>(slot)] : Stick{};
}

void Reset() {
    hooks = Hooks{};
    sticks = {};
    ClearMessages();
    ReleaseAllKeys();
}

}  // namespace events

void plat::PostEvent(const Event& event) {
    Event e = event;
    if (events::hooks.admit && !events::hooks.admit(e)) {
        return;
    }
    events::Take(e);
}
