// The stage editor's state that outlives a visit, readable by tests.
#pragma once

#include <cstdint>

extern int32_t EditorColumn;  // cursor column 0..12
extern int32_t EditorRow;     // cursor row 0..5
extern int32_t EditorStage;   // stage index being edited, 0..9
extern int32_t EditorBrickSet;
