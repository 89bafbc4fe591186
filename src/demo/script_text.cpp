// The input scripts of the headless runner and the game's recordings (the
// format is told in demo/script_text.h). A script is taken whole or not
// at all.
#include "demo/script_text.h"

#include <charconv>
#include <cstring>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/plainfile.h"
#include "base/printable.h"
#include "platform/events.h"

namespace script {

namespace {

struct NamedKey {
    const char* name;
    int vk;
};

// Shift stands for the left one, as a player would press it.
constexpr NamedKey KeyNames[] = {
    {"Left", VK_LEFT},     {"Right", VK_RIGHT},   {"Up", VK_UP},         {"Down", VK_DOWN},
    {"Z", VK_Z},           {"X", VK_X},           {"C", VK_C},           {"V", VK_V},
    {"B", VK_B},           {"M", VK_M},           {"Return", VK_RETURN}, {"Shift", VK_LSHIFT},
    {"Escape", VK_ESCAPE}, {"RShift", VK_RSHIFT},
};

constexpr int JoyAxisLimit = 1000;
constexpr const char* HeaderWord = "tessalune-recording";
// No line the game writes comes near this; a longer one is no script.
constexpr size_t MaxLineBytes = 4096;
// A recording covers at most 24 hours of frames at about 60 a second: nobody
// plays a run that long, and replaying a stamp beyond it would keep the
// runner busy for minutes on end, so it is taken for damage.
constexpr int MaxRecordedFrame = 24 * 60 * 60 * 60;
// A recording of days of play is a few megabytes; anything larger is not one.
constexpr size_t MaxScriptBytes = size_t{64} << 20;
// A word quoted back in a message is cut to this length.
constexpr size_t MaxQuoted = 32;

std::string Quote(const std::string& word) {
    if (word.size() <= MaxQuoted) {
        return "'" + Printable(word) + "'";
    }
    return "'" + Printable(word.substr(0, MaxQuoted)) + "...'";
}

bool ParseInt(std::string_view text, int* out) {
    if (text.empty() || text.front() == '+') {
        return false;
    }
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, *out);
    return ec == std::errc() && ptr == end;
}

// Parses one line without its comment; `error` says what is wrong.
bool ParseLine(const std::vector<std::string>& words, Event* e, std::string* error) {
    if (!ParseInt(words[0], &e->frame) || e->frame < 0) {
        *error = "the frame " + Quote(words[0]) + " is not a whole number of 0 or more";
        return false;
    }
    if (words.size() < 2) {
        *error = "an event is missing after the frame";
        return false;
    }
    const std::string& verb = words[1];
    auto expectWords = [&](size_t n) {
        if (words.size() != n) {
            *error = Quote(verb) + " takes " + std::to_string(n - 2) + " word(s) after it, not " +
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
        e->vk = KeyFromName(words[2]);
        if (e->vk != 0) {
            return true;
        }
        *error = "unknown key " + Quote(words[2]) + " (one of " + KeyNameList() + ")";
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
        *error = "focus is 'lost' or 'gained', not " + Quote(words[2]);
        return false;
    }
    // The end of a recording closes the game as a close would.
    if (verb == "musicend" || verb == "close" || verb == "end") {
        if (!expectWords(2)) {
            return false;
        }
        e->kind = verb == "musicend" ? EventKind::MusicEnd : EventKind::Close;
        return true;
    }
    *error = "unknown event " + Quote(verb) + " (down, up, tap, joy, focus, musicend, close, end)";
    return false;
}

// A recording's first line: its format and the clock the game started from.
bool ParseHeader(const std::vector<std::string>& words, ScriptHeader* header, std::string* error) {
    int version = 0;
    long long clock = -1;
    if (words.size() != 4 || words[2] != "clock" || !ParseInt(words[1], &version) || version < 1) {
        *error = std::string("a recording starts '") + HeaderWord + " VERSION clock MS'";
        return false;
    }
    if (version > NewestRecordingVersion) {
        *error = "the recording is of format " + std::to_string(version) +
                 ", newer than this game reads (" + std::to_string(NewestRecordingVersion) +
                 "): play it with a newer Tessalune";
        return false;
    }
    const std::string& ms = words[3];
    auto [ptr, ec] = std::from_chars(ms.data(), ms.data() + ms.size(), clock);
    if (ec != std::errc() || ptr != ms.data() + ms.size() || clock < 0 || clock > 0xffffffffLL) {
        *error = "the start clock " + Quote(ms) + " is not milliseconds from 0 to 4294967295";
        return false;
    }
    header->present = true;
    header->version = version;
    header->clock = static_cast<uint32_t>(clock);
    return true;
}

}  // namespace

bool ReadScriptFile(const std::string& path, const char* what, std::string* text,
                    std::string* error) {
    std::vector<unsigned char> bytes;
    if (!ReadPlainFile(path.c_str(), MaxScriptBytes + 1, &bytes)) {
        const int why = errno;
        *error = std::string("cannot read the ") + what + " '" + Printable(path) +
                 "': " + (why == NotPlainFile ? "it is not a plain file" : std::strerror(why));
        return false;
    }
    if (bytes.size() > MaxScriptBytes) {
        *error =
            std::string("the ") + what + " '" + Printable(path) + "' is too large (over 64 MiB)";
        return false;
    }
    text->assign(bytes.begin(), bytes.end());
    return true;
}

bool ParseEvents(const std::string& text, std::vector<Event>* events, ScriptHeader* header,
                 std::string* error) {
    std::vector<Event> parsed;
    ScriptHeader head;
    std::istringstream in(text);
    std::string line;
    int number = 0;
    std::string why;
    auto fail = [&](const std::string& reason) {
        if (error != nullptr) {
            *error = "line " + std::to_string(number) + ": " + reason;
        }
        return false;
    };
    while (std::getline(in, line)) {
        ++number;
        if (line.size() > MaxLineBytes) {
            return fail("a line of " + std::to_string(line.size()) + " bytes is no script line");
        }
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
        if (w[0] == HeaderWord) {
            if (number != 1) {
                return fail(std::string("only the first line may say '") + HeaderWord + "'");
            }
            if (!ParseHeader(w, &head, &why)) {
                return fail(why);
            }
            continue;
        }
        if (head.ended) {
            return fail("the recording goes on after its end");
        }
        Event e;
        if (!ParseLine(w, &e, &why)) {
            return fail(why);
        }
        // A recording is written as the game goes: its frames never go back.
        if (head.present) {
            if (e.frame > MaxRecordedFrame) {
                return fail("the frame " + std::to_string(e.frame) +
                            " is beyond any recording (at most " +
                            std::to_string(MaxRecordedFrame) + ", 24 hours of play)");
            }
            if (!parsed.empty() && e.frame < parsed.back().frame) {
                return fail("the frame " + std::to_string(e.frame) +
                            " comes before the frame of the line above it");
            }
            head.ended = w[1] == "end";
        }
        parsed.push_back(e);
    }
    if (events != nullptr) {
        *events = std::move(parsed);
    }
    if (header != nullptr) {
        *header = head;
    }
    return true;
}

namespace {
constexpr const char* KindWords[] = {"down",       "up",           "tap",      "joy",
                                     "focus lost", "focus gained", "musicend", "close"};
}

std::string EventLine(const Event& e) {
    std::string line = std::to_string(e.frame) + " " + KindWords[static_cast<int>(e.kind)];
    if (e.kind == EventKind::Down || e.kind == EventKind::Up || e.kind == EventKind::Tap) {
        const char* name = KeyName(e.vk);
        line += " ";
        line += name != nullptr ? name : "?";
    } else if (e.kind == EventKind::Joy) {
        line += " " + std::to_string(e.joyX) + " " + std::to_string(e.joyY);
        for (const uint8_t b : e.buttons) {
            line += b != 0 ? " 1" : " 0";
        }
    }
    return line + "\n";
}

const char* KeyName(int vk) {
    for (const NamedKey& k : KeyNames) {
        if (k.vk == vk) {
            return k.name;
        }
    }
    return nullptr;
}

int KeyFromName(std::string_view name) {
    for (const NamedKey& k : KeyNames) {
        if (name == k.name) {
            return k.vk;
        }
    }
    return 0;
}

std::string KeyNameList() {
    std::string list;
    for (const NamedKey& k : KeyNames) {
        list += list.empty() ? "" : " ";
        list += k.name;
    }
    return list;
}

}  // namespace script
