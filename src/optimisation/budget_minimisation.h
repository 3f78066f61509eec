#pragma once
#include <cstdint>
#include <optional>
#include <vector>

#include "optimisation/pixel_allocation.h"

namespace pravel {

class DatabaseAccess;
class Feedback;

// What a budget minimisation is asked for: reach every species' wanted
// effective area at the smallest budget.
struct BudgetMinimisationInput {
    // Country, predation, species with their minimum qualities (0..1),
    // measures and distance cost factor, as the evaluation takes them. Its
    // seed is replaced by `seed` when that is given.
    EvaluationRequest evaluation;
    std::vector<double> wanted_area_ha;      // one per species
    int transaction_costs = 0;               // Euro/ha
    // Seed of the search; the clock in seconds when absent, so that two runs
    // differ unless a seed is given.
    std::optional<std::uint32_t> seed;
};

// The upper end of the count moves: number of species x the largest
// trunc(wanted area / minimum quality / pixel area). A species with a minimum
// quality of 0 (or below) is left out of both factors, as its quotient has no
// bound; 0 when no species is left.
int count_bound(const std::vector<double>& wanted_area_ha, const std::vector<double>& minimum_quality,
                double pixel_area);

// Start point and fixed step figures of one measure.
struct BudgetStartValues {
    std::vector<double> payment;  // Euro/ha
    std::vector<double> range;    // Euro/ha, scale of the payment steps
    std::vector<double> cap;      // Euro/ha, above it an upward step lands on cap + 10 + transaction costs
    std::vector<int> max_count;
};

// From the sorted lists (net values as the evaluation gave them). An empty
// list gives 0 everywhere. With a bound of 0 the counts are not limited by
// it: a measure may take its whole list.
BudgetStartValues budget_start_values(const std::vector<MeasureCandidates>& candidates, int bound,
                                      int transaction_costs);

// Objective of an allocation: the budget, or with a missed target the
// penalised budget. Each short species adds trunc(wanted - achieved), at
// least 1, to the shortfall.
struct BudgetObjective {
    double objective = 0.0;
    long long shortfall = 0;
};
BudgetObjective budget_objective(double budget, const std::vector<double>& wanted_area_ha,
                                 const std::vector<double>& effective_area);

// What happened to the last candidate; it selects the next move.
enum class BudgetOutcome { Rejected, AcceptedByChance, Improved };

// The move of the search: changes a copy of the current payments and counts.
// Draws from rand15(). A measure with an empty list keeps payment 0 and
// count 0 (its draws are still made). With bound 0 the counts are left alone.
struct BudgetMoveLimits {
    std::vector<double> range;
    std::vector<double> cap;
    std::vector<bool> has_candidates;
    int transaction_costs = 0;
    int bound = 0;
};
// `last_step_factor` is read after an improvement and replaced after a
// rejection.
void budget_move(BudgetOutcome last, const BudgetMoveLimits& limits, std::vector<double>& payment,
                 std::vector<int>& max_count, double& last_step_factor);

// Acceptance of a candidate against the current solution at temperature T;
// may draw one rand15().
BudgetOutcome budget_acceptance(const BudgetObjective& current, const BudgetObjective& candidate,
                                double temperature);

// Start temperature n x n x 100000, n the number of measures (at least 1),
// without integer overflow.
double budget_start_temperature(std::size_t measures);

// The move limits of the start values: their ranges and caps, and which
// measures have candidates.
BudgetMoveLimits budget_move_limits(const std::vector<MeasureCandidates>& candidates, const BudgetStartValues& start,
                                    int bound, int transaction_costs);

// The annealing loop on the engine's lists from the start values: the start
// point is allocated, the generator seeded (input seed, else the clock), then
// one move per iteration until the temperature has cooled, 1000 candidates in
// a row were rejected, the iteration limit or a cancel. Returns the best
// solution with the number of iterations done.
OptimisationResult budget_annealing(AllocationEngine& engine, const BudgetMinimisationInput& input,
                                    const BudgetStartValues& start, const BudgetMoveLimits& limits,
                                    Feedback* feedback);

// Evaluates the measures once and searches the payments and counts. Tells the
// number of iterations in a Yes/No message at the end. Progress (iteration,
// temperature, best objective) every 1000 iterations; a cancelled run returns
// its best solution so far.
OptimisationResult BudgetMinimisationRun(DatabaseAccess& db, const BudgetMinimisationInput& input,
                                         Feedback* feedback = nullptr);

// The same search on lists already evaluated (species, country and distance
// cost factor of the input are not used).
OptimisationResult BudgetMinimisationRun(EvaluatedArea area, const BudgetMinimisationInput& input,
                                         Feedback* feedback = nullptr);

}  // namespace pravel
