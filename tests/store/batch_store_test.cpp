// The batch tables against the server: a run is held by one connection at a
// time, a run whose connection is gone is taken up again, and a run's row and
// the rows stored with it reach the tables together or not at all.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "store/batch_store.h"
#include "store/result_store.h"
#include "support/test_database.h"

namespace pravel {
namespace {

class BatchStoreTest : public testing::DatabaseTest {
protected:
    int make_batch(int runs) {
        std::vector<std::string> params;
        for (int i = 0; i < runs; ++i) params.push_back("{\"seed\":" + std::to_string(i + 1) + "}");
        BatchRecord b;
        b.name = "it's a batch";
        b.batch_file = "{\"analysis\": \"minimise-budget\"}";
        b.base_scenario = "{}";
        return create_batch(schema().admin(), b, params);
    }
    // The server drops a closed connection from its process list shortly
    // after the client has gone.
    ClaimOutcome claim_when_gone(DatabaseAccess& db, int batch, int run) {
        ClaimOutcome o = ClaimOutcome::RunningElsewhere;
        for (int i = 0; i < 50 && o == ClaimOutcome::RunningElsewhere; ++i) {
            o = claim_batch_run(db, batch, run, "node2");
            if (o == ClaimOutcome::RunningElsewhere) std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return o;
    }
};

TEST_F(BatchStoreTest, CreatesTheBatchWithItsRunsQueued) {
    const int id = make_batch(3);
    const auto b = load_batch(schema().admin(), id);
    ASSERT_TRUE(b);
    EXPECT_EQ(b->name, "it's a batch");
    const auto runs = load_batch_runs(schema().admin(), id);
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_EQ(runs[2].run_index, 2);
    EXPECT_EQ(runs[2].parameters, "{\"seed\":3}");
    EXPECT_EQ(runs[2].state, "queued");
    EXPECT_EQ(runs[2].attempt, 0);
    EXPECT_FALSE(load_batch(schema().admin(), id + 1));
    EXPECT_EQ(claim_batch_run(schema().admin(), id, 3, "h"), ClaimOutcome::NoSuchRun);
}

TEST_F(BatchStoreTest, ARunIsHeldByOneConnectionAndTakenUpAgainWhenItsConnectionIsGone) {
    const int id = make_batch(2);
    auto second = connect();
    {
        auto first = connect();
        EXPECT_EQ(claim_batch_run(*first, id, 0, "node1"), ClaimOutcome::Claimed);
        EXPECT_EQ(claim_batch_run(*second, id, 0, "node2"), ClaimOutcome::RunningElsewhere);
        EXPECT_EQ(claimable_batch_runs(*second, id), std::vector<int>{1});
        EXPECT_EQ(batch_state_counts(*second, id).at("stale"), 0);
    }  // the first process is killed: its connection closes
    EXPECT_EQ(claim_when_gone(*second, id, 0), ClaimOutcome::Claimed);
    auto row = load_batch_run(*second, id, 0);
    EXPECT_EQ(row->attempt, 2);
    EXPECT_EQ(row->host, "node2");
    EXPECT_TRUE(row->connection_alive);

    ASSERT_TRUE(finish_batch_run(*second, id, 0, "{\"budget\":1}", 42, 2.5, 2.0));
    // Done once: a repeated task does nothing.
    EXPECT_EQ(claim_batch_run(schema().admin(), id, 0, "node3"), ClaimOutcome::Done);
    row = load_batch_run(*second, id, 0);
    EXPECT_EQ(row->state, "done");
    EXPECT_EQ(row->attempt, 2);
    EXPECT_EQ(row->summary, "{\"budget\":1}");
    EXPECT_EQ(row->configurationID, 42);
    EXPECT_DOUBLE_EQ(*row->seconds, 2.5);
}

TEST_F(BatchStoreTest, ARunWhoseClaimWasTakenOverWritesNothing) {
    const int id = make_batch(1);
    auto first = connect();
    auto second = connect();
    ASSERT_EQ(claim_batch_run(*first, id, 0, "node1"), ClaimOutcome::Claimed);
    // The first is reported gone (say, its node lost the network) and the
    // run given to the second by hand.
    schema().exec("UPDATE batch_run SET connection_id = 0");
    ASSERT_EQ(claim_batch_run(*second, id, 0, "node2"), ClaimOutcome::Claimed);
    EXPECT_FALSE(finish_batch_run(*first, id, 0, "{}", std::nullopt, 1, 1));
    EXPECT_FALSE(fail_batch_run(*first, id, 0, "late", 1));
    EXPECT_EQ(load_batch_run(*second, id, 0)->state, "running");
    EXPECT_TRUE(fail_batch_run(*second, id, 0, "no species", 1));
    EXPECT_EQ(claim_batch_run(*second, id, 0, "node2"), ClaimOutcome::Failed);
    EXPECT_EQ(retry_failed_batch_runs(*second, id), 1);
    EXPECT_EQ(claim_batch_run(*second, id, 0, "node2"), ClaimOutcome::Claimed);
    EXPECT_EQ(load_batch_run(*second, id, 0)->attempt, 3);
    EXPECT_EQ(load_batch_run(*second, id, 0)->error, "");
}

TEST_F(BatchStoreTest, TheRunsRowAndTheRowsStoredWithItReachTheTablesTogether) {
    const int id = make_batch(1);
    auto db = connect();
    ASSERT_EQ(claim_batch_run(*db, id, 0, "node1"), ClaimOutcome::Claimed);
    // A store with a transaction of its own inside the run's transaction,
    // then a failure before the run's commit: nothing of either remains.
    try {
        Transaction outer(*db);
        {
            Transaction inner(*db);
            save_configuration(*db, 7, 19, 100.0, 3.0, "batch run", 1);
            inner.commit();
        }
        ASSERT_TRUE(finish_batch_run(*db, id, 0, "{}", 7, 1, 1));
        throw std::runtime_error("killed before the commit");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(schema().count("configuration"), 0);
    EXPECT_EQ(load_batch_run(*db, id, 0)->state, "running");

    {
        Transaction outer(*db);
        {
            Transaction inner(*db);
            save_configuration(*db, 7, 19, 100.0, 3.0, "batch run", 1);
            inner.commit();
        }
        // Not yet visible to another connection: the inner commit joined the outer.
        EXPECT_EQ(schema().count("configuration"), 0);
        ASSERT_TRUE(finish_batch_run(*db, id, 0, "{}", 7, 1, 1));
        outer.commit();
    }
    EXPECT_EQ(schema().count("configuration"), 1);
    EXPECT_EQ(load_batch_run(*db, id, 0)->state, "done");
}

TEST_F(BatchStoreTest, AnInnerRollbackUndoesTheWholeTransaction) {
    auto db = connect();
    testing::ThrowingExitHook hook;
    Transaction outer(*db);
    save_configuration(*db, 8, 19, 100.0, 3.0, "before", 1);
    {
        Transaction inner(*db);
        save_configuration(*db, 8, 20, 100.0, 3.0, "inner", 1);
    }  // rolled back
    EXPECT_EQ(schema().count("configuration"), 0);
    // Committing what is left would store half a run: refused.
    EXPECT_THROW(outer.commit(), testing::DatabaseExit);
    EXPECT_EQ(schema().count("configuration"), 0);
}

}  // namespace
}  // namespace pravel
