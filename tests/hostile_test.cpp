// Hostile game directories: every file the game reads, in turn, missing,
// empty, cut short, claiming absurd sizes, replaced by noise or by something
// that is not a file at all. The whole game runs on each from start-up
// through every scene (title, play, result, score view, stage editor) and
// must end with its own message and exit code 0, or play on: never crash,
// hang, read out of bounds (the sanitizer build runs this too) or change a
// file it was not asked to write.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

#include "app/app.h"
#include "data/scores.h"
#include "data/stage.h"
#include "input/keys.h"
#include "platform/script/script.h"
#include "scenes/play.h"
#include "scenes/scenes.h"
#include "support/bytes.h"
#include "support/game.h"

namespace {

namespace fs = std::filesystem;

// A tour takes about 1200 frames, 2400 with ten empty stages; past this the
// game is closed and the case fails as stuck.
constexpr int FrameBound = 5000;

const char* const MusicFailed = "オープン失敗";
const char* const SaveFailed = "セーブ失敗\n";

// The paddle on the far side of this from the ball never meets it.
constexpr int PlayfieldMiddle = 32 + 416 / 2;

// ---- what is put in a file's place -------------------------------------------

enum class Kind { File, Missing, Directory, Fifo };

struct Replacement {
    Kind kind = Kind::File;
    Bytes bytes;
};

// A way to spoil a file, made from its good bytes.
struct Variant {
    std::string name;
    std::function<Replacement(const Bytes&)> make;
    // Whether the game must still be able to use the file (true), must turn
    // it away (false), or either (nullopt) as the platform's decoder decides.
    std::optional<bool> usable;
};

Replacement File(Bytes b) {
    return {Kind::File, std::move(b)};
}
Replacement Cut(const Bytes& b, size_t n) {
    return File(Bytes(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(std::min(n, b.size()))));
}

// The data files must stay usable whatever is done to them; the others may not.
Variant Gone(bool usable = false) {
    return {"missing", [](const Bytes&) { return Replacement{Kind::Missing, {}}; }, usable};
}
Variant Empty(bool usable = false) {
    return {"empty", [](const Bytes&) { return File({}); }, usable};
}
Variant CutAt(size_t n, std::optional<bool> usable) {
    return {"first " + std::to_string(n) + " bytes", [n](const Bytes& b) { return Cut(b, n); },
            usable};
}
Variant Half(std::optional<bool> usable) {
    return {"first half", [](const Bytes& b) { return Cut(b, b.size() / 2); }, usable};
}
Variant AllButOne(std::optional<bool> usable) {
    return {"all but the last byte",
            [](const Bytes& b) { return Cut(b, b.empty() ? 0 : b.size() - 1); }, usable};
}
Variant RandomBytes() {
    return {"random bytes", [](const Bytes& b) { return File(Noise("noise", b.size())); }, false};
}
Variant ADirectory(bool usable = false) {
    return {"a directory", [](const Bytes&) { return Replacement{Kind::Directory, {}}; }, usable};
}
Variant AFifo(bool usable = false) {
    return {"a fifo nobody writes to",
            [](const Bytes&) {
                return Replacement{Kind::Fifo, {}};
            },
            usable};
}
Variant Patched(std::string name, std::function<void(Bytes*)> patch, std::optional<bool> usable) {
    return {std::move(name),
            [patch](const Bytes& b) {
                Bytes out = b;
                patch(&out);
                return File(out);
            },
            usable};
}

// The 32-bit little-endian field at `at` set to `value`.
Variant Field32(std::string name, size_t at, uint32_t value, std::optional<bool> usable) {
    return Patched(
        std::move(name), [at, value](Bytes* b) { PutLe32(b, at, value); }, usable);
}

// A small but perfectly good 24-bit bitmap of w x h (top row first when h < 0).
Variant GoodBitmap(std::string name, int32_t w, int32_t h) {
    static std::mt19937 pixels(7);
    return {std::move(name),
            [w, h](const Bytes&) {
                return File(RandomBmp({40, 24}, w, h, pixels));
            },
            true};
}

std::vector<Variant> PictureVariants() {
    return {
        Gone(),
        Empty(),
        CutAt(10, false),
        CutAt(54, false),  // the headers and not one pixel
        Half(false),
        AllButOne(false),
        RandomBytes(),
        Field32("width 0x7fffffff", 18, 0x7FFFFFFF, false),
        Field32("height 0x7fffffff", 22, 0x7FFFFFFF, false),
        Field32("height INT32_MIN", 22, 0x80000000u, false),
        Field32("width 0", 18, 0, false),
        Patched(
            "4000 x 4000 with the pixels of the old size",
            [](Bytes* b) {
                PutLe32(b, 18, 4000);
                PutLe32(b, 22, 4000);
            },
            false),
        Field32("pixels at offset 0xfffffff0", 10, 0xFFFFFFF0u, false),
        Patched(
            "0xffff bits a pixel", [](Bytes* b) { PutLe16(b, 28, 0xFFFF); }, false),
        // The decoder may take this as a 256-colour picture of noise.
        Patched(
            "8 bits a pixel with 0x7fffffff colours",
            [](Bytes* b) {
                PutLe16(b, 28, 8);
                PutLe32(b, 46, 0x7FFFFFFF);
            },
            std::nullopt),
        Field32("header size 0xfffffff0", 14, 0xFFFFFFF0u, false),
        Field32("file size field 0xfffffff0", 2, 0xFFFFFFF0u, std::nullopt),
        Patched(
            "random pixels under good headers",
            [](Bytes* b) {
                const Bytes noise = Noise("pixels", b->size());
                std::copy(noise.begin() + 54, noise.end(), b->begin() + 54);
            },
            true),
        GoodBitmap("a good 1 x 1 picture", 1, 1),
        GoodBitmap("a good 3 x 2 picture stored top row first", 3, -2),
        ADirectory(),
        AFifo(),
    };
}

std::vector<Variant> WaveVariants() {
    auto chunkSize = [](const char* id, uint32_t size) {
        return [id, size](Bytes* b) {
            const size_t at = FindId(*b, id, 12);
            ASSERT_NE(at, std::string::npos) << id;
            PutLe32(b, at + 4, size);
        };
    };
    auto fmtField = [](size_t offset, uint32_t value, int width) {
        return [offset, value, width](Bytes* b) {
            const size_t at = FindId(*b, "fmt ", 12);
            ASSERT_NE(at, std::string::npos);
            if (width == 2) {
                PutLe16(b, at + 8 + offset, static_cast<uint16_t>(value));
            } else {
                PutLe32(b, at + 8 + offset, value);
            }
        };
    };
    return {
        Gone(),
        Empty(),
        CutAt(10, false),
        CutAt(44, true),  // every header, no sample: a second of silence
        Half(true),
        AllButOne(true),
        RandomBytes(),
        Field32("RIFF size 0xfffffff0", 4, 0xFFFFFFF0u, true),
        Patched("fmt size 0xfffffff0", chunkSize("fmt ", 0xFFFFFFF0u), false),
        Patched("data size 0xfffffff0", chunkSize("data", 0xFFFFFFF0u), true),
        Patched("data size 0", chunkSize("data", 0), false),
        Patched("no channels", fmtField(2, 0, 2), false),
        Patched("65535 channels", fmtField(2, 0xFFFF, 2), false),
        Patched("rate 0", fmtField(4, 0, 4), false),
        Patched("rate 0xffffffff", fmtField(4, 0xFFFFFFFFu, 4), false),
        Patched("12 bits a sample", fmtField(14, 12, 2), false),
        Patched("not PCM", fmtField(0, 0x55, 2), false),
        Patched(
            "no data chunk, only a LIST",
            [](Bytes* b) {
                const size_t at = FindId(*b, "data", 12);
                ASSERT_NE(at, std::string::npos);
                std::memcpy(&(*b)[at], "LIST", 4);
            },
            false),
        ADirectory(),
        AFifo(),
    };
}

std::vector<Variant> MusicVariants() {
    // Both players open what the game's own check takes for a MIDI file, a
    // header and a track where it says, and nothing else.
    return {
        Gone(),
        Empty(),
        CutAt(10, false),
        Half(true),
        RandomBytes(),
        Patched(
            "header length 0xfffffff0", [](Bytes* b) { PutBe32(b, 4, 0xFFFFFFF0u); }, false),
        Patched(
            "track length 0xfffffff0",
            [](Bytes* b) {
                const size_t at = FindId(*b, "MTrk");
                ASSERT_NE(at, std::string::npos);
                PutBe32(b, at + 4, 0xFFFFFFF0u);
            },
            true),
        Patched(
            "65535 tracks", [](Bytes* b) { (*b)[10] = (*b)[11] = 0xFF; }, true),
        ADirectory(),
    };
}

std::vector<Variant> DataVariants(size_t fileBytes) {
    const size_t cells = fileBytes / 4;
    auto all = [cells](int32_t v) { return LeWords(std::vector<int32_t>(cells, v)); };
    auto fixed = [](std::string name, Bytes b) {
        return Variant{std::move(name), [b](const Bytes&) { return File(b); }, true};
    };
    std::vector<int32_t> mixed;
    const int32_t pattern[] = {INT32_MAX, INT32_MIN, -5, 0, 1, 2, 7, 10000, -1, 123456789};
    for (size_t i = 0; i < cells; ++i) {
        mixed.push_back(pattern[i % std::size(pattern)]);
    }
    Bytes longer = LeWords(mixed);
    const Bytes tail = Noise("tail", 1000);
    longer.insert(longer.end(), tail.begin(), tail.end());
    return {
        Gone(true),
        Empty(true),
        CutAt(10, true),
        Half(true),
        AllButOne(true),
        fixed("every value -1", all(-1)),
        fixed("every value INT32_MAX", all(INT32_MAX)),
        fixed("every value INT32_MIN", all(INT32_MIN)),
        fixed("huge and negative values mixed", LeWords(mixed)),
        fixed("mixed values and 1000 bytes more", longer),
        fixed("random bytes", Noise("data", fileBytes)),
        fixed("5000 random bytes", Noise("long", 5000)),
        ADirectory(true),
        AFifo(true),
    };
}

// ---- the game directory and what it holds -----------------------------------

struct Entry {
    char type = '?';  // f file, d directory, p fifo, o other
    Bytes bytes;
    bool operator==(const Entry& o) const { return type == o.type && bytes == o.bytes; }
};
using Listing = std::map<std::string, Entry>;

// Every entry below the directory, by relative path, with the whole content
// of each file (the files are small; comparing bytes beats a checksum).
Listing List(const std::string& dir) {
    Listing out;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(dir, ec); it != fs::end(it); it.increment(ec)) {
        if (ec) {
            break;
        }
        const fs::file_status st = it->symlink_status(ec);
        Entry e;
        if (fs::is_regular_file(st)) {
            e.type = 'f';
            e.bytes = ReadBytes(it->path().string());
        } else if (fs::is_directory(st)) {
            e.type = 'd';
        } else if (fs::is_fifo(st)) {
            e.type = 'p';
        } else {
            e.type = 'o';
        }
        out[fs::relative(it->path(), dir).string()] = std::move(e);
    }
    return out;
}

