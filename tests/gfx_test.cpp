// The display, the surfaces, the picture loader and the three primitives.
#include "gfx/gfx.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "platform/script/script.h"
#include "support/bytes.h"
#include "support/game.h"
#include "support/picture.h"
#include "support/scratch.h"

namespace {

namespace fs = std::filesystem;
using Pattern = std::function<uint16_t(int x, int y)>;
using Box = std::pair<std::string, std::string>;  // text, caption

constexpr uint16_t Marker = 0xBEEF;

// Never 0, and different for every pixel of a sheet up to 1023 x 31.
uint16_t Sheet(int x, int y) {
    return static_cast<uint16_t>(y << 10 | (x + 1));
}

void Paint(Surface* s, const Pattern& value) {
    for (int y = 0; y < SurfaceHeight(s); ++y) {
        for (int x = 0; x < SurfaceWidth(s); ++x) {
            ASSERT_EQ(DrawFill(s, x, y, 1, 1, value(x, y)), DrawOk);
        }
    }
}

std::vector<uint16_t> Snapshot(const Surface* s) {
    std::vector<uint16_t> all;
    for (int y = 0; y < SurfaceHeight(s); ++y) {
        for (int x = 0; x < SurfaceWidth(s); ++x) {
            all.push_back(SurfacePixel(s, x, y));
        }
    }
    return all;
}

// A 24-bit bitmap whose colours turn back into exactly these 16-bit values.
void WriteBmp(const fs::path& path, int w, int h, const Pattern& value) {
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, w, h, 24, SDL_PIXELFORMAT_RGB24);
    ASSERT_NE(s, nullptr);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const uint16_t p = value(x, y);
            auto* px = static_cast<uint8_t*>(s->pixels) + y * s->pitch + x * 3;
            px[0] = static_cast<uint8_t>((p >> 11) << 3);
            px[1] = static_cast<uint8_t>(((p >> 5) & 0x3F) << 2);
            px[2] = static_cast<uint8_t>((p & 0x1F) << 3);
        }
    }
    ASSERT_EQ(SDL_SaveBMP(s, path.c_str()), 0);
    SDL_FreeSurface(s);
}

size_t MessagesSeen() {
    return frames::All().messages.size();
}

class Gfx : public ::testing::Test {
  protected:
    void SetUp() override {
        testgame::Reset();
        ASSERT_EQ(InitDisplay(), 0);
        ASSERT_FALSE(dir.empty());
    }
    void TearDown() override {
        for (Surface*& s : lpMain) {
            ReleaseSurface(&s);
        }
        ReleaseSurface(&sheet);
        ReleaseSurface(&lpBack);
        ReleaseDisplay();
    }
    // A keyed sheet w x h holding the Sheet pattern; the back buffer holds Marker.
    void MakeSheet(int w, int h) {
        ASSERT_EQ(CreateImageSurface(&sheet, w, h), 1);
        Paint(sheet, Sheet);
        ASSERT_EQ(DrawFill(lpBack, 0, 0, DisplayWidth, DisplayHeight, Marker), DrawOk);
    }
    // True when the back buffer shows the sheet's (sx, sy) + ... at exactly
    // the screen rectangle (x0..x1) x (y0..y1), and Marker everywhere else.
    ::testing::AssertionResult Shows(int x0, int x1, int y0, int y1, int sx, int sy) {
        for (int y = 0; y < DisplayHeight; ++y) {
            for (int x = 0; x < DisplayWidth; ++x) {
                const bool inside = x >= x0 && x <= x1 && y >= y0 && y <= y1;
                const uint16_t want = inside ? Sheet(sx + x - x0, sy + y - y0) : Marker;
                if (SurfacePixel(lpBack, x, y) != want) {
                    return ::testing::AssertionFailure()
                           << "pixel (" << x << ", " << y << ") is " << SurfacePixel(lpBack, x, y)
                           << ", not " << want;
                }
            }
        }
        return ::testing::AssertionSuccess();
    }

    Surface* sheet = nullptr;
    const ScratchDir scratch_{"gfx"};
    const fs::path dir = scratch_.path();
};

