#include "store/agronomy_store.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "support/test_database.h"

namespace pravel {
namespace {

using testing::DatabaseTest;

class AgronomyStoreTest : public DatabaseTest {
protected:
    long long sent_starting_with(const std::string& prefix) const {
        return std::count_if(sent().begin(), sent().end(),
                             [&](const std::string& s) { return s.rfind(prefix, 0) == 0; });
    }
};

TEST_F(AgronomyStoreTest, CostParametersSumObjectCostsWeightedByQuotient) {
    schema().exec(
        "INSERT INTO variable_costs (methodID, utilisation_years, amount_of_seeds, seed_price, legume_portion, "
        "maschine_rental, personal_costs_per_Akh, reduced_fertilisation_cost) VALUES (6, 5, 25.5, 3.2, 0.15, "
        "40, 12.5, 33)");
    schema().exec("INSERT INTO variable_costs (methodID, utilisation_years) VALUES (7, 99)");
    schema().exec("INSERT INTO object_for_method (methodID, objectID, quotient) VALUES (6, 101, 0.5), "
                  "(6, 102, 0.25), (7, 101, 1)");
    schema().exec(
        "INSERT INTO objectcosts (objectID, object_name, `hours_akh/ha`, `diesel_eur/ha`, `maintenance_eur/ha`, "
        "`other_eur/ha`) VALUES (101, 'mower', 10, 8, 4, 2), (102, 'baler', 20, 12, 16, 40)");
    auto db = connect();

    CostParameterSet set;
    set.total = 111.0;
    set.saving = 22.0;
    set.hours_akh_ha = 500.0;  // left from an earlier use of the record
    load_cost_parameters(*db, 6, set);

    EXPECT_DOUBLE_EQ(set.hours_akh_ha, 10.0);  // 10 * 0.5 + 20 * 0.25
    EXPECT_DOUBLE_EQ(set.diesel_eur_ha, 7.0);
    EXPECT_DOUBLE_EQ(set.maintenance_eur_ha, 6.0);
    EXPECT_DOUBLE_EQ(set.other_eur_ha, 11.0);
    EXPECT_EQ(set.utilisation_years, 5);
    EXPECT_DOUBLE_EQ(set.amount_of_seeds, 25.5);
    EXPECT_DOUBLE_EQ(set.seed_price, 3.2);
    EXPECT_DOUBLE_EQ(set.legume_portion, 0.15);
    EXPECT_DOUBLE_EQ(set.maschine_rental, 40.0);
    EXPECT_DOUBLE_EQ(set.personal_costs_per_Akh, 12.5);
    EXPECT_DOUBLE_EQ(set.reduced_fertilisation_cost, 33.0);
    EXPECT_DOUBLE_EQ(set.total, 111.0) << "working values are not touched";
    EXPECT_DOUBLE_EQ(set.saving, 22.0);

    const std::vector<std::string> expected = {
        "SELECT * FROM variable_costs WHERE  methodID = 6",
        std::string("SELECT ") + "*" + " FROM object_for_method WHERE methodID = " + "6",
        "SELECT * FROM objectcosts WHERE  objectID = 101",
        "SELECT * FROM objectcosts WHERE  objectID = 102",
    };
    EXPECT_EQ(sent(), expected);
}

TEST_F(AgronomyStoreTest, MethodWithoutRowsKeepsValuesAndZeroesMachinerySums) {
    auto db = connect();
    CostParameterSet set;
    set.utilisation_years = 4;
    set.seed_price = 2.5;
    set.other_eur_ha = 9.0;
    load_cost_parameters(*db, 3, set);
    EXPECT_EQ(set.utilisation_years, 4);
    EXPECT_DOUBLE_EQ(set.seed_price, 2.5);
    EXPECT_DOUBLE_EQ(set.other_eur_ha, 0.0);
}

TEST_F(AgronomyStoreTest, MethodFeedKeepsTheMethodNumberEvenWithoutRow) {
    schema().exec("INSERT INTO method (methodID, method_name, energy_matter_ref_380N, energy_matter_ref_245N, "
                  "price_compensation_feed, faktor_compenstion_feed) VALUES (11, 'mow and graze', 62, 58, 0.21, 3)");
    auto db = connect();

    const MethodFeedRow row = load_method_feed(*db, 11);
    EXPECT_EQ(row.methodID, 11);
    EXPECT_EQ(row.energy_matter_ref_380N, 62);
    EXPECT_EQ(row.energy_matter_ref_245N, 58);
    EXPECT_DOUBLE_EQ(row.price_compensation_feed, 0.21);
    EXPECT_EQ(row.faktor_compenstion_feed, 3);
    EXPECT_EQ(sent().back(), std::string("SELECT ") + "*" + " FROM method WHERE methodID = " + "11");

    const MethodFeedRow missing = load_method_feed(*db, 12);
    EXPECT_EQ(missing.methodID, 12);
    EXPECT_EQ(missing.energy_matter_ref_380N, 0);
    EXPECT_DOUBLE_EQ(missing.price_compensation_feed, 0.0);
}

class UsabilityTest : public AgronomyStoreTest {
protected:
    void SetUp() override {
        AgronomyStoreTest::SetUp();
        schema().exec("INSERT INTO usability_first_cut (quarter_month, N_fertilizer_max, usability1, energy_content) "
                      "VALUES (20, 120, 0.85, 6), (24, 1, 1, 1)");
        // Interval k gives N = 10k, usability k/10, energy k.
        schema().exec("INSERT INTO usability_other_cuts (cut_interval, N_fertilizer_max, usability1, energy_content) "
                      "VALUES (2, 20, 0.2, 2), (3, 30, 0.3, 3), (4, 40, 0.4, 4), (5, 50, 0.5, 5)");
        schema().exec("INSERT INTO livestock (livestockID, livestock_name, GVE, uptake_rate) VALUES "
                      "(0, 'none', 0.05, 0.5), (3, 'suckler cows', 1.2, 14.5), (5, 'sheep', 0.15, 2.1)");
        schema().exec(
            "INSERT INTO cut_use (methodID, disturbance_correction_dry_matter_first_cut, "
            "disturbance_correction_dry_matter_second_cut, disturbance_correction_dry_matter_other_cuts, "
            "regrowth_delay_dry_matter_first_cut, regrowth_delay_dry_matter_second_cut, "
            "regrowth_delay_dry_matter_other_cuts) VALUES (2, 0.9, 0.8, 0.7, 1, 0, 1)");
    }

