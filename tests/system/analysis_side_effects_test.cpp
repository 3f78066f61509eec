// The effectiveness analysis and the programme simulation touch the database
// in their windows' order: the first checks touch nothing, then the map table
// is emptied before predation and region are checked.
#include <gtest/gtest.h>

#include "core/effectiveness.h"
#include "simulation/programme_simulation.h"
#include "store/result_store.h"
#include "support/hand_made_records.h"
#include "support/test_database.h"

namespace pravel {
namespace {

class AnalysisSideEffectsTest : public testing::DatabaseTest {
protected:
    void put_map_and_graphic_rows() {
        auto db = connect();
        save_visualisation_row(*db, VisualisationRow{5, "mowing_postpo", 11, "Godwit", 0.5, 1, 0, 0, 0, 0, 1, 2, 1});
        save_graphic_row(*db, GraphicRow{5, 11, "mowing_postpo", "Godwit", 0, 0, 0, 0, 0, 0, 0, 0});
        clear_sent();
    }
};

EffectivenessInputs effectiveness_inputs() {
    EffectivenessInputs in;
    in.distance_cost_factor = "1";
    in.transaction_costs = "12.7";
    in.measures = {hand_made::measure(5, "mowing_postpo", 20, 8, 6, 0)};
    in.species = {hand_made::species(11, "Godwit")};
    in.minimum_qualities = {0.3};
    return in;
}

ProgrammeInputs programme_inputs() {
    ProgrammeInputs in;
    in.distance_cost_factor = "1";
    in.transaction_costs = "10";
    in.measures = {hand_made::measure(5, "mowing_postpo", 20, 8, 6, 0)};
    in.measures[0].payment = 87.9;
    in.max_counts = {4};
    in.species = {hand_made::species(11, "Godwit")};
    in.minimum_qualities = {0.3};
    return in;
}

TEST_F(AnalysisSideEffectsTest, EffectivenessEarlyChecksTouchNothing) {
    put_map_and_graphic_rows();
    auto in = effectiveness_inputs();
    in.species.clear();
    auto db = connect();
    EXPECT_EQ(run_effectiveness(*db, in).message, kEffNoSpecies);
    EXPECT_TRUE(sent().empty());
    EXPECT_EQ(schema().count("results_for_viusualitsation"), 1);
}

TEST_F(AnalysisSideEffectsTest, EffectivenessEmptiesTheMapTableBeforePredationAndRegion) {
    const std::pair<std::optional<bool>, std::string> cases[] = {{std::nullopt, kEffNoPredation},
                                                                 {false, kEffNoRegion}};
    for (const auto& [predation, message] : cases) {
        put_map_and_graphic_rows();
        auto in = effectiveness_inputs();
        in.time_dependent_predation = predation;
        auto db = connect();
        const auto run = run_effectiveness(*db, in);
        EXPECT_EQ(run.message, message);
        EXPECT_EQ(sent(), (std::vector<std::string>{"TRUNCATE TABLE `results_for_viusualitsation`"}));
        EXPECT_EQ(schema().count("results_for_viusualitsation"), 0);
        EXPECT_EQ(schema().count("graphic"), 1);
        // The transaction costs' integer part is used, on copies only.
        EXPECT_EQ(run.transaction_costs, 12);
        EXPECT_EQ(run.measures[0].payment, -12);
        EXPECT_EQ(in.measures[0].payment, 0);
        schema().clear_all();
    }
}

TEST_F(AnalysisSideEffectsTest, ProgrammeSimulationChecksAndCopies) {
    put_map_and_graphic_rows();
    auto in = programme_inputs();
    in.species.clear();
    {
        auto db = connect();
        EXPECT_EQ(run_programme_simulation(*db, in).message, kSimNoSpecies);
    }
    EXPECT_TRUE(sent().empty());
    EXPECT_EQ(schema().count("results_for_viusualitsation"), 1);
    // The payments the user entered stay as they were, however often the run
    // is stopped or repeated.
    EXPECT_EQ(in.measures[0].payment, 87.9);

    in = programme_inputs();
    in.time_dependent_predation = true;
    for (int attempt = 0; attempt < 2; ++attempt) {
        auto db = connect();
        const auto run = run_programme_simulation(*db, in);
        EXPECT_EQ(run.message, kSimNoRegion);
        EXPECT_DOUBLE_EQ(run.measures[0].payment, 77.9);
    }
    EXPECT_EQ(in.measures[0].payment, 87.9);
    EXPECT_EQ(schema().count("results_for_viusualitsation"), 0);
    EXPECT_EQ(schema().count("graphic"), 1);
}

}  // namespace
}  // namespace pravel
