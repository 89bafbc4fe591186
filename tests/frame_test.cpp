// The frame step on the scripted clock: the fixed schedule of 266 sixteenths,
// the catch-up after a late frame, the clock's wrap, scene dispatch and the
// restore of lost surfaces.
#include <sys/inotify.h>
#include <unistd.h>

#include "game_harness.h"
#include "gfx/gfx.h"
#include "platform/script/script.h"
#include "scenes/scenes.h"
#include "support/game.h"

namespace shell_test {
namespace {

// The rule itself, from its numbers: 60 frames take 997.5 ms.
static_assert(DueMs(1000, 0) == 1000 && DueMs(1000, 3) == 1050 && DueMs(1000, 60) == 1998);

class FrameTest : public InScratchGameDir {};

Hooks Frames(int count, uint32_t startClock) {
    return WithSetUp([=] {
        script::SetClock(startClock);
        testgame::SetFrameLimit(count);
    });
}

TEST_F(FrameTest, FramesStartOnTheFirstMillisecondOfTheirDueTime) {
    const uint32_t t = 1000;
    const RunResult r = RunGame(Frames(200, t));
    ASSERT_EQ(r.frames.size(), 200u);
    EXPECT_EQ(r.frames[0].clock, t);
    EXPECT_EQ(r.frames[1].clock, t + 17);
    EXPECT_EQ(r.frames[2].clock, t + 34);
    EXPECT_EQ(r.frames[3].clock, t + 50);
    EXPECT_EQ(r.frames[16].clock, t + 266);
    // 60 frames take 997.5 ms: frame 60 is due half way through T + 997.
    EXPECT_EQ(r.frames[60].clock, t + 998);
    EXPECT_EQ(r.frames[120].clock, t + 1995);
    for (int n = 0; n < 200; ++n) {
        ASSERT_EQ(r.frames[n].clock, DueMs(t, n)) << "frame " << n;
    }
}

TEST_F(FrameTest, LateFrameIsMadeUpByTheFramesAfterIt) {
    Hooks h = Frames(8, 0);
    h.after = [](int frame) {
        if (frame == 0) {
            script::SetClock(script::Clock() + 50);  // frame 0 took 50 ms
        }
    };
    const RunResult r = RunGame(h);
    ASSERT_EQ(r.frames.size(), 8u);
    EXPECT_EQ(r.frames[0].clock, 0u);
    // Due at 16.625, 33.25 and 49.875 ms: all three start at once.
    EXPECT_EQ(r.frames[1].clock, 50u);
    EXPECT_EQ(r.frames[2].clock, 50u);
    EXPECT_EQ(r.frames[3].clock, 50u);
    EXPECT_EQ(r.frames[4].clock, 67u);  // due at 66.5 ms
    EXPECT_EQ(r.frames[5].clock, 84u);
}

TEST_F(FrameTest, ClockWrapsWithoutStallOrDrift) {
    // 16 x clock wraps at 2^28 ms; the clock itself wraps at 2^32 ms.
    for (uint32_t t : {(1u << 28) - 40, 0xFFFFFFFFu - 40}) {
        const RunResult r = RunGame(Frames(100, t));
        ASSERT_EQ(r.frames.size(), 100u) << t;
        for (int n = 0; n < 100; ++n) {
            ASSERT_EQ(r.frames[n].clock, DueMs(t, n)) << "start " << t << ", frame " << n;
        }
    }
}

TEST_F(FrameTest, ClockGoingBackNeitherStallsNorRaces) {
    Hooks h = Frames(12, 5000);
    h.after = [](int frame) {
        if (frame == 5) {
            script::SetClock(script::Clock() - 3000);
        }
    };
    const RunResult r = RunGame(h);
    ASSERT_EQ(r.frames.size(), 12u);
    const uint32_t restart = r.frames[6].clock;
    // Frame 6 starts at once, and the schedule goes on from there.
    EXPECT_LE(restart, r.frames[5].clock - 3000 + 1);
    for (int n = 7; n < 12; ++n) {
        EXPECT_EQ(r.frames[n].clock, DueMs(restart, n - 6)) << n;
    }
}

TEST_F(FrameTest, UnknownSceneRunsNothingAndPresentsTheBackBufferAsItIs) {
    constexpr uint16_t Marker = 0x1234;
    Hooks h = Frames(6, 0);
    h.before = [](int frame) {
        if (frame == 3) {
            CurrentScene = 5;
            DrawFill(lpBack, 0, 0, DisplayWidth, DisplayHeight, Marker);
        }
    };
    h.after = [](int frame) {
        if (frame == 3 || frame == 4) {
            const auto& shown = script::LastPresented();
            size_t marked = 0;
            for (uint16_t p : shown) {
                marked += p == Marker;
            }
            Note("frame " + std::to_string(frame) + " marked " + std::to_string(marked) + " of " +
                 std::to_string(shown.size()) + " scene " + std::to_string(CurrentScene));
        }
    };
    const RunResult r = RunGame(h);
    ASSERT_EQ(r.frames.size(), 6u);
    EXPECT_EQ(r.frames[2].scene, SceneTitle);
    EXPECT_EQ(r.frames[3].scene, 5);
    EXPECT_EQ(r.frames[4].scene, 5);
    EXPECT_EQ(r.frames[4].pixels, r.frames[3].pixels);
    ASSERT_EQ(r.notes.size(), 2u);
    EXPECT_EQ(r.notes[0], "frame 3 marked 307200 of 307200 scene 5");
    EXPECT_EQ(r.notes[1], "frame 4 marked 307200 of 307200 scene 5");
}

// Watches the picture files being opened, in order, by name.
class OpenWatch {
  public:
    OpenWatch() : fd_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
        inotify_add_watch(fd_, "System", IN_OPEN);
        inotify_add_watch(fd_, "Fcg", IN_OPEN);
    }
    ~OpenWatch() { close(fd_); }
    std::vector<std::string> Take() {
        std::vector<std::string> names;
        alignas(inotify_event) char buffer[4096];
        for (ssize_t n; (n = read(fd_, buffer, sizeof buffer)) > 0;) {
            for (char* p = buffer; p < buffer + n;) {
                auto* e = reinterpret_cast<inotify_event*>(p);
                if (e->len > 0) {
                    names.emplace_back(e->name);
                }
                p += sizeof(inotify_event) + e->len;
            }
        }
        return names;
    }

