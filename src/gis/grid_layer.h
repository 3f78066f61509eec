#pragma once
// A raster layer in memory: its grid, its values and where it came from.
#include <array>
#include <cstddef>
#include <stdexcept>
#include <string>
#include <vector>

namespace pravel::gis {

// A refused import or export. The message names the file at fault; nothing
// was written.
struct GisRefusal : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct GridGeometry {
    int rows = 0;
    int columns = 0;
    // Affine geotransform: x = t[0] + column * t[1] + row * t[2],
    //                      y = t[3] + column * t[4] + row * t[5].
    std::array<double, 6> transform{0.0, 1.0, 0.0, 0.0, 0.0, -1.0};
    std::string spatial_reference;  // WKT; empty when the layer has none
    bool geographic = false;        // coordinates in degrees
    double linear_unit_metres = 1.0;

    double cell_width() const { return transform[1]; }
    double cell_height() const { return transform[5]; }
    // Centre of a cell in map coordinates.
    double centre_x(int row, int column) const {
        return transform[0] + (column + 0.5) * transform[1] + (row + 0.5) * transform[2];
    }
    double centre_y(int row, int column) const {
        return transform[3] + (column + 0.5) * transform[4] + (row + 0.5) * transform[5];
    }
};

// One layer resampled to (or read on) a grid: one value per cell, row by row
// from the top; `has_data` is false where the layer has no value.
struct GridLayer {
    std::string file;    // as the user named it
    std::string column;  // the pixel column it fills
    bool from_polygons = false;
    GridGeometry geometry;
    std::vector<double> values;
    std::vector<char> has_data;
    // Names of the integer codes of a categorised band (code k -> name k).
    std::vector<std::string> categories;

    std::size_t index(int row, int column) const {
        return static_cast<std::size_t>(row) * static_cast<std::size_t>(geometry.columns) +
               static_cast<std::size_t>(column);
    }
};

}  // namespace pravel::gis
