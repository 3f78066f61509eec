#pragma once
// Scenario files of the command-line tool: what a planner would enter in an
// analysis window, as JSON. Reading a scenario touches neither the database
// nor any other file than the scenario itself.
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

namespace pravel::cli {

// Bad input: the message says what is wrong; the tool exits with status 2.
struct ScenarioError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct ScenarioSpecies {
    std::string name;
    std::optional<std::string> saved_on;  // savetime at any precision; the newest version when absent
    std::optional<double> min_quality;
    std::optional<double> wanted_area_ha;  // budget minimisation
    std::optional<double> importance;      // goal maximisation, 1..100
};

struct ScenarioMeasure {
    std::optional<int> id;            // a measureID
    std::optional<std::string> set;   // "only mowing", "only grazing", "all measures", "preselected"
    std::optional<double> payment;    // programme simulation, Euro/ha
    std::optional<double> max_area_ha;  // programme simulation; read as whole hectares, within int range
    // Programme simulation with "zones": the payment (Euro/ha) in each zone
    // named here; the other zones take "payment".
    std::vector<std::pair<std::string, double>> zone_payments;
};

struct Scenario {
    std::optional<std::string> region;
    std::optional<std::string> predation;  // "time independent" or "time dependent"
    std::optional<double> distance_cost_factor;
    std::optional<int> transaction_costs;
    std::optional<double> budget;  // read as whole Euro, within int range
    std::vector<ScenarioSpecies> species;
    std::vector<ScenarioMeasure> measures;
    // Payments by zone: {"column": NAME}, {"grid": [ROWS, COLUMNS]} or
    // {"layer": FILE}; checked where the zones are built.
    std::optional<nlohmann::json> zones;
};

// Reads the keys of a scenario; wrong types, unknown keys and integers (or
// reals read as integers) outside the range of an int are errors.
Scenario parse_scenario(const nlohmann::json& doc);
// The whole text must be one JSON value (blanks around it allowed); `where`
// names the text in messages.
Scenario parse_scenario_text(const std::string& text, const std::string& where);
Scenario load_scenario_file(const std::string& path);

// The text a window field would hold for a value: plain decimal notation that
// reads back as the same number (no exponent form, which the window's number
// check would refuse).
std::string field_text(double value);

// The saved version of a species that `saved_on` names. The time may be given
// at any precision from the day down to the microsecond ("2020-01-01",
// "2020-01-01 10:00", "2020-01-01 10:00:00", "2020-01-01 10:00:00.5",
// "2020-01-01 10:00:00.000000"); it names every version whose save time
// agrees with it down to its last digit. Without `saved_on` the newest
// version. Exactly one version must be named, else the error lists the
// species' versions. `versions` are the save times as the database gives
// them; the one returned is one of them, unchanged.
std::string choose_species_version(const std::string& name, const std::vector<std::string>& versions,
                                   const std::optional<std::string>& saved_on);

}  // namespace pravel::cli
