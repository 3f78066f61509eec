// The evaluation run on several threads gives, bit for bit, the results of
// the run on one thread, and leaves the random generator where that run
// leaves it: on both demo study areas, with the demo birds and a spread of
// measures of every method group.
#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "common/feedback.h"
#include "common/random.h"
#include "core/evaluation_run.h"
#include "core/quality_model.h"
#include "demo/landscape.h"
#include "store/measure_store.h"
#include "store/profile_store.h"
#include "support/demo_schema.h"
#include "support/program_run.h"

namespace pravel {
namespace {

class ParallelEvaluationTest : public testing::DatabaseTest {
public:
    static void SetUpTestSuite() {
        DatabaseTest::SetUpTestSuite();
        loaded_ = false;
    }

protected:
    ParallelEvaluationTest() { keep_tables_between_tests_ = true; }

    void SetUp() override {
        DatabaseTest::SetUp();
        if (!loaded_) {
            testing::load_demo_database(schema());
            loaded_ = true;
        }
    }

    EvaluationRequest request(int country, std::size_t measure_stride) {
        auto db = connect();
        EvaluationRequest r;
        r.countryID = country;
        const auto birds = schema().rows("SELECT name, savetime FROM species WHERE `group` = 'bird' ORDER BY speciesID");
        for (const auto& row : birds) {
            r.species.push_back(load_species("name", row[0], row[1]));
        }
        r.minimum_qualities.assign(r.species.size(), 0.1);
        const auto measures = all_measures(*db);
        for (std::size_t k = 0; k < measures.size(); k += measure_stride) r.measures.push_back(measures[k]);
        r.distance_cost_factor = 1.0;
        r.seed = 4711;
        return r;
    }

    using CliRun = testing::ProgramRun;

    // The command-line tool run as a program on the suite's schema.
    CliRun cli(const std::string& args) {
        const std::string err_path = testing::scratch_dir() + "/threads_stderr.txt";
        const std::string cmd = std::string(PRAVEL_CLI_PATH) + " --db-config " + schema().config_path() + " " +
                                args;
        return testing::run_program(cmd, err_path);
    }

    static bool loaded_;
};

bool ParallelEvaluationTest::loaded_ = false;

std::uint64_t bits(double v) { return std::bit_cast<std::uint64_t>(v); }

// Every field of every result, doubles compared by their bits.
void expect_identical(const std::vector<std::vector<PixelResult>>& expected,
                      const std::vector<std::vector<PixelResult>>& actual) {
    ASSERT_EQ(expected.size(), actual.size());
    for (std::size_t m = 0; m < expected.size(); ++m) {
        ASSERT_EQ(expected[m].size(), actual[m].size()) << "measure " << m;
        for (std::size_t i = 0; i < expected[m].size(); ++i) {
            const PixelResult& e = expected[m][i];
            const PixelResult& a = actual[m][i];
            ASSERT_EQ(e.pixelID, a.pixelID);
            ASSERT_EQ(e.row, a.row);
            ASSERT_EQ(e.column, a.column);
            ASSERT_EQ(e.x_coordinate, a.x_coordinate);
            ASSERT_EQ(e.y_coordinate, a.y_coordinate);
            ASSERT_EQ(bits(e.margin_without_payment), bits(a.margin_without_payment));
            ASSERT_EQ(bits(e.margin_with_payment), bits(a.margin_with_payment));
            ASSERT_EQ(e.measure->measureID, a.measure->measureID);
            ASSERT_EQ(e.qualities.size(), a.qualities.size());
            for (std::size_t s = 0; s < e.qualities.size(); ++s) {
                ASSERT_EQ(e.qualities[s].speciesID, a.qualities[s].speciesID);
                ASSERT_EQ(bits(e.qualities[s].quality), bits(a.qualities[s].quality))
                    << "measure " << m << " pixel " << e.pixelID << " species " << s;
            }
        }
    }
}

TEST_F(ParallelEvaluationTest, OneTwoAndThreeThreadsGiveTheResultsAndFinalStateOfTheRunInSequence) {
    // The small area with every measure, the large one with every fifth (of
    // all method groups) to keep the test short.
    const struct {
        int country;
        std::size_t stride;
    } areas[] = {{demo::kSmallAreaId, 1}, {demo::kLargeAreaId, 5}};
    for (const auto& area : areas) {
        SCOPED_TRACE("study area " + std::to_string(area.country));
        auto db = connect();
        EvaluationRequest r = request(area.country, area.stride);

        // The reference: a quality function of the caller's keeps the run on
        // the calling thread.
        seed_random(r.seed);
        EvaluationInputs inputs = load_evaluation_inputs(*db, r);
        inputs.measures = prepare_measures(inputs, r);
        const auto expected = evaluate(inputs, r, nullptr, QualityFunction(species_quality));
        const std::uint32_t expected_state = random_state();
        std::size_t results = 0;
        for (const auto& list : expected) results += list.size();
        ASSERT_GT(results, 1000u);
        ASSERT_NE(expected_state, r.seed);

        const std::uint64_t repeats = evaluation_repeats_in_sequence();
        for (int threads : {1, 2, 3}) {
            SCOPED_TRACE(std::to_string(threads) + " threads");
            r.threads = threads;
            std::vector<Feedback::Progress> reports;
            Feedback feedback([&](const Feedback::Progress& p) { reports.push_back(p); });
            const auto actual = EvaluationRun(*db, r, &feedback);
            EXPECT_EQ(random_state(), expected_state);
            expect_identical(expected, actual);
            ASSERT_FALSE(reports.empty());
            EXPECT_EQ(reports.back().step, reports.back().total);
        }
        EXPECT_EQ(evaluation_repeats_in_sequence(), repeats) << "every block took the draws counted for it";
    }
    EXPECT_TRUE(messages().messages().empty());
}

TEST_F(ParallelEvaluationTest, TheToolPrintsTheSameLinesOnAnyNumberOfThreadsAndRefusesABadNumber) {
    const std::string scenario = std::string(PRAVEL_EXAMPLES_DIR) + "/effectiveness_small.json";
    const CliRun one = cli("--seed 17 --threads 1 effectiveness " + scenario + " --json");
    ASSERT_EQ(one.status, 0) << one.err;
    ASSERT_GT(one.out.size(), 1000u);
    for (const char* threads : {"2", "3"}) {
        const CliRun more =
            cli(std::string("--seed 17 --threads ") + threads + " effectiveness " + scenario + " --json");
        ASSERT_EQ(more.status, 0) << more.err;
        EXPECT_EQ(more.out, one.out) << threads << " threads";
    }
    EXPECT_EQ(cli("--seed 17 effectiveness " + scenario + " --json").out, one.out) << "every core by default";

    for (const char* bad : {"0", "-2", "1.5", "many", "2000", "''"}) {
        const CliRun r = cli(std::string("--threads ") + bad + " effectiveness " + scenario);
        EXPECT_EQ(r.status, 2) << bad << ": " << r.err;
        EXPECT_EQ(r.out, "") << bad;
        EXPECT_NE(r.err.find("--threads"), std::string::npos) << bad << ": " << r.err;
    }
}

}  // namespace
}  // namespace pravel
