#include "art.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string_view>

#include "font.h"

namespace gen {

namespace {

constexpr double Pi = std::numbers::pi;

// ---- palette ---------------------------------------------------------------
const Rgb Grout = Hex(0x0C0F2A);  // the darkest tone that is still drawn
const Rgb Indigo = Hex(0x1A1F4E);
const Rgb IndigoLight = Hex(0x27306A);
const Rgb Slate = Hex(0x3A4A8C);
const Rgb SlateLight = Hex(0x5868AC);
const Rgb Silver = Hex(0xC8D0EC);
const Rgb SilverLight = Hex(0xF0F2FC);
const Rgb SilverDark = Hex(0x7C86B4);
const Rgb Gold = Hex(0xF2C55C);
const Rgb GoldLight = Hex(0xFFEDB0);
const Rgb GoldDark = Hex(0xA8722A);
const Rgb SlotFill = Hex(0x0E1538);
const Rgb SlotGhost = Hex(0x18224C);
const Rgb PlateTop = Hex(0x1C2358);
const Rgb PlateBottom = Hex(0x131740);
const Rgb MoonLit = Hex(0xF4EED6);
const Rgb MoonShade = Hex(0xC9C2A6);
const Rgb MoonDark = Hex(0x2A3266);

uint32_t Hash(int x, int y, int seed) {
    uint32_t h = static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u +
                 static_cast<uint32_t>(seed) * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return h ^ (h >> 16);
}
double Noise01(int x, int y, int seed) {
    return (Hash(x, y, seed) & 0xFFFF) / 65535.0;
}

// A small deterministic generator for scattering stars.
struct Lcg {
    uint32_t s;
    uint32_t next() {
        s = s * 1664525u + 1013904223u;
        return s >> 8;
    }
    double unit() { return next() / 16777216.0; }
    int range(int n) { return static_cast<int>(unit() * n); }
};

// ---- lettering in small square stones ----------------------------------------

struct StoneStyle {
    int scale;
    int spacing;
    Rgb top, bottom;  // colour of the stones from the top of the line to its foot
    Rgb grout;        // the gap between stones; Clear leaves it see-through
    Rgb outline;      // ring around the letters; Clear for none
};

void StoneText(Canvas& c, std::string_view text, int x, int y, const StoneStyle& st) {
    const int s = st.scale;
    const int h = GlyphHeight * s;
    if (!(st.outline == Clear)) {
        ForEachTextPixel(text, x, y, {s, st.spacing}, [&](int px, int py, int, int) {
            c.fill(px - 1, py - 1, s + 2, s + 2, st.outline);
        });
    }
    ForEachTextPixel(text, x, y, {s, st.spacing}, [&](int px, int py, int fx, int fy) {
        Rgb base = Mix(st.top, st.bottom, static_cast<double>(fy) / std::max(1, h - s));
        // Each stone is a shade apart from its neighbours, as hand-set tesserae are.
        base = Scale(base, 0.94 + 0.1 * Noise01(fx, fy, 7));
        for (int j = 0; j < s; ++j) {
            for (int i = 0; i < s; ++i) {
                bool gap = s >= 3 && (i == s - 1 || j == s - 1);
                if (gap) {
                    if (st.grout == Clear) {
                        continue;
                    }
                    c.put(px + i, py + j, st.grout);
                } else if (i == 0 || j == 0) {
                    c.put(px + i, py + j, Mix(base, SilverLight, 0.35));
                } else {
                    c.put(px + i, py + j, base);
                }
            }
        }
    });
}

void CentredStoneText(Canvas& c, std::string_view text, int x, int y, int w, const StoneStyle& st) {
    StoneText(c, text, x + (w - TextWidth(text, {st.scale, st.spacing})) / 2, y, st);
}

// Letters that stand out of the plate: a solid side falling to the lower right.
void RaisedStoneText(Canvas& c, std::string_view text, int x, int y, int w, const StoneStyle& st,
                     Rgb side, int depth) {
    const int left = x + (w - TextWidth(text, {st.scale, st.spacing})) / 2;
    for (int k = depth; k >= 1; --k) {
        Rgb col = Mix(side, Grout, static_cast<double>(k) / (depth + 1));
        ForEachTextPixel(text, left + k, y + k, {st.scale, st.spacing},
                         [&](int px, int py, int, int) {
                             c.fill(px - 1, py - 1, st.scale + 1, st.scale + 1, col);
                         });
    }
    StoneStyle top = st;
    top.outline = Clear;
    StoneText(c, text, left, y, top);
}

void Label(Canvas& c, std::string_view text, int x, int y, Rgb colour) {
    const Rgb shadow = Grout;
    DrawText(c, text, x, y, {2, 1}, colour, &shadow);
}
void CentredLabel(Canvas& c, std::string_view text, int x, int y, int w, Rgb colour) {
    Label(c, text, x + (w - TextWidth(text, {2, 1})) / 2, y, colour);
}

// ---- shared pieces -----------------------------------------------------------

// The wall tile: a diamond lattice of tesserae. Every term depends on |x - 16|
// and |y - 16|, which run on smoothly from one tile into the next, so the tile
// repeats without a seam both ways.
Rgb WallPixel(int x, int y) {
    x = ((x % 32) + 32) % 32;
    y = ((y % 32) + 32) % 32;
    int ax = std::abs(x - 16), ay = std::abs(y - 16);
    int d = ax + ay;  // 0 at the centre, 32 at the corners where four tiles meet
    if (d <= 2) {
        return d == 0 ? Gold : GoldDark;  // the stud in the middle of each diamond
    }
    if (d == 3) {
        return Grout;
    }
    if (d >= 12 && d <= 13) {
        return d == 12 ? SlateLight : Slate;  // the diamond's rim
    }
    if (d == 14) {
        return Grout;
    }
    if (d >= 29) {
        // A small silver star where four tiles meet.
        return d >= 31 ? Silver : SilverDark;
    }
    if (d == 28) {
        return Grout;
    }
    // Tesserae: cut by diagonal grout lines, each stone slightly its own shade.
    int u = x + y, v = x - y + 32;
    if (u % 8 == 0 || v % 8 == 0) {
        return Grout;
    }
    double k = 0.92 + 0.16 * Noise01((u / 8) & 7, (v / 8) & 7, d < 12 ? 3 : 5);
    Rgb base = d < 12 ? IndigoLight : Indigo;
    // A touch of light on the upper edge of each stone.
    if (u % 8 == 1 || v % 8 == 1) {
        k += 0.12;
    }
    return Scale(base, k);
}

void WallTiles(Canvas& c, int x, int y, int w, int h) {
    for (int j = 0; j < h; ++j) {
        for (int i = 0; i < w; ++i) {
            c.put(x + i, y + j, WallPixel(i, j));
        }
    }
}

// A dark plate with a fine silver rim, the ground of every panel and banner.
void Plate(Canvas& c, int x, int y, int w, int h) {
    for (int j = 0; j < h; ++j) {
        Rgb row = Mix(PlateTop, PlateBottom, static_cast<double>(j) / std::max(1, h - 1));
        for (int i = 0; i < w; ++i) {
            c.put(x + i, y + j, row);
        }
    }
    c.frame(x, y, w, h, Grout);
    c.frame(x + 1, y + 1, w - 2, h - 2, SilverDark);
    for (int i = x + 2; i < x + w - 2; ++i) {
        c.put(i, y + 1, Silver);  // light falls from above
    }
    c.frame(x + 2, y + 2, w - 4, h - 4, Grout);
}

// A recessed slot for numbers. Each 32-pixel cell shows a faint "8" in the
// digit stones, like an unlit display, that the real digits light up over.
void Slot(Canvas& c, int x, int y, int w, int h) {
    c.fill(x, y, w, h, SlotFill);
    for (int i = x; i < x + w; ++i) {
        c.put(i, y, Grout);
        c.put(i, y + h - 1, SlateLight);
    }
    for (int j = y; j < y + h; ++j) {
        c.put(x, j, Grout);
        c.put(x + w - 1, j, SlateLight);
    }
    for (int cell = 0; cell * 32 < w; ++cell) {
        ForEachTextPixel("8", x + cell * 32 + 6, y + 2, {4, 0},
                         [&](int px, int py, int, int) { c.fill(px, py, 3, 3, SlotGhost); });
    }
}

// A small four-pointed star.
void Sparkle(Canvas& c, int cx, int cy, int r, Rgb colour) {
    for (int k = -r; k <= r; ++k) {
        double fade = 1.0 - std::abs(k) / static_cast<double>(r + 1);
        c.blend(cx + k, cy, colour, fade);
        c.blend(cx, cy + k, colour, fade);
    }
    c.put(cx, cy, SilverLight);
}

// ---- the moon ----------------------------------------------------------------

// The lit part of a waxing moon: `phase` 0 is new, 1 is full.
struct Crater {
    double x, y, r;
};
const Crater Craters[] = {{-0.35, -0.30, 0.22}, {0.30, 0.10, 0.16},  {-0.10, 0.42, 0.18},
                          {0.42, -0.42, 0.10},  {0.05, -0.05, 0.09}, {-0.55, 0.15, 0.11}};

void Moon(Canvas& c, double cx, double cy, double r, double phase, Rgb lit, Rgb shade, Rgb dark) {
    // The terminator is an ellipse: a point is lit when u > k * sqrt(1 - v^2).
    double k = 1 - 2 * phase;
    int x0 = static_cast<int>(cx - r - 1), x1 = static_cast<int>(cx + r + 1);
    int y0 = static_cast<int>(cy - r - 1), y1 = static_cast<int>(cy + r + 1);
    for (int y = y0; y <= y1; ++y) {
        for (int x = x0; x <= x1; ++x) {
            int inside = 0, litCount = 0;
            double craterShade = 0;
            for (int sy = 0; sy < 3; ++sy) {
                for (int sx = 0; sx < 3; ++sx) {
                    double u = (x + (sx + 0.5) / 3 - cx) / r, v = (y + (sy + 0.5) / 3 - cy) / r;
                    if (u * u + v * v > 1) {
                        continue;
                    }
                    ++inside;
                    if (u > k * std::sqrt(std::max(0.0, 1 - v * v))) {
                        ++litCount;
                    }
                    for (const Crater& cr : Craters) {
                        double du = u - cr.x, dv = v - cr.y;
                        if (du * du + dv * dv < cr.r * cr.r) {
                            craterShade += 1;
                            break;
                        }
                    }
                }
            }
            if (inside == 0) {
                continue;
            }
            double u = (x + 0.5 - cx) / r, v = (y + 0.5 - cy) / r;
            // Limb darkening: the rim of the disc is a little greyer.
            double limb = std::sqrt(std::max(0.0, 1 - u * u - v * v));
            Rgb l = Mix(Mix(shade, lit, 0.45 + 0.55 * limb), shade, craterShade / 9.0 * 0.9);
            Rgb dk = Mix(dark, Scale(dark, 1.25), craterShade / 9.0);
            Rgb col = Mix(dk, l, litCount / static_cast<double>(inside));
            c.blend(x, y, col, inside / 9.0);
        }
    }
}

// ---- System2: panel and sprites --------------------------------------------------

struct StoneKind {
    Rgb face, light, dark;
};
const StoneKind Stones[5] = {
    {Hex(0xD86A8E), Hex(0xFFB8CE), Hex(0x7E2648)},  // rose quartz
    {Hex(0x3AAE82), Hex(0x9CF0C8), Hex(0x165A42)},  // jade
    {Hex(0xE89A2C), Hex(0xFFE08A), Hex(0x8A4A10)},  // amber
    {Hex(0x8C58D8), Hex(0xD2B4FF), Hex(0x40207A)},  // amethyst
    {Hex(0xA8C4EE), Hex(0xF4FAFF), Hex(0x4A6296)},  // moonstone
};

void ScorePanel(Canvas& c) {
    // The frame of wall tiles: left column (the playfield's right wall on screen,
    // and the left wall), top and bottom rows (the walls' ends) and right column.
    WallTiles(c, 0, 0, 192, 480);
    Plate(c, 32, 32, 128, 416);

    // A little crest at the top: the game's name under a crescent.
    Moon(c, 96, 44, 8, 0.22, MoonLit, MoonShade, Hex(0x262C60));
    StoneText(c, "TESSALUNE", 96 - TextWidth("TESSALUNE", {1, 2}) / 2, 55,
              {1, 2, Silver, SilverDark, Clear, Clear});

    // Stage.
    Label(c, "STAGE", 38, 73, Silver);
    Slot(c, 96, 64, 64, 32);
    // The heading of the score: also the heading of the best-score view.
    for (int j = 96; j < 128; ++j) {
        for (int i = 32; i < 160; ++i) {
            c.put(i, j, Mix(Hex(0x2A2A6A), Hex(0x1A1C50), (j - 96) / 31.0));
        }
    }
    c.fill(34, 97, 124, 1, Gold);
    c.fill(34, 126, 124, 1, GoldDark);
    CentredStoneText(c, "SCORE", 32, 104, 128, {2, 2, GoldLight, Gold, Clear, Grout});
    Sparkle(c, 44, 111, 3, Gold);
    Sparkle(c, 147, 111, 3, Gold);
    Slot(c, 32, 128, 128, 32);  // the backing of one score line

    // Bricks left, with a little heap of stones beside the number.
    CentredLabel(c, "BRICKS", 32, 172, 128, Silver);
    Slot(c, 96, 192, 64, 32);
    for (int i = 0; i < 6; ++i) {
        const int bx = 40 + (i % 3) * 16 - (i / 3 == 1 ? 0 : 0), by = 196 + (i / 3) * 12;
        const int kind = (i + 1) % 5;
        const StoneKind& k = Stones[kind];
        if (i / 3 == 0 && i % 3 == 2) {
            continue;  // one stone already knocked out
        }
        c.bevel(bx, by, 15, 11, k.face, k.light, k.dark, 1);
    }

    // The frame around the moon window (the picture itself is drawn over it).
    c.frame(44, 220, 104, 104, Grout);
    c.frame(45, 221, 102, 102, SilverDark);
    c.frame(46, 222, 100, 100, Silver);
    c.frame(47, 223, 98, 98, Grout);

    // Spare balls and time.
    CentredLabel(c, "BALLS", 32, 332, 128, Silver);
    c.fill(32, 352, 128, 32, SlotFill);
    c.frame(32, 352, 128, 32, Grout);
    for (int i = 0; i < 4; ++i) {
        c.disc(32 + 32 * i + 16, 368, 5, SlotGhost);
    }
    CentredLabel(c, "TIME", 32, 396, 128, Silver);
    Slot(c, 32, 416, 128, 32);
}

void Ball(Canvas& c, int ox, int oy, double radius = 15.5) {
    const double cx = ox + 16, cy = oy + 16;
    for (int y = oy; y < oy + 32; ++y) {
        for (int x = ox; x < ox + 32; ++x) {
            int hits = 0;
            for (int sy = 0; sy < 4; ++sy) {
                for (int sx = 0; sx < 4; ++sx) {
                    double dx = x + (sx + 0.5) / 4 - cx, dy = y + (sy + 0.5) / 4 - cy;
                    hits += dx * dx + dy * dy <= radius * radius ? 1 : 0;
                }
            }
            if (hits < 8) {
                continue;
            }
            double dx = (x + 0.5 - cx) / radius, dy = (y + 0.5 - cy) / radius;
            double dist = std::sqrt(dx * dx + dy * dy);
            // Lit from the upper left, like everything in the game.
            double lx = dx + 0.38, ly = dy + 0.42;
            double light = std::clamp(1.0 - std::sqrt(lx * lx + ly * ly) / 1.45, 0.0, 1.0);
            Rgb col = Mix(GoldDark, Gold, std::min(1.0, light * 1.6));
            col = Mix(col, GoldLight, std::pow(light, 2.2));
            if (light > 0.78) {
                col = Mix(col, Hex(0xFFFFF4), (light - 0.78) / 0.22);
            }
            if (dist > 0.9) {
                col = Mix(col, Hex(0x7A4A1C), (dist - 0.9) / 0.1 * 0.8);  // a firm rim
            }
            c.put(x, y, col);
        }
    }
}

void Paddle(Canvas& c, int ox, int oy) {
    // A silver capsule 18 pixels tall with gold ends and a glowing seam; it sits
    // at the top of its 32 rows because the ball bounces off that edge.
    const int h = 18;
    const double r = h / 2.0;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < 96; ++x) {
            double px = x + 0.5, py = y + 0.5;
            double ex = px < r ? r - px : (px > 96 - r ? px - (96 - r) : 0);
            double ey = py - r;
            if (ex * ex + ey * ey > r * r) {
                continue;
            }
            double t = py / h;  // 0 top, 1 bottom
            Rgb body = t < 0.5 ? Mix(SilverLight, Silver, t * 2)
                               : Mix(Silver, Hex(0x525C8C), (t - 0.5) * 2);
            bool cap = x < 14 || x >= 82;
            if (cap) {
                body = t < 0.5 ? Mix(GoldLight, Gold, t * 2) : Mix(Gold, GoldDark, (t - 0.5) * 2);
            }
            if (x == 14 || x == 81) {
                body = Grout;
            }
            if (!cap && (y == 8 || y == 9) && x > 18 && x < 78) {
                body = y == 8 ? Hex(0xC8F4FF) : Hex(0x64C8F0);  // the seam of light
            }
            if (ex * ex + ey * ey > (r - 1.2) * (r - 1.2)) {
                body = Mix(body, Hex(0x202850), 0.55);  // outline
            }
            c.put(ox + x, oy + y, body);
        }
    }
}

