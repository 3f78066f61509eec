#pragma once
// The analyses of the command-line tool: each runs as its window would, with
// the same database side effects, and returns what the window would show.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "cli/scenario.h"
#include "cli/scenario_resolve.h"
#include "core/evaluation_run.h"
#include "optimisation/optimisation_lines.h"
#include "simulation/programme_simulation.h"
#include "store/landscape_store.h"

namespace pravel {
class DatabaseAccess;
class Feedback;
}

namespace pravel::cli {

struct RunOptions {
    std::optional<std::uint32_t> seed;       // evaluation and search; defaults as in the windows
    std::optional<std::string> report_path;  // write the analysis report there
    std::optional<std::string> store_name;   // store an optimisation as a configuration
    bool visualize = false;                  // write the map rows as "Visualize" does
    std::optional<double> max_seconds;       // time of an optimisation's search alone (default 25 s for the
                                             // breakpoint search, none for the annealing), keeping its best
    std::string method = "breakpoint";       // search method of the optimisations: breakpoint or annealing
    Feedback* feedback = nullptr;
    // Around the store of a configuration: called with the result so far
    // (the JSON document without the configuration's ID) and the store
    // itself; returns what the store returned. Lets a caller write rows of
    // its own in the store's transaction. None: the store runs alone.
    std::function<std::optional<int>(const nlohmann::json& result, const std::function<std::optional<int>()>& store)>
        store_scope;
};

// Exit status of an optimisation stopped (time limit or Cancel) before it
// had a solution.
inline constexpr int kStoppedStatus = 3;

struct AnalysisOutput {
    std::vector<std::string> lines;  // what the window's result lists show, in order
    nlohmann::json json;             // the same, for other programs
    std::string notice;              // where the report went, the configuration stored, ...
    int status = 0;                  // exit status of the tool: 0, or kStoppedStatus
};

// The checks and inputs the optimisations share with the analyses built on
// them: each species as the optimisation window's add check takes it (throws
// ScenarioError), the window's input check figures, and the evaluation.
void check_optimisation_species(const Scenario& s, bool goal);
OptimisationInputs optimisation_inputs(const Scenario& s, const ResolvedScenario& r);
EvaluationRequest evaluation_of(const Scenario& s, const ResolvedScenario& r);

// Each throws ScenarioError with the window's message (or a clear one of its
// own) for bad input, before anything is written to the database.
AnalysisOutput run_effectiveness_analysis(DatabaseAccess& db, const Scenario& s, const RunOptions& o);
AnalysisOutput run_budget_minimisation(DatabaseAccess& db, const Scenario& s, const RunOptions& o);
AnalysisOutput run_goal_maximisation(DatabaseAccess& db, const Scenario& s, const RunOptions& o);
AnalysisOutput run_programme(DatabaseAccess& db, const Scenario& s, const RunOptions& o);

// The programme simulation with additions, such as payments by zone:
// `prepare` is called once the inputs have passed the window's checks and
// before anything is written (it may set the inputs' payments by pixel and
// throw ScenarioError); `finish` adds its lines and keys to the output.
struct ProgrammeHooks {
    std::function<void(ProgrammeInputs&, const ResolvedScenario&, const RasterReference&)> prepare;
    std::function<void(const ProgrammeRun&, const ResolvedScenario&, AnalysisOutput&)> finish;
};
AnalysisOutput run_programme(DatabaseAccess& db, const Scenario& s, const RunOptions& o, const ProgrammeHooks& hooks);

}  // namespace pravel::cli
