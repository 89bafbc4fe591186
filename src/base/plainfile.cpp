#include "base/plainfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <limits>
#include <new>

namespace {

// Reads until `capacity` bytes or the end of the file.
bool ReadUpTo(int fd, unsigned char* bytes, size_t capacity, size_t* got) {
    size_t total = 0;
    while (total < capacity) {
        const ssize_t n = read(fd, bytes + total, capacity - total);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (n == 0) {
            break;
        }
        total += static_cast<size_t>(n);
    }
    *got = total;
    return true;
}

}  // namespace

int OpenPlainFile(const char* path, uint64_t* size) {
    if (path == nullptr) {
        errno = ENOENT;
        return -1;
    }
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return -1;
    }
    struct stat st {};
    int why = 0;
    if (fstat(fd, &st) != 0) {
        why = errno;
    } else if (!S_ISREG(st.st_mode) || st.st_size < 0) {
        why = NotPlainFile;
    }
    if (why != 0) {
        close(fd);
        errno = why;
        return -1;
    }
    if (size != nullptr) {
        *size = static_cast<uint64_t>(st.st_size);
    }
    return fd;
}

namespace {

// The descriptor as a stream, or null with errno set and the descriptor closed.
std::FILE* StreamOf(int fd, const char* mode) {
    if (fd < 0) {
        return nullptr;
    }
    std::FILE* file = fdopen(fd, mode);
    if (file == nullptr) {
        const int why = errno;
        close(fd);
        errno = why;
    }
    return file;
}

}  // namespace

std::FILE* OpenPlainStream(const char* path, uint64_t* size) {
    return StreamOf(OpenPlainFile(path, size), "rb");
}

std::FILE* CreatePlainStream(const char* path) {
    return StreamOf(CreatePlainFile(path), "wb");
}

bool SeekStream(std::FILE* file, uint64_t pos) {
    return pos <= static_cast<uint64_t>(std::numeric_limits<off_t>::max()) &&
           fseeko(file, static_cast<off_t>(pos), SEEK_SET) == 0;
}

bool ReadPlainFile(const char* path, unsigned char* bytes, size_t capacity, size_t* got) {
    *got = 0;
    const int fd = OpenPlainFile(path, nullptr);
    if (fd < 0) {
        return false;
    }
    size_t total = 0;
    const bool ok = ReadUpTo(fd, bytes, capacity, &total);
    const int why = errno;
    close(fd);
    errno = why;
    *got = ok ? total : 0;
    return ok;
}

bool ReadPlainFile(const char* path, size_t limit, std::vector<unsigned char>* out) {
    out->clear();
    uint64_t size = 0;
    const int fd = OpenPlainFile(path, &size);
    if (fd < 0) {
        return false;
    }
    // The size is only a first guess: the file may grow or shrink meanwhile.
    bool ok = true;
    try {
        out->resize(static_cast<size_t>(std::min<uint64_t>(size, limit)));
    } catch (const std::bad_alloc&) {
        ok = false;
        errno = ENOMEM;
    }
    size_t got = 0;
    ok = ok && ReadUpTo(fd, out->data(), out->size(), &got);
    const int why = errno;
    close(fd);
    errno = why;
    out->resize(ok ? got : 0);
    return ok;
}

int CreatePlainFile(const char* path) {
    // Without waiting: a fifo nobody reads then fails at once (ENXIO).
    const int fd = open(path, O_WRONLY | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
    if (fd < 0) {
        if (errno == ENXIO) {
            errno = NotPlainFile;
        }
        return -1;
    }
    struct stat st {};
    int why = 0;
    if (fstat(fd, &st) != 0) {
        why = errno;
    } else if (!S_ISREG(st.st_mode)) {
        why = NotPlainFile;
    } else if (ftruncate(fd, 0) != 0 || fcntl(fd, F_SETFL, 0) != 0) {
        why = errno;
    }
    if (why != 0) {
        close(fd);
        errno = why;
        return -1;
    }
    return fd;
}

bool WriteAll(int fd, const void* bytes, size_t size) {
    const auto* p = static_cast<const unsigned char*>(bytes);
    size_t done = 0;
    while (done < size) {
        const ssize_t n = write(fd, p + done, size - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            if (n == 0) {
                errno = EIO;
            }
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}
