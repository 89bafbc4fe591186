// The play scene's state, readable by the headless runner's trace and autoplay.
#pragma once

#include <cstdint>

struct PlayState {
    int32_t entry;       // entry countdown, 120 at a stage start
    int32_t stage;       // stage index 0..9
    int32_t lives;
    int32_t score;
    int32_t brickSet;
    int32_t paddle;      // paddle offset 0..320
    int32_t motion;      // 0 none, 1 right, 2 left
    int32_t ballX, ballY, ballDx, ballDy;
    int32_t bricks;      // bricks left
    int32_t clear;       // clear countdown
    int32_t timerFrames, timerSeconds;
    int32_t music;       // music choice 0..4
};

const PlayState& GetPlayState();

int BrickTouch(int ax, int ay, int bx, int by);
int PaddleTouch(int ballX, int ballY, int paddleX, int paddleY);

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
