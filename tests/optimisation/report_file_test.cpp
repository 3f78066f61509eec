#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/hand_made_records.h"
#include "optimisation/report_file.h"

namespace pravel {
namespace {

using hand_made::OptimisedRun;

ReportSelection selection(const OptimisedRun& run) {
    ReportSelection s;
    for (const auto& b : run.birds) s.species_names.push_back(b.name);
    s.minimum_qualities = run.minimum_qualities;
    s.measures = run.measures;
    s.pixel_area = run.pixel_area;
    return s;
}

#define MOWING "5, mowing_postpo, 20/8/6/0/ livestockID1 0,GV 0/ livestockID2 0,GV 0/ livestockID3 0,GV 0/ livestockID4 0,GV 0"
#define GRAZING \
    "9, grazing_rot_postpo, 18/6/0/0/ livestockID1 1,GV 1.4/ livestockID2 1,GV 1.4/ livestockID3 2,GV 0.8/ livestockID4 0,GV 0"
#define REFUGE "3, refuge strips, 24/0/0/0/ livestockID1 0,GV 0/ livestockID2 0,GV 0/ livestockID3 0,GV 0/ livestockID4 0,GV 0"

#define SELECTION                       \
    "selected species:\r\n"             \
    "Godwit, minqual: 0.4\r\n"          \
    "Lapwing, minqual: 0.25\r\n"        \
    "\r\n"                              \
    "selected measures:\r\n"            \
    "\r\n"                              \
    MOWING "\r\n"                       \
    "\r\n"                              \
    GRAZING "\r\n"                      \
    "\r\n"                              \
    REFUGE "\r\n"                       \
    "\r\n"

#define OPTIMISATION_RESULTS                \
    "\r\n\r\n\r\n"                          \
    "results of optimization:\r\n"          \
    "\r\n\r\n"                              \
    MOWING "\r\n"                           \
    "Payment in Euro: 87\r\n"               \
    "Participating area in ha: 1\r\n"       \
    "Maximum area in ha: 2.5\r\n"           \
    "\r\n"                                  \
    GRAZING "\r\n"                          \
    "Payment in Euro: 12\r\n"               \
    "Participating area in ha: 0.5\r\n"     \
    "Maximum area in ha: 0.75\r\n"          \
    "\r\n"                                  \
    "\r\n"                                  \
    "\r\n"                                  \
    "Godwit\r\n"                            \
    "Achieved effective area in ha: 1\r\n"  \
    "\r\n"

TEST(ReportFile, BudgetMinimisationLayout) {
    OptimisedRun run;
    const std::string expected = SELECTION OPTIMISATION_RESULTS
        "Wanted effective area in ha: 3\n"
        "\r\n"
        "\r\n"
        "Total budget: 94.15\r\n";
    EXPECT_EQ(budget_minimisation_report(selection(run), run.wanted_areas, run.result), expected);
}

TEST(ReportFile, GoalMaximisationLayout) {
    OptimisedRun run;
    const std::string expected = SELECTION OPTIMISATION_RESULTS
        "\r\n"
        "User defined budget: 5000\r\n"
        "Total budget: 94.15\r\n";
    EXPECT_EQ(goal_maximisation_report(selection(run), 5000, run.result), expected);
}

TEST(ReportFile, OptimisationReportsBeforeAnyRunHaveNoResultBlock) {
    OptimisedRun run;
    const OptimisationResult none;
    EXPECT_EQ(budget_minimisation_report(selection(run), run.wanted_areas, none),
              SELECTION "\r\nTotal budget: 0\r\n");
    EXPECT_EQ(goal_maximisation_report(selection(run), 750, none),
              SELECTION "\r\nUser defined budget: 750\r\nTotal budget: 0\r\n");
}

TEST(ReportFile, SimulationLayoutWithEnteredPayments) {
    OptimisedRun run;
    ReportSelection sel = selection(run);
    sel.measures.pop_back();
    sel.measures[0].payment = 87.9;
    sel.measures[1].payment = 40;
    sel.pixel_area = 25;
    SimulationReportFigures figures;
    figures.max_counts = {10, 3};
    figures.participating_pixels = 4;
    figures.effective_area = {12.5, 0};
    figures.budget = 11000;
    const std::string expected =
        "selected species:\r\n"
        "Godwit, minqual: 0.4\r\n"
        "Lapwing, minqual: 0.25\r\n"
        "\r\n"
        "selected measures:\r\n"
        "\r\n"
        MOWING "\r\n"
        "\r\n"
        "Payment in Euro: 87.9\r\n"
        "Maximum area in ha: 250\r\n"
        "\r\n"
        GRAZING "\r\n"
        "\r\n"
        "Payment in Euro: 40\r\n"
        "Maximum area in ha: 75\r\n"
        "\r\n"
        "\r\n\r\n\r\n"
        "results of simulation:\r\n"
        "\r\n\r\n"
        "Total participating area in ha: 100ha\r\n"
        "\r\n"
        "\r\n"
        "Godwit\r\n"
        "Achieved effective area in ha: 12.5\r\n"
        "\r\n"
        "\r\n"
        "Lapwing\r\n"
        "Achieved effective area in ha: 0\r\n"
        "\r\n"
        "\r\n"
        "Total budget: 11000\r\n";
    EXPECT_EQ(simulation_report(sel, figures), expected);
}

TEST(ReportFile, NumbersInDefaultStreamNotation) {
    auto m = hand_made::measure(1234567, "mowing", 7, 0, 0, 0, {0.0625, 1e-7, 2e6, 1234.5678}, {1, 2, 3, 4});
    EXPECT_EQ(report_measure_line(m),
              "1234567, mowing, 7/0/0/0/ livestockID1 1,GV 0.0625/ livestockID2 2,GV 1e-07/ livestockID3 3,GV 2e+06/ "
              "livestockID4 4,GV 1234.57");
}

class ReportWriting : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("pravel_report_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    static std::string read(const std::filesystem::path& p) {
        std::ifstream in(p, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    std::size_t entries() const {
        return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(dir_), {}));
    }

    std::filesystem::path dir_;
};

TEST_F(ReportWriting, WritesBytesUnchangedAndReplacesAnOldFile) {
    const auto path = dir_ / "report.txt";
    std::ofstream(path) << "an older and much longer report that must disappear completely";
    const std::string text = "Wanted effective area in ha: 3\n\r\nTotal budget: 0\r\n";
    const auto written = write_report_file(path.string(), text);
    EXPECT_TRUE(written.ok);
    EXPECT_EQ(written.error, "");
    EXPECT_EQ(read(path), text);
    EXPECT_EQ(entries(), 1u);  // no temporary file left
}

TEST_F(ReportWriting, UnwritablePlacesAreReportedAndLeaveNothing) {
    const std::filesystem::path missing_folder = dir_ / "no such folder" / "report.txt";
    const std::filesystem::path a_folder = dir_ / "taken";
    std::filesystem::create_directories(a_folder);
    for (const auto& path : {missing_folder, a_folder, std::filesystem::path()}) {
        const auto written = write_report_file(path.string(), "text\r\n");
        EXPECT_FALSE(written.ok) << path;
        EXPECT_NE(written.error, "") << path;
    }
    EXPECT_FALSE(std::filesystem::exists(missing_folder));
    EXPECT_TRUE(std::filesystem::is_directory(a_folder));
    EXPECT_EQ(entries(), 1u);  // only the folder that was in the way
}

}  // namespace
}  // namespace pravel
