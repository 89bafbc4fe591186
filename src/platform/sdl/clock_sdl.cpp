// The millisecond clock, the waits on it, and the frame log.
//
// TESSALUNE_FRAME_LOG=PATH makes the game write down when each frame began:
// one line per frame with the clock in milliseconds and the time since the
// first frame in microseconds, for measuring the pacing from outside.
#include <SDL.h>
#include <sys/prctl.h>
#include <time.h>

#include <cstdio>
#include <cstdlib>

#include "platform/platform.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace {

// A frame log that nobody reads back while the game runs; written in bulk.
constexpr int FrameLogFlushEvery = 64;
// The last two milliseconds before a frame are waited out in short naps, and
// only the last stretch before each millisecond tick in a spin. A
// true spin for the whole two milliseconds would keep a core at full speed for
// an eighth of the time (and, on a busy machine, is no more punctual: a
// spinning process is the first to be pushed aside); a nap that runs over the
// tick starts the frame late. A nap is only taken while the tick is further
// off than a nap overruns by on a quiet machine (with the timer slack taken
// down, below, that is under a tenth of a millisecond nearly always).
constexpr Uint64 NapSlackNanoseconds = 150000;
constexpr Uint64 NanosecondsPerMs = 1000000;

// The millisecond clock, counted on the performance counter from the first
// time anyone looks at it. SDL's own millisecond clock reads a millisecond
// ahead for part of every second, which would start frames early.
bool clockStarted = false;
Uint64 clockOrigin = 0;
Uint64 counterFrequency = 1;
uint32_t clockAtOrigin = 0;

// Time since the clock's origin, in nanoseconds, done in two parts so that
// it cannot overflow however long the game runs.
Uint64 NanosecondsSinceOrigin() {
    if (!clockStarted) {
        clockStarted = true;
        // Linux lets a nap run up to 50 us long by default, to gather wake-ups;
        // ours are timed to the tick and short, so they ask for none of that.
        prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
        counterFrequency = SDL_GetPerformanceFrequency();
        if (counterFrequency == 0) {
            counterFrequency = 1;
        }
        // The clock carries on from where SDL's stood, so it means the same
        // thing as before to anything that had already read that one.
        clockAtOrigin = SDL_GetTicks();
        clockOrigin = SDL_GetPerformanceCounter();
    }
    const Uint64 elapsed = SDL_GetPerformanceCounter() - clockOrigin;
    return elapsed / counterFrequency * 1000000000 +
           elapsed % counterFrequency * 1000000000 / counterFrequency;
}

std::FILE* frameLog = nullptr;
bool frameLogChecked = false;
Uint64 firstFrameCounter = 0;
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

namespace plat {

uint32_t GetTicks() {
    // Wraps, like the clock it stands in for, every 49.7 days.
    return clockAtOrigin + static_cast<uint32_t>(NanosecondsSinceOrigin() / NanosecondsPerMs);
}

void Delay(uint32_t ms) {
    SDL_Delay(ms);
}

void SpinOnce() {
    const Uint64 toTick = NanosecondsPerMs - NanosecondsSinceOrigin() % NanosecondsPerMs;
    if (toTick > NapSlackNanoseconds) {
        const struct timespec nap = {0, static_cast<long>(toTick - NapSlackNanoseconds)};
        nanosleep(&nap, nullptr);
        return;
    }
    // A pause, not sched_yield: on a busy machine a yield hands the core to
    // whoever else is waiting for as long as they like, past the tick.
#if defined(__x86_64__) || defined(__i386__)
    for (int i = 0; i < 16; ++i) {
        _mm_pause();
    }
#endif
}

void FrameStarted(uint32_t clock) {
    if (!frameLogChecked) {
        OpenFrameLog();
    }
    if (frameLog == nullptr) {
        return;
    }
    const Uint64 now = SDL_GetPerformanceCounter();
    if (framesLogged == 0) {
        firstFrameCounter = now;
    }
    const Uint64 micros = (now - firstFrameCounter) * 1000000 / SDL_GetPerformanceFrequency();
    std::fprintf(frameLog, "%u %llu\n", clock, static_cast<unsigned long long>(micros));
    if (++framesLogged % FrameLogFlushEvery == 0) {
        std::fflush(frameLog);
    }
}

void FrameEnded() {}

}  // namespace plat