  private:
    int fd_;
};

TEST_F(FrameTest, LostSurfacesAreRestoredInOrderBeforeTheSceneDraws) {
    const RunResult plain = RunGame(Frames(12, 0));
    ASSERT_EQ(plain.frames.size(), 12u);

    OpenWatch* watch = nullptr;
    Hooks h = Frames(12, 0);
    h.before = [&](int frame) {
        if (frame == 6) {
            watch = new OpenWatch;
            script::TriggerDisplayReset();
        }
    };
    h.after = [&](int frame) {
        if (watch == nullptr) {
            return;
        }
        for (const std::string& name : watch->Take()) {
            Note("frame " + std::to_string(frame) + " opened " + name);
        }
        if (frame == 6) {
            Surface* all[] = {lpBack, lpPrimary, lpMain[0], lpMain[1], lpMain[2], lpMain[3]};
            int lost = 0;
            for (Surface* s : all) {
                lost += IsLost(s) ? 1 : 0;
            }
            Note("lost after restore " + std::to_string(lost));
        }
    };
    h.finish = [&](RunResult*) { delete watch; };
    const RunResult reset = RunGame(h);
    ASSERT_EQ(reset.frames.size(), 12u);

    const std::vector<std::string> expected = {
        "frame 6 opened mojicord.bmp", "frame 6 opened System1.fcg", "frame 6 opened System2.fcg",
        "frame 6 opened Bg.bmp", "lost after restore 0"};
    EXPECT_EQ(reset.notes, expected);
    // The scene drew on restored sheets: the picture is the one it always is.
    for (int n = 0; n < 12; ++n) {
        EXPECT_EQ(reset.frames[n].pixels, plain.frames[n].pixels) << "frame " << n;
    }
}

}  // namespace
}  // namespace shell_test
