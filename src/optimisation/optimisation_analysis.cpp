#include "optimisation/optimisation_analysis.h"

#include <utility>

#include "core/effectiveness.h"
#include "optimisation/configuration_store.h"
#include "optimisation/report_file.h"
#include "store/database_access.h"
#include "store/landscape_store.h"
#include "store/result_store.h"

namespace pravel {

OptimisationAnalysis::OptimisationAnalysis(BudgetMinimisationInput input) : input_(std::move(input)) {}

OptimisationAnalysis::OptimisationAnalysis(GoalMaximisationInput input) : input_(std::move(input)) {}

bool OptimisationAnalysis::minimisesBudget() const { return std::holds_alternative<BudgetMinimisationInput>(input_); }

const EvaluationRequest& OptimisationAnalysis::evaluation() const {
    return std::visit([](const auto& in) -> const EvaluationRequest& { return in.evaluation; }, input_);
}

double OptimisationAnalysis::pixelArea(DatabaseAccess& db) const {
    return load_raster_reference(db, evaluation().countryID).pixel_area_ha;
}

SearchOutcome OptimisationAnalysis::search(DatabaseAccess& db, SearchMethod method, Feedback* feedback,
                                           const BreakpointSearchOptions& options) const {
    if (const auto* in = std::get_if<BudgetMinimisationInput>(&input_))
        return minimise_budget(db, *in, method, feedback, options);
    return maximise_goal(db, std::get<GoalMaximisationInput>(input_), method, feedback, options);
}

AnalysisRun OptimisationAnalysis::settle(SearchOutcome outcome, double pixel_area, DatabaseAccess* map_db) const {
    const EvaluationRequest& e = evaluation();
    AnalysisRun run;
    run.outcome = std::move(outcome);
    run.pixel_area = pixel_area;
    const OptimisationResult& result = run.outcome.result;
    const bool answer = run.outcome.report.solution;
    if (const auto* in = std::get_if<BudgetMinimisationInput>(&input_)) {
        if (answer) run.lines = budget_minimisation_lines(result, e.measures, e.species, in->wanted_area_ha, pixel_area);
        run.bound_line = budget_bound_line(run.outcome.bound);
    } else {
        if (answer) run.lines = goal_maximisation_lines(result, e.measures, e.species, pixel_area);
        run.bound_line = goal_bound_line(run.outcome.bound);
    }
    std::vector<std::string> names;
    for (const auto& s : e.species) names.push_back(s.name);
    run.search_lines = search_report_lines(run.outcome.report, names);
    run.search_lines.insert(run.search_lines.begin(), run.bound_line);

    // A search stopped before it had a solution leaves the map as it was.
    if (!answer) return run;
    const auto rows = allocation_visualisation_rows(result.allocation, e.species, e.countryID);
    if (map_db) {
        write_visualisation_rows(*map_db, rows);
    } else {
        DatabaseAccess own;
        write_visualisation_rows(own, rows);
    }
    return run;
}

std::string OptimisationAnalysis::report(double pixel_area, const AnalysisRun* last) const {
    const EvaluationRequest& e = evaluation();
    ReportSelection selection;
    for (const auto& s : e.species) selection.species_names.push_back(s.name);
    selection.minimum_qualities = e.minimum_qualities;
    selection.measures = e.measures;
    selection.pixel_area = pixel_area;
    static const OptimisationResult none;
    const OptimisationResult& result = last ? last->outcome.result : none;
    std::string text;
    if (const auto* in = std::get_if<BudgetMinimisationInput>(&input_))
        text = budget_minimisation_report(selection, in->wanted_area_ha, result);
    else
        text = goal_maximisation_report(selection, std::get<GoalMaximisationInput>(input_).budget, result);
    // After a run the bound follows the report's own lines.
    if (last) text += last->bound_line + "\r\n";
    return text;
}

std::optional<int> OptimisationAnalysis::store(DatabaseAccess& db, const OptimisationResult& result,
                                               const std::optional<std::string>& name, long long clock_seconds) const {
    const EvaluationRequest& e = evaluation();
    if (minimisesBudget()) return store_budget_minimisation(db, result, e.measures, e.countryID, name, clock_seconds);
    return store_goal_maximisation(db, result, e.measures, e.countryID, name, clock_seconds);
}

}  // namespace pravel