// Puts the replacement at `file` (relative to the working directory).
void Spoil(const std::string& file, const Replacement& r) {
    std::error_code ec;
    fs::remove_all(file, ec);
    switch (r.kind) {
        case Kind::Missing:
            break;
        case Kind::File:
            WriteBytes(file, r.bytes);
            break;
        case Kind::Directory:
            fs::create_directory(file);
            WriteBytes(file + "/inside", {1, 2, 3});
            break;
        case Kind::Fifo:
            ASSERT_EQ(mkfifo(file.c_str(), 0644), 0) << file;
            break;
    }
}

// ---- driving the game through every scene --------------------------------------

struct Tour {
    bool clearScores = false;    // press C in the score view
    bool walkAllStages = false;  // load every stage in the editor
    int keepBall = 240;          // frames of play on each stage before the balls go
};

// What the tour saw of the run.
struct Seen {
    int frames = 0;
    int32_t score = 0;  // the run's, as recorded at its end
    int titleVisits = 0;
    bool played = false;
    bool runEnded = false;
    bool scoreView = false;
    bool editor = false;
    bool left = false;  // the leave entry of the title was confirmed
    std::vector<std::string> failures;
};

// Holds keys for the game between frames, like a player would: a tap is down
// for one frame and up for the next.
class Player {
  public:
    void Tap(int vk) {
        testgame::Key(vk, true);
        release_.push_back(vk);
    }
    void Hold(int vk, bool down) {
        if (held_[vk] != down) {
            testgame::Key(vk, down);
            held_[vk] = down;
        }
    }
    void LetGoOfTaps() {
        for (int vk : release_) {
            testgame::Key(vk, false);
        }
        release_.clear();
    }
    void LetGoOfAll() {
        LetGoOfTaps();
        for (auto& [vk, down] : held_) {
            if (down) {
                testgame::Key(vk, false);
                down = false;
            }
        }
    }

