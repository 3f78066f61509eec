// Exports of study areas and results to GeoTIFF, GeoPackage and CSV, read
// back through GDAL, and the import of an exported area.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "gis/gis_export.h"
#include "gis/gis_files.h"
#include "gis/study_area_import.h"

namespace pravel {
namespace {

using testing::kNone;
using Rows = std::vector<std::vector<std::string>>;

const char* kPixelColumns =
    "matrix_i, matrix_j, x_coordinate, y_coordinate, drained, wet, fresh, dry, altitude, grassland_economic_value, "
    "grassland_economic_value_random, cropland_economic_value, cropland_economic_value_random, land_use_type, "
    "policy_status_grass_cropland, manure_status_grass_cropland, number_of_grassland_types, grasslandtyp1, "
    "grasslandtyp2, OHG, farmtype, farmhouse_distance, fertilization_reduction, subclassification, settlement, "
    "forest, water_inland, mead_past_mow";

class GisExportTest : public testing::DatabaseTest {
protected:
    void SetUp() override {
        DatabaseTest::SetUp();
        schema().exec("INSERT INTO grasslandtype (grasslandtypeID) VALUES (1), (2), (3)");
    }

    // An area written as the demo writes its areas: no georeference, 90 m
    // cells whose coordinates are x0 + 90 j and y0 - 90 i, word codes in a
    // text column, two rows of three cells with one cell left out.
    void insert_plain_area() {
        schema().exec("INSERT INTO country VALUES (5, 'Plain', 12)");
        schema().exec("INSERT INTO matrix_referenz VALUES (5, 2, 3, 90, 90)");
        schema().exec(
            "INSERT INTO pixel (pixelID, countryID, country, matrix_i, matrix_j, x_coordinate, y_coordinate, wet, "
            "dry, altitude, land_use_type, grasslandtyp1, number_of_grassland_types, subclassification, drained, "
            "farmhouse_distance) VALUES "
            "(50, 5, 'Plain', 0, 0, 3440000, 5870000, 0.75, 0.25, 12, '4', 2, 1, 'valley', 1, 3), "
            "(51, 5, 'Plain', 0, 1, 3440090, 5870000, 0.1, 0, 0, '3', 3, 1, 'river', 0, 1), "
            "(52, 5, 'Plain', 1, 0, 3440000, 5869910, 0, 1, 7, '1', 0, 0, '', 0, 0), "
            "(53, 5, 'Plain', 1, 2, 3440180, 5869910, 0, 0, 0, '7', 0, 0, 'river', 0, 0)");
    }

    Rows pixel_rows(int country_id) {
        return schema().rows(std::string("SELECT ") + kPixelColumns + " FROM pixel WHERE countryID = " +
                             std::to_string(country_id) + " ORDER BY matrix_i, matrix_j");
    }

    static const gis::ReadBand& band(const std::vector<gis::ReadBand>& bands, const std::string& name) {
        for (const auto& b : bands) {
            if (b.description == name) return b;
        }
        throw std::runtime_error("no band " + name);
    }

    // A configuration of area 5: pixel 50 with measure 10, pixel 51 with 11.
    void insert_configuration() {
        schema().exec("INSERT INTO species (speciesID, name) VALUES (3, 'Kievit'), (4, 'Uferschnepfe')");
        schema().exec("INSERT INTO configuration VALUES (1700000000, 10, 120.5, 3, 'run', 5), "
                      "(1700000000, 11, 80, 2, 'run', 5)");
        schema().exec("INSERT INTO result VALUES (50, 1700000000, 10, 35.25), (51, 1700000000, 11, -4)");
        schema().exec("INSERT INTO resulting_quality VALUES (50, 1700000000, 3, 0.5), (50, 1700000000, 4, 0.75), "
                      "(51, 1700000000, 3, 0.125)");
    }

