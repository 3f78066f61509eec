#pragma once
// A scenario's inputs looked up in the database: the region, the species
// versions and the measures.
#include <optional>
#include <string>
#include <vector>

#include "cli/scenario.h"
#include "store/measure_store.h"
#include "store/profile_store.h"

namespace pravel {
class DatabaseAccess;
}

namespace pravel::cli {

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
    std::vector<std::vector<std::pair<std::string, double>>> zone_payments;  // per measure, likewise
};

// Looks up the region, the species versions and the measures. Unknown names,
// versions and identifiers are errors. Reads only.
ResolvedScenario resolve_scenario(DatabaseAccess& db, const Scenario& s);

// The ready-made measure sets of the analysis windows.
std::vector<MeasureRecord> measure_set(DatabaseAccess& db, const std::string& set);

}  // namespace pravel::cli
