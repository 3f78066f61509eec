// The searches and the bound on compact candidate lists give what they give
// on the full records: the same bound, the same allocation, record for record.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <stdexcept>
#include <vector>

#include "optimisation/breakpoint_search.h"
#include "optimisation/cost_only_bound.h"

namespace pravel {
namespace {

// A random area: `measures` lists over a rows x columns raster, each pixel
// offered by a measure with some chance, qualities 0 below 0.3. Net values
// carry the evaluation's own rounding: equal margins may differ in their
// net values, which then decide the order.
EvaluatedArea random_area(unsigned seed, int measures, int species, int rows, int columns) {
    std::mt19937 gen(seed);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    EvaluatedArea a;
    a.raster_rows = rows;
    a.raster_columns = columns;
    a.pixel_area = 0.81;
    for (int m = 0; m < measures; ++m) {
        auto record = std::make_shared<MeasureRecord>();
        record->measureID = 10 + m;
        record->payment = 33.3 + m;
        std::vector<PixelResult> list;
        for (int cell = 0; cell < rows * columns; ++cell) {
            if (u(gen) < 0.4) continue;
            PixelResult r;
            r.pixelID = 1000 + cell;
            r.x_coordinate = 7 * cell;
            r.y_coordinate = -3 * cell;
            r.row = cell / columns;
            r.column = cell % columns;
            // Some equal margins, so that ties keep their order.
            r.margin_without_payment = u(gen) < 0.2 ? -40.0 : -80.0 * u(gen) + 10.0;
            r.margin_with_payment = r.margin_without_payment + record->payment + 1e-9 * u(gen);
            for (int s = 0; s < species; ++s) {
                const double q = u(gen);
                r.qualities.push_back({100 + s, q < 0.3 ? 0.0 : q});
            }
            r.measure = record;
            list.push_back(r);
        }
        a.lists.push_back(list);
    }
    return a;
}

// The compact form as the evaluation gives it: evaluation order, net values
// kept, no full records.
CandidateLists compact_of(const EvaluatedArea& a, int species) {
    CandidateLists c;
    c.raster_rows = a.raster_rows;
    c.raster_columns = a.raster_columns;
    c.pixel_area = a.pixel_area;
    for (int s = 0; s < species; ++s) c.species_ids.push_back(100 + s);
    std::vector<bool> seen(static_cast<std::size_t>(a.raster_rows * a.raster_columns), false);
    for (const auto& list : a.lists) {
        c.lists.emplace_back();
        c.measures.push_back(list.empty() ? nullptr : list.front().measure);
        for (const PixelResult& r : list) {
            std::vector<double> q;
            for (const auto& sq : r.qualities) q.push_back(sq.quality);
            const auto cell = static_cast<std::uint32_t>(r.row * a.raster_columns + r.column);
            c.lists.back().add(cell, r.margin_without_payment, r.margin_with_payment, q.data(), q.size());
            seen[cell] = true;
        }
    }
    for (std::size_t cell = 0; cell < seen.size(); ++cell)
        if (seen[cell])
            c.pixels.push_back({static_cast<std::uint32_t>(cell), 1000 + static_cast<int>(cell), 7 * static_cast<int>(cell),
                                -3 * static_cast<int>(cell)});
    return c;
}

void expect_same(const OptimisationResult& full, const OptimisationResult& compact) {
    EXPECT_EQ(full.budget, compact.budget);
    EXPECT_EQ(full.effective_area, compact.effective_area);
    EXPECT_EQ(full.payment, compact.payment);
    EXPECT_EQ(full.participants, compact.participants);
    EXPECT_EQ(full.max_count, compact.max_count);
    EXPECT_FALSE(full.allocation.empty());
    ASSERT_EQ(full.allocation.size(), compact.allocation.size());
    for (std::size_t k = 0; k < full.allocation.size(); ++k) {
        const PixelResult& f = full.allocation[k];
        const PixelResult& c = compact.allocation[k];
        EXPECT_EQ(f.pixelID, c.pixelID);
        EXPECT_EQ(f.x_coordinate, c.x_coordinate);
        EXPECT_EQ(f.y_coordinate, c.y_coordinate);
        EXPECT_EQ(f.row, c.row);
        EXPECT_EQ(f.column, c.column);
        EXPECT_EQ(f.margin_without_payment, c.margin_without_payment);
        EXPECT_EQ(f.margin_with_payment, c.margin_with_payment);
        ASSERT_EQ(f.qualities.size(), c.qualities.size());
        for (std::size_t s = 0; s < f.qualities.size(); ++s) {
            EXPECT_EQ(f.qualities[s].speciesID, c.qualities[s].speciesID);
            EXPECT_EQ(f.qualities[s].quality, c.qualities[s].quality);
        }
        ASSERT_TRUE(f.measure && c.measure);
        EXPECT_EQ(f.measure->measureID, c.measure->measureID);
        EXPECT_EQ(f.measure->payment, c.measure->payment);
    }
}

TEST(CandidateLists, BoundAndSearchesEqualThoseOnTheFullRecords) {
    struct Case {
        unsigned seed;
        int measures, species, rows, columns;
        double wanted;  // ha per species
        double budget;  // Euro of the goal maximisation
    };
    const Case cases[] = {
        {1, 3, 2, 6, 7, 4.0, 300.0},
        {2, 5, 3, 9, 5, 8.0, 900.0},
        {3, 1, 1, 4, 4, 2.0, 100.0},
        {4, 6, 2, 10, 12, 20.0, 2500.0},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.seed);
        const EvaluatedArea area = random_area(k.seed, k.measures, k.species, k.rows, k.columns);
        CandidateLists compact = compact_of(area, k.species);
        const int tc = 10;
        const std::vector<double> wanted(static_cast<std::size_t>(k.species), k.wanted);
        const std::vector<double> weight(static_cast<std::size_t>(k.species), 1.0 / k.species);

        // The bound, on the lists in evaluation order.
        const CostOnlyBound full_bound = cost_only_budget_bound(area.lists, wanted, tc, area.pixel_area);
        const CostOnlyBound compact_bound = cost_only_budget_bound(compact, wanted, tc, compact.pixel_area);
        EXPECT_TRUE(full_bound.solved);
        EXPECT_EQ(full_bound.reachable, compact_bound.reachable);
        EXPECT_EQ(full_bound.value, compact_bound.value);
        const CostOnlyBound full_goal = cost_only_goal_bound(area.lists, weight, k.budget, tc);
        const CostOnlyBound compact_goal = cost_only_goal_bound(compact, weight, k.budget, tc);
        EXPECT_EQ(full_goal.value, compact_goal.value);

        // The searches need the sorted lists.
        EXPECT_THROW(AllocationEngine(compact, k.species, compact.pixel_area), std::logic_error);
        sort_by_net_value(compact);
        const std::vector<MeasureCandidates> sorted = sorted_candidates(area.lists);
        for (std::size_t m = 0; m < sorted.size(); ++m) {
            ASSERT_EQ(sorted[m].list.size(), compact.lists[m].size());
            for (std::size_t i = 0; i < sorted[m].list.size(); ++i)
                EXPECT_EQ(compact.lists[m][i].cell,
                          static_cast<std::uint32_t>(sorted[m].list[i].row * k.columns + sorted[m].list[i].column));
        }

        BudgetMinimisationInput bm;
        bm.wanted_area_ha = wanted;
        bm.transaction_costs = tc;
        bm.seed = 1;
        expect_same(BreakpointBudgetMinimisation(area, bm), BreakpointBudgetMinimisation(compact, bm));

        GoalMaximisationInput gm;
        gm.weight = weight;
        gm.budget = k.budget;
        gm.transaction_costs = tc;
        gm.seed = 1;
        expect_same(BreakpointGoalMaximisation(area, gm), BreakpointGoalMaximisation(compact, gm));
    }
}

}  // namespace
}  // namespace pravel
