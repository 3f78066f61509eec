#include "store/study_area_store.h"

#include <cppconn/connection.h>
#include <cppconn/resultset.h>

#include <optional>
#include <sstream>
#include <utility>

#include "common/feedback.h"
#include "common/sql_text.h"
#include "store/database_access.h"
#include "store/result_store.h"

namespace pravel {

const std::vector<PixelColumn>& pixel_data_columns() {
    using K = PixelColumnKind;
    static const std::vector<PixelColumn> columns = {
        {"drained", K::Flag},
        {"wet", K::Share},
        {"fresh", K::Share},
        {"dry", K::Share},
        {"altitude", K::Integer},
        {"grassland_economic_value", K::Integer},
        {"grassland_economic_value_random", K::Integer},
        {"cropland_economic_value", K::Integer},
        {"cropland_economic_value_random", K::Integer},
        {"land_use_type", K::Text, 16},
        {"policy_status_grass_cropland", K::Integer},
        {"manure_status_grass_cropland", K::Integer},
        {"number_of_grassland_types", K::Integer},
        {"grasslandtyp1", K::Integer},
        {"grasslandtyp2", K::Integer},
        {"OHG", K::Flag},
        {"farmtype", K::Integer},
        {"farmhouse_distance", K::Integer},
        {"fertilization_reduction", K::Integer},
        {"subclassification", K::Text, 64},
        {"settlement", K::Flag},
        {"forest", K::Flag},
        {"water_inland", K::Flag},
        {"mead_past_mow", K::Integer},
    };
    return columns;
}

const PixelColumn* find_pixel_column(const std::string& name) {
    for (const auto& c : pixel_data_columns()) {
        if (name == c.name) return &c;
    }
    return nullptr;
}

StoredRunsError::StoredRunsError(const std::string& area, std::vector<StoredRun> stored)
    : StudyAreaError("study area \"" + area + "\" has " + std::to_string(stored.size()) + " stored run" +
                     (stored.size() == 1 ? "" : "s") + " (configurationID " + describe_runs(stored) +
                     "); replacing it would leave them without their pixels, so nothing was written"),
      runs(std::move(stored)) {}

std::vector<StoredRun> stored_runs_on_area(DatabaseAccess& db, int country_id) {
    std::vector<StoredRun> runs;
    SqlText s;
    s << "SELECT configurationID, MIN(configname) AS configname FROM configuration WHERE countryID = " << country_id
      << " GROUP BY configurationID ORDER BY configurationID";
    db.query(s, [&](sql::ResultSet& rs) { runs.push_back({rs.getInt("configurationID"), rs.getString("configname")}); });
    return runs;
}

std::string describe_runs(const std::vector<StoredRun>& runs) {
    constexpr std::size_t kNamed = 10;
    std::string out;
    for (std::size_t k = 0; k < runs.size() && k < kNamed; ++k) {
        out += (k ? ", " : "") + std::to_string(runs[k].configurationID) + " \"" + runs[k].name + "\"";
    }
    if (runs.size() > kNamed) out += " and " + std::to_string(runs.size() - kNamed) + " more";
    return out;
}

bool lock_study_area_ids(DatabaseAccess& db, int timeout_seconds) {
    bool taken = false;
    db.query(SqlText() << "SELECT GET_LOCK(CONCAT(DATABASE(), '.countryID'), " << timeout_seconds << ") AS taken",
             [&](sql::ResultSet& rs) { taken = !rs.isNull("taken") && rs.getInt("taken") == 1; });
    return taken;
}

void unlock_study_area_ids(DatabaseAccess& db) noexcept {
    db.try_execute("SELECT RELEASE_LOCK(CONCAT(DATABASE(), '.countryID'))");
}

std::vector<int> grassland_type_ids(DatabaseAccess& db) {
    std::vector<int> ids;
    db.query("SELECT grasslandtypeID FROM grasslandtype", [&](sql::ResultSet& rs) { ids.push_back(rs.getInt(1)); });
    return ids;
}

std::optional<int> find_study_area(DatabaseAccess& db, const std::string& name) {
    std::optional<int> id;
    SqlText s;
    s << "SELECT countryID FROM country WHERE name = '" << SqlValue{name} << "'";
    db.query(s, [&](sql::ResultSet& rs) { id = rs.getInt(1); });
    return id;
}

namespace {

int max_of(DatabaseAccess& db, const char* statement) {
    int value = 0;
    db.query(statement, [&](sql::ResultSet& rs) { value = rs.getInt(1); });
    return value;
}

std::string join(const std::vector<std::string>& items) {
    std::string out;
    for (const auto& item : items) out += (out.empty() ? "" : ",") + item;
    return out;
}

std::vector<std::string> split(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string item; std::getline(in, item, ',');) {
        if (!item.empty()) out.push_back(item);
    }
    return out;
}

// A value of `column` as it goes into a statement.
void append_value(SqlText& s, const std::string& column, const std::string& value) {
    const PixelColumn* c = find_pixel_column(column);
    if (c && c->kind == PixelColumnKind::Text) {
        s << "'" << SqlValue{value} << "'";
    } else {
        s << (value.empty() ? std::string("0") : value);
    }
}

void delete_runs(DatabaseAccess& db, const std::vector<StoredRun>& runs) {
    for (std::size_t start = 0; start < runs.size(); start += 100) {
        std::string ids;
        for (std::size_t k = start; k < runs.size() && k < start + 100; ++k) {
            ids += (k > start ? ", " : "") + std::to_string(runs[k].configurationID);
        }
        for (const char* table : {"resulting_quality", "result", "configuration_zone_payment", "configuration_zone_cells",
                                  "configuration"}) {
            SqlText s;
            s << "DELETE FROM " << table << " WHERE configurationID IN (" << ids << ")";
            db.update(s);
        }
    }
}

// Holds a server lock for the length of a write; a lock that another program
// keeps longer than the wait refuses the write.
class NamedLock {
public:
    NamedLock(DatabaseAccess& db, bool (*lock)(DatabaseAccess&, int), void (*unlock)(DatabaseAccess&) noexcept,
              const char* what)
        : db_(db), unlock_(unlock) {
        if (!lock(db_, kWaitSeconds)) {
            throw StudyAreaError(std::string("another program has been writing ") + what + " for " +
                                 std::to_string(kWaitSeconds) + " seconds; nothing was written, try again later");
        }
    }
    ~NamedLock() { unlock_(db_); }
    NamedLock(const NamedLock&) = delete;
    NamedLock& operator=(const NamedLock&) = delete;

private:
    static constexpr int kWaitSeconds = 600;
    DatabaseAccess& db_;
    void (*unlock_)(DatabaseAccess&) noexcept;
};

void delete_area_rows(DatabaseAccess& db, int country_id) {
    for (const char* table : {"pixel", "contour", "matrix_referenz", "country_georeference", "country"}) {
        SqlText s;
        s << "DELETE FROM " << table << " WHERE countryID = " << country_id;
        db.update(s);
    }
}

// Many rows per statement: an import of a large area is otherwise dominated
// by round trips.
constexpr std::size_t kRowsPerInsert = 500;

void insert_pixels(DatabaseAccess& db, const StudyAreaRows& area, int country_id, int first_pixel_id,
                   Feedback* feedback) {
    std::string head = "INSERT INTO pixel (pixelID, countryID, country, matrix_i, matrix_j, x_coordinate, y_coordinate";
    for (const auto& c : area.value_columns) head += ", " + c;
    head += ") VALUES ";
    const long long total = static_cast<long long>(area.pixels.size());
    for (std::size_t start = 0; start < area.pixels.size(); start += kRowsPerInsert) {
        SqlText s;
        s << head;
        const std::size_t end = std::min(area.pixels.size(), start + kRowsPerInsert);
        for (std::size_t k = start; k < end; ++k) {
            const StudyAreaPixel& p = area.pixels[k];
            if (k > start) s << ", ";
            s << "(" << first_pixel_id + static_cast<int>(k) << ", " << country_id << ", '" << SqlValue{area.name}
              << "', " << p.matrix_i << ", " << p.matrix_j << ", " << p.x_coordinate << ", " << p.y_coordinate;
            for (std::size_t c = 0; c < area.value_columns.size(); ++c) {
                s << ", ";
                append_value(s, area.value_columns[c], c < p.values.size() ? p.values[c] : std::string());
            }
            s << ")";
        }
        db.update(s);
        if (feedback) {
            feedback->report({static_cast<long long>(end), total, 0.0, 0.0, "Writing pixels"});
            // Cancelling rolls the whole import back.
            if (feedback->cancelled()) throw StudyAreaError("the import was cancelled; nothing was written");
        }
    }
}

void insert_contour(DatabaseAccess& db, const std::vector<ContourVertex>& contour, int country_id) {
    for (std::size_t start = 0; start < contour.size(); start += kRowsPerInsert) {
        SqlText s;
        s << "INSERT INTO contour (countryID, id, x, y) VALUES ";
        const std::size_t end = std::min(contour.size(), start + kRowsPerInsert);
        for (std::size_t k = start; k < end; ++k) {
            if (k > start) s << ", ";
            s << "(" << country_id << ", " << static_cast<int>(k + 1) << ", " << contour[k].x << ", " << contour[k].y
              << ")";
        }
        db.update(s);
    }
}

void insert_georeference(DatabaseAccess& db, const Georeference& g, int country_id) {
    SqlText s;
    s << "INSERT INTO country_georeference (countryID, spatial_reference, origin_x, origin_y, cell_width, "
         "cell_height, layer_columns) VALUES ("
      << country_id << ", '" << SqlValue{g.spatial_reference} << "', ";
    // Coordinates need every digit: the default six significant digits would
    // move a grid by metres.
    std::ostringstream numbers;
    numbers.precision(17);
    numbers << g.origin_x << ", " << g.origin_y << ", " << g.cell_width << ", " << g.cell_height;
    s << numbers.str() << ", '" << SqlValue{join(g.layer_columns)} << "')";
    db.update(s);
}

StudyAreaPixel pixel_position(sql::ResultSet& rs) {
    StudyAreaPixel p;
    p.matrix_i = rs.getInt("matrix_i");
    p.matrix_j = rs.getInt("matrix_j");
    p.x_coordinate = rs.getInt64("x_coordinate");
    p.y_coordinate = rs.getInt64("y_coordinate");
    return p;
}

// Runs `work` as one transaction on the connection: committed when it
// returns, rolled back when it throws.
template <typename Work>
void in_transaction(DatabaseAccess& db, Work&& work) {
    sql::Connection& c = db.connection();
    c.setAutoCommit(false);
    try {
        work();
        c.commit();
    } catch (...) {
        c.rollback();
        c.setAutoCommit(true);
        throw;
    }
    c.setAutoCommit(true);
}

}  // namespace

