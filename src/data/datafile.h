// Small binary files of the game: replacing a file whole, and the
// little-endian 32-bit items the files are made of. They are read with
// ReadPlainFile (base/plainfile.h), as everything from outside is.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/bytes.h"
#include "base/plainfile.h"

// Replaces the file at `path` with exactly `size` bytes. The bytes go to a
// temporary file in the same directory, which is flushed to disk and renamed
// over the old file, so the old file is either fully there or fully
// replaced, never half-written. Creates the directory (one level) when it is
// missing. On failure the old file stays as it was, the temporary file is
// removed, and false is returned with errno saying why.
bool ReplaceFile(const char* path, const unsigned char* bytes, size_t size);

// Removes the temporaries that a save cut short by a kill left beside the
// best-score and stage files. Only while no other copy of the game can be
// saving there (under the single-instance lock).
void RemoveStaleTemporaries();

// The steps of ReplaceFile that can fail.
enum class FileStep { MakeDirectory, Create, Write, Sync, Rename };

// Test seam: when set, called before each step of ReplaceFile; returning true
// makes that step fail as if the system had refused it (a failing write
// still writes half its bytes first, as a full disk does).
extern bool (*FileStepFails)(FileStep step);

inline int32_t ReadLe32(const unsigned char* p) {
    return static_cast<int32_t>(LoadLe32(p));
}

inline void WriteLe32(unsigned char* p, int32_t value) {
    StoreLe32(p, static_cast<uint32_t>(value));
}