    // A record whose loaded members hold a marker, to see which are set.
    static UsabilityParameters marked() {
        UsabilityParameters r;
        r.N_fertilizer_max.fill(-1);
        r.usability1.fill(-1.0);
        r.energy_content.fill(-1);
        r.livestockID.fill(-1);
        r.GVE.fill(-1.0);
        r.uptake_rate.fill(-1.0);
        r.GVE_copy.fill(-1.0);
        return r;
    }
};

TEST_F(UsabilityTest, LaterUsesAreLoadedOnlyWhileEachEarlierUseExists) {
    struct Case {
        int d2, d3, d4;
        std::array<int, 4> expected_n;
    } cases[] = {
        {0, 0, 0, {120, -1, -1, -1}},
        {0, 4, 5, {120, -1, -1, -1}},  // no second use: d3 and d4 mean nothing
        {3, 0, 5, {120, 30, -1, -1}},
        {2, 4, 0, {120, 20, 40, -1}},
        {2, 4, 5, {120, 20, 40, 50}},
        {2, 9, 5, {120, 20, -1, 50}},  // an interval without row leaves its use alone
    };
    auto db = connect();
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.d2 << "," << c.d3 << "," << c.d4);
        clear_sent();
        UsabilityParameters r = marked();
        load_usability_parameters(*db, r, 2, 20, c.d2, c.d3, c.d4, {0, 0, 0, 0}, {0, 0, 0, 0});
        EXPECT_EQ(r.N_fertilizer_max, c.expected_n);
        for (int k = 0; k < 4; ++k) {
            if (c.expected_n[k] == -1) {
                EXPECT_DOUBLE_EQ(r.usability1[k], -1.0);
                EXPECT_EQ(r.energy_content[k], -1);
            } else if (k > 0) {
                EXPECT_DOUBLE_EQ(r.usability1[k], c.expected_n[k] / 100.0);
                EXPECT_EQ(r.energy_content[k], c.expected_n[k] / 10);
            }
        }
        EXPECT_DOUBLE_EQ(r.usability1[0], 0.85);
        EXPECT_EQ(r.energy_content[0], 6);
        const int later_uses = c.d2 == 0 ? 0 : (c.d3 == 0 ? 1 : (c.d4 == 0 ? 2 : 3));
        EXPECT_EQ(sent_starting_with("SELECT * FROM usability_other_cuts"), later_uses);
        EXPECT_EQ(sent_starting_with("SELECT * FROM livestock"), 0) << "no grazing use";
    }
}

