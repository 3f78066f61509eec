#pragma once
// Submitting a batch to Slurm as a job array: one array task per run, each
// running `pravel-cli batch task ID` (the task index names the run).
#include <optional>
#include <string>

namespace pravel::batch {

struct SlurmOptions {
    std::optional<std::string> partition;
    std::optional<int> max_parallel;  // %K of --array
    std::optional<std::string> time;  // --time, Slurm's notation
};

struct SlurmJob {
    std::string script_path;
    std::string array;   // "0-(N-1)%K"
    std::string job_id;  // as sbatch printed it
};

// The job-array script for a batch: `program` with `config` (absolute paths)
// run in `work_dir`, output per task beside the script.
std::string slurm_script(int batch_id, const std::string& program, const std::string& config,
                         const std::string& work_dir, const std::string& output_dir, const SlurmOptions& options);

// The --array value for `runs` runs.
std::string array_range(int runs, const std::optional<int>& max_parallel);

// Writes the script into `script_dir` and submits it with sbatch. Throws
// std::runtime_error with sbatch's own words when it refuses.
SlurmJob submit_to_slurm(int batch_id, int runs, const std::string& program, const std::string& config,
                         const std::string& script_dir, const SlurmOptions& options);

}  // namespace pravel::batch
