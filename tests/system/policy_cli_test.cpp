// The policy commands of the command-line tool on the small demo area: the
// curve, the tender and the comparison end to end, zone payments stored
// with their run, and bad values refused with status 2 before anything runs.
#include <gtest/gtest.h>

#include <algorithm>

#include <array>
#include <cstdio>
#include <fstream>
#include <sstream>

#include <nlohmann/json.hpp>

#include "gis/gdal_io.h"
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
        {"programme " + bad_grid, "whole number from 1"},
        {"effectiveness " + bad_grid, "minimise-budget, maximise-goal, programme"},
        {"curve " + bad_column + " --factors 1:2:2", "\"no_such_column\" does not exist"},
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

// The programme with payments by zone: with every zone at the measure's
// payment it is the plain programme (the same lines), followed by the lines
// per zone; a lower payment in one zone pays less there. A zone the
// scenario names that the zoning does not have is refused.
TEST_F(PolicyCliTest, TheProgrammePaysEachZoneItsOwnPayment) {
    const CliRun plain = cli("programme " + example("programme_small.json"));
    ASSERT_EQ(plain.status, 0) << plain.err;
    EXPECT_EQ(plain.out.find("zone"), std::string::npos) << plain.out;

    nlohmann::json doc = doc_of("programme_small.json");
    doc["zones"] = {{"grid", {1, 2}}};
    doc["measures"][0]["zone_payments"] = {{"r1c1", 250}, {"r1c2", 250}};
    const CliRun same = cli("programme " + testing::write_scratch_file("programme_same.json", doc.dump()));
    ASSERT_EQ(same.status, 0) << same.err;
    const std::string heading = "Payments by zone (grid 1x2):\n";
    const auto at = same.out.find(heading);
    ASSERT_NE(at, std::string::npos) << same.out;
    EXPECT_EQ(same.out.substr(0, at), plain.out);
    EXPECT_NE(same.out.find("zone r1c1: measure 265 "), std::string::npos) << same.out;

    doc["measures"][0]["zone_payments"] = {{"r1c2", 120}};
    const std::string lower = testing::write_scratch_file("programme_lower.json", doc.dump());
    const CliRun zoned = cli("programme " + lower + " --json");
    ASSERT_EQ(zoned.status, 0) << zoned.err;
    const auto z = nlohmann::json::parse(zoned.out);
    ASSERT_EQ(z["zones"].size(), 2u);
    EXPECT_EQ(z["zones"][1]["zone"], "r1c2");
    const auto& east = z["zones"][1]["payments"][0];
    EXPECT_EQ(east["id"], 265);
    EXPECT_DOUBLE_EQ(east["payment"].get<double>(), 120.0);
    EXPECT_DOUBLE_EQ(z["zones"][0]["payments"][0]["payment"].get<double>(), 250.0);
    const auto p = nlohmann::json::parse(cli("programme " + example("programme_small.json") + " --json").out);
    EXPECT_LE(z["budget"].get<double>(), p["budget"].get<double>() + 1e-6);

    doc["measures"][0]["zone_payments"] = {{"r9c9", 120}};
    const CliRun unknown = cli("programme " + testing::write_scratch_file("programme_r9c9.json", doc.dump()));
    EXPECT_EQ(unknown.status, 2);
    EXPECT_NE(unknown.err.find("\"r9c9\", which is not one of grid 1x2 (r1c1, r1c2)"), std::string::npos)
        << unknown.err;
    doc.erase("zones");
    const CliRun without = cli("programme " + testing::write_scratch_file("programme_nozones.json", doc.dump()));
    EXPECT_EQ(without.status, 2);
    EXPECT_NE(without.err.find("needs \"zones\""), std::string::npos) << without.err;
}

