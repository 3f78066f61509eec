#include "cli/batch_commands.h"

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <thread>

#include "cli/analyses.h"
#include "cli/batch_plot.h"
#include "cli/scenario.h"
#include "common/atomic_file.h"
#include "store/batch_store.h"
#include "store/database_access.h"

namespace pravel::cli {

namespace {

using ojson = nlohmann::ordered_json;
using Analysis = AnalysisOutput (*)(DatabaseAccess&, const Scenario&, const RunOptions&);

constexpr int kRefused = 2;
constexpr int kStopped = 3;

void check_scenario(const ojson& scenario) { parse_scenario(nlohmann::json::parse(scenario.dump())); }

// An analysis that stores its result as a configuration: the run's row is
// written in the store's transaction.
batch::BatchAnalysis storing(const char* name, Analysis analysis) {
    return {name, check_scenario,
            [analysis](DatabaseAccess& db, const ojson& scenario, std::uint32_t seed, const std::string& config_name,
                       const batch::Commit& commit) {
                RunOptions o;
                o.seed = seed;
                o.store_name = config_name;
                o.store_scope = [&](const nlohmann::json& result, const std::function<std::optional<int>()>& store) {
                    return commit(batch_summary(result), store);
                };
                analysis(db, parse_scenario(nlohmann::json::parse(scenario.dump())), o);
            }};
}

// An analysis that stores nothing: the run's row is written after it.
batch::BatchAnalysis plain(const char* name, Analysis analysis) {
    return {name, check_scenario,
            [analysis](DatabaseAccess& db, const ojson& scenario, std::uint32_t seed, const std::string&,
                       const batch::Commit& commit) {
                RunOptions o;
                o.seed = seed;
                const AnalysisOutput out = analysis(db, parse_scenario(nlohmann::json::parse(scenario.dump())), o);
                commit(batch_summary(out.json), nullptr);
            }};
}

int refuse(const std::string& reason) {
    std::cerr << "pravel-cli: " << reason << '\n';
    return kRefused;
}

void say(const std::string& line) { std::cerr << "pravel-cli: " << line << '\n'; }

std::string this_program() {
    std::error_code ec;
    const auto p = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) throw std::runtime_error("cannot find this program's path: " + ec.message());
    return p.string();
}

std::string absolute_config() { return std::filesystem::absolute(database_config_path()).string(); }

std::vector<std::string> varied_paths(const batch::BatchFile& file) {
    std::vector<std::string> out;
    for (const auto& v : file.vary) out.push_back(v.path);
    return out;
}

int create(const BatchCommands& c) {
    DatabaseAccess db;
    const int id = batch::create_batch_from_file(db, c.file, batch_analyses());
    std::cout << id << '\n';
    const auto counts = batch_state_counts(db, id);
    say("batch " + std::to_string(id) + " created with " + std::to_string(counts.at("queued")) + " runs");
    return 0;
}

int task(const BatchCommands& c) {
    DatabaseAccess db;
    if (c.until_done) {
        const int ran = batch::run_batch_worker(db, c.id, batch_analyses(), say);
        say("worker " + std::to_string(::getpid()) + " ran " + std::to_string(ran) + " runs");
        return 0;
    }
    std::optional<int> index = c.index;
    if (!index) {
        const char* env = std::getenv("SLURM_ARRAY_TASK_ID");
        if (!env) return refuse("batch task needs --index I (or $SLURM_ARRAY_TASK_ID in a Slurm array task)");
        char* end = nullptr;
        const long v = std::strtol(env, &end, 10);
        if (*env == '\0' || *end != '\0' || v < 0 || v > INT32_MAX)
            return refuse(std::string("$SLURM_ARRAY_TASK_ID is not a run index: ") + env);
        index = static_cast<int>(v);
    }
    const batch::TaskOutcome o = batch::run_batch_task(db, c.id, *index, batch_analyses(), say);
    say("batch " + std::to_string(c.id) + " run " + std::to_string(*index) + ": " + batch::outcome_text(o));
    return o == batch::TaskOutcome::Failed ? 1 : 0;
}

int run_local(const BatchCommands& c) {
    if (c.workers < 1) return refuse("--workers must be 1 or more");
    {
        DatabaseAccess db;
        if (!load_batch(db, c.id)) return refuse("there is no batch " + std::to_string(c.id));
    }
    const bool ok = batch::run_processes(
        this_program(), {"--db-config", absolute_config(), "batch", "task", std::to_string(c.id), "--until-done"},
        c.workers);
    DatabaseAccess db;
    const auto counts = batch_state_counts(db, c.id);
    std::cout << batch::status_line(counts) << '\n';
    if (!ok) return 1;
    return counts.at("failed") > 0 || counts.at("queued") > 0 || counts.at("running") > 0 ? 1 : 0;
}

int submit(const BatchCommands& c) {
    if (!c.slurm) return refuse("batch submit needs --slurm (the only scheduler it knows)");
    DatabaseAccess db;
    const auto b = load_batch(db, c.id);
    if (!b) return refuse("there is no batch " + std::to_string(c.id));
    const int runs = static_cast<int>(load_batch_runs(db, c.id).size());
    // The script goes next to the batch file when that folder can be written.
    std::string dir = std::filesystem::current_path().string();
    const auto source_dir = std::filesystem::path(b->source_path).parent_path();
    if (!b->source_path.empty() && std::filesystem::is_directory(source_dir) &&
        ::access(source_dir.c_str(), W_OK) == 0)
        dir = source_dir.string();
    const batch::SlurmJob job =
        batch::submit_to_slurm(c.id, runs, this_program(), absolute_config(), dir, c.slurm_options);
    std::cout << job.job_id << '\n';
    say("submitted batch " + std::to_string(c.id) + " as job " + job.job_id + " (--array=" + job.array +
        ", script " + job.script_path + ")");
    return 0;
}

int status(const BatchCommands& c) {
    DatabaseAccess db;
    if (!load_batch(db, c.id)) return refuse("there is no batch " + std::to_string(c.id));
    const bool terminal = ::isatty(2) != 0;
    const auto start = std::chrono::steady_clock::now();
    std::string last;
    for (;;) {
        const auto counts = batch_state_counts(db, c.id);
        const bool open = counts.at("queued") + counts.at("running") > 0;
        if (!c.wait) {
            std::cout << batch::status_line(counts) << '\n';
            return 0;
        }
        const std::string line = batch::progress_bar(counts, 40) + "  " + batch::status_line(counts);
        if (terminal) {
            std::cerr << '\r' << line << "   " << std::flush;
        } else if (line != last) {
            std::cerr << line << '\n';
        }
        last = line;
        if (!open) {
            if (terminal) std::cerr << '\n';
            std::cout << batch::status_line(counts) << '\n';
            return counts.at("failed") > 0 ? 1 : 0;
        }
        if (c.timeout &&
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() > *c.timeout) {
            if (terminal) std::cerr << '\n';
            std::cout << batch::status_line(counts) << '\n';
            say("stopped waiting after " + std::to_string(static_cast<long long>(*c.timeout)) +
                " seconds; the batch is not finished");
            return kStopped;
        }
        std::this_thread::sleep_for(std::chrono::seconds(2));
    }
}

int collect(const BatchCommands& c) {
    DatabaseAccess db;
    const batch::BatchFile file = batch::stored_batch_file(db, c.id, batch_analyses());
    const auto runs = load_batch_runs(db, c.id);
    const batch::CollectTable table = batch::collect_table(varied_paths(file), runs);
    const std::string text = batch::csv_text(table);
    AtomicFile out;
    if (!out.open(c.csv) || !out.write(text.data(), text.size()) || !out.close())
        return refuse(c.csv + ": cannot be written (" + out.error() + ")");
    const auto counts = batch_state_counts(db, c.id);
    say("wrote " + std::to_string(runs.size()) + " runs to " + c.csv + " (" + batch::status_line(counts) + ")");
    if (c.plot) {
        std::string error;
        if (!write_batch_plot(batch_plot_data(table), *c.plot, error)) {
            std::cerr << "pravel-cli: " << *c.plot << ": " << error << " (the CSV was written)\n";
            return 1;
        }
        say("plot written to " + *c.plot);
    }
    return counts.at("done") == static_cast<int>(runs.size()) ? 0 : kStopped;
}

int retry(const BatchCommands& c) {
    DatabaseAccess db;
    if (!load_batch(db, c.id)) return refuse("there is no batch " + std::to_string(c.id));
    const int n = retry_failed_batch_runs(db, c.id);
    std::cout << n << '\n';
    say(std::to_string(n) + " failed runs of batch " + std::to_string(c.id) + " queued again");
    return 0;
}

int export_frequency(const BatchCommands& c, const std::string& out) {
    DatabaseAccess db;
    if (!load_batch(db, *c.export_batch)) return refuse("there is no batch " + std::to_string(*c.export_batch));
    const auto runs = load_batch_runs(db, *c.export_batch);
    const auto groups = batch::replicate_groups(runs);
    std::size_t g = 0;
    if (c.group) {
        if (*c.group < 0 || static_cast<std::size_t>(*c.group) >= groups.size())
            return refuse("--group " + std::to_string(*c.group) + ": batch " + std::to_string(*c.export_batch) +
                          " has replicate groups 0 to " + std::to_string(groups.size() - 1));
        g = static_cast<std::size_t>(*c.group);
    } else if (groups.size() > 1) {
        return refuse("batch " + std::to_string(*c.export_batch) + " has " + std::to_string(groups.size()) +
                      " groups of replicates; choose one with --group K (0 to " + std::to_string(groups.size() - 1) +
                      ", in the order of their first run)");
    }
    const int n = batch::write_selection_frequency(db, groups.at(g), out);
    say("wrote the selection frequency over " + std::to_string(n) + " runs to " + out);
    return 0;
}

}  // namespace