  private:
    std::vector<int> release_;
    std::map<int, bool> held_;
};

// The score file's bytes; nothing when it is no file at all (the game then
// reads ten zeros).
std::optional<Bytes> ReadScoreFile() {
    std::error_code ec;
    if (!fs::is_regular_file(BestScorePath, ec)) {
        return std::nullopt;
    }
    return ReadBytes(BestScorePath);
}

// The ten places as the game reads them from `b`: a short file fills only
// the places it holds, the rest stay zero.
std::vector<int32_t> Table(const std::optional<Bytes>& file) {
    std::vector<int32_t> start = FromLeWords(file.value_or(Bytes{}));
    start.resize(ScoreCount, 0);
    return start;
}

// Runs the whole game and takes it through every
// scene: title, a run that first keeps the ball and then loses every ball,
// the result screen, the score view, the editor loading stages, and out by
// the title's leave entry.
Seen RunTour(const Tour& tour) {
    Seen seen;
    testgame::Reset();
    ResetAppState();
    testgame::SetFrameLimit(FrameBound);
    Player player;
    int32_t scene = 0;
    int enteredAt = 0;
    int stageStartedAt = 0;
    int32_t lastScore = 0;
    std::optional<Bytes> scores = ReadScoreFile();
    int clearFrame = -1;

    testgame::SetBeforeFrame([&](int f) {
        player.LetGoOfTaps();
        if (CurrentScene != scene) {
            player.LetGoOfAll();
            scene = CurrentScene;
            enteredAt = f;
            if (scene == SceneTitle) {
                ++seen.titleVisits;
            }
        }
        const int age = f - enteredAt;
        switch (scene) {
            case SceneTitle:
                if (seen.titleVisits == 1 && age == 61) {
                    player.Tap(VK_Z);  // start a game
                } else if (seen.titleVisits == 2) {
                    if (age == 61) {
                        player.Tap(VK_DOWN);
                    } else if (age == 64) {
                        player.Tap(VK_Z);  // the best scores
                    } else if (age == 90 && tour.clearScores) {
                        player.Tap(VK_C);
                        clearFrame = f;
                    } else if (age == 100) {
                        player.Tap(VK_X);
                    } else if (age == 104) {
                        player.Tap(VK_M);  // the editor
                    }
                } else if (seen.titleVisits >= 3) {
                    if (age == 61) {
                        player.Tap(VK_DOWN);
                    } else if (age == 64) {
                        player.Tap(VK_Z);  // leave
                        seen.left = true;
                    }
                }
                break;
            case ScenePlay: {
                seen.played = true;
                // Keep the ball for a while on every stage, so that it meets
                // the bricks; then stay away from it until every ball is gone.
                const PlayState& p = GetPlayState();
                if (age == 0 || p.entry == PlayEntryFrames) {
                    stageStartedAt = f;
                }
                const int ball = p.ballX + BallSize / 2;
                const int paddle = PaddleLeft + p.paddle + PaddleWidth / 2;
                bool right = false;
                bool left = false;
                if (f - stageStartedAt < PlayEntryFrames + tour.keepBall) {
                    right = paddle < ball - 8;
                    left = paddle > ball + 8;
                } else {
                    right = ball < PlayfieldMiddle;
                    left = !right;
                }
                player.Hold(VK_RIGHT, right);
                player.Hold(VK_LEFT, left);
                break;
            }
            case SceneResult:
                if (age == 61) {
                    player.Tap(VK_Z);
                }
                break;
            case SceneEditor:
                seen.editor = true;
                if (age == 61) {
                    player.Tap(VK_B);  // load the stage shown
                } else if (age == 63) {
                    player.Tap(VK_RIGHT);
                } else if (age == 65) {
                    player.Tap(VK_DOWN);
                } else if (age == 67) {
                    player.Tap(VK_Z);  // a brick on or off, on screen only
                } else if (tour.walkAllStages && age >= 70 && age < 130) {
                    if ((age - 70) % 6 == 0) {
                        player.Tap(VK_C);  // the next stage ...
                    } else if ((age - 70) % 6 == 3) {
                        player.Tap(VK_B);  // ... loaded from its file
                    }
                } else if (age == (tour.walkAllStages ? 140 : 75)) {
                    player.Tap(VK_X);
                }
                break;
            default:
                break;
        }
    });
    testgame::SetAfterFrame([&](int f, frames::Output&&) {
        seen.frames = f + 1;
        const int32_t ran = LastSceneRun();
        if (ran == ScenePlay && CurrentScene == ScenePlay) {
            lastScore = GetPlayState().score;
        }
        const bool runEnd = ran == ScenePlay && CurrentScene == SceneResult;
        if (runEnd) {
            seen.runEnded = true;
            seen.score = lastScore;
        }
        if (ran == SceneTitle && f > enteredAt + 64 && seen.titleVisits == 2) {
            seen.scoreView = true;
        }
        // The score file changes only when a run ends or the player clears it.
        const std::optional<Bytes> now = ReadScoreFile();
        if (now == scores) {
            return;
        }
        if (runEnd) {
            // The table as the game read it, with the run's score in it and
            // one value dropped.
            std::vector<int32_t> before = Table(scores);
            before.push_back(lastScore);
            if (!now || now->size() != ScoreFileBytes) {
                seen.failures.push_back("the run's end left a score file of " +
                                        std::to_string(now ? now->size() : 0) + " bytes");
            }
            for (int32_t v : Table(now)) {
                const auto at = std::find(before.begin(), before.end(), v);
                if (at == before.end()) {
                    seen.failures.push_back("the run's end wrote a score that was never there: " +
                                            std::to_string(v));
                    break;
                }
                before.erase(at);
            }
        } else if (f == clearFrame) {
            if (now != std::optional<Bytes>(Bytes(ScoreFileBytes, 0))) {
                seen.failures.push_back("clearing the scores did not leave forty zero bytes");
            }
        } else {
            seen.failures.push_back("the score file changed on frame " + std::to_string(f) +
                                    " in scene " + std::to_string(ran));
        }
        scores = now;
    });
    const int exitCode = WinMain();
    testgame::SetBeforeFrame(nullptr);
    testgame::SetAfterFrame(nullptr);
    if (exitCode != 0) {
        seen.failures.push_back("exit code " + std::to_string(exitCode));
    }
    return seen;
}

