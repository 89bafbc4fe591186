// Picture files into surfaces, the restore after a display reset, and
// screenshots out of surfaces.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "base/bytes.h"
#include "base/frames.h"
#include "base/plainfile.h"
#include "gfx/gfx.h"
#include "gfx/surface.h"
#include "platform/platform.h"

namespace {

// A picture as read from its file, in our 16-bit format, row 0 at the top
// and the rows packed.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint16_t> pixels;
};

constexpr size_t FileHeaderBytes = 14;
constexpr uint32_t CoreHeaderBytes = 12;  // the old header: 16-bit sizes, no compression
constexpr uint32_t InfoHeaderBytes = 40;
constexpr uint32_t LargestHeaderBytes = 124;  // the fifth and last version
constexpr uint32_t MaskBytes = 12;            // red, green and blue masks after a plain header
constexpr uint32_t CompressionNone = 0;
constexpr uint32_t CompressionBitFields = 3;
constexpr uint32_t MaxColours = 256;
// The pixels lie right after the headers and the colour table in every
// writer we know; one far beyond is a broken file, not a picture.
constexpr uint32_t MaxPixelOffset = 64 * 1024;
// Everything before the pixels we ever look at.
constexpr size_t HeadBytes = FileHeaderBytes + LargestHeaderBytes + MaskBytes + MaxColours * 4;

enum class Pixels { Indexed, Rgb555, Rgb565, Bgr24, Bgrx32 };

// Where everything lies in a bitmap file, from its headers; every field we
// read is checked before it is believed.
struct Layout {
    int width = 0;
    int height = 0;
    bool topDown = false;
    int bits = 0;
    Pixels kind = Pixels::Indexed;
    uint32_t colours = 0;  // indices at or past this are not in the table
    size_t tableAt = 0;
    uint32_t tableEntries = 0;  // the entries we read
    size_t tableEntryBytes = 4;
    size_t pixelsAt = 0;
    size_t stride = 0;  // from one stored row to the next
    size_t end = 0;     // the bytes the file must hold
};

// The pixel format the masks name, of the few any writer uses; false for
// the others.
bool KnownMasks(int bits, uint32_t r, uint32_t g, uint32_t b, uint32_t a, Pixels* kind) {
    if (bits == 16 && r == 0xF800 && g == 0x07E0 && b == 0x001F && a == 0) {
        *kind = Pixels::Rgb565;
    } else if (bits == 16 && r == 0x7C00 && g == 0x03E0 && b == 0x001F && (a == 0 || a == 0x8000)) {
        *kind = Pixels::Rgb555;
    } else if (bits == 32 && r == 0xFF0000 && g == 0xFF00 && b == 0xFF &&
               (a == 0 || a == 0xFF000000u)) {
        *kind = Pixels::Bgrx32;
    } else {
        return false;
    }
    return true;
}

// Reads the headers of the `size` bytes at `d`. False when they are no
// bitmap we take: another format, a size that is not a picture's, a
// compression, or pixels that lie somewhere absurd. The file may be shorter
// than `end`: the caller looks.
bool ReadLayout(const uint8_t* d, size_t size, Layout* l) {
    if (size < FileHeaderBytes + 4 || d[0] != 'B' || d[1] != 'M') {
        return false;
    }
    const uint32_t infoBytes = LoadLe32(d + 14);
    const uint32_t pixelsAt = LoadLe32(d + 10);
    int64_t width = 0;
    int64_t height = 0;
    uint32_t compression = CompressionNone;
    uint32_t coloursUsed = 0;
    size_t headersEnd = FileHeaderBytes + infoBytes;
    if (infoBytes == CoreHeaderBytes) {
        if (size < headersEnd) {
            return false;
        }
        width = LoadLe16(d + 18);
        height = LoadLe16(d + 20);
        l->bits = LoadLe16(d + 24);
        l->tableEntryBytes = 3;
    } else if (infoBytes >= InfoHeaderBytes && infoBytes <= LargestHeaderBytes &&
               infoBytes != 64) {  // 64 is an old incompatible extension
        if (size < headersEnd) {
            return false;
        }
        width = static_cast<int32_t>(LoadLe32(d + 18));
        height = static_cast<int32_t>(LoadLe32(d + 22));  // negative: top row first
        l->bits = LoadLe16(d + 28);
        compression = LoadLe32(d + 30);
        coloursUsed = LoadLe32(d + 46);
    } else {
        return false;
    }
    l->topDown = height < 0;
    height = height < 0 ? -height : height;
    if (width <= 0 || height <= 0 || width > gfx::MaxSurfaceSide || height > gfx::MaxSurfaceSide) {
        return false;
    }
    l->width = static_cast<int>(width);
    l->height = static_cast<int>(height);

    if (compression == CompressionBitFields) {
        // A plain header keeps its masks right after it; later ones inside.
        if (infoBytes < InfoHeaderBytes + MaskBytes) {
            headersEnd += MaskBytes;
        }
        if (size < FileHeaderBytes + InfoHeaderBytes + MaskBytes + 4) {
            return false;
        }
        const uint8_t* m = d + FileHeaderBytes + InfoHeaderBytes;
        const uint32_t alpha = infoBytes >= InfoHeaderBytes + MaskBytes + 4 ? LoadLe32(m + 12) : 0;
        if (!KnownMasks(l->bits, LoadLe32(m), LoadLe32(m + 4), LoadLe32(m + 8), alpha, &l->kind)) {
            return false;
        }
    } else if (compression != CompressionNone) {
        return false;  // run-length or embedded pictures: none of ours
    } else {
        switch (l->bits) {
            case 1:
            case 2:
            case 4:
            case 8:
                l->kind = Pixels::Indexed;
                break;
            case 16:
                l->kind = Pixels::Rgb555;
                break;
            case 24:
                l->kind = Pixels::Bgr24;
                break;
            case 32:
                l->kind = Pixels::Bgrx32;  // the fourth byte is not trusted as alpha
                break;
            default:
                return false;
        }
    }

    size_t tableEnd = headersEnd;
    if (l->kind == Pixels::Indexed) {
        // No count, or a count beyond what the indices can reach, means a
        // full table; an index at or past the count is refused.
        l->colours = coloursUsed == 0 || coloursUsed > MaxColours ? MaxColours : coloursUsed;
        l->tableAt = FileHeaderBytes + infoBytes;
        l->tableEntries = std::min(l->colours, 1u << l->bits);
        tableEnd = l->tableAt + l->tableEntries * l->tableEntryBytes;
    }
    if (pixelsAt < headersEnd || pixelsAt > MaxPixelOffset) {
        return false;
    }
    l->pixelsAt = pixelsAt;
    // Every row is padded to four bytes, and every row is read whole, but
    // for the padding of the last one in a picture of under a byte a pixel.
    const size_t rowBytes = (static_cast<size_t>(l->width) * static_cast<size_t>(l->bits) + 7) / 8;
    l->stride = (rowBytes + 3) & ~size_t{3};
    const size_t lastRow = l->bits < 8 ? rowBytes : l->stride;
    l->end = std::max(tableEnd,
                      l->pixelsAt + (static_cast<size_t>(l->height) - 1) * l->stride + lastRow);
    return true;
}