int write_study_area(DatabaseAccess& db, const StudyAreaRows& area, bool replace, Feedback* feedback,
                     bool drop_runs) {
    if (area.name.empty()) throw StudyAreaError("the study area needs a name");
    int country_id = 0;
    // The lock is taken before the transaction reads anything, so that the
    // largest keys and the names it reads include every import committed
    // before it.
    NamedLock area_lock(db, lock_study_area_ids, unlock_study_area_ids, "a study area");
    const std::optional<int> taken = find_study_area(db, area.name);
    // A replace looks at the stored runs while no run can be stored.
    std::optional<NamedLock> run_lock;
    if (taken && replace) run_lock.emplace(db, lock_configuration_ids, unlock_configuration_ids, "a stored run");
    in_transaction(db, [&] {
        const std::optional<int> existing = find_study_area(db, area.name);
        if (existing && !replace) {
            throw StudyAreaError("a study area named \"" + area.name +
                                 "\" already exists (use --replace to replace it)");
        }
        if (existing) {
            const std::vector<StoredRun> runs = stored_runs_on_area(db, *existing);
            if (!runs.empty() && !drop_runs) throw StoredRunsError(area.name, runs);
            delete_runs(db, runs);
        }
        // New pixel keys stay above every key ever handed out before, so rows
        // of stored results never point at a pixel of the new area.
        const int first_pixel_id = max_of(db, "SELECT COALESCE(MAX(pixelID), 0) FROM pixel") + 1;
        if (existing) {
            country_id = *existing;
            delete_area_rows(db, country_id);
        } else {
            country_id = max_of(db, "SELECT COALESCE(MAX(countryID), 0) FROM country") + 1;
        }
        {
            SqlText s;
            s << "INSERT INTO country (countryID, name, growth_start) VALUES (" << country_id << ", '"
              << SqlValue{area.name} << "', " << area.growth_start << ")";
            db.update(s);
        }
        {
            SqlText s;
            s << "INSERT INTO matrix_referenz (countryID, number_of_rows, number_of_columns, pixel_lenght_x, "
                 "pixel_lenght_y) VALUES ("
              << country_id << ", " << area.rows << ", " << area.columns << ", " << area.pixel_lenght_x << ", "
              << area.pixel_lenght_y << ")";
            db.update(s);
        }
        insert_pixels(db, area, country_id, first_pixel_id, feedback);
        insert_contour(db, area.contour, country_id);
        if (area.georeference) insert_georeference(db, *area.georeference, country_id);
    });
    return country_id;
}

