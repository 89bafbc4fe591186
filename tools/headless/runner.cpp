// tessalune-headless: the game on the scripted platform. No window, no sound
// device, no real time; frames are driven by a script and written down as a
// trace, with screenshots of the back buffer on request.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/app.h"
#include "base/frames.h"
#include "base/printable.h"
#include "demo/script_text.h"
#include "demo/tap.h"
#include "demo/trace.h"
#include "gfx/gfx.h"
#include "platform/script/script.h"
#include "tools/headless/autoplay.h"

namespace {

constexpr int ExitUsage = 2;   // bad options or a bad script: nothing ran
constexpr int ExitOutput = 1;  // the game ran, but a shot or the trace was not written
constexpr int DefaultFrames = 600;

constexpr const char* Usage =
    "usage: tessalune-headless [--frames N] [--input FILE] [--clock MS]\n"
    "                          [--shot F:PATH]... [--trace PATH] [--autoplay]\n"
    "Runs the game in the current directory on a scripted platform.\n"
    "  --frames N     run N frames, then close as Esc would (default 600; for a\n"
    "                 recording, up to its last line)\n"
    "  --input FILE   the input script, one event a line, or a recording of the\n"
    "                 game's --record (see DEVELOPING.md)\n"
    "  --clock MS     the clock when the game starts (default 0; for a recording,\n"
    "                 the clock it was recorded from)\n"
    "  --shot F:PATH  after frame F, write the back buffer as a 24-bit BMP\n"
    "  --trace PATH   one JSON object per frame, written after the frame\n"
    "  --autoplay     let the built-in player press the keys\n";

struct Shot {
    int frame = 0;
    std::string path;
    bool taken = false;
};

struct Options {
    int frames = DefaultFrames;
    bool framesGiven = false;
    std::string input;
    uint32_t clock = 0;
    bool clockGiven = false;
    std::vector<Shot> shots;
    std::string trace;
    bool autoplay = false;
};

bool ParseNumber(std::string_view text, long long low, long long high, long long* out) {
    if (text.empty()) {
        return false;
    }
    std::string copy(text);
    char* end = nullptr;
    errno = 0;
    const long long value = std::strtoll(copy.c_str(), &end, 10);
    if (errno != 0 || end != copy.c_str() + copy.size() || value < low || value > high ||
        copy.front() == '+' || copy.front() == ' ') {
        return false;
    }
    *out = value;
    return true;
}

int Fail(const std::string& why) {
    std::fprintf(stderr, "tessalune-headless: %s\n%s", why.c_str(), Usage);
    return ExitUsage;
}

// Returns -1 when the options are good, else the exit code.
int ParseOptions(int argc, char** argv, Options* o) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(Usage, stdout);
            return 0;
        }
        if (arg == "--autoplay") {
            o->autoplay = true;
            continue;
        }
        if (arg != "--frames" && arg != "--input" && arg != "--clock" && arg != "--shot" &&
            arg != "--trace") {
            return Fail("unknown option '" + arg + "'");
        }
        if (i + 1 >= argc) {
            return Fail(arg + " needs a value");
        }
        const std::string value = argv[++i];
        long long n = 0;
        if (arg == "--frames") {
            if (!ParseNumber(value, 0, 0x7fffffff, &n)) {
                return Fail("--frames takes a whole number of 0 or more, not '" + value + "'");
            }
            o->frames = static_cast<int>(n);
            o->framesGiven = true;
        } else if (arg == "--clock") {
            if (!ParseNumber(value, 0, 0xffffffffLL, &n)) {
                return Fail("--clock takes milliseconds from 0 to 4294967295, not '" + value + "'");
            }
            o->clock = static_cast<uint32_t>(n);
            o->clockGiven = true;
        } else if (arg == "--shot") {
            const size_t colon = value.find(':');
            if (colon == std::string::npos || colon + 1 >= value.size() ||
                !ParseNumber(std::string_view(value).substr(0, colon), 0, 0x7fffffff, &n)) {
                return Fail("--shot takes FRAME:PATH, not '" + value + "'");
            }
            o->shots.push_back(Shot{static_cast<int>(n), value.substr(colon + 1)});
        } else if (arg == "--input") {
            o->input = value;
        } else {
            o->trace = value;
        }
    }
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (const int code = ParseOptions(argc, argv, &options); code >= 0) {
        return code;
    }

    script::Reset();
    ResetGame();
    std::vector<script::Event> lines;
    if (!options.input.empty()) {
        std::string text;
        std::string why;
        if (!script::ReadScriptFile(options.input, "input script", &text, &why)) {
            std::fprintf(stderr, "tessalune-headless: %s\n", why.c_str());
            return ExitUsage;
        }
        script::ScriptHeader header;
        if (!script::ParseEvents(text, &lines, &header, &why)) {
            std::fprintf(stderr, "tessalune-headless: %s: %s\n", Printable(options.input).c_str(),
                         why.c_str());
            return ExitUsage;
        }
        // A recording starts the game as it was started, and runs as far as
        // it goes: its end line closes the game; one cut short stops after
        // the frame of its last line.
        if (header.present) {
            if (!options.clockGiven) {
                options.clock = header.clock;
            }
            if (!options.framesGiven) {
                int last = 0;
                for (const script::Event& line : lines) {
                    last = std::max(last, line.frame);
                }
                options.frames = last + 1;
            }
            if (!header.ended) {
                std::fprintf(stderr,
                             "tessalune-headless: %s has no end line: it was cut short, and "
                             "plays up to its last line\n",
                             Printable(options.input).c_str());
            }
        }
    }

    std::FILE* trace = nullptr;
    if (!options.trace.empty()) {
        trace = std::fopen(options.trace.c_str(), "wb");
        if (trace == nullptr) {
            std::fprintf(stderr, "tessalune-headless: cannot write the trace '%s': %s\n",
                         Printable(options.trace).c_str(), std::strerror(errno));
            return ExitUsage;
        }
    }

    script::SetClock(options.clock);
    // A joystick is plugged in when the script moves one.
    script::AttachJoystick(std::any_of(lines.begin(), lines.end(), [](const script::Event& e) {
        return e.kind == script::EventKind::Joy;
    }));
    // The script stands beside the platform rather than in its place, and
    // while the game is inactive, time passes up to each of its lines.
    tap::PlaybackOptions playback;
    playback.frameLimit = options.frames;
    playback.closeAfterLast = false;
    playback.replacesPlayer = false;
    playback.beforeWaitedLine = script::AdvanceClockToFrame;
    tap::StartPlayback(std::move(lines), std::move(playback));
    bool outputFailed = false;
    std::function<void(int)> before;
    if (options.autoplay) {
        before = AutoplayBeforeFrame;
    }
    frames::SetHooks(before, [&](int frame, frames::Output&& out) {
        if (trace != nullptr) {
            const std::string line = demo::TraceLine(frame, out, LastSceneRun());
            if (std::fwrite(line.data(), 1, line.size(), trace) != line.size()) {
                outputFailed = true;
            }
        }
        for (Shot& shot : options.shots) {
            if (shot.frame == frame && !shot.taken) {
                shot.taken = true;
                if (!SaveSurfaceBmp(lpBack, shot.path.c_str())) {
                    std::fprintf(stderr, "tessalune-headless: cannot write the shot '%s'\n",
                                 Printable(shot.path).c_str());
                    outputFailed = true;
                }
            }
        }
    });

    const int exitCode = WinMain();
    tap::Finish();

    if (trace != nullptr) {
        if (std::fclose(trace) != 0) {
            outputFailed = true;
        }
        if (outputFailed) {
            std::fprintf(stderr, "tessalune-headless: the trace '%s' is incomplete\n",
                         Printable(options.trace).c_str());
        }
    }
    for (const Shot& shot : options.shots) {
        if (!shot.taken) {
            std::fprintf(stderr,
                         "tessalune-headless: no shot '%s': the game ended before frame %d\n",
                         Printable(shot.path).c_str(), shot.frame);
            outputFailed = true;
        }
    }
    if (outputFailed && exitCode == 0) {
        return ExitOutput;
    }
    return exitCode;
}
