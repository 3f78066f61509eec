// The cost-only bound on the demo study areas: the bound the searches use
// against the plain programme (one column per candidate, solved whole).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "demo/demo_database.h"
#include "optimisation/cost_only_bound.h"
#include "optimisation/pixel_allocation.h"
#include "store/landscape_store.h"
#include "store/measure_store.h"
#include "store/profile_store.h"
#include "store/sql_script.h"
#include "support/test_database.h"

namespace pravel {
namespace {

class CostOnlyBoundDemoTest : public testing::DatabaseTest {
protected:
    void SetUp() override {
        DatabaseTest::SetUp();
        std::ostringstream sql;
        demo::write_demo_database(sql);
        for (const auto& st : split_sql_script(sql.str())) schema().exec(st);
        schema().exec("SET autocommit = 1");
    }

    EvaluatedArea evaluate(DatabaseAccess& db, const std::string& area, const std::vector<MeasureRecord>& measures) {
        EvaluationRequest request;
        request.countryID = country_id(db, area);
        for (const char* name : {"Kievit", "Grutto", "Tureluur"})
            request.species.push_back(load_species("name", name, newest_species_savetime(db, kGroupBird, name)));
        request.minimum_qualities.assign(request.species.size(), 0.3);
        request.measures = measures;
        request.distance_cost_factor = 1.0;
        request.seed = 1;
        return evaluate_area(db, request, nullptr);
    }
};

// Half of what the scarcest bird could have at most: the birds must be
// traded off against each other.
double half_of_scarcest(const EvaluatedArea& area) {
    std::map<std::pair<int, int>, std::vector<double>> best;
    for (const auto& list : area.lists)
        for (const PixelResult& r : list) {
            auto& b = best[{r.row, r.column}];
            b.resize(3, 0.0);
            for (std::size_t s = 0; s < 3 && s < r.qualities.size(); ++s)
                b[s] = std::max(b[s], r.qualities[s].quality * area.pixel_area);
        }
    std::vector<double> most(3, 0.0);
    for (const auto& [cell, b] : best)
        for (std::size_t s = 0; s < 3; ++s) most[s] += b[s];
    return 0.5 * *std::min_element(most.begin(), most.end());
}

TEST_F(CostOnlyBoundDemoTest, TheBoundEqualsThePlainProgrammeOnBothDemoAreas) {
    auto db = connect();
    std::vector<MeasureRecord> mowing;
    for (const char* name : {"mowing_postpo", kRefugeStripName})
        for (const MeasureRecord& m : measures_by_name_without_early_use(*db, name)) mowing.push_back(m);
    struct Case {
        const char* area;
        std::vector<MeasureRecord> measures;
        double wanted, budget;
    } cases[] = {
        {"Moorwiesen test area", all_measures(*db), 20.0, 15000.0},
        {"Moorwiesen test area", mowing, 5.0, 15000.0},
        {"Ellerbach lowland", mowing, 150.0, 50000.0},
    };
    for (const Case& c : cases) {
        const EvaluatedArea area = evaluate(*db, c.area, c.measures);
        const std::string what = std::string(c.area) + ", " + std::to_string(c.measures.size()) + " measures";
        ASSERT_FALSE(area.lists.empty()) << what;
        for (double wanted : {c.wanted, half_of_scarcest(area)}) {
            const std::vector<double> target(3, wanted);
            const CostOnlyBound fast = cost_only_budget_bound(area.lists, target, 10, area.pixel_area);
            const CostOnlyBound plain = plain_cost_only_budget_bound(area.lists, target, 10, area.pixel_area);
            ASSERT_TRUE(fast.solved && plain.solved) << what << ", " << wanted << " ha";
            ASSERT_EQ(fast.reachable, plain.reachable) << what << ", " << wanted << " ha";
            if (plain.reachable)
                EXPECT_NEAR(fast.value, plain.value, 1e-4 * std::max(1.0, plain.value)) << what << ", " << wanted << " ha";
        }
        const std::vector<double> weight(3, 1.0);
        const CostOnlyBound fast = cost_only_goal_bound(area.lists, weight, c.budget, 10, area.pixel_area);
        const CostOnlyBound plain = plain_cost_only_goal_bound(area.lists, weight, c.budget, 10, area.pixel_area);
        ASSERT_TRUE(fast.reachable && plain.reachable) << what;
        EXPECT_NEAR(fast.value, plain.value, 1e-4 * std::max(1.0, plain.value)) << what;
    }
}

}  // namespace
}  // namespace pravel
