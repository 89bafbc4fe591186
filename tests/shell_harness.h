// Shared by the shell's tests: the whole program run on the scripted platform,
// every subsystem put back as a fresh process has it, inside a fresh copy of
// the game directory; what each frame did is reported.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "app/app.h"
#include "base/frameclock.h"
#include "platform/script/script.h"
#include "support/game.h"
#include "support/scratch.h"

namespace shell_test {

namespace fs = std::filesystem;
using frameclock::DueMs;

using Message = std::pair<std::string, std::string>;  // text, caption

struct FrameInfo {
    uint32_t clock = 0;
    int32_t scene = 0;
    bool musicPlaying = false;
    uint64_t pixels = 0;  // a hash of the presented frame
    std::vector<std::string> sounds;
    std::vector<std::string> music;
    std::vector<Message> messages;
};

struct RunResult {
    int exitCode = -1;
    std::vector<FrameInfo> frames;
    std::vector<Message> messages;  // the whole run
    std::vector<std::string> music;
    std::vector<std::string> notes;  // whatever the hooks wrote with Note()
    bool windowOpen = false;
    bool lockHeld = false;
    bool displayOpen = false;
    bool musicPlaying = false;
    bool cursorHidden = false;
    int liveSounds = 0;
    int badSoundReleases = 0;
    std::string windowTitle;
};

struct Hooks {
    std::function<void()> setup;             // before WinMain: script, faults, clock
    std::function<void(int)> before;         // before each frame
    std::function<void(int)> after;          // after each frame, before it is recorded
    std::function<void(RunResult*)> finish;  // after WinMain returned
};

namespace detail {

inline std::vector<std::string>& Notes() {
    static std::vector<std::string> notes;
    return notes;
}

inline uint64_t Hash(const std::vector<uint16_t>& pixels) {
    uint64_t h = 1469598103934665603ull;
    for (uint16_t p : pixels) {
        h = (h ^ p) * 1099511628211ull;
    }
    return h;
}

}  // namespace detail

// For hooks: a line for the parent to look at.
inline void Note(const std::string& line) {
    detail::Notes().push_back(line);
}

// Runs the program once, in the current directory, from every subsystem's
// start as a fresh process has it.
inline RunResult RunGame(const Hooks& hooks) {
    testgame::Reset();
    detail::Notes().clear();
    RunResult r;
    if (hooks.setup) {
        hooks.setup();
    }
    testgame::SetBeforeFrame([&](int frame) {
        if (hooks.before) {
            hooks.before(frame);
        }
    });
    testgame::SetAfterFrame([&](int frame, frames::Output&& rec) {
        if (hooks.after) {
            hooks.after(frame);
        }
        r.frames.push_back(FrameInfo{rec.clock, LastSceneRun(), script::MusicPlaying(),
                                     detail::Hash(script::LastPresented()), rec.sounds, rec.music,
                                     rec.messages});
    });
    r.exitCode = WinMain();
    r.messages = frames::All().messages;
    r.music = frames::All().music;
    r.windowOpen = script::WindowOpen();
    r.lockHeld = script::LockHeld();
    r.displayOpen = script::DisplayIsOpen();
    r.musicPlaying = script::MusicPlaying();
    r.cursorHidden = script::CursorHidden();
    r.liveSounds = script::LiveSounds();
    r.badSoundReleases = script::BadSoundReleases();
    r.windowTitle = script::WindowTitle();
    if (hooks.finish) {
        hooks.finish(&r);
    }
    r.notes = detail::Notes();
    testgame::Reset();
    return r;
}

}  // namespace shell_test
