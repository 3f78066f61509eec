#include "store/zone_store.h"

#include <cppconn/resultset.h>

#include <cstdlib>
#include <sstream>
#include <stdexcept>

#include "common/sql_text.h"
#include "store/database_access.h"
#include "store/study_area_store.h"

namespace pravel {

bool zone_column_usable(const std::string& column) {
    const PixelColumn* c = find_pixel_column(column);
    return c && (c->kind == PixelColumnKind::Text || c->kind == PixelColumnKind::Integer ||
                 c->kind == PixelColumnKind::Flag);
}

std::vector<PixelColumnValue> load_pixel_column(DatabaseAccess& db, int country_id, const std::string& column) {
    if (!zone_column_usable(column))
        throw std::invalid_argument("\"" + column + "\" is no text or integer column of the pixels");
    std::vector<PixelColumnValue> out;
    // The name is one of the table's own columns, checked above.
    db.query(SqlText() << "SELECT matrix_i, matrix_j, `" << column << "` AS zone_value FROM pixel WHERE countryID = "
                       << country_id << " ORDER BY matrix_i, matrix_j",
             [&](sql::ResultSet& rs) {
                 out.push_back({rs.getInt("matrix_i"), rs.getInt("matrix_j"), rs.getString("zone_value")});
             });
    return out;
}

void store_zone_payments(DatabaseAccess& db, int configuration_id, const std::vector<ZonePaymentRow>& rows) {
    if (rows.empty()) return;
    Transaction t(db);
    SqlText s;
    s << "INSERT INTO configuration_zone_payment (configurationID, measureID, zoning, zone, payment, participants, "
         "area) VALUES ";
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const ZonePaymentRow& r = rows[i];
        s << (i ? ", " : "") << "(" << configuration_id << ", " << r.measureID << ", '" << SqlValue{r.zoning} << "', '"
          << SqlValue{r.zone} << "', " << r.payment << ", " << r.participants << ", " << r.area << ")";
    }
    db.update(s);
    t.commit();
}

std::vector<ZonePaymentRow> load_zone_payments(DatabaseAccess& db, int configuration_id) {
    std::vector<ZonePaymentRow> out;
    db.query(SqlText() << "SELECT * FROM configuration_zone_payment WHERE configurationID = " << configuration_id,
             [&](sql::ResultSet& rs) {
                 ZonePaymentRow r;
                 r.configurationID = rs.getInt("configurationID");
                 r.measureID = rs.getInt("measureID");
                 r.zoning = rs.getString("zoning");
                 r.zone = rs.getString("zone");
                 r.payment = rs.getDouble("payment");
                 r.participants = rs.getInt("participants");
                 r.area = rs.getDouble("area");
                 out.push_back(r);
             });
    return out;
}

std::string encode_zone_runs(const std::vector<int>& cell_zone, int zone) {
    std::string text;
    const std::size_t n = cell_zone.size();
    for (std::size_t i = 0; i < n;) {
        if (cell_zone[i] != zone) {
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < n && cell_zone[end] == zone) ++end;
        if (!text.empty()) text += ' ';
        text += std::to_string(i) + ':' + std::to_string(end - i);
        i = end;
    }
    return text;
}

std::vector<std::string> zone_run_chunks(const std::vector<int>& cell_zone, int zone, std::size_t most_chars) {
    const std::string text = encode_zone_runs(cell_zone, zone);
    std::vector<std::string> out;
    std::size_t from = 0;
    while (text.size() - from > most_chars) {
        // The last blank within the limit; a run longer than the limit
        // goes whole.
        std::size_t cut = text.rfind(' ', from + most_chars);
        if (cut == std::string::npos || cut <= from) cut = text.find(' ', from + 1);
        if (cut == std::string::npos) break;
        out.push_back(text.substr(from, cut - from));
        from = cut + 1;
    }
    out.push_back(text.substr(from));
    return out;
}

bool decode_zone_runs(const std::string& text, int zone, std::vector<int>& cell_zone) {
    std::istringstream in(text);
    std::string run;
    while (in >> run) {
        const auto colon = run.find(':');
        if (colon == std::string::npos) return false;
        char* end = nullptr;
        const long long first = std::strtoll(run.c_str(), &end, 10);
        if (end != run.c_str() + colon) return false;
        const long long count = std::strtoll(run.c_str() + colon + 1, &end, 10);
        if (*end != '\0' || first < 0 || count < 1 || first > static_cast<long long>(cell_zone.size()) ||
            count > static_cast<long long>(cell_zone.size()) - first)
            return false;
        for (long long k = first; k < first + count; ++k) cell_zone[static_cast<std::size_t>(k)] = zone;
    }
    return true;
}