std::optional<Georeference> load_georeference(DatabaseAccess& db, int country_id) {
    std::optional<Georeference> g;
    SqlText s;
    s << "SELECT * FROM country_georeference WHERE countryID = " << country_id;
    db.query(s, [&](sql::ResultSet& rs) {
        Georeference r;
        r.spatial_reference = rs.getString("spatial_reference");
        r.origin_x = rs.getDouble("origin_x");
        r.origin_y = rs.getDouble("origin_y");
        r.cell_width = rs.getDouble("cell_width");
        r.cell_height = rs.getDouble("cell_height");
        r.layer_columns = split(rs.getString("layer_columns"));
        g = r;
    });
    return g;
}

AreaGrid load_area_grid(DatabaseAccess& db, int country_id) {
    AreaGrid grid;
    {
        SqlText s;
        s << "SELECT * FROM matrix_referenz WHERE countryID = " << country_id;
        db.query(s, [&](sql::ResultSet& rs) {
            grid.rows = rs.getInt("number_of_rows");
            grid.columns = rs.getInt("number_of_columns");
            grid.pixel_lenght_x = rs.getInt("pixel_lenght_x");
            grid.pixel_lenght_y = rs.getInt("pixel_lenght_y");
        });
    }
    {
        SqlText s;
        s << "SELECT matrix_i, matrix_j, x_coordinate, y_coordinate FROM pixel WHERE countryID = " << country_id
          << " ORDER BY matrix_i, matrix_j LIMIT 1";
        db.query(s, [&](sql::ResultSet& rs) { grid.sample = pixel_position(rs); });
    }
    grid.georeference = load_georeference(db, country_id);
    return grid;
}

