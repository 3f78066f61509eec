#include "store/measure_store.h"

#include <cppconn/resultset.h>

#include <stdexcept>

#include "common/sql_text.h"
#include "store/database_access.h"

namespace pravel {

MeasureRecord read_measure_row(sql::ResultSet& rs) {
    MeasureRecord m;
    m.name = rs.getString("name");
    m.measureID = rs.getInt("measureID");
    m.month_quarter_first_use = rs.getInt("month_quarter_first_use");
    m.distance_2use = rs.getInt("distance_2use");
    m.distance_3use = rs.getInt("distance_3use");
    m.distance_4use = rs.getInt("distance_4use");
    m.early_land_use = rs.getInt("early_land_use");
    m.prior_cropland = rs.getBoolean("prior_cropland");
    m.fertilization = rs.getBoolean("fertilization");
    m.livestock_density_1 = rs.getDouble("livestock_density_1");
    m.livestock_density_2 = rs.getDouble("livestock_density_2");
    m.livestock_density_3 = rs.getDouble("livestock_density_3");
    m.livestock_density_4 = rs.getDouble("livestock_density_4");
    m.livestockID_1 = rs.getInt("livestockID_1");
    m.livestockID_2 = rs.getInt("livestockID_2");
    m.livestockID_3 = rs.getInt("livestockID_3");
    m.livestockID_4 = rs.getInt("livestockID_4");
    m.method_nr = rs.getInt("method_nr");
    m.is_refuge_strip = (m.name == kRefugeStripName);
    return m;
}

namespace {

constexpr const char* kNoMeasures = "no measures in the database";
constexpr const char* kNoMeasuresDensity = "no measures in database";
constexpr const char* kNoMeasuresFound = "no measures found in database";
constexpr const char* kWithoutLivestock = "measure without livestock";

std::vector<int> int_column(DatabaseAccess& db, const std::string& statement, const char* column) {
    std::vector<int> out;
    db.list_query(statement, kNoMeasures, [&](sql::ResultSet& rs) { out.push_back(rs.getInt(column)); });
    return out;
}

// "name = '<name>' AND month_quarter_first_use = .. AND distance_4use = ..":
// the common part of every livestock narrowing query.
void append_timing(SqlText& s, const MeasureTiming& t) {
    s << "name = '" << SqlValue{t.name} << "' AND month_quarter_first_use = " << t.first_use
      << " AND distance_2use = " << t.d2 << " AND distance_3use = " << t.d3 << " AND distance_4use = " << t.d4;
}

// Density and livestock ID of one earlier use, e.g.
// " AND  livestock_density_2 = 1.4 AND livestockID_2   = 3". The query for
// the livestock of use 2 has a single blank before its density column.
void append_use_pair(SqlText& s, int use, double density, int id, bool single_blank = false) {
    s << (single_blank ? " AND livestock_density_" : " AND  livestock_density_") << use << " = " << density
      << " AND livestockID_" << use << "   = " << id;
}

void check_use(int use, std::size_t densities, std::size_t needed_densities, std::size_t ids,
               std::size_t needed_ids) {
    if (use < 1 || use > 4) throw std::invalid_argument("grazing use must be 1 to 4");
    if (densities < needed_densities || ids < needed_ids) {
        throw std::invalid_argument("too few densities or livestock IDs for the grazing use");
    }
}

std::vector<MeasureRecord> measure_list(DatabaseAccess& db, const std::string& statement, const char* notice) {
    std::vector<MeasureRecord> out;
    db.list_query(statement, notice, [&](sql::ResultSet& rs) { out.push_back(read_measure_row(rs)); });
    return out;
}

// The statement shared by both fetches, up to livestock ID 1.
SqlText fetch_statement(const MeasureTiming& t, double density1, int id1) {
    SqlText s;
    s << "SELECT  * FROM measures WHERE name = '" << SqlValue{t.name}
      << "' AND month_quarter_first_use = " << t.first_use << " AND  distance_2use =" << t.d2
      << " AND  distance_3use =" << t.d3 << " AND  distance_4use =" << t.d4;
    append_use_pair(s, 1, density1, id1);
    return s;
}

MeasureRecord fetch_last(DatabaseAccess& db, const std::string& statement) {
    MeasureRecord m;
    db.list_query(statement, kNoMeasures, [&](sql::ResultSet& rs) { m = read_measure_row(rs); });
    return m;
}

}  // namespace

std::vector<std::string> measure_names(DatabaseAccess& db) {
    std::vector<std::string> out;
    db.list_query("SELECT DISTINCT name FROM measures", kNoMeasures,
                  [&](sql::ResultSet& rs) { out.push_back(rs.getString("name")); });
    return out;
}

std::vector<int> measure_selections(DatabaseAccess& db) {
    return int_column(db, "SELECT DISTINCT selection FROM measures", "selection");
}

std::vector<int> first_use_choices(DatabaseAccess& db, const std::string& name) {
    SqlText s;
    s << "SELECT DISTINCT month_quarter_first_use FROM measures " << "WHERE name = '" << SqlValue{name} << "'";
    return int_column(db, s, "month_quarter_first_use");
}

std::vector<int> second_use_distance_choices(DatabaseAccess& db, const std::string& name, int first_use) {
    SqlText s;
    s << "SELECT DISTINCT distance_2use FROM measures WHERE name = '" << SqlValue{name}
      << "' AND month_quarter_first_use = " << first_use;
    return int_column(db, s, "distance_2use");
}

std::vector<int> third_use_distance_choices(DatabaseAccess& db, const std::string& name, int first_use, int d2) {
    SqlText s;
    s << "SELECT DISTINCT distance_3use FROM measures WHERE name = '" << SqlValue{name}
      << "' AND month_quarter_first_use = " << first_use << " AND distance_2use = " << d2;
    return int_column(db, s, "distance_3use");
}

std::vector<int> fourth_use_distance_choices(DatabaseAccess& db, const std::string& name, int first_use, int d2,
                                             int d3) {
    SqlText s;
    s << "SELECT DISTINCT distance_4use FROM measures WHERE name = '" << SqlValue{name}
      << "' AND month_quarter_first_use = " << first_use << " AND distance_2use = " << d2
      << " AND distance_3use = " << d3;
    return int_column(db, s, "distance_4use");
}

std::vector<std::string> livestock_choices(DatabaseAccess& db, const MeasureTiming& t, int use,
                                           const std::vector<double>& densities, const std::vector<int>& ids) {
    check_use(use, densities.size(), use - 1, ids.size(), use - 1);
    const std::string column = "livestockID_" + std::to_string(use);
    SqlText s;
    s << "SELECT DISTINCT " << column << " FROM measures WHERE ";
    append_timing(s, t);
    for (int k = 1; k < use; ++k) append_use_pair(s, k, densities[k - 1], ids[k - 1], use == 2);

    std::vector<int> found;
    db.list_query(s, kNoMeasures, [&](sql::ResultSet& rs) { found.push_back(rs.getInt(column)); });

    std::vector<std::string> out;
    for (int id : found) {
        std::string entry = livestock_entry(db, id);
        if (!entry.empty()) out.push_back(std::move(entry));
    }
    return out;
}

std::string livestock_entry(DatabaseAccess& db, int livestock_id) {
    if (livestock_id == 0) return kWithoutLivestock;
    std::string entry;
    SqlText q;
    q << "SELECT * FROM livestock WHERE  " << "livestockID = " << livestock_id;
    db.query(q, [&](sql::ResultSet& rs) {
        entry = std::to_string(rs.getInt("livestockID")) + "," + std::string(rs.getString("livestock_name"));
    });
    return entry;
}

std::vector<MeasureRecord> measures_by_first_distance(DatabaseAccess& db, const std::string& name, int first_use,
                                                      int d2) {
    SqlText s;
    s << "SELECT * FROM measures WHERE name = '" << SqlValue{name} << "' AND month_quarter_first_use = " << first_use
      << " AND distance_2use = " << d2 << " ORDER BY measureID";
    return measure_list(db, s, kNoMeasuresFound);
}

namespace {

std::vector<double> density_column(DatabaseAccess& db, const std::string& statement, const std::string& column) {
    std::vector<double> out;
    db.list_query(statement, kNoMeasuresDensity, [&](sql::ResultSet& rs) { out.push_back(rs.getDouble(column)); });
    return out;
}

}  // namespace

std::vector<double> first_density_choices_short(DatabaseAccess& db, const MeasureTiming& t) {
    SqlText s;
    s << "SELECT DISTINCT livestock_density_1 FROM measures WHERE ";
    append_timing(s, t);
    return density_column(db, s, "livestock_density_1");
}

std::vector<double> density_choices(DatabaseAccess& db, const MeasureTiming& t, int use,
                                    const std::vector<double>& densities, const std::vector<int>& ids) {
    check_use(use, densities.size(), use - 1, ids.size(), use);
    const std::string column = "livestock_density_" + std::to_string(use);
    SqlText s;
    s << "SELECT DISTINCT " << column << " FROM measures WHERE ";
    append_timing(s, t);
    for (int k = 1; k < use; ++k) append_use_pair(s, k, densities[k - 1], ids[k - 1]);
    s << " AND livestockID_" << use << "   = " << ids[use - 1];
    return density_column(db, s, column);
}

MeasureRecord find_measure(DatabaseAccess& db, const MeasureTiming& t, double density1, int id1) {
    return fetch_last(db, fetch_statement(t, density1, id1));
}

MeasureRecord find_measure_full(DatabaseAccess& db, const MeasureTiming& t, const std::array<double, 4>& densities,
                                const std::array<int, 4>& ids) {
    SqlText s = fetch_statement(t, densities[0], ids[0]);
    for (int k = 2; k <= 4; ++k) append_use_pair(s, k, densities[k - 1], ids[k - 1]);
    return fetch_last(db, s);
}

std::vector<MeasureRecord> all_measures(DatabaseAccess& db) {
    // Refuge strips carry their flag here as in every other load, so callers
    // of the full catalogue can tell them apart too.
    return measure_list(db, "SELECT * FROM measures", kNoMeasuresDensity);
}

std::vector<MeasureRecord> measures_by_selection(DatabaseAccess& db, int selection) {
    SqlText s;
    s << "SELECT  * FROM measures WHERE selection = " << selection;
    return measure_list(db, s, kNoMeasuresFound);
}

std::vector<MeasureRecord> measures_by_name_without_early_use(DatabaseAccess& db, const std::string& name) {
    SqlText s;
    s << "SELECT  * FROM measures WHERE name = '" << SqlValue{name} << "'" << "AND early_land_use = 0";
    return measure_list(db, s, kNoMeasuresFound);
}

std::vector<MeasureRecord> measures_with_early_use(DatabaseAccess& db) {
    return measure_list(db, "SELECT  * FROM measures WHERE early_land_use = 1", kNoMeasuresFound);
}

std::vector<MeasureRecord> preselected_measures(DatabaseAccess& db) {
    std::vector<int> ids;
    db.query("SELECT * FROM selection WHERE selectie3 = 20",
             [&](sql::ResultSet& rs) { ids.push_back(rs.getInt("measureID")); });
    std::vector<MeasureRecord> out;
    for (int id : ids) {
        SqlText s;
        s << "SELECT  * FROM measures WHERE measureID = " << id;
        db.query(s, [&](sql::ResultSet& rs) { out.push_back(read_measure_row(rs)); });
    }
    return out;
}

}  // namespace pravel
