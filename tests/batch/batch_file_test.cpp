// Batch files: the runs are the product of the varied values with the seed
// fastest, and what cannot be run is refused before anything is stored.
#include <gtest/gtest.h>

#include "batch/batch_collect.h"
#include "batch/batch_file.h"
#include "store/batch_store.h"

namespace pravel::batch {
namespace {

using json = nlohmann::ordered_json;

const json kBase = json::parse(R"({"region": "A", "transaction_costs": 10,
    "species": [{"name": "Grutto", "wanted_area_ha": 20}, {"name": "Kievit", "wanted_area_ha": 30}],
    "measures": [{"id": 19}]})");

// Accepts the keys a scenario has; refuses others, like the tool's reader.
void check(const json& scenario) {
    for (const auto& [k, v] : scenario.items()) {
        if (k != "region" && k != "transaction_costs" && k != "species" && k != "measures")
            throw std::runtime_error("unknown key \"" + k + "\"");
    }
    for (const auto& s : scenario["species"])
        for (const auto& [k, v] : s.items())
            if (k != "name" && k != "wanted_area_ha") throw std::runtime_error("unknown species key \"" + k + "\"");
}

BatchFile parse(const std::string& text) {
    return parse_batch_file(
        json::parse(text), [](const std::string&) { return kBase.dump(); },
        [](const std::string& a) { return a == "minimise-budget"; }, check);
}

TEST(BatchFile, RunsAreTheProductOfTheVariedValuesWithTheSeedFastest) {
    const BatchFile f = parse(R"({"analysis": "minimise-budget", "base": "b.json",
        "vary": {"species[].wanted_area_ha": [100, 150], "measures": [[{"set": "only mowing"}], [{"set": "all measures"}]]},
        "replicates": 3})");
    const auto runs = expand_runs(f);
    ASSERT_EQ(runs.size(), 12u);
    EXPECT_EQ(runs[0].dump(), R"({"species[].wanted_area_ha":100,"measures":[{"set":"only mowing"}],"seed":1})");
    EXPECT_EQ(runs[2]["seed"], 3);
    EXPECT_EQ(runs[3]["measures"][0]["set"], "all measures");
    EXPECT_EQ(runs[3]["seed"], 1);
    EXPECT_EQ(runs[11].dump(), R"({"species[].wanted_area_ha":150,"measures":[{"set":"all measures"}],"seed":3})");

    // A run's scenario: every species gets the varied area; the seed stays out.
    const json s = apply_parameters(f.base, runs[11]);
    EXPECT_EQ(s["species"][0]["wanted_area_ha"], 150);
    EXPECT_EQ(s["species"][1]["wanted_area_ha"], 150);
    EXPECT_EQ(s["measures"][0]["set"], "all measures");
    EXPECT_FALSE(s.contains("seed"));
    EXPECT_EQ(seed_of(runs[11]), 3u);
}

TEST(BatchFile, AVariedSeedMovesLastAndNoReplicatesMeansSeedOne) {
    const BatchFile varied =
        parse(R"({"analysis": "minimise-budget", "base": "b", "vary": {"seed": [7, 8], "region": ["A", "B"]}})");
    const auto runs = expand_runs(varied);
    ASSERT_EQ(runs.size(), 4u);
    EXPECT_EQ(runs[1].dump(), R"({"region":"A","seed":8})");
    EXPECT_EQ(runs[2].dump(), R"({"region":"B","seed":7})");

    const BatchFile plain = parse(R"({"analysis": "minimise-budget", "base": "b"})");
    ASSERT_EQ(expand_runs(plain).size(), 1u);
    EXPECT_EQ(expand_runs(plain)[0].dump(), R"({"seed":1})");
}

