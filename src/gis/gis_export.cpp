#include "gis/gis_export.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <map>
#include <set>

#include "common/atomic_file.h"
#include "gis/layer_values.h"
#include "store/database_access.h"

namespace pravel::gis {

namespace {

std::string lower_extension(const std::string& path) {
    std::string ext = std::filesystem::path(path).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    return ext;
}

// Shortest text that reads back as the same double.
std::string shortest(double v) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

bool is_integer_text(const std::string& s) {
    if (s.empty()) return false;
    long long v = 0;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    return r.ec == std::errc() && r.ptr == s.data() + s.size() && std::to_string(v) == s;
}

void check_inside(const GridGeometry& grid, int row, int column, const std::string& path) {
    if (row < 0 || column < 0 || row >= grid.rows || column >= grid.columns) {
        throw GisRefusal(path + ": a pixel at row " + std::to_string(row) + ", column " + std::to_string(column) +
                         " lies outside the study area's raster (" + std::to_string(grid.rows) + " x " +
                         std::to_string(grid.columns) + ")");
    }
}

}  // namespace

GridGeometry export_grid(const AreaGrid& area) {
    GridGeometry g;
    g.rows = area.rows;
    g.columns = area.columns;
    if (area.georeference) {
        const Georeference& r = *area.georeference;
        g.transform = {r.origin_x, r.cell_width, 0.0, r.origin_y, 0.0, r.cell_height};
        g.spatial_reference = r.spatial_reference;
        return g;
    }
    const double w = area.pixel_lenght_x, h = area.pixel_lenght_y;
    double ox = 0.0, oy = 0.0;
    if (area.sample) {
        ox = static_cast<double>(area.sample->x_coordinate) - (area.sample->matrix_j + 0.5) * w;
        oy = static_cast<double>(area.sample->y_coordinate) + (area.sample->matrix_i + 0.5) * h;
    }
    g.transform = {ox, w, 0.0, oy, 0.0, -h};
    return g;
}

std::vector<OutputBand> area_bands(const StudyAreaRows& area) {
    // matrix_referenz may declare any size: refused before the bands are
    // allocated.
    check_grid_size(area.rows, area.columns, "study area \"" + area.name + "\"");
    std::vector<std::string> columns;
    if (area.georeference && !area.georeference->layer_columns.empty()) {
        columns = area.georeference->layer_columns;
    } else {
        for (const auto& c : pixel_data_columns()) columns.emplace_back(c.name);
    }
    const std::size_t cells = static_cast<std::size_t>(area.rows) * static_cast<std::size_t>(area.columns);
    std::vector<OutputBand> bands;
    for (const auto& name : columns) {
        const auto at = std::find(area.value_columns.begin(), area.value_columns.end(), name);
        if (at == area.value_columns.end()) continue;
        const std::size_t k = static_cast<std::size_t>(at - area.value_columns.begin());
        const PixelColumn* column = find_pixel_column(name);
        OutputBand band;
        band.description = name;
        band.values.assign(cells, kNoData);
        std::map<std::string, int> codes;
        if (column && column->kind == PixelColumnKind::Text) {
            bool all_integers = true;
            std::set<std::string> texts;
            for (const auto& p : area.pixels) {
                texts.insert(p.values[k]);
                all_integers = all_integers && is_integer_text(p.values[k]);
            }
            if (!all_integers) {
                for (const auto& t : texts) {
                    codes[t] = static_cast<int>(band.categories.size());
                    band.categories.push_back(t);
                }
            }
        }
        for (const auto& p : area.pixels) {
            if (p.matrix_i < 0 || p.matrix_j < 0 || p.matrix_i >= area.rows || p.matrix_j >= area.columns) {
                throw GisRefusal("study area \"" + area.name + "\": a pixel at row " + std::to_string(p.matrix_i) +
                                 ", column " + std::to_string(p.matrix_j) + " lies outside its raster");
            }
            const std::string& v = p.values[k];
            const std::size_t c = static_cast<std::size_t>(p.matrix_i) * area.columns + p.matrix_j;
            band.values[c] = codes.empty() ? std::strtod(v.c_str(), nullptr) : codes[v];
        }
        bands.push_back(std::move(band));
    }
    return bands;
}

void export_study_area(DatabaseAccess& db, const std::string& name, const std::string& path) {
    const std::string ext = lower_extension(path);
    if (ext != ".tif" && ext != ".tiff") throw GisRefusal(path + ": a study area is exported as a GeoTIFF (.tif)");
    StudyAreaRows area;
    try {
        area = read_study_area(db, name);
    } catch (const StudyAreaError& e) {
        throw GisRefusal(e.what());
    }
    const std::optional<int> id = find_study_area(db, name);
    const GridGeometry grid = export_grid(load_area_grid(db, *id));
    if (grid.rows <= 0 || grid.columns <= 0) {
        throw GisRefusal("study area \"" + name + "\" has no raster size (matrix_referenz)");
    }
    write_geotiff(path, grid, area_bands(area));
}

ResultFormat result_format(const std::string& path) {
    const std::string ext = lower_extension(path);
    if (ext == ".tif" || ext == ".tiff") return ResultFormat::GeoTiff;
    if (ext == ".gpkg") return ResultFormat::GeoPackage;
    if (ext == ".csv") return ResultFormat::Csv;
    throw GisRefusal(path + ": results are written as .tif, .gpkg or .csv");
}

ResultLayer only_measure(const ResultLayer& layer, int measure_id, const std::string& path) {
    ResultLayer out = layer;
    out.pixels.clear();
    for (const auto& p : layer.pixels) {
        if (p.measureID == measure_id) out.pixels.push_back(p);
    }
    if (out.pixels.empty()) {
        throw GisRefusal(path + ": no pixel of the results has measure " + std::to_string(measure_id));
    }
    return out;
}

std::vector<std::string> result_field_names(const ResultLayer& layer) {
    std::vector<std::string> names = {"measureID", "payment", "payment_minus_cost"};
    for (const auto& s : layer.species) names.push_back("quality_" + std::to_string(s.speciesID));
    return names;
}

namespace {

std::vector<std::optional<double>> entry_values(const ResultPixel& p) {
    std::vector<std::optional<double>> v = {static_cast<double>(p.measureID), p.payment, p.net};
    v.insert(v.end(), p.quality.begin(), p.quality.end());
    return v;
}

}  // namespace

std::vector<OutputBand> result_bands(const ResultLayer& layer, const GridGeometry& grid, const std::string& path) {
    check_grid_size(grid.rows, grid.columns, path);
    std::set<int> seen;
    for (const auto& p : layer.pixels) {
        if (!seen.insert(p.pixelID).second) {
            throw GisRefusal(path + ": pixel " + std::to_string(p.pixelID) +
                             " carries more than one measure; a GeoTIFF holds one value per cell, so choose a "
                             "measure (--measure) or write .gpkg or .csv");
        }
        check_inside(grid, p.matrix_i, p.matrix_j, path);
    }
    const std::size_t cells = static_cast<std::size_t>(grid.rows) * static_cast<std::size_t>(grid.columns);
    std::vector<OutputBand> bands(3 + layer.species.size());
    bands[0].description = "measureID";
    bands[1].description = "payment";
    bands[2].description = "payment - cost";
    for (std::size_t s = 0; s < layer.species.size(); ++s) {
        OutputBand& b = bands[3 + s];
        b.description = "quality_" + std::to_string(layer.species[s].speciesID);
        b.metadata = {{"speciesID", std::to_string(layer.species[s].speciesID)},
                      {"species_name", layer.species[s].name}};
    }
    for (auto& b : bands) b.values.assign(cells, kNoData);
    for (const auto& p : layer.pixels) {
        const std::size_t c = static_cast<std::size_t>(p.matrix_i) * grid.columns + p.matrix_j;
        const auto values = entry_values(p);
        for (std::size_t b = 0; b < bands.size(); ++b) {
            if (values[b]) bands[b].values[c] = *values[b];
        }
    }
    return bands;
}

std::vector<std::string> result_csv_lines(const ResultLayer& layer) {
    std::string head = "pixelID,row,column,x,y";
    for (const auto& f : result_field_names(layer)) head += "," + f;
    std::vector<std::string> lines = {head};
    for (const auto& p : layer.pixels) {
        std::string line = std::to_string(p.pixelID) + "," + std::to_string(p.matrix_i) + "," +
                           std::to_string(p.matrix_j) + "," + std::to_string(p.x) + "," + std::to_string(p.y) + "," +
                           std::to_string(p.measureID) + "," + shortest(p.payment) + "," + shortest(p.net);
        for (const auto& q : p.quality) line += "," + (q ? shortest(*q) : std::string());
        lines.push_back(std::move(line));
    }
    return lines;
}

long long write_results(DatabaseAccess& db, ResultLayer layer, const ResultExportOptions& options) {
    const ResultFormat format = result_format(options.out);
    if (options.measure) layer = only_measure(layer, *options.measure, options.out);
    if (layer.pixels.empty()) {
        throw GisRefusal(options.out + ": there are no per-pixel results to write" +
                         (options.configuration ? " for configuration " + std::to_string(*options.configuration)
                                                : std::string(" (results_for_viusualitsation is empty)")));
    }
    if (format == ResultFormat::Csv) {
        AtomicFile file;
        bool ok = file.open(options.out);
        for (const auto& line : result_csv_lines(layer)) {
            if (!ok) break;
            ok = file.write(line.data(), line.size()) && file.write("\n", 1);
        }
        if (!ok || !file.close()) throw GisRefusal(options.out + ": cannot be written (" + file.error() + ")");
        return static_cast<long long>(layer.pixels.size());
    }
    const GridGeometry grid = export_grid(load_area_grid(db, layer.countryID));
    if (format == ResultFormat::GeoTiff) {
        write_geotiff(options.out, grid, result_bands(layer, grid, options.out));
    } else {
        std::vector<OutputField> fields = {{"pixelID", true}};
        for (const auto& name : result_field_names(layer)) fields.push_back({name, name == "measureID"});
        std::vector<OutputFeature> features;
        for (const auto& p : layer.pixels) {
            check_inside(grid, p.matrix_i, p.matrix_j, options.out);
            OutputFeature f{p.matrix_i, p.matrix_j, {static_cast<double>(p.pixelID)}};
            const auto values = entry_values(p);
            f.values.insert(f.values.end(), values.begin(), values.end());
            features.push_back(std::move(f));
        }
        write_geopackage(options.out, "results", grid, fields, features);
    }
    return static_cast<long long>(layer.pixels.size());
}

namespace {

std::string area_text(const LatestResultsMix::Area& a) {
    return "countryID " + std::to_string(a.countryID) +
           (a.name.empty() ? std::string(" (no longer stored)") : " \"" + a.name + "\"");
}

}  // namespace

void refuse_mixed_latest_results(const LatestResultsMix& mix, const std::string& path) {
    if (mix.areas.size() > 1) {
        std::string areas;
        for (const auto& a : mix.areas) areas += (areas.empty() ? "" : ", ") + area_text(a);
        throw GisRefusal(path + ": results_for_viusualitsation holds the rows of more than one study area (" + areas +
                         "), written by analyses that ran at once; run the analysis you want to export again, "
                         "alone, and export then");
    }
    const std::string area = mix.areas.empty() ? std::string("its study area") : "study area " + area_text(mix.areas[0]);
    if (mix.repeated_entries > 0) {
        throw GisRefusal(path + ": results_for_viusualitsation holds the rows of more than one run on " + area + " (" +
                         std::to_string(mix.repeated_entries) +
                         " pixel, measure and species entries appear more than once), written by analyses that "
                         "ran at once; run the analysis you want to export again, alone, and export then");
    }
    if (mix.stale_rows > 0) {
        throw GisRefusal(path + ": the rows of results_for_viusualitsation are stale: " +
                         std::to_string(mix.stale_rows) + " of them name pixels that " + area +
                         " no longer has (it was replaced or removed after the analysis); run the analysis again "
                         "and export then");
    }
}

long long export_results(DatabaseAccess& db, const ResultExportOptions& options) {
    result_format(options.out);
    ResultLayer layer;
    if (options.configuration) {
        std::optional<ResultLayer> loaded = load_configuration_results(db, *options.configuration);
        if (!loaded) {
            throw GisRefusal(options.out + ": there is no configuration " + std::to_string(*options.configuration));
        }
        layer = std::move(*loaded);
        if (const long long stale = stale_configuration_rows(db, *options.configuration); stale > 0) {
            throw GisRefusal(options.out + ": configuration " + std::to_string(*options.configuration) +
                             " is stale: " + std::to_string(stale) +
                             " of its pixel results name pixels that its study area no longer has (the area was "
                             "replaced after the run was stored)");
        }
    } else {
        refuse_mixed_latest_results(inspect_latest_results(db), options.out);
        layer = load_latest_results(db);
    }
    return write_results(db, std::move(layer), options);
}

}  // namespace pravel::gis
