// What the fuzz targets share: a private directory for the files they write,
// made once per process and removed when it ends, and the writing itself.
// The game only reads files, so every input goes through a real file.
#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace fuzz {

inline std::string& DirectoryPath() {
    static std::string path;
    return path;
}

inline void RemoveDirectory() {
    std::error_code ec;
    std::filesystem::remove_all(DirectoryPath(), ec);
}

// The directory, made on first use; the process ends at once if it cannot be.
inline const std::string& Directory() {
    std::string& dir = DirectoryPath();
    if (dir.empty()) {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern =
            std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/tessalune-fuzz-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr) {
            std::perror("tessalune fuzz: mkdtemp");
            std::abort();
        }
        dir = pattern;
        std::atexit(RemoveDirectory);
    }
    return dir;
}

// The absolute path of `name` inside the directory.
inline std::string PathOf(const std::string& name) {
    return Directory() + "/" + name;
}

// Replaces the file at `path` with exactly these bytes.
inline void WriteFile(const std::string& path, const uint8_t* data, size_t size) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr || (size != 0 && std::fwrite(data, 1, size, f) != size) ||
        std::fclose(f) != 0) {
        std::perror(path.c_str());
        std::abort();
    }
}

inline int32_t Le32(const uint8_t* p) {
    return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                                static_cast<uint32_t>(p[2]) << 16 |
                                static_cast<uint32_t>(p[3]) << 24);
}

// Standard error as it was before the fuzzer closed it to quiet the game's
// message boxes (-close_fd_mask=2): our own reports still go there.
inline int& ReportFd() {
    static int fd = 2;
    return fd;
}

// A broken promise of the code under test: reported like a crash.
inline void Check(bool ok, const char* what) {
    if (!ok) {
        const std::string line = std::string("tessalune fuzz: ") + what + "\n";
        [[maybe_unused]] ssize_t n = write(ReportFd(), line.data(), line.size());
        std::abort();
    }
}

}  // namespace fuzz

// Runs before the fuzzer looks at its flags, so before it closes anything.
// Each target is one source file, so this is defined once per program.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const int fd = dup(2);
    if (fd >= 0) {
        fuzz::ReportFd() = fd;
    }
    return 0;
}