// One brick of set `s` at (ox, oy): a bevelled stone with its own emblem.
void Brick(Canvas& c, int s, int ox, int oy) {
    const StoneKind& k = Stones[s];
    c.bevel(ox, oy, 32, 32, k.face, k.light, k.dark, 2);
    c.frame(ox, oy, 32, 32, Scale(k.dark, 0.55));
    auto face = [&](double t) { return Mix(k.face, Mix(k.face, k.dark, 0.35), t); };
    for (int y = 3; y < 29; ++y) {
        for (int x = 3; x < 29; ++x) {
            c.put(ox + x, oy + y, face((x + y - 6) / 52.0));
        }
    }
    switch (s) {
        case 0:  // rose quartz: a soft inner pillow with a glint
            for (int y = 7; y < 25; ++y) {
                for (int x = 7; x < 25; ++x) {
                    double d = std::hypot(x - 13.0, y - 13.0);
                    c.put(ox + x, oy + y, Mix(k.face, k.light, std::max(0.0, 0.55 - d / 22)));
                }
            }
            c.frame(ox + 6, oy + 6, 20, 20, Mix(k.face, k.dark, 0.5));
            c.fill(ox + 9, oy + 9, 3, 2, k.light);
            c.fill(ox + 9, oy + 11, 2, 2, k.light);
            break;
        case 1:  // jade: four carved squares
            for (int q = 0; q < 4; ++q) {
                int qx = ox + 6 + (q % 2) * 11, qy = oy + 6 + (q / 2) * 11;
                c.bevel(qx, qy, 9, 9, Mix(k.face, k.light, 0.2), k.dark, k.light, 1);
                c.put(qx + 4, qy + 4, k.light);
            }
            break;
        case 2: {  // amber: an embossed star
            for (int y = 5; y < 27; ++y) {
                for (int x = 5; x < 27; ++x) {
                    double dx = x + 0.5 - 16, dy = y + 0.5 - 16;
                    double a = std::atan2(dy, dx), rr = std::hypot(dx, dy);
                    double edge = 5 + 5.5 * std::pow(std::abs(std::cos(2.5 * a + Pi / 4)), 3);
                    if (rr < edge) {
                        c.put(ox + x, oy + y, dx + dy < 0 ? k.light : Mix(k.face, k.light, 0.45));
                    } else if (rr < edge + 1.2) {
                        c.put(ox + x, oy + y, k.dark);
                    }
                }
            }
            break;
        }
        case 3:  // amethyst: a cut gem of four facets
            for (int y = 3; y < 29; ++y) {
                for (int x = 3; x < 29; ++x) {
                    int dx = x - 16, dy = y - 16;
                    bool table = std::abs(dx) + std::abs(dy) < 8;
                    Rgb col;
                    if (table) {
                        col = Mix(k.face, k.light, 0.5);
                    } else if (std::abs(dx) > std::abs(dy)) {
                        col = dx < 0 ? Mix(k.face, k.light, 0.25) : Mix(k.face, k.dark, 0.35);
                    } else {
                        col = dy < 0 ? Mix(k.face, k.light, 0.4) : Mix(k.face, k.dark, 0.5);
                    }
                    if (std::abs(dx) == std::abs(dy) || std::abs(dx) + std::abs(dy) == 8) {
                        col = Mix(col, k.light, 0.35);
                    }
                    c.put(ox + x, oy + y, col);
                }
            }
            c.fill(ox + 13, oy + 12, 2, 2, Hex(0xFFFFFF));
            break;
        case 4:  // moonstone: a shimmering stone with a crescent
            for (int y = 3; y < 29; ++y) {
                for (int x = 3; x < 29; ++x) {
                    double sheen = 0.5 + 0.5 * std::sin((x * 0.7 + y * 0.35));
                    Rgb col = Mix(face((x + y - 6) / 52.0), Hex(0xD8C8F8), sheen * 0.25);
                    c.put(ox + x, oy + y, col);
                }
            }
            Moon(c, ox + 16, oy + 16, 8, 0.25, Hex(0xFFFBE8), Hex(0xE0D8C0),
                 Mix(k.face, k.dark, 0.25));
            break;
    }
}