TEST_F(Gfx, SpritesClipAgainstTheScreenEdges) {
    // Each sprite from (sx, 0) of the sheet at (x, y), and the part of the
    // screen (x0..x1) x (y0..y1) showing the sheet from (fx, fy) on.
    struct Clip {
        int x, y, sx, x0, x1, y0, y1, fx, fy;
    };
    for (const Clip& c : {Clip{-10, 100, 64, 0, 21, 100, 131, 74, 0},
                          {620, 0, 0, 620, 639, 0, 31, 0, 0},
                          {608, 10, 0, 608, 639, 10, 41, 0, 0},
                          {40, 460, 32, 40, 71, 460, 479, 32, 0},
                          {40, -5, 32, 40, 71, 0, 26, 32, 5}}) {
        MakeSheet(128, 32);
        EXPECT_EQ(DrawSprite(lpBack, c.x, c.y, 32, 32, sheet, c.sx, 0), DrawOk);
        EXPECT_TRUE(Shows(c.x0, c.x1, c.y0, c.y1, c.fx, c.fy)) << c.x << ", " << c.y;
    }

    MakeSheet(128, 32);
    for (auto [x, y] : {std::pair{640, 0}, {-32, 0}, {0, 480}, {0, -32}, {5000, 5000}}) {
        DrawSprite(lpBack, x, y, 32, 32, sheet, 0, 0);
        DrawCopy(lpBack, x, y, 32, 32, sheet, 0, 0);
    }
    EXPECT_TRUE(Shows(1, 0, 1, 0, 0, 0)) << "something off the screen was drawn";

    // Wider than the screen: the first ten columns and those past 639 are cut.
    MakeSheet(700, 32);
    DrawSprite(lpBack, -10, 0, 700, 32, sheet, 0, 0);
    EXPECT_TRUE(Shows(0, 639, 0, 31, 10, 0));
}

TEST_F(Gfx, OnlyTheKeyedSourceSkipsBlack) {
    // Long enough a row to go through both the wide and the narrow copy.
    ASSERT_EQ(CreateImageSurface(&sheet, 40, 1), 1);
    Paint(sheet, [](int x, int) { return static_cast<uint16_t>(x % 2); });
    DrawFill(lpBack, 0, 0, DisplayWidth, DisplayHeight, Marker);

    DrawSprite(lpBack, 0, 0, 40, 1, sheet, 0, 0);
    DrawCopy(lpBack, 0, 1, 40, 1, sheet, 0, 0);
    for (int x = 0; x < 40; ++x) {
        EXPECT_EQ(SurfacePixel(lpBack, x, 0), x % 2 ? 1 : Marker) << x;
        EXPECT_EQ(SurfacePixel(lpBack, x, 1), x % 2) << x;
    }

    // The back buffer carries no key, so even DrawSprite copies its black.
    DrawFill(lpBack, 10, 10, 1, 1, 0);
    DrawSprite(lpBack, 20, 20, 1, 1, lpBack, 10, 10);
    EXPECT_EQ(SurfacePixel(lpBack, 20, 20), 0);

    // The present replaces every pixel of the screen, black ones included.
    DrawFill(lpPrimary, 0, 0, DisplayWidth, DisplayHeight, Marker);
    EXPECT_EQ(DrawCopy(lpPrimary, 0, 0, DisplayWidth, DisplayHeight, lpBack, 0, 0), DrawOk);
    EXPECT_EQ(Snapshot(lpPrimary), Snapshot(lpBack));
    EXPECT_EQ(SurfacePitch(lpPrimary), DisplayWidth * 2);
}

TEST_F(Gfx, FillsThatDoNotFitAreRefusedWhole) {
    DrawFill(lpBack, 0, 0, DisplayWidth, DisplayHeight, Marker);
    EXPECT_EQ(DrawFill(lpBack, 0, 0, DisplayWidth, DisplayHeight, 0), DrawOk);
    EXPECT_EQ(Snapshot(lpBack), std::vector<uint16_t>(DisplayWidth * DisplayHeight, 0));

    const auto before = Snapshot(lpBack);
    EXPECT_NE(DrawFill(lpBack, 600, 0, 41, 10, Marker), DrawOk);
    EXPECT_NE(DrawFill(lpBack, 0, 470, 10, 11, Marker), DrawOk);
    EXPECT_NE(DrawFill(lpBack, -1, 0, 10, 10, Marker), DrawOk);
    EXPECT_NE(DrawFill(lpBack, 0, 0, 0x7fffffff, 10, Marker), DrawOk);
    EXPECT_NE(DrawFill(lpBack, 10, 10, -5, 10, Marker), DrawOk);
    EXPECT_NE(DrawFill(nullptr, 0, 0, 1, 1, Marker), DrawOk);
    EXPECT_EQ(Snapshot(lpBack), before);
}