const batch::BatchAnalyses& batch_analyses() {
    static const batch::BatchAnalyses analyses = {
        storing("minimise-budget", run_budget_minimisation),
        storing("maximise-goal", run_goal_maximisation),
        plain("effectiveness", run_effectiveness_analysis),
        plain("programme", run_programme),
    };
    return analyses;
}

nlohmann::json batch_summary(nlohmann::json result) {
    result.erase("configuration_id");
    result.erase("cost_only_bound_seconds");
    if (result.contains("search") && result["search"].is_object()) result["search"].erase("seconds");
    return result;
}

void add_batch_commands(CLI::App& app, CLI::App* export_command, BatchCommands& c) {
    c.batch = app.add_subcommand("batch", "scenario batches: many runs of one analysis, here or on a Slurm cluster");
    c.batch->require_subcommand(1);
    c.create = c.batch->add_subcommand("create", "store a batch file's runs; prints the batch ID");
    c.create->add_option("file", c.file, "batch file (JSON)")->required()->check(CLI::ExistingFile);
    auto id_option = [&](CLI::App* sub) { sub->add_option("id", c.id, "batch ID")->required(); };
    c.run = c.batch->add_subcommand("run", "run the batch's queued runs on this machine");
    id_option(c.run);
    c.run->add_option("--workers", c.workers, "number of processes (default 1)");
    c.task = c.batch->add_subcommand("task", "run one run of a batch (a Slurm array task)");
    id_option(c.task);
    c.task->add_option("--index", c.index, "run index (default $SLURM_ARRAY_TASK_ID)");
    c.task->add_flag("--until-done", c.until_done, "take queued runs one after another until none is left");
    c.submit = c.batch->add_subcommand("submit", "submit the batch as a job array; prints the job ID");
    id_option(c.submit);
    c.submit->add_flag("--slurm", c.slurm, "submit to Slurm with sbatch")->required();
    c.submit->add_option("--partition", c.slurm_options.partition, "Slurm partition");
    c.submit->add_option("--max-parallel", c.slurm_options.max_parallel, "at most K array tasks at once");
    c.submit->add_option("--time", c.slurm_options.time, "time limit per run (Slurm's notation, e.g. 00:30:00)");
    c.status = c.batch->add_subcommand("status", "runs per state");
    id_option(c.status);
    c.status->add_flag("--wait", c.wait, "wait until no run is queued or running, with a progress bar");
    c.status->add_option("--timeout", c.timeout, "with --wait: stop waiting after this many seconds (exit 3)");
    c.collect = c.batch->add_subcommand("collect", "one line per run with its parameters and summary figures");
    id_option(c.collect);
    c.collect->add_option("--csv", c.csv, "CSV file")->required();
    c.collect->add_option("--plot", c.plot, "PNG file: the first summary figure against the first varied parameter");
    c.retry = c.batch->add_subcommand("retry", "failed runs back to queued");
    id_option(c.retry);

    if (export_command) {
        export_command->add_option("--batch", c.export_batch, "with --frequency: a batch's replicate runs");
        export_command->add_flag("--frequency", c.frequency,
                                 "with --batch: per pixel the share of replicate runs in which it takes part");
        export_command->add_option("--group", c.group, "with --batch: the replicate group (default: the only one)");
    }
}

std::optional<int> run_batch_commands(const BatchCommands& c, const std::string& export_out) {
    try {
        if (c.export_batch || c.frequency) {
            if (!c.export_batch || !c.frequency) return refuse("export needs --batch ID and --frequency together");
            return export_frequency(c, export_out);
        }
        if (!c.batch || !c.batch->parsed()) return std::nullopt;
        if (c.create->parsed()) return create(c);
        if (c.run->parsed()) return run_local(c);
        if (c.task->parsed()) return task(c);
        if (c.submit->parsed()) return submit(c);
        if (c.status->parsed()) return status(c);
        if (c.collect->parsed()) return collect(c);
        if (c.retry->parsed()) return retry(c);
        return std::nullopt;
    } catch (const batch::BatchError& e) {
        return refuse(e.what());
    } catch (const ScenarioError& e) {
        return refuse(e.what());
    } catch (const std::exception& e) {
        std::cerr << "pravel-cli: " << e.what() << '\n';
        return 1;
    }
}

}  // namespace pravel::cli
