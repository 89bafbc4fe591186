// Setting up the player's own game directory next to an installed copy.
#include "app/gamedir.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

#include "base/files.h"
#include "base/frames.h"
#include "base/plainfile.h"
#include "data/scores.h"
#include "data/stage.h"
#include "platform/platform.h"

namespace gamedir {
namespace {

// The one file every game directory has: the game cannot start without it.
constexpr const char* MarkerFile = "/Fcg/System1.fcg";

// What the player shares with the installed copy, read-only.
constexpr const char* SharedParts[] = {"System", "Fcg", "Wave", "Mid"};

// The stock stage files are 312 bytes; anything far larger is not one, and
// reading it whole is not worth the risk.
constexpr size_t SeedLimit = 64 * 1024;

std::string Failed(const std::string& what, const std::string& path) {
    return what + " " + path + ": " + std::strerror(errno);
}

// Puts `bytes` at `path` unless something is there already. The bytes go to a
// temporary file first, so the game never finds half a seed; the temporary is
// then hard-linked into place, which fails rather than replace a file that
// appeared meanwhile (a second copy of the game starting at the same moment).
bool PlaceNew(const std::string& path, const std::string& bytes, std::string* why) {
    std::string temp;
    const int fd = CreateUniqueFile(path + ".seed-", &temp);
    if (fd < 0) {
        *why = Failed("cannot write", path);
        return false;
    }
    if (!WriteAll(fd, bytes.data(), bytes.size()) || !SyncFile(fd)) {
        *why = Failed("cannot write", path);
        CloseFile(fd);
        RemoveFile(temp.c_str());
        return false;
    }
    if (!CloseFile(fd)) {
        *why = Failed("cannot write", path);
        RemoveFile(temp.c_str());
        return false;
    }
    bool placed = MakeHardLink(temp.c_str(), path.c_str()) || errno == EEXIST;
    if (!placed) {
        // Some file systems know no hard links; a rename still never shows a
        // half-written file, and the window for a file to appear is tiny.
        placed = AnythingAt(path.c_str()) || std::rename(temp.c_str(), path.c_str()) == 0;
        if (!placed) {
            *why = Failed("cannot write", path);
        }
    }
    RemoveFile(temp.c_str());
    return placed;
}

// Seeds `path` with `bytes` when there is nothing at `path`, not even a link.
bool SeedIfAbsent(const std::string& path, const std::string& bytes, std::string* why) {
    if (AnythingAt(path.c_str())) {
        return true;
    }
    if (errno != ENOENT) {
        *why = Failed("cannot look at", path);
        return false;
    }
    return PlaceNew(path, bytes, why);
}

// Makes `link` point at `target`. A real file or directory by that name is
// the player's and stays; a link pointing elsewhere (an earlier install that
// moved or went away) is swapped in one step for a fresh one.
bool EnsureLink(const std::string& link, const std::string& target, std::string* why) {
    if (!AnythingAt(link.c_str())) {
        if (errno != ENOENT) {
            *why = Failed("cannot look at", link);
            return false;
        }
        if (MakeSymlink(target.c_str(), link.c_str()) || errno == EEXIST) {
            return true;
        }
        *why = Failed("cannot link", link);
        return false;
    }
    if (!IsSymlink(link.c_str())) {
        return true;
    }
    std::string current;
    if (ReadSymlink(link.c_str(), &current) && current == target) {
        return true;
    }
    const std::string temp = link + ".relink-" + std::to_string(ProcessNumber());
    RemoveFile(temp.c_str());
    if (!MakeSymlink(target.c_str(), temp.c_str())) {
        *why = Failed("cannot link", link);
        return false;
    }
    if (std::rename(temp.c_str(), link.c_str()) != 0) {
        *why = Failed("cannot link", link);
        RemoveFile(temp.c_str());
        return false;
    }
    return true;
}

}  // namespace

bool IsGameDirectory(const std::string& dir) {
    return !dir.empty() && IsPlainFileAt((dir + MarkerFile).c_str());
}

bool PlaysInPlace(const std::string& here, const std::vector<std::string>& installs) {
    if (!IsGameDirectory(here)) {
        return false;
    }
    // The installed copy is the game's own and read-only (or, for root, it
    // would take the player's scores into the system's files).
    for (const std::string& install : installs) {
        if (SameFile(here.c_str(), install.c_str())) {
            return false;
        }
    }
    return true;
}

std::string FindInstalledFiles(const std::vector<std::string>& candidates) {
    for (const std::string& candidate : candidates) {
        if (!IsGameDirectory(candidate)) {
            continue;
        }
        std::string resolved = ResolvedPath(candidate.c_str());
        if (!resolved.empty()) {
            return resolved;
        }
    }
    return {};
}

bool PrepareUserDirectory(const std::string& user, const std::string& installed, std::string* why) {
    std::string base = user;
    while (base.size() > 1 && base.back() == '/') {
        base.pop_back();
    }
    for (const char* part : SharedParts) {
        if (!EnsureLink(base + "/" + part, installed + "/" + part, why)) {
            return false;
        }
    }
    const std::string data = base + "/Data";
    if (!MakeDirectory(data.c_str(), true) && !(errno == EEXIST && IsDirectory(data.c_str()))) {
        if (errno == EEXIST) {
            errno = ENOTDIR;
        }
        *why = Failed("cannot make", data);
        return false;
    }
    for (int i = 0; i < StageCount; ++i) {
        const std::string name = std::string("/") + StagePath(i);
        std::vector<unsigned char> stock;
        // A stage the install lacks is left out: the game copes with a
        // missing stage file, and that is no reason to refuse to start.
        if (ReadPlainFile((installed + name).c_str(), SeedLimit, &stock) &&
            !SeedIfAbsent(base + name, std::string(stock.begin(), stock.end()), why)) {
            return false;
        }
    }
    return SeedIfAbsent(base + "/" + BestScorePath, std::string(ScoreFileBytes, '\0'), why);
}

}  // namespace gamedir

