// The allocation and both optimisers on the large demo study area, through
// the database: the postponed-mowing and refuge-strip measures of the
// catalogue ("only mowing"), three meadow birds at minimum quality 0.3,
// transaction costs 10, distance cost factor 1. The budget minimisation
// wants 150 ha of each bird; the goal maximisation weighs them equally with a
// budget of 50,000 Euro. Needs the demo data loaded (scripts/bench does it).
// Prints one "name: value" line per figure.
//
// Environment: PRAVEL_BENCH_DB_CONFIG (settings file), PRAVEL_BENCH_SEEDS
// (number of budget minimisation seeds, default 5), PRAVEL_BENCH_RUN_LIMIT
// (seconds after which a budget minimisation is cancelled and its best so
// far reported, default 60).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "common/feedback.h"
#include "common/notifier.h"
#include "common/random.h"
#include "core/evaluation_run.h"
#include "optimisation/budget_minimisation.h"
#include "optimisation/goal_maximisation.h"
#include "optimisation/pixel_allocation.h"
#include "store/database_access.h"
#include "store/landscape_store.h"
#include "store/measure_store.h"
#include "store/profile_store.h"

using namespace pravel;
using Clock = std::chrono::steady_clock;

namespace {

double seconds_since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double env_number(const char* name, double fallback) {
    const char* v = std::getenv(name);
    return v && *v ? std::atof(v) : fallback;
}

// A notifier that keeps the optimisers' closing questions off the terminal
// but passes every other message on.
class QuietNotifier : public StderrNotifier {
public:
    bool ask_yes_no(const std::string&) override { return true; }
};

}  // namespace

