// The player's own game directory beside an installed copy: what a first
// start makes, what a later start refreshes, and what it must never touch.
#include "app/gamedir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "support/bytes.h"
#include "support/scratch.h"

namespace fs = std::filesystem;

namespace {

std::string StockStage(int i) {
    return std::string(312, static_cast<char>(i));
}

class UserGameDir : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_FALSE(root_.empty());
        install_ = root_ / "share" / "tessalune";
        user_ = root_ / "home" / "tessalune";
        MakeInstall(install_, "");
        fs::create_directories(user_);
    }

    // A read-only copy as an install lays it out; `mark` tells copies apart.
    static void MakeInstall(const fs::path& at, const std::string& mark) {
        WriteText(at / "Fcg" / "System1.fcg", "sheet" + mark);
        WriteText(at / "System" / "mojicord.bmp", "font" + mark);
        WriteText(at / "Wave" / "Hit.wav", "hit" + mark);
        WriteText(at / "Mid" / "System.mid", "tune" + mark);
        for (int i = 1; i <= 10; ++i) {
            WriteText(at / "Data" / ("Map" + std::to_string(i)), StockStage(i) + mark);
        }
    }

    bool Prepare(const fs::path& installed) {
        why_.clear();
        return gamedir::PrepareUserDirectory(user_.string(), installed.string(), &why_);
    }

    const ScratchDir scratch_{"gamedir"};
    fs::path root_ = scratch_.path(), install_, user_;
    std::string why_;
};

TEST_F(UserGameDir, RecognisesGameDirectoriesByTheirFirstSheet) {
    EXPECT_TRUE(gamedir::IsGameDirectory(install_.string()));
    EXPECT_FALSE(gamedir::IsGameDirectory(user_.string()));
    EXPECT_FALSE(gamedir::IsGameDirectory(""));

    // A directory where the sheet should be is not a sheet.
    fs::create_directories(root_ / "odd" / "Fcg" / "System1.fcg");
    EXPECT_FALSE(gamedir::IsGameDirectory((root_ / "odd").string()));

    // Linked parts count, as in the player's own directory.
    fs::create_directory_symlink(install_ / "Fcg", user_ / "Fcg");
    EXPECT_TRUE(gamedir::IsGameDirectory(user_.string()));
}

TEST_F(UserGameDir, NeverPlaysInsideTheInstalledCopy) {
    const std::vector<std::string> installs = {(root_ / "nowhere").string(), install_.string()};
    fs::path build = root_ / "build" / "game";
    MakeInstall(build, "");
    EXPECT_TRUE(gamedir::PlaysInPlace(build.string(), installs));
    EXPECT_FALSE(gamedir::PlaysInPlace(user_.string(), installs));

    // However the installed copy is named, it is the same directory.
    EXPECT_FALSE(gamedir::PlaysInPlace(install_.string(), installs));
    EXPECT_FALSE(gamedir::PlaysInPlace((install_ / ".." / "tessalune").string(), installs));
    fs::create_directory_symlink(install_, root_ / "alias");
    EXPECT_FALSE(gamedir::PlaysInPlace((root_ / "alias").string(), installs));
}

TEST_F(UserGameDir, FindsTheFirstInstalledCopyUnderItsPlainName) {
    fs::create_directories(root_ / "bin");
    const std::string dotted = (root_ / "bin" / ".." / "share" / "tessalune").string();
    EXPECT_EQ(gamedir::FindInstalledFiles({(root_ / "bin").string(), dotted, "/nonexistent"}),
              fs::canonical(install_).string());

    fs::create_directory_symlink(root_ / "share", root_ / "linked");
    EXPECT_EQ(gamedir::FindInstalledFiles({(root_ / "linked" / "tessalune").string()}),
              fs::canonical(install_).string());

    EXPECT_EQ(gamedir::FindInstalledFiles({(root_ / "bin").string(), ""}), "");
    EXPECT_EQ(gamedir::FindInstalledFiles({}), "");
}

TEST_F(UserGameDir, FirstStartLinksTheSharedPartsAndSeedsTheData) {
    ASSERT_TRUE(Prepare(install_)) << why_;

    for (const char* part : {"System", "Fcg", "Wave", "Mid"}) {
        ASSERT_TRUE(fs::is_symlink(user_ / part)) << part;
        EXPECT_EQ(fs::read_symlink(user_ / part), install_ / part);
    }
    EXPECT_TRUE(gamedir::IsGameDirectory(user_.string()));
    for (int i = 1; i <= 10; ++i) {
        const fs::path stage = user_ / "Data" / ("Map" + std::to_string(i));
        ASSERT_TRUE(fs::is_regular_file(fs::symlink_status(stage))) << stage;
        EXPECT_EQ(ReadText(stage), StockStage(i));
    }
    EXPECT_EQ(ReadText(user_ / "Data" / "BestScore"), std::string(40, '\0'));

    // Copies, not links: the player's edits must never reach the install.
    WriteText(user_ / "Data" / "Map1", "edited");
    EXPECT_EQ(ReadText(install_ / "Data" / "Map1"), StockStage(1));

    // Nothing half-made is left behind.
    int entries = 0;
    for (const auto& entry : fs::directory_iterator(user_ / "Data")) {
        EXPECT_EQ(entry.path().filename().string().find('.'), std::string::npos) << entry.path();
        ++entries;
    }
    EXPECT_EQ(entries, 11);
}

