#pragma once
// "Export results...": the results the active map shows, written where each
// pixel lies as a GeoTIFF, GeoPackage or CSV file.
#include <QString>

#include <functional>
#include <optional>

class QWidget;

namespace pravel {

class MapView;

// What a map view shows: a stored configuration (configuration map) or the
// latest analysis, of one measure or of all (result map).
struct ShownResults {
    std::optional<int> configuration;
    std::optional<int> measure;
};
// Nothing when the view shows no results.
std::optional<ShownResults> results_shown_by(MapView* view);

// The save dialog's filters.
inline constexpr const char* kResultExportFilters =
    "GeoTIFF (*.tif);;GeoPackage (*.gpkg);;CSV (*.csv)";

// Asks for the file (through `choose`, a save dialog by default; empty text
// cancels), writes the results of `view` and reports the outcome through the
// notifier. True when a file was written.
bool export_map_results(QWidget* parent, MapView* view, std::function<QString()> choose = {});

}  // namespace pravel
