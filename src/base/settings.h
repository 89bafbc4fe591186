// The player's settings for the game's surroundings: volumes, the window and
// the keys. None of them changes a rule of the game. They are kept as plain
// `name = value` lines with `#` comments, read by the game at start and
// written whole when one changes.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace settings {

// The game keys a player may move to other physical keys, in file order.
enum class GameKey { Up, Down, Left, Right, Confirm, Cancel, C, V, B, M };
constexpr int GameKeyCount = 10;

enum class Scale { Whole, Fit };

struct Settings {
    int musicVolume = 100;  // 0..100 %
    int soundVolume = 100;
    bool fullscreen = true;
    int windowWidth = 0;  // 0: the largest whole multiple that fits the desktop
    int windowHeight = 0;
    Scale scale = Scale::Whole;
    // Each game key's physical key, by the platform's key name ("Z", "Up").
    std::array<std::string, GameKeyCount> keys;
    // The file's line that set each key, 0 for the default: of two keys on
    // one physical key, the later line gives way.
    std::array<int, GameKeyCount> keyLines{};

    Settings();
};

// The setting's name in the file, e.g. "key-confirm".
const char* KeyName(GameKey key);
// The physical key a game key sits on by default.
const char* DefaultKey(GameKey key);

// Reads the text of a settings file. Each line it cannot take (an unknown
// name, a value out of range, no '=') leaves that setting at its default and
// adds one line to `complaints`, naming the line and the default kept.
// Keys are taken as written; which names mean a key is the platform's to say
// (CheckKeys).
Settings Parse(std::string_view text, std::vector<std::string>* complaints);

// Puts back to its default every game key whose name `known` refuses, and of
// two game keys on one physical key (or on one of `reserved`, the keys the
// surroundings keep for themselves) the one named later in the file,
// saying so in `complaints`. Names are compared as `same` says.
void CheckKeys(Settings* s, bool (*known)(const std::string& name),
               bool (*same)(const std::string& a, const std::string& b),
               const std::vector<std::string>& reserved, std::vector<std::string>* complaints);

// The whole file for `s`, with a comment on each setting.
std::string Format(const Settings& s);

// Volumes are changed in steps of this much, and kept within 0..100.
constexpr int VolumeStep = 10;
int StepVolume(int volume, int steps);

}  // namespace settings
