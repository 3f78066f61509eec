// The demo database loaded into a real schema, and the evaluation run on its
// small study area with the demo birds and the mowing measures.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <sstream>

#include "core/evaluation_run.h"
#include "demo/demo_database.h"
#include "demo/landscape.h"
#include "store/landscape_store.h"
#include "store/measure_store.h"
#include "store/profile_store.h"
#include "store/sql_script.h"
#include "support/demo_schema.h"

namespace pravel {
namespace {

class DemoDatabaseTest : public testing::DatabaseTest {
public:
    static void SetUpTestSuite() {
        DatabaseTest::SetUpTestSuite();
        loaded_ = false;
    }

protected:
    DemoDatabaseTest() { keep_tables_between_tests_ = true; }

    void SetUp() override {
        DatabaseTest::SetUp();
        // The demo data are loaded once for the suite.
        if (!loaded_) {
            testing::load_demo_database(schema());
            loaded_ = true;
        }
    }

    std::vector<SpeciesRecord> birds() {
        auto db = connect();
        std::vector<SpeciesRecord> out;
        const auto rows = schema().rows("SELECT name, savetime FROM species WHERE `group` = 'bird' ORDER BY speciesID");
        for (const auto& r : rows) out.push_back(load_species("name", r[0], r[1]));
        return out;
    }
    std::vector<MeasureRecord> mowing_measures() {
        auto db = connect();
        std::vector<MeasureRecord> out;
        for (const auto& m : all_measures(*db))
            if (m.method_nr >= 1 && m.method_nr <= 5) out.push_back(m);
        return out;
    }

    static bool loaded_;
};

bool DemoDatabaseTest::loaded_ = false;

TEST_F(DemoDatabaseTest, EveryMeasureNarrowsToExactlyOneRow) {
    auto db = connect();
    const auto measures = all_measures(*db);
    ASSERT_GT(measures.size(), 300u);
    for (const auto& m : measures) {
        const MeasureTiming t{m.name, m.month_quarter_first_use, m.distance_2use, m.distance_3use, m.distance_4use};
        const auto found = find_measure_full(*db, t,
                                             {m.livestock_density_1, m.livestock_density_2, m.livestock_density_3,
                                              m.livestock_density_4},
                                             {m.livestockID_1, m.livestockID_2, m.livestockID_3, m.livestockID_4});
        EXPECT_EQ(found.measureID, m.measureID) << m.name << " " << m.month_quarter_first_use;
        const auto count = schema().scalar(
            "SELECT COUNT(*) FROM measures WHERE measureID <> " + std::to_string(m.measureID) + " AND name = '" +
            m.name + "' AND month_quarter_first_use = " + std::to_string(m.month_quarter_first_use) +
            " AND distance_2use = " + std::to_string(m.distance_2use) + " AND distance_3use = " +
            std::to_string(m.distance_3use) + " AND distance_4use = " + std::to_string(m.distance_4use) +
            " AND livestock_density_1 = " + std::to_string(m.livestock_density_1) + " AND livestock_density_2 = " +
            std::to_string(m.livestock_density_2) + " AND livestock_density_3 = " +
            std::to_string(m.livestock_density_3) + " AND livestock_density_4 = " +
            std::to_string(m.livestock_density_4) + " AND livestockID_1 = " + std::to_string(m.livestockID_1) +
            " AND livestockID_2 = " + std::to_string(m.livestockID_2) + " AND livestockID_3 = " +
            std::to_string(m.livestockID_3) + " AND livestockID_4 = " + std::to_string(m.livestockID_4));
        EXPECT_EQ(count, "0") << m.name;
    }
    EXPECT_TRUE(messages().messages().empty());
}

TEST_F(DemoDatabaseTest, BirdsFindQualifyingAndFailingMowingMeasures) {
    const auto measures = mowing_measures();
    auto db = connect();
    for (const auto& bird : birds()) {
        SCOPED_TRACE(bird.name);
        EvaluationRequest request;
        request.countryID = demo::kSmallAreaId;
        request.species = {bird};
        request.minimum_qualities = {0.3};
        request.measures = measures;
        request.distance_cost_factor = 1.0;
        const auto results = EvaluationRun(*db, request);
        int with = 0, without = 0;
        long long costs = 0, in_range = 0;
        for (const auto& list : results) {
            (list.empty() ? without : with) += 1;
            for (const auto& r : list) {
                const double cost = -r.margin_without_payment;
                ++costs;
                in_range += (cost >= 0.0 && cost <= 600.0) ? 1 : 0;
                EXPECT_GE(r.qualities[0].quality, 0.3);
            }
        }
        EXPECT_GT(with, 0) << "some measure must give qualifying pixels";
        EXPECT_GT(without, 0) << "some measure must give none";
        ASSERT_GT(costs, 0);
        EXPECT_GE(static_cast<double>(in_range) / costs, 0.9) << "costs mostly between 0 and 600 Euro/ha";
    }
    EXPECT_TRUE(messages().messages().empty());
}

TEST_F(DemoDatabaseTest, ExtensiveMowingCostsMoreThanIntensiveOnTheSamePixels) {
    auto db = connect();
    const auto all = mowing_measures();
    auto pick = [&](const std::string& name, int a, int b, int c) {
        for (const auto& m : all)
            if (m.name == name && m.month_quarter_first_use == a && m.distance_2use == b && m.distance_3use == c)
                return m;
        ADD_FAILURE() << "no measure " << name;
        return MeasureRecord{};
    };
    EvaluationRequest request;
    request.countryID = demo::kSmallAreaId;
    request.species = {birds().front()};
    request.minimum_qualities = {0.0};  // every allowed pixel is recorded
    request.measures = {pick("mowing_3cut", 20, 8, 6), pick("mowing_2cut", 28, 6, 0), pick("mowing_1cut", 34, 0, 0)};
    request.distance_cost_factor = 1.0;
    const auto results = EvaluationRun(*db, request);

    std::vector<std::map<int, double>> cost(3);
    for (int k = 0; k < 3; ++k)
        for (const auto& r : results[k]) cost[k][r.pixelID] = -r.margin_without_payment;
    // On poor land the machinery saved by fewer cuts can outweigh the feed
    // lost, so the rule holds on average and on most pixels, not on all.
    for (int k = 0; k + 1 < 3; ++k) {
        int shared = 0, dearer = 0;
        double intensive = 0.0, extensive = 0.0;
        for (const auto& [pixel, c] : cost[k]) {
            auto it = cost[k + 1].find(pixel);
            if (it == cost[k + 1].end()) continue;
            ++shared;
            intensive += c;
            extensive += it->second;
            dearer += it->second > c ? 1 : 0;
        }
        ASSERT_GT(shared, 20) << "measure " << k;
        EXPECT_GT(extensive / shared, intensive / shared + 50.0) << "measure " << k;
        EXPECT_GE(dearer, shared * 2 / 3) << "measure " << k;
    }
}

}  // namespace
}  // namespace pravel
