#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <thread>

#include <cppconn/resultset.h>

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

// A run is stored whole or not at all: a statement that fails part-way through
// the pixel rows, or a connection lost there, leaves no row of the run, and
// the identifier lock is free again for the next store.
TEST_F(ConfigurationStoreTest, ARunInterruptedPartWayLeavesNoRows) {
    enum class Break { FailingStatement, LostConnection };
    for (const Break how : {Break::FailingStatement, Break::LostConnection}) {
        SCOPED_TRACE(how == Break::FailingStatement ? "failing statement" : "lost connection");
        schema().clear_all();
        OptimisedRun run;
        auto db = connect();
        int pixel_rows = 0;
        if (how == Break::FailingStatement) {
            // Not a number: the fourth pixel's quality row cannot be sent.
            run.result.allocation[3].qualities[1].quality = std::nan("");
        } else {
            const std::string connection = [&] {
                std::string id;
                db->query("SELECT CONNECTION_ID() AS id", [&](sql::ResultSet& rs) { id = rs.getString("id"); });
                return id;
            }();
            db->set_statement_log([&, connection](const std::string& statement) {
                // Lost after the result rows, before their quality rows.
                if (statement.rfind("INSERT INTO resulting_quality ", 0) == 0 && ++pixel_rows == 1)
                    schema().exec("KILL CONNECTION " + connection);
            });
        }
        EXPECT_THROW(store_budget_minimisation(*db, run.result, run.measures, 4, std::string("Half a run"), kClock),
                     testing::DatabaseExit);
        EXPECT_EQ(schema().count("configuration"), 0);
        EXPECT_EQ(schema().count("result"), 0);
        EXPECT_EQ(schema().count("resulting_quality"), 0);
        // A killed connection's locks are freed once the server has ended its
        // thread, which happens a moment after KILL returns.
        std::string lock_free;
        for (int wait = 0; wait < 100 && lock_free != "1"; ++wait) {
            if (wait > 0) std::this_thread::sleep_for(std::chrono::milliseconds(50));
            lock_free = schema().scalar("SELECT IS_FREE_LOCK(CONCAT(DATABASE(), '.configurationID'))");
        }
        EXPECT_EQ(lock_free, "1");
        ASSERT_EQ(messages().messages().size(), 2u) << "the driver's text and the closing message";
        EXPECT_EQ(messages().messages()[1].text, kConnectionClosingMessage);
        messages().clear();

        // The next store goes ahead and is whole.
        OptimisedRun whole;
        EXPECT_EQ(store_budget_minimisation(*connect(), whole.result, whole.measures, 4, std::string("Whole"), kClock),
                  kClock);
        EXPECT_EQ(schema().count("configuration"), 3);
        EXPECT_EQ(schema().count("result"), 6);
        EXPECT_EQ(schema().count("resulting_quality"), 12);
    }
}

// Two programs storing at the same moment with the same clock: each run gets
// an identifier of its own and is stored whole.
TEST_F(ConfigurationStoreTest, TwoConcurrentStoresGetDistinctIdentifiersAndAreWhole) {
    OptimisedRun run;
    constexpr int kPixels = 150;
    const auto m0 = run.result.allocation[0].measure;
    run.result.allocation.clear();
    for (int p = 0; p < kPixels; ++p)
        run.result.allocation.push_back(hand_made::pixel(1000 + p, m0, p, {{11, 0.5}, {12, 0.25}}));

    // The second store starts once the first has looked for its identifier,
    // and the first waits a moment before its first row for the second to
    // look too: if nothing kept them apart, both would read the same largest
    // identifier. (The waits end after two seconds whatever happens.)
    std::mutex m;
    std::condition_variable cv;
    bool looked[2] = {false, false};
    const auto wait_for = [&](int k) {
        std::unique_lock lock(m);
        cv.wait_for(lock, std::chrono::seconds(2), [&] { return looked[k]; });
    };
    std::unique_ptr<DatabaseAccess> db[2] = {connect(), connect()};
    bool waited = false;
    for (int k = 0; k < 2; ++k) {
        db[k]->set_statement_log([&, k](const std::string& s) {
            if (s.find("MAX(configurationID)") != std::string::npos) {
                std::lock_guard lock(m);
                looked[k] = true;
                cv.notify_all();
            } else if (k == 0 && !waited && s.rfind("INSERT INTO configuration ", 0) == 0) {
                waited = true;
                wait_for(1);
            }
        });
    }

    std::optional<int> ids[2];
    std::string errors[2];
    const auto store = [&](int k) {
        try {
            ids[k] = store_budget_minimisation(*db[k], run.result, run.measures, 4, "run " + std::to_string(k), kClock);
        } catch (const std::exception& e) {
            errors[k] = e.what();
        }
    };
    std::thread first(store, 0);
    std::thread second([&] {
        wait_for(0);
        store(1);
    });
    first.join();
    second.join();

    ASSERT_EQ(errors[0], "");
    ASSERT_EQ(errors[1], "");
    ASSERT_TRUE(ids[0] && ids[1]);
    EXPECT_NE(*ids[0], *ids[1]);
    for (int k = 0; k < 2; ++k) {
        const std::string id = std::to_string(*ids[k]);
        EXPECT_EQ(schema().scalar("SELECT COUNT(*) FROM configuration WHERE configurationID = " + id), "3") << id;
        EXPECT_EQ(schema().scalar("SELECT COUNT(DISTINCT configname) FROM configuration WHERE configurationID = " + id),
                  "1")
            << id;
        EXPECT_EQ(schema().scalar("SELECT COUNT(*) FROM result WHERE configurationID = " + id),
                  std::to_string(kPixels))
            << id;
        EXPECT_EQ(schema().scalar("SELECT COUNT(*) FROM resulting_quality WHERE configurationID = " + id),
                  std::to_string(2 * kPixels))
            << id;
    }
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