TEST(BatchFile, RefusesWhatCannotBeRun) {
    const struct {
        const char* file;
        const char* says;
    } cases[] = {
        {R"({"analysis": "minimise-budget", "base": "b", "vary": {"speceis[].wanted_area_ha": [1]}})", "speceis"},
        {R"({"analysis": "minimise-budget", "base": "b", "vary": {"species[].wanted": [1]}})", "species[].wanted"},
        {R"({"analysis": "minimise-budget", "base": "b", "vary": {"budgett": [1]}})", "budgett"},
        {R"({"analysis": "minimise-budget", "base": "b", "vary": {"a[].b[].c": [1]}})", "unknown path"},
        {R"({"analysis": "minimise-budget", "base": "b", "vary": {"region": []}})", "empty list"},
        {R"({"analysis": "minimise-budget", "base": "b", "vary": {"region": "A"}})", "list of values"},
        {R"({"analysis": "minimise-budget", "base": "b", "vary": {"seed": [1, -2]}})", "not a seed"},
        {R"({"analysis": "minimise-budget", "base": "b", "vary": {"seed": [1]}, "replicates": 2})", "either"},
        {R"({"analysis": "minimise-budget", "base": "b", "replicates": 0})", "replicates"},
        {R"({"analysis": "minimise-budget", "base": "b", "replicates": 100001})", "more than 100000"},
        {R"({"analysis": "minimise-budget", "base": "b", "vary": {"region": [1,2,3,4,5,6,7,8,9,10]},
             "replicates": 10001})", "more than 100000"},
        {R"({"analysis": "minimise-budget", "base": "b", "vary": {"transaction_costs": [1,2,3,4,5,6,7,8,9,10],
             "region": [1,2,3,4,5,6,7,8,9,10], "species[].wanted_area_ha": [1,2,3,4,5,6,7,8,9,10],
             "measures": [1,2,3,4,5,6,7,8,9,10], "seed": [1,2,3,4,5,6,7,8,9,10,11]}})", "more than 100000"},
        {R"({"analysis": "maximise-goals", "base": "b"})", "unknown analysis"},
        {R"({"base": "b"})", "needs \"analysis\""},
        {R"({"analysis": "minimise-budget"})", "needs \"base\""},
        {R"({"analysis": "minimise-budget", "base": "b", "varry": {}})", "unknown key \"varry\""},
    };
    for (const auto& c : cases) {
        try {
            parse(c.file);
            ADD_FAILURE() << "accepted: " << c.file;
        } catch (const BatchError& e) {
            EXPECT_NE(std::string(e.what()).find(c.says), std::string::npos) << e.what();
        }
    }
    // Exactly the limit is accepted.
    EXPECT_EQ(run_count(parse(R"({"analysis": "minimise-budget", "base": "b", "vary": {"region": [1,2,3,4,5,6,7,8,9,10]},
        "replicates": 10000})")), 100000);
}

TEST(BatchFile, AListPathNeedsEntriesInTheBase) {
    auto parse_with = [](const json& base, const std::string& text) {
        return parse_batch_file(
            json::parse(text), [&](const std::string&) { return base.dump(); },
            [](const std::string&) { return true; }, [](const json&) {});
    };
    EXPECT_THROW(parse_with(json::parse(R"({"species": []})"),
                            R"({"analysis": "x", "base": "b", "vary": {"species[].wanted_area_ha": [1]}})"),
                 BatchError);
    EXPECT_THROW(parse_with(json::parse(R"([1])"), R"({"analysis": "x", "base": "b"})"), BatchError);
}

BatchRunRecord run(int index, const std::string& parameters, const std::string& state, const std::string& summary) {
    BatchRunRecord r;
    r.run_index = index;
    r.parameters = parameters;
    r.state = state;
    r.summary = summary;
    return r;
}

TEST(BatchCollect, OneLinePerRunAndStatisticsOverTheReplicatesOfEachSetting) {
    const std::string s1 = R"({"budget": 10, "species": [{"name": "Grutto", "effective_area_ha": 4}],
        "measures": [{"area_ha": 1.5}, {"area_ha": 0.5}]})";
    const std::string s2 = R"({"budget": 20, "species": [{"name": "Grutto", "effective_area_ha": 8}],
        "measures": [{"area_ha": 2}]})";
    const std::string s3 = R"({"budget": 60, "species": [{"name": "Grutto", "effective_area_ha": 6}],
        "measures": [{"area_ha": 2}]})";
    const std::vector<BatchRunRecord> runs = {
        run(0, R"({"region": "A, north", "seed": 1})", "done", s1),
        run(1, R"({"region": "A, north", "seed": 2})", "done", s2),
        run(2, R"({"region": "A, north", "seed": 3})", "done", s3),
        run(3, R"({"region": "B", "seed": 1})", "done", s1),
        run(4, R"({"region": "B", "seed": 2})", "failed", ""),
    };
    const std::string csv = csv_text(collect_table({"region", "seed"}, runs));
    // Budgets 10, 20, 60: mean 30, sample sd sqrt(((-20)^2 + (-10)^2 + 30^2) / 2) = sqrt(700).
    EXPECT_EQ(csv,
              "run,state,region,seed,budget,effective_area_ha Grutto,area_ha\n"
              "0,done,\"A, north\",1,10,4,2\n"
              "1,done,\"A, north\",2,20,8,2\n"
              "2,done,\"A, north\",3,60,6,2\n"
              "mean,3 done,\"A, north\",,30,6,2\n"
              "sd,3 done,\"A, north\",,26.45751311,2,0\n"
              "min,3 done,\"A, north\",,10,4,2\n"
              "max,3 done,\"A, north\",,60,8,2\n"
              "3,done,B,1,10,4,2\n"
              "4,failed,B,2,,,\n");
}

TEST(BatchCollect, ProgressBarAndStatusLineCountEveryState) {
    const std::map<std::string, int> counts{{"queued", 1}, {"running", 2}, {"done", 6}, {"failed", 1}, {"stale", 1}};
    EXPECT_EQ(progress_bar(counts, 10), "[#######   ] 7/10");
    EXPECT_EQ(status_line(counts), "1 queued, 2 running (1 left by a stopped process), 6 done, 1 failed");
    EXPECT_EQ(progress_bar({{"done", 0}}, 4), "[####] 0/0");
}

}  // namespace
}  // namespace pravel::batch
