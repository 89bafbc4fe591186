// The program's command line: what a Linux player expects of any program
// (--help, --version) and the choice of how the window starts.
#pragma once

#include <string>

#include "platform/platform.h"

struct CommandLine {
    enum class Action { Play, Help, Version, Keys, Error };
    Action action = Action::Play;
    plat::StartWindow window = plat::StartWindow::FullScreen;
    bool windowGiven = false;  // --window or --fullscreen was given: it wins over the settings
    std::string error;         // for Action::Error: what was wrong, one line
};

// Reads the options after the program's name. The last of --window and
// --fullscreen wins; --help and --version win over everything after them.
CommandLine ParseCommandLine(int argc, const char* const* argv);

std::string HelpText();
// Where each game key sits, for --keys: its key in the settings and, where
// `label` can tell, what that key is labelled on the keyboard in use.
std::string KeysText(const settings::Settings& s, std::string (*label)(const std::string&));
std::string VersionText();
