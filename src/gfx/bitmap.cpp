// Picture files into surfaces, the restore after a display reset, and
// screenshots out of surfaces.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "base/bytes.h"
#include "base/frames.h"
#include "base/plainfile.h"
#include "gfx/gfx.h"
#include "gfx/surface.h"
#include "platform/platform.h"

namespace {

// The picture's width and height, as the file's header claims them. We look
// before SDL does so that a broken file claiming an enormous picture is turned
// away before anything the size of that claim is allocated.
bool PlausibleHeader(SDL_RWops* rw) {
    uint8_t head[26];
    if (SDL_RWread(rw, head, 1, sizeof head) != sizeof head || head[0] != 'B' || head[1] != 'M') {
        return false;
    }
    auto le32 = [&](int at) { return static_cast<int32_t>(LoadLe32(head + at)); };
    auto le16 = [&](int at) { return int32_t{LoadLe16(head + at)}; };
    const int32_t infoSize = le32(14);
    int64_t width = 0;
    int64_t height = 0;
    if (infoSize == 12) {  // the old core header: 16-bit sizes
        width = le16(18);
        height = le16(20);
    } else if (infoSize >= 40) {
        width = le32(18);
        height = le32(22);  // negative: rows stored top first
    } else {
        return false;
    }
    height = height < 0 ? -height : height;
    return width > 0 && height > 0 && width <= gfx::MaxSurfaceSide && height <= gfx::MaxSurfaceSide;
}

// The picture of a bitmap file in our 16-bit format, row 0 at the top; null
// when the file is missing, broken or not a bitmap. The caller frees it.
SDL_Surface* LoadPicture(const char* path) {
    if (path == nullptr) {
        return nullptr;
    }
    // Only a plain file is a picture. Opened without blocking, so that a fifo
    // or a device put at the path cannot stop start-up for good.
    const int fd = OpenPlainFile(path, nullptr);
    if (fd < 0) {
        return nullptr;
    }
    std::FILE* file = fdopen(fd, "rb");
    if (file == nullptr) {
        close(fd);
        return nullptr;
    }
    SDL_RWops* rw = SDL_RWFromFP(file, SDL_TRUE);
    if (rw == nullptr) {
        std::fclose(file);
        return nullptr;
    }
    if (!PlausibleHeader(rw) || SDL_RWseek(rw, 0, RW_SEEK_SET) != 0) {
        SDL_RWclose(rw);
        return nullptr;
    }
    SDL_Surface* raw = SDL_LoadBMP_RW(rw, 1);  // closes rw either way
    if (raw == nullptr) {
        return nullptr;
    }
    SDL_Surface* picture = SDL_ConvertSurfaceFormat(raw, SDL_PIXELFORMAT_RGB565, 0);
    SDL_FreeSurface(raw);
    if (picture != nullptr &&
        (picture->w > gfx::MaxSurfaceSide || picture->h > gfx::MaxSurfaceSide)) {
        SDL_FreeSurface(picture);
        return nullptr;
    }
    return picture;
}

// Puts the picture at (0, 0) of the surface, as much of it as fits.
void CopyPicture(Surface* s, const SDL_Surface* picture) {
    gfx::FlushDrawing();
    const int n = std::min(picture->w, s->pixels->w);
    const int rows = std::min(picture->h, s->pixels->h);
    gfx::NoteWritten(s, {0, 0, n, rows});
    for (int r = 0; r < rows; ++r) {
        const auto* from = static_cast<const uint8_t*>(picture->pixels) +
                           static_cast<ptrdiff_t>(r) * picture->pitch;
        std::memcpy(gfx::Row(s, r), from, static_cast<size_t>(n) * sizeof(uint16_t));
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
    SDL_Surface* picture = LoadPicture(path);
    if (picture == nullptr) {
        frames::NoteMessage("BmpFileErrer", " ", {});
        plat::MessageBox("BmpFileErrer", " ", true);
        return 0;
    }
    if (CreateImageSurface(slot, picture->w, picture->h) == 0) {
        SDL_FreeSurface(picture);
        return 0;
    }
    CopyPicture(*slot, picture);
    SDL_FreeSurface(picture);
    return 1;
}

int ReloadBitmap(Surface* surface, const char* path) {
    if (surface == nullptr) {
        return 0;
    }
    SDL_Surface* picture = LoadPicture(path);
    if (picture == nullptr) {
        return 0;
    }
    // A surface still lost has no memory to copy into; the display service
    // refused that silently and so do we. The key is set again all the same.
    if (!surface->lost) {
        CopyPicture(surface, picture);
    }
    SDL_FreeSurface(picture);
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
    const int w = s->pixels->w;
    const int h = s->pixels->h;
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