// Where the read-only game files sit, seen from the program's own directory,
// so that an install moved to another prefix still finds them.
#ifndef TESSALUNE_BIN_TO_DATA
#define TESSALUNE_BIN_TO_DATA "../share/tessalune"
#endif

namespace {

constexpr const char* Caption = "Tessalune";

std::vector<std::string> InstalledCandidates() {
    std::vector<std::string> candidates;
    const std::string base = plat::ProgramDirectory();
    if (!base.empty()) {
        candidates.push_back(base + TESSALUNE_BIN_TO_DATA);
    }
#ifdef TESSALUNE_DATADIR
    candidates.push_back(TESSALUNE_DATADIR);
#endif
    return candidates;
}

bool Refuse(const std::string& text) {
    frames::NoteMessage(text.c_str(), Caption, {false, false});
    plat::MessageBox(text.c_str(), Caption, false);
    return false;
}

}  // namespace

bool EnterGameDirectory() {
    const std::vector<std::string> installs = InstalledCandidates();
    if (gamedir::PlaysInPlace(".", installs)) {
        return true;
    }
    const std::string installed = gamedir::FindInstalledFiles(installs);
    if (installed.empty()) {
        std::string text =
            "Tessalune cannot find its pictures, sounds and music. It looked for "
            "Fcg/System1.fcg here and in:";
        for (const std::string& place : installs) {
            text += "\n  " + place;
        }
        return Refuse(text + "\nReinstall the game, or start it inside a game directory.");
    }
    std::string why;
    const std::string user = plat::UserDataDirectory(&why);
    if (user.empty()) {
        return Refuse(std::string("Tessalune cannot make its directory for your scores and "
                                  "stages (normally ~/.local/share/tessalune).\n") +
                      why);
    }
    if (!gamedir::PrepareUserDirectory(user, installed, &why)) {
        return Refuse("Tessalune cannot set up its directory for your scores and stages, " + user +
                      ":\n" + why);
    }
    std::error_code ec;
    std::filesystem::current_path(user, ec);
    if (ec) {
        return Refuse("Tessalune cannot enter its directory for your scores and stages, " + user +
                      ":\n" + ec.message());
    }
    return true;
}
