#include "store/grassland_store.h"

#include <cppconn/resultset.h>

#include "common/sql_text.h"
#include "store/database_access.h"

namespace pravel {

namespace {

void read_grassland_row(sql::ResultSet& rs, GrasslandRecord& g) {
    g.name_engl = rs.getString("name_engl");
    g.name_latin = rs.getString("name_latin");
    g.name_editor = rs.getString("name_editor");
    g.code = rs.getInt("code");
    g.altitude_high = rs.getBoolean("altitude_high");
    g.altitude_low = rs.getBoolean("altitude_low");
    g.soil_moister_requi_wet = rs.getDouble("soil_moister_requi_wet");
    g.soil_moister_requi_fresh = rs.getDouble("soil_moister_requi_fresh");
    g.soil_moister_requi_dry = rs.getDouble("soil_moister_requi_dry");
    g.low_productivity = rs.getBoolean("low_productivity");
    g.normal_productivity = rs.getBoolean("normal_productivity");
    g.fertilization = rs.getBoolean("fertilization");
    g.no_fertilization = rs.getBoolean("no_fertilization");
    g.grasslandID = rs.getInt("grasslandID");
    g.speciesID = rs.getInt("speciesID");
    g.savetime = rs.getString("savetime");
}

}  // namespace

int save_grassland(DatabaseAccess& db, const GrasslandRecord& g) {
    SqlText s;
    s << "INSERT INTO  grassland (name_engl, name_latin, code, "
      << "altitude_high, altitude_low, soil_moister_requi_wet, "
      << "soil_moister_requi_fresh, soil_moister_requi_dry, "
      << "low_productivity, normal_productivity, fertilization, "
      << "no_fertilization, name_editor) VALUES "
      << "('" << SqlValue{g.name_engl} << "', '" << SqlValue{g.name_latin} << "', " << g.code << ", "
      << g.altitude_high << ", " << g.altitude_low << ", " << g.soil_moister_requi_wet << ", "
      << g.soil_moister_requi_fresh << ", " << g.soil_moister_requi_dry << ", " << g.low_productivity << ", "
      << g.normal_productivity << ", " << g.fertilization << ", " << g.no_fertilization << ", '"
      << SqlValue{g.name_editor} << "')";
    db.update(s);
    return db.last_insert_id();
}

void link_measure_to_grassland(DatabaseAccess& db, int measure_id, int grassland_id) {
    SqlText s;
    s << "INSERT INTO measure_grassland (measureID, grasslandID) " << " VALUES (" << measure_id << ", "
      << grassland_id << ")";
    db.update(s);
}

void set_grassland_species(DatabaseAccess& db, int grassland_id, int species_id) {
    SqlText s;
    s << "UPDATE grassland SET speciesID = " << species_id << " WHERE grasslandID = " << grassland_id;
    db.update(s);
}

GrasslandRecord load_grassland(DatabaseAccess& db, const std::string& name, const std::string& savetime,
                               bool low_productivity, GrasslandRecord record) {
    SqlText s;
    s << "SELECT * FROM grassland WHERE name_engl = " << "'" << SqlValue{name} << "' AND savetime = " << "'"
      << SqlValue{savetime} << "' AND low_productivity = " << low_productivity;
    db.list_query(s, "no grassland specified", [&](sql::ResultSet& rs) { read_grassland_row(rs, record); });
    return record;
}

std::vector<GrasslandRecord> all_grasslands(DatabaseAccess& db) {
    std::vector<GrasslandRecord> out;
    db.list_query("SELECT * FROM grassland", "No grasslands in database", [&](sql::ResultSet& rs) {
        GrasslandRecord g;
        read_grassland_row(rs, g);
        out.push_back(std::move(g));
    });
    return out;
}

std::vector<MeasureRecord> measures_of_grassland(DatabaseAccess& db, int grassland_id) {
    std::vector<int> measure_ids;
    SqlText links;
    links << "SELECT * FROM measure_grassland WHERE grasslandID = " << grassland_id;
    db.list_query(links, "", [&](sql::ResultSet& rs) { measure_ids.push_back(rs.getInt("measureID")); });

    std::vector<MeasureRecord> out;
    for (int id : measure_ids) {
        SqlText s;
        s << "SELECT * FROM measures WHERE measureID = " << id;
        db.list_query(s, "", [&](sql::ResultSet& rs) {
            MeasureRecord m = read_measure_row(rs);
            // The grassland load dialog shows a measure with its first
            // livestock use only; the later uses are left empty.
            m.livestock_density_2 = m.livestock_density_3 = m.livestock_density_4 = 0.0;
            m.livestockID_2 = m.livestockID_3 = m.livestockID_4 = 0;
            out.push_back(std::move(m));
        });
    }
    return out;
}

}  // namespace pravel
