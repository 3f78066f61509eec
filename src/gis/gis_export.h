#pragma once
// Writing a study area's layers and analysis results where each pixel lies.
#include <optional>
#include <string>
#include <vector>

#include "gis/gdal_io.h"
#include "store/result_reading.h"
#include "store/study_area_store.h"

namespace pravel {
class DatabaseAccess;
}

namespace pravel::gis {

// The grid of a stored area: its stored georeference, or, for an area that
// was not imported, cells of its pixel length placed so that each pixel's
// coordinates are its cell's centre, without a coordinate system.
GridGeometry export_grid(const AreaGrid& grid);

// One band per column (the imported ones, or every data column for an area
// that was not imported), named after the column, no data outside pixels. A
// text column whose values are all integers is written as those integers,
// any other as codes with the texts as the band's category names.
std::vector<OutputBand> area_bands(const StudyAreaRows& area);

// export-area: the study area as a multi-band GeoTIFF.
void export_study_area(DatabaseAccess& db, const std::string& name, const std::string& path);

enum class ResultFormat { GeoTiff, GeoPackage, Csv };
// From the file name's extension (.tif/.tiff, .gpkg, .csv); throws GisRefusal.
ResultFormat result_format(const std::string& path);

// Keeps the entries of one measure; throws GisRefusal naming the file when
// none is left.
ResultLayer only_measure(const ResultLayer& layer, int measure_id, const std::string& path);

// Fields of every entry: measureID, payment, payment - cost, one quality per
// species.
std::vector<std::string> result_field_names(const ResultLayer& layer);
std::vector<OutputBand> result_bands(const ResultLayer& layer, const GridGeometry& grid, const std::string& path);
std::vector<std::string> result_csv_lines(const ResultLayer& layer);

struct ResultExportOptions {
    std::optional<int> configuration;  // none: the latest analysis
    std::optional<int> measure;
    std::string out;
};
// Refuses (GisRefusal naming `path`) latest results that mix study areas or
// runs, or whose pixels their area no longer has, saying which.
void refuse_mixed_latest_results(const LatestResultsMix& mix, const std::string& path);

// Reads and writes; returns the number of entries written. Throws GisRefusal
// (nothing written) when there is nothing to export or it does not fit.
long long export_results(DatabaseAccess& db, const ResultExportOptions& options);
// The same for results already read.
long long write_results(DatabaseAccess& db, ResultLayer layer, const ResultExportOptions& options);

}  // namespace pravel::gis
