#pragma once
// What a batch gives back: the state of its runs, a table of one line per
// run (its parameters and summary figures) with statistics over replicates,
// and the selection frequency of each pixel over replicate runs.
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

namespace pravel {
class DatabaseAccess;
struct BatchRunRecord;
}

namespace pravel::batch {

// The figures of a run's summary, in a fixed order: the budget, the effective
// area per species, the area taking part; for the effectiveness analysis the
// effective area per measure and species.
std::vector<std::pair<std::string, double>> summary_figures(const nlohmann::json& summary);

struct Statistics {
    double mean = 0.0;
    double sd = 0.0;  // sample standard deviation (n - 1); 0 for one value
    double min = 0.0;
    double max = 0.0;
};
Statistics statistics(const std::vector<double>& values);

// The collect table: a header and rows of texts. Each run is one line ("run"
// its index); each group of two or more done runs that differ only in the
// seed adds four lines "mean", "sd", "min" and "max" after its runs.
struct CollectTable {
    std::vector<std::string> header;
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> parameter_paths;  // the varied paths, seed last
    std::vector<std::string> figure_names;
};
CollectTable collect_table(const std::vector<std::string>& paths, const std::vector<BatchRunRecord>& runs);

// The table as CSV text (RFC 4180 quoting).
std::string csv_text(const CollectTable& table);

// Per state counts as one line, and a bar of `width` characters for the
// share of finished runs.
std::string status_line(const std::map<std::string, int>& counts);
std::string progress_bar(const std::map<std::string, int>& counts, int width);

// The replicate groups of a batch: runs that differ only in the seed, in
// order of their first run.
std::vector<std::vector<const BatchRunRecord*>> replicate_groups(const std::vector<BatchRunRecord>& runs);

// Writes, per pixel of the study area, the share of the group's done runs
// whose stored configuration has the pixel (.tif: one band; .gpkg: a square
// per pixel taken at least once; .csv: a line per such pixel). Returns the
// number of runs counted. Throws BatchError when the runs stored no pixels.
int write_selection_frequency(DatabaseAccess& db, const std::vector<const BatchRunRecord*>& group,
                              const std::string& path);

}  // namespace pravel::batch
