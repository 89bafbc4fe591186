// The input scripts of the headless runner: one event a line,
//   F down KEY | F up KEY | F tap KEY | F joy X Y B1 B2 B3 B4
//   F focus lost | F focus gained | F musicend | F close
// with `#` starting a comment. A script is taken whole or not at all.
#include <charconv>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/keys.h"
#include "platform/script/script.h"

namespace script {

namespace {

constexpr int JoyAxisLimit = 1000;

struct KeyName {
    const char* name;
    int vk;
};

// Shift stands for the left one, as a player would press it.
constexpr KeyName KeyNames[] = {
    {"Left", VK_LEFT},     {"Right", VK_RIGHT}, {"Up", VK_UP},         {"Down", VK_DOWN},
    {"Z", VK_Z},           {"X", VK_X},         {"C", VK_C},           {"V", VK_V},
    {"B", VK_B},           {"M", VK_M},         {"Return", VK_RETURN}, {"Shift", VK_LSHIFT},
    {"Escape", VK_ESCAPE},
};

bool ParseInt(std::string_view text, int* out) {
    if (text.empty() || text.front() == '+') {
        return false;
    }
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, *out);
    return ec == std::errc() && ptr == end;
}

std::string KeyList() {
    std::string list;
    for (const KeyName& k : KeyNames) {
        list += list.empty() ? "" : " ";
        list += k.name;
    }
    return list;
}

// Parses one line without its comment; `error` says what is wrong.
bool ParseLine(const std::vector<std::string>& words, Event* e, std::string* error) {
    if (!ParseInt(words[0], &e->frame) || e->frame < 0) {
        *error = "the frame '" + words[0] + "' is not a whole number of 0 or more";
        return false;
    }
    if (words.size() < 2) {
        *error = "an event is missing after the frame";
        return false;
    }
    const std::string& verb = words[1];
    auto expectWords = [&](size_t n) {
        if (words.size() != n) {
            *error = "'" + verb + "' takes " + std::to_string(n - 2) + " word(s) after it, not " +
                     std::to_string(words.size() - 2);
            return false;
        }
        return true;
    };
    if (verb == "down" || verb == "up" || verb == "tap") {
        if (!expectWords(3)) {
            return false;
        }
        e->kind = verb == "down" ? EventKind::Down : verb == "up" ? EventKind::Up : EventKind::Tap;
        for (const KeyName& k : KeyNames) {
            if (words[2] == k.name) {
                e->vk = k.vk;
                return true;
            }
        }
        *error = "unknown key '" + words[2] + "' (one of " + KeyList() + ")";
        return false;
    }
    if (verb == "joy") {
        if (!expectWords(8)) {
            return false;
        }
        e->kind = EventKind::Joy;
        if (!ParseInt(words[2], &e->joyX) || !ParseInt(words[3], &e->joyY) ||
            e->joyX < -JoyAxisLimit || e->joyX > JoyAxisLimit || e->joyY < -JoyAxisLimit ||
            e->joyY > JoyAxisLimit) {
            *error = "joystick axes must be whole numbers from -1000 to 1000";
            return false;
        }
        for (int i = 0; i < 4; ++i) {
            int b = 0;
            if (!ParseInt(words[4 + i], &b) || (b != 0 && b != 1)) {
                *error = "joystick buttons must be 0 or 1";
                return false;
            }
            e->buttons[i] = static_cast<uint8_t>(b);
        }
        return true;
    }
    if (verb == "focus") {
        if (!expectWords(3)) {
            return false;
        }
        if (words[2] == "lost") {
            e->kind = EventKind::FocusLost;
            return true;
        }
        if (words[2] == "gained") {
            e->kind = EventKind::FocusGained;
            return true;
        }
        *error = "focus is 'lost' or 'gained', not '" + words[2] + "'";
        return false;
    }
    if (verb == "musicend" || verb == "close") {
        if (!expectWords(2)) {
            return false;
        }
        e->kind = verb == "close" ? EventKind::Close : EventKind::MusicEnd;
        return true;
    }
    *error = "unknown event '" + verb + "' (down, up, tap, joy, focus, musicend, close)";
    return false;
}

}  // namespace

bool ParseScript(const std::string& text, std::string* error) {
    std::vector<Event> parsed;
    std::istringstream in(text);
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        const size_t hash = line.find('#');
        if (hash != std::string::npos) {
            line.erase(hash);
        }
        std::istringstream words(line);
        std::vector<std::string> w;
        for (std::string word; words >> word;) {
            w.push_back(word);
        }
        if (w.empty()) {
            continue;
        }
        Event e;
        std::string why;
        if (!ParseLine(w, &e, &why)) {
            if (error != nullptr) {
                *error = "line " + std::to_string(number) + ": " + why;
            }
            return false;
        }
        parsed.push_back(e);
    }
    for (const Event& e : parsed) {
        AddEvent(e);
    }
    return true;
}

}  // namespace script
