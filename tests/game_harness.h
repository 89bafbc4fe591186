// The one whole-game harness of the tests: the game run on the scripted
// platform from the program's first frame, with every subsystem as at
// start-up, inside a fresh copy of the game directory, with a record of what
// each frame did and showed. The scene tests drive it frame by frame
// (scenes_test::Game); the shell's tests run whole programs with hooks
// (shell_test::RunGame).
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/app.h"
#include "base/frameclock.h"
#include "data/stage.h"
#include "gfx/gfx.h"
#include "input/keys.h"
#include "platform/script/script.h"
#include "scenes/play.h"
#include "scenes/scenes.h"
#include "support/bytes.h"
#include "support/child.h"
#include "support/game.h"
#include "support/picture.h"
#include "support/trace.h"

namespace scenes_test {

// Writes a stage file of the game directory ("Data/Map<index + 1>").
inline void PutStage(int index, const std::vector<int32_t>& cells) {
    WriteBytes(StagePath(index), LeWords(cells));
}

// A grid with the given cells set, all others empty.
struct CellValue {
    int column, row;
    int32_t value;
};
inline std::vector<int32_t> GridWith(const std::vector<CellValue>& cells) {
    std::vector<int32_t> g(StageCells, 0);
    for (const CellValue& c : cells) {
        g[static_cast<size_t>(c.column * StageRows + c.row)] = c.value;
    }
    return g;
}
inline void SetGrid(const std::vector<int32_t>& g) {
    std::copy(g.begin(), g.end(), StageGrid);
}
inline int32_t Cell(const std::vector<int32_t>& g, int column, int row) {
    return g.at(static_cast<size_t>(column * StageRows + row));
}

// One frame as the test saw it, after it was presented.
struct Frame {
    int32_t ran = 0;            // the scene code the frame ran
    int32_t next = 0;           // the scene code it handed on
    PlayState play{};           // the play state after the frame
    std::vector<int32_t> grid;  // the StageGrid after the frame
    std::vector<int32_t> fall;  // the FallGrid after the frame
    frames::Output record;
    bool musicPlaying = false;     // the music sounding after the frame
    uint64_t pixels = 0;           // a hash of the presented picture, when asked for
    std::vector<uint16_t> screen;  // only when asked for
};

inline uint64_t HashPixels(const std::vector<uint16_t>& pixels) {
    uint64_t h = 1469598103934665603ull;
    for (uint16_t p : pixels) {
        h = (h ^ p) * 1099511628211ull;
    }
    return h;
}

using Screen = std::vector<uint16_t>;

// A copy of a sprite sheet, taken while the game runs (the sheets are gone
// once it has shut down).
struct Sheet : SdlPicture {
    uint16_t at(int x, int y) const {
        if (x < 0 || y < 0 || x >= w || y >= h) {
            return 0;
        }
        return px[static_cast<size_t>(y) * w + x];
    }
};

inline Sheet CopySheet(const Surface* s) {
    Sheet out;
    if (s == nullptr) {
        return out;
    }
    out.w = SurfaceWidth(s);
    out.h = SurfaceHeight(s);
    for (int y = 0; y < out.h; ++y) {
        for (int x = 0; x < out.w; ++x) {
            out.px.push_back(SurfacePixel(s, x, y));
        }
    }
    return out;
}

// The sheets as the last game run loaded them: [1] System1, [2] System2, [3] Bg.
inline std::array<Sheet, 4>& Sheets() {
    static std::array<Sheet, 4> sheets;
    return sheets;
}

// The game run of one test: set it up, Run() it, look at the frames.
class Game {
  public:
    Game() { testgame::Reset(); }

    // Key events applied before the frame's hook runs.
    void Down(int frame, int vk) { Key(frame, script::EventKind::Down, vk); }
    void Up(int frame, int vk) { Key(frame, script::EventKind::Up, vk); }
    void Tap(int frame, int vk) {
        Down(frame, vk);
        Up(frame + 1, vk);
    }
    // Held from `from` up to and including `to`.
    void Hold(int from, int to, int vk) {
        Down(from, vk);
        Up(to + 1, vk);
    }
    // Starts the program in this scene instead of the title (0: the title).
    void StartIn(int32_t scene) { startScene_ = scene; }
    // Runs before frame F, after its key events (set up positions here).
    void Before(std::function<void(int)> hook) { before_ = std::move(hook); }
    // Runs after frame F was presented, before the test's record of it is made.
    void After(std::function<void(int)> hook) { after_ = std::move(hook); }
    // Keeps a hash of every presented picture.
    void HashScreens() { hashScreens_ = true; }
    // Keeps the presented picture of these frames.
    void KeepScreen(int frame) { keep_.push_back(frame); }
    void KeepScreens(int from, int to) {
        for (int f = from; f <= to; ++f) {
            keep_.push_back(f);
        }
    }

