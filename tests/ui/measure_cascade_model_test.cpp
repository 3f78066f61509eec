// The measure-selection cascade without its window, walked through the demo
// catalogue: which lists open, which are skipped, what they offer and which
// catalogue row the last choice completes.
#include "ui/measure_cascade_model.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

#include "support/demo_schema.h"

namespace pravel {
namespace {

// Quarter-month labels and the number read back from them.
TEST(QuarterMonthLabel, FormAndReadingBack) {
    const std::pair<int, const char*> cases[] = {
        {1, "1st QM January, 1."},   {12, "4th QM March, 12."},    {13, "1st QM April, 13."},
        {14, "2nd QM April, 14."},   {16, "4th QM April, 16."},    {17, "1st QM May, 17."},
        {22, "2nd QM June, 22."},    {27, "3rd QM July, 27."},     {32, "4th QM August, 32."},
        {33, "1st QM September, 33."}, {40, "4th QM October, 40."},
    };
    for (const auto& [k, label] : cases) {
        EXPECT_EQ(quarter_month_label(k), label) << k;
        EXPECT_EQ(quarter_month_from_label(label), k) << label;
    }
    for (int k = 1; k <= 48; ++k) EXPECT_EQ(quarter_month_from_label(quarter_month_label(k)), k) << k;
}

TEST(QuarterMonthLabel, TextsWithoutANumber) {
    const std::pair<const char*, std::optional<int>> cases[] = {
        {"17", 17},                      // a plain number, as offered for a month without a label
        {"1st QM April, 13.", 13},
        {"1st QM April, .", std::nullopt},
        {"1st QM April, 13", std::nullopt},  // no closing point
        {"1st QM April, x3.", std::nullopt},
        {"", std::nullopt},
        {"QM", std::nullopt},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(quarter_month_from_label(text), expected) << text;
    EXPECT_EQ(quarter_month_label(0), "0");
    EXPECT_EQ(quarter_month_label(49), "49");
}

TEST(CascadeEntries, DensityAndLivestockTexts) {
    EXPECT_EQ(density_entry_text(1.4), "1.4");
    EXPECT_EQ(density_entry_text(2.0), "2.0");
    EXPECT_EQ(density_entry_text(0.0), "0.0");
    EXPECT_EQ(density_entry_text(99.0), "depending on the grassland");
    EXPECT_EQ(density_entry_text(98.96), "99.0");

    EXPECT_EQ(livestock_id_from_entry("measure without livestock"), 0);
    EXPECT_EQ(livestock_id_from_entry("2,young cattle (lively)"), 2);
    EXPECT_EQ(livestock_id_from_entry("12,sheep, mixed"), 12);
    EXPECT_EQ(livestock_id_from_entry("sheep"), std::nullopt);
    EXPECT_EQ(livestock_id_from_entry(",sheep"), std::nullopt);
}

TEST(SelectedMeasureLine, LivestockAndResidualParts) {
    MeasureRecord m;
    m.measureID = 40;
    m.name = "mowing_2cut";
    m.month_quarter_first_use = 16;
    m.distance_2use = 12;
    EXPECT_EQ(selected_measure_line(m), "40, mowing_2cut, 16/12/0/0,");

    m.livestockID_1 = 2;
    m.livestock_density_1 = 1.4;
    EXPECT_EQ(selected_measure_line(m), "40, mowing_2cut, 16/12/0/0/ livestockID1 2,GV 1.4,");
    m.livestock_density_1 = 99;
    EXPECT_EQ(selected_measure_line(m), "40, mowing_2cut, 16/12/0/0/ livestockID1 2,GV 99,");

    m.livestock_density_1 = 2.0;
    m.summary_livestock_density = 0.5;
    EXPECT_EQ(selected_measure_line(m), "40, mowing_2cut, 16/12/0/0/ livestockID1 2,GV 2,0.5 (GV), res(GV)");
}

class CascadeModelTest : public testing::DatabaseTest {
public:
    static void SetUpTestSuite() {
        DatabaseTest::SetUpTestSuite();
        loaded_ = false;
    }

protected:
    CascadeModelTest() { keep_tables_between_tests_ = true; }
    void SetUp() override {
        DatabaseTest::SetUp();
        if (!loaded_) {
            testing::load_demo_database(schema());
            loaded_ = true;
        }
        db_ = connect();
        model_ = std::make_unique<MeasureCascadeModel>(*db_);
        model_->reset();
    }

    // Chooses the entries in the given lists in turn; each must be offered.
    void walk(const std::vector<std::pair<int, std::string>>& choices) {
        for (const auto& [step, entry] : choices) {
            ASSERT_TRUE(model_->choose(step, entry)) << cascade_step_label(step) << ": " << entry;
        }
    }
    std::vector<std::string> sorted_entries(int step) const {
        auto e = model_->entries(step);
        std::sort(e.begin(), e.end());
        return e;
    }
    // The lists from `first` on are empty and closed.
    void expect_closed_from(int first) const {
        for (int s = first; s < kCascadeStepCount; ++s) {
            EXPECT_TRUE(model_->entries(s).empty()) << cascade_step_label(s);
            EXPECT_FALSE(model_->enabled(s)) << cascade_step_label(s);
        }
    }

    std::unique_ptr<DatabaseAccess> db_;
    std::unique_ptr<MeasureCascadeModel> model_;
    static bool loaded_;
};
bool CascadeModelTest::loaded_ = false;

TEST_F(CascadeModelTest, StartsWithTheMeasureTypesOnly) {
    const auto& names = model_->entries(kStepType);
    EXPECT_TRUE(model_->enabled(kStepType));
    for (const char* n : {"mowing_1cut", "grazing_seas", "refuge strips", "mowing1_grazing_seas"})
        EXPECT_NE(std::find(names.begin(), names.end(), n), names.end()) << n;
    EXPECT_EQ(std::count(names.begin(), names.end(), "grazing_rota1"), 1);
    expect_closed_from(kStepFirstUse);
    EXPECT_FALSE(model_->complete());
}

// Mowing measures end with their last distance: the distances the type does
// not have and every livestock list stay closed.
TEST_F(CascadeModelTest, MowingMeasureCompletesAfterItsLastDistance) {
    struct Case {
        const char* name;
        const char* first_use;
        std::vector<const char*> distances;
        int closed_from;  // first list left closed
        int measureID;
        const char* line;
    };
    const Case cases[] = {
        {"mowing_1cut", "2nd QM August, 30.", {"0"}, kStepDistance3, 71, "71, mowing_1cut, 30/0/0/0,"},
        {"mowing_2cut", "2nd QM May, 18.", {"8"}, kStepDistance3, 42, "42, mowing_2cut, 18/8/0/0,"},
        {"mowing_3cut", "2nd QM May, 18.", {"8", "10"}, kStepDistance4, 18, "18, mowing_3cut, 18/8/10/0,"},
        {"mowing_4cut", "4th QM April, 16.", {"6", "6", "8"}, kStepLivestock1, 4, "4, mowing_4cut, 16/6/6/8,"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        walk({{kStepType, c.name}, {kStepFirstUse, c.first_use}});
        for (std::size_t i = 0; i < c.distances.size(); ++i) {
            EXPECT_FALSE(model_->complete());
            walk({{kStepDistance2 + static_cast<int>(i), c.distances[i]}});
        }
        ASSERT_TRUE(model_->complete());
        expect_closed_from(c.closed_from);
        const MeasureRecord& m = model_->measure();
        EXPECT_EQ(m.measureID, c.measureID);
        EXPECT_EQ(m.name, c.name);
        EXPECT_EQ(m.livestockID_1, 0);
        EXPECT_EQ(m.payment, 0.0);
        EXPECT_EQ(model_->measure_line(), c.line);
    }
}

TEST_F(CascadeModelTest, ListsOfferOnlyValuesOfMatchingRows) {
    walk({{kStepType, "mowing_3cut"}});
    const std::vector<std::string> first_uses = {"2nd QM June, 22.", "2nd QM May, 18.", "4th QM April, 16.",
                                                 "4th QM June, 24.", "4th QM May, 20."};
    EXPECT_EQ(sorted_entries(kStepFirstUse), first_uses);
    walk({{kStepFirstUse, "4th QM May, 20."}});
    EXPECT_EQ(sorted_entries(kStepDistance2), (std::vector<std::string>{"6", "8"}));
    walk({{kStepDistance2, "6"}});
    EXPECT_EQ(sorted_entries(kStepDistance3), (std::vector<std::string>{"10", "6", "8"}));
    EXPECT_FALSE(model_->enabled(kStepDistance4));

    // An entry the list does not offer, or a closed list, changes nothing.
    EXPECT_FALSE(model_->choose(kStepDistance3, "12"));
    EXPECT_FALSE(model_->choose(kStepLivestock1, "measure without livestock"));
    EXPECT_FALSE(model_->choose(kStepFirstUse, "1st QM January, 1."));
    EXPECT_EQ(model_->chosen(kStepFirstUse), "4th QM May, 20.");
    EXPECT_EQ(sorted_entries(kStepDistance3), (std::vector<std::string>{"10", "6", "8"}));
    EXPECT_EQ(model_->timing().d2, 6);
}

// A grazing measure goes through the livestock kind and density of each
// grazing period until a period without livestock is all that is left.
TEST_F(CascadeModelTest, GrazingMeasureThroughLivestockAndDensities) {
    walk({{kStepType, "grazing_rota2"}, {kStepFirstUse, "4th QM April, 16."}, {kStepDistance2, "6"}});
    EXPECT_FALSE(model_->enabled(kStepDistance3));
    EXPECT_EQ(model_->entries(kStepLivestock1),
              (std::vector<std::string>{"1,suckler cows (calm)", "2,young cattle (lively)"}));
    walk({{kStepLivestock1, "1,suckler cows (calm)"}});
    EXPECT_EQ(sorted_entries(kStepDensity1), (std::vector<std::string>{"1.0", "1.4", "2.0"}));
    walk({{kStepDensity1, "1.4"}});
    EXPECT_EQ(model_->entries(kStepLivestock2), (std::vector<std::string>{"1,suckler cows (calm)"}));
    walk({{kStepLivestock2, "1,suckler cows (calm)"}});
    EXPECT_EQ(model_->entries(kStepDensity2), (std::vector<std::string>{"1.0"}));
    EXPECT_FALSE(model_->complete());
    walk({{kStepDensity2, "1.0"}});

    ASSERT_TRUE(model_->complete());
    expect_closed_from(kStepLivestock3);
    const MeasureRecord& m = model_->measure();
    EXPECT_EQ(m.measureID, 92);
    EXPECT_EQ(m.livestockID_1, 1);
    EXPECT_EQ(m.livestockID_2, 1);
    EXPECT_DOUBLE_EQ(m.livestock_density_1, 1.4);
    EXPECT_DOUBLE_EQ(m.livestock_density_2, 1.0);
    EXPECT_EQ(m.summary_livestock_density, 0.0);
    EXPECT_EQ(model_->measure_line(), "92, grazing_rota2, 16/6/0/0/ livestockID1 1,GV 1.4,");
}

// A measure that grazes in all four periods is completed by its residual
// density, which the record and its line carry.
TEST_F(CascadeModelTest, FourPeriodGrazingEndsWithTheResidualDensity) {
    const std::string calm = "1,suckler cows (calm)";
    walk({{kStepType, "grazing_seas"}, {kStepFirstUse, "4th QM April, 16."}, {kStepDistance2, "8"},
          {kStepDistance3, "8"}, {kStepDistance4, "6"}, {kStepLivestock1, calm}, {kStepDensity1, "1.4"},
          {kStepLivestock2, calm}, {kStepDensity2, "1.0"}, {kStepLivestock3, calm}, {kStepDensity3, "1.0"},
          {kStepLivestock4, calm}});
    EXPECT_EQ(model_->entries(kStepDensity4), (std::vector<std::string>{"0.5"}));
    walk({{kStepDensity4, "0.5"}});
    EXPECT_FALSE(model_->complete());
    ASSERT_TRUE(model_->enabled(kStepDensityRes));
    EXPECT_EQ(model_->entries(kStepDensityRes), (std::vector<std::string>{"0.5"}));
    walk({{kStepDensityRes, "0.5"}});

    ASSERT_TRUE(model_->complete());
    const MeasureRecord& m = model_->measure();
    EXPECT_EQ(m.measureID, 132);
    EXPECT_DOUBLE_EQ(m.livestock_density_4, 0.5);
    EXPECT_DOUBLE_EQ(m.summary_livestock_density, 0.5);
    EXPECT_EQ(model_->measure_line(), "132, grazing_seas, 16/8/8/6/ livestockID1 1,GV 1.4,0.5 (GV), res(GV)");
}

TEST_F(CascadeModelTest, DensityNinetyNineIsListedAsDependingOnTheGrassland) {
    walk({{kStepType, "grazing_rota1"}, {kStepFirstUse, "4th QM May, 20."}, {kStepDistance2, "0"},
          {kStepLivestock1, "2,young cattle (lively)"}});
    EXPECT_EQ(sorted_entries(kStepDensity1), (std::vector<std::string>{"0.5", "1.0", "1.4", "2.0"}));

    walk({{kStepLivestock1, "1,suckler cows (calm)"}});
    EXPECT_EQ(sorted_entries(kStepDensity1),
              (std::vector<std::string>{"0.5", "1.0", "1.4", "2.0", "depending on the grassland"}));
    walk({{kStepDensity1, "depending on the grassland"}});

    ASSERT_TRUE(model_->complete());
    const MeasureRecord& m = model_->measure();
    EXPECT_EQ(m.measureID, 218);
    EXPECT_EQ(m.livestock_density_1, 99.0);
    EXPECT_EQ(model_->measure_line(), "218, grazing_rota1, 20/0/0/0/ livestockID1 1,GV 99,");
}

TEST_F(CascadeModelTest, ANewTypeEmptiesEveryLaterList) {
    const std::string calm = "1,suckler cows (calm)";
    walk({{kStepType, "grazing_seas"}, {kStepFirstUse, "4th QM April, 16."}, {kStepDistance2, "8"},
          {kStepDistance3, "8"}, {kStepDistance4, "6"}, {kStepLivestock1, calm}, {kStepDensity1, "1.4"},
          {kStepLivestock2, calm}, {kStepDensity2, "1.0"}, {kStepLivestock3, calm}});
    ASSERT_TRUE(model_->enabled(kStepDensity3));

    walk({{kStepType, "mowing_2cut"}});
    EXPECT_FALSE(model_->complete());
    EXPECT_EQ(model_->chosen(kStepType), "mowing_2cut");
    EXPECT_TRUE(model_->enabled(kStepFirstUse));
    EXPECT_EQ(model_->entries(kStepFirstUse).size(), 7u);
    EXPECT_TRUE(model_->chosen(kStepFirstUse).empty());
    expect_closed_from(kStepDistance2);
    EXPECT_EQ(model_->timing().d2, 0);
    EXPECT_EQ(model_->timing().d3, 0);

    // The same after a completed measure: a new first use forgets it.
    walk({{kStepFirstUse, "4th QM April, 16."}, {kStepDistance2, "12"}});
    ASSERT_TRUE(model_->complete());
    EXPECT_EQ(model_->measure().measureID, 40);
    walk({{kStepFirstUse, "4th QM May, 20."}});
    EXPECT_FALSE(model_->complete());
    EXPECT_THROW(model_->measure(), std::logic_error);
    expect_closed_from(kStepDistance3);
    EXPECT_EQ(sorted_entries(kStepDistance2), (std::vector<std::string>{"10", "12", "6", "8"}));
}

TEST_F(CascadeModelTest, ACascadeEndingAtTheFirstDistanceOnlyRecordsThatChoice) {
    MeasureCascadeModel short_cascade(*db_, kStepDistance2);
    short_cascade.reset();
    ASSERT_TRUE(short_cascade.choose(kStepType, "mowing_3cut"));
    ASSERT_TRUE(short_cascade.choose(kStepFirstUse, "4th QM April, 16."));
    ASSERT_TRUE(short_cascade.choose(kStepDistance2, "6"));
    EXPECT_EQ(short_cascade.chosen(kStepDistance2), "6");
    EXPECT_EQ(short_cascade.timing().name, "mowing_3cut");
    EXPECT_EQ(short_cascade.timing().first_use, 16);
    EXPECT_EQ(short_cascade.timing().d2, 6);
    EXPECT_FALSE(short_cascade.complete());
    for (int s = kStepDistance3; s < kCascadeStepCount; ++s) EXPECT_FALSE(short_cascade.enabled(s));
}

}  // namespace
}  // namespace pravel
