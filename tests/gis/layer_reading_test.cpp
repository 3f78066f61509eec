// Reading layers from files the tests write: grids too large to hold, values
// that GDAL would read as other numbers, files that are not plain local
// files, mirrored grids and text attributes of polygons.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "gis/area_rows.h"
#include "gis/gdal_io.h"
#include "gis/gis_export.h"
#include "gis/gis_files.h"

namespace pravel::gis {
namespace {

using pravel::testing::gis_scratch;
using pravel::testing::kNone;
using pravel::testing::RasterSpec;
using pravel::testing::write_raster;

// The refusal's text, or "<accepted>".
std::string refusal(const std::function<void()>& run) {
    try {
        run();
    } catch (const GisRefusal& e) {
        return e.what();
    }
    return "<accepted>";
}

std::string write_text(const std::string& name, const std::string& text) {
    const std::string path = gis_scratch(name);
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

RasterSpec ascii_grid() {
    RasterSpec s;
    s.epsg = 0;
    s.driver = "AAIGrid";
    return s;
}

AreaRequest request() {
    AreaRequest r;
    r.name = "Testau";
    r.growth_start = 12;
    return r;
}

std::string value_of(const StudyAreaRows& rows, std::size_t pixel, const std::string& column) {
    for (std::size_t k = 0; k < rows.value_columns.size(); ++k) {
        if (rows.value_columns[k] == column) return rows.pixels.at(pixel).values[k];
    }
    return "<missing>";
}

const std::vector<double> kAllGrassland(12, 4);

TEST(LayerReading, GridsAboveTheCellLimitAreRefusedBeforeTheyAreRead) {
    GDALAllRegister();
    // 9000 x 9000 cells in a sparse GeoTIFF of a few kilobytes.
    const std::string sparse = gis_scratch("huge_sparse.tif");
    std::filesystem::remove(sparse);
    {
        const char* options[] = {"SPARSE_OK=TRUE", "TILED=YES", nullptr};
        GDALDatasetUniquePtr ds(GetGDALDriverManager()->GetDriverByName("GTiff")->Create(
            sparse.c_str(), 9000, 9000, 1, GDT_Byte, const_cast<char**>(options)));
        ASSERT_TRUE(ds);
        double t[6] = {500000.0, 25.0, 0.0, 5800000.0, 0.0, -25.0};
        ds->SetGeoTransform(t);
    }
    EXPECT_LT(std::filesystem::file_size(sparse), 100000u);
    // An ASCII grid of one value whose header declares 50,000 x 50,000 cells.
    const std::string header =
        write_text("huge_header.asc", "ncols 50000\nnrows 50000\nxllcorner 0\nyllcorner 0\ncellsize 25\nNODATA_value -9999\n4\n");
    for (const std::string& file : {sparse, header}) {
        const std::string m = refusal([&] { read_raster_layer(file, "land_use_type"); });
        EXPECT_EQ(m.rfind(file, 0), 0u) << m;
        EXPECT_NE(m.find("at most 60000000 cells"), std::string::npos) << m;
    }
    // An export of an area whose matrix_referenz declares a huge raster.
    StudyAreaRows area;
    area.name = "Riesig";
    area.rows = 100000;
    area.columns = 100000;
    area.value_columns = {"land_use_type"};
    area.pixels.push_back({0, 0, 0, 0, {"4"}});
    const std::string m = refusal([&] { area_bands(area); });
    EXPECT_NE(m.find("study area \"Riesig\""), std::string::npos) << m;
    EXPECT_NE(m.find("at most 60000000 cells"), std::string::npos) << m;
}

TEST(LayerReading, AsciiGridTokensThatAreNoNumbersOrDoNotFitTheColumnAreRefusedWithTheirCell) {
    const std::string land_use = write_raster("tokens_landuse.asc", kAllGrassland, ascii_grid());
    const struct {
        std::string token;
        std::string column;
        std::string reason;
    } cases[] = {
        {"abc", "altitude", "\"abc\" at row 1, column 2 is not a number"},
        {"nan", "wet", "\"nan\" at row 1, column 2 is not a number"},
        {"inf", "altitude", "\"inf\" at row 1, column 2 is an infinite number"},
        {"-inf", "wet", "is an infinite number"},
        {"1e400", "wet", "beyond the range of a real"},
        {"99999999999999999999", "altitude", "at row 1, column 2 does not fit column altitude"},
        {"99999999999999999999", "land_use_type", "at row 1, column 2 does not fit column land_use_type"},
        {"-3", "land_use_type", "land-use code of 0 or above"},
        {"2.5", "cropland_economic_value", "(an integer)"},
    };
    for (const auto& c : cases) {
        std::string text = "ncols 4\nnrows 3\nxllcorner 500000\nyllcorner 5799925\ncellsize 25\nNODATA_value -1\n";
        text += "4 4 4 4\n4 4 " + c.token + " 4\n4 4 4 4\n";
        const std::string file = write_text("tokens_" + c.column + ".asc", text);
        const std::string m = refusal([&] {
            std::vector<GridLayer> layers;
            if (c.column != "land_use_type") layers.push_back(read_raster_layer(land_use, "land_use_type"));
            layers.push_back(read_raster_layer(file, c.column));
            build_area_rows(layers, request());
        });
        EXPECT_EQ(m.rfind(file, 0), 0u) << c.token << ": " << m;
        EXPECT_NE(m.find(c.reason), std::string::npos) << c.token << ": " << m;
    }
    // A grid with fewer or more values than its header declares.
    const std::string head = "ncols 2\nnrows 2\nxllcorner 0\nyllcorner 0\ncellsize 25\n";
    EXPECT_NE(refusal([&] { read_raster_layer(write_text("short.asc", head + "4 4\n4\n"), "land_use_type"); })
                  .find("ends after 3 of its 2 x 2 values"),
              std::string::npos);
    EXPECT_NE(refusal([&] { read_raster_layer(write_text("long.asc", head + "4 4\n4 4 4\n"), "land_use_type"); })
                  .find("more values than its 2 x 2 cells"),
              std::string::npos);
}

TEST(LayerReading, SharesOfThirtyTwoBitBandsAreStoredAsTheNumbersWritten) {
    RasterSpec float32;
    float32.type = GDT_Float32;
    const std::vector<double> wet = {0.2, 0.7, 0.35, 0.1, 0, 0, 0, 0, 0, 0, 0, 0.9};
    for (const auto& [name, spec] : {std::pair{"wet32.tif", float32}, std::pair{"wet32.asc", ascii_grid()}}) {
        RasterSpec land_spec = spec;
        land_spec.type = GDT_Float64;
        const std::vector<GridLayer> layers = {
            read_raster_layer(write_raster(std::string("land_") + name, kAllGrassland, land_spec), "land_use_type"),
            read_raster_layer(write_raster(name, wet, spec), "wet")};
        const StudyAreaRows rows = build_area_rows(layers, request());
        EXPECT_EQ(value_of(rows, 0, "wet"), "0.2") << name;
        EXPECT_EQ(value_of(rows, 2, "wet"), "0.35") << name;
        EXPECT_EQ(value_of(rows, 11, "wet"), "0.9") << name;
    }
}

TEST(LayerReading, OnlyPlainLocalFilesInFormatsThatHoldTheirOwnDataAreRead) {
    GDALAllRegister();
    const std::string land_use = write_raster("local_landuse.tif", kAllGrassland);
    // A file in GDAL's memory file system, which GDAL reads like any other.
    const std::string in_memory = "/vsimem/pravel_landuse.tif";
    {
        GDALDatasetUniquePtr source(GDALDataset::Open(land_use.c_str(), GDAL_OF_RASTER));
        GDALDatasetUniquePtr copy(GetGDALDriverManager()->GetDriverByName("GTiff")->CreateCopy(
            in_memory.c_str(), source.get(), FALSE, nullptr, nullptr, nullptr));
        ASSERT_TRUE(copy);
    }
    // A VRT whose band is the raw bytes of another local file.
    const std::string secret = write_text("secret.txt", "password=geheim\n");
    const std::string raw_vrt = write_text(
        "raw.vrt", "<VRTDataset rasterXSize=\"4\" rasterYSize=\"3\"><GeoTransform>500000, 25, 0, 5800000, 0, "
                   "-25</GeoTransform><VRTRasterBand dataType=\"Byte\" band=\"1\" subClass=\"VRTRawRasterBand\">"
                   "<SourceFilename relativetoVRT=\"0\">" + secret + "</SourceFilename><ImageOffset>0</ImageOffset>"
                   "<PixelOffset>1</PixelOffset><LineOffset>4</LineOffset></VRTRasterBand></VRTDataset>\n");
    // A VRT of a local GeoTIFF, and one of a remote file.
    const std::string simple_vrt = write_text(
        "simple.vrt", "<VRTDataset rasterXSize=\"4\" rasterYSize=\"3\"><GeoTransform>500000, 25, 0, 5800000, 0, "
                      "-25</GeoTransform><VRTRasterBand dataType=\"Float64\" band=\"1\"><SimpleSource>"
                      "<SourceFilename relativeToVRT=\"0\">" + land_use + "</SourceFilename><SourceBand>1</SourceBand>"
                      "</SimpleSource></VRTRasterBand></VRTDataset>\n");
    const std::string polygons = pravel::testing::write_polygons(
        "local_zones.gpkg", "zone", {{{{500000, 5800000}, {500100, 5800000}, {500100, 5799925}, {500000, 5799925}}, 1}});
    const std::string vector_vrt = write_text(
        "zones.vrt", "<OGRVRTDataSource><OGRVRTLayer name=\"zones\"><SrcDataSource>" + polygons +
                         "</SrcDataSource><SrcLayer>zones</SrcLayer></OGRVRTLayer></OGRVRTDataSource>\n");
    const GridLayer grid = read_raster_layer(land_use, "land_use_type");

    const struct {
        std::string file;
        std::function<void(const std::string&)> read;
        std::string reason;
    } cases[] = {
        {in_memory, [](auto& f) { read_raster_layer(f, "land_use_type"); }, "not a plain local file"},
        {"/vsicurl/http://127.0.0.1:9/landuse.tif", [](auto& f) { read_raster_layer(f, "land_use_type"); },
         "not a plain local file"},
        {"/VSIZIP/" + land_use + ".zip/landuse.tif", [](auto& f) { read_raster_layer(f, "land_use_type"); },
         "not a plain local file"},
        {gis_scratch(""), [](auto& f) { read_raster_layer(f, "land_use_type"); }, "not a plain local file"},
        {raw_vrt, [](auto& f) { read_raster_layer(f, "land_use_type"); }, "cannot be read as a raster"},
        {simple_vrt, [](auto& f) { read_raster_layer(f, "land_use_type"); }, "cannot be read as a raster"},
        {simple_vrt, [](auto& f) { bands_named_after_columns(f); }, "cannot be read as a raster"},
        {vector_vrt, [&](auto& f) { read_polygon_layer(f, "zone", "farmtype", grid.geometry); },
         "cannot be read as a polygon layer"},
        {vector_vrt, [&](auto& f) { read_contour_ring(f, grid.geometry); }, "cannot be read as a polygon layer"},
        {"/vsimem/outline.gpkg", [&](auto& f) { read_contour_ring(f, grid.geometry); }, "not a plain local file"},
    };
    for (const auto& c : cases) {
        const std::string m = refusal([&] { c.read(c.file); });
        EXPECT_EQ(m.rfind(c.file, 0), 0u) << c.file << ": " << m;
        EXPECT_NE(m.find(c.reason), std::string::npos) << c.file << ": " << m;
    }
    VSIUnlink(in_memory.c_str());
    // The same GeoTIFF as a plain file is read.
    EXPECT_EQ(read_raster_layer(land_use, "land_use_type").values, kAllGrassland);
}

TEST(LayerReading, MirroredGridsAreReadNorthUpFromTheWesternEdge) {
    // Row by row from the north-west corner as a map shows them.
    const std::vector<double> map = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, kNone};
    auto reordered = [&](bool reverse_rows, bool reverse_columns) {
        std::vector<double> v(12);
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 4; ++c) v[r * 4 + c] = map[(reverse_rows ? 2 - r : r) * 4 + (reverse_columns ? 3 - c : c)];
        }
        return v;
    };
    const GridLayer north_up = read_raster_layer(write_raster("north_up.tif", map), "land_use_type");
    RasterSpec south_up, east_to_west, both;
    south_up.transform = {500000.0, 25.0, 0.0, 5799925.0, 0.0, 25.0};
    east_to_west.transform = {500100.0, -25.0, 0.0, 5800000.0, 0.0, -25.0};
    both.transform = {500100.0, -25.0, 0.0, 5799925.0, 0.0, 25.0};
    const struct {
        const char* name;
        std::vector<double> values;
        RasterSpec spec;
    } cases[] = {
        {"south_up.tif", reordered(true, false), south_up},
        {"east_to_west.tif", reordered(false, true), east_to_west},
        {"mirrored_both.tif", reordered(true, true), both},
    };
    for (const auto& c : cases) {
        const GridLayer l = read_raster_layer(write_raster(c.name, c.values, c.spec), "land_use_type");
        EXPECT_EQ(l.geometry.transform, north_up.geometry.transform) << c.name;
        EXPECT_EQ(l.has_data, north_up.has_data) << c.name;
        EXPECT_EQ(l.values, north_up.values) << c.name;
    }
}

