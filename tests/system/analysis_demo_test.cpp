// Whole effectiveness and programme-simulation runs on the small demo area.
#include <gtest/gtest.h>

#include <sstream>

#include "core/effectiveness.h"
#include "demo/demo_database.h"
#include "demo/landscape.h"
#include "optimisation/optimisation_analysis.h"
#include "simulation/programme_simulation.h"
#include "store/landscape_store.h"
#include "store/measure_store.h"
#include "store/profile_store.h"
#include "store/sql_script.h"
#include "support/test_database.h"

namespace pravel {
namespace {

class AnalysisDemoTest : public testing::DatabaseTest {
public:
    static void SetUpTestSuite() {
        DatabaseTest::SetUpTestSuite();
        loaded_ = false;
    }

protected:
    AnalysisDemoTest() { keep_tables_between_tests_ = true; }

    void SetUp() override {
        DatabaseTest::SetUp();
        if (!loaded_) {
            std::ostringstream sql;
            demo::write_demo_database(sql);
            for (const auto& st : split_sql_script(sql.str())) schema().exec(st);
            // The script switches autocommit off for its session; the checks
            // below read through that session while the runs write through
            // others, so it must see each committed write.
            schema().exec("SET autocommit = 1");
            loaded_ = true;
        }
    }

    std::vector<SpeciesRecord> two_birds() {
        std::vector<SpeciesRecord> out;
        const auto rows =
            schema().rows("SELECT name, savetime FROM species WHERE `group` = 'bird' ORDER BY speciesID LIMIT 2");
        for (const auto& r : rows) out.push_back(load_species("name", r[0], r[1]));
        return out;
    }
    // Three mowing measures that qualify on the small area and one that does not.
    std::vector<MeasureRecord> some_mowing_measures() {
        auto db = connect();
        const std::tuple<const char*, int, int, int> wanted[] = {
            {"mowing_3cut", 20, 8, 6}, {"mowing_2cut", 28, 6, 0}, {"mowing_1cut", 34, 0, 0}, {"mowing_4cut", 0, 0, 0}};
        std::vector<MeasureRecord> out;
        const auto all = all_measures(*db);
        for (const auto& [name, first, d2, d3] : wanted) {
            for (const auto& m : all) {
                if (m.name == name && (std::string(name) == "mowing_4cut" ||
                                       (m.month_quarter_first_use == first && m.distance_2use == d2 &&
                                        m.distance_3use == d3))) {
                    out.push_back(m);
                    break;
                }
            }
        }
        return out;
    }