// ---- one case ------------------------------------------------------------------

struct Case {
    std::string file;                      // the spoiled file, relative to the game directory
    Variant variant;                       // what was done to it
    std::vector<std::string> alsoSpoiled;  // more files spoiled the same way
    std::string error;  // the start-up message of this file ("errer lpMain[3]", ...)
    bool music = false;
    Tour tour;
    int emptyBefore = 0;  // stages before the spoiled one made empty (no bricks)
};

struct Outcome {
    bool ok = true;
    std::string why;
};

void Fail(Outcome* o, const std::string& why) {
    o->ok = false;
    o->why += "\n    " + why;
}

// The checks on what the game recorded.
Outcome Judge(const Case& c, const Seen& seen) {
    Outcome o;
    for (const std::string& f : seen.failures) {
        Fail(&o, f);
    }
    const frames::Output& all = frames::All();
    std::vector<std::string> startup;  // every message but the music's and the saves'
    int musicFailures = 0;
    int saveFailures = 0;
    for (const auto& [text, caption] : all.messages) {
        if (text == MusicFailed) {
            ++musicFailures;
        } else if (text.rfind(SaveFailed, 0) == 0) {
            ++saveFailures;
            if (text.find(c.file + ": ") == std::string::npos) {
                Fail(&o, "a failed save does not name the file and why: " + text);
            }
        } else {
            startup.push_back(text);
        }
    }
    int opens = 0;
    for (const std::string& m : all.music) {
        if (m == "open " + c.file) {
            ++opens;
        }
    }
    const bool stopped = seen.frames == 0;
    if (stopped) {
        // Start-up refused the file: a picture's loader says so first, then
        // start-up names the file; no frame runs.
        const bool picture = c.error.rfind("errer lpMain", 0) == 0;
        const bool expected =
            picture ? startup == std::vector<std::string>{"BmpFileErrer", c.error} ||
                          startup == std::vector<std::string>{"CreateSurfaceErrer", c.error}
                    : startup == std::vector<std::string>{c.error};
        if (c.error.empty() || !expected) {
            std::string got;
            for (const std::string& s : startup) {
                got += " [" + s + "]";
            }
            Fail(&o, "start-up stopped with the messages" + got);
        }
        if (c.variant.usable == true) {
            Fail(&o, "start-up refused a file it can use");
        }
        return o;
    }
    if (c.variant.usable == false && !c.error.empty()) {
        Fail(&o, "start-up took a file it must refuse");
    }
    if (!startup.empty()) {
        Fail(&o, "a message while playing: " + startup.front());
    }
    // A directory in the score file's place cannot be replaced: every save
    // of the table fails, and each one says so; any other save succeeds.
    const bool savesFail = c.file == BestScorePath && c.variant.name == "a directory";
    if (savesFail && saveFailures != 1 + (c.tour.clearScores ? 1 : 0)) {
        Fail(&o, std::to_string(saveFailures) + " messages for the failed saves");
    }
    if (!savesFail && saveFailures != 0) {
        Fail(&o, "a save failed");
    }
    if (!(seen.played && seen.runEnded && seen.scoreView && seen.editor && seen.left)) {
        Fail(&o, "the tour did not get through every scene in " + std::to_string(seen.frames) +
                     " frames (played " + std::to_string(seen.played) + ", run ended " +
                     std::to_string(seen.runEnded) + ", score view " +
                     std::to_string(seen.scoreView) + ", editor " + std::to_string(seen.editor) +
                     ", left " + std::to_string(seen.left) + ")");
    }
    if (c.music) {
        // Every open of the spoiled piece that fails says so, once; the
        // others are quiet.
        if (c.variant.usable == false && musicFailures != opens) {
            Fail(&o, std::to_string(opens) + " opens of the spoiled music but " +
                         std::to_string(musicFailures) + " failure messages");
        }
        if (c.variant.usable == true && musicFailures != 0) {
            Fail(&o, "the music failed to open though the game takes it for MIDI");
        }
        if (c.file == "Mid/System.mid" && opens < 3) {
            Fail(&o, "the title, result and editor music was opened only " + std::to_string(opens) +
                         " times");
        }
        if (musicFailures > opens) {
            Fail(&o, "music failure messages for music that opened");
        }
    } else if (musicFailures != 0) {
        Fail(&o, "a music failure with every music file intact");
    }
    return o;
}

