#include "store/result_store.h"

#include <cppconn/resultset.h>

#include "common/sql_text.h"
#include "store/database_access.h"

namespace pravel {

void save_configuration(DatabaseAccess& db, int configuration_id, int measure_id, double payment, double area,
                        const std::string& name, int country_id) {
    SqlText s;
    s << "INSERT INTO configuration (configurationID, "
      << "measureID, payment, area, configname, countryID) VALUES "
      << "(" << configuration_id << ", " << measure_id << ", " << payment << ", " << area << ", '" << SqlValue{name}
      << "', " << country_id << ")";
    db.update(s);
}

std::optional<int> max_configuration_id(DatabaseAccess& db) {
    std::optional<int> id;
    db.query("SELECT MAX(configurationID) AS largest FROM configuration", [&](sql::ResultSet& rs) {
        if (!rs.isNull("largest")) id = rs.getInt("largest");
    });
    return id;
}

bool lock_configuration_ids(DatabaseAccess& db, int timeout_seconds) {
    bool taken = false;
    db.query(SqlText() << "SELECT GET_LOCK(CONCAT(DATABASE(), '.configurationID'), " << timeout_seconds
                       << ") AS taken",
             [&](sql::ResultSet& rs) { taken = !rs.isNull("taken") && rs.getInt("taken") == 1; });
    return taken;
}

void unlock_configuration_ids(DatabaseAccess& db) noexcept {
    db.try_execute("SELECT RELEASE_LOCK(CONCAT(DATABASE(), '.configurationID'))");
}

void save_pixel_result(DatabaseAccess& db, int pixel_id, int measure_id, int configuration_id, double benefit,
                       const std::vector<std::pair<int, double>>& qualities) {
    SqlText s;
    s << "INSERT INTO result (pixelID, configurationID, "
      << "measureID,benefit) VALUES (" << pixel_id << ", " << configuration_id << ", " << measure_id << ", "
      << benefit << ")";
    db.update(s);
    for (const auto& [species_id, quality] : qualities) {
        SqlText q;
        q << "INSERT INTO resulting_quality (pixelID, "
          << "configurationID, speciesID, quality) VALUES "
          << "(" << pixel_id << ", " << configuration_id << ", " << species_id << ", " << quality << ")";
        db.update(q);
    }
}

void save_visualisation_row(DatabaseAccess& db, const VisualisationRow& r) {
    SqlText s;
    s << "INSERT INTO results_for_viusualitsation (measureID,"
      << "measure_name, speciesID, species_name, quality, pixelID, "
      << "pixel_i, pixel_j,pixel_x, pixel_y, benefit, payment, countryID ) VALUES "
      << "(" << r.measureID << ", '" << SqlValue{r.measure_name} << "' , " << r.speciesID << ", '"
      << SqlValue{r.species_name} << "' , " << r.quality << ", " << r.pixelID << ", " << r.pixel_i << ", "
      << r.pixel_j << ", " << r.pixel_x << ", " << r.pixel_y << ", " << r.benefit << ", " << r.payment << ", "
      << r.countryID << ")";
    db.update(s);
}

void clear_visualisation_rows(DatabaseAccess& db) { db.update("TRUNCATE TABLE `results_for_viusualitsation`"); }

void save_graphic_row(DatabaseAccess& db, const GraphicRow& r) {
    SqlText s;
    s << "INSERT INTO  graphic (measureID, speciesID, m_name, "
      << "species_name, qual_min, qual_max, qual_medium, cost_min, "
      << "cost_max, cost_medium, eff_area, nr_pixel) VALUES "
      << "( " << r.measureID << ", " << r.speciesID << ", '" << SqlValue{r.m_name} << "', '"
      << SqlValue{r.species_name} << "', " << r.qual_min << ", " << r.qual_max << ", " << r.qual_medium << ", "
      << r.cost_min << ", " << r.cost_max << ", " << r.cost_medium << ", " << r.eff_area << ", " << r.nr_pixel
      << ")";
    db.update(s);
}

void clear_graphic_rows(DatabaseAccess& db) { db.update("TRUNCATE TABLE `graphic`"); }

}  // namespace pravel
