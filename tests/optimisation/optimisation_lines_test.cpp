#include <gtest/gtest.h>

#include <functional>

#include "support/hand_made_records.h"
#include "optimisation/optimisation_lines.h"

namespace pravel {
namespace {

using hand_made::OptimisedRun;

const char* kGrazingLine = "9, grazing_rot_postpo, 18/6/0/0,1.4 (GV)/ 1.4 (GV)/ 0.8 (GV)/ 0 (GV)";

TEST(OptimisationLines, BudgetMinimisationListsOnlyParticipatingMeasuresAndAchievedSpecies) {
    OptimisedRun run;
    const auto lines =
        budget_minimisation_lines(run.result, run.measures, run.birds, run.wanted_areas, run.pixel_area);
    const std::vector<std::string> measures = {
        "5, mowing_postpo, 20/8/6/0,", "Payment in Euro: 87", "Participating area in ha: 1.00",
        "Maximum area in ha: 2.50",    kGrazingLine,          "Payment in Euro: 12",
        "Participating area in ha: 0.50", "Maximum area in ha: 0.75"};
    EXPECT_EQ(lines.measures, measures);
    const std::vector<std::string> species = {"Godwit", "Achieved effective area in ha: ", "1.00",
                                              "Wanted effective area in ha: ", "3.00"};
    EXPECT_EQ(lines.species, species);
    // 4 x 87.9 x 0.25 + 2 x 12.5 x 0.25; the refuge strips' 40 Euro do not count.
    EXPECT_FLOAT_EQ(lines.total_budget, 94.15f);
    EXPECT_EQ(lines.total_text, "94.15");
}

TEST(OptimisationLines, GoalMaximisationWordingAndWholeEuroTotal) {
    OptimisedRun run;
    const auto lines = goal_maximisation_lines(run.result, run.measures, run.birds, run.pixel_area);
    ASSERT_EQ(lines.measures.size(), 8u);
    EXPECT_EQ(lines.measures[2], "The participating area in ha: 1.00");
    EXPECT_EQ(lines.measures[6], "The participating area in ha: 0.50");
    EXPECT_EQ(lines.measures[1], "Payment in Euro: 87");
    const std::vector<std::string> species = {"Godwit", "Achieved effective area in ha: ", "1.00"};
    EXPECT_EQ(lines.species, species);
    EXPECT_EQ(lines.total_text, "94");
}

TEST(OptimisationLines, TotalIsSummedInSinglePrecision) {
    struct Case {
        std::vector<int> participants;
        std::vector<double> payments;
        double pixel_area;
        const char* goal_text;
        const char* budget_text;
    } cases[] = {
        {{1}, {123456.78}, 1.0, "123457", "123456.78"},
        // 2^24 + 1 has no float: the single-precision sum shows 2^24.
        {{1}, {16777217.0}, 1.0, "16777216", "16777216.00"},
        // Two terms of 2^24 and 1: the 1 is lost in single precision.
        {{1, 1}, {16777216.0, 1.0}, 1.0, "16777216", "16777216.00"},
        {{0}, {500.0}, 1.0, "0", "0.00"},
    };
    for (const auto& c : cases) {
        OptimisationResult r;
        r.participants = c.participants;
        r.payment = c.payments;
        r.max_count.assign(c.participants.size(), 1);
        std::vector<MeasureRecord> measures(c.participants.size());
        EXPECT_EQ(goal_maximisation_lines(r, measures, {}, c.pixel_area).total_text, c.goal_text);
        EXPECT_EQ(budget_minimisation_lines(r, measures, {}, {}, c.pixel_area).total_text, c.budget_text);
    }
}

TEST(OptimisationLines, PaymentIsTruncatedNotRounded) {
    const std::pair<double, const char*> cases[] = {
        {12.9, "Payment in Euro: 12"}, {87.9, "Payment in Euro: 87"}, {0.99, "Payment in Euro: 0"}};
    for (const auto& [payment, text] : cases) {
        OptimisationResult r;
        r.participants = {1};
        r.payment = {payment};
        r.max_count = {1};
        EXPECT_EQ(budget_minimisation_lines(r, {hand_made::measure(1, "m", 1, 0, 0, 0)}, {}, {}, 1.0).measures[1], text);
    }
}

TEST(OptimisationLines, DensitySuffixOnlyStrictlyBetweenBounds) {
    const std::pair<double, const char*> cases[] = {
        {0.3, ""},
        {0.31, "0.31 (GV)/ 0.5 (GV)/ 0 (GV)/ 0 (GV)"},
        {89.9, "89.9 (GV)/ 0.5 (GV)/ 0 (GV)/ 0 (GV)"},
        {90, ""},
        {0, ""},
    };
    for (const auto& [density, suffix] : cases) {
        const auto m = hand_made::measure(7, "grazing_seas_postpo", 16, 0, 0, 0, {density, 0.5, 0, 0});
        EXPECT_EQ(optimisation_measure_line(m), std::string("7, grazing_seas_postpo, 16/0/0/0,") + suffix) << density;
    }
}

TEST(OptimisationLines, VisualisationRowsPerAllocatedPixelAndSpecies) {
    OptimisedRun run;
    const auto rows = allocation_visualisation_rows(run.result.allocation, run.birds, 4);
    ASSERT_EQ(rows.size(), 12u);
    // Second allocated pixel, second species.
    const auto& r = rows[3];
    EXPECT_EQ(r.measureID, 9);
    EXPECT_EQ(r.measure_name, "grazing_rot_postpo");
    EXPECT_EQ(r.speciesID, 12);
    EXPECT_EQ(r.species_name, "Lapwing");
    EXPECT_EQ(r.quality, 0.0);
    EXPECT_EQ(r.pixelID, 12);
    EXPECT_EQ(r.pixel_i, 1);
    EXPECT_EQ(r.pixel_j, 2);
    EXPECT_EQ(r.pixel_x, 512);
    EXPECT_EQ(r.pixel_y, 712);
    EXPECT_EQ(r.benefit, 8.0);   // the net value
    EXPECT_EQ(r.payment, 12.5);  // the measure's payment
    EXPECT_EQ(r.countryID, 4);
    EXPECT_EQ(rows[0].species_name, "Godwit");
    EXPECT_DOUBLE_EQ(rows[0].quality, 0.7);
    EXPECT_EQ(rows[0].benefit, 30.25);
    EXPECT_DOUBLE_EQ(rows[0].payment, 87.9);
}

TEST(OptimisationInputs, StartChecksInEachWindowsOrder) {
    OptimisationInputs ok;
    ok.distance_cost_factor = "1";
    ok.transaction_costs = "10";
    ok.budget = "5000";
    ok.country_chosen = true;
    ok.time_dependent_predation = true;
    ok.species_count = 1;
    ok.measure_count = 2;

    struct Case {
        const char* what;
        std::function<void(OptimisationInputs&)> change;
        std::string minimisation, maximisation;
    } cases[] = {
        {"complete", [](auto&) {}, "", ""},
        {"everything missing", [](auto& in) { in = OptimisationInputs{}; },
         "You have to enter a factor for the distance cost please!",
         "You have to enter a factor for the distance cost please!"},
        {"budget and country missing",
         [](auto& in) {
             in.budget.clear();
             in.country_chosen = false;
         },
         "You have to select a country please!", "You have to enter a budget please!"},
        {"country missing", [](auto& in) { in.country_chosen = false; }, "You have to select a country please!",
         "You have to select a country/region please!"},
        {"predation missing", [](auto& in) { in.time_dependent_predation.reset(); },
         "You have to select the predation please!", "You have to select the elevation please!"},
        {"transaction costs missing", [](auto& in) { in.transaction_costs.clear(); },
         "You have to enter transaction costs please!", "You have to enter transaction costs please!"},
        {"no species", [](auto& in) { in.species_count = 0; }, "You forgot to select a species or a measure!",
         "You forgot to select a species or a measure!"},
        {"no measure", [](auto& in) { in.measure_count = 0; }, "You forgot to select a species or a measure!",
         "You forgot to select a species or a measure!"},
        // The factor's range is checked after every other start check.
        {"negative factor", [](auto& in) { in.distance_cost_factor = "-5"; }, kOptFactorOutOfRange,
         kOptFactorOutOfRange},
        {"huge factor", [](auto& in) { in.distance_cost_factor = "1e25"; }, kOptFactorOutOfRange,
         kOptFactorOutOfRange},
        {"factor too large to read", [](auto& in) { in.distance_cost_factor = "1e999"; }, kOptFactorOutOfRange,
         kOptFactorOutOfRange},
        {"factor just above the range", [](auto& in) { in.distance_cost_factor = "1000000.5"; },
         kOptFactorOutOfRange, kOptFactorOutOfRange},
        {"largest factor", [](auto& in) { in.distance_cost_factor = "1000000"; }, "", ""},
        {"factor 0", [](auto& in) { in.distance_cost_factor = "0"; }, "", ""},
        {"negative factor, no measure",
         [](auto& in) {
             in.distance_cost_factor = "-5";
             in.measure_count = 0;
         },
         "You forgot to select a species or a measure!", "You forgot to select a species or a measure!"},
        {"negative factor, no country",
         [](auto& in) {
             in.distance_cost_factor = "-5";
             in.country_chosen = false;
         },
         "You have to select a country please!", "You have to select a country/region please!"},
    };
    for (const auto& c : cases) {
        OptimisationInputs in = ok;
        c.change(in);
        EXPECT_EQ(budget_minimisation_input_problem(in).text, c.minimisation) << c.what;
        EXPECT_EQ(goal_maximisation_input_problem(in).text, c.maximisation) << c.what;
    }
}

TEST(OptimisationInputs, StartChecksNameTheFieldForTheCursor) {
    OptimisationInputs in;
    EXPECT_EQ(budget_minimisation_input_problem(in).field, InputField::DistanceCostFactor);
    in.distance_cost_factor = "1";
    EXPECT_EQ(goal_maximisation_input_problem(in).field, InputField::Budget);
    in.budget = "1000";
    EXPECT_EQ(budget_minimisation_input_problem(in).field, InputField::None);  // no country
    in.country_chosen = true;
    in.time_dependent_predation = false;
    EXPECT_EQ(budget_minimisation_input_problem(in).field, InputField::TransactionCosts);
    EXPECT_EQ(goal_maximisation_input_problem(in).field, InputField::TransactionCosts);
    EXPECT_EQ(optimisation_field_problem(CheckedField::Budget, "x").field, InputField::Budget);
    in.transaction_costs = "10";
    in.species_count = in.measure_count = 1;
    in.distance_cost_factor = "-1";
    EXPECT_EQ(budget_minimisation_input_problem(in).field, InputField::DistanceCostFactor);
    EXPECT_EQ(goal_maximisation_input_problem(in).field, InputField::DistanceCostFactor);
}

TEST(OptimisationInputs, AddingASpecies) {
    // The field tells the window where the cursor goes; a choice moves none.
    using F = InputField;
    struct MinCase {
        bool chosen;
        const char *quality, *area;
        std::string message;
        InputField field;
    } min_cases[] = {
        {true, "0", "10", "", F::None},
        {true, "1", "0.5", "", F::None},
        {false, "x", "x", "You have to select a species first please!", F::None},
        {true, "", "10", "You have to enter a number please!", F::MinimumQuality},
        {true, "0.5a", "10", "You have to enter a number please!", F::MinimumQuality},
        {true, "1.2", "10", "The value of the quality has to be between 0 and 1!\n\n Please revise your input!",
         F::MinimumQuality},
        {true, "0.5", "", "You have to enter a number for the area please!", F::WantedArea},
        {true, "0.5", "ten", "You have to enter a number for the area please!", F::WantedArea},
        {true, "0.5", "0", "The area must be greater than 0!\n\n Please revise your input!", F::WantedArea},
        {true, "0.5", "-3", "The area must be greater than 0!\n\n Please revise your input!", F::WantedArea},
    };
    for (const auto& c : min_cases) {
        const InputProblem p = budget_minimisation_species_problem(c.chosen, c.quality, c.area);
        EXPECT_EQ(p.text, c.message) << c.quality << " " << c.area;
        EXPECT_EQ(p.field, c.field) << c.quality << " " << c.area;
    }

    struct MaxCase {
        bool chosen;
        const char *weight, *quality;
        std::string message;
        InputField field;
    } max_cases[] = {
        {true, "100", "0", "", F::None},
        {true, "1", "1", "", F::None},
        {false, "", "", "You have to select a species first please!", F::None},
        {true, "", "0.5", "You have to enter a number for the weight please!", F::Importance},
        {true, "0.5", "0.5", "The weight must be between 1 and 100!\n\n Please revise your input!", F::Importance},
        {true, "101", "0.5", "The weight must be between 1 and 100!\n\n Please revise your input!", F::Importance},
        {true, "50", "", "You have to enter a number for the minimum quality please!", F::MinimumQuality},
        // The goal window keeps the cursor where it is for a quality out of range.
        {true, "50", "1.5", "The quality must be between 0 and 1!\n\n Please revise your input!", F::None},
    };
    for (const auto& c : max_cases) {
        const InputProblem p = goal_maximisation_species_problem(c.chosen, c.weight, c.quality);
        EXPECT_EQ(p.text, c.message) << c.weight << " " << c.quality;
        EXPECT_EQ(p.field, c.field) << c.weight << " " << c.quality;
    }
}

TEST(OptimisationInputs, LeavingAFieldWithText) {
    EXPECT_EQ(optimisation_field_problem(CheckedField::TransactionCosts, "12").text, "");
    EXPECT_EQ(optimisation_field_problem(CheckedField::TransactionCosts, "12 Euro").text,
              "You have to enter transaction costs please!");
    EXPECT_EQ(optimisation_field_problem(CheckedField::Budget, "1e5").text, "You have to enter a budget please!");
    EXPECT_EQ(optimisation_field_problem(CheckedField::MinimumQuality, "0,4").text,
              "You have to enter a minimum quality for the species please!");
}

// A result that misses a wanted area is never closed with a bare "Done":
// each species short of its target is named with what was wanted and what
// was achieved; a hundredth of a hectare short still counts as reached.
TEST(OptimisationLines, ClosingTextsNameTheSpeciesShortOfTheirTargets) {
    const std::vector<SpeciesRecord> birds = {hand_made::species(1, "Kievit"), hand_made::species(2, "Grutto")};
    OptimisationResult result;
    result.effective_area = {1.71, 4.996};
    const struct {
        std::vector<double> wanted;
        std::vector<std::string> short_lines;
    } cases[] = {
        {{150, 5}, {"Kievit: wanted 150.00 ha, achieved 1.71 ha"}},
        {{1.7, 5}, {}},
        {{1.71, 5.1}, {"Grutto: wanted 5.10 ha, achieved 5.00 ha"}},
        {{2, 6}, {"Kievit: wanted 2.00 ha, achieved 1.71 ha", "Grutto: wanted 6.00 ha, achieved 5.00 ha"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.wanted[0]);
        const auto shortfalls = budget_minimisation_shortfalls(result, birds, c.wanted);
        std::vector<std::string> lines;
        for (const auto& s : shortfalls) lines.push_back(shortfall_line(s));
        EXPECT_EQ(lines, c.short_lines);
        const std::string text = budget_minimisation_closing_text(shortfalls);
        if (c.short_lines.empty()) {
            EXPECT_EQ(text, kOptDone);
        } else {
            EXPECT_EQ(text.rfind(kMinTargetsNotReached, 0), 0u);
            for (const auto& l : c.short_lines) EXPECT_NE(text.find("\n" + l), std::string::npos) << text;
        }
    }
}

TEST(OptimisationLines, AGoalRunThatSpendsNothingSaysSoAndTheWeightedAreaIsInHectares) {
    const std::vector<SpeciesRecord> birds = {hand_made::species(1, "Kievit"), hand_made::species(2, "Grutto")};
    OptimisationResult result;
    result.effective_area = {10.0, 4.0};
    result.budget = 0.0;
    const std::string nothing = goal_maximisation_closing_text(result, birds);
    EXPECT_EQ(nothing.rfind(kMaxNothingSpent, 0), 0u);
    EXPECT_NE(nothing.find("\nKievit: achieved 10.00 ha"), std::string::npos) << nothing;
    result.budget = 1200.0;
    EXPECT_EQ(goal_maximisation_closing_text(result, birds), kOptDone);
    // Importance 60 and 100: 0.6 x 10 + 1 x 4.
    EXPECT_DOUBLE_EQ(weighted_effective_area(result, {0.6, 1.0}), 10.0);
    EXPECT_EQ(goal_achieved_line(result, {0.6, 1.0}).rfind("Achieved weighted effective area: 10.00 ha (", 0), 0u);
}

}  // namespace
}  // namespace pravel
