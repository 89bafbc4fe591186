// The text of an input script (the headless runner's --input, and the game's
// own recordings): one event a line, stamped with the frame before which it
// is handed to the game.
//   F down KEY | F up KEY | F tap KEY | F joy X Y B1 B2 B3 B4
//   F focus lost | F focus gained | F musicend | F close | F end
// with `#` starting a comment. A recording starts with the line
//   tessalune-recording VERSION clock MS
// naming its format and the clock the game started from.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace script {

enum class EventKind { Down, Up, Tap, Joy, FocusLost, FocusGained, MusicEnd, Close };

struct Event {
    int frame = 0;
    EventKind kind = EventKind::Down;
    int vk = 0;              // Down, Up, Tap
    int joyX = 0, joyY = 0;  // Joy: axes already on -1000..1000
    uint8_t buttons[4] = {0, 0, 0, 0};
};

struct ScriptHeader {
    bool present = false;  // the script is a recording
    int version = 0;
    uint32_t clock = 0;
    bool ended = false;  // it has its end line: the recording was not cut short
};

// The newest recording format read here.
constexpr int NewestRecordingVersion = 1;

// Reads the script or recording at `path` (a plain file only: a pipe or a
// device there could hold the game for ever); false with a message naming
// `what` it was to be ("recording", "input script").
bool ReadScriptFile(const std::string& path, const char* what, std::string* text,
                    std::string* error);

// Parses a whole script; false with a message naming the line. Nothing is
// kept from a script that fails.
bool ParseEvents(const std::string& text, std::vector<Event>* events, ScriptHeader* header,
                 std::string* error);

// The line a recording gives `event`, newline included.
std::string EventLine(const Event& event);

// The names scripts and recordings give the game's keys ("Left", "Z",
// "Shift", ...). KeyName gives null for a key without one, KeyFromName 0 for
// a name that is no key; KeyNameList is every name, for messages.
const char* KeyName(int vk);
int KeyFromName(std::string_view name);
std::string KeyNameList();

}  // namespace script
