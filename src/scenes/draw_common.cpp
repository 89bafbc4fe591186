#include "scenes/draw_common.h"

#include <algorithm>

#include "gfx/gfx.h"

namespace {

// Where things sit on System2.fcg.
constexpr int DigitSheetX = 288;
constexpr int PanelWidth = 192;
constexpr int PanelX = 448;
constexpr int BrickSheetX = 192;
constexpr int BrickSheetY = 160;

// The playfield and its walls.
constexpr int FieldSize = 416;
constexpr int WallTiles = 14;  // top and bottom walls reach x 0..447
constexpr int BottomWallY = 448;

}  // namespace

void DrawDigits(int32_t value, int digits, int x, int y) {
    int32_t limit = 1;
    for (int i = 0; i < digits; ++i) {
        limit *= 10;
    }
    int32_t v = std::clamp<int32_t>(value, 0, limit - 1);
    for (int i = digits - 1; i >= 0; --i) {
        DrawSprite(lpBack, x + TileSize * i, y, TileSize, TileSize, lpMain[2], DigitSheetX,
                   TileSize * (v % 10));
        v /= 10;
    }
}

void DrawTiledBackground() {
    for (int r = 0; r < DisplayHeight / TileSize; ++r) {
        for (int c = 0; c < DisplayWidth / TileSize; ++c) {
            DrawSprite(lpBack, TileSize * c, TileSize * r, TileSize, TileSize, lpMain[2], 0, 0);
        }
    }
}

void DrawPlayfieldFrame() {
    DrawFill(lpBack, 0, 0, DisplayWidth, DisplayHeight, 0);
    DrawSprite(lpBack, PanelX, 0, PanelWidth, DisplayHeight, lpMain[2], 0, 0);
    DrawSprite(lpBack, 0, 0, TileSize, DisplayHeight, lpMain[2], 0, 0);
    for (int i = 0; i < WallTiles; ++i) {
        DrawSprite(lpBack, TileSize * i, 0, TileSize, TileSize, lpMain[2], 0, 0);
        DrawSprite(lpBack, TileSize * i, BottomWallY, TileSize, TileSize, lpMain[2], 0, 0);
    }
    DrawSprite(lpBack, FieldOrigin, FieldOrigin, FieldSize, FieldSize, lpMain[3], 0, 0);
}

void DrawBrick(int column, int row, int brickSet) {
    DrawSprite(lpBack, CellScreenX(column), CellScreenY(row), TileSize, TileSize, lpMain[2],
               BrickSheetX, BrickSheetY + TileSize * brickSet);
}
