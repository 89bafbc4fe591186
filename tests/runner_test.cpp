// tessalune-headless as its users see it: options, scripts, traces, shots.

#include <sstream>
#include <string>
#include <vector>

#include "game_harness.h"
#include "input/input.h"
#include "platform/script/script.h"
#include "support/bytes.h"
#include "support/child.h"
#include "support/game.h"

namespace shell_test {
namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

class RunnerTest : public InScratchGameDir {
  protected:
    // Runs the runner in the game directory; its standard error lands in err_.
    int Run(const std::string& args) {
        const int code =
            RunCommand(std::string("'") + TESSALUNE_HEADLESS + "' " + args + " >out.txt 2>err.txt");
        err_ = ReadText("err.txt");
        return code;
    }
    std::string err_;
};

TEST_F(RunnerTest, TraceHasOneObjectPerFrameWithTheClockAndScene) {
    ASSERT_EQ(Run("--frames 3 --clock 5000 --trace trace.jsonl"), 0) << err_;
    const auto lines = Lines(ReadText("trace.jsonl"));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(
        lines[0].rfind("{\"frame\":0,\"clock\":5000,\"scene\":1,\"sounds\":[],\"music\":[", 0), 0u)
        << lines[0];
    EXPECT_EQ(lines[1],
              "{\"frame\":1,\"clock\":5017,\"scene\":1,\"sounds\":[],\"music\":[],"
              "\"messages\":[]}");
    EXPECT_EQ(lines[2].find("\"clock\":5034,"), 11u) << lines[2];
}

TEST_F(RunnerTest, MessagesAreEscapedInTheTraceAndGoToStandardError) {
    // A music file that is not one: the title's open fails and says so.
    WriteText("Mid/System.mid", "not \"MIDI\" \\ at all");
    ASSERT_EQ(Run("--frames 1 --trace trace.jsonl"), 0) << err_;
    const std::string trace = ReadText("trace.jsonl");
    EXPECT_NE(trace.find("\"open Mid/System.mid\""), std::string::npos) << trace;
    EXPECT_NE(trace.find("\"messages\":[{\"text\":\"オープン失敗\",\"caption\":\" \"}]"),
              std::string::npos)
        << trace;
    EXPECT_NE(err_.find("オープン失敗"), std::string::npos) << err_;
}

TEST_F(RunnerTest, ScriptedEscapeEndsTheRunEarlyWithExitCodeZero) {
    WriteText("in.txt", "# leave at once\n5 down Escape   # like a player\n");
    ASSERT_EQ(Run("--frames 100 --input in.txt --trace trace.jsonl"), 0) << err_;
    EXPECT_EQ(Lines(ReadText("trace.jsonl")).size(), 5u);
    ASSERT_EQ(Run("--frames 0 --trace trace.jsonl"), 0) << err_;
    EXPECT_EQ(ReadText("trace.jsonl"), "");
}

TEST_F(RunnerTest, ShotIsTheBackBufferAsA24BitBmp) {
    ASSERT_EQ(Run("--frames 3 --shot 1:one.bmp --shot 2:two.bmp"), 0) << err_;
    for (const char* name : {"one.bmp", "two.bmp"}) {
        const std::string bmp = ReadText(name);
        ASSERT_GE(bmp.size(), 54u + 640u * 480u * 3u) << name;
        EXPECT_EQ(bmp.substr(0, 2), "BM");
        EXPECT_EQ(bmp.substr(18, 4), std::string("\x80\x02\0\0", 4));  // 640 wide
        EXPECT_EQ(bmp[28], 24);                                        // bits per pixel
    }
}

TEST_F(RunnerTest, ShotThatCannotBeTakenFailsTheRun) {
    // The game ends before frame 50, or the file cannot be written.
    EXPECT_EQ(Run("--frames 10 --shot 50:late.bmp"), 1);
    EXPECT_NE(err_.find("late.bmp"), std::string::npos) << err_;
    EXPECT_EQ(Run("--frames 3 --shot 1:no/such/dir/x.bmp"), 1);
}

TEST_F(RunnerTest, BadOptionsAndScriptsAreRefusedWithExitCodeTwo) {
    const std::vector<std::string> scripts = {
        "1 down Space\n",
        "1 press Z\n",
        "-1 down Z\n",
        "x down Z\n",
        "99999999999 tap Z\n",
        "1 joy 1001 0 0 0 0 0\n",
        "1 joy 0 0 2 0 0 0\n",
        "1 joy 0 0 0 0 0\n",
        "1 focus away\n",
        "1 close now\n",
        "1\n",
        std::string("2 t\0ap Z\n", 9),
        std::string("\xff\xfe\x00\x01garbage\n", 12),
    };
    for (const std::string& text : scripts) {
        WriteText("bad.txt", "0 tap Z\n" + text);
        EXPECT_EQ(Run("--frames 5 --input bad.txt --trace trace.jsonl"), 2) << text;
        EXPECT_NE(err_.find("line 2"), std::string::npos) << text << " -> " << err_;
    }
    for (const char* args :
         {"--frames", "--frames -3", "--frames 1x", "--clock 4294967296", "--shot 5",
          "--shot x:a.bmp", "--bogus", "--input missing.txt", "--trace no/such/dir/t.jsonl"}) {
        EXPECT_EQ(Run(args), 2) << args;
        EXPECT_FALSE(err_.empty()) << args;
    }
}

TEST_F(RunnerTest, RecordingStartsFromItsClockAndRunsToItsEnd) {
    WriteText("run.rec", "tessalune-recording 1 clock 5000\n3 tap Z\n7 end\n");
    ASSERT_EQ(Run("--input run.rec --trace trace.jsonl"), 0) << err_;
    auto lines = Lines(ReadText("trace.jsonl"));
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[0].find("\"clock\":5000,"), 11u) << lines[0];
    // Cut short: up to the frame of its last line, and it says so.
    WriteText("run.rec", "tessalune-recording 1 clock 0\n3 tap Z\n");
    ASSERT_EQ(Run("--input run.rec --trace trace.jsonl"), 0) << err_;
    EXPECT_EQ(Lines(ReadText("trace.jsonl")).size(), 4u);
    EXPECT_NE(err_.find("cut short"), std::string::npos) << err_;
}

