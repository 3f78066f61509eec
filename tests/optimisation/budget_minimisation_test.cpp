#include "optimisation/budget_minimisation.h"

#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <vector>

#include "common/feedback.h"
#include "common/notifier.h"
#include "common/random.h"

namespace pravel {
namespace {

// Draws after seed_random(1): 41, 18467, 6334, 26500, 19169, 15724, ...

PixelResult pixel(int row, int column, double margin, std::vector<double> qualities) {
    PixelResult r;
    r.pixelID = row * 1000 + column;
    r.row = row;
    r.column = column;
    r.margin_without_payment = margin;
    r.margin_with_payment = margin;  // evaluated with payment 0
    for (std::size_t s = 0; s < qualities.size(); ++s) r.qualities.push_back({static_cast<int>(s + 1), qualities[s]});
    r.measure = std::make_shared<MeasureRecord>();
    return r;
}

MeasureCandidates list_of(std::vector<double> nets) {
    MeasureCandidates c;
    for (std::size_t j = 0; j < nets.size(); ++j) c.list.push_back(pixel(0, static_cast<int>(j), nets[j], {1.0}));
    return c;
}

TEST(BudgetMinimisation, CountBound) {
    struct Case {
        const char* what;
        std::vector<double> wanted, minimum;
        double area;
        int bound;
    };
    const std::vector<Case> cases = {
        {"largest quotient times species", {10, 20}, {0.5, 0.25}, 1.0, 2 * 80},
        {"quotients truncated: 1 / 0.3 / 0.81 = 4.1", {1}, {0.3}, 0.81, 4},
        {"minimum quality 0 is left out", {10, 20}, {0.5, 0.0}, 1.0, 1 * 20},
        {"no species left", {10, 20}, {0.0, 0.0}, 1.0, 0},
        {"targets below one pixel", {0.2, 0.1}, {0.5, 0.5}, 1.0, 0},
        {"no species", {}, {}, 1.0, 0},
        {"huge quotient stays an int", {1e12}, {1e-6}, 1.0, INT_MAX},
    };
    for (const Case& c : cases) EXPECT_EQ(count_bound(c.wanted, c.minimum, c.area), c.bound) << c.what;
}

TEST(BudgetMinimisation, StartValues) {
    std::vector<MeasureCandidates> c = {list_of({}), list_of({-10, -20, -50}), list_of({20, 5, -30}),
                                        list_of({0, -4})};
    const BudgetStartValues v = budget_start_values(c, 2, 5);
    // Empty list: all 0.
    EXPECT_EQ(v.payment[0], 0.0);
    EXPECT_EQ(v.range[0], 0.0);
    EXPECT_EQ(v.cap[0], 0.0);
    EXPECT_EQ(v.max_count[0], 0);
    // Best net value below 0: range 40, payment 10 + 1 + 5 + 20, cap 50.
    EXPECT_DOUBLE_EQ(v.range[1], 40.0);
    EXPECT_DOUBLE_EQ(v.payment[1], 36.0);
    EXPECT_DOUBLE_EQ(v.cap[1], 50.0);
    EXPECT_EQ(v.max_count[1], 2);
    // Best net value 0 or more: c = 30, payment 15 + 5 + 1.
    EXPECT_DOUBLE_EQ(v.range[2], 30.0);
    EXPECT_DOUBLE_EQ(v.payment[2], 21.0);
    EXPECT_DOUBLE_EQ(v.cap[2], 30.0);
    // A first value of exactly 0 counts as "0 or more": c = 4.
    EXPECT_DOUBLE_EQ(v.payment[3], 2.0 + 5 + 1);
    EXPECT_EQ(v.max_count[3], 2);

    // Without a bound every measure may take its whole list.
    const BudgetStartValues unbounded = budget_start_values(c, 0, 5);
    EXPECT_EQ(unbounded.max_count, (std::vector<int>{0, 3, 3, 2}));
    EXPECT_EQ(budget_start_values(c, 100, 5).max_count, (std::vector<int>{0, 3, 3, 2}));
}

TEST(BudgetMinimisation, ObjectiveAndShortfall) {
    struct Case {
        const char* what;
        double budget;
        std::vector<double> wanted, achieved;
        double objective;
        long long shortfall;
    };
    const std::vector<Case> cases = {
        {"all targets reached: the budget", 500, {10, 5}, {10, 6}, 500, 0},
        {"short by 2.5 ha", 500, {10}, {7.5}, 500 * 2 * 100.0, 2},
        {"short by 0.4 ha still counts as 1", 500, {10}, {9.6}, 500 * 1 * 100.0, 1},
        {"short by 3.7 and 0.2", 200, {10, 10}, {6.3, 9.8}, 200 * 4 * 100.0, 4},
        {"nothing spent", 0, {10}, {0}, 10 * 10000000.0, 10},
        {"nothing spent, short by less than 1 ha", 0, {0.5}, {0}, 10000000.0, 1},
    };
    for (const Case& c : cases) {
        const BudgetObjective o = budget_objective(c.budget, c.wanted, c.achieved);
        EXPECT_DOUBLE_EQ(o.objective, c.objective) << c.what;
        EXPECT_EQ(o.shortfall, c.shortfall) << c.what;
    }
}

TEST(BudgetMinimisation, StartTemperatureDoesNotOverflow) {
    EXPECT_DOUBLE_EQ(budget_start_temperature(1), 100000.0);
    EXPECT_DOUBLE_EQ(budget_start_temperature(0), 100000.0);
    EXPECT_DOUBLE_EQ(budget_start_temperature(147), 2160900000.0);
    EXPECT_GT(budget_start_temperature(147), static_cast<double>(INT_MAX));
    EXPECT_DOUBLE_EQ(budget_start_temperature(1000), 1e11);
}

BudgetMoveLimits limits_for(std::vector<double> range, std::vector<double> cap, int tc, int bound) {
    BudgetMoveLimits l;
    l.has_candidates.assign(range.size(), true);
    l.range = std::move(range);
    l.cap = std::move(cap);
    l.transaction_costs = tc;
    l.bound = bound;
    return l;
}

TEST(BudgetMinimisation, MoveAfterRejection) {
    // One measure: m = 41 % 1; f = 18467 / 32767 * 0.5 + 0.1; coin 6334 even:
    // down by f x range; count move: m = 26500 % 1, count = 19169 % 50 = 19.
    std::vector<double> payment = {100};
    std::vector<int> count = {3};
    double f = 0.0;
    seed_random(1);
    budget_move(BudgetOutcome::Rejected, limits_for({40}, {500}, 5, 50), payment, count, f);
    const double expected_f = 18467.0 / 32767.0 * 0.5 + 0.1;
    EXPECT_DOUBLE_EQ(f, expected_f);
    EXPECT_DOUBLE_EQ(payment[0], 100 - expected_f * 40);
    EXPECT_EQ(count[0], 19);
    EXPECT_EQ(rand15(), 15724);  // five draws used

    // A step below 0 stops at 0.
    payment = {3};
    seed_random(1);
    budget_move(BudgetOutcome::Rejected, limits_for({40}, {500}, 5, 50), payment, count, f);
    EXPECT_EQ(payment[0], 0.0);

    // Four measures: k = 2 payment moves, then 2 count moves. Payment moves:
    // m = 41 % 4 = 1 (f from 18467, coin 6334 down), m = 26500 % 4 = 0 (f
    // from 19169, coin 15724 down). Count moves: m = 11478 % 4 = 2 gets
    // 29358 % 7 = 0; m = 26962 % 4 = 2 gets 24464 % 7 = 6.
    payment = {50, 50, 50, 50};
    count = {1, 1, 1, 1};
    seed_random(1);
    budget_move(BudgetOutcome::Rejected, limits_for({10, 20, 30, 40}, {99, 99, 99, 99}, 0, 7), payment, count, f);
    EXPECT_DOUBLE_EQ(payment[0], 50 - (19169.0 / 32767 * 0.5 + 0.1) * 10);
    EXPECT_DOUBLE_EQ(payment[1], 50 - (18467.0 / 32767 * 0.5 + 0.1) * 20);
    EXPECT_EQ(payment[2], 50.0);
    EXPECT_EQ(payment[3], 50.0);
    EXPECT_EQ(count, (std::vector<int>{1, 1, 6, 1}));
    EXPECT_DOUBLE_EQ(f, 19169.0 / 32767 * 0.5 + 0.1);
}

TEST(BudgetMinimisation, MoveAfterChanceAcceptanceStepsTwentyEuro) {
    // m = 41 % 1, coin 18467 odd: up by 20; count: m = 6334 % 1,
    // count = 26500 % 7 = 5.
    std::vector<double> payment = {12};
    std::vector<int> count = {0};
    double f = 0.3;
    seed_random(1);
    budget_move(BudgetOutcome::AcceptedByChance, limits_for({40}, {500}, 5, 7), payment, count, f);
    EXPECT_EQ(payment[0], 32.0);
    EXPECT_EQ(count[0], 5);
    EXPECT_EQ(f, 0.3);

    // Passing the cap lands exactly on cap + 10 + transaction costs.
    payment = {40};
    seed_random(1);
    budget_move(BudgetOutcome::AcceptedByChance, limits_for({40}, {50}, 5, 7), payment, count, f);
    EXPECT_EQ(payment[0], 65.0);
}

TEST(BudgetMinimisation, MoveAfterImprovementRepeatsTheLastStepFactor) {
    // Two measures, one payment move: m = 41 % 2 = 1, coin 18467 odd: up by
    // 0.5 x 30; then the count of m = 6334 % 2 = 0 goes to the bound (up).
    std::vector<double> payment = {10, 10};
    std::vector<int> count = {2, 2};
    double f = 0.5;
    seed_random(1);
    budget_move(BudgetOutcome::Improved, limits_for({20, 30}, {100, 100}, 0, 9), payment, count, f);
    EXPECT_EQ(payment, (std::vector<double>{10, 25}));
    EXPECT_EQ(count, (std::vector<int>{9, 2}));
    EXPECT_EQ(rand15(), 26500);  // three draws used

    // Downwards, one draw later in the same sequence: m = 18467 % 2 = 1,
    // coin 6334 even: down by 15 and floored at 0; the count of
    // m = 26500 % 2 = 0 goes to 0.
    payment = {10, 10};
    count = {2, 2};
    seed_random(1);
    rand15();
    budget_move(BudgetOutcome::Improved, limits_for({20, 30}, {100, 100}, 0, 9), payment, count, f);
    EXPECT_EQ(payment, (std::vector<double>{10, 0}));
    EXPECT_EQ(count, (std::vector<int>{0, 2}));
}

TEST(BudgetMinimisation, MoveLeavesCountsAloneWithoutBoundAndEmptyMeasuresAtZero) {
    for (BudgetOutcome last : {BudgetOutcome::Rejected, BudgetOutcome::AcceptedByChance, BudgetOutcome::Improved}) {
        std::vector<double> payment = {10, 10};
        std::vector<int> count = {4, 6};
        double f = 0.5;
        seed_random(1);
        budget_move(last, limits_for({20, 30}, {100, 100}, 0, 0), payment, count, f);
        EXPECT_EQ(count, (std::vector<int>{4, 6}));
    }
    // A measure without candidates: up by 20 would pass its cap of 0.
    BudgetMoveLimits l = limits_for({0}, {0}, 5, 7);
    l.has_candidates = {false};
    std::vector<double> payment = {0};
    std::vector<int> count = {0};
    double f = 0.5;
    seed_random(1);
    budget_move(BudgetOutcome::AcceptedByChance, l, payment, count, f);
    EXPECT_EQ(payment[0], 0.0);
    EXPECT_EQ(count[0], 0);
}

TEST(BudgetMinimisation, Acceptance) {
    struct Case {
        const char* what;
        BudgetObjective current, candidate;
        double temperature;
        BudgetOutcome outcome;
        bool draws;
    };
    const std::vector<Case> cases = {
        {"lower objective", {100, 0}, {90, 0}, 1.0, BudgetOutcome::Improved, false},
        {"smaller shortfall though dearer", {1000, 5}, {5000, 2}, 1e-9, BudgetOutcome::Improved, false},
        {"equal objective: exp(0) = 1 beats the draw", {100, 0}, {100, 0}, 1.0, BudgetOutcome::AcceptedByChance,
         true},
        {"slightly worse at high temperature", {100, 0}, {101, 0}, 1e6, BudgetOutcome::AcceptedByChance, true},
        {"much worse at low temperature", {100, 0}, {200, 0}, 1.0, BudgetOutcome::Rejected, true},
        {"larger shortfall", {100, 1}, {100, 3}, 1e-3, BudgetOutcome::AcceptedByChance, true},
    };
    for (const Case& c : cases) {
        seed_random(1);
        EXPECT_EQ(budget_acceptance(c.current, c.candidate, c.temperature), c.outcome) << c.what;
        EXPECT_EQ(rand15(), c.draws ? 18467 : 41) << c.what;
    }
}

// One species, pixel area 1e9 ha, so that every payment step changes the
// budget by far more than the start temperature of 1e5: near the optimum
// every candidate is rejected and the run stops after 1000 rejections.
BudgetMinimisationInput one_species(double wanted, double minimum, int tc = 0) {
    BudgetMinimisationInput in;
    in.wanted_area_ha = {wanted};
    in.evaluation.minimum_qualities = {minimum};
    in.transaction_costs = tc;
    in.seed = 7;
    return in;
}

TEST(BudgetMinimisationRun, StopsAfterAThousandRejectionsWithTheCheapestPayment) {
    auto recorder = std::make_shared<RecordingNotifier>();
    ScopedNotifier scope(recorder);
    EvaluatedArea area;
    area.lists = {{pixel(0, 0, -100, {1.0}), pixel(0, 1, -100.5, {1.0})}};
    area.raster_rows = 1;
    area.raster_columns = 2;
    area.pixel_area = 1e9;
    // Bound: wanted 1e9 ha at minimum quality 0.5 -> 2 pixels.
    const OptimisationResult r = BudgetMinimisationRun(area, one_species(1e9, 0.5));

    // One pixel of quality 1 reaches the target; its farmer needs 100 Euro.
    ASSERT_EQ(r.participants, (std::vector<int>{1}));
    EXPECT_GE(r.payment[0], 100.0);
    EXPECT_LT(r.payment[0], 100.3);
    EXPECT_DOUBLE_EQ(r.budget, 1e9 * r.payment[0]);
    EXPECT_DOUBLE_EQ(r.effective_area[0], 1e9);
    ASSERT_EQ(r.allocation.size(), 1u);
    EXPECT_EQ(r.allocation[0].column, 0);
    EXPECT_DOUBLE_EQ(r.allocation[0].measure->payment, r.payment[0]);
    EXPECT_DOUBLE_EQ(r.allocation[0].margin_with_payment, -100 + r.payment[0]);
    // Far fewer iterations than cooling to 0.005 would take (8.4 million).
    EXPECT_GE(r.iterations, 1000);
    EXPECT_LT(r.iterations, 200000);
    ASSERT_EQ(recorder->messages().size(), 1u);
    EXPECT_EQ(recorder->messages()[0].kind, RecordingNotifier::Kind::YesNo);
    EXPECT_EQ(recorder->messages()[0].text, std::to_string(r.iterations));
}

TEST(BudgetMinimisationRun, SameSeedSameResult) {
    auto recorder = std::make_shared<RecordingNotifier>();
    ScopedNotifier scope(recorder);
    EvaluatedArea area;
    area.lists = {{pixel(0, 0, -100, {1.0}), pixel(0, 1, -100.5, {1.0}), pixel(0, 2, -101, {1.0})}};
    area.raster_rows = 1;
    area.raster_columns = 3;
    area.pixel_area = 1e9;
    const OptimisationResult a = BudgetMinimisationRun(area, one_species(1e9, 0.5));
    const OptimisationResult b = BudgetMinimisationRun(area, one_species(1e9, 0.5));
    EXPECT_EQ(a.iterations, b.iterations);
    EXPECT_EQ(a.payment, b.payment);
    EXPECT_EQ(a.max_count, b.max_count);
    EXPECT_EQ(a.budget, b.budget);
}

TEST(BudgetMinimisationRun, CoolingEndsARunThatNeverPilesUpRejections) {
    auto recorder = std::make_shared<RecordingNotifier>();
    ScopedNotifier scope(recorder);
    // Candidates with an equal objective are always accepted (exp(0) = 1),
    // and with two measures they keep coming, so 1000 rejections in a row
    // never happen and the run cools from 2 x 2 x 100000 to 0.005:
    // ln(0.005 / 400000) / ln(0.999998) = 9098759.5 iterations.
    EvaluatedArea area;
    area.lists = {{pixel(0, 0, -100, {1.0}), pixel(0, 1, -100.5, {1.0})},
                  {pixel(0, 0, -98, {0.7}), pixel(0, 2, -103, {0.9})}};
    area.raster_rows = 1;
    area.raster_columns = 3;
    area.pixel_area = 1e9;
    const OptimisationResult r = BudgetMinimisationRun(area, one_species(1e9, 0.5));
    EXPECT_GE(r.iterations, 9098759);
    EXPECT_LE(r.iterations, 9098761);
    EXPECT_GE(r.effective_area[0], 1e9);
}

TEST(BudgetMinimisationRun, CancelReturnsTheBestSoFar) {
    auto recorder = std::make_shared<RecordingNotifier>();
    ScopedNotifier scope(recorder);
    // One cheap pixel at area 1: objective differences of a few Euro are
    // accepted at the start temperature, so the run would cool for millions
    // of iterations; it is cancelled at the first progress report.
    EvaluatedArea area;
    area.lists = {{pixel(0, 0, -100, {1.0})}, {}};
    area.raster_rows = 1;
    area.raster_columns = 1;
    area.pixel_area = 1.0;
    Feedback feedback([&](const Feedback::Progress& p) {
        EXPECT_EQ(p.step, 1000);
        EXPECT_LT(p.value, 4 * 100000.0);
        EXPECT_GT(p.value, 0.99 * 4 * 100000.0);
        feedback.cancel();
    });
    const OptimisationResult r = BudgetMinimisationRun(area, one_species(1.0, 0.5, 5), &feedback);
    EXPECT_EQ(r.iterations, 1000);
    // The start (101 + 5 = 106 Euro for the pixel) was feasible, so the best
    // is feasible and no dearer.
    EXPECT_DOUBLE_EQ(r.effective_area[0], 1.0);
    EXPECT_LE(r.budget, 106.0);
    EXPECT_GE(r.budget, 105.0);  // the farmer needs cost 100 + transaction costs 5
    // The empty measure keeps payment 0 and count 0.
    EXPECT_EQ(r.payment[1], 0.0);
    EXPECT_EQ(r.max_count[1], 0);
    EXPECT_EQ(r.participants[1], 0);

    // Cancelled before the first iteration: the start solution.
    Feedback cancelled;
    cancelled.cancel();
    const OptimisationResult s = BudgetMinimisationRun(area, one_species(1.0, 0.5, 5), &cancelled);
    EXPECT_EQ(s.iterations, 0);
    EXPECT_EQ(s.payment, (std::vector<double>{106.0, 0.0}));
    EXPECT_EQ(s.max_count, (std::vector<int>{1, 0}));  // min(list length 1, bound 2)
    EXPECT_DOUBLE_EQ(s.budget, 106.0);
    EXPECT_EQ(recorder->texts().back(), "0");
}

TEST(BudgetMinimisationRun, WithoutBoundTheCountsStayAsStarted) {
    auto recorder = std::make_shared<RecordingNotifier>();
    ScopedNotifier scope(recorder);
    EvaluatedArea area;
    area.lists = {{pixel(0, 0, -10, {1.0}), pixel(0, 1, -12, {1.0}), pixel(0, 2, -15, {1.0})},
                  {pixel(1, 0, -11, {1.0})}};
    area.raster_rows = 2;
    area.raster_columns = 3;
    area.pixel_area = 1.0;
    Feedback feedback([&](const Feedback::Progress&) { feedback.cancel(); });
    // Minimum quality 0: the species is left out of the bound, which is 0.
    const OptimisationResult r = BudgetMinimisationRun(area, one_species(2.0, 0.0), &feedback);
    EXPECT_EQ(r.iterations, 1000);
    EXPECT_EQ(r.max_count, (std::vector<int>{3, 1}));
}

TEST(BudgetMinimisationRun, NoMeasures) {
    auto recorder = std::make_shared<RecordingNotifier>();
    ScopedNotifier scope(recorder);
    EvaluatedArea area;
    area.raster_rows = 1;
    area.raster_columns = 1;
    area.pixel_area = 1.0;
    const OptimisationResult r = BudgetMinimisationRun(area, one_species(3.0, 0.5));
    EXPECT_EQ(r.iterations, 0);
    EXPECT_EQ(r.effective_area, (std::vector<double>{0.0}));
    EXPECT_TRUE(r.allocation.empty());
    EXPECT_EQ(recorder->texts(), (std::vector<std::string>{"0"}));
}

}  // namespace
}  // namespace pravel
