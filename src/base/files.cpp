#include "base/files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <vector>

bool IsDirectory(const char* path) {
    struct stat st;
    return stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsPlainFileAt(const char* path) {
    struct stat st;
    return stat(path, &st) == 0 && S_ISREG(st.st_mode);
}

bool SameFile(const char* a, const char* b) {
    struct stat sa, sb;
    return stat(a, &sa) == 0 && stat(b, &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

bool AnythingAt(const char* path) {
    struct stat st;
    return lstat(path, &st) == 0;
}

bool IsSymlink(const char* path) {
    struct stat st;
    return lstat(path, &st) == 0 && S_ISLNK(st.st_mode);
}

bool ReadSymlink(const char* path, std::string* target) {
    char buffer[PATH_MAX];
    const ssize_t n = readlink(path, buffer, sizeof buffer);
    if (n < 0 || static_cast<size_t>(n) >= sizeof buffer) {
        return false;
    }
    target->assign(buffer, static_cast<size_t>(n));
    return true;
}

bool MakeSymlink(const char* target, const char* link) {
    return symlink(target, link) == 0;
}

bool MakeHardLink(const char* from, const char* to) {
    return link(from, to) == 0;
}

std::string ResolvedPath(const char* path) {
    char resolved[PATH_MAX];
    return realpath(path, resolved) != nullptr ? std::string(resolved) : std::string();
}

bool MakeDirectory(const char* path, bool shared) {
    return mkdir(path, shared ? 0755 : 0777) == 0;
}

bool MakeScratchDirectory(const std::string& prefix, std::string* made) {
    std::vector<char> name(prefix.begin(), prefix.end());
    for (char c : std::string("XXXXXX")) {
        name.push_back(c);
    }
    name.push_back('\0');
    if (mkdtemp(name.data()) == nullptr) {
        return false;
    }
    *made = name.data();
    return true;
}

bool RemoveFile(const char* path) {
    return unlink(path) == 0;
}

long ProcessNumber() {
    return static_cast<long>(getpid());
}

int LockOwnDirectory(const char* path, bool wait) {
    const int fd = open(path, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        return -1;
    }
    struct stat st {};
    if (fstat(fd, &st) != 0 || st.st_uid != getuid() ||
        flock(fd, LOCK_EX | (wait ? 0 : LOCK_NB)) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

void UnlockDirectory(int lock) {
    if (lock >= 0) {
        close(lock);
    }
}

int CreateUniqueFile(const std::string& prefix, std::string* made) {
    std::string name = prefix + "XXXXXX";
    const int fd = mkstemp(name.data());
    if (fd >= 0) {
        fchmod(fd, 0644);
        *made = name;
    }
    return fd;
}

int CreateFreshFile(const char* path) {
    // A temporary left by a crash (or anything else put there) goes first;
    // the new one is then ours alone and never a link to somewhere else.
    unlink(path);
    return open(path, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
}

void KeepPermissions(int fd, const char* path) {
    struct stat old;
    if (stat(path, &old) == 0 && S_ISREG(old.st_mode)) {
        fchmod(fd, old.st_mode & 0777);
    }
}

void WritePart(int fd, const void* bytes, size_t size) {
    [[maybe_unused]] ssize_t part = write(fd, bytes, size);
}

bool SyncFile(int fd) {
    return fsync(fd) == 0;
}

bool CloseFile(int fd) {
    return close(fd) == 0;
}

namespace {
DirectorySyncHook directorySyncHook = nullptr;
}  // namespace

void SetDirectorySyncHook(DirectorySyncHook hook) {
    directorySyncHook = hook;
}

void SyncDirectory(const char* directory) {
    const int fd = open(directory, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
    if (directorySyncHook != nullptr) {
        directorySyncHook(directory);
    }
}
