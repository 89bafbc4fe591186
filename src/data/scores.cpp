#include "data/scores.h"

#include <cerrno>

#include "data/datafile.h"

const char* const BestScorePath = "Data/BestScore";

int32_t BestScores[ScoreCount] = {};

namespace {

int WriteScores(const int32_t* table) {
    unsigned char bytes[ScoreFileBytes];
    for (int i = 0; i < ScoreCount; ++i) {
        WriteLe32(bytes + i * 4, table[i]);
    }
    // Replaced whole: a crash or a full disk mid-save keeps the old table.
    return ReplaceFile(BestScorePath, bytes, sizeof bytes) ? 0 : errno;
}

}  // namespace

// No file yet (or one that cannot be read) is a table nobody has played.
// A short file fills only the whole places it holds; the rest keep their
// values. Nothing checks the order.
void LoadScores(int32_t* table) {
    unsigned char bytes[ScoreFileBytes];
    size_t got = 0;
    if (!ReadPlainFile(BestScorePath, bytes, sizeof bytes, &got)) {
        for (int i = 0; i < ScoreCount; ++i) {
            table[i] = 0;
        }
        return;
    }
    const size_t places = got / 4;
    for (size_t i = 0; i < places; ++i) {
        table[i] = ReadLe32(bytes + i * 4);
    }
}

// The new score is carried down the table, swapping with every place that is
// not above it, so an equal score goes above the old one and the lowest drops
// out. The file is written every time, changed or not. This is the game's own
// rule, not a sort gone wrong: a table spoiled out of order is not put in
// order first, it is carried through as it stands, and the stored files and
// the best-score screen rely on exactly this.
int RecordScore(int32_t score) {
    LoadScores(BestScores);
    int32_t carried = score;
    for (int i = 0; i < ScoreCount; ++i) {
        if (BestScores[i] <= carried) {
            const int32_t old = BestScores[i];
            BestScores[i] = carried;
            carried = old;
        }
    }
    return WriteScores(BestScores);
}

int ClearScores() {
    for (int i = 0; i < ScoreCount; ++i) {
        BestScores[i] = 0;
    }
    return WriteScores(BestScores);
}
