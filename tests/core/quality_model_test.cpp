#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <utility>

#include "common/random.h"
#include "core/quality_model.h"

namespace pravel {
namespace {

// A bird that lays half its eggs in quarter month 16 and half in 17, with a
// critical period of 2 and a reproduction period of 4 quarter months, and
// equal suitability of every vegetation height (so that H is exactly 1).
SpeciesRecord bird() {
    SpeciesRecord s;
    s.group = kGroupBird;
    s.eggs_by_quarter_month[15] = 0.5;
    s.eggs_by_quarter_month[16] = 0.5;
    s.critical_reproduction_period = 2;
    s.reproduction_period = 4;
    s.vegetation_requirement_short = 1.0;
    s.vegetation_requirement_medium = 1.0;
    s.vegetation_requirement_tall = 1.0;
    s.WES = 1.0;
    s.soil_moisture_requir_wet = 1.0;
    s.soil_moisture_requir_fresh = 1.0;
    s.soil_moisture_requir_dry = 1.0;
    s.praedation = 0.0;
    return s;
}

PixelRecord pixel() {
    PixelRecord p;
    p.number_of_grassland_types = 1;
    p.WES1 = 1.0;
    p.wet = 1.0;
    p.height1 = 100;
    p.growth_start = 13;
    return p;
}

MeasureEvaluation mowing(int a, int b = 0) {
    MeasureEvaluation m;
    m.measure.name = "mowing_1cut";
    m.measure.method_nr = b > 0 ? 2 : 1;
    m.measure.month_quarter_first_use = a;
    m.measure.distance_2use = b;
    return m;
}

MeasureEvaluation grazing(int a, double density, int b = 0, int c = 0, int d = 0) {
    MeasureEvaluation m;
    m.measure.name = "grazing_seas";
    m.measure.method_nr = 10;
    m.measure.month_quarter_first_use = a;
    m.measure.distance_2use = b;
    m.measure.distance_3use = c;
    m.measure.distance_4use = d;
    m.measure.livestockID_1 = 1;
    m.measure.livestock_density_1 = density;
    // Shares of every period sum to 1, so equal suitabilities give H = 1.
    for (int k = 0; k < 5; ++k) {
        m.measure.grazing_growth[3 * k] = 0.2;
        m.measure.grazing_growth[3 * k + 1] = 0.3;
        m.measure.grazing_growth[3 * k + 2] = 0.5;
    }
    return m;
}

TEST(SpatialFactor, HabitatClassMoistureAndPredationWeight) {
    struct Case {
        const char* label;
        double wes_w, wola_w, wkla_w;  // species weights
        bool ohg;
        int types;
        bool predation;
        double expected;
    } cases[] = {
        // Pixel: type 1 WES 0.8 WOLA 0.9 WKLA 0.3, type 2 WES 0.2 WOLA 0.1 WKLA 0.6; wet 0.5, fresh 0.5.
        // Moisture mean M = (0.5 * 1 + 0.5 * 0.5) / 2 = 0.375; praedation 0.4 -> t = 0.6, t*M = 0.225.
        {"WES weight", 1, 0, 0, false, 1, false, 0.8 * std::sqrt(0.225)},
        {"WES weight, OHG takes 1 off, not below 0", 1, 0, 0, true, 1, false, 0.0},
        {"WOLA weight, OHG takes 0.5 off", 0, 1, 0, true, 1, false, 0.4 * std::sqrt(0.225)},
        {"WKLA weight overrides the others, no OHG change", 1, 1, 1, true, 1, false, 0.3 * std::sqrt(0.225)},
        {"no weight keeps the type's WES", 0, 0, 0, true, 1, false, 0.8 * std::sqrt(0.225)},
        // Two types: WES = 0.7 * 0.8 + 0.3 * 0.2 = 0.62.
        {"two types mixed 0.7 / 0.3", 1, 0, 0, false, 2, false, 0.62 * std::sqrt(0.225)},
        // WKLA = 0.7 * 0.3 + 0.3 * 0.6 = 0.39.
        {"two types, WKLA", 0, 0, 1, false, 2, false, 0.39 * std::sqrt(0.225)},
        // Time-dependent predation: t = 1 -> sqrt(0.375).
        {"time-dependent predation", 1, 0, 0, false, 1, true, 0.8 * std::sqrt(0.375)},
    };
    for (const auto& c : cases) {
        SpeciesRecord s;
        s.WES = c.wes_w;
        s.WOLA = c.wola_w;
        s.WKLA = c.wkla_w;
        s.praedation = 0.4;
        s.soil_moisture_requir_wet = 1.0;
        s.soil_moisture_requir_fresh = 0.5;
        s.soil_moisture_requir_dry = 0.9;  // no dry share: does not count
        PixelRecord p;
        p.number_of_grassland_types = c.types;
        p.WES1 = 0.8;
        p.WOLA1 = 0.9;
        p.WKLA1 = 0.3;
        p.WES2 = 0.2;
        p.WOLA2 = 0.1;
        p.WKLA2 = 0.6;
        p.OHG = c.ohg;
        p.wet = 0.5;
        p.fresh = 0.5;
        EXPECT_NEAR(spatial_factor(s, p, c.predation), c.expected, 1e-12) << c.label;
    }
}

TEST(TemporalFactor, CutsSubstituteBroodsAndAltitude) {
    struct Case {
        const char* label;
        int a;
        int altitude;
        int last_substitute;
        double expected;
        double eggs_at_18 = 0.0;
    } cases[] = {
        // Use in 20: K(16) = 1 (20 >= 16 + 4), K(17) = 0.5 (19 <= 20 < 21). T = 0.5 + 0.25.
        {"late cut halves the later brood", 20, 0, 0, 0.75},
        // Use in 16: K(16) = 0 (16 <= 16 < 18), K(17) = 1. T = 0.5.
        {"cut in the brood's first quarter month", 16, 0, 0, 0.5},
        // At altitude a K below 0.2 becomes 0.25: T = 0.5 * 0.25 + 0.5.
        {"cut at altitude", 16, 1, 0, 0.625},
        // Substitute brood in 17: w = 0.5 + E(16) * 0.5 = 0.75. T = 0.75.
        {"substitute brood after the cut", 16, 0, 20, 0.75},
        // E(18) = 0.001 is not above 0.001: no substitute brood in 19. K(16) = 0.5 (18 in [18, 20)),
        // K(17) = 0, K(18) = 0 -> T = 0.25 (a substitute would add 0.0005).
        {"no substitute when the first use's eggs are at most 0.001", 18, 0, 40, 0.25, 0.001},
    };
    for (const auto& c : cases) {
        SpeciesRecord s = bird();
        s.last_monthquarter_substitut_brood = c.last_substitute;
        s.probability_succeccful_sub_brood = 0.5;
        s.eggs_by_quarter_month[17] = c.eggs_at_18;
        PixelRecord p = pixel();
        p.altitude = c.altitude;
        EXPECT_NEAR(temporal_factor(s, p, mowing(c.a), 0.0, false), c.expected, 1e-12) << c.label;
    }
}

TEST(TemporalFactor, TramplingSurvival) {
    const SpeciesRecord s = bird();
    const PixelRecord p = pixel();
    // Below 0.001 trampling does not count.
    EXPECT_NEAR(temporal_factor(s, p, grazing(16, 1.0), 0.0009, false), 1.0, 1e-12);
    // f = 0.1, one grazing period from 16 at 1 GV: brood of 16 exposed in
    // 16..20 (five quarter months), brood of 17 in 16..21.
    auto single = grazing(16, 1.0);
    single.measure.livestock_density_4 = 5.0;  // a period that never takes place
    const double expected = 0.5 * std::exp(-0.5) + 0.5 * std::exp(-0.6);
    EXPECT_NEAR(temporal_factor(s, p, single, 0.1, false), expected, 1e-12);
    // Two periods: 1 GV in 16..17, then 2 GV from 18 (a + b).
    auto two = grazing(16, 1.0, 2);
    two.measure.livestock_density_2 = 2.0;
    // Brood 16: 16,17 at 1 and 18,19,20 at 2 -> load 8; brood 17: 16..21 -> 2 + 8 = 10.
    EXPECT_NEAR(temporal_factor(s, p, two, 0.1, false), 0.5 * std::exp(-0.8) + 0.5 * std::exp(-1.0), 1e-12);
    // Grazing from 25: both broods end before (i + 2 < 25) and survive.
    EXPECT_NEAR(temporal_factor(s, p, grazing(25, 1.0), 0.1, false), 1.0, 1e-12);
}

TEST(TemporalFactor, SecondGenerationWithOverlapAndPredation) {
    SpeciesRecord s = bird();
    s.eggs_by_quarter_month.fill(0.0);
    s.eggs_by_quarter_month[9] = 0.4;   // qm 10
    s.eggs_by_quarter_month[19] = 0.4;  // qm 20
    s.eggs_by_quarter_month[24] = 0.2;  // qm 25
    s.second_generation_start = 20;
    s.second_generation_end = 30;
    const PixelRecord p = pixel();
    const auto late = mowing(40);  // no brood is touched
    // T1 = 0.4, T2 = 0.4 + 0.2 -> T = 0.5.
    EXPECT_NEAR(temporal_factor(s, p, late, 0.0, false), 0.5, 1e-12);
    // 50 % overlap: E(20) enters as 0.2 -> T2 = 0.4 -> T = 0.4.
    s.percent_for_overlap = 50.0;
    EXPECT_NEAR(temporal_factor(s, p, late, 0.0, false), 0.4, 1e-12);
    // Time-dependent predation of 0.25 in qm 10 and none listed past qm 12.
    s.predation_by_quarter_month = std::vector<double>(12, 0.0);
    s.predation_by_quarter_month[9] = 0.25;
    // T1 = 0.4 * 0.75 = 0.3, T2 = 0.4 -> 0.35; without the flag the list is ignored.
    EXPECT_NEAR(temporal_factor(s, p, late, 0.0, true), 0.35, 1e-12);
    EXPECT_NEAR(temporal_factor(s, p, late, 0.0, false), 0.4, 1e-12);
}

TEST(TemporalFactor, HeightClassBoundariesAndGrowthStart) {
    // One brood in quarter month q with a window of one quarter month and no
    // critical period; only medium vegetation suits it.
    auto species_at = [](int q, double vs, double vm) {
        SpeciesRecord s;
        s.eggs_by_quarter_month[q - 1] = 1.0;
        s.reproduction_period = 1;
        s.vegetation_requirement_short = vs;
        s.vegetation_requirement_medium = vm;
        return s;
    };
    struct Case {
        const char* label;
        int height_value;
        int altitude;
        int a;      // use quarter month
        int brood;  // quarter month of the brood
        double vs, vm;
        double expected;
    } cases[] = {
        // Stubble in the use quarter month: 5 cm * 2 = 10 cm is medium. K = 0.5 (use within the window).
        {"10 cm counts as medium", 200, 0, 20, 20, 0.0, 1.0, 0.5},
        {"30 cm counts as medium", 600, 0, 20, 20, 0.0, 1.0, 0.5},
        {"below 10 cm is short", 150, 0, 20, 20, 0.0, 1.0, 0.0},
        // No use yet, one quarter month after growth start 13: (5 + g) * 1.5 >= 13.5 cm, medium.
        {"growing after the growth start", 150, 0, 40, 14, 1.0, 0.0, 0.0},
        // At altitude growth starts two quarter months later: still 7.5 cm, short.
        {"altitude delays the growth start", 150, 1, 40, 14, 1.0, 0.0, 1.0},
    };
    for (const auto& c : cases) {
        PixelRecord p = pixel();
        p.height1 = c.height_value;
        p.altitude = c.altitude;
        EXPECT_NEAR(temporal_factor(species_at(c.brood, c.vs, c.vm), p, mowing(c.a), 0.0, false), c.expected,
                    1e-12)
            << c.label;
    }
}

// The mean suitability of one quarter month worked out draw by draw from the
// heights, against the model: the same value bit for bit and the generator
// left where ten draws leave it, for growths and height values whose heights
// fall in one class, straddle a class boundary or meet it exactly.
TEST(TemporalFactor, EveryDrawnValueGetsTheClassOfItsHeight) {
    SpeciesRecord s;
    s.eggs_by_quarter_month[19] = 1.0;  // one brood in quarter month 20
    s.reproduction_period = 1;
    s.vegetation_requirement_short = 0.25;
    s.vegetation_requirement_medium = 0.5;
    s.vegetation_requirement_tall = 1.0;
    const auto reference = [&](int months, double scale) {
        double total = 0.0;
        for (int n = 0; n < 10; ++n) {
            const double h = (5.0 + (static_cast<double>(rand15()) / RAND15_MAX + 4.0) * months) * scale;
            total += h < 10.0 ? 0.25 : h > 30.0 ? 1.0 : 0.5;
        }
        return total / 10;
    };
    const std::pair<int, int> heights[] = {{50, 0},  {100, 0}, {111, 0}, {150, 0}, {180, 0}, {200, 0}, {233, 0},
                                           {250, 0}, {300, 0}, {600, 0}, {37, 0},  {0, 0},   {120, 80}, {95, 140}};
    for (const auto& [h1, h2] : heights) {
        for (int months = 1; months <= 7; ++months) {
            PixelRecord p = pixel();
            p.height1 = h1;
            p.height2 = h2;
            p.number_of_grassland_types = h2 > 0 ? 2 : 1;
            p.growth_start = 20 - months;
            const double scale = (h2 > 0 ? 0.7 * h1 + 0.3 * h2 : h1) / 100.0;
            for (const std::uint32_t seed : {1u, 77u, 123456u}) {
                seed_random(seed);
                const double expected = reference(months, scale);
                const std::uint32_t after = random_state();
                seed_random(seed);
                const double got = temporal_factor(s, p, mowing(40), 0.0, false);
                EXPECT_EQ(got, expected) << "height " << h1 << "/" << h2 << ", growth " << months << ", seed " << seed;
                EXPECT_EQ(random_state(), after) << "height " << h1 << "/" << h2 << ", growth " << months;
            }
        }
    }
}

TEST(SpeciesQuality, ProductOfFactorsAndReproducibleDraws) {
    SpeciesRecord s = bird();
    s.vegetation_requirement_short = 0.0;
    s.vegetation_requirement_tall = 0.5;  // now the draws matter
    const PixelRecord p = pixel();
    const auto m = mowing(30);
    seed_random(7);
    const double first = species_quality(s, p, m, 0.0, false);
    seed_random(7);
    EXPECT_DOUBLE_EQ(species_quality(s, p, m, 0.0, false), first);
    EXPECT_GT(first, 0.0);
    EXPECT_LE(first, 1.0);
    // No spatial suitability: quality 0.
    PixelRecord bare = p;
    bare.WES1 = 0.0;
    EXPECT_EQ(species_quality(s, bare, m, 0.0, false), 0.0);
}

TEST(SpeciesQuality, UsesMustLieWithinTheYear) {
    struct Case {
        int a, b, c, d;
        bool ok;
    } cases[] = {{1, 0, 0, 0, true},   {48, 0, 0, 0, true}, {0, 4, 0, 0, false}, {40, 8, 0, 0, true},
                 {40, 8, 1, 0, false}, {20, 4, 4, 21, false}, {20, -2, 0, 0, false}};
    for (const auto& c : cases) {
        MeasureRecord m;
        m.month_quarter_first_use = c.a;
        m.distance_2use = c.b;
        m.distance_3use = c.c;
        m.distance_4use = c.d;
        EXPECT_EQ(uses_within_year(m), c.ok) << c.a << "/" << c.b << "/" << c.c << "/" << c.d;
    }
}

}  // namespace
}  // namespace pravel
