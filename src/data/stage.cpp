#include "data/stage.h"

#include <cerrno>

#include "data/datafile.h"

int32_t StageGrid[StageCells] = {};

namespace {

const char* const StagePaths[StageCount] = {
    "Data/Map1", "Data/Map2", "Data/Map3", "Data/Map4", "Data/Map5",
    "Data/Map6", "Data/Map7", "Data/Map8", "Data/Map9", "Data/Map10",
};

}  // namespace

const char* StagePath(int stageIndex) {
    if (stageIndex < 0 || stageIndex >= StageCount) {
        return nullptr;
    }
    return StagePaths[stageIndex];
}

// A missing or unreadable file leaves the grid as it was; a short one fills
// only the whole cells it holds, in order; anything past 312 bytes is not
// looked at.
void LoadStage(int stageIndex) {
    const char* path = StagePath(stageIndex);
    if (path == nullptr) {
        return;
    }
    unsigned char bytes[StageFileBytes];
    size_t got = 0;
    if (!ReadPlainFile(path, bytes, sizeof bytes, &got)) {
        return;
    }
    const size_t cells = got / 4;
    for (size_t i = 0; i < cells; ++i) {
        StageGrid[i] = ReadLe32(bytes + i * 4);
    }
}

// The file is the grid as it lies in memory, little-endian, column-major. It
// is replaced whole, so a failed save keeps the stage that was there.
int SaveStage(int stageIndex) {
    const char* path = StagePath(stageIndex);
    if (path == nullptr) {
        return 0;
    }
    unsigned char bytes[StageFileBytes];
    for (int i = 0; i < StageCells; ++i) {
        WriteLe32(bytes + i * 4, StageGrid[i]);
    }
    return ReplaceFile(path, bytes, sizeof bytes) ? 0 : errno;
}

// Two stages share each row of brick pictures; the last row takes the rest.
int BrickSetForStage(int stageIndex) {
    switch (stageIndex) {
        case 0:
        case 1:
            return 0;
        case 2:
        case 3:
            return 1;
        case 4:
        case 5:
            return 2;
        case 6:
        case 7:
            return 3;
        default:
            return 4;
    }
}
