#pragma once
// The checks of an import and the rows it writes, computed from layers in
// memory (no GDAL, no database).
#include <optional>
#include <string>
#include <vector>

#include "gis/grid_layer.h"
#include "store/study_area_store.h"

namespace pravel::gis {

// Refuses layers that cannot make one study area: an unknown column, a column
// given twice, no land_use_type layer, no raster among the layers, rotated or
// non-square cells, a cell size that is not whole metres, coordinates not in
// metres, grids above kMaxGridCells or with map coordinates beyond the INT
// range, and rasters whose size, cell size, origin or coordinate system
// differ from the first raster's. Polygon layers must share its coordinate
// system. Returns a notice to show (layers without a coordinate system), or
// an empty text.
std::string check_layers(const std::vector<GridLayer>& layers);

// The grid every layer lies on: the first raster's.
const GridGeometry& area_grid(const std::vector<GridLayer>& layers);

// Cells that become pixels: those where the land_use_type layer has data.
std::vector<char> cells_with_data(const std::vector<GridLayer>& layers);

struct AreaSummary {
    int rows = 0;
    int columns = 0;
    double cell_size = 0.0;
    std::string spatial_reference;  // WKT or empty
    long long cells_with_data = 0;
    std::string notice;
};
AreaSummary summarise(const std::vector<GridLayer>& layers);

struct AreaRequest {
    std::string name;
    int growth_start = 0;
    std::vector<int> grassland_types;  // keys of `grasslandtype`
    // Contour vertices in raster coordinates; traced when not given.
    std::optional<std::vector<ContourVertex>> contour;
};

// Checks the name, the layers and every value against its column (see
// cell_value_text), and builds the rows of the study area. Throws GisRefusal
// naming the file at fault.
StudyAreaRows build_area_rows(const std::vector<GridLayer>& layers, const AreaRequest& request);

// Contour vertices from polygon vertices in map coordinates, on the grid.
// Refuses, naming `file`, a point whose grid coordinates leave the INT range.
std::vector<ContourVertex> contour_on_grid(const std::vector<std::pair<double, double>>& ring,
                                           const GridGeometry& grid, const std::string& file = "");

}  // namespace pravel::gis
