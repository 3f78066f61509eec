#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/input_problem.h"
#include "optimisation/pixel_allocation.h"
#include "optimisation/report_file.h"
#include "store/measure_store.h"
#include "store/result_store.h"
#include "store/profile_store.h"

namespace pravel {

class DatabaseAccess;
class Feedback;

// Messages of the programme simulation.
inline constexpr const char* kSimFactorMissing = "You have to enter a factor for the distance cost please!";
inline constexpr const char* kSimTransactionCostsMissing = "You have to enter the transaction costs please!";
inline constexpr const char* kSimNoMeasures = "You have to select measures first please!";
inline constexpr const char* kSimNoSpecies = "You have to select species first please!";
inline constexpr const char* kSimNoPredation = "You have to select the predation please!";
inline constexpr const char* kSimNoRegion = "You have to select a country/region please!";
inline constexpr const char* kSimNoMeasureName = "You have to select a measure first please!";
inline constexpr const char* kSimPaymentNotNumber = "You have to enter a number for the payment please!";
inline constexpr const char* kSimAreaNotNumber = "You have to enter a number for the maximum area please!";
inline constexpr const char* kSimNoSpeciesName = "You have to select a species first please!";
inline constexpr const char* kSimQualityNotNumber = "You have to enter a number for the minimum quality please!";
inline constexpr const char* kSimQualityOutOfRange = "The quality must be between 0 and 1!\n\n Please revise your input!";

// What the user has entered for a programme simulation.
struct ProgrammeInputs {
    std::string distance_cost_factor;  // field text
    std::string transaction_costs;     // field text
    std::vector<MeasureRecord> measures;  // payment = the payment per ha the user entered
    std::vector<int> max_counts;          // one per measure, pixels
    std::vector<SpeciesRecord> species;
    std::vector<double> minimum_qualities;          // one per species
    std::optional<bool> time_dependent_predation;   // nullopt: neither radio button chosen
    std::optional<int> countryID;                   // nullopt: no region chosen
    double pixel_area = 0.0;  // ha, of the chosen region's raster
    // Payments that differ by pixel (payments by zone): the payment (Euro/ha,
    // as entered, before the transaction costs are deducted) of measure m on
    // the cell (row, column). None: every pixel sees its measure's payment.
    std::function<double(std::size_t measure, int row, int column)> payment_at;
};

// The first failing check of a run in the window's order (factor,
// transaction costs, measures, species, predation, region); empty when every
// input is usable.
InputProblem programme_input_problem(const ProgrammeInputs& in);

// The refusal of a measure (payment and maximal area texts) or a species
// (minimum-quality text) to be added; empty when it may be added.
InputProblem programme_measure_problem(bool measure_chosen, const std::string& payment,
                                       const std::string& max_area);
InputProblem programme_species_problem(bool species_chosen, const std::string& minimum_quality);

// The most pixels a measure may take for a maximal area: the area text read
// as an integer (ha) divided by the pixel area, truncated; 0 while the pixel
// area is not known.
int maximum_pixel_count(const std::string& max_area, double pixel_area);

// The entry of the pixel-count list: count, " ( ", the area text, " ha)".
std::string pixel_count_entry(int count, const std::string& max_area);

// Payments that differ by pixel: each record of list m gets the net value
// and a copy of measures[m] at payment_at(m, row, column) less the
// transaction costs, as step 4 deducts them from a single payment (one copy
// per distinct payment). The order of the lists is not changed.
void pay_by_pixel(std::vector<std::vector<PixelResult>>& lists,
                  const std::function<double(std::size_t measure, int row, int column)>& payment_at,
                  const std::vector<MeasureRecord>& measures, int transaction_costs);

// The budget at the gross payments: the net budget (pixel area x sum of the
// net payments of the participants) plus the transaction costs of every
// participating pixel.
double gross_budget(int transaction_costs, std::size_t participating_pixels, double pixel_area, double net_budget);

struct ProgrammeSummary {
    std::vector<std::string> lines;     // the "Result" list
    std::vector<double> quality_sums;   // per species, over the participating pixels
    double budget = 0.0;                // gross budget
};

// The result lines of a run from its allocation (participating pixels in
// allocation order, each with its net value and its measure) and net budget.
ProgrammeSummary summarise_programme(const std::vector<PixelResult>& allocation,
                                     const std::vector<SpeciesRecord>& species, int transaction_costs,
                                     double pixel_area, double net_budget);

// Outcome of a run through the database.
struct ProgrammeRun {
    // The validation message that stopped the run; empty when it went through.
    std::string message;
    // True when the feedback cancelled the evaluation: no allocation is made
    // and the run has no lines.
    bool cancelled = false;
    std::vector<MeasureRecord> measures;  // copies with the net payment
    std::vector<SpeciesRecord> species;
    int countryID = 0;
    int transaction_costs = 0;
    double pixel_area = 0.0;
    std::vector<PixelResult> allocation;
    std::vector<double> effective_area;  // per species, ha
    std::vector<int> participants;       // per measure, pixels
    std::vector<double> quality_sums;    // per species
    double budget = 0.0;                 // gross budget
    std::vector<std::string> lines;
};

// The whole run with the window's database side effects in its order: the
// checks of factor, transaction costs, measures and species touch nothing;
// then `results_for_viusualitsation` is emptied, predation and region are
// checked, and the evaluation and the allocation run on copies of the
// measures carrying the net payment. The message of a failing check is
// returned, not shown. The caller's records are never changed. A cancelled
// evaluation ends the run there, marked as cancelled.
ProgrammeRun run_programme_simulation(DatabaseAccess& db, const ProgrammeInputs& in, Feedback* feedback = nullptr,
                                      std::uint32_t seed = 1);

// The "Result" list as the window shows it: the summary first (total area,
// budget, effective area per species), then a heading and the line of every
// participating pixel, each followed by its quality per species by name
// ("... [Grutto 0.45, Kievit 0.30]"). The lines of `run.lines` are kept word
// for word; only their order and the species names differ.
inline constexpr const char* kProgrammePixelHeading =
    "Participating pixels: Payment-Cost (Euro/ha), quality summed over the species, measure [quality per species]";
std::vector<std::string> programme_window_lines(const ProgrammeRun& run);

// The rows "Visualize" writes: one per participating pixel and species.
std::vector<VisualisationRow> programme_visualisation_rows(const ProgrammeRun& run);

// The figures the report adds to the selection.
SimulationReportFigures programme_report_figures(const ProgrammeRun& run, const std::vector<int>& max_counts);

}  // namespace pravel
