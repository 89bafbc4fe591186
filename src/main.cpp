// The game's executable: read the command line, find the game directory, then
// run the game in it.
#include <cstdio>
#include <string>

#include "app/app.h"
#include "app/cmdline.h"
#include "app/gamedir.h"
#include "app/settings_file.h"
#include "data/datafile.h"
#include "demo/demo.h"
#include "platform/platform.h"

namespace {

// Where a changed setting is kept; empty when the file must be left alone.
std::string settingsFile;

void KeepSettings(const settings::Settings& s) {
    if (!settingsFile.empty()) {
        SaveSettings(settingsFile, s);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (const int code = demo::TakeOptions(&argc, argv); code >= 0) {
        return code;
    }
    const CommandLine line = ParseCommandLine(argc, argv);
    switch (line.action) {
        case CommandLine::Action::Help:
            std::fputs(HelpText().c_str(), stdout);
            return 0;
        case CommandLine::Action::Version:
            std::fputs(VersionText().c_str(), stdout);
            return 0;
        case CommandLine::Action::Keys: {
            bool writable = false;
            const settings::Settings s =
                plat::UseSettings(LoadSettings(SettingsPath(), &writable), SettingsPath(), nullptr);
            std::fputs(KeysText(s, plat::KeyLabel).c_str(), stdout);
            plat::Shutdown();
            return 0;
        }
        case CommandLine::Action::Error:
            std::fprintf(stderr, "tessalune: %s\nTry 'tessalune --help' for more.\n",
                         line.error.c_str());
            return 2;
        case CommandLine::Action::Play:
            break;
    }
    // A second copy is sent away before it touches any file, a recording it
    // was told to write least of all.
    if (!TakeInstanceLock()) {
        return 0;
    }
    demo::RemoveLeftovers();
    // The demo options name files relative to where the game was started.
    if (const int code = demo::OpenFiles(); code >= 0) {
        return code;
    }
    // The player's settings for the surroundings; the command line wins for
    // this start.
    const std::string settingsPath = SettingsPath();
    bool settingsWritable = false;
    const settings::Settings s = LoadSettings(settingsPath, &settingsWritable);
    if (settingsWritable) {
        settingsFile = settingsPath;
    }
    plat::UseSettings(s, settingsPath, KeepSettings);
    if (line.windowGiven) {
        plat::ChooseStartWindow(line.window);
    }
    if (!EnterGameDirectory()) {
        demo::Finish();
        return 0;
    }
    RemoveStaleTemporaries();
    if (!demo::EnterPlaybackCopy()) {
        demo::Finish();
        return 1;
    }
    if (!plat::DisplayReachable()) {
        demo::Finish();
        plat::ReleaseInstanceLock();
        plat::Shutdown();
        return 1;
    }
    const int exitCode = WinMain();
    demo::Finish();
    plat::Shutdown();
    return exitCode;
}
