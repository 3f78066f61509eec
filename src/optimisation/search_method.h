#pragma once
// The choice between the two search methods of the optimisations, run the
// same way by the windows and the command-line tool: one evaluation, the
// chosen search on it, the cost-only bound beside the result and a report of
// what the search did.
#include <optional>
#include <string>
#include <vector>

#include "optimisation/breakpoint_search.h"
#include "optimisation/cost_only_bound.h"

namespace pravel {

class DatabaseAccess;
class Feedback;

enum class SearchMethod { Breakpoint, Annealing };

// What the front ends say of a search stopped (time limit or Cancel) before
// it held an allocation that reaches every target.
inline constexpr const char* kStoppedBeforeSolution = "stopped before a solution was found";

// Progress stage of the cost-only bound after the search (reported at its
// start, step 0 of 1, and at its end, step 1 of 1).
inline constexpr const char* kBoundStage = "cost-only bound";

// "breakpoint search" or "annealing", as the windows list them.
const char* search_method_label(SearchMethod method);
// "breakpoint" or "annealing", as the command line names them; none for
// anything else.
std::optional<SearchMethod> parse_search_method(const std::string& name);

struct SearchOutcome {
    OptimisationResult result;
    SearchReport report;
    CostOnlyBound bound;
};

// Evaluates the measures once, runs the chosen search and works out the
// cost-only bound on the same candidate lists (not after a Cancel: then the
// bound stays "not worked out"). The time limit of the options counts the
// search alone. The annealing runs exactly as
// BudgetMinimisationRun / GoalMaximisationRun do (message box included).
SearchOutcome minimise_budget(DatabaseAccess& db, const BudgetMinimisationInput& input, SearchMethod method,
                              Feedback* feedback, const BreakpointSearchOptions& options = {});
SearchOutcome maximise_goal(DatabaseAccess& db, const GoalMaximisationInput& input, SearchMethod method,
                            Feedback* feedback, const BreakpointSearchOptions& options = {});

// The search and the bound on lists already evaluated.
SearchOutcome minimise_budget(const EvaluatedArea& area, const BudgetMinimisationInput& input, SearchMethod method,
                              Feedback* feedback, const BreakpointSearchOptions& options = {});
SearchOutcome maximise_goal(const EvaluatedArea& area, const GoalMaximisationInput& input, SearchMethod method,
                            Feedback* feedback, const BreakpointSearchOptions& options = {});

// "Least possible budget if each farmer were paid their own cost: 123.45 Euro".
std::string budget_bound_line(const CostOnlyBound& bound);
// The mirror line of the goal maximisation, in weighted hectares.
std::string goal_bound_line(const CostOnlyBound& bound);

// What the search did, one line each: method, seed, seconds, allocations
// evaluated, then per species the wanted and achieved area and the share
// reached (achieved area only for a goal maximisation).
std::vector<std::string> search_report_lines(const SearchReport& report, const std::vector<std::string>& species_names);

}  // namespace pravel
