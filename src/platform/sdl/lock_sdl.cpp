// The single-instance lock: an exclusive lock on a file named for the game in
// the player's runtime directory, held until the process ends.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/platform.h"

namespace {

int lockFd = -1;

// The lock's file name comes from the lock's name, lower case, with nothing
// in it that could lead out of the directory.
std::string LockFileName(const char* name) {
    std::string file;
    for (const char* p = name; *p != '\0'; ++p) {
        const char c = *p;
        if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_') {
            file += c;
        } else if (c >= 'A' && c <= 'Z') {
            file += static_cast<char>(c - 'A' + 'a');
        }
    }
    return file.empty() ? "tessalune" : file;
}

std::string LockPath(const char* name) {
    const std::string file = LockFileName(name);
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    struct stat st {};
    if (runtime != nullptr && *runtime == '/' && stat(runtime, &st) == 0 && S_ISDIR(st.st_mode)) {
        return std::string(runtime) + "/" + file + ".lock";
    }
    return "/tmp/" + file + "-" + std::to_string(getuid()) + ".lock";
}

}  // namespace

namespace plat {

bool AcquireInstanceLock(const char* name) {
    if (lockFd >= 0) {
        return true;
    }
    const std::string path = LockPath(name != nullptr ? name : "");
    // Never through a link: in a shared directory that could be anybody's file.
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY, 0600);
    if (fd < 0) {
        // A lock that cannot be made must not keep the player out of the game.
        std::fprintf(stderr, "Tessalune: cannot open the lock file %s: %s\n", path.c_str(),
                     std::strerror(errno));
        return true;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int why = errno;
        close(fd);
        if (why == EWOULDBLOCK) {
            return false;
        }
        std::fprintf(stderr, "Tessalune: cannot lock %s: %s\n", path.c_str(), std::strerror(why));
        return true;
    }
    lockFd = fd;
    return true;
}

void ReleaseInstanceLock() {
    if (lockFd >= 0) {
        close(lockFd);
        lockFd = -1;
    }
}

}  // namespace plat
