#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <filesystem>

#include "data/datafile.h"
#include "data/scores.h"
#include "data/stage.h"
#include "support/bytes.h"
#include "support/scratch.h"

namespace {

using Table = std::vector<int32_t>;

Table Scores() {
    return Table(BestScores, BestScores + ScoreCount);
}

Table Grid() {
    return Table(StageGrid, StageGrid + StageCells);
}

void FillGrid(int32_t value) {
    std::fill(StageGrid, StageGrid + StageCells, value);
}

// The table LoadScores gives over places that held `before`.
Table Loaded(int32_t before = 77) {
    int32_t table[ScoreCount];
    std::fill(table, table + ScoreCount, before);
    LoadScores(table);
    return Table(table, table + ScoreCount);
}

void PutScoreFile(const Table& table) {
    std::filesystem::create_directory("Data");
    WriteBytes(BestScorePath, LeWords(table));
}

class ScoreFile : public InScratchDirectory {
  protected:
    void SetUp() override {
        InScratchDirectory::SetUp();
        std::fill(BestScores, BestScores + ScoreCount, 0);
    }
    void TearDown() override {
        FileStepFails = nullptr;
        InScratchDirectory::TearDown();
    }
};

class StageFile : public ScoreFile {
  protected:
    void SetUp() override {
        ScoreFile::SetUp();
        FillGrid(0);
    }
};

TEST_F(ScoreFile, RecordScoreWorkedTables) {
    struct Case {
        Table before;
        int32_t score;
        Table after;
    };
    const Case cases[] = {
        {{50, 40, 30, 20, 10, 0, 0, 0, 0, 0}, 35, {50, 40, 35, 30, 20, 10, 0, 0, 0, 0}},
        {{50, 40, 30, 20, 10, 9, 8, 7, 6, 5}, 3, {50, 40, 30, 20, 10, 9, 8, 7, 6, 5}},
        {{0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 0, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {{50, 40, 30, 20, 10, 9, 8, 7, 6, 5}, 60, {60, 50, 40, 30, 20, 10, 9, 8, 7, 6}},
        {{5, 10, 0, 0, 0, 0, 0, 0, 0, 0}, 7, {7, 10, 5, 0, 0, 0, 0, 0, 0, 0}},
        // An equal score goes above the one already kept.
        {{50, 40, 30, 20, 10, 9, 8, 7, 6, 5}, 40, {50, 40, 40, 30, 20, 10, 9, 8, 7, 6}},
        // Signed throughout: a negative table entry is beaten by zero.
        {{-5, -5, -5, -5, -5, -5, -5, -5, -5, -5}, 0, {0, -5, -5, -5, -5, -5, -5, -5, -5, -5}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.before) + " + " + std::to_string(c.score));
        PutScoreFile(c.before);
        struct stat old;
        ASSERT_EQ(stat(BestScorePath, &old), 0);
        RecordScore(c.score);
        EXPECT_EQ(Scores(), c.after);
        EXPECT_EQ(ReadBytes(BestScorePath), LeWords(c.after));
        // Written again even when nothing changed: a new file took its place.
        struct stat now;
        ASSERT_EQ(stat(BestScorePath, &now), 0);
        EXPECT_NE(now.st_ino, old.st_ino);
    }
}

TEST_F(ScoreFile, ByteFormat) {
    PutScoreFile(Table(10, 0));
    RecordScore(1234);
    const Bytes bytes = ReadBytes(BestScorePath);
    ASSERT_EQ(bytes.size(), 40u);
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 4), (Bytes{0xD2, 0x04, 0x00, 0x00}));
    EXPECT_EQ(Bytes(bytes.begin() + 4, bytes.end()), Bytes(36, 0));

    PutScoreFile({INT32_MAX, 0x01020304, -1, INT32_MIN, 0, 0, 0, 0, 0, 0});
    EXPECT_EQ(Loaded(), (Table{INT32_MAX, 0x01020304, -1, INT32_MIN, 0, 0, 0, 0, 0, 0}));

    ClearScores();
    EXPECT_EQ(ReadBytes(BestScorePath), Bytes(40, 0));
    EXPECT_EQ(Scores(), Table(10, 0));
}

TEST_F(ScoreFile, MissingOrUnreadableFileReadsAsZeros) {
    EXPECT_EQ(Loaded(), Table(10, 0));  // no Data directory at all
    std::filesystem::create_directory("Data");
    EXPECT_EQ(Loaded(), Table(10, 0));  // directory but no file

    // Something that is not a plain file in its place; a pipe with no writer
    // must not stop the game.
    ASSERT_EQ(mkfifo(BestScorePath, 0600), 0);
    EXPECT_EQ(Loaded(), Table(10, 0));
    std::filesystem::remove(BestScorePath);
    std::filesystem::create_directory(BestScorePath);
    EXPECT_EQ(Loaded(), Table(10, 0));
}

