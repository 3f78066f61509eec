#include "optimisation/breakpoint_search.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <optional>
#include <vector>

#include "common/feedback.h"
#include "common/random.h"
#include "optimisation/cost_only_bound.h"
#include "optimisation/payment_breakpoints.h"
#include "optimisation/search_method.h"

namespace pravel {
namespace {

// One offer of a measure on a pixel of a 10 x 10 raster: its cost (Euro/ha,
// before transaction costs) and its qualities.
struct Offer {
    int pixel;
    double cost;
    std::vector<double> quality;
};

EvaluatedArea area_of(const std::vector<std::vector<Offer>>& measures, double pixel_area = 1.0) {
    EvaluatedArea a;
    a.raster_rows = 10;
    for (const auto& list : measures)
        for (const Offer& o : list) a.raster_rows = std::max(a.raster_rows, o.pixel / 10 + 1);
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
            for (std::size_t s = 0; s < o.quality.size(); ++s) r.qualities.push_back({static_cast<int>(s + 1), o.quality[s]});
            r.measure = record;
            list.push_back(r);
        }
        a.lists.push_back(list);
    }
    return a;
}

BudgetMinimisationInput budget_input(std::vector<double> wanted, int tc, std::uint32_t seed = 1) {
    BudgetMinimisationInput in;
    in.wanted_area_ha = std::move(wanted);
    in.evaluation.minimum_qualities.assign(in.wanted_area_ha.size(), 0.1);
    in.transaction_costs = tc;
    in.seed = seed;
    return in;
}

GoalMaximisationInput goal_input(std::vector<double> weight, int budget, int tc, std::uint32_t seed = 1) {
    GoalMaximisationInput in;
    in.weight = std::move(weight);
    in.evaluation.minimum_qualities.assign(in.weight.size(), 0.1);
    in.budget = budget;
    in.transaction_costs = tc;
    in.seed = seed;
    return in;
}

// The least uniform payments that hold one given allocation (pixel -> measure
// or -1), found as the least solution of the difference constraints "a
// participant covers its cost and prefers its measure"; none when the
// allocation cannot be held (a pixel left out would join at those payments,
// or the preferences contradict each other). Net values may tie.
std::optional<std::vector<double>> least_payments(const std::vector<std::vector<Offer>>& measures,
                                                  const std::vector<int>& assigned, int tc) {
    const std::size_t n = measures.size();
    auto offer = [&](std::size_t m, int pixel) -> const Offer* {
        for (const Offer& o : measures[m])
            if (o.pixel == pixel) return &o;
        return nullptr;
    };
    std::vector<double> p(n, 0.0);
    for (std::size_t round = 0; round <= n + 1; ++round) {
        bool changed = false;
        for (std::size_t k = 0; k < assigned.size(); ++k) {
            if (assigned[k] < 0) continue;
            const std::size_t m = static_cast<std::size_t>(assigned[k]);
            const Offer* own = offer(m, static_cast<int>(k));
            double need = own->cost + tc;
            for (std::size_t r = 0; r < n; ++r) {
                const Offer* other = r == m ? nullptr : offer(r, static_cast<int>(k));
                if (other) need = std::max(need, own->cost + p[r] - other->cost);
            }
            if (need > p[m] + 1e-12) {
                p[m] = need;
                changed = true;
            }
        }
        if (!changed) {
            for (std::size_t k = 0; k < assigned.size(); ++k) {
                if (assigned[k] >= 0) continue;
                for (std::size_t m = 0; m < n; ++m) {
                    const Offer* o = offer(m, static_cast<int>(k));
                    if (o && p[m] - o->cost - tc > 1e-12) return std::nullopt;
                }
            }
            return p;
        }
    }
    return std::nullopt;  // a cycle of preferences: no payments hold it
}

struct Exhaustive {
    double least_budget = std::numeric_limits<double>::infinity();  // every target reached
    double best_goal = 0.0;                                         // within the budget
};

// Every allocation of the pixels to the measures (or none), held by its
// least payments.
Exhaustive exhaustive(const std::vector<std::vector<Offer>>& measures, int pixels, int tc, double pixel_area,
                      const std::vector<double>& wanted, const std::vector<double>& weight, double budget_limit) {
    Exhaustive e;
    const int n = static_cast<int>(measures.size());
    std::vector<int> assigned(static_cast<std::size_t>(pixels), -1);
    for (;;) {
        // only allocations where each assigned pixel is offered by its measure
        bool offered = true;
        for (int j = 0; j < pixels && offered; ++j) {
            const int m = assigned[static_cast<std::size_t>(j)];
            if (m < 0) continue;
            offered = std::any_of(measures[static_cast<std::size_t>(m)].begin(), measures[static_cast<std::size_t>(m)].end(),
                                  [&](const Offer& o) { return o.pixel == j; });
        }
        if (auto p = offered ? least_payments(measures, assigned, tc) : std::nullopt) {
            double budget = 0.0;
            std::vector<double> area(std::max(wanted.size(), weight.size()), 0.0);
            for (int k = 0; k < pixels; ++k) {
                const int m = assigned[static_cast<std::size_t>(k)];
                if (m < 0) continue;
                budget += pixel_area * (*p)[static_cast<std::size_t>(m)];
                for (const Offer& o : measures[static_cast<std::size_t>(m)])
                    if (o.pixel == k)
                        for (std::size_t s = 0; s < area.size(); ++s) area[s] += pixel_area * o.quality[s];
            }
            bool reached = true;
            for (std::size_t s = 0; s < wanted.size(); ++s) reached = reached && area[s] >= wanted[s] - 1e-9;
            if (reached) e.least_budget = std::min(e.least_budget, budget);
            double goal = 0.0;
            for (std::size_t s = 0; s < weight.size(); ++s) goal += weight[s] * area[s];
            if (budget <= budget_limit) e.best_goal = std::max(e.best_goal, goal);
        }
        int k = 0;
        while (k < pixels && ++assigned[static_cast<std::size_t>(k)] == n) assigned[static_cast<std::size_t>(k++)] = -1;
        if (k == pixels) break;
    }
    return e;
}

