// The evaluation run on the large demo study area, through the database:
// the seven demo birds with minimum quality 0.3 and every mowing measure of
// the catalogue. Needs the demo data loaded (scripts/bench does it). Prints
// one "name: value" line per figure.
//
//   bench_demo_area [mowing|all] [THREADS]
//
// `all` takes every measure of the catalogue; THREADS is the evaluation's
// threads (default: every core). Run it under /usr/bin/time -v to compare
// the peak memory of runs with other thread counts.
#include <sys/resource.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <set>
#include <string>
#include <vector>

#include "core/evaluation_run.h"
#include "store/database_access.h"
#include "store/landscape_store.h"
#include "store/measure_store.h"
#include "store/profile_store.h"

using namespace pravel;

int main(int argc, char** argv) {
    const std::string set = argc > 1 ? argv[1] : "mowing";
    const int threads = argc > 2 ? std::atoi(argv[2]) : 0;
    if ((set != "mowing" && set != "all") || threads < 0) {
        std::fprintf(stderr, "usage: bench_demo_area [mowing|all] [THREADS]\n");
        return 2;
    }
    const char* env = std::getenv("PRAVEL_BENCH_DB_CONFIG");
    set_database_config_path(env ? env : "db_config.txt");
    DatabaseAccess db;

    const int country = country_id(db, "Ellerbach lowland");
    if (country == 0) {
        std::fprintf(stderr, "bench_demo_area: the demo data are not loaded (scripts/db load-demo)\n");
        return 1;
    }
    EvaluationRequest request;
    request.countryID = country;
    request.distance_cost_factor = 1.0;
    for (const auto& [name, savetime] : species_versions_of_group(db, kGroupBird)) {
        request.species.push_back(load_species("name", name, savetime));
        request.minimum_qualities.push_back(0.3);
    }
    for (const MeasureRecord& m : all_measures(db))
        if (set == "all" || (m.method_nr >= 1 && m.method_nr <= 5)) request.measures.push_back(m);
    request.threads = threads;

    rusage before{};
    getrusage(RUSAGE_SELF, &before);
    const auto start = std::chrono::steady_clock::now();
    const auto results = EvaluationRun(db, request);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    rusage after{};
    getrusage(RUSAGE_SELF, &after);
    auto cpu = [](const rusage& u) {
        return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
    };
    const double run_peak_mb = after.ru_maxrss / 1024.0;
    // A fingerprint of every result, to compare runs with other thread
    // counts: the same seed must give the same figure.
    std::uint64_t fingerprint = 1469598103934665603ull;
    auto mix = [&](std::uint64_t v) { fingerprint = (fingerprint ^ v) * 1099511628211ull; };
    for (const auto& list : results) {
        mix(list.size());
        for (const PixelResult& r : list) {
            mix(static_cast<std::uint64_t>(r.pixelID));
            mix(std::bit_cast<std::uint64_t>(r.margin_with_payment));
            for (const SpeciesQuality& q : r.qualities) mix(std::bit_cast<std::uint64_t>(q.quality));
        }
    }

    const RasterReference ref = load_raster_reference(db, country);
    PixelRaster raster(ref);
    load_pixels(db, country, raster);
    long long grassland = 0, meadows = 0;
    for (const PixelRecord& p : raster.cells()) {
        if (!is_evaluated_grassland(p)) continue;
        ++grassland;
        meadows += (p.mead_past_mow == 0 && p.manure_status_grass_cropland <= 1) ? 1 : 0;
    }

    long long results_total = 0;
    std::set<int> qualifying_pixels;
    std::vector<double> costs;
    int measures_with_results = 0;
    for (const auto& list : results) {
        measures_with_results += list.empty() ? 0 : 1;
        for (const PixelResult& r : list) {
            ++results_total;
            qualifying_pixels.insert(r.pixelID);
            costs.push_back(-r.margin_without_payment);
        }
    }
    std::sort(costs.begin(), costs.end());
    auto quantile = [&](double q) { return costs.empty() ? 0.0 : costs[static_cast<std::size_t>(q * (costs.size() - 1))]; };
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);

    std::printf("demo_area_pixels: %d\n", ref.number_of_rows * ref.number_of_columns);
    std::printf("demo_area_grassland_pixels: %lld\n", grassland);
    std::printf("demo_area_meadow_pixels_evaluated: %lld\n", meadows);
    std::printf("demo_area_species: %zu\n", request.species.size());
    std::printf("demo_area_measure_set: %s\n", set.c_str());
    std::printf("demo_area_measures: %zu\n", request.measures.size());
    std::printf("demo_area_threads: %d\n", threads > 0 ? threads : evaluation_threads());
    std::printf("demo_area_measures_with_qualifying_pixels: %d\n", measures_with_results);
    std::printf("demo_area_pixel_results: %lld\n", results_total);
    std::printf("demo_area_qualifying_pixels: %zu\n", qualifying_pixels.size());
    std::printf("demo_area_cost_min_eur_ha: %.0f\n", costs.empty() ? 0.0 : costs.front());
    std::printf("demo_area_cost_median_eur_ha: %.0f\n", quantile(0.5));
    std::printf("demo_area_cost_max_eur_ha: %.0f\n", costs.empty() ? 0.0 : costs.back());
    std::printf("demo_area_evaluation_run_seconds: %.2f\n", seconds);
    std::printf("demo_area_evaluation_run_cpu_seconds: %.2f\n", cpu(after) - cpu(before));
    std::printf("demo_area_evaluation_peak_memory_mb: %.1f\n", run_peak_mb);
    std::printf("demo_area_results_fingerprint: %016llx\n", static_cast<unsigned long long>(fingerprint));
    std::printf("demo_area_peak_memory_mb: %.1f\n", usage.ru_maxrss / 1024.0);
    return 0;
}
