// The traced outline of the cells with data.
#include "gis/outline.h"

#include <gtest/gtest.h>

#include <string>

namespace pravel::gis {
namespace {

std::vector<char> mask_of(const std::vector<std::string>& rows) {
    std::vector<char> m;
    for (const auto& r : rows) {
        for (char c : r) m.push_back(c == '#');
    }
    return m;
}

using V = std::vector<ContourVertex>;

TEST(TraceOutline, FollowsTheOuterCornersOfTheLargestPatch) {
    struct Case {
        const char* what;
        std::vector<std::string> rows;
        V expected;
    };
    const Case cases[] = {
        {"one cell", {"....", ".#..", "...."}, {{1, 1}, {2, 1}, {2, 2}, {1, 2}, {1, 1}}},
        {"full raster", {"##", "##"}, {{0, 0}, {2, 0}, {2, 2}, {0, 2}, {0, 0}}},
        {"an L", {"#..", "#..", "###"}, {{0, 0}, {1, 0}, {1, 2}, {3, 2}, {3, 3}, {0, 3}, {0, 0}}},
        // The hole is not part of the one line; the outer ring is.
        {"a ring with a hole", {"###", "#.#", "###"}, {{0, 0}, {3, 0}, {3, 3}, {0, 3}, {0, 0}}},
        // The smaller patch is left out.
        {"two patches", {"#..##", "...##"}, {{3, 0}, {5, 0}, {5, 2}, {3, 2}, {3, 0}}},
        // Cells that touch only at a corner are separate patches.
        {"diagonal neighbours", {"##.", "##.", "..#"}, {{0, 0}, {2, 0}, {2, 2}, {0, 2}, {0, 0}}},
    };
    for (const auto& c : cases) {
        const int rows = static_cast<int>(c.rows.size()), columns = static_cast<int>(c.rows[0].size());
        EXPECT_EQ(trace_outline(mask_of(c.rows), rows, columns), c.expected) << c.what;
    }
}

TEST(TraceOutline, IsEmptyWithoutCellsOrWithAMaskOfTheWrongSize) {
    EXPECT_TRUE(trace_outline(mask_of({"...", "..."}), 2, 3).empty());
    EXPECT_TRUE(trace_outline(mask_of({"###"}), 2, 3).empty());
}

}  // namespace
}  // namespace pravel::gis
