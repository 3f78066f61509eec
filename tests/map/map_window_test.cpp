// The map as a map window shows it: cells as blocks at a scale, the study
// area fitted to a size, the muted landscape under results, the legends that
// name every class, the scale bar and the viewport's zoom about a point.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>

#include <cmath>

#include "map/map_data_set.h"
#include "map/map_legend.h"
#include "map/map_window.h"
#include "map/qt/qt_image_canvas.h"
#include "map_rows.h"
#include "support/demo_schema.h"

namespace pravel {
namespace {

// Texts need a GUI application; the map draws offscreen.
void gui() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "map_window";
    static char* argv[] = {name, nullptr};
    static QGuiApplication* app = new QGuiApplication(argc, argv);
    (void)app;
}

Colour at(const QImage& image, int x, int y) {
    const QRgb p = image.pixel(x, y);
    return {qRed(p), qGreen(p), qBlue(p)};
}

QImage window_image(const MapScene& scene, const MapViewport& viewport) {
    const WindowSize size = map_window_size(scene, viewport);
    QtImageCanvas canvas(size.width, size.height);
    draw_map_window(scene, viewport, canvas);
    return canvas.image();
}

// ------------------------------------------------------------- legends

TEST(MapLegends, EveryClassHasOneLabelNamingItsBoundsInClassOrder) {
    struct Case {
        const char* what;
        std::optional<Legend> legend;
        const char* title;
        std::vector<LegendEntry> entries;
    };
    const Colour grey = kUnclassifiedColour;
    const Case cases[] = {
        {"altitude", landscape_layer_legend(1), "altitude:",
         {{{175, 130, 10}, "<500 m \xC3\xBCNN (altitude 0)"}, {{255, 185, 15}, ">500 m \xC3\xBCNN (altitude not 0)"}}},
        {"manure status", landscape_layer_legend(2), "manure status:",
         {{{102, 205, 0}, "no water protection (status not 1)"}, {{69, 139, 0}, "water protection (status 1)"}}},
        {"land type", landscape_layer_legend(4), "land type:",
         {{{255, 181, 125}, "grass land (type not 1)"}, {{188, 108, 197}, "no grass land (type 1)"}}},
        {"grassland economic value", landscape_layer_legend(5), "grassland economic value:",
         {{{0, 255, 0}, "1 to 19"},
          {{0, 220, 0}, "20 to 39"},
          {{0, 180, 0}, "40 to 79"},
          {{0, 130, 0}, "80 and more, or 0 and less"}}},
        {"land use", landscape_layer_legend(10), "land use:",
         {{{0, 100, 0}, "meadow (0)"},
          {{143, 188, 143}, "pasture (1)"},
          {{173, 255, 39}, "mowing pasture (2)"},
          {grey, "no class (any other value)"}}},
        {"quality", result_layer_legend(7, ResultSource::Analysis), "quality:",
         {{{255, 200, 0}, "above 0% to below 20%"},
          {{255, 102, 0}, "20% to below 40%"},
          {{255, 0, 50}, "40% to below 60%"},
          {{205, 0, 0}, "60% to below 80%"},
          {{160, 5, 90}, "80% to 100%"},
          {kWhite, "0% or outside 0% to 100%"}}},
        {"configuration payment", result_layer_legend(9, ResultSource::Configuration), "payment - cost:",
         {{{255, 220, 255}, "below 0 Euro pro ha"},
          {{255, 170, 255}, "0 to 49 Euro pro ha"},
          {{255, 100, 255}, "50 to 99 Euro pro ha"},
          {{255, 0, 255}, "100 to 149 Euro pro ha"},
          {{190, 0, 190}, "150 to 199 Euro pro ha"},
          {{120, 0, 120}, "200 to 249 Euro pro ha"},
          {{148, 0, 211}, "250 and more Euro pro ha"}}},
        {"analysis payment", result_layer_legend(9, ResultSource::Analysis), "payment - cost:",
         {{{255, 220, 255}, "below -250 Euro pro ha"},
          {{255, 170, 255}, "-250 to -151 Euro pro ha"},
          {{255, 100, 255}, "-150 to -51 Euro pro ha"},
          {{255, 0, 255}, "-50 to 49 Euro pro ha"},
          {{190, 0, 190}, "50 to 149 Euro pro ha"},
          {{120, 0, 120}, "150 to 249 Euro pro ha"},
          {{50, 0, 50}, "250 and more Euro pro ha"}}},
        {"species on result pixel", result_layer_legend(8, ResultSource::Configuration), "species on result pixel:",
         {{kBlack, "result pixel of the species"}}},
        {"code 11", result_layer_legend(11, ResultSource::Analysis), "result pixels:", {{{255, 0, 0}, "result pixel"}}},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(c.legend) << c.what;
        EXPECT_EQ(c.legend->title, c.title) << c.what;
        EXPECT_EQ(c.legend->entries, c.entries) << c.what;
    }
    // Codes that paint no classes have no legend.
    EXPECT_FALSE(landscape_layer_legend(6));
    EXPECT_FALSE(result_layer_legend(8, ResultSource::Analysis));
    EXPECT_FALSE(result_layer_legend(5, ResultSource::Configuration));
}

TEST(MapLegends, MutedColoursAreLighterButKeepTheirHue) {
    EXPECT_EQ(muted({0, 220, 0}), (Colour{128, 238, 128}));
    EXPECT_EQ(muted(kWhite), kWhite);
    EXPECT_EQ(muted(kBlack), (Colour{128, 128, 128}));
}

// ------------------------------------------------------------- scale bar and viewport

TEST(MapViewport, ScaleBarTakesARoundLengthThatFits) {
    struct Case {
        double cell_m, scale;
        double metres;
        int pixels;
        const char* label;
    };
    const Case cases[] = {
        {90, 1, 10000, 111, "10 km"},  // 90 m a pixel: up to 14.4 km
        {90, 4, 2000, 89, "2 km"},     // 22.5 m a pixel: up to 3.6 km
        {25, 2, 2000, 160, "2 km"},    // exactly the longest bar
        {10, 12, 100, 120, "100 m"},   // 0.83 m a pixel: up to 133 m
        {100, 0.5, 20000, 100, "20 km"},
    };
    for (const auto& c : cases) {
        const auto bar = scale_bar(c.cell_m, c.scale);
        ASSERT_TRUE(bar) << c.cell_m << "/" << c.scale;
        EXPECT_DOUBLE_EQ(bar->metres, c.metres) << c.cell_m << "/" << c.scale;
        EXPECT_EQ(bar->pixels, c.pixels) << c.cell_m << "/" << c.scale;
        EXPECT_EQ(bar->label, c.label) << c.cell_m << "/" << c.scale;
    }
    EXPECT_FALSE(scale_bar(0, 1)) << "no cell size, no bar";
}

TEST(MapViewport, ZoomKeepsThePointUnderTheCursorAndStaysWithinItsLimits) {
    const MapViewport start{2, 150, 140, 800, 600};
    struct Case {
        double factor, x, y;
        double scale;
    };
    const Case cases[] = {{1.25, 100, 50, 2.5}, {0.8, 700, 590, 1.6}, {4, 0, 0, 8}, {1000, 400, 300, kMaxScale},
                          {1e-6, 400, 300, kMinScale}};
    for (const auto& c : cases) {
        const MapViewport z = zoom_viewport(start, c.factor, c.x, c.y);
        EXPECT_DOUBLE_EQ(z.scale, c.scale) << c.factor;
        EXPECT_NEAR(z.picture_x(c.x), start.picture_x(c.x), 1e-9) << c.factor;
        EXPECT_NEAR(z.picture_y(c.y), start.picture_y(c.y), 1e-9) << c.factor;
    }
    // A drag by (30, -10) pixels at scale 2 moves the window by (-15, 5) cells.
    const MapViewport moved = pan_viewport(start, 30, -10);
    EXPECT_DOUBLE_EQ(moved.left, 135);
    EXPECT_DOUBLE_EQ(moved.top, 145);
}

// ------------------------------------------------------------- drawn windows

class MapWindowTest : public testing::DatabaseTest {
protected:
    void SetUp() override {
        gui();
        DatabaseTest::SetUp();
    }
    testing::MapRows rows{schema()};
};

TEST_F(MapWindowTest, AtScaleFourACellIsAFourByFourBlockOfItsClassColour) {
    // A 2 x 3 raster; cell (0, 1) has a result of quality 0.5, cell (1, 2) of
    // payment - cost 60; economic values 30 everywhere.
    for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 3; ++j) rows.pixel(1 + 3 * i + j, 7, i, j);
    rows.visualisation(3, "Grutto", 0.5, 0, 1, 60, 7);
    rows.measure(3, "mowing", 20, 8, 0, 0, 0);

