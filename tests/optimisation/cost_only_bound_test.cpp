#include "optimisation/cost_only_bound.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include "common/random.h"

namespace pravel {
namespace {

// One offer of a measure on a pixel (row pixel / 100, column pixel % 100):
// its cost (Euro/ha, before transaction costs) and its qualities.
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
            r.row = o.pixel / 100;
            r.column = o.pixel % 100;
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

// Random instances: up to 9 measures on up to 300 pixels, 1 to 4 species,
// gains and costs, qualities of 0, and pixels that repeat another pixel's
// offers exactly.
struct Instance {
    std::vector<std::vector<Offer>> measures;
    std::size_t species = 0;
    double most = 0.0;  // sum over pixels of their best weighted quality
};

Instance random_instance(std::uint32_t seed) {
    seed_random(seed);
    Instance in;
    const int measures = 1 + rand15() % 9;
    const int pixels = 1 + rand15() % (seed % 4 == 0 ? 300 : 40);
    in.species = static_cast<std::size_t>(1 + rand15() % 4);
    in.measures.resize(static_cast<std::size_t>(measures));
    std::vector<std::vector<std::pair<int, Offer>>> offers_of(static_cast<std::size_t>(pixels));
    for (int p = 0; p < pixels; ++p) {
        auto& offers = offers_of[static_cast<std::size_t>(p)];
        if (p > 0 && rand15() % 4 == 0) {
            offers = offers_of[static_cast<std::size_t>(rand15() % p)];  // the same offers as an earlier pixel
        } else {
            for (int m = 0; m < measures; ++m) {
                if (rand15() % 3 == 0) continue;
                Offer o{0, static_cast<double>(rand15() % 200) - 20.0 + (rand15() % 4) * 0.25, {}};
                for (std::size_t s = 0; s < in.species; ++s)
                    o.quality.push_back(rand15() % 4 == 0 ? 0.0 : 0.05 * (1 + rand15() % 20));
                offers.push_back({m, o});
            }
        }
        for (auto [m, o] : offers) {
            o.pixel = (p / 17) * 100 + p % 17;
            in.measures[static_cast<std::size_t>(m)].push_back(o);
        }
        double best = 0.0;
        for (const auto& [m, o] : offers) {
            double q = 0.0;
            for (double v : o.quality) q += v;
            best = std::max(best, q);
        }
        in.most += best;
    }
    return in;
}

TEST(CostOnlyBound, FastBoundsEqualThePlainProgrammeOnRandomInstances) {
    int reachable = 0, unreachable = 0;
    for (std::uint32_t seed = 1; seed <= 400; ++seed) {
        const Instance in = random_instance(seed);
        const auto lists = lists_of(in.measures);
        const int tc = static_cast<int>(seed % 3) * 5;
        const double pixel_area = seed % 2 ? 0.81 : 1.0;
        // Targets from a small share of what the area holds to beyond it.
        std::vector<double> wanted, weight;
        for (std::size_t s = 0; s < in.species; ++s) {
            wanted.push_back(pixel_area * in.most / static_cast<double>(in.species) * 0.02 * (1 + rand15() % 60));
            weight.push_back(1.0 + rand15() % 100);
        }
        const double budget = (seed % 7 == 0 ? -1.0 : 1.0) * (rand15() % 3000);
        const CostOnlyBound fast = seed % 5 == 0 ? detail::cost_only_budget_bound(
                                                       bound_candidates(lists, wanted.size(), tc, pixel_area),
                                                       wanted, 60.0, 0.0)
                                                 : cost_only_budget_bound(lists, wanted, tc, pixel_area);
        const CostOnlyBound plain = plain_cost_only_budget_bound(lists, wanted, tc, pixel_area);
        ASSERT_TRUE(fast.solved && plain.solved) << "seed " << seed;
        ASSERT_EQ(fast.reachable, plain.reachable) << "seed " << seed;
        if (fast.reachable) {
            ++reachable;
            EXPECT_NEAR(fast.value, plain.value, 1e-7 * std::max(1.0, plain.value)) << "seed " << seed;
            for (std::size_t s = 0; s < wanted.size(); ++s)
                EXPECT_GE(fast.area[s], wanted[s] - 1e-6 * std::max(1.0, wanted[s])) << "seed " << seed;
        } else {
            ++unreachable;
        }
        const CostOnlyBound fast_goal = cost_only_goal_bound(lists, weight, budget, tc, pixel_area);
        const CostOnlyBound plain_goal = plain_cost_only_goal_bound(lists, weight, budget, tc, pixel_area);
        ASSERT_EQ(fast_goal.solved, plain_goal.solved) << "seed " << seed;
        ASSERT_EQ(fast_goal.reachable, plain_goal.reachable) << "seed " << seed;
        if (!fast_goal.reachable) continue;
        EXPECT_NEAR(fast_goal.value, plain_goal.value, 1e-7 * std::max(1.0, plain_goal.value)) << "seed " << seed;
        double weighted = 0.0;
        for (std::size_t s = 0; s < weight.size(); ++s) weighted += weight[s] * fast_goal.area[s];
        EXPECT_NEAR(weighted, fast_goal.value, 1e-7 * std::max(1.0, fast_goal.value)) << "seed " << seed;
    }
    EXPECT_GT(reachable, 100);
    EXPECT_GT(unreachable, 20);
}

// Larger areas, where the bound fixes most pixels at their choice for the
// species' prices and works out only the rest exactly: targets that make the
// species compete for pixels, measures with gains (free offers) and without,
// and a target that free offers alone reach.
TEST(CostOnlyBound, FastBudgetBoundEqualsThePlainProgrammeOnLargerAreas) {
    for (std::uint32_t seed = 1; seed <= 24; ++seed) {
        seed_random(1000 + seed);
        const std::size_t species = 2 + seed % 4;
        const int measures = 3 + static_cast<int>(seed % 5);
        const int pixels = 800 + rand15() % 1200;
        const bool gains = seed % 3 == 0;
        std::vector<std::vector<Offer>> offers(static_cast<std::size_t>(measures));
        std::vector<double> most(species, 0.0);
        for (int p = 0; p < pixels; ++p) {
            std::vector<double> best(species, 0.0);
            for (int m = 0; m < measures; ++m) {
                if (rand15() % 4 == 0) continue;
                Offer o{(p / 100) * 100 + p % 100, 5.0 + rand15() % 300 - (gains ? 60.0 : 0.0), {}};
                for (std::size_t s = 0; s < species; ++s) {
                    o.quality.push_back(rand15() % 3 == 0 ? 0.0 : 0.01 * (1 + rand15() % 100));
                    best[s] = std::max(best[s], o.quality[s]);
                }
                offers[static_cast<std::size_t>(m)].push_back(o);
            }
            for (std::size_t s = 0; s < species; ++s) most[s] += best[s];
        }
        const auto lists = lists_of(offers);
        const double share = seed % 8 == 0 ? 0.02 : 0.1 + 0.05 * (seed % 10);
        std::vector<double> wanted;
        for (std::size_t s = 0; s < species; ++s) wanted.push_back(share * most[s] * (0.5 + 0.1 * (rand15() % 6)));
        const CostOnlyBound plain = plain_cost_only_budget_bound(lists, wanted, 0, 1.0);
        ASSERT_TRUE(plain.solved) << "seed " << seed;
        // As the searches use it, and with no pixel in doubt (every pixel
        // fixed at its choice for the first prices, the checks add the
        // ones that must change) or with many in doubt.
        const BoundCandidates candidates = bound_candidates(lists, species, 0, 1.0);
        const CostOnlyBound fast[] = {cost_only_budget_bound(lists, wanted, 0, 1.0),
                                      detail::cost_only_budget_bound(candidates, wanted, 60.0, 0.0),
                                      detail::cost_only_budget_bound(candidates, wanted, 60.0, 0.3)};
        for (const CostOnlyBound& b : fast) {
            ASSERT_TRUE(b.solved) << "seed " << seed;
            ASSERT_EQ(b.reachable, plain.reachable) << "seed " << seed;
            if (!b.reachable) continue;
            EXPECT_NEAR(b.value, plain.value, 1e-7 * std::max(1.0, plain.value)) << "seed " << seed;
            for (std::size_t s = 0; s < species; ++s)
                EXPECT_GE(b.area[s], wanted[s] - 1e-6 * std::max(1.0, wanted[s])) << "seed " << seed;
        }
    }
}

// The compact form tells pixels apart by row and column, whatever order
// the lists hold them in, and keeps each candidate's cost and areas.
TEST(CostOnlyBound, CompactCandidatesNumberPixelsByRowAndColumn) {
    const auto lists = lists_of({{{105, 10, {1.0, 0.5}}, {7, 20, {0.0, 1.0}}}, {{7, 4, {0.5, 0.5}}, {3, 1, {0.2, 0.0}}}});
    const BoundCandidates c = bound_candidates(lists, 2, 2, 0.5);
    ASSERT_EQ(c.size(), 4u);
    EXPECT_EQ(c.pixels, 3u);
    EXPECT_NE(c.pixel[0], c.pixel[1]);
    EXPECT_EQ(c.pixel[1], c.pixel[2]);
    EXPECT_NE(c.pixel[3], c.pixel[1]);
    EXPECT_DOUBLE_EQ(c.cost[2], 0.5 * (4 + 2));
    EXPECT_DOUBLE_EQ(c.area[2 * 2 + 1], 0.25);
    // A third species the records do not hold counts 0.
    const BoundCandidates wider = bound_candidates(lists, 3, 0, 1.0);
    EXPECT_DOUBLE_EQ(wider.area[0 * 3 + 2], 0.0);
    EXPECT_DOUBLE_EQ(cost_only_budget_bound(wider, {1.0, 0.0, 0.0}).value, cost_only_budget_bound(lists, {1.0, 0.0, 0.0}, 0, 1.0).value);
}

TEST(CostOnlyBound, RepeatedPixelsAndBeatenOffersGiveTheSameBoundAsEachOnItsOwn) {
    // Pixels 0-3 repeat one pixel's offers; measure B's offer on them costs
    // more than A's for less. 2.5 ha wanted: A on two pixels and half of a
    // third at 10 each, then the cheaper pixel 4 first (8 per ha).
    const std::vector<std::vector<Offer>> measures = {
        {{0, 10, {1.0}}, {1, 10, {1.0}}, {2, 10, {1.0}}, {3, 10, {1.0}}, {4, 8, {1.0}}},
        {{0, 12, {0.5}}, {1, 12, {0.5}}, {2, 12, {0.5}}, {3, 12, {0.5}}},
    };
    const CostOnlyBound b = cost_only_budget_bound(lists_of(measures), {2.5}, 0, 1.0);
    ASSERT_TRUE(b.reachable);
    EXPECT_NEAR(b.value, 8 + 1.5 * 10, 1e-9);
    EXPECT_NEAR(b.area[0], 2.5, 1e-9);
    // 21 Euro buy pixel 4 and 1.3 of the repeated pixels.
    const CostOnlyBound g = cost_only_goal_bound(lists_of(measures), {1.0}, 21, 0, 1.0);
    ASSERT_TRUE(g.reachable);
    EXPECT_NEAR(g.value, 1 + 1.3, 1e-9);
    EXPECT_FALSE(cost_only_budget_bound(lists_of(measures), {5.5}, 0, 1.0).reachable);
}

TEST(CostOnlyBound, ATimeLimitThatHasPassedLeavesTheBoundNotWorkedOut) {
    const auto lists = lists_of({{{0, 10, {1.0}}, {1, 20, {1.0}}}});
    const CostOnlyBound b = cost_only_budget_bound(lists, {1.5}, 0, 1.0, 0.0);
    const CostOnlyBound g = cost_only_goal_bound(lists, {1.0}, 15, 0, 1.0, 0.0);
    EXPECT_FALSE(b.solved);
    EXPECT_TRUE(b.time_limit_reached);
    EXPECT_FALSE(g.solved);
    EXPECT_TRUE(g.time_limit_reached);
}

}  // namespace
}  // namespace pravel
