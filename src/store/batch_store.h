#pragma once
// The tables of scenario batches: `batch` (one row per batch) and
// `batch_run` (one row per run). A run is claimed by a guarded update, so
// that two processes never run it at once, and finished by a guarded update
// inside the caller's transaction, so that a run whose claim was taken over
// writes nothing.
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace pravel {

class DatabaseAccess;

struct BatchRecord {
    int batchID = 0;
    std::string name;
    std::string batch_file;   // the batch file as submitted
    std::string source_path;  // where it was read from
    std::string base_scenario;  // the base scenario's text, so that nodes need no shared files
    std::string created;
};

struct BatchRunRecord {
    int batchID = 0;
    int run_index = 0;
    std::string parameters;  // JSON object: varied path -> value
    std::string state;       // queued, running, done, failed
    int attempt = 0;
    std::string host;
    std::optional<long long> connection_id;
    bool connection_alive = false;  // the claiming connection is still open
    std::string started;
    std::string finished;
    std::optional<double> seconds;
    std::optional<double> analysis_seconds;
    std::string summary;  // JSON; empty until done
    std::optional<int> configurationID;
    std::string error;
};

// Writes the batch and its runs (state queued) in one transaction; returns
// the new batchID.
int create_batch(DatabaseAccess& db, const BatchRecord& batch, const std::vector<std::string>& run_parameters);

std::optional<BatchRecord> load_batch(DatabaseAccess& db, int batch_id);
std::vector<BatchRunRecord> load_batch_runs(DatabaseAccess& db, int batch_id);
std::optional<BatchRunRecord> load_batch_run(DatabaseAccess& db, int batch_id, int run_index);

enum class ClaimOutcome { Claimed, Done, Failed, RunningElsewhere, NoSuchRun };

// Claims run `run_index` for this connection: a queued run, or a running one
// whose claiming connection is gone (a killed process). The attempt count
// goes up by one. Done and failed runs and runs held by a live connection are
// left alone.
ClaimOutcome claim_batch_run(DatabaseAccess& db, int batch_id, int run_index, const std::string& host);

// The runs that claim_batch_run would take now, in index order.
std::vector<int> claimable_batch_runs(DatabaseAccess& db, int batch_id);

// Marks the run claimed by this connection done (or failed). False, writing
// nothing, when the run is no longer held by this connection (its claim was
// taken over); the caller then rolls its transaction back.
bool finish_batch_run(DatabaseAccess& db, int batch_id, int run_index, const std::string& summary,
                      std::optional<int> configuration_id, double seconds, double analysis_seconds);
bool fail_batch_run(DatabaseAccess& db, int batch_id, int run_index, const std::string& error, double seconds);

// Failed runs back to queued; the number of runs requeued.
int retry_failed_batch_runs(DatabaseAccess& db, int batch_id);

// Runs per state (queued, running, done, failed), plus "stale": running runs
// whose claiming connection is gone.
std::map<std::string, int> batch_state_counts(DatabaseAccess& db, int batch_id);

// Pixel IDs of the `result` rows of a stored configuration.
std::vector<int> configuration_pixel_ids(DatabaseAccess& db, int configuration_id);

// The study area of a stored configuration, none when it has no rows.
std::optional<int> configuration_country(DatabaseAccess& db, int configuration_id);

struct PixelCell {
    int pixelID = 0;
    int matrix_i = 0;
    int matrix_j = 0;
    long long x = 0;
    long long y = 0;
};
// Every pixel of a study area with its cell, in pixelID order.
std::vector<PixelCell> area_pixel_cells(DatabaseAccess& db, int country_id);

}  // namespace pravel