TEST_F(RunnerTest, DamagedRecordingsAreRefusedWithTheirLine) {
    const std::string head = "tessalune-recording 1 clock 0\n";
    const std::vector<std::pair<std::string, int>> recordings = {
        {"tessalune-recording 2 clock 0\n", 1},
        {"tessalune-recording 1 clock -5\n", 1},
        {"tessalune-recording 1\n", 1},
        {"0 tap Z\ntessalune-recording 1 clock 0\n", 2},
        {head + "9 tap Z\n3 tap Z\n", 3},
        {head + "2000000000 tap Z\n", 2},
        {head + "5184001 end\n", 2},  // past 24 hours of play: minutes of replay
        {head + "1 tap \x1b]0;owned\x07\x1b[2J\n", 2},
        {head + "4 end\n5 tap Z\n", 3},
        {head + "1 tap " + std::string(1 << 20, 'Q') + "\n", 2},
        {head + "1 tap " + std::string(1000, 'Q') + "\n", 2},
    };
    for (const auto& [text, line] : recordings) {
        WriteText("bad.rec", text);
        EXPECT_EQ(Run("--input bad.rec"), 2) << text.substr(0, 80);
        EXPECT_NE(err_.find("line " + std::to_string(line) + ":"), std::string::npos)
            << text.substr(0, 80) << " -> " << err_.substr(0, 200);
        EXPECT_LT(err_.size(), 400u) << "one short message, not the line itself";
        EXPECT_EQ(err_.find_first_of("\x07\x1b"), std::string::npos) << "raw bytes: " << err_;
    }
    // Nor does a file's name reach the terminal as it is.
    EXPECT_EQ(Run("--input '\x1b[2Jgone.rec'"), 2);
    EXPECT_NE(err_.find("'\\x1b[2Jgone.rec'"), std::string::npos) << err_;
}

TEST_F(RunnerTest, ParsedScriptDrivesTheGame) {
    // Joystick, keys, focus and music all reach the game: the joystick is
    // attached, the focus loss pauses the music and the gain plays it.
    WriteText("in.txt",
              "2 joy -1000 1000 1 0 0 1\n"
              "3 joy 0 0 0 0 0 0\n"
              "4 focus lost\n"
              "4 focus gained\n"
              "6 musicend\n"
              "7 down Left\n"
              "8 up Left\n"
              "9 tap Return\n"
              "10 close\n");
    ASSERT_EQ(Run("--frames 100 --input in.txt --trace trace.jsonl"), 0) << err_;
    const auto lines = Lines(ReadText("trace.jsonl"));
    ASSERT_EQ(lines.size(), 10u);
    EXPECT_NE(lines[4].find("\"music\":[\"pause\",\"play\"]"), std::string::npos) << lines[4];
    EXPECT_NE(lines[6].find("\"music\":[\"play\"]"), std::string::npos) << lines[6];
    EXPECT_EQ(err_.find("JoyErrer"), std::string::npos) << err_;
}

TEST(ScriptTest, ParseErrorNamesTheLineAndAddsNothing) {
    testgame::Reset();
    std::string error;
    EXPECT_FALSE(testgame::ParseScript("0 tap Z\r\n# fine\n\n3 tap Q\n", &error));
    EXPECT_EQ(error.rfind("line 4: ", 0), 0u) << error;
    EXPECT_NE(error.find("'Q'"), std::string::npos) << error;
    EXPECT_TRUE(testgame::ParseScript("0 tap Z\r\n\t5   focus\tlost  # a comment\n", &error))
        << error;
}

}  // namespace
}  // namespace shell_test
