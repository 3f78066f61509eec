#include "core/evaluation_run.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "common/feedback.h"

namespace pravel {
namespace {

// A grassland pixel that every selection rule lets through: land use "3",
// economic value 50, fresh soil, manure status 0, mowing allowed, one
// grassland type at 100 % quantity and energy.
PixelRecord grass_pixel(int id = 1) {
    PixelRecord p;
    p.pixelID = id;
    p.x_coordinate = 1000 + id;
    p.y_coordinate = 2000 + id;
    p.land_use_type = "3";
    p.grassland_economic_value = 50;
    p.fresh = 1.0;
    p.number_of_grassland_types = 1;
    p.quantity1 = 100;
    p.energy1 = 100;
    return p;
}

// A prepared measure of the method whose feed energy (0) lies below its
// reference (1000 x energy), so the feed-energy test lets it through.
MeasureEvaluation prepared_measure(int method_nr, int measure_id = 1) {
    MeasureEvaluation me;
    me.measure.measureID = measure_id;
    me.measure.method_nr = method_nr;
    me.measure.month_quarter_first_use = 20;
    me.set_a.reference_energy = 1000;
    me.set_b.reference_energy = 1000;
    me.price_compensation_feed = 0.1;
    me.faktor_compenstion_feed = 1;
    return me;
}

SpeciesRecord species(int id) {
    SpeciesRecord s;
    s.speciesID = id;
    return s;
}

// Inputs with one raster row holding the given pixels.
EvaluationInputs one_row(const std::vector<PixelRecord>& pixels, std::vector<MeasureEvaluation> measures) {
    EvaluationInputs in;
    in.pixels = PixelRaster(1, static_cast<int>(pixels.size()));
    for (std::size_t j = 0; j < pixels.size(); ++j) in.pixels.at(0, static_cast<int>(j)) = pixels[j];
    in.measures = std::move(measures);
    return in;
}

EvaluationRequest one_species_request(double minimum = 0.0) {
    EvaluationRequest r;
    r.species = {species(7)};
    r.minimum_qualities = {minimum};
    return r;
}

// Quality stub: a fixed value per species ID (1 when not listed).
QualityFunction fixed_quality(std::map<int, double> by_species = {}) {
    return [by_species](const SpeciesRecord& s, const PixelRecord&, const MeasureEvaluation&, double, bool) {
        auto it = by_species.find(s.speciesID);
        return it == by_species.end() ? 1.0 : it->second;
    };
}

TEST(EvaluationRunSelection, GrasslandTestOnLandUseEconomicValueAndMoisture) {
    struct Case {
        const char* what;
        std::string land_use;
        int economic_value;
        double wet, fresh, dry;
        bool evaluated;
    };
    const std::vector<Case> cases = {
        {"economic value 14", "3", 14, 0, 1, 0, false},
        {"economic value 15", "3", 15, 0, 1, 0, true},
        {"land use 4", "4", 60, 0.5, 0, 0, true},
        {"land use 2 (cropland)", "2", 60, 0, 1, 0, false},
        {"land use 34 is not 3", "34", 60, 0, 1, 0, false},
        {"all moisture shares 0", "3", 60, 0, 0, 0, false},
        {"only a dry share", "3", 60, 0, 0, 0.2, true},
        {"only a wet share", "4", 60, 0.3, 0, 0, true},
    };
    for (const Case& c : cases) {
        PixelRecord p = grass_pixel();
        p.land_use_type = c.land_use;
        p.grassland_economic_value = c.economic_value;
        p.wet = c.wet;
        p.fresh = c.fresh;
        p.dry = c.dry;
        const auto results = evaluate(one_row({p}, {prepared_measure(2)}), one_species_request(), nullptr,
                                      fixed_quality());
        ASSERT_EQ(results.size(), 1u);
        EXPECT_EQ(results[0].size(), c.evaluated ? 1u : 0u) << c.what;
    }
}

TEST(EvaluationRunSelection, MeadPastMowAndManureStatusAgainstMethodGroups) {
    struct Case {
        int mead_past_mow;
        int manure;
        int method;
        bool evaluated;
    };
    const std::vector<Case> cases = {
        {0, 0, 1, true},  {0, 0, 5, true},   {0, 0, 6, false},  {0, 0, 11, false},
        {1, 0, 6, true},  {1, 0, 10, true},  {1, 0, 5, false},  {1, 0, 11, false},
        {2, 0, 11, true}, {2, 0, 14, true},  {2, 0, 10, false}, {2, 0, 1, false},
        {0, 1, 3, true},  {1, 1, 8, true},   {0, 2, 3, false},  {1, 2, 8, false},
        {2, 2, 12, false}, {3, 0, 1, false},
    };
    for (const Case& c : cases) {
        PixelRecord p = grass_pixel();
        p.mead_past_mow = c.mead_past_mow;
        p.manure_status_grass_cropland = c.manure;
        const auto results = evaluate(one_row({p}, {prepared_measure(c.method)}), one_species_request(), nullptr,
                                      fixed_quality());
        EXPECT_EQ(results[0].size(), c.evaluated ? 1u : 0u)
            << "mead_past_mow " << c.mead_past_mow << ", manure " << c.manure << ", method " << c.method;
    }
}

TEST(EvaluationRunSelection, QualityAtTheMinimumQualifiesAndBelowIsStoredAsZero) {
    EvaluationRequest request;
    request.species = {species(1), species(2), species(3)};
    request.minimum_qualities = {0.5, 0.5, 0.25};
    const EvaluationInputs in = one_row({grass_pixel()}, {prepared_measure(2)});

    // Species 1 exactly at its minimum, species 2 below it, species 3 above.
    auto results = evaluate(in, request, nullptr, fixed_quality({{1, 0.5}, {2, 0.49}, {3, 0.3}}));
    ASSERT_EQ(results[0].size(), 1u);
    const auto& q = results[0][0].qualities;
    ASSERT_EQ(q.size(), 3u);
    EXPECT_EQ(q[0].speciesID, 1);
    EXPECT_DOUBLE_EQ(q[0].quality, 0.5);
    EXPECT_EQ(q[1].speciesID, 2);
    EXPECT_DOUBLE_EQ(q[1].quality, 0.0);
    EXPECT_EQ(q[2].speciesID, 3);
    EXPECT_DOUBLE_EQ(q[2].quality, 0.3);

    // Only species 2 qualifies: the pixel is still recorded, the others at 0.
    results = evaluate(in, request, nullptr, fixed_quality({{1, 0.1}, {2, 0.7}, {3, 0.2}}));
    ASSERT_EQ(results[0].size(), 1u);
    EXPECT_DOUBLE_EQ(results[0][0].qualities[0].quality, 0.0);
    EXPECT_DOUBLE_EQ(results[0][0].qualities[1].quality, 0.7);
    EXPECT_DOUBLE_EQ(results[0][0].qualities[2].quality, 0.0);

    // No species qualifies: nothing is recorded.
    results = evaluate(in, request, nullptr, fixed_quality({{1, 0.4999}, {2, 0.0}, {3, 0.2}}));
    EXPECT_TRUE(results[0].empty());
}

TEST(EvaluationRunSelection, OnlyMeasuresBelowTheReferenceFeedEnergyAreRecorded) {
    // One type at 100 %: W = Y1 x E1, F = R = 1000.
    struct Case {
        double y1;
        bool recorded;
    };
    for (const Case& c : std::vector<Case>{{9.99, true}, {10.0, false}, {12.0, false}}) {
        MeasureEvaluation me = prepared_measure(2);
        me.set_a.yield = {c.y1, 0, 0, 0};
        me.set_a.energy = {100, 0, 0, 0};
        const auto results = evaluate(one_row({grass_pixel()}, {me}), one_species_request(), nullptr,
                                      fixed_quality());
        EXPECT_EQ(results[0].size(), c.recorded ? 1u : 0u) << "Y1 = " << c.y1;
    }
}

TEST(EvaluationRunSelection, MeasureThatCannotBeEvaluatedGivesAnEmptyListAndOthersCarryOn) {
    MeasureEvaluation blocked = prepared_measure(2, 1);
    blocked.applicable = false;
    MeasureEvaluation unknown_method = prepared_measure(15, 2);
    const MeasureEvaluation ordinary = prepared_measure(3, 3);
    const auto results = evaluate(one_row({grass_pixel(1), grass_pixel(2)}, {blocked, unknown_method, ordinary}),
                                  one_species_request(), nullptr, fixed_quality());
    ASSERT_EQ(results.size(), 3u);
    EXPECT_TRUE(results[0].empty());
    EXPECT_TRUE(results[1].empty());
    EXPECT_EQ(results[2].size(), 2u) << "the measure index counts every measure";
}

TEST(EvaluationRunResults, CarryPixelIdentityPositionAndOneSharedMeasure) {
    EvaluationInputs in;
    in.pixels = PixelRaster(2, 2);
    in.pixels.at(0, 1) = grass_pixel(11);
    in.pixels.at(1, 0) = grass_pixel(12);
    in.measures = {prepared_measure(4, 42)};
    const auto results = evaluate(in, one_species_request(), nullptr, fixed_quality());
    ASSERT_EQ(results[0].size(), 2u);
    const PixelResult& first = results[0][0];
    EXPECT_EQ(first.pixelID, 11);
    EXPECT_EQ(first.x_coordinate, 1011);
    EXPECT_EQ(first.y_coordinate, 2011);
    EXPECT_EQ(first.row, 0);
    EXPECT_EQ(first.column, 1);
    EXPECT_EQ(results[0][1].pixelID, 12);
    EXPECT_EQ(results[0][1].row, 1);
    EXPECT_EQ(results[0][1].column, 0);
    ASSERT_TRUE(first.measure);
    EXPECT_EQ(first.measure->measureID, 42);
    EXPECT_EQ(first.measure.get(), results[0][1].measure.get());
}

TEST(EvaluationRunResults, QualityModelReceivesTheSpeciesTramplingFactorAndPredationOption) {
    MeasureEvaluation me = prepared_measure(7);
    me.trampling = {0.0, 0.35};
    EvaluationRequest request;
    request.species = {species(1), species(2)};
    request.minimum_qualities = {0.0, 0.0};
    request.time_dependent_predation = true;
    std::vector<std::pair<int, double>> calls;
    bool predation_seen = false;
    PixelRecord p = grass_pixel();
    p.mead_past_mow = 1;
    evaluate(one_row({p}, {me}), request, nullptr,
             [&](const SpeciesRecord& s, const PixelRecord&, const MeasureEvaluation&, double t, bool predation) {
                 calls.emplace_back(s.speciesID, t);
                 predation_seen = predation;
                 return 1.0;
             });
    const std::vector<std::pair<int, double>> expected = {{1, 0.0}, {2, 0.35}};
    EXPECT_EQ(calls, expected);
    EXPECT_TRUE(predation_seen);
}

TEST(EvaluationRunResults, ProgressPerRowAndCancellationKeepsTheRowsDone) {
    EvaluationInputs in;
    in.pixels = PixelRaster(3, 2);
    int id = 1;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 2; ++j) in.pixels.at(i, j) = grass_pixel(id++);
    in.measures = {prepared_measure(2)};

