// Where the program lives and where a player's data goes, as SDL knows them
// ($XDG_DATA_HOME/tessalune, or ~/.local/share/tessalune).
#include <SDL.h>

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
    const std::string dir = TakeSdlString(SDL_GetPrefPath("", "tessalune"));
    if (dir.empty()) {
        *why = SDL_GetError();
    }
    return dir;
}