    static bool loaded_;
};

bool AnalysisDemoTest::loaded_ = false;

TEST_F(AnalysisDemoTest, EffectivenessRunIsRepeatableAndWritesItsGraphicRows) {
    EffectivenessInputs in;
    in.distance_cost_factor = "1";
    in.transaction_costs = "12";
    in.measures = some_mowing_measures();
    in.species = two_birds();
    in.minimum_qualities = {0.3, 0.3};
    in.time_dependent_predation = false;
    in.countryID = demo::kSmallAreaId;
    ASSERT_EQ(in.species.size(), 2u);
    ASSERT_EQ(in.measures.size(), 4u);

    auto db = connect();
    const auto first = run_effectiveness(*db, in);
    ASSERT_EQ(first.message, "");
    const long long graphic_rows = schema().count("graphic");
    EXPECT_EQ(graphic_rows, static_cast<long long>(first.graphic.size()));
    EXPECT_EQ(schema().count("results_for_viusualitsation"), 0);

    const auto second = run_effectiveness(*db, in);
    EXPECT_EQ(second.lines, first.lines);
    EXPECT_EQ(schema().count("graphic"), 2 * graphic_rows);

    // Each measure gives its four fixed lines and one per species, or the two
    // lines of an unsuitable measure.
    std::size_t expected_lines = 0;
    std::size_t qualifying = 0;
    for (const auto& list : first.results) {
        expected_lines += list.empty() ? 2 : 4 + in.species.size();
        qualifying += list.size();
    }
    EXPECT_EQ(first.lines.size(), expected_lines);
    ASSERT_GT(qualifying, 0u);

    write_visualisation_rows(*db, effectiveness_visualisation_rows(first));
    EXPECT_EQ(schema().count("results_for_viusualitsation"), static_cast<long long>(qualifying * 2));
    EXPECT_EQ(schema().scalar("SELECT MIN(payment) FROM results_for_viusualitsation"), "-12");
}

TEST_F(AnalysisDemoTest, ProgrammeSimulationRunIsRepeatableWithTheGrossBudget) {
    auto db = connect();
    const double pixel_area = load_raster_reference(*db, demo::kSmallAreaId).pixel_area_ha;
    ASSERT_GT(pixel_area, 0);

    ProgrammeInputs in;
    in.distance_cost_factor = "1";
    in.transaction_costs = "10";
    in.measures = some_mowing_measures();
    for (auto& m : in.measures) {
        m.payment = 400;
        in.max_counts.push_back(maximum_pixel_count("50", pixel_area));
    }
    in.species = two_birds();
    in.minimum_qualities = {0.3, 0.3};
    in.time_dependent_predation = false;
    in.countryID = demo::kSmallAreaId;
    in.pixel_area = pixel_area;

    const auto first = run_programme_simulation(*db, in);
    ASSERT_EQ(first.message, "");
    ASSERT_FALSE(first.allocation.empty());
    const auto second = run_programme_simulation(*db, in);
    EXPECT_EQ(second.lines, first.lines);
    EXPECT_EQ(in.measures[0].payment, 400);

    double net_payments = 0;
    for (const auto& r : first.allocation) {
        ASSERT_TRUE(r.measure);
        EXPECT_DOUBLE_EQ(r.measure->payment, 390);
        EXPECT_GE(r.margin_with_payment, 0);
        net_payments += r.measure->payment;
    }
    for (std::size_t m = 0; m < in.measures.size(); ++m) EXPECT_LE(first.participants[m], in.max_counts[m]);
    const double n = static_cast<double>(first.allocation.size());
    EXPECT_NEAR(first.budget, 10 * n * pixel_area + pixel_area * net_payments, 1e-6);
}

// The sequence both front ends run: the map rows it writes are those of its
// result, through the given connection or one of its own; the search is
// repeatable for a seed; the report carries the bound line only after a run;
// a store without a name stores nothing.
TEST_F(AnalysisDemoTest, OptimisationSequenceWritesMapRowsReportAndStore) {
    EvaluationRequest e;
    e.countryID = demo::kSmallAreaId;
    e.species = two_birds();
    e.minimum_qualities = {0.3, 0.3};
    e.measures = some_mowing_measures();
    e.distance_cost_factor = 1.0;
    BudgetMinimisationInput budget;
    budget.evaluation = e;
    budget.wanted_area_ha = {5.0, 5.0};
    budget.transaction_costs = 10;
    budget.seed = 3;
    GoalMaximisationInput goal;
    goal.evaluation = e;
    goal.weight = {1.0, 0.5};
    goal.budget = 5000;
    goal.transaction_costs = 10;
    goal.seed = 3;

    struct Case {
        const char* name;
        OptimisationAnalysis analysis;
        SearchMethod method;
        bool own_connection;
    };
    const Case cases[] = {{"budget, breakpoint", OptimisationAnalysis(budget), SearchMethod::Breakpoint, false},
                          {"budget, annealing", OptimisationAnalysis(budget), SearchMethod::Annealing, true},
                          {"goal, breakpoint", OptimisationAnalysis(goal), SearchMethod::Breakpoint, true},
                          {"goal, annealing", OptimisationAnalysis(goal), SearchMethod::Annealing, false}};
    long long stored_rows = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        schema().exec("TRUNCATE TABLE `results_for_viusualitsation`");
        auto db = connect();
        const AnalysisRun run = c.analysis.settle(c.analysis.search(*db, c.method, nullptr),
                                                  c.analysis.pixelArea(*db), c.own_connection ? nullptr : db.get());
        const OptimisationResult& result = run.outcome.result;
        ASSERT_FALSE(result.allocation.empty());
        EXPECT_EQ(schema().count("results_for_viusualitsation"),
                  static_cast<long long>(allocation_visualisation_rows(result.allocation, e.species, e.countryID).size()));
        ASSERT_FALSE(run.search_lines.empty());
        EXPECT_EQ(run.search_lines.front(), run.bound_line);

        const SearchOutcome again = c.analysis.search(*db, c.method, nullptr);
        EXPECT_EQ(again.result.payment, result.payment);
        EXPECT_EQ(again.result.budget, result.budget);

        const std::string before = c.analysis.report(run.pixel_area, nullptr);
        const std::string after = c.analysis.report(run.pixel_area, &run);
        const std::string tail = run.bound_line + "\r\n";
        EXPECT_EQ(before.find(run.bound_line), std::string::npos);
        ASSERT_GT(after.size(), before.size() + tail.size());
        EXPECT_EQ(after.substr(after.size() - tail.size()), tail);

        EXPECT_EQ(c.analysis.store(*db, result, std::nullopt, 1000), std::nullopt);
        EXPECT_EQ(schema().count("configuration"), stored_rows);
        const auto id = c.analysis.store(*db, result, std::string("sequence"), 1000);
        ASSERT_TRUE(id);
        EXPECT_EQ(schema().scalar("SELECT COUNT(*) FROM `configuration` WHERE configurationID = " + std::to_string(*id)),
                  std::to_string(e.measures.size()));
        stored_rows = schema().count("configuration");
    }
}

}  // namespace
}  // namespace pravel