TEST_F(UserGameDir, LaterStartsKeepThePlayersFiles) {
    ASSERT_TRUE(Prepare(install_)) << why_;
    WriteText(user_ / "Data" / "Map3", "my own stage");
    WriteText(user_ / "Data" / "BestScore", std::string(40, '\7'));
    WriteText(user_ / "Data" / "Map4", "");  // a truncated stage is still the player's
    fs::remove(user_ / "Data" / "Map5");

    // A new release brings new stock stages.
    fs::remove_all(install_);
    MakeInstall(install_, "v2");
    ASSERT_TRUE(Prepare(install_)) << why_;

    EXPECT_EQ(ReadText(user_ / "Data" / "Map3"), "my own stage");
    EXPECT_EQ(ReadText(user_ / "Data" / "BestScore"), std::string(40, '\7'));
    EXPECT_EQ(ReadText(user_ / "Data" / "Map4"), "");
    EXPECT_EQ(ReadText(user_ / "Data" / "Map5"), StockStage(5) + "v2");
    EXPECT_EQ(ReadText(user_ / "Data" / "Map6"), StockStage(6));
    EXPECT_EQ(ReadText(user_ / "Fcg" / "System1.fcg"), "sheetv2");
}

TEST_F(UserGameDir, StaleLinksFollowTheCurrentInstall) {
    ASSERT_TRUE(Prepare(install_)) << why_;
    const fs::path moved = root_ / "opt" / "tessalune";
    MakeInstall(moved, "moved");
    fs::remove_all(install_);  // the old links now dangle

    // The player keeps a real directory of pictures of their own.
    fs::remove(user_ / "System");
    WriteText(user_ / "System" / "mojicord.bmp", "mine");

    ASSERT_TRUE(Prepare(moved)) << why_;
    for (const char* part : {"Fcg", "Wave", "Mid"}) {
        EXPECT_EQ(fs::read_symlink(user_ / part), moved / part) << part;
    }
    EXPECT_FALSE(fs::is_symlink(user_ / "System"));
    EXPECT_EQ(ReadText(user_ / "System" / "mojicord.bmp"), "mine");
    EXPECT_EQ(ReadText(user_ / "Fcg" / "System1.fcg"), "sheetmoved");

    // A link to a copy that still exists follows too, when another one runs.
    MakeInstall(install_, "back");
    ASSERT_TRUE(Prepare(install_)) << why_;
    EXPECT_EQ(fs::read_symlink(user_ / "Wave"), install_ / "Wave");
    EXPECT_EQ(ReadText(user_ / "Fcg" / "System1.fcg"), "sheetback");
}

TEST_F(UserGameDir, OddStockFilesDoNotStopTheStart) {
    fs::remove(install_ / "Data" / "Map7");
    fs::remove(install_ / "Data" / "Map2");
    ASSERT_EQ(mkfifo((install_ / "Data" / "Map2").c_str(), 0644), 0);  // would block a reader
    fs::create_directory(install_ / "Data" / "Map8.d");
    fs::remove(install_ / "Data" / "Map8");
    fs::create_directory_symlink(install_ / "Data" / "Map8.d", install_ / "Data" / "Map8");

    ASSERT_TRUE(Prepare(install_)) << why_;
    EXPECT_FALSE(fs::exists(fs::symlink_status(user_ / "Data" / "Map7")));
    EXPECT_FALSE(fs::exists(fs::symlink_status(user_ / "Data" / "Map2")));
    EXPECT_FALSE(fs::exists(fs::symlink_status(user_ / "Data" / "Map8")));
    EXPECT_EQ(ReadText(user_ / "Data" / "Map1"), StockStage(1));
    EXPECT_EQ(ReadText(user_ / "Data" / "BestScore"), std::string(40, '\0'));
}

TEST_F(UserGameDir, SaysWhyWhenTheDirectoryCannotBeMade) {
    // Something that is not a directory where Data/ belongs.
    WriteText(user_ / "Data", "a file");
    EXPECT_FALSE(Prepare(install_));
    EXPECT_NE(why_.find("Data"), std::string::npos) << why_;
    EXPECT_EQ(ReadText(user_ / "Data"), "a file");

    // A file where the whole directory should be.
    fs::remove_all(user_);
    WriteText(user_, "a file");
    EXPECT_FALSE(Prepare(install_));
    EXPECT_NE(why_.find(user_.string()), std::string::npos) << why_;
}

}  // namespace
