#include <gtest/gtest.h>

#include <cmath>
#include <numeric>
#include <set>
#include <tuple>

#include "core/measure_record.h"
#include "demo/agronomy.h"
#include "demo/catalogue.h"
#include "demo/profiles.h"

namespace pravel::demo {
namespace {

TEST(DemoCatalogue, CoversEveryMethodAndTypeName) {
    const auto catalogue = build_catalogue();
    EXPECT_GE(catalogue.size(), 300u);
    std::set<int> methods;
    std::set<std::string> names;
    for (const auto& m : catalogue) {
        methods.insert(m.record.method_nr);
        names.insert(m.record.name);
    }
    for (int k = 1; k <= 14; ++k) EXPECT_TRUE(methods.count(k)) << "method " << k;
    for (const char* n :
         {"mowing_1cut", "mowing_2cut", "mowing_3cut", "mowing_4cut", "refuge_strips", "grazing_rota1",
          "grazing_rota2", "grazing_rota3", "grazing_rota4", "grazing_seas", "mowing_pasture_rota1",
          "mowing_pasture_rota2", "mowing_pasture_rota3", "mowing_pasture_seas", "mowing_postpo", "refuge strips",
          "grazing_rot_postpo", "grazing_seas_postpo", "mowing1_grazing_rot", "mowing1_grazing_seas"})
        EXPECT_TRUE(names.count(n)) << n;
}

TEST(DemoCatalogue, MeasuresAreWellFormedAndNarrowToOneRow) {
    std::set<std::tuple<std::string, int, int, int, int, double, double, double, double, int, int, int, int>> keys;
    int preselected = 0;
    for (const auto& c : build_catalogue()) {
        const auto& m = c.record;
        SCOPED_TRACE(measure_list_line(m));
        // First uses from mid-April to September, distances 4 to 12, uses in order.
        EXPECT_GE(m.month_quarter_first_use, 14);
        EXPECT_LE(m.month_quarter_first_use, 36);
        const int d[3] = {m.distance_2use, m.distance_3use, m.distance_4use};
        bool ended = false;
        for (int x : d) {
            if (x == 0) {
                ended = true;
            } else {
                EXPECT_FALSE(ended) << "a use after a missing one";
                EXPECT_GE(x, 4);
                EXPECT_LE(x, 12);
            }
        }
        EXPECT_LE(m.month_quarter_first_use + d[0] + d[1] + d[2], 44);
        EXPECT_EQ(m.is_refuge_strip, m.name == "refuge strips");
        EXPECT_NE(measure_group(m), -1);
        const bool grazing_group = m.method_nr >= 6;
        EXPECT_EQ(m.livestockID_1 != 0, grazing_group);
        EXPECT_TRUE(keys.emplace(m.name, m.month_quarter_first_use, d[0], d[1], d[2], m.livestock_density_1,
                                 m.livestock_density_2, m.livestock_density_3, m.livestock_density_4,
                                 m.livestockID_1, m.livestockID_2, m.livestockID_3, m.livestockID_4)
                        .second)
            << "two rows answer the same choices";
        preselected += c.preselected;
    }
    EXPECT_GE(preselected, 20);
}

TEST(DemoAgronomy, EveryRequestedNitrogenLevelAndRegrowthPairExists) {
    const auto catalogue = build_catalogue();
    const auto data = build_agronomy(catalogue);
    const auto tables = data.growth_tables();
    std::set<std::pair<int, int>> pairs;
    for (const auto& r : data.regrowth) pairs.insert({r[0], r[1]});
    for (const auto& c : catalogue) {
        const auto& m = c.record;
        const int levels[3] = {120, 245, 380};
        for (int v : levels) {
            UsabilityParameters p = data.usability(m);
            use_yield_model(v, p, m.month_quarter_first_use, m.distance_2use, m.distance_3use, m.distance_4use,
                            tables);
            const int d[4] = {1, m.distance_2use, m.distance_3use, m.distance_4use};
            for (int k = 0; k < 4; ++k) {
                if (d[k] == 0) continue;
                EXPECT_TRUE(data.dry_matter.count(p.nitrogen[k]))
                    << measure_list_line(m) << " asks for level " << p.nitrogen[k];
            }
        }
    }
    // A use never grows more than a whole year, so rounded amounts stay in
    // the table's range; every pair of rounded amounts has a row.
    int year_max = 0;
    for (const auto& [level, series] : data.dry_matter)
        year_max = std::max(year_max, std::accumulate(series.begin(), series.end(), 0));
    EXPECT_LE(round_to_thousand(year_max), kMaxRoundedAmount);
    for (int a = 0; a <= kMaxRoundedAmount; a += 1000)
        for (int b = 0; b <= kMaxRoundedAmount; b += 1000) EXPECT_TRUE(pairs.count({a, b}));
}

TEST(DemoAgronomy, GrowthFollowsNitrogenAndSeason) {
    const auto data = build_agronomy(build_catalogue());
    auto total = [&](int level) {
        const auto& s = data.dry_matter.at(level);
        return std::accumulate(s.begin(), s.end(), 0);
    };
    EXPECT_NEAR(total(0), 5000, 100);
    EXPECT_NEAR(total(380), 11500, 100);
    EXPECT_LT(total(120), total(245));
    const auto& s = data.dry_matter.at(245);
    const auto peak = std::max_element(s.begin(), s.end()) - s.begin() + 1;
    EXPECT_GE(peak, 17) << "peak growth in May";
    EXPECT_LE(peak, 20);
    EXPECT_EQ(s[0], 0) << "no growth in January";
    for (int m = 1; m <= 14; ++m) EXPECT_GT(data.method_feed[m - 1].energy_matter_ref_380N, 0);
}

TEST(DemoProfiles, EggCalendarsSumToOneAndLinksExist) {
    const auto profiles = build_profiles();
    const auto grasslands = build_grasslands();
    std::set<std::string> groups;
    for (const auto& s : profiles) {
        const double sum = std::accumulate(s.eggs_by_quarter_month.begin(), s.eggs_by_quarter_month.end(), 0.0);
        EXPECT_NEAR(sum, 1.0, 1e-9) << s.name;
        groups.insert(s.group);
        for (int g : s.grassland_ids) EXPECT_LE(static_cast<std::size_t>(g), grasslands.size()) << s.name;
        if (s.group == kGroupButterfly) {
            EXPECT_FALSE(s.grassland_ids.empty()) << s.name;
        }
        EXPECT_LT(s.critical_reproduction_period, s.reproduction_period) << s.name;
    }
    EXPECT_EQ(groups, (std::set<std::string>{kGroupBird, kGroupButterfly, kGroupHabitat}));
}

}  // namespace
}  // namespace pravel::demo