TEST_F(UsabilityTest, LivestockRowIsReadForNamedTypeOrPlausibleDensity) {
    struct Case {
        const char* label;
        int id;
        double density;
        bool queried;
        double gve;  // expected GVE after loading (-1: untouched)
    } cases[] = {
        {"no livestock, no density", 0, 0.0, false, -1.0},
        {"no livestock, density 1.5", 0, 1.5, true, 0.05},
        {"no livestock, density at the lower bound", 0, 0.001, false, -1.0},
        {"no livestock, density at the upper bound", 0, 99.0, false, -1.0},
        {"no livestock, density just below the upper bound", 0, 98.5, true, 0.05},
        {"named type, no density", 3, 0.0, true, 1.2},
        {"named type without row", 8, 1.0, true, -1.0},
    };
    auto db = connect();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        clear_sent();
        UsabilityParameters r = marked();
        // The case is grazing use 3; the other uses graze nothing.
        load_usability_parameters(*db, r, 2, 20, 0, 0, 0, {0, 0, c.id, 0}, {0, 0, c.density, 0});
        const std::string statement = "SELECT * FROM livestock WHERE  livestockID = " + std::to_string(c.id);
        EXPECT_EQ(std::count(sent().begin(), sent().end(), statement), c.queried ? 1 : 0);
        EXPECT_EQ(sent_starting_with("SELECT * FROM livestock"), c.queried ? 1 : 0);
        EXPECT_DOUBLE_EQ(r.GVE[2], c.gve);
        EXPECT_DOUBLE_EQ(r.GVE_copy[2], c.gve);
        EXPECT_DOUBLE_EQ(r.GVE[0], -1.0);
    }
}

TEST_F(UsabilityTest, FullLoadSendsItsStatementsInOrderAndFillsTheRecord) {
    auto db = connect();
    UsabilityParameters r = marked();
    load_usability_parameters(*db, r, 2, 20, 3, 4, 2, {3, 0, 5, 0}, {1.4, 0, 0.0625, 0});

    const std::vector<std::string> expected = {
        std::string("SELECT * FROM usability_first_cut WHERE quarter_month = ") + "20",
        std::string("SELECT * FROM usability_other_cuts WHERE  ") + "cut_interval = " + "3",
        std::string("SELECT * FROM usability_other_cuts WHERE  ") + "cut_interval = " + "4",
        std::string("SELECT * FROM usability_other_cuts WHERE  ") + "cut_interval = " + "2",
        std::string("SELECT * FROM livestock WHERE  livestockID = ") + "3",
        std::string("SELECT * FROM livestock WHERE  livestockID = ") + "5",
        std::string("SELECT * FROM cut_use WHERE  methodID = ") + "2",
    };
    EXPECT_EQ(sent(), expected);

    EXPECT_EQ(r.N_fertilizer_max, (std::array<int, 4>{120, 30, 40, 20}));
    EXPECT_EQ(r.livestockID, (std::array<int, 4>{3, -1, 5, -1}));
    EXPECT_DOUBLE_EQ(r.GVE[0], 1.2);
    EXPECT_DOUBLE_EQ(r.uptake_rate[0], 14.5);
    EXPECT_DOUBLE_EQ(r.GVE_copy[0], 1.2);
    EXPECT_DOUBLE_EQ(r.uptake_rate[2], 2.1);
    EXPECT_DOUBLE_EQ(r.disturbance_correction_dry_matter_first_cut, 0.9);
    EXPECT_DOUBLE_EQ(r.disturbance_correction_dry_matter_second_cut, 0.8);
    EXPECT_DOUBLE_EQ(r.disturbance_correction_dry_matter_other_cuts, 0.7);
    EXPECT_TRUE(r.regrowth_delay_dry_matter_first_cut);
    EXPECT_FALSE(r.regrowth_delay_dry_matter_second_cut);
    EXPECT_TRUE(r.regrowth_delay_dry_matter_other_cuts);
}

