#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <random>
#include <thread>

#include "data/scores.h"
#include "support/bytes.h"
#include "support/scratch.h"

namespace {

using Clock = std::chrono::steady_clock;

class ScoreFileUnderKill : public InScratchDirectory {};

// A child saves the best scores over and over, switching between two
// tables, and is killed at random moments. Whatever moment the kill lands
// on, the file must hold one whole table or the other.
TEST_F(ScoreFileUnderKill, FileIsAlwaysOneWholeTable) {
    constexpr int Kills = 200;
    const auto deadline = Clock::now() + std::chrono::seconds(30);
    const Bytes cleared(40, 0);
    const Bytes recorded = LeWords({1234, 0, 0, 0, 0, 0, 0, 0, 0, 0});

    ClearScores();
    ASSERT_EQ(ReadBytes(BestScorePath), cleared);

    void* shared = mmap(nullptr, sizeof(std::atomic<long>), PROT_READ | PROT_WRITE,
                        MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(shared, MAP_FAILED);
    auto* saves = new (shared) std::atomic<long>(0);

    std::mt19937 random(20240611);
    int seenCleared = 0;
    int seenRecorded = 0;
    int kills = 0;
    for (; kills < Kills && Clock::now() < deadline; ++kills) {
        const long target = saves->load() + std::uniform_int_distribution<long>(1, 16)(random);
        const auto jitter =
            std::chrono::microseconds(std::uniform_int_distribution<int>(0, 1500)(random));
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (;;) {
                ClearScores();
                saves->fetch_add(1);
                RecordScore(1234);
                saves->fetch_add(1);
            }
        }
        while (saves->load() < target && Clock::now() < deadline) {
            std::this_thread::yield();
        }
        std::this_thread::sleep_for(jitter);
        kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status));

        const Bytes now = ReadBytes(BestScorePath);
        ASSERT_TRUE(now == cleared || now == recorded)
            << "after kill " << kills << " the file has " << now.size() << " bytes";
        (now == cleared ? seenCleared : seenRecorded)++;
        // At most the one temporary of the save that was cut short.
        for (const std::string& name : DirectoryNames("Data")) {
            ASSERT_TRUE(name == "BestScore" || name == "BestScore.tmp") << name;
        }
    }
    const long total = saves->load();
    munmap(shared, sizeof(std::atomic<long>));
    EXPECT_EQ(kills, Kills) << "ran out of time";
    EXPECT_GE(total, 1000) << "too few saves to mean anything";
    EXPECT_GT(seenCleared, 0);
    EXPECT_GT(seenRecorded, 0);

    // The next save in the game clears up what the last kill left behind.
    RecordScore(5);
    EXPECT_EQ(DirectoryNames("Data"), std::vector<std::string>{"BestScore"});
}

}  // namespace
