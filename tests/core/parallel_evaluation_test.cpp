// The draws of the species quality model can be counted without drawing,
// and the evaluation on several threads equals the one on the calling thread,
// cancelled or not, on a made-up study area with every kind of measure.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <random>
#include <vector>

#include "common/feedback.h"
#include "common/random.h"
#include "core/evaluation_run.h"
#include "core/quality_model.h"

namespace pravel {
namespace {

SpeciesRecord bird(int id, int first_egg, int repro, int critical, double trampling_class) {
    SpeciesRecord s;
    s.speciesID = id;
    s.group = kGroupBird;
    for (int q = first_egg; q < first_egg + 6; ++q) s.eggs_by_quarter_month[q - 1] = 1.0 / 6;
    s.critical_reproduction_period = critical;
    s.reproduction_period = repro;
    s.last_monthquarter_substitut_brood = first_egg + 4;
    s.probability_succeccful_sub_brood = 0.4;
    s.vegetation_requirement_short = 0.2;
    s.vegetation_requirement_medium = 1.0;
    s.vegetation_requirement_tall = 0.6;
    s.WES = 1.0;
    s.soil_moisture_requir_wet = 1.0;
    s.soil_moisture_requir_fresh = 0.7;
    s.soil_moisture_requir_dry = 0.0;
    s.trampling_mortality_typ = trampling_class;
    s.praedation = 0.2;
    s.predation_by_quarter_month.assign(30, 0.1);
    return s;
}

std::vector<SpeciesRecord> all_species() {
    std::vector<SpeciesRecord> out = {bird(1, 14, 8, 3, 0), bird(2, 18, 12, 4, 1), bird(3, 12, 5, 2, 2)};
    SpeciesRecord butterfly = bird(4, 16, 5, 2, 0);
    butterfly.second_generation_start = 26;
    butterfly.second_generation_end = 40;
    butterfly.percent_for_overlap = 20;
    out.push_back(butterfly);
    SpeciesRecord dry_only = bird(5, 15, 6, 2, 0);  // no suitability on wet or fresh soil
    dry_only.soil_moisture_requir_wet = dry_only.soil_moisture_requir_fresh = 0.0;
    dry_only.soil_moisture_requir_dry = 1.0;
    out.push_back(dry_only);
    return out;
}

// One measure of each kind the temporal model tells apart: mowing, a refuge
// strip grazed before its cut, grazing with and without the summary-density
// rule, grazing from the first quarter month, a cut then grazing.
std::vector<MeasureEvaluation> all_measures() {
    auto make = [](int id, int method, int a, int b, int c, int d, double density, double summary) {
        MeasureEvaluation me;
        MeasureRecord& m = me.measure;
        m.measureID = id;
        m.method_nr = method;
        m.month_quarter_first_use = a;
        m.distance_2use = b;
        m.distance_3use = c;
        m.distance_4use = d;
        if (density > 0) {
            m.livestockID_1 = m.livestockID_2 = m.livestockID_3 = m.livestockID_4 = 1;
            m.livestock_density_1 = density;
            m.livestock_density_2 = density * 0.8;
            m.livestock_density_3 = density * 0.6;
        }
        m.summary_livestock_density = summary;
        m.is_refuge_strip = method == 5;
        for (int k = 0; k < 5; ++k) {
            m.grazing_growth[3 * k] = 0.2 + 0.05 * k;
            m.grazing_growth[3 * k + 1] = 0.3;
            m.grazing_growth[3 * k + 2] = 0.5 - 0.05 * k;
        }
        me.set_a.reference_energy = me.set_b.reference_energy = 1000;
        me.price_compensation_feed = 0.1;
        me.faktor_compenstion_feed = 1;
        me.trampling = {0.0, 0.01 * density, 0.02 * density, 0.0, 0.0};
        return me;
    };
    return {make(1, 1, 20, 8, 8, 0, 0, 0),       make(2, 3, 28, 10, 0, 0, 0, 0),
            make(3, 5, 24, 6, 0, 0, 0.6, 0.6),   make(4, 7, 16, 8, 8, 6, 1.2, 0),
            make(5, 8, 18, 10, 6, 0, 1.5, 0.9),  make(6, 9, 1, 12, 10, 0, 0.8, 0),
            make(7, 10, 14, 0, 12, 8, 1.0, 0.5), make(8, 14, 20, 8, 8, 0, 1.1, 0)};
}

PixelRecord grassland(std::mt19937& rng, int id, int row, int column) {
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    PixelRecord p;
    p.pixelID = id;
    p.matrix_i = row;
    p.matrix_j = column;
    p.x_coordinate = 100 * column;
    p.y_coordinate = 100 * row;
    p.land_use_type = unit(rng) < 0.6 ? "3" : unit(rng) < 0.5 ? "4" : "1";
    p.grassland_economic_value = 10 + static_cast<int>(unit(rng) * 60);
    p.fresh = unit(rng) < 0.7 ? 1.0 : 0.0;
    p.dry = p.fresh == 0.0 ? 1.0 : 0.0;
    p.altitude = unit(rng) < 0.2 ? 300 : 0;
    p.growth_start = unit(rng) < 0.8 ? 12 : 14;
    p.mead_past_mow = static_cast<int>(unit(rng) * 3);
    p.manure_status_grass_cropland = unit(rng) < 0.2 ? 1 : 0;
    p.number_of_grassland_types = unit(rng) < 0.3 ? 2 : 1;
    p.WES1 = unit(rng) < 0.1 ? 0.0 : 0.5 + 0.5 * unit(rng);
    p.WES2 = unit(rng);
    p.quantity1 = p.quantity2 = 100;
    p.energy1 = p.energy2 = 100;
    p.height1 = 60 + static_cast<int>(unit(rng) * 80);
    p.height2 = 60 + static_cast<int>(unit(rng) * 80);
    p.farmhouse_distance = 2;
    p.additional_cost = 5.0;
    return p;
}

EvaluationInputs made_up_area(int rows, int columns) {
    std::mt19937 rng(20261209);
    EvaluationInputs in;
    in.pixels = PixelRaster(rows, columns);
    int id = 1;
    for (int i = 0; i < rows; ++i)
        for (int j = 0; j < columns; ++j) in.pixels.at(i, j) = grassland(rng, id++, i, j);
    in.measures = all_measures();
    return in;
}

EvaluationRequest made_up_request() {
    EvaluationRequest r;
    r.species = all_species();
    r.minimum_qualities.assign(r.species.size(), 0.05);
    r.distance_cost_factor = 1.0;
    r.seed = 31337;
    return r;
}

TEST(QualityDraws, CountedDrawsAreTheDrawsTakenAndFollowTheKeyOfThePixel) {
    const EvaluationInputs in = made_up_area(6, 10);
    const EvaluationRequest r = made_up_request();
    int checked = 0, with_draws = 0;
    for (const PixelRecord& p : in.pixels.cells()) {
        for (const MeasureEvaluation& me : in.measures) {
            for (std::size_t s = 0; s < r.species.size(); ++s) {
                for (bool predation : {false, true}) {
                    const SpeciesRecord& sp = r.species[s];
                    const long long counted = species_quality_draws(sp, p, me, me.trampling[s], predation);
                    RandomStream stream(12345);
                    species_quality(sp, p, me, me.trampling[s], predation);
                    ASSERT_EQ(stream.state(), random_state_after(12345, static_cast<std::uint64_t>(counted)))
                        << "measure " << me.measure.measureID << " species " << sp.speciesID << " pixel "
                        << p.pixelID;
                    // Another pixel with the same key (heights and soil aside)
                    // takes as many draws.
                    PixelRecord same_key;
                    same_key.growth_start = p.growth_start;
                    same_key.altitude = p.altitude != 0 ? 1 : 0;
                    if (spatial_factor(sp, p, predation) != 0.0) {
                        EXPECT_EQ(temporal_factor_draws(sp, same_key, me, me.trampling[s], predation), counted);
                    } else {
                        EXPECT_EQ(counted, 0);
                    }
                    ++checked;
                    with_draws += counted > 0 ? 1 : 0;
                }
            }
        }
    }
    EXPECT_GT(with_draws, checked / 3) << "the cases must draw";
}

std::uint64_t bits(double v) { return std::bit_cast<std::uint64_t>(v); }

void expect_identical(const std::vector<std::vector<PixelResult>>& expected,
                      const std::vector<std::vector<PixelResult>>& actual) {
    ASSERT_EQ(expected.size(), actual.size());
    for (std::size_t m = 0; m < expected.size(); ++m) {
        ASSERT_EQ(expected[m].size(), actual[m].size()) << "measure " << m;
        for (std::size_t i = 0; i < expected[m].size(); ++i) {
            const PixelResult& e = expected[m][i];
            const PixelResult& a = actual[m][i];
            ASSERT_EQ(e.pixelID, a.pixelID);
            ASSERT_EQ(bits(e.margin_with_payment), bits(a.margin_with_payment));
            ASSERT_EQ(e.measure->measureID, a.measure->measureID);
            ASSERT_EQ(e.qualities.size(), a.qualities.size());
            for (std::size_t s = 0; s < e.qualities.size(); ++s) {
                ASSERT_EQ(bits(e.qualities[s].quality), bits(a.qualities[s].quality));
            }
        }
    }
}

TEST(ParallelEvaluation, AnyNumberOfThreadsGivesTheResultsAndFinalStateOfOneThread) {
    const EvaluationInputs in = made_up_area(23, 17);
    EvaluationRequest r = made_up_request();
    const auto before = evaluation_repeats_in_sequence();
    for (bool predation : {false, true}) {
        r.time_dependent_predation = predation;
        seed_random(r.seed);
        const auto expected = evaluate(in, r, nullptr, QualityFunction(species_quality));
        const std::uint32_t expected_state = random_state();
        std::size_t results = 0;
        for (const auto& list : expected) results += list.size();
        ASSERT_GT(results, 100u);
        for (int threads : {2, 3, 4, 23, 40}) {
            SCOPED_TRACE(std::to_string(threads) + " threads");
            r.threads = threads;
            seed_random(r.seed);
            const auto actual = evaluate(in, r);
            EXPECT_EQ(random_state(), expected_state);
            expect_identical(expected, actual);
        }
    }
    EXPECT_EQ(evaluation_repeats_in_sequence(), before) << "no block's draws differed from their count";
}

TEST(ParallelEvaluation, ACancelledRunKeepsWholeRowsFromTheFirstAndTheStateAfterThem) {
    const EvaluationInputs in = made_up_area(40, 12);
    EvaluationRequest r = made_up_request();
    r.threads = 2;
    // Cancelled at the first report: the workers may have finished any number
    // of blocks by then.
    std::vector<Feedback::Progress> reports;
    Feedback feedback;
    feedback = Feedback([&](const Feedback::Progress& p) {
        reports.push_back(p);
        feedback.cancel();
    });
    seed_random(r.seed);
    feedback.cancel();
    const auto none = evaluate(in, r, &feedback);
    for (const auto& list : none) EXPECT_TRUE(list.empty());
    EXPECT_EQ(random_state(), r.seed);

    // A run cancelled at its second report, against the run in sequence
    // over the rows it kept (none, some or all, as the threads went).
    const EvaluationInputs larger = made_up_area(600, 16);
    Feedback late;
    int ticks = 0;
    late = Feedback([&](const Feedback::Progress& p) {
        reports.push_back(p);
        if (++ticks == 2) late.cancel();
    });
    reports.clear();
    seed_random(r.seed);
    const auto partial = evaluate(larger, r, &late);
    const std::uint32_t partial_state = random_state();
    ASSERT_FALSE(reports.empty());
    const long long kept_rows = reports.back().step / larger.pixels.columns();

    long long rows_run = 0;
    Feedback stop_after([&](const Feedback::Progress&) {
        if (++rows_run == kept_rows) stop_after.cancel();
    });
    if (kept_rows == 0) stop_after.cancel();
    seed_random(r.seed);
    const auto expected = evaluate(larger, r, &stop_after, QualityFunction(species_quality));
    EXPECT_EQ(partial_state, random_state());
    expect_identical(expected, partial);
}

}  // namespace
}  // namespace pravel
