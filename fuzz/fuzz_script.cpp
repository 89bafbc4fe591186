// The headless runner's input script: any text, taken whole or refused with
// the number of the line at fault.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "demo/script_text.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::string error;
    std::vector<script::Event> events;
    const bool taken = script::ParseEvents(text, &events, nullptr, &error);
    fuzz::Check(taken == error.empty(), "a refusal without a reason, or a reason without one");
    fuzz::Check(taken || error.rfind("line ", 0) == 0, "a refusal that names no line");
    fuzz::Check(taken || events.empty(), "a refused script left some of its lines behind");
    for (const script::Event& e : events) {
        fuzz::Check(e.frame >= 0, "an event before the first frame");
        const bool key = e.kind == script::EventKind::Down || e.kind == script::EventKind::Up ||
                         e.kind == script::EventKind::Tap;
        fuzz::Check(!key || e.vk != 0, "a key event without a key");
        fuzz::Check(e.joyX >= -1000 && e.joyX <= 1000 && e.joyY >= -1000 && e.joyY <= 1000,
                    "a joystick axis off the game's scale");
    }
    // The same text gives the same answer, with no error text to fill.
    std::vector<script::Event> again;
    fuzz::Check(script::ParseEvents(text, &again, nullptr, nullptr) == taken,
                "the parser changed its mind");
    return 0;
}