// Two measures, one species, 1 ha pixels, no transaction costs. Pixel 0:
// measure A costs 10 (quality 1), measure B costs 5 (quality 0.2); pixel 1:
// only B, cost 8 (quality 1). 2 ha need pixel 0 in A and pixel 1 in B: B
// must pay 8, and A must beat B's net value of 8 - 5 = 3 on pixel 0, so A
// pays 13 (the switch breakpoint), not its cost of 10.
const std::vector<std::vector<Offer>> kSwitch = {{{0, 10, {1.0}}}, {{0, 5, {0.2}}, {1, 8, {1.0}}}};

TEST(BreakpointSearch, HandWorkedBudgets) {
    struct Case {
        const char* what;
        std::vector<std::vector<Offer>> measures;
        std::vector<double> wanted;
        int tc;
        std::vector<double> payment;  // expected, up to the breakpoint margins
        std::vector<int> participants;
        double budget;
    };
    const std::vector<Case> cases = {
        {"switch breakpoint", kSwitch, {2.0}, 0, {13, 8}, {1, 1}, 21},
        {"a measure without candidates stays at 0", {{}, {{0, 10, {1.0}}}}, {1.0}, 0, {0, 10}, {0, 1}, 10},
        {"one measure: the cost of the dearest pixel needed", {{{0, 30, {1.0}}, {1, 10, {1.0}}, {2, 20, {1.0}}}},
         {2.0}, 0, {20}, {2}, 40},
        {"transaction costs added to every pixel", {{{0, 30, {1.0}}, {1, 10, {1.0}}, {2, 20, {1.0}}}}, {2.0}, 5,
         {25}, {2}, 50},
        // Three pixels at the same cost join together; a count limit of 2
        // pays for only the two needed.
        {"binding count limit", {{{0, 10, {1.0}}, {1, 10, {1.0}}, {2, 10, {1.0}}}}, {2.0}, 0, {10}, {2}, 20},
        // Measure B is cheaper per hectare of the second species; the
        // first species needs A.
        {"two species, two measures", {{{0, 12, {1.0, 0.0}}, {1, 12, {1.0, 0.0}}}, {{2, 4, {0.0, 1.0}}, {3, 6, {0.0, 1.0}}}},
         {2.0, 1.0}, 0, {12, 4}, {2, 1}, 28},
    };
    for (const Case& c : cases) {
        SearchReport report;
        const OptimisationResult r = BreakpointBudgetMinimisation(area_of(c.measures), budget_input(c.wanted, c.tc), {}, nullptr, &report);
        ASSERT_EQ(r.payment.size(), c.payment.size()) << c.what;
        for (std::size_t m = 0; m < c.payment.size(); ++m) {
            EXPECT_NEAR(r.payment[m], c.payment[m], 0.01) << c.what << ", measure " << m;
            EXPECT_EQ(r.participants[m], c.participants[m]) << c.what << ", measure " << m;
        }
        EXPECT_NEAR(r.budget, c.budget, 0.05) << c.what;
        for (std::size_t s = 0; s < c.wanted.size(); ++s) EXPECT_GE(r.effective_area[s], c.wanted[s] - 1e-9) << c.what;
        EXPECT_EQ(report.method, "breakpoint search");
        EXPECT_GT(report.evaluations, 0);
    }
}

TEST(BreakpointSearch, UnreachableTargetTakesWhatThereIs) {
    // Two half-quality pixels give 1 ha at most; 5 ha are wanted.
    const auto measures = std::vector<std::vector<Offer>>{{{0, 10, {0.5}}, {1, 20, {0.5}}}};
    SearchReport report;
    const OptimisationResult r = BreakpointBudgetMinimisation(area_of(measures), budget_input({5.0}, 0), {}, nullptr, &report);
    EXPECT_NEAR(r.effective_area[0], 1.0, 1e-9);
    EXPECT_EQ(r.participants[0], 2);
    EXPECT_NEAR(r.budget, 40.0, 0.01);
    ASSERT_EQ(report.achieved.size(), 1u);
    EXPECT_NEAR(reached_share(report.wanted[0], report.achieved[0]), 0.2, 1e-9);
    EXPECT_FALSE(cost_only_budget_bound(area_of(measures).lists, {5.0}, 0, 1.0).reachable);
}

