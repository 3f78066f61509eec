#include "gis/area_rows.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <set>
#include <sstream>

#include "gis/layer_values.h"
#include "gis/outline.h"

namespace pravel::gis {

namespace {

constexpr const char* kLandUse = "land_use_type";

bool within_int(double v) {
    return std::isfinite(v) && v >= static_cast<double>(std::numeric_limits<int>::min()) &&
           v <= static_cast<double>(std::numeric_limits<int>::max());
}

bool near(double a, double b, double scale) { return std::fabs(a - b) <= 1e-6 * std::max(1.0, std::fabs(scale)); }

const GridLayer* first_raster(const std::vector<GridLayer>& layers) {
    for (const auto& l : layers) {
        if (!l.from_polygons) return &l;
    }
    return nullptr;
}

const GridLayer* layer_of(const std::vector<GridLayer>& layers, const std::string& column) {
    for (const auto& l : layers) {
        if (l.column == column) return &l;
    }
    return nullptr;
}

// Grids of two layers name the same place when both or neither have a
// coordinate system, and equal texts or equal definitions (the reader
// normalises the text) when they do.
bool same_reference(const GridGeometry& a, const GridGeometry& b) {
    return a.spatial_reference == b.spatial_reference;
}

void check_own_grid(const GridLayer& l) {
    const GridGeometry& g = l.geometry;
    if (g.rows <= 0 || g.columns <= 0) throw GisRefusal(l.file + ": the layer has no cells");
    if (g.transform[2] != 0.0 || g.transform[4] != 0.0) {
        throw GisRefusal(l.file + ": the grid is rotated; only north-up grids can be imported");
    }
    const double w = std::fabs(g.cell_width()), h = std::fabs(g.cell_height());
    if (!near(w, h, w)) {
        throw GisRefusal(l.file + ": the cells are not square (" + number_text(w) + " x " + number_text(h) + ")");
    }
    if (g.geographic) {
        throw GisRefusal(l.file + ": the coordinates are in degrees; a study area needs a projected coordinate "
                                  "system in metres");
    }
    if (!near(g.linear_unit_metres, 1.0, 1.0)) {
        throw GisRefusal(l.file + ": the coordinate system is not in metres (one unit is " +
                         number_text(g.linear_unit_metres) + " m)");
    }
    if (w < 1.0 || !near(w, std::round(w), w)) {
        throw GisRefusal(l.file + ": the cell size " + number_text(w) + " m is not a whole number of metres");
    }
    check_grid_size(g.rows, g.columns, l.file);
    // The map coordinates of the cells are stored as integers.
    const double corners_x[] = {g.transform[0], g.transform[0] + g.columns * g.transform[1]};
    const double corners_y[] = {g.transform[3], g.transform[3] + g.rows * g.transform[5]};
    for (double x : corners_x) {
        for (double y : corners_y) {
            if (!within_int(x) || !within_int(y)) {
                throw GisRefusal(l.file + ": the corner (" + number_text(x) + ", " + number_text(y) +
                                 ") of the grid lies beyond the range of the stored coordinates (whole numbers of "
                                 "the INT range)");
            }
        }
    }
}

void check_same_grid(const GridLayer& l, const GridLayer& first) {
    const GridGeometry& g = l.geometry;
    const GridGeometry& f = first.geometry;
    const std::string against = " differs from that of " + first.file;
    if (g.rows != f.rows || g.columns != f.columns) {
        throw GisRefusal(l.file + ": the size " + std::to_string(g.rows) + " x " + std::to_string(g.columns) +
                         against + " (" + std::to_string(f.rows) + " x " + std::to_string(f.columns) + ")");
    }
    if (!near(g.cell_width(), f.cell_width(), f.cell_width()) ||
        !near(g.cell_height(), f.cell_height(), f.cell_height())) {
        throw GisRefusal(l.file + ": the cell size " + number_text(std::fabs(g.cell_width())) + " m" + against +
                         " (" + number_text(std::fabs(f.cell_width())) + " m)");
    }
    if (!near(g.transform[0], f.transform[0], f.cell_width()) ||
        !near(g.transform[3], f.transform[3], f.cell_width())) {
        throw GisRefusal(l.file + ": the origin (" + number_text(g.transform[0]) + ", " +
                         number_text(g.transform[3]) + ")" + against + " (" + number_text(f.transform[0]) + ", " +
                         number_text(f.transform[3]) + ")");
    }
}

}  // namespace

std::string check_layers(const std::vector<GridLayer>& layers) {
    std::set<std::string> seen;
    for (const auto& l : layers) {
        if (!find_pixel_column(l.column)) {
            throw GisRefusal(l.file + ": unknown column \"" + l.column + "\" (not a data column of table pixel)");
        }
        if (!seen.insert(l.column).second) {
            throw GisRefusal(l.file + ": column " + l.column + " is given more than one layer");
        }
    }
    const GridLayer* first = first_raster(layers);
    if (!first) {
        throw GisRefusal(layers.empty() ? std::string("no layers: give at least a land_use_type layer")
                                        : layers.front().file + ": at least one layer must be a raster; polygon "
                                                                "layers are rasterised onto its grid");
    }
    if (!layer_of(layers, kLandUse)) {
        throw GisRefusal(first->file + ": no land_use_type layer; it decides which cells become pixels");
    }
    check_own_grid(*first);
    bool any_reference = false, any_without = false;
    for (const auto& l : layers) {
        if (!l.from_polygons) {
            check_own_grid(l);
            check_same_grid(l, *first);
        }
        (l.geometry.spatial_reference.empty() ? any_without : any_reference) = true;
    }
    for (const auto& l : layers) {
        if (any_reference && (l.geometry.spatial_reference.empty() || !same_reference(l.geometry, first->geometry))) {
            throw GisRefusal(l.file + ": the coordinate system differs from that of " + first->file);
        }
    }
    if (!any_reference && any_without) {
        return "none of the layers has a coordinate system; the study area is imported without one";
    }
    return {};
}

const GridGeometry& area_grid(const std::vector<GridLayer>& layers) {
    const GridLayer* first = first_raster(layers);
    if (!first) throw GisRefusal("no raster layer");
    return first->geometry;
}

std::vector<char> cells_with_data(const std::vector<GridLayer>& layers) {
    const GridLayer* land_use = layer_of(layers, kLandUse);
    return land_use ? land_use->has_data : std::vector<char>{};
}

AreaSummary summarise(const std::vector<GridLayer>& layers) {
    AreaSummary s;
    s.notice = check_layers(layers);
    const GridGeometry& g = area_grid(layers);
    s.rows = g.rows;
    s.columns = g.columns;
    s.cell_size = std::fabs(g.cell_width());
    s.spatial_reference = g.spatial_reference;
    for (char c : cells_with_data(layers)) s.cells_with_data += c ? 1 : 0;
    return s;
}

StudyAreaRows build_area_rows(const std::vector<GridLayer>& layers, const AreaRequest& request) {
    check_area_name(request.name);
    if (request.growth_start < 1 || request.growth_start > 48) {
        throw GisRefusal("the start of growth " + std::to_string(request.growth_start) +
                         " is not a quarter month (1..48)");
    }
    check_layers(layers);
    const GridGeometry& grid = area_grid(layers);
    for (const auto& l : layers) {
        if (l.values.size() != static_cast<std::size_t>(grid.rows) * grid.columns ||
            l.has_data.size() != l.values.size()) {
            throw GisRefusal(l.file + ": the layer does not cover the grid of the first raster");
        }
    }
    StudyAreaRows area;
    area.name = request.name;
    area.growth_start = request.growth_start;
    area.rows = grid.rows;
    area.columns = grid.columns;
    area.pixel_lenght_x = static_cast<int>(std::lround(std::fabs(grid.cell_width())));
    area.pixel_lenght_y = static_cast<int>(std::lround(std::fabs(grid.cell_height())));

    // Columns in table order, whatever the order of the layers.
    std::vector<const GridLayer*> sources;
    std::vector<const PixelColumn*> kinds;
    for (const auto& c : pixel_data_columns()) {
        if (const GridLayer* l = layer_of(layers, c.name)) {
            area.value_columns.emplace_back(c.name);
            sources.push_back(l);
            kinds.push_back(&c);
        }
    }
    const GridLayer* type1 = layer_of(layers, "grasslandtyp1");
    const GridLayer* type2 = layer_of(layers, "grasslandtyp2");
    const bool derive_count = !layer_of(layers, "number_of_grassland_types") && (type1 || type2);
    if (derive_count) area.value_columns.emplace_back("number_of_grassland_types");

    const std::set<int> types(request.grassland_types.begin(), request.grassland_types.end());
    const std::vector<char> mask = cells_with_data(layers);
    for (int i = 0; i < grid.rows; ++i) {
        for (int j = 0; j < grid.columns; ++j) {
            const std::size_t c = static_cast<std::size_t>(i) * grid.columns + j;
            if (!mask[c]) continue;
            StudyAreaPixel p;
            p.matrix_i = i;
            p.matrix_j = j;
            p.x_coordinate = std::llround(grid.centre_x(i, j));
            p.y_coordinate = std::llround(grid.centre_y(i, j));
            p.values.reserve(area.value_columns.size());
            int t1 = 0, t2 = 0;
            for (std::size_t k = 0; k < sources.size(); ++k) {
                const GridLayer& l = *sources[k];
                // A cell the land use covers but another layer does not gets
                // the column's default.
                if (!l.has_data[c]) {
                    p.values.emplace_back(kinds[k]->kind == PixelColumnKind::Text ? "" : "0");
                    continue;
                }
                p.values.push_back(cell_value_text(l.file, *kinds[k], l.values[c], i, j, l.categories, types));
                if (&l == type1) t1 = std::stoi(p.values.back());
                if (&l == type2) t2 = std::stoi(p.values.back());
            }
            if (derive_count) p.values.push_back(std::to_string(t1 != 0 ? (t2 != 0 ? 2 : 1) : 0));
            area.pixels.push_back(std::move(p));
        }
    }
    if (area.pixels.empty()) {
        throw GisRefusal(layer_of(layers, kLandUse)->file + ": the land_use_type layer has no cell with data");
    }
    area.contour = request.contour ? *request.contour : trace_outline(mask, grid.rows, grid.columns);

    Georeference g;
    g.spatial_reference = grid.spatial_reference;
    g.origin_x = grid.transform[0];
    g.origin_y = grid.transform[3];
    g.cell_width = grid.transform[1];
    g.cell_height = grid.transform[5];
    for (const auto& l : layers) g.layer_columns.push_back(l.column);
    area.georeference = g;
    return area;
}

std::vector<ContourVertex> contour_on_grid(const std::vector<std::pair<double, double>>& ring,
                                           const GridGeometry& grid, const std::string& file) {
    std::vector<ContourVertex> out;
    for (const auto& [x, y] : ring) {
        const double column = std::round((x - grid.transform[0]) / grid.transform[1]);
        const double row = std::round((y - grid.transform[3]) / grid.transform[5]);
        if (!within_int(column) || !within_int(row)) {
            throw GisRefusal((file.empty() ? std::string("the contour") : file) + ": the point (" + number_text(x) +
                             ", " + number_text(y) + ") lies beyond the range of grid coordinates (column " +
                             number_text(column) + ", row " + number_text(row) + ")");
        }
        ContourVertex v{static_cast<int>(column), static_cast<int>(row)};
        if (out.empty() || !(out.back() == v)) out.push_back(v);
    }
    return out;
}

}  // namespace pravel::gis
