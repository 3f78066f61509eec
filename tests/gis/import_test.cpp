// Importing study areas from rasters and polygon layers written by the tests,
// against the server: the rows written and read back, refusals that write
// nothing, replacing one area.
#include <gtest/gtest.h>

#include "common/feedback.h"
#include "gis/gis_files.h"
#include "gis/study_area_import.h"
#include "store/study_area_store.h"

namespace pravel {
namespace {

using testing::kNone;
using testing::write_raster;

const std::vector<double> kLandUse = {4, 4, 3, kNone, 4, 1, 4, 4, kNone, 4, 4, 4};
const std::vector<double> kType1 = {2, 2, 3, 3, 2, 0, 2, 2, 0, 0, 0, 0};
const std::vector<double> kType2 = {3, 0, 2, 0, 0, 0, 3, 0, 0, 0, 0, 0};
const std::vector<double> kWet = {0.5, 0.25, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0};

class GisImportTest : public testing::DatabaseTest {
protected:
    void SetUp() override {
        DatabaseTest::SetUp();
        schema().exec("INSERT INTO grasslandtype (grasslandtypeID, WES) VALUES (1, 0.2), (2, 0.6), (3, 0.9)");
    }

    gis::ImportOptions small_area(const std::string& name = "Testau") {
        gis::ImportOptions o;
        o.name = name;
        o.growth_start = 12;
        o.layers = {{"land_use_type", write_raster("landuse.tif", kLandUse), ""},
                    {"grasslandtyp1", write_raster("type1.tif", kType1), ""},
                    {"grasslandtyp2", write_raster("type2.tif", kType2), ""},
                    {"wet", write_raster("wet.tif", kWet), ""}};
        return o;
    }

    gis::ImportResult import(const gis::ImportOptions& o) {
        auto db = connect();
        return gis::import_study_area(*db, o);
    }