TEST_F(Gfx, CopiesNeverReachOutsideEitherSurface) {
    MakeSheet(64, 64);
    const auto before = Snapshot(lpBack);
    // Source rectangles leaving the sheet on each side.
    EXPECT_NE(DrawSprite(lpBack, 0, 0, 32, 32, sheet, 48, 0), DrawOk);
    EXPECT_NE(DrawSprite(lpBack, 0, 0, 32, 32, sheet, 0, 40), DrawOk);
    EXPECT_NE(DrawSprite(lpBack, 0, 0, 32, 32, sheet, -8, 0), DrawOk);
    EXPECT_NE(DrawCopy(lpBack, 0, 0, 32, 32, sheet, 0, -1), DrawOk);
    EXPECT_NE(DrawCopy(lpBack, 0, 0, 640, 480, sheet, 0, 0), DrawOk);
    EXPECT_NE(DrawCopy(lpBack, 0, 0, 32, 32, sheet, 0x7fffffff, 0), DrawOk);
    EXPECT_NE(DrawSprite(nullptr, 0, 0, 32, 32, sheet, 0, 0), DrawOk);
    EXPECT_NE(DrawSprite(lpBack, 0, 0, 32, 32, nullptr, 0, 0), DrawOk);
    EXPECT_EQ(Snapshot(lpBack), before);

    // A destination smaller than the screen is not written past its edge.
    Surface* small = nullptr;
    ASSERT_EQ(CreateImageSurface(&small, 16, 16), 1);
    EXPECT_NE(DrawCopy(small, 8, 8, 16, 16, sheet, 0, 0), DrawOk);
    EXPECT_EQ(Snapshot(small), std::vector<uint16_t>(16 * 16, 0));
    EXPECT_EQ(DrawCopy(small, 0, 0, 16, 16, sheet, 0, 0), DrawOk);
    EXPECT_EQ(SurfacePixel(small, 15, 15), Sheet(15, 15));
    ReleaseSurface(&small);

    // A surface copied onto itself reads as if before any of it was written.
    DrawCopy(lpBack, 0, 0, 64, 64, sheet, 0, 0);
    DrawCopy(lpBack, 1, 1, 63, 63, lpBack, 0, 0);
    EXPECT_EQ(SurfacePixel(lpBack, 1, 1), Sheet(0, 0));
    EXPECT_EQ(SurfacePixel(lpBack, 63, 63), Sheet(62, 62));
}

