#include "demo/demo.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "app/app.h"
#include "base/files.h"
#include "base/frames.h"
#include "base/plainfile.h"
#include "base/printable.h"
#include "demo/script_text.h"
#include "demo/tap.h"
#include "demo/trace.h"
#include "platform/platform.h"

namespace demo {

namespace {

constexpr int ExitUsage = 2;
// Stage and score files are a few hundred bytes; a playback copies no more.
constexpr std::uintmax_t MaxDataFileBytes = 1 << 20;

std::FILE* traceFile = nullptr;
std::string tracePath;
bool traceFailed = false;
std::filesystem::path scratch;
// Held locked while the scratch copy is in use, so that a later start can
// tell a copy left by a killed playback from one another game still plays in.
int scratchLock = -1;
constexpr const char* ScratchPrefix = "tessalune-play-";

int Fail(const std::string& why) {
    std::fprintf(stderr, "tessalune: %s\n", Printable(why).c_str());
    return ExitUsage;
}

std::string TemporaryDirectory() {
    const char* tmp = std::getenv("TMPDIR");
    return tmp != nullptr && *tmp != '\0' ? tmp : "/tmp";
}

// A file named on the command line, opened for writing as a stdio stream.
std::FILE* CreateNamedFile(const std::string& path, const char* what, std::string* why) {
    std::FILE* file = CreatePlainStream(path.c_str());
    if (file == nullptr) {
        const int err = errno;
        *why = std::string("cannot write the ") + what + " '" + path +
               "': " + (err == NotPlainFile ? "it is not a plain file" : std::strerror(err));
    }
    return file;
}

void WriteTraceLine(int frame, frames::Output&& out) {
    if (traceFile == nullptr || traceFailed) {
        return;
    }
    const std::string line = TraceLine(frame, out, LastSceneRun());
    if (std::fwrite(line.data(), 1, line.size(), traceFile) != line.size() ||
        std::fflush(traceFile) != 0) {
        traceFailed = true;
        std::fprintf(stderr, "tessalune: the trace '%s' stops at frame %d: %s\n",
                     Printable(tracePath).c_str(), frame, std::strerror(errno));
    }
}

bool StartPlayback(const std::string& path, std::string* why) {
    std::string text;
    if (!script::ReadScriptFile(path, "recording", &text, why)) {
        return false;
    }
    std::vector<script::Event> events;
    script::ScriptHeader header;
    std::string error;
    if (!script::ParseEvents(text, &events, &header, &error)) {
        *why = path + ": " + error;
        return false;
    }
    // The runner's own scripts may go without it; a recording never does,
    // and without it nothing bounds how long the show would go on.
    if (!header.present) {
        *why = path + ": line 1: a recording starts 'tessalune-recording VERSION clock MS'";
        return false;
    }
    tap::StartPlayback(std::move(events), tap::PlaybackOptions{});
    // The game's random numbers are seeded from its first look at the clock.
    plat::SetClockStart(header.clock);
    return true;
}

// The files the options named, kept from reading them to opening them.
std::string record;
std::string play;

}  // namespace

int TakeOptions(int* argc, char** argv) {
    int kept = 1;
    for (int i = 1; i < *argc; ++i) {
        const std::string arg = argv[i];
        std::string* target = nullptr;
        std::string name;
        for (const auto& [option, slot] :
             {std::pair<const char*, std::string*>{"--record", &record},
              {"--trace", &tracePath},
              {"--play", &play}}) {
            if (arg == option || arg.rfind(std::string(option) + "=", 0) == 0) {
                target = slot;
                name = option;
            }
        }
        if (target == nullptr) {
            argv[kept++] = argv[i];
            continue;
        }
        if (arg.size() > name.size()) {
            *target = arg.substr(name.size() + 1);
        } else if (i + 1 < *argc) {
            *target = argv[++i];
        } else {
            return Fail(name + " needs a file name");
        }
        if (target->empty()) {
            return Fail(name + " needs a file name");
        }
    }
    *argc = kept;
    argv[kept] = nullptr;

    if (!record.empty() && !play.empty()) {
        return Fail("--record and --play do not go together: a playback records nothing");
    }
    return -1;
}

int OpenFiles() {
    std::string why;
    if (!play.empty() && !StartPlayback(play, &why)) {
        return Fail(why);
    }
    if (!record.empty() && !tap::StartRecording(record, &why)) {
        return Fail(why);
    }
    if (!tracePath.empty()) {
        traceFile = CreateNamedFile(tracePath, "trace", &why);
        if (traceFile == nullptr) {
            return Fail(why);
        }
    }
    frames::SetHooks([](int) { tap::Flush(); }, WriteTraceLine);
    return -1;
}

bool EnterPlaybackCopy() {
    if (!tap::Playing()) {
        return true;
    }
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path here = fs::current_path(ec);
    std::string name;
    if (ec || !MakeScratchDirectory(TemporaryDirectory() + "/" + ScratchPrefix, &name)) {
        std::fprintf(stderr, "tessalune: no scratch directory for the playback: %s\n",
                     std::strerror(errno));
        return false;
    }
    scratch = name;
    scratchLock = LockOwnDirectory(scratch.c_str(), true);
    // The pictures, sounds and music are only read: links will do. The
    // scores and stages are copied, so the run starts from the player's own.
    for (const char* dir : {"System", "Fcg", "Wave", "Mid"}) {
        fs::create_directory_symlink(here / dir, scratch / dir, ec);
    }
    fs::create_directory(scratch / "Data", ec);
    for (const fs::directory_entry& entry : fs::directory_iterator(here / "Data", ec)) {
        std::error_code fileEc;
        if (entry.is_regular_file(fileEc) && entry.file_size(fileEc) <= MaxDataFileBytes) {
            fs::copy_file(entry.path(), scratch / "Data" / entry.path().filename(), fileEc);
        }
    }
    fs::current_path(scratch, ec);
    if (ec) {
        std::fprintf(stderr, "tessalune: cannot enter the scratch directory %s: %s\n",
                     Printable(scratch.string()).c_str(), ec.message().c_str());
        fs::remove_all(scratch, ec);
        scratch.clear();
        return false;
    }
    return true;
}

void Finish() {
    tap::Finish();
    if (traceFile != nullptr) {
        if (std::fclose(traceFile) != 0 && !traceFailed) {
            std::fprintf(stderr, "tessalune: the trace '%s' is incomplete\n",
                         Printable(tracePath).c_str());
        }
        traceFile = nullptr;
    }
    if (!scratch.empty()) {
        std::error_code ec;
        // Links are removed, never followed: the game directory stays.
        std::filesystem::remove_all(scratch, ec);
        scratch.clear();
    }
    UnlockDirectory(scratchLock);
    scratchLock = -1;
}

void RemoveLeftovers() {
    namespace fs = std::filesystem;
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::directory_iterator(TemporaryDirectory(), ec)) {
        if (entry.path().filename().string().rfind(ScratchPrefix, 0) != 0) {
            continue;
        }
        // Only our own directories, never through a link; a copy whose lock
        // is still held is another game's show, going on.
        const int lock = LockOwnDirectory(entry.path().c_str(), false);
        if (lock >= 0) {
            std::error_code removeEc;
            fs::remove_all(entry.path(), removeEc);
            UnlockDirectory(lock);
        }
    }
}

}  // namespace demo
