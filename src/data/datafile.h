// Small binary files of the game: reading a bounded prefix, replacing a file
// whole, and the little-endian 32-bit items the files are made of.
#pragma once

#include <cstddef>
#include <cstdint>

// Reads at most `capacity` bytes from the start of the file at `path` into
// `bytes`. Returns false when the file is missing, is not a plain file or
// cannot be read; `*got` is then 0. Never blocks on a pipe or a device.
bool ReadFilePrefix(const char* path, unsigned char* bytes, size_t capacity, size_t* got);

// Replaces the file at `path` with exactly `size` bytes. The bytes go to a
// temporary file in the same directory, which is flushed to disk and renamed
// over the old file, so the old file is either fully there or fully
// replaced, never half-written. Creates the directory (one level) when it is
// missing. On failure the old file stays as it was, the temporary file is
// removed, and false is returned.
bool ReplaceFile(const char* path, const unsigned char* bytes, size_t size);

// The steps of ReplaceFile that can fail.
enum class FileStep { MakeDirectory, Create, Write, Sync, Rename };

// Test seam: when set, called before each step of ReplaceFile; returning true
// makes that step fail as if the system had refused it (a failing write
// still writes half its bytes first, as a full disk does).
extern bool (*FileStepFails)(FileStep step);

inline int32_t ReadLe32(const unsigned char* p) {
    return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                                static_cast<uint32_t>(p[2]) << 16 |
                                static_cast<uint32_t>(p[3]) << 24);
}

inline void WriteLe32(unsigned char* p, int32_t value) {
    const auto v = static_cast<uint32_t>(value);
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
    p[2] = static_cast<unsigned char>(v >> 16);
    p[3] = static_cast<unsigned char>(v >> 24);
}