TEST(BreakpointSearch, ExactLoweringKeepsEveryParticipant) {
    const EvaluatedArea a = area_of(kSwitch);
    const std::vector<MeasureCandidates> c = sorted_candidates(a.lists);
    const PaymentModel model(c, 1, 1.0, 0);
    PaymentModel::State s;
    model.evaluate({50.0, 40.0}, s);
    ASSERT_EQ(s.participants, (std::vector<int>{1, 1}));
    const std::vector<int> choice = s.choice;
    const double area = s.area[0];
    model.lower_exactly(s);
    // B keeps pixel 1 at its cost; A beats B's net value on pixel 0.
    EXPECT_NEAR(s.payment[1], 8.0 + kBreakpointMargin, 1e-9);
    EXPECT_NEAR(s.payment[0], 13.0 + 2 * kBreakpointMargin, 1e-9);
    EXPECT_EQ(s.choice, choice);
    EXPECT_DOUBLE_EQ(s.area[0], area);
    EXPECT_NEAR(s.budget, 21.0 + 3 * kBreakpointMargin, 1e-9);
    // The lowered payments hold the same allocation when evaluated afresh.
    PaymentModel::State again;
    model.evaluate(s.payment, again);
    EXPECT_EQ(again.choice, choice);
}

TEST(BreakpointSearch, HandWorkedGoals) {
    // Pixel area 0.81 ha. Both pixels at full quality need payments 13 and
    // 8 (21 x 0.81 = 17.01 Euro); below that, B at 8 takes both its pixels
    // (1.2 ha x 0.81 for 16 x 0.81 = 12.96 Euro); below that, pixel 0 in B
    // at 5 (4.05 Euro); below that nothing.
    struct Case {
        int budget;
        double goal;
    };
    for (const Case& c : {Case{18, 2.0}, Case{16, 1.2}, Case{12, 1.0}, Case{5, 0.2}, Case{4, 0.0}}) {
        const OptimisationResult r = BreakpointGoalMaximisation(area_of(kSwitch), goal_input({1.0}, c.budget, 0));
        EXPECT_NEAR(r.effective_area[0], c.goal * PIXEL_AREA_HA, 1e-9) << "budget " << c.budget;
        EXPECT_LE(r.budget, c.budget) << "budget " << c.budget;
    }
}

TEST(CostOnlyBound, HandWorked) {
    struct Case {
        const char* what;
        std::vector<std::vector<Offer>> measures;
        std::vector<double> wanted;
        int tc;
        double bound;
    };
    const std::vector<Case> cases = {
        {"each pixel paid its own cost", kSwitch, {2.0}, 0, 10 + 8},
        {"plus transaction costs", kSwitch, {2.0}, 5, 15 + 13},
        // A pixel that gains from the measure is paid nothing, not less.
        {"a gain costs nothing", {{{0, -20, {1.0}}, {1, 10, {1.0}}}}, {2.0}, 5, 0 + 15},
        // Half of the second pixel is enough in the programme.
        {"fractions of pixels", {{{0, 10, {1.0}}, {1, 20, {1.0}}}}, {1.5}, 0, 10 + 0.5 * 20},
    };
    for (const Case& c : cases) {
        const CostOnlyBound b = cost_only_budget_bound(area_of(c.measures).lists, c.wanted, c.tc, 1.0);
        ASSERT_TRUE(b.reachable) << c.what;
        EXPECT_NEAR(b.value, c.bound, 1e-6) << c.what;
    }
    // Goal: 10 x 0.81 Euro buy pixel 1 in B (8 per ha, 1 ha of quality)
    // and a fifth of pixel 0 in A (the rest of the money at 10 per ha).
    const CostOnlyBound g = cost_only_goal_bound(area_of(kSwitch).lists, {1.0}, 10 * PIXEL_AREA_HA, 0);
    ASSERT_TRUE(g.reachable);
    EXPECT_NEAR(g.value, 1.2 * PIXEL_AREA_HA, 1e-6);
}

// Random small instances: 2 or 3 measures, up to 6 pixels, 1 or 2 species.
struct Instance {
    std::vector<std::vector<Offer>> measures;
    int pixels;
    int species;
};
Instance random_instance(std::uint32_t seed) {
    seed_random(seed);
    Instance in;
    const int n = 2 + rand15() % 2;
    in.pixels = 3 + rand15() % 4;
    in.species = 1 + rand15() % 2;
    in.measures.resize(static_cast<std::size_t>(n));
    for (int k = 0; k < in.pixels; ++k)
        for (int m = 0; m < n; ++m) {
            if (rand15() % 3 == 0) continue;
            Offer o{k, static_cast<double>(rand15() % 60) - 5.0, {}};
            for (int s = 0; s < in.species; ++s) o.quality.push_back(0.1 * (1 + rand15() % 10));
            in.measures[static_cast<std::size_t>(m)].push_back(o);
        }
    return in;
}

