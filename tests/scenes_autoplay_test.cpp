// The runner's built-in player gets through a whole run of the generated
// stages: title, all ten stages, the result screen, the score on the table.
#include <gtest/gtest.h>

#include <vector>

#include "data/scores.h"
#include "game_harness.h"

namespace {

using namespace scenes_test;

TEST(Autoplay, ClearsAllTenStagesAndRecordsTheScore) {
    InFreshGame([] {
        ASSERT_EQ(RunRunner("", "--autoplay --frames 200000 --trace trace.jsonl"), 0);
        size_t bad = 0;
        const std::vector<Json> trace = ReadTrace("trace.jsonl", &bad);
        ASSERT_EQ(bad, 0u) << "a trace line is no JSON object";
        ASSERT_FALSE(trace.empty());
        size_t result = 0;
        for (size_t i = 0; i < trace.size(); ++i) {
            if (trace[i]["scene"].Int() == SceneResult) {
                result = i;
                break;
            }
        }
        ASSERT_GE(result, 2u) << "no result screen within 200000 frames";
        // The frame before the one that ended the run: the tenth stage,
        // cleared, its countdown one short of the end.
        const Json& last = trace[result - 2]["play"];
        EXPECT_EQ(last["stage"].Int(), 9);
        EXPECT_EQ(last["bricks"].Int(), 0);
        EXPECT_EQ(last["clear"].Int(), 119);
        const long score = last["score"].Int();
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
