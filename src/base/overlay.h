// Signs the surroundings put over the game's picture (the pause, a volume
// being changed), drawn into a copy of a 640 x 480 RGB565 frame: never into
// the game's own picture.
#pragma once

#include <cstdint>
#include <string_view>

namespace overlay {

constexpr int Width = 640;
constexpr int Height = 480;

// Where the signs sit: the pause in the middle, a volume near the top; a
// volume's sign stays this long after its last change.
constexpr int PauseSignY = 200;
constexpr int VolumeSignY = 48;
constexpr int SignMs = 1500;

// Halves every pixel's brightness: the picture behind a pause.
void Dim(uint16_t* pixels);

// A box in the middle of the playfield's height at row `y`, holding `text`
// in capitals (A-Z, 0-9, '%', '-', space; others show as space) and, when
// `level` is 0..100, a bar filled that far below it.
void DrawSign(uint16_t* pixels, int y, std::string_view text, int level = -1);

}  // namespace overlay