// Runs the case inside a copy of the game directory.
void RunCase(const Case& c) {
    SCOPED_TRACE(c.file + ": " + c.variant.name);
    std::string why;
    const std::string dir = NewGameCopy("hostile", &why);
    ASSERT_FALSE(dir.empty()) << why;

    for (int s = 0; s < c.emptyBefore; ++s) {
        WriteBytes(dir + "/" + StagePath(s), Bytes(StageFileBytes, 0));
    }
    std::vector<std::string> spoiled = c.alsoSpoiled;
    spoiled.push_back(c.file);
    for (const std::string& file : spoiled) {
        const std::string target = dir + "/" + file;
        std::error_code ec;
        ASSERT_TRUE(fs::exists(target, ec)) << "the game directory has no " << file;
        Spoil(target,
              c.variant.make(fs::is_regular_file(target, ec) ? ReadBytes(target) : Bytes{}));
    }
    const Listing before = List(dir);
    // What the game says on standard error (its message boxes, and whatever
    // a sanitizer has to report) is shown when the case fails.
    std::string log = (fs::temp_directory_path() / "tessalune-hostile-log-XXXXXX").string();
    const int logFd = mkstemp(log.data());
    ASSERT_GE(logFd, 0);

    // The verdict is told once; gtest output stays readable.
    std::string verdict;
    const int savedStderr = dup(2);
    dup2(logFd, 2);
    std::error_code ec;
    const fs::path back = fs::current_path(ec);
    fs::current_path(dir, ec);
    const Seen seen = RunTour(c.tour);
    Outcome o = Judge(c, seen);
    testgame::Reset();
#if defined(__SANITIZE_ADDRESS__)
    // With the game shut down and everything it made given back, nothing it
    // allocated may still be held.
    if (__lsan_do_recoverable_leak_check() != 0) {
        Fail(&o, "memory leaked (the leak report is below)");
    }
#endif
    fs::current_path(back, ec);
    std::fflush(stderr);
    dup2(savedStderr, 2);
    close(savedStderr);
    close(logFd);
    verdict = o.ok ? "" : o.why;
    if (std::getenv("TESSALUNE_HOSTILE_VERBOSE") != nullptr) {
        verdict +=
            "\n    " + std::to_string(seen.frames) + " frames, score " + std::to_string(seen.score);
    }
    const bool failed = !o.ok;
    if (failed) {
        ADD_FAILURE() << "the game's tour failed:" << verdict;
    }
    if (!verdict.empty()) {
        std::printf("%s: %s%s\n", c.file.c_str(), c.variant.name.c_str(), verdict.c_str());
    }
    if (failed) {
        const Bytes said = ReadBytes(log);
        const size_t keep = std::min<size_t>(said.size(), 6000);
        std::printf("--- standard error of the game (last %zu bytes)\n%.*s\n", keep,
                    static_cast<int>(keep),
                    reinterpret_cast<const char*>(said.data() + said.size() - keep));
    }
    std::remove(log.c_str());

    // Nothing but the best scores changes, and those only when a run ended or
    // they were cleared (checked frame by frame during the tour).
    const Listing after = List(dir);
    for (const auto& [path, entry] : before) {
        const auto it = after.find(path);
        if (path == BestScorePath) {
            continue;
        }
        if (it == after.end()) {
            ADD_FAILURE() << path << " is gone";
        } else if (!(it->second == entry)) {
            ADD_FAILURE() << path << " was changed";
        }
    }
    // A save into a game directory without Data/ makes the directory.
    const std::string dataDir = fs::path(BestScorePath).parent_path().string();
    for (const auto& [path, entry] : after) {
        if (before.count(path) == 0 && path != BestScorePath && path != dataDir) {
            ADD_FAILURE() << path << " was left behind";
        }
    }
    fs::remove_all(dir, ec);
}

