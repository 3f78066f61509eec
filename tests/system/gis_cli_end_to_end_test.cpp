// The command-line tool end to end on the demo database: the small study area
// exported, imported under a new name, and the example analyses give the same
// lines on both; refused imports and exports exit with status 2, name the
// file and write nothing.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "gis/gis_files.h"
#include "support/demo_schema.h"

namespace pravel {
namespace {

struct CliResult {
    int status = -1;
    std::string out;
    std::string err;
};

std::string slurp(const std::string& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class GisCliTest : public testing::DatabaseTest {
public:
    static void SetUpTestSuite() {
        DatabaseTest::SetUpTestSuite();
        loaded_ = false;
    }

protected:
    GisCliTest() { keep_tables_between_tests_ = true; }
    void SetUp() override {
        DatabaseTest::SetUp();
        if (!loaded_) {
            testing::load_demo_database(schema());
            loaded_ = true;
        }
    }

    // `limits`: shell commands run before the tool (ulimit).
    CliResult cli(const std::string& args, const std::string& limits = "") {
        const std::string out = testing::gis_scratch("cli_out.txt"), err = testing::gis_scratch("cli_err.txt");
        const std::string command = limits + std::string(PRAVEL_CLI_PATH) + " --db-config " + schema().config_path() + " " +
                                    args + " >" + out + " 2>" + err;
        const int status = std::system(command.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, slurp(out), slurp(err)};
    }

    // The example scenario with its region renamed.
    static std::string scenario_for(const std::string& example, const std::string& region) {
        std::string text = slurp(std::string(PRAVEL_EXAMPLES_DIR) + "/" + example);
        const std::string from = "\"Moorwiesen test area\"";
        const auto at = text.find(from);
        if (at != std::string::npos) text.replace(at, from.size(), "\"" + region + "\"");
        return testing::write_scratch_file("gis_" + region.substr(0, 4) + "_" + example, text);
    }

    long long area_rows() {
        return schema().count("country") + schema().count("matrix_referenz") + schema().count("pixel") +
               schema().count("contour") + schema().count("country_georeference");
    }

    static bool loaded_;
};
bool GisCliTest::loaded_ = false;

TEST_F(GisCliTest, TheSmallDemoAreaExportedAndImportedGivesTheSameAnalyses) {
    const std::string tif = testing::gis_scratch("moorwiesen.tif");
    std::filesystem::remove(tif);
    CliResult r = cli("export-area --name \"Moorwiesen test area\" --out " + tif);
    ASSERT_EQ(r.status, 0) << r.err;
    r = cli("import-area --name \"Moorwiesen copy\" --growth-start 12 --bands " + tif);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("2084 pixels"), std::string::npos) << r.out;
    EXPECT_NE(r.err.find("none of the layers has a coordinate system"), std::string::npos) << r.err;

    const struct {
        const char* command;
        const char* example;
    } analyses[] = {
        {"effectiveness", "effectiveness_small.json"},
        {"programme", "programme_small.json"},
        {"minimise-budget", "minimise_budget_small.json"},
    };
    for (const auto& a : analyses) {
        const CliResult original =
            cli(std::string("--seed 1 ") + a.command + " " + scenario_for(a.example, "Moorwiesen test area"));
        const CliResult copy = cli(std::string("--seed 1 ") + a.command + " " + scenario_for(a.example, "Moorwiesen copy"));
        ASSERT_EQ(original.status, 0) << a.command << original.err;
        ASSERT_EQ(copy.status, 0) << a.command << copy.err;
        EXPECT_GT(original.out.size(), 100u) << a.command;
        EXPECT_EQ(copy.out, original.out) << a.command;
    }
}

TEST_F(GisCliTest, RefusedInputExitsWithStatusTwoNamingTheFileAndWritesNothing) {
    const std::string landuse = testing::write_raster("cli_landuse.tif", {4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4});
    testing::RasterSpec shifted;
    shifted.transform[3] += 25;
    const std::string wet = testing::write_raster("cli_wet_shifted.tif", std::vector<double>(12, 0.5), shifted);
    const std::string out_tif = testing::gis_scratch("cli_none.tif");
    std::filesystem::remove(out_tif);
    const std::string huge = testing::write_scratch_file(
        "cli_huge.asc", "ncols 50000\nnrows 50000\nxllcorner 0\nyllcorner 0\ncellsize 25\nNODATA_value -9999\n4\n");
    std::string word(64, 'x');
    for (int k = 0; k < 8; ++k) word[k * 8] = static_cast<char>('A' + k);
    const std::string long_name = word + word + word + word.substr(0, 63) + "Z";  // 256 characters
    const long long before = area_rows();
    const struct {
        std::string args;
        std::string named;
    } cases[] = {
        {"import-area --name Neu --growth-start 12 --layer land_use_type=" + landuse + " --layer wet=" + wet,
         "cli_wet_shifted.tif"},
        {"import-area --name Neu --growth-start 12 --layer moisture=" + landuse, "cli_landuse.tif"},
        {"import-area --name \"Moorwiesen test area\" --growth-start 12 --layer land_use_type=" + landuse,
         "Moorwiesen test area"},
        {"import-area --name Neu --growth-start 60 --layer land_use_type=" + landuse, "quarter month"},
        {"import-area --name Neu --growth-start 12 --layer land_use_type", "COLUMN=FILE"},
        {"import-area --name Neu --growth-start 12 --layer land_use_type=" + huge, "at most 60000000 cells"},
        {"import-area --name Neu --growth-start 12 --layer land_use_type=/vsicurl/http://127.0.0.1:9/a.tif",
         "/vsicurl/http://127.0.0.1:9/a.tif: not a plain local file"},
        {"import-area --name \"Nord\nSued\" --growth-start 12 --layer land_use_type=" + landuse, "line break"},
        {"import-area --name \"Wiese\xff\" --growth-start 12 --layer land_use_type=" + landuse, "not UTF-8"},
        {"import-area --name " + long_name + " --growth-start 12 --layer land_use_type=" + landuse,
         "256 characters; at most 255"},
        {"export-area --name Nirgendwo --out " + out_tif, "Nirgendwo"},
        {"export --configuration 1 --out " + out_tif, out_tif},
        {"export --latest --out " + testing::gis_scratch("cli_none.shp"), "cli_none.shp"},
    };
    for (const auto& c : cases) {
        const CliResult r = cli(c.args);
        EXPECT_EQ(r.status, 2) << c.args << "\n" << r.err;
        EXPECT_NE(r.err.find(c.named), std::string::npos) << c.args << "\n" << r.err;
        EXPECT_EQ(area_rows(), before) << c.args;
    }
    EXPECT_FALSE(std::filesystem::exists(out_tif));
}

TEST_F(GisCliTest, HugeRastersAndRunningOutOfMemoryEndWithStatusTwoNotAnAbort) {
    // An area whose matrix_referenz declares 100,000 x 100,000 cells.
    schema().exec("INSERT INTO country (countryID, name, growth_start) VALUES (90, 'Riesig', 12)");
    schema().exec("INSERT INTO matrix_referenz VALUES (90, 100000, 100000, 25, 25)");
    schema().exec("INSERT INTO pixel (pixelID, countryID, country, land_use_type) VALUES (900000, 90, 'Riesig', '4')");
    const std::string tif = testing::gis_scratch("cli_riesig.tif");
    std::filesystem::remove(tif);
    CliResult r = cli("export-area --name Riesig --out " + tif);
    schema().exec("DELETE FROM pixel WHERE countryID = 90");
    schema().exec("DELETE FROM matrix_referenz WHERE countryID = 90");
    schema().exec("DELETE FROM country WHERE countryID = 90");
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_NE(r.err.find("study area \"Riesig\": the grid of 100000 x 100000 cells"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(tif));

    // A grid within the limit that does not fit the memory the tool may take.
    const std::string sparse = testing::gis_scratch("cli_sparse.tif");
    std::filesystem::remove(sparse);
    {
        GDALAllRegister();
        const char* options[] = {"SPARSE_OK=TRUE", "TILED=YES", nullptr};
        GDALDatasetUniquePtr ds(GetGDALDriverManager()->GetDriverByName("GTiff")->Create(
            sparse.c_str(), 7000, 7000, 1, GDT_Byte, const_cast<char**>(options)));
        ASSERT_TRUE(ds);
        double t[6] = {500000.0, 25.0, 0.0, 5800000.0, 0.0, -25.0};
        ds->SetGeoTransform(t);
    }
    const long long before = area_rows();
    r = cli("import-area --name Knapp --growth-start 12 --layer land_use_type=" + sparse, "ulimit -v 320000; ");
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_NE(r.err.find("pravel-cli: not enough memory to finish the command"), std::string::npos) << r.err;
    EXPECT_EQ(area_rows(), before);
}

TEST_F(GisCliTest, AReplaceOfAnAreaWithStoredRunsIsRefusedNamingThemUnlessTheyAreDroppedWithIt) {
    const std::string landuse = testing::write_raster("cli_replace.tif", {4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4});
    const std::string import = "import-area --name Ersatzau --growth-start 12 --layer land_use_type=" + landuse;
    ASSERT_EQ(cli(import).status, 0);
    const std::string area = schema().scalar("SELECT countryID FROM country WHERE name = 'Ersatzau'");
    const std::string pixel = schema().scalar("SELECT MIN(pixelID) FROM pixel WHERE countryID = " + area);
    schema().exec("INSERT INTO configuration VALUES (1234, 1, 100, 1, 'Plan Ersatz', " + area + ")");
    schema().exec("INSERT INTO result VALUES (" + pixel + ", 1234, 1, 5)");

    CliResult r = cli(import + " --replace");
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_NE(r.err.find("has 1 stored run (configurationID 1234 \"Plan Ersatz\")"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("--drop-runs"), std::string::npos) << r.err;
    EXPECT_EQ(schema().scalar("SELECT MIN(pixelID) FROM pixel WHERE countryID = " + area), pixel);

    r = cli(import + " --drop-runs");
    EXPECT_EQ(r.status, 2) << "--drop-runs without --replace\n" << r.err;

    r = cli(import + " --replace --drop-runs");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(schema().scalar("SELECT COUNT(*) FROM configuration WHERE configurationID = 1234"), "0");
    EXPECT_EQ(schema().scalar("SELECT COUNT(*) FROM result WHERE configurationID = 1234"), "0");
    EXPECT_NE(schema().scalar("SELECT MIN(pixelID) FROM pixel WHERE countryID = " + area), pixel);
}

}  // namespace
}  // namespace pravel
