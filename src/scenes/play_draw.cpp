// The play screen: playfield, bricks and their falling pieces, paddle, ball
// and the score panel.
#include <algorithm>

#include "gfx/gfx.h"
#include "scenes/draw_common.h"
#include "scenes/play.h"

const AnimFrame PanelAnimation[5] = {{1, 30}, {2, 30}, {3, 30}, {4, 30}, {-2, 0}};
AnimState PanelAnim{0, 0, PanelAnimation};

namespace {

constexpr int AnimHold = -1;
constexpr int AnimLoop = -2;
constexpr int AnimSwitch = -3;

// Where things sit on System2.fcg.
constexpr int BallSheetX = 192;
constexpr int PaddleSheetX = 192;
constexpr int PaddleSheetY = 32;
constexpr int PieceSheetX = 224;      // first look of a falling piece
constexpr int PieceLateSheetX = 256;  // second look
constexpr int PieceSheetY = 160;
constexpr int PieceLateBelow = 20;  // counters below this show the second look

// Where things sit on the panel.
constexpr int StageNumberX = 544, StageNumberY = 64;
constexpr int ScoreX = 480, ScoreY = 128;
constexpr int BricksLeftX = 544, BricksLeftY = 192;
constexpr int SpareBallX = 576, SpareBallY = 352;
constexpr int TimeX = 480, TimeY = 416;
constexpr int PictureX = 496, PictureY = 224;
constexpr int PictureSize = 96;
constexpr int PictureFrames = 4;

void DrawBricksAndPieces(int brickSet) {
    for (int r = 0; r < StageRows; ++r) {
        for (int c = 0; c < StageColumns; ++c) {
            if (StageCell(c, r) >= 1) {
                DrawBrick(c, r, brickSet);
            }
            const int32_t f = FallGrid[c * StageRows + r];
            if (f > 0) {
                const int sx = f >= PieceLateBelow ? PieceSheetX : PieceLateSheetX;
                DrawSprite(lpBack, CellScreenX(c), CellScreenY(r) + FallFrames - f, TileSize,
                           TileSize, lpMain[2], sx, PieceSheetY + TileSize * brickSet);
            }
        }
    }
}

}  // namespace

int32_t StepAnimation(AnimState* state, const AnimFrame* followUp) {
    state->counter += 1;
    if (state->counter > state->table[state->position].hold) {
        state->position += 1;
        state->counter = 0;
        const int32_t command = state->table[state->position].frame;
        if (command == AnimHold) {
            // A hold as the very first entry has nothing before it to stay on.
            state->position = std::max(state->position - 1, 0);
        } else if (command == AnimLoop) {
            state->position = 0;
        } else if (command == AnimSwitch) {
            state->position = 0;
            state->counter = 0;
            state->table = followUp;
        }
    }
    return state->table[state->position].frame;
}

void DrawPlay() {
    const PlayState& st = GetPlayState();
    DrawPlayfieldFrame();
    DrawBricksAndPieces(st.brickSet);
    DrawSprite(lpBack, st.paddle + PaddleLeft, PaddleY, PaddleWidth, TileSize, lpMain[2],
               PaddleSheetX, PaddleSheetY);
    DrawSprite(lpBack, st.ballX, st.ballY, BallSize, BallSize, lpMain[2], BallSheetX, 0);
    DrawDigits(st.stage + 1, 2, StageNumberX, StageNumberY);
    DrawDigits(st.score, 4, ScoreX, ScoreY);
    DrawDigits(st.bricks, 2, BricksLeftX, BricksLeftY);
    for (int j = 0; j < st.lives - 1; ++j) {
        DrawSprite(lpBack, SpareBallX - TileSize * j, SpareBallY, TileSize, TileSize, lpMain[2],
                   BallSheetX, 0);
    }
    DrawDigits(st.timerSeconds, 4, TimeX, TimeY);
    // Only the four frames on the sheet can be shown.
    const int n = std::clamp(PanelAnim.table[PanelAnim.position].frame, 1, PictureFrames);
    DrawSprite(lpBack, PictureX, PictureY, PictureSize, PictureSize, lpMain[1],
               PictureSize * (n - 1), 0);
}