TEST(LayerReading, TextAttributesOfPolygonsBecomeTextsOrAreRefusedForNumericColumns) {
    const GridLayer land_use = read_raster_layer(write_raster("zones_landuse.tif", kAllGrassland), "land_use_type");
    // The western half of the grid is "valley", the eastern half "ridge".
    const std::vector<pravel::testing::TestPolygon> halves = {
        {{{500000, 5800000}, {500050, 5800000}, {500050, 5799925}, {500000, 5799925}}, 0, "valley"},
        {{{500050, 5800000}, {500100, 5800000}, {500100, 5799925}, {500050, 5799925}}, 0, "ridge"}};
    const std::string zones = pravel::testing::write_polygons("text_zones.gpkg", "zone", halves, 25832, true);
    const StudyAreaRows rows = build_area_rows(
        {land_use, read_polygon_layer(zones, "zone", "subclassification", land_use.geometry)}, request());
    EXPECT_EQ(value_of(rows, 0, "subclassification"), "valley");
    EXPECT_EQ(value_of(rows, 3, "subclassification"), "ridge");

    for (const char* column : {"altitude", "wet", "drained"}) {
        const std::string m = refusal([&] { read_polygon_layer(zones, "zone", column, land_use.geometry); });
        EXPECT_EQ(m.rfind(zones, 0), 0u) << m;
        EXPECT_NE(m.find("holds text"), std::string::npos) << m;
    }
    // A text too long for its column is refused with its cell.
    const std::string long_text = pravel::testing::write_polygons(
        "long_zones.gpkg", "zone", {{halves[0].ring, 0, std::string(70, 'x')}}, 25832, true);
    const std::string m = refusal([&] {
        build_area_rows({land_use, read_polygon_layer(long_text, "zone", "subclassification", land_use.geometry)},
                        request());
    });
    EXPECT_NE(m.find("row 0, column 0"), std::string::npos) << m;
    EXPECT_NE(m.find("70 characters; the column holds 64"), std::string::npos) << m;
}