void RunVariants(const std::vector<std::string>& files, const std::vector<std::string>& errors,
                 const std::vector<Variant>& variants, bool music) {
    for (size_t i = 0; i < files.size(); ++i) {
        for (const Variant& v : variants) {
            Case c;
            c.file = files[i];
            c.variant = v;
            c.error = errors.empty() ? "" : errors[i];
            c.music = music;
            // Music is only opened and closed: no need to keep the ball.
            c.tour.keepBall = music ? 0 : c.tour.keepBall;
            RunCase(c);
        }
    }
}

TEST(HostileFiles, EveryPictureInTurn) {
    RunVariants({"System/mojicord.bmp", "Fcg/System1.fcg", "Fcg/System2.fcg", "Fcg/Bg.bmp"},
                {"errer lpMain[0]", "errer lpMain[1]", "errer lpMain[2]", "errer lpMain[3]"},
                PictureVariants(), false);
}

TEST(HostileFiles, EveryWaveInTurn) {
    RunVariants(
        {"Wave/SelectMove.wav", "Wave/SelectCheck.wav", "Wave/SelectCancel.wav", "Wave/Hit.wav"},
        {"errer lpSeMovSound", "errer lpSeCheSound", "errer lpSeCanSound", "errer lpHitSound"},
        WaveVariants(), false);
}

