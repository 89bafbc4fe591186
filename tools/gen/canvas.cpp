#include "canvas.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace gen {

namespace {

uint8_t Clamp8(double v) {
    return static_cast<uint8_t>(std::clamp(std::lround(v), 0L, 255L));
}

void Put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v & 0xFF));
    out.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}
void Put32Be(std::vector<uint8_t>& out, uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) {
        out.push_back(static_cast<uint8_t>((v >> s) & 0xFF));
    }
}

uint32_t Crc32(const uint8_t* data, size_t n, uint32_t crc = 0) {
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k) {
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            }
            t[i] = c;
        }
        return t;
    }();
    crc = ~crc;
    for (size_t i = 0; i < n; ++i) {
        crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    }
    return ~crc;
}

void PngChunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& body) {
    Put32Be(out, static_cast<uint32_t>(body.size()));
    std::vector<uint8_t> typed(type, type + 4);
    typed.insert(typed.end(), body.begin(), body.end());
    out.insert(out.end(), typed.begin(), typed.end());
    Put32Be(out, Crc32(typed.data(), typed.size()));
}

}  // namespace

Rgb Mix(Rgb a, Rgb b, double t) {
    return {Clamp8(a.r + (b.r - a.r) * t), Clamp8(a.g + (b.g - a.g) * t),
            Clamp8(a.b + (b.b - a.b) * t)};
}

Rgb Scale(Rgb c, double k) {
    return {Clamp8(c.r * k), Clamp8(c.g * k), Clamp8(c.b * k)};
}

Rgb Hex(uint32_t v) {
    return {static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)};
}

Canvas::Canvas(int w, int h, Rgb fill)
    : w_(w), h_(h), px_(static_cast<size_t>(w) * static_cast<size_t>(h), fill) {}

Rgb Canvas::at(int x, int y) const {
    return inside(x, y) ? px_[static_cast<size_t>(y) * w_ + x] : Clear;
}

void Canvas::put(int x, int y, Rgb c) {
    if (inside(x, y)) {
        px_[static_cast<size_t>(y) * w_ + x] = Visible(c);
    }
}

void Canvas::blend(int x, int y, Rgb c, double a) {
    if (!inside(x, y) || a <= 0) {
        return;
    }
    Rgb under = at(x, y);
    if (under == Clear) {
        if (a >= 0.5) {
            put(x, y, c);
        }
        return;
    }
    put(x, y, Mix(under, c, std::min(a, 1.0)));
}

void Canvas::clear(int x, int y) {
    if (inside(x, y)) {
        px_[static_cast<size_t>(y) * w_ + x] = Clear;
    }
}

void Canvas::fill(int x, int y, int w, int h, Rgb c) {
    for (int j = y; j < y + h; ++j) {
        for (int i = x; i < x + w; ++i) {
            put(i, j, c);
        }
    }
}

void Canvas::clearRect(int x, int y, int w, int h) {
    for (int j = y; j < y + h; ++j) {
        for (int i = x; i < x + w; ++i) {
            clear(i, j);
        }
    }
}

void Canvas::frame(int x, int y, int w, int h, Rgb c) {
    for (int i = x; i < x + w; ++i) {
        put(i, y, c);
        put(i, y + h - 1, c);
    }
    for (int j = y; j < y + h; ++j) {
        put(x, j, c);
        put(x + w - 1, j, c);
    }
}

void Canvas::bevel(int x, int y, int w, int h, Rgb face, Rgb light, Rgb dark, int depth) {
    fill(x, y, w, h, face);
    for (int d = 0; d < depth; ++d) {
        for (int i = x + d; i < x + w - d; ++i) {
            put(i, y + d, light);
            put(i, y + h - 1 - d, dark);
        }
        for (int j = y + d; j < y + h - d; ++j) {
            put(x + d, j, light);
            put(x + w - 1 - d, j, dark);
        }
    }
}

void Canvas::line(int x0, int y0, int x1, int y1, Rgb c) {
    int dx = std::abs(x1 - x0), sx = x0 < x1 ? 1 : -1;
    int dy = -std::abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
    int err = dx + dy;
    for (;;) {
        put(x0, y0, c);
        if (x0 == x1 && y0 == y1) {
            break;
        }
        int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x0 += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y0 += sy;
        }
    }
}

void Canvas::disc(double cx, double cy, double r, Rgb c, double alpha) {
    int x0 = static_cast<int>(std::floor(cx - r - 1)), x1 = static_cast<int>(std::ceil(cx + r + 1));
    int y0 = static_cast<int>(std::floor(cy - r - 1)), y1 = static_cast<int>(std::ceil(cy + r + 1));
    for (int y = y0; y <= y1; ++y) {
        for (int x = x0; x <= x1; ++x) {
            // 4 x 4 samples per pixel for a clean edge.
            int hits = 0;
            for (int sy = 0; sy < 4; ++sy) {
                for (int sx = 0; sx < 4; ++sx) {
                    double px = x + (sx + 0.5) / 4 - cx, py = y + (sy + 0.5) / 4 - cy;
                    hits += (px * px + py * py <= r * r) ? 1 : 0;
                }
            }
            if (hits > 0) {
                blend(x, y, c, alpha * hits / 16.0);
            }
        }
    }
}

