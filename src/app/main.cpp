// The game's executable: read the command line, find the game directory, then
// run the game in it.
#include <cstdio>

#include "app/app.h"
#include "app/cmdline.h"
#include "platform/gamedir.h"
#include "platform/platform.h"

int main(int argc, char** argv) {
    const CommandLine line = ParseCommandLine(argc, argv);
    switch (line.action) {
        case CommandLine::Action::Help:
            std::fputs(HelpText().c_str(), stdout);
            return 0;
        case CommandLine::Action::Version:
            std::fputs(VersionText().c_str(), stdout);
            return 0;
        case CommandLine::Action::Error:
            std::fprintf(stderr, "tessalune: %s\nTry 'tessalune --help' for more.\n",
                         line.error.c_str());
            return 2;
        case CommandLine::Action::Play:
            break;
    }
    plat::ChooseStartWindow(line.window);
    if (!EnterGameDirectory()) {
        return 0;
    }
    const int exitCode = WinMain();
    plat::Shutdown();
    return exitCode;
}
