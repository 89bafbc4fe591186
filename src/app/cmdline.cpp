#include "app/cmdline.h"

#include <string_view>

#ifndef TESSALUNE_VERSION
#define TESSALUNE_VERSION "unknown"
#endif

CommandLine ParseCommandLine(int argc, const char* const* argv) {
    CommandLine line;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i] != nullptr ? argv[i] : "";
        if (arg == "--help" || arg == "-h") {
            line.action = CommandLine::Action::Help;
            return line;
        }
        if (arg == "--version") {
            line.action = CommandLine::Action::Version;
            return line;
        }
        if (arg == "--keys") {
            line.action = CommandLine::Action::Keys;
            return line;
        }
        if (arg == "--window") {
            line.window = plat::StartWindow::Window;
            line.windowGiven = true;
        } else if (arg == "--fullscreen") {
            line.window = plat::StartWindow::FullScreen;
            line.windowGiven = true;
        } else {
            line.action = CommandLine::Action::Error;
            line.error = arg.starts_with("-") ? "unknown option '" + std::string(arg) + "'"
                                              : "unexpected argument '" + std::string(arg) + "'";
            return line;
        }
    }
    return line;
}

std::string HelpText() {
    return "Usage: tessalune [OPTION]...\n"
           "Tessalune, a brick-breaking game: keep the ball in play and break the\n"
           "bricks of ten stages.\n"
           "\n"
           "  --window       start in a window\n"
           "  --fullscreen   start full screen (the default)\n"
           "  --record FILE  keep the run in FILE, to watch or replay later\n"
           "  --play FILE    show a recorded run (Esc ends it; nothing is saved)\n"
           "  --trace FILE   write what happens, frame by frame, to FILE\n"
           "  --keys         show where the game's keys are on this keyboard and exit\n"
           "  -h, --help     show this help and exit\n"
           "  --version      show the version and exit\n"
           "\n"
           "Alt+Enter switches between full screen and a window at any time.\n"
           "Started inside a game directory the game plays there; anywhere else it\n"
           "keeps its scores and stages in $XDG_DATA_HOME/tessalune\n"
           "(~/.local/share/tessalune).\n"
           "\n"
           "Environment: SDL_SOUNDFONTS names the General MIDI sound font(s) for the\n"
           "music, before the distribution's default.\n"
           "The manual page tessalune(6) has the controls and the rest.\n";
}

std::string VersionText() {
    return "tessalune " TESSALUNE_VERSION "\n";
}

std::string KeysText(const settings::Settings& s, std::string (*label)(const std::string&)) {
    constexpr const char* What[settings::GameKeyCount] = {
        "up", "down", "left", "right", "confirm (also Return)", "cancel (also Shift)",
        "C",  "V",    "B",    "M"};
    std::string out;
    for (size_t i = 0; i < settings::GameKeyCount; ++i) {
        out += std::string(What[i]) + ": " + s.keys[i];
        const std::string shown = label(s.keys[i]);
        if (!shown.empty() && shown != s.keys[i]) {
            out += " (labelled " + shown + " on this keyboard)";
        }
        out += "\n";
    }
    out += "pause: P or Pause; music: - and =; effects: [ and ]; leave: Esc\n";
    return out;
}
