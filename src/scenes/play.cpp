// The play scene: one frame of the rules, in the order they must run.
#include "scenes/play.h"

#include <algorithm>
#include <cstdlib>
#include <iterator>

#include "audio/music.h"
#include "audio/sound.h"
#include "base/frameclock.h"
#include "data/scores.h"
#include "data/stage.h"
#include "input/input.h"
#include "scenes/draw_common.h"
#include "scenes/random.h"
#include "scenes/scenes.h"

int32_t FallGrid[StageCells] = {};

namespace {

constexpr int StartLives = 5;
constexpr int StartDx = -2;
constexpr int StartDy = 2;
constexpr int PaddleSpeed = 8;
constexpr int SlowDx = 2;  // sideways speed after a contact without motion
constexpr int FastDx = 4;  // sideways speed after a contact while moving
constexpr int FieldLeft = 32;
constexpr int FieldRight = 448;  // first column of the panel
constexpr int FieldTop = 32;
constexpr int LastStage = StageCount - 1;
constexpr int TimerLimit = 9999;
// From this stage index on a brick stored as 1 takes two hits.
constexpr int ToughStage = 4;

constexpr PlayState StartState{PlayEntryFrames, 0,       StartLives, 0, 0, 0, 0, BallStartX,
                               BallStartY,      StartDx, StartDy,    0, 0, 0, 0, 0};
PlayState st = StartState;

const char* const MusicFiles[5] = {"Mid/Bgm1.mid", "Mid/Bgm2.mid", "Mid/Bgm3.mid", "Mid/Bgm4.mid",
                                   "Mid/Bgm5.mid"};

void ServeBall() {
    st.paddle = 0;
    st.ballX = BallStartX;
    st.ballY = BallStartY;
    st.ballDx = StartDx;
    st.ballDy = StartDy;
}

void SetUpStage() {
    st.music = GameRandom() % 5;
    OpenMidi(MusicFiles[st.music]);
    PlayMidi();
    LoadStage(st.stage);
    st.brickSet = BrickSetForStage(st.stage);
    const int32_t single = st.stage >= ToughStage ? 2 : 1;
    for (int r = 0; r < StageRows; ++r) {
        for (int c = 0; c < StageColumns; ++c) {
            if (StageCell(c, r) == 1) {
                StageCell(c, r) = single;
            }
            FallGrid[c * StageRows + r] = 0;
        }
    }
    ServeBall();
    st.motion = MotionNone;
    st.bricks = 0;
    st.clear = 0;
    st.timerFrames = 0;
    st.timerSeconds = 0;
}

// Only straight right or left steers: a diagonal counts as nothing at all.
void MovePaddle(int direction) {
    int step = 0;
    if (direction == DirRight) {
        st.motion = MotionRight;
        step = PaddleSpeed;
    } else if (direction == DirLeft) {
        st.motion = MotionLeft;
        step = -PaddleSpeed;
    } else {
        return;
    }
    const int moved = st.paddle + step;
    // The paddle never pushes into a ball that sits at its own height.
    if (moved >= 0 && moved <= PaddleMaxOffset &&
        PaddleTouch(st.ballX, st.ballY, moved + PaddleLeft, PaddleY) == 0) {
        st.paddle = moved;
    }
}

void MoveBall() {
    Ball b{st.ballX, st.ballY, st.ballDx, st.ballDy};
    const BallFrame f = StepBall(&b, StageGrid, FallGrid, st.paddle + PaddleLeft, st.motion);
    for (int i = 0; i < f.hits; ++i) {
        PlayHitSound();
    }
    st.score += f.score;
    st.ballX = b.x;
    st.ballY = b.y;
    st.ballDx = b.dx;
    st.ballDy = b.dy;
}

int CountBricks() {
    int n = 0;
    for (int i = 0; i < StageCells; ++i) {
        if (StageGrid[i] >= 1) {
            ++n;
        }
    }
    return n;
}

}  // namespace

const PlayState& GetPlayState() {
    return st;
}
PlayState& MutablePlayState() {
    return st;
}

int BrickTouch(int ax, int ay, int bx, int by) {
    // Edges that meet count as a touch.
    return (ax <= bx + TileSize && ax + BallSize >= bx && ay <= by + TileSize &&
            ay + BallSize >= by)
               ? 1
               : 0;
}

int PaddleTouch(int ballX, int ballY, int paddleX, int paddleY) {
    // Only a ball level with the paddle's top, to within a pixel, lands on it.
    return (ballX <= paddleX + PaddleWidth && ballX + BallSize >= paddleX &&
            ballY <= paddleY - (BallSize - 1) && ballY + BallSize >= paddleY)
               ? 1
               : 0;
}