// 8-bit channels to 16 bits, each cut to its top bits.
uint16_t Pack565(unsigned r, unsigned g, unsigned b) {
    return static_cast<uint16_t>((r >> 3) << 11 | (g >> 2) << 5 | b >> 3);
}

// The picture from a whole file laid out as `l` says; false when a pixel
// names a colour the table does not have.
bool Decode(const uint8_t* d, const Layout& l, Picture* picture) {
    uint16_t table[MaxColours] = {};
    for (uint32_t i = 0; i < l.tableEntries; ++i) {
        const uint8_t* e = d + l.tableAt + i * l.tableEntryBytes;
        table[i] = Pack565(e[2], e[1], e[0]);
    }
    picture->width = l.width;
    picture->height = l.height;
    picture->pixels.resize(static_cast<size_t>(l.width) * static_cast<size_t>(l.height));
    for (int r = 0; r < l.height; ++r) {
        const uint8_t* in = d + l.pixelsAt + static_cast<size_t>(r) * l.stride;
        const int y = l.topDown ? r : l.height - 1 - r;
        uint16_t* out = picture->pixels.data() + static_cast<size_t>(y) * l.width;
        for (int x = 0; x < l.width; ++x) {
            switch (l.kind) {
                case Pixels::Indexed: {
                    const int bit = x * l.bits;
                    const unsigned index =
                        (in[bit / 8] >> (8 - l.bits - bit % 8)) & ((1u << l.bits) - 1);
                    if (index >= l.colours) {
                        return false;
                    }
                    out[x] = table[index];
                    break;
                }
                case Pixels::Rgb565:
                    out[x] = LoadLe16(in + 2 * x);
                    break;
                case Pixels::Rgb555: {
                    // Green scales from five bits to eight, rounded down,
                    // and is then cut to six; red and blue stay as they are.
                    const unsigned p = LoadLe16(in + 2 * x);
                    const unsigned g = (p >> 5 & 0x1F) * 255 / 31 >> 2;
                    out[x] = static_cast<uint16_t>((p & 0x7C00) << 1 | g << 5 | (p & 0x1F));
                    break;
                }
                case Pixels::Bgr24:
                    out[x] = Pack565(in[3 * x + 2], in[3 * x + 1], in[3 * x]);
                    break;
                case Pixels::Bgrx32:
                    out[x] = Pack565(in[4 * x + 2], in[4 * x + 1], in[4 * x]);
                    break;
            }
        }
    }
    return true;
}

