#include "data/datafile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "base/files.h"
#include "base/plainfile.h"

bool (*FileStepFails)(FileStep step) = nullptr;

namespace {

// The longest path a save takes, with its terminating zero: the limit of
// Linux, and more than any game directory needs.
constexpr size_t PathBytes = 4096;

bool StepFails(FileStep step) {
    return FileStepFails != nullptr && FileStepFails(step);
}

// The directory that holds `path`, for creating it and for flushing the
// rename to disk. False when the path does not fit.
bool DirectoryOf(const char* path, char (&directory)[PathBytes]) {
    const char* slash = std::strrchr(path, '/');
    if (slash == nullptr) {
        std::strcpy(directory, ".");
        return true;
    }
    const size_t length = slash == path ? 1 : static_cast<size_t>(slash - path);
    if (length >= sizeof directory) {
        return false;
    }
    std::memcpy(directory, path, length);
    directory[length] = '\0';
    return true;
}

int CreateTemporary(const char* temp) {
    if (StepFails(FileStep::Create)) {
        errno = EACCES;
        return -1;
    }
    return CreateFreshFile(temp);
}

bool WriteStep(int fd, const unsigned char* bytes, size_t size) {
    if (StepFails(FileStep::Write)) {
        // A full disk takes part of the bytes before it refuses the rest.
        WritePart(fd, bytes, size / 2);
        return false;
    }
    return ::WriteAll(fd, bytes, size);
}

}  // namespace

bool ReplaceFile(const char* path, const unsigned char* bytes, size_t size) {
    // Fixed buffers: a save allocates nothing.
    char directory[PathBytes];
    char temp[PathBytes];
    if (!DirectoryOf(path, directory) ||
        std::snprintf(temp, sizeof temp, "%s.tmp", path) >= static_cast<int>(sizeof temp)) {
        return false;
    }

    int fd = CreateTemporary(temp);
    if (fd < 0 && errno == ENOENT) {
        // First save on a fresh game directory: make the directory, once.
        if (StepFails(FileStep::MakeDirectory) || !MakeDirectory(directory, false)) {
            return false;
        }
        fd = CreateTemporary(temp);
    }
    if (fd < 0) {
        return false;
    }

    // The new file keeps the permissions the player gave the old one.
    KeepPermissions(fd, path);

    bool ok = WriteStep(fd, bytes, size);
    if (ok && (StepFails(FileStep::Sync) || !SyncFile(fd))) {
        ok = false;
    }
    if (!CloseFile(fd)) {
        ok = false;
    }
    if (ok && (StepFails(FileStep::Rename) || rename(temp, path) != 0)) {
        ok = false;
    }
    if (!ok) {
        RemoveFile(temp);
        return false;
    }
    SyncDirectory(directory);
    return true;
}