TEST(BreakpointSearch, RandomInstancesAgainstExhaustiveSearchAndBound) {
    int optimal = 0, compared = 0;
    for (std::uint32_t seed = 1; seed <= 60; ++seed) {
        const Instance in = random_instance(seed);
        const std::vector<double> wanted(static_cast<std::size_t>(in.species), 1.2);
        const std::vector<double> weight(static_cast<std::size_t>(in.species), 1.0);
        const int tc = 3;
        const double limit = 40.0;
        const Exhaustive e = exhaustive(in.measures, in.pixels, tc, 1.0, wanted, weight, limit);
        const EvaluatedArea a = area_of(in.measures);
        const CostOnlyBound bound = cost_only_budget_bound(a.lists, wanted, tc, 1.0);
        const OptimisationResult r = BreakpointBudgetMinimisation(a, budget_input(wanted, tc, seed));
        bool reached = true;
        for (std::size_t s = 0; s < wanted.size(); ++s) reached = reached && r.effective_area[s] >= wanted[s] - 1e-9;
        if (std::isfinite(e.least_budget)) {
            ++compared;
            ASSERT_TRUE(bound.reachable) << "seed " << seed;
            EXPECT_LE(bound.value, e.least_budget + 1e-6) << "seed " << seed;
            EXPECT_TRUE(reached) << "seed " << seed;
            EXPECT_GE(r.budget, bound.value - 1e-6) << "seed " << seed;
            if (r.budget <= e.least_budget + 0.05) ++optimal;
        }
        const double goal_limit = limit * PIXEL_AREA_HA;
        const Exhaustive g = exhaustive(in.measures, in.pixels, tc, PIXEL_AREA_HA, {}, weight, goal_limit);
        const CostOnlyBound goal_bound = cost_only_goal_bound(a.lists, weight, goal_limit, tc);
        EXPECT_GE(goal_bound.value, g.best_goal - 1e-6) << "seed " << seed;
        const OptimisationResult gr = BreakpointGoalMaximisation(a, goal_input(weight, static_cast<int>(goal_limit), tc, seed));
        double goal = 0.0;
        for (std::size_t s = 0; s < weight.size(); ++s) goal += weight[s] * gr.effective_area[s];
        EXPECT_LE(gr.budget, static_cast<int>(goal_limit) + 1e-9) << "seed " << seed;
        EXPECT_LE(goal, goal_bound.value + 1e-6) << "seed " << seed;
    }
    ASSERT_GT(compared, 20);
    // The search is a heuristic, but on instances this small it should find
    // the least uniform-payment budget nearly always.
    EXPECT_GE(optimal, compared * 9 / 10) << optimal << " of " << compared;
}

Instance larger_instance() {
    seed_random(77);
    Instance in;
    in.pixels = 100;
    in.species = 2;
    in.measures.resize(4);
    for (int k = 0; k < in.pixels; ++k)
        for (int m = 0; m < 4; ++m) {
            if (rand15() % 2 == 0) continue;
            Offer o{k, static_cast<double>(rand15() % 200) - 20.0, {}};
            for (int s = 0; s < in.species; ++s) o.quality.push_back(0.1 * (rand15() % 11));
            in.measures[static_cast<std::size_t>(m)].push_back(o);
        }
    return in;
}

