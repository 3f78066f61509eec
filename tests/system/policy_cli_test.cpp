// The policy commands of the command-line tool on the small demo area: the
// curve, the tender and the comparison end to end, zone payments stored
// with their run, and bad values refused with status 2 before anything runs.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <sstream>

#include <nlohmann/json.hpp>

#include "support/demo_schema.h"
#include "support/program_run.h"

namespace pravel {
namespace {

using CliRun = testing::ProgramRun;

class PolicyCliTest : public testing::DatabaseTest {
public:
    static void SetUpTestSuite() {
        DatabaseTest::SetUpTestSuite();
        loaded_ = false;
    }

protected:
    PolicyCliTest() { keep_tables_between_tests_ = true; }
    void SetUp() override {
        DatabaseTest::SetUp();
        if (!loaded_) {
            testing::load_demo_database(schema());
            loaded_ = true;
        }
    }

    CliRun cli(const std::string& args) {
        const std::string err_path = testing::scratch_dir() + "/policy_cli_stderr.txt";
        const std::string cmd = std::string(PRAVEL_CLI_PATH) + " --db-config " + schema().config_path() + " --seed 1 " +
                                args;
        return testing::run_program(cmd, err_path);
    }
    static std::string example(const char* name) { return std::string(PRAVEL_EXAMPLES_DIR) + "/" + name; }
    static nlohmann::json doc_of(const char* name) { return nlohmann::json::parse(std::ifstream(example(name))); }

