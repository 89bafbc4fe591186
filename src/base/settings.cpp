#include "base/settings.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

#include "base/printable.h"

namespace settings {

namespace {

constexpr const char* KeyNames[GameKeyCount] = {
    "key-up",     "key-down", "key-left", "key-right", "key-confirm",
    "key-cancel", "key-c",    "key-v",    "key-b",     "key-m"};
// Where the keys sit on the keyboard the game was made for.
constexpr const char* DefaultKeys[GameKeyCount] = {"Up", "Down", "Left", "Right", "Z",
                                                   "X",  "C",    "V",    "B",     "M"};
// A window wider or taller than this is no window anyone asked for.
constexpr int LargestWindow = 16384;
constexpr int SmallestWindow = 160;

std::string_view Trim(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!s.empty() && blank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && blank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

bool ReadInt(std::string_view s, int lo, int hi, int* out) {
    int v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || end != s.data() + s.size() || v < lo || v > hi) {
        return false;
    }
    *out = v;
    return true;
}

std::string Complaint(int line, std::string_view text, const std::string& why,
                      const std::string& kept) {
    return "line " + std::to_string(line) + " \"" + Printable(std::string(text)) + "\": " + why +
           "; keeping " + kept;
}

std::string WindowSizeText(const Settings& s) {
    return s.windowWidth == 0
               ? std::string("(the largest that fits)")
               : std::to_string(s.windowWidth) + "x" + std::to_string(s.windowHeight);
}

}  // namespace

Settings::Settings() {
    for (int i = 0; i < GameKeyCount; ++i) {
        keys[static_cast<size_t>(i)] = DefaultKeys[i];
    }
}

const char* KeyName(GameKey key) {
    return KeyNames[static_cast<int>(key)];
}

const char* DefaultKey(GameKey key) {
    return DefaultKeys[static_cast<int>(key)];
}

int StepVolume(int volume, int steps) {
    return std::clamp(volume + steps * VolumeStep, 0, 100);
}

Settings Parse(std::string_view text, std::vector<std::string>* complaints) {
    Settings s;
    const Settings defaults;
    int lineNumber = 0;
    while (!text.empty()) {
        const size_t eol = text.find('\n');
        std::string_view raw = text.substr(0, eol);
        text.remove_prefix(eol == std::string_view::npos ? text.size() : eol + 1);
        ++lineNumber;
        std::string_view line = raw;
        if (const size_t hash = line.find('#'); hash != std::string_view::npos) {
            line = line.substr(0, hash);
        }
        line = Trim(line);
        if (line.empty()) {
            continue;
        }
        const size_t eq = line.find('=');
        if (eq == std::string_view::npos) {
            complaints->push_back(Complaint(lineNumber, raw, "not a 'name = value' line",
                                            "the setting it meant at its default"));
            continue;
        }
        const std::string_view name = Trim(line.substr(0, eq));
        const std::string_view value = Trim(line.substr(eq + 1));
        auto bad = [&](const std::string& why, const std::string& kept) {
            complaints->push_back(Complaint(lineNumber, raw, why, kept));
        };
        if (name == "music-volume" || name == "sound-volume") {
            int& v = name == "music-volume" ? s.musicVolume : s.soundVolume;
            if (!ReadInt(value, 0, 100, &v)) {
                bad("a volume is a whole number from 0 to 100", "100");
            }
        } else if (name == "fullscreen") {
            if (value == "yes" || value == "no") {
                s.fullscreen = value == "yes";
            } else {
                bad("say yes or no", "yes");
            }
        } else if (name == "window-size") {
            const size_t x = value.find('x');
            int w = 0;
            int h = 0;
            if (x != std::string_view::npos &&
                ReadInt(value.substr(0, x), SmallestWindow, LargestWindow, &w) &&
                ReadInt(value.substr(x + 1), SmallestWindow, LargestWindow, &h)) {
                s.windowWidth = w;
                s.windowHeight = h;
            } else {
                bad("a size is WIDTHxHEIGHT, each from " + std::to_string(SmallestWindow) + " to " +
                        std::to_string(LargestWindow),
                    WindowSizeText(defaults));
            }
        } else if (name == "scale") {
            if (value == "whole" || value == "fit") {
                s.scale = value == "fit" ? Scale::Fit : Scale::Whole;
            } else {
                bad("say whole or fit", "whole");
            }
        } else {
            const auto* found = std::find(std::begin(KeyNames), std::end(KeyNames), name);
            if (found == std::end(KeyNames)) {
                bad("no such setting", "nothing from it");
                continue;
            }
            const auto i = static_cast<size_t>(found - std::begin(KeyNames));
            if (value.empty()) {
                bad("no key named", DefaultKeys[i]);
                continue;
            }
            s.keys[i] = std::string(value);
            s.keyLines[i] = lineNumber;
        }
    }
    return s;
}

void CheckKeys(Settings* s, bool (*known)(const std::string& name),
               bool (*same)(const std::string& a, const std::string& b),
               const std::vector<std::string>& reserved, std::vector<std::string>* complaints) {
    auto putBack = [&](size_t i, const std::string& why) {
        complaints->push_back("line " + std::to_string(s->keyLines[i]) + " \"" + KeyNames[i] +
                              " = " + Printable(s->keys[i]) + "\": " + why + "; keeping " +
                              DefaultKeys[i]);
        s->keys[i] = DefaultKeys[i];
        s->keyLines[i] = 0;
    };
    for (size_t i = 0; i < GameKeyCount; ++i) {
        if (s->keyLines[i] == 0) {
            continue;
        }
        if (!known(s->keys[i])) {
            putBack(i, "no key of that name");
            continue;
        }
        for (const std::string& r : reserved) {
            if (same(s->keys[i], r)) {
                putBack(i, "that key is kept for " + r);
                break;
            }
        }
    }
    // Two game keys on one physical key: the later line gives way, to its
    // default, which may itself now clash with a key moved onto it; each
    // round puts one key back, so this ends with every key at its default at
    // the worst.
    for (;;) {
        size_t loser = GameKeyCount;
        std::string other;
        for (size_t i = 0; i < GameKeyCount && loser == GameKeyCount; ++i) {
            for (size_t j = i + 1; j < GameKeyCount; ++j) {
                if (same(s->keys[i], s->keys[j])) {
                    loser = s->keyLines[i] > s->keyLines[j] ? i : j;
                    other = KeyNames[loser == i ? j : i];
                    break;
                }
            }
        }
        if (loser == GameKeyCount) {
            return;
        }
        putBack(loser, "that key is already " + other);
    }
}

std::string Format(const Settings& s) {
    std::string out =
        "# Tessalune's settings, written by the game whenever one changes.\n"
        "# Unknown names and bad values are said on standard error and left at\n"
        "# their defaults.\n\n";
    out += "# Volumes, 0 (silent) to 100.\n";
    out += "music-volume = " + std::to_string(s.musicVolume) + "\n";
    out += "sound-volume = " + std::to_string(s.soundVolume) + "\n\n";
    out += "# Start full screen (yes) or in a window (no); Alt+Enter switches.\n";
    out += std::string("fullscreen = ") + (s.fullscreen ? "yes" : "no") + "\n";
    if (s.windowWidth != 0) {
        out += "# The window's size when not full screen.\n";
        out += "window-size = " + std::to_string(s.windowWidth) + "x" +
               std::to_string(s.windowHeight) + "\n";
    }
    out += "# whole: scaled by whole multiples only; fit: as large as fits.\n";
    out += std::string("scale = ") + (s.scale == Scale::Fit ? "fit" : "whole") + "\n\n";
    out += "# The game's keys, by where they sit (SDL's scancode names).\n";
    for (size_t i = 0; i < GameKeyCount; ++i) {
        out += std::string(KeyNames[i]) + " = " + s.keys[i] + "\n";
    }
    return out;
}

}  // namespace settings
