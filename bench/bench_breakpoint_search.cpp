// The two search methods side by side on the demo study areas, through the
// database, on one evaluation each.
//
// Large area (Ellerbach lowland): the "only mowing" set (the catalogue rows
// named "mowing_postpo" or "refuge strips"), Kievit, Grutto and Tureluur at
// minimum quality 0.3, transaction costs 10, distance cost factor 1. Budget
// minimisation wants 150 ha of each bird: the breakpoint search (seed 1,
// twice, to show it repeats), the annealing for seeds 1-5, each cancelled
// after as long as the breakpoint search took, and the cost-only bound. Goal
// maximisation (weights 1) at 20,000, 50,000 and 100,000 Euro: the
// breakpoint search, the annealing with seed 1 and the mirror bound.
// Small area (Moorwiesen test area): measures 19, 37, 57 and 70, Grutto and
// Tureluur at minimum quality 0.3, 20 ha each.
//
// Prints one "name: value" line per figure. Environment:
// PRAVEL_BENCH_DB_CONFIG (settings file), PRAVEL_BENCH_SEEDS (annealing
// seeds, default 5), PRAVEL_BENCH_DIGEST (full-precision results of many
// searches, to compare two builds), PRAVEL_BENCH_TILES (tiled areas, below).
#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "common/feedback.h"
#include "common/notifier.h"
#include "core/evaluation_run.h"
#include "optimisation/breakpoint_search.h"
#include "optimisation/budget_minimisation.h"
#include "optimisation/cost_only_bound.h"
#include "optimisation/goal_maximisation.h"
#include "store/database_access.h"
#include "store/landscape_store.h"
#include "store/measure_store.h"
#include "store/profile_store.h"

using namespace pravel;
using Clock = std::chrono::steady_clock;

