// The title's state that outlives a visit, readable by tests and autoplay.
#pragma once

#include <cstdint>

#include "data/scores.h"

extern int32_t MenuCursor;  // 0 start a game, 1 best scores, 2 leave
extern int32_t ScoreView;   // 0 the menu, 1 the best scores
extern int32_t TitleScores[ScoreCount];