// First look of a broken brick: the stone with a crack through it.
void CrackedBrick(Canvas& c, int s, int ox, int oy) {
    Brick(c, s, ox, oy);
    const Rgb crack = Scale(Stones[s].dark, 0.6);
    const int path[][2] = {{16, 0},  {15, 4},  {17, 8},  {14, 12}, {16, 16}, {13, 20},
                           {15, 25}, {14, 31}, {16, 16}, {22, 18}, {27, 15}, {31, 17}};
    for (size_t i = 0; i + 1 < std::size(path); ++i) {
        if (i == 7) {
            continue;  // the branch starts again from the middle
        }
        c.line(ox + path[i][0], oy + path[i][1], ox + path[i + 1][0], oy + path[i + 1][1], crack);
    }
    c.line(ox + 5, oy + 9, ox + 11, oy + 14, crack);
    // The two halves have moved apart by a pixel: clear a thin gap on the right half.
    for (int y = 0; y < 32; ++y) {
        c.clear(ox + 31, oy + y);
    }
}

// Second look: the brick has fallen apart into a few chips.
void Chips(Canvas& c, int s, int ox, int oy) {
    const StoneKind& k = Stones[s];
    struct Chip {
        int x, y, w, h;
    };
    const Chip chips[] = {{2, 4, 9, 8},   {14, 2, 8, 7}, {24, 6, 6, 7},  {6, 16, 7, 6},
                          {17, 13, 9, 9}, {3, 25, 6, 5}, {13, 25, 5, 5}, {24, 23, 6, 6}};
    for (const Chip& ch : chips) {
        c.bevel(ox + ch.x, oy + ch.y, ch.w, ch.h, k.face, k.light, k.dark, 1);
        c.put(ox + ch.x + 1, oy + ch.y + 1, k.light);
    }
}

