// Where the program lives and where a player's data goes, as SDL knows them
// ($XDG_DATA_HOME/tessalune, or ~/.local/share/tessalune).
#include <SDL.h>

#include <cstdlib>
#include <string>

#include "platform/platform.h"

namespace {

std::string TakeSdlString(char* text) {
    std::string copy = text != nullptr ? text : "";
    SDL_free(text);
    return copy;
}

}  // namespace

std::string plat::ProgramDirectory() {
    return TakeSdlString(SDL_GetBasePath());
}

std::string plat::UserDataDirectory(std::string* why) {
    // The XDG rules say a relative XDG_DATA_HOME is to be ignored; SDL would
    // take it, and put the player's files wherever the game was started.
    if (const char* data = std::getenv("XDG_DATA_HOME"); data != nullptr && data[0] != '/') {
        unsetenv("XDG_DATA_HOME");
    }
    const std::string dir = TakeSdlString(SDL_GetPrefPath("", "tessalune"));
    if (dir.empty()) {
        *why = SDL_GetError();
    }
    return dir;
}
