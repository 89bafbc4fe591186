// The game's own content as the generator lays it out: the same bytes on every
// run, files refreshed or seeded as they should be, and pictures, sounds,
// music and stages in the shapes the game reads.
#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "support/bytes.h"
#include "support/child.h"
#include "support/picture.h"
#include "support/scratch.h"

namespace fs = std::filesystem;

namespace {

const char* const PictureFiles[] = {"System/mojicord.bmp", "Fcg/System1.fcg", "Fcg/System2.fcg",
                                    "Fcg/Bg.bmp"};
const char* const WaveFiles[] = {"Wave/SelectMove.wav", "Wave/SelectCheck.wav",
                                 "Wave/SelectCancel.wav", "Wave/Hit.wav"};
const char* const MusicFiles[] = {"Mid/System.mid", "Mid/Bgm1.mid", "Mid/Bgm2.mid",
                                  "Mid/Bgm3.mid",   "Mid/Bgm4.mid", "Mid/Bgm5.mid"};

// Runs the generator with `args`; its exit status.
int RunGenerator(const std::string& args) {
    return RunCommand(std::string("'") + TESSALUNE_GEN + "' " + args + " >/dev/null 2>&1");
}

std::map<std::string, Bytes> Tree(const fs::path& root) {
    std::map<std::string, Bytes> files;
    for (const auto& e : fs::recursive_directory_iterator(root)) {
        if (e.is_regular_file()) {
            files[fs::relative(e.path(), root).string()] = ReadBytes(e.path());
        }
    }
    return files;
}

// ---- the generator's runs ---------------------------------------------------------

TEST(ContentGenerator, TwoRunsGiveTheSameBytesAndTheFullDirectory) {
    ScratchDir a("content"), b("content");
    ASSERT_EQ(RunGenerator("--out '" + a.path().string() + "' --seed-data"), 0);
    ASSERT_EQ(RunGenerator("--out '" + b.path().string() + "' --seed-data"), 0);
    auto ta = Tree(a.path()), tb = Tree(b.path());
    std::set<std::string> expected(std::begin(PictureFiles), std::end(PictureFiles));
    expected.insert(std::begin(WaveFiles), std::end(WaveFiles));
    expected.insert(std::begin(MusicFiles), std::end(MusicFiles));
    for (int i = 1; i <= 10; ++i)
        expected.insert("Data/Map" + std::to_string(i));
    expected.insert("Data/BestScore");
    std::set<std::string> got;
    for (const auto& [name, bytes] : ta)
        got.insert(name);
    EXPECT_EQ(got, expected);  // no stray temporary files either
    EXPECT_TRUE(ta == tb);
    // And the build's own game directory holds those very bytes.
    for (const auto& [name, bytes] : ta) {
        if (name.rfind("Data/", 0) != 0) {
            EXPECT_EQ(ReadBytes(fs::path(TESSALUNE_GAMEDIR) / name), bytes) << name;
        }
    }
}

TEST(ContentGenerator, RefreshesPicturesAndSoundsButKeepsThePlayersData) {
    ScratchDir d("content");
    const fs::path root = d.path();
    ASSERT_EQ(RunGenerator("--out '" + root.string() + "' --seed-data"), 0);
    const Bytes sheet = ReadBytes(root / "Fcg/System1.fcg");
    const auto sheetTime = fs::last_write_time(root / "Fcg/System1.fcg");
    const auto musicTime = fs::last_write_time(root / "Mid/Bgm3.mid");

    // A player's edited stage and scores, a damaged sheet and a lost stage.
    Bytes edited(312, 0);
    edited[24] = 1;
    WriteBytes(root / "Data/Map3", edited);
    Bytes scores(40, 0);
    scores[0] = 0xD2;
    scores[1] = 0x04;
    WriteBytes(root / "Data/BestScore", scores);
    WriteBytes(root / "Fcg/System2.fcg", Bytes{'B', 'M'});
    fs::remove(root / "Data/Map7");
    const Bytes map7 = [&] {
        ScratchDir fresh("content");
        RunGenerator("--out '" + fresh.path().string() + "' --seed-data");
        return ReadBytes(fresh.path() / "Data/Map7");
    }();

    ASSERT_EQ(RunGenerator("--out '" + root.string() + "' --seed-data"), 0);
    EXPECT_EQ(ReadBytes(root / "Data/Map3"), edited);
    EXPECT_EQ(ReadBytes(root / "Data/BestScore"), scores);
    EXPECT_EQ(ReadBytes(root / "Data/Map7"), map7);
    EXPECT_EQ(ReadBytes(root / "Fcg/System2.fcg").size(), 320u * 480u * 3u + 54u);
    // Files whose bytes were right are not rewritten: their times stand still.
    EXPECT_EQ(ReadBytes(root / "Fcg/System1.fcg"), sheet);
    EXPECT_EQ(fs::last_write_time(root / "Fcg/System1.fcg"), sheetTime);
    EXPECT_EQ(fs::last_write_time(root / "Mid/Bgm3.mid"), musicTime);
}

TEST(ContentGenerator, LeavesDataAloneWithoutSeedingAndRefusesBadCommandLines) {
    ScratchDir d("content");
    ASSERT_EQ(RunGenerator("--out '" + d.path().string() + "'"), 0);
    EXPECT_FALSE(fs::exists(d.path() / "Data"));
    EXPECT_TRUE(fs::exists(d.path() / "Fcg/Bg.bmp"));

    EXPECT_NE(RunGenerator(""), 0);
    EXPECT_NE(RunGenerator("--out"), 0);
    EXPECT_NE(RunGenerator("--seed-data"), 0);
    EXPECT_NE(RunGenerator("--out '" + d.path().string() + "' --bogus"), 0);
    // A file where a directory should be, and a directory where a file should be.
    WriteBytes(d.path() / "plain", Bytes{1});
    EXPECT_NE(RunGenerator("--out '" + (d.path() / "plain").string() + "'"), 0);
    fs::remove(d.path() / "Wave/Hit.wav");
    fs::create_directory(d.path() / "Wave/Hit.wav");
    EXPECT_NE(RunGenerator("--out '" + d.path().string() + "'"), 0);
    // Everything else is still brought up to date.
    EXPECT_TRUE(fs::exists(d.path() / "Mid/Bgm5.mid"));
}

TEST(ContentGenerator, DrawsThePreviewsAsPictures) {
    ScratchDir d("content");
    const fs::path sheet = d.path() / "contact.png", mock = d.path() / "mock.png",
                   icon = d.path() / "icon.bmp";
    ASSERT_EQ(RunGenerator("--contact-sheet '" + sheet.string() + "' --mockup '" + mock.string() +
                           "' --icon '" + icon.string() + "'"),
              0);
    Bytes png = ReadBytes(mock);
    ASSERT_GT(png.size(), 33u);
    EXPECT_EQ(std::string(png.begin() + 1, png.begin() + 4), "PNG");
    EXPECT_EQ(Be32(png, 16), 640u);
    EXPECT_EQ(Be32(png, 20), 480u);
    // Every chunk carries a correct checksum, and the image data inflates
    // (stored blocks) to exactly one filter byte and 640 RGB pixels per row.
    auto crc = [](const uint8_t* p, size_t n) {
        uint32_t c = 0xFFFFFFFFu;
        for (size_t i = 0; i < n; ++i) {
            c ^= p[i];
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        }
        return ~c;
    };
    Bytes zdata;
    bool sawEnd = false;
    for (size_t at = 8; at + 12 <= png.size();) {
        uint32_t len = Be32(png, at);
        ASSERT_LE(at + 12 + len, png.size());
        std::string type(png.begin() + static_cast<long>(at) + 4,
                         png.begin() + static_cast<long>(at) + 8);
        EXPECT_EQ(Be32(png, at + 8 + len), crc(png.data() + at + 4, len + 4)) << type;
        if (type == "IDAT")
            zdata.insert(zdata.end(), png.begin() + static_cast<long>(at) + 8,
                         png.begin() + static_cast<long>(at + 8 + len));
        sawEnd = sawEnd || type == "IEND";
        at += 12 + len;
    }
    EXPECT_TRUE(sawEnd);
    size_t raw = 0;
    for (size_t at = 2; at + 5 <= zdata.size();) {
        uint16_t n = Le16(zdata, at + 1);
        EXPECT_EQ(static_cast<uint16_t>(~n), Le16(zdata, at + 3));
        raw += n;
        bool last = zdata[at] & 1;
        at += 5 + n;
        if (last)
            break;
    }
    EXPECT_EQ(raw, 480u * (1 + 640 * 3));
    EXPECT_GT(ReadBytes(sheet).size(), 1000u);
    const SdlPicture square = ReadSdlPicture(icon);
    ASSERT_GT(square.w, 0);
    EXPECT_EQ(square.w, square.h);
}

// ---- pictures ------------------------------------------------------------------

// A sheet as the game holds it: RGB565, where pixel value 0 is see-through.
class Sheet : public SdlPicture {
  public:
    explicit Sheet(const char* rel)
        : SdlPicture(ReadSdlPicture(std::string(TESSALUNE_GAMEDIR) + "/" + rel)) {}
    bool loaded() const { return w > 0; }
    uint16_t at(int x, int y) const { return px[static_cast<size_t>(y) * w + x]; }
    bool holds(int x, int y, int rw, int rh) const {
        return x >= 0 && y >= 0 && rw > 0 && rh > 0 && x + rw <= w && y + rh <= h;
    }
    int opaque(int x, int y, int rw, int rh) const {
        int n = 0;
        for (int j = y; j < y + rh; ++j)
            for (int i = x; i < x + rw; ++i)
                n += at(i, j) != 0;
        return n;
    }
    bool same(int ax, int ay, int bx, int by, int rw, int rh) const {
        for (int j = 0; j < rh; ++j)
            for (int i = 0; i < rw; ++i)
                if (at(ax + i, ay + j) != at(bx + i, by + j))
                    return false;
        return true;
    }
    // Average brightness of the rectangle's colours (0..255 scale), for telling looks apart.
    void mean(int x, int y, int rw, int rh, double out[3]) const {
        out[0] = out[1] = out[2] = 0;
        for (int j = y; j < y + rh; ++j)
            for (int i = x; i < x + rw; ++i) {
                uint16_t p = at(i, j);
                out[0] += ((p >> 11) & 31) * 255.0 / 31;
                out[1] += ((p >> 5) & 63) * 255.0 / 63;
                out[2] += (p & 31) * 255.0 / 31;
            }
        for (int k = 0; k < 3; ++k)
            out[k] /= rw * rh;
    }
};

struct Rect {
    int x, y, w, h;
};

TEST(ContentPictures, EverySheetLoadsAtItsSizeAndHoldsEveryRectangleTheScenesCopy) {
    Sheet font("System/mojicord.bmp"), s1("Fcg/System1.fcg"), s2("Fcg/System2.fcg"),
        bg("Fcg/Bg.bmp");
    ASSERT_TRUE(font.loaded() && s1.loaded() && s2.loaded() && bg.loaded()) << SDL_GetError();
    EXPECT_GT(font.opaque(0, 0, font.w, font.h), 0);
    EXPECT_EQ(s1.w, 384);
    EXPECT_EQ(s1.h, 480);
    EXPECT_GE(s2.w, 320);
    EXPECT_GE(s2.h, 480);
    EXPECT_EQ(bg.w, 416);
    EXPECT_EQ(bg.h, 416);

    std::vector<Rect> one = {
        {0, 96, 384, 96}, {0, 192, 384, 96}, {0, 288, 320, 192}, {320, 416, 64, 64}};
    for (int n = 1; n <= 4; ++n)
        one.push_back({96 * (n - 1), 0, 96, 96});
    std::vector<Rect> two = {{0, 0, 192, 480},  {0, 0, 32, 480},    {0, 0, 32, 32},
                             {32, 96, 128, 32}, {32, 128, 128, 32}, {192, 0, 32, 32},
                             {192, 32, 96, 32}};
    for (int s = 0; s < 5; ++s) {
        for (int x : {192, 224, 256})
            two.push_back({x, 160 + 32 * s, 32, 32});
    }
    for (int d = 0; d < 10; ++d)
        two.push_back({288, 32 * d, 32, 32});
    for (const Rect& r : one)
        EXPECT_TRUE(s1.holds(r.x, r.y, r.w, r.h)) << r.x << "," << r.y;
    for (const Rect& r : two)
        EXPECT_TRUE(s2.holds(r.x, r.y, r.w, r.h)) << r.x << "," << r.y;
    EXPECT_TRUE(bg.holds(0, 0, 416, 416));
}

TEST(ContentPictures, SeeThroughOnlyWhereTheGameMeansIt) {
    Sheet s1("Fcg/System1.fcg"), s2("Fcg/System2.fcg"), bg("Fcg/Bg.bmp");
    ASSERT_TRUE(s1.loaded() && s2.loaded() && bg.loaded());
    // Backgrounds and plates are solid: a hole would show the black beneath.
    EXPECT_EQ(bg.opaque(0, 0, 416, 416), 416 * 416);
    EXPECT_EQ(s2.opaque(0, 0, 192, 480), 192 * 480);
    EXPECT_EQ(s1.opaque(0, 0, 384, 288), 384 * 288);  // moon windows, logo, banner
    for (int s = 0; s < 5; ++s)
        EXPECT_EQ(s2.opaque(192, 160 + 32 * s, 32, 32), 32 * 32) << s;
    // The digits are drawn over the score backing: their ground must be see-through.
    for (int d = 0; d < 10; ++d) {
        int n = s2.opaque(288, 32 * d, 32, 32);
        EXPECT_GT(n, 60) << d;
        EXPECT_LT(n, 32 * 32 / 2) << d;
        EXPECT_EQ(s2.at(288, 32 * d), 0) << d;
        for (int e = 0; e < d; ++e)
            EXPECT_FALSE(s2.same(288, 32 * d, 288, 32 * e, 32, 32)) << d << e;
    }
    // The ball is round: solid in the middle, see-through in the corners.
    EXPECT_NE(s2.at(208, 16), 0);
    EXPECT_EQ(s2.at(192, 0), 0);
    EXPECT_EQ(s2.at(223, 31), 0);
    // The paddle's top edge is where the ball turns, so the picture starts there.
    EXPECT_GT(s2.opaque(192 + 20, 32, 56, 1), 50);
    // Falling pieces show something; the second look is lighter than the brick.
    for (int s = 0; s < 5; ++s) {
        EXPECT_GT(s2.opaque(224, 160 + 32 * s, 32, 32), 500) << s;
        EXPECT_GT(s2.opaque(256, 160 + 32 * s, 32, 32), 100) << s;
        EXPECT_LT(s2.opaque(256, 160 + 32 * s, 32, 32), 32 * 32) << s;
    }
}

TEST(ContentPictures, NoIntendedColourVanishesInSixteenBits) {
    // A dark tone meant to be seen must not truncate to pixel value 0: in the
    // files, every pixel the game will skip is pure black.
    for (const char* f : PictureFiles) {
        SCOPED_TRACE(f);
        SDL_Surface* raw = SDL_LoadBMP((std::string(TESSALUNE_GAMEDIR) + "/" + f).c_str());
        ASSERT_NE(raw, nullptr) << SDL_GetError();
        SDL_Surface* rgb = SDL_ConvertSurfaceFormat(raw, SDL_PIXELFORMAT_RGB24, 0);
        SDL_FreeSurface(raw);
        ASSERT_NE(rgb, nullptr);
        int vanishing = 0;
        for (int y = 0; y < rgb->h; ++y) {
            const uint8_t* row = static_cast<const uint8_t*>(rgb->pixels) + y * rgb->pitch;
            for (int x = 0; x < rgb->w; ++x) {
                const uint8_t r = row[3 * x], g = row[3 * x + 1], b = row[3 * x + 2];
                bool black = r == 0 && g == 0 && b == 0;
                vanishing += !black && r < 8 && g < 4 && b < 8;
            }
        }
        EXPECT_EQ(vanishing, 0);
        SDL_FreeSurface(rgb);
    }
}

TEST(ContentPictures, WallsTileAndLooksDiffer) {
    Sheet s1("Fcg/System1.fcg"), s2("Fcg/System2.fcg");
    ASSERT_TRUE(s1.loaded() && s2.loaded());
    // The left wall is the panel's left column: it must be the wall tile, repeated,
    // and so must the top and bottom rows that meet the top and bottom walls.
    for (int y = 32; y < 480; y += 32)
        EXPECT_TRUE(s2.same(0, 0, 0, y, 32, 32)) << y;
    for (int x = 32; x < 192; x += 32) {
        EXPECT_TRUE(s2.same(0, 0, x, 0, 32, 32)) << x;
        EXPECT_TRUE(s2.same(0, 0, x, 448, 32, 32)) << x;
    }
    // Seamless: across each edge of the tile the colours change no more than
    // they do between neighbouring pixels inside it.
    auto step = [&](int ax, int ay, int bx, int by) {
        uint16_t a = s2.at(ax, ay), b = s2.at(bx, by);
        return std::abs(((a >> 11) & 31) - ((b >> 11) & 31)) +
               std::abs(((a >> 5) & 63) / 2 - ((b >> 5) & 63) / 2) + std::abs((a & 31) - (b & 31));
    };
    long inside = 0, across = 0;
    for (int j = 0; j < 32; ++j) {
        for (int i = 1; i < 31; ++i)
            inside += step(i, j, i + 1, j);
        across += step(31, j, 0, j) + step(j, 31, j, 0);
    }
    EXPECT_LE(across / 64.0, 2.0 * inside / (30.0 * 32.0) + 2);

    // Five brick sets that look clearly different from each other.
    double m[5][3];
    for (int s = 0; s < 5; ++s)
        s2.mean(192, 160 + 32 * s, 32, 32, m[s]);
    for (int a = 0; a < 5; ++a) {
        for (int b = 0; b < a; ++b) {
            double d = std::abs(m[a][0] - m[b][0]) + std::abs(m[a][1] - m[b][1]) +
                       std::abs(m[a][2] - m[b][2]);
            EXPECT_GT(d, 40) << a << " " << b;
        }
    }
    // The four frames of the panel picture all differ.
    for (int a = 0; a < 4; ++a)
        for (int b = 0; b < a; ++b)
            EXPECT_FALSE(s1.same(96 * a, 0, 96 * b, 0, 96, 96)) << a << b;
}

// ---- sounds ------------------------------------------------------------------

struct Wave {
    bool ok = false;
    uint16_t tag = 0, channels = 0, bits = 0;
    uint32_t rate = 0, fmtSize = 0;
    std::vector<int16_t> samples;
};

Wave ParseWave(const Bytes& b) {
    Wave w;
    if (b.size() < 12 || std::string(b.begin(), b.begin() + 4) != "RIFF" ||
        std::string(b.begin() + 8, b.begin() + 12) != "WAVE" || Le32(b, 4) + 8 != b.size()) {
        return w;
    }
    bool fmt = false;
    for (size_t at = 12; at + 8 <= b.size();) {
        std::string id(b.begin() + static_cast<long>(at), b.begin() + static_cast<long>(at) + 4);
        uint32_t size = Le32(b, at + 4);
        if (at + 8 + size > b.size())
            return w;
        if (id == "fmt ") {
            w.fmtSize = size;
            w.tag = Le16(b, at + 8);
            w.channels = Le16(b, at + 10);
            w.rate = Le32(b, at + 12);
            w.bits = Le16(b, at + 22);
            fmt = true;
        } else if (id == "data") {
            if (!fmt)
                return w;  // the game's loader looks for data only after fmt
            for (uint32_t i = 0; i + 1 < size; i += 2)
                w.samples.push_back(static_cast<int16_t>(Le16(b, at + 8 + i)));
            w.ok = true;
        }
        at += 8 + size + (size & 1);
    }
    return w;
}

TEST(ContentSounds, EveryWaveIsPlainPcmThatStartsAndEndsQuietly) {
    for (const char* f : WaveFiles) {
        SCOPED_TRACE(f);
        Wave w = ParseWave(ReadBytes(fs::path(TESSALUNE_GAMEDIR) / f));
        ASSERT_TRUE(w.ok);
        EXPECT_EQ(w.fmtSize, 16u);
        EXPECT_EQ(w.tag, 1);
        EXPECT_EQ(w.bits, 16);
        EXPECT_EQ(w.rate, 44100u);
        EXPECT_GE(w.channels, 1);
        ASSERT_GT(w.samples.size(), 100u);
        int peak = 0;
        for (int16_t s : w.samples)
            peak = std::max(peak, std::abs(static_cast<int>(s)));
        EXPECT_GT(peak, 3000);   // audible
        EXPECT_LT(peak, 32000);  // never clipped
        // No click at either end.
        EXPECT_LT(std::abs(w.samples.front()), 200);
        EXPECT_LT(std::abs(w.samples.back()), 200);
    }
    Wave hit = ParseWave(ReadBytes(fs::path(TESSALUNE_GAMEDIR) / "Wave/Hit.wav"));
    ASSERT_TRUE(hit.ok);
    EXPECT_LT(hit.samples.size() / hit.channels, 44100u / 10);  // under 100 ms
    Wave tick = ParseWave(ReadBytes(fs::path(TESSALUNE_GAMEDIR) / "Wave/SelectMove.wav"));
    EXPECT_LT(tick.samples.size() / std::max<uint16_t>(1, tick.channels), 44100u / 10);
}

// ---- music -------------------------------------------------------------------

struct Midi {
    bool ok = false;
    int format = -1, tracks = 0, ppq = 0;
    double seconds = 0;
    std::set<uint32_t> trackEnds;
    int hangingNotes = 0;  // note-ons never switched off before the end
    std::set<int> channelsWithNotes;
    std::set<int> programs;
    int drumNotes = 0;
    int notes = 0;
};

Midi ParseMidi(const Bytes& b) {
    Midi m;
    if (b.size() < 14 || std::string(b.begin(), b.begin() + 4) != "MThd" || Be32(b, 4) != 6)
        return m;
    m.format = (b[8] << 8) | b[9];
    int declared = (b[10] << 8) | b[11];
    m.ppq = (b[12] << 8) | b[13];
    if (m.ppq <= 0 || (m.ppq & 0x8000))
        return m;
    std::vector<std::pair<uint32_t, uint32_t>> tempos;  // tick, microseconds per beat
    size_t at = 14;
    uint32_t lastTick = 0;
    while (at + 8 <= b.size()) {
        if (std::string(b.begin() + static_cast<long>(at), b.begin() + static_cast<long>(at) + 4) !=
            "MTrk")
            return m;
        size_t end = at + 8 + Be32(b, at + 4);
        if (end > b.size())
            return m;
        size_t p = at + 8;
        uint32_t tick = 0;
        uint8_t status = 0;
        std::map<int, int> open;  // channel * 128 + key -> count
        bool ended = false;
        auto varlen = [&](uint32_t& v) {
            v = 0;
            for (int i = 0; i < 4 && p < end; ++i) {
                uint8_t c = b[p++];
                v = (v << 7) | (c & 0x7F);
                if (!(c & 0x80))
                    return true;
            }
            return false;
        };
        while (p < end && !ended) {
            uint32_t delta;
            if (!varlen(delta))
                return m;
            tick += delta;
            uint8_t c = b[p];
            if (c & 0x80) {
                status = c;
                ++p;
            } else if (status == 0) {
                return m;
            }
            if (status == 0xFF) {
                uint8_t type = b[p++];
                uint32_t len;
                if (!varlen(len) || p + len > end)
                    return m;
                if (type == 0x51 && len == 3)
                    tempos.push_back({tick, (b[p] << 16) | (b[p + 1] << 8) | b[p + 2]});
                if (type == 0x2F)
                    ended = true;
                p += len;
                status = 0;
            } else if (status == 0xF0 || status == 0xF7) {
                uint32_t len;
                if (!varlen(len))
                    return m;
                p += len;
                status = 0;
            } else {
                int kind = status & 0xF0, ch = status & 0x0F;
                int n = (kind == 0xC0 || kind == 0xD0) ? 1 : 2;
                if (p + n > end)
                    return m;
                int d1 = b[p], d2 = n > 1 ? b[p + 1] : 0;
                p += n;
                if (kind == 0x90 && d2 > 0) {
                    ++open[ch * 128 + d1];
                    m.channelsWithNotes.insert(ch);
                    ++m.notes;
                    if (ch == 9)
                        ++m.drumNotes;
                } else if (kind == 0x80 || (kind == 0x90 && d2 == 0)) {
                    if (open[ch * 128 + d1] > 0)
                        --open[ch * 128 + d1];
                } else if (kind == 0xC0) {
                    m.programs.insert(d1);
                }
            }
        }
        if (!ended)
            return m;
        for (const auto& [key, count] : open)
            m.hangingNotes += count;
        m.trackEnds.insert(tick);
        lastTick = std::max(lastTick, tick);
        ++m.tracks;
        at = end;
    }
    if (m.tracks != declared)
        return m;
    // Seconds up to the last track's end, through the tempo map.
    std::sort(tempos.begin(), tempos.end());
    uint32_t usPerBeat = 500000, from = 0;
    double us = 0;
    for (const auto& [t, tempo] : tempos) {
        if (t > lastTick)
            break;
        us += static_cast<double>(t - from) * usPerBeat / m.ppq;
        from = t;
        usPerBeat = tempo;
    }
    us += static_cast<double>(lastTick - from) * usPerBeat / m.ppq;
    m.seconds = us / 1e6;
    m.ok = true;
    return m;
}

TEST(ContentMusic, EveryPieceIsAWholeLoopOfRealMusic) {
    // Kept as strings: GCC 12 warns falsely (stringop-overread) inside the
    // library's vector ordering.
    std::set<std::string> seen;
    for (const char* f : MusicFiles) {
        SCOPED_TRACE(f);
        Bytes bytes = ReadBytes(fs::path(TESSALUNE_GAMEDIR) / f);
        Midi m = ParseMidi(bytes);
        ASSERT_TRUE(m.ok);
        EXPECT_EQ(m.format, 1);
        EXPECT_GE(m.seconds, 40.0);
        EXPECT_LE(m.seconds, 120.0);
        // Every track stops on the same tick and leaves no note sounding, so the
        // piece runs straight back into its beginning.
        EXPECT_EQ(m.trackEnds.size(), 1u);
        EXPECT_EQ(m.hangingNotes, 0);
        // Drums on channel 10 and at least a bass, a harmony and a melody besides.
        EXPECT_GT(m.drumNotes, 50);
        EXPECT_GE(m.channelsWithNotes.size(), 4u);
        EXPECT_GE(m.programs.size(), 3u);
        EXPECT_GT(m.notes, 300);
        EXPECT_TRUE(seen.insert(std::string(bytes.begin(), bytes.end())).second);
    }
}

// ---- stages and scores ----------------------------------------------------------

TEST(ContentData, TenStagesRisingInDifficultyAndAScoreTableToBeat) {
    // From a fresh run: the build's own Data/ may hold a developer's edits.
    ScratchDir d("content");
    ASSERT_EQ(RunGenerator("--out '" + d.path().string() + "' --seed-data"), 0);
    std::set<std::string> shapes;  // strings, for the same GCC 12 warning as above
    int lastWeight = 0;
    for (int i = 1; i <= 10; ++i) {
        SCOPED_TRACE(i);
        Bytes b = ReadBytes(d.path() / ("Data/Map" + std::to_string(i)));
        ASSERT_EQ(b.size(), 312u);
        int bricks = 0;
        for (size_t c = 0; c < 78; ++c) {
            uint32_t v = Le32(b, c * 4);
            EXPECT_TRUE(v == 0 || v == 1) << c;
            bricks += static_cast<int>(v);
        }
        EXPECT_GT(bricks, 0);
        // From the fifth stage on every brick takes two hits.
        int weight = bricks * (i >= 5 ? 2 : 1);
        EXPECT_GE(weight, lastWeight);
        lastWeight = weight;
        EXPECT_TRUE(shapes.insert(std::string(b.begin(), b.end())).second);
    }
    Bytes s = ReadBytes(d.path() / "Data/BestScore");
    ASSERT_EQ(s.size(), 40u);
    int32_t prev = INT32_MAX;
    for (size_t i = 0; i < 10; ++i) {
        int32_t v = static_cast<int32_t>(Le32(s, i * 4));
        EXPECT_GE(v, 0);
        EXPECT_LE(v, prev);
        prev = v;
    }
    EXPECT_LE(static_cast<int32_t>(Le32(s, 36)), 50);  // a first stage cleared enters the table
}

}  // namespace
