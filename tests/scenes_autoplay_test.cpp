// The runner's built-in player gets through a whole run of the generated
// stages: title, all ten stages, the result screen, the score on the table.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/scores.h"
#include "scenes_harness.h"

namespace {

using namespace scenes_test;

TEST(Autoplay, ClearsAllTenStagesAndRecordsTheScore) {
    InFreshGame([] {
        ASSERT_EQ(RunRunner("", "--autoplay --frames 200000 --trace trace.jsonl"), 0);
        const std::vector<std::string> trace = ReadTrace("trace.jsonl");
        ASSERT_FALSE(trace.empty());
        size_t result = 0;
        for (size_t i = 0; i < trace.size(); ++i) {
            if (TraceNumber(trace[i], "scene") == SceneResult) {
                result = i;
                break;
            }
        }
        ASSERT_GE(result, 2u) << "no result screen within 200000 frames";
        // The frame before the one that ended the run: the tenth stage,
        // cleared, its countdown one short of the end.
        const std::string& last = trace[result - 2];
        EXPECT_EQ(TraceNumber(last, "stage"), 9);
        EXPECT_EQ(TraceNumber(last, "bricks"), 0);
        EXPECT_EQ(TraceNumber(last, "clear"), 119);
        const long score = TraceNumber(last, "score");
        EXPECT_GT(score, 0);
        // The table holds it, and nothing but the run's score was added.
        const std::vector<int32_t> table = FromLeWords(ReadBytes(BestScorePath));
        ASSERT_EQ(table.size(), 10u);
        int found = 0;
        for (int32_t v : table) {
            found += v == score ? 1 : 0;
        }
        EXPECT_GE(found, 1) << "score " << score;
    });
}

}  // namespace