// Drawing is only done where a frame's ops differ from the last frame's. A
// frame drawn that way must equal the same frame drawn in full (a one-pixel
// copy within a surface makes the next one go in full), whatever changes
// from frame to frame: ops moved, added, dropped, sheets redrawn. And the
// rows said to be written cover every row that changed.
TEST_F(Gfx, FramesDrawnOnlyWhereTheyDifferEqualFramesDrawnInFull) {
    Surface* fullBack = nullptr;
    Surface* fullFront = nullptr;
    Surface* sheets[2] = {nullptr, nullptr};
    ASSERT_EQ(CreateImageSurface(&fullBack, DisplayWidth, DisplayHeight), 1);
    ASSERT_EQ(CreateImageSurface(&fullFront, DisplayWidth, DisplayHeight), 1);
    std::mt19937 rng(14);
    auto any = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    for (Surface*& s : sheets) {
        ASSERT_EQ(CreateImageSurface(&s, 96, 64), 1);
        Paint(s,
              [&](int, int) { return static_cast<uint16_t>(any(0, 3) == 0 ? 0 : any(1, 65535)); });
    }
    struct Op {
        int kind, x, y, w, h, sheet, sx, sy;
    };
    auto randomOp = [&] {
        return Op{any(0, 2),  any(-40, 660), any(-40, 500), any(1, 96),
                  any(1, 64), any(0, 1),     any(0, 40),    any(0, 30)};
    };
    std::vector<Op> ops(40);
    for (Op& op : ops) {
        op = randomOp();
    }
    ops[0] = {0, 0, 0, DisplayWidth, DisplayHeight, 0, 0, 0};  // the whole screen cleared
    auto draw = [&](Surface* back, Surface* front) {
        for (const Op& op : ops) {
            if (op.kind == 0) {
                DrawFill(back, std::max(op.x, 0), std::max(op.y, 0), op.w, op.h,
                         static_cast<uint16_t>(op.sx * 97 + op.sy));
            } else if (op.kind == 1) {
                DrawSprite(back, op.x, op.y, op.w, op.h, sheets[op.sheet], op.sx, op.sy);
            } else {
                DrawCopy(back, op.x, op.y, op.w, op.h, sheets[op.sheet], op.sx, op.sy);
            }
        }
        DrawCopy(front, 0, 0, DisplayWidth, DisplayHeight, back, 0, 0);
    };
    std::vector<uint16_t> before = Snapshot(lpPrimary);
    uint8_t rows[DisplayHeight];
    TakeRowsWritten(lpPrimary, rows);
    for (int frame = 0; frame < 60; ++frame) {
        const int change = any(0, 5);
        if (change == 1) {
            ops[static_cast<size_t>(any(1, 39))].x += any(-3, 3);
        } else if (change == 2) {
            ops.insert(ops.begin() + any(1, static_cast<int>(ops.size())), randomOp());
        } else if (change == 3 && ops.size() > 2) {
            ops.erase(ops.begin() + any(1, static_cast<int>(ops.size()) - 1));
        } else if (change == 4) {
            DrawFill(sheets[any(0, 1)], any(0, 95), any(0, 63), 1, 1,
                     static_cast<uint16_t>(any(0, 9)));
        } else if (change == 5) {
            ops[static_cast<size_t>(any(1, static_cast<int>(ops.size()) - 1))] = randomOp();
        }
        draw(lpBack, lpPrimary);
        DrawCopy(fullBack, 0, 0, 1, 1, fullBack, 0, 0);
        DrawCopy(fullFront, 0, 0, 1, 1, fullFront, 0, 0);
        draw(fullBack, fullFront);
        ASSERT_EQ(Snapshot(lpBack), Snapshot(fullBack)) << "frame " << frame;
        const std::vector<uint16_t> now = Snapshot(lpPrimary);
        ASSERT_EQ(now, Snapshot(fullFront)) << "frame " << frame;
        TakeRowsWritten(lpPrimary, rows);
        for (int y = 0; y < DisplayHeight; ++y) {
            const auto at = before.begin() + y * DisplayWidth;
            if (!std::equal(at, at + DisplayWidth, now.begin() + y * DisplayWidth)) {
                ASSERT_EQ(rows[y], 1) << "frame " << frame << " row " << y;
            }
        }
        if (change == 0) {
            EXPECT_EQ(std::count(rows, rows + DisplayHeight, 1), 0) << "frame " << frame;
        }
        before = now;
    }
    for (Surface** s : {&fullBack, &fullFront, &sheets[0], &sheets[1]}) {
        ReleaseSurface(s);
    }
}

TEST_F(Gfx, NewSurfacesAreBlackKeyedAndSensiblySized) {
    ASSERT_EQ(CreateImageSurface(&lpMain[3], 416, 416), 1);
    EXPECT_EQ(SurfaceWidth(lpMain[3]), 416);
    EXPECT_EQ(SurfaceHeight(lpMain[3]), 416);
    EXPECT_EQ(Snapshot(lpMain[3]), std::vector<uint16_t>(416 * 416, 0));
    EXPECT_EQ(MessagesSeen(), 0u);

    for (auto [w, h] : {std::pair{0, 10}, {10, -1}, {100000, 10}, {0x7fffffff, 0x7fffffff}}) {
        Surface* s = nullptr;
        EXPECT_EQ(CreateImageSurface(&s, w, h), 0) << w << " x " << h;
        EXPECT_EQ(s, nullptr);
    }
    ASSERT_EQ(MessagesSeen(), 4u);
    EXPECT_EQ(frames::All().messages[0], Box("CreateSurfaceErrer", " "));
}

