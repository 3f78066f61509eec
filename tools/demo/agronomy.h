#pragma once
#include <array>
#include <map>
#include <ostream>
#include <vector>

#include "core/use_yield_model.h"
#include "demo/catalogue.h"
#include "store/agronomy_store.h"

namespace pravel::demo {

// Nitrogen levels with a dry-matter series: every multiple of 5 from 0 to
// 380 kg N/ha. Every level the yield model can ask for is one of them,
// because the levels it is run at (120, 245, 380) and every maximum
// nitrogen of a use are multiples of 5, and so is every remainder.
inline constexpr int kNitrogenStep = 5;
inline constexpr int kMaxNitrogen = 380;
// Rounded dry-matter amounts with a regrowth-delay row (kg DM/ha).
inline constexpr int kMaxRoundedAmount = 20000;

struct ObjectCost {
    int objectID;
    const char* name;
    double hours, diesel, maintenance, other;  // per ha and pass
};

struct MethodCosts {
    int method;
    double maschine_rental, hired_labour, pasturecosts, optional_extra_cost, cost_of_pest_management,
        costs_silage_other, costs_fertilisation, seed_expense, amount_fertilizer_N;
    std::vector<std::pair<int, double>> objects;  // objectID, passes per year
};

struct UsabilityRow {
    int key;  // quarter month of a first cut, or interval of a later cut
    int N_fertilizer_max;
    double usability1;
    int energy_content;
};

struct CutUseRow {
    int method;
    std::array<double, 3> correction;
    std::array<bool, 3> regrowth_delay;
};

// Every agronomic table of the demo data, in memory.
struct AgronomyData {
    std::map<int, std::array<int, 48>> dry_matter;  // by nitrogen level
    std::vector<std::array<int, 3>> regrowth;       // previous, next, delay days
    std::vector<UsabilityRow> first_cut;
    std::vector<UsabilityRow> other_cuts;
    std::vector<CutUseRow> cut_use;
    std::vector<ObjectCost> objects;
    std::vector<MethodCosts> costs;
    std::vector<MethodFeedRow> method_feed;
    std::vector<std::array<double, 3>> trampling;  // class, livestockID, factor
    GrowthRateRow growth_rate;
    double personal_costs_per_Akh = 0.0;

    GrowthTables growth_tables() const;
    // Usability parameters of a catalogue measure, as the loader would fill them.
    UsabilityParameters usability(const MeasureRecord& m) const;
};

// Builds every table; the reference energies of the method table are
// computed with the yield model from the most intensive catalogue measures.
AgronomyData build_agronomy(const std::vector<CatalogueMeasure>& catalogue);

void write_agronomy(std::ostream& sql, const AgronomyData& data);

}  // namespace pravel::demo