TEST(PaymentModel, StepsListedAndEvaluatedByWhatChangesEqualTheFullAllocation) {
    // Random instances with whole-Euro costs, so that many net values tie;
    // each state is moved by a chain of raises (breakpoint steps, whole-Euro
    // payments that hit ties exactly, now and then a lowering) and compared
    // with the allocation evaluated afresh at its payments.
    int moved = 0;
    for (std::uint32_t seed = 1; seed <= 40; ++seed) {
        seed_random(seed);
        const int n = 2 + rand15() % 5, species = 1 + rand15() % 3, pixels = 30 + rand15() % 70;
        std::vector<std::vector<Offer>> measures(static_cast<std::size_t>(n));
        for (int k = 0; k < pixels; ++k)
            for (int m = 0; m < n; ++m) {
                if (rand15() % 3 == 0) continue;
                Offer o{k, static_cast<double>(rand15() % 40) - 8.0, {}};
                for (int s = 0; s < species; ++s) o.quality.push_back(0.1 * (rand15() % 11));
                measures[static_cast<std::size_t>(m)].push_back(o);
            }
        const int tc = rand15() % 6;
        const EvaluatedArea a = area_of(measures, 0.5);
        const std::vector<MeasureCandidates> candidates = sorted_candidates(a.lists);
        const PaymentModel model(candidates, species, 0.5, tc);
        std::vector<double> start(static_cast<std::size_t>(n));
        for (double& p : start) p = rand15() % 20;
        PaymentModel::State s, full;
        model.evaluate(start, s);
        BreakpointIndex index(model);
        // Short reaches cut the listing inside runs of equal breakpoints.
        const std::size_t reach = seed % 3 == 0 ? 512 : 1 + seed % 7;
        for (int step = 0; step < 60; ++step) {
            const int m = rand15() % n;
            const double now = s.payment[static_cast<std::size_t>(m)];
            double payment = now + rand15() % 8;  // whole Euro: ties
            std::vector<PaymentModel::Step> steps;
            model.next_steps(s, m, 14, 512, steps);
            if (rand15() % 2 == 0 && !steps.empty()) payment = steps[static_cast<std::size_t>(rand15()) % steps.size()].payment;
            if (rand15() % 10 == 0) payment = now * 0.5;
            // The index lists the same steps as the full listing, for every
            // measure, whatever moved since it last looked.
            for (int j = 0; j < n; ++j) {
                std::vector<PaymentModel::Step> plain, indexed;
                model.next_steps(s, j, 14, reach, plain);
                index.next_steps(s, j, 14, reach, indexed);
                ASSERT_EQ(plain.size(), indexed.size()) << "seed " << seed << ", step " << step;
                for (std::size_t i = 0; i < plain.size(); ++i) {
                    EXPECT_EQ(plain[i].payment, indexed[i].payment);
                    EXPECT_EQ(plain[i].joined, indexed[i].joined);
                    EXPECT_EQ(plain[i].extra_budget, indexed[i].extra_budget);
                    EXPECT_EQ(plain[i].area_gain, indexed[i].area_gain);
                }
            }
            const std::vector<int> before = s.choice;
            model.raise(s, m, payment);
            if (rand15() % 12 == 0) model.lower_exactly(s);  // keeps the allocation at lower payments
            model.evaluate(s.payment, full);
            if (s.choice != before) ++moved;
            ASSERT_EQ(s.choice, full.choice) << "seed " << seed << ", step " << step;
            ASSERT_EQ(s.participants, full.participants) << "seed " << seed << ", step " << step;
            EXPECT_DOUBLE_EQ(s.budget, full.budget) << "seed " << seed << ", step " << step;
            for (int k = 0; k < species; ++k)
                ASSERT_NEAR(s.area[static_cast<std::size_t>(k)], full.area[static_cast<std::size_t>(k)], 1e-9)
                    << "seed " << seed << ", step " << step;
        }
    }
    EXPECT_GT(moved, 400) << "the raises must move pixels for the comparison to mean something";
}

TEST(PaymentModel, LoweringsRaisesAndUndoThroughTheIndexEqualTheFullAllocation) {
    // Random instances with whole-Euro costs (many ties). One state is moved
    // through the index (raises, lowerings of one payment, exact lowering of
    // all, protected raises) under nested marks that are kept or undone; a
    // second state follows by the plain model operations over all pixels,
    // and each result is compared with the allocation evaluated afresh.
    int lowered = 0, undone = 0;
    for (std::uint32_t seed = 1; seed <= 40; ++seed) {
        seed_random(seed + 1000);
        const int n = 2 + rand15() % 5, species = 1 + rand15() % 3, pixels = 30 + rand15() % 70;
        std::vector<std::vector<Offer>> measures(static_cast<std::size_t>(n));
        for (int k = 0; k < pixels; ++k)
            for (int m = 0; m < n; ++m) {
                if (rand15() % 3 == 0) continue;
                Offer o{k, static_cast<double>(rand15() % 40) - 8.0, {}};
                for (int s = 0; s < species; ++s) o.quality.push_back(0.1 * (rand15() % 11));
                measures[static_cast<std::size_t>(m)].push_back(o);
            }
        const int tc = rand15() % 6;
        const EvaluatedArea a = area_of(measures, 0.5);
        const std::vector<MeasureCandidates> candidates = sorted_candidates(a.lists);
        const PaymentModel model(candidates, species, 0.5, tc);
        std::vector<double> start(static_cast<std::size_t>(n));
        for (double& p : start) p = rand15() % 30;
        PaymentModel::State s, plain, full;
        model.evaluate(start, s);
        model.evaluate(start, plain);
        BreakpointIndex index(model);
        std::vector<PaymentModel::State> saved;  // the state at each open mark
        for (int step = 0; step < 80; ++step) {
            const int m = rand15() % n;
            const double now = s.payment[static_cast<std::size_t>(m)];
            const int what = rand15() % 6;
            if (what == 0 && saved.size() < 4) {
                model.mark(s);
                saved.push_back(plain);
            } else if (what == 1 && !saved.empty()) {
                if (rand15() % 2 == 0) {
                    model.undo(s);
                    plain = saved.back();
                    ++undone;
                } else {
                    model.keep(s);
                }
                saved.pop_back();
            } else if (what == 2) {
                const double p = rand15() % 3 == 0 ? 0.0 : now - rand15() % 12;  // whole Euro: ties
                index.raise(s, m, std::max(0.0, p));
                model.raise(plain, m, std::max(0.0, p));
            } else if (what == 3) {
                index.lower_exactly(s);
                model.lower_exactly(plain);
                ++lowered;
            } else if (what == 4) {
                const double p = now + rand15() % 8;
                const std::vector<double> want = model.protecting(plain, m, p);
                ASSERT_EQ(index.protecting(s, m, p), want) << "seed " << seed << ", step " << step;
                for (int j = 0; j < n; ++j)
                    if (want[static_cast<std::size_t>(j)] != s.payment[static_cast<std::size_t>(j)]) {
                        index.raise(s, j, want[static_cast<std::size_t>(j)]);
                        model.raise(plain, j, want[static_cast<std::size_t>(j)]);
                    }
            } else {
                const double p = now + rand15() % 8;
                index.raise(s, m, p);
                model.raise(plain, m, p);
            }
            ASSERT_EQ(s.payment, plain.payment) << "seed " << seed << ", step " << step;
            model.evaluate(s.payment, full);
            ASSERT_EQ(s.choice, full.choice) << "seed " << seed << ", step " << step;
            ASSERT_EQ(plain.choice, full.choice) << "seed " << seed << ", step " << step;
            ASSERT_EQ(s.participants, full.participants) << "seed " << seed << ", step " << step;
            EXPECT_DOUBLE_EQ(s.budget, full.budget) << "seed " << seed << ", step " << step;
            for (int k = 0; k < species; ++k)
                ASSERT_NEAR(s.area[static_cast<std::size_t>(k)], full.area[static_cast<std::size_t>(k)], 1e-9)
                    << "seed " << seed << ", step " << step;
            for (int j = 0; j < n; ++j)  // the requirements read from the measure lists
                ASSERT_EQ(model.requirements(s, j), model.requirements(full, j)) << "seed " << seed << ", step " << step;
        }
    }
    EXPECT_GT(lowered, 300);
    EXPECT_GT(undone, 50);
}

