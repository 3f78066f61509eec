#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/feedback.h"
#include "optimisation/pixel_allocation.h"

namespace pravel {

class DatabaseAccess;
class Feedback;

// What a goal maximisation is asked for: the largest weighted effective area
// for a fixed budget.
struct GoalMaximisationInput {
    // Country, predation, species with their minimum qualities (0..1),
    // measures and distance cost factor, as the evaluation takes them. Its
    // seed is replaced by `seed` when that is given.
    EvaluationRequest evaluation;
    std::vector<double> weight;           // one per species: importance / 100
    int budget = 0;                       // Euro
    int transaction_costs = 0;            // Euro/ha
    // When given, the generator is restarted with it after the evaluation;
    // otherwise the search continues from the generator's state.
    std::optional<std::uint32_t> seed;
};

// Cost of a record: what the measure costs the farmer per ha, never below 0.
double record_cost(const PixelResult& record);

// The largest index k such that the best k + 1 pixels of the list can be
// bought with `amount` when each is paid transaction costs + 0.001 + extra +
// the cost of pixel k, found by binary search; -1 when not even the first
// one can. Uses the given pixel area.
int AffordableCount(int transaction_costs, double amount, double extra, const std::vector<PixelResult>& list,
                    double pixel_area = PIXEL_AREA_HA);

// Spread of the costs over a list: cost of the last record, minus the cost of
// the first when that one costs something. 0 for an empty list.
double CostRange(const std::vector<PixelResult>& list);

// Weighted effect of one pixel: pixel area x sum of weight x quality.
double PixelEffect(const PixelResult& record, const std::vector<double>& weight, double pixel_area = PIXEL_AREA_HA);

// Share of the budget for each measure (Euro), from the score of its list.
// Score modes "MaxErrEff", "MaxErrEffFlaeche" and any text holding
// "MaxErrEffGew=W"; competition modes "MitKonku" (all scores count) and
// "OhneKonku" (only the best of each measure type group counts).
std::vector<double> BudgetShareScores(const std::string& score_mode, const std::string& competition_mode,
                                      const std::vector<double>& weight, double budget, int transaction_costs,
                                      const std::vector<MeasureCandidates>& candidates,
                                      const std::vector<MeasureRecord>& measures, Feedback* feedback = nullptr);

// Extra payment per measure above the cost of its last bought pixel, by the
// payment rule "Pauschal", "AngleichungKostendifferenz" or
// "AnteilKostendifferenz" (anything else: none), limited by half the payment
// its most expensive pixel needs. Reports a negative cost range.
std::vector<double> payment_extras(const std::string& payment_rule, double factor,
                                   const std::vector<MeasureCandidates>& candidates,
                                   const std::vector<MeasureRecord>& measures, int transaction_costs,
                                   Feedback* feedback = nullptr);

struct StartSolution {
    std::vector<double> payment;
    std::vector<int> max_count;
};

// Start point of the search: each measure buys with its budget share as many
// of its best pixels as it can at a uniform payment (cost of the last bought
// pixel + transaction costs + 0.001 + its extra). Applies the payments to the
// lists.
StartSolution StartHeuristic(double budget, const std::vector<double>& weight, int transaction_costs,
                             std::vector<MeasureCandidates>& candidates, const std::vector<MeasureRecord>& measures,
                             const std::string& score_mode, const std::string& competition_mode,
                             const std::string& payment_rule, double factor, Feedback* feedback = nullptr);

// Start temperature of the search: a loss of the whole start objective J0 is
// accepted with probability 1e-8.
double goal_start_temperature(double start_objective);

// Acceptance of a candidate (objective, budget) at temperature T against the
// current objective: never over the budget limit; better always; worse with
// probability exp(difference / T) (draws one rand15()).
bool goal_acceptance(double current_objective, double candidate_objective, double candidate_budget,
                     double budget_limit, double temperature);

// Whether the current solution replaces the best: higher objective within the
// budget limit, or the same objective (within 1e-8) for less money.
bool goal_replaces_best(double current_objective, double current_budget, double best_objective,
                        double best_budget, double budget_limit);

// The move of the search on a copy of the current payments and counts.
struct GoalMoveLimits {
    std::vector<int> available;           // list length per measure
    std::vector<double> floor_payment;    // transaction costs + 0.001 + cost of the best pixel
    std::vector<double> payment_step_high;
    std::vector<int> count_step_high;
    int measures_per_move = 1;            // K
};
GoalMoveLimits goal_move_limits(const std::vector<MeasureCandidates>& candidates, int transaction_costs);
void goal_move(const GoalMoveLimits& limits, const std::vector<int>& current_participants,
               std::vector<double>& payment, std::vector<int>& max_count);

// The closed form for one measure `only` with candidates: the uniform
// payment that buys as many of its best pixels as the budget allows.
OptimisationResult goal_closed_form(AllocationEngine& engine, const std::vector<MeasureCandidates>& candidates,
                                    std::size_t only, const GoalMaximisationInput& input);

// The annealing loop from the start solution (lists with the start payments
// applied): about 5000 cooling steps from goal_start_temperature of the
// start objective, or none when that is already cold. Returns the best
// solution within the budget with the number of iterations done.
OptimisationResult goal_annealing(AllocationEngine& engine, const std::vector<MeasureCandidates>& candidates,
                                  const GoalMaximisationInput& input, const StartSolution& start,
                                  Feedback* feedback);

// Evaluates the measures once; with one measure having candidates the closed
// form, otherwise the start heuristic and about 5000 annealing steps.
// Progress (iteration, temperature, best objective); a cancelled run returns
// its best solution so far.
OptimisationResult GoalMaximisationRun(DatabaseAccess& db, const GoalMaximisationInput& input,
                                       Feedback* feedback = nullptr);

// The same on lists already evaluated (species, country and distance cost
// factor of the input are not used; the raster's pixel area neither: the run
// works with PIXEL_AREA_HA).
OptimisationResult GoalMaximisationRun(EvaluatedArea area, const GoalMaximisationInput& input,
                                       Feedback* feedback = nullptr);

}  // namespace pravel