namespace {

double seconds_since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// CPU seconds of this thread: on a machine shared with other work the wall
// time says more about the load than about the search.
double cpu_seconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

class QuietNotifier : public StderrNotifier {
public:
    bool ask_yes_no(const std::string&) override { return true; }
};

SpeciesRecord newest_bird(DatabaseAccess& db, const std::string& name) {
    const std::string savetime = newest_species_savetime(db, kGroupBird, name);
    if (savetime.empty()) {
        std::fprintf(stderr, "bench_breakpoint_search: bird %s missing from the demo data\n", name.c_str());
        std::exit(1);
    }
    return load_species("name", name, savetime);
}

EvaluatedArea evaluate(DatabaseAccess& db, int country, const std::vector<SpeciesRecord>& species,
                       const std::vector<MeasureRecord>& measures) {
    EvaluationRequest request;
    request.countryID = country;
    request.species = species;
    request.minimum_qualities.assign(species.size(), 0.3);
    request.measures = measures;
    request.distance_cost_factor = 1.0;
    return evaluate_area(db, request, nullptr);
}

double smallest(const std::vector<double>& v) { return v.empty() ? 0.0 : *std::min_element(v.begin(), v.end()); }

double weighted(const OptimisationResult& r) {
    double sum = 0.0;
    for (double a : r.effective_area) sum += a;
    return sum;
}

// A feedback that cancels after `limit` seconds.
struct TimeLimit {
    explicit TimeLimit(double limit) : start(Clock::now()) {
        feedback = Feedback([this, limit](const Feedback::Progress&) {
            if (seconds_since(start) > limit) feedback.cancel();
        });
    }
    Clock::time_point start;
    Feedback feedback;
};

// The evaluated area laid out `t` x `t` times side by side in memory: each
// copy keeps its candidates, moved by whole rasters (a tiled study area
// without the evaluation's own draws per tile).
EvaluatedArea tiled(const EvaluatedArea& one, int t) {
    EvaluatedArea out;
    out.raster_rows = one.raster_rows * t;
    out.raster_columns = one.raster_columns * t;
    out.pixel_area = one.pixel_area;
    out.lists.resize(one.lists.size());
    for (std::size_t m = 0; m < one.lists.size(); ++m) {
        out.lists[m].reserve(one.lists[m].size() * static_cast<std::size_t>(t * t));
        for (int ty = 0; ty < t; ++ty)
            for (int tx = 0; tx < t; ++tx)
                for (PixelResult r : one.lists[m]) {
                    r.row += ty * one.raster_rows;
                    r.column += tx * one.raster_columns;
                    r.pixelID += (ty * t + tx) * one.raster_rows * one.raster_columns;
                    out.lists[m].push_back(std::move(r));
                }
    }
    return out;
}

// PRAVEL_BENCH_TILES=2,4,5: the budget search (150 ha per bird and tile)
// and the goal search (50,000 Euro per tile) on the large area tiled 2 x 2,
// 4 x 4, 5 x 5, against the tile count times the one-tile figures.
// PRAVEL_BENCH_MAX_SECONDS sets the searches' time limit (default 25 s).
void run_tiles(const EvaluatedArea& area, BudgetMinimisationInput bm, GoalMaximisationInput gm, const char* list) {
    BreakpointSearchOptions options;
    if (const char* s = std::getenv("PRAVEL_BENCH_MAX_SECONDS")) options.time_limit_seconds = std::atof(s);
    std::vector<int> sizes = {1};
    for (const char* p = list; *p;) {
        const int t = std::atoi(p);
        if (t > 1) sizes.push_back(t);
        while (*p && *p != ',') ++p;
        if (*p == ',') ++p;
    }
    double one_budget = 0.0, one_goal = 0.0;
    for (int t : sizes) {
        const EvaluatedArea a = t == 1 ? area : tiled(area, t);
        const double k = static_cast<double>(t) * t;
        bm.wanted_area_ha.assign(bm.evaluation.species.size(), 150.0 * k);
        SearchReport br;
        double cpu = cpu_seconds();
        const OptimisationResult b = BreakpointBudgetMinimisation(a, bm, options, nullptr, &br);
        cpu = cpu_seconds() - cpu;
        if (t == 1) one_budget = b.budget;
        std::printf("tiles_%dx%d_budget: %.2f (%.4f x tiles x one tile) in %.2f s (CPU %.2f s), %lld evaluations%s%s\n",
                    t, t, b.budget, b.budget / (k * one_budget), br.seconds, cpu, br.evaluations,
                    br.time_limit_reached ? ", stopped by the time limit" : ", converged",
                    br.solution ? "" : ", NO SOLUTION");
        gm.budget = static_cast<int>(50000 * k);
        SearchReport gr;
        cpu = cpu_seconds();
        const OptimisationResult g = BreakpointGoalMaximisation(a, gm, options, nullptr, &gr);
        cpu = cpu_seconds() - cpu;
        if (t == 1) one_goal = weighted(g);
        std::printf("tiles_%dx%d_goal: %.2f ha (%.4f x tiles x one tile), %.2f %% of the budget spent, in %.2f s (CPU %.2f s)%s\n",
                    t, t, weighted(g), weighted(g) / (k * one_goal), 100.0 * g.budget / gm.budget, gr.seconds, cpu,
                    gr.time_limit_reached ? ", stopped by the time limit" : ", converged");
        std::fflush(stdout);
    }
}

// The candidate lists of an evaluated area in a file, so that repeated
// searches on a large area skip its evaluation (PRAVEL_BENCH_CACHE).
bool read_cache(const char* path, EvaluatedArea& a, const std::vector<MeasureRecord>& measures) {
    FILE* f = std::fopen(path, "rb");
    if (!f) return false;
    bool ok = true;
    auto get = [&](void* p, std::size_t n) { ok = ok && std::fread(p, 1, n, f) == n; };
    std::uint64_t lists = 0;
    get(&a.raster_rows, sizeof a.raster_rows);
    get(&a.raster_columns, sizeof a.raster_columns);
    get(&a.pixel_area, sizeof a.pixel_area);
    get(&lists, sizeof lists);
    a.lists.assign(ok ? lists : 0, {});
    for (std::size_t m = 0; m < a.lists.size(); ++m) {
        auto& list = a.lists[m];
        const auto measure = m < measures.size() ? std::make_shared<const MeasureRecord>(measures[m]) : nullptr;
        std::uint64_t n = 0, q = 0;
        get(&n, sizeof n);
        get(&q, sizeof q);
        list.resize(ok ? n : 0);
        for (PixelResult& r : list) {
            get(&r.pixelID, sizeof r.pixelID);
            get(&r.row, sizeof r.row);
            get(&r.column, sizeof r.column);
            get(&r.x_coordinate, sizeof r.x_coordinate);
            get(&r.y_coordinate, sizeof r.y_coordinate);
            get(&r.margin_without_payment, sizeof r.margin_without_payment);
            get(&r.margin_with_payment, sizeof r.margin_with_payment);
            r.qualities.resize(ok ? q : 0);
            for (SpeciesQuality& sq : r.qualities) {
                get(&sq.speciesID, sizeof sq.speciesID);
                get(&sq.quality, sizeof sq.quality);
            }
            r.measure = measure;
        }
    }
    std::fclose(f);
    return ok;
}

void write_cache(const char* path, const EvaluatedArea& a) {
    FILE* f = std::fopen(path, "wb");
    if (!f) return;
    auto put = [&](const void* p, std::size_t n) { std::fwrite(p, 1, n, f); };
    const std::uint64_t lists = a.lists.size();
    put(&a.raster_rows, sizeof a.raster_rows);
    put(&a.raster_columns, sizeof a.raster_columns);
    put(&a.pixel_area, sizeof a.pixel_area);
    put(&lists, sizeof lists);
    for (const auto& list : a.lists) {
        const std::uint64_t n = list.size(), q = list.empty() ? 0 : list.front().qualities.size();
        put(&n, sizeof n);
        put(&q, sizeof q);
        for (const PixelResult& r : list) {
            put(&r.pixelID, sizeof r.pixelID);
            put(&r.row, sizeof r.row);
            put(&r.column, sizeof r.column);
            put(&r.x_coordinate, sizeof r.x_coordinate);
            put(&r.y_coordinate, sizeof r.y_coordinate);
            put(&r.margin_without_payment, sizeof r.margin_without_payment);
            put(&r.margin_with_payment, sizeof r.margin_with_payment);
            for (const SpeciesQuality& sq : r.qualities) {
                put(&sq.speciesID, sizeof sq.speciesID);
                put(&sq.quality, sizeof sq.quality);
            }
        }
    }
    std::fclose(f);
}

// The payments a result pays, one "m<index> <payment> (<pixels>)" per
// measure taking part.
void print_payments(const OptimisationResult& r) {
    for (std::size_t m = 0; m < r.payment.size(); ++m)
        if (r.max_count[m] > 0) std::printf(" m%zu %.3f (%d)", m, r.payment[m], r.max_count[m]);
    std::printf("\n");
}

// PRAVEL_BENCH_TILES_APART=5 beside PRAVEL_BENCH_AREA: cuts the tiled area
// into its 5 x 5 tiles and runs the budget search (150 ha per bird) on each
// tile alone, with the tile's own payments. The tiles share their costs and
// differ in the draws of the evaluation, so the spread of their least
// budgets shows how far one tile's budget is from the typical tile's.
void run_tiles_apart(const EvaluatedArea& area, const BudgetMinimisationInput& whole, int per_side, int k,
                     const BreakpointSearchOptions& options) {
    const int rows = area.raster_rows / per_side, columns = area.raster_columns / per_side;
    double sum = 0.0;
    for (int ti = 0; ti < per_side; ++ti)
        for (int tj = 0; tj < per_side; ++tj) {
            EvaluatedArea tile;
            tile.raster_rows = rows;
            tile.raster_columns = columns;
            tile.pixel_area = area.pixel_area;
            for (const auto& list : area.lists) {
                tile.lists.emplace_back();
                for (const PixelResult& r : list)
                    if (r.row / rows == ti && r.column / columns == tj) {
                        tile.lists.back().push_back(r);
                        tile.lists.back().back().row -= ti * rows;
                        tile.lists.back().back().column -= tj * columns;
                    }
            }
            BudgetMinimisationInput one = whole;
            for (double& w : one.wanted_area_ha) w /= k;
            SearchReport report;
            const OptimisationResult r = BreakpointBudgetMinimisation(tile, one, options, nullptr, &report);
            sum += r.budget;
            std::printf("tile %d,%d: %.2f (%.4f x one tile)%s:", ti, tj, r.budget, r.budget / 56851.7479095288,
                        report.time_limit_reached ? ", stopped by the time limit" : "");
            print_payments(r);
            std::fflush(stdout);
        }
    std::printf("tiles apart, sum: %.2f (%.4f x k x one tile)\n", sum, sum / (k * 56851.7479095288));
}

// PRAVEL_BENCH_AREA="Ellerbach lowland x25" PRAVEL_BENCH_K=25: the searches
// of bench/scale on an imported tiled area, in one process: the budget search
// ("only mowing", 150 ha per bird and tile) and the goal search (50,000 Euro
// per tile, weights 1, 0.8 and 0.6), seed 1. PRAVEL_BENCH_ONLY=budget|goal
// runs one of them; PRAVEL_BENCH_COPIES=25 on the untiled area lays it out
// 25 times with the same draws in memory; PRAVEL_BENCH_PATIENCE sets the restarts without
// improvement before the search stops.
void run_area(DatabaseAccess& db, const std::vector<SpeciesRecord>& birds, const std::vector<MeasureRecord>& mowing,
              const char* name) {
    int k = std::max(1, std::atoi(std::getenv("PRAVEL_BENCH_K") ? std::getenv("PRAVEL_BENCH_K") : "1"));
    const char* cache = std::getenv("PRAVEL_BENCH_CACHE");
    const char* only = std::getenv("PRAVEL_BENCH_ONLY");
    BreakpointSearchOptions options;
    if (const char* s = std::getenv("PRAVEL_BENCH_MAX_SECONDS")) options.time_limit_seconds = std::atof(s);
    if (const char* s = std::getenv("PRAVEL_BENCH_PATIENCE")) options.patience = std::max(1, std::atoi(s));
    EvaluatedArea area;
    auto start = Clock::now();
    if (!cache || !read_cache(cache, area, mowing)) {
        const int country = country_id(db, name);
        if (country == 0) {
            std::fprintf(stderr, "bench_breakpoint_search: no study area %s\n", name);
            std::exit(1);
        }
        area = evaluate(db, country, birds, mowing);
        if (cache) write_cache(cache, area);
    }
    if (const char* copies = std::getenv("PRAVEL_BENCH_COPIES")) {
        // The area laid out k times above itself, each copy with the same
        // draws: the least budget is then exactly k times one copy's.
        k = std::max(1, std::atoi(copies));
        EvaluatedArea tiled = area;
        tiled.raster_rows = area.raster_rows * k;
        for (int t = 1; t < k; ++t)
            for (std::size_t m = 0; m < area.lists.size(); ++m)
                for (PixelResult r : area.lists[m]) {
                    r.row += t * area.raster_rows;
                    tiled.lists[m].push_back(std::move(r));
                }
        area = std::move(tiled);
    }
    std::printf("area_%d_loaded: %.1f s\n", k, seconds_since(start));
    BudgetMinimisationInput bm;
    bm.evaluation.species = birds;
    bm.wanted_area_ha.assign(birds.size(), 150.0 * k);
    bm.transaction_costs = 10;
    bm.seed = 1;
    if (const char* apart = std::getenv("PRAVEL_BENCH_TILES_APART")) {
        run_tiles_apart(area, bm, std::max(1, std::atoi(apart)), k, options);
        return;
    }
    if (!only || std::string(only) == "budget") {
        SearchReport br;
        const double cpu = cpu_seconds();
        const OptimisationResult b = BreakpointBudgetMinimisation(area, bm, options, nullptr, &br);
        std::printf("area_%d_budget: %.2f (%.4f x k x one tile) in %.2f s (CPU %.2f s), %lld evaluations%s%s:", k,
                    b.budget, b.budget / (k * 56851.7479095288), br.seconds, cpu_seconds() - cpu, br.evaluations,
                    br.time_limit_reached ? ", stopped by the time limit" : ", converged",
                    br.solution ? "" : ", NO SOLUTION");
        print_payments(b);
        std::fflush(stdout);
    }
    if (!only || std::string(only) == "goal") {
        GoalMaximisationInput gm;
        gm.weight = {1.0, 0.8, 0.6};
        gm.budget = 50000 * k;
        gm.transaction_costs = 10;
        gm.seed = 1;
        SearchReport gr;
        const double cpu = cpu_seconds();
        const OptimisationResult g = BreakpointGoalMaximisation(area, gm, options, nullptr, &gr);
        double j = 0.0;
        for (std::size_t s = 0; s < g.effective_area.size(); ++s) j += gm.weight[s] * g.effective_area[s];
        std::printf("area_%d_goal: weighted %.2f ha (%.2f per tile), %.2f %% of the budget spent, in %.2f s (CPU %.2f s), "
                    "%lld evaluations%s\n",
                    k, j, j / k, 100.0 * g.budget / gm.budget, gr.seconds, cpu_seconds() - cpu, gr.evaluations,
                    gr.time_limit_reached ? ", stopped by the time limit" : ", converged");
        std::fflush(stdout);
    }
}

// One line per search with every figure of its result at full precision,
// for comparing two builds of the search: the same seed must give the same
// result line for line.
void print_digest(const char* name, const OptimisationResult& r, const SearchReport& report) {
    std::printf("%s: budget %.17g evaluations %lld", name, r.budget, report.evaluations);
    std::printf(" payment");
    for (double p : r.payment) std::printf(" %.17g", p);
    std::printf(" max_count");
    for (int c : r.max_count) std::printf(" %d", c);
    std::printf(" area");
    for (double a : r.effective_area) std::printf(" %.17g", a);
    std::printf(" pixels %zu%s\n", r.allocation.size(), report.time_limit_reached ? " (time limit)" : "");
    std::fflush(stdout);
}

// PRAVEL_BENCH_DIGEST=1: budget and goal searches over targets, budgets,
// weights, transaction costs, seeds and a warm start, on the large area
// ("only mowing" and a wider set) and on the small area.
void run_digest(DatabaseAccess& db, int large, int small, const std::vector<MeasureRecord>& catalogue,
                const std::vector<MeasureRecord>& mowing, const std::vector<SpeciesRecord>& birds) {
    BreakpointSearchOptions options;
    options.time_limit_seconds = 600.0;  // every search ends by its own rule
    char name[160];
    auto budget_runs = [&](const char* label, const EvaluatedArea& area, const EvaluationRequest& request,
                           const std::vector<std::vector<double>>& targets, const std::vector<int>& costs,
                           const std::vector<std::uint32_t>& seeds) {
        for (const std::vector<double>& wanted : targets)
            for (int tc : costs)
                for (std::uint32_t seed : seeds) {
                    BudgetMinimisationInput in;
                    in.evaluation = request;
                    in.wanted_area_ha = wanted;
                    in.transaction_costs = tc;
                    in.seed = seed;
                    SearchReport report;
                    const OptimisationResult r = BreakpointBudgetMinimisation(area, in, options, nullptr, &report);
                    std::snprintf(name, sizeof name, "%s budget wanted %g/%g tc %d seed %u", label, wanted.front(),
                                  wanted.back(), tc, seed);
                    print_digest(name, r, report);
                    // Warm start from the solution, for a target a tenth higher.
                    BreakpointSearchOptions warm = options;
                    warm.start_payment = r.payment;
                    for (double& w : in.wanted_area_ha) w *= 1.1;
                    const OptimisationResult r2 = BreakpointBudgetMinimisation(area, in, warm, nullptr, &report);
                    std::snprintf(name, sizeof name, "%s budget wanted %g/%g tc %d seed %u warm +10%%", label,
                                  wanted.front(), wanted.back(), tc, seed);
                    print_digest(name, r2, report);
                }
    };
    auto goal_runs = [&](const char* label, const EvaluatedArea& area, const EvaluationRequest& request,
                         const std::vector<std::vector<double>>& weights, const std::vector<int>& budgets,
                         const std::vector<std::uint32_t>& seeds) {
        for (const std::vector<double>& weight : weights)
            for (int budget : budgets)
                for (std::uint32_t seed : seeds) {
                    GoalMaximisationInput in;
                    in.evaluation = request;
                    in.weight = weight;
                    in.budget = budget;
                    in.transaction_costs = 10;
                    in.seed = seed;
                    SearchReport report;
                    const OptimisationResult r = BreakpointGoalMaximisation(area, in, options, nullptr, &report);
                    std::snprintf(name, sizeof name, "%s goal weight %g budget %d seed %u", label, weight.front(),
                                  budget, seed);
                    print_digest(name, r, report);
                }
    };
    auto request_of = [&](int country, const std::vector<SpeciesRecord>& species,
                          const std::vector<MeasureRecord>& measures) {
        EvaluationRequest request;
        request.countryID = country;
        request.species = species;
        request.minimum_qualities.assign(species.size(), 0.3);
        request.measures = measures;
        request.distance_cost_factor = 1.0;
        return request;
    };

    const EvaluationRequest large_mowing = request_of(large, birds, mowing);
    const EvaluatedArea a = evaluate_area(db, large_mowing, nullptr);
    budget_runs("large mowing", a, large_mowing, {{150, 150, 150}, {60, 60, 60}, {250, 250, 250}, {200, 80, 120}},
                {10, 0}, {1, 2, 7});
    goal_runs("large mowing", a, large_mowing, {{1, 1, 1}, {1.0, 0.8, 0.6}}, {15000, 20000, 50000, 100000, 150000},
              {1, 3});

    // A wider set: every fifth measure of the catalogue.
    std::vector<MeasureRecord> wide;
    for (std::size_t i = 0; i < catalogue.size(); i += 5) wide.push_back(catalogue[i]);
    const EvaluationRequest large_wide = request_of(large, birds, wide);
    const EvaluatedArea w = evaluate_area(db, large_wide, nullptr);
    budget_runs("large wide", w, large_wide, {{150, 150, 150}, {300, 200, 100}}, {10}, {1, 4});
    goal_runs("large wide", w, large_wide, {{1, 1, 1}}, {30000, 100000}, {1});

    std::vector<MeasureRecord> four;
    for (int id : {19, 37, 57, 70})
        for (const MeasureRecord& m : catalogue)
            if (m.measureID == id) four.push_back(m);
    const std::vector<SpeciesRecord> two = {newest_bird(db, "Grutto"), newest_bird(db, "Tureluur")};
    const EvaluationRequest small_four = request_of(small, two, four);
    const EvaluatedArea s = evaluate_area(db, small_four, nullptr);
    budget_runs("small four", s, small_four, {{20, 20}, {5, 12}, {35, 35}}, {10, 0}, {1, 2, 3});
    goal_runs("small four", s, small_four, {{1, 1}, {1.0, 0.5}}, {5000, 15000, 40000}, {1, 2});
    const EvaluationRequest small_mowing = request_of(small, birds, mowing);
    const EvaluatedArea sm = evaluate_area(db, small_mowing, nullptr);
    budget_runs("small mowing", sm, small_mowing, {{20, 20, 20}, {10, 30, 5}}, {10}, {1, 2});
    goal_runs("small mowing", sm, small_mowing, {{1.0, 0.8, 0.6}}, {15000, 30000}, {1, 5});
}

}  // namespace

