#pragma once
// The policy analyses on the command line: `curve` (the budget-effect
// curve), `tender`, `compare-payments`, and the optimisations with payments
// by zone (a scenario with "zones").
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "cli/analyses.h"
#include "cli/scenario.h"
#include "policy/zones.h"

namespace CLI {
class App;
}

namespace pravel {
class DatabaseAccess;
}

namespace pravel::cli {

// A zoning as the command line or the scenario names it.
struct ZoneSpec {
    enum class Kind { Column, Grid, Layer } kind = Kind::Grid;
    std::string column;
    int rows = 0;
    int columns = 0;
    std::string layer;
};

// "subclassification" or "column:NAME", "grid:2x2" (or "2x2"), "layer:FILE".
// Throws ScenarioError for a malformed text.
ZoneSpec parse_zone_text(const std::string& text);
// The scenario's "zones" object. Throws ScenarioError.
ZoneSpec parse_zone_json(const nlohmann::json& zones);
// The zones on the study area's raster; ScenarioError for a column that is
// not a text or integer pixel column, a grid that does not fit, or a layer.
ZoneMap build_zones(DatabaseAccess& db, int country_id, int rows, int columns, const ZoneSpec& spec);

// "0,0.1,0.25": the markups, each 0 or more. Empty with `problem` set else.
std::vector<double> parse_markups(const std::string& text, std::string& problem);

struct PolicyCommands {
    CLI::App* curve = nullptr;
    CLI::App* tender = nullptr;
    CLI::App* compare = nullptr;
    std::string scenario;
    std::optional<std::string> budgets;
    std::optional<std::string> factors;
    std::optional<std::string> csv;
    std::optional<std::string> plot;
    std::optional<double> markup;
    std::string markups = "0,0.1,0.25";
    std::vector<std::string> zones;
    std::optional<double> max_seconds;
    bool json = false;
};

void add_policy_commands(CLI::App& app, PolicyCommands& commands);
// Runs the policy command that was parsed; its exit status, none when no
// policy command was given.
std::optional<int> run_policy_commands(const PolicyCommands& commands, std::optional<std::uint32_t> seed,
                                       Feedback* feedback);

// An analysis that has no payments by zone: a scenario with "zones" is
// refused instead of run as if it had none.
using ScenarioAnalysis = AnalysisOutput (*)(DatabaseAccess&, const Scenario&, const RunOptions&);
std::function<AnalysisOutput(DatabaseAccess&, const Scenario&, const RunOptions&)> without_zones(ScenarioAnalysis analysis);

// The programme simulation, with the payments of each measure by zone when
// the scenario has "zones" ("zone_payments" per measure; the other zones
// and the cells in no zone take the measure's "payment"): the specified
// lines, then one line per zone and measure with participants.
AnalysisOutput run_programme_in_zones(DatabaseAccess& db, const Scenario& s, const RunOptions& o);

// The optimisations with one payment per measure and zone.
AnalysisOutput run_zoned_budget_minimisation(DatabaseAccess& db, const Scenario& s, const RunOptions& o);
AnalysisOutput run_zoned_goal_maximisation(DatabaseAccess& db, const Scenario& s, const RunOptions& o);

}  // namespace pravel::cli