    // Runs `frames` frames (or until the program ends by itself); a negative
    // number leaves the limit as the test set it.
    void Run(int frames) {
        if (frames >= 0) {
            testgame::SetFrameLimit(frames);
        }
        testgame::SetBeforeFrame([this](int f) {
            if (f == 0 && startScene_ != 0) {
                CurrentScene = startScene_;
            }
            if (before_) {
                before_(f);
            }
        });
        testgame::SetAfterFrame([this](int f, frames::Output&& frameOut) {
            if (after_) {
                after_(f);
            }
            if (f == 0) {
                for (int i = 0; i < 4; ++i) {
                    Sheets()[static_cast<size_t>(i)] = CopySheet(lpMain[i]);
                }
            }
            Frame fr;
            fr.ran = LastSceneRun();
            fr.next = CurrentScene;
            fr.play = GetPlayState();
            fr.grid.assign(StageGrid, StageGrid + StageCells);
            fr.fall.assign(FallGrid, FallGrid + StageCells);
            fr.record = std::move(frameOut);
            fr.musicPlaying = script::MusicPlaying();
            if (hashScreens_) {
                fr.pixels = HashPixels(script::LastPresented());
            }
            if (std::count(keep_.begin(), keep_.end(), f) != 0) {
                fr.screen = script::LastPresented();
            }
            frames_.push_back(std::move(fr));
        });
        exitCode_ = WinMain();
        testgame::SetBeforeFrame(nullptr);
        testgame::SetAfterFrame(nullptr);
    }

    const Frame& at(int f) const { return frames_.at(static_cast<size_t>(f)); }
    int count() const { return static_cast<int>(frames_.size()); }
    int exitCode() const { return exitCode_; }

    // The frames whose records hold this sound ("move", "hit3", ...).
    std::vector<int> FramesWithSound(const std::string& prefix) const {
        std::vector<int> out;
        for (int f = 0; f < count(); ++f) {
            for (const auto& s : at(f).record.sounds) {
                if (s.rfind(prefix, 0) == 0) {
                    out.push_back(f);
                    break;
                }
            }
        }
        return out;
    }
    // Every sound in order, with its frame.
    std::vector<std::pair<int, std::string>> Sounds() const {
        std::vector<std::pair<int, std::string>> out;
        for (int f = 0; f < count(); ++f) {
            for (const auto& s : at(f).record.sounds) {
                out.emplace_back(f, s);
            }
        }
        return out;
    }
    bool MusicMentions(int f, const std::string& text) const {
        for (const auto& m : at(f).record.music) {
            if (m.find(text) != std::string::npos) {
                return true;
            }
        }
        return false;
    }

  private:
    void Key(int frame, script::EventKind kind, int vk) {
        script::Event e;
        e.frame = frame;
        e.kind = kind;
        e.vk = vk;
        testgame::AddEvent(e);
    }

