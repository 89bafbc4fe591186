// The ten stages the game comes with, and the best-score table a new player
// starts from.
#pragma once

#include <array>
#include <cstdint>

#include "output.h"

namespace gen {

constexpr int StageColumns = 13;
constexpr int StageRows = 6;
constexpr int StageCount = 10;
constexpr size_t StageFileBytes = StageColumns * StageRows * 4;  // 312
constexpr size_t ScoreFileBytes = 10 * 4;                        // 40

// Cell (column, row) of stage `index` (0..9): 1 for a brick, 0 for none.
int StageCell(int index, int column, int row);
// The stage file: 78 little-endian 32-bit cells, column-major (column * 6 + row).
Bytes StageFile(int index);

// The starting table, best first: modest enough for a first run to enter.
std::array<int32_t, 10> StartingScores();
Bytes ScoreFile();

}  // namespace gen
