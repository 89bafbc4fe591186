// The stage and best-score readers, fed the same bytes as "Data/Map1" and
// "Data/BestScore", with the writes that follow them in the game: a run's
// score entered into the table and the editor saving the stage it loaded.
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "data/scores.h"
#include "data/stage.h"
#include "fuzz_support.h"

namespace {

// The game's paths are relative: work inside the private directory. (So the
// fuzzer's own corpus and artifact paths must be absolute.)
bool Enter() {
    fuzz::Check(chdir(fuzz::Directory().c_str()) == 0, "cannot enter the fuzz directory");
    std::filesystem::create_directory("Data");
    return true;
}

std::vector<uint8_t> Read(const char* path) {
    std::vector<uint8_t> bytes;
    if (std::FILE* f = std::fopen(path, "rb")) {
        uint8_t buffer[512];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) {
            bytes.insert(bytes.end(), buffer, buffer + n);
        }
        std::fclose(f);
    }
    return bytes;
}

// Something no file is likely to hold in every cell.
constexpr int32_t Untouched = 0x5A5A1234;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool entered = Enter();
    (void)entered;
    fuzz::WriteFile(StagePath(0), data, size);
    fuzz::WriteFile(BestScorePath, data, size);

    // The stage: the whole cells the file holds, in order; the rest as they were.
    for (int32_t& cell : StageGrid) {
        cell = Untouched;
    }
    LoadStage(0);
    const size_t cells = std::min<size_t>(size, StageFileBytes) / 4;
    for (size_t i = 0; i < StageCells; ++i) {
        fuzz::Check(StageGrid[i] == (i < cells ? fuzz::Le32(data + 4 * i) : Untouched),
                    "LoadStage put the wrong value in a cell");
    }
    SaveStage(0);
    const std::vector<uint8_t> saved = Read(StagePath(0));
    fuzz::Check(saved.size() == StageFileBytes, "SaveStage left a file of the wrong size");
    for (size_t i = 0; i < StageCells; ++i) {
        fuzz::Check(fuzz::Le32(&saved[4 * i]) == StageGrid[i], "SaveStage wrote a wrong cell");
    }

    // The scores, the same way.
    int32_t table[ScoreCount];
    for (int32_t& place : table) {
        place = Untouched;
    }
    LoadScores(table);
    const size_t places = std::min<size_t>(size, ScoreFileBytes) / 4;
    for (size_t i = 0; i < ScoreCount; ++i) {
        fuzz::Check(table[i] == (i < places ? fuzz::Le32(data + 4 * i) : Untouched),
                    "LoadScores put the wrong value in a place");
    }

    // A run's score: the last whole word of the input, if any.
    const int32_t score = size >= 4 ? fuzz::Le32(data + size - 4) : 0;
    // RecordScore reads into its own table; a short file leaves the rest of
    // it as it was, so both start from the same zeros.
    int32_t before[ScoreCount] = {};
    for (int32_t& place : BestScores) {
        place = 0;
    }
    LoadScores(before);
    RecordScore(score);
    const std::vector<uint8_t> written = Read(BestScorePath);
    fuzz::Check(written.size() == ScoreFileBytes, "RecordScore left a file of the wrong size");
    bool falling = true;
    for (int i = 0; i + 1 < ScoreCount; ++i) {
        falling = falling && before[i] >= before[i + 1];
    }
    // The table and the score, less the one value that dropped out.
    std::vector<int32_t> all(before, before + ScoreCount);
    all.push_back(score);
    for (int i = 0; i < ScoreCount; ++i) {
        const int32_t kept = fuzz::Le32(&written[4 * static_cast<size_t>(i)]);
        fuzz::Check(kept == BestScores[i], "the file and the table differ");
        const auto at = std::find(all.begin(), all.end(), kept);
        fuzz::Check(at != all.end(), "RecordScore made up a score");
        all.erase(at);
        if (falling && i > 0) {
            fuzz::Check(BestScores[i - 1] >= kept, "RecordScore broke the falling order");
        }
    }
    ClearScores();
    fuzz::Check(Read(BestScorePath) == std::vector<uint8_t>(ScoreFileBytes, 0),
                "ClearScores did not leave forty zero bytes");
    return 0;
}
