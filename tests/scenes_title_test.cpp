// The title: when it listens, what its keys do, what it writes and shows.
#include <gtest/gtest.h>

#include <vector>

#include "data/scores.h"
#include "game_harness.h"
#include "input/messages.h"
#include "scenes/title.h"

namespace {

using namespace scenes_test;

// Counting the entry frame as the first, the 60th frame is the first that acts.
constexpr int FirstListening = 59;

TEST(Title, DeafForFiftyNineFramesAndToAHeldKey) {
    // Fresh presses on every other frame before the 60th: none counts.
    WithGame([](Game& g) {
        for (int f = 0; f < FirstListening - 1; f += 2) {
            g.Tap(f, VK_DOWN);
        }
        g.Tap(FirstListening, VK_DOWN);
        g.Run(FirstListening + 2);
        EXPECT_TRUE(g.FramesWithSound("move") == std::vector<int>{FirstListening});
        EXPECT_EQ(MenuCursor, 1);
        EXPECT_TRUE(g.MusicMentions(0, "Mid/System.mid"));
    });
    // A key held down from before the 60th frame acts only once released
    // and pressed again; holding it acts once.
    WithGame([](Game& g) {
        g.Hold(50, 80, VK_DOWN);
        g.Hold(85, 100, VK_DOWN);
        g.Run(110);
        EXPECT_TRUE(g.FramesWithSound("move") == std::vector<int>{85});
        EXPECT_EQ(MenuCursor, 1);
    });
}

TEST(Title, MenuCursorWrapsAndDiagonalsDoNothing) {
    WithGame([](Game& g) {
        g.Tap(60, VK_UP);    // 0 -> 2
        g.Tap(62, VK_DOWN);  // 2 -> 0
        g.Tap(64, VK_DOWN);  // 0 -> 1
        g.Hold(66, 67, VK_DOWN);
        g.Hold(66, 67, VK_LEFT);  // down-left: nothing
        g.Before([](int f) {
            if (f == 61) {
                EXPECT_EQ(MenuCursor, 2);
            } else if (f == 63) {
                EXPECT_EQ(MenuCursor, 0);
            }
        });
        g.Run(70);
        EXPECT_EQ(MenuCursor, 1);
        EXPECT_EQ(g.FramesWithSound("move").size(), 3u);
    });
}

TEST(Title, ScoreViewConfirmCancelAndClear) {
    WithGame([](Game& g) {
        WriteBytes(BestScorePath, LeWords({1234, 7, 12345, -3, 5, 4, 3, 2, 1, 0}));
        g.Tap(60, VK_C);  // menu view: nothing
        g.Tap(62, VK_DOWN);
        g.Tap(64, VK_RETURN);  // best scores
        g.Tap(66, VK_X);       // back to the menu, cancel sound
        g.Tap(68, VK_Z);       // best scores again
        g.KeepScreen(69);
        g.Tap(70, VK_C);  // clear
        g.KeepScreen(71);
        g.Tap(72, VK_LSHIFT);  // back, cancel sound
        g.Run(74);
        EXPECT_EQ(g.at(60).record.sounds.size(), 0u);
        EXPECT_EQ(g.at(64).record.sounds, (std::vector<std::string>{"check"}));
        EXPECT_EQ(g.at(66).record.sounds, (std::vector<std::string>{"cancel"}));
        EXPECT_EQ(g.at(70).record.sounds, (std::vector<std::string>{"cancel"}));
        EXPECT_EQ(g.at(72).record.sounds, (std::vector<std::string>{"cancel"}));
        EXPECT_EQ(ScoreView, 0);
        EXPECT_EQ(MenuCursor, 1);
        for (int f = 60; f < 74; ++f) {
            EXPECT_EQ(g.at(f).next, SceneTitle) << f;
        }

        // The table as it stood, each place in four digits; values out of
        // their reach are shown as the nearest they can hold.
        using V = std::vector<int>;
        const Screen& shown = g.at(69).screen;
        EXPECT_EQ(DigitsAt(shown, 256, 128, 4), (V{1, 2, 3, 4}));
        EXPECT_EQ(DigitsAt(shown, 256, 160, 4), (V{0, 0, 0, 7}));
        EXPECT_EQ(DigitsAt(shown, 256, 192, 4), (V{9, 9, 9, 9}));
        EXPECT_EQ(DigitsAt(shown, 256, 224, 4), (V{0, 0, 0, 0}));
        EXPECT_EQ(DigitsAt(shown, 256, 256, 4), (V{0, 0, 0, 5}));

        // C writes ten zeros and the view shows them.
        EXPECT_EQ(ReadBytes(BestScorePath), Bytes(40, 0));
        for (int i = 0; i < 10; ++i) {
            EXPECT_EQ(DigitsAt(g.at(71).screen, 256, 128 + 32 * i, 4), (V{0, 0, 0, 0})) << i;
        }
    });
}

TEST(Title, CursorMovesUnseenInTheScoreView) {
    WithGame([](Game& g) {
        g.Tap(60, VK_DOWN);
        g.Tap(62, VK_Z);     // the score view
        g.Tap(64, VK_DOWN);  // on to the leave entry, unseen
        g.KeepScreen(64);
        g.Tap(66, VK_UP);
        g.Tap(68, VK_DOWN);
        g.Tap(70, VK_Z);  // in the score view confirm only goes back
        g.KeepScreen(70);
        g.Run(72);
        ASSERT_EQ(g.count(), 72) << "confirm in the score view must not leave";
        EXPECT_EQ(g.FramesWithSound("move"), (std::vector<int>{60, 64, 66, 68}));
        EXPECT_EQ(g.at(70).record.sounds, (std::vector<std::string>{"check"}));
        EXPECT_EQ(g.at(70).next, SceneTitle);
        EXPECT_EQ(ScoreView, 0);
        EXPECT_EQ(MenuCursor, 2);
        const Sheet& pic = Sheets()[1];
        EXPECT_TRUE(Shows(g.at(64).screen, 256, 96, 128, 32, Sheets()[2], 32, 96));
        EXPECT_FALSE(SpriteShown(g.at(64).screen, 448, 352, 64, 64, pic, 320, 416));
        EXPECT_TRUE(Shows(g.at(70).screen, 448, 352, 64, 64, pic, 320, 416));
    });
}

TEST(Title, StartEditorAndBack) {
    WithGame([](Game& g) {
        g.Tap(60, VK_DOWN);
        g.Tap(62, VK_Z);   // the score view
        g.Tap(64, VK_M);   // the editor from the score view
        g.Tap(140, VK_X);  // the editor's own cancel, after its 60 frames
        g.Before([](int f) {
            if (f == 150) {
                EXPECT_EQ(ScoreView, 1) << "the view the title was left on";
            }
        });
        g.Tap(300, VK_X);  // back in the menu view
        g.Tap(302, VK_UP);
        g.Tap(304, VK_Z);  // start a game
        g.Run(306);
        EXPECT_EQ(g.at(64).next, SceneEditor);
        EXPECT_EQ(g.at(64).record.sounds, (std::vector<std::string>{"cancel"}));
        EXPECT_TRUE(g.MusicMentions(64, "close"));
        EXPECT_EQ(g.at(65).ran, SceneEditor);
        EXPECT_EQ(g.at(140).next, SceneTitle);
        // The title again, on the view it was left on, listening after 60 frames.
        EXPECT_TRUE(g.MusicMentions(141, "Mid/System.mid"));
        EXPECT_EQ(g.at(300).record.sounds, (std::vector<std::string>{"cancel"}));
        EXPECT_EQ(g.at(304).record.sounds, (std::vector<std::string>{"check"}));
        EXPECT_EQ(g.at(304).next, ScenePlay);
        EXPECT_EQ(g.at(305).ran, ScenePlay);
    });
}

TEST(Title, LeaveEntryClosesWithoutASound) {
    WithGame([](Game& g) {
        g.Tap(60, VK_UP);
        g.Tap(62, VK_Z);
        g.Run(200);
        EXPECT_EQ(g.at(62).record.sounds.size(), 0u);
        EXPECT_EQ(g.at(62).next, SceneTitle);
        EXPECT_LE(g.count(), 64) << "the program should have closed";
        EXPECT_EQ(g.exitCode(), 0);
    });
}

TEST(Title, NewScoreShowsOnTheNextVisit) {
    WithGame([](Game& g) {
        WriteBytes(BestScorePath, LeWords({50, 40, 30, 20, 10, 0, 0, 0, 0, 0}));
        g.Tap(60, VK_DOWN);
        g.Tap(62, VK_Z);  // score view, then M to the editor
        g.Tap(64, VK_M);
        g.Before([](int f) {
            if (f == 100) {
                RecordScore(35);  // as a finished run would
            }
        });
        g.Tap(140, VK_X);
        g.KeepScreen(141);
        g.Run(142);
        using V = std::vector<int>;
        EXPECT_EQ(DigitsAt(g.at(141).screen, 256, 192, 4), (V{0, 0, 3, 5}));
        EXPECT_EQ(DigitsAt(g.at(141).screen, 256, 224, 4), (V{0, 0, 3, 0}));
    });
}

}  // namespace
