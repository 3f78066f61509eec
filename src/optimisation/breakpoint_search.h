#pragma once
// The breakpoint search: a second search method for both optimisations,
// beside the annealing. It moves one measure's payment at a time from
// breakpoint to breakpoint (where a pixel joins the measure or switches to
// it), lowers every payment to the least that keeps its participants, and
// restarts from the best solution with some payments knocked down. Its
// result goes through the same allocation rule and has the same form as the
// annealing's.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "optimisation/budget_minimisation.h"
#include "optimisation/goal_maximisation.h"

namespace pravel {

class Feedback;

struct BreakpointSearchOptions {
    // The search alone (not the evaluation before it nor the bound after it)
    // stops after this long, keeping its best solution if it has one.
    double time_limit_seconds = 25.0;
    int patience = 60;  // restarts without improvement before the search stops
    // The annealing too stops at the time limit; without this it runs its
    // course (or until Cancel), as the windows run it.
    bool limit_annealing = false;
    // Payments (one per measure) the search starts from instead of all 0,
    // for example the solution of a neighbouring budget or target; the
    // search keeps its best, so it never ends worse than this start once
    // the start is settled. Empty: start from 0.
    std::vector<double> start_payment;
};

// What a search did, for the windows and the command-line tool.
struct SearchReport {
    std::string method;              // "breakpoint search" or "annealing"
    std::optional<std::uint32_t> seed;  // none: the clock seeded the search
    double seconds = 0.0;            // the search alone, without the evaluation
    long long evaluations = 0;       // allocations evaluated
    bool cancelled = false;          // stopped by Cancel; the best so far was kept
    bool time_limit_reached = false;
    // False when the search was stopped (time limit or Cancel) before it
    // held an allocation that reaches every target (for a goal
    // maximisation: before its first construction was complete). Such a result is no answer:
    // it is neither shown as one nor stored.
    bool solution = true;
    std::vector<double> wanted;      // per species (ha); empty for a goal maximisation
    std::vector<double> achieved;    // per species (ha)
};

// Share of the wanted area reached (1 = reached), 0 when nothing is wanted.
double reached_share(double wanted, double achieved);

// Hectares an achieved area may lie below its target and still reach it
// (rounding of the sums).
inline constexpr double kTargetTolerance = 1e-6;
// Whether every species' achieved area reaches its wanted area.
bool reaches_every_target(const std::vector<double>& wanted, const std::vector<double>& achieved);

// Progress stages of the breakpoint search all begin with this text
// ("breakpoint search: restarts"); the step is the number of allocations
// evaluated, the value the seconds so far, the best the best objective.
inline constexpr const char* kBreakpointStage = "breakpoint search";

// Budget minimisation by breakpoint steps: the greedy construction (the
// step with the most missing hectares removed per extra Euro), exact
// lowering, a lowering pass, count limits where they save budget, and
// restarts. The seed of the input (1 when absent) drives the restarts and the
// allocation's coins, so a seed gives the same result on every run.
OptimisationResult BreakpointBudgetMinimisation(const EvaluatedArea& area, const BudgetMinimisationInput& input,
                                                const BreakpointSearchOptions& options = {},
                                                Feedback* feedback = nullptr, SearchReport* report = nullptr);
// The same search on compact lists sorted by net value.
OptimisationResult BreakpointBudgetMinimisation(const CandidateLists& candidates, const BudgetMinimisationInput& input,
                                                const BreakpointSearchOptions& options = {},
                                                Feedback* feedback = nullptr, SearchReport* report = nullptr);

// Goal maximisation by breakpoint steps: greedy steps with the most weighted
// effective area per extra Euro while the budget holds, exact lowering, a
// pass that moves budget from weak to strong steps, and restarts. Works with
// the fixed pixel area of the goal maximisation.
OptimisationResult BreakpointGoalMaximisation(const EvaluatedArea& area, const GoalMaximisationInput& input,
                                              const BreakpointSearchOptions& options = {},
                                              Feedback* feedback = nullptr, SearchReport* report = nullptr);
// The same search on compact lists sorted by net value.
OptimisationResult BreakpointGoalMaximisation(const CandidateLists& candidates, const GoalMaximisationInput& input,
                                              const BreakpointSearchOptions& options = {},
                                              Feedback* feedback = nullptr, SearchReport* report = nullptr);

}  // namespace pravel
