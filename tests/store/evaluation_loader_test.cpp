#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/sql_text.h"
#include "core/evaluation_run.h"
#include "core/measure_record.h"
#include "support/test_database.h"

namespace pravel {
namespace {

using testing::DatabaseTest;

// A small study area with everything an evaluation run reads: a 2 x 3
// raster of grassland pixels with one grassland type, the feed values of
// all 14 methods, usability rows for a two-cut mowing measure, growth
// series, regrowth delays and trampling factors.
class EvaluationLoaderTest : public DatabaseTest {
protected:
    void SetUp() override {
        DatabaseTest::SetUp();
        schema().exec("INSERT INTO country (countryID, name, growth_start) VALUES (3, 'Heathfield', 12)");
        schema().exec("INSERT INTO matrix_referenz VALUES (3, 2, 3, 25, 25)");
        schema().exec("INSERT INTO grasslandtype (grasslandtypeID, WES, WOLA, WKLA, quantity, energy, height) "
                      "VALUES (1, 0.8, 0.4, 0.2, 100, 100, 100)");
        schema().exec("INSERT INTO cost_for_farmhouse_distance VALUES (2, 15.5)");
        int id = 1;
        for (int i = 0; i < 2; ++i) {
            for (int j = 0; j < 3; ++j, ++id) {
                SqlText s;
                s << "INSERT INTO pixel (pixelID, countryID, matrix_i, matrix_j, x_coordinate, y_coordinate, fresh, "
                     "grassland_economic_value, land_use_type, number_of_grassland_types, grasslandtyp1, "
                     "farmhouse_distance, mead_past_mow) VALUES ("
                  << id << ", 3, " << i << ", " << j << ", " << 100 * j << ", " << 100 * i << ", 1, 60, '3', 1, 1, "
                  << (j == 2 ? 2 : 0) << ", 0)";
                schema().exec(s);
            }
        }
        schema().exec("INSERT INTO growth_rate VALUES (1, 0, 2.0, 0.0, 0.1, 0.2, 0.7, 0.6, 0.3, 0.1)");
        for (int m = 1; m <= 14; ++m) {
            if (m == 9) continue;  // method 9 has no feed values
            SqlText s;
            s << "INSERT INTO method (methodID, energy_matter_ref_380N, energy_matter_ref_245N, "
                 "price_compensation_feed, faktor_compenstion_feed) VALUES ("
              << m << ", 100000, 90000, 0.2, 1)";
            schema().exec(s);
        }
        schema().exec("INSERT INTO variable_costs (methodID, maschine_rental) VALUES (1, 120), (2, 90)");
        schema().exec("INSERT INTO usability_first_cut VALUES (24, 100, 0.5, 60)");
        schema().exec("INSERT INTO usability_other_cuts VALUES (8, 80, 0.5, 55)");
        schema().exec("INSERT INTO cut_use VALUES (2, 1, 1, 1, 0, 0, 0)");
        schema().exec("INSERT INTO livestock (livestockID, GVE, uptake_rate) VALUES (1, 1.0, 60), (2, 0.8, 70)");
        insert_series(100, 100);
        insert_series(80, 50);
        schema().exec("INSERT INTO regrowth_delay_dry_matter VALUES (1000, 2000, 5), (2000, 0, 3)");
        schema().exec("INSERT INTO trampling_mortality VALUES (1, 1, 0.01), (2, 1, 0.02), (3, 1, 0.03), "
                      "(4, 2, 0.04), (5, 1, 0.05)");
    }

    void insert_series(int level, int per_quarter_month) {
        SqlText s;
        s << "INSERT INTO quarter_month_dry_matter VALUES (" << level;
        for (int q = 1; q <= 48; ++q) s << ", " << per_quarter_month;
        s << ")";
        schema().exec(s);
    }

    // A bird whose quality depends on the random vegetation heights: eggs
    // over quarter months 13..28, unequal vegetation suitabilities.
    static SpeciesRecord bird(int id, double trampling_class) {
        SpeciesRecord s;
        s.speciesID = id;
        s.WES = 1.0;
        s.praedation = 0.0;
        s.soil_moisture_requir_fresh = 1.0;
        s.vegetation_requirement_short = 0.2;
        s.vegetation_requirement_medium = 0.9;
        s.vegetation_requirement_tall = 0.5;
        s.reproduction_period = 4;
        s.critical_reproduction_period = 2;
        s.trampling_mortality_typ = trampling_class;
        for (int q = 13; q <= 28; ++q) s.eggs_by_quarter_month[q - 1] = 1.0 / 16;
        return s;
    }

    static MeasureRecord two_cuts() {
        MeasureRecord m;
        m.name = "mowing_2cut";
        m.measureID = 5;
        m.method_nr = 2;
        m.month_quarter_first_use = 24;
        m.distance_2use = 8;
        return m;
    }

    static EvaluationRequest request(int species_count) {
        EvaluationRequest r;
        r.countryID = 3;
        for (int s = 1; s <= species_count; ++s) {
            r.species.push_back(bird(s, s));
            r.minimum_qualities.push_back(0.0);
        }
        MeasureRecord grazing;
        grazing.name = "grazing";
        grazing.measureID = 6;
        grazing.method_nr = 7;
        grazing.month_quarter_first_use = 16;
        grazing.distance_2use = 8;
        grazing.livestockID_1 = 1;
        grazing.livestock_density_1 = 1.0;
        r.measures = {two_cuts(), grazing};
        r.distance_cost_factor = 1.0;
        return r;
    }