StudyAreaRows read_study_area(DatabaseAccess& db, const std::string& name) {
    const std::optional<int> id = find_study_area(db, name);
    if (!id) throw StudyAreaError("there is no study area named \"" + name + "\"");
    StudyAreaRows area;
    area.name = name;
    {
        SqlText s;
        s << "SELECT growth_start FROM country WHERE countryID = " << *id;
        db.query(s, [&](sql::ResultSet& rs) { area.growth_start = rs.getInt(1); });
    }
    const AreaGrid grid = load_area_grid(db, *id);
    area.rows = grid.rows;
    area.columns = grid.columns;
    area.pixel_lenght_x = grid.pixel_lenght_x;
    area.pixel_lenght_y = grid.pixel_lenght_y;
    area.georeference = grid.georeference;
    for (const auto& c : pixel_data_columns()) area.value_columns.emplace_back(c.name);
    {
        SqlText s;
        s << "SELECT * FROM pixel WHERE countryID = " << *id << " ORDER BY matrix_i, matrix_j";
        db.query(s, [&](sql::ResultSet& rs) {
            StudyAreaPixel p = pixel_position(rs);
            p.values.reserve(area.value_columns.size());
            for (const auto& c : area.value_columns) p.values.push_back(rs.getString(c));
            area.pixels.push_back(std::move(p));
        });
    }
    {
        SqlText s;
        s << "SELECT * FROM contour WHERE countryID = " << *id << " ORDER BY id";
        db.query(s, [&](sql::ResultSet& rs) { area.contour.push_back({rs.getInt("x"), rs.getInt("y")}); });
    }
    return area;
}

}  // namespace pravel
