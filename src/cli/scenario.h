#pragma once
// Scenario files of the command-line tool: what a planner would enter in an
// analysis window, as JSON.
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "store/measure_store.h"
#include "store/profile_store.h"

namespace pravel {
class DatabaseAccess;
}

namespace pravel::cli {

// Bad input: the message says what is wrong; the tool exits with status 2.
struct ScenarioError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct ScenarioSpecies {
    std::string name;
    std::optional<std::string> saved_on;  // savetime; the newest version when absent
    std::optional<double> min_quality;
    std::optional<double> wanted_area_ha;  // budget minimisation
    std::optional<double> importance;      // goal maximisation, 1..100
};

struct ScenarioMeasure {
    std::optional<int> id;            // a measureID
    std::optional<std::string> set;   // "only mowing", "only grazing", "all measures", "preselected"
    std::optional<double> payment;    // programme simulation, Euro/ha
    std::optional<double> max_area_ha;  // programme simulation
};

struct Scenario {
    std::optional<std::string> region;
    std::optional<std::string> predation;  // "time independent" or "time dependent"
    std::optional<double> distance_cost_factor;
    std::optional<int> transaction_costs;
    std::optional<double> budget;
    std::vector<ScenarioSpecies> species;
    std::vector<ScenarioMeasure> measures;
};

// Reads the keys of a scenario; wrong types and unknown keys are errors.
Scenario parse_scenario(const nlohmann::json& doc);
Scenario load_scenario_file(const std::string& path);

// The scenario's inputs resolved against the database.
struct ResolvedScenario {
    int country_id = 0;
    bool predation_chosen = false;
    bool time_dependent = false;
    std::vector<SpeciesRecord> species;
    std::vector<double> min_quality;
    std::vector<double> wanted_area_ha;
    std::vector<double> weights;  // importance / 100
    std::vector<MeasureRecord> measures;
    std::vector<double> max_area_ha;                 // per measure, programme simulation; -1 when absent
    std::vector<std::optional<double>> payment;      // per measure, programme simulation
};

// Looks up the region, the species versions and the measures. Unknown names,
// versions and identifiers are errors. Reads only.
ResolvedScenario resolve_scenario(DatabaseAccess& db, const Scenario& s);

// The ready-made measure sets of the analysis windows.
std::vector<MeasureRecord> measure_set(DatabaseAccess& db, const std::string& set);

}  // namespace pravel::cli