BallFrame StepBall(Ball* b, int32_t* grid, int32_t* fall, int paddleX, int motion) {
    BallFrame f{};
    auto hit = [&](int c, int r) {
        ++f.hits;
        int32_t& cell = grid[c * StageRows + r];
        cell -= 1;
        if (cell == 0 && fall != nullptr) {
            fall[c * StageRows + r] = FallFrames;
        }
    };
    // Side hits: every brick the ball would run into sideways. Each later
    // brick is tried with the speed as the earlier hits left it.
    for (int r = 0; r < StageRows; ++r) {
        for (int c = 0; c < StageColumns; ++c) {
            if (grid[c * StageRows + r] >= 1 &&
                BrickTouch(b->x + b->dx, b->y, CellScreenX(c), CellScreenY(r)) == 1) {
                // A side hit turns the ball back both ways and scores twice:
                // the game's own rule, not a slip.
                hit(c, r);
                f.score += 2;
                b->dy = -b->dy;
                b->dx = -b->dx;
            }
        }
    }
    if (b->x + b->dx + BallSize > FieldRight || b->x + b->dx < FieldLeft) {
        b->dx = -b->dx;
    }
    for (int r = 0; r < StageRows; ++r) {
        for (int c = 0; c < StageColumns; ++c) {
            if (grid[c * StageRows + r] >= 1 &&
                BrickTouch(b->x, b->y + b->dy, CellScreenX(c), CellScreenY(r)) == 1) {
                hit(c, r);
                f.score += 1;
                b->dy = -b->dy;
            }
        }
    }
    if (b->y + b->dy < FieldTop) {
        b->dy = -b->dy;
    }
    if (PaddleTouch(b->x, b->y + b->dy, paddleX, PaddleY) == 1) {
        ++f.hits;
        if (motion == MotionRight) {
            b->dx = FastDx;
        } else if (motion == MotionLeft) {
            b->dx = -FastDx;
        } else {
            b->dx = b->dx > 0 ? SlowDx : -SlowDx;
        }
        b->dy = -b->dy;
    }
    b->x += b->dx;
    b->y += b->dy;
    return f;
}

int32_t PlayStep() {
    int32_t next = ScenePlay;
    if (st.entry == PlayEntryFrames) {
        SetUpStage();
    }
    int direction = 0;
    int button = 0;
    ReadFrameInput(PlayKeys, static_cast<int>(std::size(PlayKeys)), &direction, &button);
    st.motion = MotionNone;
    if (st.entry != 0) {
        --st.entry;
    }
    const bool playing = st.entry == 0 && st.clear == 0;
    if (playing) {
        MovePaddle(direction);
        if (st.timerSeconds < TimerLimit) {
            if (++st.timerFrames == static_cast<int>(frameclock::FramesPerSecond)) {
                ++st.timerSeconds;
                st.timerFrames = 0;
            }
        }
        MoveBall();
    }
    if (st.ballY >= BallLostY) {
        if (st.lives > 1) {
            --st.lives;
            ServeBall();
        } else {
            st.clear = 1;
            next = SceneResult;
        }
    }
    if (st.clear >= 1) {
        ++st.clear;
    }
    st.bricks = CountBricks();
    if (st.bricks == 0 && st.clear == 0) {
        st.clear = 1;
    }
    if (st.clear == PlayClearFrames) {
        st.clear = 0;
        if (st.stage == LastStage) {
            next = SceneResult;
        } else {
            ++st.stage;
            CloseMidi();
            st.entry = PlayEntryFrames;
        }
    }
    // The panel's picture moves on before it is drawn, the falling pieces
    // after: a piece shows its first position on the frame its brick goes.
    StepAnimation(&PanelAnim, PanelAnimation);
    DrawPlay();
    for (int32_t& f : FallGrid) {
        if (f > 0) {
            --f;
        }
    }
    if (next == SceneResult) {
        ShowSaveFailure(BestScorePath, RecordScore(st.score));
        st.score = 0;
        CloseMidi();
        st.stage = 0;
        st.lives = StartLives;
        st.clear = 0;
        st.entry = PlayEntryFrames;
    }
    return next;
}

void ResetPlayScene() {
    st = StartState;
    std::fill(std::begin(FallGrid), std::end(FallGrid), 0);
    PanelAnim = AnimState{0, 0, PanelAnimation};
}
