// Finding the installed game files and the player's own directory through
// SDL, which knows where the program lives and where a player's data goes
// ($XDG_DATA_HOME/tessalune, or ~/.local/share/tessalune).
#include <SDL.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/gamedir.h"
#include "platform/platform.h"

// Where the read-only game files sit, seen from the program's own directory,
// so that an install moved to another prefix still finds them.
#ifndef TESSALUNE_BIN_TO_DATA
#define TESSALUNE_BIN_TO_DATA "../share/tessalune"
#endif

namespace {

constexpr const char* Caption = "Tessalune";

std::string TakeSdlString(char* text) {
    std::string copy = text != nullptr ? text : "";
    SDL_free(text);
    return copy;
}

std::vector<std::string> InstalledCandidates() {
    std::vector<std::string> candidates;
    const std::string base = TakeSdlString(SDL_GetBasePath());
    if (!base.empty()) {
        candidates.push_back(base + TESSALUNE_BIN_TO_DATA);
    }
#ifdef TESSALUNE_DATADIR
    candidates.push_back(TESSALUNE_DATADIR);
#endif
    return candidates;
}

bool Refuse(const std::string& text) {
    plat::MessageBox(text.c_str(), Caption, false);
    return false;
}

}  // namespace

bool EnterGameDirectory() {
    const std::vector<std::string> installs = InstalledCandidates();
    if (gamedir::PlaysInPlace(".", installs)) {
        return true;
    }
    const std::string installed = gamedir::FindInstalledFiles(installs);
    if (installed.empty()) {
        std::string text =
            "Tessalune cannot find its pictures, sounds and music. It looked for "
            "Fcg/System1.fcg here and in:";
        for (const std::string& place : installs) {
            text += "\n  " + place;
        }
        return Refuse(text + "\nReinstall the game, or start it inside a game directory.");
    }
    // The XDG rules say a relative XDG_DATA_HOME is to be ignored; SDL would
    // take it, and put the player's files wherever the game was started.
    if (const char* data = std::getenv("XDG_DATA_HOME"); data != nullptr && data[0] != '/') {
        unsetenv("XDG_DATA_HOME");
    }
    char* pref = SDL_GetPrefPath("", "tessalune");
    if (pref == nullptr) {
        return Refuse(std::string("Tessalune cannot make its directory for your scores and "
                                  "stages (normally ~/.local/share/tessalune).\n") +
                      SDL_GetError());
    }
    const std::string user = TakeSdlString(pref);
    std::string why;
    if (!gamedir::PrepareUserDirectory(user, installed, &why)) {
        return Refuse("Tessalune cannot set up its directory for your scores and stages, " + user +
                      ":\n" + why);
    }
    if (chdir(user.c_str()) != 0) {
        return Refuse("Tessalune cannot enter its directory for your scores and stages, " + user +
                      ":\n" + std::strerror(errno));
    }
    return true;
}