    MapOptions options = result_map_initial_options();
    RememberedSelection selection;
    PanelLists panel;
    const MapScene scene = render_result_scene(options, selection, panel);
    ASSERT_TRUE(scene.picture.bounds());
    const QImage image = window_image(scene, scaled_viewport(*scene.picture.bounds(), 4));

    struct Block {
        int i, j;
        Colour colour;
    };
    const Colour result = quality_colour(0.5);
    const Colour muted_value_30{128, 238, 128};  // (0, 220, 0) half way to white
    const Block blocks[] = {{0, 0, muted_value_30}, {0, 1, result}, {0, 2, muted_value_30}, {1, 1, muted_value_30}};
    for (const auto& b : blocks)
        for (int dy = 0; dy < 4; ++dy)
            for (int dx = 0; dx < 4; ++dx)
                EXPECT_EQ(at(image, 4 * b.j + dx, 4 * b.i + dy), b.colour)
                    << "cell " << b.i << "/" << b.j << " pixel " << dx << "/" << dy;
    EXPECT_TRUE(scene.muted_background);
    // The list names the measure with its first use and distances.
    EXPECT_EQ(panel.labels, (std::vector<std::string>{"3, mowing, first use 20QM, distances 8/0/0QM"}));

    // Without results the landscape keeps its own colours.
    options.draw_result = false;
    const MapScene landscape = render_result_scene(options, selection, panel);
    EXPECT_FALSE(landscape.muted_background);
    const QImage plain = window_image(landscape, scaled_viewport(*landscape.picture.bounds(), 4));
    EXPECT_EQ(at(plain, 4 * 1 + 2, 2), (Colour{0, 220, 0}));
}