    std::string out(const std::string& name) {
        const std::string path = testing::gis_scratch(name);
        std::filesystem::remove(path);
        std::filesystem::remove(path + ".aux.xml");
        return path;
    }
};

TEST_F(GisExportTest, AnAreaWithoutGeoreferenceIsPlacedByItsPixelCoordinatesAndImportsBackUnchanged) {
    insert_plain_area();
    const std::string tif = out("plain.tif");
    {
        auto db = connect();
        gis::export_study_area(*db, "Plain", tif);
    }
    gis::GridGeometry grid;
    const auto bands = gis::read_all_bands(tif, &grid);
    EXPECT_EQ(bands.size(), pixel_data_columns().size());
    EXPECT_EQ(grid.rows, 2);
    EXPECT_EQ(grid.columns, 3);
    // Cell (0, 0) is centred on (3440000, 5870000).
    EXPECT_EQ(grid.transform, (std::array<double, 6>{3439955, 90, 0, 5870045, 0, -90}));
    EXPECT_EQ(grid.spatial_reference, "");
    const auto& wet = band(bands, "wet");
    ASSERT_TRUE(wet.no_data);
    EXPECT_EQ(wet.values, (std::vector<double>{0.75, 0.1, *wet.no_data, 0, *wet.no_data, 0}));
    EXPECT_EQ(band(bands, "land_use_type").values[1], 3.0);
    const auto& zone = band(bands, "subclassification");
    EXPECT_EQ(zone.categories, (std::vector<std::string>{"", "river", "valley"}));
    EXPECT_EQ(zone.values[0], 2.0);

    gis::ImportOptions o;
    o.name = "Plain again";
    o.growth_start = 12;
    o.layers = gis::bands_named_after_columns(tif);
    auto db = connect();
    const gis::ImportResult r = gis::import_study_area(*db, o);
    EXPECT_EQ(pixel_rows(r.countryID), pixel_rows(5));
    EXPECT_EQ(schema().scalar("SELECT COUNT(*) FROM country_georeference"), "1");
}

TEST_F(GisExportTest, AnImportedAreaExportsItsBandsWithItsGeoreferenceAndRoundTrips) {
    gis::ImportOptions o;
    o.name = "Testau";
    o.growth_start = 12;
    o.layers = {{"land_use_type", testing::write_raster("lu.tif", {4, 4, 3, kNone, 4, 1, 4, 4, kNone, 4, 4, 4}), ""},
                {"grasslandtyp1", testing::write_raster("t1.tif", {2, 2, 3, 3, 2, 0, 2, 2, 0, 0, 0, 0}), ""},
                {"dry", testing::write_raster("dry.tif", {0.5, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0.25}), ""}};
    auto db = connect();
    const int first = gis::import_study_area(*db, o).countryID;
    const std::string tif = out("testau.tif");
    gis::export_study_area(*db, "Testau", tif);
    gis::GridGeometry grid;
    const auto bands = gis::read_all_bands(tif, &grid);
    ASSERT_EQ(bands.size(), 3u);
    EXPECT_EQ(bands[0].description, "land_use_type");
    EXPECT_EQ(bands[2].description, "dry");
    EXPECT_EQ(grid.transform, (std::array<double, 6>{500000, 25, 0, 5800000, 0, -25}));
    EXPECT_EQ(grid.spatial_reference, testing::wkt_of(25832));
    EXPECT_EQ(bands[2].values[11], 0.25);
    EXPECT_EQ(bands[0].values[3], *bands[0].no_data);

    o.name = "Testau again";
    o.layers = gis::bands_named_after_columns(tif);
    const int second = gis::import_study_area(*db, o).countryID;
    EXPECT_EQ(pixel_rows(second), pixel_rows(first));
    EXPECT_EQ(schema().rows("SELECT x, y FROM contour WHERE countryID = " + std::to_string(second) + " ORDER BY id"),
              schema().rows("SELECT x, y FROM contour WHERE countryID = " + std::to_string(first) + " ORDER BY id"));
}

TEST_F(GisExportTest, AConfigurationIsWrittenAsBandsFeaturesAndLines) {
    insert_plain_area();
    insert_configuration();
    auto db = connect();
    gis::ResultExportOptions options;
    options.configuration = 1700000000;

    options.out = out("run.tif");
    EXPECT_EQ(gis::export_results(*db, options), 2);
    gis::GridGeometry grid;
    const auto bands = gis::read_all_bands(options.out, &grid);
    EXPECT_EQ(grid.transform, (std::array<double, 6>{3439955, 90, 0, 5870045, 0, -90}));
    ASSERT_EQ(bands.size(), 5u);
    const double nd = *bands[0].no_data;
    EXPECT_EQ(bands[0].description, "measureID");
    EXPECT_EQ(bands[0].values, (std::vector<double>{10, 11, nd, nd, nd, nd}));
    EXPECT_EQ(band(bands, "payment").values, (std::vector<double>{120.5, 80, nd, nd, nd, nd}));
    EXPECT_EQ(band(bands, "payment - cost").values, (std::vector<double>{35.25, -4, nd, nd, nd, nd}));
    EXPECT_EQ(band(bands, "quality_3").values, (std::vector<double>{0.5, 0.125, nd, nd, nd, nd}));
    EXPECT_EQ(band(bands, "quality_4").values, (std::vector<double>{0.75, nd, nd, nd, nd, nd}));

    options.out = out("run.csv");
    gis::export_results(*db, options);
    std::ifstream csv(options.out);
    std::vector<std::string> lines;
    for (std::string l; std::getline(csv, l);) lines.push_back(l);
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "pixelID,row,column,x,y,measureID,payment,payment_minus_cost,quality_3,quality_4",
                         "50,0,0,3440000,5870000,10,120.5,35.25,0.5,0.75",
                         "51,0,1,3440090,5870000,11,80,-4,0.125,"}));

    options.out = out("run.gpkg");
    gis::export_results(*db, options);
    GDALDatasetUniquePtr ds(GDALDataset::Open(options.out.c_str(), GDAL_OF_VECTOR));
    ASSERT_TRUE(ds);
    OGRLayer* layer = ds->GetLayerByName("results");
    ASSERT_NE(layer, nullptr);
    EXPECT_EQ(layer->GetFeatureCount(), 2);
    std::vector<std::string> fields;
    for (int k = 0; k < layer->GetLayerDefn()->GetFieldCount(); ++k) {
        fields.push_back(layer->GetLayerDefn()->GetFieldDefn(k)->GetNameRef());
    }
    EXPECT_EQ(fields, (std::vector<std::string>{"pixelID", "measureID", "payment", "payment_minus_cost", "quality_3",
                                                "quality_4"}));
    layer->ResetReading();
    OGRFeatureUniquePtr second;
    for (int k = 0; k < 2; ++k) second.reset(layer->GetNextFeature());
    EXPECT_EQ(second->GetFieldAsInteger("pixelID"), 51);
    EXPECT_EQ(second->GetFieldAsDouble("payment_minus_cost"), -4.0);
    EXPECT_TRUE(second->IsFieldNull(second->GetFieldIndex("quality_4")));
    OGREnvelope box;
    second->GetGeometryRef()->getEnvelope(&box);
    EXPECT_EQ(box.MinX, 3440045);
    EXPECT_EQ(box.MaxX, 3440135);
    EXPECT_EQ(box.MinY, 5869955);
    EXPECT_EQ(box.MaxY, 5870045);
}

