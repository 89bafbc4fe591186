// Writing the game directory: every file goes through a temporary file and a
// rename, so a reader (or a crash) never sees half a file, and a file whose
// bytes are already right is left alone so its time stamp stays put.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace gen {

using Bytes = std::vector<uint8_t>;

enum class WriteMode {
    Refresh,   // make the file hold exactly these bytes
    SeedOnly,  // write only when no file of that name exists yet
};

enum class WriteResult { Written, Unchanged, KeptExisting, Failed };

// Writes `bytes` to `path` (creating its directory). On failure `error` says why.
WriteResult WriteFileAtomic(const std::filesystem::path& path, const Bytes& bytes, WriteMode mode,
                            std::string& error);

// Reads a whole file; false when it cannot be read.
bool ReadFile(const std::filesystem::path& path, Bytes& out);

}  // namespace gen
