#include "store/zone_store.h"

#include <cppconn/resultset.h>

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

}  // namespace pravel