// The digits: stones of the pixel font at four times its size, warm gold,
// on a see-through ground so the slot beneath shows between them.
void Digit(Canvas& c, int d, int ox, int oy) {
    const char ch = static_cast<char>('0' + d);
    // Solid strokes, lit from the upper left: a light edge where a stroke has
    // nothing above or to its left, a shadow where it has nothing below or right.
    for (int fy = 0; fy < GlyphHeight; ++fy) {
        for (int fx = 0; fx < GlyphWidth(ch); ++fx) {
            if (!GlyphPixel(ch, fx, fy)) {
                continue;
            }
            const int px = ox + 6 + fx * 4, py = oy + 2 + fy * 4;
            Rgb base = Mix(GoldLight, Hex(0xF0A040), fy / 6.0);
            c.fill(px, py, 4, 4, base);
            if (!GlyphPixel(ch, fx, fy - 1)) {
                c.fill(px, py, 4, 1, Mix(base, Hex(0xFFFFFF), 0.55));
            }
            if (!GlyphPixel(ch, fx - 1, fy)) {
                c.fill(px, py, 1, 4, Mix(base, Hex(0xFFFFFF), 0.3));
            }
            if (!GlyphPixel(ch, fx + 1, fy)) {
                c.fill(px + 3, py, 1, 4, GoldDark);
            }
            if (!GlyphPixel(ch, fx, fy + 1)) {
                c.fill(px, py + 3, 4, 1, GoldDark);
            }
        }
    }
}

