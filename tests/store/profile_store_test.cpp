#include "store/profile_store.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <string>
#include <vector>

#include "support/test_database.h"

namespace pravel {
namespace {

using testing::DatabaseTest;

class SpeciesStoreTest : public DatabaseTest {
protected:
    // A bird whose numeric fields all differ, so a value read into the wrong
    // field shows.
    static SpeciesRecord bird(const std::string& name = "Kiebitz") {
        SpeciesRecord r;
        r.group = kGroupBird;
        r.name = name;
        r.name_latein = "Vanellus vanellus";
        r.name_editor = "mk";
        r.grasslandtyp_nr = 4;
        r.spatial_water_requirement = 0.5;
        r.spatial_settlement_requirement = 0.25;
        r.spatial_forest_requirement = 0.125;
        r.last_monthquarter_substitut_brood = 22;
        r.probability_succeccful_sub_brood = 0.35;
        r.critical_reproduction_period = 6;
        r.reproduction_period = 9;
        r.vegetation_requirement_short = 1;
        r.vegetation_requirement_medium = 0.5;
        r.vegetation_requirement_tall = 0.0625;
        r.soil_moisture_requir_dry = 0.75;
        r.soil_moisture_requir_fresh = 0.875;
        r.soil_moisture_requir_wet = 0.9375;
        r.dispersal_capability = 2.5;
        r.trampling_mortality_typ = 3;
        r.second_generation_start = 27;
        r.second_generation_end = 31;
        r.praedation = 0.4;
        r.WES = 0.1;
        r.WOLA = 0.2;
        r.WKLA = 0.3;
        r.percent_for_overlap = 20;
        for (int k = 1; k <= QUARTER_MONTHS; ++k) r.eggs_by_quarter_month[k - 1] = k / 100.0;
        // The editors never fill predation; a stored version has none.
        r.predation_by_quarter_month.assign(QUARTER_MONTHS, 0.5);
        return r;
    }

    // (speciesID, savetime) of every stored version, oldest first.
    std::vector<std::pair<int, std::string>> versions() {
        std::vector<std::pair<int, std::string>> out;
        for (const auto& row : schema().rows("SELECT speciesID, savetime FROM species ORDER BY speciesID"))
            out.emplace_back(std::stoi(row[0]), row[1]);
        return out;
    }

