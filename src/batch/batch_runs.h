#pragma once
// Creating a batch and running its runs: one run by index (a Slurm array
// task), a worker that takes queued runs until none is left, and local
// workers as processes of this machine.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "batch/batch_file.h"

namespace pravel {
class DatabaseAccess;
}

namespace pravel::batch {

// Ends a run: stores the configuration (when `store` is given) and writes the
// run's row done with the summary, in one transaction. The analysis calls it
// exactly once, with its result; it returns the stored configuration's ID.
using StoreConfiguration = std::function<std::optional<int>()>;
using Commit = std::function<std::optional<int>(const nlohmann::json& summary, const StoreConfiguration& store)>;

// One analysis a batch can run. Adding an analysis to batches is adding one
// of these to the list the tool passes in.
struct BatchAnalysis {
    std::string name;  // as in the batch file's "analysis"
    ScenarioCheck check;
    // Runs the scenario with the seed; a configuration, when the analysis
    // stores one, under `configuration_name`; ends with `commit`. Throws with
    // the reason when the run fails.
    std::function<void(DatabaseAccess& db, const nlohmann::ordered_json& scenario, std::uint32_t seed,
                       const std::string& configuration_name, const Commit& commit)>
        run;
};
using BatchAnalyses = std::vector<BatchAnalysis>;

const BatchAnalysis* find_analysis(const BatchAnalyses& analyses, const std::string& name);

// Reads the batch file and its base scenario (relative to the batch file),
// expands the runs and stores them queued. Throws BatchError before writing
// anything when the file is refused. Returns the batchID.
int create_batch_from_file(DatabaseAccess& db, const std::string& path, const BatchAnalyses& analyses);

// The batch file of a stored batch, read again. Throws BatchError when the
// batch does not exist.
BatchFile stored_batch_file(DatabaseAccess& db, int batch_id, const BatchAnalyses& analyses);

enum class TaskOutcome { Done, AlreadyDone, Failed, AlreadyFailed, RunningElsewhere, ClaimLost };
const char* outcome_text(TaskOutcome outcome);

// Claims run `run_index` and runs it. Throws BatchError for an unknown batch
// or run.
TaskOutcome run_batch_task(DatabaseAccess& db, int batch_id, int run_index, const BatchAnalyses& analyses,
                           const std::function<void(const std::string& line)>& say);

// Takes claimable runs one after another until none is left; the number of
// runs this worker ran.
int run_batch_worker(DatabaseAccess& db, int batch_id, const BatchAnalyses& analyses,
                     const std::function<void(const std::string& line)>& say);

// Starts `workers` processes of `program` with `arguments` and waits for them
// all; true when every one ended with status 0.
bool run_processes(const std::string& program, const std::vector<std::string>& arguments, int workers);

// This machine's short host name.
std::string short_host_name();

}  // namespace pravel::batch