int main() {
    const char* env = std::getenv("PRAVEL_BENCH_DB_CONFIG");
    set_database_config_path(env ? env : "db_config.txt");
    set_notifier(std::make_shared<QuietNotifier>());
    DatabaseAccess db;

    const int country = country_id(db, "Ellerbach lowland");
    if (country == 0) {
        std::fprintf(stderr, "bench_optimisation: the demo data are not loaded (scripts/db load-demo)\n");
        return 1;
    }
    const int seeds = std::max(1, static_cast<int>(env_number("PRAVEL_BENCH_SEEDS", 5)));
    const double run_limit = env_number("PRAVEL_BENCH_RUN_LIMIT", 60);

    std::vector<SpeciesRecord> species;
    for (const char* name : {"Kievit", "Grutto", "Tureluur"}) {
        const std::string savetime = newest_species_savetime(db, kGroupBird, name);
        if (savetime.empty()) {
            std::fprintf(stderr, "bench_optimisation: bird %s missing from the demo data\n", name);
            return 1;
        }
        species.push_back(load_species("name", name, savetime));
    }
    std::vector<MeasureRecord> measures;
    for (const MeasureRecord& m : all_measures(db))
        if (m.name == "mowing_postpo" || m.name == kRefugeStripName) measures.push_back(m);

    BudgetMinimisationInput bm;
    bm.evaluation.countryID = country;
    bm.evaluation.species = species;
    bm.evaluation.minimum_qualities.assign(species.size(), 0.3);
    bm.wanted_area_ha.assign(species.size(), 150.0);
    bm.evaluation.measures = measures;
    bm.transaction_costs = 10;
    bm.evaluation.distance_cost_factor = 1.0;

    // The evaluation once, for the allocation figures and the later seeds.
    EvaluationRequest request;
    request.countryID = country;
    request.species = species;
    request.minimum_qualities = bm.evaluation.minimum_qualities;
    request.measures = measures;
    request.distance_cost_factor = 1.0;
    auto start = Clock::now();
    EvaluatedArea area;
    area.lists = EvaluationRun(db, request);
    const double evaluation_seconds = seconds_since(start);
    const RasterReference reference = load_raster_reference(db, country);
    area.raster_rows = reference.number_of_rows;
    area.raster_columns = reference.number_of_columns;
    area.pixel_area = reference.pixel_area_ha;

    long long candidates_total = 0;
    int with_candidates = 0;
    for (const auto& list : area.lists) {
        candidates_total += static_cast<long long>(list.size());
        with_candidates += list.empty() ? 0 : 1;
    }
    std::printf("optimisation_measures: %zu\n", measures.size());
    std::printf("optimisation_measures_with_candidates: %d\n", with_candidates);
    std::printf("optimisation_candidates: %lld\n", candidates_total);
    std::printf("optimisation_evaluation_seconds: %.2f\n", evaluation_seconds);

    // Allocations at the start values of the budget minimisation, on the
    // engine the optimisers use and, for comparison, by applying the
    // payments to the records and allocating them.
    std::vector<MeasureCandidates> candidates = sorted_candidates(area.lists);
    const int bound = count_bound(bm.wanted_area_ha, bm.evaluation.minimum_qualities, area.pixel_area);
    const BudgetStartValues sv = budget_start_values(candidates, bound, bm.transaction_costs);
    AllocationEngine engine(candidates, area.raster_rows, area.raster_columns, static_cast<int>(species.size()),
                            area.pixel_area);
    AllocationEngine::Outcome outcome;
    long long runs = 0;
    seed_random(1);
    start = Clock::now();
    do {
        for (int i = 0; i < 100; ++i) engine.run(sv.payment, sv.max_count, bm.transaction_costs, outcome);
        runs += 100;
    } while (seconds_since(start) < 2.0);
    const double engine_rate = static_cast<double>(runs) / seconds_since(start);
    std::printf("allocation_pixels_taken: %zu\n", outcome.picks.size());
    std::printf("allocation_steps: %lld\n", outcome.steps);
    std::printf("allocation_ns_per_step: %.1f\n", 1e9 / engine_rate / static_cast<double>(std::max(1LL, outcome.steps)));
    std::printf("allocations_per_second: %.0f\n", engine_rate);

    runs = 0;
    start = Clock::now();
    do {
        std::vector<double> area_out;
        std::vector<int> participants;
        std::vector<PixelResult> taken;
        apply_payments(candidates, sv.payment, bm.transaction_costs);
        PixelAllocation(candidates, sv.max_count, area.raster_rows, area.raster_columns,
                        static_cast<int>(species.size()), area.pixel_area, area_out, participants, taken);
        ++runs;
    } while (seconds_since(start) < 2.0);
    std::printf("record_allocations_per_second: %.0f\n", static_cast<double>(runs) / seconds_since(start));

    // Budget minimisation: the first seed as a whole run through the
    // database, the others on the same evaluated lists.
    std::vector<double> budgets;
    double annealing_seconds = 0.0;
    long long annealing_iterations = 0;
    for (int k = 1; k <= seeds; ++k) {
        bm.seed = static_cast<std::uint32_t>(k);
        const auto run_start = Clock::now();
        bool cancelled = false;
        Feedback feedback([&](const Feedback::Progress&) {
            if (seconds_since(run_start) > run_limit) {
                cancelled = true;
                feedback.cancel();
            }
        });
        OptimisationResult r;
        double search_seconds = 0.0;
        if (k == 1) {
            r = BudgetMinimisationRun(db, bm, &feedback);
            const double whole = seconds_since(run_start);
            std::printf("budget_minimisation_seconds: %.2f\n", whole);
            search_seconds = whole - evaluation_seconds;
        } else {
            r = BudgetMinimisationRun(area, bm, &feedback);
            search_seconds = seconds_since(run_start);
        }
        annealing_seconds += search_seconds;
        annealing_iterations += r.iterations;
        budgets.push_back(r.budget);
        double reached = 1e300;
        for (double a : r.effective_area) reached = std::min(reached, a);
        std::printf("budget_minimisation_budget_seed_%d: %.0f\n", k, r.budget);
        std::printf("budget_minimisation_iterations_seed_%d: %lld\n", k, r.iterations);
        std::printf("budget_minimisation_seconds_seed_%d: %.2f\n", k, search_seconds);
        std::printf("budget_minimisation_smallest_effective_area_ha_seed_%d: %.1f\n", k, reached);
        if (cancelled) std::printf("budget_minimisation_cancelled_at_limit_seed_%d: %.0f\n", k, run_limit);
    }
    double sum = 0.0;
    for (double b : budgets) sum += b;
    std::printf("budget_minimisation_budget_mean: %.0f\n", sum / static_cast<double>(budgets.size()));
    std::printf("budget_minimisation_budget_min: %.0f\n", *std::min_element(budgets.begin(), budgets.end()));
    std::printf("budget_minimisation_budget_max: %.0f\n", *std::max_element(budgets.begin(), budgets.end()));
    std::printf("annealing_iterations_per_second: %.0f\n",
                static_cast<double>(annealing_iterations) / std::max(1e-9, annealing_seconds));

    // Goal maximisation through the database.
    GoalMaximisationInput gm;
    gm.evaluation.countryID = country;
    gm.evaluation.species = species;
    gm.evaluation.minimum_qualities.assign(species.size(), 0.3);
    gm.weight.assign(species.size(), 1.0);
    gm.evaluation.measures = measures;
    gm.budget = 50000;
    gm.transaction_costs = 10;
    gm.evaluation.distance_cost_factor = 1.0;
    gm.seed = 1;
    start = Clock::now();
    const OptimisationResult g = GoalMaximisationRun(db, gm);
    const double goal_seconds = seconds_since(start);
    double objective = 0.0;
    for (std::size_t s = 0; s < g.effective_area.size(); ++s) objective += gm.weight[s] * g.effective_area[s];
    std::printf("goal_maximisation_seconds: %.2f\n", goal_seconds);
    std::printf("goal_maximisation_iterations: %lld\n", g.iterations);
    std::printf("goal_maximisation_objective_ha: %.2f\n", objective);
    std::printf("goal_maximisation_budget: %.0f\n", g.budget);
    std::printf("goal_maximisation_pixels: %zu\n", g.allocation.size());
    return 0;
}
