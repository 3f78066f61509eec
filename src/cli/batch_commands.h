#pragma once
// The batch commands of the command-line tool (`batch create|run|task|
// submit|status|collect|retry` and `export --batch ID --frequency`), and the
// analyses a batch can run.
#include <CLI/CLI.hpp>

#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "batch/batch.h"

namespace pravel::cli {

// The analyses of batch files: one entry each, running the tool's own
// analysis with the run's seed and storing optimisations as configurations.
const batch::BatchAnalyses& batch_analyses();

// An analysis's JSON document without what differs between two runs of the
// same scenario (seconds taken, the stored configuration's ID): a run's
// summary.
nlohmann::json batch_summary(nlohmann::json result);

struct BatchCommands {
    CLI::App* batch = nullptr;
    CLI::App* create = nullptr;
    CLI::App* run = nullptr;
    CLI::App* task = nullptr;
    CLI::App* submit = nullptr;
    CLI::App* status = nullptr;
    CLI::App* collect = nullptr;
    CLI::App* retry = nullptr;

    std::string file;
    int id = 0;
    int workers = 1;
    std::optional<int> index;
    bool until_done = false;
    bool slurm = false;
    batch::SlurmOptions slurm_options;
    bool wait = false;
    std::optional<double> timeout;
    std::string csv;
    std::optional<std::string> plot;

    // export --batch ID --frequency [--group K]
    std::optional<int> export_batch;
    bool frequency = false;
    std::optional<int> group;
};

void add_batch_commands(CLI::App& app, CLI::App* export_command, BatchCommands& commands);

// The exit status of the batch command that was parsed, none when none was.
// Refusals print their reason and give 2.
std::optional<int> run_batch_commands(const BatchCommands& commands, const std::string& export_out);

}  // namespace pravel::cli