TEST_F(Gfx, BitmapsLoadAtTheirOwnSizeUpright) {
    WriteBmp(dir / "dot.bmp", 1, 1, [](int, int) { return uint16_t{0xF81F}; });
    ASSERT_EQ(LoadBitmapSurface(&lpMain[0], (dir / "dot.bmp").c_str()), 1);
    EXPECT_EQ(SurfaceWidth(lpMain[0]), 1);
    EXPECT_EQ(SurfaceHeight(lpMain[0]), 1);
    EXPECT_EQ(SurfacePixel(lpMain[0], 0, 0), 0xF81F);

    // An ordinary bitmap under the sheets' own extension; rows come out top first.
    const Pattern rows = [](int x, int y) { return static_cast<uint16_t>(y == 0 ? 0 : x + y); };
    WriteBmp(dir / "System2.fcg", 416, 416, rows);
    ASSERT_EQ(LoadBitmapSurface(&lpMain[2], (dir / "System2.fcg").c_str()), 1);
    EXPECT_EQ(SurfaceWidth(lpMain[2]), 416);
    EXPECT_EQ(SurfaceHeight(lpMain[2]), 416);
    EXPECT_EQ(SurfacePixel(lpMain[2], 5, 0), 0);
    EXPECT_EQ(SurfacePixel(lpMain[2], 5, 415), 420);

    // Its black row is see-through, the rest is drawn.
    DrawFill(lpBack, 0, 0, DisplayWidth, DisplayHeight, Marker);
    DrawSprite(lpBack, 0, 0, 32, 32, lpMain[2], 0, 0);
    EXPECT_EQ(SurfacePixel(lpBack, 5, 0), Marker);
    EXPECT_EQ(SurfacePixel(lpBack, 5, 1), 6);
    EXPECT_EQ(MessagesSeen(), 0u);
}

TEST_F(Gfx, BrokenPictureFilesAreTurnedAway) {
    WriteBmp(dir / "good.bmp", 8, 8, Sheet);
    const std::string good = ReadText(dir / "good.bmp");

    std::string huge = good;  // claims 100000 x 100000 pixels
    huge[18] = huge[22] = '\xA0';
    huge[19] = huge[23] = '\x86';
    huge[20] = huge[24] = '\x01';
    std::string zeroWide = good;
    zeroWide[18] = zeroWide[19] = zeroWide[20] = zeroWide[21] = 0;
    const std::vector<std::string> broken = {
        "",   "BM",     good.substr(0, 30),        good.substr(0, good.size() / 2),
        huge, zeroWide, std::string(4096, '\xFF'), "not a picture at all"};
    for (size_t i = 0; i < broken.size(); ++i) {
        const fs::path path = dir / ("broken" + std::to_string(i) + ".bmp");
        WriteText(path, broken[i]);
        EXPECT_EQ(LoadBitmapSurface(&lpMain[1], path.c_str()), 0) << "file " << i;
        EXPECT_EQ(lpMain[1], nullptr);
    }
    EXPECT_EQ(LoadBitmapSurface(&lpMain[1], (dir / "missing.bmp").c_str()), 0);
    const auto& messages = frames::All().messages;
    ASSERT_EQ(messages.size(), broken.size() + 1);
    for (const auto& m : messages) {
        EXPECT_EQ(m, Box("BmpFileErrer", " "));
    }
    // ReloadBitmap says nothing and leaves the surface as it was.
    ASSERT_EQ(CreateImageSurface(&lpMain[1], 8, 8), 1);
    EXPECT_EQ(ReloadBitmap(lpMain[1], (dir / "broken4.bmp").c_str()), 0);
    EXPECT_EQ(ReloadBitmap(lpMain[1], (dir / "missing.bmp").c_str()), 0);
    EXPECT_EQ(ReloadBitmap(nullptr, (dir / "good.bmp").c_str()), 0);
    EXPECT_EQ(messages.size(), broken.size() + 1);
}

