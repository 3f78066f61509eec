// Load times of the data store against the private database server: a whole
// study area of 100,000 pixels, and the cost of one lookup statement (what
// every pixel would pay if lookups were not remembered within a load).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "common/sql_text.h"
#include "store/database_access.h"
#include "store/landscape_store.h"
#include "store/sql_script.h"

namespace {

using namespace pravel;

constexpr int kRows = 250;
constexpr int kColumns = 400;  // 100,000 pixels
constexpr int kCountry = 1;

std::string g_config;

std::vector<std::string> read_lines(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    std::string l;
    while (std::getline(in, l)) lines.push_back(l);
    return lines;
}

// Makes schema <base>_bench with one study area of kRows x kColumns pixels.
void prepare() {
    const char* env = std::getenv("PRAVEL_BENCH_DB_CONFIG");
    const std::string base_config = env ? env : "db_config.txt";
    const auto lines = read_lines(base_config);
    if (lines.size() < 4) {
        std::fprintf(stderr, "bench: no database settings in %s (run scripts/db start)\n", base_config.c_str());
        std::exit(1);
    }
    const std::string schema = lines[3] + "_bench";
    g_config = "/tmp/pravel_bench_db_config.txt";
    std::ofstream(g_config) << lines[0] << '\n' << lines[1] << '\n' << lines[2] << '\n' << schema << '\n';
    {
        DatabaseAccess base(base_config);
        base.update("DROP DATABASE IF EXISTS `" + schema + "`");
        base.update("CREATE DATABASE `" + schema + "` CHARACTER SET utf8mb4");
    }
    DatabaseAccess db(g_config);
    run_sql_script(db, std::string(PRAVEL_SOURCE_DIR) + "/sql/schema.sql");
    db.update("INSERT INTO country VALUES (1, 'Benchmark lowland', 13)");
    db.update("INSERT INTO matrix_referenz VALUES (1, 250, 400, 90, 90)");
    for (int d = 1; d <= 12; ++d) {
        SqlText s;
        s << "INSERT INTO cost_for_farmhouse_distance VALUES (" << d << ", " << d * 4.5 << ")";
        db.update(s);
    }
    for (int t = 1; t <= 8; ++t) {
        SqlText s;
        s << "INSERT INTO grasslandtype (grasslandtypeID, WES, WOLA, WKLA, quantity, energy, height) VALUES (" << t
          << ", 0.5, 0.25, 0.75, " << 60 + t * 5 << ", " << 70 + t * 3 << ", " << 20 + t << ")";
        db.update(s);
    }
    int id = 1;
    for (int i = 0; i < kRows; ++i) {
        SqlText s;
        s << "INSERT INTO pixel (pixelID, countryID, country, matrix_i, matrix_j, wet, fresh, dry, "
             "grassland_economic_value, land_use_type, number_of_grassland_types, grasslandtyp1, grasslandtyp2, "
             "farmhouse_distance) VALUES ";
        for (int j = 0; j < kColumns; ++j, ++id) {
            const int types = (i + j) % 3;
            s << (j ? ", " : "") << "(" << id << ", 1, 'Benchmark lowland', " << i << ", " << j << ", 0.5, 0.3, 0.2, "
              << 10 + (i * 7 + j) % 80 << ", '" << (types ? "3" : "1") << "', " << types << ", " << 1 + (i + j) % 8
              << ", " << 1 + (i * 3 + j) % 8 << ", " << (i / 20 + j / 40) % 13 << ")";
        }
        db.update(s);
    }
}

void BM_LoadPixels100k(benchmark::State& state) {
    DatabaseAccess db(g_config);
    long long statements = 0;
    db.set_statement_log([&](const std::string&) { ++statements; });
    for (auto _ : state) {
        statements = 0;
        const auto ref = load_raster_reference(db, kCountry);
        PixelRaster raster(ref);
        load_pixels(db, kCountry, raster);
        benchmark::DoNotOptimize(&raster.cells());
    }
    state.counters["pixels"] = kRows * kColumns;
    state.counters["statements"] = static_cast<double>(statements);
    state.counters["pixels_per_s"] =
        benchmark::Counter(static_cast<double>(kRows) * kColumns, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_LoadPixels100k)->Unit(benchmark::kSecond)->Iterations(3)->UseRealTime();

// One farmhouse-distance lookup statement, as an unremembered load would send
// once per pixel (and up to two grassland-type lookups besides).
void BM_OneLookupStatement(benchmark::State& state) {
    DatabaseAccess db(g_config);
    int d = 0;
    for (auto _ : state) {
        SqlText s;
        s << "SELECT * FROM cost_for_farmhouse_distance WHERE farmhouse_distance = " << 1 + (d++ % 12);
        double cost = 0;
        db.query(s, [&](auto&) { cost += 1; });
        benchmark::DoNotOptimize(cost);
    }
    state.counters["statements_per_s"] = benchmark::Counter(1, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_OneLookupStatement)->Unit(benchmark::kMicrosecond)->MinTime(1.0)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    prepare();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
