// The play scene's rules, frame by frame, on the whole game.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "audio/sound.h"
#include "data/scores.h"
#include "game_harness.h"
#include "scenes/draw_common.h"
#include "scenes/random.h"

namespace {

using namespace scenes_test;

// Started straight in play, frame 0 sets the stage up and frame 119 is the
// first on which the ball moves (the entry countdown reaches 0 there).
constexpr int SetUpFrame = 0;
constexpr int FirstPlayFrame = 119;

// A brick far from every position below, so that emptying the grid around a
// test does not clear the stage.
const CellValue Keeper{12, 0, 9};

// Puts the ball somewhere with some speed, before frame `f` runs.
void Ball(int x, int y, int dx, int dy) {
    PlayState& s = MutablePlayState();
    s.ballX = x;
    s.ballY = y;
    s.ballDx = dx;
    s.ballDy = dy;
}

int HitSounds(const Frame& f) {
    const std::vector<std::string>& s = f.record.sounds;
    return static_cast<int>(
        std::count_if(s.begin(), s.end(), [](const auto& n) { return n.rfind("hit", 0) == 0; }));
}

// The game's generator gives the C library's sequence for every seed, so
// the pieces that fall and recorded runs stay as they were.
TEST(GameRandom, SameSequenceAsTheCLibrary) {
    std::vector<uint32_t> seeds = {0u,          1u,          2u,          127773u,
                                   2147483646u, 2147483647u, 0x80000000u, 0xFFFFFFFFu};
    for (uint32_t k = 1; k < 500; ++k) {
        seeds.push_back(k * 0x9E3779B1u);
    }
    for (uint32_t seed : seeds) {
        char state[128];
        random_data library{};
        initstate_r(seed, state, sizeof state, &library);
        SeedGameRandom(seed);
        for (int i = 0; i < 1000; ++i) {
            int32_t want = 0;
            random_r(&library, &want);
            ASSERT_EQ(GameRandom(), want) << "seed " << seed << ", number " << i;
        }
    }
}

TEST(BrickAndPaddleTouch, TouchingEdgesCount) {
    // A brick and its neighbours edge to edge, then one pixel further off.
    const int bx = 192, by = 128;
    EXPECT_EQ(BrickTouch(bx + TileSize, by, bx, by), 1);
    EXPECT_EQ(BrickTouch(bx + TileSize + 2, by, bx, by), 0);
    EXPECT_EQ(BrickTouch(bx - BallSize, by, bx, by), 1);
    EXPECT_EQ(BrickTouch(bx - BallSize - 2, by, bx, by), 0);
    EXPECT_EQ(BrickTouch(bx, by + TileSize, bx, by), 1);
    EXPECT_EQ(BrickTouch(bx, by + TileSize + 1, bx, by), 0);
    EXPECT_EQ(BrickTouch(bx, by - BallSize, bx, by), 1);
    EXPECT_EQ(BrickTouch(bx, by - BallSize - 1, bx, by), 0);
    EXPECT_EQ(BrickTouch(bx + TileSize, by + TileSize, bx, by), 1);  // corner to corner
    // Only a ball resting on the paddle's top, or one pixel into it, is level.
    const int px = 32, py = 384, top = py - BallSize;
    EXPECT_EQ(PaddleTouch(114, top, px, py), 1);
    EXPECT_EQ(PaddleTouch(114, top + 1, px, py), 1);
    EXPECT_EQ(PaddleTouch(114, top - 1, px, py), 0);
    EXPECT_EQ(PaddleTouch(114, top + 2, px, py), 0);
    EXPECT_EQ(PaddleTouch(px + PaddleWidth, top, px, py), 1);  // right end, edge to edge
    EXPECT_EQ(PaddleTouch(px + PaddleWidth + 1, top, px, py), 0);
    EXPECT_EQ(PaddleTouch(px - BallSize, top, px, py), 1);  // left end, edge to edge
    EXPECT_EQ(PaddleTouch(px - BallSize - 1, top, px, py), 0);
}

TEST(PlayRun, FirstStageFromTheTitleAndTheFirstPaddleContact) {
    // Bricks only in the top rows, so the ball's way down is clear.
    WithGame([](Game& g) {
        const std::vector<int32_t> map1 = GridWith({{0, 0, 1}, {6, 1, 1}, {12, 2, 3}});
        PutStage(0, map1);
        g.Tap(59, VK_Z);  // the title's first frame that listens
        g.Run(240);
        ASSERT_EQ(g.count(), 240);
        EXPECT_EQ(g.at(59).ran, SceneTitle);
        EXPECT_EQ(g.at(59).next, ScenePlay);

        const int start = 60;
        const Frame& first = g.at(start);
        EXPECT_EQ(first.ran, ScenePlay);
        EXPECT_EQ(first.grid, map1);
        const std::string piece = "Mid/Bgm" + std::to_string(first.play.music + 1) + ".mid";
        EXPECT_GE(first.play.music, 0);
        EXPECT_LE(first.play.music, 4);
        EXPECT_TRUE(g.MusicMentions(start, piece)) << piece;
        EXPECT_EQ(first.play.stage, 0);
        EXPECT_EQ(first.play.lives, 5);
        EXPECT_EQ(first.play.bricks, 3);

        // 119 frames at rest, then the ball goes.
        for (int f = start; f < start + 119; ++f) {
            EXPECT_EQ(g.at(f).play.ballX, 208) << f;
            EXPECT_EQ(g.at(f).play.ballY, 256) << f;
        }
        EXPECT_EQ(g.at(start + 119).play.ballX, 206);
        EXPECT_EQ(g.at(start + 119).play.ballY, 258);

        // The 48th frame of play meets the paddle at offset 0.
        const int contact = start + 119 + 47;
        EXPECT_EQ(g.at(contact - 1).play.ballX, 114);
        EXPECT_EQ(g.at(contact - 1).play.ballY, 350);
        EXPECT_EQ(HitSounds(g.at(contact - 1)), 0);
        const PlayState& after = g.at(contact).play;
        EXPECT_EQ(after.ballX, 112);
        EXPECT_EQ(after.ballY, 348);
        EXPECT_EQ(after.ballDx, -2);
        EXPECT_EQ(after.ballDy, -2);
        EXPECT_EQ(after.paddle, 0);
        EXPECT_EQ(HitSounds(g.at(contact)), 1);
        EXPECT_EQ(after.score, 0);  // the paddle scores nothing
    });
}

TEST(PlayRun, SingleHitBricksTakeTwoFromStageFive) {
    const std::vector<int32_t> stored = GridWith({{0, 0, 1}, {1, 0, 3}, {2, 0, -1}, {3, 4, 1}});
    for (int stage : {3, 4, 9}) {
        WithGame(ScenePlay, [&](Game& g) {
            PutStage(stage, stored);
            g.Before([&](int f) {
                if (f == SetUpFrame) {
                    MutablePlayState().stage = stage;
                }
            });
            g.Run(2);
            const int32_t single = stage >= 4 ? 2 : 1;
            const std::vector<int32_t>& grid = g.at(SetUpFrame).grid;
            EXPECT_EQ(Cell(grid, 0, 0), single) << "stage index " << stage;
            EXPECT_EQ(Cell(grid, 3, 4), single);
            EXPECT_EQ(Cell(grid, 1, 0), 3);
            EXPECT_EQ(Cell(grid, 2, 0), -1);
            EXPECT_EQ(g.at(SetUpFrame).play.bricks, 3);
            EXPECT_EQ(g.at(SetUpFrame).play.brickSet, BrickSetForStage(stage));
        });
    }
}

// Each case: a grid, a ball, and what one frame of play must make of it.
TEST(PlayRun, BrickAndWallBouncesOfOneFrame) {
    struct Motion {
        int x, y, dx, dy;
    };
    // Each case's bricks stand beside Keeper; `after` holds their values after the frame.
    struct Case {
        const char* name;
        std::vector<CellValue> bricks;
        Motion from;
        int score;  // gained on the frame
        Motion to;
        int hits;
        std::vector<int32_t> after;
    };
    const std::vector<Case> cases = {
        // Moving right into a brick's left side: 2 points, both speeds turn.
        {"side hit", {{5, 3, 1}}, {158, 128, 2, 2}, 2, {156, 126, -2, -2}, 1, {0}},
        // From below into a two-hit brick: 1 point, only dy turns.
        {"hit from below", {{5, 3, 2}}, {192, 162, 2, -2}, 1, {194, 164, 2, 2}, 1, {1}},
        // Two bricks touched edge-on in one sideways pass: the first hit turns
        // the ball, and the second brick, tried with the new speed, is missed.
        {"two edge-on", {{5, 2, 1}, {5, 3, 1}}, {158, 112, 2, 2}, 2, {156, 110, -2, -2}, 1, {0, 1}},
        // Two bricks the ball overlaps deeply: both are hit, each hit turns
        // the ball, and it goes on the way it came.
        {"overlapping", {{5, 5, 1}, {6, 5, 1}}, {208, 220, 2, -2}, 4, {210, 218, 2, -2}, 2, {0, 0}},
        // A ball exactly 32 pixels right of a brick, level with it, touches it.
        {"touching edge", {{5, 3, 1}}, {226, 128, -2, 2}, 2, {228, 126, 2, -2}, 1, {0}},
        // The walls look one step ahead: a ball that would only come level
        // with a wall goes on, one that would pass it turns, without a sound.
        {"right wall reached", {}, {414, 300, 2, 2}, 0, {416, 302, 2, 2}, 0, {}},
        {"right wall passed", {}, {416, 300, 2, 2}, 0, {414, 302, -2, 2}, 0, {}},
        {"left wall reached", {}, {34, 300, -2, 2}, 0, {32, 302, -2, 2}, 0, {}},
        {"left wall passed", {}, {32, 300, -2, 2}, 0, {34, 302, 2, 2}, 0, {}},
        {"top wall reached", {}, {200, 34, 2, -2}, 0, {202, 32, 2, -2}, 0, {}},
        {"top wall passed", {}, {200, 32, 2, -2}, 0, {202, 34, 2, 2}, 0, {}},
        // Against the right wall a side hit has already turned the ball, so
        // the wall, tested with the turned speed, must not turn it back.
        {"side hit, right wall", {{12, 3, 1}}, {416, 128, 2, 2}, 2, {414, 126, -2, -2}, 1, {0}}};
    for (const Case& c : cases) {
        WithGame(ScenePlay, [&](Game& g) {
            const int f0 = 130;
            g.Before([&](int f) {
                if (f == f0) {
                    std::vector<CellValue> cells = c.bricks;
                    cells.push_back(Keeper);
                    SetGrid(GridWith(cells));
                    MutablePlayState().score = 10;
                    Ball(c.from.x, c.from.y, c.from.dx, c.from.dy);
                }
            });
            g.Run(f0 + 1);
            const Frame& fr = g.at(f0);
            SCOPED_TRACE(c.name);
            EXPECT_EQ(fr.play.score, 10 + c.score);
            EXPECT_EQ(fr.play.ballDx, c.to.dx);
            EXPECT_EQ(fr.play.ballDy, c.to.dy);
            EXPECT_EQ(fr.play.ballX, c.to.x);
            EXPECT_EQ(fr.play.ballY, c.to.y);
            EXPECT_EQ(HitSounds(fr), c.hits);
            ASSERT_EQ(c.after.size(), c.bricks.size());
            for (size_t i = 0; i < c.bricks.size(); ++i) {
                const CellValue& b = c.bricks[i];
                EXPECT_EQ(Cell(fr.grid, b.column, b.row), c.after[i])
                    << "column " << b.column << " row " << b.row;
                // A destroyed brick starts falling; the drawing of the same
                // frame already took the first step.
                EXPECT_EQ(Cell(fr.fall, b.column, b.row), c.after[i] == 0 ? 39 : 0);
            }
        });
    }
}

TEST(PlayRun, PaddleSteering) {
    WithGame(ScenePlay, [](Game& g) {
        // Right during the countdown does nothing; then it moves 8 a frame.
        g.Hold(100, 121, VK_RIGHT);
        // Up with Right is a diagonal: no motion at all, even at a contact.
        g.Hold(140, 142, VK_RIGHT);
        g.Hold(140, 142, VK_UP);
        // At offset 320 Right cannot move the paddle, but a contact still
        // sends the ball off at 4.
        g.Hold(150, 150, VK_RIGHT);
        // The paddle never moves into a ball level with it.
        g.Hold(160, 161, VK_RIGHT);
        g.Before([](int f) {
            PlayState& s = MutablePlayState();
            if (f == 140) {
                s.paddle = 100;
                Ball(200, 350, 4, 2);
            } else if (f == 150) {
                s.paddle = 320;
                Ball(380, 350, -2, 2);
            } else if (f == 160) {
                s.paddle = 0;  // the paddle's right end at 128; moving would reach 136
                Ball(138, 352, 2, 2);
            } else if (f == 161) {
                s.paddle = 8;  // moving would reach 144, into the ball
                Ball(138, 352, 2, 2);
            }
        });
        g.Run(170);
        EXPECT_EQ(g.at(118).play.paddle, 0);
        EXPECT_EQ(g.at(118).play.motion, 0);
        EXPECT_EQ(g.at(119).play.paddle, 8);
        EXPECT_EQ(g.at(121).play.paddle, 24);
        EXPECT_EQ(g.at(121).play.motion, 1);
        EXPECT_EQ(g.at(122).play.paddle, 24);
        EXPECT_EQ(g.at(122).play.motion, 0);

        EXPECT_EQ(g.at(140).play.paddle, 100);
        EXPECT_EQ(g.at(140).play.motion, 0);
        EXPECT_EQ(g.at(140).play.ballDx, 2);  // a contact without motion
        EXPECT_EQ(g.at(140).play.ballDy, -2);
        EXPECT_EQ(g.at(142).play.paddle, 100);

        EXPECT_EQ(g.at(150).play.paddle, 320);
        EXPECT_EQ(g.at(150).play.motion, 1);
        EXPECT_EQ(g.at(150).play.ballDx, 4);
        EXPECT_EQ(g.at(150).play.ballDy, -2);
        EXPECT_EQ(g.at(150).play.ballX, 384);
        EXPECT_EQ(g.at(150).play.ballY, 348);
        EXPECT_EQ(HitSounds(g.at(150)), 1);

        EXPECT_EQ(g.at(160).play.paddle, 8);
        EXPECT_EQ(g.at(161).play.paddle, 8);
        EXPECT_EQ(g.at(161).play.motion, 1);
    });
}

TEST(PlayRun, TimerCountsSecondsAndStopsAt9999) {
    WithGame(ScenePlay, [](Game& g) {
        g.Before([](int f) {
            if (f == 200) {
                MutablePlayState().timerSeconds = 9998;
                MutablePlayState().timerFrames = 58;
            }
        });
        g.Run(204);
        EXPECT_EQ(g.at(118).play.timerFrames, 0);
        EXPECT_EQ(g.at(FirstPlayFrame).play.timerFrames, 1);
        EXPECT_EQ(g.at(FirstPlayFrame + 58).play.timerFrames, 59);
        EXPECT_EQ(g.at(FirstPlayFrame + 59).play.timerSeconds, 1);
        EXPECT_EQ(g.at(FirstPlayFrame + 59).play.timerFrames, 0);
        EXPECT_EQ(g.at(200).play.timerFrames, 59);
        EXPECT_EQ(g.at(201).play.timerSeconds, 9999);
        EXPECT_EQ(g.at(201).play.timerFrames, 0);
        EXPECT_EQ(g.at(203).play.timerSeconds, 9999);
        EXPECT_EQ(g.at(203).play.timerFrames, 0);
    });
}

TEST(PlayRun, LosingBallsAndTheLastOne) {
    WithGame(ScenePlay, [](Game& g) {
        g.KeepScreen(150);
        g.Before([](int f) {
            PlayState& s = MutablePlayState();
            if (f == 130) {
                s.paddle = 200;
                Ball(60, 414, 2, 2);
            } else if (f == 140) {
                s.lives = 2;
                Ball(60, 414, 2, 2);
            } else if (f == 150) {
                s.lives = 1;
                s.score = 1234;
                Ball(60, 414, 2, 2);
                // What a run's end leaves alone.
                s.timerSeconds = 77;
                s.timerFrames = 5;
                nHitSound = 7;
                PanelAnim = AnimState{2, 5, PanelAnimation};
            } else if (f == 151) {
                EXPECT_EQ(nHitSound, 7) << "the hit buffers go on in turn across runs";
                EXPECT_EQ(PanelAnim.position, 2) << "the panel picture is never reset";
                EXPECT_EQ(PanelAnim.counter, 6);
            }
        });
        g.Run(152);
        const PlayState& lost = g.at(130).play;
        EXPECT_EQ(lost.lives, 4);
        EXPECT_EQ(lost.ballX, 208);
        EXPECT_EQ(lost.ballY, 256);
        EXPECT_EQ(lost.ballDx, -2);
        EXPECT_EQ(lost.ballDy, 2);
        EXPECT_EQ(lost.paddle, 0);
        EXPECT_TRUE(g.at(130).record.sounds.empty());
        EXPECT_EQ(g.at(130).next, ScenePlay);
        EXPECT_EQ(g.at(131).play.ballX, 206);  // play goes straight on

        EXPECT_EQ(g.at(140).play.lives, 1);
        EXPECT_EQ(g.at(140).next, ScenePlay);

        // The last ball ends the run on that very frame.
        const Frame& end = g.at(150);
        EXPECT_EQ(end.ran, ScenePlay);
        EXPECT_EQ(end.next, SceneResult);
        EXPECT_EQ(end.play.score, 0);
        EXPECT_EQ(end.play.stage, 0);
        EXPECT_EQ(end.play.lives, 5);
        EXPECT_EQ(end.play.clear, 0);
        EXPECT_EQ(end.play.entry, 120);
        EXPECT_EQ(end.play.timerSeconds, 77) << "the timer waits for the next stage start";
        EXPECT_EQ(end.play.timerFrames, 6);
        EXPECT_TRUE(g.MusicMentions(150, "close")) << "the run's music closes with it";
        EXPECT_EQ(g.at(151).ran, SceneResult);
        const std::vector<int32_t> table = FromLeWords(ReadBytes(BestScorePath));
        ASSERT_EQ(table.size(), 10u);
        EXPECT_EQ(table[0], 1234);
        // The frame was drawn before the reset: its score, no spare ball.
        EXPECT_EQ(DigitsAt(end.screen, 480, 128, 4), (std::vector<int>{1, 2, 3, 4}));
        EXPECT_FALSE(SpriteShown(end.screen, 576, 352, 32, 32, Sheets()[2], 192, 0));
    });
}

TEST(PlayRun, ClearingAStageAndTheTenth) {
    WithGame(ScenePlay, [](Game& g) {
        const std::vector<int32_t> map2 = GridWith({{3, 3, 1}, {4, 4, 1}});
        PutStage(1, map2);
        g.Hold(135, 140, VK_RIGHT);
        g.Before([](int f) {
            if (f == 130) {
                SetGrid(GridWith({}));
            } else if (f == 249) {
                nHitSound = 4;
                PanelAnim = AnimState{1, 3, PanelAnimation};
            } else if (f == 251) {
                // The stage change and the next stage's set-up leave both be.
                EXPECT_EQ(nHitSound, 4);
                EXPECT_EQ(PanelAnim.position, 1);
                EXPECT_EQ(PanelAnim.counter, 5);
            }
        });
        g.Run(252);
        EXPECT_EQ(g.at(130).play.clear, 1);
        const PlayState still = g.at(131).play;
        EXPECT_EQ(still.clear, 2);
        EXPECT_EQ(g.at(140).play.paddle, still.paddle);  // all stands still
        EXPECT_EQ(g.at(140).play.ballX, still.ballX);
        EXPECT_EQ(g.at(140).play.timerFrames, still.timerFrames);
        EXPECT_EQ(g.at(248).play.clear, 119);
        EXPECT_EQ(g.at(248).play.stage, 0);
        const PlayState& change = g.at(249).play;
        EXPECT_EQ(change.clear, 0);
        EXPECT_EQ(change.stage, 1);
        EXPECT_EQ(change.entry, 120);
        EXPECT_TRUE(g.MusicMentions(249, "close")) << "music closed at the stage change";
        EXPECT_EQ(g.at(249).next, ScenePlay);
        EXPECT_EQ(g.at(250).grid, map2);
        EXPECT_EQ(g.at(250).play.entry, 119);
        EXPECT_TRUE(g.MusicMentions(250, "Mid/Bgm"));
    });
    // On the tenth stage the frame whose clear countdown reaches 120 ends the
    // run: 119 frames after the frame that broke the last brick.
    WithGame(ScenePlay, [](Game& g) {
        g.Before([](int f) {
            if (f == SetUpFrame) {
                MutablePlayState().stage = 9;
            } else if (f == 130) {
                SetGrid(GridWith({{5, 3, 1}}));
                MutablePlayState().score = 500;
                Ball(192, 162, 2, -2);
            }
        });
        g.Run(252);
        EXPECT_EQ(g.at(130).play.bricks, 0);
        EXPECT_EQ(g.at(130).play.clear, 1);
        EXPECT_EQ(g.at(248).next, ScenePlay);
        EXPECT_EQ(g.at(249).next, SceneResult);
        EXPECT_EQ(g.at(249).play.stage, 0);
        EXPECT_EQ(g.at(249).play.lives, 5);
        EXPECT_EQ(g.at(249).play.score, 0);
        EXPECT_TRUE(g.MusicMentions(249, "close"));
        EXPECT_EQ(FromLeWords(ReadBytes(BestScorePath)).at(0), 501);
    });
}

TEST(PlayRun, HitSoundsTakeTheTenBuffersInTurn) {
    WithGame(ScenePlay, [](Game& g) {
        g.Run(6000);  // five balls lost without a touch of the keys, and more
        std::vector<int> buffers;
        for (const auto& [frame, name] : g.Sounds()) {
            if (name.rfind("hit", 0) == 0) {
                buffers.push_back(std::stoi(name.substr(3)));
            }
        }
        ASSERT_GE(buffers.size(), 11u);
        EXPECT_EQ(buffers[0], 0);
        for (size_t i = 1; i < buffers.size(); ++i) {
            EXPECT_EQ(buffers[i], (buffers[i - 1] + 1) % 10) << "hit " << i;
        }
    });
}

TEST(PlayDrawing, PanelNumbersAndSpareBalls) {
    WithGame(ScenePlay, [](Game& g) {
        g.KeepScreens(130, 133);
        g.Before([](int f) {
            PlayState& s = MutablePlayState();
            const int32_t scores[] = {1234, 7, 12345, -5};
            const int32_t lives[] = {3, 1, 5, 2};
            if (f >= 130 && f <= 133) {
                s.score = scores[f - 130];
                s.lives = lives[f - 130];
                s.stage = f == 130 ? 9 : 0;
                s.timerSeconds = 321;
                SetGrid(GridWith({{0, 0, 1}, {1, 0, 2}, {12, 5, 1}}));
            }
        });
        g.Run(134);
        const Sheet& sheet = Sheets()[2];
        using V = std::vector<int>;
        const Screen& a = g.at(130).screen;
        EXPECT_EQ(DigitsAt(a, 480, 128, 4), (V{1, 2, 3, 4}));
        EXPECT_EQ(DigitsAt(a, 544, 64, 2), (V{1, 0}));
        EXPECT_EQ(DigitsAt(a, 544, 192, 2), (V{0, 3}));
        EXPECT_EQ(DigitsAt(a, 480, 416, 4), (V{0, 3, 2, 1}));
        EXPECT_TRUE(Shows(a, 576, 352, 32, 32, sheet, 192, 0));
        EXPECT_TRUE(Shows(a, 544, 352, 32, 32, sheet, 192, 0));
        EXPECT_FALSE(SpriteShown(a, 512, 352, 32, 32, sheet, 192, 0));
        const Screen& b = g.at(131).screen;
        EXPECT_EQ(DigitsAt(b, 480, 128, 4), (V{0, 0, 0, 7}));
        EXPECT_EQ(DigitsAt(b, 544, 64, 2), (V{0, 1}));
        EXPECT_FALSE(SpriteShown(b, 576, 352, 32, 32, sheet, 192, 0));
        const Screen& c = g.at(132).screen;
        // Out of reach of four digits: the nearest value the group can show.
        EXPECT_EQ(DigitsAt(c, 480, 128, 4), (V{9, 9, 9, 9}));
        for (int x : {576, 544, 512, 480}) {
            EXPECT_TRUE(Shows(c, x, 352, 32, 32, sheet, 192, 0)) << x;
        }
        EXPECT_EQ(DigitsAt(g.at(133).screen, 480, 128, 4), (V{0, 0, 0, 0}));
    });
}

TEST(PlayDrawing, FallingPieceOfABrokenBrick) {
    // The pieces fall on every frame of the scene: in play, and through the
    // clear countdown that breaking the last brick starts.
    for (bool lastBrick : {false, true}) {
        WithGame(ScenePlay, [&](Game& g) {
            SCOPED_TRACE(lastBrick ? "the last brick" : "play goes on");
            const int hit = 130;
            g.KeepScreens(hit, hit + 41);
            g.Before([&](int f) {
                if (f == SetUpFrame) {
                    MutablePlayState().stage = 4;  // brick set 2
                } else if (f == hit) {
                    SetGrid(lastBrick ? GridWith({{0, 0, 1}}) : GridWith({{0, 0, 1}, {12, 5, 9}}));
                    Ball(32, 66, 2, -2);
                } else if (f == hit + 1) {
                    Ball(300, 300, 2, 2);  // out of the way of the piece
                }
            });
            g.Run(hit + 42);
            ASSERT_EQ(Cell(g.at(hit).grid, 0, 0), 0);
            const Sheet& sheet = Sheets()[2];
            EXPECT_TRUE(Shows(g.at(hit).screen, 32, 32, 32, 32, sheet, 224, 224));
            EXPECT_TRUE(Shows(g.at(hit + 20).screen, 32, 52, 32, 32, sheet, 224, 224));
            EXPECT_TRUE(Shows(g.at(hit + 21).screen, 32, 53, 32, 32, sheet, 256, 224));
            EXPECT_TRUE(Shows(g.at(hit + 39).screen, 32, 71, 32, 32, sheet, 256, 224));
            EXPECT_EQ(Cell(g.at(hit + 39).fall, 0, 0), 0);
            EXPECT_EQ(g.at(hit + 39).play.clear, lastBrick ? 40 : 0);
            // Then only the playfield's own background is left there.
            const Screen& gone = g.at(hit + 40).screen;
            const Sheet& bg = Sheets()[3];
            int differing = 0;
            for (int y = 32; y < 104; ++y) {
                for (int x = 32; x < 64; ++x) {
                    differing += ScreenAt(gone, x, y) != bg.at(x - 32, y - 32) ? 1 : 0;
                }
            }
            EXPECT_EQ(differing, 0);
        });
    }
    // And through the entry countdown, while the ball stands still.
    WithGame(ScenePlay, [](Game& g) {
        g.KeepScreen(10);
        g.Before([](int f) {
            if (f == 10) {
                FallGrid[5 * StageRows + 2] = 40;
            }
        });
        g.Run(31);
        ASSERT_GT(g.at(10).play.entry, 0);
        EXPECT_TRUE(Shows(g.at(10).screen, 32 + 32 * 5, 32 + 32 * 2, 32, 32, Sheets()[2], 224,
                          160 + 32 * g.at(10).play.brickSet));
        EXPECT_EQ(Cell(g.at(10).fall, 5, 2), 39);
        EXPECT_EQ(Cell(g.at(30).fall, 5, 2), 19);
    });
}

TEST(PlayDrawing, PanelPictureFramesHoldThirtyThenThirtyOne) {
    WithGame(ScenePlay, [](Game& g) {
        g.KeepScreens(0, 62);
        g.Run(63);
        const Sheet& pictures = Sheets()[1];
        auto frameShown = [&](int f) {
            int best = 0;
            int bestPixels = 0;
            for (int n = 1; n <= 4; ++n) {
                int px = 0;
                if (SpriteShown(g.at(f).screen, 496, 224, 96, 96, pictures, 96 * (n - 1), 0, &px) &&
                    px > bestPixels) {
                    best = n;
                    bestPixels = px;
                }
            }
            return best;
        };
        for (int f = 0; f < 30; ++f) {
            EXPECT_EQ(frameShown(f), 1) << f;
        }
        for (int f = 30; f < 61; ++f) {
            EXPECT_EQ(frameShown(f), 2) << f;
        }
        EXPECT_EQ(frameShown(61), 3);
    });
}

TEST(PanelAnimation, CommandsOfTheTable) {
    // Hold: stays on the entry before it for good.
    const AnimFrame hold[] = {{5, 1}, {6, 1}, {-1, 0}};
    AnimState a{0, 0, hold};
    std::vector<int> shown;
    for (int i = 0; i < 8; ++i) {
        shown.push_back(StepAnimation(&a, hold));
    }
    EXPECT_EQ(shown, (std::vector<int>{5, 6, 6, 6, 6, 6, 6, 6}));
    // Switch: on to the follow-up table.
    const AnimFrame next[] = {{9, 2}, {-2, 0}};
    const AnimFrame once[] = {{7, 0}, {-3, 0}};
    AnimState b{0, 0, once};
    shown.clear();
    for (int i = 0; i < 6; ++i) {
        shown.push_back(StepAnimation(&b, next));
    }
    EXPECT_EQ(shown, (std::vector<int>{9, 9, 9, 9, 9, 9}));
    EXPECT_EQ(b.table, next);
}

}  // namespace
