#pragma once
// Reading layers and writing grids and features through GDAL/OGR.
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "gis/grid_layer.h"
#include "store/study_area_store.h"

namespace pravel::gis {

// One --layer argument: COLUMN=FILE, or COLUMN=FILE:FIELD for a polygon layer
// whose attribute FIELD is rasterised onto the grid.
struct LayerSource {
    std::string column;
    std::string file;
    std::string field;  // empty for a raster
};
// Throws GisRefusal for text without "=".
LayerSource parse_layer_argument(const std::string& argument);
// FILE or FILE:FIELD alone (the column left empty), split as in a --layer
// argument: a file that exists under the whole name is taken as it is.
LayerSource parse_layer_file(const std::string& text);

// Reads the band of `file` whose description is `column`, or its only band.
GridLayer read_raster_layer(const std::string& file, const std::string& column);
// Rasterises attribute `field` of the polygons of `file` onto `grid` (a cell
// takes the value of the polygon that covers its centre).
GridLayer read_polygon_layer(const std::string& file, const std::string& field, const std::string& column,
                             const GridGeometry& grid);
// A layer laid on a study area's grid (zones, for one): FILE is a raster on
// that grid itself (the same rows, columns, origin and cell size, and the
// same coordinate system where both have one), FILE:FIELD a polygon layer
// whose attribute FIELD is rasterised onto the grid. Throws GisRefusal,
// naming the file, for a raster on another grid, a polygon layer in another
// coordinate system, a missing field or a file that cannot be read.
GridLayer read_layer_on_grid(const std::string& text, const GridGeometry& grid);

// The exterior ring of the largest polygon of `file`, in map coordinates,
// after checking that the file's coordinate system is the grid's.
std::vector<std::pair<double, double>> read_contour_ring(const std::string& file, const GridGeometry& grid);

// Every band of `file` that is named after a pixel data column, with the
// column as its name: the layers of an area exported as a GeoTIFF.
std::vector<LayerSource> bands_named_after_columns(const std::string& file);

// Well-known text of a coordinate system given as "EPSG:n", WKT or any text
// GDAL understands; empty text stays empty. Throws GisRefusal.
std::string spatial_reference_text(const std::string& definition);
// A short name of a coordinate system (its name and authority code).
std::string spatial_reference_name(const std::string& wkt);

// A band to write: values row by row, `no_data` where a cell has none.
struct OutputBand {
    std::string description;
    std::vector<double> values;
    std::vector<std::string> categories;  // names of codes 0..n-1, if a coded text
    std::vector<std::pair<std::string, std::string>> metadata;
};
inline constexpr double kNoData = -9999.0;

// Writes a multi-band GeoTIFF (64-bit reals, compressed). The file appears
// only when it has been written completely.
void write_geotiff(const std::string& path, const GridGeometry& grid, const std::vector<OutputBand>& bands);

// A polygon layer of one square per entry, with integer and real fields.
struct OutputField {
    std::string name;
    bool integer = false;
};
struct OutputFeature {
    int row = 0;
    int column = 0;
    std::vector<std::optional<double>> values;  // per field
};
void write_geopackage(const std::string& path, const std::string& layer_name, const GridGeometry& grid,
                      const std::vector<OutputField>& fields, const std::vector<OutputFeature>& features);

// Reads every band of a GeoTIFF back (tests, checks).
struct ReadBand {
    std::string description;
    std::vector<double> values;
    std::optional<double> no_data;
    std::vector<std::string> categories;
};
std::vector<ReadBand> read_all_bands(const std::string& path, GridGeometry* grid = nullptr);

}  // namespace pravel::gis
