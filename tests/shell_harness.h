// Shared by the shell's tests: the whole program run on the scripted platform
// in a child process of its own, so that every run starts with every
// subsystem as a fresh process has it, inside a fresh copy of the game
// directory; the child reports what each frame did.
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
#include "support/child.h"
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
    std::function<void(RunResult*)> finish;  // after WinMain returned, in the child
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

// The record goes from the child to the parent field by field; Fields names
// them once, for the writer and the reader alike.
template <class F>
void Fields(F& f, FrameInfo& x) {
    f(x.clock, x.scene, x.musicPlaying, x.pixels, x.sounds, x.music, x.messages);
}
template <class F>
void Fields(F& f, RunResult& r) {
    f(r.exitCode, r.frames, r.messages, r.music, r.notes, r.windowOpen, r.lockHeld, r.displayOpen,
      r.musicPlaying, r.cursorHidden, r.liveSounds, r.badSoundReleases, r.windowTitle);
}

// Numbers as their bytes (parent and child are the same program), strings
// and lists after their length; the same code writes and reads.
struct Wire {
    std::string bytes;
    bool reading = false;
    size_t at = 0;
    bool ok = true;
    template <class... T>
    void operator()(T&... v) {
        (Item(v), ...);
    }
    template <class T>
    void Item(T& v) {
        if constexpr (std::is_arithmetic_v<T>) {
            if (!reading) {
                bytes.append(reinterpret_cast<const char*>(&v), sizeof v);
            } else if ((ok = ok && sizeof v <= bytes.size() - at)) {
                std::memcpy(&v, bytes.data() + at, sizeof v);
                at += sizeof v;
            }
        } else if constexpr (requires { v.first; }) {
            Item(v.first), Item(v.second);
        } else if constexpr (requires { v.size(); }) {
            size_t n = v.size();
            Item(n);
            // Every item takes a byte at least: a length past the end is damage.
            v.resize(reading ? (ok ? std::min(n, bytes.size() - at) : 0) : n);
            for (auto& item : v) {
                Item(item);
            }
        } else {
            Fields(*this, v);
        }
    }
};

}  // namespace detail

// For hooks: a line for the parent to look at.
inline void Note(const std::string& line) {
    detail::Notes().push_back(line);
}

// Runs the program once in a child process, in the current directory.
inline RunResult RunGame(const Hooks& hooks) {
    std::string record;
    const int status = RunInChild(
        [&](std::string* out) {
            testgame::Reset();
            ResetAppState();
            RunResult r;
            if (hooks.setup) {
                hooks.setup();
            }
            testgame::SetBeforeFrame([&](int frame) {
                if (hooks.before) {
                    hooks.before(frame);
                }
            });
            testgame::SetAfterFrame([&](int frame, frames::Output&& frameOut) {
                if (hooks.after) {
                    hooks.after(frame);
                }
                frames::Output rec = std::move(frameOut);
                r.frames.push_back(FrameInfo{rec.clock, LastSceneRun(), script::MusicPlaying(),
                                             detail::Hash(script::LastPresented()), rec.sounds,
                                             rec.music, rec.messages});
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
            detail::Wire w;
            detail::Fields(w, r);
            *out = std::move(w.bytes);
            return 0;
        },
        &record, "", 120);  // a run that hangs fails instead of holding up the suite
    RunResult r;
    detail::Wire reader{std::move(record), true};
    detail::Fields(reader, r);
    if (status == -1 || !WIFEXITED(status) || WEXITSTATUS(status) != 0 || !reader.ok ||
        reader.at != reader.bytes.size()) {
        ADD_FAILURE() << "the game's run did not finish: " << DescribeStatus(status);
        return {};
    }
    return r;
}

}  // namespace shell_test
