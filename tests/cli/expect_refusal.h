#pragma once
// A checked text against a table's expectation: an empty expectation means
// accepted (no message), any other a message that contains it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

namespace pravel::cli {

inline void expect_refusal(const std::string& got, const std::string& expected, const std::string& label) {
    if (expected.empty()) {
        EXPECT_EQ(got, "") << label;
    } else {
        EXPECT_THAT(got, ::testing::HasSubstr(expected)) << label;
    }
}

}  // namespace pravel::cli
