#pragma once
// The cost-only bound: what the targets would cost, or what a budget would
// buy, if every farmer were paid exactly their own cost plus transaction
// costs, each pixel in at most one measure. A linear programme over the
// candidate lists. No uniform payment per measure can do better, because a
// uniform payment pays every participant at least its own cost plus
// transaction costs (and never less than 0); the distance from a search's
// result to the bound is the price of paying one rate per measure.
//
// The programme has one column per candidate but only a few rows that tie
// pixels together (one per species, or the budget). The bound solves it by
// that structure, on candidates in a compact form: candidates of a pixel
// that another of its candidates matches or beats in cost and every quality
// are left out, pixels with the same offers become one pixel of larger area,
// the goal bound (one budget row) is solved exactly by the upper hull of
// each pixel's offers, and the budget bound by prices of the species: the
// best prices are found on the Lagrangian over the species rows (where each
// pixel simply takes its best offer), nearly every pixel is then fixed at
// its choice, an exact programme works out the few whose choice is in
// doubt, and its duals are checked against every offer until none can lower
// the cost (so the value is the programme's optimum). The plain programme
// stays available for comparison.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "optimisation/pixel_allocation.h"

namespace pravel {

struct CostOnlyBound {
    bool solved = false;              // the solver finished
    bool reachable = false;           // budget bound: the targets can be reached at all
    bool time_limit_reached = false;  // stopped by its time limit, not worked out
    double value = 0.0;               // Euro (budget bound) or weighted ha (goal bound)
    double seconds = 0.0;
    std::vector<double> area;         // effective area per species at the bound's solution (ha)
};

// How long a bound may take before it gives up (not worked out): the bound
// only reports on a search's result and must never hold up the run.
inline constexpr double kCostOnlyBoundSeconds = 60.0;

// The candidates in the compact form the bound works on: per candidate
// (measure and pixel) the pixel's number, what the pixel costs at cost-only
// payments (Euro for the whole pixel) and its effective area per species
// (ha); plain arrays, no object per candidate.
struct BoundCandidates {
    std::size_t species = 0;          // areas per candidate
    std::size_t pixels = 0;           // pixel numbers run from 0 to pixels - 1
    std::vector<std::uint32_t> pixel;
    std::vector<double> cost;         // Euro
    std::vector<double> area;         // candidates x species (ha)
    std::size_t size() const { return pixel.size(); }
    // Appends one candidate; `area_ha` holds `species` values.
    void add(std::uint32_t pixel_number, double cost_euro, const double* area_ha);
};

// The candidate lists in compact form, for `species` species (pixels are
// told apart by row and column).
BoundCandidates bound_candidates(const std::vector<std::vector<PixelResult>>& lists, std::size_t species,
                                 int transaction_costs, double pixel_area);

// The same from compact lists, in their order (so that lists in evaluation
// order give the candidates the records in evaluation order give).
BoundCandidates bound_candidates(const CandidateLists& lists, std::size_t species, int transaction_costs,
                                 double pixel_area);

// Least budget (Euro) at which every species reaches its wanted area;
// `reachable` false when no allocation reaches them.
CostOnlyBound cost_only_budget_bound(const std::vector<std::vector<PixelResult>>& lists,
                                     const std::vector<double>& wanted_area_ha, int transaction_costs,
                                     double pixel_area, double max_seconds = kCostOnlyBoundSeconds);

// Largest weighted effective area (ha) that `budget` buys.
CostOnlyBound cost_only_goal_bound(const std::vector<std::vector<PixelResult>>& lists,
                                   const std::vector<double>& weight, double budget, int transaction_costs,
                                   double pixel_area = PIXEL_AREA_HA, double max_seconds = kCostOnlyBoundSeconds);

// The same bounds on compact lists; the seconds count the compact form too.
CostOnlyBound cost_only_budget_bound(const CandidateLists& lists, const std::vector<double>& wanted_area_ha,
                                     int transaction_costs, double pixel_area,
                                     double max_seconds = kCostOnlyBoundSeconds);
CostOnlyBound cost_only_goal_bound(const CandidateLists& lists, const std::vector<double>& weight, double budget,
                                   int transaction_costs, double pixel_area = PIXEL_AREA_HA,
                                   double max_seconds = kCostOnlyBoundSeconds);

// The same bounds on candidates in compact form (`candidates.species` at
// least the number of wanted areas or weights).
CostOnlyBound cost_only_budget_bound(const BoundCandidates& candidates, const std::vector<double>& wanted_area_ha,
                                     double max_seconds = kCostOnlyBoundSeconds);
CostOnlyBound cost_only_goal_bound(const BoundCandidates& candidates, const std::vector<double>& weight,
                                   double budget, double max_seconds = kCostOnlyBoundSeconds);

namespace detail {
// The budget bound with the share of the species' prices within which a
// pixel's choice counts as in doubt (worked out exactly rather than fixed);
// whatever the share, the checks make the value the programme's optimum.
// For tests of those checks; the searches use the entry above.
CostOnlyBound cost_only_budget_bound(const BoundCandidates& candidates, const std::vector<double>& wanted_area_ha,
                                     double max_seconds, double doubt_share);
}  // namespace detail

// The same bounds as one plain programme with a column per candidate, solved
// whole (slow on large areas; kept to check the fast bounds against).
CostOnlyBound plain_cost_only_budget_bound(const std::vector<std::vector<PixelResult>>& lists,
                                           const std::vector<double>& wanted_area_ha, int transaction_costs,
                                           double pixel_area);
CostOnlyBound plain_cost_only_goal_bound(const std::vector<std::vector<PixelResult>>& lists,
                                         const std::vector<double>& weight, double budget, int transaction_costs,
                                         double pixel_area = PIXEL_AREA_HA);

// What a pixel costs in a measure at cost-only payments (Euro per ha):
// cost plus transaction costs, never below 0 (not a number when the margin
// is not one).
double cost_only_payment(const PixelResult& record, int transaction_costs);

}  // namespace pravel
