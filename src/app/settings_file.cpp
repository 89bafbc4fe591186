#include "app/settings_file.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

#include "base/files.h"
#include "base/plainfile.h"
#include "base/printable.h"
#include "data/datafile.h"

namespace {

// A settings file is a few hundred bytes; anything far larger is not one.
constexpr size_t MaxSettingsBytes = 64 * 1024;
// A file of nothing but bad lines says so this often, then counts the rest.
constexpr size_t MaxComplaints = 20;

void Say(const std::string& path, const std::string& what) {
    std::fprintf(stderr, "tessalune: %s: %s\n", Printable(path).c_str(), what.c_str());
}

}  // namespace

std::string SettingsPath() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::string base;
    // The XDG rules say a relative value is to be ignored.
    if (config != nullptr && config[0] == '/') {
        base = config;
    } else if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/') {
        base = std::string(home) + "/.config";
    } else {
        return {};
    }
    return base + "/tessalune/tessalune.conf";
}

settings::Settings LoadSettings(const std::string& path, bool* writable) {
    *writable = !path.empty();
    if (path.empty()) {
        return {};
    }
    std::vector<unsigned char> bytes;
    if (!ReadPlainFile(path.c_str(), MaxSettingsBytes + 1, &bytes)) {
        if (errno == ENOENT) {
            return {};
        }
        *writable = false;
        Say(path, std::string(errno == NotPlainFile ? "not a plain file" : std::strerror(errno)) +
                      "; using the default settings, and leaving it as it is");
        return {};
    }
    if (bytes.size() > MaxSettingsBytes) {
        *writable = false;
        Say(path, "larger than " + std::to_string(MaxSettingsBytes / 1024) +
                      " KB, so no settings file; using the default settings, and leaving it "
                      "as it is");
        return {};
    }
    std::vector<std::string> complaints;
    const settings::Settings s = settings::Parse(
        std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), &complaints);
    for (size_t i = 0; i < complaints.size() && i < MaxComplaints; ++i) {
        Say(path, complaints[i]);
    }
    if (complaints.size() > MaxComplaints) {
        Say(path, std::to_string(complaints.size() - MaxComplaints) +
                      " more lines like these, each left at its default");
    }
    return s;
}

bool SaveSettings(const std::string& path, const settings::Settings& s) {
    // ~/.config itself may not be there yet; ReplaceFile makes the last level.
    const size_t slash = path.rfind('/');
    if (slash != std::string::npos && slash > 0) {
        const std::string parent = path.substr(0, path.rfind('/', slash - 1));
        if (!parent.empty() && !IsDirectory(parent.c_str())) {
            MakeDirectory(parent.c_str(), false);
        }
    }
    const std::string text = settings::Format(s);
    if (!ReplaceFile(path.c_str(), reinterpret_cast<const unsigned char*>(text.data()),
                     text.size())) {
        Say(path, std::string("the settings could not be saved: ") + std::strerror(errno));
        return false;
    }
    return true;
}
