#include "cli/policy_commands.h"

#include <CLI/CLI.hpp>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <memory>
#include <unordered_map>

#include "cli/run_checks.h"
#include "cli/scenario_resolve.h"
#include "common/atomic_file.h"
#include "common/feedback.h"
#include "common/number_format.h"
#include "gis/gdal_io.h"
#include "gis/gis_export.h"
#include "optimisation/configuration_store.h"
#include "optimisation/optimisation_analysis.h"
#include "optimisation/optimisation_lines.h"
#include "policy/policy.h"
#include "policy/qt/curve_chart.h"
#include "store/database_access.h"
#include "store/result_store.h"
#include "store/study_area_store.h"
#include "store/zone_store.h"

namespace pravel::cli {

namespace {

using nlohmann::json;

constexpr int kRefused = 2;

std::string field(const std::optional<double>& v) { return v ? field_text(*v) : std::string(); }
std::string field(const std::optional<int>& v) { return v ? std::to_string(*v) : std::string(); }

void fail_if(const std::string& message) {
    if (!message.empty()) throw ScenarioError(message);
}

std::string fixed(double v, int decimals = 2) { return format_fixed(v, decimals); }

// A budget minimisation's input, checked as its window checks it. A goal
// scenario's budget, when it has one, does not matter here.
BudgetMinimisationInput budget_input(const Scenario& s, const ResolvedScenario& r, std::optional<std::uint32_t> seed) {
    check_optimisation_species(s, false);
    fail_if(budget_minimisation_input_problem(optimisation_inputs(s, r)).text);
    BudgetMinimisationInput in;
    in.evaluation = evaluation_of(s, r);
    in.wanted_area_ha = r.wanted_area_ha;
    in.transaction_costs = *s.transaction_costs;
    in.seed = seed;
    return in;
}

GoalMaximisationInput goal_input(const Scenario& s, const ResolvedScenario& r, std::optional<std::uint32_t> seed,
                                 bool budget_needed) {
    check_optimisation_species(s, true);
    OptimisationInputs in = optimisation_inputs(s, r);
    if (!budget_needed && in.budget.empty()) in.budget = "1";  // the curve sets each point's budget
    fail_if(goal_maximisation_input_problem(in).text);
    GoalMaximisationInput g;
    g.evaluation = evaluation_of(s, r);
    g.weight = r.weights;
    g.budget = s.budget ? truncate_to_int(*s.budget) : 0;
    g.transaction_costs = *s.transaction_costs;
    g.seed = seed;
    return g;
}

BreakpointSearchOptions search_options(std::optional<double> max_seconds) {
    BreakpointSearchOptions o;
    if (max_seconds) o.time_limit_seconds = std::min(o.time_limit_seconds, *max_seconds);
    return o;
}

void write_text_file(const std::string& path, const std::string& text) {
    AtomicFile f;
    if (!f.open(path) || !f.write(text.data(), text.size()) || !f.close())
        throw std::runtime_error("the file could not be written: " + path);
}

int positive_int(const json& v, const std::string& what) {
    if (!v.is_number_integer() || v.get<long long>() < 1 || v.get<long long>() > 10000)
        throw ScenarioError("zones: " + what + " must be a whole number from 1 to 10000");
    return v.get<int>();
}

std::string scenario_title(const std::string& path) {
    std::ifstream in(path);
    try {
        const json doc = json::parse(in);
        if (doc.contains("description") && doc["description"].is_string()) return doc["description"].get<std::string>();
    } catch (const std::exception&) {
    }
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string csv_text(const std::string& text) {
    if (text.find_first_of(",\"\n") == std::string::npos) return text;
    std::string out = "\"";
    for (char c : text) out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

std::string number(double v) {
    std::ostringstream s;
    s.precision(10);
    s << v;
    return s.str();
}

// ------------------------------------------------------------ zone lines

json zones_json(const ZonedSolution& z, const std::vector<MeasureRecord>& measures, double pixel_area) {
    json zones = json::array();
    for (int k = 0; k < z.zones; ++k) {
        json payments = json::array();
        for (int m = 0; m < z.measures; ++m)
            payments.push_back({{"id", measures[static_cast<std::size_t>(m)].measureID},
                                {"payment", z.payment(m, k)},
                                {"participants", z.participants(m, k)},
                                {"area_ha", z.participants(m, k) * pixel_area}});
        zones.push_back({{"zone", z.zone_names[static_cast<std::size_t>(k)]}, {"payments", payments}});
    }
    return zones;
}

std::vector<std::string> zone_lines(const ZonedSolution& z, const std::vector<MeasureRecord>& measures,
                                    double pixel_area) {
    std::vector<std::string> lines;
    for (int k = 0; k < z.zones; ++k)
        for (int m = 0; m < z.measures; ++m) {
            if (z.participants(m, k) == 0) continue;
            const MeasureRecord& rec = measures[static_cast<std::size_t>(m)];
            lines.push_back("zone " + z.zone_names[static_cast<std::size_t>(k)] + ": measure " +
                            std::to_string(rec.measureID) + " " + rec.name + ": payment " + fixed(z.payment(m, k)) +
                            " Euro/ha, " + std::to_string(z.participants(m, k)) + " pixels, " +
                            fixed(z.participants(m, k) * pixel_area) + " ha");
        }
    return lines;
}

std::vector<ZonePaymentRow> zone_rows(const ZonedSolution& z, const std::vector<MeasureRecord>& measures,
                                      double pixel_area) {
    std::vector<ZonePaymentRow> rows;
    for (int k = 0; k < z.zones; ++k)
        for (int m = 0; m < z.measures; ++m) {
            ZonePaymentRow r;
            r.measureID = measures[static_cast<std::size_t>(m)].measureID;
            r.zoning = z.description;
            r.zone = z.zone_names[static_cast<std::size_t>(k)];
            r.payment = z.payment(m, k);
            r.participants = z.participants(m, k);
            r.area = r.participants * pixel_area;
            rows.push_back(r);
        }
    return rows;
}

}  // namespace

// ------------------------------------------------------------ zone specs

ZoneSpec parse_zone_text(const std::string& text) {
    ZoneSpec spec;
    auto grid = [&](const std::string& g) {
        const auto x = g.find('x');
        try {
            std::size_t used = 0;
            if (x == std::string::npos) throw std::invalid_argument(g);
            spec.rows = std::stoi(g.substr(0, x), &used);
            if (used != x) throw std::invalid_argument(g);
            spec.columns = std::stoi(g.substr(x + 1), &used);
            if (used != g.size() - x - 1) throw std::invalid_argument(g);
        } catch (const std::exception&) {
            throw ScenarioError("zones \"" + text + "\": a grid is given as ROWSxCOLUMNS, e.g. grid:2x2");
        }
        if (spec.rows < 1 || spec.columns < 1)
            throw ScenarioError("zones \"" + text + "\": a grid needs at least one row and one column");
        spec.kind = ZoneSpec::Kind::Grid;
    };
    if (text.rfind("grid:", 0) == 0) {
        grid(text.substr(5));
    } else if (text.rfind("column:", 0) == 0) {
        spec.kind = ZoneSpec::Kind::Column;
        spec.column = text.substr(7);
    } else if (text.rfind("layer:", 0) == 0) {
        spec.kind = ZoneSpec::Kind::Layer;
        spec.layer = text.substr(6);
    } else if (!text.empty() && std::isdigit(static_cast<unsigned char>(text[0]))) {
        grid(text);
    } else {
        spec.kind = ZoneSpec::Kind::Column;
        spec.column = text;
    }
    if (spec.kind == ZoneSpec::Kind::Column && spec.column.empty()) throw ScenarioError("zones: the column has no name");
    return spec;
}

ZoneSpec parse_zone_json(const json& zones) {
    if (!zones.is_object() || zones.size() != 1)
        throw ScenarioError("scenario: \"zones\" must be an object with one of \"column\", \"grid\" or \"layer\"");
    ZoneSpec spec;
    if (zones.contains("column")) {
        if (!zones["column"].is_string()) throw ScenarioError("zones: \"column\" must be a text");
        spec.kind = ZoneSpec::Kind::Column;
        spec.column = zones["column"].get<std::string>();
    } else if (zones.contains("grid")) {
        const json& g = zones["grid"];
        if (!g.is_array() || g.size() != 2) throw ScenarioError("zones: \"grid\" must be [ROWS, COLUMNS]");
        spec.kind = ZoneSpec::Kind::Grid;
        spec.rows = positive_int(g[0], "the grid's rows");
        spec.columns = positive_int(g[1], "the grid's columns");
    } else if (zones.contains("layer")) {
        if (!zones["layer"].is_string()) throw ScenarioError("zones: \"layer\" must be a file name");
        spec.kind = ZoneSpec::Kind::Layer;
        spec.layer = zones["layer"].get<std::string>();
    } else {
        throw ScenarioError("scenario: \"zones\" must be an object with one of \"column\", \"grid\" or \"layer\"");
    }
    return spec;
}

ZoneMap build_zones(DatabaseAccess& db, int country_id, int rows, int columns, const ZoneSpec& spec) {
    switch (spec.kind) {
    case ZoneSpec::Kind::Grid:
        try {
            return grid_zones(rows, columns, spec.rows, spec.columns);
        } catch (const std::invalid_argument& e) {
            throw ScenarioError(std::string("zones: ") + e.what());
        }
    case ZoneSpec::Kind::Column: {
        if (!zone_column_usable(spec.column))
            throw ScenarioError("zones: the pixel column \"" + spec.column +
                                "\" does not exist or holds no text or integer values");
        std::vector<CellValue> values;
        for (const PixelColumnValue& v : load_pixel_column(db, country_id, spec.column))
            values.push_back({v.row, v.column, v.value});
        return value_zones(rows, columns, values, "column " + spec.column);
    }
    case ZoneSpec::Kind::Layer: {
        // Read as the import reads its layers (local files of the usual
        // formats only), then laid on the area's grid.
        const gis::GridGeometry grid = gis::export_grid(load_area_grid(db, country_id));
        if (grid.rows != rows || grid.columns != columns)
            throw ScenarioError("zones: the study area's grid does not match its raster");
        try {
            const gis::GridLayer layer = gis::read_layer_on_grid(spec.layer, grid);
            ZoneMap zones = layer_zones(rows, columns, layer.values, layer.has_data, layer.categories,
                                        "layer " + std::filesystem::path(spec.layer).filename().string());
            if (zones.zone_count() == 0)
                throw ScenarioError("zones: the layer \"" + spec.layer + "\" has no value on the study area");
            return zones;
        } catch (const gis::GisRefusal& e) {
            throw ScenarioError(std::string("zones: ") + e.what());
        }
    }
    }
    throw ScenarioError("zones: unknown kind of zoning");
}

std::vector<double> parse_markups(const std::string& text, std::string& problem) {
    problem.clear();
    std::vector<double> out;
    std::stringstream in(text);
    std::string item;
    while (std::getline(in, item, ',')) {
        char* end = nullptr;
        const double v = std::strtod(item.c_str(), &end);
        if (item.empty() || end != item.c_str() + item.size() || !std::isfinite(v)) {
            problem = "\"" + item + "\" in --markups is not a number";
            return {};
        }
        if (v < 0.0) {
            problem = "a markup must not be below 0 (got " + item + ")";
            return {};
        }
        out.push_back(v);
    }
    if (out.empty()) problem = "--markups needs at least one markup";
    return out;
}

// ------------------------------------------------------------ zoned optimisations

namespace {

AnalysisOutput zoned_output(const ZonedSolution& z, const ResolvedScenario& r, double pixel_area,
                            const OptimisationResult& uniform) {
    AnalysisOutput out;
    out.lines = zone_lines(z, r.measures, pixel_area);
    for (std::size_t k = 0; k < r.species.size(); ++k)
        out.lines.push_back(r.species[k].name + ": effective area " +
                            fixed(k < z.result.effective_area.size() ? z.result.effective_area[k] : 0.0) + " ha");
    out.lines.push_back("Total budget with payments by zone (" + z.description + "): " + fixed(z.result.budget) +
                        " Euro; uniform payments: " + fixed(uniform.budget) + " Euro");
    json species = json::array();
    for (std::size_t k = 0; k < r.species.size(); ++k)
        species.push_back({{"name", r.species[k].name},
                           {"effective_area_ha", k < z.result.effective_area.size() ? z.result.effective_area[k] : 0.0}});
    json measures = json::array();
    for (std::size_t m = 0; m < r.measures.size(); ++m)
        measures.push_back({{"id", r.measures[m].measureID},
                            {"name", r.measures[m].name},
                            {"mean_payment", z.result.payment[m]},
                            {"participants", z.result.participants[m]},
                            {"area_ha", z.result.participants[m] * pixel_area}});
    out.json = {{"zoning", z.description},     {"zones", zones_json(z, r.measures, pixel_area)},
                {"measures", measures},        {"species", species},
                {"budget", z.result.budget},   {"uniform_budget", uniform.budget},
                {"kept_uniform", z.kept_start}};
    return out;
}

void store_zoned(DatabaseAccess& db, AnalysisOutput& out, const OptimisationAnalysis& analysis, const ZonedSolution& z,
                 const ZoneMap& zones, const ResolvedScenario& r, double pixel_area, const RunOptions& o) {
    if (!o.store_name) return;
    const auto id = analysis.store(db, z.result, *o.store_name, configuration_clock());
    if (!id) throw ScenarioError("a configuration needs a name");
    {
        Transaction t(db);
        store_zone_payments(db, *id, zone_rows(z, r.measures, pixel_area));
        store_zone_cells(db, *id, zone_cells(zones));
        t.commit();
    }
    out.notice = "stored as configuration " + std::to_string(*id) + " \"" + *o.store_name + "\" with its zone payments";
    out.json["configuration_id"] = *id;
}

// The map rows of a zoned answer, as a uniform run writes its own, and its
// zones, so that the result map draws them.
void write_zoned_map(DatabaseAccess& db, const ZonedSolution& z, const ZoneMap& zones, const EvaluationRequest& e) {
    save_visualisation_rows(db, allocation_visualisation_rows(z.result.allocation, e.species, e.countryID));
    store_map_zone_cells(db, zones.description, zone_cells(zones));
}

ZoneMap scenario_zones(DatabaseAccess& db, const Scenario& s, const ResolvedScenario& r, const EvaluatedArea& area) {
    return build_zones(db, r.country_id, area.raster_rows, area.raster_columns, parse_zone_json(*s.zones));
}

}  // namespace

AnalysisOutput run_programme_in_zones(DatabaseAccess& db, const Scenario& s, const RunOptions& o) {
    if (!s.zones) {
        for (const ScenarioMeasure& m : s.measures)
            if (!m.zone_payments.empty())
                throw ScenarioError("scenario: \"zone_payments\" of a measure needs \"zones\" in the scenario");
        return run_programme(db, s, o);
    }
    const ZoneSpec spec = parse_zone_json(*s.zones);  // a malformed zoning is refused before anything runs
    struct Zoning {
        ZoneMap zones;
        std::vector<double> key_payment;  // measure-major over the zones
        std::vector<double> outside;      // per measure, cells in no zone
    };
    auto zoning = std::make_shared<Zoning>();
    ProgrammeHooks hooks;
    hooks.prepare = [&db, spec, zoning](ProgrammeInputs& in, const ResolvedScenario& r, const RasterReference& ref) {
        zoning->zones = build_zones(db, r.country_id, ref.number_of_rows, ref.number_of_columns, spec);
        const ZoneMap& zones = zoning->zones;
        const std::size_t n = static_cast<std::size_t>(zones.zone_count());
        std::unordered_map<std::string, std::size_t> index;
        for (std::size_t k = 0; k < n; ++k) index.emplace(zones.names[k], k);
        for (std::size_t m = 0; m < r.measures.size(); ++m) {
            // The window's check has made sure every measure has a payment.
            const double payment = r.payment[m].value_or(r.measures[m].payment);
            zoning->outside.push_back(payment);
            std::vector<double> row(n, payment);
            for (const auto& [name, value] : r.zone_payments[m]) {
                const auto it = index.find(name);
                if (it == index.end()) {
                    std::string names;
                    for (std::size_t k = 0; k < n && k < 20; ++k) names += (k ? ", " : "") + zones.names[k];
                    if (n > 20) names += ", ...";
                    throw ScenarioError("measure " + std::to_string(r.measures[m].measureID) +
                                        ": \"zone_payments\" names the zone \"" + name + "\", which is not one of " +
                                        zones.description + " (" + names + ")");
                }
                row[it->second] = value;
            }
            zoning->key_payment.insert(zoning->key_payment.end(), row.begin(), row.end());
        }
        in.payment_at = [zoning, n](std::size_t m, int row, int column) {
            const int zone = zoning->zones.zone_at(row, column);
            return zone < 0 ? zoning->outside[m] : zoning->key_payment[m * n + static_cast<std::size_t>(zone)];
        };
    };
    hooks.finish = [&db, &o, zoning](const ProgrammeRun& run, const ResolvedScenario& r, AnalysisOutput& out) {
        // The map rows just written show the zones on the result map.
        if (o.visualize) store_map_zone_cells(db, zoning->zones.description, zone_cells(zoning->zones));
        std::vector<int> ids;
        for (const MeasureRecord& m : r.measures) ids.push_back(m.measureID);
        const ZonedSolution z = zoned_allocation(run.allocation, ids, zoning->zones, zoning->key_payment,
                                                 zoning->outside, zoning->zones.description);
        out.lines.push_back("Payments by zone (" + z.description + "):");
        for (std::string& line : zone_lines(z, r.measures, run.pixel_area)) out.lines.push_back(std::move(line));
        out.json["zoning"] = z.description;
        out.json["zones"] = zones_json(z, r.measures, run.pixel_area);
    };
    return run_programme(db, s, o, hooks);
}

std::function<AnalysisOutput(DatabaseAccess&, const Scenario&, const RunOptions&)> without_zones(ScenarioAnalysis analysis) {
    return [analysis](DatabaseAccess& db, const Scenario& s, const RunOptions& o) {
        if (s.zones)
            throw ScenarioError("scenario: \"zones\" (payments by zone) is taken by minimise-budget, maximise-goal, "
                                "programme, curve and compare-payments only");
        return analysis(db, s, o);
    };
}

AnalysisOutput run_zoned_budget_minimisation(DatabaseAccess& db, const Scenario& s, const RunOptions& o) {
    const ResolvedScenario r = resolve_scenario(db, s);
    const BudgetMinimisationInput input = budget_input(s, r, o.seed);
    parse_zone_json(*s.zones);  // a malformed zoning is refused before the evaluation
    clear_visualisation_rows(db);  // opening the window
    const EvaluatedArea area = evaluate_area(db, input.evaluation, o.seed, o.feedback);
    const ZoneMap zones = scenario_zones(db, s, r, area);
    const BreakpointSearchOptions options = search_options(o.max_seconds);
    const OptimisationResult uniform = BreakpointBudgetMinimisation(area, input, options, o.feedback);
    ZonedBudgetSearch search{&area, input};
    const ZonedSolution z = budget_by_zones(search, uniform, {zones}, options, o.feedback).front();
    write_zoned_map(db, z, zones, input.evaluation);
    AnalysisOutput out = zoned_output(z, r, area.pixel_area, uniform);
    out.json["analysis"] = "budget minimisation";
    store_zoned(db, out, OptimisationAnalysis(input), z, zones, r, area.pixel_area, o);
    return out;
}

AnalysisOutput run_zoned_goal_maximisation(DatabaseAccess& db, const Scenario& s, const RunOptions& o) {
    const ResolvedScenario r = resolve_scenario(db, s);
    const GoalMaximisationInput input = goal_input(s, r, o.seed, true);
    parse_zone_json(*s.zones);  // a malformed zoning is refused before the evaluation
    clear_visualisation_rows(db);  // opening the window
    const EvaluatedArea area = evaluate_area(db, input.evaluation, o.seed, o.feedback);
    const ZoneMap zones = scenario_zones(db, s, r, area);
    const BreakpointSearchOptions options = search_options(o.max_seconds);
    const OptimisationResult uniform = BreakpointGoalMaximisation(area, input, options, o.feedback);
    ZonedGoalSearch search{&area, input};
    const ZonedSolution z = goal_by_zones(search, uniform, {zones}, options, o.feedback).front();
    write_zoned_map(db, z, zones, input.evaluation);
    AnalysisOutput out = zoned_output(z, r, PIXEL_AREA_HA, uniform);
    out.json["analysis"] = "goal maximisation";
    out.json["user_budget"] = input.budget;
    store_zoned(db, out, OptimisationAnalysis(input), z, zones, r, PIXEL_AREA_HA, o);
    return out;
}

// ------------------------------------------------------------ curve, tender, compare

namespace {

struct CurveOutput {
    json doc;
    std::vector<std::string> lines;
    std::string csv;
};

CurveOutput curve_output(const BudgetEffectCurve& c, const ResolvedScenario& r) {
    CurveOutput out;
    json points = json::array();
    out.lines.push_back(c.goal ? "budget (Euro) | weighted effective area (ha) | cost-only bound (ha) | paid (Euro)"
                               : "factor | budget (Euro) | wanted area, all species (ha) | cost-only bound (Euro)");
    for (const CurvePoint& p : c.points) {
        json species = json::array();
        for (std::size_t k = 0; k < r.species.size(); ++k)
            species.push_back({{"name", r.species[k].name}, {"effective_area_ha", k < p.area.size() ? p.area[k] : 0.0}});
        json payments = json::array();
        for (std::size_t m = 0; m < r.measures.size(); ++m)
            payments.push_back({{"id", r.measures[m].measureID}, {"payment", m < p.payment.size() ? p.payment[m] : 0.0}});
        json e = {{"budget", c.goal ? p.budget_limit : p.budget},
                  {"weighted_effective_area", p.weighted},
                  {"species", species},
                  {"cost_only_bound", p.bound_known ? json(p.bound) : json(nullptr)},
                  {"payments", payments},
                  {"from_neighbour", p.from_neighbour}};
        if (c.goal) {
            e["budget_paid"] = p.budget;
        } else {
            e["factor"] = p.factor;
            e["wanted_ha"] = p.wanted;
            e["reached"] = p.reached;
        }
        if (!c.zone_names.empty()) {
            json zones = json::array();
            const int nz = static_cast<int>(c.zone_names.size());
            for (int k = 0; k < nz; ++k) {
                json zp = json::array();
                for (int m = 0; m < c.measures; ++m) {
                    const std::size_t key = static_cast<std::size_t>(m * nz + k);
                    zp.push_back({{"id", r.measures[static_cast<std::size_t>(m)].measureID},
                                  {"payment", key < p.key_payment.size() ? p.key_payment[key] : 0.0}});
                }
                zones.push_back({{"zone", c.zone_names[static_cast<std::size_t>(k)]}, {"payments", zp}});
            }
            e["zones"] = zones;
        }
        points.push_back(e);

        double target = 0.0;
        for (double w : p.wanted) target += w;
        const std::string bound = p.bound_known ? fixed(p.bound) : std::string("-");
        out.lines.push_back(c.goal ? fixed(p.budget_limit, 0) + " | " + fixed(p.weighted) + " | " + bound + " | " +
                                         fixed(p.budget)
                                   : number(p.factor) + " | " + fixed(p.budget) + " | " + fixed(target) + " | " + bound +
                                         (p.reached ? "" : " (targets not reached)"));
    }
    out.doc = {{"analysis", "budget-effect curve"},
               {"kind", c.goal ? "budgets" : "factors"},
               {"zoning", c.zoning},
               {"points", points},
               {"monotone", monotone(c)},
               {"seconds", c.seconds},
               {"cancelled", c.cancelled}};
    std::vector<std::string> names;
    for (const auto& sp : r.species) names.push_back(sp.name);
    std::vector<int> ids;
    for (const auto& m : r.measures) ids.push_back(m.measureID);
    out.csv = curve_csv(c, names, ids);
    return out;
}

json tender_json(const TenderResult& t, const ResolvedScenario& r, double pixel_area) {
    json measures = json::array();
    for (std::size_t m = 0; m < r.measures.size() && m < t.measures.size(); ++m) {
        const TenderMeasure& tm = t.measures[m];
        measures.push_back({{"id", r.measures[m].measureID}, {"name", r.measures[m].name},
                            {"participants", tm.participants}, {"area_ha", tm.area_ha},
                            {"payments", tm.payments}, {"costs", tm.costs}, {"rent", tm.rent()}});
    }
    json species = json::array();
    for (std::size_t k = 0; k < r.species.size(); ++k)
        species.push_back({{"name", r.species[k].name},
                           {"wanted_ha", r.wanted_area_ha[k]},
                           {"effective_area_ha", k < t.area.size() ? t.area[k] : 0.0}});
    return {{"markup", t.markup}, {"budget", t.budget}, {"costs", t.costs}, {"rent", t.rent()},
            {"reached", t.reached}, {"measures", measures}, {"species", species}};
}

int finish(const json& doc, const std::vector<std::string>& lines, bool as_json) {
    if (as_json)
        std::cout << doc.dump(2) << '\n';
    else
        for (const auto& l : lines) std::cout << l << '\n';
    return 0;
}

int refuse(const std::string& reason) {
    std::cerr << "pravel-cli: " << reason << '\n';
    return kRefused;
}

int run_curve(const PolicyCommands& c, std::optional<std::uint32_t> seed, Feedback* feedback) {
    if (c.budgets.has_value() == c.factors.has_value())
        return refuse("curve needs exactly one of --budgets FROM:TO:N and --factors FROM:TO:N");
    std::string problem;
    const std::vector<double> values = curve_range(c.budgets ? *c.budgets : *c.factors, problem);
    if (!problem.empty()) return refuse((c.budgets ? "--budgets: " : "--factors: ") + problem);
    if (c.budgets && values.back() > 2147483647.0) return refuse("--budgets: a budget must stay within whole Euro of an int");
    if (c.csv)
        if (auto p = output_path_problem("--csv", *c.csv); !p.empty()) return refuse(p);
    if (c.plot) {
        if (auto p = output_path_problem("--plot", *c.plot); !p.empty()) return refuse(p);
        const auto dot = c.plot->find_last_of('.');
        const std::string ext = dot == std::string::npos ? "" : c.plot->substr(dot + 1);
        if (ext != "png" && ext != "svg") return refuse("--plot: the file must end in .png or .svg");
    }
    const Scenario s = load_scenario_file(c.scenario);
    DatabaseAccess db;
    const ResolvedScenario r = resolve_scenario(db, s);
    BreakpointSearchOptions options = curve_point_options();
    if (c.max_seconds) options.time_limit_seconds = *c.max_seconds;
    BudgetEffectCurve curve;
    std::optional<ZoneMap> zones;
    if (c.budgets) {
        const GoalMaximisationInput input = goal_input(s, r, seed, false);
        const EvaluatedArea area = evaluate_area(db, input.evaluation, seed, feedback);
        if (s.zones) zones = scenario_zones(db, s, r, area);
        // --max-seconds limits each point's search and so the curve.
        const double total = c.max_seconds ? *c.max_seconds * static_cast<double>(values.size()) : kCurveSearchSeconds;
        curve = goal_curve(area, input, values, options, zones ? &*zones : nullptr, feedback, total);
    } else {
        const BudgetMinimisationInput input = budget_input(s, r, seed);
        const EvaluatedArea area = evaluate_area(db, input.evaluation, seed, feedback);
        if (s.zones) zones = scenario_zones(db, s, r, area);
        const double total = c.max_seconds ? *c.max_seconds * static_cast<double>(values.size()) : kCurveSearchSeconds;
        curve = budget_curve(area, input, values, options, zones ? &*zones : nullptr, feedback, total);
    }
    const CurveOutput out = curve_output(curve, r);
    if (c.csv) write_text_file(*c.csv, out.csv);
    if (c.plot) {
        const std::string error = write_curve_chart(curve, scenario_title(c.scenario), *c.plot);
        if (!error.empty()) throw std::runtime_error(error);
    }
    return finish(out.doc, out.lines, c.json);
}

std::vector<std::string> tender_lines(const TenderResult& t, const ResolvedScenario& r) {
    std::vector<std::string> lines;
    for (std::size_t m = 0; m < r.measures.size() && m < t.measures.size(); ++m) {
        const TenderMeasure& tm = t.measures[m];
        if (tm.participants == 0) continue;
        lines.push_back("measure " + std::to_string(r.measures[m].measureID) + " " + r.measures[m].name + ": " +
                        std::to_string(tm.participants) + " accepted bids, " + fixed(tm.area_ha) + " ha, payments " +
                        fixed(tm.payments) + " Euro, information rent " + fixed(tm.rent()) + " Euro");
    }
    for (std::size_t k = 0; k < r.species.size(); ++k)
        lines.push_back(r.species[k].name + ": effective area " + fixed(k < t.area.size() ? t.area[k] : 0.0) +
                        " ha of " + fixed(r.wanted_area_ha[k]) + " ha wanted");
    lines.push_back("Tender with markup " + number(t.markup) + ": budget " + fixed(t.budget) +
                    " Euro, information rent " + fixed(t.rent()) + " Euro" +
                    (t.reached ? "" : " (the bids do not reach every target)"));
    return lines;
}

int run_tender_command(const PolicyCommands& c, std::optional<std::uint32_t> seed, Feedback* feedback) {
    if (!c.markup) return refuse("tender needs --markup M (a share, 0 to 1)");
    if (!(*c.markup >= 0.0) || *c.markup > 1.0 || !std::isfinite(*c.markup))
        return refuse("--markup must be a share from 0 to 1");
    if (c.csv)
        if (auto p = output_path_problem("--csv", *c.csv); !p.empty()) return refuse(p);
    const Scenario s = load_scenario_file(c.scenario);
    DatabaseAccess db;
    const ResolvedScenario r = resolve_scenario(db, s);
    const BudgetMinimisationInput input = budget_input(s, r, seed);
    const EvaluatedArea area = evaluate_area(db, input.evaluation, seed, feedback);
    const TenderResult t = run_tender(area, input.wanted_area_ha, input.transaction_costs, *c.markup);
    if (c.csv) {
        std::ostringstream csv;
        csv << "measure,participants,area_ha,payments,costs,rent\n";
        for (std::size_t m = 0; m < r.measures.size(); ++m)
            csv << r.measures[m].measureID << "," << t.measures[m].participants << "," << number(t.measures[m].area_ha)
                << "," << number(t.measures[m].payments) << "," << number(t.measures[m].costs) << ","
                << number(t.measures[m].rent()) << "\n";
        csv << "total," << t.accepted.size() << "," << number(t.accepted.size() * area.pixel_area) << ","
            << number(t.budget) << "," << number(t.costs) << "," << number(t.rent()) << "\n";
        write_text_file(*c.csv, csv.str());
    }
    json doc = tender_json(t, r, area.pixel_area);
    doc["analysis"] = "tender";
    return finish(doc, tender_lines(t, r), c.json);
}

int run_compare(const PolicyCommands& c, std::optional<std::uint32_t> seed, Feedback* feedback) {
    std::string problem;
    const std::vector<double> markups = parse_markups(c.markups, problem);
    if (!problem.empty()) return refuse(problem);
    std::vector<ZoneSpec> specs;
    for (const auto& z : c.zones) specs.push_back(parse_zone_text(z));
    if (c.csv)
        if (auto p = output_path_problem("--csv", *c.csv); !p.empty()) return refuse(p);
    const Scenario s = load_scenario_file(c.scenario);
    if (s.zones && specs.empty()) specs.push_back(parse_zone_json(*s.zones));
    DatabaseAccess db;
    const ResolvedScenario r = resolve_scenario(db, s);
    const BudgetMinimisationInput input = budget_input(s, r, seed);
    const EvaluatedArea area = evaluate_area(db, input.evaluation, seed, feedback);
    std::vector<ZoneMap> zonings;
    for (const auto& spec : specs) zonings.push_back(build_zones(db, r.country_id, area.raster_rows, area.raster_columns, spec));
    const PaymentComparison cmp = compare_payments(area, input, markups, zonings, search_options(c.max_seconds), feedback);

    std::vector<std::string> lines{"scheme | budget (Euro) | information rent (Euro) | share of the uniform budget"};
    json rows = json::array();
    std::ostringstream csv;
    csv << "scheme,budget,rent,share_of_uniform,reached\n";
    for (const PaymentRow& row : cmp.rows) {
        lines.push_back(row.scheme + " | " + (row.known ? fixed(row.budget) : "-") + " | " + fixed(row.rent) + " | " +
                        fixed(100.0 * row.share, 1) + " %" + (row.reached ? "" : " (targets not reached)"));
        rows.push_back({{"scheme", row.scheme},
                        {"budget", row.known ? json(row.budget) : json(nullptr)},
                        {"rent", row.rent},
                        {"share_of_uniform", row.share},
                        {"reached", row.reached}});
        csv << csv_text(row.scheme) << "," << (row.known ? number(row.budget) : "") << "," << number(row.rent) << ","
            << number(row.share) << "," << (row.reached ? 1 : 0) << "\n";
    }
    json zones = json::array();
    for (const ZonedSolution& z : cmp.zones)
        zones.push_back({{"zoning", z.description}, {"budget", z.result.budget}, {"zones", zones_json(z, r.measures, area.pixel_area)}});
    json tenders = json::array();
    for (const TenderResult& t : cmp.tenders) tenders.push_back(tender_json(t, r, area.pixel_area));
    if (c.csv) write_text_file(*c.csv, csv.str());
    const json doc = {{"analysis", "payment comparison"}, {"rows", rows}, {"tenders", tenders}, {"zones", zones}};
    return finish(doc, lines, c.json);
}

}  // namespace

void add_policy_commands(CLI::App& app, PolicyCommands& c) {
    c.curve = app.add_subcommand("curve", "budget-effect curve: the optimisation at a row of budgets or target factors");
    c.tender = app.add_subcommand("tender", "tender reference: farmers bid their cost plus a markup");
    c.compare = app.add_subcommand("compare-payments",
                                   "cost-only bound, tenders, payments by zone and uniform payments side by side");
    for (CLI::App* a : {c.curve, c.tender, c.compare}) {
        a->add_option("scenario", c.scenario, "scenario file (JSON)")->required()->check(CLI::ExistingFile);
        a->add_flag("--json", c.json, "print a machine-readable result instead of the lines");
        a->add_option("--csv", c.csv, "write the result as CSV to this file");
    }
    c.curve->add_option("--budgets", c.budgets, "FROM:TO:N budgets in Euro (goal maximisation scenario)");
    c.curve->add_option("--factors", c.factors, "FROM:TO:N factors on the wanted areas (budget minimisation scenario)");
    c.curve->add_option("--plot", c.plot, "draw the curve into this file (.png or .svg)");
    c.curve->add_option("--max-seconds", c.max_seconds, "time limit of each point's search");
    c.tender->add_option("--markup", c.markup, "the bidders' markup on their cost, a share from 0 to 1")->required();
    c.compare->add_option("--zones", c.zones,
                          "zonings: a pixel column (subclassification), grid:ROWSxCOLUMNS, layer:FILE or layer:FILE.gpkg:FIELD; "
                          "several allowed");
    c.compare->add_option("--markups", c.markups, "tender markups, comma-separated (default 0,0.1,0.25)");
    c.compare->add_option("--max-seconds", c.max_seconds, "time limit of each search");
}

std::optional<int> run_policy_commands(const PolicyCommands& c, std::optional<std::uint32_t> seed, Feedback* feedback) {
    const bool curve = c.curve && c.curve->parsed();
    const bool tender = c.tender && c.tender->parsed();
    const bool compare = c.compare && c.compare->parsed();
    if (!curve && !tender && !compare) return std::nullopt;
    if (c.max_seconds && !(*c.max_seconds > 0.0)) return refuse("--max-seconds must be above 0");
    try {
        if (curve) return run_curve(c, seed, feedback);
        if (tender) return run_tender_command(c, seed, feedback);
        return run_compare(c, seed, feedback);
    } catch (const ScenarioError& e) {
        return refuse(e.what());
    } catch (const std::exception& e) {
        std::cerr << "pravel-cli: " << e.what() << '\n';
        return 1;
    }
}

}  // namespace pravel::cli
