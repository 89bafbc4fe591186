#include "output.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <system_error>

namespace gen {

namespace fs = std::filesystem;

namespace {

// Writes the temporary file next to the target, flushed to disk, so that the
// rename that follows publishes a complete file.
bool WriteTemp(const fs::path& temp, const Bytes& bytes, std::string& error) {
    std::FILE* f = std::fopen(temp.c_str(), "wb");
    if (!f) {
        error = temp.string() + ": " + std::strerror(errno);
        return false;
    }
    bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    ok = (std::fflush(f) == 0) && ok;
    ok = (fsync(fileno(f)) == 0) && ok;
    ok = (std::fclose(f) == 0) && ok;
    if (!ok) {
        error = temp.string() + ": write failed";
        std::error_code ec;
        fs::remove(temp, ec);
    }
    return ok;
}

}  // namespace

bool ReadFile(const fs::path& path, Bytes& out) {
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) {
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

WriteResult WriteFileAtomic(const fs::path& path, const Bytes& bytes, WriteMode mode,
                            std::string& error) {
    std::error_code ec;
    fs::create_directories(path.parent_path(), ec);
    if (ec) {
        error = path.parent_path().string() + ": " + ec.message();
        return WriteResult::Failed;
    }
    fs::file_status status = fs::symlink_status(path, ec);
    bool present = fs::exists(status);
    if (present && fs::is_directory(status)) {
        error = path.string() + ": is a directory";
        return WriteResult::Failed;
    }
    if (mode == WriteMode::SeedOnly && present) {
        return WriteResult::KeptExisting;
    }
    if (mode == WriteMode::Refresh && present) {
        Bytes old;
        if (ReadFile(path, old) && old == bytes) {
            return WriteResult::Unchanged;
        }
    }

    // A name of our own beside the target, so a second generator at work on the
    // same directory never writes into our half-made file.
    std::string tempName = ".";
    tempName += path.filename().string();
    tempName += ".tmp";
    tempName += std::to_string(getpid());
    const fs::path temp = path.parent_path() / tempName;
    if (!WriteTemp(temp, bytes, error)) {
        return WriteResult::Failed;
    }
    if (mode == WriteMode::SeedOnly) {
        // A hard link never replaces a file that appeared in the meantime; where
        // the file system has no hard links, fall back to a plain rename.
        fs::create_hard_link(temp, path, ec);
        if (!ec) {
            fs::remove(temp, ec);
            return WriteResult::Written;
        }
        if (ec == std::errc::file_exists) {
            fs::remove(temp, ec);
            return WriteResult::KeptExisting;
        }
        ec.clear();
    }
    fs::rename(temp, path, ec);
    if (ec) {
        error = path.string() + ": " + ec.message();
        std::error_code ignored;
        fs::remove(temp, ignored);
        return WriteResult::Failed;
    }
    return WriteResult::Written;
}

}  // namespace gen
