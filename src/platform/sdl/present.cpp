#include "platform/sdl/present.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace sdlplat {

namespace {

// The software rasterizers Mesa puts behind OpenGL where there is no
// graphics card: each draws the picture on the processor, at many times the
// cost of copying it to the window ourselves.
constexpr const char* SoftwareRasterizers[] = {"llvmpipe", "softpipe", "swrast"};

}  // namespace

PresentChoice ChoosePresentPath(const char* override, const char* rendererName, bool accelerated,
                                const char* glRenderer) {
    std::string ignored;
    if (override != nullptr && *override != '\0') {
        const std::string asked(override);
        if (asked == "gpu") {
            return {PresentPath::Gpu, "TESSALUNE_RENDERER=gpu"};
        }
        if (asked == "surface") {
            return {PresentPath::Surface, "TESSALUNE_RENDERER=surface"};
        }
        ignored = "; TESSALUNE_RENDERER=" + asked + " is neither gpu nor surface";
    }
    if (rendererName == nullptr) {
        return {PresentPath::Surface, "no accelerated renderer" + ignored};
    }
    const std::string name(rendererName);
    if (name == "software" || !accelerated) {
        return {PresentPath::Surface, "the renderer is " + name + ignored};
    }
    if (glRenderer != nullptr) {
        for (const char* rasterizer : SoftwareRasterizers) {
            if (std::strstr(glRenderer, rasterizer) != nullptr) {
                return {PresentPath::Surface, "OpenGL is " + std::string(rasterizer) + ignored};
            }
        }
        return {PresentPath::Gpu, name + " on " + glRenderer + ignored};
    }
    return {PresentPath::Gpu, name + ignored};
}

bool ChooseBeforeRenderer(const char* override, bool renderNode, const char* libglSoftware,
                          const char* galliumDriver, PresentChoice* choice) {
    const std::string asked = override != nullptr ? override : "";
    if (asked == "surface") {
        *choice = {PresentPath::Surface, "TESSALUNE_RENDERER=surface"};
        return true;
    }
    if (asked == "gpu") {
        return false;
    }
    const std::string ignored =
        asked.empty() ? "" : "; TESSALUNE_RENDERER=" + asked + " is neither gpu nor surface";
    if (libglSoftware != nullptr && *libglSoftware != '\0' &&
        std::strcmp(libglSoftware, "0") != 0 && std::strcmp(libglSoftware, "false") != 0) {
        *choice = {PresentPath::Surface, "LIBGL_ALWAYS_SOFTWARE is set" + ignored};
        return true;
    }
    if (galliumDriver != nullptr) {
        for (const char* rasterizer : SoftwareRasterizers) {
            if (std::strcmp(galliumDriver, rasterizer) == 0) {
                *choice = {PresentPath::Surface,
                           "GALLIUM_DRIVER is " + std::string(rasterizer) + ignored};
                return true;
            }
        }
    }
    if (!renderNode) {
        *choice = {PresentPath::Surface, "no graphics hardware to render with" + ignored};
        return true;
    }
    return false;
}

PixelRect PlaceFrame(int windowWidth, int windowHeight, bool whole) {
    const int w = std::max(windowWidth, 1);
    const int h = std::max(windowHeight, 1);
    PixelRect r;
    const int scale = std::min(w / FrameWidth, h / FrameHeight);
    if (whole && scale >= 1) {
        r.w = FrameWidth * scale;
        r.h = FrameHeight * scale;
    } else if (static_cast<int64_t>(w) * FrameHeight <= static_cast<int64_t>(h) * FrameWidth) {
        r.w = w;
        r.h = std::max(w * FrameHeight / FrameWidth, 1);
    } else {
        r.h = h;
        r.w = std::max(h * FrameWidth / FrameHeight, 1);
    }
    r.x = (w - r.w) / 2;
    r.y = (h - r.h) / 2;
    return r;
}

ChangedRows::ChangedRows()
    : shown_(static_cast<size_t>(FrameWidth) * FrameHeight), changed_(FrameHeight, 1) {}

int ChangedRows::Take(const uint16_t* pixels, int pitch, const uint8_t* candidates) {
    const size_t rowBytes = FrameWidth * sizeof(uint16_t);
    const auto* rows = reinterpret_cast<const unsigned char*>(pixels);
    int count = 0;
    for (int y = 0; y < FrameHeight; ++y) {
        const unsigned char* row = rows + static_cast<ptrdiff_t>(y) * pitch;
        uint16_t* shown = &shown_[static_cast<size_t>(y) * FrameWidth];
        const bool looked = invalid_ || candidates == nullptr || candidates[y] != 0;
        const bool changed = looked && (invalid_ || std::memcmp(shown, row, rowBytes) != 0);
        changed_[static_cast<size_t>(y)] = changed ? 1 : 0;
        if (changed) {
            std::memcpy(shown, row, rowBytes);
            ++count;
        }
    }
    all_ = invalid_;
    invalid_ = false;
    return count;
}

std::vector<PixelRect> ChangedRects(const ChangedRows& rows, const PixelRect& placed) {
    std::vector<PixelRect> rects;
    int runStart = -1;
    for (int y = 0; y <= placed.h; ++y) {
        const bool changed = y < placed.h && rows.Changed(SourceRow(placed, y));
        if (changed && runStart < 0) {
            runStart = y;
        } else if (!changed && runStart >= 0) {
            rects.push_back({placed.x, placed.y + runStart, placed.w, y - runStart});
            runStart = -1;
        }
    }
    return rects;
}

}  // namespace sdlplat