TEST_F(Gfx, PicturesReadAsSdlReadThem) {
    const BmpKind kinds[] = {
        {40, 24},
        {40, 32},
        {40, 16},
        {40, 16, 3, {0xF800, 0x07E0, 0x001F}},
        {40, 16, 3, {0x7C00, 0x03E0, 0x001F}},
        {56, 16, 3, {0x7C00, 0x03E0, 0x001F, 0x8000}},
        {40, 32, 3, {0xFF0000, 0xFF00, 0xFF}},
        {124, 32, 3, {0xFF0000, 0xFF00, 0xFF, 0xFF000000}},
        {108, 24},
        {40, 8},
        {40, 8, 0, {}, 7},
        {40, 4},
        {40, 1},
        {12, 24},
        {12, 8},
        {12, 1},
    };
    std::mt19937 random(24);
    int n = 0;
    for (const BmpKind& kind : kinds) {
        for (const auto& [w, h] : {std::pair{1, 1}, {5, 3}, {13, -4}, {33, 2}}) {
            if (kind.info == 12 && h < 0) {
                continue;  // the old header has no rows stored top first
            }
            const fs::path path = dir / ("kind" + std::to_string(n++) + ".bmp");
            WriteBytes(path, RandomBmp(kind, w, h, random));
            const std::vector<uint16_t> sdl = ReadSdlPicture(path).px;
            ASSERT_FALSE(sdl.empty()) << path;
            ASSERT_EQ(LoadBitmapSurface(&lpMain[0], path.c_str()), 1) << path;
            EXPECT_EQ(Snapshot(lpMain[0]), sdl) << path;
        }
    }
    // The examples the fuzzer starts from: the same pixels, or refused where
    // they are run-length coded (no picture of ours is).
    for (const auto& entry :
         fs::directory_iterator(TESSALUNE_SOURCE_DIR "/fuzz/corpus/fuzz_bitmap")) {
        const bool loaded = LoadBitmapSurface(&lpMain[1], entry.path().c_str()) == 1;
        const std::string name = entry.path().filename();
        if (loaded) {
            EXPECT_EQ(Snapshot(lpMain[1]), ReadSdlPicture(entry.path()).px) << name;
        } else {
            EXPECT_EQ(name.rfind("rle", 0), 0u) << name;
        }
    }
}

TEST_F(Gfx, RestoreReloadsOnlyWhatWasLost) {
    const fs::path path = dir / "Bg.bmp";
    WriteBmp(path, 4, 4, [](int x, int) { return static_cast<uint16_t>(x); });
    ASSERT_EQ(LoadBitmapSurface(&lpMain[3], path.c_str()), 1);

    // Not lost: a restore with a path leaves the pixels as they are.
    DrawFill(lpMain[3], 0, 0, 4, 4, 7);
    RestoreSurface(lpMain[3], path.c_str());
    RestoreSurface(nullptr, path.c_str());
    EXPECT_FALSE(IsLost(lpMain[3]));
    EXPECT_EQ(SurfacePixel(lpMain[3], 0, 0), 7);

    CheckDisplayReset();  // no reset reported: nothing lost
    EXPECT_FALSE(IsLost(lpMain[3]));
    script::TriggerDisplayReset();
    CheckDisplayReset();
    EXPECT_TRUE(IsLost(lpMain[3]));
    EXPECT_TRUE(IsLost(lpBack));
    EXPECT_TRUE(IsLost(lpPrimary));
    EXPECT_FALSE(IsLost(nullptr));
    EXPECT_EQ(DrawSprite(lpBack, 0, 0, 4, 4, lpMain[3], 0, 0), DrawSurfaceLost);

    RestoreSurface(lpBack, nullptr);
    RestoreSurface(lpPrimary, nullptr);
    RestoreSurface(lpMain[3], path.c_str());
    EXPECT_FALSE(IsLost(lpBack));
    EXPECT_FALSE(IsLost(lpMain[3]));
    EXPECT_EQ(SurfacePixel(lpMain[3], 0, 0), 0);
    EXPECT_EQ(SurfacePixel(lpMain[3], 3, 3), 3);

    // The reload is keyed again: its black column lets the back buffer through.
    DrawFill(lpBack, 0, 0, 4, 1, Marker);
    DrawSprite(lpBack, 0, 0, 4, 1, lpMain[3], 0, 0);
    EXPECT_EQ(SurfacePixel(lpBack, 0, 0), Marker);
    EXPECT_EQ(SurfacePixel(lpBack, 1, 0), 1);

    // A smaller picture over a larger surface: the rest keeps what it held.
    ASSERT_EQ(CreateImageSurface(&lpMain[1], 8, 8), 1);
    DrawFill(lpMain[1], 0, 0, 8, 8, 9);
    EXPECT_EQ(ReloadBitmap(lpMain[1], path.c_str()), 1);
    EXPECT_EQ(SurfacePixel(lpMain[1], 3, 3), 3);
    EXPECT_EQ(SurfacePixel(lpMain[1], 4, 3), 9);
    EXPECT_EQ(SurfacePixel(lpMain[1], 3, 4), 9);
    EXPECT_EQ(MessagesSeen(), 0u);
}

