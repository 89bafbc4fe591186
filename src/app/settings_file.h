// Where the player's settings live and how they are read and kept: one file,
// $XDG_CONFIG_HOME/tessalune/tessalune.conf (~/.config/... by default).
#pragma once

#include <string>

#include "base/settings.h"

// The settings file's path; empty where neither XDG_CONFIG_HOME (absolute)
// nor HOME says where it goes.
std::string SettingsPath();

// Reads the settings at `path`: its defaults for a missing file, and for
// every line it cannot take (each said on standard error, with the default
// kept). `*writable` says whether a change may replace the file: not when
// it could not be read whole (too large, a directory, a fifo, unreadable).
settings::Settings LoadSettings(const std::string& path, bool* writable);

// Replaces the file with `s`, whole; says on standard error when it cannot.
bool SaveSettings(const std::string& path, const settings::Settings& s);
