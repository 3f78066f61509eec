#pragma once
#include <array>
#include <vector>

#include "store/measure_store.h"

namespace pravel {

// Yields of one nitrogen set of a measure (index k - 1 for use k).
struct NitrogenSet {
    int level = 0;                    // kg N/ha the set was computed for
    std::array<double, 4> yield{};    // Y1..Y4
    std::array<int, 4> energy{};      // E1..E4 (E2 is the grazing uptake for method 14)
    int reference_energy = 0;         // energy of the reference feed
    double nitrogen_value = 0.0;      // term N of the feed-value loss (the set's fertiliser saving)
};

// Everything the pixel loop needs to know about one measure, prepared once
// per run.
struct MeasureEvaluation {
    MeasureRecord measure;           // working copy, growth values filled in
    std::vector<double> trampling;   // factor per species, species order
    NitrogenSet set_a;               // ordinary manure status
    NitrogenSet set_b;               // water-protection zones (manure status 1)
    double price_compensation_feed = 0.0;
    int faktor_compenstion_feed = 0;
    double payment = 0.0;
    double cost_saving = 0.0;        // against the group's reference method
    std::array<double, 15> growth_rates{};
    // False when the measure can be applied nowhere (use quarter months
    // outside the year, unknown method, no feed values for its method).
    bool applicable = true;
};

}  // namespace pravel
