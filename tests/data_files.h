// Shared by the stored-data tests: a fresh working directory per test, and
// raw byte access to the files the game writes.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using Bytes = std::vector<unsigned char>;

inline Bytes ReadAllBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteAllBytes(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

inline Bytes LeBytes(const std::vector<int32_t>& values) {
    Bytes bytes;
    for (int32_t value : values) {
        const auto v = static_cast<uint32_t>(value);
        for (int shift = 0; shift < 32; shift += 8) {
            bytes.push_back(static_cast<unsigned char>(v >> shift));
        }
    }
    return bytes;
}

// The names in a directory, sorted, to see that nothing was left behind.
inline std::vector<std::string> Listing(const std::string& directory) {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(directory, error)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// Each test runs in its own empty working directory, as the game runs in its
// game directory.
class InScratchDirectory : public ::testing::Test {
  protected:
    void SetUp() override {
        char here[PATH_MAX];
        ASSERT_NE(getcwd(here, sizeof here), nullptr);
        previous_ = here;
        char pattern[] = "/tmp/tessalune-data-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        scratch_ = pattern;
        ASSERT_EQ(chdir(scratch_.c_str()), 0);
    }

    void TearDown() override {
        if (!previous_.empty()) {
            EXPECT_EQ(chdir(previous_.c_str()), 0);
        }
        if (!scratch_.empty()) {
            std::error_code error;
            std::filesystem::remove_all(scratch_, error);
        }
    }

    std::string previous_;
    std::string scratch_;
};
