#include "batch/batch_slurm.h"

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <stdexcept>

#include "batch/batch_file.h"
#include "common/atomic_file.h"

namespace pravel::batch {

namespace {

// Single quotes for the shell: 'it'\''s'.
std::string shell_quoted(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    return out + "'";
}

}  // namespace

std::string array_range(int runs, const std::optional<int>& max_parallel) {
    std::string r = "0-" + std::to_string(runs - 1);
    if (max_parallel) r += "%" + std::to_string(*max_parallel);
    return r;
}

std::string slurm_script(int batch_id, const std::string& program, const std::string& config,
                         const std::string& work_dir, const std::string& output_dir, const SlurmOptions& options) {
    const std::string id = std::to_string(batch_id);
    std::string s = "#!/bin/bash\n";
    s += "# Runs of batch " + id + ": array task I runs run I. A task that is started again (a requeue, a\n";
    s += "# second submission) does nothing when its run is done, and takes up a run whose process was\n";
    s += "# stopped.\n";
    s += "#SBATCH --job-name=pravel-batch-" + id + "\n";
    s += "#SBATCH --output=" + output_dir + "/pravel-batch-" + id + "-%A_%a.out\n";
    s += "#SBATCH --requeue\n";
    s += "#SBATCH --ntasks=1\n";
    if (options.partition) s += "#SBATCH --partition=" + *options.partition + "\n";
    if (options.time) s += "#SBATCH --time=" + *options.time + "\n";
    s += "cd " + shell_quoted(work_dir) + " || exit 1\n";
    s += "exec " + shell_quoted(program) + " --db-config " + shell_quoted(config) + " batch task " + id + "\n";
    return s;
}

SlurmJob submit_to_slurm(int batch_id, int runs, const std::string& program, const std::string& config,
                         const std::string& script_dir, const SlurmOptions& options) {
    if (runs < 1) throw BatchError("batch " + std::to_string(batch_id) + " has no runs");
    if (options.max_parallel && *options.max_parallel < 1) throw BatchError("--max-parallel must be 1 or more");
    SlurmJob job;
    job.array = array_range(runs, options.max_parallel);
    job.script_path = (std::filesystem::path(script_dir) / ("pravel-batch-" + std::to_string(batch_id) + ".sbatch"))
                          .string();
    const std::string text = slurm_script(batch_id, program, config, std::filesystem::current_path().string(),
                                          script_dir, options);
    AtomicFile file;
    if (!file.open(job.script_path) || !file.write(text.data(), text.size()) || !file.close())
        throw BatchError(job.script_path + ": cannot be written (" + file.error() + ")");

    const std::string command = "sbatch --parsable --array=" + job.array + " " + shell_quoted(job.script_path) + " 2>&1";
    FILE* p = ::popen(command.c_str(), "r");
    if (!p) throw std::runtime_error("sbatch could not be started");
    std::string out;
    char buf[512];
    while (std::fgets(buf, sizeof buf, p)) out += buf;
    const int status = ::pclose(p);
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error("sbatch refused the batch: " + (out.empty() ? std::string("no output") : out));
    // --parsable prints "jobid" or "jobid;cluster".
    job.job_id = out.substr(out.rfind('\n') == std::string::npos ? 0 : out.rfind('\n') + 1);
    job.job_id = job.job_id.substr(0, job.job_id.find(';'));
    return job;
}

}  // namespace pravel::batch
