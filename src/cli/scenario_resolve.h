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
};

// Looks up the region, the species versions and the measures. Unknown names,
// versions and identifiers are errors. Reads only.
ResolvedScenario resolve_scenario(DatabaseAccess& db, const Scenario& s);

// The ready-made measure sets of the analysis windows.
std::vector<MeasureRecord> measure_set(DatabaseAccess& db, const std::string& set);

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
