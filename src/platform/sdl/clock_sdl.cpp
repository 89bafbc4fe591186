// The millisecond clock, the waits on it, and the frame log.
//
// TESSALUNE_FRAME_LOG=PATH makes the game write down when each frame began:
// one line per frame with the clock in milliseconds and the time since the
// first frame in microseconds, for measuring the pacing from outside.
#include <SDL.h>
#include <sys/prctl.h>
#include <time.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "platform/platform.h"
#include "platform/sdl/sdl_internal.h"

namespace {

// A frame log that nobody reads back while the game runs; written in bulk.
constexpr int FrameLogFlushEvery = 64;
constexpr uint64_t NanosecondsPerMs = 1000000;
constexpr uint64_t NanosecondsPerSecond = 1000000000;

// The millisecond clock, counted on the monotonic clock from the first time
// anyone looks at it. SDL's own millisecond clock reads a millisecond ahead
// for part of every second, which would start frames early; and a sleep can
// only be timed to the instant a tick begins on the clock the kernel sleeps on.
bool clockStarted = false;
uint64_t clockOrigin = 0;  // monotonic nanoseconds
uint32_t clockAtOrigin = 0;
bool startGiven = false;
uint32_t startAt = 0;

// While the player pauses, the clock stands at the moment the pause began.
bool clockHeld = false;
uint64_t heldAt = 0;  // nanoseconds since the origin when the hold began

uint64_t MonotonicNanoseconds() {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint64_t>(now.tv_sec) * NanosecondsPerSecond +
           static_cast<uint64_t>(now.tv_nsec);
}

uint64_t NanosecondsSinceOrigin() {
    if (!clockStarted) {
        clockStarted = true;
        // Linux lets a sleep run up to 50 us long by default, to gather
        // wake-ups; ours are timed to the tick and ask for none of that.
        prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
        // The clock carries on from where SDL's stood, so it means the same
        // thing as before to anything that had already read that one, unless
        // the game said where it starts.
        clockAtOrigin = startGiven ? startAt : SDL_GetTicks();
        clockOrigin = MonotonicNanoseconds();
    }
    return clockHeld ? heldAt : MonotonicNanoseconds() - clockOrigin;
}

std::FILE* frameLog = nullptr;
bool frameLogChecked = false;
uint64_t firstFrameTime = 0;
int framesLogged = 0;

void CloseFrameLog() {
    if (frameLog != nullptr) {
        std::fclose(frameLog);
        frameLog = nullptr;
    }
}

void OpenFrameLog() {
    frameLogChecked = true;
    const char* path = std::getenv("TESSALUNE_FRAME_LOG");
    if (path == nullptr || *path == '\0') {
        return;
    }
    frameLog = std::fopen(path, "w");
    if (frameLog == nullptr) {
        std::fprintf(stderr, "Tessalune: cannot write the frame log %s\n", path);
        return;
    }
    std::atexit(CloseFrameLog);
}

}  // namespace

void sdlplat::HoldClock(bool hold) {
    const uint64_t now = NanosecondsSinceOrigin();
    if (hold == clockHeld) {
        return;
    }
    if (hold) {
        heldAt = now;
    } else {
        // The origin moves on by the time held, so the clock carries on from
        // where it stood.
        clockOrigin = MonotonicNanoseconds() - heldAt;
    }
    clockHeld = hold;
}

namespace plat {

uint32_t GetTicks() {
    // Wraps, like the clock it stands in for, every 49.7 days.
    return clockAtOrigin + static_cast<uint32_t>(NanosecondsSinceOrigin() / NanosecondsPerMs);
}

void SetClockStart(uint32_t ms) {
    startGiven = true;
    startAt = ms;
}

void SleepUntilTick(uint32_t tick) {
    const uint64_t nowMs = NanosecondsSinceOrigin() / NanosecondsPerMs;
    const int32_t ahead =
        static_cast<int32_t>(tick - (clockAtOrigin + static_cast<uint32_t>(nowMs)));
    if (ahead <= 0) {
        return;
    }
    const uint64_t at = clockOrigin + (nowMs + static_cast<uint64_t>(ahead)) * NanosecondsPerMs;
    const struct timespec wake = {static_cast<time_t>(at / NanosecondsPerSecond),
                                  static_cast<long>(at % NanosecondsPerSecond)};
    // A signal cuts the sleep short: sleep on to the same instant.
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &wake, nullptr) == EINTR) {
    }
}

void FrameStarted(uint32_t clock) {
    // The sticks as they are now, for the frame about to read them.
    sdlplat::PostJoysticks();
    if (!frameLogChecked) {
        OpenFrameLog();
    }
    if (frameLog == nullptr) {
        return;
    }
    const uint64_t now = MonotonicNanoseconds();
    if (framesLogged == 0) {
        firstFrameTime = now;
    }
    const uint64_t micros = (now - firstFrameTime) / 1000;
    std::fprintf(frameLog, "%u %llu\n", clock, static_cast<unsigned long long>(micros));
    // The first line goes out at once: when the first frame began is what a
    // start-up benchmark watches for.
    if (++framesLogged % FrameLogFlushEvery == 0 || framesLogged == 1) {
        std::fflush(frameLog);
    }
}

void FrameEnded() {}

}  // namespace plat
