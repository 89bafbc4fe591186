// The per-frame trace: one JSON object a line, written after each frame, by
// the headless runner and by the real game alike, so that the two can be laid
// side by side.
#pragma once

#include <cstdint>
#include <string>

#include "base/frames.h"

namespace demo {

using FrameOutput = frames::Output;

// The trace line of frame `frame`, which ran scene `scene`, newline included.
// The play state is read from the play scene when `scene` is the play scene.
std::string TraceLine(int frame, const FrameOutput& out, int32_t scene);

}  // namespace demo