// The first `pixels` pixels of larger_instance() laid out `tiles` times side
// by side, as a large area of alike pixels: each copy keeps the costs, shifted
// by up to 1e-9 Euro in the last digits (as sums of equal costs come out).
std::vector<std::vector<Offer>> tiled(int pixels, int tiles) {
    const Instance one = larger_instance();
    std::vector<std::vector<Offer>> out(one.measures.size());
    for (int t = 0; t < tiles; ++t)
        for (std::size_t m = 0; m < one.measures.size(); ++m)
            for (Offer o : one.measures[m])
                if (o.pixel < pixels) {
                    o.pixel += t * pixels;
                    o.cost += 1e-9 * (rand15() % 3);
                    out[m].push_back(o);
                }
    return out;
}

TEST(PaymentModel, EveryStepListedIsWhatItsRaiseDoes) {
    // Runs of breakpoints a rounding apart, listed with short reaches (that
    // cut them) and long ones: each step holds the pixels, extra budget and
    // gains of raising its measure's payment to the step's payment.
    int compared = 0;
    for (int tiles : {2, 5, 11}) {
        for (std::size_t reach : {7, 2048}) {
            const PaymentModel model(sorted_candidates(area_of(tiled(30, tiles), 0.81).lists), 2, 0.81, 10);
            PaymentModel::State s;
            model.evaluate(std::vector<double>(4, 0.0), s);
            BreakpointIndex index(model);
            for (int round = 0; round < 12; ++round) {
                std::vector<PaymentModel::Step> steps;
                for (int m = 0; m < 4; ++m) index.next_steps(s, m, 14, reach, steps);
                for (const PaymentModel::Step& step : steps) {
                    const PaymentModel::State before = s;
                    model.mark(s);
                    index.raise(s, step.measure, step.payment);
                    const std::size_t m = static_cast<std::size_t>(step.measure);
                    EXPECT_EQ(s.participants[m] - before.participants[m], step.joined) << tiles << " tiles, reach " << reach;
                    EXPECT_NEAR(s.budget - before.budget, step.extra_budget, 1e-6);
                    for (std::size_t k = 0; k < 2; ++k) EXPECT_NEAR(s.area[k] - before.area[k], step.area_gain[k], 1e-9);
                    model.undo(s);
                    ++compared;
                }
                if (steps.empty()) break;
                const PaymentModel::Step& next = steps[static_cast<std::size_t>(rand15()) % steps.size()];
                index.raise(s, next.measure, next.payment);
            }
        }
    }
    EXPECT_GT(compared, 500);
}