    static void expect_same_stored_fields(const SpeciesRecord& a, const SpeciesRecord& b) {
        EXPECT_EQ(a.group, b.group);
        EXPECT_EQ(a.name, b.name);
        EXPECT_EQ(a.name_latein, b.name_latein);
        EXPECT_EQ(a.name_editor, b.name_editor);
        EXPECT_EQ(a.grasslandtyp_nr, b.grasslandtyp_nr);
        EXPECT_DOUBLE_EQ(a.spatial_water_requirement, b.spatial_water_requirement);
        EXPECT_DOUBLE_EQ(a.spatial_settlement_requirement, b.spatial_settlement_requirement);
        EXPECT_DOUBLE_EQ(a.spatial_forest_requirement, b.spatial_forest_requirement);
        EXPECT_EQ(a.last_monthquarter_substitut_brood, b.last_monthquarter_substitut_brood);
        EXPECT_DOUBLE_EQ(a.probability_succeccful_sub_brood, b.probability_succeccful_sub_brood);
        EXPECT_EQ(a.critical_reproduction_period, b.critical_reproduction_period);
        EXPECT_EQ(a.reproduction_period, b.reproduction_period);
        EXPECT_DOUBLE_EQ(a.vegetation_requirement_short, b.vegetation_requirement_short);
        EXPECT_DOUBLE_EQ(a.vegetation_requirement_medium, b.vegetation_requirement_medium);
        EXPECT_DOUBLE_EQ(a.vegetation_requirement_tall, b.vegetation_requirement_tall);
        EXPECT_DOUBLE_EQ(a.soil_moisture_requir_dry, b.soil_moisture_requir_dry);
        EXPECT_DOUBLE_EQ(a.soil_moisture_requir_fresh, b.soil_moisture_requir_fresh);
        EXPECT_DOUBLE_EQ(a.soil_moisture_requir_wet, b.soil_moisture_requir_wet);
        EXPECT_DOUBLE_EQ(a.dispersal_capability, b.dispersal_capability);
        EXPECT_DOUBLE_EQ(a.trampling_mortality_typ, b.trampling_mortality_typ);
        EXPECT_EQ(a.second_generation_start, b.second_generation_start);
        EXPECT_EQ(a.second_generation_end, b.second_generation_end);
        EXPECT_DOUBLE_EQ(a.praedation, b.praedation);
        EXPECT_DOUBLE_EQ(a.WES, b.WES);
        EXPECT_DOUBLE_EQ(a.WOLA, b.WOLA);
        EXPECT_DOUBLE_EQ(a.WKLA, b.WKLA);
        EXPECT_DOUBLE_EQ(a.percent_for_overlap, b.percent_for_overlap);
    }
};

TEST_F(SpeciesStoreTest, SaveWritesCompanionRowsByProfileKind) {
    struct Case {
        const char* label;
        const char* group;
        std::vector<int> grassland_ids;
        long long egg_rows;
        long long link_rows;
    } cases[] = {
        {"habitat", kGroupHabitat, {}, 0, 0},
        // Grassland links belong to butterflies only.
        {"bird", kGroupBird, {7, 3}, 1, 0},
        {"butterfly with three types", kGroupButterfly, {7, 3, 5}, 1, 3},
        {"butterfly without types", kGroupButterfly, {}, 1, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        schema().clear_all();
        auto db = connect();
        clear_sent();
        SpeciesRecord r = bird();
        r.group = c.group;
        r.grassland_ids = c.grassland_ids;
        const int id = save_species(*db, r);

        EXPECT_GT(id, 0);
        EXPECT_EQ(schema().count("species"), 1);
        EXPECT_EQ(schema().scalar("SELECT speciesID FROM species"), std::to_string(id));
        EXPECT_EQ(schema().count("quarter_month_eggs"), c.egg_rows);
        EXPECT_EQ(schema().count("quarter_month_predation"), c.egg_rows);
        EXPECT_EQ(schema().count("species_grassland"), c.link_rows);

        // The links are sent in list order, each with the new key.
        std::vector<std::string> link_statements;
        for (const auto& s : sent())
            if (s.rfind("INSERT INTO species_grassland", 0) == 0) link_statements.push_back(s);
        std::vector<std::string> expected;
        if (c.link_rows > 0) {
            for (int g : c.grassland_ids)
                expected.push_back("INSERT INTO species_grassland (grasslandID, speciesID)  VALUES (" +
                                   std::to_string(g) + ", " + std::to_string(id) + ")");
        }
        EXPECT_EQ(link_statements, expected);
        // Read back in the order they were stored.
        EXPECT_EQ(grassland_ids_of_species(*db, id), c.link_rows > 0 ? c.grassland_ids : std::vector<int>{});
        if (c.link_rows > 0) {
            const auto rows = schema().rows("SELECT grasslandID, speciesID FROM species_grassland");
            ASSERT_EQ(rows.size(), 3u);
            for (size_t i = 0; i < rows.size(); ++i) {
                EXPECT_EQ(rows[i][0], std::to_string(c.grassland_ids[i]));
                EXPECT_EQ(rows[i][1], std::to_string(id));
            }
        }
    }
    EXPECT_TRUE(messages().messages().empty());
}

TEST_F(SpeciesStoreTest, BirdStoresEggsInQuarterMonthOrderAndNoPredation) {
    auto db = connect();
    const int id = save_species(*db, bird());

    const auto eggs = schema().rows("SELECT * FROM quarter_month_eggs");
    ASSERT_EQ(eggs.size(), 1u);
    ASSERT_EQ(eggs[0].size(), 49u);
    EXPECT_EQ(eggs[0][0], std::to_string(id));
    for (int k = 1; k <= QUARTER_MONTHS; ++k) EXPECT_DOUBLE_EQ(std::stod(eggs[0][k]), k / 100.0) << "MV" << k;

    const auto predation = schema().rows("SELECT * FROM quarter_month_predation");
    ASSERT_EQ(predation.size(), 1u);
    EXPECT_EQ(predation[0][0], std::to_string(id));
    for (int k = 1; k <= QUARTER_MONTHS; ++k) EXPECT_EQ(std::stod(predation[0][k]), 0.0) << "MV" << k;
}

TEST_F(SpeciesStoreTest, SaveSendsTheStatementsOfAVersion) {
    auto db = connect();
    SpeciesRecord r = bird();
    r.probability_succeccful_sub_brood = 0.123456789;  // six significant digits
    r.eggs_by_quarter_month = {};
    r.eggs_by_quarter_month[12] = 0.5;
    r.eggs_by_quarter_month[13] = 0.5;
    clear_sent();
    const int id = save_species(*db, r);
    const std::string key = std::to_string(id);

    const std::string species =
        "INSERT INTO species (`group`, `name`, `name_latein`, `grasslandtyp_nr`, `spatial_water_requirement`, "
        "`spatial_settlement_requirement`,`spatial_forest_requirement`, `last_monthquarter_substitut_brood`, "
        "`probability_succeccful_sub_brood`,`critical_reproduction_period`, `reproduction_period`, "
        "`vegetation_requirement_short`,`vegetation_requirement_medium`, `vegetation_requirement_tall`, "
        "`soil_moisture_requir_dry`, `soil_moisture_requir_fresh`,`soil_moisture_requir_wet`, "
        "`dispersal_capability`, `trampling_mortality_typ`, `second_generation_start`,`second_generation_end`, "
        "`name_editor`, `praedation`, `WES`, `WOLA`, `WKLA`, `percent_for_overlap`) VALUES "
        "('bird', 'Kiebitz', 'Vanellus vanellus', '4', 0.5, 0.25, 0.125, 22, 0.123457, 6, 9, 1, 0.5, 0.0625, "
        "0.75, 0.875, 0.9375, 2.5, 3, 27, 31, 'mk', 0.4, 0.1, 0.2, 0.3, 20)";
    const std::string columns =
        "speciesID, MV1, MV2, MV3, MV4, MV5, MV6, MV7, MV8, MV9, MV10, MV11, MV12, MV13, MV14, MV15, MV16, MV17, "
        "MV18, MV19, MV20, MV21, MV22, MV23, MV24, MV25, MV26, MV27, MV28, MV29, MV30, MV31, MV32, MV33, MV34, "
        "MV35, MV36, MV37, MV38, MV39, MV40, MV41, MV42, MV43, MV44, MV45, MV46, MV47, MV48";
    std::string egg_values, zeros;
    for (int k = 1; k <= QUARTER_MONTHS; ++k) {
        egg_values += (k == 13 || k == 14) ? ", 0.5" : ", 0";
        zeros += ", 0";
    }
    const std::vector<std::string> expected = {
        species,
        "SELECT LAST_INSERT_ID()",
        "INSERT INTO quarter_month_eggs (" + columns + ") VALUES (" + key + egg_values + ")",
        "INSERT INTO quarter_month_predation (" + columns + ") VALUES (" + key + zeros + ")",
    };
    EXPECT_EQ(sent(), expected);
}

TEST_F(SpeciesStoreTest, SavedBirdLoadsBackByNameAndSavetime) {
    auto db = connect();
    const SpeciesRecord saved = bird();
    const int id = save_species(*db, saved);
    const auto v = versions();
    ASSERT_EQ(v.size(), 1u);

    clear_sent();
    const SpeciesRecord loaded = load_species("name", "Kiebitz", v[0].second);

    ASSERT_GE(sent().size(), 3u);
    EXPECT_EQ(sent()[0], "SELECT * FROM species WHERE name = 'Kiebitz' AND savetime = '" + v[0].second + "'");
    EXPECT_EQ(sent()[1], "SELECT * FROM quarter_month_eggs WHERE  speciesID = " + std::to_string(id));
    EXPECT_EQ(sent()[2], "SELECT * FROM quarter_month_predation WHERE  speciesID = " + std::to_string(id));

    expect_same_stored_fields(loaded, saved);
    EXPECT_EQ(loaded.speciesID, id);
    EXPECT_EQ(loaded.savetime, v[0].second);
    for (int k = 1; k <= QUARTER_MONTHS; ++k) EXPECT_DOUBLE_EQ(eggs_in_quarter_month(loaded, k), k / 100.0);
    EXPECT_EQ(loaded.predation_by_quarter_month, std::vector<double>(QUARTER_MONTHS, 0.0));
    EXPECT_TRUE(loaded.grassland_ids.empty());
    EXPECT_TRUE(messages().messages().empty());
}

TEST_F(SpeciesStoreTest, PredationRowsAppendInOrder) {
    // Only the store's own saves are guarded to one predation row; rows added
    // by hand are appended one after the other.
    auto db = connect();
    const int id = save_species(*db, bird());
    std::string values;
    for (int k = 1; k <= QUARTER_MONTHS; ++k) values += ", " + std::to_string(k);
    schema().exec("INSERT INTO quarter_month_predation VALUES (" + std::to_string(id) + values + ")");

    const SpeciesRecord loaded = load_species("name", "Kiebitz", versions()[0].second);
    ASSERT_EQ(loaded.predation_by_quarter_month.size(), 2u * QUARTER_MONTHS);
    EXPECT_EQ(loaded.predation_by_quarter_month[QUARTER_MONTHS - 1], 0.0);
    EXPECT_EQ(loaded.predation_by_quarter_month[QUARTER_MONTHS], 1.0);
    EXPECT_EQ(loaded.predation_by_quarter_month.back(), 48.0);
}

TEST_F(SpeciesStoreTest, TwoSavesOfOneProfileAreTwoLoadableVersions) {
    auto db = connect();
    SpeciesRecord r = bird();
    const int first = save_species(*db, r);
    r.dispersal_capability = 7.5;
    const int second = save_species(*db, r);
    EXPECT_NE(first, second);

    const auto v = versions();
    ASSERT_EQ(v.size(), 2u);
    EXPECT_NE(v[0].second, v[1].second) << "two saves within one second must stay apart";

    auto savetimes = species_savetimes(*db, "name", "Kiebitz");
    std::sort(savetimes.begin(), savetimes.end());
    EXPECT_EQ(savetimes, (std::vector<std::string>{v[0].second, v[1].second}));
    EXPECT_EQ(list_species_by_group(*db, kGroupBird).size(), 2u);

    const SpeciesRecord a = load_species("name", "Kiebitz", v[0].second);
    const SpeciesRecord b = load_species("name", "Kiebitz", v[1].second);
    EXPECT_EQ(a.speciesID, first);
    EXPECT_EQ(b.speciesID, second);
    EXPECT_DOUBLE_EQ(a.dispersal_capability, 2.5);
    EXPECT_DOUBLE_EQ(b.dispersal_capability, 7.5);
}

TEST_F(SpeciesStoreTest, LoadOfAMissingVersionGivesTheInitialRecord) {
    auto db = connect();
    save_species(*db, bird());

    struct Case {
        const char* label;
        const char* name;
        const char* savetime;
    } cases[] = {
        {"savetime not there", "Kiebitz", "2001-02-03 04:05:06.000007"},
        {"name not there", "Uferschnepfe", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const SpeciesRecord r = load_species("name", c.name, c.savetime);
        EXPECT_EQ(r.speciesID, 0);
        EXPECT_EQ(r.name, " ");
        EXPECT_EQ(r.name_latein, " ");
        EXPECT_EQ(r.group, " ");
        EXPECT_EQ(r.name_editor, " ");
        EXPECT_EQ(r.praedation, 1.0);
        EXPECT_EQ(r.savetime, "");
        EXPECT_EQ(r.dispersal_capability, 0.0);
        EXPECT_EQ(eggs_in_quarter_month(r, 1), 0.0);
        EXPECT_EQ(eggs_in_quarter_month(r, 48), 0.0);
        EXPECT_TRUE(r.predation_by_quarter_month.empty());
    }
    EXPECT_TRUE(messages().messages().empty());
}

TEST_F(SpeciesStoreTest, AwkwardNamesRoundTrip) {
    const char* names[] = {"Devil's-bit fritillary", "O'Brien''s \\ lark", "Großer Brachvogel"};
    for (const char* name : names) {
        SCOPED_TRACE(name);
        schema().clear_all();
        auto db = connect();
        SpeciesRecord r = bird(name);
        r.name_latein = std::string("Latin ") + name;
        r.name_editor = "d'Arcy";
        save_species(*db, r);
        const auto v = versions();
        ASSERT_EQ(v.size(), 1u);

        EXPECT_EQ(list_species_by_group(*db, kGroupBird),
                  std::vector<std::string>{r.name_latein + "/" + name + ", " + v[0].second + ", d'Arcy"});
        EXPECT_EQ(species_savetimes(*db, "name", name), std::vector<std::string>{v[0].second});
        EXPECT_EQ(species_column_value(*db, "name_latein", "name", name), r.name_latein);
        EXPECT_EQ(species_distinct_values(*db, "name"), std::vector<std::string>{name});

        const SpeciesRecord loaded = load_species("name", name, v[0].second);
        EXPECT_EQ(loaded.name, name);
        EXPECT_EQ(loaded.name_latein, r.name_latein);
        EXPECT_EQ(loaded.name_editor, "d'Arcy");
        EXPECT_DOUBLE_EQ(eggs_in_quarter_month(loaded, 13), 0.13);
    }
    EXPECT_TRUE(messages().messages().empty());
}

TEST_F(SpeciesStoreTest, GroupListShowsLatinNameSavetimeAndEditor) {
    auto db = connect();
    SpeciesRecord butterfly = bird("Hochmoor-Perlmuttfalter");
    butterfly.group = kGroupButterfly;
    butterfly.name_latein = "Boloria aquilonaris";
    butterfly.name_editor = "jh";
    SpeciesRecord habitat = bird("Feuchtwiese");
    habitat.group = kGroupHabitat;
    save_species(*db, bird());
    save_species(*db, butterfly);
    save_species(*db, habitat);
    const auto v = versions();
    ASSERT_EQ(v.size(), 3u);

    clear_sent();
    const auto entries = list_species_by_group(*db, kGroupButterfly);
    EXPECT_EQ(sent(), std::vector<std::string>{"SELECT * FROM species WHERE `group` = 'Schmetterling'"});
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0], "Boloria aquilonaris/Hochmoor-Perlmuttfalter, " + v[1].second + ", jh");
    // The server keeps the microseconds of the save.
    EXPECT_TRUE(std::regex_match(v[1].second, std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{6})")))
        << v[1].second;
    EXPECT_TRUE(list_species_by_group(*db, "nothing of that kind").empty());
}

TEST_F(SpeciesStoreTest, ColumnLookupsReadTheLastRowOrNothing) {
    auto db = connect();
    SpeciesRecord r = bird("Kiebitz");
    r.name_latein = "first";
    save_species(*db, r);
    r.name_latein = "second";
    save_species(*db, r);
    save_species(*db, bird("Braunkehlchen"));

    clear_sent();
    EXPECT_EQ(species_column_value(*db, "name_latein", "name", "Kiebitz"), "second");
    EXPECT_EQ(sent().back(), "SELECT name_latein FROM species WHERE name = 'Kiebitz'");
    EXPECT_EQ(species_column_value(*db, "name_latein", "name", "Bekassine"), "");

    auto names = species_distinct_values(*db, "name");
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"Braunkehlchen", "Kiebitz"}));
    EXPECT_EQ(sent().back(), "SELECT DISTINCT name FROM species");

    EXPECT_EQ(species_savetimes(*db, "name", "Braunkehlchen").size(), 1u);
    EXPECT_EQ(sent().back(), "SELECT DISTINCT savetime FROM species WHERE name = 'Braunkehlchen'");
    EXPECT_TRUE(species_savetimes(*db, "name", "Bekassine").empty());
    // An empty result is not a missing one: no notice.
    EXPECT_TRUE(messages().messages().empty());
}

}  // namespace
}  // namespace pravel
