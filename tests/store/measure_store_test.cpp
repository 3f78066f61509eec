#include "store/measure_store.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <iomanip>
#include <sstream>
#include <stdexcept>

#include "common/sql_text.h"
#include "support/test_database.h"

namespace pravel {
namespace {

using testing::DatabaseTest;

// One `measures` row; unnamed columns keep the table's defaults.
struct Row {
    int measureID = 0;
    std::string name;
    int first_use = 0;
    int d2 = 0, d3 = 0, d4 = 0;
    double density[4] = {0, 0, 0, 0};
    int livestock[4] = {0, 0, 0, 0};
    int early_land_use = 0;
    int method_nr = 0;
    int selection = 0;
    bool prior_cropland = false;
    bool fertilization = false;
};

class MeasureStoreTest : public DatabaseTest {
protected:
    void add(const Row& r) {
        SqlText s;
        s << "INSERT INTO measures (measureID, name, month_quarter_first_use, distance_2use, distance_3use, "
          << "distance_4use, early_land_use, prior_cropland, fertilization, livestock_density_1, "
          << "livestock_density_2, livestock_density_3, livestock_density_4, livestockID_1, livestockID_2, "
          << "livestockID_3, livestockID_4, method_nr, selection) VALUES (" << r.measureID << ", '"
          << SqlValue{r.name} << "', " << r.first_use << ", " << r.d2 << ", " << r.d3 << ", " << r.d4 << ", "
          << r.early_land_use << ", " << r.prior_cropland << ", " << r.fertilization;
        // Densities are written with full precision so that a stored value
        // may differ from its six-digit text.
        for (double d : r.density) {
            std::ostringstream full;
            full << std::setprecision(17) << d;
            s << ", " << full.str();
        }
        for (int id : r.livestock) s << ", " << id;
        s << ", " << r.method_nr << ", " << r.selection << ")";
        schema().exec(s);
    }
    void add_livestock(int id, const std::string& name) {
        SqlText s;
        s << "INSERT INTO livestock (livestockID, livestock_name, GVE, uptake_rate) VALUES (" << id << ", '"
          << SqlValue{name} << "', 1, 1)";
        schema().exec(s);
    }
    static std::vector<int> ids_of(const std::vector<MeasureRecord>& list) {
        std::vector<int> out;
        for (const auto& m : list) out.push_back(m.measureID);
        return out;
    }
};

// "SELECT DISTINCT" returns rows in the server's order; compare as sets.
template <typename T>
std::vector<T> sorted(std::vector<T> v) {
    std::sort(v.begin(), v.end());
    return v;
}

TEST_F(MeasureStoreTest, NarrowingQueriesOfferTheValuesOfRowsMatchingEarlierChoices) {
    add({.measureID = 1, .name = "mowing", .first_use = 20, .d2 = 6, .d3 = 4, .selection = 3});
    add({.measureID = 2, .name = "mowing", .first_use = 20, .d2 = 6, .d3 = 8, .selection = 3});
    add({.measureID = 3, .name = "mowing", .first_use = 20, .d2 = 10, .d3 = 0, .selection = 5});
    add({.measureID = 4, .name = "mowing", .first_use = 24, .d2 = 2, .d3 = 2, .d4 = 2});
    add({.measureID = 5, .name = "grazing", .first_use = 16, .d2 = 6, .d3 = 6, .d4 = 3});
    auto db = connect();

    EXPECT_EQ(sorted(measure_names(*db)), (std::vector<std::string>{"grazing", "mowing"}));
    EXPECT_EQ(sorted(measure_selections(*db)), (std::vector<int>{0, 3, 5}));
    EXPECT_EQ(sorted(first_use_choices(*db, "mowing")), (std::vector<int>{20, 24}));
    EXPECT_EQ(sorted(second_use_distance_choices(*db, "mowing", 20)), (std::vector<int>{6, 10}));
    EXPECT_EQ(sorted(third_use_distance_choices(*db, "mowing", 20, 6)), (std::vector<int>{4, 8}));
    EXPECT_EQ(fourth_use_distance_choices(*db, "mowing", 20, 6, 8), (std::vector<int>{0}));
    EXPECT_EQ(fourth_use_distance_choices(*db, "grazing", 16, 6, 6), (std::vector<int>{3}));
    EXPECT_TRUE(first_use_choices(*db, "unknown").empty());
    EXPECT_TRUE(messages().messages().empty()) << "an empty result is no missing result set";
}

TEST_F(MeasureStoreTest, MeasureWithoutLaterUsesNarrowsToZeroAndIsFetched) {
    add({.measureID = 7, .name = "late mowing", .first_use = 28, .method_nr = 2});
    add({.measureID = 8, .name = "late mowing", .first_use = 30, .d2 = 4, .method_nr = 3});
    auto db = connect();

    EXPECT_EQ(second_use_distance_choices(*db, "late mowing", 28), (std::vector<int>{0}));
    EXPECT_EQ(third_use_distance_choices(*db, "late mowing", 28, 0), (std::vector<int>{0}));
    EXPECT_EQ(fourth_use_distance_choices(*db, "late mowing", 28, 0, 0), (std::vector<int>{0}));
    const MeasureTiming t{"late mowing", 28, 0, 0, 0};
    EXPECT_EQ(livestock_choices(*db, t, 1, {}, {}), (std::vector<std::string>{"measure without livestock"}));
    EXPECT_EQ(first_density_choices_short(*db, t), (std::vector<double>{0.0}));

    const MeasureRecord m = find_measure(*db, t, 0.0, 0);
    EXPECT_EQ(m.measureID, 7);
    EXPECT_EQ(m.method_nr, 2);
    EXPECT_EQ(m.name, "late mowing");
}

TEST_F(MeasureStoreTest, LivestockChoicesNameEachTypeOnce) {
    add_livestock(3, "suckler cows");
    add_livestock(5, "sheep");
    add({.measureID = 1, .name = "grazing", .first_use = 16, .d2 = 8});
    add({.measureID = 2, .name = "grazing", .first_use = 16, .d2 = 8, .density = {1.4, 0, 0, 0}, .livestock = {3}});
    add({.measureID = 3, .name = "grazing", .first_use = 16, .d2 = 8, .density = {0.8, 0, 0, 0}, .livestock = {3}});
    // A type without a `livestock` row is not offered.
    add({.measureID = 4, .name = "grazing", .first_use = 16, .d2 = 8, .density = {0.5, 0, 0, 0}, .livestock = {9}});
    add({.measureID = 5,
         .name = "grazing",
         .first_use = 16,
         .d2 = 8,
         .density = {1.4, 0.6, 0, 0},
         .livestock = {3, 5, 0, 0}});
    auto db = connect();
    const MeasureTiming t{"grazing", 16, 8, 0, 0};

    auto first = livestock_choices(*db, t, 1, {}, {});
    EXPECT_EQ(sorted(first), (std::vector<std::string>{"3,suckler cows", "measure without livestock"}));
    EXPECT_EQ(sorted(density_choices(*db, t, 1, {}, {3})), (std::vector<double>{0.8, 1.4}));
    EXPECT_EQ(sorted(livestock_choices(*db, t, 2, {1.4}, {3})),
              (std::vector<std::string>{"5,sheep", "measure without livestock"}));
    EXPECT_EQ(density_choices(*db, t, 2, {1.4}, {3, 5}), (std::vector<double>{0.6}));
    EXPECT_EQ(livestock_choices(*db, t, 3, {1.4, 0.6}, {3, 5}),
              (std::vector<std::string>{"measure without livestock"}));
    EXPECT_TRUE(messages().messages().empty());
}

TEST_F(MeasureStoreTest, LivestockChoicesLookUpEachTypeByItsOwnStatement) {
    add_livestock(3, "suckler cows");
    add({.measureID = 1, .name = "grazing", .first_use = 16, .density = {1, 0, 0, 0}, .livestock = {3}});
    auto db = connect();
    livestock_choices(*db, {"grazing", 16, 0, 0, 0}, 1, {}, {});
    ASSERT_EQ(sent().size(), 2u);
    EXPECT_EQ(sent()[1], std::string("SELECT * FROM livestock WHERE  ") + "livestockID = " + "3");
}

TEST_F(MeasureStoreTest, DensityIsComparedByItsSixDigitText) {
    add({.measureID = 1, .name = "grazing", .first_use = 16, .density = {1.4, 0, 0, 0}, .livestock = {3}});
    // More digits than the text of a number carries: offered, never fetched.
    add({.measureID = 2, .name = "grazing", .first_use = 18, .density = {1.2345678, 0, 0, 0}, .livestock = {3}});
    auto db = connect();

    const MeasureTiming t14{"grazing", 16, 0, 0, 0};
    EXPECT_EQ(density_choices(*db, t14, 1, {}, {3}), (std::vector<double>{1.4}));
    EXPECT_EQ(find_measure(*db, t14, 1.4, 3).measureID, 1);
    EXPECT_EQ(find_measure_full(*db, t14, {1.4, 0, 0, 0}, {3, 0, 0, 0}).measureID, 1);

    const MeasureTiming tlong{"grazing", 18, 0, 0, 0};
    const auto offered = density_choices(*db, tlong, 1, {}, {3});
    ASSERT_EQ(offered.size(), 1u);
    EXPECT_DOUBLE_EQ(offered[0], 1.2345678);
    const MeasureRecord none = find_measure(*db, tlong, offered[0], 3);
    EXPECT_EQ(none.measureID, 0);
    EXPECT_EQ(none.name, "");
    EXPECT_TRUE(messages().messages().empty());
}

TEST_F(MeasureStoreTest, FullFetchDistinguishesLaterGrazingUses) {
    for (int k = 0; k < 3; ++k) {
        add({.measureID = 10 + k,
             .name = "rotational grazing",
             .first_use = 14,
             .d2 = 4,
             .d3 = 4,
             .d4 = 4,
             .density = {1.0, 1.0, k == 1 ? 0.5 : 1.0, 1.0},
             .livestock = {2, 2, 2, k == 2 ? 4 : 2},
             .method_nr = 7,
             .prior_cropland = true,
             .fertilization = k == 0});
    }
    auto db = connect();
    const MeasureTiming t{"rotational grazing", 14, 4, 4, 4};
    struct Case {
        std::array<double, 4> densities;
        std::array<int, 4> ids;
        int expected;
    } cases[] = {
        {{1, 1, 1, 1}, {2, 2, 2, 2}, 10},
        {{1, 1, 0.5, 1}, {2, 2, 2, 2}, 11},
        {{1, 1, 1, 1}, {2, 2, 2, 4}, 12},
        {{1, 1, 0.5, 1}, {2, 2, 2, 4}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(find_measure_full(*db, t, c.densities, c.ids).measureID, c.expected);
    }
    const MeasureRecord m = find_measure_full(*db, t, {1, 1, 1, 1}, {2, 2, 2, 2});
    EXPECT_EQ(m.distance_4use, 4);
    EXPECT_EQ(m.livestockID_4, 2);
    EXPECT_DOUBLE_EQ(m.livestock_density_3, 1.0);
    EXPECT_TRUE(m.prior_cropland);
    EXPECT_TRUE(m.fertilization);
    EXPECT_FALSE(m.is_refuge_strip);
    // The first-use fetch sees all three and keeps the last row.
    EXPECT_NE(find_measure(*db, t, 1.0, 2).measureID, 0);
}

TEST_F(MeasureStoreTest, StatementsAreSentAsWritten) {
    auto db = connect();
    const MeasureTiming t{"grazing", 16, 8, 4, 0};
    const std::string P = std::string("name = '") + "grazing" + "' AND month_quarter_first_use = " + "16" +
                          " AND distance_2use = " + "8" + " AND distance_3use = " + "4" +
                          " AND distance_4use = " + "0";
    const std::string pair1 = std::string(" AND  livestock_density_1 = ") + "1.4" + " AND livestockID_1   = " + "3";
    const std::string pair2 = std::string(" AND  livestock_density_2 = ") + "0.0625" + " AND livestockID_2   = " + "5";
    const std::string pair3 = std::string(" AND  livestock_density_3 = ") + "2" + " AND livestockID_3   = " + "7";
    const std::vector<double> dens = {1.4, 0.0625, 2.0};
    const std::vector<int> ids = {3, 5, 7, 9};

    struct Case {
        const char* label;
        std::function<void()> run;
        std::string expected;
    } cases[] = {
        {"livestock 1", [&] { livestock_choices(*db, t, 1, dens, ids); },
         "SELECT DISTINCT livestockID_1 FROM measures WHERE " + P},
        {"livestock 2", [&] { livestock_choices(*db, t, 2, dens, ids); },
         "SELECT DISTINCT livestockID_2 FROM measures WHERE " + P + " AND livestock_density_1 = " + "1.4" +
             " AND livestockID_1   = " + "3"},
        {"livestock 3", [&] { livestock_choices(*db, t, 3, dens, ids); },
         "SELECT DISTINCT livestockID_3 FROM measures WHERE " + P + pair1 + pair2},
        {"livestock 4", [&] { livestock_choices(*db, t, 4, dens, ids); },
         "SELECT DISTINCT livestockID_4 FROM measures WHERE " + P + pair1 + pair2 + pair3},
        {"density short", [&] { first_density_choices_short(*db, t); },
         "SELECT DISTINCT livestock_density_1 FROM measures WHERE " + P},
        {"density 1", [&] { density_choices(*db, t, 1, dens, ids); },
         "SELECT DISTINCT livestock_density_1 FROM measures WHERE " + P + " AND livestockID_1   = " + "3"},
        {"density 2", [&] { density_choices(*db, t, 2, dens, ids); },
         "SELECT DISTINCT livestock_density_2 FROM measures WHERE " + P + pair1 + " AND livestockID_2   = " + "5"},
        {"density 3", [&] { density_choices(*db, t, 3, dens, ids); },
         "SELECT DISTINCT livestock_density_3 FROM measures WHERE " + P + pair1 + pair2 +
             " AND livestockID_3   = " + "7"},
        {"density 4", [&] { density_choices(*db, t, 4, dens, ids); },
         "SELECT DISTINCT livestock_density_4 FROM measures WHERE " + P + pair1 + pair2 + pair3 +
             " AND livestockID_4   = " + "9"},
        {"first uses", [&] { first_use_choices(*db, "grazing"); },
         std::string("SELECT DISTINCT month_quarter_first_use FROM measures ") + "WHERE name = '" + "grazing" + "'"},
        {"find", [&] { find_measure(*db, t, 1.4, 3); },
         std::string("SELECT  * FROM measures WHERE name = '") + "grazing" + "' AND month_quarter_first_use = " +
             "16" + " AND  distance_2use =" + "8" + " AND  distance_3use =" + "4" + " AND  distance_4use =" + "0" +
             " AND  livestock_density_1 = " + "1.4" + " AND livestockID_1   = " + "3"},
        {"find full", [&] { find_measure_full(*db, t, {1.4, 0.0625, 2.0, 1e-07}, {3, 5, 7, 9}); },
         std::string("SELECT  * FROM measures WHERE name = '") + "grazing" + "' AND month_quarter_first_use = " +
             "16" + " AND  distance_2use =" + "8" + " AND  distance_3use =" + "4" + " AND  distance_4use =" + "0" +
             " AND  livestock_density_1 = " + "1.4" + " AND livestockID_1   = " + "3" +
             " AND  livestock_density_2 = " + "0.0625" + " AND livestockID_2   = " + "5" +
             " AND  livestock_density_3 = " + "2" + " AND livestockID_3   = " + "7" +
             " AND  livestock_density_4 = " + "1e-07" + " AND livestockID_4   = " + "9"},
        {"without early use", [&] { measures_by_name_without_early_use(*db, "grazing"); },
         std::string("SELECT  * FROM measures WHERE name = '") + "grazing" + "'" + "AND early_land_use = 0"},
        {"by selection", [&] { measures_by_selection(*db, 4); }, "SELECT  * FROM measures WHERE selection = 4"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        clear_sent();
        c.run();
        ASSERT_EQ(sent().size(), 1u);
        EXPECT_EQ(sent()[0], c.expected);
    }
}

TEST_F(MeasureStoreTest, GrazingUseOutsideOneToFourIsRefused) {
    auto db = connect();
    const MeasureTiming t{"grazing", 16, 0, 0, 0};
    EXPECT_THROW(livestock_choices(*db, t, 5, {1, 1, 1, 1}, {1, 1, 1, 1}), std::invalid_argument);
    EXPECT_THROW(density_choices(*db, t, 0, {}, {}), std::invalid_argument);
    EXPECT_THROW(density_choices(*db, t, 2, {1.0}, {3}), std::invalid_argument) << "livestock of use 2 missing";
    EXPECT_TRUE(sent().empty());
}

TEST_F(MeasureStoreTest, BulkLoadsReturnTheirRowsWithRefugeStripsFlagged) {
    add({.measureID = 1, .name = "refuge strips", .first_use = 20, .early_land_use = 0, .selection = 2});
    add({.measureID = 2, .name = "mowing", .first_use = 12, .early_land_use = 1, .selection = 2});
    add({.measureID = 3, .name = "mowing", .first_use = 24, .early_land_use = 0, .selection = 4});
    add({.measureID = 4, .name = "refuge strips", .first_use = 8, .early_land_use = 1, .selection = 4});
    add({.measureID = 5, .name = "Refuge strips", .first_use = 8, .selection = 4});
    auto db = connect();

    const auto all = all_measures(*db);
    ASSERT_EQ(all.size(), 5u);
    for (const auto& m : all) {
        SCOPED_TRACE(m.measureID);
        EXPECT_EQ(m.is_refuge_strip, m.measureID == 1 || m.measureID == 4) << "exact, case-sensitive name";
    }
    EXPECT_EQ(sorted(ids_of(measures_by_selection(*db, 4))), (std::vector<int>{3, 4, 5}));
    EXPECT_EQ(ids_of(measures_by_name_without_early_use(*db, "mowing")), (std::vector<int>{3}));
    const auto early = measures_with_early_use(*db);
    EXPECT_EQ(sorted(ids_of(early)), (std::vector<int>{2, 4}));
    for (const auto& m : early) EXPECT_EQ(m.is_refuge_strip, m.measureID == 4);
    EXPECT_TRUE(measures_by_selection(*db, 99).empty());
    EXPECT_TRUE(messages().messages().empty());
}

TEST_F(MeasureStoreTest, PreselectedMeasuresFollowTheSelectionRows) {
    add({.measureID = 1, .name = "mowing"});
    add({.measureID = 2, .name = "refuge strips"});
    add({.measureID = 3, .name = "grazing"});
    schema().exec("INSERT INTO selection (measureID, selectie3) VALUES (3, 20), (2, 10), (1, 20), (42, 20)");
    auto db = connect();

    const auto pre = preselected_measures(*db);
    ASSERT_EQ(pre.size(), 2u) << "an unknown measure adds nothing";
    // Each preselected measure is fetched by its own statement.
    ASSERT_EQ(sent().size(), 4u);
    EXPECT_EQ(sent()[0], "SELECT * FROM selection WHERE selectie3 = 20");
    std::vector<std::string> fetched(sent().begin() + 1, sent().end());
    EXPECT_EQ(sorted(fetched), (std::vector<std::string>{"SELECT  * FROM measures WHERE measureID = 1",
                                                          "SELECT  * FROM measures WHERE measureID = 3",
                                                          "SELECT  * FROM measures WHERE measureID = 42"}));
    EXPECT_EQ(sorted(ids_of(pre)), (std::vector<int>{1, 3}));
    EXPECT_TRUE(messages().messages().empty());
}

TEST_F(MeasureStoreTest, NameWithApostropheIsFoundLikeAnyOther) {
    const std::string name = "farmer's late \\ mowing";
    add({.measureID = 6, .name = name, .first_use = 26, .d2 = 6, .method_nr = 4});
    auto db = connect();

    EXPECT_EQ(measure_names(*db), (std::vector<std::string>{name}));
    EXPECT_EQ(first_use_choices(*db, name), (std::vector<int>{26}));
    EXPECT_EQ(second_use_distance_choices(*db, name, 26), (std::vector<int>{6}));
    const MeasureTiming t{name, 26, 6, 0, 0};
    EXPECT_EQ(livestock_choices(*db, t, 1, {}, {}), (std::vector<std::string>{"measure without livestock"}));
    EXPECT_EQ(find_measure(*db, t, 0.0, 0).name, name);
    EXPECT_EQ(ids_of(measures_by_name_without_early_use(*db, name)), (std::vector<int>{6}));
    EXPECT_TRUE(messages().messages().empty());
}

TEST_F(MeasureStoreTest, VariantsOfAFirstDistanceComeWhateverTheirLaterUses) {
    add_livestock(3, "suckler cows");
    add({.measureID = 4, .name = "grazing", .first_use = 16, .d2 = 6, .d3 = 8, .density = {1.4, 1, 0, 0},
         .livestock = {3, 3}});
    add({.measureID = 2, .name = "grazing", .first_use = 16, .d2 = 6, .d3 = 6, .fertilization = true});
    add({.measureID = 3, .name = "grazing", .first_use = 16, .d2 = 8});
    add({.measureID = 1, .name = "grazing", .first_use = 18, .d2 = 6});
    auto db = connect();
    const auto variants = measures_by_first_distance(*db, "grazing", 16, 6);
    EXPECT_EQ(ids_of(variants), (std::vector<int>{2, 4}));
    EXPECT_TRUE(variants[0].fertilization);
    EXPECT_EQ(variants[1].livestockID_1, 3);
    EXPECT_EQ(livestock_entry(*db, 3), "3,suckler cows");
    EXPECT_EQ(livestock_entry(*db, 0), "measure without livestock");
    EXPECT_EQ(livestock_entry(*db, 9), "");
}

}  // namespace
}  // namespace pravel
