#include "optimisation/goal_maximisation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/feedback.h"
#include "common/notifier.h"
#include "common/random.h"
#include "core/measure_record.h"

namespace pravel {
namespace {

// Draws after seed_random(1): 41, 18467, 6334, 26500, 19169, 15724, 11478,
// 29358, 26962, 24464, 5705, ...

PixelResult pixel(int row, int column, double margin, std::vector<double> qualities) {
    PixelResult r;
    r.pixelID = row * 1000 + column;
    r.row = row;
    r.column = column;
    r.margin_without_payment = margin;
    r.margin_with_payment = margin;
    for (std::size_t s = 0; s < qualities.size(); ++s) r.qualities.push_back({static_cast<int>(s + 1), qualities[s]});
    return r;
}

// A list of pixels in row `row` with the given margins (quality 1).
std::vector<PixelResult> row_of(int row, std::vector<double> margins, double quality = 1.0) {
    std::vector<PixelResult> list;
    for (std::size_t j = 0; j < margins.size(); ++j)
        list.push_back(pixel(row, static_cast<int>(j), margins[j], {quality}));
    return list;
}

MeasureRecord measure(const std::string& name, int method) {
    MeasureRecord m;
    m.name = name;
    m.method_nr = method;
    return m;
}

TEST(AffordableCount, Edges) {
    struct Case {
        const char* what;
        std::vector<double> margins;
        int tc;
        double amount, extra, area;
        int index;
    };
    const std::vector<Case> cases = {
        {"empty list", {}, 0, 1000, 0, 1, -1},
        {"not even the first (10.001)", {-10, -20, -30}, 0, 5, 0, 1, -1},
        {"no money", {-10, -20, -30}, 0, 0, 0, 1, -1},
        {"only the first", {-10, -20, -30}, 0, 10.5, 0, 1, 0},
        {"two at 20.001 each", {-10, -20, -30}, 0, 45, 0, 1, 1},
        {"all three at 30.001 each: the last index", {-10, -20, -30}, 0, 100, 0, 1, 2},
        {"single pixel affordable", {-10}, 0, 20, 0, 1, 0},
        {"single pixel too dear", {-10}, 0, 5, 0, 1, -1},
        {"transaction costs, extra and area: 0.5 x 17.001 > 8.5", {-10}, 5, 8.5, 2, 0.5, -1},
        {"transaction costs, extra and area: 0.5 x 17.001 <= 9", {-10}, 5, 9, 2, 0.5, 0},
        {"a profitable pixel still costs 0.001", {5}, 0, 0.0005, 0, 1, -1},
        {"ten at 1.001: four for 5", std::vector<double>(10, -1.0), 0, 5, 0, 1, 3},
        {"ten at 1.001: all for 1000", std::vector<double>(10, -1.0), 0, 1000, 0, 1, 9},
    };
    for (const Case& c : cases) {
        std::vector<PixelResult> list;
        for (double m : c.margins) list.push_back(pixel(0, 0, m, {1.0}));
        EXPECT_EQ(AffordableCount(c.tc, c.amount, c.extra, list, c.area), c.index) << c.what;
    }
    // The default area is 0.81 ha: 0.81 x 10.001 = 8.10081.
    EXPECT_EQ(AffordableCount(0, 8.1, 0, row_of(0, {-10})), -1);
    EXPECT_EQ(AffordableCount(0, 8.2, 0, row_of(0, {-10})), 0);
}

TEST(GoalMaximisation, CostRangeAndPixelEffect) {
    EXPECT_DOUBLE_EQ(CostRange(row_of(0, {-10, -15, -30})), 20.0);
    EXPECT_DOUBLE_EQ(CostRange(row_of(0, {5, -30})), 30.0);
    EXPECT_DOUBLE_EQ(CostRange(row_of(0, {0, -8})), 8.0);
    EXPECT_DOUBLE_EQ(CostRange(row_of(0, {-30, -10})), -20.0);
    EXPECT_DOUBLE_EQ(CostRange({}), 0.0);

    const PixelResult p = pixel(0, 0, -1, {0.4, 0.2});
    EXPECT_DOUBLE_EQ(PixelEffect(p, {0.5, 1.0}), 0.81 * 0.4);
    EXPECT_DOUBLE_EQ(PixelEffect(p, {0.5, 1.0}, 2.0), 0.8);
    EXPECT_DOUBLE_EQ(PixelEffect(p, {1.0}), 0.81 * 0.4);  // only the weighted species
}

// Measure A (mowing, 2 pixels: quality 1 at cost 10, 0.5 at cost 20),
// B (mowing, 1 pixel of quality 1 at cost 40), C (an unknown type),
// D (grazing, 1 pixel of quality 1 at cost 5). Pixel effects: A 0.81 and
// 0.405, B 0.81, D 0.81.
struct ScoreFixture {
    std::vector<MeasureCandidates> candidates;
    std::vector<MeasureRecord> measures;
    ScoreFixture() {
        candidates.resize(4);
        candidates[0].list = {pixel(0, 0, -10, {1.0}), pixel(0, 1, -20, {0.5})};
        candidates[1].list = {pixel(1, 0, -40, {1.0})};
        candidates[2].list = {pixel(2, 0, -7, {1.0})};
        candidates[3].list = {pixel(3, 0, -5, {1.0})};
        measures = {measure("mowing_1cut", 1), measure("mowing_2cut", 2), measure("mowing_postpo", 2),
                    measure("grazing_seas", 10)};
    }
};

TEST(BudgetShareScores, ScoreModesShareTheBudget) {
    ScoreFixture f;
    f.candidates.resize(2);
    f.measures.resize(2);
    struct Case {
        const char* mode;
        double a, b;  // unnormalised scores of A and B
    };
    const std::vector<Case> cases = {
        // Sum of effects.
        {"MaxErrEffFlaeche", 1.215, 0.81},
        // Divided by v x 0.81 x N, v = 0.001 + cost of the last pixel.
        {"MaxErrEff", 1.215 / (20.001 * 0.81 * 2), 0.81 / (40.001 * 0.81)},
        // Best pixel weighted 3, the last 1: 0.81 x 3 + 0.405.
        {"MaxErrEffGew=3", 2.835 / (20.001 * 0.81 * 2), 0.81 / (40.001 * 0.81)},
    };
    for (const Case& c : cases) {
        const std::vector<double> s = BudgetShareScores(c.mode, "MitKonku", {1.0}, 1000, 0, f.candidates, f.measures);
        ASSERT_EQ(s.size(), 2u);
        EXPECT_NEAR(s[0], 1000 * c.a / (c.a + c.b), 1e-9) << c.mode;
        EXPECT_NEAR(s[1], 1000 * c.b / (c.a + c.b), 1e-9) << c.mode;
    }
    EXPECT_NEAR(BudgetShareScores("MaxErrEffFlaeche", "MitKonku", {1.0}, 1000, 0, f.candidates, f.measures)[0], 600,
                1e-9);
    EXPECT_EQ(BudgetShareScores("anything else", "MitKonku", {1.0}, 1000, 0, f.candidates, f.measures),
              (std::vector<double>{0.0, 0.0}));
}

TEST(BudgetShareScores, WithoutCompetitionOnlyTheBestOfEachGroupCounts) {
    ScoreFixture f;
    auto recorder = std::make_shared<RecordingNotifier>();
    ScopedNotifier scope(recorder);
    const std::vector<double> s =
        BudgetShareScores("MaxErrEffFlaeche", "OhneKonku", {1.0}, 1000, 0, f.candidates, f.measures);
    // A (1.215) beats B (0.81) in the mowing group; D (0.81) is alone in the
    // grazing group; C fits no group.
    EXPECT_NEAR(s[0], 1000 * 1.215 / 2.025, 1e-9);
    EXPECT_EQ(s[1], 0.0);
    EXPECT_EQ(s[2], 0.0);
    EXPECT_NEAR(s[3], 1000 * 0.81 / 2.025, 1e-9);
    ASSERT_EQ(recorder->messages().size(), 1u);
    EXPECT_EQ(recorder->messages()[0].kind, RecordingNotifier::Kind::YesNo);
    EXPECT_EQ(recorder->messages()[0].text, "Bei Anf.Heur ohne Konku haut was nicht hin.");
}

TEST(PaymentExtras, PaymentRules) {
    // Ten mowing measures with one pixel of cost 10 each, one grazing measure
    // alone, one empty mowing measure; transaction costs 10.
    std::vector<MeasureCandidates> c(12);
    std::vector<MeasureRecord> m;
    for (int i = 0; i < 10; ++i) {
        c[static_cast<std::size_t>(i)].list = {pixel(i, 0, -10, {1.0})};
        m.push_back(measure("mowing_1cut", 1));
    }
    c[10].list = {pixel(10, 0, -10, {1.0})};
    m.push_back(measure("grazing_seas", 10));
    m.push_back(measure("mowing_2cut", 2));

    const std::vector<double> flat = payment_extras("Pauschal", 0.35, c, m, 10);
    for (int i = 0; i < 10; ++i) EXPECT_NEAR(flat[static_cast<std::size_t>(i)], 0.35, 1e-12) << i;  // 0.35 x log10 10
    EXPECT_EQ(flat[10], 0.0);
    EXPECT_EQ(flat[11], 0.0);
    // Limited by half of 10 + 0.001 + 10.
    EXPECT_DOUBLE_EQ(payment_extras("Pauschal", 100, c, m, 10)[0], 10.0005);
    EXPECT_EQ(payment_extras("no such rule", 0.35, c, m, 10), std::vector<double>(12, 0.0));

    // Cost ranges 20, 40, 20 in one group of three.
    std::vector<MeasureCandidates> d(3);
    d[0].list = row_of(0, {-10, -30});
    d[1].list = row_of(1, {-5, -45});
    d[2].list = row_of(2, {-1, -21});
    const std::vector<MeasureRecord> dm = {measure("mowing_1cut", 1), measure("mowing_2cut", 2),
                                           measure("mowing_3cut", 3)};
    const double log3 = std::log10(3.0);
    const std::vector<double> share = payment_extras("AnteilKostendifferenz", 0.5, d, dm, 0);
    EXPECT_NEAR(share[0], 20 * 0.5 * log3, 1e-12);
    EXPECT_NEAR(share[1], 40 * 0.5 * log3, 1e-12);
    EXPECT_NEAR(share[2], 20 * 0.5 * log3, 1e-12);
    // Levelling: the first measure with the smallest range is the reference.
    const std::vector<double> level = payment_extras("AngleichungKostendifferenz", 0.5, d, dm, 0);
    EXPECT_EQ(level[0], 0.0);
    EXPECT_NEAR(level[1], (40 - 20) * 0.5 * log3, 1e-12);
    EXPECT_EQ(level[2], 0.0);
}

TEST(PaymentExtras, NegativeCostRangeIsReported) {
    auto recorder = std::make_shared<RecordingNotifier>();
    ScopedNotifier scope(recorder);
    std::vector<MeasureCandidates> c(1);
    c[0].list = row_of(0, {-30, -10});
    c[0].list[0].margin_with_payment = 5;
    c[0].list[1].margin_with_payment = 7.25;
    payment_extras("Pauschal", 0.35, c, {measure("mowing_1cut", 1)}, 0);
    EXPECT_EQ(recorder->texts(), (std::vector<std::string>{"anf=5.000000, end=7.250000"}));
}

// The start phase's notices and questions go through the run's Feedback: to
// its own handler when it has one, else to the notifier in force.
TEST(GoalMaximisationMessages, GoThroughTheRunsFeedback) {
    using Kind = RecordingNotifier::Kind;
    std::vector<MeasureCandidates> reversed(1);
    reversed[0].list = row_of(0, {-30, -10});
    reversed[0].list[0].margin_with_payment = 5;
    reversed[0].list[1].margin_with_payment = 7.25;
    std::vector<MeasureCandidates> one(1);
    one[0].list = row_of(0, {-10});
    MeasureRecord untyped = measure("mowing_1cut", 0);
    untyped.measureID = 7;
    ScoreFixture f;

    struct Case {
        const char* what;
        std::function<void(Feedback*)> run;
        Kind kind;
        std::string text;
    } cases[] = {
        {"negative cost range",
         [&](Feedback* fb) { payment_extras("Pauschal", 0.35, reversed, {measure("mowing_1cut", 1)}, 0, fb); },
         Kind::Inform, "anf=5.000000, end=7.250000"},
        {"measure of no type", [&](Feedback* fb) { payment_extras("Pauschal", 0.35, one, {untyped}, 0, fb); },
         Kind::Inform, "Maßnahme \" " + measure_label(untyped) + " \"kann keinem Typ zugeordnet werden"},
        {"type name of no group",
         [&](Feedback* fb) {
             BudgetShareScores("MaxErrEffFlaeche", "OhneKonku", {1.0}, 1000, 0, f.candidates, f.measures, fb);
         },
         Kind::YesNo, "Bei Anf.Heur ohne Konku haut was nicht hin."},
    };
    for (const auto& c : cases) {
        auto global = std::make_shared<RecordingNotifier>();
        ScopedNotifier scope(global);
        auto own = std::make_shared<RecordingNotifier>();
        Feedback feedback;
        feedback.set_messages(own);
        c.run(&feedback);
        ASSERT_EQ(own->messages().size(), 1u) << c.what;
        EXPECT_EQ(own->messages()[0].kind, c.kind) << c.what;
        EXPECT_EQ(own->messages()[0].text, c.text) << c.what;
        EXPECT_TRUE(global->messages().empty()) << c.what;

        // Without a handler of its own the Feedback hands the message on.
        Feedback plain;
        c.run(&plain);
        EXPECT_EQ(global->texts(), std::vector<std::string>{c.text}) << c.what;
        EXPECT_EQ(own->messages().size(), 1u) << c.what;
    }
}

TEST(StartHeuristic, FlatRuleWithTenMeasures) {
    std::vector<MeasureCandidates> c(10);
    std::vector<MeasureRecord> m;
    for (int i = 0; i < 10; ++i) {
        c[static_cast<std::size_t>(i)].list = {pixel(i, 0, -10, {1.0})};
        m.push_back(measure("mowing_1cut", 1));
    }
    // Equal scores: 100 Euro each; one pixel costs 0.81 x (10 + 0.001 +
    // 0.35 + 10) = 16.48 Euro, the next does not exist.
    const StartSolution s = StartHeuristic(1000, {1.0}, 10, c, m, "MaxErrEffFlaeche", "MitKonku", "Pauschal", 0.35);
    for (std::size_t i = 0; i < 10; ++i) {
        EXPECT_NEAR(s.payment[i], 20.351, 1e-9) << i;
        EXPECT_EQ(s.max_count[i], 1) << i;
        // The payments are applied to the lists.
        EXPECT_NEAR(c[i].list[0].margin_with_payment, 0.351, 1e-9);
    }

    // A share that buys nothing leaves payment and count at 0.
    std::vector<MeasureCandidates> poor = {MeasureCandidates{row_of(0, {-10}), 0}, MeasureCandidates{row_of(1, {-10}), 0}};
    const StartSolution p = StartHeuristic(20, {1.0}, 10, poor, {measure("mowing_1cut", 1), measure("mowing_2cut", 2)},
                                           "MaxErrEffFlaeche", "MitKonku", "Pauschal", 0.35);
    EXPECT_EQ(p.payment, (std::vector<double>{0.0, 0.0}));
    EXPECT_EQ(p.max_count, (std::vector<int>{0, 0}));
}

TEST(GoalMaximisation, AcceptanceAndBest) {
    struct Accept {
        const char* what;
        double current, candidate, budget, limit, temperature;
        bool accepted, draws;
    };
    const std::vector<Accept> accept = {
        {"better but over budget", 10, 20, 100.01, 100, 1e9, false, false},
        {"better at the limit", 10, 20, 100, 100, 1e-9, true, false},
        {"equal: exp(0) = 1 beats the draw", 10, 10, 50, 100, 1, true, true},
        {"much worse when cold", 10, 5, 50, 100, 0.01, false, true},
        {"slightly worse when hot", 10, 9.99, 50, 100, 1e6, true, true},
    };
    for (const Accept& a : accept) {
        seed_random(1);
        EXPECT_EQ(goal_acceptance(a.current, a.candidate, a.budget, a.limit, a.temperature), a.accepted) << a.what;
        EXPECT_EQ(rand15(), a.draws ? 18467 : 41) << a.what;
    }

    struct Best {
        const char* what;
        double objective, budget, best_objective, best_budget;
        bool replaces;
    };
    const std::vector<Best> best = {
        {"higher within the limit", 10, 90, 9, 40, true},
        {"higher over the limit", 10, 101, 9, 40, false},
        {"same goal, cheaper", 9 + 5e-9, 30, 9, 40, true},
        {"same goal, dearer", 9, 50, 9, 40, false},
        {"lower, cheaper", 8, 10, 9, 40, false},
    };
    for (const Best& b : best)
        EXPECT_EQ(goal_replaces_best(b.objective, b.budget, b.best_objective, b.best_budget, 100), b.replaces) << b.what;
}

TEST(GoalMaximisation, MoveLimits) {
    std::vector<MeasureCandidates> c(3);
    c[0].list = row_of(0, std::vector<double>(45, -10.0));
    c[0].list.back().margin_without_payment = -30;  // cost range 20
    c[1].list = row_of(1, {3, -0.5});                // cost range 0.5, best pixel profitable
    const GoalMoveLimits l = goal_move_limits(c, 5);
    EXPECT_EQ(l.available, (std::vector<int>{45, 2, 0}));
    EXPECT_DOUBLE_EQ(l.floor_payment[0], 15.001);
    EXPECT_DOUBLE_EQ(l.floor_payment[1], 5.001);
    EXPECT_DOUBLE_EQ(l.payment_step_high[0], 2.0);
    EXPECT_DOUBLE_EQ(l.payment_step_high[1], 0.1);
    EXPECT_EQ(l.count_step_high, (std::vector<int>{2, 1, 1}));
    EXPECT_EQ(l.measures_per_move, 1);

    std::vector<MeasureCandidates> many(12);
    for (std::size_t i = 0; i < many.size(); ++i) many[i].list = row_of(static_cast<int>(i), {-1});
    EXPECT_EQ(goal_move_limits(many, 0).measures_per_move, 2);  // trunc(0.2 x 12)
}

GoalMoveLimits one_measure_limits() {
    GoalMoveLimits l;
    l.available = {5};
    l.floor_payment = {20};
    l.payment_step_high = {2.1};
    l.count_step_high = {1};
    l.measures_per_move = 1;
    return l;
}

TEST(GoalMaximisation, MoveOnOneMeasure) {
    const GoalMoveLimits l = one_measure_limits();
    struct Case {
        const char* what;
        int skip;  // draws of the seed-1 sequence used up before the move
        double payment;
        int count, participants;
        double expected_payment;
        int expected_count;
    };
    // Skip 0: K' from 41, index from 18467, up (6334), step from 26500, count
    // magnitude 19169 x 2 / 32768 = 1, up (15724).
    const double up_step = 0.1 + 26500.0 / 32767 * 2.0;
    // Skip 5: K' from 15724, index from 11478, down (29358), step from 26962,
    // count magnitude 24464 x 2 / 32768 = 1, up (5705).
    const double down_step = 0.1 + 26962.0 / 32767 * 2.0;
    const std::vector<Case> cases = {
        {"payment 0 starts at the floor, goes up; binding limit grows", 0, 0, 3, 3, 20 + up_step, 4},
        {"limit not binding: no increase", 0, 25, 3, 2, 25 + up_step, 3},
        {"count limited to the list", 0, 25, 5, 5, 25 + up_step, 5},
        {"below the floor: switched off", 5, 0, 3, 3, 0, 0},
        {"down but above the floor", 5, 30, 3, 3, 30 - down_step, 4},
    };
    for (const Case& c : cases) {
        seed_random(1);
        for (int i = 0; i < c.skip; ++i) rand15();
        std::vector<double> payment = {c.payment};
        std::vector<int> count = {c.count};
        goal_move(l, {c.participants}, payment, count);
        EXPECT_DOUBLE_EQ(payment[0], c.expected_payment) << c.what;
        EXPECT_EQ(count[0], c.expected_count) << c.what;
    }
}

TEST(GoalMaximisation, MoveDrawsMeasuresWithCandidatesWithoutReplacement) {
    GoalMoveLimits l;
    l.available = {3, 0, 4, 2};
    l.floor_payment = {1, 1, 1, 1};
    l.payment_step_high = {0.1, 0.1, 0.1, 0.1};  // every step is exactly 0.1
    l.count_step_high = {1, 1, 1, 1};
    l.measures_per_move = 3;
    // After one draw: K' = trunc(18467 x 3 / 32768) + 1 = 2; from [0, 2, 3]
    // index trunc(6334 x 3 / 32768) = 0 -> measure 0; from [2, 3] index
    // trunc(26500 x 2 / 32768) = 1 -> measure 3.
    seed_random(1);
    rand15();
    std::vector<double> payment = {50, 50, 50, 50};
    std::vector<int> count = {1, 1, 1, 1};
    goal_move(l, {1, 1, 1, 1}, payment, count);
    EXPECT_NEAR(std::fabs(payment[0] - 50), 0.1, 1e-12);
    EXPECT_EQ(payment[1], 50.0);
    EXPECT_EQ(payment[2], 50.0);
    EXPECT_NEAR(std::fabs(payment[3] - 50), 0.1, 1e-12);
    EXPECT_EQ(count[1], 1);
    EXPECT_EQ(count[2], 1);
}

EvaluatedArea area_of(std::vector<std::vector<PixelResult>> lists, int rows, int columns) {
    EvaluatedArea a;
    a.lists = std::move(lists);
    a.raster_rows = rows;
    a.raster_columns = columns;
    a.pixel_area = 1.0;  // not used: the run works with 0.81 ha
    return a;
}

GoalMaximisationInput goal_input(int budget, int tc, std::vector<MeasureRecord> measures) {
    GoalMaximisationInput in;
    in.weight = {2.0};
    in.evaluation.minimum_qualities = {0.1};
    in.budget = budget;
    in.transaction_costs = tc;
    in.evaluation.measures = std::move(measures);
    in.seed = 3;
    return in;
}

TEST(GoalMaximisationRun, OneMeasureClosedForm) {
    // Costs 10, 20, 30, 40; transaction costs 5; 100 Euro buy three pixels at
    // 35.001 (3 x 0.81 x 35.001 = 85.05; four would need 145.8).
    std::vector<PixelResult> list = row_of(0, {-10, -20, -30, -40});
    list[1].qualities[0].quality = 0.5;
    list[2].qualities[0].quality = 0.5;
    const auto measures = std::vector<MeasureRecord>{measure("mowing_1cut", 1), measure("mowing_2cut", 2)};
    const OptimisationResult r = GoalMaximisationRun(area_of({list, {}}, 1, 4), goal_input(100, 5, measures));
    EXPECT_NEAR(r.payment[0], 35.001, 1e-9);
    EXPECT_EQ(r.max_count, (std::vector<int>{3, 0}));
    EXPECT_EQ(r.payment[1], 0.0);
    EXPECT_EQ(r.participants, (std::vector<int>{3, 0}));
    EXPECT_NEAR(r.budget, 0.81 * 3 * 35.001, 1e-9);
    EXPECT_NEAR(r.effective_area[0], 0.81 * (1 + 0.5 + 0.5), 1e-12);
    EXPECT_EQ(r.iterations, 0);
    ASSERT_EQ(r.allocation.size(), 3u);
    EXPECT_NEAR(r.allocation[2].margin_with_payment, 0.001, 1e-9);  // -30 + 35.001 - 5
    EXPECT_NEAR(r.allocation[2].measure->payment, 35.001, 1e-9);

    // A budget below the cheapest pixel (0.81 x 15.001 = 12.15).
    const OptimisationResult poor = GoalMaximisationRun(area_of({list, {}}, 1, 4), goal_input(12, 5, measures));
    EXPECT_EQ(poor.payment, (std::vector<double>{0.0, 0.0}));
    EXPECT_EQ(poor.max_count, (std::vector<int>{0, 0}));
    EXPECT_TRUE(poor.allocation.empty());
    EXPECT_EQ(poor.budget, 0.0);
}

TEST(GoalMaximisationRun, NothingToBuyOrNothingToGain) {
    // No measure has candidates.
    const OptimisationResult none =
        GoalMaximisationRun(area_of({{}, {}}, 1, 1), goal_input(100, 5, {measure("mowing_1cut", 1), measure("mowing_2cut", 2)}));
    EXPECT_EQ(none.effective_area, (std::vector<double>{0.0}));
    EXPECT_TRUE(none.payment.empty());
    EXPECT_TRUE(none.max_count.empty());
    EXPECT_TRUE(none.participants.empty());

    // Two measures whose pixels are worth nothing: no budget share, start
    // objective 0, start temperature 0: the start is the result.
    const OptimisationResult zero = GoalMaximisationRun(
        area_of({row_of(0, {-10, -20}, 0.0), row_of(1, {-5}, 0.0)}, 2, 2),
        goal_input(100, 5, {measure("mowing_1cut", 1), measure("mowing_2cut", 2)}));
    EXPECT_EQ(zero.iterations, 0);
    EXPECT_EQ(zero.payment, (std::vector<double>{0.0, 0.0}));
    EXPECT_EQ(zero.max_count, (std::vector<int>{0, 0}));
    EXPECT_EQ(zero.budget, 0.0);
}

// Two mowing measures competing for a 3 x 4 area.
EvaluatedArea two_measures() {
    std::vector<PixelResult> a, b;
    for (int j = 0; j < 12; ++j) {
        a.push_back(pixel(j / 4, j % 4, -5.0 - 3 * j, {0.3 + 0.05 * (j % 5)}));
        b.push_back(pixel((11 - j) / 4, (11 - j) % 4, -8.0 - 2 * j, {0.9 - 0.06 * j}));
    }
    return area_of({a, b}, 3, 4);
}

TEST(GoalMaximisationRun, AnnealingStaysWithinTheBudget) {
    const auto measures = std::vector<MeasureRecord>{measure("mowing_1cut", 1), measure("mowing_2cut", 2)};
    const GoalMaximisationInput in = goal_input(150, 5, measures);

    // The start solution, for comparison.
    std::vector<MeasureCandidates> c = sorted_candidates(two_measures().lists);
    const StartSolution start =
        StartHeuristic(150, in.weight, 5, c, measures, "MaxErrEffGew=12", "MitKonku", "AnteilKostendifferenz", 0.35);
    std::vector<double> area;
    std::vector<int> participants;
    std::vector<PixelResult> taken;
    seed_random(3);  // as the run does before its start allocation
    PixelAllocation(c, start.max_count, 3, 4, 1, PIXEL_AREA_HA, area, participants, taken);
    const double start_objective = 2.0 * area[0];
    ASSERT_GT(start_objective, 0.0);

    const OptimisationResult r = GoalMaximisationRun(two_measures(), in);
    EXPECT_GE(r.iterations, 4999);
    EXPECT_LE(r.iterations, 5001);
    EXPECT_LE(r.budget, 150.0);
    EXPECT_GE(2.0 * r.effective_area[0], start_objective);

    // The result is one consistent allocation.
    double paid = 0.0, effective = 0.0;
    for (const PixelResult& p : r.allocation) {
        paid += p.measure->payment;
        effective += 0.81 * p.qualities[0].quality;
    }
    EXPECT_NEAR(r.budget, 0.81 * paid, 1e-9);
    EXPECT_NEAR(r.effective_area[0], effective, 1e-9);
    EXPECT_EQ(static_cast<std::size_t>(r.participants[0] + r.participants[1]), r.allocation.size());
    for (std::size_t m = 0; m < 2; ++m) EXPECT_LE(r.participants[m], r.max_count[m]);
}

TEST(GoalMaximisationRun, CancelReturnsTheBestSoFar) {
    const auto measures = std::vector<MeasureRecord>{measure("mowing_1cut", 1), measure("mowing_2cut", 2)};
    long long reports = 0;
    Feedback feedback([&](const Feedback::Progress& p) {
        ++reports;
        EXPECT_EQ(p.step, 50);
        EXPECT_GT(p.best, 0.0);
        feedback.cancel();
    });
    const OptimisationResult r = GoalMaximisationRun(two_measures(), goal_input(150, 5, measures), &feedback);
    EXPECT_EQ(reports, 1);
    EXPECT_EQ(r.iterations, 50);
    EXPECT_LE(r.budget, 150.0);
    EXPECT_GT(r.effective_area[0], 0.0);
}

}  // namespace
}  // namespace pravel
