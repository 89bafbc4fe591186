// The sums of the SDL back-end's present: which path a machine gets, where the
// frame sits in a window, and which window rows go up after a frame.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/sdl/present.h"

namespace {

using sdlplat::ChangedRects;
using sdlplat::ChangedRows;
using sdlplat::ChoosePresentPath;
using sdlplat::PixelRect;
using sdlplat::PlaceFrame;
using sdlplat::PresentPath;

void ExpectRect(const PixelRect& r, int x, int y, int w, int h) {
    EXPECT_EQ(r.x, x);
    EXPECT_EQ(r.y, y);
    EXPECT_EQ(r.w, w);
    EXPECT_EQ(r.h, h);
}

TEST(PresentChoice, SoftwareDrawingGetsTheSurfaceAndHardwareTheRenderer) {
    const char* llvmpipe = "llvmpipe (LLVM 15.0.6, 256 bits)";
    auto c = ChoosePresentPath(nullptr, "opengl", true, llvmpipe);
    EXPECT_EQ(c.path, PresentPath::Surface);
    EXPECT_EQ(c.why, "OpenGL is llvmpipe");
    EXPECT_EQ(ChoosePresentPath(nullptr, "opengles2", true, "softpipe").path, PresentPath::Surface);
    EXPECT_EQ(ChoosePresentPath(nullptr, "opengl", true, "Mesa swrast").path, PresentPath::Surface);
    EXPECT_EQ(ChoosePresentPath(nullptr, "software", false, nullptr).path, PresentPath::Surface);
    EXPECT_EQ(ChoosePresentPath(nullptr, "opengl", false, "AMD Radeon").path, PresentPath::Surface);
    c = ChoosePresentPath(nullptr, nullptr, false, nullptr);
    EXPECT_EQ(c.path, PresentPath::Surface);
    EXPECT_EQ(c.why, "no accelerated renderer");

    c = ChoosePresentPath(nullptr, "opengl", true, "Mesa Intel(R) UHD Graphics 620");
    EXPECT_EQ(c.path, PresentPath::Gpu);
    EXPECT_EQ(c.why, "opengl on Mesa Intel(R) UHD Graphics 620");
    EXPECT_EQ(ChoosePresentPath("", "vulkan", true, nullptr).path, PresentPath::Gpu);
}

// Decided before any renderer is made (and OpenGL loaded) wherever that can
// only end on the surface; wherever hardware may render, the renderer decides.
TEST(PresentChoice, NoGraphicsHardwareIsKnownWithoutARenderer) {
    sdlplat::PresentChoice c;
    ASSERT_TRUE(sdlplat::ChooseBeforeRenderer(nullptr, false, nullptr, nullptr, &c));
    EXPECT_EQ(c.path, PresentPath::Surface);
    EXPECT_EQ(c.why, "no graphics hardware to render with");
    ASSERT_TRUE(sdlplat::ChooseBeforeRenderer("surface", true, nullptr, nullptr, &c));
    EXPECT_EQ(c.why, "TESSALUNE_RENDERER=surface");
    ASSERT_TRUE(sdlplat::ChooseBeforeRenderer(nullptr, true, "1", nullptr, &c));
    EXPECT_EQ(c.why, "LIBGL_ALWAYS_SOFTWARE is set");
    ASSERT_TRUE(sdlplat::ChooseBeforeRenderer("fast", true, nullptr, "llvmpipe", &c));
    EXPECT_EQ(c.why,
              "GALLIUM_DRIVER is llvmpipe; TESSALUNE_RENDERER=fast is neither gpu nor surface");
    EXPECT_FALSE(sdlplat::ChooseBeforeRenderer(nullptr, true, nullptr, nullptr, &c));
    EXPECT_FALSE(sdlplat::ChooseBeforeRenderer(nullptr, true, "0", "radeonsi", &c));
    EXPECT_FALSE(sdlplat::ChooseBeforeRenderer("gpu", false, "1", "llvmpipe", &c));
}

TEST(PresentChoice, ThePlayersSettingWinsAndANonsenseOneIsSaid) {
    EXPECT_EQ(ChoosePresentPath("gpu", "opengl", true, "llvmpipe").path, PresentPath::Gpu);
    EXPECT_EQ(ChoosePresentPath("gpu", nullptr, false, nullptr).why, "TESSALUNE_RENDERER=gpu");
    EXPECT_EQ(ChoosePresentPath("surface", "opengl", true, "NVIDIA").path, PresentPath::Surface);
    const auto c = ChoosePresentPath("fast", "opengl", true, "llvmpipe");
    EXPECT_EQ(c.path, PresentPath::Surface);
    EXPECT_EQ(c.why, "OpenGL is llvmpipe; TESSALUNE_RENDERER=fast is neither gpu nor surface");
}

TEST(PlaceFrame, WholeMultiplesCentredAndSmallWindowsScaledDown) {
    ExpectRect(PlaceFrame(640, 480), 0, 0, 640, 480);
    ExpectRect(PlaceFrame(1920, 1080), 320, 60, 1280, 960);
    ExpectRect(PlaceFrame(1280, 1024), 0, 32, 1280, 960);
    ExpectRect(PlaceFrame(1279, 1024), 319, 272, 640, 480);   // not quite two wide
    ExpectRect(PlaceFrame(2560, 1600), 320, 80, 1920, 1440);  // a HiDPI surface
    // Smaller than the frame: the same shape, as large as fits.
    ExpectRect(PlaceFrame(320, 240), 0, 0, 320, 240);
    ExpectRect(PlaceFrame(639, 480), 0, 0, 639, 479);
    ExpectRect(PlaceFrame(400, 100), 133, 0, 133, 100);
    ExpectRect(PlaceFrame(0, 0), 0, 0, 1, 1);
}

// A frame with a pitch wider than its rows, as the game's surfaces may have.
struct Frame {
    static constexpr int Pitch = 700;  // pixels
    std::vector<uint16_t> pixels = std::vector<uint16_t>(Pitch * sdlplat::FrameHeight, 0x1234);
    uint16_t& At(int x, int y) { return pixels[static_cast<size_t>(y) * Pitch + x]; }
    int Take(ChangedRows& rows, const uint8_t* candidates = nullptr) const {
        return rows.Take(pixels.data(), Pitch * static_cast<int>(sizeof(uint16_t)), candidates);
    }
};

TEST(ChangedRows, OnlyTheRowsThatChangedGoUpAndAnInvalidWindowGetsAll) {
    ChangedRows rows;
    Frame frame;
    const PixelRect scaled = PlaceFrame(1920, 1080);  // two window rows a frame row

    ASSERT_EQ(frame.Take(rows), 480);  // nothing shown yet
    EXPECT_TRUE(rows.All());
    EXPECT_EQ(frame.Take(rows), 0);  // the same picture again sends nothing
    EXPECT_FALSE(rows.All());
    EXPECT_TRUE(ChangedRects(rows, scaled).empty());

    frame.At(639, 100) = 0;  // one pixel: its row, twice as tall
    ASSERT_EQ(frame.Take(rows), 1);
    EXPECT_EQ(rows.Row(100)[639], 0);
    auto rects = ChangedRects(rows, scaled);
    ASSERT_EQ(rects.size(), 1u);
    ExpectRect(rects[0], 320, 60 + 200, 1280, 2);

    // Neighbouring rows make one run, others runs of their own; the edge rows count.
    frame.At(0, 0) = 1;
    frame.At(5, 101) = 1;
    frame.At(5, 102) = 1;
    frame.At(5, 479) = 1;
    ASSERT_EQ(frame.Take(rows), 4);
    rects = ChangedRects(rows, scaled);
    ASSERT_EQ(rects.size(), 3u);
    ExpectRect(rects[0], 320, 60, 1280, 2);
    ExpectRect(rects[1], 320, 60 + 202, 1280, 4);
    ExpectRect(rects[2], 320, 60 + 958, 1280, 2);
    rects = ChangedRects(rows, PlaceFrame(320, 240));  // scaled down: a row may show none
    ASSERT_EQ(rects.size(), 2u);
    ExpectRect(rects[0], 0, 0, 320, 1);
    ExpectRect(rects[1], 0, 51, 320, 1);  // frame row 102

    // Rows the game says it did not write are not looked at; a window that
    // lost its picture gets it all the same.
    std::vector<uint8_t> written(480, 0);
    written[7] = 1;
    frame.At(1, 7) = 7;
    frame.At(1, 8) = 8;
    ASSERT_EQ(frame.Take(rows, written.data()), 1);
    EXPECT_TRUE(rows.Changed(7));
    EXPECT_EQ(rows.Row(8)[1], 0x1234);
    rows.Invalidate();
    ASSERT_EQ(frame.Take(rows, written.data()), 480);
    EXPECT_EQ(rows.Row(8)[1], 8);

    rows.Invalidate();  // covered, resized or lost: the whole picture again
    ASSERT_EQ(frame.Take(rows), 480);
    EXPECT_TRUE(rows.All());
    rects = ChangedRects(rows, scaled);
    ASSERT_EQ(rects.size(), 1u);
    ExpectRect(rects[0], 320, 60, 1280, 960);
}

}  // namespace
