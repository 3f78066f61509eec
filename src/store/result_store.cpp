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

namespace {

// Heads and value lists of the result statements. A single row is sent as
// head + values; many rows as head + values, values, ... in one statement, so
// each row reaches the table with exactly the same values either way.
constexpr const char* kResultHead = "INSERT INTO result (pixelID, configurationID, measureID,benefit) VALUES ";
constexpr const char* kQualityHead = "INSERT INTO resulting_quality (pixelID, configurationID, speciesID, quality) VALUES ";
constexpr const char* kVisualisationHead =
    "INSERT INTO results_for_viusualitsation (measureID,measure_name, speciesID, species_name, quality, pixelID, "
    "pixel_i, pixel_j,pixel_x, pixel_y, benefit, payment, countryID ) VALUES ";
constexpr const char* kGraphicHead =
    "INSERT INTO  graphic (measureID, speciesID, m_name, species_name, qual_min, qual_max, qual_medium, cost_min, "
    "cost_max, cost_medium, eff_area, nr_pixel) VALUES ";

void result_values(SqlText& s, int pixel_id, int configuration_id, int measure_id, double benefit) {
    s << "(" << pixel_id << ", " << configuration_id << ", " << measure_id << ", " << benefit << ")";
}

void quality_values(SqlText& s, int pixel_id, int configuration_id, int species_id, double quality) {
    s << "(" << pixel_id << ", " << configuration_id << ", " << species_id << ", " << quality << ")";
}

void visualisation_values(SqlText& s, const VisualisationRow& r) {
    s << "(" << r.measureID << ", '" << SqlValue{r.measure_name} << "' , " << r.speciesID << ", '"
      << SqlValue{r.species_name} << "' , " << r.quality << ", " << r.pixelID << ", " << r.pixel_i << ", "
      << r.pixel_j << ", " << r.pixel_x << ", " << r.pixel_y << ", " << r.benefit << ", " << r.payment << ", "
      << r.countryID << ")";
}

void graphic_values(SqlText& s, const GraphicRow& r) {
    s << "( " << r.measureID << ", " << r.speciesID << ", '" << SqlValue{r.m_name} << "', '"
      << SqlValue{r.species_name} << "', " << r.qual_min << ", " << r.qual_max << ", " << r.qual_medium << ", "
      << r.cost_min << ", " << r.cost_max << ", " << r.cost_medium << ", " << r.eff_area << ", " << r.nr_pixel
      << ")";
}

// Collects value lists behind one head and sends them as multi-row
// statements of at most kRowsPerInsert rows (well below the server's packet
// limit even with long names).
class BatchedInsert {
public:
    BatchedInsert(DatabaseAccess& db, const char* head) : db_(db), head_(head) {}
    ~BatchedInsert() = default;
    BatchedInsert(const BatchedInsert&) = delete;
    BatchedInsert& operator=(const BatchedInsert&) = delete;

    // The statement to append the next row's values to.
    SqlText& next_row() {
        if (rows_ == kRowsPerInsert) flush();
        if (rows_ == 0) {
            text_ = SqlText();
            text_ << head_;
        } else {
            text_ << ", ";
        }
        ++rows_;
        return text_;
    }
    void flush() {
        if (rows_ == 0) return;
        db_.update(text_);
        rows_ = 0;
    }

private:
    static constexpr std::size_t kRowsPerInsert = 1000;
    DatabaseAccess& db_;
    const char* head_;
    SqlText text_;
    std::size_t rows_ = 0;
};

}  // namespace

void save_pixel_result(DatabaseAccess& db, int pixel_id, int measure_id, int configuration_id, double benefit,
                       const std::vector<std::pair<int, double>>& qualities) {
    SqlText s;
    s << kResultHead;
    result_values(s, pixel_id, configuration_id, measure_id, benefit);
    db.update(s);
    for (const auto& [species_id, quality] : qualities) {
        SqlText q;
        q << kQualityHead;
        quality_values(q, pixel_id, configuration_id, species_id, quality);
        db.update(q);
    }
}

void save_pixel_results(DatabaseAccess& db, int configuration_id, const std::vector<PixelResultRow>& rows) {
    {
        BatchedInsert insert(db, kResultHead);
        for (const PixelResultRow& r : rows) result_values(insert.next_row(), r.pixelID, configuration_id, r.measureID, r.benefit);
        insert.flush();
    }
    BatchedInsert insert(db, kQualityHead);
    for (const PixelResultRow& r : rows) {
        for (const auto& [species_id, quality] : r.qualities) {
            quality_values(insert.next_row(), r.pixelID, configuration_id, species_id, quality);
        }
    }
    insert.flush();
}

void save_visualisation_row(DatabaseAccess& db, const VisualisationRow& r) {
    SqlText s;
    s << kVisualisationHead;
    visualisation_values(s, r);
    db.update(s);
}

void save_visualisation_rows(DatabaseAccess& db, const std::vector<VisualisationRow>& rows) {
    Transaction transaction(db);
    BatchedInsert insert(db, kVisualisationHead);
    for (const VisualisationRow& r : rows) visualisation_values(insert.next_row(), r);
    insert.flush();
    transaction.commit();
}

void save_visualisation_rows(DatabaseAccess& db, const std::function<void(const VisualisationRowSink&)>& produce) {
    Transaction transaction(db);
    BatchedInsert insert(db, kVisualisationHead);
    produce([&](const VisualisationRow& r) { visualisation_values(insert.next_row(), r); });
    insert.flush();
    transaction.commit();
}

void clear_visualisation_rows(DatabaseAccess& db) { db.update("TRUNCATE TABLE `results_for_viusualitsation`"); }

void save_graphic_row(DatabaseAccess& db, const GraphicRow& r) {
    SqlText s;
    s << kGraphicHead;
    graphic_values(s, r);
    db.update(s);
}

void save_graphic_rows(DatabaseAccess& db, const std::vector<GraphicRow>& rows) {
    Transaction transaction(db);
    BatchedInsert insert(db, kGraphicHead);
    for (const GraphicRow& r : rows) graphic_values(insert.next_row(), r);
    insert.flush();
    transaction.commit();
}

void clear_graphic_rows(DatabaseAccess& db) { db.update("TRUNCATE TABLE `graphic`"); }

}  // namespace pravel