void Canvas::blit(const Canvas& src, int sx, int sy, int w, int h, int dx, int dy, bool keyed) {
    for (int j = 0; j < h; ++j) {
        for (int i = 0; i < w; ++i) {
            Rgb c = src.at(sx + i, sy + j);
            if (c == Clear) {
                if (!keyed) {
                    clear(dx + i, dy + j);
                }
                continue;
            }
            put(dx + i, dy + j, c);
        }
    }
}

void Canvas::blitScaled(const Canvas& src, int sx, int sy, int w, int h, int dx, int dy, int n) {
    for (int j = 0; j < h * n; ++j) {
        for (int i = 0; i < w * n; ++i) {
            Rgb c = src.at(sx + i / n, sy + j / n);
            if (c == Clear) {
                clear(dx + i, dy + j);
            } else {
                put(dx + i, dy + j, c);
            }
        }
    }
}

Canvas As565(const Canvas& c) {
    Canvas out(c.width(), c.height());
    for (int y = 0; y < c.height(); ++y) {
        for (int x = 0; x < c.width(); ++x) {
            Rgb p = c.at(x, y);
            int r = p.r >> 3, g = p.g >> 2, b = p.b >> 3;
            if (r == 0 && g == 0 && b == 0) {
                continue;
            }
            out.put(x, y,
                    {static_cast<uint8_t>((r << 3) | (r >> 2)),
                     static_cast<uint8_t>((g << 2) | (g >> 4)),
                     static_cast<uint8_t>((b << 3) | (b >> 2))});
        }
    }
    return out;
}

std::vector<uint8_t> EncodeBmp(const Canvas& c) {
    const uint32_t rowBytes = (static_cast<uint32_t>(c.width()) * 3 + 3) & ~3u;
    const uint32_t imageBytes = rowBytes * static_cast<uint32_t>(c.height());
    std::vector<uint8_t> out;
    out.reserve(54 + imageBytes);
    out.push_back('B');
    out.push_back('M');
    Put32(out, 54 + imageBytes);  // file size
    Put32(out, 0);                // reserved
    Put32(out, 54);               // offset of the pixels
    Put32(out, 40);               // info header size
    Put32(out, static_cast<uint32_t>(c.width()));
    Put32(out, static_cast<uint32_t>(c.height()));  // positive: rows bottom-up
    Put16(out, 1);                                  // planes
    Put16(out, 24);                                 // bits per pixel
    Put32(out, 0);                                  // no compression
    Put32(out, imageBytes);
    Put32(out, 2835);  // 72 dpi, both ways
    Put32(out, 2835);
    Put32(out, 0);  // colours used
    Put32(out, 0);  // important colours
    for (int y = c.height() - 1; y >= 0; --y) {
        for (int x = 0; x < c.width(); ++x) {
            Rgb p = c.at(x, y);
            out.push_back(p.b);
            out.push_back(p.g);
            out.push_back(p.r);
        }
        for (uint32_t pad = static_cast<uint32_t>(c.width()) * 3; pad < rowBytes; ++pad) {
            out.push_back(0);
        }
    }
    return out;
}

std::vector<uint8_t> EncodePng(const Canvas& c, bool alpha) {
    std::vector<uint8_t> raw;
    const int channels = alpha ? 4 : 3;
    raw.reserve(static_cast<size_t>(c.height()) * (1 + c.width() * channels));
    for (int y = 0; y < c.height(); ++y) {
        raw.push_back(0);  // no filter
        for (int x = 0; x < c.width(); ++x) {
            Rgb p = c.at(x, y);
            raw.push_back(p.r);
            raw.push_back(p.g);
            raw.push_back(p.b);
            if (alpha) {
                raw.push_back(p == Clear ? 0 : 255);
            }
        }
    }
    // zlib stream of stored blocks.
    std::vector<uint8_t> z{0x78, 0x01};
    size_t pos = 0;
    do {
        size_t n = std::min<size_t>(65535, raw.size() - pos);
        bool last = pos + n == raw.size();
        z.push_back(last ? 1 : 0);
        Put16(z, static_cast<uint32_t>(n));
        Put16(z, static_cast<uint32_t>(~n & 0xFFFF));
        z.insert(z.end(), raw.begin() + static_cast<long>(pos),
                 raw.begin() + static_cast<long>(pos + n));
        pos += n;
    } while (pos < raw.size());
    uint32_t a = 1, b = 0;
    for (uint8_t v : raw) {
        a = (a + v) % 65521;
        b = (b + a) % 65521;
    }
    Put32Be(z, (b << 16) | a);

    std::vector<uint8_t> out{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> ihdr;
    Put32Be(ihdr, static_cast<uint32_t>(c.width()));
    Put32Be(ihdr, static_cast<uint32_t>(c.height()));
    ihdr.push_back(8);                   // bit depth
    ihdr.push_back(alpha ? 6 : 2);       // RGBA or RGB
    ihdr.insert(ihdr.end(), {0, 0, 0});  // deflate, adaptive filters, no interlace
    PngChunk(out, "IHDR", ihdr);
    PngChunk(out, "IDAT", z);
    PngChunk(out, "IEND", {});
    return out;
}

}  // namespace gen
