// A small true-colour canvas for painting the game's pictures, and the two
// file encoders the generator needs (24-bit BMP for the game, PNG for previews).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace gen {

struct Rgb {
    uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};

// Pure black: the one colour that the game's 16-bit sheets treat as see-through.
constexpr Rgb Clear{0, 0, 0};

// True when the colour becomes pixel value 0 once converted to RGB565 by
// truncation, that is, when the game would not draw it.
constexpr bool VanishesIn565(Rgb c) {
    return c.r < 8 && c.g < 4 && c.b < 8;
}

// Lifts a colour that is meant to be seen but would vanish in RGB565 to the
// darkest tone that still shows.
constexpr Rgb Visible(Rgb c) {
    return VanishesIn565(c) ? Rgb{8, 8, 12} : c;
}

Rgb Mix(Rgb a, Rgb b, double t);  // t = 0 gives a, 1 gives b
Rgb Scale(Rgb c, double k);       // brightness, clamped
Rgb Hex(uint32_t rrggbb);

class Canvas {
  public:
    Canvas() = default;
    Canvas(int w, int h, Rgb fill = Clear);

    int width() const { return w_; }
    int height() const { return h_; }
    Rgb at(int x, int y) const;
    bool inside(int x, int y) const { return x >= 0 && y >= 0 && x < w_ && y < h_; }

    // Paints a visible pixel (never one that would vanish); outside is ignored.
    void put(int x, int y, Rgb c);
    // Blends a visible colour over what is there. Over a see-through pixel the
    // colour is laid down at full strength when a >= 0.5, so sprite edges stay
    // crisp instead of growing a dark fringe.
    void blend(int x, int y, Rgb c, double a);
    void clear(int x, int y);  // makes the pixel see-through
    void fill(int x, int y, int w, int h, Rgb c);
    void clearRect(int x, int y, int w, int h);
    void frame(int x, int y, int w, int h, Rgb c);  // 1-pixel outline
    // A raised box: light top and left edges, dark bottom and right ones.
    void bevel(int x, int y, int w, int h, Rgb face, Rgb light, Rgb dark, int depth = 1);
    void line(int x0, int y0, int x1, int y1, Rgb c);
    // Filled disc with its centre at (cx, cy) in pixel units (pixel centres at +0.5).
    void disc(double cx, double cy, double r, Rgb c, double alpha = 1.0);
    // Copies `src` (x, y, w, h) to (dx, dy); see-through source pixels are skipped
    // when `keyed`.
    void blit(const Canvas& src, int sx, int sy, int w, int h, int dx, int dy, bool keyed = true);
    // Copies with each source pixel enlarged to an n x n block.
    void blitScaled(const Canvas& src, int sx, int sy, int w, int h, int dx, int dy, int n);

    const std::vector<Rgb>& pixels() const { return px_; }

  private:
    int w_ = 0, h_ = 0;
    std::vector<Rgb> px_;
};

// The picture as the game holds it: every pixel truncated to RGB565 and
// widened again (bit replication), see-through pixels exactly black.
Canvas As565(const Canvas& c);

// Bottom-up 24-bit Windows bitmap with a 40-byte info header, the plainest
// form that every loader reads.
std::vector<uint8_t> EncodeBmp(const Canvas& c);
// PNG with stored (uncompressed) deflate blocks. With `alpha`, black pixels are
// written fully transparent.
std::vector<uint8_t> EncodePng(const Canvas& c, bool alpha);

}  // namespace gen
