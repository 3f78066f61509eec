#include <gtest/gtest.h>

#include <functional>

#include "store/result_store.h"
#include "support/test_database.h"

namespace pravel {
namespace {

class ResultStoreTest : public testing::DatabaseTest {};

TEST_F(ResultStoreTest, StatementsAreSentAsWritten) {
    auto db = connect();
    save_configuration(*db, 4, 17, 120.5, 8.1, "Plan A", 2);
    save_pixel_result(*db, 901, 17, 4, -35.25, {{3, 0.75}});
    VisualisationRow v{17, "mowing_1cut", 3, "Kiebitz", 0.5, 901, 10, 20, 1900, 2800, 12.5, 150, 2};
    save_visualisation_row(*db, v);
    GraphicRow g{17, 3, "mowing_1cut", "Kiebitz", 0.25, 1, 0.5, 10, 200, 105.5, 40.5, 50};
    save_graphic_row(*db, g);
    clear_visualisation_rows(*db);
    clear_graphic_rows(*db);

    const std::vector<std::string> expected = {
        "INSERT INTO configuration (configurationID, measureID, payment, area, configname, countryID) VALUES "
        "(4, 17, 120.5, 8.1, 'Plan A', 2)",
        "INSERT INTO result (pixelID, configurationID, measureID,benefit) VALUES (901, 4, 17, -35.25)",
        "INSERT INTO resulting_quality (pixelID, configurationID, speciesID, quality) VALUES (901, 4, 3, 0.75)",
        "INSERT INTO results_for_viusualitsation (measureID,measure_name, speciesID, species_name, quality, "
        "pixelID, pixel_i, pixel_j,pixel_x, pixel_y, benefit, payment, countryID ) VALUES "
        "(17, 'mowing_1cut' , 3, 'Kiebitz' , 0.5, 901, 10, 20, 1900, 2800, 12.5, 150, 2)",
        "INSERT INTO  graphic (measureID, speciesID, m_name, species_name, qual_min, qual_max, qual_medium, "
        "cost_min, cost_max, cost_medium, eff_area, nr_pixel) VALUES "
        "( 17, 3, 'mowing_1cut', 'Kiebitz', 0.25, 1, 0.5, 10, 200, 105.5, 40.5, 50)",
        "TRUNCATE TABLE `results_for_viusualitsation`",
        "TRUNCATE TABLE `graphic`",
    };
    EXPECT_EQ(sent(), expected);
}

TEST_F(ResultStoreTest, TinyRealTravelsInExponentFormAndIsAccepted) {
    auto db = connect();
    save_configuration(*db, 1, 2, 1e-07, 0.81, "tiny", 1);
    EXPECT_NE(sent().back().find(", 1e-07, 0.81, "), std::string::npos) << sent().back();
    EXPECT_DOUBLE_EQ(std::stod(schema().scalar("SELECT payment FROM configuration")), 1e-07);
}

TEST_F(ResultStoreTest, PixelResultsWriteOneQualityRowPerSpecies) {
    auto db = connect();
    save_pixel_result(*db, 7, 3, 1, 10.0, {});
    EXPECT_EQ(schema().count("result"), 1);
    EXPECT_EQ(schema().count("resulting_quality"), 0);

    save_pixel_result(*db, 8, 3, 1, 11.0, {{1, 0.25}, {2, 0.0}, {5, 1.0}});
    EXPECT_EQ(schema().count("result"), 2);
    const auto rows = schema().rows("SELECT pixelID, configurationID, speciesID, quality FROM resulting_quality");
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0], (std::vector<std::string>{"8", "1", "1", "0.25"}));
    EXPECT_EQ(rows[2], (std::vector<std::string>{"8", "1", "5", "1"}));
}

TEST_F(ResultStoreTest, SavingAConfigurationTwiceAddsRows) {
    auto db = connect();
    for (int round = 0; round < 2; ++round) {
        save_configuration(*db, 9, 17, 100, 1.62, "twice", 1);
        save_configuration(*db, 9, 18, 80, 0.81, "twice", 1);
        save_pixel_result(*db, 50, 17, 9, 20, {{1, 0.5}});
    }
    EXPECT_EQ(schema().count("configuration"), 4);
    EXPECT_EQ(schema().count("result"), 2);
    EXPECT_EQ(schema().count("resulting_quality"), 2);
}

TEST_F(ResultStoreTest, TruncatesAreIndependent) {
    auto db = connect();
    VisualisationRow v;
    v.measure_name = "m";
    v.species_name = "s";
    GraphicRow g;
    g.m_name = "m";
    g.species_name = "s";
    save_visualisation_row(*db, v);
    save_graphic_row(*db, g);

    clear_visualisation_rows(*db);
    EXPECT_EQ(schema().count("results_for_viusualitsation"), 0);
    EXPECT_EQ(schema().count("graphic"), 1);

    save_visualisation_row(*db, v);
    clear_graphic_rows(*db);
    EXPECT_EQ(schema().count("graphic"), 0);
    EXPECT_EQ(schema().count("results_for_viusualitsation"), 1);
}

