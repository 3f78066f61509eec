#include "policy/zones.h"

#include <cmath>
#include <sstream>
#include <stdexcept>
#include <unordered_map>

#include "store/zone_store.h"

namespace pravel {

int ZoneMap::zone_at(int row, int column) const {
    if (row < 0 || column < 0 || row >= rows || column >= columns) return -1;
    return cell_zone[static_cast<std::size_t>(row) * static_cast<std::size_t>(columns) +
                     static_cast<std::size_t>(column)];
}

ZoneMap grid_zones(int rows, int columns, int zone_rows, int zone_columns) {
    if (zone_rows < 1 || zone_columns < 1)
        throw std::invalid_argument("a zone grid needs at least one row and one column of zones");
    if (zone_rows > rows || zone_columns > columns)
        throw std::invalid_argument("a zone grid of " + std::to_string(zone_rows) + "x" +
                                    std::to_string(zone_columns) + " does not fit the raster of " +
                                    std::to_string(rows) + "x" + std::to_string(columns) + " cells");
    ZoneMap z;
    z.rows = rows;
    z.columns = columns;
    z.description = "grid " + std::to_string(zone_rows) + "x" + std::to_string(zone_columns);
    for (int i = 0; i < zone_rows; ++i)
        for (int j = 0; j < zone_columns; ++j) z.names.push_back("r" + std::to_string(i + 1) + "c" + std::to_string(j + 1));
    z.cell_zone.resize(static_cast<std::size_t>(rows) * static_cast<std::size_t>(columns));
    for (int r = 0; r < rows; ++r) {
        const long long zr = static_cast<long long>(r) * zone_rows / rows;
        for (int c = 0; c < columns; ++c) {
            const long long zc = static_cast<long long>(c) * zone_columns / columns;
            z.cell_zone[static_cast<std::size_t>(r) * static_cast<std::size_t>(columns) + static_cast<std::size_t>(c)] =
                static_cast<int>(zr * zone_columns + zc);
        }
    }
    return z;
}

ZoneMap value_zones(int rows, int columns, const std::vector<CellValue>& values, std::string description) {
    ZoneMap z;
    z.rows = rows;
    z.columns = columns;
    z.description = std::move(description);
    z.cell_zone.assign(static_cast<std::size_t>(rows) * static_cast<std::size_t>(columns), -1);
    std::unordered_map<std::string, int> index;
    for (const CellValue& v : values) {
        if (v.row < 0 || v.column < 0 || v.row >= rows || v.column >= columns) continue;
        auto [it, added] = index.emplace(v.value, z.zone_count());
        if (added) z.names.push_back(v.value.empty() ? "(empty)" : v.value);
        z.cell_zone[static_cast<std::size_t>(v.row) * static_cast<std::size_t>(columns) +
                    static_cast<std::size_t>(v.column)] = it->second;
    }
    return z;
}

ZoneMap layer_zones(int rows, int columns, const std::vector<double>& values, const std::vector<char>& has_data,
                    const std::vector<std::string>& categories, std::string description) {
    std::vector<CellValue> cells;
    std::unordered_map<double, std::string> names;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c) {
            const std::size_t i = static_cast<std::size_t>(r) * static_cast<std::size_t>(columns) + static_cast<std::size_t>(c);
            if (i >= values.size() || i >= has_data.size() || !has_data[i] || !std::isfinite(values[i])) continue;
            const double v = values[i];
            auto [it, added] = names.emplace(v, std::string());
            if (added) {
                if (v == std::floor(v) && v >= 0.0 && v < static_cast<double>(categories.size()) &&
                    !categories[static_cast<std::size_t>(v)].empty()) {
                    it->second = categories[static_cast<std::size_t>(v)];
                } else {
                    std::ostringstream text;
                    text.precision(15);
                    text << v;
                    it->second = text.str();
                }
            }
            cells.push_back({r, c, it->second});
        }
    return value_zones(rows, columns, cells, std::move(description));
}

ZoneCells zone_cells(const ZoneMap& zones) {
    return {zones.rows, zones.columns, zones.names, zones.cell_zone};
}

ZoneMap zone_map(ZoneCells cells, std::string description) {
    ZoneMap z;
    z.rows = cells.rows;
    z.columns = cells.columns;
    z.cell_zone = std::move(cells.cell_zone);
    z.names = std::move(cells.names);
    z.description = std::move(description);
    return z;
}

bool refines(const ZoneMap& fine, const ZoneMap& coarse, std::vector<int>& parent) {
    parent.assign(static_cast<std::size_t>(fine.zone_count()), -1);
    if (fine.rows != coarse.rows || fine.columns != coarse.columns) return false;
    for (std::size_t c = 0; c < fine.cell_zone.size(); ++c) {
        const int f = fine.cell_zone[c];
        if (f < 0) continue;
        const int p = coarse.cell_zone[c];
        if (p < 0) return false;
        int& known = parent[static_cast<std::size_t>(f)];
        if (known < 0)
            known = p;
        else if (known != p)
            return false;
    }
    return true;
}

ZonedArea split_by_zone(const EvaluatedArea& area, const ZoneMap& zones) {
    ZonedArea z;
    z.measures = static_cast<int>(area.lists.size());
    // Candidates outside every zone get a zone of their own.
    bool outside = false;
    for (const auto& list : area.lists)
        for (const PixelResult& r : list)
            if (zones.zone_at(r.row, r.column) < 0) outside = true;
    z.zone_names = zones.names;
    if (outside) z.zone_names.push_back("(no zone)");
    z.zones = static_cast<int>(z.zone_names.size());
    const int none = zones.zone_count();

    z.area.raster_rows = area.raster_rows;
    z.area.raster_columns = area.raster_columns;
    z.area.pixel_area = area.pixel_area;
    z.area.lists.resize(static_cast<std::size_t>(z.measures) * static_cast<std::size_t>(z.zones));
    for (int m = 0; m < z.measures; ++m)
        for (int k = 0; k < z.zones; ++k) z.keys.push_back({m, k});
    for (int m = 0; m < z.measures; ++m) {
        for (const PixelResult& r : area.lists[static_cast<std::size_t>(m)]) {
            int zone = zones.zone_at(r.row, r.column);
            if (zone < 0) zone = none;
            z.area.lists[static_cast<std::size_t>(z.key(m, zone))].push_back(r);
        }
    }
    return z;
}

}  // namespace pravel