TEST_F(AgronomyStoreTest, TramplingFactorAndRegrowthDelayLookUpTheirPair) {
    schema().exec("INSERT INTO trampling_mortality (trampling_mortality_typ, livestockID, factor) VALUES "
                  "(0.3, 2, 0.45), (0.3, 5, 0.6), (1, 2, 0.9)");
    schema().exec("INSERT INTO regrowth_delay_dry_matter (previous_cut, next_cut, regrowth_delay) VALUES "
                  "(1, 2, 3), (2, 3, 1), (2, 4, 2)");
    auto db = connect();

    EXPECT_DOUBLE_EQ(trampling_factor(*db, 2, 0.3), 0.45);
    EXPECT_EQ(sent().back(), std::string("SELECT factor FROM trampling_mortality WHERE ") +
                                 "(trampling_mortality_typ = " + "0.3" + " AND livestockID = " + "2" + ")");
    EXPECT_DOUBLE_EQ(trampling_factor(*db, 5, 0.3), 0.6);
    EXPECT_DOUBLE_EQ(trampling_factor(*db, 2, 1.0), 0.9);
    EXPECT_DOUBLE_EQ(trampling_factor(*db, 7, 0.3), 0.0);

    EXPECT_EQ(regrowth_delay(*db, 2, 4), 2);
    EXPECT_EQ(sent().back(), std::string("SELECT regrowth_delay FROM regrowth_delay_dry_matter ") +
                                 "WHERE  previous_cut = " + "2" + " AND next_cut = " + "4");
    EXPECT_EQ(regrowth_delay(*db, 1, 2), 3);
    EXPECT_EQ(regrowth_delay(*db, 4, 2), 0);
}

TEST_F(AgronomyStoreTest, GrowthRateReadsBandOne) {
    auto db = connect();
    const GrowthRateRow empty = load_growth_rate(*db);
    EXPECT_EQ(empty.hightID, 1);
    EXPECT_EQ(empty.grasslandvalue_max, 0);
    EXPECT_DOUBLE_EQ(empty.high_max, 0.0);
    EXPECT_EQ(sent().back(), std::string("SELECT * FROM growth_rate WHERE hightID  = ") + "1");

    schema().exec("INSERT INTO growth_rate (hightID, grasslandvalue_max, livestock_density_max, "
                  "livestock_density_min, low_min, medium_min, high_min, low_max, medium_max, high_max) VALUES "
                  "(2, 9, 9, 9, 9, 9, 9, 9, 9, 9), (1, 70, 2.5, 0.3, 1, 2, 3, 4, 5, 6)");
    const GrowthRateRow row = load_growth_rate(*db);
    EXPECT_EQ(row.hightID, 1);
    EXPECT_EQ(row.grasslandvalue_max, 70);
    EXPECT_DOUBLE_EQ(row.livestock_density_max, 2.5);
    EXPECT_DOUBLE_EQ(row.livestock_density_min, 0.3);
    EXPECT_DOUBLE_EQ(row.low_min, 1.0);
    EXPECT_DOUBLE_EQ(row.medium_min, 2.0);
    EXPECT_DOUBLE_EQ(row.high_min, 3.0);
    EXPECT_DOUBLE_EQ(row.low_max, 4.0);
    EXPECT_DOUBLE_EQ(row.medium_max, 5.0);
    EXPECT_DOUBLE_EQ(row.high_max, 6.0);
}

TEST_F(AgronomyStoreTest, DryMatterListPutsQuarterMonthKAtIndexK) {
    // Level 245: MVk = 1000 + k; level 380: MVk = 2000 + k.
    for (int level : {245, 380}) {
        std::string columns = "`N-fertilizer`", values = std::to_string(level);
        for (int k = 1; k <= 48; ++k) {
            columns += ", MV" + std::to_string(k);
            values += ", " + std::to_string((level == 245 ? 1000 : 2000) + k);
        }
        schema().exec("INSERT INTO quarter_month_dry_matter (" + columns + ") VALUES (" + values + ")");
    }
    auto db = connect();

    std::vector<int> curve;
    load_dry_matter_curves(*db, 245, curve);
    ASSERT_EQ(curve.size(), 49u);
    EXPECT_EQ(curve[0], 0);
    for (int k = 1; k <= 48; ++k) EXPECT_EQ(curve[k], 1000 + k) << "quarter month " << k;
    EXPECT_EQ(sent().back(),
              std::string("SELECT * FROM quarter_month_dry_matter WHERE ") + "`N-fertilizer` = " + "245");

    // Appends to what the caller already holds.
    load_dry_matter_curves(*db, 380, curve);
    ASSERT_EQ(curve.size(), 98u);
    EXPECT_EQ(curve[49], 0);
    EXPECT_EQ(curve[49 + 48], 2048);

    load_dry_matter_curves(*db, 100, curve);
    EXPECT_EQ(curve.size(), 98u);
}

}  // namespace
}  // namespace pravel