    std::vector<std::pair<long long, long long>> reports;
    Feedback feedback;
    feedback = Feedback([&](const Feedback::Progress& p) {
        reports.emplace_back(p.step, p.total);
        if (p.step >= 4) feedback.cancel();
    });
    const auto results = evaluate(in, one_species_request(), &feedback, fixed_quality());
    const std::vector<std::pair<long long, long long>> expected = {{2, 6}, {4, 6}};
    EXPECT_EQ(reports, expected);
    ASSERT_EQ(results[0].size(), 4u) << "the first two rows stay evaluated";
    EXPECT_EQ(results[0].back().pixelID, 4);
}

// --- margins ----------------------------------------------------------------

struct MarginCase {
    const char* what;
    int method;
    bool refuge_strip;
    bool two_types;
    int manure;
    double additional_cost;
    double distance_factor;
    double w, f, without_payment, with_payment;
};

// Pixel: economic value 80; type 1 quantity 90, energy 110; type 2 quantity
// 60, energy 80. Feed price 0.3 per 10 units, cost saving 20, payment -7.
// Set A: Y = 30, 20, 0, 0; E = 60, 55, 0, 0 (method 10: E1 = 2400 uptake;
// method 14: E2 = 900 uptake); R = 3000; N = 13.4.
// Set B: Y = 25, 15, 10, 0; E = 58, 54, 50, 0; R = 2500; N = 0.
// One type: q = 0.9, e = 1.1. Two types: q = 0.7 * 0.9 + 0.3 * 0.6 = 0.81,
// e = 0.7 * 1.1 + 0.3 * 0.8 = 1.01.
TEST(EvaluationRunMargin, WorkedOutByHandForMethodsAndGrasslandTypes) {
    const std::vector<MarginCase> cases = {
        // W = 1.1 * 0.9 * (30*60 + 20*55) = 2871; F = 3300;
        // L = -429 * 0.03 + 13.4 = 0.53; 0.8 * 0.53 + 20 - 10 * 1.5 = 5.424.
        {"method 2, one type", 2, false, false, 0, 10, 1.5, 2871, 3300, 5.424, -1.576},
        // Same with a distance cost factor of 0: 0.424 + 20.
        {"distance factor 0", 2, false, false, 0, 10, 0, 2871, 3300, 20.424, 13.424},
        // W = 2871 * 0.92 = 2641.32; L = -658.68 * 0.03 + 13.4 = -6.3604;
        // 0.8 * L + 5 = -0.08832.
        {"refuge strips", 2, true, false, 0, 10, 1.5, 2641.32, 3300, -0.08832, -7.08832},
        // Set B, two types: W = 0.81 * 1.01 * (25*58 + 15*54 + 10*50)
        // = 0.8181 * 2760 = 2257.956; F = 2525; L = -267.044 * 0.03
        // = -8.01132; 0.8 * L + 20 = 13.590944.
        {"method 12, two types, manure 1", 12, false, true, 1, 0, 1.5, 2257.956, 2525, 13.590944, 6.590944},
        // W = 2400; F = 3300; L = -900 * 0.03 = -27 (no N); -21.6 + 5.
        {"method 10, one type", 10, false, false, 0, 10, 1.5, 2400, 3300, -16.6, -23.6},
        // F = 3000 * 1.01 = 3030; L = -630 * 0.03 = -18.9; -15.12 + 20.
        {"method 10, two types", 10, false, true, 0, 0, 1.5, 2400, 3030, 4.88, -2.12},
        // W = 30 * 0.9 * 60 * 1.1 + 900 = 2682; L = -618 * 0.03 + 13.4
        // = -5.14; -4.112 + 5.
        {"method 14, one type", 14, false, false, 0, 10, 1.5, 2682, 3300, 0.888, -6.112},
        // W = (30 * 0.81) * (60 * 1.01) + 900 = 2372.58; F = 3030;
        // L = -657.42 * 0.03 + 13.4 = -6.3226; -5.05808 + 5.
        {"method 14, two types", 14, false, true, 0, 10, 1.5, 2372.58, 3030, -0.05808, -7.05808},
    };
    for (const MarginCase& c : cases) {
        PixelRecord p = grass_pixel();
        p.grassland_economic_value = 80;
        p.quantity1 = 90;
        p.energy1 = 110;
        p.quantity2 = 60;
        p.energy2 = 80;
        p.number_of_grassland_types = c.two_types ? 2 : 1;
        p.manure_status_grass_cropland = c.manure;
        p.additional_cost = c.additional_cost;

        MeasureEvaluation me = prepared_measure(c.method);
        me.measure.is_refuge_strip = c.refuge_strip;
        me.price_compensation_feed = 0.3;
        me.faktor_compenstion_feed = 10;
        me.cost_saving = 20;
        me.payment = -7;
        me.set_a.yield = {30, 20, 0, 0};
        me.set_a.energy = {60, 55, 0, 0};
        me.set_a.reference_energy = 3000;
        me.set_a.nitrogen_value = 13.4;
        me.set_b.yield = {25, 15, 10, 0};
        me.set_b.energy = {58, 54, 50, 0};
        me.set_b.reference_energy = 2500;
        me.set_b.nitrogen_value = 0.0;
        if (c.method == 10) {
            me.set_a.yield = {};
            me.set_a.energy = {2400, 0, 0, 0};
        }
        if (c.method == 14) {
            me.set_a.yield = {30, 0, 0, 0};
            me.set_a.energy = {60, 900, 0, 0};
        }

        const PixelMargin m = pixel_margin(p, me, c.distance_factor);
        EXPECT_NEAR(m.measure_energy, c.w, 1e-9) << c.what;
        EXPECT_NEAR(m.reference_energy, c.f, 1e-9) << c.what;
        EXPECT_NEAR(m.without_payment, c.without_payment, 1e-9) << c.what;
        EXPECT_NEAR(m.with_payment, c.with_payment, 1e-9) << c.what;

        // The run stores the same margins with the pixel.
        p.mead_past_mow = c.method <= 5 ? 0 : c.method <= 10 ? 1 : 2;
        EvaluationRequest request = one_species_request();
        request.distance_cost_factor = c.distance_factor;
        const auto results = evaluate(one_row({p}, {me}), request, nullptr, fixed_quality());
        ASSERT_EQ(results[0].size(), 1u) << c.what;
        EXPECT_NEAR(results[0][0].margin_without_payment, c.without_payment, 1e-9) << c.what;
        EXPECT_NEAR(results[0][0].margin_with_payment, c.with_payment, 1e-9) << c.what;
    }
}

// --- preparation ------------------------------------------------------------

TEST(EvaluationRunPreparation, CostTotalsAndSavingsAgainstTheGroupReference) {
    std::array<CostParameterSet, kMethodCount> costs{};
    // Method 1: every item once, so the total is their sum:
    // 1 + 2 + 3 + 4 + 5 + 6 + 7 + 8 + 10 * 1.5 + 9 + 11 + 12 = 83.
    CostParameterSet& m1 = costs[0];
    m1.maschine_rental = 1;
    m1.hired_labour = 2;
    m1.pasturecosts = 3;
    m1.optional_extra_cost = 4;
    m1.cost_of_pest_management = 5;
    m1.costs_silage_other = 6;
    m1.costs_fertilisation = 7;
    m1.seed_expense = 8;
    m1.personal_costs_per_Akh = 10;
    m1.hours_akh_ha = 1.5;
    m1.other_eur_ha = 9;
    m1.diesel_eur_ha = 11;
    m1.maintenance_eur_ha = 12;
    // Items that are not costs of the method leave the total alone.
    m1.seed_price = 1000;
    m1.reduced_fertilisation_cost = 1000;
    EXPECT_DOUBLE_EQ(method_cost_total(m1), 83.0);

    // Other methods: total 10 * method number, through one item.
    for (int m = 2; m <= kMethodCount; ++m) costs[m - 1].maschine_rental = 10.0 * m;
    const auto saving = cost_savings(costs);
    const std::map<int, double> expected = {
        {1, 0.0},        {2, 83 - 20.0},  {3, 83 - 30.0},  {4, 83 - 40.0},  {5, 0.0},
        {6, 0.0},        {7, 60 - 70.0},  {8, 60 - 80.0},  {9, 60 - 90.0},  {10, 60 - 100.0},
        {11, 0.0},       {12, 110 - 120.0}, {13, 110 - 130.0}, {14, 110 - 140.0},
    };
    for (const auto& [method, value] : expected) EXPECT_DOUBLE_EQ(saving[method - 1], value) << "method " << method;
}

TEST(EvaluationRunPreparation, GrowthRatesInterpolatedBetweenTheBandLimits) {
    GrowthRateRow band;
    band.livestock_density_min = 0.5;
    band.livestock_density_max = 2.5;
    band.low_min = 0.2;
    band.low_max = 0.6;
    band.medium_min = 0.3;
    band.medium_max = 0.3;
    band.high_min = 0.5;
    band.high_max = 0.1;
    MeasureRecord m;
    m.livestock_density_1 = 1.0;  // a quarter of the way: 0.3, 0.3, 0.4
    m.livestock_density_2 = 1.5;  // half way: 0.4, 0.3, 0.3
    m.livestock_density_3 = 2.5;  // the maximum: 0.6, 0.3, 0.1
    m.livestock_density_4 = 0.0;  // below the band, extended: 0.1, 0.3, 0.6
    m.summary_livestock_density = 2.0;  // three quarters: 0.5, 0.3, 0.2
    const std::array<double, 15> expected = {0.3, 0.3, 0.4, 0.4, 0.3, 0.3, 0.6, 0.3, 0.1,
                                             0.1, 0.3, 0.6, 0.5, 0.3, 0.2};
    auto v = interpolate_growth_rates(band, m);
    for (int k = 0; k < 15; ++k) EXPECT_NEAR(v[k], expected[k], 1e-12) << "value " << k;

    // A summary density of at most 0.4 leaves the fifth triple at 0.
    m.summary_livestock_density = 0.4;
    v = interpolate_growth_rates(band, m);
    EXPECT_EQ(v[12], 0.0);
    EXPECT_EQ(v[13], 0.0);
    EXPECT_EQ(v[14], 0.0);

    // A band without width gives its lower values at every density.
    band.livestock_density_max = band.livestock_density_min;
    m.summary_livestock_density = 1.2;
    v = interpolate_growth_rates(band, m);
    for (int k = 0; k < 15; k += 3) {
        EXPECT_DOUBLE_EQ(v[k], 0.2);
        EXPECT_DOUBLE_EQ(v[k + 1], 0.3);
        EXPECT_DOUBLE_EQ(v[k + 2], 0.5);
    }
}

// Inputs for preparing measures: feed values of every method, a growth
// band, growth series for 100 and 80 kg N and two trampling rows.
EvaluationInputs preparation_inputs() {
    EvaluationInputs in;
    for (int m = 1; m <= kMethodCount; ++m) {
        in.method_feed[m - 1] = {3000 + m, 2500 + m, 0.25, 4, m};
        in.method_costs[m - 1].maschine_rental = 10.0 * m;
    }
    in.growth_rate.livestock_density_min = 0.0;
    in.growth_rate.livestock_density_max = 2.0;
    in.growth_rate.low_max = 1.0;  // low share = density / 2
    std::array<int, 48> hundred{};
    hundred.fill(100);
    std::array<int, 48> fifty{};
    fifty.fill(50);
    in.growth_tables.set_series(100, hundred);
    in.growth_tables.set_series(80, fifty);
    in.trampling = {{2.0, 1, 0.01}, {2.0, 2, 0.03}, {3.0, 1, 0.2}, {2.0, 1, 0.02}};
    return in;
}

// Use 1 may take 100 kg N, use 2 80 kg; usable shares 0.5; no regrowth delay.
UsabilityParameters two_use_usability() {
    UsabilityParameters p;
    p.N_fertilizer_max = {100, 80, 0, 0};
    p.usability1 = {0.5, 0.5, 0, 0};
    p.energy_content = {60, 55, 0, 0};
    p.disturbance_correction_dry_matter_first_cut = 1.0;
    p.disturbance_correction_dry_matter_second_cut = 1.0;
    return p;
}

TEST(EvaluationRunPreparation, NitrogenSetsCarryTheFertiliserSavingAsNitrogenValue) {
    EvaluationInputs in = preparation_inputs();
    EvaluationRequest request;
    MeasureRecord mowing;
    mowing.method_nr = 1;
    mowing.month_quarter_first_use = 20;
    mowing.distance_2use = 8;
    mowing.payment = -12.5;
    MeasureRecord mow_graze = mowing;
    mow_graze.method_nr = 12;
    request.measures = {mowing, mow_graze};
    in.usability = {two_use_usability(), two_use_usability()};

    const auto prepared = prepare_measures(in, request);
    ASSERT_EQ(prepared.size(), 2u);

    // Method 1 at 380 kg: use 1 takes 100 (280 left), use 2 takes 80 (200
    // left, carried past uses 3 and 4). 380 - 200 >= 170: saving 200 * 1.34.
    // Y1 = 0.5 * 20 quarter months * 100 = 1000, Y2 = 0.5 * 8 * 50 = 200.
    const MeasureEvaluation& a = prepared[0];
    EXPECT_TRUE(a.applicable);
    EXPECT_EQ(a.set_a.level, 380);
    EXPECT_EQ(a.set_a.reference_energy, 3001);
    EXPECT_NEAR(a.set_a.nitrogen_value, 268.0, 1e-9);
    EXPECT_NEAR(a.set_a.yield[0], 1000.0, 1e-9);
    EXPECT_NEAR(a.set_a.yield[1], 200.0, 1e-9);
    EXPECT_EQ(a.set_a.energy[1], 55);
    // At 245 kg: 65 left, 245 - 65 >= 170: 65 * 1.34 = 87.1.
    EXPECT_EQ(a.set_b.level, 245);
    EXPECT_EQ(a.set_b.reference_energy, 2501);
    EXPECT_NEAR(a.set_b.nitrogen_value, 87.1, 1e-9);
    EXPECT_DOUBLE_EQ(a.price_compensation_feed, 0.25);
    EXPECT_EQ(a.faktor_compenstion_feed, 4);
    EXPECT_DOUBLE_EQ(a.cost_saving, 0.0);
    EXPECT_DOUBLE_EQ(a.payment, -12.5);

    // Method 12 at 120 kg in both sets: use 1 takes 100, use 2 the 20 left
    // (a level without a series grows nothing), nothing left after use 3.
    const MeasureEvaluation& b = prepared[1];
    EXPECT_EQ(b.set_a.level, 120);
    EXPECT_EQ(b.set_b.level, 120);
    EXPECT_EQ(b.set_a.reference_energy, 3012);
    EXPECT_EQ(b.set_b.reference_energy, 2512);
    EXPECT_DOUBLE_EQ(b.set_a.nitrogen_value, 0.0);
    EXPECT_NEAR(b.set_a.yield[0], 1000.0, 1e-9);
    EXPECT_DOUBLE_EQ(b.set_a.yield[1], 0.0);
    EXPECT_DOUBLE_EQ(b.cost_saving, 110.0 - 120.0);
}

TEST(EvaluationRunPreparation, TramplingFactorsPerSpeciesAndGrowthValuesOfGrazedMeasures) {
    EvaluationInputs in = preparation_inputs();
    EvaluationRequest request;
    SpeciesRecord insensitive = species(1);
    SpeciesRecord class2 = species(2);
    class2.trampling_mortality_typ = 2.0;
    SpeciesRecord class3 = species(3);
    class3.trampling_mortality_typ = 3.0;
    SpeciesRecord class9 = species(4);  // no row for its class
    class9.trampling_mortality_typ = 9.0;
    request.species = {insensitive, class2, class3, class9};

    MeasureRecord grazing;
    grazing.method_nr = 7;
    grazing.month_quarter_first_use = 16;
    grazing.livestockID_1 = 1;
    grazing.livestock_density_1 = 1.0;
    MeasureRecord mowing;
    mowing.method_nr = 2;
    mowing.month_quarter_first_use = 20;
    mowing.grazing_growth[0] = 0.77;  // catalogue value, kept
    MeasureRecord at_lower_limit = grazing;
    at_lower_limit.livestock_density_1 = 0.1;
    MeasureRecord at_upper_limit = grazing;
    at_upper_limit.livestockID_1 = 2;
    at_upper_limit.livestock_density_1 = 60;
    request.measures = {grazing, mowing, at_lower_limit, at_upper_limit};

    const auto prepared = prepare_measures(in, request);
    ASSERT_EQ(prepared.size(), 4u);
    // The last row of class 2 with livestock 1 counts.
    EXPECT_EQ(prepared[0].trampling, (std::vector<double>{0.0, 0.02, 0.2, 0.0}));
    EXPECT_EQ(prepared[1].trampling, (std::vector<double>{0.0, 0.0, 0.0, 0.0})) << "no livestock, no trampling";
    EXPECT_EQ(prepared[3].trampling, (std::vector<double>{0.0, 0.03, 0.0, 0.0}));

    // Low share = density / 2 on the band 0..2.
    EXPECT_DOUBLE_EQ(prepared[0].growth_rates[0], 0.5);
    EXPECT_DOUBLE_EQ(prepared[0].measure.grazing_growth[0], 0.5) << "density 1.0 takes the band's values";
    EXPECT_DOUBLE_EQ(prepared[1].measure.grazing_growth[0], 0.77) << "density 0 keeps the catalogue's";
    EXPECT_DOUBLE_EQ(prepared[2].measure.grazing_growth[0], 0.0) << "density 0.1 is not above the limit";
    EXPECT_DOUBLE_EQ(prepared[2].growth_rates[0], 0.05);
    EXPECT_DOUBLE_EQ(prepared[3].measure.grazing_growth[0], 0.0) << "density 60 is not below the limit";
}

TEST(EvaluationRunPreparation, MeasuresThatCannotBeEvaluated) {
    EvaluationInputs in = preparation_inputs();
    in.method_feed[8].faktor_compenstion_feed = 0;  // method 9 without feed values
    struct Case {
        const char* what;
        int method, a, b, c, d;
        bool applicable;
    };
    const std::vector<Case> cases = {
        {"ordinary", 2, 20, 8, 0, 0, true},
        {"last use in quarter month 48", 1, 20, 8, 10, 10, true},
        {"last use beyond the year", 1, 20, 8, 10, 11, false},
        {"second use beyond the year", 3, 44, 5, 0, 0, false},
        {"first use 0", 4, 0, 0, 0, 0, false},
        {"method 0", 0, 20, 0, 0, 0, false},
        {"method 15", 15, 20, 0, 0, 0, false},
        {"method without feed values", 9, 20, 0, 0, 0, false},
    };
    EvaluationRequest request;
    for (const Case& c : cases) {
        MeasureRecord m;
        m.method_nr = c.method;
        m.month_quarter_first_use = c.a;
        m.distance_2use = c.b;
        m.distance_3use = c.c;
        m.distance_4use = c.d;
        request.measures.push_back(m);
    }
    const auto prepared = prepare_measures(in, request);
    for (std::size_t i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(prepared[i].applicable, cases[i].applicable) << cases[i].what;
        EXPECT_EQ(measure_problem(request.measures[i], in).empty(), cases[i].applicable) << cases[i].what;
    }

    // Not applicable on a pixel that every other rule lets through.
    in.pixels = PixelRaster(1, 1);
    in.pixels.at(0, 0) = grass_pixel();
    in.measures = prepared;
    const auto results = evaluate(in, one_species_request(), nullptr, fixed_quality());
    EXPECT_EQ(results[0].size(), 1u);
    EXPECT_TRUE(results[2].empty());
    EXPECT_TRUE(results[3].empty());
}

}  // namespace
}  // namespace pravel
