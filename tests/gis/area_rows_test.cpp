// Checks of the layers of an import and the rows built from them, on layers
// in memory.
#include "gis/area_rows.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace pravel::gis {
namespace {

const double kNone = std::nan("");

GridLayer layer(const std::string& file, const std::string& column, std::vector<double> values) {
    GridLayer l;
    l.file = file;
    l.column = column;
    l.geometry.rows = 3;
    l.geometry.columns = 4;
    l.geometry.transform = {1000.0, 25.0, 0.0, 2000.0, 0.0, -25.0};
    l.geometry.spatial_reference = "PROJCS[\"test\"]";
    for (double v : values) {
        l.has_data.push_back(!std::isnan(v));
        l.values.push_back(std::isnan(v) ? 0.0 : v);
    }
    return l;
}

std::vector<double> filled(double v) { return std::vector<double>(12, v); }

// land use 4 everywhere but two cells without data (row 0 column 3, row 2
// column 0); grassland type 1 on the first row, type 2 on the second.
std::vector<GridLayer> small_area() {
    return {
        layer("landuse.tif", "land_use_type", {4, 4, 3, kNone, 4, 1, 4, 4, kNone, 4, 4, 4}),
        layer("wet.tif", "wet", {0.5, 0.25, 1, 0, 0, 0, 0, 0, 0, 0, 0, kNone}),
        layer("types1.tif", "grasslandtyp1", {2, 2, 3, 3, 2, 0, 2, 2, 0, 0, 0, 0}),
        layer("types2.tif", "grasslandtyp2", {3, 0, 2, 0, 0, 0, 3, 0, 0, 0, 0, 0}),
    };
}

AreaRequest request() {
    AreaRequest r;
    r.name = "Testau";
    r.growth_start = 12;
    r.grassland_types = {1, 2, 3};
    return r;
}

std::string value_of(const StudyAreaRows& rows, const StudyAreaPixel& p, const std::string& column) {
    for (std::size_t k = 0; k < rows.value_columns.size(); ++k) {
        if (rows.value_columns[k] == column) return p.values[k];
    }
    return "<missing>";
}

TEST(AreaRows, OnePixelPerCellWithLandUseWithPositionValuesAndDerivedTypeCount) {
    const StudyAreaRows rows = build_area_rows(small_area(), request());
    EXPECT_EQ(rows.rows, 3);
    EXPECT_EQ(rows.columns, 4);
    EXPECT_EQ(rows.pixel_lenght_x, 25);
    EXPECT_EQ(rows.pixel_lenght_y, 25);
    ASSERT_EQ(rows.pixels.size(), 10u);
    // Table order of the columns, the derived count last.
    EXPECT_EQ(rows.value_columns,
              (std::vector<std::string>{"wet", "land_use_type", "grasslandtyp1", "grasslandtyp2",
                                        "number_of_grassland_types"}));
    struct Expect {
        std::size_t index;
        int i, j;
        long long x, y;
        std::string land_use, wet, type1, type2, count;
    };
    const Expect expected[] = {
        {0, 0, 0, 1013, 1988, "4", "0.5", "2", "3", "2"},   // centre of the first cell, rounded
        {1, 0, 1, 1038, 1988, "4", "0.25", "2", "0", "1"},
        {2, 0, 2, 1063, 1988, "3", "1", "3", "2", "2"},
        {3, 1, 0, 1013, 1963, "4", "0", "2", "0", "1"},     // row 0 column 3 has no land use
        {4, 1, 1, 1038, 1963, "1", "0", "0", "0", "0"},
        {7, 2, 1, 1038, 1938, "4", "0", "0", "0", "0"},     // row 2 column 0 has no land use
        {9, 2, 3, 1088, 1938, "4", "0", "0", "0", "0"},     // wet has no data here: the default
    };
    for (const auto& e : expected) {
        const StudyAreaPixel& p = rows.pixels[e.index];
        SCOPED_TRACE("pixel " + std::to_string(e.index));
        EXPECT_EQ(p.matrix_i, e.i);
        EXPECT_EQ(p.matrix_j, e.j);
        EXPECT_EQ(p.x_coordinate, e.x);
        EXPECT_EQ(p.y_coordinate, e.y);
        EXPECT_EQ(value_of(rows, p, "land_use_type"), e.land_use);
        EXPECT_EQ(value_of(rows, p, "wet"), e.wet);
        EXPECT_EQ(value_of(rows, p, "grasslandtyp1"), e.type1);
        EXPECT_EQ(value_of(rows, p, "grasslandtyp2"), e.type2);
        EXPECT_EQ(value_of(rows, p, "number_of_grassland_types"), e.count);
    }
    ASSERT_TRUE(rows.georeference);
    EXPECT_EQ(rows.georeference->origin_x, 1000.0);
    EXPECT_EQ(rows.georeference->cell_height, -25.0);
    EXPECT_EQ(rows.georeference->layer_columns.size(), 4u);
    // Traced: the cells with data without the two corners that have none.
    EXPECT_EQ(rows.contour, (std::vector<ContourVertex>{
                                {0, 0}, {3, 0}, {3, 1}, {4, 1}, {4, 3}, {1, 3}, {1, 2}, {0, 2}, {0, 0}}));
}

TEST(AreaRows, TextColumnsTakeCategoryNamesAndFlagsAreZeroOrOne) {
    auto layers = small_area();
    layers.push_back(layer("zone.tif", "subclassification", filled(1)));
    layers.back().categories = {"valley", "river"};
    layers.push_back(layer("drained.tif", "drained", filled(1)));
    const StudyAreaRows rows = build_area_rows(layers, request());
    EXPECT_EQ(value_of(rows, rows.pixels[0], "subclassification"), "river");
    EXPECT_EQ(value_of(rows, rows.pixels[0], "drained"), "1");
}

TEST(AreaRows, AnOwnTypeCountLayerIsUsedAsGiven) {
    auto layers = small_area();
    layers.push_back(layer("count.tif", "number_of_grassland_types", filled(1)));
    const StudyAreaRows rows = build_area_rows(layers, request());
    EXPECT_EQ(std::count(rows.value_columns.begin(), rows.value_columns.end(), "number_of_grassland_types"), 1);
    EXPECT_EQ(value_of(rows, rows.pixels[0], "number_of_grassland_types"), "1");
}

TEST(AreaRows, RefusesLayersThatDoNotMakeOneAreaNamingTheFile) {
    using Change = std::function<void(std::vector<GridLayer>&, AreaRequest&)>;
    struct Case {
        const char* what;
        Change change;
        std::string file;    // named in the message
        std::string reason;  // part of the message
    };
    const Case cases[] = {
        {"size", [](auto& l, auto&) { l[1].geometry.columns = 5; }, "wet.tif", "size 3 x 5"},
        {"cell size", [](auto& l, auto&) { l[2].geometry.transform[1] = 30; l[2].geometry.transform[5] = -30; },
         "types1.tif", "cell size"},
        {"origin", [](auto& l, auto&) { l[3].geometry.transform[0] += 25; }, "types2.tif", "origin"},
        {"coordinate system", [](auto& l, auto&) { l[1].geometry.spatial_reference = "PROJCS[\"other\"]"; },
         "wet.tif", "coordinate system"},
        {"one layer without a coordinate system", [](auto& l, auto&) { l[2].geometry.spatial_reference.clear(); },
         "types1.tif", "coordinate system"},
        {"cells not square", [](auto& l, auto&) { l[0].geometry.transform[5] = -20; }, "landuse.tif",
         "not square"},
        {"degrees", [](auto& l, auto&) { l[0].geometry.geographic = true; }, "landuse.tif", "degrees"},
        {"cell size not whole metres", [](auto& l, auto&) {
             for (auto& x : l) { x.geometry.transform[1] = 12.5; x.geometry.transform[5] = -12.5; }
         }, "landuse.tif", "whole number of metres"},
        {"unknown column", [](auto& l, auto&) { l[1].column = "wetness"; }, "wet.tif", "unknown column"},
        {"key column", [](auto& l, auto&) { l[1].column = "pixelID"; }, "wet.tif", "unknown column"},
        {"column twice", [](auto& l, auto&) { l[1].column = "grasslandtyp1"; }, "types1.tif", "more than one"},
        {"no land use", [](auto& l, auto&) { l.erase(l.begin()); }, "wet.tif", "no land_use_type layer"},
        {"share above 1", [](auto& l, auto&) { l[1].values[4] = 1.5; }, "wet.tif", "share between 0 and 1"},
        {"negative share", [](auto& l, auto&) { l[1].values[0] = -0.1; }, "wet.tif", "share between 0 and 1"},
        {"non-integer type", [](auto& l, auto&) { l[2].values[0] = 2.5; }, "types1.tif", "an integer"},
        {"non-integer land use", [](auto& l, auto&) { l[0].values[0] = 4.2; }, "landuse.tif", "integer code"},
        {"unknown grassland type", [](auto& l, auto&) { l[3].values[0] = 9; }, "types2.tif", "grasslandtype"},
        {"flag 2", [](auto& l, auto&) { l.push_back(layer("forest.tif", "forest", filled(2))); }, "forest.tif",
         "0 or 1"},
        {"category code beyond the names",
         [](auto& l, auto&) {
             l.push_back(layer("zone.tif", "subclassification", filled(2)));
             l.back().categories = {"valley", "river"};
         },
         "zone.tif", "categories"},
        {"growth start 0", [](auto&, auto& r) { r.growth_start = 0; }, "", "quarter month"},
        {"growth start 49", [](auto&, auto& r) { r.growth_start = 49; }, "", "quarter month"},
        {"no cell with data", [](auto& l, auto&) { l[0].has_data.assign(12, 0); }, "landuse.tif", "no cell"},
        {"not a number", [](auto& l, auto&) { l[1].values[4] = std::nan(""); }, "wet.tif", "not a number"},
        {"infinite", [](auto& l, auto&) { l[2].values[0] = INFINITY; }, "types1.tif", "infinite"},
        {"beyond the INT range",
         [](auto& l, auto&) { l.push_back(layer("altitude.tif", "altitude", filled(99999999999999999999.0))); },
         "altitude.tif", "column's range"},
        {"negative land use", [](auto& l, auto&) { l[0].values[0] = -3; }, "landuse.tif", "land-use code of 0"},
        {"category too long for land_use_type",
         [](auto& l, auto&) { l[0].categories = {"c0", "c1", "c2", "c3", std::string(17, 'x')}; }, "landuse.tif",
         "17 characters; the column holds 16"},
        {"category with a line break",
         [](auto& l, auto&) {
             l.push_back(layer("zone.tif", "subclassification", filled(1)));
             l.back().categories = {"valley", "river\nbank"};
         },
         "zone.tif", "line break"},
        {"category not UTF-8",
         [](auto& l, auto&) {
             l.push_back(layer("zone.tif", "subclassification", filled(0)));
             l.back().categories = {"Au\xe9"};
         },
         "zone.tif", "not UTF-8"},
        {"grid above the cell limit",
         [](auto& l, auto&) { for (auto& x : l) x.geometry.rows = x.geometry.columns = 100000; }, "landuse.tif",
         "at most 60000000 cells"},
        {"map coordinates beyond the INT range",
         [](auto& l, auto&) { for (auto& x : l) x.geometry.transform[0] = 3e10; }, "landuse.tif",
         "beyond the range of the stored coordinates"},
        {"name of 256 characters", [](auto&, auto& r) { r.name = std::string(256, 'a'); }, "",
         "256 characters; at most 255"},
        {"name not UTF-8", [](auto&, auto& r) { r.name = "Wiese\xff"; }, "", "not UTF-8"},
        {"name in overlong UTF-8", [](auto&, auto& r) { r.name = "\xc0\xaf"; }, "", "not UTF-8"},
        {"name with a line break", [](auto&, auto& r) { r.name = "Nord\nSued"; }, "", "line break"},
        {"name with a tab", [](auto&, auto& r) { r.name = "Nord\tSued"; }, "", "control character"},
    };
    for (const auto& c : cases) {
        auto layers = small_area();
        AreaRequest r = request();
        c.change(layers, r);
        try {
            build_area_rows(layers, r);
            ADD_FAILURE() << c.what << ": accepted";
        } catch (const GisRefusal& e) {
            const std::string m = e.what();
            EXPECT_EQ(m.rfind(c.file, 0), 0u) << c.what << ": " << m;
            EXPECT_NE(m.find(c.reason), std::string::npos) << c.what << ": " << m;
        }
    }
}

TEST(AreaRows, NamesAndTextsAreCountedInCharactersNotBytes) {
    AreaRequest r = request();
    r.name.clear();
    for (int k = 0; k < 255; ++k) r.name += "\xc3\xa4";  // 255 x a-umlaut, 510 bytes
    auto layers = small_area();
    layers.push_back(layer("zone.tif", "subclassification", filled(0)));
    layers.back().categories = {std::string(32, 'x') + [] {
        std::string s;
        for (int k = 0; k < 32; ++k) s += "\xc3\xbc";
        return s;
    }()};
    EXPECT_EQ(build_area_rows(layers, r).name, r.name);
    r.name += "a";
    EXPECT_THROW(build_area_rows(layers, r), GisRefusal);
}

TEST(AreaRows, LayersWithoutAnyCoordinateSystemAreAcceptedWithANotice) {
    auto layers = small_area();
    for (auto& l : layers) l.geometry.spatial_reference.clear();
    EXPECT_NE(check_layers(layers).find("none of the layers has a coordinate system"), std::string::npos);
    EXPECT_EQ(check_layers(small_area()), "");
    const AreaSummary s = summarise(small_area());
    EXPECT_EQ(s.cells_with_data, 10);
    EXPECT_EQ(s.cell_size, 25.0);
}

TEST(AreaRows, PolygonLayersNeedARasterAndShareItsCoordinateSystem) {
    auto layers = small_area();
    for (auto& l : layers) l.from_polygons = true;
    EXPECT_THROW(check_layers(layers), GisRefusal);
    layers = small_area();
    layers[1].from_polygons = true;
    layers[1].geometry.transform[0] = 0;  // a polygon layer lies on the raster's grid, whatever it reports
    EXPECT_NO_THROW(check_layers(layers));
}

TEST(AreaRows, ContourVerticesOnTheGrid) {
    GridGeometry g = small_area()[0].geometry;
    EXPECT_EQ(contour_on_grid({{1000, 2000}, {1100, 2000}, {1100, 1925}, {1100, 1925.2}, {1000, 2000}}, g),
              (std::vector<ContourVertex>{{0, 0}, {4, 0}, {4, 3}, {0, 0}}));
    // Points whose grid coordinates leave the INT range are refused, not wrapped.
    for (const auto& [x, y] : {std::pair{1e11, 2000.0}, std::pair{1000.0, -1e11}, std::pair{1000.0, double(INFINITY)}}) {
        try {
            contour_on_grid({{1000, 2000}, {x, y}}, g, "outline.gpkg");
            ADD_FAILURE() << x << ", " << y << ": accepted";
        } catch (const GisRefusal& e) {
            EXPECT_NE(std::string(e.what()).find("outline.gpkg: the point"), std::string::npos) << e.what();
        }
    }
}

}  // namespace
}  // namespace pravel::gis
