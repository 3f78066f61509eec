#include "policy/policy.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "core/evaluation_run.h"
#include "optimisation/cost_only_bound.h"
#include "policy/qt/curve_chart.h"

namespace pravel {
namespace {

// One offer of a measure on a pixel of a 10 x 10 raster (pixel = row * 10 +
// column): its cost (Euro/ha, before transaction costs) and its qualities.
struct Offer {
    int pixel;
    double cost;
    std::vector<double> quality;
};

EvaluatedArea area_of(const std::vector<std::vector<Offer>>& measures, double pixel_area = 1.0) {
    EvaluatedArea a;
    a.raster_rows = 10;
    a.raster_columns = 10;
    a.pixel_area = pixel_area;
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
        a.lists.push_back(list);
    }
    return a;
}

BudgetMinimisationInput budget_input(std::vector<double> wanted, int tc) {
    BudgetMinimisationInput in;
    in.wanted_area_ha = std::move(wanted);
    in.evaluation.minimum_qualities.assign(in.wanted_area_ha.size(), 0.1);
    in.transaction_costs = tc;
    in.seed = 1;
    return in;
}

GoalMaximisationInput goal_input(std::vector<double> weight, int budget, int tc) {
    GoalMaximisationInput in;
    in.weight = std::move(weight);
    in.evaluation.minimum_qualities.assign(in.weight.size(), 0.1);
    in.budget = budget;
    in.transaction_costs = tc;
    in.seed = 1;
    return in;
}

// A larger instance with costs and qualities from a fixed sequence, so that
// the searches have choices to make: three measures on 100 pixels.
EvaluatedArea mixed_area() {
    std::uint32_t state = 12345u;
    auto next = [&] {
        state = state * 1103515245u + 12345u;
        return static_cast<double>((state >> 8) % 10000) / 10000.0;
    };
    std::vector<std::vector<Offer>> measures(3);
    for (int p = 0; p < 100; ++p)
        for (int m = 0; m < 3; ++m) {
            if (next() < 0.3) continue;
            const double cost = 5.0 + 60.0 * next() + 10.0 * m + (p % 10 >= 5 ? 15.0 : 0.0);
            measures[static_cast<std::size_t>(m)].push_back({p, cost, {0.3 + 0.7 * next(), 0.5 * next()}});
        }
    return area_of(measures);
}

BreakpointSearchOptions quick() {
    BreakpointSearchOptions o;
    o.time_limit_seconds = 5.0;
    o.patience = 20;
    return o;
}

// Two measures, two zones (columns 0-4 and 5-9). Species 1 needs both
// pixels of measure 1 (costs 10 in the left zone, 30 in the right one), so
// one uniform payment pays 30 twice; zone payments pay 10 + 30. Species 2
// needs one pixel of measure 2 (cost 5 left, 8 right): 5 either way. The
// zones save exactly 20 Euro of the uniform 65.
std::vector<std::vector<Offer>> two_zone_instance() {
    return {{{0, 10.0, {1.0, 0.0}}, {5, 30.0, {1.0, 0.0}}}, {{2, 5.0, {0.0, 1.0}}, {7, 8.0, {0.0, 1.0}}}};
}

TEST(ZonePayments, TwoZonesSaveWhatTheCheapZoneIsOverpaid) {
    const EvaluatedArea area = area_of(two_zone_instance());
    const BudgetMinimisationInput input = budget_input({2.0, 1.0}, 0);
    const OptimisationResult uniform = BreakpointBudgetMinimisation(area, input, quick());
    EXPECT_NEAR(uniform.budget, 65.0, 0.01);

    const ZoneMap halves = grid_zones(10, 10, 1, 2);
    const auto zoned = budget_by_zones({&area, input}, uniform, {halves}, quick());
    ASSERT_EQ(zoned.size(), 1u);
    const ZonedSolution& z = zoned.front();
    EXPECT_NEAR(z.result.budget, 45.0, 0.01);
    EXPECT_NEAR(uniform.budget - z.result.budget, 20.0, 0.02);
    EXPECT_NEAR(z.payment(0, 0), 10.0, 0.01);
    EXPECT_NEAR(z.payment(0, 1), 30.0, 0.01);
    EXPECT_EQ(z.participants(0, 0), 1);
    EXPECT_EQ(z.participants(0, 1), 1);
    EXPECT_EQ(z.participants(1, 0), 1);
    EXPECT_EQ(z.participants(1, 1), 0);
    EXPECT_EQ(z.result.participants, (std::vector<int>{2, 1}));
    EXPECT_NEAR(z.result.effective_area[0], 2.0, 1e-9);
    EXPECT_NEAR(z.result.effective_area[1], 1.0, 1e-9);
}

TEST(ZonePayments, FinerZonesNeverCostMoreAndNeverBeatTheBound) {
    const EvaluatedArea area = mixed_area();
    const BudgetMinimisationInput input = budget_input({12.0, 4.0}, 10);
    const OptimisationResult uniform = BreakpointBudgetMinimisation(area, input, quick());
    const CostOnlyBound bound =
        cost_only_budget_bound(area.lists, input.wanted_area_ha, input.transaction_costs, area.pixel_area);
    ASSERT_TRUE(bound.reachable);
    const std::vector<ZoneMap> zonings{grid_zones(10, 10, 1, 2), grid_zones(10, 10, 2, 2), grid_zones(10, 10, 4, 4)};
    const auto zoned = budget_by_zones({&area, input}, uniform, zonings, quick());
    ASSERT_EQ(zoned.size(), 3u);
    double coarser = uniform.budget;
    for (const ZonedSolution& z : zoned) {
        SCOPED_TRACE(z.description);
        EXPECT_LE(shortfall(input.wanted_area_ha, z.result.effective_area), 1e-6);
        EXPECT_LE(z.result.budget, coarser + 1e-6);
        EXPECT_GE(z.result.budget, bound.value - 1e-6);
        coarser = z.result.budget;
    }
    // The payments of the left and right zones differ: the right half costs more.
    EXPECT_LT(zoned.front().result.budget, uniform.budget);
}

TEST(ZonePayments, GoalZonesBuyAtLeastTheUniformArea) {
    const EvaluatedArea area = mixed_area();
    const GoalMaximisationInput input = goal_input({1.0, 0.5}, 600, 10);
    const OptimisationResult uniform = BreakpointGoalMaximisation(area, input, quick());
    const auto zoned = goal_by_zones({&area, input}, uniform, {grid_zones(10, 10, 1, 2)}, quick());
    const ZonedSolution& z = zoned.front();
    EXPECT_LE(z.result.budget, 600.0 + 1e-6);
    EXPECT_GE(weighted_area(input.weight, z.result.effective_area),
              weighted_area(input.weight, uniform.effective_area) - 1e-9);
}

TEST(Zones, GridsRefineTheirDivisorsAndValuesMakeOneZoneEach) {
    std::vector<int> parent;
    const ZoneMap g2 = grid_zones(10, 10, 2, 2), g4 = grid_zones(10, 10, 4, 4), g3 = grid_zones(10, 10, 3, 3);
    EXPECT_TRUE(refines(g4, g2, parent));
    EXPECT_EQ(parent[0], 0);   // r1c1 of 4x4 in r1c1 of 2x2
    EXPECT_EQ(parent[15], 3);  // r4c4 in r2c2
    EXPECT_FALSE(refines(g2, g4, parent));
    EXPECT_FALSE(refines(g3, g2, parent));
    EXPECT_EQ(g4.zone_count(), 16);
    EXPECT_EQ(g4.names[5], "r2c2");
    EXPECT_THROW(grid_zones(10, 10, 0, 2), std::invalid_argument);
    EXPECT_THROW(grid_zones(10, 10, 11, 2), std::invalid_argument);

    const ZoneMap v = value_zones(2, 2, {{0, 0, "wet"}, {0, 1, "dry"}, {1, 1, "wet"}}, "column subclassification");
    EXPECT_EQ(v.names, (std::vector<std::string>{"wet", "dry"}));
    EXPECT_EQ(v.zone_at(1, 1), 0);
    EXPECT_EQ(v.zone_at(1, 0), -1);
    EXPECT_EQ(v.zone_at(5, 5), -1);

    // A candidate outside every zone is searched in a zone of its own.
    const EvaluatedArea area = area_of({{{0, 1.0, {1.0}}, {11, 1.0, {1.0}}}});
    const ZonedArea split = split_by_zone(area, value_zones(10, 10, {{0, 0, "a"}}, "column x"));
    EXPECT_EQ(split.zone_names, (std::vector<std::string>{"a", "(no zone)"}));
    EXPECT_EQ(split.area.lists[0].size(), 1u);
    EXPECT_EQ(split.area.lists[1].size(), 1u);
}

TEST(Zones, LayerValuesMakeOneZoneEachNamedByCategoryOrNumber) {
    // A 2 x 3 layer: codes 0 and 1 of a categorised band, a cell without
    // data, and a code beyond the categories named by its number.
    const std::vector<double> values{0, 0, 1, 1, 7, 2.5};
    const std::vector<char> has_data{1, 1, 1, 1, 0, 1};
    const ZoneMap z = layer_zones(2, 3, values, has_data, {"valley", "ridge"}, "layer zones.tif");
    EXPECT_EQ(z.names, (std::vector<std::string>{"valley", "ridge", "2.5"}));
    EXPECT_EQ(z.zone_at(0, 1), 0);
    EXPECT_EQ(z.zone_at(1, 0), 1);
    EXPECT_EQ(z.zone_at(1, 1), -1);
    EXPECT_EQ(z.zone_at(1, 2), 2);
    EXPECT_EQ(z.description, "layer zones.tif");
    // Without categories whole numbers are named without a decimal point.
    EXPECT_EQ(layer_zones(1, 2, {3, 12}, {1, 1}, {}, "layer z").names, (std::vector<std::string>{"3", "12"}));
}

// The tender on a hand-worked instance (transaction costs 2). Species 1
// wants 2 ha from measure 1: pixel 0 (cost 10, 1 ha), pixel 3 (cost 12,
// 0.5 ha), pixel 5 (cost 30, 1 ha); species 2 wants 1 ha from measure 2:
// pixel 2 (cost 5) or pixel 7 (cost 8). Most hectares per Euro takes pixel
// 0, then 3, then 5; pixel 3 is then no longer needed and let go.
TEST(Tender, AcceptsTheMostHectaresPerEuroAndPaysWhatWasAsked) {
    const EvaluatedArea area =
        area_of({{{0, 10.0, {1.0, 0.0}}, {3, 12.0, {0.5, 0.0}}, {5, 30.0, {1.0, 0.0}}},
                 {{2, 5.0, {0.0, 1.0}}, {7, 8.0, {0.0, 1.0}}}});
    struct Case {
        double markup;
        double budget;
        double rent;
    };
    // Markup 0: 12 + 32 + 7 = 51, no rent. Markup 0.5: 17 + 47 + 9.5 = 73.5;
    // the costs stay 51.
    for (const Case c : {Case{0.0, 51.0, 0.0}, Case{0.5, 73.5, 22.5}}) {
        SCOPED_TRACE(c.markup);
        const TenderResult t = run_tender(area, {2.0, 1.0}, 2, c.markup);
        EXPECT_TRUE(t.reached);
        EXPECT_NEAR(t.budget, c.budget, 1e-9);
        EXPECT_NEAR(t.rent(), c.rent, 1e-9);
        EXPECT_NEAR(t.costs, 51.0, 1e-9);
        ASSERT_EQ(t.measures.size(), 2u);
        EXPECT_EQ(t.measures[0].participants, 2);
        EXPECT_EQ(t.measures[1].participants, 1);
        EXPECT_NEAR(t.area[0], 2.0, 1e-9);
        EXPECT_NEAR(t.area[1], 1.0, 1e-9);
    }
    // The linear bound may take half of pixel 3 and half of pixel 5: 49.
    const CostOnlyBound bound = cost_only_budget_bound(area.lists, {2.0, 1.0}, 2, 1.0);
    EXPECT_NEAR(bound.value, 49.0, 1e-6);
    EXPECT_THROW(run_tender(area, {2.0, 1.0}, 2, -0.1), std::invalid_argument);
}

TEST(Tender, OneMeasurePerPixelAndUnreachableTargetsAreSaid) {
    // Both measures offer pixel 0; only one of them may take it.
    const EvaluatedArea area = area_of({{{0, 1.0, {1.0}}}, {{0, 2.0, {1.0}}}});
    const TenderResult t = run_tender(area, {2.0}, 0, 0.0);
    EXPECT_FALSE(t.reached);
    EXPECT_EQ(t.accepted.size(), 1u);
    EXPECT_NEAR(t.budget, 1.0, 1e-9);
}

TEST(Tender, BidPriceCountsAGainOnceAndNeverFallsBelowZero) {
    PixelResult r;
    r.margin_without_payment = -10.0;  // costs 10
    EXPECT_DOUBLE_EQ(bid_price(r, 2, 0.25), 14.5);
    r.margin_without_payment = 1.0;  // gains 1
    EXPECT_DOUBLE_EQ(bid_price(r, 2, 0.25), 1.0);
    r.margin_without_payment = 5.0;
    EXPECT_DOUBLE_EQ(bid_price(r, 2, 0.25), 0.0);
}

TEST(Curve, WarmStartedPointsNeverFall) {
    const EvaluatedArea area = mixed_area();
    const GoalMaximisationInput goal = goal_input({1.0, 0.5}, 0, 10);
    const std::vector<double> budgets{100, 200, 300, 400, 500, 600, 800, 1000};
    const BudgetEffectCurve c = goal_curve(area, goal, budgets, quick());
    ASSERT_EQ(c.points.size(), budgets.size());
    EXPECT_TRUE(monotone(c));
    for (std::size_t i = 0; i < c.points.size(); ++i) {
        EXPECT_LE(c.points[i].budget, budgets[i] + 1e-6);
        EXPECT_TRUE(c.points[i].bound_known);
        EXPECT_GE(c.points[i].bound, c.points[i].weighted - 1e-6);
        if (i) {
            EXPECT_GE(c.points[i].weighted, c.points[i - 1].weighted - 1e-9);
        }
    }

    const BudgetMinimisationInput budget = budget_input({6.0, 2.0}, 10);
    const BudgetEffectCurve b = budget_curve(area, budget, {0.5, 1.0, 1.5, 2.0}, quick());
    ASSERT_EQ(b.points.size(), 4u);
    EXPECT_TRUE(monotone(b));
    for (const CurvePoint& p : b.points) {
        EXPECT_TRUE(p.reached);
        EXPECT_GE(p.budget, p.bound - 1e-6);
    }
    EXPECT_NEAR(b.points[1].wanted[0], 6.0, 1e-12);
}

// The points are searched on the evaluation's threads; each search seeds
// its own stream, so one thread and two give the same curve, and each point
// is at least the single search from nothing at its budget.
TEST(Curve, PointsAreTheSameOnOneThreadOrTwoAndAtLeastTheSingleRun) {
    const EvaluatedArea area = mixed_area();
    const GoalMaximisationInput goal = goal_input({1.0, 0.5}, 0, 10);
    const std::vector<double> budgets{150, 300, 450, 700};
    const int before = evaluation_threads();
    std::vector<BudgetEffectCurve> curves;
    for (int threads : {1, 2}) {
        set_evaluation_threads(threads);
        curves.push_back(goal_curve(area, goal, budgets, quick(), nullptr, nullptr, 100.0));
    }
    set_evaluation_threads(before);
    for (std::size_t i = 0; i < budgets.size(); ++i) {
        EXPECT_EQ(curves[0].points[i].weighted, curves[1].points[i].weighted) << budgets[i];
        EXPECT_EQ(curves[0].points[i].payment, curves[1].points[i].payment) << budgets[i];
        GoalMaximisationInput single = goal;
        single.budget = static_cast<int>(budgets[i]);
        const OptimisationResult r = BreakpointGoalMaximisation(area, single, quick());
        EXPECT_GE(curves[1].points[i].weighted, weighted_area(goal.weight, r.effective_area) - 1e-9) << budgets[i];
    }
}

TEST(Curve, TheParametricBoundAgreesWithTheLinearProgrammeAtEveryBudget) {
    EvaluatedArea area = mixed_area();
    // Some offers bring a gain: with small transaction costs they are free.
    int n = 0;
    for (auto& list : area.lists)
        for (PixelResult& r : list)
            if (++n % 7 == 0) r.margin_without_payment += 30.0;
    const std::vector<double> weight{1.0, 0.5};
    const std::vector<double> budgets{0, 50, 333, 1000, 2500, 100000};
    for (int tc : {0, 10, 40}) {
        const std::vector<double> curve = cost_only_goal_curve(area.lists, weight, budgets, tc, 0.81);
        for (std::size_t i = 0; i < budgets.size(); ++i) {
            SCOPED_TRACE(std::to_string(tc) + " / " + std::to_string(budgets[i]));
            const CostOnlyBound lp = cost_only_goal_bound(area.lists, weight, budgets[i], tc, 0.81);
            ASSERT_TRUE(lp.reachable);
            EXPECT_NEAR(curve[i], lp.value, 1e-6 * std::max(1.0, lp.value));
        }
    }
}

TEST(Curve, TheOneSpeciesBudgetBoundAgreesWithTheLinearProgrammeAtEveryFactor) {
    EvaluatedArea area = mixed_area();
    int n = 0;
    for (auto& list : area.lists)
        for (PixelResult& r : list)
            if (++n % 5 == 0) r.margin_without_payment += 25.0;
    const std::vector<double> factors{0.0, 0.25, 1.0, 2.5, 4.0, 1000.0};
    // One species along its cheapest hectares; two species each by the
    // bound on candidates prepared once, both against the plain programme.
    for (const std::vector<double>& wanted : {std::vector<double>{2.0}, std::vector<double>{2.0, 1.0}})
        for (int tc : {0, 10}) {
            const std::vector<CostOnlyBound> curve = cost_only_budget_curve(area.lists, wanted, factors, tc, 0.81);
            for (std::size_t i = 0; i < factors.size(); ++i) {
                SCOPED_TRACE(std::to_string(wanted.size()) + " / " + std::to_string(tc) + " / " +
                             std::to_string(factors[i]));
                std::vector<double> scaled = wanted;
                for (double& w : scaled) w *= factors[i];
                const CostOnlyBound lp = plain_cost_only_budget_bound(area.lists, scaled, tc, 0.81);
                EXPECT_EQ(curve[i].reachable, lp.reachable);
                if (lp.reachable) EXPECT_NEAR(curve[i].value, lp.value, 1e-6 * std::max(1.0, lp.value));
            }
        }
}

TEST(Curve, RangesAreReadOrRefused) {
    std::string problem;
    EXPECT_EQ(curve_range("10000:200000:20", problem).size(), 20u);
    EXPECT_EQ(curve_range("1:3:3", problem), (std::vector<double>{1.0, 2.0, 3.0}));
    EXPECT_EQ(curve_range("5:5:1", problem), (std::vector<double>{5.0}));
    for (const char* bad : {"3:1:3", "1:3", "1:3:x", "1:3:1", "1:3:2.5", "-1:3:3", "1:3:0", "1:3:3:4", ""}) {
        SCOPED_TRACE(bad);
        EXPECT_TRUE(curve_range(bad, problem).empty());
        EXPECT_FALSE(problem.empty());
    }
    curve_range("3:1:3", problem);
    EXPECT_NE(problem.find("FROM must not exceed TO"), std::string::npos);
}

// The chart's axes run from 0 to a round top in round steps, at most eight.
TEST(Curve, ChartAxesHaveRoundTicks) {
    const struct {
        double max, top, step;
    } cases[] = {{204000, 250000, 50000}, {200000, 200000, 25000}, {1234, 1400, 200},
                 {7.5, 8, 1},             {0.3, 0.3, 0.05},        {0, 1, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.max);
        const AxisTicks t = nice_axis(c.max);
        EXPECT_NEAR(t.top, c.top, 1e-9 * c.top);
        EXPECT_NEAR(t.step, c.step, 1e-9 * c.step);
        EXPECT_EQ(t.ticks, static_cast<int>(std::lround(t.top / t.step)) + 1);
        EXPECT_LE(t.ticks, 9);
    }
}

TEST(Compare, TableRunsFromTheBoundToTheUniformPayments) {
    const EvaluatedArea area = area_of(two_zone_instance());
    const BudgetMinimisationInput input = budget_input({2.0, 1.0}, 0);
    const PaymentComparison c = compare_payments(area, input, {0.0, 0.25}, {grid_zones(10, 10, 1, 2)}, quick());
    ASSERT_EQ(c.rows.size(), 5u);
    EXPECT_EQ(c.rows[0].scheme, "cost-only bound");
    EXPECT_EQ(c.rows[1].scheme, "tender, markup 0");
    EXPECT_EQ(c.rows[2].scheme, "tender, markup 0.25");
    EXPECT_EQ(c.rows[3].scheme, "zones: grid 1x2");
    EXPECT_EQ(c.rows[4].scheme, "uniform payments");
    EXPECT_NEAR(c.rows[0].budget, 45.0, 1e-6);  // 10 + 30 + 5
    EXPECT_NEAR(c.rows[1].budget, 45.0, 1e-6);
    EXPECT_NEAR(c.rows[2].budget, 56.25, 1e-6);
    EXPECT_NEAR(c.rows[2].rent, 11.25, 1e-6);
    EXPECT_NEAR(c.rows[3].budget, 45.0, 0.01);
    EXPECT_NEAR(c.rows[4].budget, 65.0, 0.01);
    // The uniform payment overpays the cheap pixel of measure 1 by 20.
    EXPECT_NEAR(c.rows[4].rent, 20.0, 0.01);
    EXPECT_NEAR(c.rows[4].share, 1.0, 1e-12);
    EXPECT_NEAR(c.rows[0].share, 45.0 / c.rows[4].budget, 1e-9);
}

}  // namespace
}  // namespace pravel