TEST(HostileFiles, EveryMusicPieceInTurn) {
    RunVariants({"Mid/System.mid", "Mid/Bgm1.mid", "Mid/Bgm2.mid", "Mid/Bgm3.mid", "Mid/Bgm4.mid",
                 "Mid/Bgm5.mid"},
                {}, MusicVariants(), true);
}

// The stage is played on the spoiled file, reached through empty stages
// before it, and loaded by the editor.
void RunStage(int stage) {
    for (const Variant& v : DataVariants(StageFileBytes)) {
        Case c;
        c.file = StagePath(stage);
        c.variant = v;
        c.emptyBefore = stage;
        c.tour.keepBall = 600;  // long enough to hit a good many bricks
        RunCase(c);
    }
}

TEST(HostileFiles, FirstStage) {
    RunStage(0);
}

// The fifth turns single-hit bricks into two-hit ones; the tenth's clearing
// ends the run.
TEST(HostileFiles, FifthAndTenthStage) {
    RunStage(4);
    RunStage(9);
}

// Every stage file spoiled the same way at once, and each loaded in the editor.
TEST(HostileFiles, EveryStageInTheEditor) {
    for (const Variant& v : DataVariants(StageFileBytes)) {
        Case c;
        c.file = StagePath(0);
        for (int s = 1; s < StageCount; ++s) {
            c.alsoSpoiled.push_back(StagePath(s));
        }
        c.variant = v;
        c.variant.name += " in every stage file";
        c.tour.walkAllStages = true;
        RunCase(c);
    }
}

TEST(HostileFiles, BestScores) {
    for (bool clear : {false, true}) {
        for (const Variant& v : DataVariants(ScoreFileBytes)) {
            Case c;
            c.file = BestScorePath;
            c.variant = v;
            c.tour.clearScores = clear;
            RunCase(c);
        }
    }
}

// No Data directory at all: no stage has a brick, every stage clears at once,
// and the run's end makes the directory and the score file.
TEST(HostileFiles, NoDataDirectory) {
    Case c;
    c.file = "Data";
    c.variant = Gone(true);
    RunCase(c);
}

}  // namespace
