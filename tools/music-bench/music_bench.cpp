// Measures the SDL back-end's music on SDL's disk audio driver: the quiet
// stretch at every loop of a piece, the time to open a piece after the first,
// and the audio thread's processor time. Built by tools/music-bench.sh
// against any build of the game, so figures before and after a change come
// from the same measurement.
//
//   music-bench loop FILE SECONDS [PLOT.pgm]  quiet stretch at each loop
//   music-bench open DIR                      open times of the pieces in DIR
//   music-bench cpu FILE SECONDS              audio thread CPU while it plays

#include <SDL.h>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "audio/sound.h"
#include "platform/platform.h"
#include "platform/sdl/sdl_internal.h"

namespace {

constexpr int kRate = 44100;
// Level measured in blocks of 5 ms; a block is quiet when no sample in it
// reaches about -50 dBFS.
constexpr int kBlock = kRate / 200;
constexpr int kQuiet = 100;

std::string out;

long OutputFrames() {
    struct stat st {};
    return stat(out.c_str(), &st) == 0 ? static_cast<long>(st.st_size / 4) : 0;
}

bool TakeEnd() {
    SDL_PumpEvents();
    const Uint32 type = sdlplat::MusicEndEventType();
    SDL_Event e;
    return SDL_PeepEvents(&e, 1, SDL_GETEVENT, type, type) == 1;
}

// The window procedure's part: every end restarts the piece. `pollMs` stands
// for the game's frame (16 ms at real time).
// With `loops`, it plays on after `seconds` until that many loops are done.
std::vector<long> PlayLooping(double seconds, int pollMs, bool start = true, size_t loops = 0) {
    std::vector<long> restarts;
    if (start) {
        plat::MusicPlay();
    }
    const long until = OutputFrames() + static_cast<long>(seconds * kRate);
    while (OutputFrames() < until || restarts.size() < loops) {
        SDL_Delay(static_cast<Uint32>(pollMs));
        if (TakeEnd()) {
            restarts.push_back(OutputFrames());
            plat::MusicPlay();
        }
    }
    return restarts;
}

std::vector<int> BlockPeaks() {
    std::vector<int> peaks;
    FILE* f = std::fopen(out.c_str(), "rb");
    if (f == nullptr) {
        return peaks;
    }
    std::vector<int16_t> buf(static_cast<size_t>(kBlock) * 2);
    while (std::fread(buf.data(), sizeof(int16_t), buf.size(), f) == buf.size()) {
        int peak = 0;
        for (int16_t v : buf) {
            peak = std::max(peak, std::abs(static_cast<int>(v)));
        }
        peaks.push_back(peak);
    }
    std::fclose(f);
    return peaks;
}

int Loop(const char* file, double seconds, const char* plot) {
    if (!plat::MusicOpen(file)) {
        std::fprintf(stderr, "music-bench: %s does not open\n", file);
        return 1;
    }
    const char* delay = std::getenv("SDL_DISKAUDIODELAY");
    const int poll = delay != nullptr && std::atoi(delay) < 10 ? 1 : 16;
    const std::vector<long> restarts = PlayLooping(seconds, poll);
    // Closing a piece that has looped lets go of its first pass, kept for
    // the passes after it: part of the next open.
    const auto t0 = std::chrono::steady_clock::now();
    plat::MusicClose();
    const double closeMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    ReleaseDirectSound();
    const std::vector<int> peaks = BlockPeaks();
    // Around each loop: from 3 s before the restart to 0.5 s after it.
    double worst = 0;
    std::vector<unsigned char> image;
    constexpr int kWidth = 700, kHeight = 60;
    for (long at : restarts) {
        const long block = at / kBlock;
        const long from = std::max(0L, block - 600), to = block + 100;
        long run = 0, longest = 0;
        for (long b = from; b < to && b < static_cast<long>(peaks.size()); ++b) {
            run = peaks[static_cast<size_t>(b)] < kQuiet ? run + 1 : 0;
            longest = std::max(longest, run);
        }
        const double ms = longest * 5.0;
        worst = std::max(worst, ms);
        std::printf("loop at %.2f s: quiet %.0f ms\n", static_cast<double>(at) / kRate, ms);
        // One strip per loop: the level in dB (-60..0), a block per column.
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                const long b = from + x;
                const int p =
                    b < static_cast<long>(peaks.size()) ? peaks[static_cast<size_t>(b)] : 0;
                const double db = p > 0 ? 20 * std::log10(p / 32768.0) : -90;
                const int h = static_cast<int>((db + 60) / 60 * kHeight);
                const bool mark = b == block;
                image.push_back(mark ? 128 : (kHeight - y <= h ? 0 : 255));
            }
        }
    }
    std::printf("loops: %zu, longest quiet stretch at a loop: %.0f ms; closed in %.2f ms\n",
                restarts.size(), worst, closeMs);
    if (plot != nullptr && !restarts.empty()) {
        std::ofstream pgm(plot, std::ios::binary);
        pgm << "P5\n" << kWidth << " " << image.size() / kWidth << "\n255\n";
        pgm.write(reinterpret_cast<const char*>(image.data()),
                  static_cast<std::streamsize>(image.size()));
    }
    return 0;
}

