#include "optimisation/cost_only_bound.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <vector>

namespace pravel {
namespace {

// One offer of a measure on a pixel of a 10 x 10 raster: its cost (Euro/ha,
// before transaction costs) and its qualities.
struct Offer {
    int pixel;
    double cost;
    std::vector<double> quality;
};

std::vector<std::vector<PixelResult>> lists_of(const std::vector<std::vector<Offer>>& measures) {
    std::vector<std::vector<PixelResult>> lists;
    for (std::size_t m = 0; m < measures.size(); ++m) {
        auto record = std::make_shared<MeasureRecord>();
        record->measureID = static_cast<int>(m + 1);
        std::vector<PixelResult> list;
        for (const Offer& o : measures[m]) {
            PixelResult r;
            r.pixelID = o.pixel;
            r.row = o.pixel / 10;
            r.column = o.pixel % 10;
            r.margin_without_payment = -o.cost;
            r.margin_with_payment = -o.cost;
            for (std::size_t s = 0; s < o.quality.size(); ++s)
                r.qualities.push_back({static_cast<int>(s + 1), o.quality[s]});
            r.measure = record;
            list.push_back(r);
        }
        lists.push_back(list);
    }
    return lists;
}

TEST(CostOnlyBound, ValuesBeyondTheSolversRangeAreNotWorkedOutInsteadOfEndingTheRun) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        const char* what;
        std::vector<std::vector<Offer>> measures;
        std::vector<double> wanted;
        double budget;
        bool worked_out;
    } cases[] = {
        {"plain", {{{0, 10, {1.0}}, {1, 20, {1.0}}}, {{1, 5, {0.5}}}}, {1.5}, 100, true},
        {"cost from a huge distance factor", {{{0, 1e25, {1.0}}, {1, 20, {1.0}}}, {{1, 5, {0.5}}}}, {1.5}, 100, false},
        {"huge gain", {{{0, -1e25, {1.0}}, {1, 20, {1.0}}}}, {1.5}, 100, true},
        {"infinite cost", {{{0, inf, {1.0}}, {1, 20, {1.0}}}}, {1.5}, 100, false},
        {"cost not a number", {{{0, nan, {1.0}}, {1, 20, {1.0}}}}, {1.5}, 100, false},
        {"quality not a number", {{{0, 10, {nan}}, {1, 20, {1.0}}}}, {0.5}, 100, false},
        {"infinite quality", {{{0, 10, {inf}}, {1, 20, {1.0}}}}, {0.5}, 100, false},
        {"wanted area not a number", {{{0, 10, {1.0}}}}, {nan}, nan, false},
        {"infinite wanted area and budget", {{{0, 10, {1.0}}}}, {inf}, inf, false},
    };
    for (const Case& c : cases) {
        const auto lists = lists_of(c.measures);
        const CostOnlyBound b = cost_only_budget_bound(lists, c.wanted, 0, 1.0);
        const CostOnlyBound g = cost_only_goal_bound(lists, std::vector<double>(c.wanted.size(), 1.0), c.budget, 0, 1.0);
        EXPECT_EQ(b.solved, c.worked_out) << c.what;
        EXPECT_EQ(g.solved, c.worked_out) << c.what;
        if (b.reachable) EXPECT_TRUE(std::isfinite(b.value)) << c.what;
        if (g.reachable) EXPECT_TRUE(std::isfinite(g.value)) << c.what;
    }
}

}  // namespace
}  // namespace pravel
