// What each scene puts on the screen, in the headless runner's shots,
// checked at chosen places against the sprite sheets the game loaded: a
// sprite is where it belongs when every one of its opaque pixels is on the
// screen there. Art can change freely; only the layout is fixed, and it is
// written out here by hand, apart from the code that draws it, on purpose.
#include <gtest/gtest.h>

#include <vector>

#include "data/stage.h"
#include "game_harness.h"

namespace {

using namespace scenes_test;

// Everything the play screen and the editor share.
void ExpectPlayfield(const Screen& s) {
    const Sheet& sys = Sheets()[2];
    // The panel's left strip carries nothing of its own.
    EXPECT_TRUE(Shows(s, 448, 0, 32, 480, sys, 0, 0));
    // The left wall between the top and bottom walls.
    EXPECT_TRUE(Shows(s, 0, 32, 32, 416, sys, 0, 32));
    for (int i = 0; i < 14; ++i) {
        EXPECT_TRUE(Shows(s, 32 * i, 0, 32, 32, sys, 0, 0)) << "top wall " << i;
        EXPECT_TRUE(Shows(s, 32 * i, 448, 32, 32, sys, 0, 0)) << "bottom wall " << i;
    }
}

void ExpectBricks(const Screen& s, const std::vector<int32_t>& grid, int brickSet, int skipColumn,
                  int skipRow) {
    for (int c = 0; c < StageColumns; ++c) {
        for (int r = 0; r < StageRows; ++r) {
            if (c == skipColumn && r == skipRow) {
                continue;
            }
            const int x = 32 + 32 * c;
            const int y = 32 + 32 * r;
            if (Cell(grid, c, r) >= 1) {
                EXPECT_TRUE(Shows(s, x, y, 32, 32, Sheets()[2], 192, 160 + 32 * brickSet))
                    << "brick at column " << c << " row " << r;
            } else {
                EXPECT_TRUE(Shows(s, x, y, 32, 32, Sheets()[3], x - 32, y - 32))
                    << "background at column " << c << " row " << r;
            }
        }
    }
}

TEST(Layout, TitleMenuAndScoreView) {
    InFreshGame([] {
        WriteBytes("Data/BestScore", LeWords({9876, 543, 21, 0, 0, 0, 0, 0, 0, 0}));
        CaptureSheets();
        // The frame that opens the score view already shows it.
        ASSERT_EQ(RunRunner("60 down Down\n61 up Down\n62 tap Z\n",
                            "--frames 63 --shot 10:menu.bmp --shot 62:scores.bmp"),
                  0);
        const Sheet& pic = Sheets()[1];
        const Sheet& sys = Sheets()[2];

        const Screen menu = ReadShot("menu.bmp");
        EXPECT_TRUE(Shows(menu, 0, 0, 32, 32, sys, 0, 0));
        EXPECT_TRUE(Shows(menu, 608, 448, 32, 32, sys, 0, 0));
        EXPECT_TRUE(Shows(menu, 128, 64, 384, 96, pic, 0, 96));
        EXPECT_TRUE(Shows(menu, 32, 64, 96, 96, pic, 0, 0));
        EXPECT_TRUE(Shows(menu, 512, 64, 96, 96, pic, 288, 0));
        EXPECT_TRUE(Shows(menu, 128, 224, 320, 192, pic, 0, 288));
        EXPECT_TRUE(Shows(menu, 448, 224, 64, 64, pic, 320, 416));
        // The black panel under the entries, where the cursor is not.
        int lit = 0;
        for (int y = 288; y < 416; ++y) {
            for (int x = 448; x < 512; ++x) {
                lit += ScreenAt(menu, x, y) != 0 ? 1 : 0;
            }
        }
        EXPECT_EQ(lit, 0);

        const Screen scores = ReadShot("scores.bmp");
        EXPECT_TRUE(Shows(scores, 128, 0, 384, 96, pic, 0, 96));
        EXPECT_TRUE(Shows(scores, 256, 96, 128, 32, sys, 32, 96));
        EXPECT_TRUE(Shows(scores, 0, 448, 32, 32, sys, 0, 0));
        EXPECT_TRUE(Shows(scores, 384, 128, 32, 32, sys, 0, 0));  // tiles beside the lines
        EXPECT_EQ(DigitsAt(scores, 256, 128, 4), (std::vector<int>{9, 8, 7, 6}));
    });
}

TEST(Layout, PlayFrameDuringTheEntryCountdown) {
    InFreshGame([] {
        CaptureSheets();
        const std::vector<int32_t> map1 = FromLeWords(ReadBytes(StagePath(0)));
        ASSERT_EQ(map1.size(), static_cast<size_t>(StageCells));
        int bricks = 0;
        for (int32_t v : map1) {
            bricks += v >= 1 ? 1 : 0;
        }
        // The title listens from frame 59; play starts on the next frame.
        ASSERT_EQ(RunRunner("59 tap Z\n", "--frames 66 --shot 65:play.bmp"), 0);
        const Screen s = ReadShot("play.bmp");
        ExpectPlayfield(s);
        ExpectBricks(s, map1, 0, -1, -1);
        // The strip between the bricks and the ball shows the background.
        EXPECT_TRUE(Shows(s, 32, 224, 416, 32, Sheets()[3], 0, 192));
        EXPECT_TRUE(Shows(s, 32, 384, 96, 32, Sheets()[2], 192, 32));  // paddle
        EXPECT_TRUE(Shows(s, 208, 256, 32, 32, Sheets()[2], 192, 0));  // ball
        using V = std::vector<int>;
        EXPECT_EQ(DigitsAt(s, 544, 64, 2), (V{0, 1}));
        EXPECT_EQ(DigitsAt(s, 480, 128, 4), (V{0, 0, 0, 0}));
        EXPECT_EQ(DigitsAt(s, 544, 192, 2), (V{bricks / 10, bricks % 10}));
        EXPECT_EQ(DigitsAt(s, 480, 416, 4), (V{0, 0, 0, 0}));
        for (int x : {576, 544, 512, 480}) {
            EXPECT_TRUE(Shows(s, x, 352, 32, 32, Sheets()[2], 192, 0)) << "spare ball " << x;
        }
        EXPECT_TRUE(Shows(s, 496, 224, 96, 96, Sheets()[1], 0, 0));
    });
}

TEST(Layout, ResultScreen) {
    InFreshGame([] {
        CaptureSheets();
        // Without a key the five balls are lost in a while; find the frame.
        ASSERT_EQ(RunRunner("59 tap Z\n", "--frames 6000 --trace trace.jsonl"), 0);
        int first = -1;
        for (const Json& frame : ReadTrace("trace.jsonl")) {
            if (frame["scene"].Int() == SceneResult) {
                first = static_cast<int>(frame["frame"].Int());
                break;
            }
        }
        ASSERT_GT(first, 0);
        ASSERT_EQ(RunRunner("59 tap Z\n", "--frames " + std::to_string(first + 4) + " --shot " +
                                              std::to_string(first + 3) + ":result.bmp"),
                  0);
        const Screen s = ReadShot("result.bmp");
        EXPECT_TRUE(Shows(s, 128, 192, 384, 96, Sheets()[1], 0, 192));
        for (int x : {0, 96, 544, 608}) {
            EXPECT_TRUE(Shows(s, x, 0, 32, 32, Sheets()[2], 0, 0)) << x;
            EXPECT_TRUE(Shows(s, x, 448, 32, 32, Sheets()[2], 0, 0)) << x;
        }
    });
}

TEST(Layout, EditorScreen) {
    InFreshGame([] {
        CaptureSheets();
        // M on the title's first listening frame; the editor listens 59
        // frames after it opens. A brick at column 0, row 0, one at column 1,
        // row 0, and the cursor left on the second.
        ASSERT_EQ(RunRunner("59 tap M\n120 tap Z\n122 down Right\n123 up Right\n124 tap Z\n",
                            "--frames 126 --shot 125:editor.bmp"),
                  0);
        const Screen s = ReadShot("editor.bmp");
        ExpectPlayfield(s);
        ExpectBricks(s, GridWith({{0, 0, 1}, {1, 0, 1}}), 0, 1, 0);
        EXPECT_TRUE(Shows(s, 64, 32, 32, 32, Sheets()[2], 192, 0));  // the cursor over it
        using V = std::vector<int>;
        EXPECT_EQ(DigitsAt(s, 544, 64, 2), (V{0, 1}));
        // Nothing of the panel's moving parts: the panel itself shows there.
        EXPECT_TRUE(Shows(s, 480, 128, 128, 32, Sheets()[2], 32, 128));
        EXPECT_TRUE(Shows(s, 496, 224, 96, 96, Sheets()[2], 48, 224));
        EXPECT_TRUE(Shows(s, 480, 352, 128, 32, Sheets()[2], 32, 352));
        EXPECT_TRUE(Shows(s, 480, 416, 128, 32, Sheets()[2], 32, 416));
        // No paddle and no ball.
        EXPECT_TRUE(Shows(s, 32, 384, 96, 32, Sheets()[3], 0, 352));
        EXPECT_TRUE(Shows(s, 208, 256, 32, 32, Sheets()[3], 176, 224));
    });
}

}  // namespace
