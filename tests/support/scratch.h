// Scratch directories for the tests: an empty one to work in, or a fresh
// copy of the build's game directory, removed again with all they hold. The
// benchmarks, which have no test framework, define SUPPORT_WITHOUT_GTEST and
// get all but the fixtures.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <string>

// A fresh directory under the system's temporary one; empty when none could
// be made.
inline std::string NewScratchDir(const char* tag) {
    std::string dir =
        (std::filesystem::temp_directory_path() / "tessalune-").string() + tag + "-XXXXXX";
    return mkdtemp(dir.data()) != nullptr ? dir : std::string();
}

// A scratch directory that goes again, with all it holds, when it goes out
// of scope; its path is empty when none could be made.
class ScratchDir {
  public:
    explicit ScratchDir(const char* tag) : path_(NewScratchDir(tag)) {}
    ~ScratchDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

// A fresh copy of the game directory `from` (the build's by default); empty
// (and `*why` says why) when it cannot be made.
inline std::string NewGameCopy(const char* tag, std::string* why,
                               const std::string& from = TESSALUNE_GAMEDIR) {
    const std::string dir = NewScratchDir(tag);
    if (dir.empty()) {
        *why = "cannot make a scratch directory";
        return dir;
    }
    std::error_code copied;
    std::filesystem::copy(from, dir, std::filesystem::copy_options::recursive, copied);
    if (copied) {
        *why = "cannot copy the game directory " + from + ": " + copied.message();
        std::error_code ignored;
        std::filesystem::remove_all(dir, ignored);
        return std::string();
    }
    return dir;
}

#ifndef SUPPORT_WITHOUT_GTEST
#include <gtest/gtest.h>

// Each test runs in a scratch directory of its own as its working directory:
// an empty one, or with `copyGame` a fresh copy of the game directory, as the
// game runs in its game directory.
class InScratchDirectory : public ::testing::Test {
  protected:
    explicit InScratchDirectory(bool copyGame = false) : copyGame_(copyGame) {}

    void SetUp() override {
        std::string why;
        scratch_ = copyGame_ ? NewGameCopy("test", &why) : NewScratchDir("test");
        ASSERT_FALSE(scratch_.empty()) << why;
        previous_ = std::filesystem::current_path().string();
        std::filesystem::current_path(scratch_);
    }

    void TearDown() override {
        if (!previous_.empty()) {
            std::filesystem::current_path(previous_);
        }
        if (!scratch_.empty()) {
            std::error_code ignored;
            std::filesystem::remove_all(scratch_, ignored);
        }
    }

    std::string previous_;
    std::string scratch_;

  private:
    bool copyGame_;
};

// In a fresh copy of the build's game directory.
class InScratchGameDir : public InScratchDirectory {
  protected:
    InScratchGameDir() : InScratchDirectory(true) {}
};
#endif
