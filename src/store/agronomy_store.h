#pragma once
#include <array>
#include <vector>

namespace pravel {

class DatabaseAccess;

// Cost constants of one management method (tables `variable_costs`,
// `object_for_method`, `objectcosts`).
struct CostParameterSet {
    // Working values of the evaluation core; loading leaves them alone.
    double total = 0.0;   // sum of the cost items of the method
    double saving = 0.0;  // cost saving against the group's reference method

    int utilisation_years = 0;
    double amount_of_seeds = 0.0;
    double seed_price = 0.0;
    double seed_expense = 0.0;
    double amount_herbicide = 0.0;
    double price_per_herbicide = 0.0;
    double cost_of_pest_management = 0.0;
    double amount_fertilizer_N = 0.0;
    double legume_portion = 0.0;
    double amount_fertilizer_P = 0.0;
    double amount_fertilizer_K = 0.0;
    double costs_fertilisation = 0.0;
    double hired_labour = 0.0;
    double maschine_rental = 0.0;
    double silage_applicance_portion = 0.0;
    double costs_silage_other = 0.0;
    // Sums over the method's objects of the `objectcosts` columns
    // `hours_akh/ha`, `diesel_eur/ha`, `maintenance_eur/ha`, `other_eur/ha`,
    // each weighted by the object's quotient.
    double hours_akh_ha = 0.0;
    double diesel_eur_ha = 0.0;
    double maintenance_eur_ha = 0.0;
    double other_eur_ha = 0.0;
    double pasturecosts = 0.0;
    double personal_costs_per_Akh = 0.0;
    double optional_extra_cost = 0.0;
    // Replaced by the computed fertiliser saving in the evaluation core.
    double reduced_fertilisation_cost = 0.0;
};

// Feed values of one method (table `method`).
struct MethodFeedRow {
    int energy_matter_ref_380N = 0;
    int energy_matter_ref_245N = 0;
    double price_compensation_feed = 0.0;
    int faktor_compenstion_feed = 0;
    int methodID = 0;
};

// Usability, livestock and cut-correction constants of one measure, plus the
// yield model's working values. Arrays are indexed by use - 1.
struct UsabilityParameters {
    std::array<int, 4> livestockID{};
    std::array<double, 4> GVE{};
    std::array<double, 4> uptake_rate{};
    std::array<double, 4> GVE_copy{};
    std::array<double, 4> usability1{};
    std::array<int, 4> energy_content{};
    std::array<int, 4> N_fertilizer_max{};
    double disturbance_correction_dry_matter_first_cut = 0.0;
    double disturbance_correction_dry_matter_second_cut = 0.0;
    double disturbance_correction_dry_matter_other_cuts = 0.0;
    bool regrowth_delay_dry_matter_first_cut = false;
    bool regrowth_delay_dry_matter_second_cut = false;
    bool regrowth_delay_dry_matter_other_cuts = false;

    // Working values of the yield model.
    std::array<int, 4> nitrogen{};       // nitrogen assigned to each use
    std::array<int, 4> nitrogen_left{};  // nitrogen left after each use
    std::array<double, 4> regrowth_factor{};
    std::array<double, 4> yield{};
};

// The growth-rate band (table `growth_rate`, hightID 1).
struct GrowthRateRow {
    int hightID = 0;
    int grasslandvalue_max = 0;
    double livestock_density_max = 0.0;
    double livestock_density_min = 0.0;
    double low_min = 0.0;
    double medium_min = 0.0;
    double high_min = 0.0;
    double low_max = 0.0;
    double medium_max = 0.0;
    double high_max = 0.0;
};

void load_cost_parameters(DatabaseAccess& db, int method_nr, CostParameterSet& record);
MethodFeedRow load_method_feed(DatabaseAccess& db, int method_nr);
// d2..d4 are the measure's distances to its second to fourth use.
void load_usability_parameters(DatabaseAccess& db, UsabilityParameters& record, int method_nr, int first_use,
                               int d2, int d3, int d4, const std::array<int, 4>& livestock_ids,
                               const std::array<double, 4>& livestock_densities);
// `factor` of the last matching row; 0 when none matches.
double trampling_factor(DatabaseAccess& db, int livestock_id, double trampling_class);
GrowthRateRow load_growth_rate(DatabaseAccess& db);
// Appends 0 and then MV1..MV48 of each row of the level, so that with one row
// element k is the dry matter of quarter month k.
void load_dry_matter_curves(DatabaseAccess& db, int nitrogen_level, std::vector<int>& out);
// `regrowth_delay` of the last matching row; 0 when none matches.
int regrowth_delay(DatabaseAccess& db, int previous_cut, int next_cut);

// --- whole-table loads ------------------------------------------------------
// An evaluation run reads these tables once and looks values up in memory, so
// the number of statements does not grow with the species or the pixels.

// One row of `quarter_month_dry_matter`: MV1..MV48 at index 0..47.
struct DryMatterRow {
    int N_fertilizer = 0;
    std::array<int, 48> MV{};
};

// One row of `regrowth_delay_dry_matter`.
struct RegrowthDelayRow {
    int previous_cut = 0;
    int next_cut = 0;
    int regrowth_delay = 0;
};

// One row of `trampling_mortality`.
struct TramplingRow {
    double trampling_mortality_typ = 0.0;
    int livestockID = 0;
    double factor = 0.0;
};

// Every row of the table, in the server's order.
std::vector<DryMatterRow> load_all_dry_matter_rows(DatabaseAccess& db);
std::vector<RegrowthDelayRow> load_all_regrowth_delays(DatabaseAccess& db);
std::vector<TramplingRow> load_all_trampling_factors(DatabaseAccess& db);

}  // namespace pravel
