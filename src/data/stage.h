// The one stage grid and the ten stage files.
#pragma once

#include <cstdint>

constexpr int StageColumns = 13;
constexpr int StageRows = 6;
constexpr int StageCells = StageColumns * StageRows;  // 78
constexpr int StageCount = 10;
constexpr int StageFileBytes = StageCells * 4;  // 312

// Hit points per cell, column-major: column c, row r is element c * 6 + r.
extern int32_t StageGrid[StageCells];

inline int32_t& StageCell(int column, int row) {
    return StageGrid[column * StageRows + row];
}

// "Data/Map1" .. "Data/Map10"; null for an index outside 0..9.
const char* StagePath(int stageIndex);
// A missing or unreadable file leaves the grid as it was; a short one fills
// only the cells it holds. Both operations ignore an index outside 0..9.
void LoadStage(int stageIndex);
// SaveStage gives 0 when the file was saved (or the index is outside), or
// the error number of what failed; the old file then stays as it was.
int SaveStage(int stageIndex);
int BrickSetForStage(int stageIndex);