TEST_F(ResultStoreTest, NamesWithApostrophesAreStoredAsGiven) {
    auto db = connect();
    save_configuration(*db, 1, 1, 0, 0, "Farmer's plan", 1);
    VisualisationRow v;
    v.measure_name = "Bauer's Wiese";
    v.species_name = "Montagu's harrier";
    save_visualisation_row(*db, v);
    GraphicRow g;
    g.m_name = "back\\slash";
    g.species_name = "Montagu's harrier";
    save_graphic_row(*db, g);
    EXPECT_EQ(schema().scalar("SELECT configname FROM configuration"), "Farmer's plan");
    EXPECT_EQ(schema().scalar("SELECT species_name FROM results_for_viusualitsation"), "Montagu's harrier");
    EXPECT_EQ(schema().scalar("SELECT m_name FROM graphic"), "back\\slash");
    EXPECT_TRUE(messages().messages().empty());
}

// Many rows as one analysis writes them: long and short names, apostrophes,
// tiny, negative and large numbers, more rows than one statement takes.
std::vector<VisualisationRow> many_visualisation_rows(int n) {
    std::vector<VisualisationRow> rows;
    for (int k = 0; k < n; ++k) {
        rows.push_back({k % 7, k % 3 ? "mowing_1cut" : "Bauer's Wiese", k % 5, k % 2 ? "Kiebitz" : "Montagu's harrier",
                        k * 0.000123456789, 1000 + k, k / 40, k % 40, 3440000 + 90 * (k % 40), 5870000 - 90 * (k / 40),
                        -12.345678901 * k, 150 + k * 1e-7, 2});
    }
    return rows;
}

std::vector<GraphicRow> many_graphic_rows(int n) {
    std::vector<GraphicRow> rows;
    for (int k = 0; k < n; ++k) {
        rows.push_back({k, k % 7, k % 2 ? "mow" : "back\\slash", "Montagu's harrier", k * 1e-5, 1.0 / (k + 1), 0.5,
                        -46.25 * k, 224.0 + k, 1e9 + k, k * 0.81, k % 100});
    }
    return rows;
}

std::vector<PixelResultRow> many_pixel_results(int n) {
    std::vector<PixelResultRow> rows;
    for (int k = 0; k < n; ++k) {
        PixelResultRow r{500 + k, k % 9, -35.25 + k * 0.001, {}};
        for (int s = 0; s < k % 4; ++s) r.qualities.emplace_back(s + 1, s * 0.1 + k * 1e-6);
        rows.push_back(r);
    }
    return rows;
}

TEST_F(ResultStoreTest, BatchedWritesStoreTheRowsTheSingleStatementsStore) {
    constexpr int kConfiguration = 1700000000;
    const auto visualisation = many_visualisation_rows(2345);
    const auto graphic = many_graphic_rows(1234);
    const auto pixels = many_pixel_results(1500);
    struct Case {
        const char* what;
        std::vector<const char*> tables;
        std::function<void(DatabaseAccess&)> single, batched;
        std::size_t most_statements;  // for the batched write, transaction included
    };
    const Case cases[] = {
        {"visualisation", {"results_for_viusualitsation"},
         [&](DatabaseAccess& db) { for (const auto& r : visualisation) save_visualisation_row(db, r); },
         [&](DatabaseAccess& db) { save_visualisation_rows(db, visualisation); }, 3 + 2},
        {"graphic", {"graphic"},
         [&](DatabaseAccess& db) { for (const auto& r : graphic) save_graphic_row(db, r); },
         [&](DatabaseAccess& db) { save_graphic_rows(db, graphic); }, 2 + 2},
        {"stored run", {"result", "resulting_quality"},
         [&](DatabaseAccess& db) {
             for (const auto& r : pixels) save_pixel_result(db, r.pixelID, r.measureID, kConfiguration, r.benefit, r.qualities);
         },
         [&](DatabaseAccess& db) { save_pixel_results(db, kConfiguration, pixels); }, 2 + 3},
    };
    for (const auto& c : cases) {
        auto db = connect();
        c.single(*db);
        std::vector<std::vector<std::vector<std::string>>> before;
        for (const char* table : c.tables) {
            before.push_back(schema().rows(std::string("SELECT * FROM ") + table));
            schema().exec(std::string("TRUNCATE TABLE ") + table);
        }
        clear_sent();
        c.batched(*db);
        EXPECT_LE(sent().size(), c.most_statements) << c.what;
        for (std::size_t t = 0; t < c.tables.size(); ++t) {
            const auto after = schema().rows(std::string("SELECT * FROM ") + c.tables[t]);
            EXPECT_GT(after.size(), 1000u) << c.what;
            EXPECT_EQ(after, before[t]) << c.what << " " << c.tables[t];
        }
    }
}

TEST_F(ResultStoreTest, ABatchThatFailsLeavesNoRowOfTheAnalysis) {
    auto rows = many_visualisation_rows(2500);
    rows[2200].species_name = std::string(300, 'x');  // longer than the column
    auto db = connect();
    EXPECT_THROW(save_visualisation_rows(*db, rows), testing::DatabaseExit);
    EXPECT_EQ(schema().count("results_for_viusualitsation"), 0);
}

}  // namespace
}  // namespace pravel
