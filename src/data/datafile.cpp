#include "data/datafile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "base/files.h"
#include "base/plainfile.h"
#include "data/scores.h"
#include "data/stage.h"

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
        errno = ENOSPC;
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
        errno = ENAMETOOLONG;
        return false;
    }

    int fd = CreateTemporary(temp);
    if (fd < 0 && errno == ENOENT) {
        // First save on a fresh game directory: make the directory, once.
        if (StepFails(FileStep::MakeDirectory)) {
            errno = EACCES;
            return false;
        }
        if (!MakeDirectory(directory, false)) {
            return false;
        }
        fd = CreateTemporary(temp);
    }
    if (fd < 0) {
        return false;
    }

    // The new file keeps the permissions the player gave the old one.
    KeepPermissions(fd, path);

    // The first step that fails says why the save failed.
    int why = 0;
    if (!WriteStep(fd, bytes, size)) {
        why = errno;
    } else if (StepFails(FileStep::Sync)) {
        why = EIO;
    } else if (!SyncFile(fd)) {
        why = errno;
    }
    if (!CloseFile(fd) && why == 0) {
        why = errno;
    }
    if (why == 0 && StepFails(FileStep::Rename)) {
        why = EACCES;
    } else if (why == 0 && rename(temp, path) != 0) {
        why = errno;
    }
    if (why != 0) {
        RemoveFile(temp);
        errno = why;
        return false;
    }
    SyncDirectory(directory);
    return true;
}

void RemoveStaleTemporaries() {
    // A directory of that name is not ours: it is left alone.
    auto remove = [](const char* path) { RemoveFile((std::string(path) + ".tmp").c_str()); };
    remove(BestScorePath);
    for (int i = 0; i < StageCount; ++i) {
        remove(StagePath(i));
    }
}
