#include "store/profile_store.h"

#include <cppconn/resultset.h>

#include "common/sql_text.h"
#include "store/database_access.h"

namespace pravel {

namespace {

constexpr const char* kNoSpeciesNotice = "no species found";

// Column list of `species` in the order save_species writes its values.
constexpr const char* kSpeciesColumns =
    "`group`, `name`, `name_latein`, `grasslandtyp_nr`, `spatial_water_requirement`, "
    "`spatial_settlement_requirement`,`spatial_forest_requirement`, `last_monthquarter_substitut_brood`, "
    "`probability_succeccful_sub_brood`,`critical_reproduction_period`, `reproduction_period`, "
    "`vegetation_requirement_short`,`vegetation_requirement_medium`, `vegetation_requirement_tall`, "
    "`soil_moisture_requir_dry`, `soil_moisture_requir_fresh`,`soil_moisture_requir_wet`, "
    "`dispersal_capability`, `trampling_mortality_typ`, `second_generation_start`,`second_generation_end`, "
    "`name_editor`, `praedation`, `WES`, `WOLA`, `WKLA`, `percent_for_overlap`";

// "speciesID, MV1, MV2, ..., MV48": the columns of both quarter-month tables.
const std::string& quarter_month_columns() {
    static const std::string columns = [] {
        std::string s = "speciesID";
        for (int k = 1; k <= QUARTER_MONTHS; ++k) s += ", MV" + std::to_string(k);
        return s;
    }();
    return columns;
}

// One row of a quarter-month table for `species_id` with the 48 values.
void insert_quarter_month_row(DatabaseAccess& db, const char* table, int species_id,
                              const std::array<double, QUARTER_MONTHS>& values) {
    SqlText s;
    s << "INSERT INTO " << table << " (" << quarter_month_columns() << ") " << "VALUES " << "(" << species_id;
    for (double v : values) s << ", " << v;
    s << ")";
    db.update(s);
}

// Reads MV1..MV48 of a quarter-month row.
std::array<double, QUARTER_MONTHS> read_quarter_months(sql::ResultSet& rs) {
    std::array<double, QUARTER_MONTHS> values{};
    for (int k = 1; k <= QUARTER_MONTHS; ++k) values[k - 1] = rs.getDouble("MV" + std::to_string(k));
    return values;
}

void read_species_row(sql::ResultSet& rs, SpeciesRecord& r) {
    r.speciesID = rs.getInt("speciesID");
    r.group = rs.getString("group");
    r.name = rs.getString("name");
    r.name_latein = rs.getString("name_latein");
    r.grasslandtyp_nr = rs.getInt("grasslandtyp_nr");
    r.spatial_water_requirement = rs.getDouble("spatial_water_requirement");
    r.spatial_settlement_requirement = rs.getDouble("spatial_settlement_requirement");
    r.spatial_forest_requirement = rs.getDouble("spatial_forest_requirement");
    r.last_monthquarter_substitut_brood = rs.getInt("last_monthquarter_substitut_brood");
    r.probability_succeccful_sub_brood = rs.getDouble("probability_succeccful_sub_brood");
    r.critical_reproduction_period = rs.getInt("critical_reproduction_period");
    r.reproduction_period = rs.getInt("reproduction_period");
    r.vegetation_requirement_short = rs.getDouble("vegetation_requirement_short");
    r.vegetation_requirement_medium = rs.getDouble("vegetation_requirement_medium");
    r.vegetation_requirement_tall = rs.getDouble("vegetation_requirement_tall");
    r.soil_moisture_requir_dry = rs.getDouble("soil_moisture_requir_dry");
    r.soil_moisture_requir_fresh = rs.getDouble("soil_moisture_requir_fresh");
    r.soil_moisture_requir_wet = rs.getDouble("soil_moisture_requir_wet");
    r.dispersal_capability = rs.getDouble("dispersal_capability");
    r.trampling_mortality_typ = rs.getDouble("trampling_mortality_typ");
    r.second_generation_start = rs.getInt("second_generation_start");
    r.second_generation_end = rs.getInt("second_generation_end");
    r.name_editor = rs.getString("name_editor");
    r.praedation = rs.getDouble("praedation");
    r.WES = rs.getDouble("WES");
    r.WOLA = rs.getDouble("WOLA");
    r.WKLA = rs.getDouble("WKLA");
    r.percent_for_overlap = rs.getDouble("percent_for_overlap");
    r.savetime = rs.getString("savetime");
}

}  // namespace

int save_species(DatabaseAccess& db, const SpeciesRecord& r) {
    SqlText s;
    s << "INSERT INTO " << "species" << " (" << kSpeciesColumns << ") " << "VALUES " << "(";
    // group, name, name_latein and grasslandtyp_nr are written as quoted
    // values; the server converts the quoted number back to an integer.
    s << "'" << SqlValue{r.group} << "', '" << SqlValue{r.name} << "', '" << SqlValue{r.name_latein} << "', '"
      << r.grasslandtyp_nr << "', ";
    s << r.spatial_water_requirement << ", " << r.spatial_settlement_requirement << ", "
      << r.spatial_forest_requirement << ", " << r.last_monthquarter_substitut_brood << ", "
      << r.probability_succeccful_sub_brood << ", " << r.critical_reproduction_period << ", "
      << r.reproduction_period << ", " << r.vegetation_requirement_short << ", " << r.vegetation_requirement_medium
      << ", " << r.vegetation_requirement_tall << ", " << r.soil_moisture_requir_dry << ", "
      << r.soil_moisture_requir_fresh << ", " << r.soil_moisture_requir_wet << ", " << r.dispersal_capability
      << ", " << r.trampling_mortality_typ << ", " << r.second_generation_start << ", "
      << r.second_generation_end << ", '" << SqlValue{r.name_editor} << "', " << r.praedation << ", " << r.WES
      << ", " << r.WOLA << ", " << r.WKLA << ", " << r.percent_for_overlap;
    s << ")";

    // Without an inserted row there is no key to hang companion rows on, so
    // nothing further is written and 0 is returned.
    if (db.update(s) < 1) return 0;
    const int species_id = db.last_insert_id();

    if (r.group != kGroupHabitat) {
        insert_quarter_month_row(db, "quarter_month_eggs", species_id, r.eggs_by_quarter_month);
        // Predation is not entered in the editors: a new version starts with
        // no predation in any quarter month.
        insert_quarter_month_row(db, "quarter_month_predation", species_id, {});
    }

    if (r.group == kGroupButterfly) {
        for (int grassland_id : r.grassland_ids) {
            SqlText g;
            g << "INSERT INTO species_grassland (grasslandID, speciesID) " << " VALUES (" << grassland_id << ", "
              << species_id << ")";
            db.update(g);
        }
    }
    return species_id;
}

SpeciesRecord load_species(const std::string& key_column, const std::string& key_value,
                           const std::string& savetime) {
    DatabaseAccess db;
    SpeciesRecord record;

    SqlText s;
    s << "SELECT " << "*" << " FROM " << "species" << " WHERE " << key_column << " = " << "'"
      << SqlValue{key_value} << "'" << " AND " << "savetime" << " = " << "'" << SqlValue{savetime} << "'";
    db.query(s, [&](sql::ResultSet& rs) { read_species_row(rs, record); });

    SqlText eggs;
    eggs << "SELECT * FROM quarter_month_eggs WHERE  speciesID = " << record.speciesID;
    db.query(eggs, [&](sql::ResultSet& rs) { record.eggs_by_quarter_month = read_quarter_months(rs); });

    SqlText predation;
    predation << "SELECT * FROM quarter_month_predation WHERE  " << "speciesID = " << record.speciesID;
    db.query(predation, [&](sql::ResultSet& rs) {
        const auto values = read_quarter_months(rs);
        record.predation_by_quarter_month.insert(record.predation_by_quarter_month.end(), values.begin(),
                                                 values.end());
    });
    return record;
}

std::vector<int> grassland_ids_of_species(DatabaseAccess& db, int species_id) {
    std::vector<int> ids;
    SqlText s;
    s << "SELECT grasslandID FROM species_grassland WHERE speciesID = " << species_id;
    db.query(s, [&](sql::ResultSet& rs) { ids.push_back(rs.getInt("grasslandID")); });
    return ids;
}

std::vector<std::string> list_species_by_group(DatabaseAccess& db, const std::string& group) {
    std::vector<std::string> entries;
    SqlText s;
    s << "SELECT * FROM " << "species" << " WHERE `" << "group" << "` = " << "'" << SqlValue{group} << "'";
    db.query(s, [&](sql::ResultSet& rs) {
        entries.push_back(std::string(rs.getString("name_latein")) + "/" + std::string(rs.getString("name")) +
                          ", " + std::string(rs.getString("savetime")) + ", " +
                          std::string(rs.getString("name_editor")));
    });
    return entries;
}

double eggs_in_quarter_month(const SpeciesRecord& record, int k) {
    // Outside 1..48 there is no quarter month; answer "no eggs" rather than
    // read past the array.
    if (k < 1 || k > QUARTER_MONTHS) return 0.0;
    return record.eggs_by_quarter_month[k - 1];
}

std::string species_column_value(DatabaseAccess& db, const std::string& column, const std::string& key_column,
                                 const std::string& key_value) {
    std::string value;
    SqlText s;
    s << "SELECT " << column << " FROM species WHERE " << key_column << " = '" << SqlValue{key_value} << "'";
    db.list_query(s, kNoSpeciesNotice, [&](sql::ResultSet& rs) { value = rs.getString(column); });
    return value;
}

std::vector<std::string> species_distinct_values(DatabaseAccess& db, const std::string& column) {
    std::vector<std::string> values;
    SqlText s;
    s << "SELECT DISTINCT " << column << " FROM species";
    db.list_query(s, kNoSpeciesNotice, [&](sql::ResultSet& rs) { values.push_back(rs.getString(column)); });
    return values;
}

std::vector<std::string> species_savetimes(DatabaseAccess& db, const std::string& key_column,
                                           const std::string& key_value) {
    std::vector<std::string> values;
    SqlText s;
    s << "SELECT DISTINCT savetime FROM species WHERE " << key_column << " = '" << SqlValue{key_value} << "'";
    db.list_query(s, kNoSpeciesNotice, [&](sql::ResultSet& rs) { values.push_back(rs.getString("savetime")); });
    return values;
}

std::string newest_species_savetime(DatabaseAccess& db, const std::string& group, const std::string& name) {
    std::string savetime;
    SqlText s;
    s << "SELECT savetime FROM species WHERE `group` = '" << SqlValue{group} << "' AND name = '" << SqlValue{name}
      << "' ORDER BY savetime DESC LIMIT 1";
    db.query(s, [&](sql::ResultSet& rs) { savetime = rs.getString("savetime"); });
    return savetime;
}

std::vector<SpeciesVersion> species_versions_of_group(DatabaseAccess& db, const std::string& group) {
    std::vector<SpeciesVersion> versions;
    SqlText s;
    s << "SELECT name, savetime FROM species WHERE `group` = '" << SqlValue{group} << "' ORDER BY speciesID";
    db.query(s, [&](sql::ResultSet& rs) { versions.push_back({rs.getString("name"), rs.getString("savetime")}); });
    return versions;
}

}  // namespace pravel
