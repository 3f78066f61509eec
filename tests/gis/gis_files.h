#pragma once
// Small rasters and polygon layers written by the tests through GDAL itself,
// independently of the code under test.
#include <gdal_priv.h>
#include <ogr_spatialref.h>
#include <ogrsf_frmts.h>

#include <array>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "support/test_database.h"

namespace pravel::testing {

inline constexpr double kTestNoData = -1.0;
inline const double kNone = std::nan("");  // a cell without data

inline std::string wkt_of(int epsg) {
    OGRSpatialReference srs;
    srs.importFromEPSG(epsg);
    char* text = nullptr;
    srs.exportToWkt(&text);
    std::string out = text;
    CPLFree(text);
    return out;
}

struct RasterSpec {
    int rows = 3;
    int columns = 4;
    std::array<double, 6> transform{500000.0, 25.0, 0.0, 5800000.0, 0.0, -25.0};
    int epsg = 25832;  // 0: no coordinate system
    std::string driver = "GTiff";
    double no_data = kTestNoData;
    GDALDataType type = GDT_Float64;
    std::vector<std::string> categories;  // names of codes 0..n-1
};

inline std::string gis_scratch(const std::string& name) {
    const std::string dir = scratch_dir() + "/gis";
    std::filesystem::create_directories(dir);
    return dir + "/" + name;
}

// One band; NaN entries become the no-data value. An ASCII grid is written
// through a GeoTIFF in memory (its driver only copies).
inline std::string write_raster(const std::string& name, const std::vector<double>& values,
                                const RasterSpec& spec = {}, const std::string& band_name = "") {
    GDALAllRegister();
    const std::string path = gis_scratch(name);
    GDALDriver* mem = GetGDALDriverManager()->GetDriverByName("MEM");
    GDALDataset* ds = mem->Create("", spec.columns, spec.rows, 1, spec.type, nullptr);
    std::array<double, 6> t = spec.transform;
    ds->SetGeoTransform(t.data());
    if (spec.epsg) ds->SetProjection(wkt_of(spec.epsg).c_str());
    GDALRasterBand* band = ds->GetRasterBand(1);
    band->SetNoDataValue(spec.no_data);
    if (!band_name.empty()) band->SetDescription(band_name.c_str());
    if (!spec.categories.empty()) {
        std::vector<char*> names;
        for (const auto& c : spec.categories) names.push_back(const_cast<char*>(c.c_str()));
        names.push_back(nullptr);
        band->SetCategoryNames(names.data());
    }
    std::vector<double> v = values;
    for (double& x : v) {
        if (std::isnan(x)) x = spec.no_data;
    }
    EXPECT_EQ(band->RasterIO(GF_Write, 0, 0, spec.columns, spec.rows, v.data(), spec.columns, spec.rows, GDT_Float64,
                             0, 0),
              CE_None);
    std::filesystem::remove(path);
    std::filesystem::remove(path + ".aux.xml");
    GDALDriver* out = GetGDALDriverManager()->GetDriverByName(spec.driver.c_str());
    GDALDataset* copy = out->CreateCopy(path.c_str(), ds, FALSE, nullptr, nullptr, nullptr);
    EXPECT_NE(copy, nullptr);
    GDALClose(copy);
    GDALClose(ds);
    if (!spec.epsg) std::filesystem::remove(std::filesystem::path(path).replace_extension(".prj"));
    return path;
}

struct TestPolygon {
    std::vector<std::pair<double, double>> ring;  // closed or not
    double value = 0.0;
    std::string text = "";  // the value of a text field
};

// A GeoPackage of one polygon layer "zones" with one field, a real or (with
// `text_field`) a text.
inline std::string write_polygons(const std::string& name, const std::string& field,
                                  const std::vector<TestPolygon>& polygons, int epsg = 25832,
                                  bool text_field = false) {
    GDALAllRegister();
    const std::string path = gis_scratch(name);
    std::filesystem::remove(path);
    GDALDriver* driver = GetGDALDriverManager()->GetDriverByName("GPKG");
    GDALDataset* ds = driver->Create(path.c_str(), 0, 0, 0, GDT_Unknown, nullptr);
    OGRSpatialReference srs;
    if (epsg) srs.importFromEPSG(epsg);
    OGRLayer* layer = ds->CreateLayer("zones", epsg ? &srs : nullptr, wkbPolygon, nullptr);
    OGRFieldDefn defn(field.c_str(), text_field ? OFTString : OFTReal);
    layer->CreateField(&defn);
    for (const auto& p : polygons) {
        OGRFeature f(layer->GetLayerDefn());
        if (text_field) {
            f.SetField(field.c_str(), p.text.c_str());
        } else {
            f.SetField(field.c_str(), p.value);
        }
        OGRLinearRing ring;
        for (const auto& [x, y] : p.ring) ring.addPoint(x, y);
        ring.closeRings();
        OGRPolygon polygon;
        polygon.addRing(&ring);
        f.SetGeometry(&polygon);
        EXPECT_EQ(layer->CreateFeature(&f), OGRERR_NONE);
    }
    GDALClose(ds);
    return path;
}

}  // namespace pravel::testing
