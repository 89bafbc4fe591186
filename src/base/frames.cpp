#include "base/frames.h"

namespace frames {

namespace {

struct State {
    int count = 0;
    Output current;
    bool keepAll = false;
    Output all;
    std::function<void(int)> before;
    std::function<void(int, Output&&)> after;
};

State& S() {
    static State state;
    return state;
}

}  // namespace

void NoteSound(const char* tag) {
    const std::string name = tag != nullptr ? tag : "";
    S().current.sounds.push_back(name);
    if (S().keepAll) {
        S().all.sounds.push_back(name);
    }
}

void NoteMusic(std::string command) {
    if (S().keepAll) {
        S().all.music.push_back(command);
    }
    S().current.music.push_back(std::move(command));
}

void NoteMessage(const char* text, const char* caption, BoxStyle style) {
    std::pair<std::string, std::string> message(text != nullptr ? text : "",
                                                caption != nullptr ? caption : "");
    if (S().keepAll) {
        S().all.messages.push_back(message);
        S().all.boxStyles.push_back(style);
    }
    S().current.messages.push_back(std::move(message));
    S().current.boxStyles.push_back(style);
}

int Count() {
    return S().count;
}

void Begin(uint32_t clock) {
    S().current.clock = clock;
    if (S().before) {
        S().before(S().count);
    }
}

void End() {
    Output out = Take();
    if (S().after) {
        S().after(S().count, std::move(out));
    }
    ++S().count;
}

void SetHooks(std::function<void(int)> before, std::function<void(int, Output&&)> after) {
    S().before = std::move(before);
    S().after = std::move(after);
}

Output Take() {
    Output taken = std::move(S().current);
    S().current = Output{};
    return taken;
}

void KeepAll(bool keep) {
    S().keepAll = keep;
}

const Output& All() {
    return S().all;
}

void Reset() {
    S() = State{};
}

}  // namespace frames