// ---- System1: pictures, logo, banner, menu, cursor -------------------------------

// The night sky behind a window, with stars scattered from `seed`.
void Sky(Canvas& c, int ox, int oy, int w, int h, int seed, int twinkle) {
    for (int y = 0; y < h; ++y) {
        Rgb row = Mix(Hex(0x0E1236), Hex(0x2A2660), static_cast<double>(y) / (h - 1));
        for (int x = 0; x < w; ++x) {
            c.put(ox + x, oy + y, row);
        }
    }
    Lcg rng{static_cast<uint32_t>(seed)};
    for (int i = 0; i < w * h / 120; ++i) {
        int x = rng.range(w), y = rng.range(h);
        double b = 0.35 + 0.65 * rng.unit();
        // Every star brightens and dims in its own turn through the four frames.
        int turn = rng.range(4);
        if (turn == twinkle) {
            b = std::min(1.0, b + 0.5);
        }
        Rgb col = Mix(Hex(0x2A2660), rng.range(3) == 0 ? GoldLight : SilverLight, b);
        c.put(ox + x, oy + y, col);
        if (turn == twinkle && b > 0.9) {
            Sparkle(c, ox + x, oy + y, 2, col);
        }
    }
}

void MoonWindow(Canvas& c, int frame, int ox, int oy) {
    // Four nights of the waxing moon; a wisp of cloud drifts across, and the
    // stars take turns to twinkle.
    const double phases[4] = {0.18, 0.45, 0.72, 1.0};
    Sky(c, ox + 3, oy + 3, 90, 90, 1234, frame);
    double bob = std::sin(frame * Pi / 2) * 2;
    // A soft halo.
    for (int y = 3; y < 93; ++y) {
        for (int x = 3; x < 93; ++x) {
            double d = std::hypot(x + 0.5 - 48, y + 0.5 - (46 + bob));
            if (d > 28 && d < 40) {
                c.put(
                    ox + x, oy + y,
                    Mix(c.at(ox + x, oy + y), Hex(0x4A4C8A), (40 - d) / 12 * 0.5 * phases[frame]));
            }
        }
    }
    Moon(c, ox + 48, oy + 46 + bob, 27, phases[frame], MoonLit, MoonShade, MoonDark);
    // The cloud.
    int cloudX = -30 + frame * 28;
    for (int j = 0; j < 3; ++j) {
        double cx = ox + 3 + cloudX + j * 11, cy = oy + 74 - (j == 1 ? 4 : 0);
        for (int y = static_cast<int>(cy - 8); y <= cy + 8; ++y) {
            for (int x = static_cast<int>(cx - 12); x <= cx + 12; ++x) {
                if (x < ox + 3 || x >= ox + 93 || y < oy + 3 || y >= oy + 93) {
                    continue;
                }
                double dx = (x + 0.5 - cx) / 12, dy = (y + 0.5 - cy) / 6;
                double d = dx * dx + dy * dy;
                if (d < 1) {
                    Rgb cl = Mix(Hex(0x6A6CA8), Hex(0x3A3C78), (y - (cy - 6)) / 12.0);
                    c.put(x, y, Mix(c.at(x, y), cl, d < 0.7 ? 0.85 : 0.5));
                }
            }
        }
    }
    // The window frame.
    c.frame(ox, oy, 96, 96, Grout);
    c.frame(ox + 1, oy + 1, 94, 94, Silver);
    c.frame(ox + 2, oy + 2, 92, 92, SilverDark);
    for (int i : {0, 93}) {
        for (int j : {0, 93}) {
            c.fill(ox + i, oy + j, 3, 3, Gold);
        }
    }
}

void TitleLogo(Canvas& c, int ox, int oy) {
    Plate(c, ox, oy, 384, 96);
    // Faint constellations on the plate.
    Lcg rng{99};
    for (int i = 0; i < 60; ++i) {
        int x = 4 + rng.range(376), y = 4 + rng.range(88);
        c.put(ox + x, oy + y, Mix(PlateTop, Silver, 0.2 + 0.4 * rng.unit()));
    }
    StoneStyle big{6, 6, SilverLight, Hex(0x9AA6E0), Hex(0x6470B0), Grout};
    RaisedStoneText(c, "TESSALUNE", ox, oy + 12, 384, big, SlateLight, 4);
    // A crescent resting on the last letter, a star by the first.
    Moon(c, ox + 352, oy + 17, 9, 0.2, GoldLight, Gold, PlateTop);
    Sparkle(c, ox + 26, oy + 20, 4, GoldLight);
    CentredStoneText(c, "BREAK THE TILES OF THE NIGHT", ox, oy + 72, 384,
                     {1, 2, Gold, GoldDark, Clear, Clear});
}

