#include "data/datafile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

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

bool WriteAll(int fd, const unsigned char* bytes, size_t size) {
    if (StepFails(FileStep::Write)) {
        // A full disk takes part of the bytes before it refuses the rest.
        [[maybe_unused]] ssize_t part = write(fd, bytes, size / 2);
        return false;
    }
    size_t done = 0;
    while (done < size) {
        const ssize_t n = write(fd, bytes + done, size - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (n == 0) {
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

void SyncDirectory(const char* directory) {
    const int fd = open(directory, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
}

}  // namespace

bool ReadFilePrefix(const char* path, unsigned char* bytes, size_t capacity, size_t* got) {
    *got = 0;
    // Non-blocking, so that a pipe or a device put in a file's place cannot
    // stop the game; only a plain file is read.
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        return false;
    }
    size_t total = 0;
    while (total < capacity) {
        const ssize_t n = read(fd, bytes + total, capacity - total);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            close(fd);
            return false;
        }
        if (n == 0) {
            break;
        }
        total += static_cast<size_t>(n);
    }
    close(fd);
    *got = total;
    return true;
}

bool ReplaceFile(const char* path, const unsigned char* bytes, size_t size) {
    // Fixed buffers: a save allocates nothing.
    char directory[PATH_MAX];
    char temp[PATH_MAX];
    if (!DirectoryOf(path, directory) ||
        std::snprintf(temp, sizeof temp, "%s.tmp", path) >= static_cast<int>(sizeof temp)) {
        return false;
    }

    int fd = CreateTemporary(temp);
    if (fd < 0 && errno == ENOENT) {
        // First save on a fresh game directory: make the directory, once.
        if (StepFails(FileStep::MakeDirectory) || mkdir(directory, 0777) != 0) {
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

    bool ok = WriteAll(fd, bytes, size);
    if (ok && (StepFails(FileStep::Sync) || fsync(fd) != 0)) {
        ok = false;
    }
    if (close(fd) != 0) {
        ok = false;
    }
    if (ok && (StepFails(FileStep::Rename) || rename(temp, path) != 0)) {
        ok = false;
    }
    if (!ok) {
        unlink(temp);
        return false;
    }
    SyncDirectory(directory);
    return true;
}
