#pragma once
#include <array>
#include <string>
#include <vector>

namespace sql {
class ResultSet;
}

namespace pravel {

class DatabaseAccess;

// The name that marks refuge-strip measures in the catalogue.
inline constexpr const char* kRefugeStripName = "refuge strips";

// One catalogue measure (table `measures`) with the working values the
// analyses add to it. Plain value; copies carry every field.
struct MeasureRecord {
    std::string name;
    int month_quarter_first_use = 0;
    int distance_2use = 0;
    int distance_3use = 0;
    int distance_4use = 0;
    bool fertilization = false;
    bool is_refuge_strip = false;
    int measureID = 0;
    // Euro/ha: 0 when loaded; set by the analyses before an evaluation run.
    double payment = 0.0;
    double livestock_density_1 = 0.0;
    double livestock_density_2 = 0.0;
    double livestock_density_3 = 0.0;
    double livestock_density_4 = 0.0;
    // Density of a fifth grazing period when above 0.4; not a catalogue column.
    double summary_livestock_density = 0.0;
    int livestockID_1 = 0;
    int livestockID_2 = 0;
    int livestockID_3 = 0;
    int livestockID_4 = 0;
    int early_land_use = 0;
    bool prior_cropland = false;
    // Low, medium and high growth value of five grazing periods, filled by the
    // evaluation run.
    std::array<double, 15> grazing_growth{};
    int method_nr = 0;
};

// --- narrowing queries, in the order the selection dialogs use them --------
std::vector<std::string> measure_names(DatabaseAccess& db);
std::vector<int> measure_selections(DatabaseAccess& db);
std::vector<int> first_use_choices(DatabaseAccess& db, const std::string& name);
// Distinct distance_2use for (name, first use).
std::vector<int> second_use_distance_choices(DatabaseAccess& db, const std::string& name, int first_use);
std::vector<int> third_use_distance_choices(DatabaseAccess& db, const std::string& name, int first_use, int d2);
std::vector<int> fourth_use_distance_choices(DatabaseAccess& db, const std::string& name, int first_use, int d2,
                                             int d3);

// Timing of a measure as chosen so far: the common part of the livestock
// narrowing queries.
struct MeasureTiming {
    std::string name;
    int first_use = 0;
    int d2 = 0;
    int d3 = 0;
    int d4 = 0;
};

// Livestock choices of use k: "measure without livestock" for ID 0, else
// "ID,livestock_name". `densities` and `ids` hold the choices of the earlier
// uses (k - 1 of each).
std::vector<std::string> livestock_choices(DatabaseAccess& db, const MeasureTiming& t, int use,
                                           const std::vector<double>& densities, const std::vector<int>& ids);
// The entry of one livestock kind as the livestock lists show it: "measure
// without livestock" for ID 0, else "ID,livestock_name" (empty when the
// livestock table has no such kind).
std::string livestock_entry(DatabaseAccess& db, int livestock_id);
// Every catalogue variant of a measure name with the given first use and
// distance to the second use, whatever its later uses, in measureID order.
std::vector<MeasureRecord> measures_by_first_distance(DatabaseAccess& db, const std::string& name, int first_use,
                                                      int d2);
// Density choices of use 1 without a livestock choice.
std::vector<double> first_density_choices_short(DatabaseAccess& db, const MeasureTiming& t);
// Density choices of use k for the chosen livestock IDs of uses 1..k and the
// densities of uses 1..k-1.
std::vector<double> density_choices(DatabaseAccess& db, const MeasureTiming& t, int use,
                                    const std::vector<double>& densities, const std::vector<int>& ids);

// The measure of the last matching row; the initial record when none.
MeasureRecord find_measure(DatabaseAccess& db, const MeasureTiming& t, double density1, int id1);
// Same with densities and livestock IDs of all four uses.
MeasureRecord find_measure_full(DatabaseAccess& db, const MeasureTiming& t, const std::array<double, 4>& densities,
                                const std::array<int, 4>& ids);

// --- bulk loads -----------------------------------------------------------
std::vector<MeasureRecord> all_measures(DatabaseAccess& db);
std::vector<MeasureRecord> measures_by_selection(DatabaseAccess& db, int selection);
std::vector<MeasureRecord> measures_by_name_without_early_use(DatabaseAccess& db, const std::string& name);
std::vector<MeasureRecord> measures_with_early_use(DatabaseAccess& db);
std::vector<MeasureRecord> preselected_measures(DatabaseAccess& db);

// Fills a record from a `measures` row (numbered livestock columns);
// `is_refuge_strip` is set from the name.
MeasureRecord read_measure_row(sql::ResultSet& row);

}  // namespace pravel