// The picture of a bitmap file, or false when the file is missing, broken
// or not a bitmap we take. The headers are read and checked first, so a
// broken file claiming an enormous picture is turned away before anything
// the size of that claim is allocated.
bool LoadPicture(const char* path, Picture* picture) {
    if (path == nullptr) {
        return false;
    }
    uint8_t head[HeadBytes];
    size_t got = 0;
    Layout layout;
    if (!ReadPlainFile(path, head, sizeof head, &got) || !ReadLayout(head, got, &layout)) {
        return false;
    }
    try {
        std::vector<unsigned char> file;
        // Read again whole, and looked at again: it may have changed meanwhile.
        const size_t end = layout.end;
        layout = Layout{};
        if (!ReadPlainFile(path, end, &file) || !ReadLayout(file.data(), file.size(), &layout) ||
            file.size() < layout.end) {
            return false;
        }
        return Decode(file.data(), layout, picture);
    } catch (const std::bad_alloc&) {
        return false;
    }
}

// Puts the picture at (0, 0) of the surface, as much of it as fits.
void CopyPicture(Surface* s, const Picture& picture) {
    gfx::FlushDrawing();
    const int n = std::min(picture.width, s->width);
    const int rows = std::min(picture.height, s->height);
    gfx::NoteWritten(s, {0, 0, n, rows});
    for (int r = 0; r < rows; ++r) {
        std::memcpy(gfx::Row(s, r), picture.pixels.data() + static_cast<size_t>(r) * picture.width,
                    static_cast<size_t>(n) * sizeof(uint16_t));
    }
}

void PutLe16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void PutLe32(std::vector<uint8_t>& out, uint32_t v) {
    PutLe16(out, v & 0xFFFF);
    PutLe16(out, v >> 16);
}

// Five or six bits stretched to eight, so that white stays 255.
uint8_t Expand5(unsigned v) {
    return static_cast<uint8_t>(v << 3 | v >> 2);
}
uint8_t Expand6(unsigned v) {
    return static_cast<uint8_t>(v << 2 | v >> 4);
}

}  // namespace

int LoadBitmapSurface(Surface** slot, const char* path) {
    Picture picture;
    if (!LoadPicture(path, &picture)) {
        frames::NoteMessage("BmpFileErrer", " ", {});
        plat::MessageBox("BmpFileErrer", " ", true);
        return 0;
    }
    if (CreateImageSurface(slot, picture.width, picture.height) == 0) {
        return 0;
    }
    CopyPicture(*slot, picture);
    return 1;
}

int ReloadBitmap(Surface* surface, const char* path) {
    if (surface == nullptr) {
        return 0;
    }
    Picture picture;
    if (!LoadPicture(path, &picture)) {
        return 0;
    }
    // A surface still lost has no memory to copy into; the display service
    // refused that silently and so do we. The key is set again all the same.
    if (!surface->lost) {
        CopyPicture(surface, picture);
    }
    surface->keyed = true;
    return 1;
}

void RestoreSurface(Surface* surface, const char* path) {
    if (surface == nullptr || !surface->lost) {
        return;
    }
    surface->lost = false;
    if (path != nullptr) {
        ReloadBitmap(surface, path);
    }
}

bool SaveSurfaceBmp(const Surface* s, const char* path) {
    if (s == nullptr || path == nullptr) {
        return false;
    }
    gfx::FlushDrawing();
    const int w = s->width;
    const int h = s->height;
    const uint32_t rowBytes = (static_cast<uint32_t>(w) * 3 + 3) & ~3u;
    const uint32_t imageBytes = rowBytes * static_cast<uint32_t>(h);
    constexpr uint32_t headerBytes = 14 + 40;
    std::vector<uint8_t> out;
    out.reserve(headerBytes + imageBytes);
    out.push_back('B');
    out.push_back('M');
    PutLe32(out, headerBytes + imageBytes);
    PutLe32(out, 0);
    PutLe32(out, headerBytes);
    PutLe32(out, 40);
    PutLe32(out, static_cast<uint32_t>(w));
    PutLe32(out, static_cast<uint32_t>(h));  // positive: bottom row first
    PutLe16(out, 1);
    PutLe16(out, 24);
    PutLe32(out, 0);  // no compression
    PutLe32(out, imageBytes);
    PutLe32(out, 2835);  // 72 dpi
    PutLe32(out, 2835);
    PutLe32(out, 0);
    PutLe32(out, 0);
    for (int y = h - 1; y >= 0; --y) {
        const uint16_t* row = gfx::Row(s, y);
        for (int x = 0; x < w; ++x) {
            const unsigned p = row[x];
            out.push_back(Expand5(p & 0x1F));
            out.push_back(Expand6(p >> 5 & 0x3F));
            out.push_back(Expand5(p >> 11));
        }
        out.resize(out.size() + (rowBytes - static_cast<uint32_t>(w) * 3), 0);
    }

    // Written beside the target and renamed over it, so that a full disk or
    // a crash never leaves half a picture under the real name.
    const std::string temp = std::string(path) + ".tmp";
    std::FILE* f = std::fopen(temp.c_str(), "wb");
    if (f == nullptr) {
        return false;
    }
    const bool written = std::fwrite(out.data(), 1, out.size(), f) == out.size();
    const bool closed = std::fclose(f) == 0;
    if (!written || !closed || std::rename(temp.c_str(), path) != 0) {
        std::remove(temp.c_str());
        return false;
    }
    return true;
}
