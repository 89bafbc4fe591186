// The player's keys in the browser: the settings' key names (SDL's names,
// the same file on Linux and in the page) for the page's physical keys
// (KeyboardEvent.code), and the game keys bound to them.
#pragma once

#include <string>

#include "base/settings.h"

namespace webplat {

// The KeyboardEvent.code of a key by its settings name ("Z" is "KeyZ",
// "Up" is "ArrowUp"), or empty for a name the page does not know.
std::string CodeOf(const std::string& name);

// Checks the settings' keys as the page knows them (each bad one back to its
// default, said in `complaints`) and binds the game keys to them on the page.
void BindKeys(settings::Settings* s, std::vector<std::string>* complaints);

}  // namespace webplat
