#include <gtest/gtest.h>

#include "optimisation/configuration_store.h"
#include "store/result_store.h"
#include "support/hand_made_records.h"
#include "support/test_database.h"

namespace pravel {
namespace {

using hand_made::OptimisedRun;

class ConfigurationStoreTest : public testing::DatabaseTest {};

constexpr long long kClock = 1700000000;

TEST_F(ConfigurationStoreTest, BudgetMinimisationStoresPaymentsCountsAndPixels) {
    OptimisedRun run;
    auto db = connect();
    const auto id = store_budget_minimisation(*db, run.result, run.measures, 4, std::string("Meadow birds"), kClock);
    ASSERT_EQ(id, 1700000000);
    const std::vector<std::vector<std::string>> configuration = {
        {"1700000000", "5", "87.9", "10", "Meadow birds", "4"},
        {"1700000000", "3", "40", "5", "Meadow birds", "4"},
        {"1700000000", "9", "12.5", "3", "Meadow birds", "4"},
    };
    EXPECT_EQ(schema().rows("SELECT configurationID, measureID, payment, area, configname, countryID "
                            "FROM configuration ORDER BY area DESC"),
              configuration);
    // One result row per allocated pixel with its net value, two qualities each.
    const std::vector<std::vector<std::string>> results = {
        {"12", "9", "8"}, {"13", "9", "1"}, {"41", "5", "30.25"}, {"43", "5", "20"}, {"44", "5", "5.5"}, {"45", "5", "0"},
    };
    EXPECT_EQ(schema().rows("SELECT pixelID, measureID, benefit FROM result WHERE configurationID = 1700000000 "
                            "ORDER BY pixelID"),
              results);
    EXPECT_EQ(schema().count("resulting_quality"), 12);
    EXPECT_EQ(schema().scalar("SELECT quality FROM resulting_quality WHERE pixelID = 44 AND speciesID = 11"), "0.8");
}

TEST_F(ConfigurationStoreTest, GoalMaximisationStoresWholeEuroAndNoPixels) {
    OptimisedRun run;
    auto db = connect();
    ASSERT_TRUE(store_goal_maximisation(*db, run.result, run.measures, 4, std::string("Budget 5000"), kClock));
    EXPECT_EQ(schema().scalar("SELECT payment FROM configuration WHERE measureID = 5"), "87");
    EXPECT_EQ(schema().scalar("SELECT payment FROM configuration WHERE measureID = 9"), "12");
    EXPECT_EQ(schema().count("configuration"), 3);
    EXPECT_EQ(schema().count("result"), 0);
    EXPECT_EQ(schema().count("resulting_quality"), 0);
}

TEST_F(ConfigurationStoreTest, StoresWithinOneSecondGetTheirOwnIdentifiers) {
    OptimisedRun run;
    auto db = connect();
    EXPECT_EQ(max_configuration_id(*db), std::nullopt);
    EXPECT_EQ(store_goal_maximisation(*db, run.result, run.measures, 4, std::string("first"), kClock), kClock);
    EXPECT_EQ(store_budget_minimisation(*db, run.result, run.measures, 4, std::string("second"), kClock), kClock + 1);
    // A clock that lags behind the stored identifiers does not reuse one.
    EXPECT_EQ(store_goal_maximisation(*db, run.result, run.measures, 4, std::string("third"), kClock - 60), kClock + 2);
    // A later clock is taken as it is.
    EXPECT_EQ(store_goal_maximisation(*db, run.result, run.measures, 4, std::string("fourth"), kClock + 90), kClock + 90);
    EXPECT_EQ(schema().rows("SELECT configname, COUNT(*) FROM configuration GROUP BY configurationID, configname "
                            "ORDER BY configurationID"),
              (std::vector<std::vector<std::string>>{{"first", "3"}, {"second", "3"}, {"third", "3"}, {"fourth", "3"}}));
    EXPECT_EQ(schema().scalar("SELECT COUNT(DISTINCT configurationID) FROM result"), "1");
}

TEST_F(ConfigurationStoreTest, CancelledOrEmptyNameStoresNothing) {
    OptimisedRun run;
    auto db = connect();
    ASSERT_TRUE(accept_configuration_name("earlier name"));
    clear_sent();
    EXPECT_EQ(store_budget_minimisation(*db, run.result, run.measures, 4, std::nullopt, kClock), std::nullopt);
    EXPECT_EQ(store_goal_maximisation(*db, run.result, run.measures, 4, std::nullopt, kClock), std::nullopt);
    EXPECT_EQ(store_budget_minimisation(*db, run.result, run.measures, 4, std::string(), kClock), std::nullopt);
    EXPECT_TRUE(sent().empty());
    EXPECT_EQ(schema().count("configuration"), 0);
    EXPECT_EQ(schema().count("result"), 0);
}

TEST(ConfigurationName, OkTakesTheFieldAndRefusesAnEmptyOne) {
    EXPECT_TRUE(accept_configuration_name("Godwit and lapwing"));
    EXPECT_EQ(configuration_name(), "Godwit and lapwing");
    EXPECT_FALSE(accept_configuration_name(""));
    EXPECT_EQ(configuration_name(), "");
    EXPECT_EQ(std::string(kConfigurationNameMissing), "You have to enter a name first please!");
}

}  // namespace
}  // namespace pravel
