#pragma once
// Importing a study area from GIS layers: the same steps for the command-line
// tool and the desktop program.
#include <string>
#include <utility>
#include <vector>

#include "gis/area_rows.h"
#include "gis/gdal_io.h"

namespace pravel {
class DatabaseAccess;
class Feedback;
}  // namespace pravel

namespace pravel::gis {

struct ImportOptions {
    std::string name;
    int growth_start = 0;
    std::vector<LayerSource> layers;
    std::string contour_file;  // empty: the outline of the cells with data
    bool replace = false;
    bool drop_runs = false;  // with replace: delete the runs stored on the area with it
};

// A replace refused because runs are stored on the area; the caller says how
// to delete them with it.
struct StoredRunsRefusal : GisRefusal {
    StoredRunsRefusal(const std::string& what, std::vector<StoredRun> stored)
        : GisRefusal(what), runs(std::move(stored)) {}
    std::vector<StoredRun> runs;
};

// Reads the layers: the rasters in the order given, then the polygon layers
// rasterised onto the grid of the first raster.
std::vector<GridLayer> load_layers(const std::vector<LayerSource>& sources, Feedback* feedback = nullptr);

// What an import would write, without writing it (the layers are read and
// checked, values included).
struct ImportPreview {
    std::vector<GridLayer> layers;
    AreaSummary summary;
};
ImportPreview preview_import(const std::vector<LayerSource>& sources, Feedback* feedback = nullptr);

struct ImportResult {
    int countryID = 0;
    long long pixels = 0;
    long long contour_points = 0;
    std::string notice;  // e.g. layers without a coordinate system
};

// Refuses a name that is taken, unless the options replace that area, and a
// replace of an area with stored runs unless they are dropped with it.
void refuse_taken_name(DatabaseAccess& db, const ImportOptions& options);

// Reads, checks and writes the area in one transaction. Throws GisRefusal
// (nothing written) for anything that does not make a study area.
ImportResult import_study_area(DatabaseAccess& db, const ImportOptions& options, Feedback* feedback = nullptr);
// The same on layers already read.
ImportResult import_study_area(DatabaseAccess& db, const ImportOptions& options, const std::vector<GridLayer>& layers,
                               Feedback* feedback = nullptr);

}  // namespace pravel::gis
