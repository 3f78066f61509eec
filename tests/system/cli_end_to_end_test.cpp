// The command-line tool run as a program on the demo database: each analysis
// end to end, bad input refused before anything is written, reproducible
// runs with a seed.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <map>
#include <tuple>
#include <sstream>

#include <nlohmann/json.hpp>

#include "support/demo_schema.h"
#include "support/program_run.h"

namespace pravel {
namespace {

using CliRun = testing::ProgramRun;

class CliTest : public testing::DatabaseTest {
public:
    static void SetUpTestSuite() {
        DatabaseTest::SetUpTestSuite();
        loaded_ = false;
    }

protected:
    CliTest() { keep_tables_between_tests_ = true; }
    void SetUp() override {
        DatabaseTest::SetUp();
        if (!loaded_) {
            testing::load_demo_database(schema());
            loaded_ = true;
        }
    }

    // Runs the tool with the suite's settings file; stdout and stderr apart.
    CliRun cli(const std::string& args) {
        const std::string err_path = testing::scratch_dir() + "/cli_stderr.txt";
        const std::string cmd = std::string(PRAVEL_CLI_PATH) + " --db-config " + schema().config_path() + " " +
                                args;
        return testing::run_program(cmd, err_path);
    }
    std::string scenario(const std::string& name, const nlohmann::json& doc) {
        return testing::write_scratch_file(name, doc.dump());
    }
    static nlohmann::json base() {
        return {{"region", "Moorwiesen test area"},
                {"predation", "time independent"},
                {"distance_cost_factor", 1},
                {"transaction_costs", 10}};
    }
    static std::vector<std::string> lines_of(const std::string& text) {
        std::vector<std::string> out;
        std::istringstream in(text);
        for (std::string l; std::getline(in, l);) out.push_back(l);
        return out;
    }

