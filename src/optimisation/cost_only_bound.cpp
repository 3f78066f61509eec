#include "optimisation/cost_only_bound.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <functional>
#include <map>
#include <utility>

#include <ClpSimplex.hpp>
#include <ClpSolve.hpp>
#include <CoinPackedMatrix.hpp>

namespace pravel {

namespace {

// Largest magnitude of a coefficient, cost or right-hand side handed to the
// solver (Euro or ha); far above any real programme, far below the values
// the solver treats as infinite.
constexpr double kLargestCoefficient = 1e13;

// The columns (one per pixel and measure) and the rows of the programme:
// first one row per pixel offered by two or more measures (take at most one;
// a pixel offered once needs no row, its column bound does it), then the
// extra rows of the caller.
struct Programme {
    std::vector<int> start;     // column starts
    std::vector<int> index;     // row of each entry
    std::vector<double> value;  // coefficient of each entry
    std::vector<double> cost;   // Euro per column
    std::vector<const PixelResult*> record;
    int pixel_rows = 0;
};

Programme build(const std::vector<std::vector<PixelResult>>& lists, int transaction_costs, double pixel_area,
                const std::function<void(const PixelResult&, double cost, Programme&)>& extra) {
    std::map<std::pair<int, int>, int> offers;  // (row, column) -> measures offering the pixel
    for (const auto& list : lists)
        for (const PixelResult& r : list) ++offers[{r.row, r.column}];
    std::map<std::pair<int, int>, int> pixel_row;
    Programme p;
    for (const auto& [cell, count] : offers)
        if (count > 1) pixel_row[cell] = p.pixel_rows++;
    for (const auto& list : lists) {
        for (const PixelResult& r : list) {
            p.start.push_back(static_cast<int>(p.index.size()));
            const auto it = pixel_row.find({r.row, r.column});
            if (it != pixel_row.end()) {
                p.index.push_back(it->second);
                p.value.push_back(1.0);
            }
            const double cost = pixel_area * cost_only_payment(r, transaction_costs);
            p.cost.push_back(cost);
            p.record.push_back(&r);
            extra(r, cost, p);
        }
    }
    p.start.push_back(static_cast<int>(p.index.size()));
    return p;
}

// Solves and fills the bound; `sense` 1 minimises, -1 maximises.
CostOnlyBound solve(Programme& p, std::vector<double> row_lower, std::vector<double> row_upper,
                    const std::vector<double>& objective, double sense, std::size_t species,
                    double pixel_area, std::chrono::steady_clock::time_point started) {
    CostOnlyBound bound;
    // The solver takes very large values for infinite and stops the process
    // on some of them; a programme with such values is not worked out.
    const auto usable = [](const std::vector<double>& values) {
        return std::all_of(values.begin(), values.end(),
                           [](double v) { return std::isfinite(v) && std::fabs(v) <= kLargestCoefficient; });
    };
    const auto bound_usable = [](const std::vector<double>& values) {
        return std::all_of(values.begin(), values.end(), [](double v) {
            return v == COIN_DBL_MAX || v == -COIN_DBL_MAX || (std::isfinite(v) && std::fabs(v) <= kLargestCoefficient);
        });
    };
    if (!usable(p.value) || !usable(objective) || !bound_usable(row_lower) || !bound_usable(row_upper)) {
        bound.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        return bound;
    }
    const int columns = static_cast<int>(p.cost.size());
    const int rows = static_cast<int>(row_lower.size());
    std::vector<double> column_lower(static_cast<std::size_t>(columns), 0.0);
    std::vector<double> column_upper(static_cast<std::size_t>(columns), 1.0);
    ClpSimplex model;
    model.setLogLevel(0);
    model.loadProblem(columns, rows, p.start.data(), p.index.data(), p.value.data(), column_lower.data(),
                      column_upper.data(), objective.data(), row_lower.data(), row_upper.data());
    model.setOptimizationDirection(sense);
    // The dual simplex after presolve: the solver's automatic choice takes
    // other methods on programmes with many columns, and some of them print
    // to standard output whatever the log level.
    ClpSolve options;
    options.setSolveType(ClpSolve::useDual);
    options.setPresolveType(ClpSolve::presolveOn);
    model.initialSolve(options);
    bound.solved = model.isProvenOptimal() || model.isProvenPrimalInfeasible();
    bound.reachable = model.isProvenOptimal();
    if (bound.reachable) {
        bound.value = model.objectiveValue();
        const double* x = model.getColSolution();
        bound.area.assign(species, 0.0);
        for (int c = 0; c < columns; ++c) {
            const PixelResult& r = *p.record[static_cast<std::size_t>(c)];
            for (std::size_t s = 0; s < species && s < r.qualities.size(); ++s)
                bound.area[s] += x[c] * pixel_area * r.qualities[s].quality;
        }
    }
    bound.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    return bound;
}

}  // namespace

double cost_only_payment(const PixelResult& record, int transaction_costs) {
    const double cost = transaction_costs - record.margin_without_payment;
    return std::isnan(cost) ? cost : std::max(0.0, cost);
}

CostOnlyBound cost_only_budget_bound(const std::vector<std::vector<PixelResult>>& lists,
                                     const std::vector<double>& wanted_area_ha, int transaction_costs,
                                     double pixel_area) {
    const auto started = std::chrono::steady_clock::now();
    const std::size_t ns = wanted_area_ha.size();
    Programme p = build(lists, transaction_costs, pixel_area,
                        [&](const PixelResult& r, double, Programme& prog) {
                            for (std::size_t s = 0; s < ns && s < r.qualities.size(); ++s) {
                                if (r.qualities[s].quality == 0.0) continue;
                                prog.index.push_back(-1 - static_cast<int>(s));  // species row, placed below
                                prog.value.push_back(pixel_area * r.qualities[s].quality);
                            }
                        });
    const int first_species_row = p.pixel_rows;
    for (int& i : p.index)
        if (i < 0) i = first_species_row + (-1 - i);
    std::vector<double> lower(static_cast<std::size_t>(p.pixel_rows), -COIN_DBL_MAX);
    std::vector<double> upper(static_cast<std::size_t>(p.pixel_rows), 1.0);
    for (double w : wanted_area_ha) {
        lower.push_back(w);
        upper.push_back(COIN_DBL_MAX);
    }
    return solve(p, lower, upper, p.cost, 1.0, ns, pixel_area, started);
}

CostOnlyBound cost_only_goal_bound(const std::vector<std::vector<PixelResult>>& lists,
                                   const std::vector<double>& weight, double budget, int transaction_costs,
                                   double pixel_area) {
    const auto started = std::chrono::steady_clock::now();
    const std::size_t ns = weight.size();
    std::vector<double> effect;
    Programme p = build(lists, transaction_costs, pixel_area, [&](const PixelResult& r, double cost, Programme& prog) {
        double e = 0.0;
        for (std::size_t s = 0; s < ns && s < r.qualities.size(); ++s) e += weight[s] * r.qualities[s].quality;
        effect.push_back(pixel_area * e);
        if (cost != 0.0) {
            prog.index.push_back(-1);  // the budget row, placed below
            prog.value.push_back(cost);
        }
    });
    for (int& i : p.index)
        if (i < 0) i = p.pixel_rows;
    std::vector<double> lower(static_cast<std::size_t>(p.pixel_rows), -COIN_DBL_MAX);
    std::vector<double> upper(static_cast<std::size_t>(p.pixel_rows), 1.0);
    lower.push_back(-COIN_DBL_MAX);
    upper.push_back(budget);
    return solve(p, lower, upper, effect, -1.0, ns, pixel_area, started);
}

}  // namespace pravel
