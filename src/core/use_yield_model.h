#pragma once
#include <array>
#include <map>
#include <utility>
#include <vector>

#include "store/agronomy_store.h"

namespace pravel {

// Dry-matter growth series (kg DM/ha per quarter month, by nitrogen level)
// and regrowth delays (days, by previous and next amount rounded to
// thousands), loaded once per evaluation run.
class GrowthTables {
public:
    // Element q (1..48) is the growth of quarter month q; element 0 is 0. A
    // level without a row gives all zeros.
    using Series = std::array<int, 49>;

    void set_series(int nitrogen_level, const std::array<int, 48>& values);
    void set_regrowth_delay(int previous_cut, int next_cut, int days);

    const Series& series(int nitrogen_level) const;
    // Sum of the series of the level over quarter months first..last
    // (inclusive); quarter months outside 1..48 grow nothing.
    int growth(int nitrogen_level, int first, int last) const;
    // 0 when the pair has no row.
    int regrowth_delay(int previous_cut, int next_cut) const;

private:
    std::map<int, Series> series_;
    std::map<std::pair<int, int>, int> delays_;
};

// Outcome of the uses of one measure at one nitrogen level. Index k - 1 for
// use k.
struct UseYields {
    std::array<double, 4> yield{};       // usable dry matter Y1..Y4
    std::array<int, 4> energy{};         // energy contents E1..E4
};

struct FertiliserOutcome {
    UseYields uses;
    double saving = 0.0;  // Euro/ha, never below 0
};

// Nitrogen limit above which leftover nitrogen is valued, and its price.
inline constexpr int kNitrogenLimit = 170;
inline constexpr double kNitrogenPrice = 1.34;  // Euro per kg N
// Days of a quarter month for regrowth delays and for grazing uptake.
inline constexpr int kDaysPerQuarterMonthRegrowth = 7;
inline constexpr double kDaysPerQuarterMonthGrazing = 7.5;

// Rounds to the nearest thousand, a remainder of 500 rounding up.
int round_to_thousand(int amount);

// Dry-matter yields of the uses at first-use quarter month a and distances
// b, c, d (0: that use does not take place) for nitrogen level v. Leaves the
// nitrogen assigned to and left after each use in `p`.
UseYields use_yield_model(int v, UsabilityParameters& p, int a, int b, int c, int d, const GrowthTables& tables);

// Yields, energies and fertiliser saving of a measure by its method number;
// `u` is the value of a kilogram of nitrogen beyond the limit.
FertiliserOutcome fertiliser_saving(int a, int b, int c, int d, int method_nr, UsabilityParameters& p,
                                    const std::array<double, 4>& livestock_densities, double u, int v,
                                    const GrowthTables& tables);

}  // namespace pravel
