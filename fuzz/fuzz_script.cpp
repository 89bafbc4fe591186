// The headless runner's input script: any text, taken whole or refused with
// the number of the line at fault.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "platform/script/script.h"
#include "platform/script/script_state.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    script::Reset();
    std::string error;
    const bool taken = script::ParseScript(text, &error);
    fuzz::Check(taken == error.empty(), "a refusal without a reason, or a reason without one");
    fuzz::Check(taken || error.rfind("line ", 0) == 0, "a refusal that names no line");
    const auto& events = script::detail::S().events;
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
    script::Reset();
    fuzz::Check(script::ParseScript(text, nullptr) == taken, "the parser changed its mind");
    return 0;
}
