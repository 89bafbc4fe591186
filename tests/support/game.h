// The game on the scripted platform as the headless runner plays it: every
// subsystem back at its start, and a script handed over beside the platform,
// with time passing up to its lines while the game is inactive.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <utility>

#include "app/app.h"
#include "base/frames.h"
#include "demo/script_text.h"
#include "demo/tap.h"
#include "input/events.h"
#include "platform/script/script.h"
#include "support/scratch.h"

namespace testgame {

namespace detail {
inline std::function<void(int)>& Before() {
    static std::function<void(int)> hook;
    return hook;
}
inline std::function<void(int, frames::Output&&)>& After() {
    static std::function<void(int, frames::Output&&)> hook;
    return hook;
}
inline void Install() {
    frames::SetHooks(Before(), After());
}
}  // namespace detail

// A fresh game and platform, an empty script, no frame limit, and everything
// the game shows or plays kept for the whole run (frames::All).
inline void Reset() {
    tap::Finish();
    script::Reset();
    ResetGame();
    frames::KeepAll(true);
    detail::Before() = nullptr;
    detail::After() = nullptr;
    tap::PlaybackOptions options;
    options.closeAfterLast = false;
    options.replacesPlayer = false;
    options.beforeWaitedLine = script::AdvanceClockToFrame;
    tap::StartPlayback({}, std::move(options));
}

// A script line; a stick moved by the script is plugged in.
inline void AddEvent(const script::Event& e) {
    if (e.kind == script::EventKind::Joy) {
        script::AttachJoystick(true);
    }
    tap::AddLine(e);
}

// The runner's input-script text, added line by line; false with a message.
inline bool ParseScript(const std::string& text, std::string* error,
                        script::ScriptHeader* header = nullptr) {
    std::vector<script::Event> lines;
    if (!script::ParseEvents(text, &lines, header, error)) {
        return false;
    }
    for (const script::Event& e : lines) {
        AddEvent(e);
    }
    return true;
}

// After this many frames the game is closed as a close from outside does.
inline void SetFrameLimit(int frames) {
    tap::SetFrameLimit(frames);
}

// Called before frame F runs (after its events) and after it was presented.
inline void SetBeforeFrame(std::function<void(int)> hook) {
    detail::Before() = std::move(hook);
    detail::Install();
}
inline void SetAfterFrame(std::function<void(int, frames::Output&&)> hook) {
    detail::After() = std::move(hook);
    detail::Install();
}

// Hands a key to the game as a keyboard does.
inline void Key(int vk, bool down) {
    plat::Event e;
    e.kind = down ? plat::EventKind::KeyDown : plat::EventKind::KeyUp;
    e.key = vk;
    events::Take(e);
}
// Down and up again before the game looks: a tap between two reads.
inline void TapKey(int vk) {
    Key(vk, true);
    Key(vk, false);
}

// Runs `body` inside a fresh copy of the game directory, which is removed
// afterwards, with the game as a fresh process has it.
inline void InFreshGame(const std::function<void()>& body) {
    std::string why;
    const std::string dir = NewGameCopy("game", &why);
    ASSERT_FALSE(dir.empty()) << why;
    std::error_code ec;
    const std::filesystem::path back = std::filesystem::current_path(ec);
    std::filesystem::current_path(dir, ec);
    ASSERT_FALSE(ec) << "cannot enter " << dir;
    Reset();
    body();
    Reset();
    std::filesystem::current_path(back, ec);
    std::filesystem::remove_all(dir, ec);
}

}  // namespace testgame

using testgame::InFreshGame;
