#include "store/batch_store.h"

#include <cppconn/resultset.h>

#include "common/sql_text.h"
#include "store/database_access.h"

namespace pravel {

namespace {

// A running row whose claiming connection no longer exists: its process was
// killed (or lost its connection) before it could finish.
constexpr const char* kConnectionGone =
    "connection_id NOT IN (SELECT ID FROM information_schema.PROCESSLIST)";

std::string text_or_empty(sql::ResultSet& rs, const char* column) {
    return rs.isNull(column) ? std::string() : std::string(rs.getString(column));
}

constexpr const char* kRunColumns =
    "batchID, run_index, parameters, state, attempt, host, connection_id, "
    "connection_id IS NOT NULL AND connection_id IN (SELECT ID FROM information_schema.PROCESSLIST) AS alive, "
    "started, finished, seconds, analysis_seconds, summary, configurationID, error";

BatchRunRecord run_of(sql::ResultSet& rs) {
    BatchRunRecord r;
    r.batchID = rs.getInt("batchID");
    r.run_index = rs.getInt("run_index");
    r.parameters = rs.getString("parameters");
    r.state = rs.getString("state");
    r.attempt = rs.getInt("attempt");
    r.host = text_or_empty(rs, "host");
    if (!rs.isNull("connection_id")) r.connection_id = static_cast<long long>(rs.getUInt64("connection_id"));
    r.connection_alive = !rs.isNull("alive") && rs.getInt("alive") == 1;
    r.started = text_or_empty(rs, "started");
    r.finished = text_or_empty(rs, "finished");
    if (!rs.isNull("seconds")) r.seconds = rs.getDouble("seconds");
    if (!rs.isNull("analysis_seconds")) r.analysis_seconds = rs.getDouble("analysis_seconds");
    r.summary = text_or_empty(rs, "summary");
    if (!rs.isNull("configurationID")) r.configurationID = rs.getInt("configurationID");
    r.error = text_or_empty(rs, "error");
    return r;
}

}  // namespace

int create_batch(DatabaseAccess& db, const BatchRecord& batch, const std::vector<std::string>& run_parameters) {
    Transaction t(db);
    db.update(SqlText() << "INSERT INTO batch (name, batch_file, source_path, base_scenario) VALUES ('"
                        << SqlValue{batch.name} << "', '" << SqlValue{batch.batch_file} << "', '"
                        << SqlValue{batch.source_path} << "', '" << SqlValue{batch.base_scenario} << "')");
    const int id = db.last_insert_id();
    // Many runs go in a few statements of up to 500 rows each.
    constexpr std::size_t kRowsPerStatement = 500;
    for (std::size_t first = 0; first < run_parameters.size(); first += kRowsPerStatement) {
        SqlText s;
        s << "INSERT INTO batch_run (batchID, run_index, parameters) VALUES ";
        const std::size_t last = std::min(run_parameters.size(), first + kRowsPerStatement);
        for (std::size_t i = first; i < last; ++i) {
            if (i > first) s << ", ";
            s << "(" << id << ", " << static_cast<long long>(i) << ", '" << SqlValue{run_parameters[i]} << "')";
        }
        db.update(s);
    }
    t.commit();
    return id;
}

std::optional<BatchRecord> load_batch(DatabaseAccess& db, int batch_id) {
    std::optional<BatchRecord> out;
    db.query(SqlText() << "SELECT batchID, name, batch_file, source_path, base_scenario, created FROM batch WHERE batchID = "
                       << batch_id,
             [&](sql::ResultSet& rs) {
                 BatchRecord b;
                 b.batchID = rs.getInt("batchID");
                 b.name = rs.getString("name");
                 b.batch_file = rs.getString("batch_file");
                 b.source_path = rs.getString("source_path");
                 b.base_scenario = rs.getString("base_scenario");
                 b.created = rs.getString("created");
                 out = b;
             });
    return out;
}

std::vector<BatchRunRecord> load_batch_runs(DatabaseAccess& db, int batch_id) {
    std::vector<BatchRunRecord> out;
    db.query(SqlText() << "SELECT " << kRunColumns << " FROM batch_run WHERE batchID = " << batch_id
                       << " ORDER BY run_index",
             [&](sql::ResultSet& rs) { out.push_back(run_of(rs)); });
    return out;
}

std::optional<BatchRunRecord> load_batch_run(DatabaseAccess& db, int batch_id, int run_index) {
    std::optional<BatchRunRecord> out;
    db.query(SqlText() << "SELECT " << kRunColumns << " FROM batch_run WHERE batchID = " << batch_id
                       << " AND run_index = " << run_index,
             [&](sql::ResultSet& rs) { out = run_of(rs); });
    return out;
}

ClaimOutcome claim_batch_run(DatabaseAccess& db, int batch_id, int run_index, const std::string& host) {
    const int claimed =
        db.update(SqlText() << "UPDATE batch_run SET state = 'running', attempt = attempt + 1, host = '"
                            << SqlValue{host} << "', connection_id = CONNECTION_ID(), started = NOW(6), "
                            << "finished = NULL, seconds = NULL, analysis_seconds = NULL, error = NULL "
                            << "WHERE batchID = " << batch_id << " AND run_index = " << run_index
                            << " AND (state = 'queued' OR (state = 'running' AND " << kConnectionGone << "))");
    if (claimed == 1) return ClaimOutcome::Claimed;
    const auto row = load_batch_run(db, batch_id, run_index);
    if (!row) return ClaimOutcome::NoSuchRun;
    if (row->state == "done") return ClaimOutcome::Done;
    if (row->state == "failed") return ClaimOutcome::Failed;
    return ClaimOutcome::RunningElsewhere;
}

std::vector<int> claimable_batch_runs(DatabaseAccess& db, int batch_id) {
    std::vector<int> out;
    db.query(SqlText() << "SELECT run_index FROM batch_run WHERE batchID = " << batch_id
                       << " AND (state = 'queued' OR (state = 'running' AND " << kConnectionGone
                       << ")) ORDER BY run_index",
             [&](sql::ResultSet& rs) { out.push_back(rs.getInt("run_index")); });
    return out;
}

bool finish_batch_run(DatabaseAccess& db, int batch_id, int run_index, const std::string& summary,
                      std::optional<int> configuration_id, double seconds, double analysis_seconds) {
    SqlText s;
    s << "UPDATE batch_run SET state = 'done', finished = NOW(6), seconds = " << seconds
      << ", analysis_seconds = " << analysis_seconds << ", summary = '" << SqlValue{summary}
      << "', configurationID = ";
    if (configuration_id)
        s << *configuration_id;
    else
        s << "NULL";
    s << " WHERE batchID = " << batch_id << " AND run_index = " << run_index
      << " AND state = 'running' AND connection_id = CONNECTION_ID()";
    return db.update(s) == 1;
}

bool fail_batch_run(DatabaseAccess& db, int batch_id, int run_index, const std::string& error, double seconds) {
    return db.update(SqlText() << "UPDATE batch_run SET state = 'failed', finished = NOW(6), seconds = " << seconds
                               << ", error = '" << SqlValue{error} << "' WHERE batchID = " << batch_id
                               << " AND run_index = " << run_index
                               << " AND state = 'running' AND connection_id = CONNECTION_ID()") == 1;
}

int retry_failed_batch_runs(DatabaseAccess& db, int batch_id) {
    return db.update(SqlText() << "UPDATE batch_run SET state = 'queued', connection_id = NULL WHERE batchID = "
                               << batch_id << " AND state = 'failed'");
}

std::map<std::string, int> batch_state_counts(DatabaseAccess& db, int batch_id) {
    std::map<std::string, int> out{{"queued", 0}, {"running", 0}, {"done", 0}, {"failed", 0}, {"stale", 0}};
    db.query(SqlText() << "SELECT state, COUNT(*) AS n, SUM(state = 'running' AND " << kConnectionGone
                       << ") AS stale FROM batch_run WHERE batchID = " << batch_id << " GROUP BY state",
             [&](sql::ResultSet& rs) {
                 out[rs.getString("state")] = rs.getInt("n");
                 if (!rs.isNull("stale")) out["stale"] += rs.getInt("stale");
             });
    return out;
}

std::vector<int> configuration_pixel_ids(DatabaseAccess& db, int configuration_id) {
    std::vector<int> out;
    db.query(SqlText() << "SELECT DISTINCT pixelID FROM result WHERE configurationID = " << configuration_id
                       << " ORDER BY pixelID",
             [&](sql::ResultSet& rs) { out.push_back(rs.getInt("pixelID")); });
    return out;
}

std::optional<int> configuration_country(DatabaseAccess& db, int configuration_id) {
    std::optional<int> out;
    db.query(SqlText() << "SELECT countryID FROM configuration WHERE configurationID = " << configuration_id
                       << " LIMIT 1",
             [&](sql::ResultSet& rs) { out = rs.getInt("countryID"); });
    return out;
}

std::vector<PixelCell> area_pixel_cells(DatabaseAccess& db, int country_id) {
    std::vector<PixelCell> out;
    db.query(SqlText() << "SELECT pixelID, matrix_i, matrix_j, x_coordinate, y_coordinate FROM pixel "
                       << "WHERE countryID = " << country_id << " ORDER BY pixelID",
             [&](sql::ResultSet& rs) {
                 out.push_back({rs.getInt("pixelID"), rs.getInt("matrix_i"), rs.getInt("matrix_j"),
                                rs.getInt("x_coordinate"), rs.getInt("y_coordinate")});
             });
    return out;
}

}  // namespace pravel
