#include <gtest/gtest.h>

#include <functional>

#include "simulation/programme_simulation.h"
#include "support/hand_made_records.h"

namespace pravel {
namespace {

using hand_made::measure;
using hand_made::pixel;
using hand_made::species;

// Four participating pixels of 25 ha under two measures whose net payments
// (payment minus transaction costs of 10) are 90 and 110: 2 x 90 + 2 x 110 =
// 400, so the net budget is 25 x 400 = 10000.
struct FourPixels {
    std::shared_ptr<MeasureRecord> mowing = std::make_shared<MeasureRecord>(measure(5, "mowing_postpo", 20, 8, 6, 0));
    std::shared_ptr<MeasureRecord> grazing =
        std::make_shared<MeasureRecord>(measure(9, "grazing_rot_postpo", 18, 6, 0, 0, {1.4, 1.4, 0.8, 0}));
    std::vector<SpeciesRecord> birds{species(11, "Godwit"), species(12, "Lapwing")};
    std::vector<PixelResult> allocation;

    FourPixels() {
        mowing->payment = 90;
        grazing->payment = 110;
        allocation = {pixel(31, grazing, 60.25, {{11, 0.5}, {12, 0.25}}), pixel(7, mowing, 35.9, {{11, 0.75}, {12, 0}}),
                      pixel(8, grazing, 12, {{11, 0}, {12, 1}}), pixel(44, mowing, 0.4, {{11, 0.25}, {12, 0.5}})};
    }
};

TEST(ProgrammeSummary, LinesAndGrossBudget) {
    FourPixels f;
    const auto summary = summarise_programme(f.allocation, f.birds, 10, 25, 25 * 400.0);
    const std::vector<std::string> expected = {
        "60 (Payment-Cost), 0.75 (Quality), grazing_rot_postpo18/6/0/0",
        "35 (Payment-Cost), 0.75 (Quality), mowing_postpo20/8/6/0",
        "12 (Payment-Cost), 1.00 (Quality), grazing_rot_postpo18/6/0/0",
        "0 (Payment-Cost), 0.75 (Quality), mowing_postpo20/8/6/0",
        "Total area: 100ha",
        // 10 x 4 x 25 + 25 x 400
        "Budget: 11000",
        "Effektive area: ",
        "Godwit: 37.50",   // (0.5 + 0.75 + 0 + 0.25) x 25
        "Lapwing: 43.75",  // (0.25 + 0 + 1 + 0.5) x 25
    };
    EXPECT_EQ(summary.lines, expected);
    EXPECT_DOUBLE_EQ(summary.budget, 11000);
    EXPECT_EQ(summary.quality_sums, (std::vector<double>{1.5, 1.75}));
}

// Payments by zone on a 1 x 10 raster of 25 ha pixels, transaction costs
// 10: mowing pays 100 Euro/ha in the west (columns 0-4) and 40 in the east.
// Pixel 2 (west, cost 70) nets 100 - 10 - 70 = 20 and takes part; pixel 7
// (east, cost 50) would net 90 - 50 = 40 at the western rate but nets
// 30 - 50 = -20 at its own and stays out. Budget: 10 x 1 x 25 + 25 x 90 =
// 2500, where the western rate everywhere would pay 2 x 25 x 100 = 5000.
TEST(ProgrammeSummary, PaymentsByPixelSetEachRecordsNetValueAndBudget) {
    FourPixels f;
    auto mowing = std::make_shared<MeasureRecord>(measure(5, "mowing_postpo", 20, 8, 6, 0));
    mowing->payment = 0;
    std::vector<std::vector<PixelResult>> lists{{pixel(2, mowing, -70, {{11, 0.5}, {12, 0}}),
                                                 pixel(7, mowing, -50, {{11, 0.25}, {12, 1}})}};
    const auto west_east = [](std::size_t, int, int column) { return column < 5 ? 100.0 : 40.0; };
    pay_by_pixel(lists, west_east, {*mowing}, 10);
    EXPECT_DOUBLE_EQ(lists[0][0].margin_with_payment, 20.0);
    EXPECT_DOUBLE_EQ(lists[0][1].margin_with_payment, -20.0);
    EXPECT_DOUBLE_EQ(lists[0][0].measure->payment, 90.0);
    EXPECT_DOUBLE_EQ(lists[0][1].measure->payment, 30.0);
    EXPECT_EQ(lists[0][0].measure->name, "mowing_postpo");

    std::vector<MeasureCandidates> candidates = sorted_candidates(std::move(lists));
    std::vector<double> area;
    std::vector<int> participants;
    std::vector<PixelResult> allocation;
    const double net = PixelAllocation(candidates, {10}, 1, 10, 2, 25, area, participants, allocation);
    ASSERT_EQ(allocation.size(), 1u);
    EXPECT_EQ(allocation[0].pixelID, 2);
    const auto summary = summarise_programme(allocation, f.birds, 10, 25, net);
    EXPECT_EQ(summary.lines.front(), "20 (Payment-Cost), 0.50 (Quality), mowing_postpo20/8/6/0");
    EXPECT_DOUBLE_EQ(summary.budget, 2500.0);

    // One payment everywhere gives both pixels and the doubled budget.
    std::vector<std::vector<PixelResult>> uniform{{pixel(2, mowing, -70, {{11, 0.5}, {12, 0}}),
                                                   pixel(7, mowing, -50, {{11, 0.25}, {12, 1}})}};
    pay_by_pixel(uniform, [](std::size_t, int, int) { return 100.0; }, {*mowing}, 10);
    candidates = sorted_candidates(std::move(uniform));
    allocation.clear();
    const double net_uniform = PixelAllocation(candidates, {10}, 1, 10, 2, 25, area, participants, allocation);
    EXPECT_EQ(allocation.size(), 2u);
    EXPECT_DOUBLE_EQ(summarise_programme(allocation, f.birds, 10, 25, net_uniform).budget, 5000.0);
}

TEST(ProgrammeSummary, NoParticipantsGiveZeroAreaBudgetAndEffects) {
    FourPixels f;
    const auto summary = summarise_programme({}, f.birds, 10, 25, 0);
    const std::vector<std::string> expected = {"Total area: 0ha", "Budget: 0", "Effektive area: ", "Godwit: 0.00",
                                               "Lapwing: 0.00"};
    EXPECT_EQ(summary.lines, expected);
}

TEST(ProgrammeSummary, GrossBudget) {
    struct Case {
        int transaction_costs;
        std::size_t pixels;
        double pixel_area, net_budget, gross;
    } cases[] = {
        {10, 4, 25, 10000, 11000},
        {0, 4, 25, 10000, 10000},
        {10, 0, 25, 0, 0},
        {12, 3, 0.81, 100, 12 * 3 * 0.81 + 100},
    };
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ(gross_budget(c.transaction_costs, c.pixels, c.pixel_area, c.net_budget), c.gross);
    }
}

TEST(ProgrammeInputs, MaximumCountFromAnArea) {
    struct Case {
        const char* area;
        double pixel_area;
        int count;
    } cases[] = {
        {"10", 25, 0},     // 0.4 pixels: truncated, the measure takes none
        {"100", 25, 4},
        {"99", 25, 3},
        {"10.9", 0.81, 12},  // the area is read as 10 ha: 12.3 pixels
        {"50", 0, 0},        // no region chosen yet
        {"", 25, 0},
    };
    for (const auto& c : cases) EXPECT_EQ(maximum_pixel_count(c.area, c.pixel_area), c.count) << c.area;
    EXPECT_EQ(pixel_count_entry(0, "10"), "0 ( 10 ha)");
}

TEST(ProgrammeInputs, RunChecksInWindowOrder) {
    ProgrammeInputs ok;
    ok.distance_cost_factor = "1";
    ok.transaction_costs = "10";
    ok.measures = {measure(5, "mowing_postpo", 20, 8, 6, 0)};
    ok.max_counts = {4};
    ok.species = {species(11, "Godwit")};
    ok.minimum_qualities = {0.3};
    ok.time_dependent_predation = true;
    ok.countryID = 1;
    ok.pixel_area = 25;

    struct Case {
        const char* what;
        std::function<void(ProgrammeInputs&)> change;
        std::string message;
    } cases[] = {
        {"complete", [](auto&) {}, ""},
        {"everything missing", [](auto& in) { in = ProgrammeInputs{}; }, kSimFactorMissing},
        {"empty transaction costs", [](auto& in) { in.transaction_costs.clear(); },
         "You have to enter the transaction costs please!"},
        {"letters in transaction costs", [](auto& in) { in.transaction_costs = "ten"; },
         "You have to enter the transaction costs please!"},
        {"no measures and no species",
         [](auto& in) {
             in.measures.clear();
             in.species.clear();
         },
         kSimNoMeasures},
        {"no species", [](auto& in) { in.species.clear(); }, kSimNoSpecies},
        {"no predation, no region",
         [](auto& in) {
             in.time_dependent_predation.reset();
             in.countryID.reset();
         },
         kSimNoPredation},
        {"no region", [](auto& in) { in.countryID.reset(); }, "You have to select a country/region please!"},
    };
    for (const auto& c : cases) {
        ProgrammeInputs in = ok;
        c.change(in);
        EXPECT_EQ(programme_input_problem(in).text, c.message) << c.what;
    }
}

TEST(ProgrammeInputs, AddingMeasuresAndSpecies) {
    EXPECT_EQ(programme_measure_problem(true, "87.9", "100").text, "");
    EXPECT_EQ(programme_measure_problem(false, "87.9", "100").text, "You have to select a measure first please!");
    EXPECT_EQ(programme_measure_problem(true, "", "100").text, "You have to enter a number for the payment please!");
    EXPECT_EQ(programme_measure_problem(true, "87,9", "100").text, "You have to enter a number for the payment please!");
    EXPECT_EQ(programme_measure_problem(true, "87.9", "all").text, "You have to enter a number for the maximum area please!");
    EXPECT_EQ(programme_species_problem(true, "0").text, "");
    EXPECT_EQ(programme_species_problem(true, "1").text, "");
    EXPECT_EQ(programme_species_problem(false, "0").text, "You have to select a species first please!");
    EXPECT_EQ(programme_species_problem(true, "").text, "You have to enter a number for the minimum quality please!");
    EXPECT_EQ(programme_species_problem(true, "1.01").text, "The quality must be between 0 and 1!\n\n Please revise your input!");
}

TEST(ProgrammeReport, FiguresOfARun) {
    FourPixels f;
    ProgrammeRun run;
    run.allocation = f.allocation;
    run.quality_sums = {1.5, 1.75};
    run.pixel_area = 25;
    run.budget = 11000;
    const auto figures = programme_report_figures(run, {10, 3});
    EXPECT_EQ(figures.participating_pixels, 4u);
    EXPECT_EQ(figures.effective_area, (std::vector<double>{37.5, 43.75}));
    EXPECT_EQ(figures.max_counts, (std::vector<int>{10, 3}));
    EXPECT_EQ(figures.budget, 11000);
}

}  // namespace
}  // namespace pravel
