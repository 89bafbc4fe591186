// The game's frame schedule. It is kept in sixteenths of a millisecond, so
// that 60 frames a second is a whole interval (266) and the millisecond clock
// only needs shifting left by four. The frame loop waits on it and the
// scripted clock moves by it, so both keep the same schedule.
#pragma once

#include <cstdint>

namespace frameclock {

constexpr uint32_t FramesPerSecond = 60;
constexpr int SixteenthsShift = 4;
constexpr uint32_t SixteenthsPerMs = 1u << SixteenthsShift;

// One frame at `fps` frames a second, in sixteenths.
constexpr uint32_t Interval(uint32_t fps) {
    return 16000 / fps;
}

// The whole milliseconds it takes to cover `sixteenths`: a frame is due at
// the first millisecond at or after its time.
constexpr uint64_t MsToCover(uint64_t sixteenths) {
    return (sixteenths + SixteenthsPerMs - 1) / SixteenthsPerMs;
}

// The first millisecond at or after the time frame `n` is due, at
// FramesPerSecond from millisecond `first` on.
constexpr uint32_t DueMs(uint32_t first, int n) {
    const uint64_t frames = n > 0 ? static_cast<uint64_t>(n) : 0;
    return static_cast<uint32_t>(
        MsToCover(uint64_t{first} * SixteenthsPerMs + Interval(FramesPerSecond) * frames));
}

}  // namespace frameclock