// Zones from a hand-made ASCII grid on the area's grid (the western and the
// eastern half), as the export of the area places it; a grid shifted by a
// cell and a polygon layer without the field are refused with status 2.
TEST_F(PolicyCliTest, ZonesComeFromALayerOnTheAreaGrid) {
    const std::string dir = testing::scratch_dir();
    const std::string tif = dir + "/policy_area.tif";
    ASSERT_EQ(cli("export-area --name \"Moorwiesen test area\" --out " + tif).status, 0);
    gis::GridGeometry grid;
    gis::read_all_bands(tif, &grid);
    ASSERT_GT(grid.columns, 1);
    auto ascii = [&](const std::string& name, double shift) {
        std::ostringstream text;
        text.precision(15);
        text << "ncols " << grid.columns << "\nnrows " << grid.rows << "\nxllcorner " << grid.transform[0] + shift
             << "\nyllcorner " << grid.transform[3] + grid.rows * grid.transform[5] << "\ncellsize "
             << grid.transform[1] << "\nNODATA_value -9999\n";
        for (int r = 0; r < grid.rows; ++r)
            for (int c = 0; c < grid.columns; ++c) text << (c < grid.columns / 2 ? 1 : 2) << (c + 1 < grid.columns ? " " : "\n");
        return testing::write_scratch_file(name, text.str());
    };
    nlohmann::json doc = doc_of("minimise_budget_small.json");
    doc["zones"] = {{"layer", ascii("halves.asc", 0.0)}};
    const CliRun r = cli("minimise-budget " + testing::write_scratch_file("layer_zones.json", doc.dump()) +
                         " --json --max-seconds 3 --store layer-run");
    ASSERT_EQ(r.status, 0) << r.err;
    const auto j = nlohmann::json::parse(r.out);
    ASSERT_GE(j["zones"].size(), 2u);
    EXPECT_EQ(j["zones"][0]["zone"], "1");
    EXPECT_EQ(j["zones"][1]["zone"], "2");
    EXPECT_LE(j["budget"].get<double>(), j["uniform_budget"].get<double>() + 1e-6);
    // The run keeps the zone of each cell, so that its map can draw the
    // layer's zones without the file: each half starts a run in every row.
    const auto cells = schema().rows(
        "SELECT zone, cells FROM configuration_zone_cells WHERE configurationID = " +
        std::to_string(j["configuration_id"].get<int>()) + " ORDER BY zone_index");
    ASSERT_EQ(cells.size(), 2u);
    for (std::size_t k = 0; k < 2; ++k) {
        EXPECT_EQ(cells[k][0], std::to_string(k + 1));
        EXPECT_EQ(std::count(cells[k][1].begin(), cells[k][1].end(), ':'), grid.rows) << cells[k][1];
    }

    // One polygon over the whole area, with a field "region" but none "zone".
    std::ostringstream polygon;
    polygon.precision(15);
    const double x0 = grid.transform[0], y0 = grid.transform[3];
    const double x1 = x0 + grid.columns * grid.transform[1], y1 = y0 + grid.rows * grid.transform[5];
    polygon << R"({"type": "FeatureCollection", "features": [{"type": "Feature", "properties": {"region": "all"},)"
            << R"( "geometry": {"type": "Polygon", "coordinates": [[[)" << x0 << ", " << y0 << "], [" << x1 << ", " << y0
            << "], [" << x1 << ", " << y1 << "], [" << x0 << ", " << y1 << "], [" << x0 << ", " << y0 << "]]]}}]}";
    const std::string geojson = testing::write_scratch_file("region.geojson", polygon.str());
    struct Case {
        std::string layer;
        std::string message;
    } cases[] = {
        {ascii("shifted.asc", grid.transform[1]), "is not the study area's grid"},
        {geojson + ":zone", "the layer has no field \"zone\""},
        {dir + "/no_such_layer.tif", "not a plain local file"},
    };
    for (const Case& c : cases) {
        doc["zones"] = {{"layer", c.layer}};
        const CliRun refused = cli("minimise-budget " + testing::write_scratch_file("refused_layer.json", doc.dump()));
        EXPECT_EQ(refused.status, 2) << c.layer << "\n" << refused.err;
        EXPECT_NE(refused.err.find(c.message), std::string::npos) << c.layer << "\n" << refused.err;
    }
}

}  // namespace
}  // namespace pravel
