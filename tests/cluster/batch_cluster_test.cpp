// A batch on a single-node Slurm cluster started for the test: every run
// done once, each result the same as the scenario run directly, a run
// cancelled mid-run and requeued done once with one stored configuration,
// and the same table from local workers. Skipped, with a line saying why,
// where Slurm cannot start.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include <nlohmann/json.hpp>

#include "cli/batch_commands.h"
#include "gis/gdal_io.h"
#include "support/demo_schema.h"

namespace pravel {
namespace {

using nlohmann::json;

struct Shell {
    int status = -1;
    std::string out;
};

Shell shell(const std::string& command) {
    Shell r;
    FILE* p = ::popen((command + " 2>&1").c_str(), "r");
    std::array<char, 4096> buf{};
    std::size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), p)) > 0) r.out.append(buf.data(), n);
    const int status = ::pclose(p);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

std::string read_file(const std::string& path) {
    std::ifstream in(path);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::string trimmed(std::string s) {
    while (!s.empty() && (s.back() == '\n' || s.back() == ' ')) s.pop_back();
    return s.substr(s.rfind('\n') == std::string::npos ? 0 : s.rfind('\n') + 1);
}

class BatchClusterTest : public testing::DatabaseTest {
public:
    static void SetUpTestSuite() {
        DatabaseTest::SetUpTestSuite();
        const std::string env = std::string("PRAVEL_CLUSTER_DIR=") + PRAVEL_CLUSTER_DIR +
                                " PRAVEL_CLUSTER_PORT_BASE=36917 ";
        const Shell started = shell(env + PRAVEL_SOURCE_DIR "/scripts/cluster start");
        cluster_up_ = started.status == 0;
        cluster_output_ = started.out;
        ::setenv("SLURM_CONF", PRAVEL_CLUSTER_DIR "/slurm.conf", 1);
    }
    static void TearDownTestSuite() {
        if (cluster_up_)
            shell(std::string("PRAVEL_CLUSTER_DIR=") + PRAVEL_CLUSTER_DIR + " " PRAVEL_SOURCE_DIR "/scripts/cluster stop");
        DatabaseTest::TearDownTestSuite();
    }

protected:
    void SetUp() override {
        DatabaseTest::SetUp();
        if (!cluster_up_) {
            std::printf("cluster test skipped: Slurm cannot start here: %s\n", trimmed(cluster_output_).c_str());
            GTEST_SKIP() << "Slurm cannot start here";
        }
        testing::load_demo_database(schema());
    }

    Shell cli(const std::string& args) {
        return shell(std::string(PRAVEL_CLI_PATH) + " --db-config " + schema().config_path() + " " + args);
    }
    int batch_id(const Shell& r) {
        EXPECT_EQ(r.status, 0) << r.out;
        return std::atoi(r.out.c_str());
    }
    std::string row_state(int batch, int run) {
        return schema().scalar("SELECT state FROM batch_run WHERE batchID = " + std::to_string(batch) +
                               " AND run_index = " + std::to_string(run));
    }

    static bool cluster_up_;
    static std::string cluster_output_;
};
bool BatchClusterTest::cluster_up_ = false;
std::string BatchClusterTest::cluster_output_;

TEST_F(BatchClusterTest, AJobArrayRunsEveryRunOnceWithTheResultOfTheDirectRun) {
    const std::string dir = testing::scratch_dir();
    const json base = {{"region", "Moorwiesen test area"},
                       {"predation", "time independent"},
                       {"distance_cost_factor", 1},
                       {"transaction_costs", 10},
                       {"species",
                        {{{"name", "Grutto"}, {"min_quality", 0.3}, {"wanted_area_ha", 20}},
                         {{"name", "Tureluur"}, {"min_quality", 0.3}, {"wanted_area_ha", 20}}}},
                       {"measures", {{{"id", 19}}}}};
    testing::write_scratch_file("base.json", base.dump());
    const std::string file = testing::write_scratch_file(
        "batch.json", R"({"name": "twelve", "analysis": "minimise-budget", "base": "base.json",
            "vary": {"species[].wanted_area_ha": [10, 20],
                     "measures": [[{"set": "only mowing"}], [{"id": 19}, {"id": 37}, {"id": 57}, {"id": 70}]]},
            "replicates": 3})");

    const int on_cluster = batch_id(cli("batch create " + file));
    const Shell submitted = cli("batch submit " + std::to_string(on_cluster) + " --slurm --max-parallel 2");
    ASSERT_EQ(submitted.status, 0) << submitted.out;
    const Shell waited = cli("batch status " + std::to_string(on_cluster) + " --wait --timeout 1200");
    ASSERT_EQ(waited.status, 0) << waited.out;
    ASSERT_EQ(cli("batch collect " + std::to_string(on_cluster) + " --csv " + dir + "/cluster.csv").status, 0);

    const std::string b = std::to_string(on_cluster);
    const auto rows = schema().rows("SELECT run_index, state, attempt, parameters, summary, configurationID, "
                                    "(SELECT COUNT(DISTINCT c.configurationID) FROM configuration c WHERE "
                                    "c.configname = CONCAT('batch " + b + " run ', run_index)) "
                                    "FROM batch_run WHERE batchID = " + b + " ORDER BY run_index");
    ASSERT_EQ(rows.size(), 12u);
    for (const auto& r : rows) {
        SCOPED_TRACE("run " + r[0]);
        EXPECT_EQ(r[1], "done");
        EXPECT_EQ(r[2], "1");
        EXPECT_EQ(r[6], "1");  // one stored configuration, the one named in the row
        EXPECT_EQ(schema().scalar("SELECT MIN(configurationID) FROM configuration WHERE configname = 'batch " + b +
                                  " run " + r[0] + "'"),
                  r[5]);
        // The same scenario run directly with the run's seed.
        const auto p = nlohmann::ordered_json::parse(r[3]);
        json scenario = base;
        for (auto& s : scenario["species"]) s["wanted_area_ha"] = p["species[].wanted_area_ha"];
        scenario["measures"] = p["measures"];
        const std::string path = testing::write_scratch_file("direct.json", scenario.dump());
        const Shell direct = shell(std::string(PRAVEL_CLI_PATH) + " --db-config " + schema().config_path() +
                                 " --seed " + p["seed"].dump() + " minimise-budget --json " + path + " 2>/dev/null");
        ASSERT_EQ(direct.status, 0) << direct.out;
        // A search stopped by its time limit keeps what it found by then; these are not.
        const json summary = json::parse(r[4]);
        EXPECT_EQ(summary["search"]["time_limit_reached"], false);
        EXPECT_EQ(cli::batch_summary(json::parse(direct.out)), summary);
    }

    // The same batch with two local workers gives the same table.
    const int local = batch_id(cli("batch create " + file));
    const Shell ran = cli("batch run " + std::to_string(local) + " --workers 2");
    ASSERT_EQ(ran.status, 0) << ran.out;
    ASSERT_EQ(cli("batch collect " + std::to_string(local) + " --csv " + dir + "/local.csv").status, 0);
    EXPECT_EQ(read_file(dir + "/local.csv"), read_file(dir + "/cluster.csv"));
    EXPECT_NE(read_file(dir + "/local.csv").find("\nmean,3 done,10,"), std::string::npos);

    // Selection frequency over the three replicates of the first setting.
    EXPECT_EQ(cli("export --batch " + b + " --frequency --out " + dir + "/f.csv").status, 2);  // four settings
    const Shell csv = cli("export --batch " + b + " --frequency --group 0 --out " + dir + "/f.csv");
    ASSERT_EQ(csv.status, 0) << csv.out;
    const Shell tif = cli("export --batch " + b + " --frequency --group 0 --out " + dir + "/f.tif");
    ASSERT_EQ(tif.status, 0) << tif.out;
    gis::GridGeometry grid;
    const auto bands = gis::read_all_bands(dir + "/f.tif", &grid);
    ASSERT_EQ(bands.size(), 1u);
    std::istringstream lines(read_file(dir + "/f.csv"));
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line, "pixelID,matrix_i,matrix_j,x,y,runs_taken,runs,frequency");
    long long taken = 0, pixels = 0;
    while (std::getline(lines, line)) {
        int id, i, j, k, n;
        long long x, y;
        double f;
        ASSERT_EQ(std::sscanf(line.c_str(), "%d,%d,%d,%lld,%lld,%d,%d,%lf", &id, &i, &j, &x, &y, &k, &n, &f), 8);
        EXPECT_EQ(n, 3);
        EXPECT_DOUBLE_EQ(f, k / 3.0);
        EXPECT_NEAR(bands[0].values[static_cast<std::size_t>(i) * grid.columns + j], f, 1e-9);
        taken += k;
        ++pixels;
    }
    EXPECT_EQ(std::to_string(pixels), schema().scalar("SELECT COUNT(*) FROM pixel p JOIN country c ON "
                                                      "p.countryID = c.countryID WHERE c.name = 'Moorwiesen test area'"));
    // Each run's pixels counted once: the runs_taken add up to the runs' result rows.
    EXPECT_EQ(std::to_string(taken),
              schema().scalar("SELECT COUNT(DISTINCT r.configurationID, r.pixelID) FROM result r JOIN batch_run b "
                              "ON r.configurationID = b.configurationID WHERE b.batchID = " + b +
                              " AND b.run_index < 3"));
    EXPECT_GT(taken, 0);
}

