// Both maps of the small demo area after real analyses, drawn in-process on a
// recording canvas and by the command-line tool into PNG files.
#include <gtest/gtest.h>

#include <QImage>

#include <array>
#include <cstdio>
#include <map>
#include <set>

#include "map/map_render.h"
#include "support/demo_schema.h"

namespace pravel {
namespace {

class MapEndToEndTest : public testing::DatabaseTest {
public:
    static void SetUpTestSuite() {
        DatabaseTest::SetUpTestSuite();
        loaded_ = false;
    }

protected:
    MapEndToEndTest() { keep_tables_between_tests_ = true; }
    void SetUp() override {
        DatabaseTest::SetUp();
        if (!loaded_) {
            testing::load_demo_database(schema());
            loaded_ = true;
        }
    }
    int cli(const std::string& args) {
        const std::string cmd = std::string(PRAVEL_CLI_PATH) + " --db-config " + schema().config_path() + " " + args +
                                " >/dev/null 2>" + testing::scratch_dir() + "/map_cli_stderr.txt";
        const int status = std::system(cmd.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    // Final colour of each painted position.
    static std::map<std::pair<int, int>, Colour> painted(const RecordingCanvas& c) {
        std::map<std::pair<int, int>, Colour> out;
        for (const auto& p : c.pixels()) out[{p.x, p.y}] = p.colour;
        return out;
    }
    // Share of the recorded pixels that the image shows in the same colour
    // (the outline, drawn last, covers some of them).
    static double share_in_image(const std::map<std::pair<int, int>, Colour>& pixels, const QImage& image) {
        int same = 0;
        for (const auto& [pos, colour] : pixels) {
            if (pos.first >= image.width() || pos.second >= image.height()) continue;
            const QRgb rgb = image.pixel(pos.first, pos.second);
            if (qRed(rgb) == colour.red && qGreen(rgb) == colour.green && qBlue(rgb) == colour.blue) ++same;
        }
        return pixels.empty() ? 0 : static_cast<double>(same) / pixels.size();
    }
    static bool loaded_;
};
bool MapEndToEndTest::loaded_ = false;

TEST_F(MapEndToEndTest, ConfigurationMapAfterABudgetMinimisation) {
    // (A goal maximisation stores its configuration without result pixels.)
    ASSERT_EQ(cli("--seed 1 minimise-budget " + std::string(PRAVEL_EXAMPLES_DIR) +
                  "/minimise_budget_small.json --store map-test --max-seconds 120"),
              0);
    const std::string country = schema().scalar("SELECT countryID FROM configuration LIMIT 1");
    const long long grassland = std::stoll(schema().scalar(
        "SELECT COUNT(*) FROM pixel WHERE countryID = " + country + " AND land_use_type IN ('4', '5')"));
    const long long chosen = std::stoll(schema().scalar("SELECT COUNT(DISTINCT pixelID) FROM result"));
    ASSERT_GT(grassland, 100);
    ASSERT_GT(chosen, 0);

    MapOptions options = configuration_map_initial_options();
    RememberedSelection selection;
    PanelLists panel;
    RecordingCanvas canvas;
    EXPECT_FALSE(render_configuration_map(options, selection, panel, canvas).nothing_to_show());
    EXPECT_EQ(panel.entries, (std::vector<std::string>{"map-test"}));
    EXPECT_EQ(panel.species, (std::vector<std::string>{"Grutto", "Tureluur"}));
    const auto pixels = painted(canvas);
    // Every grassland pixel once, the result pixels on top (some of them lie
    // on land that the landscape layer leaves out).
    const long long covered = std::stoll(schema().scalar(
        "SELECT COUNT(DISTINCT matrix_i, matrix_j) FROM pixel WHERE (countryID = " + country +
        " AND land_use_type IN ('4', '5')) OR pixelID IN (SELECT pixelID FROM result)"));
    EXPECT_EQ(static_cast<long long>(pixels.size()), covered);
    std::set<std::pair<int, int>> result_positions;
    std::size_t landscape_calls = static_cast<std::size_t>(grassland);
    const auto calls = canvas.pixels();
    for (std::size_t k = landscape_calls; k < calls.size(); ++k) result_positions.insert({calls[k].x, calls[k].y});
    EXPECT_EQ(static_cast<long long>(result_positions.size()), chosen);
    EXPECT_GT(canvas.of(RecordingCanvas::Op::LineTo).size(), 10u);
    EXPECT_TRUE(messages().messages().empty());

    const std::string png = testing::scratch_dir() + "/configuration_map.png";
    std::remove(png.c_str());
    ASSERT_EQ(cli("map --view configuration --out " + png), 0);
    QImage image(QString::fromStdString(png));
    ASSERT_FALSE(image.isNull());
    EXPECT_GE(image.width(), 1000) << "the legends right of the raster are kept";
    EXPECT_GT(share_in_image(pixels, image), 0.9);
}

TEST_F(MapEndToEndTest, ResultMapAfterAnEffectivenessRun) {
    ASSERT_EQ(cli("--seed 1 effectiveness " + std::string(PRAVEL_EXAMPLES_DIR) + "/effectiveness_small.json --visualize"),
              0);
    ASSERT_GT(schema().count("results_for_viusualitsation"), 0);
    const std::string first_species =
        schema().scalar("SELECT DISTINCT species_name FROM results_for_viusualitsation WHERE 1");
    const std::string first_measure =
        schema().scalar("SELECT DISTINCT `measureID` FROM `results_for_viusualitsation` WHERE 1");
    const long long rows = std::stoll(schema().scalar(
        "SELECT COUNT(*) FROM results_for_viusualitsation WHERE species_name = '" + first_species +
        "' AND measureID = " + first_measure));

    MapOptions options = result_map_initial_options();
    options.draw_general = false;
    RememberedSelection selection;
    PanelLists panel;
    RecordingCanvas canvas;
    render_result_map(options, selection, panel, canvas);
    EXPECT_EQ(static_cast<long long>(canvas.pixels().size()), rows);

    const std::string png = testing::scratch_dir() + "/result_map.png";
    std::remove(png.c_str());
    ASSERT_EQ(cli("map --view result --only-results --out " + png), 0);
    QImage image(QString::fromStdString(png));
    ASSERT_FALSE(image.isNull());
    EXPECT_GT(share_in_image(painted(canvas), image), 0.9);

    // At scale 3 each recorded pixel becomes a 3 x 3 block (its corner is
    // checked: the outline runs through the centres), counted from the
    // top-left corner of what was drawn (cells and outline); the legends
    // stand beside the map.
    const std::string scaled = testing::scratch_dir() + "/result_map_scaled.png";
    std::remove(scaled.c_str());
    ASSERT_EQ(cli("map --view result --only-results --scale 3 --out " + scaled), 0);
    QImage blocks(QString::fromStdString(scaled));
    ASSERT_FALSE(blocks.isNull());
    int left = 1 << 30, top = 1 << 30, right = 0;
    for (const auto& c : canvas.calls())
        if (c.op == RecordingCanvas::Op::Pixel || c.op == RecordingCanvas::Op::LineTo ||
            c.op == RecordingCanvas::Op::MoveTo) {
            left = std::min(left, c.x), top = std::min(top, c.y), right = std::max(right, c.x + 1);
        }
    std::map<std::pair<int, int>, Colour> centres;
    for (const auto& [pos, colour] : painted(canvas)) centres[{(pos.first - left) * 3, (pos.second - top) * 3}] = colour;
    EXPECT_GT(share_in_image(centres, blocks), 0.9);
    EXPECT_GT(blocks.width(), (right - left) * 3 + 300) << "the legend column beside the map";

    // Choices that name nothing in the data, and an image type not offered,
    // are refused without writing a file.
    const std::string bad = testing::scratch_dir() + "/refused.png";
    std::remove(bad.c_str());
    EXPECT_EQ(cli("map --view result --measure 99999 --out " + bad), 2);
    EXPECT_EQ(cli("map --view result --species Nobody --out " + bad), 2);
    EXPECT_EQ(cli("map --view result --result-layer 8 --out " + bad), 2);
    EXPECT_EQ(cli("map --view result --out " + testing::scratch_dir() + "/refused.gif"), 2);
    for (const char* size : {"--scale 0", "--scale 2 --fit 800x600", "--fit 800", "--fit 0x600", "--fit 80x60y"})
        EXPECT_EQ(cli(std::string("map --view result ") + size + " --out " + bad), 2) << size;
    EXPECT_EQ(std::fopen(bad.c_str(), "rb"), nullptr);
}

}  // namespace
}  // namespace pravel
