#include "store/grassland_store.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/test_database.h"

namespace pravel {
namespace {

using testing::DatabaseTest;

class GrasslandStoreTest : public DatabaseTest {
protected:
    static GrasslandRecord wet_meadow(const std::string& name = "Wet meadow") {
        GrasslandRecord g;
        g.name_engl = name;
        g.name_latin = "Calthion";
        g.name_editor = "mk";
        g.code = 37;
        g.altitude_high = true;
        g.altitude_low = false;
        g.soil_moister_requi_wet = 1;
        g.soil_moister_requi_fresh = 0.5;
        g.soil_moister_requi_dry = 0.125;
        g.low_productivity = false;
        g.normal_productivity = true;
        g.fertilization = false;
        g.no_fertilization = true;
        return g;
    }

    // (grasslandID, savetime) of every stored version, oldest first.
    std::vector<std::pair<int, std::string>> versions() {
        std::vector<std::pair<int, std::string>> out;
        for (const auto& row : schema().rows("SELECT grasslandID, savetime FROM grassland ORDER BY grasslandID"))
            out.emplace_back(std::stoi(row[0]), row[1]);
        return out;
    }

    static void expect_same_stored_fields(const GrasslandRecord& a, const GrasslandRecord& b) {
        EXPECT_EQ(a.name_engl, b.name_engl);
        EXPECT_EQ(a.name_latin, b.name_latin);
        EXPECT_EQ(a.name_editor, b.name_editor);
        EXPECT_EQ(a.code, b.code);
        EXPECT_EQ(a.altitude_high, b.altitude_high);
        EXPECT_EQ(a.altitude_low, b.altitude_low);
        EXPECT_DOUBLE_EQ(a.soil_moister_requi_wet, b.soil_moister_requi_wet);
        EXPECT_DOUBLE_EQ(a.soil_moister_requi_fresh, b.soil_moister_requi_fresh);
        EXPECT_DOUBLE_EQ(a.soil_moister_requi_dry, b.soil_moister_requi_dry);
        EXPECT_EQ(a.low_productivity, b.low_productivity);
        EXPECT_EQ(a.normal_productivity, b.normal_productivity);
        EXPECT_EQ(a.fertilization, b.fertilization);
        EXPECT_EQ(a.no_fertilization, b.no_fertilization);
    }
};

TEST_F(GrasslandStoreTest, SaveSendsInsertAndReadsTheNewKey) {
    auto db = connect();
    clear_sent();
    const int id = save_grassland(*db, wet_meadow());

    const std::vector<std::string> expected = {
        "INSERT INTO  grassland (name_engl, name_latin, code, altitude_high, altitude_low, "
        "soil_moister_requi_wet, soil_moister_requi_fresh, soil_moister_requi_dry, low_productivity, "
        "normal_productivity, fertilization, no_fertilization, name_editor) VALUES "
        "('Wet meadow', 'Calthion', 37, 1, 0, 1, 0.5, 0.125, 0, 1, 0, 1, 'mk')",
        "SELECT LAST_INSERT_ID()",
    };
    EXPECT_EQ(sent(), expected);
    EXPECT_EQ(schema().scalar("SELECT grasslandID FROM grassland"), std::to_string(id));
    EXPECT_GT(id, 0);
}

TEST_F(GrasslandStoreTest, SavedTypesLoadBackByNameSavetimeAndFlag) {
    struct Case {
        const char* name;
        bool low_productivity;
    } cases[] = {
        {"Wet meadow", false},
        {"Devil's-bit meadow", true},
        {"Back\\slash 'n' quotes", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        schema().clear_all();
        auto db = connect();
        GrasslandRecord saved = wet_meadow(c.name);
        saved.low_productivity = c.low_productivity;
        saved.normal_productivity = !c.low_productivity;
        const int id = save_grassland(*db, saved);
        const auto v = versions();
        ASSERT_EQ(v.size(), 1u);

        const GrasslandRecord loaded = load_grassland(*db, c.name, v[0].second, c.low_productivity);
        expect_same_stored_fields(loaded, saved);
        EXPECT_EQ(loaded.grasslandID, id);
        EXPECT_EQ(loaded.speciesID, 0);
        EXPECT_EQ(loaded.savetime, v[0].second);
    }
    EXPECT_TRUE(messages().messages().empty());
}

TEST_F(GrasslandStoreTest, TwoSavesAreTwoVersions) {
    auto db = connect();
    GrasslandRecord g = wet_meadow();
    const int first = save_grassland(*db, g);
    g.code = 38;
    const int second = save_grassland(*db, g);
    EXPECT_NE(first, second);

    const auto v = versions();
    ASSERT_EQ(v.size(), 2u);
    EXPECT_NE(v[0].second, v[1].second) << "two saves within one second must stay apart";

    const GrasslandRecord a = load_grassland(*db, "Wet meadow", v[0].second, false);
    const GrasslandRecord b = load_grassland(*db, "Wet meadow", v[1].second, false);
    EXPECT_EQ(a.grasslandID, first);
    EXPECT_EQ(a.code, 37);
    EXPECT_EQ(b.grasslandID, second);
    EXPECT_EQ(b.code, 38);
}

TEST_F(GrasslandStoreTest, LoadWithoutAMatchLeavesTheRecordUnchanged) {
    auto db = connect();
    save_grassland(*db, wet_meadow());  // stored with normal productivity
    const std::string savetime = versions()[0].second;

    GrasslandRecord untouched;
    untouched.name_engl = "kept";
    untouched.code = 99;
    untouched.grasslandID = 12;

    struct Case {
        const char* label;
        const char* name;
        std::string savetime;
        bool low_productivity;
    } cases[] = {
        {"other productivity flag", "Wet meadow", savetime, true},
        {"other savetime", "Wet meadow", "2001-02-03 04:05:06.000007", false},
        {"other name", "Dry meadow", savetime, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        clear_sent();
        const GrasslandRecord r = load_grassland(*db, c.name, c.savetime, c.low_productivity, untouched);
        EXPECT_EQ(r.name_engl, "kept");
        EXPECT_EQ(r.code, 99);
        EXPECT_EQ(r.grasslandID, 12);
        EXPECT_EQ(r.savetime, "");
        ASSERT_EQ(sent().size(), 1u);
        EXPECT_EQ(sent()[0], std::string("SELECT * FROM grassland WHERE name_engl = '") + c.name +
                                 "' AND savetime = '" + c.savetime +
                                 "' AND low_productivity = " + (c.low_productivity ? "1" : "0"));
    }
    EXPECT_TRUE(messages().messages().empty());
}

TEST_F(GrasslandStoreTest, AllGrasslandsListsEveryVersionInOrder) {
    auto db = connect();
    EXPECT_TRUE(all_grasslands(*db).empty());

    save_grassland(*db, wet_meadow());
    GrasslandRecord dry = wet_meadow("Dry meadow");
    dry.name_latin = "Mesobromion";
    dry.code = 12;
    save_grassland(*db, dry);
    schema().exec("UPDATE grassland SET speciesID = 5 WHERE name_engl = 'Dry meadow'");

    const auto all = all_grasslands(*db);
    const auto v = versions();
    ASSERT_EQ(all.size(), 2u);
    expect_same_stored_fields(all[0], wet_meadow());
    expect_same_stored_fields(all[1], dry);
    EXPECT_EQ(all[0].grasslandID, v[0].first);
    EXPECT_EQ(all[1].grasslandID, v[1].first);
    EXPECT_EQ(all[1].savetime, v[1].second);
    EXPECT_EQ(all[1].speciesID, 5);
    EXPECT_TRUE(messages().messages().empty());
}

TEST_F(GrasslandStoreTest, LinkedMeasuresComeWithTheirFirstLivestockUseOnly) {
    // measureID, name, first use, d2, density 1, ID 1, density 2, ID 2, method
    schema().exec(
        "INSERT INTO measures (measureID, name, month_quarter_first_use, distance_2use, livestock_density_1, "
        "livestockID_1, livestock_density_2, livestockID_2, livestock_density_4, livestockID_4, method_nr, "
        "fertilization) VALUES "
        "(3, 'rotational grazing', 17, 4, 1.4, 2, 0.6, 3, 0.2, 1, 7, 1), "
        "(1, 'refuge strips', 21, 0, 0, 0, 0, 0, 0, 0, 1, 0)");
    auto db = connect();

    EXPECT_TRUE(measures_of_grassland(*db, 5).empty()) << "a type without links has no measures";

    clear_sent();
    link_measure_to_grassland(*db, 3, 5);
    EXPECT_EQ(sent(),
              std::vector<std::string>{"INSERT INTO measure_grassland (measureID, grasslandID)  VALUES (3, 5)"});
    link_measure_to_grassland(*db, 99, 5);  // not in the catalogue
    link_measure_to_grassland(*db, 1, 5);
    link_measure_to_grassland(*db, 3, 6);
    EXPECT_EQ(schema().count("measure_grassland"), 4);

    clear_sent();
    const auto measures = measures_of_grassland(*db, 5);
    const std::vector<std::string> expected_statements = {
        "SELECT * FROM measure_grassland WHERE grasslandID = 5",
        "SELECT * FROM measures WHERE measureID = 3",
        "SELECT * FROM measures WHERE measureID = 99",
        "SELECT * FROM measures WHERE measureID = 1",
    };
    EXPECT_EQ(sent(), expected_statements);

    ASSERT_EQ(measures.size(), 2u);
    const MeasureRecord& grazing = measures[0];
    EXPECT_EQ(grazing.measureID, 3);
    EXPECT_EQ(grazing.name, "rotational grazing");
    EXPECT_EQ(grazing.month_quarter_first_use, 17);
    EXPECT_EQ(grazing.distance_2use, 4);
    EXPECT_EQ(grazing.method_nr, 7);
    EXPECT_TRUE(grazing.fertilization);
    EXPECT_FALSE(grazing.is_refuge_strip);
    EXPECT_DOUBLE_EQ(grazing.livestock_density_1, 1.4);
    EXPECT_EQ(grazing.livestockID_1, 2);
    EXPECT_EQ(grazing.livestock_density_2, 0.0);
    EXPECT_EQ(grazing.livestockID_2, 0);
    EXPECT_EQ(grazing.livestock_density_4, 0.0);
    EXPECT_EQ(grazing.livestockID_4, 0);

    EXPECT_EQ(measures[1].measureID, 1);
    EXPECT_TRUE(measures[1].is_refuge_strip);
    EXPECT_TRUE(messages().messages().empty());
}

TEST_F(GrasslandStoreTest, AVersionIsTiedToItsSpeciesAfterSaving) {
    auto db = connect();
    const int first = save_grassland(*db, wet_meadow());
    const int second = save_grassland(*db, wet_meadow());
    set_grassland_species(*db, second, 42);
    EXPECT_EQ(schema().rows("SELECT grasslandID, speciesID FROM grassland ORDER BY grasslandID"),
              (std::vector<std::vector<std::string>>{{std::to_string(first), "0"}, {std::to_string(second), "42"}}));
}

}  // namespace
}  // namespace pravel