void ResultBanner(Canvas& c, int ox, int oy) {
    // One banner for either end of a run: the night is over, win or lose.
    Plate(c, ox, oy, 384, 96);
    StoneStyle big{5, 5, GoldLight, Gold, Hex(0xC08A3A), Grout};
    RaisedStoneText(c, "GOOD NIGHT", ox, oy + 12, 384, big, GoldDark, 3);
    CentredLabel(c, "YOUR RUN IS OVER", ox, oy + 62, 384, Silver);
    Moon(c, ox + 36, oy + 46, 16, 0.3, MoonLit, MoonShade, PlateTop);
    Moon(c, ox + 348, oy + 46, 16, 1.0, MoonLit, MoonShade, PlateTop);
}

void MenuIcon(Canvas& c, int which, int cx, int cy) {
    switch (which) {
        case 0:  // start: the golden ball
            Ball(c, cx - 16, cy - 16, 10.5);
            break;
        case 1:  // best scores: a star
            for (int y = -12; y <= 12; ++y) {
                for (int x = -12; x <= 12; ++x) {
                    double a = std::atan2(y + 0.5, x + 0.5), r = std::hypot(x + 0.5, y + 0.5);
                    double edge = 5 + 7 * std::pow(std::abs(std::cos(2.5 * a + Pi / 4)), 3);
                    if (r < edge) {
                        c.put(cx + x, cy + y, x + y < 0 ? GoldLight : Gold);
                    }
                }
            }
            break;
        default:  // leave: a crescent setting
            Moon(c, cx, cy, 11, 0.22, MoonLit, MoonShade, Hex(0x1A1E48));
            break;
    }
}

void MenuEntries(Canvas& c, int ox, int oy) {
    const char* names[3] = {"START GAME", "BEST SCORES", "LEAVE"};
    for (int i = 0; i < 3; ++i) {
        int y = oy + 64 * i;
        MenuIcon(c, i, ox + 28, y + 32);
        const StoneStyle style{4, 4, SilverLight, Hex(0xA4AEE4), Hex(0x6A76B8), Clear};
        RaisedStoneText(c, names[i], ox + 56, y + 17, TextWidth(names[i], {4, 4}), style, Slate, 2);
    }
}

void Cursor(Canvas& c, int ox, int oy) {
    // A gold arrow pointing back at the entry, with a small crescent behind it.
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            double px = x + 0.5, py = y + 0.5;
            // Arrowhead from (8, 32) to x 40, 36 tall.
            double half = (px - 8) * 18.0 / 32.0;
            bool head = px >= 8 && px <= 40 && std::abs(py - 32) <= half;
            bool shaft = px > 36 && px <= 54 && std::abs(py - 32) <= 5;
            if (head || shaft) {
                bool edge = (head && std::abs(py - 32) > half - 1.5) ||
                            (shaft && std::abs(py - 32) > 3.8) || px < 10 || (shaft && px > 52.5);
                Rgb col = py < 32 ? Mix(GoldLight, Gold, (py - 14) / 18)
                                  : Mix(Gold, GoldDark, (py - 32) / 18);
                c.put(ox + x, oy + y, edge ? Hex(0x5A3410) : col);
            }
        }
    }
    Sparkle(c, ox + 50, oy + 14, 4, SilverLight);
    Sparkle(c, ox + 56, oy + 50, 3, Silver);
}

}  // namespace

Canvas System1Sheet() {
    Canvas c(System1Width, System1Height);
    for (int f = 0; f < 4; ++f) {
        MoonWindow(c, f, 96 * f, 0);
    }
    TitleLogo(c, 0, 96);
    ResultBanner(c, 0, 192);
    MenuEntries(c, 0, 288);
    Cursor(c, 320, 416);
    return c;
}

Canvas System2Sheet() {
    Canvas c(System2Width, System2Height);
    ScorePanel(c);
    Ball(c, 192, 0);
    Paddle(c, 192, 32);
    for (int s = 0; s < 5; ++s) {
        Brick(c, s, 192, 160 + 32 * s);
        CrackedBrick(c, s, 224, 160 + 32 * s);
        Chips(c, s, 256, 160 + 32 * s);
    }
    for (int d = 0; d < 10; ++d) {
        Digit(c, d, 288, 32 * d);
    }
    return c;
}

Canvas Background() {
    Canvas c(BgSize, BgSize);
    // A dark glass mosaic: one pane per brick cell, each a slightly different
    // tint, lighter towards the foot of the field.
    for (int y = 0; y < BgSize; ++y) {
        for (int x = 0; x < BgSize; ++x) {
            double t = static_cast<double>(y) / (BgSize - 1);
            Rgb sky = Mix(Hex(0x0F1334), Hex(0x241E52), t);
            double pane = 0.9 + 0.2 * Noise01(x / 32, y / 32, 11);
            sky = Scale(sky, pane);
            if (x % 32 == 0 || y % 32 == 0) {
                sky = Mix(sky, Hex(0x050716), 0.45);
            } else if (x % 32 == 1 || y % 32 == 1) {
                sky = Scale(sky, 1.12);
            }
            c.put(x, y, sky);
        }
    }
    // The moon, hidden behind the bricks and shown as they fall.
    for (int y = 0; y < BgSize; ++y) {
        for (int x = 0; x < BgSize; ++x) {
            double d = std::hypot(x + 0.5 - 262, y + 0.5 - 150);
            if (d > 74 && d < 110) {
                c.put(x, y, Mix(c.at(x, y), Hex(0x3A3C7A), (110 - d) / 36 * 0.35));
            }
        }
    }
    Moon(c, 262, 150, 74, 1.0, Hex(0x7C82B2), Hex(0x5A5E92), Hex(0x2A2E62));
    // Stars, dim enough that the golden ball is always the brightest thing.
    Lcg rng{2024};
    for (int i = 0; i < 170; ++i) {
        int x = rng.range(BgSize), y = rng.range(BgSize);
        double dm = std::hypot(x - 262.0, y - 150.0);
        if (dm < 80) {
            continue;
        }
        double b = 0.25 + 0.55 * rng.unit();
        Rgb col = Mix(c.at(x, y), rng.range(4) == 0 ? Hex(0xE8D8A8) : Hex(0xC8D4F4), b);
        c.put(x, y, col);
        if (b > 0.72) {
            Sparkle(c, x, y, 2, col);
        }
    }
    // Brighten the row where the paddle runs, a faint horizon of light.
    for (int y = 340; y < BgSize; ++y) {
        for (int x = 0; x < BgSize; ++x) {
            c.put(x, y, Mix(c.at(x, y), Hex(0x3A3070), (y - 340) / 76.0 * 0.35));
        }
    }
    return c;
}

