// The best-score file: ten little-endian 32-bit scores, best first.
#pragma once

#include <cstdint>

constexpr int ScoreCount = 10;
constexpr int ScoreFileBytes = ScoreCount * 4;  // 40
extern const char* const BestScorePath;         // "Data/BestScore"

extern int32_t BestScores[ScoreCount];

// A missing or unreadable file reads as ten zeros; a short one fills only
// the places it holds.
void LoadScores(int32_t* table);
// Both write the file: 0 when it was saved, or the error number of what
// failed (the old file then stays as it was).
int RecordScore(int32_t score);
int ClearScores();
