// pravel-cli: the analyses without windows, for scripted and reproducible
// runs. Each analysis reads a scenario file (see examples/) and prints the
// lines its window would show, or a JSON document with --json.
#include <CLI/CLI.hpp>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <new>
#include <vector>
#include <iostream>
#include <string>

#include "cli/analyses.h"
#include "cli/batch_commands.h"
#include "cli/gis_commands.h"
#include "cli/map_command.h"
#include "cli/progress_line.h"
#include "cli/policy_commands.h"
#include "cli/run_checks.h"
#include "cli/scenario.h"
#include "common/feedback.h"
#include "common/notifier.h"
#include "core/evaluation_run.h"
#include "store/database_access.h"
#include "store/landscape_store.h"

namespace {

using namespace pravel;

// An option of an optional number takes an empty value for no value at all,
// so `--max-seconds ""` would run as if the option were absent; refused.
CLI::Validator non_empty_value(const std::string& what) {
    return CLI::Validator(
        [what](std::string& value) { return value.empty() ? "needs " + what + ", not an empty text" : std::string(); },
        "");
}

// Messages of the analyses (notices, the optimiser's iteration count) go to
// stderr, marked as the tool's; questions are answered with yes.
class CliNotifier : public Notifier {
public:
    void inform(const std::string& text) override { print(text); }
    bool ask_yes_no(const std::string& text) override {
        print(text);
        return true;
    }
    using Notifier::ask_ok_cancel;
    bool ask_ok_cancel(const std::string& text, const std::string& /*title*/) override {
        print(text);
        return true;
    }

private:
    static void print(const std::string& text) { std::cerr << "pravel-cli: " << text << '\n'; }
};

// Every refused input ends here: the reason on stderr, then exit status 2,
// before anything is run or written.
constexpr int kRefused = 2;
int refuse(const std::string& reason) {
    std::cerr << "pravel-cli: " << reason << '\n';
    return kRefused;
}

// What an exception that no command handles says on stderr: the command
// ends with status 2 instead of aborting.
constexpr const char* kOutOfMemory = "not enough memory to finish the command";
std::string failure_text(const std::exception& e) {
    if (dynamic_cast<const std::bad_alloc*>(&e)) return kOutOfMemory;
    return e.what();
}

using Analysis = std::function<cli::AnalysisOutput(DatabaseAccess&, const cli::Scenario&, const cli::RunOptions&)>;

int run_analysis(const Analysis& analysis, const std::string& scenario_path, cli::RunOptions options, bool as_json) {
    try {
        const cli::Scenario scenario = cli::load_scenario_file(scenario_path);
        DatabaseAccess db;
        cli::ProgressLine progress;
        options.feedback = progress.feedback();
        const cli::AnalysisOutput out = analysis(db, scenario, options);
        if (as_json) {
            std::cout << out.json.dump(2) << '\n';
        } else {
            for (const auto& line : out.lines) std::cout << line << '\n';
        }
        if (!out.notice.empty()) std::cerr << out.notice << '\n';
        return out.status;
    } catch (const cli::ScenarioError& e) {
        return refuse(e.what());
    } catch (const std::exception& e) {
        return refuse(failure_text(e));
    }
}

int run_command_line(int argc, char** argv) {
    CLI::App app{"pravel-cli: grassland measure analyses without windows"};
    std::string config = "db_config.txt";
    std::optional<std::uint32_t> seed;
    app.add_option("--db-config", config, "settings file: host, user, password, schema (one per line)");
    app.add_option("--seed", seed, "seed of the evaluation and of the optimiser's search (reproducible runs)");
    bool progress = false;
    app.add_flag("--progress", progress,
                 "print progress lines on stderr (stage, share done, seconds) even when it is not a terminal");
    std::optional<std::string> threads;
    app.add_option("--threads", threads,
                   "threads of the evaluation (default: every core); any number gives the same results");
    app.require_subcommand(1);

    auto* countries = app.add_subcommand("countries", "list the study areas in the database");

    struct Command {
        CLI::App* app;
        std::string scenario;
        std::optional<std::string> report;
        std::optional<std::string> store;
        std::optional<double> max_seconds;
        std::string method = "breakpoint";
        bool json = false;
        bool visualize = false;
        Analysis analysis;
    };
    std::vector<std::unique_ptr<Command>> owned;
    auto add = [&](const char* name, const char* help, Analysis analysis, bool report, bool store) {
        owned.push_back(std::make_unique<Command>(
            Command{app.add_subcommand(name, help), {}, {}, {}, {}, "breakpoint", false, false, std::move(analysis)}));
        Command* c = owned.back().get();
        c->app->add_option("scenario", c->scenario, "scenario file (JSON)")->required()->check(CLI::ExistingFile);
        c->app->add_flag("--json", c->json, "print a machine-readable result instead of the lines");
        if (report) c->app->add_option("--report", c->report, "write the analysis report to this file");
        if (store) {
            c->app->add_option("--store", c->store, "store the run as a configuration under this name");
            c->app->add_option("--max-seconds", c->max_seconds,
                               "seconds for the search alone (default 25 for the breakpoint search, longer or "
                               "shorter); a search stopped before it has a solution exits with status 3")
                ->check(non_empty_value("a number of seconds"));
            c->app->add_option("--method", c->method, "search method: breakpoint (default) or annealing")
                ->check(CLI::IsMember({"breakpoint", "annealing"}));
        } else {
            c->app->add_flag("--visualize", c->visualize, "write the map rows as the window's Visualize does");
        }
        return c;
    };
    Command* commands[] = {
        add("effectiveness", "effectiveness and cost of measures", cli::without_zones(cli::run_effectiveness_analysis),
            false, false),
        add("programme", "simulation of an agri-environmental programme", cli::run_programme_in_zones, true, false),
        add("minimise-budget", "budget minimisation for given goals",
            [](DatabaseAccess& db, const cli::Scenario& s, const cli::RunOptions& o) {
                return s.zones ? cli::run_zoned_budget_minimisation(db, s, o) : cli::run_budget_minimisation(db, s, o);
            },
            true, true),
        add("maximise-goal", "goal maximisation for a given budget",
            [](DatabaseAccess& db, const cli::Scenario& s, const cli::RunOptions& o) {
                return s.zones ? cli::run_zoned_goal_maximisation(db, s, o) : cli::run_goal_maximisation(db, s, o);
            },
            true, true),
    };

    cli::MapCommand map_command;
    auto* map = app.add_subcommand("map", "draw a map as its view would into an image file (.png or .bmp)");
    map->add_option("--view", map_command.view, "configuration: a stored configuration; result: the last analysis")
        ->required()
        ->check(CLI::IsMember({"configuration", "result"}));
    map->add_option("--configuration", map_command.configuration_id, "configurationID (default: the first stored)");
    map->add_option("--species", map_command.species, "species name (default: the first of the list)");
    map->add_option("--measure", map_command.measure, "result view: measureID or \"all\" (default: the first)");
    map->add_option("--general-layer", map_command.general_layer,
                    "landscape: 1 altitude, 2 manure status, 4 land type, 5 grassland economic value, 10 land use");
    map->add_option("--result-layer", map_command.result_layer,
                    "result: 7 quality, 8 species on result pixel (configuration view), 9 payment - cost");
    map->add_flag("--only-results", map_command.only_results, "leave out the landscape");
    map->add_option("--scale", map_command.scale,
                    "screen pixels per raster cell; draws the map as its window does, legends beside it");
    map->add_option("--fit", map_command.fit, "WIDTHxHEIGHT: fit the study area into a map area of this size");
    map->add_option("--out", map_command.out, "image file")->required();

    cli::GisCommands gis_commands;
    cli::add_gis_commands(app, gis_commands);
    cli::BatchCommands batch_commands;
    cli::add_batch_commands(app, gis_commands.export_results, batch_commands);
    cli::PolicyCommands policy_commands;
    cli::add_policy_commands(app, policy_commands);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        // --help and the like end here too, with their own status 0.
        if (e.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success)) return app.exit(e);
        return refuse(std::string(e.what()) + "\nRun with --help for more information.");
    }
    if (threads) {
        const std::optional<int> n = cli::thread_count(*threads);
        if (!n) return refuse(cli::kThreadsRefused + (" (got \"" + *threads + "\")"));
        set_evaluation_threads(*n);
    }
    set_database_config_path(config);
    if (progress) cli::set_progress_mode(cli::ProgressMode::Lines);
    set_notifier(std::make_shared<CliNotifier>());

    if (countries->parsed()) {
        DatabaseAccess db;
        for (const auto& name : country_names(db)) std::cout << name << '\n';
        return 0;
    }
    if (map->parsed()) {
        if (auto problem = cli::output_path_problem("--out", map_command.out); !problem.empty()) return refuse(problem);
        return cli::run_map_command(map_command, argc, argv);
    }
    if (auto status = cli::run_batch_commands(batch_commands, gis_commands.out)) return *status;
    if (auto status = cli::run_gis_commands(gis_commands)) return *status;
    {
        cli::ProgressLine progress;
        if (auto status = cli::run_policy_commands(policy_commands, seed, progress.feedback())) return *status;
    }
    for (Command* c : commands) {
        if (!c->app->parsed()) continue;
        cli::RunOptions options;
        options.seed = seed;
        options.report_path = c->report;
        options.store_name = c->store;
        options.max_seconds = c->max_seconds;
        options.method = c->method;
        options.visualize = c->visualize;
        if (auto problem = cli::run_options_problem(options); !problem.empty()) return refuse(problem);
        return run_analysis(c->analysis, c->scenario, options, c->json);
    }
    return 0;
}

}  // namespace

// Every command runs inside one guard, so that an exception none of them
// handles (memory running out among them) ends the tool with its message and
// status 2 rather than an abort.
int main(int argc, char** argv) {
    try {
        return run_command_line(argc, argv);
    } catch (const std::exception& e) {
        return refuse(failure_text(e));
    }
}
