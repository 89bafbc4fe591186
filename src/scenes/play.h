// The play scene's state, readable by the headless runner's trace and autoplay.
#pragma once

#include <cstdint>

#include "data/stage.h"

struct PlayState {
    int32_t entry;  // entry countdown, 120 at a stage start
    int32_t stage;  // stage index 0..9
    int32_t lives;
    int32_t score;
    int32_t brickSet;
    int32_t paddle;  // paddle offset 0..320
    int32_t motion;  // 0 none, 1 right, 2 left
    int32_t ballX, ballY, ballDx, ballDy;
    int32_t bricks;  // bricks left
    int32_t clear;   // clear countdown
    int32_t timerFrames, timerSeconds;
    int32_t music;  // music choice 0..4
};

const PlayState& GetPlayState();
// For tests that set up a position directly.
PlayState& MutablePlayState();

// Fall counters of destroyed bricks, in the order of the StageGrid: 40 when
// the brick goes, counted down once a frame after it is drawn, 0 when idle.
extern int32_t FallGrid[StageCells];

// Geometry the rules and the drawing share.
constexpr int PlayEntryFrames = 120;
constexpr int PlayClearFrames = 120;
constexpr int FallFrames = 40;
constexpr int PaddleY = 384;
constexpr int PaddleWidth = 96;
constexpr int PaddleLeft = 32;  // screen x of paddle offset 0
constexpr int PaddleMaxOffset = 320;
constexpr int BallSize = 32;
constexpr int BallStartX = 208;
constexpr int BallStartY = 256;
constexpr int BallLostY = 416;

int BrickTouch(int ax, int ay, int bx, int by);
int PaddleTouch(int ballX, int ballY, int paddleX, int paddleY);

// The paddle's motion on this frame, as PlayState::motion holds it.
constexpr int MotionNone = 0;
constexpr int MotionRight = 1;
constexpr int MotionLeft = 2;

struct Ball {
    int32_t x, y, dx, dy;
};
// What one frame of the ball's motion met.
struct BallFrame {
    int hits;   // bricks and the paddle, each one hit sound
    int score;  // points the brick hits earned
};
// One frame of the ball's motion by the rules: against the bricks of `grid`
// (StageGrid's layout; each hit counts its cell down, and a brick that goes
// starts its fall in `fall`, when given), the walls, and the paddle at screen
// x `paddleX` moving by `motion`. The play scene moves its ball with it, and
// autoplay looks ahead with it on copies.
BallFrame StepBall(Ball* b, int32_t* grid, int32_t* fall, int paddleX, int motion);

struct AnimFrame {
    int32_t frame;  // 1.. a picture frame; -1 hold, -2 loop, -3 switch
    int32_t hold;
};
struct AnimState {
    int32_t position;
    int32_t counter;
    const AnimFrame* table;
};
int32_t StepAnimation(AnimState* state, const AnimFrame* followUp);

// The score panel's picture: four frames, then round again.
extern const AnimFrame PanelAnimation[5];
// The play scene's one animation, never reset.
extern AnimState PanelAnim;

// Draws the play screen from the state; it changes nothing.
void DrawPlay();