TEST(PaymentModel, AlikePixelsCountAsManyAsTheyAre) {
    // Copies of 40 pixels with the very same costs and their own qualities
    // (as tiles differ by their draws): pixels that share their offers are
    // kept together, yet participants, budget and areas must be those of
    // every pixel taking its best positive net value on its own, at whole-
    // Euro payments (ties) and after chains of breakpoint steps.
    for (int copies : {1, 4, 25}) {
        seed_random(static_cast<std::uint32_t>(copies));
        const Instance one = larger_instance();
        std::vector<std::vector<Offer>> measures(one.measures.size());
        for (int t = 0; t < copies; ++t)
            for (std::size_t m = 0; m < one.measures.size(); ++m)
                for (Offer o : one.measures[m])
                    if (o.pixel < 40) {
                        o.pixel += 40 * t;
                        for (double& q : o.quality) q = 0.1 * (rand15() % 11);
                        measures[m].push_back(o);
                    }
        const int tc = 10;
        const PaymentModel model(sorted_candidates(area_of(measures, 0.81).lists), 2, 0.81, tc);
        auto expect_pixel_by_pixel = [&](const PaymentModel::State& s, const std::string& where) {
            std::vector<int> best(static_cast<std::size_t>(40 * copies), -1);
            std::vector<double> value(best.size(), 0.0);
            std::vector<const Offer*> held(best.size(), nullptr);
            for (std::size_t m = 0; m < measures.size(); ++m)
                for (const Offer& o : measures[m]) {
                    const double v = s.payment[m] - o.cost - tc;
                    const std::size_t k = static_cast<std::size_t>(o.pixel);
                    if (v > 0.0 && (best[k] < 0 || v > value[k])) {
                        best[k] = static_cast<int>(m);
                        value[k] = v;
                        held[k] = &o;
                    }
                }
            std::vector<int> participants(measures.size(), 0);
            std::vector<double> area(2, 0.0);
            double budget = 0.0;
            for (std::size_t k = 0; k < best.size(); ++k) {
                if (best[k] < 0) continue;
                ++participants[static_cast<std::size_t>(best[k])];
                budget += 0.81 * s.payment[static_cast<std::size_t>(best[k])];
                for (std::size_t q = 0; q < 2; ++q) area[q] += 0.81 * held[k]->quality[q];
            }
            EXPECT_EQ(s.participants, participants) << copies << " copies, " << where;
            EXPECT_NEAR(s.budget, budget, 1e-6) << copies << " copies, " << where;
            for (std::size_t q = 0; q < 2; ++q) EXPECT_NEAR(s.area[q], area[q], 1e-9) << copies << " copies, " << where;
        };
        PaymentModel::State s;
        for (int draw = 0; draw < 20; ++draw) {
            std::vector<double> payment(measures.size());
            for (double& p : payment) p = rand15() % 120;
            model.evaluate(payment, s);
            expect_pixel_by_pixel(s, "evaluated");
        }
        model.evaluate(std::vector<double>(measures.size(), 0.0), s);
        BreakpointIndex index(model);
        for (int round = 0; round < 25; ++round) {
            std::vector<PaymentModel::Step> steps;
            for (int m = 0; m < static_cast<int>(measures.size()); ++m) index.next_steps(s, m, 14, 2048, steps);
            if (steps.empty()) break;
            const PaymentModel::Step& next = steps[static_cast<std::size_t>(rand15()) % steps.size()];
            const int held_before = s.participants[static_cast<std::size_t>(next.measure)];
            index.raise(s, next.measure, next.payment);
            EXPECT_EQ(s.participants[static_cast<std::size_t>(next.measure)] - held_before, next.joined);
            if (round % 5 == 4) index.lower_exactly(s);
            expect_pixel_by_pixel(s, "after step " + std::to_string(round));
        }
    }
}

TEST(BreakpointSearch, ManyAlikeTilesReachWhatOneTileReaches) {
    // k copies of one instance reach k times one copy's targets for k times
    // its budget: the budget search must find about that (its lowering lets
    // go runs of alike participants) and the goal search must buy about k
    // times one copy's goal (its steps know what they buy).
    const EvaluatedArea one = area_of(tiled(40, 1));
    const OptimisationResult budget_one = BreakpointBudgetMinimisation(one, budget_input({6.0, 5.0}, 10));
    const OptimisationResult goal_one = BreakpointGoalMaximisation(one, goal_input({1.0, 0.5}, 300, 10));
    const double objective_one = goal_one.effective_area[0] + 0.5 * goal_one.effective_area[1];
    ASSERT_GT(budget_one.budget, 0.0);
    for (int k : {4, 9, 40}) {
        const EvaluatedArea area = area_of(tiled(40, k));
        const OptimisationResult b = BreakpointBudgetMinimisation(area, budget_input({6.0 * k, 5.0 * k}, 10));
        EXPECT_TRUE(reaches_every_target({6.0 * k, 5.0 * k}, b.effective_area)) << k << " tiles";
        EXPECT_LE(b.budget, 1.02 * k * budget_one.budget) << k << " tiles";
        const OptimisationResult g = BreakpointGoalMaximisation(area, goal_input({1.0, 0.5}, 300 * k, 10));
        EXPECT_GE(g.budget, 0.98 * k * goal_one.budget) << k << " tiles";
        EXPECT_GE(g.effective_area[0] + 0.5 * g.effective_area[1], 0.98 * k * objective_one) << k << " tiles";
    }
}

