// The settings file's reader, fed any bytes as the player's tessalune.conf:
// whatever it takes must write out and read back as the same settings, with
// no complaint the second time, and keys checked as the game checks them.
#include <strings.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "app/settings_file.h"
#include "base/settings.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = fuzz::Directory() + "/tessalune.conf";
    if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    bool writable = false;
    settings::Settings s = LoadSettings(path, &writable);
    fuzz::Check(writable, "a plain file read whole must be writable");
    std::vector<std::string> complaints;
    settings::CheckKeys(
        &s, [](const std::string& n) { return !n.empty() && n.size() < 16; },
        [](const std::string& a, const std::string& b) {
            return strcasecmp(a.c_str(), b.c_str()) == 0;
        },
        {"P", "Pause"}, &complaints);
    const std::string text = settings::Format(s);
    complaints.clear();
    const settings::Settings back = settings::Parse(text, &complaints);
    fuzz::Check(complaints.empty(), "the game's own file must read back without a complaint");
    fuzz::Check(settings::Format(back) == text, "the settings must read back as written");
    return 0;
}