TEST_F(MapWindowTest, TheColumnBesideTheMapShowsTheLegendsWithColourBoxes) {
    rows.pixel(1, 7, 0, 0);
    rows.visualisation(3, "Grutto", 0.9, 0, 0, 60, 7);
    MapOptions options = result_map_initial_options();
    RememberedSelection selection;
    PanelLists panel;
    const MapScene scene = render_result_scene(options, selection, panel);
    std::vector<std::string> titles, entries;
    for (const auto& line : legend_column(scene)) {
        if (line.kind == ColumnLine::Kind::Title) titles.push_back(line.text);
        if (line.kind == ColumnLine::Kind::Entry) entries.push_back(line.text);
    }
    EXPECT_EQ(titles, (std::vector<std::string>{"grassland economic value:", "quality:"}));
    EXPECT_EQ(entries.size(), 4u + 6u);
    EXPECT_EQ(scene.species, "Grutto");
    EXPECT_EQ(scene.heading, (std::vector<std::string>{"Measure:"}));

    // The lightest swatch is framed, so that it shows on white.
    MapViewport viewport = scaled_viewport(*scene.picture.bounds(), 10);
    const QImage image = window_image(scene, viewport);
    int framed = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = viewport.width; x < image.width() - 14; ++x)
            if (at(image, x, y) == (Colour{90, 90, 90}) && at(image, x + 13, y) == (Colour{90, 90, 90}) &&
                at(image, x + 1, y + 1) == kWhite && at(image, x + 1, y) == (Colour{90, 90, 90}))
                ++framed;
    EXPECT_GE(framed, 1) << "a framed white box for the qualities drawn white";
}

TEST_F(MapWindowTest, AFittedLargeDemoAreaFillsMostOfTheRequestedSize) {
    testing::load_demo_database(schema());
    const std::string largest =
        schema().scalar("SELECT countryID FROM pixel GROUP BY countryID ORDER BY COUNT(*) DESC LIMIT 1");
    schema().exec(
        "INSERT INTO results_for_viusualitsation (measureID, species_name, quality, pixelID, pixel_i, pixel_j, "
        "benefit, countryID) SELECT 1, 'Grutto', 0.5, pixelID, matrix_i, matrix_j, 10, countryID FROM pixel WHERE "
        "countryID = " + largest + " AND land_use_type IN ('4', '5') LIMIT 200");
    MapOptions options = result_map_initial_options();
    RememberedSelection selection;
    PanelLists panel;
    const MapScene scene = render_result_scene(options, selection, panel);
    ASSERT_TRUE(scene.picture.bounds());
    EXPECT_TRUE(scene.cell_size_m) << "the raster reference gives the cell size";

    for (const auto& [w, h] : {std::pair{800, 600}, std::pair{1200, 500}, std::pair{400, 900}}) {
        const MapViewport viewport = fit_viewport(*scene.picture.bounds(), w, h);
        const QImage image = window_image(scene, viewport);
        int left = w, right = -1, top = h, bottom = -1;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (at(image, x, y) != kWhite) {
                    left = std::min(left, x), right = std::max(right, x);
                    top = std::min(top, y), bottom = std::max(bottom, y);
                }
        const int spanned_w = right - left + 1, spanned_h = bottom - top + 1;
        EXPECT_TRUE(spanned_w >= 0.8 * w || spanned_h >= 0.8 * h)
            << w << "x" << h << ": the map spans " << spanned_w << "x" << spanned_h;
        EXPECT_LE(spanned_w, w);
        EXPECT_LE(spanned_h, h);
    }
}

}  // namespace
}  // namespace pravel