    long long area_rows() {
        return schema().count("country") + schema().count("matrix_referenz") + schema().count("pixel") +
               schema().count("contour") + schema().count("country_georeference");
    }
};

TEST_F(GisImportTest, WritesCountryRasterPixelsContourAndGeoreference) {
    schema().exec("INSERT INTO country (countryID, name) VALUES (7, 'Old area')");
    schema().exec("INSERT INTO pixel (pixelID, countryID) VALUES (900, 7)");
    const gis::ImportResult r = import(small_area());
    EXPECT_EQ(r.countryID, 8);
    EXPECT_EQ(r.pixels, 10);
    EXPECT_EQ(r.notice, "");
    EXPECT_EQ(schema().rows("SELECT name, growth_start FROM country WHERE countryID = 8"),
              (std::vector<std::vector<std::string>>{{"Testau", "12"}}));
    EXPECT_EQ(schema().rows("SELECT number_of_rows, number_of_columns, pixel_lenght_x, pixel_lenght_y "
                            "FROM matrix_referenz WHERE countryID = 8"),
              (std::vector<std::vector<std::string>>{{"3", "4", "25", "25"}}));
    const auto pixels = schema().rows(
        "SELECT pixelID, country, matrix_i, matrix_j, x_coordinate, y_coordinate, land_use_type, wet, "
        "grasslandtyp1, grasslandtyp2, number_of_grassland_types, altitude FROM pixel WHERE countryID = 8 "
        "ORDER BY pixelID");
    ASSERT_EQ(pixels.size(), 10u);
    // Keys above the existing ones; centres of 25 m cells from (500000, 5800000).
    EXPECT_EQ(pixels[0], (std::vector<std::string>{"901", "Testau", "0", "0", "500013", "5799988", "4", "0.5", "2",
                                                   "3", "2", "0"}));
    EXPECT_EQ(pixels[4], (std::vector<std::string>{"905", "Testau", "1", "1", "500038", "5799963", "1", "0", "0",
                                                   "0", "0", "0"}));
    EXPECT_EQ(pixels[9], (std::vector<std::string>{"910", "Testau", "2", "3", "500088", "5799938", "4", "0", "0",
                                                   "0", "0", "0"}));
    EXPECT_EQ(schema().scalar("SELECT COUNT(*) FROM contour WHERE countryID = 8"), "9");
    EXPECT_EQ(schema().rows("SELECT x, y FROM contour WHERE countryID = 8 AND id IN (1, 2, 9) ORDER BY id"),
              (std::vector<std::vector<std::string>>{{"0", "0"}, {"3", "0"}, {"0", "0"}}));
    const auto geo = schema().rows(
        "SELECT origin_x, origin_y, cell_width, cell_height, layer_columns, spatial_reference LIKE '%25832%' "
        "FROM country_georeference WHERE countryID = 8");
    EXPECT_EQ(geo, (std::vector<std::vector<std::string>>{
                       {"500000", "5800000", "25", "-25", "land_use_type,grasslandtyp1,grasslandtyp2,wet", "1"}}));

    // The rows load as any study area does.
    auto db = connect();
    const StudyAreaRows back = read_study_area(*db, "Testau");
    EXPECT_EQ(back.pixels.size(), 10u);
}

TEST_F(GisImportTest, RefusesWithNothingWrittenNamingTheFile) {
    using Change = std::function<void(gis::ImportOptions&)>;
    struct Case {
        const char* what;
        Change change;
        std::string named;
    };
    testing::RasterSpec wide;
    wide.columns = 5;
    testing::RasterSpec coarse;
    coarse.transform = {500000.0, 50.0, 0.0, 5800000.0, 0.0, -50.0};
    testing::RasterSpec shifted;
    shifted.transform[0] += 100;
    testing::RasterSpec other_crs;
    other_crs.epsg = 25833;
    testing::RasterSpec oblong;
    oblong.transform[5] = -20;
    const std::vector<double> wide_values(15, 1);
    const Case cases[] = {
        {"size", [&](auto& o) { o.layers[3].file = write_raster("wide.tif", wide_values, wide); }, "wide.tif"},
        {"cell size", [&](auto& o) { o.layers[3].file = write_raster("coarse.tif", kWet, coarse); }, "coarse.tif"},
        {"origin", [&](auto& o) { o.layers[3].file = write_raster("shifted.tif", kWet, shifted); }, "shifted.tif"},
        {"coordinate system", [&](auto& o) { o.layers[3].file = write_raster("utm33.tif", kWet, other_crs); },
         "utm33.tif"},
        {"cells not square", [&](auto& o) { o.layers[0].file = write_raster("oblong.tif", kLandUse, oblong); },
         "oblong.tif"},
        {"unknown column", [](auto& o) { o.layers[3].column = "moisture"; }, "wet.tif"},
        {"moisture share", [](auto& o) {
             auto v = kWet;
             v[1] = 1.2;
             o.layers[3].file = write_raster("wet12.tif", v);
         }, "wet12.tif"},
        {"non-integer", [](auto& o) {
             auto v = kType1;
             v[0] = 1.5;
             o.layers[1].file = write_raster("type15.tif", v);
         }, "type15.tif"},
        {"grassland type not in table", [](auto& o) {
             auto v = kType2;
             v[0] = 4;
             o.layers[2].file = write_raster("type4.tif", v);
         }, "type4.tif"},
        {"not a raster", [](auto& o) { o.layers[3].file = testing::write_scratch_file("notes.tif", "text"); },
         "notes.tif"},
        {"missing file", [](auto& o) { o.layers[3].file = testing::gis_scratch("nowhere.tif"); }, "nowhere.tif"},
    };
    for (const auto& c : cases) {
        gis::ImportOptions o = small_area();
        c.change(o);
        try {
            import(o);
            ADD_FAILURE() << c.what << ": accepted";
        } catch (const gis::GisRefusal& e) {
            EXPECT_NE(std::string(e.what()).find(c.named), std::string::npos) << c.what << ": " << e.what();
        }
        EXPECT_EQ(area_rows(), 0) << c.what;
    }
}

TEST_F(GisImportTest, ATakenNameIsRefusedAndReplaceSwapsThatAreaOnly) {
    import(small_area("Testau"));
    import(small_area("Nachbarau"));
    const std::string before = schema().scalar("SELECT COUNT(*) FROM pixel WHERE country = 'Nachbarau'");
    const long long rows = area_rows();
    EXPECT_THROW(import(small_area("Testau")), gis::GisRefusal);
    EXPECT_EQ(area_rows(), rows);

    gis::ImportOptions o = small_area("Testau");
    o.replace = true;
    o.growth_start = 20;
    o.layers.resize(3);  // without the wet layer
    o.layers[0].file = write_raster("landuse_few.tif", {4, kNone, kNone, kNone, kNone, kNone, kNone, kNone, kNone,
                                                        kNone, kNone, 4});
    const gis::ImportResult r = import(o);
    EXPECT_EQ(r.countryID, 1);  // the replaced area's key
    EXPECT_EQ(schema().rows("SELECT growth_start FROM country WHERE name = 'Testau'"),
              (std::vector<std::vector<std::string>>{{"20"}}));
    EXPECT_EQ(schema().scalar("SELECT COUNT(*) FROM pixel WHERE countryID = 1"), "2");
    EXPECT_EQ(schema().scalar("SELECT COUNT(*) FROM matrix_referenz WHERE countryID = 1"), "1");
    EXPECT_EQ(schema().scalar("SELECT layer_columns FROM country_georeference WHERE countryID = 1"),
              "land_use_type,grasslandtyp1,grasslandtyp2");
    EXPECT_EQ(schema().scalar("SELECT COUNT(*) FROM pixel WHERE country = 'Nachbarau'"), before);
    // New keys never reuse those of the replaced pixels.
    EXPECT_EQ(schema().scalar("SELECT MIN(pixelID) FROM pixel WHERE countryID = 1"), "21");
}

TEST_F(GisImportTest, APolygonLayerIsRasterisedOntoTheGridOfTheFirstRaster) {
    gis::ImportOptions o = small_area();
    // Manure status 1 over the two left columns, 2 over the cell at row 2,
    // column 3 (its centre is inside, the neighbours' are not).
    const std::string zones = testing::write_polygons(
        "zones.gpkg", "status",
        {{{{500000, 5800000}, {500050, 5800000}, {500050, 5799925}, {500000, 5799925}}, 1},
         {{{500080, 5799945}, {500095, 5799945}, {500095, 5799930}, {500080, 5799930}}, 2}});
    o.layers.push_back(gis::parse_layer_argument("manure_status_grass_cropland=" + zones + ":status"));
    EXPECT_EQ(o.layers.back().field, "status");
    import(o);
    EXPECT_EQ(schema().rows("SELECT matrix_i, matrix_j, manure_status_grass_cropland FROM pixel "
                            "WHERE manure_status_grass_cropland <> 0 ORDER BY matrix_i, matrix_j"),
              (std::vector<std::vector<std::string>>{
                  {"0", "0", "1"}, {"0", "1", "1"}, {"1", "0", "1"}, {"1", "1", "1"}, {"2", "1", "1"},
                  {"2", "3", "2"}}));
}

TEST_F(GisImportTest, AContourLayerGivesTheOutlineOnTheGrid) {
    gis::ImportOptions o = small_area();
    o.contour_file = testing::write_polygons(
        "outline.gpkg", "id",
        {{{{500000, 5800000}, {500100, 5800000}, {500100, 5799925}, {500000, 5799925}}, 1},
         {{{500000, 5800000}, {500010, 5800000}, {500010, 5799990}}, 2}});
    import(o);
    EXPECT_EQ(schema().rows("SELECT x, y FROM contour ORDER BY id"),
              (std::vector<std::vector<std::string>>{{"0", "0"}, {"4", "0"}, {"4", "3"}, {"0", "3"}, {"0", "0"}}));

    gis::ImportOptions other = small_area("Elsewhere");
    other.contour_file = testing::write_polygons(
        "outline33.gpkg", "id", {{{{0, 0}, {1, 0}, {1, 1}}, 1}}, 25833);
    EXPECT_THROW(import(other), gis::GisRefusal);
    EXPECT_EQ(schema().scalar("SELECT COUNT(*) FROM country WHERE name = 'Elsewhere'"), "0");
}

TEST_F(GisImportTest, ANameWithAnApostropheIsStoredFoundAndRefusedTheSecondTime) {
    import(small_area("Bauer's Wiese"));
    EXPECT_EQ(schema().scalar("SELECT COUNT(*) FROM pixel WHERE country = 'Bauer\\'s Wiese'"), "10");
    EXPECT_THROW(import(small_area("Bauer's Wiese")), gis::GisRefusal);
    EXPECT_EQ(schema().count("country"), 1);
}

TEST_F(GisImportTest, CancellingWhilePixelsAreWrittenRollsTheWholeImportBack) {
    Feedback feedback;
    feedback = Feedback([&](const Feedback::Progress& p) {
        if (p.stage == "Writing pixels") feedback.cancel();
    });
    auto db = connect();
    EXPECT_THROW(gis::import_study_area(*db, small_area(), &feedback), gis::GisRefusal);
    EXPECT_EQ(area_rows(), 0);
}

TEST_F(GisImportTest, NotANumberAsTheNoDataValueMarksOnlyThoseCells) {
    testing::RasterSpec nan_no_data;
    nan_no_data.no_data = kNone;
    gis::ImportOptions o = small_area();
    o.layers[0].file = write_raster("landuse_nan.tif", kLandUse, nan_no_data);
    import(o);
    EXPECT_EQ(schema().count("pixel"), 10);
}

TEST_F(GisImportTest, AsciiGridsWithoutCoordinateSystemAreImportedWithANotice) {
    testing::RasterSpec grid;
    grid.epsg = 0;
    grid.driver = "AAIGrid";
    gis::ImportOptions o;
    o.name = "Gridau";
    o.growth_start = 12;
    o.layers = {{"land_use_type", write_raster("landuse.asc", kLandUse, grid), ""},
                {"wet", write_raster("wet.asc", kWet, grid), ""}};
    const gis::ImportResult r = import(o);
    EXPECT_NE(r.notice.find("none of the layers has a coordinate system"), std::string::npos);
    EXPECT_EQ(schema().scalar("SELECT COUNT(*) FROM pixel"), "10");
    EXPECT_EQ(schema().scalar("SELECT spatial_reference FROM country_georeference"), "");

    // One layer with a coordinate system among ones without is refused.
    gis::ImportOptions mixed = o;
    mixed.name = "Mixed";
    mixed.layers[1].file = write_raster("wet.tif", kWet);
    EXPECT_THROW(import(mixed), gis::GisRefusal);
    EXPECT_EQ(schema().scalar("SELECT COUNT(*) FROM country WHERE name = 'Mixed'"), "0");
}

}  // namespace
}  // namespace pravel