int Open(const std::string& dir) {
    std::vector<std::string> pieces;
    for (const char* name : {"System", "Bgm1", "Bgm2", "Bgm3", "Bgm4", "Bgm5"}) {
        pieces.push_back(dir + "/" + name + ".mid");
    }
    std::vector<double> ms;
    for (int round = 0; round < 5; ++round) {
        for (const std::string& p : pieces) {
            const auto t0 = std::chrono::steady_clock::now();
            const bool ok = plat::MusicOpen(p.c_str());
            plat::MusicPlay();
            const auto t1 = std::chrono::steady_clock::now();
            if (!ok) {
                std::fprintf(stderr, "music-bench: %s does not open\n", p.c_str());
                return 1;
            }
            ms.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
            SDL_Delay(30);
        }
    }
    const double first = ms.front();
    ms.erase(ms.begin());
    std::sort(ms.begin(), ms.end());
    std::printf("open and play: first %.2f ms; after it median %.3f ms, worst %.3f ms\n", first,
                ms[ms.size() / 2], ms.back());
    plat::MusicClose();
    return 0;
}

// User and system time of the mixer's thread, in seconds.
double AudioThreadSeconds() {
    double total = 0;
    DIR* d = opendir("/proc/self/task");
    if (d == nullptr) {
        return 0;
    }
    while (dirent* e = readdir(d)) {
        const std::string task = std::string("/proc/self/task/") + e->d_name;
        std::ifstream comm(task + "/comm");
        std::string name;
        std::getline(comm, name);
        if (name.rfind("SDLAudio", 0) != 0) {
            continue;
        }
        std::ifstream stat(task + "/stat");
        std::string line;
        std::getline(stat, line);
        const size_t close = line.rfind(')');
        std::vector<std::string> f;
        size_t i = close + 2;
        while (i < line.size()) {
            const size_t j = std::min(line.find(' ', i), line.size());
            f.push_back(line.substr(i, j - i));
            i = j + 1;
        }
        if (f.size() > 13) {
            total += (std::atof(f[11].c_str()) + std::atof(f[12].c_str())) /
                     static_cast<double>(sysconf(_SC_CLK_TCK));
        }
    }
    closedir(d);
    return total;
}

// The first pass of a piece is synthesized; the passes after it are played
// back, so the piece is measured in both.
int Cpu(const char* file, double seconds) {
    auto measure = [](double s, int music) {
        const double c0 = AudioThreadSeconds();
        const auto t0 = std::chrono::steady_clock::now();
        if (music != 0) {
            PlayLooping(s, 16, music == 1);
        } else {
            SDL_Delay(static_cast<Uint32>(s * 1000));
        }
        const double wall =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        return 100 * (AudioThreadSeconds() - c0) / wall;
    };
    const double idle = measure(seconds / 3, 0);
    if (!plat::MusicOpen(file)) {
        std::fprintf(stderr, "music-bench: %s does not open\n", file);
        return 1;
    }
    const double first = measure(seconds, 1);
    // Through the end of the first pass and the dying away of its tail.
    PlayLooping(5, 16, false, 1);
    const double later = measure(seconds, 2);
    std::printf(
        "audio thread: %.2f %% of a core in the first pass, %.2f %% in the passes after it, "
        "%.2f %% with no music open\n",
        first, later, idle);
    plat::MusicClose();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr,
                     "usage: music-bench loop FILE SECONDS [PLOT] | open DIR | cpu FILE SECONDS\n");
        return 2;
    }
    const char* file = std::getenv("SDL_DISKAUDIOFILE");
    out = file != nullptr ? file : "sdlaudio.raw";
    if (SDL_Init(SDL_INIT_EVENTS) != 0 || InitDirectSound() != 0) {
        std::fprintf(stderr, "music-bench: no mixer: %s\n", SDL_GetError());
        return 1;
    }
    const std::string mode = argv[1];
    int rc = 2;
    if (mode == "loop" && argc >= 4) {
        rc = Loop(argv[2], std::atof(argv[3]), argc > 4 ? argv[4] : nullptr);
    } else if (mode == "open") {
        rc = Open(argv[2]);
    } else if (mode == "cpu" && argc >= 4) {
        rc = Cpu(argv[2], std::atof(argv[3]));
    }
    ReleaseDirectSound();
    SDL_Quit();
    return rc;
}