Canvas Icon(int size) {
    Canvas big(128, 128);
    // A tile of the wall with the moon and the golden ball.
    for (int y = 0; y < 128; ++y) {
        for (int x = 0; x < 128; ++x) {
            double ex = std::max(0.0, std::abs(x + 0.5 - 64) - 44),
                   ey = std::max(0.0, std::abs(y + 0.5 - 64) - 44);
            if (ex * ex + ey * ey > 20 * 20) {
                continue;
            }
            Rgb col = WallPixel(x / 2, y / 2);
            col = Mix(col, Indigo, 0.35);
            if (ex * ex + ey * ey > 17 * 17) {
                col = Silver;
            }
            big.put(x, y, col);
        }
    }
    Moon(big, 70, 52, 36, 0.3, MoonLit, MoonShade, MoonDark);
    for (int s = 0; s < 3; ++s) {
        Canvas b(32, 32);
        Brick(b, s * 2, 0, 0);
        big.blit(b, 0, 0, 32, 32, 16 + 32 * s, 92, false);
    }
    Canvas ball(32, 32);
    Ball(ball, 0, 0);
    big.blit(ball, 0, 0, 32, 32, 24, 40);
    if (size == 128) {
        return big;
    }
    // Box-filter down to the size asked for.
    Canvas out(size, size);
    int k = 128 / std::max(1, size);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            double r = 0, g = 0, b = 0;
            int n = 0;
            for (int j = 0; j < k; ++j) {
                for (int i = 0; i < k; ++i) {
                    Rgb p = big.at(x * k + i, y * k + j);
                    if (p == Clear) {
                        continue;
                    }
                    r += p.r, g += p.g, b += p.b, ++n;
                }
            }
            if (n * 2 >= k * k) {
                out.put(x, y,
                        {static_cast<uint8_t>(r / n), static_cast<uint8_t>(g / n),
                         static_cast<uint8_t>(b / n)});
            }
        }
    }
    return out;
}

std::vector<Sprite> SpriteList() {
    std::vector<Sprite> v;
    for (int f = 0; f < 4; ++f) {
        v.push_back({"MOON " + std::to_string(f + 1), 1, 96 * f, 0, 96, 96});
    }
    v.push_back({"TITLE LOGO", 1, 0, 96, 384, 96});
    v.push_back({"RESULT BANNER", 1, 0, 192, 384, 96});
    v.push_back({"MENU: START", 1, 0, 288, 320, 64});
    v.push_back({"MENU: SCORES", 1, 0, 352, 320, 64});
    v.push_back({"MENU: LEAVE", 1, 0, 416, 320, 64});
    v.push_back({"CURSOR", 1, 320, 416, 64, 64});
    v.push_back({"SCORE PANEL", 2, 0, 0, 192, 480});
    v.push_back({"WALL TILE", 2, 0, 0, 32, 32});
    v.push_back({"HEADING", 2, 32, 96, 128, 32});
    v.push_back({"SCORE LINE", 2, 32, 128, 128, 32});
    v.push_back({"BALL", 2, 192, 0, 32, 32});
    v.push_back({"PADDLE", 2, 192, 32, 96, 32});
    for (int s = 0; s < 5; ++s) {
        v.push_back({"SET " + std::to_string(s), 2, 192, 160 + 32 * s, 96, 32});
    }
    for (int d = 0; d < 10; ++d) {
        v.push_back({"DIGIT " + std::to_string(d), 2, 288, 32 * d, 32, 32});
    }
    return v;
}

