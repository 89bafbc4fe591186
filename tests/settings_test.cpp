// The player's settings file: what it takes, what it refuses and says, and
// that a file the game cannot read whole is never written over.
#include "base/settings.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/settings_file.h"
#include "support/bytes.h"
#include "support/scratch.h"

namespace {

using settings::GameKey;
using settings::Settings;

std::string KeyOf(const Settings& s, GameKey k) {
    return s.keys[static_cast<size_t>(k)];
}

TEST(Settings, WhatIsWrittenReadsBackAndCommentsAndBlanksAreNothing) {
    Settings s;
    s.musicVolume = 30;
    s.soundVolume = 0;
    s.fullscreen = false;
    s.windowWidth = 1280;
    s.windowHeight = 960;
    s.scale = settings::Scale::Fit;
    s.keys[static_cast<size_t>(GameKey::Confirm)] = "W";
    std::vector<std::string> complaints;
    const Settings back =
        settings::Parse("\r\n   # only a comment\n" + settings::Format(s) + "\n\t\n", &complaints);
    EXPECT_EQ(complaints, std::vector<std::string>{});
    EXPECT_EQ(settings::Format(back), settings::Format(s));
    EXPECT_EQ(back.keyLines[static_cast<size_t>(GameKey::Confirm)] > 0, true);
    // CRLF line ends and spaces around the '=' are the file's business.
    const Settings crlf =
        settings::Parse("music-volume=5\r\nscale = fit # why not\r\n", &complaints);
    EXPECT_EQ(crlf.musicVolume, 5);
    EXPECT_EQ(crlf.scale, settings::Scale::Fit);
    EXPECT_EQ(complaints, std::vector<std::string>{});
}

TEST(Settings, EachBadLineIsSaidOnceAndLeavesItsDefault) {
    const char* bad[] = {
        "music-volume = 101",      "sound-volume = -1",  "music-volume = 5O",
        "fullscreen = maybe",      "window-size = 1280", "window-size = 0x0",
        "window-size = 99999x480", "scale = huge",       "colour = blue",
        "no equals sign",          "key-up =",           "music-volume = 1e2",
        "\x1b[31m = red",
    };
    for (const char* line : bad) {
        std::vector<std::string> complaints;
        const Settings s = settings::Parse(std::string("\n") + line + "\n", &complaints);
        ASSERT_EQ(complaints.size(), 1u) << line;
        EXPECT_EQ(complaints[0].rfind("line 2 ", 0), 0u) << complaints[0];
        EXPECT_NE(complaints[0].find("keeping"), std::string::npos) << complaints[0];
        EXPECT_EQ(complaints[0].find('\x1b'), std::string::npos) << "raw escape said";
        EXPECT_EQ(settings::Format(s), settings::Format(Settings{})) << line;
    }
}

TEST(Settings, ClashingUnknownAndReservedKeysFallBackToTheirDefaults) {
    std::vector<std::string> complaints;
    Settings s = settings::Parse(
        "key-confirm = W\n"  // taken
        "key-cancel = W\n"   // the later of two on W: back to X
        "key-up = Pause\n"   // kept for the surroundings: back to Up
        "key-m = Nowhere\n"  // no such key: back to M
        "key-left = Z\n"     // Z is free now that confirm moved
        "key-c = x\n",       // names compare as the platform says
        &complaints);
    const auto known = [](const std::string& n) { return n != "Nowhere"; };
    const auto same = [](const std::string& a, const std::string& b) {
        return strcasecmp(a.c_str(), b.c_str()) == 0;
    };
    settings::CheckKeys(&s, known, same, {"Pause"}, &complaints);
    EXPECT_EQ(KeyOf(s, GameKey::Confirm), "W");
    EXPECT_EQ(KeyOf(s, GameKey::Up), "Up");
    EXPECT_EQ(KeyOf(s, GameKey::M), "M");
    EXPECT_EQ(KeyOf(s, GameKey::Left), "Z");
    // Cancel went back to X, and then C (named later, on x) gave way to it.
    EXPECT_EQ(KeyOf(s, GameKey::Cancel), "X");
    EXPECT_EQ(KeyOf(s, GameKey::C), "C");
    EXPECT_EQ(complaints.size(), 4u);
    EXPECT_EQ(settings::StepVolume(95, 1), 100);
    EXPECT_EQ(settings::StepVolume(5, -1), 0);
}

class SettingsFile : public ::testing::Test {
  protected:
    ScratchDir dir_{"settings"};
    std::string path_ = (dir_.path() / "tessalune" / "tessalune.conf").string();
};

TEST_F(SettingsFile, MissingIsTheDefaultsAndASaveMakesItsFolders) {
    bool writable = false;
    EXPECT_EQ(settings::Format(LoadSettings(path_, &writable)), settings::Format(Settings{}));
    EXPECT_TRUE(writable);
    Settings s;
    s.musicVolume = 40;
    ASSERT_TRUE(SaveSettings(path_, s));
    EXPECT_EQ(LoadSettings(path_, &writable).musicVolume, 40);
    EXPECT_FALSE(std::filesystem::exists(path_ + ".tmp"));
}

TEST_F(SettingsFile, WhatCannotBeReadWholeIsNeverWrittenOver) {
    // Too large to be a settings file.
    WriteText(path_, std::string(200 * 1024, '#'));
    bool writable = true;
    LoadSettings(path_, &writable);
    EXPECT_FALSE(writable);
    // A directory, and a fifo (which must not hold the game).
    std::filesystem::remove(path_);
    std::filesystem::create_directory(path_);
    LoadSettings(path_, &writable);
    EXPECT_FALSE(writable);
    std::filesystem::remove(path_);
    ASSERT_EQ(mkfifo(path_.c_str(), 0600), 0);
    LoadSettings(path_, &writable);
    EXPECT_FALSE(writable);
    EXPECT_FALSE(LoadSettings("", &writable).musicVolume != 100 || writable);
}

TEST_F(SettingsFile, BinaryIsReadLineByLineWithItsDefaults) {
    std::string junk;
    for (int i = 0; i < 4000; ++i) {
        junk += static_cast<char>(i % 23 == 0 ? '\n' : (i * 37) % 256);
    }
    WriteText(path_, junk + "\nsound-volume = 20\n");
    bool writable = false;
    testing::internal::CaptureStderr();
    const Settings s = LoadSettings(path_, &writable);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(s.soundVolume, 20);
    EXPECT_TRUE(writable);
    // Said, but not a line for every one of hundreds of bad lines.
    EXPECT_LE(std::count(said.begin(), said.end(), '\n'), 21);
    EXPECT_NE(said.find("more lines like these"), std::string::npos);
}

}  // namespace