    int32_t startScene_ = 0;
    std::function<void(int)> before_;
    std::function<void(int)> after_;
    bool hashScreens_ = false;
    std::vector<int> keep_;
    std::vector<Frame> frames_;
    int exitCode_ = 0;
};

// Runs `body` on a fresh Game inside a fresh copy of the game directory,
// started in `scene` (the program's own start without one).
inline void WithGame(int32_t scene, const std::function<void(Game&)>& body) {
    InFreshGame([&] {
        Game g;
        g.StartIn(scene);
        body(g);
    });
}
inline void WithGame(const std::function<void(Game&)>& body) {
    WithGame(0, body);
}

// ---- pictures -------------------------------------------------------------

inline uint16_t ScreenAt(const Screen& s, int x, int y) {
    return s.at(static_cast<size_t>(y) * DisplayWidth + static_cast<size_t>(x));
}

// True when every opaque pixel of the w x h rectangle at (sx, sy) of the sheet
// is what the screen shows at (x, y) onwards (the parts on the screen); the
// number of opaque pixels compared goes to *opaque.
inline bool SpriteShown(const Screen& s, int x, int y, int w, int h, const Sheet& sheet, int sx,
                        int sy, int* opaque = nullptr) {
    int n = 0;
    for (int j = 0; j < h; ++j) {
        for (int i = 0; i < w; ++i) {
            const int X = x + i;
            const int Y = y + j;
            if (X < 0 || Y < 0 || X >= DisplayWidth || Y >= DisplayHeight) {
                continue;
            }
            const uint16_t p = sheet.at(sx + i, sy + j);
            if (p == 0) {
                continue;
            }
            ++n;
            if (ScreenAt(s, X, Y) != p) {
                if (opaque) {
                    *opaque = n;
                }
                return false;
            }
        }
    }
    if (opaque) {
        *opaque = n;
    }
    return true;
}

// SpriteShown, also requiring the sprite to have something to compare.
inline ::testing::AssertionResult Shows(const Screen& s, int x, int y, int w, int h,
                                        const Sheet& sheet, int sx, int sy) {
    if (s.size() != static_cast<size_t>(DisplayWidth) * DisplayHeight) {
        return ::testing::AssertionFailure() << "no picture kept";
    }
    int n = 0;
    if (!SpriteShown(s, x, y, w, h, sheet, sx, sy, &n)) {
        return ::testing::AssertionFailure() << "the sprite at (" << sx << ", " << sy
                                             << ") is not shown at (" << x << ", " << y << ")";
    }
    if (n == 0) {
        return ::testing::AssertionFailure()
               << "the sheet is blank at (" << sx << ", " << sy << ")";
    }
    return ::testing::AssertionSuccess();
}

// The digit image shown in the 32 x 32 cell at (x, y), or -1. When one
// digit's shape lies inside another's, the larger that fits is the answer.
inline int DigitAt(const Screen& s, int x, int y) {
    int best = -1;
    int bestPixels = 0;
    for (int d = 0; d < 10; ++d) {
        int n = 0;
        if (SpriteShown(s, x, y, 32, 32, Sheets()[2], 288, 32 * d, &n) && n > bestPixels) {
            best = d;
            bestPixels = n;
        }
    }
    return best;
}

inline std::vector<int> DigitsAt(const Screen& s, int x, int y, int count) {
    std::vector<int> out;
    for (int i = 0; i < count; ++i) {
        out.push_back(DigitAt(s, x + 32 * i, y));
    }
    return out;
}

// ---- the headless runner ----------------------------------------------------

// Loads the sprite sheets the way the game does, by running it for a frame.
inline void CaptureSheets() {
    Game g;
    g.Run(1);
}

// Runs tessalune-headless in the working directory with the given input
// script and options; returns its exit status.
inline int RunRunner(const std::string& script, const std::string& options) {
    WriteBytes("input.txt", Bytes(script.begin(), script.end()));
    return RunCommand(std::string(TESSALUNE_HEADLESS) + " --input input.txt " + options +
                      " >runner.log 2>&1");
}

// A shot of the runner, a 24-bit BMP, as the 16-bit screen it was taken
// from (each channel's top bits); empty if it cannot be read.
inline Screen ReadShot(const std::string& path) {
    const SdlPicture shot = ReadSdlPicture(path);
    return shot.w == DisplayWidth && shot.h == DisplayHeight && shot.bits == 24 ? shot.px
                                                                                : Screen{};
}

}  // namespace scenes_test

// ---- whole runs of the program, for the shell's tests ------------------------

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

// Hooks with only a set-up.
inline Hooks WithSetUp(std::function<void()> setup) {
    Hooks h;
    h.setup = std::move(setup);
    return h;
}

namespace detail {

inline std::vector<std::string>& Notes() {
    static std::vector<std::string> notes;
    return notes;
}

}  // namespace detail

// For hooks: a line for the parent to look at.
inline void Note(const std::string& line) {
    detail::Notes().push_back(line);
}

// Runs the program once, in the current directory, from every subsystem's
// start as a fresh process has it, until it ends by itself.
inline RunResult RunGame(const Hooks& hooks) {
    scenes_test::Game game;
    detail::Notes().clear();
    if (hooks.setup) {
        hooks.setup();
    }
    game.Before(hooks.before);
    game.After(hooks.after);
    game.HashScreens();
    game.Run(-1);
    RunResult r;
    r.exitCode = game.exitCode();
    for (int f = 0; f < game.count(); ++f) {
        const scenes_test::Frame& fr = game.at(f);
        r.frames.push_back(FrameInfo{fr.record.clock, fr.ran, fr.musicPlaying, fr.pixels,
                                     fr.record.sounds, fr.record.music, fr.record.messages});
    }
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