TEST_F(GisExportTest, TheLatestResultsWithSeveralMeasuresPerPixelNeedAMeasureForAGeoTiff) {
    insert_plain_area();
    for (const char* values : {"(10, 'mow', 3, 'Kievit', 0.5, 50, 0, 0, 3440000, 5870000, -12, 0, 5)",
                               "(11, 'graze', 3, 'Kievit', 0.25, 50, 0, 0, 3440000, 5870000, -20, 0, 5)",
                               "(11, 'graze', 3, 'Kievit', 0.375, 53, 1, 2, 3440180, 5869910, -8, 0, 5)"}) {
        schema().exec(std::string("INSERT INTO results_for_viusualitsation VALUES ") + values);
    }
    auto db = connect();
    gis::ResultExportOptions options;
    options.out = out("latest.tif");
    EXPECT_THROW(gis::export_results(*db, options), gis::GisRefusal);
    EXPECT_FALSE(std::filesystem::exists(options.out));

    options.measure = 11;
    EXPECT_EQ(gis::export_results(*db, options), 2);
    const auto bands = gis::read_all_bands(options.out);
    const double nd = *bands[0].no_data;
    EXPECT_EQ(band(bands, "quality_3").values, (std::vector<double>{0.25, nd, nd, nd, nd, 0.375}));
    EXPECT_EQ(band(bands, "payment - cost").values, (std::vector<double>{-20, nd, nd, nd, nd, -8}));

    options.measure.reset();
    options.out = out("latest.csv");
    EXPECT_EQ(gis::export_results(*db, options), 3);
}

TEST_F(GisExportTest, RefusalsWriteNoFile) {
    insert_plain_area();
    insert_configuration();
    auto db = connect();
    struct Case {
        const char* what;
        std::optional<int> configuration;
        std::optional<int> measure;
        std::string file;
    };
    const Case cases[] = {
        {"unknown configuration", 42, std::nullopt, "none.tif"},
        {"unknown format", 1700000000, std::nullopt, "run.png"},
        {"measure not in the results", 1700000000, 99, "run99.gpkg"},
        {"latest results empty", std::nullopt, std::nullopt, "latest.gpkg"},
    };
    for (const auto& c : cases) {
        gis::ResultExportOptions options;
        options.configuration = c.configuration;
        options.measure = c.measure;
        options.out = out(c.file);
        try {
            gis::export_results(*db, options);
            ADD_FAILURE() << c.what << ": accepted";
        } catch (const gis::GisRefusal& e) {
            EXPECT_NE(std::string(e.what()).find(c.file), std::string::npos) << c.what << ": " << e.what();
        }
        EXPECT_FALSE(std::filesystem::exists(options.out)) << c.what;
    }
    EXPECT_THROW(gis::export_study_area(*db, "Nowhere", out("nowhere.tif")), gis::GisRefusal);
    EXPECT_THROW(gis::export_study_area(*db, "Plain", out("plain.gpkg")), gis::GisRefusal);
    for (const auto& entry : std::filesystem::directory_iterator(testing::gis_scratch(""))) {
        EXPECT_EQ(entry.path().filename().string().find(".partial"), std::string::npos) << entry.path();
    }
}

}  // namespace
}  // namespace pravel
