// The game's pictures. One look throughout: a mosaic night. Walls and panel
// are tiled like tesserae in indigo and slate, the sky behind the bricks is a
// dark glass mosaic with a pale moon, the lettering is set in small square
// stones, the ball is a golden pearl and the bricks are five kinds of stone.
#pragma once

#include <string>
#include <vector>

#include "canvas.h"

namespace gen {

// Sheet sizes the game relies on.
constexpr int System1Width = 384, System1Height = 480;
constexpr int System2Width = 320, System2Height = 480;
constexpr int BgSize = 416;

Canvas System1Sheet();  // "Fcg/System1.fcg": panel animation, logo, banner, menu, cursor
Canvas System2Sheet();  // "Fcg/System2.fcg": panel, ball, paddle, bricks, pieces, digits
Canvas Background();    // "Fcg/Bg.bmp": the playfield
Canvas Icon(int size);  // the desktop icon

// A named source rectangle of a sheet (1 or 2), for the contact sheet.
struct Sprite {
    std::string name;
    int sheet;
    int x, y, w, h;
};
std::vector<Sprite> SpriteList();

// Every sprite at twice its size with its name, on a chequered ground that
// shows what is see-through.
Canvas ContactSheet();
// The screens as the game composes them from the sheets (after RGB565).
Canvas PlayMockup();
Canvas TitleMockup(bool scoreView);
Canvas ResultMockup();

}  // namespace gen