    static bool loaded_;
};
bool CliTest::loaded_ = false;

TEST_F(CliTest, EffectivenessPrintsTheResultLinesAndWritesGraphicRows) {
    auto doc = base();
    doc["species"] = {{{"name", "Grutto"}, {"min_quality", 0.3}}, {{"name", "Kievit"}, {"min_quality", 0.3}}};
    doc["measures"] = {{{"id", 19}}, {{"id", 70}}, {{"id", 1}}};
    const CliRun j = cli("effectiveness " + scenario("eff.json", doc) + " --json");
    ASSERT_EQ(j.status, 0) << j.err;
    const auto parsed = nlohmann::json::parse(j.out);
    ASSERT_EQ(parsed["measures"].size(), 3u);
    EXPECT_EQ(parsed["measures"][0]["id"], 19);
    // A measure with qualifying pixels writes a graphic row per species, an
    // unsuitable one a single row.
    long long rows = 0;
    bool some_qualify = false;
    for (const auto& m : parsed["measures"]) {
        const bool qualifies = m["qualifying_pixels"].get<int>() > 0;
        some_qualify = some_qualify || qualifies;
        rows += qualifies ? 2 : 1;
    }
    EXPECT_TRUE(some_qualify);
    EXPECT_EQ(schema().count("graphic"), rows);
    EXPECT_EQ(schema().count("results_for_viusualitsation"), 0) << "without --visualize no map rows";

    const CliRun r = cli("effectiveness " + scenario("eff.json", doc) + " --visualize");
    ASSERT_EQ(r.status, 0) << r.err;
    const auto lines = lines_of(r.out);
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[0].rfind(" Measure, mowing_3cut, 20/6", 0), 0u) << lines[0];
    EXPECT_EQ(schema().count("graphic"), rows) << "each run starts from empty result tables";
    EXPECT_GT(schema().count("results_for_viusualitsation"), 0);
    const auto& mowing_1cut = parsed["measures"][1];
    ASSERT_GT(mowing_1cut["qualifying_pixels"].get<int>(), 0);
    const std::string range = "Range of cost: " + std::to_string(mowing_1cut["cost_min"].get<int>()) + " - " +
                              std::to_string(mowing_1cut["cost_max"].get<int>()) + "  Euro/ha";
    EXPECT_NE(r.out.find(range), std::string::npos) << range;
}

TEST_F(CliTest, BadInputIsRefusedBeforeAnythingIsWritten) {
    schema().exec("DELETE FROM graphic");
    schema().exec("DELETE FROM results_for_viusualitsation");
    schema().exec("INSERT INTO graphic (m_name, species_name) VALUES ('kept', 'kept')");
    schema().exec("INSERT INTO results_for_viusualitsation (measure_name, species_name) VALUES ('kept', 'kept')");
    auto with = [&](const char* key, const nlohmann::json& value) {
        auto d = base();
        d["species"] = {{{"name", "Grutto"}, {"min_quality", 0.3}}};
        d["measures"] = {{{"id", 19}}};
        if (value.is_null()) {
            d.erase(key);
        } else {
            d[key] = value;
        }
        return d;
    };
    struct Case {
        const char* label;
        nlohmann::json doc;
        const char* message;
    } cases[] = {
        {"no distance factor", with("distance_cost_factor", nullptr),
         "You have to enter a factor for the distance cost please!"},
        {"no predation", with("predation", nullptr), "You have to select the predation please!"},
        {"no region", with("region", nullptr), "You have to select a country/region please!"},
        {"unknown region", with("region", "Atlantis"), "unknown region \"Atlantis\""},
        {"unknown measure", with("measures", {{{"id", 99999}}}), "unknown measure ID 99999"},
        {"no measures", with("measures", nlohmann::json::array()), "You have to select measures first please!"},
        {"quality above 1", with("species", {{{"name", "Grutto"}, {"min_quality", 1.5}}}),
         "The quality must be between 0 and 1!"},
        {"unknown species", with("species", {{{"name", "Dodo"}, {"min_quality", 0.5}}}), "unknown species \"Dodo\""},
        {"unknown key", with("budgett", 5), "unknown key \"budgett\""},
    };
    for (const auto& c : cases) {
        const CliRun r = cli("effectiveness " + scenario("bad.json", c.doc));
        EXPECT_EQ(r.status, 2) << c.label;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << c.label << ": " << r.err;
    }
    EXPECT_EQ(schema().count("graphic"), 1);
    EXPECT_EQ(schema().count("results_for_viusualitsation"), 1);
    schema().exec("DELETE FROM graphic");
    schema().exec("DELETE FROM results_for_viusualitsation");
}

TEST_F(CliTest, OptimisationsReportStoreAndRepeatWithASeed) {
    const std::string budget_report = testing::scratch_dir() + "/budget.txt";
    const CliRun b = cli("--seed 4 minimise-budget " + std::string(PRAVEL_EXAMPLES_DIR) +
                      "/minimise_budget_small.json --max-seconds 120 --store cli-test --report " + budget_report);
    ASSERT_EQ(b.status, 0) << b.err;
    EXPECT_NE(b.out.find("Payment in Euro: "), std::string::npos);
    EXPECT_NE(b.out.find("Wanted effective area in ha: "), std::string::npos);
    EXPECT_EQ(schema().scalar("SELECT COUNT(DISTINCT configname) FROM configuration"), "1");
    EXPECT_EQ(schema().scalar("SELECT configname FROM configuration LIMIT 1"), "cli-test");
    EXPECT_GT(schema().count("result"), 0);
    std::ifstream report(budget_report, std::ios::binary);
    std::string head(20, '\0');
    report.read(head.data(), 20);
    EXPECT_EQ(head, "selected species:\r\nG");

    const std::string goal = std::string(PRAVEL_EXAMPLES_DIR) + "/maximise_goal_small.json";
    const CliRun g1 = cli("--seed 9 maximise-goal " + goal);
    const CliRun g2 = cli("--seed 9 maximise-goal " + goal + " --json");
    const CliRun g3 = cli("--seed 9 maximise-goal " + goal);
    ASSERT_EQ(g1.status, 0) << g1.err;
    EXPECT_EQ(g1.out, g3.out) << "the same seed gives the same run";
    const auto parsed = nlohmann::json::parse(g2.out);
    EXPECT_LE(parsed["budget"].get<double>(), 15000.0);
    EXPECT_GT(schema().count("results_for_viusualitsation"), 0) << "the allocation is written for the map";
}

TEST_F(CliTest, BothSearchMethodsCarryTheBoundAndTheirReport) {
    const std::string scenario = std::string(PRAVEL_EXAMPLES_DIR) + "/minimise_budget_small.json";
    const CliRun b = cli("minimise-budget " + scenario + " --json");
    const CliRun a = cli("--seed 3 minimise-budget " + scenario + " --method annealing --max-seconds 1 --json");
    const CliRun wrong = cli("minimise-budget " + scenario + " --method greedy");
    ASSERT_EQ(b.status, 0) << b.err;
    ASSERT_EQ(a.status, 0) << a.err;
    EXPECT_NE(wrong.status, 0);
    const auto jb = nlohmann::json::parse(b.out);
    const auto ja = nlohmann::json::parse(a.out);
    EXPECT_EQ(jb["search"]["method"], "breakpoint search");
    EXPECT_EQ(jb["search"]["seed"], 1) << "the breakpoint search defaults to seed 1";
    EXPECT_EQ(ja["search"]["method"], "annealing");
    EXPECT_EQ(ja["search"]["seed"], 3);
    // The same evaluation (default seed 1 and seed 3 differ in the
    // vegetation draws, so each bound is checked against its own run).
    for (const auto* j : {&jb, &ja}) {
        ASSERT_TRUE((*j)["cost_only_bound"].is_number());
        EXPECT_LE((*j)["cost_only_bound"].get<double>(), (*j)["budget"].get<double>() + 1e-6);
        EXPECT_GT((*j)["search"]["allocations_evaluated"].get<long long>(), 0);
    }
    for (const auto& sp : jb["search"]["species"]) {
        EXPECT_EQ(sp["wanted_ha"], 20.0);
        EXPECT_GE(sp["share"].get<double>(), 1.0) << sp.dump();
    }
    const CliRun lines = cli("minimise-budget " + scenario);
    ASSERT_EQ(lines.status, 0) << lines.err;
    EXPECT_NE(lines.out.find("Least possible budget if each farmer were paid their own cost: "), std::string::npos);
}

TEST_F(CliTest, EveryJsonOutputIsValidJsonWhenTheSolverHasMuchToDo) {
    // With all measures the bound's programme is large enough for the
    // solver's methods that would print to standard output; every command
    // with --json prints one JSON value and nothing else.
    auto doc = nlohmann::json::parse(std::ifstream(std::string(PRAVEL_EXAMPLES_DIR) + "/maximise_goal_small.json"));
    doc["measures"] = {{{"set", "all measures"}}};
    const std::string goal = scenario("all_goal.json", doc);
    doc.erase("budget");
    const std::string effectiveness = scenario("all_effectiveness.json", doc);
    for (auto& sp : doc["species"]) {
        sp.erase("importance");
        sp["wanted_area_ha"] = 10;
    }
    const std::string budget = scenario("all_budget.json", doc);
    for (auto& sp : doc["species"]) sp.erase("wanted_area_ha");
    doc["measures"] = {{{"id", 265}, {"payment", 250}, {"max_area_ha", 60}},
                       {{"id", 70}, {"payment", 200}, {"max_area_ha", 40}}};
    const std::string programme = scenario("all_programme.json", doc);
    // The goal search runs to its own end: a time limit could cancel the
    // evaluation under load and leave the bound nothing to solve.
    for (const std::string& run : {"maximise-goal " + goal, "minimise-budget " + budget + " --max-seconds 120",
                                   "effectiveness " + effectiveness, "programme " + programme}) {
        const CliRun r = cli("--seed 5 " + run + " --json");
        ASSERT_EQ(r.status, 0) << run << "\n" << r.err;
        nlohmann::json parsed;
        EXPECT_NO_THROW(parsed = nlohmann::json::parse(r.out)) << run << "\n" << r.out.substr(0, 400);
        if (run.rfind("maximise", 0) == 0) {
            ASSERT_TRUE(parsed["cost_only_bound"].is_number()) << run;
            EXPECT_GT(parsed["cost_only_bound"].get<double>(), 0.0) << run;
        }
    }
}

TEST_F(CliTest, ASearchStoppedBeforeASolutionExits3AndStoresNothing) {
    // A limit of a nanosecond for the search alone is passed before the
    // construction's first step, whatever the load: the search stops before
    // it has a solution.
    const std::string report = testing::scratch_dir() + "/stopped_report.txt";
    std::remove(report.c_str());
    for (const char* run : {"minimise-budget", "maximise-goal"}) {
        const std::string scenario = std::string(PRAVEL_EXAMPLES_DIR) + "/" +
                                     (std::string(run) == "minimise-budget" ? "minimise_budget_small.json"
                                                                            : "maximise_goal_small.json");
        schema().exec("INSERT INTO results_for_viusualitsation (measureID) VALUES (1)");
        const long long configurations = schema().count("configuration");
        const CliRun j = cli(std::string(run) + " " + scenario + " --max-seconds 1e-9 --json --store stopped --report " +
                             report);
        EXPECT_EQ(j.status, 3) << run << ": " << j.err;
        EXPECT_NE(j.err.find("stopped before a solution was found"), std::string::npos) << run << ": " << j.err;
        const auto parsed = nlohmann::json::parse(j.out);
        EXPECT_EQ(parsed["solution"], false) << run;
        EXPECT_EQ(parsed["time_limit_reached"], true) << run;
        EXPECT_EQ(parsed["cancelled"], false) << run;
        EXPECT_TRUE(parsed["cost_only_bound"].is_number()) << run << ": the bound is reported when computed";
        EXPECT_FALSE(parsed.contains("budget")) << run << ": no budget of a non-solution";
        EXPECT_EQ(schema().count("configuration"), configurations) << run;
        EXPECT_EQ(schema().count("results_for_viusualitsation"), 0) << run << ": emptied on opening, nothing written";
        EXPECT_FALSE(std::ifstream(report).good()) << run << ": no report of a non-solution";

        const CliRun lines = cli(std::string(run) + " " + scenario + " --max-seconds 1e-9");
        EXPECT_EQ(lines.status, 3) << run;
        const auto printed = lines_of(lines.out);
        ASSERT_EQ(printed.size(), 1u) << run << ": only the bound line\n" << lines.out;
        EXPECT_NE(printed[0].find("if each farmer were paid their own cost: "), std::string::npos) << printed[0];
    }
    // A limit above the default lets the search end by its own rule.
    const CliRun longer =
        cli("minimise-budget " + std::string(PRAVEL_EXAMPLES_DIR) + "/minimise_budget_small.json --max-seconds 600 --json");
    ASSERT_EQ(longer.status, 0) << longer.err;
    const auto parsed = nlohmann::json::parse(longer.out);
    EXPECT_EQ(parsed["solution"], true);
    EXPECT_EQ(parsed["time_limit_reached"], false);
    EXPECT_EQ(parsed["search"]["time_limit_reached"], false);
}

TEST_F(CliTest, ProgressLinesOnAFileOnlyWhenAsked) {
    const std::string scenario = std::string(PRAVEL_EXAMPLES_DIR) + "/minimise_budget_small.json";
    const CliRun quiet = cli("minimise-budget " + scenario);
    const CliRun shown = cli("--progress minimise-budget " + scenario);
    ASSERT_EQ(quiet.status, 0) << quiet.err;
    ASSERT_EQ(shown.status, 0) << shown.err;
    EXPECT_EQ(quiet.err.find("evaluation: "), std::string::npos) << quiet.err;
    for (const char* stage : {"evaluation: ", "evaluation: 100 % (", "breakpoint search: ", "cost-only bound: 100 % (1 of 1), "})
        EXPECT_NE(shown.err.find(stage), std::string::npos) << stage << "\n" << shown.err;
    EXPECT_EQ(quiet.out, shown.out) << "progress goes to stderr only";
}

TEST_F(CliTest, ProgrammeSimulationPrintsPixelsAreaBudgetAndEffectiveAreas) {
    schema().exec("DELETE FROM results_for_viusualitsation");
    const std::string report = testing::scratch_dir() + "/programme.txt";
    const CliRun r = cli("programme " + std::string(PRAVEL_EXAMPLES_DIR) + "/programme_small.json --visualize --report " +
                         report);
    ASSERT_EQ(r.status, 0) << r.err;
    const auto lines = lines_of(r.out);
    ASSERT_GE(lines.size(), 6u);
    EXPECT_NE(lines[0].find(" (Payment-Cost), "), std::string::npos) << lines[0];
    EXPECT_EQ(lines[lines.size() - 3], "Effektive area: ");
    EXPECT_EQ(lines[lines.size() - 4].rfind("Budget: ", 0), 0u);
    EXPECT_EQ(lines[lines.size() - 5].rfind("Total area: ", 0), 0u);
    EXPECT_GT(schema().count("results_for_viusualitsation"), 0);
    std::ifstream in(report, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_NE(text.str().find("results of simulation:\r\n"), std::string::npos);

    auto doc = nlohmann::json::parse(std::ifstream(std::string(PRAVEL_EXAMPLES_DIR) + "/programme_small.json"));
    doc["measures"][0].erase("payment");
    const CliRun bad = cli("programme " + scenario("programme_bad.json", doc));
    EXPECT_EQ(bad.status, 2);
    EXPECT_NE(bad.err.find("You have to enter a number for the payment please!"), std::string::npos) << bad.err;
}

// Reads a whole file; empty when there is none.
std::string file_text(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

TEST_F(CliTest, RefusedInputExitsWithStatusTwoBeforeAnythingIsRunOrWritten) {
    schema().exec("DELETE FROM results_for_viusualitsation");
    schema().exec("INSERT INTO results_for_viusualitsation (measure_name, species_name) VALUES ('kept', 'kept')");
    const long long configurations = schema().count("configuration");
    const std::string dir = testing::scratch_dir();
    const std::string report = dir + "/refused_report.txt";
    std::remove(report.c_str());
    const std::string budget = std::string(PRAVEL_EXAMPLES_DIR) + "/minimise_budget_small.json";
    const std::string goal = std::string(PRAVEL_EXAMPLES_DIR) + "/maximise_goal_small.json";
    auto budget_doc = nlohmann::json::parse(std::ifstream(budget));
    auto goal_doc = nlohmann::json::parse(std::ifstream(goal));
    auto changed = [](nlohmann::json doc, const char* key, const nlohmann::json& value) {
        doc[key] = value;
        return doc;
    };
    const std::string wrapping_costs = scenario("wrap_tc.json", changed(budget_doc, "transaction_costs", 4294967306LL));
    const std::string wrapping_id = scenario("wrap_id.json", changed(budget_doc, "measures", {{{"id", 4294967315LL}}}));
    const std::string huge_budget = scenario("huge_budget.json", changed(goal_doc, "budget", 1e300));
    const std::string large_budget = scenario("large_budget.json", changed(goal_doc, "budget", 3e9));
    const std::string trailing = testing::write_scratch_file("trailing.json", budget_doc.dump() + " garbage");
    const std::string two = testing::write_scratch_file("two.json", budget_doc.dump() + budget_doc.dump());
    const std::string store_and_report = " --max-seconds 1 --store refused --report " + report;
    const std::string huge_factor = scenario("huge_factor.json", changed(budget_doc, "distance_cost_factor", 1e25));
    const std::string negative_factor = scenario("negative_factor.json", changed(goal_doc, "distance_cost_factor", -5));
    std::string twice_text = budget_doc.dump();
    twice_text.insert(twice_text.size() - 1, ",\"transaction_costs\":5000");
    const std::string twice = testing::write_scratch_file("twice.json", twice_text);
    struct Case {
        std::string args;
        std::string message;
    } cases[] = {
        {"--bogus countries", "The following argument was not expected: --bogus"},
        {"no-such-command", "pravel-cli: "},
        {"--seed abc minimise-budget " + budget, "--seed = abc"},
        {"--seed 4294967296 minimise-budget " + budget, "--seed = 4294967296"},
        {"minimise-budget " + dir + "/no_such_scenario.json", "File does not exist"},
        {"minimise-budget " + budget + " --store", "--store"},
        {"minimise-budget " + wrapping_costs + store_and_report, "\"transaction_costs\" must be an integer"},
        {"minimise-budget " + wrapping_id + store_and_report, "\"id\" must be an integer"},
        {"maximise-goal " + huge_budget + store_and_report, "\"budget\" must be a number"},
        {"maximise-goal " + large_budget + store_and_report, "\"budget\" must be a number"},
        {"minimise-budget " + trailing + store_and_report, "text follows the scenario's JSON value"},
        {"minimise-budget " + two + store_and_report, "text follows the scenario's JSON value"},
        {"minimise-budget " + budget + " --store refused --report " + report + " --max-seconds -5", "--max-seconds"},
        {"minimise-budget " + budget + " --store refused --max-seconds nan", "--max-seconds"},
        {"maximise-goal " + goal + " --store refused --max-seconds inf", "--max-seconds"},
        {"minimise-budget " + budget + " --store refused --max-seconds ''", "--max-seconds"},
        {"maximise-goal " + goal + " --max-seconds= --store refused", "--max-seconds"},
        {"minimise-budget " + huge_factor + store_and_report, "\"distance_cost_factor\" must be a number from 0"},
        {"maximise-goal " + negative_factor + store_and_report, "\"distance_cost_factor\" must be a number from 0"},
        {"minimise-budget " + twice + store_and_report, "the key \"transaction_costs\" is given more than once"},
        {"minimise-budget " + budget + " --max-seconds 1 --report " + report + " --store " + std::string(256, 'n'),
         "the configuration name has 256 characters"},
        {"minimise-budget " + budget + store_and_report.substr(0, store_and_report.find("--report")) + "--report " +
             dir + "/no_such_folder/r.txt",
         "does not exist"},
        {"maximise-goal " + goal + " --store refused --report " + dir, "is a folder"},
        {"programme " + std::string(PRAVEL_EXAMPLES_DIR) + "/programme_small.json --report ''", "needs a file name"},
        {"map --view result --out " + dir, "is a folder"},
        {"map --view result --measure 4294967315 --out " + dir + "/refused.png", "--measure takes an identifier"},
    };
    for (const auto& c : cases) {
        const CliRun r = cli(c.args);
        EXPECT_EQ(r.status, 2) << c.args << "\n" << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << c.args << "\n" << r.err;
        EXPECT_EQ(r.out, "") << c.args;
    }
    EXPECT_EQ(schema().count("configuration"), configurations);
    EXPECT_EQ(schema().scalar("SELECT COUNT(*) FROM results_for_viusualitsation WHERE measure_name = 'kept'"), "1");
    EXPECT_EQ(schema().count("results_for_viusualitsation"), 1);
    EXPECT_EQ(file_text(report), "");
    EXPECT_FALSE(std::ifstream(dir + "/refused.png").good());
}

TEST_F(CliTest, ASpeciesVersionIsNamedAtAnyPrecisionAndAMissOrAnAmbiguityListsTheVersions) {
    const std::string saved = schema().scalar("SELECT MAX(savetime) FROM species WHERE name = 'Grutto'");
    ASSERT_EQ(saved.size(), 26u) << saved;  // with microseconds
    auto with_version = [&](const std::string& saved_on) {
        auto doc = base();
        doc["species"] = {{{"name", "Grutto"}, {"saved_on", saved_on}, {"min_quality", 0.3}}};
        doc["measures"] = {{{"id", 19}}};
        return "effectiveness " + scenario("version.json", doc) + " --json";
    };
    for (const std::string& accepted : {saved, saved.substr(0, 19), saved.substr(0, 16)}) {
        const CliRun r = cli(with_version(accepted));
        EXPECT_EQ(r.status, 0) << accepted << ": " << r.err;
    }
    const CliRun missing = cli(with_version("1999-01-01 00:00:00"));
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.err.find("has no version saved on 1999-01-01 00:00:00; its versions: " + saved),
              std::string::npos)
        << missing.err;
    const CliRun garbled = cli(with_version("yesterday"));
    EXPECT_EQ(garbled.status, 2);
    EXPECT_NE(garbled.err.find("its versions: " + saved), std::string::npos) << garbled.err;
}

// Quality per pixel, measure and species of the rows for the map.
std::map<std::tuple<std::string, std::string, std::string>, std::string> map_qualities(testing::TestSchema& db) {
    std::map<std::tuple<std::string, std::string, std::string>, std::string> out;
    for (const auto& row : db.rows("SELECT pixelID, measureID, speciesID, quality FROM results_for_viusualitsation"))
        out[{row[0], row[1], row[2]}] = row[3];
    return out;
}

TEST_F(CliTest, TheSeedAlsoSeedsTheEvaluationOfBothOptimisations) {
    auto doc = nlohmann::json::parse(std::ifstream(std::string(PRAVEL_EXAMPLES_DIR) + "/maximise_goal_small.json"));
    const std::string goal = scenario("seeded_goal.json", doc);
    doc.erase("budget");
    for (auto& sp : doc["species"]) {
        sp.erase("importance");
        sp["wanted_area_ha"] = 20;
    }
    const std::string budget = scenario("seeded_budget.json", doc);
    for (auto& sp : doc["species"]) sp.erase("wanted_area_ha");
    const std::string effectiveness = scenario("seeded_effectiveness.json", doc);

    // The evaluation alone, as the effectiveness analysis runs it with each seed.
    ASSERT_EQ(cli("--seed 1 effectiveness " + effectiveness + " --visualize").status, 0);
    const auto seed_1 = map_qualities(schema());
    ASSERT_EQ(cli("--seed 23 effectiveness " + effectiveness + " --visualize").status, 0);
    const auto seed_23 = map_qualities(schema());
    ASSERT_FALSE(seed_23.empty());

    for (const std::string& run : {"minimise-budget " + budget, "maximise-goal " + goal}) {
        const CliRun r = cli("--seed 23 " + run + " --max-seconds 30");
        ASSERT_EQ(r.status, 0) << run << ": " << r.err;
        const auto allocated = map_qualities(schema());
        ASSERT_FALSE(allocated.empty()) << run;
        int differs_from_seed_23 = 0;
        int differs_from_seed_1 = 0;
        for (const auto& [key, quality] : allocated) {
            ASSERT_TRUE(seed_23.count(key)) << run;
            if (seed_23.at(key) != quality) ++differs_from_seed_23;
            if (seed_1.count(key) && seed_1.at(key) != quality) ++differs_from_seed_1;
        }
        EXPECT_EQ(differs_from_seed_23, 0) << run << ": qualities of " << allocated.size() << " map rows";
        // Otherwise the comparison could not tell the seeds apart.
        EXPECT_GT(differs_from_seed_1, 0) << run;
    }
}

TEST_F(CliTest, TheMapDrawsTheNamedSpecies) {
    const std::string dir = testing::scratch_dir();
    auto doc = base();
    doc["species"] = {{{"name", "Grutto"}, {"min_quality", 0.3}, {"wanted_area_ha", 20}},
                      {{"name", "Kievit"}, {"min_quality", 0.3}, {"wanted_area_ha", 20}}};
    doc["measures"] = {{{"id", 19}}, {{"id", 70}}};
    ASSERT_EQ(cli("--seed 3 minimise-budget " + scenario("two_species.json", doc) +
                  " --max-seconds 30 --store two-species")
                  .status,
              0);
    const std::string id =
        schema().scalar("SELECT MAX(configurationID) FROM configuration WHERE configname = 'two-species'");
    struct Case {
        const char* label;
        std::string args;
    } cases[] = {
        {"result map", "map --view result --measure all --result-layer 7"},
        {"configuration map", "map --view configuration --configuration " + id + " --result-layer 7"},
    };
    for (const auto& c : cases) {
        std::string images[2];
        const char* species[] = {"Grutto", "Kievit"};
        for (int k = 0; k < 2; ++k) {
            const std::string out = dir + "/species_" + std::to_string(k) + ".bmp";
            const CliRun r = cli(c.args + " --species " + species[k] + " --only-results --out " + out);
            ASSERT_EQ(r.status, 0) << c.label << ": " << r.err;
            images[k] = file_text(out);
        }
        ASSERT_FALSE(images[0].empty()) << c.label;
        EXPECT_TRUE(images[0] != images[1]) << c.label << ": both species drawn alike";
    }
}

}  // namespace
}  // namespace pravel
