#pragma once
#include <cstddef>
#include <string>
#include <vector>

#include "optimisation/pixel_allocation.h"
#include "store/measure_store.h"

namespace pravel {

// The inputs every report lists: species with their minimum quality and the
// measures, in selection order, and the pixel area of the run.
struct ReportSelection {
    std::vector<std::string> species_names;
    std::vector<double> minimum_qualities;  // one per species
    std::vector<MeasureRecord> measures;
    double pixel_area = 0.0;
};

// The line by which a report names a measure: ID, name, timing and the four
// livestock IDs with their densities.
std::string report_measure_line(const MeasureRecord& m);

// The text of the report of a budget minimisation. `last` is the result of
// the latest run (a default one before any run): its result block is left
// out while its allocation list is empty, and the total budget is then 0.
std::string budget_minimisation_report(const ReportSelection& selection, const std::vector<double>& wanted_areas,
                                       const OptimisationResult& last);

// The text of the report of a goal maximisation, with the budget the user
// entered.
std::string goal_maximisation_report(const ReportSelection& selection, int user_budget,
                                     const OptimisationResult& last);

// What the report of a programme simulation adds to the selection.
struct SimulationReportFigures {
    std::vector<int> max_counts;            // per measure
    std::size_t participating_pixels = 0;   // of the last run
    std::vector<double> effective_area;     // per species, ha
    double budget = 0.0;                    // gross budget of the last run
};

// The text of the report of a programme simulation; the measures carry the
// payments the user entered.
std::string simulation_report(const ReportSelection& selection, const SimulationReportFigures& figures);

struct ReportWriteResult {
    bool ok = false;
    std::string error;  // why the file could not be written; empty on success
};

// Writes `content` to `path`, replacing an existing file. The text goes to a
// temporary file in the same folder first and is renamed over the target
// only when it has been written completely, so a failure never leaves a
// partial report behind.
ReportWriteResult write_report_file(const std::string& path, const std::string& content);

}  // namespace pravel
