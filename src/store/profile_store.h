#pragma once
#include <array>
#include <string>
#include <vector>

#include "store/grassland_store.h"

namespace pravel {

class DatabaseAccess;

// The year in quarter months: quarter month k (1..48) is quarter
// (k - 1) % 4 + 1 of month (k - 1) / 4 + 1.
inline constexpr int QUARTER_MONTHS = 48;

// Profile kinds as stored in `species`.`group`.
inline constexpr const char* kGroupBird = "bird";
inline constexpr const char* kGroupButterfly = "Schmetterling";
inline constexpr const char* kGroupHabitat = "Lebensraum";

// One saved version of a bird, butterfly or habitat profile.
struct SpeciesRecord {
    double WES = 0.0;
    double WOLA = 0.0;
    double WKLA = 0.0;
    double percent_for_overlap = 0.0;
    std::string name = " ";
    std::string name_latein = " ";
    std::string group = " ";
    std::string name_editor = " ";
    double spatial_water_requirement = 0.0;
    double spatial_settlement_requirement = 0.0;
    double spatial_forest_requirement = 0.0;
    // Element k - 1: share of egg deposition in quarter month k (fractions).
    std::array<double, QUARTER_MONTHS> eggs_by_quarter_month{};
    int last_monthquarter_substitut_brood = 0;
    double probability_succeccful_sub_brood = 0.0;
    int critical_reproduction_period = 0;
    int reproduction_period = 0;
    int second_generation_count = 0;  // editor input, not stored
    // 48 values per stored predation row, MV1 first.
    std::vector<double> predation_by_quarter_month;
    double vegetation_requirement_short = 0.0;
    double vegetation_requirement_medium = 0.0;
    double vegetation_requirement_tall = 0.0;
    double soil_moisture_requir_dry = 0.0;
    double soil_moisture_requir_fresh = 0.0;
    double soil_moisture_requir_wet = 0.0;
    double dispersal_capability = 0.0;
    double trampling_mortality_typ = 0.0;
    std::vector<GrasslandRecord> grassland_records;  // chosen in the editor, not stored
    std::vector<int> grassland_ids;                  // stored as species_grassland rows
    int second_generation_start = 0;
    int second_generation_end = 0;
    int grasslandtyp_nr = 0;
    int speciesID = 0;
    std::string savetime;
    double praedation = 1.0;
};

// Stores the record as a new version and returns its speciesID.
int save_species(DatabaseAccess& db, const SpeciesRecord& record);

// Loads the version whose `key_column` equals `key_value` and whose savetime
// is `savetime`, over a connection of its own. The initial record (speciesID
// 0) when there is none.
SpeciesRecord load_species(const std::string& key_column, const std::string& key_value,
                           const std::string& savetime);

// The grasslandIDs linked to a profile (its `species_grassland` rows), in
// the server's order, which is the order they were stored in.
std::vector<int> grassland_ids_of_species(DatabaseAccess& db, int species_id);

// One entry per profile of the group: "name_latein/name, savetime, name_editor".
std::vector<std::string> list_species_by_group(DatabaseAccess& db, const std::string& group);

// Share of egg deposition in quarter month k (1..48).
double eggs_in_quarter_month(const SpeciesRecord& record, int k);

// `column` of the last row whose `key_column` equals `key_value`; "" if none.
std::string species_column_value(DatabaseAccess& db, const std::string& column, const std::string& key_column,
                                 const std::string& key_value);

// Distinct values of one column (used with `name` and `name_latein`).
std::vector<std::string> species_distinct_values(DatabaseAccess& db, const std::string& column);

// The newest savetime of the profile `name` of `group`; "" when there is none.
std::string newest_species_savetime(DatabaseAccess& db, const std::string& group, const std::string& name);

// Name and savetime of every profile of `group`, in speciesID order.
struct SpeciesVersion {
    std::string name;
    std::string savetime;
};
std::vector<SpeciesVersion> species_versions_of_group(DatabaseAccess& db, const std::string& group);

// Distinct savetimes of the rows whose `key_column` equals `key_value`.
std::vector<std::string> species_savetimes(DatabaseAccess& db, const std::string& key_column,
                                           const std::string& key_value);

}  // namespace pravel
