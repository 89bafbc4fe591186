// The millisecond clock, the waits on it, and the frame log.
//
// TESSALUNE_FRAME_LOG=PATH makes the game write down when each frame began:
// one line per frame with the clock in milliseconds and the time since the
// first frame in microseconds, for measuring the pacing from outside.
#include <SDL.h>
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
// The last two milliseconds before a frame are waited out in naps rather
// than a true spin, which would keep a core at full speed for an eighth of
// the time (and, on a busy machine, is no more punctual: a spinning process
// is the first to be pushed aside). A nap well under a millisecond still
// wakes inside the millisecond the frame is due in.
constexpr long NapNanoseconds = 250000;

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
    return SDL_GetTicks();
}

void Delay(uint32_t ms) {
    SDL_Delay(ms);
}

void SpinOnce() {
#if defined(__x86_64__) || defined(__i386__)
    _mm_pause();
#endif
    const struct timespec nap = {0, NapNanoseconds};
    nanosleep(&nap, nullptr);
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
