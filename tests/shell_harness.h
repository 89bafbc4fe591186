// Shared by the shell's tests: the whole program run on the scripted platform
// in a child process of its own, so that every run starts with every
// subsystem as a fresh process has it, inside a fresh copy of the game
// directory; the child reports what each frame did.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "app/app.h"
#include "platform/script/script.h"

namespace shell_test {

namespace fs = std::filesystem;

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

// One item a line, a letter for its kind first. The game's texts hold no
// line breaks or tabs, so a message is its text and caption split by a tab.
inline std::string Serialize(const RunResult& r) {
    std::string out = "x " + std::to_string(r.exitCode) + "\n";
    auto line = [&](char kind, const std::string& text) { out += kind + (" " + text) + "\n"; };
    auto message = [&](char kind, const Message& m) { line(kind, m.first + "\t" + m.second); };
    for (const FrameInfo& f : r.frames) {
        line('f', std::to_string(f.clock) + " " + std::to_string(f.scene) + " " +
                      std::to_string(f.musicPlaying) + " " + std::to_string(f.pixels));
        for (const auto& t : f.sounds)
            line('s', t);
        for (const auto& t : f.music)
            line('m', t);
        for (const auto& m : f.messages)
            message('b', m);
    }
    for (const auto& m : r.messages)
        message('B', m);
    for (const auto& t : r.music)
        line('M', t);
    for (const auto& t : r.notes)
        line('n', t);
    line('z', std::to_string(r.windowOpen) + " " + std::to_string(r.lockHeld) + " " +
                  std::to_string(r.displayOpen) + " " + std::to_string(r.musicPlaying) + " " +
                  std::to_string(r.cursorHidden) + " " + std::to_string(r.liveSounds) + " " +
                  std::to_string(r.badSoundReleases));
    line('t', r.windowTitle);
    return out;
}

inline RunResult Deserialize(const std::string& in) {
    RunResult r;
    std::istringstream lines(in);
    for (std::string l; std::getline(lines, l);) {
        const char kind = l[0];
        const std::string text = l.substr(2);
        std::istringstream words(text);
        const size_t tab = text.find('\t');
        const Message m = {text.substr(0, tab),
                           tab == std::string::npos ? "" : text.substr(tab + 1)};
        switch (kind) {
            case 'x':
                words >> r.exitCode;
                break;
            case 'f': {
                FrameInfo f;
                words >> f.clock >> f.scene >> f.musicPlaying >> f.pixels;
                r.frames.push_back(f);
                break;
            }
            case 's':
                r.frames.back().sounds.push_back(text);
                break;
            case 'm':
                r.frames.back().music.push_back(text);
                break;
            case 'b':
                r.frames.back().messages.push_back(m);
                break;
            case 'B':
                r.messages.push_back(m);
                break;
            case 'M':
                r.music.push_back(text);
                break;
            case 'n':
                r.notes.push_back(text);
                break;
            case 'z':
                words >> r.windowOpen >> r.lockHeld >> r.displayOpen >> r.musicPlaying >>
                    r.cursorHidden >> r.liveSounds >> r.badSoundReleases;
                break;
            case 't':
                r.windowTitle = text;
                break;
            default:
                break;
        }
    }
    return r;
}

}  // namespace detail

// For hooks: a line for the parent to look at.
inline void Note(const std::string& line) {
    detail::Notes().push_back(line);
}

// Runs the program once in a child process, in the current directory.
inline RunResult RunGame(const Hooks& hooks) {
    int fds[2];
    if (pipe(fds) != 0) {
        ADD_FAILURE() << "no pipe";
        return {};
    }
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        close(fds[0]);
        alarm(120);  // a run that hangs fails instead of holding up the suite
        script::Reset();
        ResetAppState();
        RunResult r;
        if (hooks.setup) {
            hooks.setup();
        }
        script::SetBeforeFrame([&](int frame) {
            if (hooks.before) {
                hooks.before(frame);
            }
        });
        script::SetAfterFrame([&](int frame) {
            if (hooks.after) {
                hooks.after(frame);
            }
            script::Record rec = script::TakeRecord();
            FrameInfo f;
            f.clock = rec.clock;
            f.scene = LastSceneRun();
            f.musicPlaying = script::MusicPlaying();
            f.pixels = detail::Hash(script::LastPresented());
            f.sounds = rec.sounds;
            f.music = rec.music;
            f.messages = rec.messages;
            r.frames.push_back(f);
        });
        r.exitCode = WinMain();
        r.messages = script::AllRecorded().messages;
        r.music = script::AllRecorded().music;
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
        const std::string out = detail::Serialize(r);
        size_t done = 0;
        while (done < out.size()) {
            const ssize_t n = write(fds[1], out.data() + done, out.size() - done);
            if (n <= 0) {
                _exit(3);
            }
            done += static_cast<size_t>(n);
        }
        close(fds[1]);
        _exit(0);
    }
    close(fds[1]);
    std::string in;
    char buffer[65536];
    for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) > 0;) {
        in.append(buffer, static_cast<size_t>(n));
    }
    close(fds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || in.empty()) {
        ADD_FAILURE() << "the game's run did not finish (status " << status << ")";
        return {};
    }
    return detail::Deserialize(in);
}

// A test that runs inside a fresh copy of the build's game directory.
class GameDirTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/tessalune-shell-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
        fs::copy(TESSALUNE_GAMEDIR, dir_, fs::copy_options::recursive);
        home_ = fs::current_path();
        fs::current_path(dir_);
    }
    void TearDown() override {
        fs::current_path(home_);
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }
    fs::path dir_;
    fs::path home_;
};

// The first clock millisecond at or after the due time of frame n.
inline uint32_t DueMs(uint32_t first, int n) {
    return static_cast<uint32_t>((uint64_t{first} * 16 + 266ull * static_cast<uint64_t>(n) + 15) /
                                 16);
}

}  // namespace shell_test
