// The result screen and the stage editor.
#include <gtest/gtest.h>

#include <vector>

#include "data/datafile.h"
#include "game_harness.h"
#include "scenes/editor.h"

namespace {

using namespace scenes_test;

TEST(Result, AHeldKeyDoesNotSkipItAndBothButtonsLeave) {
    WithGame(SceneResult, [](Game& g) {
        g.Hold(0, 70, VK_Z);  // still held from the end of the run
        g.Hold(72, 72, VK_RIGHT);
        g.Tap(75, VK_RETURN);
        g.KeepScreen(75);
        g.Run(77);
        EXPECT_TRUE(g.MusicMentions(0, "Mid/System.mid"));
        for (int f = 0; f < 75; ++f) {
            EXPECT_EQ(g.at(f).next, SceneResult) << f;
            EXPECT_TRUE(g.at(f).record.sounds.empty()) << f;
        }
        EXPECT_EQ(g.at(75).next, SceneTitle);
        EXPECT_EQ(g.at(75).record.sounds, (std::vector<std::string>{"check"}));
        EXPECT_TRUE(g.MusicMentions(75, "close"));
        // The frame that hands over still shows the banner over the tiles.
        EXPECT_TRUE(Shows(g.at(75).screen, 128, 192, 384, 96, Sheets()[1], 0, 192));
        EXPECT_TRUE(Shows(g.at(75).screen, 0, 0, 32, 32, Sheets()[2], 0, 0));
        EXPECT_TRUE(Shows(g.at(75).screen, 608, 448, 32, 32, Sheets()[2], 0, 0));
        EXPECT_EQ(g.at(76).ran, SceneTitle);
    });
    WithGame(SceneResult, [](Game& g) {
        g.Tap(30, VK_X);  // too early
        g.Tap(59, VK_X);
        g.Run(61);
        EXPECT_EQ(g.at(30).next, SceneResult);
        EXPECT_EQ(g.at(59).next, SceneTitle);
        EXPECT_EQ(g.at(59).record.sounds, (std::vector<std::string>{"cancel"}));
    });
}

TEST(Editor, CursorMovesOncePerPressAndSoundsAtTheEdges) {
    WithGame(SceneEditor, [](Game& g) {
        g.Hold(60, 70, VK_RIGHT);
        g.Tap(72, VK_RIGHT);
        g.Tap(80, VK_RIGHT);
        g.Tap(82, VK_UP);
        g.Tap(84, VK_DOWN);
        g.Before([](int f) {
            if (f == 80) {
                EXPECT_EQ(EditorColumn, 2);
                EditorColumn = 12;
            } else if (f == 84) {
                EditorRow = 5;
            }
        });
        g.Run(86);
        EXPECT_EQ(g.FramesWithSound("move"), (std::vector<int>{60, 72, 80, 82, 84}));
        EXPECT_EQ(EditorColumn, 12);
        EXPECT_EQ(EditorRow, 5);
    });
}

TEST(Editor, OpensEmptyTogglesStepsSavesAndLoads) {
    WithGame(SceneEditor, [](Game& g) {
        const std::vector<int32_t> layout = GridWith({{0, 0, 1}, {3, 2, 2}, {12, 5, -1}});
        g.Before([&](int f) {
            if (f == 0) {
                SetGrid(layout);  // what a game would have left
            } else if (f == 90) {
                StageCell(0, 0) = 2;
            } else if (f == 98) {
                EditorColumn = 5;
                EditorStage = 9;
                EditorBrickSet = BrickSetForStage(9);
            } else if (f == 110) {
                EditorStage = 2;
                SetGrid(layout);
            } else if (f == 112) {
                SetGrid(GridWith({{6, 3, 1}}));
            }
        });
        g.Tap(90, VK_Z);       // 2 -> 0
        g.Tap(92, VK_RETURN);  // 0 -> 1
        g.KeepScreen(98);
        g.Tap(100, VK_C);  // stage 10 -> stage 1
        g.KeepScreen(100);
        g.Tap(110, VK_V);  // save on stage 3
        g.Tap(112, VK_B);  // and load it back
        g.Tap(120, VK_X);
        g.KeepScreen(120);
        g.Tap(185, VK_M);  // from the title, into the editor again
        g.KeepScreen(186);
        g.Run(187);

        EXPECT_EQ(g.at(0).grid, GridWith({}));
        EXPECT_TRUE(g.MusicMentions(0, "open Mid/System.mid"));
        EXPECT_EQ(Cell(g.at(90).grid, 0, 0), 0);
        EXPECT_EQ(Cell(g.at(92).grid, 0, 0), 1);
        EXPECT_EQ(g.at(90).record.sounds, (std::vector<std::string>{"check"}));

        using V = std::vector<int>;
        const Sheet& sheet = Sheets()[2];
        EXPECT_EQ(DigitsAt(g.at(98).screen, 544, 64, 2), (V{1, 0}));
        EXPECT_TRUE(Shows(g.at(98).screen, 32, 32, 32, 32, sheet, 192, 160 + 32 * 4));
        EXPECT_EQ(DigitsAt(g.at(100).screen, 544, 64, 2), (V{0, 1}));
        EXPECT_TRUE(Shows(g.at(100).screen, 32, 32, 32, 32, sheet, 192, 160));
        EXPECT_EQ(g.at(100).record.sounds, (std::vector<std::string>{"move"}));
        EXPECT_EQ(Cell(g.at(100).grid, 0, 0), 1) << "stepping the stage keeps the grid";

        EXPECT_EQ(ReadBytes("Data/Map3"), LeWords(layout));
        EXPECT_EQ(g.at(110).record.sounds, (std::vector<std::string>{"check"}));
        EXPECT_EQ(g.at(112).grid, layout);
        EXPECT_EQ(g.at(112).record.sounds, (std::vector<std::string>{"check"}));

        // Cancel hands over on its own frame, which still shows the editor:
        // the cursor ball in its cell and the stage number.
        EXPECT_EQ(g.at(120).next, SceneTitle);
        EXPECT_EQ(g.at(120).record.sounds, (std::vector<std::string>{"cancel"}));
        EXPECT_EQ(g.at(120).record.music, (std::vector<std::string>{"close"}));
        EXPECT_TRUE(Shows(g.at(120).screen, 32 + 32 * 5, 32, 32, 32, sheet, 192, 0));
        EXPECT_EQ(DigitsAt(g.at(120).screen, 544, 64, 2), (V{0, 3}));
        EXPECT_EQ(g.at(121).ran, SceneTitle);

        // On re-entry the grid is empty again; the stage is the last one.
        EXPECT_EQ(g.at(186).ran, SceneEditor);
        EXPECT_EQ(g.at(186).grid, GridWith({}));
        EXPECT_TRUE(g.MusicMentions(186, "open Mid/System.mid"));
        EXPECT_EQ(DigitsAt(g.at(186).screen, 544, 64, 2), (V{0, 3}));
    });
}

TEST(Editor, ASaveThatFailsSaysSoAndKeepsTheOldFile) {
    InFreshGame([] {
        const Bytes before = ReadBytes("Data/Map1");
        FileStepFails = [](FileStep step) { return step == FileStep::Rename; };
        Game g;
        g.StartIn(SceneEditor);
        g.Before([](int f) {
            if (f == 90) {
                StageCell(4, 4) = 1;
            }
        });
        g.Tap(90, VK_V);  // the editor takes keys after a while
        g.Run(92);
        FileStepFails = nullptr;

        EXPECT_EQ(ReadBytes("Data/Map1"), before);
        using Box = std::pair<std::string, std::string>;
        EXPECT_EQ(g.at(90).record.messages,
                  (std::vector<Box>{{"セーブ失敗\nData/Map1: Permission denied", " "}}));
        // The editor goes on as after any save.
        EXPECT_EQ(g.at(90).record.sounds, (std::vector<std::string>{"check"}));
        EXPECT_EQ(g.at(91).ran, SceneEditor);
    });
}

}  // namespace
