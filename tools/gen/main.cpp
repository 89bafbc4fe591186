// tessalune-gen: lays out the game directory with the game's own pictures,
// sounds, music and stages, and draws preview pictures of them.
//
//   tessalune-gen --out DIR [--seed-data]
//   tessalune-gen --contact-sheet FILE.png | --mockup FILE.png | --title-mockup FILE.png
//                 | --scores-mockup FILE.png | --result-mockup FILE.png
//                 | [--icon-size 16|32|64|128] --icon FILE.(png|bmp|inc)
//
// With --out, System/, Fcg/, Wave/ and Mid/ are brought up to date (a file is
// only rewritten when its bytes change); with --seed-data, Data/ receives the
// stages and the best-score table only where those files are missing, so a
// player's scores and edited stages survive. An icon written as FILE.inc is
// C++ source: the ARGB pixels the game gives its window, built into it so the
// window has its icon wherever the program runs from.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <string>
#include <vector>

#include "art.h"
#include "font.h"
#include "music.h"
#include "output.h"
#include "sound.h"
#include "stages.h"

namespace fs = std::filesystem;
using namespace gen;

namespace {

struct Job {
    fs::path path;
    Bytes bytes;
    WriteMode mode;
};

bool EndsWith(const std::string& s, const char* tail) {
    size_t n = std::strlen(tail);
    return s.size() >= n && s.compare(s.size() - n, n, tail) == 0;
}

// The pixels as 0xAARRGGBB numbers, comma separated: an array's initializer.
Bytes ArgbSource(const Canvas& c) {
    std::string text = "// Drawn by tessalune-gen.\n";
    char cell[16];
    for (int y = 0; y < c.height(); ++y) {
        for (int x = 0; x < c.width(); ++x) {
            const Rgb p = c.at(x, y);
            const uint32_t argb =
                p == Clear ? 0u : 0xFF000000u | uint32_t{p.r} << 16 | uint32_t{p.g} << 8 | p.b;
            std::snprintf(cell, sizeof cell, "0x%08X,", static_cast<unsigned>(argb));
            text += cell;
            text += x % 8 == 7 ? '\n' : ' ';
        }
    }
    return Bytes(text.begin(), text.end());
}

Bytes PictureBytes(const Canvas& c, const std::string& path, bool alpha) {
    if (EndsWith(path, ".inc")) {
        return ArgbSource(c);
    }
    return EndsWith(path, ".bmp") ? EncodeBmp(c) : EncodePng(c, alpha);
}

std::vector<Job> GameDirectory(const fs::path& out, bool seedData) {
    std::vector<Job> jobs;
    auto add = [&](const char* rel, Bytes b, WriteMode m = WriteMode::Refresh) {
        jobs.push_back({out / rel, std::move(b), m});
    };
    add("System/mojicord.bmp", EncodeBmp(FontSheet()));
    add("Fcg/System1.fcg", EncodeBmp(System1Sheet()));
    add("Fcg/System2.fcg", EncodeBmp(System2Sheet()));
    add("Fcg/Bg.bmp", EncodeBmp(Background()));
    add("Wave/SelectMove.wav", EncodeWave(SelectMoveSamples()));
    add("Wave/SelectCheck.wav", EncodeWave(SelectCheckSamples()));
    add("Wave/SelectCancel.wav", EncodeWave(SelectCancelSamples()));
    add("Wave/Hit.wav", EncodeWave(HitSamples()));
    for (Piece& p : AllPieces()) {
        jobs.push_back({out / "Mid" / p.file, std::move(p.bytes), WriteMode::Refresh});
    }
    if (seedData) {
        for (int i = 0; i < StageCount; ++i) {
            std::string name = "Data/Map" + std::to_string(i + 1);
            add(name.c_str(), StageFile(i), WriteMode::SeedOnly);
        }
        add("Data/BestScore", ScoreFile(), WriteMode::SeedOnly);
    }
    return jobs;
}

int Usage() {
    std::fprintf(stderr,
                 "usage: tessalune-gen --out DIR [--seed-data]\n"
                 "       tessalune-gen [--contact-sheet PNG] [--mockup PNG] [--title-mockup PNG]\n"
                 "                     [--scores-mockup PNG] [--result-mockup PNG]\n"
                 "                     [--icon-size 16|32|64|128] [--icon PNG|BMP|INC]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::string outDir;
    bool seedData = false;
    std::vector<std::pair<std::string, std::string>> previews;  // kind, path (or size)
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto value = [&](std::string& into) {
            if (i + 1 >= argc || argv[i + 1][0] == '\0') {
                return false;
            }
            into = argv[++i];
            return true;
        };
        std::string v;
        if (a == "--out") {
            if (!value(outDir)) {
                return Usage();
            }
        } else if (a == "--seed-data") {
            seedData = true;
        } else if (a == "--icon-size") {
            if (!value(v) || (v != "16" && v != "32" && v != "64" && v != "128")) {
                return Usage();
            }
            previews.emplace_back(a, v);
        } else if (a == "--contact-sheet" || a == "--mockup" || a == "--title-mockup" ||
                   a == "--scores-mockup" || a == "--result-mockup" || a == "--icon") {
            if (!value(v)) {
                return Usage();
            }
            previews.emplace_back(a, v);
        } else {
            return Usage();
        }
    }
    if (outDir.empty() && previews.empty()) {
        return Usage();
    }
    if (seedData && outDir.empty()) {
        return Usage();
    }

    try {
        std::vector<Job> jobs;
        if (!outDir.empty()) {
            jobs = GameDirectory(outDir, seedData);
        }
        int iconSize = 128;
        for (const auto& [kind, path] : previews) {
            if (kind == "--icon-size") {
                iconSize = std::stoi(path);  // applies to the --icon options after it
                continue;
            }
            Canvas c;
            bool alpha = false;
            if (kind == "--contact-sheet") {
                c = ContactSheet();
            } else if (kind == "--mockup") {
                c = PlayMockup();
            } else if (kind == "--title-mockup") {
                c = TitleMockup(false);
            } else if (kind == "--scores-mockup") {
                c = TitleMockup(true);
            } else if (kind == "--result-mockup") {
                c = ResultMockup();
            } else {
                c = Icon(iconSize);
                alpha = true;
            }
            jobs.push_back({path, PictureBytes(c, path, alpha), WriteMode::Refresh});
        }
        int failures = 0, written = 0;
        for (const Job& j : jobs) {
            std::string error;
            WriteResult r = WriteFileAtomic(j.path, j.bytes, j.mode, error);
            if (r == WriteResult::Failed) {
                std::fprintf(stderr, "tessalune-gen: %s\n", error.c_str());
                ++failures;
            } else if (r == WriteResult::Written) {
                ++written;
            }
        }
        if (failures > 0) {
            return 1;
        }
        std::printf("tessalune-gen: %d of %zu files written\n", written, jobs.size());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tessalune-gen: %s\n", e.what());
        return 1;
    }
    return 0;
}