TEST_F(ScoreFile, ShortAndLongFiles) {
    std::filesystem::create_directory("Data");
    // Two whole places and half of a third: only the whole ones count.
    Bytes bytes = LeWords({900, 800, 700});
    bytes.resize(10);
    WriteBytes(BestScorePath, bytes);
    EXPECT_EQ(Loaded(), (Table{900, 800, 77, 77, 77, 77, 77, 77, 77, 77}));
    WriteBytes(BestScorePath, {});
    EXPECT_EQ(Loaded(), Table(10, 77));

    // A longer file is read only up to its tenth place.
    Table longer;
    for (int i = 0; i < 25; ++i) {
        longer.push_back(100 - i);
    }
    WriteBytes(BestScorePath, LeWords(longer));
    EXPECT_EQ(Loaded(), Table(longer.begin(), longer.begin() + 10));
    // Recording writes back exactly 40 bytes.
    RecordScore(0);
    EXPECT_EQ(ReadBytes(BestScorePath), LeWords(Table(longer.begin(), longer.begin() + 10)));
}

TEST_F(ScoreFile, FirstRecordCreatesDirectoryAndFile) {
    RecordScore(500);
    EXPECT_EQ(ReadBytes(BestScorePath), LeWords({500, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(DirectoryNames("Data"), std::vector<std::string>{"BestScore"});
}

TEST_F(ScoreFile, FailedWriteKeepsOldFileAndLeavesNoTemporary) {
    const Table kept = {50, 40, 30, 20, 10, 9, 8, 7, 6, 5};
    static FileStep failing;
    FileStepFails = [](FileStep step) { return step == failing; };
    for (FileStep step : {FileStep::Create, FileStep::Write, FileStep::Sync, FileStep::Rename}) {
        SCOPED_TRACE(static_cast<int>(step));
        failing = step;
        PutScoreFile(kept);
        // Each failure is told, with its reason, for the player to hear of.
        EXPECT_NE(RecordScore(60), 0);
        EXPECT_EQ(ReadBytes(BestScorePath), LeWords(kept));
        EXPECT_EQ(ClearScores(), step == FileStep::Write  ? ENOSPC
                                 : step == FileStep::Sync ? EIO
                                                          : EACCES);
        EXPECT_EQ(ReadBytes(BestScorePath), LeWords(kept));
        EXPECT_EQ(DirectoryNames("Data"), std::vector<std::string>{"BestScore"});
    }
    // The same steps on a stage file.
    const Bytes stage = LeWords(Table(StageCells, 3));
    WriteBytes(StagePath(4), stage);
    FillGrid(1);
    for (FileStep step : {FileStep::Create, FileStep::Write, FileStep::Sync, FileStep::Rename}) {
        failing = step;
        EXPECT_NE(SaveStage(4), 0);
        EXPECT_EQ(ReadBytes(StagePath(4)), stage);
        EXPECT_EQ(DirectoryNames("Data"), (std::vector<std::string>{"BestScore", "Map5"}));
    }

    failing = FileStep::MakeDirectory;
    std::filesystem::remove_all("Data");
    EXPECT_NE(RecordScore(60), 0);
    EXPECT_NE(SaveStage(0), 0);
    EXPECT_FALSE(std::filesystem::exists("Data"));
    FileStepFails = nullptr;
    EXPECT_EQ(SaveStage(0), 0);
    EXPECT_EQ(RecordScore(60), 0);
}

TEST_F(ScoreFile, DirectoryThatCannotHoldFiles) {
    // Data is a plain file: nothing can be created under it, even by root.
    WriteBytes("Data", {1, 2, 3});
    EXPECT_EQ(RecordScore(60), ENOTDIR);
    EXPECT_EQ(ClearScores(), ENOTDIR);
    EXPECT_EQ(SaveStage(0), ENOTDIR);
    EXPECT_EQ(ReadBytes("Data"), (Bytes{1, 2, 3}));
    EXPECT_EQ(DirectoryNames("."), std::vector<std::string>{"Data"});

    // The best-score file is a directory: the rename cannot replace it and
    // the temporary does not stay.
    std::filesystem::remove("Data");
    std::filesystem::create_directories("Data/BestScore");
    EXPECT_EQ(RecordScore(60), EISDIR);
    EXPECT_TRUE(std::filesystem::is_directory(BestScorePath));
    EXPECT_EQ(DirectoryNames("Data"), std::vector<std::string>{"BestScore"});
}

TEST_F(ScoreFile, LeftoversFromACrashAreReplaced) {
    std::filesystem::create_directory("Data");
    WriteBytes("Data/BestScore.tmp", {9, 9, 9});
    RecordScore(7);
    EXPECT_EQ(ReadBytes(BestScorePath), LeWords({7, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(DirectoryNames("Data"), std::vector<std::string>{"BestScore"});

    // A link put where the temporary goes is not written through.
    WriteBytes("outside", {1, 2, 3});
    std::filesystem::create_symlink("../outside", "Data/BestScore.tmp");
    ClearScores();
    EXPECT_EQ(ReadBytes("outside"), (Bytes{1, 2, 3}));
    EXPECT_EQ(ReadBytes(BestScorePath), Bytes(40, 0));
    EXPECT_EQ(DirectoryNames("Data"), std::vector<std::string>{"BestScore"});

    // A kill mid-save leaves its temporary until the next start clears it;
    // only the game's own temporaries go, and a link goes as a link.
    WriteBytes("Data/BestScore.tmp", {1});
    WriteBytes("Data/Map10.tmp", {2});
    WriteBytes("Data/Notes.tmp", {3});
    std::filesystem::create_symlink("../outside", "Data/Map1.tmp");
    std::filesystem::create_directory("Data/Map2.tmp");
    RemoveStaleTemporaries();
    EXPECT_EQ(DirectoryNames("Data"),
              (std::vector<std::string>{"BestScore", "Map2.tmp", "Notes.tmp"}));
    EXPECT_EQ(ReadBytes("outside"), (Bytes{1, 2, 3}));
}

TEST(StageTable, PathsAndBrickSets) {
    const int brickSets[StageCount] = {0, 0, 1, 1, 2, 2, 3, 3, 4, 4};
    for (int i = 0; i < StageCount; ++i) {
        ASSERT_NE(StagePath(i), nullptr);
        EXPECT_EQ(std::string(StagePath(i)), "Data/Map" + std::to_string(i + 1));
        EXPECT_EQ(BrickSetForStage(i), brickSets[i]);
    }
    EXPECT_EQ(StagePath(-1), nullptr);
    EXPECT_EQ(StagePath(10), nullptr);
}

TEST_F(StageFile, RoundTripKeepsEveryCell) {
    for (int i = 0; i < StageCells; ++i) {
        StageGrid[i] = (i % 2 == 0 ? -1 : 1) * (i * 100003);
    }
    StageGrid[0] = INT32_MIN;
    StageGrid[77] = INT32_MAX;
    StageGrid[40] = 2;
    const Table saved = Grid();
    SaveStage(9);
    EXPECT_EQ(Grid(), saved);
    EXPECT_EQ(ReadBytes("Data/Map10"), LeWords(saved));
    FillGrid(5);
    LoadStage(9);
    EXPECT_EQ(Grid(), saved);
}

TEST_F(StageFile, CellsLieColumnByColumn) {
    StageCell(1, 0) = 0x11223344;
    SaveStage(0);
    Bytes expected(StageFileBytes, 0);
    expected[24] = 0x44;
    expected[25] = 0x33;
    expected[26] = 0x22;
    expected[27] = 0x11;
    EXPECT_EQ(ReadBytes("Data/Map1"), expected);

    FillGrid(0);
    StageCell(12, 5) = 2;
    SaveStage(7);
    const Bytes last = ReadBytes("Data/Map8");
    ASSERT_EQ(last.size(), 312u);
    EXPECT_EQ(Bytes(last.begin(), last.begin() + 308), Bytes(308, 0));
    EXPECT_EQ(Bytes(last.begin() + 308, last.end()), (Bytes{2, 0, 0, 0}));
}

TEST_F(StageFile, MissingShortAndLongFiles) {
    FillGrid(6);
    LoadStage(3);  // no file: the grid stays as it was
    EXPECT_EQ(Grid(), Table(StageCells, 6));

    std::filesystem::create_directory("Data");
    Table cells;
    for (int i = 0; i < 100; ++i) {
        cells.push_back(1000 + i);
    }
    // Seven whole cells and three bytes of the eighth.
    Bytes shortFile = LeWords(cells);
    shortFile.resize(31);
    WriteBytes("Data/Map4", shortFile);
    LoadStage(3);
    Table expected(StageCells, 6);
    std::copy(cells.begin(), cells.begin() + 7, expected.begin());
    EXPECT_EQ(Grid(), expected);

    // A longer file gives its first 78 cells only.
    WriteBytes("Data/Map4", LeWords(cells));
    LoadStage(3);
    EXPECT_EQ(Grid(), Table(cells.begin(), cells.begin() + StageCells));

    std::filesystem::remove("Data/Map4");
    std::filesystem::create_directory("Data/Map4");
    FillGrid(6);
    LoadStage(3);
    EXPECT_EQ(Grid(), Table(StageCells, 6));
}

TEST_F(StageFile, IndexOutsideTheTableDoesNothing) {
    FillGrid(4);
    std::filesystem::create_directory("Data");
    WriteBytes("Data/Map11", LeWords(Table(StageCells, 9)));
    WriteBytes("Data/Map0", LeWords(Table(StageCells, 9)));
    LoadStage(10);
    LoadStage(-1);
    EXPECT_EQ(Grid(), Table(StageCells, 4));
    SaveStage(10);
    SaveStage(-1);
    SaveStage(INT_MIN);
    EXPECT_EQ(DirectoryNames("Data"), (std::vector<std::string>{"Map0", "Map11"}));
    EXPECT_EQ(ReadBytes("Data/Map11"), LeWords(Table(StageCells, 9)));
}

}  // namespace
