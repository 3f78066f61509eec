// The --threads value: a whole number of threads within bounds, nothing else.
#include <gtest/gtest.h>

#include "cli/run_checks.h"

namespace pravel::cli {
namespace {

TEST(ThreadOption, TakesOnlyAWholeNumberFromOneTo1024) {
    const struct {
        const char* text;
        std::optional<int> expected;
    } cases[] = {
        {"1", 1},      {"2", 2},          {"0003", 3},       {"1024", 1024},    {"0", std::nullopt},
        {"1025", std::nullopt},           {"-1", std::nullopt}, {"+2", std::nullopt}, {"1.5", std::nullopt},
        {"", std::nullopt}, {" 2", std::nullopt}, {"2x", std::nullopt}, {"two", std::nullopt},
        {"99999999999", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(thread_count(c.text), c.expected) << '"' << c.text << '"';
}

}  // namespace
}  // namespace pravel::cli