Canvas ContactSheet() {
    const Canvas sheets[3] = {Canvas(), System1Sheet(), System2Sheet()};
    const int width = 1280;
    // Lay the sprites out in rows, each at twice its size with its name below.
    struct Place {
        const Sprite* s;
        int x, y;
    };
    std::vector<Sprite> list = SpriteList();
    std::vector<Place> places;
    // Tall sprites stand in a column on the right; the rest fill rows beside them.
    int column = width - 16, columnY = 16;
    for (const Sprite& s : list) {
        if (s.h * 2 > 400) {
            column -= s.w * 2 + 16;
        }
    }
    int cx = column + 16;
    for (const Sprite& s : list) {
        if (s.h * 2 > 400) {
            places.push_back({&s, cx, 16});
            cx += s.w * 2 + 16;
            columnY = std::max(columnY, 16 + s.h * 2 + 32);
        }
    }
    int x = 16, y = 16, rowH = 0;
    for (const Sprite& s : list) {
        if (s.h * 2 > 400) {
            continue;
        }
        int w = std::max(s.w * 2, TextWidth(s.name, {1, 1})), h = s.h * 2 + 16;
        if (x + w > column) {
            x = 16;
            y += rowH + 16;
            rowH = 0;
        }
        places.push_back({&s, x, y});
        x += w + 16;
        rowH = std::max(rowH, h);
    }
    int height = std::max(y + rowH + 16, columnY);
    Canvas c(width, height);
    for (int j = 0; j < height; ++j) {
        for (int i = 0; i < width; ++i) {
            c.put(i, j, ((i / 8 + j / 8) % 2) ? Hex(0x6E6E76) : Hex(0x86868E));
        }
    }
    for (const Place& p : places) {
        const Canvas src = As565(sheets[p.s->sheet]);
        c.blitScaled(src, p.s->x, p.s->y, p.s->w, p.s->h, p.x, p.y, 2);
        // The see-through parts keep the chequered ground.
        for (int j = 0; j < p.s->h * 2; ++j) {
            for (int i = 0; i < p.s->w * 2; ++i) {
                if (c.at(p.x + i, p.y + j) == Clear) {
                    int gi = p.x + i, gj = p.y + j;
                    c.put(gi, gj, ((gi / 8 + gj / 8) % 2) ? Hex(0x6E6E76) : Hex(0x86868E));
                }
            }
        }
        const Rgb shadow = Hex(0x202020);
        DrawText(c, p.s->name, p.x, p.y + p.s->h * 2 + 5, {1, 1}, Hex(0xFFFFFF), &shadow);
    }
    return c;
}

namespace {

// The game's keyed copy: source pixels of value 0 are skipped.
void Draw(Canvas& dst, const Canvas& src, int sx, int sy, int w, int h, int dx, int dy) {
    dst.blit(src, sx, sy, w, h, dx, dy, true);
}

void DrawNumber(Canvas& dst, const Canvas& s2, int value, int digits, int x, int y) {
    for (int i = digits - 1; i >= 0; --i) {
        int d = value % 10;
        value /= 10;
        Draw(dst, s2, 288, 32 * d, 32, 32, x + 32 * i, y);
    }
}

}  // namespace

Canvas PlayMockup() {
    const Canvas s1 = As565(System1Sheet()), s2 = As565(System2Sheet()), bg = As565(Background());
    Canvas screen(640, 480);
    Draw(screen, s2, 0, 0, 192, 480, 448, 0);
    Draw(screen, s2, 0, 0, 32, 480, 0, 0);
    for (int i = 0; i < 14; ++i) {
        Draw(screen, s2, 0, 0, 32, 32, 32 * i, 0);
        Draw(screen, s2, 0, 0, 32, 32, 32 * i, 448);
    }
    Draw(screen, bg, 0, 0, 416, 416, 32, 32);
    // A stage part-way through: the pyramid in brick set 1, a few bricks gone,
    // two pieces falling.
    const int set = 1;
    int left = 0;
    for (int r = 0; r < 6; ++r) {
        for (int col = 0; col < 13; ++col) {
            bool brick = std::abs(col - 6) <= r && !(r == 5 && (col == 3 || col == 4)) &&
                         !(r == 4 && col == 8);
            if (brick) {
                Draw(screen, s2, 192, 160 + 32 * set, 32, 32, 32 + 32 * col, 32 + 32 * r);
                ++left;
            }
        }
    }
    Draw(screen, s2, 224, 160 + 32 * set, 32, 32, 32 + 32 * 4, 32 + 32 * 5 + 8);
    Draw(screen, s2, 256, 160 + 32 * set, 32, 32, 32 + 32 * 8, 32 + 32 * 4 + 30);
    Draw(screen, s2, 192, 32, 96, 32, 32 + 152, 384);
    Draw(screen, s2, 192, 0, 32, 32, 262, 300);
    DrawNumber(screen, s2, 4, 2, 544, 64);
    DrawNumber(screen, s2, 137, 4, 480, 128);
    DrawNumber(screen, s2, left, 2, 544, 192);
    for (int j = 0; j < 3; ++j) {
        Draw(screen, s2, 192, 0, 32, 32, 576 - 32 * j, 352);
    }
    DrawNumber(screen, s2, 75, 4, 480, 416);
    Draw(screen, s1, 96, 0, 96, 96, 496, 224);
    return screen;
}

Canvas TitleMockup(bool scoreView) {
    const Canvas s1 = As565(System1Sheet()), s2 = As565(System2Sheet());
    Canvas screen(640, 480);
    for (int r = 0; r < 15; ++r) {
        for (int col = 0; col < 20; ++col) {
            Draw(screen, s2, 0, 0, 32, 32, 32 * col, 32 * r);
        }
    }
    if (!scoreView) {
        Draw(screen, s1, 0, 96, 384, 96, 128, 64);
        Draw(screen, s1, 0, 0, 96, 96, 32, 64);
        Draw(screen, s1, 288, 0, 96, 96, 512, 64);
        screen.clearRect(128, 224, 384, 192);
        Draw(screen, s1, 0, 288, 320, 192, 128, 224);
        Draw(screen, s1, 320, 416, 64, 64, 448, 224 + 64);
    } else {
        Draw(screen, s1, 0, 96, 384, 96, 128, 0);
        Draw(screen, s2, 32, 96, 128, 32, 256, 96);
        const int scores[10] = {400, 320, 250, 200, 160, 120, 90, 60, 40, 20};
        for (int i = 0; i < 10; ++i) {
            Draw(screen, s2, 32, 128, 128, 32, 256, 128 + 32 * i);
            DrawNumber(screen, s2, scores[i], 4, 256, 128 + 32 * i);
        }
    }
    return screen;
}

Canvas ResultMockup() {
    const Canvas s1 = As565(System1Sheet()), s2 = As565(System2Sheet());
    Canvas screen(640, 480);
    for (int r = 0; r < 15; ++r) {
        for (int col = 0; col < 20; ++col) {
            Draw(screen, s2, 0, 0, 32, 32, 32 * col, 32 * r);
        }
    }
    Draw(screen, s1, 0, 192, 384, 96, 128, 192);
    return screen;
}

}  // namespace gen