TEST_F(BatchClusterTest, ARunCancelledMidRunAndRequeuedEndsDoneOnceWithOneConfiguration) {
    const std::string file = testing::write_scratch_file(
        "cancel.json", R"({"analysis": "minimise-budget", "base": ")" PRAVEL_EXAMPLES_DIR
                       R"(/minimise_budget_large.json"})");
    const int id = batch_id(cli("batch create " + file));
    const Shell submitted = cli("batch submit " + std::to_string(id) + " --slurm");
    ASSERT_EQ(submitted.status, 0) << submitted.out;
    const std::string job = trimmed(submitted.out.substr(0, submitted.out.find('\n')));

    // Cancelled once its run has claimed its row.
    for (int i = 0; i < 600 && row_state(id, 0) != "running"; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ASSERT_EQ(row_state(id, 0), "running");
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    ASSERT_EQ(shell("scancel " + job + "_0").status, 0);
    // The row stays running, held by a connection that is gone.
    bool stale = false;
    for (int i = 0; i < 100 && !stale; ++i) {
        stale = schema().scalar("SELECT COUNT(*) FROM batch_run WHERE batchID = " + std::to_string(id) +
                                " AND state = 'running' AND connection_id NOT IN "
                                "(SELECT ID FROM information_schema.PROCESSLIST)") == "1";
        if (!stale) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    ASSERT_TRUE(stale) << "the run was not stopped mid-run";
    EXPECT_EQ(schema().count("configuration"), 0);

    Shell requeued;
    for (int i = 0; i < 50; ++i) {  // the cancel must have reached the controller first
        requeued = shell("scontrol requeue " + job + "_0");
        if (requeued.status == 0) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    ASSERT_EQ(requeued.status, 0) << requeued.out;
    const Shell waited = cli("batch status " + std::to_string(id) + " --wait --timeout 1200");
    ASSERT_EQ(waited.status, 0) << waited.out;
    EXPECT_EQ(row_state(id, 0), "done");
    EXPECT_EQ(schema().scalar("SELECT attempt FROM batch_run WHERE batchID = " + std::to_string(id)), "2");
    EXPECT_EQ(schema().scalar("SELECT COUNT(DISTINCT configurationID) FROM configuration"), "1");

    // Repeated once more (a second submission): nothing is run or stored again.
    const Shell again = cli("batch task " + std::to_string(id) + " --index 0");
    EXPECT_EQ(again.status, 0) << again.out;
    EXPECT_NE(again.out.find("done already"), std::string::npos) << again.out;
    EXPECT_EQ(schema().scalar("SELECT COUNT(DISTINCT configurationID) FROM configuration"), "1");
}

}  // namespace
}  // namespace pravel
