// Writing the rows of an analysis on the large demo study area: the
// `results_for_viusualitsation` rows of an effectiveness run of the seven demo
// birds and the mowing measures, its `graphic` rows, and the `result` and
// `resulting_quality` rows of a stored run, once as one statement per row
// (autocommitted, as they were written before) and once batched in one
// transaction. Needs the demo data loaded (scripts/bench does it). Prints one
// "name: value" line per figure; the tables are emptied again at the end.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "core/effectiveness.h"
#include "core/evaluation_run.h"
#include "store/database_access.h"
#include "store/landscape_store.h"
#include "store/measure_store.h"
#include "store/profile_store.h"
#include "store/result_store.h"

using namespace pravel;

namespace {

// Rows written one statement per row: a sample, since that path takes tens of
// microseconds per row.
constexpr std::size_t kSingleRows = 20000;
// Rows written batched (the whole run would need about 3 million rows and
// half a gigabyte of row texts in memory).
constexpr std::size_t kBatchedRows = 400000;
constexpr int kConfiguration = 2000000000;

double seconds_of(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void print(const char* name, std::size_t rows, double seconds) {
    std::printf("%s_rows: %zu\n", name, rows);
    std::printf("%s_seconds: %.3f\n", name, seconds);
    std::printf("%s_us_per_row: %.2f\n", name, rows ? seconds * 1e6 / static_cast<double>(rows) : 0.0);
}

}  // namespace

int main() {
    const char* env = std::getenv("PRAVEL_BENCH_DB_CONFIG");
    set_database_config_path(env ? env : "db_config.txt");
    DatabaseAccess db;

    const int country = country_id(db, "Ellerbach lowland");
    if (country == 0) {
        std::fprintf(stderr, "bench_result_writes: the demo data are not loaded (scripts/db load-demo)\n");
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
        if (m.method_nr >= 1 && m.method_nr <= 5) request.measures.push_back(m);

    EffectivenessRun run;
    run.measures = request.measures;
    run.species = request.species;
    run.countryID = country;
    std::vector<std::vector<PixelResult>> results = EvaluationRun(db, request);
    {
        // The same run in the form the effectiveness analysis keeps.
        CompactEvaluation compact = CompactEvaluationRun(db, request);
        run.results = std::move(compact.results);
        run.area = std::move(compact.area);
        run.payment = std::move(compact.payment);
    }
    run.pixel_area = load_raster_reference(db, country).pixel_area_ha;
    std::vector<VisualisationRow> rows = effectiveness_visualisation_rows(run);
    std::printf("visualisation_rows_of_the_run: %zu\n", rows.size());
    if (rows.size() > kBatchedRows) rows.resize(kBatchedRows);
    const std::vector<VisualisationRow> sample(rows.begin(), rows.begin() + std::min(rows.size(), kSingleRows));

    clear_visualisation_rows(db);
    print("visualisation_single", sample.size(),
          seconds_of([&] { for (const auto& r : sample) save_visualisation_row(db, r); }));
    clear_visualisation_rows(db);
    print("visualisation_batched", rows.size(), seconds_of([&] { save_visualisation_rows(db, rows); }));
    clear_visualisation_rows(db);

    const EffectivenessSummary summary =
        summarise_effectiveness(run.measures, run.species, run.results, run.pixel_area, 0);
    clear_graphic_rows(db);
    print("graphic_single", summary.graphic.size(),
          seconds_of([&] { for (const auto& r : summary.graphic) save_graphic_row(db, r); }));
    clear_graphic_rows(db);
    print("graphic_batched", summary.graphic.size(), seconds_of([&] { save_graphic_rows(db, summary.graphic); }));
    clear_graphic_rows(db);

    // A stored run: one result per pixel (its first measure), seven quality
    // rows each, written in the store's transaction either way.
    std::vector<PixelResultRow> stored;
    std::set<int> seen;
    for (const auto& list : results) {
        for (const PixelResult& r : list) {
            if (stored.size() == kSingleRows) break;
            if (!seen.insert(r.pixelID).second) continue;
            PixelResultRow row{r.pixelID, r.measure ? r.measure->measureID : 0, r.margin_with_payment, {}};
            for (const SpeciesQuality& q : r.qualities) row.qualities.emplace_back(q.speciesID, q.quality);
            stored.push_back(std::move(row));
        }
    }
    std::size_t stored_rows = 0;
    for (const auto& r : stored) stored_rows += 1 + r.qualities.size();
    auto remove_run = [&] {
        for (const char* table : {"result", "resulting_quality"})
            db.update(std::string("DELETE FROM ") + table + " WHERE configurationID = " + std::to_string(kConfiguration));
    };
    remove_run();
    print("stored_run_single", stored_rows, seconds_of([&] {
              Transaction t(db);
              for (const auto& r : stored) save_pixel_result(db, r.pixelID, r.measureID, kConfiguration, r.benefit, r.qualities);
              t.commit();
          }));
    remove_run();
    print("stored_run_batched", stored_rows, seconds_of([&] {
              Transaction t(db);
              save_pixel_results(db, kConfiguration, stored);
              t.commit();
          }));
    remove_run();
    return 0;
}
