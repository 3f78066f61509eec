#include "ui/result_export.h"

#include <QFileDialog>
#include <QFileInfo>

#include "common/notifier.h"
#include "gis/gis_export.h"
#include "map/map_render.h"
#include "store/database_access.h"
#include "ui/map_views.h"

namespace pravel {

std::optional<ShownResults> results_shown_by(MapView* view) {
    if (!view || view->repaintCount() == 0 || view->lastOutcome().nothing_to_show()) return std::nullopt;
    ShownResults shown;
    if (qobject_cast<Cvisualisierung*>(view)) {
        shown.configuration = configuration_map_selection().id;
    } else if (qobject_cast<visdireckt*>(view)) {
        if (!view->panel() || !view->panel()->options().all_measures) shown.measure = result_map_selection().id;
    } else {
        return std::nullopt;
    }
    return shown;
}

bool export_map_results(QWidget* parent, MapView* view, std::function<QString()> choose) {
    const std::optional<ShownResults> shown = results_shown_by(view);
    if (!shown) {
        notifier().inform("Open a map that shows results first (Visualisization > Map, or Visualize).");
        return false;
    }
    if (!choose) {
        choose = [parent] {
            QString selected;
            QString path = QFileDialog::getSaveFileName(parent, "Export results", QString(), kResultExportFilters,
                                                        &selected);
            // The extension follows the chosen filter when none was typed.
            if (!path.isEmpty() && QFileInfo(path).suffix().isEmpty()) {
                path += selected.startsWith("GeoPackage") ? ".gpkg" : selected.startsWith("CSV") ? ".csv" : ".tif";
            }
            return path;
        };
    }
    const QString path = choose();
    if (path.isEmpty()) return false;
    gis::ResultExportOptions options;
    options.configuration = shown->configuration;
    options.measure = shown->measure;
    options.out = path.toStdString();
    try {
        DatabaseAccess db;
        const long long n = gis::export_results(db, options);
        notifier().inform(std::to_string(n) + " pixel results written to " + options.out);
        return true;
    } catch (const gis::GisRefusal& e) {
        notifier().inform(e.what());
        return false;
    }
}

}  // namespace pravel
