#pragma once
// The sequence both front ends run for an optimisation: the evaluation and
// the chosen search, the result lines, the map rows, the report text and the
// named store. The window and the command-line tool gather the input, show or
// print what comes back, and answer what the window asks the user (the
// configuration name, the report path) themselves; the annealing's closing
// question goes through the notifier, which each front end sets up.
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "optimisation/budget_minimisation.h"
#include "optimisation/goal_maximisation.h"
#include "optimisation/optimisation_lines.h"
#include "optimisation/search_method.h"

namespace pravel {

class DatabaseAccess;
class Feedback;

// What one run gives the front ends.
struct AnalysisRun {
    SearchOutcome outcome;
    double pixel_area = 0.0;                // ha, of the study area
    OptimisationLines lines;                // the result lists and total
    std::string bound_line;                 // the cost-only bound
    std::vector<std::string> search_lines;  // the bound line, then what the search did
};

class OptimisationAnalysis {
public:
    explicit OptimisationAnalysis(BudgetMinimisationInput input);
    explicit OptimisationAnalysis(GoalMaximisationInput input);

    bool minimisesBudget() const;
    const EvaluationRequest& evaluation() const;

    // The pixel area of the input's study area.
    double pixelArea(DatabaseAccess& db) const;
    // Evaluates the measures and searches by `method`; a cancelled feedback
    // ends the search with its best solution so far.
    SearchOutcome search(DatabaseAccess& db, SearchMethod method, Feedback* feedback,
                         const BreakpointSearchOptions& options = {}) const;
    // The lines of an outcome; its map rows are written through `map_db`, or
    // through a connection of their own when it is null. An outcome without
    // a solution (stopped before it had one) gives only the bound and search
    // lines and writes no map rows.
    AnalysisRun settle(SearchOutcome outcome, double pixel_area, DatabaseAccess* map_db) const;

    // The report text of the input's selection with the result of `last` (a
    // default result before any run), the bound line after its own lines.
    std::string report(double pixel_area, const AnalysisRun* last) const;
    // Stores `result` under `name` for the input's measures and country;
    // nothing for a cancelled or empty name.
    std::optional<int> store(DatabaseAccess& db, const OptimisationResult& result,
                             const std::optional<std::string>& name, long long clock_seconds) const;

private:
    std::variant<BudgetMinimisationInput, GoalMaximisationInput> input_;
};

}  // namespace pravel