    long long count_of(const std::string& statement) const {
        return std::count(sent().begin(), sent().end(), statement);
    }
};

TEST_F(EvaluationLoaderTest, StatementCountDoesNotGrowWithTheNumberOfSpecies) {
    auto db = connect();
    const EvaluationInputs one = load_evaluation_inputs(*db, request(1));
    const std::size_t with_one = sent().size();
    EXPECT_EQ(count_of("SELECT * FROM quarter_month_dry_matter"), 1);
    EXPECT_EQ(count_of("SELECT * FROM regrowth_delay_dry_matter"), 1);
    EXPECT_EQ(count_of("SELECT * FROM trampling_mortality"), 1);

    clear_sent();
    const EvaluationInputs five = load_evaluation_inputs(*db, request(5));
    EXPECT_EQ(sent().size(), with_one);

    // Trampling factors come from the whole table, one per measure and
    // species: class s with the grazing measure's livestock 1.
    const auto prepared = prepare_measures(five, request(5));
    ASSERT_EQ(prepared.size(), 2u);
    EXPECT_EQ(prepared[0].trampling, (std::vector<double>{0, 0, 0, 0, 0})) << "mowing brings no livestock";
    EXPECT_EQ(prepared[1].trampling, (std::vector<double>{0.01, 0.02, 0.03, 0.0, 0.05}));
}

TEST_F(EvaluationLoaderTest, WholeTablesAndMethodRowsLandWhereTheModelsLookThemUp) {
    auto db = connect();
    const EvaluationInputs in = load_evaluation_inputs(*db, request(2));

    // Method rows by method number, a missing row keeping its number.
    EXPECT_EQ(in.method_feed[1].energy_matter_ref_380N, 100000);
    EXPECT_EQ(in.method_feed[8].faktor_compenstion_feed, 0);
    EXPECT_EQ(in.method_feed[8].methodID, 9);
    EXPECT_DOUBLE_EQ(in.method_costs[1].maschine_rental, 90.0);
    ASSERT_EQ(in.usability.size(), 2u);
    EXPECT_EQ(in.usability[0].energy_content[1], 55);
    EXPECT_DOUBLE_EQ(in.usability[1].uptake_rate[0], 60.0);
    EXPECT_EQ(in.pixels.at(1, 2).pixelID, 6);

    EXPECT_EQ(in.growth_tables.series(100)[1], 100);
    EXPECT_EQ(in.growth_tables.series(80)[48], 50);
    EXPECT_EQ(in.growth_tables.series(120)[20], 0) << "a level without a row grows nothing";
    EXPECT_EQ(in.growth_tables.regrowth_delay(1000, 2000), 5);
    EXPECT_EQ(in.growth_tables.regrowth_delay(2000, 0), 3);
    ASSERT_EQ(in.trampling.size(), 5u);
    EXPECT_DOUBLE_EQ(in.trampling[3].trampling_mortality_typ, 4.0);
    EXPECT_EQ(in.trampling[3].livestockID, 2);
    EXPECT_DOUBLE_EQ(in.trampling[3].factor, 0.04);
}

TEST_F(EvaluationLoaderTest, EvaluationSendsNoStatement) {
    auto db = connect();
    const EvaluationRequest r = request(3);
    EvaluationInputs in = load_evaluation_inputs(*db, r);
    in.measures = prepare_measures(in, r);
    clear_sent();
    const auto results = evaluate(in, r);
    EXPECT_TRUE(sent().empty());
    ASSERT_EQ(results.size(), 2u);
    EXPECT_EQ(results[0].size(), 6u) << "the mowing measure is offered on every pixel";
    EXPECT_TRUE(results[1].empty()) << "no pixel allows grazing";
    EXPECT_TRUE(messages().texts().empty());
}

TEST_F(EvaluationLoaderTest, RunIsReproducibleAndReportsMeasuresItCannotEvaluate) {
    auto db = connect();
    EvaluationRequest r = request(2);
    MeasureRecord late = two_cuts();
    late.month_quarter_first_use = 46;
    late.distance_2use = 4;
    MeasureRecord no_feed = two_cuts();
    no_feed.method_nr = 9;
    r.measures = {late, two_cuts(), no_feed};

    const auto first = EvaluationRun(*db, r);
    ASSERT_EQ(first.size(), 3u);
    EXPECT_TRUE(first[0].empty());
    EXPECT_TRUE(first[2].empty());
    ASSERT_EQ(first[1].size(), 6u);
    const auto texts = messages().texts();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_NE(texts[0].find(measure_label(late)), std::string::npos) << texts[0];
    EXPECT_NE(texts[0].find("quarter months 1 to 48"), std::string::npos) << texts[0];
    EXPECT_NE(texts[1].find("method 9"), std::string::npos) << texts[1];

    auto qualities = [](const std::vector<PixelResult>& list) {
        std::vector<double> q;
        for (const PixelResult& p : list)
            for (const SpeciesQuality& s : p.qualities) q.push_back(s.quality);
        return q;
    };
    const auto again = EvaluationRun(*db, r);
    EXPECT_EQ(qualities(again[1]), qualities(first[1])) << "the same seed gives the same qualities";

    r.seed = 2;
    const auto other_seed = EvaluationRun(*db, r);
    EXPECT_NE(qualities(other_seed[1]), qualities(first[1])) << "the qualities depend on the vegetation draws";
    const auto q = qualities(first[1]);
    EXPECT_GT(*std::max_element(q.begin(), q.end()), 0.0);
}

}  // namespace
}  // namespace pravel
