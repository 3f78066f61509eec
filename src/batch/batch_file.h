#pragma once
// Batch files: one analysis, a base scenario, the values to vary and the
// number of replicates. The runs are the product of the varied values, the
// first varied parameter changing slowest and the seed fastest.
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace pravel::batch {

// Refused input (an unknown path, an empty list, too many runs, ...): the
// tool prints the message and exits with status 2, writing nothing.
struct BatchError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

inline constexpr long long kMaxBatchRuns = 100000;
inline constexpr const char* kSeedPath = "seed";

struct VariedParameter {
    std::string path;  // "seed", "region", "species[].wanted_area_ha", ...
    std::vector<nlohmann::ordered_json> values;
};

struct BatchFile {
    std::string name;
    std::string analysis;
    std::string base_path;                // as written in the file
    nlohmann::ordered_json base;          // the base scenario
    std::vector<VariedParameter> vary;    // in the file's order; the seed last
};

// Checks one scenario as the analysis would read it; throws (any exception)
// with the reason when it would be refused.
using ScenarioCheck = std::function<void(const nlohmann::ordered_json& scenario)>;

// Reads a batch document. `read_base` returns the text of the base scenario
// named in the file; `known_analysis` says whether an analysis name exists;
// `check` is asked about the base scenario with each varied value put in.
// Replicates N (default 1) become seeds 1..N when no seed is varied.
BatchFile parse_batch_file(const nlohmann::ordered_json& doc,
                           const std::function<std::string(const std::string& path)>& read_base,
                           const std::function<bool(const std::string& analysis)>& known_analysis,
                           const ScenarioCheck& check);

// The number of runs, refused beyond kMaxBatchRuns.
long long run_count(const BatchFile& file);

// The parameters of every run: an object path -> value, in the order of
// `vary`.
std::vector<nlohmann::ordered_json> expand_runs(const BatchFile& file);

// The base scenario with a run's parameters put in (the seed left out).
nlohmann::ordered_json apply_parameters(const nlohmann::ordered_json& base, const nlohmann::ordered_json& parameters);

// The seed a run's parameters name; 1 when they name none.
std::uint32_t seed_of(const nlohmann::ordered_json& parameters);

}  // namespace pravel::batch
