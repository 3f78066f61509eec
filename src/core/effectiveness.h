#pragma once
#include <optional>
#include <string>
#include <vector>

#include "common/input_problem.h"
#include "core/evaluation_run.h"
#include "store/measure_store.h"
#include "store/result_store.h"
#include "store/profile_store.h"

namespace pravel {

class DatabaseAccess;
class Feedback;

// Messages of the effectiveness analysis.
inline constexpr const char* kEffFactorMissing = "You have to enter a factor for the distance cost please!";
inline constexpr const char* kEffTransactionCostsMissing = "You have to enter transaction costs please!";
inline constexpr const char* kEffNoMeasures = "You have to select measures first please!";
inline constexpr const char* kEffNoSpecies = "You have to select species first please!";
inline constexpr const char* kEffNoPredation = "You have to select the predation please!";
inline constexpr const char* kEffNoRegion = "You have to select a country/region please!";
inline constexpr const char* kEffNoSpeciesName = "You have to select a species first please!";
inline constexpr const char* kEffQualityNotNumber = "You have to enter a number for the minimum quality please!";
inline constexpr const char* kEffQualityOutOfRange = "The quality must be between 0 and 1!\n\n Please revise your input!";

// Copies of the measures whose payment is lowered by the transaction costs,
// so that an evaluation works with what the farmer keeps. The caller's
// records are left as they are: a repeated run starts from the same values.
std::vector<MeasureRecord> measures_with_net_payment(const std::vector<MeasureRecord>& measures,
                                                     int transaction_costs);

// What the user has entered in the effectiveness window.
struct EffectivenessInputs {
    std::string distance_cost_factor;  // text of the distance cost factor field
    std::string transaction_costs;     // text of the transaction cost field
    std::vector<MeasureRecord> measures;
    std::vector<SpeciesRecord> species;
    std::vector<double> minimum_qualities;          // one per species
    std::optional<bool> time_dependent_predation;   // nullopt: neither radio button chosen
    std::optional<int> countryID;                   // nullopt: no region chosen
};

// The first failing check of a run, in the window's order (factor,
// transaction costs, measures, species, predation, region); empty when every
// input is usable.
InputProblem effectiveness_input_problem(const EffectivenessInputs& in);

// The refusal of a species to be added with this minimum-quality text; empty
// when it may be added.
InputProblem effectiveness_species_problem(bool species_chosen, const std::string& minimum_quality);

// Cost of a measure on a pixel as shown: transaction costs minus the margin
// without payment, truncated to whole Euro.
int shown_cost(const PixelResult& result, int transaction_costs);

int shown_cost(const CompactResult& result, int transaction_costs);

// Sorts a result list by margin without payment, highest (cheapest) first.
void sort_by_margin_without_payment(std::vector<PixelResult>& results);

struct EffectivenessSummary {
    std::vector<std::string> lines;   // the "Result" list of one run
    std::vector<GraphicRow> graphic;  // the `graphic` rows of one run, in writing order
};

// The summary of one run. `results` holds one list per measure (measure
// order; missing lists count as empty) and is sorted in place by margin
// without payment. Qualities are matched to species by position.
//
// Per measure and species, the `graphic` row describes the pixels on which
// the species reaches its minimum quality (quality above 0): nr_pixel counts
// them, qual_min/qual_max/qual_medium are the least, greatest and mean quality
// over them and cost_medium the mean shown cost over them; cost_min/cost_max
// are the measure's cost range and eff_area the species' effective area over
// all results of the measure.
EffectivenessSummary summarise_effectiveness(const std::vector<MeasureRecord>& measures,
                                             const std::vector<SpeciesRecord>& species,
                                             std::vector<std::vector<PixelResult>>& results, double pixel_area,
                                             int transaction_costs);
// The same summary of results in compact form.
EffectivenessSummary summarise_effectiveness(const std::vector<MeasureRecord>& measures,
                                             const std::vector<SpeciesRecord>& species,
                                             std::vector<CompactResults>& results, double pixel_area,
                                             int transaction_costs);

// Outcome of a run through the database.
struct EffectivenessRun {
    // The validation message that stopped the run; empty when it went through.
    std::string message;
    // True when the feedback cancelled the evaluation: the run then has no
    // results, no lines and wrote no `graphic` rows.
    bool cancelled = false;
    std::vector<MeasureRecord> measures;               // copies with net payment
    std::vector<SpeciesRecord> species;
    std::vector<CompactResults> results;               // per measure, sorted
    PixelRaster area;                                  // the loaded area the results' cells lie in
    std::vector<double> payment;                       // per measure, as prepared for the evaluation
    int countryID = 0;
    int transaction_costs = 0;
    double pixel_area = 0.0;
    std::vector<std::string> lines;
    std::vector<GraphicRow> graphic;
};

// The whole run with the window's database side effects in its order: the
// first four checks touch nothing; then `results_for_viusualitsation` is
// emptied, predation and region are checked, the evaluation runs, the
// pixel area is read and the `graphic` rows are written. The message of a
// failing check is returned, not shown. A cancelled evaluation ends the run
// there, marked as cancelled: a part of the area is no result to show.
EffectivenessRun run_effectiveness(DatabaseAccess& db, const EffectivenessInputs& in, Feedback* feedback = nullptr,
                                   std::uint32_t seed = 1);

// The rows "Visualize" writes for a run: per measure, result and species.
std::vector<VisualisationRow> effectiveness_visualisation_rows(const EffectivenessRun& run);

void write_visualisation_rows(DatabaseAccess& db, const std::vector<VisualisationRow>& rows);
// Writes the rows of effectiveness_visualisation_rows(run) as they are made,
// without keeping them all.
void write_visualisation_rows(DatabaseAccess& db, const EffectivenessRun& run);

}  // namespace pravel
