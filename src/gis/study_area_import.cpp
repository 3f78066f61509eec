#include "gis/study_area_import.h"

#include "common/feedback.h"
#include "gis/layer_values.h"
#include "store/database_access.h"
#include "store/study_area_store.h"

namespace pravel::gis {

namespace {

void report(Feedback* feedback, long long step, long long total, const char* stage) {
    if (feedback) feedback->report({step, total, 0.0, 0.0, stage});
}

}  // namespace

std::vector<GridLayer> load_layers(const std::vector<LayerSource>& sources, Feedback* feedback) {
    if (sources.empty()) throw GisRefusal("no layers: give at least a land_use_type layer");
    std::vector<GridLayer> layers(sources.size());
    const GridGeometry* grid = nullptr;
    long long done = 0;
    const long long total = static_cast<long long>(sources.size());
    for (std::size_t k = 0; k < sources.size(); ++k) {
        if (!sources[k].field.empty()) continue;
        layers[k] = read_raster_layer(sources[k].file, sources[k].column);
        if (!grid) grid = &layers[k].geometry;
        report(feedback, ++done, total, "Reading layers");
    }
    for (std::size_t k = 0; k < sources.size(); ++k) {
        if (sources[k].field.empty()) continue;
        if (!grid) {
            throw GisRefusal(sources[k].file +
                             ": at least one layer must be a raster; polygon layers are rasterised onto its grid");
        }
        layers[k] = read_polygon_layer(sources[k].file, sources[k].field, sources[k].column, *grid);
        report(feedback, ++done, total, "Reading layers");
    }
    return layers;
}

ImportPreview preview_import(const std::vector<LayerSource>& sources, Feedback* feedback) {
    ImportPreview p;
    p.layers = load_layers(sources, feedback);
    p.summary = summarise(p.layers);
    return p;
}

void refuse_taken_name(DatabaseAccess& db, const ImportOptions& options) {
    // A name the tables cannot hold is refused before it reaches a statement.
    check_area_name(options.name);
    const std::optional<int> taken = find_study_area(db, options.name);
    if (!options.replace && taken) {
        throw GisRefusal("a study area named \"" + options.name + "\" already exists (use --replace to replace it)");
    }
    if (taken && !options.drop_runs) {
        std::vector<StoredRun> runs = stored_runs_on_area(db, *taken);
            if (!runs.empty()) {
            const StoredRunsError e(options.name, runs);
            throw StoredRunsRefusal(e.what(), e.runs);
        }
    }
}

ImportResult import_study_area(DatabaseAccess& db, const ImportOptions& options, Feedback* feedback) {
    // A taken name is refused before any layer is read.
    refuse_taken_name(db, options);
    return import_study_area(db, options, load_layers(options.layers, feedback), feedback);
}

ImportResult import_study_area(DatabaseAccess& db, const ImportOptions& options, const std::vector<GridLayer>& layers,
                               Feedback* feedback) {
    check_area_name(options.name);
    ImportResult result;
    result.notice = check_layers(layers);
    AreaRequest request;
    request.name = options.name;
    request.growth_start = options.growth_start;
    request.grassland_types = grassland_type_ids(db);
    if (!options.contour_file.empty()) {
        request.contour = contour_on_grid(read_contour_ring(options.contour_file, area_grid(layers)), area_grid(layers),
                                          options.contour_file);
    }
    const StudyAreaRows rows = build_area_rows(layers, request);
    try {
        result.countryID = write_study_area(db, rows, options.replace, feedback, options.drop_runs);
    } catch (const StoredRunsError& e) {
        throw StoredRunsRefusal(e.what(), e.runs);
    } catch (const StudyAreaError& e) {
        throw GisRefusal(e.what());
    }
    result.pixels = static_cast<long long>(rows.pixels.size());
    result.contour_points = static_cast<long long>(rows.contour.size());
    return result;
}

}  // namespace pravel::gis
