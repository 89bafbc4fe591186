#include "scenes/scenes.h"

// Placeholder until the scene is built.
int32_t PlayStep() { return 2; }

#include "scenes/play.h"

namespace {
PlayState state{120, 0, 5, 0, 0, 0, 0, 208, 256, -2, 2, 0, 0, 0, 0, 0};
}
const PlayState& GetPlayState() { return state; }
