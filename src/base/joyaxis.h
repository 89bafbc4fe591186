// The scale the game reads its stick on, and its one inverse. Both the input
// code and the joystick sources below it (the scripted back-end, tests) use
// these, so there is one scale and not two that could drift apart.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>

// A raw axis of -32768..32767 becomes -1000..1000: the inner half of the
// travel on either side reads 0 and the outer half is spread over the whole
// range, as a dead zone does. Precisely, with m = min(|raw|, 32767):
// m <= 16384 gives 0, otherwise round((m - 16384) * 1000 / 16383), with the
// sign of raw. Every value of -1000..1000 is reached.
constexpr int JoyAxisRange = 1000;

namespace joyaxis {
// Raw travel of one side of an axis, and the part of it that reads as centre.
constexpr int RawTravel = 32767;
constexpr int RawDeadZone = 16384;
constexpr int RawLive = RawTravel - RawDeadZone;
}  // namespace joyaxis

inline int ScaleJoyAxis(int16_t raw) {
    using namespace joyaxis;
    const int m = std::min(std::abs(static_cast<int>(raw)), RawTravel);
    if (m <= RawDeadZone) {
        return 0;
    }
    const int scaled = ((m - RawDeadZone) * JoyAxisRange + RawLive / 2) / RawLive;
    return raw < 0 ? -scaled : scaled;
}

// A raw axis value that ScaleJoyAxis maps back to exactly `scaled` (clamped to
// -1000..1000): for joystick sources that think in the game's own scale.
inline int16_t RawAxisForScaled(int scaled) {
    using namespace joyaxis;
    const int s = std::clamp(scaled, -JoyAxisRange, JoyAxisRange);
    if (s == 0) {
        return 0;
    }
    // The middle of the raw stretch that rounds to |s|.
    const int m = RawDeadZone + (std::abs(s) * RawLive + JoyAxisRange / 2) / JoyAxisRange;
    return static_cast<int16_t>(s < 0 ? -m : m);
}