    static bool loaded_;
};
bool PolicyCliTest::loaded_ = false;

TEST_F(PolicyCliTest, BadValuesAreRefusedWithStatusTwo) {
    const std::string goal = example("maximise_goal_small.json");
    const std::string budget = example("minimise_budget_small.json");
    nlohmann::json zoned = doc_of("minimise_budget_small.json");
    zoned["zones"] = {{"column", "no_such_column"}};
    const std::string bad_column = testing::write_scratch_file("bad_zone_column.json", zoned.dump());
    zoned["zones"] = {{"grid", {0, 2}}};
    const std::string bad_grid = testing::write_scratch_file("bad_zone_grid.json", zoned.dump());
    const std::string csv = testing::scratch_dir() + "/refused_curve.csv";
    std::remove(csv.c_str());
    struct Case {
        std::string args;
        std::string message;
    } cases[] = {
        {"curve " + goal + " --budgets 20000:1000:5 --csv " + csv, "FROM must not exceed TO"},
        {"curve " + goal + " --budgets 1000:20000", "FROM:TO:N"},
        {"curve " + goal + " --budgets 1000:20000:5 --factors 1:2:2", "exactly one"},
        {"curve " + goal + " --budgets 1000:20000:5 --plot " + testing::scratch_dir() + "/curve.gif", ".png or .svg"},
        {"curve " + budget + " --factors 2:1:3", "FROM must not exceed TO"},
        {"compare-payments " + budget + " --zones no_such_column", "\"no_such_column\" does not exist"},
        {"minimise-budget " + bad_column, "\"no_such_column\" does not exist"},
        {"minimise-budget " + bad_grid, "whole number from 1"},
        {"programme " + bad_grid, "minimise-budget, maximise-goal"},
        {"compare-payments " + budget + " --zones grid:2x", "ROWSxCOLUMNS"},
        {"tender " + budget + " --markup -0.1", "--markup"},
        {"tender " + budget + " --markup 1.5", "--markup"},
        {"compare-payments " + budget + " --markups 0,-0.2", "below 0"},
        {"compare-payments " + budget + " --markups 0,x", "not a number"},
    };
    for (const Case& c : cases) {
        const CliRun r = cli(c.args);
        EXPECT_EQ(r.status, 2) << c.args << "\n" << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << c.args << "\n" << r.err;
    }
    EXPECT_FALSE(std::ifstream(csv).good());
}

TEST_F(PolicyCliTest, CurveTenderAndComparisonRunEndToEnd) {
    const std::string dir = testing::scratch_dir();
    const CliRun curve = cli("curve " + example("maximise_goal_small.json") + " --budgets 2000:20000:4 --json --csv " +
                             dir + "/curve.csv --plot " + dir + "/curve.svg --max-seconds 2");
    ASSERT_EQ(curve.status, 0) << curve.err;
    const auto c = nlohmann::json::parse(curve.out);
    ASSERT_EQ(c["points"].size(), 4u);
    EXPECT_TRUE(c["monotone"].get<bool>());
    for (const auto& p : c["points"]) {
        EXPECT_LE(p["budget_paid"].get<double>(), p["budget"].get<double>() + 1e-6);
        EXPECT_GE(p["cost_only_bound"].get<double>(), p["weighted_effective_area"].get<double>() - 1e-6);
        EXPECT_EQ(p["species"].size(), 3u);
    }
    std::ifstream csv(dir + "/curve.csv");
    std::string header, line;
    std::getline(csv, header);
    int rows = 0;
    while (std::getline(csv, line)) ++rows;
    EXPECT_EQ(header.rfind("budget,weighted_effective_area,", 0), 0u) << header;
    EXPECT_EQ(rows, 4);
    std::stringstream svg;
    svg << std::ifstream(dir + "/curve.svg").rdbuf();
    EXPECT_NE(svg.str().find("<svg"), std::string::npos);

    const std::string budget = example("minimise_budget_small.json");
    const CliRun tender = cli("tender " + budget + " --markup 0 --json");
    ASSERT_EQ(tender.status, 0) << tender.err;
    const auto t = nlohmann::json::parse(tender.out);
    EXPECT_TRUE(t["reached"].get<bool>());
    EXPECT_NEAR(t["rent"].get<double>(), 0.0, 1e-6);

    const CliRun compare =
        cli("compare-payments " + budget + " --zones subclassification --zones grid:2x2 --markups 0,0.25 --json --max-seconds 3");
    ASSERT_EQ(compare.status, 0) << compare.err;
    const auto rows_json = nlohmann::json::parse(compare.out)["rows"];
    ASSERT_EQ(rows_json.size(), 6u);
    const double bound = rows_json[0]["budget"].get<double>();
    const double uniform = rows_json[5]["budget"].get<double>();
    EXPECT_NEAR(rows_json[1]["budget"].get<double>(), t["budget"].get<double>(), 1e-6);
    for (const auto& row : rows_json) {
        EXPECT_TRUE(row["reached"].get<bool>()) << row.dump();
        EXPECT_GE(row["budget"].get<double>(), bound - 1e-6) << row.dump();
    }
    EXPECT_LE(rows_json[3]["budget"].get<double>(), uniform + 1e-6);
    EXPECT_LE(rows_json[4]["budget"].get<double>(), uniform + 1e-6);
}

TEST_F(PolicyCliTest, AStoredZoneRunKeepsItsZonePayments) {
    nlohmann::json doc = doc_of("minimise_budget_small.json");
    doc["zones"] = {{"grid", {2, 2}}};
    const std::string path = testing::write_scratch_file("zoned_budget.json", doc.dump());
    const CliRun r = cli("minimise-budget " + path + " --json --max-seconds 3 --store zoned-run");
    ASSERT_EQ(r.status, 0) << r.err;
    const auto j = nlohmann::json::parse(r.out);
    ASSERT_EQ(j["zones"].size(), 4u);
    EXPECT_LE(j["budget"].get<double>(), j["uniform_budget"].get<double>() + 1e-6);
    const int id = j["configuration_id"].get<int>();
    const long long rows = std::stoll(
        schema().scalar("SELECT COUNT(*) FROM configuration_zone_payment WHERE configurationID = " + std::to_string(id)));
    EXPECT_EQ(rows, 4 * static_cast<long long>(j["measures"].size()));
    // The lines name each zone that pays anything.
    const CliRun lines = cli("minimise-budget " + path + " --max-seconds 3");
    ASSERT_EQ(lines.status, 0) << lines.err;
    EXPECT_NE(lines.out.find("zone r1c1: measure"), std::string::npos) << lines.out;
    EXPECT_NE(lines.out.find("Total budget with payments by zone (grid 2x2)"), std::string::npos) << lines.out;
}

}  // namespace
}  // namespace pravel
