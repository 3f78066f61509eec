// pravel-cli: the analyses without windows, for scripted and reproducible
// runs. Each analysis reads a scenario file (see examples/) and prints the
// lines its window would show, or a JSON document with --json.
#include <CLI/CLI.hpp>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <vector>
#include <iostream>
#include <string>

#include "cli/analyses.h"
#include "cli/gis_commands.h"
#include "cli/map_command.h"
#include "cli/policy_commands.h"
#include "cli/run_checks.h"
#include "cli/scenario.h"
#include "common/feedback.h"
#include "common/notifier.h"
#include "store/database_access.h"
#include "store/landscape_store.h"

namespace {

using namespace pravel;

// A progress line on stderr while a long analysis runs, when stderr is a
// terminal.
class TerminalProgress {
public:
    Feedback* feedback() { return enabled_ ? &feedback_ : nullptr; }
    ~TerminalProgress() {
        if (printed_) std::fputs("\n", stderr);
    }

private:
    bool enabled_ = ::isatty(2) != 0;
    bool printed_ = false;
    Feedback feedback_{[this](const Feedback::Progress& p) {
        if (p.total > 0) {
            std::fprintf(stderr, "\r%s: %lld of %lld   ", p.stage.c_str(), p.step, p.total);
        } else {
            std::fprintf(stderr, "\r%s: iteration %lld, temperature %.4g, best %.6g   ", p.stage.c_str(), p.step,
                         p.value, p.best);
        }
        std::fflush(stderr);
        printed_ = true;
    }};
};

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

using Analysis = std::function<cli::AnalysisOutput(DatabaseAccess&, const cli::Scenario&, const cli::RunOptions&)>;

int run_analysis(const Analysis& analysis, const std::string& scenario_path, cli::RunOptions options, bool as_json) {
    try {
        const cli::Scenario scenario = cli::load_scenario_file(scenario_path);
        DatabaseAccess db;
        TerminalProgress progress;
        options.feedback = progress.feedback();
        const cli::AnalysisOutput out = analysis(db, scenario, options);
        if (as_json) {
            std::cout << out.json.dump(2) << '\n';
        } else {
            for (const auto& line : out.lines) std::cout << line << '\n';
        }
        if (!out.notice.empty()) std::cerr << out.notice << '\n';
        return 0;
    } catch (const cli::ScenarioError& e) {
        return refuse(e.what());
    } catch (const std::exception& e) {
        std::cerr << "pravel-cli: " << e.what() << '\n';
        return 1;
    }
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"pravel-cli: grassland measure analyses without windows"};
    std::string config = "db_config.txt";
    std::optional<std::uint32_t> seed;
    app.add_option("--db-config", config, "settings file: host, user, password, schema (one per line)");
    app.add_option("--seed", seed, "seed of the evaluation and of the optimiser's search (reproducible runs)");
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
                               "stop the search after this many seconds and keep its best solution");
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
        add("programme", "simulation of an agri-environmental programme", cli::without_zones(cli::run_programme), true,
            false),
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
    cli::PolicyCommands policy_commands;
    cli::add_policy_commands(app, policy_commands);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        // --help and the like end here too, with their own status 0.
        if (e.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success)) return app.exit(e);
        return refuse(std::string(e.what()) + "\nRun with --help for more information.");
    }
    set_database_config_path(config);
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
    if (auto status = cli::run_gis_commands(gis_commands)) return *status;
    {
        TerminalProgress progress;
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
