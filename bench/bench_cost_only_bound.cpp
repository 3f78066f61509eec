// The cost-only bound on the demo study areas: the plain programme (one
// column per candidate, solved whole) against the bound as the searches use
// it, for the "only mowing" set and for all measures.
//
// Kievit, Grutto and Tureluur at minimum quality 0.3, transaction costs 10,
// distance cost factor 1, evaluation seed 1. Budget bound: 150 ha of each
// bird on the large area (Ellerbach lowland), 20 ha on the small one
// (Moorwiesen test area); goal bound (weights 1): 50,000 Euro on the large
// area, 15,000 on the small one.
//
// Prints one "name: value" line per figure. Environment:
// PRAVEL_BENCH_DB_CONFIG (settings file); PRAVEL_BENCH_PLAIN=0 leaves out
// the plain programme, PRAVEL_BENCH_AREA=large|small and
// PRAVEL_BENCH_SET=mowing|all run one area or one set alone. On the large
// area the bound also runs on copies of the area side by side
// (PRAVEL_BENCH_COPIES, default "4,25"), each copy's areas and costs moved
// by up to 5 % so that none repeats another; processor seconds and the load
// average are printed beside those. The largest copy is also bounded from
// candidate records (as the searches hand them over) with only mowing, and
// with all measures when PRAVEL_BENCH_RECORDS=1 (several GB of records).
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <sys/resource.h>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "common/notifier.h"
#include "core/evaluation_run.h"
#include "optimisation/cost_only_bound.h"
#include "optimisation/pixel_allocation.h"
#include "store/database_access.h"
#include "store/landscape_store.h"
#include "store/measure_store.h"
#include "store/profile_store.h"

using namespace pravel;

namespace {

SpeciesRecord newest_bird(DatabaseAccess& db, const std::string& name) {
    const std::string savetime = newest_species_savetime(db, kGroupBird, name);
    if (savetime.empty()) {
        std::fprintf(stderr, "bench_cost_only_bound: bird %s missing from the demo data\n", name.c_str());
        std::exit(1);
    }
    return load_species("name", name, savetime);
}

void print_pair(const std::string& name, const CostOnlyBound* plain, const CostOnlyBound& fast) {
    const auto text = [](const CostOnlyBound& b) {
        char buffer[96];
        if (!b.solved) return std::string(b.time_limit_reached ? "time limit" : "not worked out");
        if (!b.reachable) return std::string("unreachable");
        std::snprintf(buffer, sizeof buffer, "%.4f", b.value);
        return std::string(buffer);
    };
    if (plain) {
        std::printf("%s_plain: %s in %.2f s\n", name.c_str(), text(*plain).c_str(), plain->seconds);
    }
    std::printf("%s_fast: %s in %.2f s\n", name.c_str(), text(fast).c_str(), fast.seconds);
    if (plain && plain->reachable && fast.reachable) {
        std::printf("%s_relative_difference: %.2e\n", name.c_str(),
                    std::fabs(fast.value - plain->value) / std::max(1e-12, std::fabs(plain->value)));
    }
}

// Processor seconds of the whole process (the bound runs on one thread).
double cpu_seconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

// The one-minute load average of the machine.
std::string load_average() {
    std::FILE* f = std::fopen("/proc/loadavg", "r");
    char buffer[64] = "?";
    if (f) {
        if (!std::fgets(buffer, sizeof buffer, f)) buffer[0] = 0;
        std::fclose(f);
    }
    std::string text(buffer);
    return text.substr(0, text.find(' '));
}

// Runs a bound, prints it with its processor seconds and the load.
template <class Bound>
void timed(const std::string& name, const Bound& bound) {
    const double cpu = cpu_seconds();
    const CostOnlyBound b = bound();
    print_pair(name, nullptr, b);
    std::printf("%s_cpu_seconds: %.2f (load %s)\n", name.c_str(), cpu_seconds() - cpu, load_average().c_str());
    std::fflush(stdout);
}

// Copies of the large area to bound (PRAVEL_BENCH_COPIES, e.g. "4,25").
std::vector<int> copy_counts() {
    const char* env = std::getenv("PRAVEL_BENCH_COPIES");
    std::vector<int> counts;
    std::string text = env ? env : "4,25";
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t comma = text.find(',', at);
        const int n = std::atoi(text.substr(at, comma - at).c_str());
        if (n > 0) counts.push_back(n);
        at = comma == std::string::npos ? text.size() : comma + 1;
    }
    return counts;
}

}  // namespace