namespace {

// At most this many characters of runs in one row, so that a statement stays
// well below the server's packet limit on large areas.
constexpr std::size_t kZoneRunChunk = 1u << 19;

// A database set up before the zone cells were kept lacks their tables; its
// maps then draw as before instead of failing.
bool table_exists(DatabaseAccess& db, const std::string& table) {
    bool found = false;
    db.query(SqlText() << "SELECT COUNT(*) AS n FROM information_schema.TABLES WHERE TABLE_SCHEMA = DATABASE() AND "
                          "TABLE_NAME = '"
                       << SqlValue{table} << "'",
             [&](sql::ResultSet& rs) { found = rs.getInt("n") > 0; });
    return found;
}

// The cells of the rows of `table` that `where` selects, checked to make one
// whole raster.
std::optional<ZoneCells> load_cells(DatabaseAccess& db, const std::string& table, const std::string& where,
                                    std::string* zoning, std::string* map_rows) {
    if (!table_exists(db, table)) return std::nullopt;
    struct Row {
        int index, rows, columns;
        std::string zone, cells, zoning, map_rows;
    };
    std::vector<Row> rows;
    const bool map = zoning != nullptr;
    db.query(SqlText() << "SELECT * FROM " << table << " WHERE " << where << " ORDER BY zone_index",
             [&](sql::ResultSet& rs) {
                 rows.push_back({rs.getInt("zone_index"), rs.getInt("number_of_rows"), rs.getInt("number_of_columns"),
                                 rs.getString("zone"), rs.getString("cells"), map ? rs.getString("zoning") : "",
                                 map ? rs.getString("map_rows") : ""});
             });
    if (rows.empty()) return std::nullopt;
    ZoneCells z;
    z.rows = rows.front().rows;
    z.columns = rows.front().columns;
    if (z.rows <= 0 || z.columns <= 0 || static_cast<long long>(z.rows) * z.columns > 400'000'000LL)
        return std::nullopt;
    z.cell_zone.assign(static_cast<std::size_t>(z.rows) * static_cast<std::size_t>(z.columns), -1);
    // A zone's runs may take several rows, one after the other.
    for (const Row& r : rows) {
        const int zones = static_cast<int>(z.names.size());
        if (r.index == zones)
            z.names.push_back(r.zone);
        else if (r.index != zones - 1)
            return std::nullopt;
        if (r.rows != z.rows || r.columns != z.columns) return std::nullopt;
        if (!decode_zone_runs(r.cells, r.index, z.cell_zone)) return std::nullopt;
    }
    if (zoning) *zoning = rows.front().zoning;
    if (map_rows) *map_rows = rows.front().map_rows;
    return z;
}

// What identifies the rows of the map table: their number and whole-number
// sums of their pixels, measures, species and benefits (in cents), which a
// later analysis's rows, or an emptied table, do not repeat.
std::string map_rows_fingerprint(DatabaseAccess& db) {
    std::string text;
    db.query("SELECT CONCAT(COUNT(*), ':', COALESCE(SUM(pixelID), 0), ':', COALESCE(SUM(measureID), 0), ':', "
             "COALESCE(SUM(speciesID), 0), ':', COALESCE(SUM(CAST(ROUND(benefit * 100) AS SIGNED)), 0)) "
             "AS fingerprint FROM results_for_viusualitsation",
             [&](sql::ResultSet& rs) { text = rs.getString("fingerprint"); });
    return text;
}

}  // namespace

void store_map_zone_cells(DatabaseAccess& db, const std::string& zoning, const ZoneCells& cells) {
    Transaction t(db);
    const std::string fingerprint = map_rows_fingerprint(db);
    db.update("DELETE FROM visualisation_zone_cells");
    for (std::size_t k = 0; k < cells.names.size(); ++k)
        for (const std::string& runs : zone_run_chunks(cells.cell_zone, static_cast<int>(k), kZoneRunChunk))
            db.update(SqlText() << "INSERT INTO visualisation_zone_cells (zone_index, zone, zoning, number_of_rows, "
                                   "number_of_columns, cells, map_rows) VALUES ("
                                << k << ", '" << SqlValue{cells.names[k]} << "', '" << SqlValue{zoning} << "', "
                                << cells.rows << ", " << cells.columns << ", '" << runs << "', '" << fingerprint
                                << "')");
    t.commit();
}

std::optional<ZoneCells> load_map_zone_cells(DatabaseAccess& db, std::string& zoning) {
    zoning.clear();
    std::string written_for;
    std::optional<ZoneCells> cells = load_cells(db, "visualisation_zone_cells", "1", &zoning, &written_for);
    if (!cells || written_for != map_rows_fingerprint(db)) {
        zoning.clear();
        return std::nullopt;
    }
    return cells;
}

void store_zone_cells(DatabaseAccess& db, int configuration_id, const ZoneCells& cells) {
    Transaction t(db);
    db.update(SqlText() << "DELETE FROM configuration_zone_cells WHERE configurationID = " << configuration_id);
    for (std::size_t k = 0; k < cells.names.size(); ++k)
        for (const std::string& runs : zone_run_chunks(cells.cell_zone, static_cast<int>(k), kZoneRunChunk))
            db.update(SqlText() << "INSERT INTO configuration_zone_cells (configurationID, zone_index, zone, "
                                   "number_of_rows, number_of_columns, cells) VALUES ("
                                << configuration_id << ", " << k << ", '" << SqlValue{cells.names[k]} << "', "
                                << cells.rows << ", " << cells.columns << ", '" << runs << "')");
    t.commit();
}

std::optional<ZoneCells> load_zone_cells(DatabaseAccess& db, int configuration_id) {
    return load_cells(db, "configuration_zone_cells", "configurationID = " + std::to_string(configuration_id), nullptr,
                      nullptr);
}

}  // namespace pravel