TEST(BreakpointSearch, SameSeedSameResult) {
    const EvaluatedArea a = area_of(larger_instance().measures);
    const auto input = budget_input({15.0, 12.0}, 10, 5);
    const OptimisationResult first = BreakpointBudgetMinimisation(a, input);
    seed_random(999);  // whatever the generator did in between
    const OptimisationResult second = BreakpointBudgetMinimisation(a, input);
    EXPECT_EQ(first.payment, second.payment);
    EXPECT_EQ(first.max_count, second.max_count);
    EXPECT_EQ(first.budget, second.budget);
    const auto goal = goal_input({1.0, 0.5}, 800, 10, 5);
    EXPECT_EQ(BreakpointGoalMaximisation(a, goal).payment, BreakpointGoalMaximisation(a, goal).payment);
}

TEST(BreakpointSearch, CancelReturnsTheBestSoFar) {
    const EvaluatedArea a = area_of(larger_instance().measures);
    const auto input = budget_input({15.0, 12.0}, 10, 5);
    const OptimisationResult full = BreakpointBudgetMinimisation(a, input);

    // Cancel as soon as the restarts begin: the constructed solution comes
    // back, reaching every target, never cheaper than the full search.
    Feedback feedback;
    feedback = Feedback([&](const Feedback::Progress& p) {
        if (p.stage == "breakpoint search: restarts") feedback.cancel();
    });
    SearchReport report;
    const OptimisationResult cut = BreakpointBudgetMinimisation(a, input, {}, &feedback, &report);
    EXPECT_TRUE(report.cancelled);
    EXPECT_GE(cut.budget, full.budget - 1e-9);
    EXPECT_GE(cut.effective_area[0], 15.0 - 1e-9);
    EXPECT_GE(cut.effective_area[1], 12.0 - 1e-9);
    EXPECT_FALSE(cut.allocation.empty());
    EXPECT_TRUE(report.solution) << "the constructed solution reaches every target";
    EXPECT_FALSE(report.time_limit_reached);
}

TEST(BreakpointSearch, StoppedBeforeASolutionSaysSo) {
    const EvaluatedArea a = area_of(larger_instance().measures);
    const auto budget = budget_input({15.0, 12.0}, 10, 5);
    const auto goal = goal_input({1.0, 0.5}, 800, 10, 5);
    // Cancel at the construction's first report, or a time limit of 0 that
    // the construction finds passed at its first step: neither search holds
    // an answer yet.
    struct Case {
        const char* label;
        bool cancel;
        double limit;
    } cases[] = {{"cancel", true, 25.0}, {"time limit", false, 0.0}};
    for (const Case& c : cases) {
        Feedback feedback;
        feedback = Feedback([&](const Feedback::Progress& p) {
            if (c.cancel && p.stage == "breakpoint search: greedy construction") feedback.cancel();
        });
        BreakpointSearchOptions options;
        options.time_limit_seconds = c.limit;
        SearchReport b, g;
        const OptimisationResult rb = BreakpointBudgetMinimisation(a, budget, options, &feedback, &b);
        const OptimisationResult rg = BreakpointGoalMaximisation(a, goal, options, &feedback, &g);
        for (const SearchReport* r : {&b, &g}) {
            EXPECT_FALSE(r->solution) << c.label;
            EXPECT_EQ(r->cancelled, c.cancel) << c.label;
            EXPECT_EQ(r->time_limit_reached, !c.cancel) << c.label;
        }
        EXPECT_FALSE(reaches_every_target(budget.wanted_area_ha, rb.effective_area)) << c.label;
    }
}

TEST(SearchMethod, TheTimeLimitCountsTheSearchAndTheBoundFollowsUnlessCancelled) {
    const EvaluatedArea a = area_of(larger_instance().measures);
    const auto budget = budget_input({15.0, 12.0}, 10, 5);
    // A limit far above what the search needs: it ends by its own rule.
    BreakpointSearchOptions long_limit;
    long_limit.time_limit_seconds = 1000.0;
    const SearchOutcome done = minimise_budget(a, budget, SearchMethod::Breakpoint, nullptr, long_limit);
    EXPECT_TRUE(done.report.solution);
    EXPECT_FALSE(done.report.time_limit_reached);
    EXPECT_TRUE(done.bound.solved);
    EXPECT_NE(search_report_lines(done.report, {})[2].find("Seconds: "), std::string::npos);

    // A Cancel before the search: no solution, no bound, and the lines say why.
    Feedback cancelled;
    cancelled.cancel();
    for (SearchMethod method : {SearchMethod::Breakpoint, SearchMethod::Annealing}) {
        const SearchOutcome stopped = minimise_budget(a, budget, method, &cancelled);
        EXPECT_TRUE(stopped.report.cancelled) << search_method_label(method);
        EXPECT_FALSE(stopped.bound.solved) << search_method_label(method);
        if (!stopped.report.solution) {
            EXPECT_NE(search_report_lines(stopped.report, {})[2].find(kStoppedBeforeSolution), std::string::npos);
        } else {
            // The annealing's start values may already reach the targets.
            EXPECT_TRUE(reaches_every_target(budget.wanted_area_ha, stopped.result.effective_area));
        }
    }
    EXPECT_FALSE(minimise_budget(a, budget, SearchMethod::Breakpoint, &cancelled).report.solution);
}

}  // namespace
}  // namespace pravel