int main() {
    const char* env = std::getenv("PRAVEL_BENCH_DB_CONFIG");
    set_database_config_path(env ? env : "db_config.txt");
    set_notifier(std::make_shared<StderrNotifier>());
    const char* plain_env = std::getenv("PRAVEL_BENCH_PLAIN");
    const bool with_plain = !(plain_env && std::string(plain_env) == "0");
    DatabaseAccess db;

    std::vector<SpeciesRecord> birds;
    for (const char* name : {"Kievit", "Grutto", "Tureluur"}) birds.push_back(newest_bird(db, name));
    std::vector<MeasureRecord> mowing;  // "only mowing"
    for (const char* name : {"mowing_postpo", kRefugeStripName})
        for (const MeasureRecord& m : measures_by_name_without_early_use(db, name)) mowing.push_back(m);
    std::vector<MeasureRecord> all = all_measures(db);

    struct Area {
        const char* label;
        const char* name;
        double wanted, budget;
    };
    const char* only_env = std::getenv("PRAVEL_BENCH_AREA");
    for (const Area& a : {Area{"large", "Ellerbach lowland", 150.0, 50000.0},
                          Area{"small", "Moorwiesen test area", 20.0, 15000.0}}) {
        if (only_env && std::string(only_env) != a.label) continue;
        const int country = country_id(db, a.name);
        if (country == 0) {
            std::fprintf(stderr, "bench_cost_only_bound: the demo data are not loaded (scripts/db load-demo)\n");
            return 1;
        }
        for (const auto& [set, measures] : {std::pair{"mowing", &mowing}, std::pair{"all", &all}}) {
            const char* set_env = std::getenv("PRAVEL_BENCH_SET");
            if (set_env && std::string(set_env) != set) continue;
            EvaluationRequest request;
            request.countryID = country;
            request.species = birds;
            request.minimum_qualities.assign(birds.size(), 0.3);
            request.measures = *measures;
            request.distance_cost_factor = 1.0;
            request.seed = 1;
            const EvaluatedArea area = evaluate_area(db, request, nullptr);
            long long candidates = 0;
            for (const auto& list : area.lists) candidates += static_cast<long long>(list.size());
            const std::string name = std::string(a.label) + "_" + set;
            std::printf("%s_candidates: %lld\n", name.c_str(), candidates);
            const std::vector<double> wanted(birds.size(), a.wanted);
            const std::vector<double> weight(birds.size(), 1.0);
            CostOnlyBound plain_budget, plain_goal;
            if (with_plain) {
                plain_budget = plain_cost_only_budget_bound(area.lists, wanted, 10, area.pixel_area);
                plain_goal = plain_cost_only_goal_bound(area.lists, weight, a.budget, 10);
            }
            const CostOnlyBound fast_budget = cost_only_budget_bound(area.lists, wanted, 10, area.pixel_area);
            const CostOnlyBound fast_goal = cost_only_goal_bound(area.lists, weight, a.budget, 10);
            print_pair(name + "_budget_bound", with_plain ? &plain_budget : nullptr, fast_budget);
            print_pair(name + "_goal_bound", with_plain ? &plain_goal : nullptr, fast_goal);
            // A harder target: half of what the scarcest bird could have at
            // most, so that the bound has to trade the birds off.
            std::vector<double> most(birds.size(), 0.0);
            {
                std::map<std::pair<int, int>, std::vector<double>> best;
                for (const auto& list : area.lists)
                    for (const PixelResult& r : list) {
                        auto& b = best[{r.row, r.column}];
                        b.resize(birds.size(), 0.0);
                        for (std::size_t s = 0; s < birds.size() && s < r.qualities.size(); ++s)
                            b[s] = std::max(b[s], r.qualities[s].quality * area.pixel_area);
                    }
                for (const auto& [cell, b] : best)
                    for (std::size_t s = 0; s < b.size(); ++s) most[s] += b[s];
            }
            const std::vector<double> half(birds.size(), 0.5 * *std::min_element(most.begin(), most.end()));
            std::printf("%s_half_target_ha: %.2f\n", name.c_str(), half[0]);
            CostOnlyBound plain_half;
            if (with_plain) plain_half = plain_cost_only_budget_bound(area.lists, half, 10, area.pixel_area);
            print_pair(name + "_half_target_budget_bound", with_plain ? &plain_half : nullptr,
                       cost_only_budget_bound(area.lists, half, 10, area.pixel_area));
            // Copies of the area side by side, their qualities and costs
            // moved by up to 5 % so that no copy repeats another: how the
            // bound grows with the area (the plain programme only at 1x).
            // The copies are made in the bound's compact form; with only
            // mowing the largest is also made as candidate records and
            // bounded from them (the form the searches hand over), which
            // adds making the compact form.
            if (std::string(a.label) == "large") {
                const BoundCandidates one = bound_candidates(area.lists, birds.size(), 10, area.pixel_area);
                for (int copies : copy_counts()) {
                    std::uint64_t state = 12345;
                    const auto wobble = [&state] {
                        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
                        return 0.95 + 0.1 * static_cast<double>(state >> 11) / 9007199254740992.0;
                    };
                    BoundCandidates tiled;
                    tiled.species = one.species;
                    tiled.pixel.reserve(one.size() * static_cast<std::size_t>(copies));
                    tiled.cost.reserve(one.size() * static_cast<std::size_t>(copies));
                    tiled.area.reserve(one.area.size() * static_cast<std::size_t>(copies));
                    std::vector<double> moved(one.species);
                    for (int k = 0; k < copies; ++k)
                        for (std::size_t i = 0; i < one.size(); ++i) {
                            const double cost = one.cost[i] * wobble();
                            for (std::size_t s = 0; s < one.species; ++s)
                                moved[s] = std::min(area.pixel_area, one.area[i * one.species + s] * wobble());
                            tiled.add(static_cast<std::uint32_t>(one.pixels * static_cast<std::size_t>(k) + one.pixel[i]),
                                      cost, moved.data());
                        }
                    std::vector<double> scaled_wanted(birds.size(), a.wanted * copies);
                    const std::string tiled_name = name + "_x" + std::to_string(copies);
                    std::printf("%s_candidates: %zu\n", tiled_name.c_str(), tiled.size());
                    timed(tiled_name + "_budget_bound", [&] { return cost_only_budget_bound(tiled, scaled_wanted); });
                    std::vector<double> scaled_half(half);
                    for (double& h : scaled_half) h *= copies;
                    timed(tiled_name + "_half_target_budget_bound",
                          [&] { return cost_only_budget_bound(tiled, scaled_half); });
                    timed(tiled_name + "_goal_bound",
                          [&] { return cost_only_goal_bound(tiled, weight, a.budget * copies); });
                    if (with_plain && std::string(set) == "mowing" && copies <= 4) {
                        // The plain programme on the same copies, as records
                        // (the trade-off target; the plain goal programme
                        // takes minutes here).
                        std::vector<std::vector<PixelResult>> records(1);
                        records[0].reserve(tiled.size());
                        for (std::size_t i = 0; i < tiled.size(); ++i) {
                            PixelResult r;
                            r.row = static_cast<int>(tiled.pixel[i] / 65536);
                            r.column = static_cast<int>(tiled.pixel[i] % 65536);
                            r.margin_without_payment = 10.0 - tiled.cost[i] / area.pixel_area;
                            for (std::size_t s = 0; s < tiled.species; ++s)
                                r.qualities.push_back({0, tiled.area[i * tiled.species + s] / area.pixel_area});
                            records[0].push_back(std::move(r));
                        }
                        const CostOnlyBound fast_half = cost_only_budget_bound(tiled, scaled_half);
                        const CostOnlyBound plain_half =
                            plain_cost_only_budget_bound(records, scaled_half, 10, area.pixel_area);
                        print_pair(tiled_name + "_half_target_budget_bound", &plain_half, fast_half);
                    }
                    const char* records_env = std::getenv("PRAVEL_BENCH_RECORDS");
                    const bool records_too = std::string(set) == "mowing" || (records_env && std::string(records_env) == "1");
                    if (records_too && copies == copy_counts().back()) {
                        std::vector<std::vector<PixelResult>> records(area.lists.size());
                        state = 12345;
                        for (std::size_t m = 0; m < area.lists.size(); ++m) {
                            records[m].reserve(area.lists[m].size() * static_cast<std::size_t>(copies));
                            for (int k = 0; k < copies; ++k)
                                for (PixelResult r : area.lists[m]) {
                                    r.row += k * area.raster_rows;
                                    r.margin_without_payment *= wobble();
                                    for (auto& q : r.qualities) q.quality = std::min(1.0, q.quality * wobble());
                                    records[m].push_back(std::move(r));
                                }
                        }
                        timed(tiled_name + "_from_records_budget_bound", [&] {
                            return cost_only_budget_bound(records, scaled_wanted, 10, area.pixel_area);
                        });
                        timed(tiled_name + "_from_records_half_target_budget_bound", [&] {
                            return cost_only_budget_bound(records, scaled_half, 10, area.pixel_area);
                        });
                        timed(tiled_name + "_from_records_goal_bound", [&] {
                            return cost_only_goal_bound(records, weight, a.budget * copies, 10);
                        });
                    }
                }
            }
            std::fflush(stdout);
        }
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("peak_resident_mb: %.0f\n", static_cast<double>(usage.ru_maxrss) / 1024.0);
    return 0;
}
