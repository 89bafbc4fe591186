#include "platform/web/web_keys.h"

#include <emscripten.h>

#include <cctype>
#include <string>
#include <vector>

#include "platform/events.h"

// The game key `vk` is on the physical key `code` from now on.
EM_JS(void, web_bind_key, (const char* code, int vk),
      { Module.page.bindKey(UTF8ToString(code), vk); });
EM_JS(void, web_clear_keys, (), { Module.page.clearKeys(); });

namespace {

struct Named {
    const char* name;  // as in the settings file (SDL's scancode names)
    const char* code;  // KeyboardEvent.code
};

// The keys a player may bind beyond letters, digits and F1..F12.
constexpr Named NamedKeys[] = {
    {"Up", "ArrowUp"},
    {"Down", "ArrowDown"},
    {"Left", "ArrowLeft"},
    {"Right", "ArrowRight"},
    {"Return", "Enter"},
    {"Escape", "Escape"},
    {"Backspace", "Backspace"},
    {"Tab", "Tab"},
    {"Space", "Space"},
    {"-", "Minus"},
    {"=", "Equal"},
    {"[", "BracketLeft"},
    {"]", "BracketRight"},
    {"\\", "Backslash"},
    {";", "Semicolon"},
    {"'", "Quote"},
    {"`", "Backquote"},
    {",", "Comma"},
    {".", "Period"},
    {"/", "Slash"},
    {"CapsLock", "CapsLock"},
    {"Insert", "Insert"},
    {"Delete", "Delete"},
    {"Home", "Home"},
    {"End", "End"},
    {"PageUp", "PageUp"},
    {"PageDown", "PageDown"},
    {"Pause", "Pause"},
    {"Left Ctrl", "ControlLeft"},
    {"Right Ctrl", "ControlRight"},
    {"Left Shift", "ShiftLeft"},
    {"Right Shift", "ShiftRight"},
    {"Left Alt", "AltLeft"},
    {"Right Alt", "AltRight"},
    {"Keypad Enter", "NumpadEnter"},
    {"Keypad +", "NumpadAdd"},
    {"Keypad -", "NumpadSubtract"},
    {"Keypad *", "NumpadMultiply"},
    {"Keypad /", "NumpadDivide"},
    {"Keypad .", "NumpadDecimal"},
};

// The keys the surroundings keep for themselves, and the ones the game reads
// as they are (Return, Shift, Esc, the keypad's arrows).
const std::vector<std::string> Reserved = {"P",          "Pause",       "-",       "=",
                                           "[",          "]",           "Return",  "Keypad Enter",
                                           "Left Shift", "Right Shift", "Escape",  "Keypad 2",
                                           "Keypad 4",   "Keypad 6",    "Keypad 8"};

bool Known(const std::string& name) {
    return !webplat::CodeOf(name).empty();
}

bool Same(const std::string& a, const std::string& b) {
    return webplat::CodeOf(a) == webplat::CodeOf(b);
}

}  // namespace

namespace webplat {

std::string CodeOf(const std::string& name) {
    std::string upper;
    for (char c : name) {
        upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    if (upper.size() == 1 && upper[0] >= 'A' && upper[0] <= 'Z') {
        return "Key" + upper;
    }
    if (upper.size() == 1 && upper[0] >= '0' && upper[0] <= '9') {
        return "Digit" + upper;
    }
    if (upper.size() == 8 && upper.rfind("KEYPAD ", 0) == 0 && upper[7] >= '0' && upper[7] <= '9') {
        return std::string("Numpad") + upper[7];
    }
    if (upper.size() >= 2 && upper.size() <= 3 && upper[0] == 'F') {
        const std::string digits = upper.substr(1);
        const int n =
            digits.find_first_not_of("0123456789") == std::string::npos ? std::stoi(digits) : 0;
        if (n >= 1 && n <= 12) {
            return "F" + std::to_string(n);
        }
    }
    for (const Named& k : NamedKeys) {
        std::string known;
        for (const char* p = k.name; *p != '\0'; ++p) {
            known += static_cast<char>(std::toupper(static_cast<unsigned char>(*p)));
        }
        if (known == upper) {
            return k.code;
        }
    }
    return {};
}

void BindKeys(settings::Settings* s, std::vector<std::string>* complaints) {
    settings::CheckKeys(s, Known, Same, Reserved, complaints);
    constexpr int GameKeys[settings::GameKeyCount] = {VK_UP, VK_DOWN, VK_LEFT, VK_RIGHT, VK_Z,
                                                      VK_X,  VK_C,    VK_V,    VK_B,     VK_M};
    web_clear_keys();
    for (int i = 0; i < settings::GameKeyCount; ++i) {
        const std::string code = CodeOf(s->keys[static_cast<size_t>(i)]);
        if (!code.empty()) {
            web_bind_key(code.c_str(), GameKeys[i]);
        }
    }
}

}  // namespace webplat
