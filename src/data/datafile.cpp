#include "data/datafile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

#include "base/plainfile.h"
#include "data/scores.h"
#include "data/stage.h"

bool (*FileStepFails)(FileStep step) = nullptr;

namespace {

bool StepFails(FileStep step) {
    return FileStepFails != nullptr && FileStepFails(step);
}

// The directory that holds `path`, for creating it and for flushing the
// rename to disk. False when the path does not fit.
bool DirectoryOf(const char* path, char (&directory)[PATH_MAX]) {
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
    // A temporary left by a crash (or anything else put there) goes first;
    // the new one is then ours alone and never a link to somewhere else.
    unlink(temp);
    return open(temp, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
}

bool WriteStep(int fd, const unsigned char* bytes, size_t size) {
    if (StepFails(FileStep::Write)) {
        // A full disk takes part of the bytes before it refuses the rest.
        [[maybe_unused]] ssize_t part = write(fd, bytes, size / 2);
        errno = ENOSPC;
        return false;
    }
    return ::WriteAll(fd, bytes, size);
}

void SyncDirectory(const char* directory) {
    const int fd = open(directory, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
}

}  // namespace

bool ReplaceFile(const char* path, const unsigned char* bytes, size_t size) {
    // Fixed buffers: a save allocates nothing.
    char directory[PATH_MAX];
    char temp[PATH_MAX];
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
        if (mkdir(directory, 0777) != 0) {
            return false;
        }
        fd = CreateTemporary(temp);
    }
    if (fd < 0) {
        return false;
    }

    // The new file keeps the permissions the player gave the old one.
    struct stat old;
    if (stat(path, &old) == 0 && S_ISREG(old.st_mode)) {
        fchmod(fd, old.st_mode & 0777);
    }

    // The first step that fails says why the save failed.
    int why = 0;
    if (!WriteStep(fd, bytes, size)) {
        why = errno;
    } else if (StepFails(FileStep::Sync)) {
        why = EIO;
    } else if (fsync(fd) != 0) {
        why = errno;
    }
    if (close(fd) != 0 && why == 0) {
        why = errno;
    }
    if (why == 0 && StepFails(FileStep::Rename)) {
        why = EACCES;
    } else if (why == 0 && rename(temp, path) != 0) {
        why = errno;
    }
    if (why != 0) {
        unlink(temp);
        errno = why;
        return false;
    }
    SyncDirectory(directory);
    return true;
}

void RemoveStaleTemporaries() {
    char temp[PATH_MAX];
    auto remove = [&](const char* path) {
        struct stat st;
        if (path != nullptr &&
            std::snprintf(temp, sizeof temp, "%s.tmp", path) < static_cast<int>(sizeof temp) &&
            lstat(temp, &st) == 0 && !S_ISDIR(st.st_mode)) {
            unlink(temp);
        }
    };
    remove(BestScorePath);
    for (int i = 0; i < StageCount; ++i) {
        remove(StagePath(i));
    }
}