TEST(LayerReading, ZoneLayersLieOnTheAreaGridOrAreRefused) {
    // The area: 3 x 4 cells of 25 m from (500000, 5800000).
    GridGeometry area;
    area.rows = 3;
    area.columns = 4;
    area.transform = {500000.0, 25.0, 0.0, 5800000.0, 0.0, -25.0};
    // A hand-made ASCII grid on that grid: the western half zone 1, the
    // eastern half zone 2, one cell without data.
    const std::string grid = write_text("zones_on_grid.asc",
                                        "ncols 4\nnrows 3\nxllcorner 500000\nyllcorner 5799925\ncellsize 25\n"
                                        "NODATA_value -9999\n1 1 2 2\n1 1 2 2\n1 -9999 2 2\n");
    const GridLayer layer = read_layer_on_grid(grid, area);
    ASSERT_EQ(layer.values.size(), 12u);
    EXPECT_EQ(layer.values[layer.index(0, 0)], 1.0);
    EXPECT_EQ(layer.values[layer.index(2, 3)], 2.0);
    EXPECT_FALSE(layer.has_data[layer.index(2, 1)]);

    // The same halves as polygons with a text field.
    const std::vector<pravel::testing::TestPolygon> halves = {
        {{{500000, 5800000}, {500050, 5800000}, {500050, 5799925}, {500000, 5799925}}, 0, "west"},
        {{{500050, 5800000}, {500100, 5800000}, {500100, 5799925}, {500050, 5799925}}, 0, "east"}};
    const std::string polygons = pravel::testing::write_polygons("zone_halves.gpkg", "zone", halves, 25832, true);
    const GridLayer from_polygons = read_layer_on_grid(polygons + ":zone", area);
    EXPECT_EQ(from_polygons.categories, (std::vector<std::string>{"west", "east"}));
    EXPECT_EQ(from_polygons.values[from_polygons.index(1, 0)], 0.0);
    EXPECT_EQ(from_polygons.values[from_polygons.index(1, 3)], 1.0);

    struct Case {
        std::string layer;
        std::string message;
    } cases[] = {
        // One column too many, and the corner shifted by half a cell.
        {write_text("zones_wide.asc", "ncols 5\nnrows 3\nxllcorner 500000\nyllcorner 5799925\ncellsize 25\n"
                                      "1 1 2 2 2\n1 1 2 2 2\n1 1 2 2 2\n"),
         "is not the study area's grid (3 x 4 cells"},
        {write_text("zones_shifted.asc", "ncols 4\nnrows 3\nxllcorner 500012.5\nyllcorner 5799925\ncellsize 25\n"
                                         "1 1 2 2\n1 1 2 2\n1 1 2 2\n"),
         "is not the study area's grid"},
        {polygons + ":no_such_field", "the layer has no field \"no_such_field\""},
        {gis_scratch("no_such_zones.tif"), "not a plain local file"},
    };
    for (const Case& c : cases) {
        const std::string m = refusal([&] { read_layer_on_grid(c.layer, area); });
        EXPECT_NE(m.find(c.message), std::string::npos) << c.layer << ": " << m;
    }
    // Polygons in another coordinate system are refused on an area that has one.
    GridGeometry utm = area;
    utm.spatial_reference = pravel::testing::wkt_of(25833);
    EXPECT_NE(refusal([&] { read_layer_on_grid(polygons + ":zone", utm); }).find("coordinate system"),
              std::string::npos);
}

}  // namespace
}  // namespace pravel::gis
