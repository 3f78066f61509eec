#include "cli/analyses.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <functional>

#include "common/feedback.h"
#include "common/number_format.h"
#include "core/effectiveness.h"
#include "cli/scenario_resolve.h"
#include "optimisation/configuration_store.h"
#include "optimisation/optimisation_lines.h"
#include "optimisation/report_file.h"
#include "optimisation/optimisation_analysis.h"
#include "simulation/programme_simulation.h"
#include "store/database_access.h"
#include "store/landscape_store.h"
#include "store/result_store.h"

namespace pravel::cli {

namespace {

using nlohmann::json;

// Window fields are texts: an absent scenario value is an empty field.
std::string field(const std::optional<double>& v) { return v ? field_text(*v) : std::string(); }
std::string field(const std::optional<int>& v) { return v ? std::to_string(*v) : std::string(); }

void fail_if(const std::string& message) {
    if (!message.empty()) throw ScenarioError(message);
}

std::vector<std::string> species_names(const std::vector<SpeciesRecord>& species) {
    std::vector<std::string> out;
    for (const auto& s : species) out.push_back(s.name);
    return out;
}

json measure_json(const MeasureRecord& m) {
    return {{"id", m.measureID}, {"name", m.name}, {"first_use", m.month_quarter_first_use},
            {"distances", {m.distance_2use, m.distance_3use, m.distance_4use}}, {"method", m.method_nr}};
}

std::string write_report(const std::optional<std::string>& path, const std::string& content) {
    if (!path) return {};
    const ReportWriteResult r = write_report_file(*path, content);
    if (!r.ok) throw std::runtime_error("the report could not be written: " + r.error);
    return "report written to " + *path;
}

// Writes the report and stores the configuration when the options ask for
// them, and says so in the output's notice. `store` returns the new
// configuration's identifier, none when it could not be stored.
void report_and_store(AnalysisOutput& out, const RunOptions& o, const std::function<std::string()>& report,
                      const std::function<std::optional<int>(const std::string& name)>& store) {
    std::vector<std::string> notices;
    if (o.report_path) notices.push_back(write_report(o.report_path, report()));
    if (o.store_name) {
        const std::function<std::optional<int>()> store_it = [&] { return store(*o.store_name); };
        const auto id = o.store_scope ? o.store_scope(out.json, store_it) : store_it();
        if (!id) throw ScenarioError("a configuration needs a name");
        notices.push_back("stored as configuration " + std::to_string(*id) + " \"" + *o.store_name + "\"");
        out.json["configuration_id"] = *id;
    }
    for (const auto& n : notices) out.notice += (out.notice.empty() ? "" : "\n") + n;
}

json optimisation_json(const OptimisationResult& result, const ResolvedScenario& r, double pixel_area) {
    json j;
    j["measures"] = json::array();
    for (std::size_t m = 0; m < r.measures.size(); ++m) {
        json e = measure_json(r.measures[m]);
        e["payment"] = m < result.payment.size() ? result.payment[m] : 0.0;
        e["participants"] = m < result.participants.size() ? result.participants[m] : 0;
        e["area_ha"] = (m < result.participants.size() ? result.participants[m] : 0) * pixel_area;
        e["maximum_count"] = m < result.max_count.size() ? result.max_count[m] : 0;
        j["measures"].push_back(e);
    }
    j["species"] = json::array();
    for (std::size_t k = 0; k < r.species.size(); ++k) {
        j["species"].push_back({{"name", r.species[k].name},
                                {"effective_area_ha", k < result.effective_area.size() ? result.effective_area[k] : 0.0}});
    }
    j["budget"] = result.budget;
    j["iterations"] = result.iterations;
    return j;
}

SearchMethod method_of(const RunOptions& o) {
    const auto method = parse_search_method(o.method);
    if (!method) throw ScenarioError("unknown search method \"" + o.method + "\" (breakpoint or annealing)");
    return *method;
}

// --max-seconds sets the time of the search alone, shorter or longer than
// its default, and then stops the annealing too.
BreakpointSearchOptions search_options(const RunOptions& o) {
    BreakpointSearchOptions options;
    if (o.max_seconds) {
        options.time_limit_seconds = *o.max_seconds;
        options.limit_annealing = true;
    }
    return options;
}

// The bound line after the result lines; the bound and the report of the
// search (whose seconds differ from run to run, so the lines leave them out)
// in the JSON document.
void add_search_figures(AnalysisOutput& out, const SearchOutcome& s, const ResolvedScenario& r,
                        const std::string& bound_line) {
    out.lines.push_back(bound_line);
    if (s.bound.solved && s.bound.reachable)
        out.json["cost_only_bound"] = s.bound.value;
    else
        out.json["cost_only_bound"] = nullptr;
    out.json["cost_only_bound_seconds"] = s.bound.seconds;
    json search = {{"method", s.report.method},
                   {"seconds", s.report.seconds},
                   {"allocations_evaluated", s.report.evaluations},
                   {"cancelled", s.report.cancelled},
                   {"time_limit_reached", s.report.time_limit_reached}};
    search["seed"] = s.report.seed ? json(*s.report.seed) : json(nullptr);
    json species = json::array();
    for (std::size_t k = 0; k < r.species.size(); ++k) {
        const double achieved = k < s.report.achieved.size() ? s.report.achieved[k] : 0.0;
        json e = {{"name", r.species[k].name}, {"achieved_ha", achieved}};
        if (k < s.report.wanted.size()) {
            e["wanted_ha"] = s.report.wanted[k];
            e["share"] = reached_share(s.report.wanted[k], achieved);
        }
        species.push_back(e);
    }
    search["species"] = species;
    out.json["search"] = search;
}

// Runs the analysis as the window does, the result lines and bound line
// printed, the report written and the configuration stored as the options
// ask.
AnalysisOutput run_optimisation(DatabaseAccess& db, const OptimisationAnalysis& analysis, const ResolvedScenario& r,
                                const RunOptions& o, const json& extra) {
    clear_visualisation_rows(db);  // opening the window
    const double pixel_area = analysis.pixelArea(db);
    const SearchMethod method = method_of(o);
    const AnalysisRun run = analysis.settle(analysis.search(db, method, o.feedback, search_options(o)), pixel_area, &db);
    const OptimisationResult& result = run.outcome.result;

    AnalysisOutput out;
    if (!run.outcome.report.solution) {
        // No answer: no result lines, no map rows, no report, nothing
        // stored; the bound and what the search did are still shown.
        out.status = kStoppedStatus;
        out.json = {{"solution", false}, {"message", kStoppedBeforeSolution}};
        out.json["cancelled"] = run.outcome.report.cancelled;
        out.json["time_limit_reached"] = run.outcome.report.time_limit_reached;
        add_search_figures(out, run.outcome, r, run.bound_line);
        out.notice = std::string("pravel-cli: ") + kStoppedBeforeSolution;
        return out;
    }
    out.lines = run.lines.measures;
    out.lines.insert(out.lines.end(), run.lines.species.begin(), run.lines.species.end());
    out.lines.push_back(run.lines.total_text);
    out.json = optimisation_json(result, r, run.pixel_area);
    out.json["solution"] = true;
    out.json["cancelled"] = run.outcome.report.cancelled;
    out.json["time_limit_reached"] = run.outcome.report.time_limit_reached;
    add_search_figures(out, run.outcome, r, run.bound_line);
    // Complete before the store, whose caller may keep the document with it.
    for (const auto& [key, value] : extra.items()) out.json[key] = value;

    report_and_store(
        out, o, [&] { return analysis.report(run.pixel_area, &run); },
        [&](const std::string& name) { return analysis.store(db, result, name, configuration_clock()); });
    return out;
}

}  // namespace

// The optimisation windows check their species as they are added: each one
// must pass the add check with its values as texts.
void check_optimisation_species(const Scenario& s, bool goal) {
    for (const auto& sp : s.species) {
        const std::string q = field(sp.min_quality);
        const std::string problem = goal ? goal_maximisation_species_problem(true, field(sp.importance), q).text
                                         : budget_minimisation_species_problem(true, q, field(sp.wanted_area_ha)).text;
        if (!problem.empty()) throw ScenarioError(sp.name + ": " + problem);
    }
}

OptimisationInputs optimisation_inputs(const Scenario& s, const ResolvedScenario& r) {
    OptimisationInputs in;
    in.distance_cost_factor = field(s.distance_cost_factor);
    in.transaction_costs = field(s.transaction_costs);
    in.budget = field(s.budget);
    in.country_chosen = s.region.has_value();
    if (r.predation_chosen) in.time_dependent_predation = r.time_dependent;
    in.species_count = r.species.size();
    in.measure_count = r.measures.size();
    return in;
}

EvaluationRequest evaluation_of(const Scenario& s, const ResolvedScenario& r) {
    EvaluationRequest e;
    e.countryID = r.country_id;
    e.time_dependent_predation = r.time_dependent;
    e.species = r.species;
    e.minimum_qualities = r.min_quality;
    e.measures = r.measures;
    e.distance_cost_factor = *s.distance_cost_factor;
    return e;
}

AnalysisOutput run_effectiveness_analysis(DatabaseAccess& db, const Scenario& s, const RunOptions& o) {
    ResolvedScenario r = resolve_scenario(db, s);
    for (const auto& sp : s.species) {
        const std::string problem = effectiveness_species_problem(true, field(sp.min_quality)).text;
        if (!problem.empty()) throw ScenarioError(sp.name + ": " + problem);
    }
    EffectivenessInputs in;
    in.distance_cost_factor = field(s.distance_cost_factor);
    in.transaction_costs = field(s.transaction_costs);
    in.measures = r.measures;
    in.species = r.species;
    in.minimum_qualities = r.min_quality;
    if (r.predation_chosen) in.time_dependent_predation = r.time_dependent;
    if (s.region) in.countryID = r.country_id;
    fail_if(effectiveness_input_problem(in).text);

    // Opening the window empties both result tables.
    clear_visualisation_rows(db);
    clear_graphic_rows(db);
    EffectivenessRun run = run_effectiveness(db, in, o.feedback, o.seed.value_or(1));
    fail_if(run.message);
    if (o.visualize) write_visualisation_rows(db, run);

    AnalysisOutput out;
    out.lines = run.lines;
    json measures = json::array();
    for (std::size_t m = 0; m < run.measures.size(); ++m) {
        const auto& list = run.results[m];
        json e = measure_json(run.measures[m]);
        if (!list.empty()) {
            e["cost_min"] = shown_cost(list.front(), run.transaction_costs);
            e["cost_max"] = shown_cost(list.back(), run.transaction_costs);
        }
        e["qualifying_pixels"] = list.size();
        e["area_ha"] = list.size() * run.pixel_area;
        // Per species the sum of its qualities in list order (one that is
        // not stored is 0).
        std::vector<double> sums(run.species.size(), 0.0);
        for (std::size_t r = 0; r < list.size(); ++r) {
            for (std::size_t e = list.quality_begin(r); e < list.quality_end(r); ++e) {
                if (list.species_index(e) < sums.size()) sums[list.species_index(e)] += list.quality(e);
            }
        }
        json species = json::array();
        for (std::size_t k = 0; k < run.species.size(); ++k) {
            species.push_back({{"name", run.species[k].name}, {"effective_area_ha", sums[k] * run.pixel_area}});
        }
        e["species"] = species;
        measures.push_back(e);
    }
    out.json = {{"analysis", "effectiveness"}, {"pixel_area_ha", run.pixel_area}, {"measures", measures}};
    return out;
}

AnalysisOutput run_budget_minimisation(DatabaseAccess& db, const Scenario& s, const RunOptions& o) {
    ResolvedScenario r = resolve_scenario(db, s);
    check_optimisation_species(s, false);
    fail_if(budget_minimisation_input_problem(optimisation_inputs(s, r)).text);

    BudgetMinimisationInput input;
    input.evaluation = evaluation_of(s, r);
    input.wanted_area_ha = r.wanted_area_ha;
    input.transaction_costs = *s.transaction_costs;
    input.seed = o.seed;
    return run_optimisation(db, OptimisationAnalysis(input), r, o, {{"analysis", "budget minimisation"}});
}

AnalysisOutput run_goal_maximisation(DatabaseAccess& db, const Scenario& s, const RunOptions& o) {
    ResolvedScenario r = resolve_scenario(db, s);
    check_optimisation_species(s, true);
    fail_if(goal_maximisation_input_problem(optimisation_inputs(s, r)).text);

    GoalMaximisationInput input;
    input.evaluation = evaluation_of(s, r);
    input.weight = r.weights;
    input.budget = truncate_to_int(*s.budget);  // the scenario keeps it within range
    input.transaction_costs = *s.transaction_costs;
    input.seed = o.seed;
    return run_optimisation(db, OptimisationAnalysis(input), r, o,
                            {{"analysis", "goal maximisation"}, {"user_budget", input.budget}});
}

AnalysisOutput run_programme(DatabaseAccess& db, const Scenario& s, const RunOptions& o) {
    return run_programme(db, s, o, ProgrammeHooks{});
}

AnalysisOutput run_programme(DatabaseAccess& db, const Scenario& s, const RunOptions& o, const ProgrammeHooks& hooks) {
    ResolvedScenario r = resolve_scenario(db, s);
    const RasterReference ref = load_raster_reference(db, r.country_id);
    ProgrammeInputs in;
    in.distance_cost_factor = field(s.distance_cost_factor);
    in.transaction_costs = field(s.transaction_costs);
    in.pixel_area = ref.pixel_area_ha;
    // Measures and species are checked as the window checks them when they
    // are added.
    for (std::size_t m = 0; m < r.measures.size(); ++m) {
        const MeasureRecord& rec = r.measures[m];
        const std::string payment = r.payment[m] ? field_text(*r.payment[m]) : "";
        const std::string area = r.max_area_ha[m] >= 0 ? field_text(r.max_area_ha[m]) : "";
        const std::string problem = programme_measure_problem(true, payment, area).text;
        if (!problem.empty()) throw ScenarioError("measure " + std::to_string(rec.measureID) + ": " + problem);
        in.measures.push_back(rec);
        in.max_counts.push_back(maximum_pixel_count(area, ref.pixel_area_ha));
    }
    for (std::size_t k = 0; k < r.species.size(); ++k) {
        const std::string problem = programme_species_problem(true, field(s.species[k].min_quality)).text;
        if (!problem.empty()) throw ScenarioError(r.species[k].name + ": " + problem);
    }
    in.species = r.species;
    in.minimum_qualities = r.min_quality;
    if (r.predation_chosen) in.time_dependent_predation = r.time_dependent;
    if (s.region) in.countryID = r.country_id;
    fail_if(programme_input_problem(in).text);
    if (hooks.prepare) hooks.prepare(in, r, ref);

    ProgrammeRun run = run_programme_simulation(db, in, o.feedback, o.seed.value_or(1));
    fail_if(run.message);
    if (o.visualize) write_visualisation_rows(db, programme_visualisation_rows(run));

    AnalysisOutput out;
    out.lines = run.lines;
    OptimisationResult as_result;
    as_result.allocation = run.allocation;
    as_result.effective_area = run.effective_area;
    as_result.participants = run.participants;
    for (const auto& m : in.measures) as_result.payment.push_back(m.payment);
    as_result.max_count = in.max_counts;
    as_result.budget = run.budget;
    out.json = optimisation_json(as_result, r, ref.pixel_area_ha);
    out.json["analysis"] = "programme simulation";
    out.json["transaction_costs"] = run.transaction_costs;
    if (o.report_path) {
        ReportSelection sel{species_names(r.species), r.min_quality, in.measures, ref.pixel_area_ha};
        out.notice = write_report(o.report_path, simulation_report(sel, programme_report_figures(run, in.max_counts)));
    }
    if (hooks.finish) hooks.finish(run, r, out);
    return out;
}

}  // namespace pravel::cli