TEST_F(Gfx, ReleaseWarnsOnceAboutAForgottenSurface) {
    const Box leak("開放漏れがあります", "DirectDraw");
    Surface* forgotten = nullptr;
    ASSERT_EQ(CreateImageSurface(&forgotten, 32, 32), 1);
    ReleaseSurface(&lpBack);
    ReleaseDisplay();
    ASSERT_EQ(MessagesSeen(), 1u);
    EXPECT_EQ(frames::All().messages[0], leak);
    // Shown on its own, the window being on its way out, with the error icon.
    const frames::BoxStyle leakStyle{false, true};
    EXPECT_EQ(frames::All().boxStyles[0], leakStyle);
    EXPECT_EQ(lpPrimary, nullptr);
    EXPECT_FALSE(script::DisplayIsOpen()) << "the screen is given back all the same";
    ReleaseDisplay();
    ReleaseSurface(&forgotten);
    ReleaseSurface(&forgotten);
    EXPECT_EQ(MessagesSeen(), 1u);

    // With everything released, and after a start twice over, no warning.
    ASSERT_EQ(InitDisplay(), 0);
    ASSERT_EQ(InitDisplay(), 0);
    ReleaseSurface(&lpBack);
    ReleaseDisplay();
    EXPECT_EQ(MessagesSeen(), 1u);

    // The back buffer left alive is a leak too.
    ASSERT_EQ(InitDisplay(), 0);
    ReleaseDisplay();
    EXPECT_EQ(MessagesSeen(), 2u);
    EXPECT_EQ(frames::All().messages[1], leak);
    ReleaseSurface(&lpBack);

    // No display: nothing created, nothing to warn about, no surfaces.
    script::InjectedFaults().displayFails = true;
    EXPECT_EQ(InitDisplay(), 1);
    EXPECT_EQ(lpPrimary, nullptr);
    EXPECT_EQ(lpBack, nullptr);
    ReleaseDisplay();
    EXPECT_EQ(MessagesSeen(), 2u);
    EXPECT_EQ(CreateImageSurface(&lpMain[0], 32, 32), 0);
    EXPECT_EQ(frames::All().messages.back().first, "CreateSurfaceErrer");
    // A start-up message belongs to the window and carries no icon.
    const frames::BoxStyle plain{true, false};
    EXPECT_EQ(frames::All().boxStyles.back(), plain);
    EXPECT_EQ(frames::All().boxStyles.size(), MessagesSeen());
}

TEST_F(Gfx, ScreenshotsAreTrue24BitPictures) {
    MakeSheet(64, 32);
    DrawCopy(lpBack, 0, 0, 64, 32, sheet, 0, 0);
    DrawFill(lpBack, 0, 0, 1, 1, 0xFFFF);
    const fs::path shot = dir / "shot.bmp";
    ASSERT_TRUE(SaveSurfaceBmp(lpBack, shot.c_str()));
    EXPECT_FALSE(fs::exists(dir / "shot.bmp.tmp"));

    const SdlPicture raw = ReadSdlPicture(shot);
    ASSERT_FALSE(raw.px.empty());
    EXPECT_EQ(raw.bits, 24);
    EXPECT_EQ(raw.w, DisplayWidth);
    ASSERT_EQ(LoadBitmapSurface(&lpMain[0], shot.c_str()), 1);
    EXPECT_EQ(Snapshot(lpMain[0]), Snapshot(lpBack));

    EXPECT_FALSE(SaveSurfaceBmp(lpBack, (dir / "no" / "such" / "dir.bmp").c_str()));
    EXPECT_FALSE(SaveSurfaceBmp(nullptr, shot.c_str()));
}

}  // namespace
