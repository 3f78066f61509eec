#include "ui/map_zones.h"

#include <algorithm>
#include <cstdio>

#include "policy/zones.h"
#include "store/landscape_store.h"
#include "store/zone_store.h"

namespace pravel {

std::shared_ptr<const ZoneMap> stored_configuration_zones(DatabaseAccess& db, int configurationID, int countryID,
                                                         std::string& zoning) {
    zoning.clear();
    const std::vector<ZonePaymentRow> rows = load_zone_payments(db, configurationID);
    if (rows.empty()) return nullptr;
    zoning = rows.front().zoning;
    const RasterReference raster = load_raster_reference(db, countryID);
    if (raster.number_of_rows <= 0 || raster.number_of_columns <= 0) return nullptr;
    // The cells kept with the run draw any zoning, a layer's too; a run
    // stored without them is rebuilt from its zoning's description.
    if (std::optional<ZoneCells> cells = load_zone_cells(db, configurationID)) {
        if (cells->rows != raster.number_of_rows || cells->columns != raster.number_of_columns) return nullptr;
        return std::make_shared<const ZoneMap>(zone_map(std::move(*cells), zoning));
    }
    try {
        int zone_rows = 0, zone_columns = 0;
        char tail = 0;
        if (std::sscanf(zoning.c_str(), "grid %dx%d%c", &zone_rows, &zone_columns, &tail) == 2)
            return std::make_shared<const ZoneMap>(
                grid_zones(raster.number_of_rows, raster.number_of_columns, zone_rows, zone_columns));
        const std::string column_prefix = "column ";
        if (zoning.rfind(column_prefix, 0) == 0) {
            const std::string column = zoning.substr(column_prefix.size());
            if (!zone_column_usable(column)) return nullptr;
            std::vector<CellValue> values;
            for (auto& v : load_pixel_column(db, countryID, column)) values.push_back({v.row, v.column, std::move(v.value)});
            return std::make_shared<const ZoneMap>(
                value_zones(raster.number_of_rows, raster.number_of_columns, values, zoning));
        }
    } catch (const std::invalid_argument&) {
        // A zoning that does not fit the area as it is now: nothing to draw.
    }
    return nullptr;
}

std::shared_ptr<const ZoneMap> result_map_zones(DatabaseAccess& db, int countryID, std::string& zoning) {
    std::optional<ZoneCells> cells = load_map_zone_cells(db, zoning);
    if (!cells) return nullptr;
    const RasterReference raster = load_raster_reference(db, countryID);
    if (cells->rows != raster.number_of_rows || cells->columns != raster.number_of_columns) return nullptr;
    return std::make_shared<const ZoneMap>(zone_map(std::move(*cells), zoning));
}

std::string zone_name_at(const ZoneMap& zones, int row, int column) {
    const int zone = zones.zone_at(row, column);
    if (zone < 0 || zone >= zones.zone_count()) return {};
    return zones.names[static_cast<std::size_t>(zone)];
}

std::vector<QLineF> zone_boundary_lines(const ZoneMap& zones, const MapViewport& v, int offset) {
    std::vector<QLineF> lines;
    const auto sx = [&](double column) { return v.screen_x(column + offset); };
    const auto sy = [&](double row) { return v.screen_y(row + offset); };
    const auto inside = [&](const QLineF& l) {
        return std::max(l.x1(), l.x2()) >= 0 && std::min(l.x1(), l.x2()) <= v.width && std::max(l.y1(), l.y2()) >= 0 &&
               std::min(l.y1(), l.y2()) <= v.height;
    };
    for (int i = 0; i < zones.rows; ++i)
        for (int j = 0; j < zones.columns; ++j) {
            const int here = zones.zone_at(i, j);
            if (j + 1 < zones.columns && zones.zone_at(i, j + 1) != here) {
                const QLineF l(sx(j + 1), sy(i), sx(j + 1), sy(i + 1));
                if (inside(l)) lines.push_back(l);
            }
            if (i + 1 < zones.rows && zones.zone_at(i + 1, j) != here) {
                const QLineF l(sx(j), sy(i + 1), sx(j + 1), sy(i + 1));
                if (inside(l)) lines.push_back(l);
            }
        }
    return lines;
}

}  // namespace pravel
