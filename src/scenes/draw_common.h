// Drawing shared by the scenes: the digit images, the tiled backdrop and the
// walled playfield that the play scene and the stage editor both show.
#pragma once

#include <cstdint>

// Cell of the sprite sheets and of the brick grid.
constexpr int TileSize = 32;
// Top-left corner of the playfield's interior, and of brick column 0, row 0.
constexpr int FieldOrigin = 32;

// Screen position of a brick cell.
constexpr int CellScreenX(int column) {
    return FieldOrigin + TileSize * column;
}
constexpr int CellScreenY(int row) {
    return FieldOrigin + TileSize * row;
}

// Draws `value` as `digits` digit images from (x, y) to the right, leading
// zeros included. A value that the group cannot hold (a score of 10000 or
// more, a negative one from a damaged file) is drawn as the nearest value it
// can hold, so no digit ever points past the ten images of the sheet.
void DrawDigits(int32_t value, int digits, int x, int y);

// The background tile over the whole screen (title and result).
void DrawTiledBackground();

// Black screen, score panel, left, top and bottom walls and the playfield
// background: everything of the play screen below the bricks.
void DrawPlayfieldFrame();

// The brick image of a brick set at a cell.
void DrawBrick(int column, int row, int brickSet);