int main() {
    const char* env = std::getenv("PRAVEL_BENCH_DB_CONFIG");
    set_database_config_path(env ? env : "db_config.txt");
    set_notifier(std::make_shared<QuietNotifier>());
    DatabaseAccess db;
    const int seeds = std::max(1, std::atoi(std::getenv("PRAVEL_BENCH_SEEDS") ? std::getenv("PRAVEL_BENCH_SEEDS") : "5"));

    const int large = country_id(db, "Ellerbach lowland");
    const int small = country_id(db, "Moorwiesen test area");
    if (large == 0 || small == 0) {
        std::fprintf(stderr, "bench_breakpoint_search: the demo data are not loaded (scripts/db load-demo)\n");
        return 1;
    }
    const std::vector<MeasureRecord> catalogue = all_measures(db);
    std::vector<MeasureRecord> mowing;
    for (const MeasureRecord& m : catalogue)
        if (m.name == "mowing_postpo" || m.name == kRefugeStripName) mowing.push_back(m);
    std::vector<SpeciesRecord> birds;
    for (const char* name : {"Kievit", "Grutto", "Tureluur"}) birds.push_back(newest_bird(db, name));

    if (const char* name = std::getenv("PRAVEL_BENCH_AREA")) {
        run_area(db, birds, mowing, name);
        return 0;
    }
    if (std::getenv("PRAVEL_BENCH_DIGEST")) {
        run_digest(db, large, small, catalogue, mowing, birds);
        return 0;
    }
    const EvaluatedArea area = evaluate(db, large, birds, mowing);
    long long candidates = 0;
    for (const auto& list : area.lists) candidates += static_cast<long long>(list.size());
    std::printf("large_measures: %zu\n", mowing.size());
    std::printf("large_candidates: %lld\n", candidates);
    std::printf("large_pixel_area_ha: %.4f\n", area.pixel_area);

    // PRAVEL_BENCH_ONLY=goal runs the goal maximisation alone, =budget the
    // breakpoint search of the budget minimisation alone.
    const char* only = std::getenv("PRAVEL_BENCH_ONLY");
    const bool goal_only = only && std::string(only) == "goal";
    const bool budget_only = only && std::string(only) == "budget";

    // Budget minimisation.
    BudgetMinimisationInput bm;
    bm.evaluation.countryID = large;
    bm.evaluation.species = birds;
    bm.evaluation.minimum_qualities.assign(birds.size(), 0.3);
    bm.wanted_area_ha.assign(birds.size(), 150.0);
    bm.evaluation.measures = mowing;
    bm.transaction_costs = 10;
    bm.evaluation.distance_cost_factor = 1.0;
    bm.seed = 1;
    double search_seconds = 0.0;
    const bool tile_mode = std::getenv("PRAVEL_BENCH_TILES") != nullptr;
    for (int run = 1; run <= (goal_only || tile_mode ? 0 : 2); ++run) {
        SearchReport report;
        const double cpu = cpu_seconds();
        const OptimisationResult r = BreakpointBudgetMinimisation(area, bm, {}, nullptr, &report);
        std::printf("breakpoint_cpu_seconds_run_%d: %.2f\n", run, cpu_seconds() - cpu);
        search_seconds = std::max(search_seconds, report.seconds);
        std::printf("breakpoint_budget_seed_1_run_%d: %.2f\n", run, r.budget);
        std::printf("breakpoint_seconds_run_%d: %.2f\n", run, report.seconds);
        std::printf("breakpoint_evaluations_run_%d: %lld%s\n", run, report.evaluations,
                    report.time_limit_reached ? " (time limit)" : "");
        std::printf("breakpoint_smallest_effective_area_ha_run_%d: %.2f\n", run, smallest(r.effective_area));
    }
    if (budget_only) return 0;
    if (const char* tiles = std::getenv("PRAVEL_BENCH_TILES")) {
        GoalMaximisationInput gm;
        gm.evaluation = bm.evaluation;
        gm.weight.assign(birds.size(), 1.0);
        gm.transaction_costs = 10;
        gm.seed = 1;
        bm.seed = 1;
        run_tiles(area, bm, gm, tiles);
        return 0;
    }
    for (int k = 2; k <= (goal_only ? 0 : seeds); ++k) {
        bm.seed = static_cast<std::uint32_t>(k);
        SearchReport report;
        const OptimisationResult r = BreakpointBudgetMinimisation(area, bm, {}, nullptr, &report);
        std::printf("breakpoint_budget_seed_%d: %.2f (%.2f s, smallest area %.2f ha)\n", k, r.budget, report.seconds,
                    smallest(r.effective_area));
    }
    const CostOnlyBound bound = cost_only_budget_bound(area.lists, bm.wanted_area_ha, bm.transaction_costs, area.pixel_area);
    std::printf("cost_only_bound: %.2f\n", bound.value);
    std::printf("cost_only_bound_seconds: %.2f\n", bound.seconds);

    double annealing_best = 1e300;
    for (int k = 1; k <= (goal_only ? 0 : seeds); ++k) {
        bm.seed = static_cast<std::uint32_t>(k);
        TimeLimit limit(search_seconds);
        const OptimisationResult r = BudgetMinimisationRun(area, bm, &limit.feedback);
        const bool reached = smallest(r.effective_area) >= 150.0;
        if (reached) annealing_best = std::min(annealing_best, r.budget);
        std::printf("annealing_budget_seed_%d_after_%.1f_s: %.2f (iterations %lld, smallest area %.2f ha)\n", k,
                    search_seconds, r.budget, r.iterations, smallest(r.effective_area));
    }
    std::printf("annealing_best_of_%d: %.2f\n", seeds, annealing_best);

    // Goal maximisation.
    GoalMaximisationInput gm;
    gm.evaluation.countryID = large;
    gm.evaluation.species = birds;
    gm.evaluation.minimum_qualities.assign(birds.size(), 0.3);
    gm.weight.assign(birds.size(), 1.0);
    gm.evaluation.measures = mowing;
    gm.transaction_costs = 10;
    gm.evaluation.distance_cost_factor = 1.0;
    gm.seed = 1;
    for (int budget : {20000, 50000, 100000}) {
        gm.budget = budget;
        SearchReport report;
        const OptimisationResult b = BreakpointGoalMaximisation(area, gm, {}, nullptr, &report);
        auto start = Clock::now();
        const OptimisationResult a = GoalMaximisationRun(area, gm);
        const double annealing_seconds = seconds_since(start);
        const CostOnlyBound g = cost_only_goal_bound(area.lists, gm.weight, budget, gm.transaction_costs);
        std::printf("goal_%d_breakpoint: %.2f ha for %.0f Euro in %.2f s%s\n", budget, weighted(b), b.budget,
                    report.seconds, report.time_limit_reached ? " (time limit)" : "");
        std::printf("goal_%d_annealing_seed_1: %.2f ha for %.0f Euro in %.2f s\n", budget, weighted(a), a.budget,
                    annealing_seconds);
        std::printf("goal_%d_cost_only_bound: %.2f ha in %.2f s\n", budget, g.value, g.seconds);
    }

    // Small area.
    std::vector<MeasureRecord> four;
    for (int id : {19, 37, 57, 70})
        for (const MeasureRecord& m : catalogue)
            if (m.measureID == id) four.push_back(m);
    const std::vector<SpeciesRecord> two = {newest_bird(db, "Grutto"), newest_bird(db, "Tureluur")};
    const EvaluatedArea small_area = evaluate(db, small, two, four);
    BudgetMinimisationInput sm;
    sm.evaluation.countryID = small;
    sm.evaluation.species = two;
    sm.evaluation.minimum_qualities.assign(2, 0.3);
    sm.wanted_area_ha.assign(2, 20.0);
    sm.evaluation.measures = four;
    sm.transaction_costs = 10;
    sm.evaluation.distance_cost_factor = 1.0;
    sm.seed = 1;
    SearchReport sr;
    const OptimisationResult s = BreakpointBudgetMinimisation(small_area, sm, {}, nullptr, &sr);
    const CostOnlyBound sb = cost_only_budget_bound(small_area.lists, sm.wanted_area_ha, 10, small_area.pixel_area);
    std::printf("small_breakpoint_budget: %.2f in %.2f s (smallest area %.2f ha)\n", s.budget, sr.seconds,
                smallest(s.effective_area));
    std::printf("small_cost_only_bound: %.2f\n", sb.value);
    return 0;
}
