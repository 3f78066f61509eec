#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/measure_evaluation.h"
#include "core/use_yield_model.h"
#include "store/agronomy_store.h"
#include "store/landscape_store.h"
#include "store/measure_store.h"
#include "store/profile_store.h"

namespace pravel {

class DatabaseAccess;
class Feedback;

// Management methods are numbered 1..14: 1-5 mowing, 6-10 grazing, 11-14
// mowing with grazing.
inline constexpr int kMethodCount = 14;

// What an analysis asks the evaluation run for.
struct EvaluationRequest {
    int countryID = 0;
    // True for time-dependent predation (the species' predation list acts on
    // the temporal factor), false for time-independent predation.
    bool time_dependent_predation = false;
    std::vector<SpeciesRecord> species;      // the user's order; position = species index
    std::vector<double> minimum_qualities;   // one per species; a missing value counts as 0
    std::vector<MeasureRecord> measures;     // payment field set by the caller
    double distance_cost_factor = 0.0;       // Euro per unit of the farmhouse-distance cost
    std::uint32_t seed = 1;                  // the run seeds the random generator with it
    // Threads of the evaluation; 0: the process's setting (evaluation_threads).
    // Any number gives the results of the run on one thread.
    int threads = 0;
};

// The threads an evaluation uses unless its request names a number: set by
// the command line's --threads and the windows' setting; 0 (the default)
// stands for every core.
void set_evaluation_threads(int threads);
int evaluation_threads();

// How many runs on several threads this process has repeated on one thread
// because a block of rows took other draws than counted for it. The results
// are right either way; anything but 0 is a fault of the draw count.
std::uint64_t evaluation_repeats_in_sequence();

struct SpeciesQuality {
    int speciesID = 0;
    double quality = 0.0;
};

// One pixel on which a measure qualifies for at least one species.
struct PixelResult {
    int pixelID = 0;
    int x_coordinate = 0;
    int y_coordinate = 0;
    int row = 0;
    int column = 0;
    std::vector<SpeciesQuality> qualities;  // species order; below the minimum stored as 0
    double margin_without_payment = 0.0;    // Euro/ha, negative values are costs
    double margin_with_payment = 0.0;
    // The prepared measure, shared by all results of the measure: a study
    // area has up to some hundred thousand results per measure, and a copy
    // each would dominate the memory of a run.
    std::shared_ptr<const MeasureRecord> measure;
};

// The results of one measure in compact form, for analyses that keep every
// result of a large area: per qualifying pixel its cell, its margin without
// payment and the qualities that are not 0 (a quality below the species'
// minimum counts as 0), with no object of its own on the heap. Qualities keep
// their full precision.
struct CompactResult {
    std::uint32_t cell = 0;           // row x columns + column in the loaded area
    std::uint32_t first_quality = 0;  // its first entry in `species` / `quality`
    double margin_without_payment = 0.0;
};
class CompactResults {
public:
    std::size_t size() const { return results_.size(); }
    bool empty() const { return results_.empty(); }
    const CompactResult& operator[](std::size_t r) const { return results_[r]; }
    const CompactResult& front() const { return results_.front(); }
    const CompactResult& back() const { return results_.back(); }

    // The stored (non-zero) qualities of result r: entries
    // quality_begin(r) .. quality_end(r) - 1 of species_index() / quality().
    std::size_t quality_begin(std::size_t r) const { return results_[r].first_quality; }
    std::size_t quality_end(std::size_t r) const {
        return r + 1 < results_.size() ? results_[r + 1].first_quality : quality_.size();
    }
    std::uint16_t species_index(std::size_t entry) const { return species_[entry]; }
    double quality(std::size_t entry) const { return quality_[entry]; }

    // Adds a result: `qualities` holds one value per species (0 where the
    // species does not reach its minimum).
    void add(std::uint32_t cell, double margin_without_payment, const double* qualities, std::size_t species_count);
    // The same keeping the result's net value (margin with payment, as the
    // evaluation worked it out) until sort_by_net_value.
    void add(std::uint32_t cell, double margin_without_payment, double margin_with_payment, const double* qualities,
             std::size_t species_count);
    // Appends the results of `other` (which is left empty). `expected`, the
    // number of results the list is likely to hold in the end (0: not
    // known), lets the list grow at once to about that size instead of
    // doubling, which can leave up to half of it unused.
    void append(CompactResults& other, std::size_t expected = 0);
    // Orders the results by margin without payment, highest (cheapest)
    // first, results with equal margins keeping their order.
    void sort_by_margin_without_payment();
    // Orders results added with their net value by it, highest first, equal
    // values keeping their order (as the optimisations sort the full
    // records), and drops the net values.
    void sort_by_net_value();

private:
    // Puts the results in the order `order` (a permutation of them).
    void reorder(const std::vector<std::uint32_t>& order);

    std::vector<CompactResult> results_;
    std::vector<std::uint16_t> species_;
    std::vector<double> quality_;
    std::vector<double> net_;  // margins with payment, while kept
};

// Everything the run reads from the database, loaded once per run, and the
// measures prepared from it.
struct EvaluationInputs {
    GrowthRateRow growth_rate;
    std::array<MethodFeedRow, kMethodCount> method_feed{};       // index method - 1
    std::array<CostParameterSet, kMethodCount> method_costs{};   // index method - 1
    RasterReference raster_reference;
    PixelRaster pixels;
    std::vector<UsabilityParameters> usability;  // one per measure, request order
    GrowthTables growth_tables;
    std::vector<TramplingRow> trampling;
    // Filled by prepare_measures; one per measure, request order.
    std::vector<MeasureEvaluation> measures;
};

// Reads the tables of a run. The number of statements depends on the
// measures (their usability rows) and the study area's lookups, never on the
// number of species or the number of pixels beyond those lookups.
EvaluationInputs load_evaluation_inputs(DatabaseAccess& db, const EvaluationRequest& request);

// Sum of a method's cost items (machinery items weighted by the labour price
// where they are hours).
double method_cost_total(const CostParameterSet& costs);

// Cost saving of each method against the reference method of its group
// (1, 6, 11); 0 for methods 1, 5, 6 and 11. Index method - 1.
std::array<double, kMethodCount> cost_savings(const std::array<CostParameterSet, kMethodCount>& costs);

// The 15 grazing growth values of a measure: low, medium and high share
// interpolated between the band's minimum and maximum at livestock densities
// 1..4, then at the summary density (0 unless it is above 0.4).
std::array<double, 15> interpolate_growth_rates(const GrowthRateRow& band, const MeasureRecord& measure);

// `factor` of the last row for the class and livestock type; 0 when none.
double find_trampling_factor(const std::vector<TramplingRow>& rows, double trampling_class, int livestock_id);

// Why a measure cannot be evaluated on any pixel; empty when it can.
std::string measure_problem(const MeasureRecord& measure, const EvaluationInputs& inputs);

// One MeasureEvaluation per measure of the request: trampling factors per
// species, growth values, the two nitrogen sets, feed values, cost saving and
// applicability.
std::vector<MeasureEvaluation> prepare_measures(const EvaluationInputs& inputs, const EvaluationRequest& request);

// True for pixels the run evaluates: land use "3" or "4", grassland economic
// value of at least 15 and some wet, fresh or dry share.
bool is_evaluated_grassland(const PixelRecord& pixel);

// True when the measure may be applied on the pixel: manure status 0 or 1
// and mead_past_mow matching the measure's group.
bool measure_allowed_on(const PixelRecord& pixel, const MeasureEvaluation& measure);

// Feed energies and margins of a measure on a pixel.
struct PixelMargin {
    double measure_energy = 0.0;     // W
    double reference_energy = 0.0;   // F
    double feed_value_loss = 0.0;    // L
    double without_payment = 0.0;
    double with_payment = 0.0;
};
PixelMargin pixel_margin(const PixelRecord& pixel, const MeasureEvaluation& measure, double distance_cost_factor);

// The quality of a pixel for a species under a measure.
using QualityFunction = std::function<double(const SpeciesRecord&, const PixelRecord&, const MeasureEvaluation&,
                                             double trampling_factor, bool time_dependent_predation)>;

// Visits the grassland pixels row by row and fills one result list per
// measure (request order). Uses inputs.measures as prepared. Reports progress
// after each raster row and stops, keeping the results so far, when the
// feedback is cancelled. Touches neither the database nor the notifier.
// With the species quality model (no `quality` of the caller's) it works on
// request.threads threads; its results, and the random generator's state
// it leaves, are those of the run on one thread. The feedback is then
// reported to and asked on the calling thread only: at the start (no row
// done), about ten times a second and at the end; a cancelled run keeps the
// rows finished from the first on.
std::vector<std::vector<PixelResult>> evaluate(const EvaluationInputs& inputs, const EvaluationRequest& request,
                                               Feedback* feedback = nullptr, const QualityFunction& quality = {});

// The evaluation's results in compact form (one list per measure, request
// order) with the loaded area their cells lie in and the payment of each
// prepared measure. The same results as `evaluate`, from the same draws.
struct CompactEvaluation {
    std::vector<CompactResults> results;
    PixelRaster area;
    std::vector<double> payment;
    std::vector<MeasureRecord> measures;  // the prepared measures, request order
};
// With `net_values` the results keep their margins with payment (for
// CompactResults::sort_by_net_value).
std::vector<CompactResults> evaluate_compact(const EvaluationInputs& inputs, const EvaluationRequest& request,
                                             Feedback* feedback = nullptr, bool net_values = false);
// EvaluationRun with compact results.
CompactEvaluation CompactEvaluationRun(DatabaseAccess& db, const EvaluationRequest& request,
                                       Feedback* feedback = nullptr, bool net_values = false);

// The whole run: seeds the random generator, loads, prepares, tells the user
// once about each measure that cannot be evaluated, and evaluates. An empty
// quality function stands for the species quality model.
std::vector<std::vector<PixelResult>> EvaluationRun(DatabaseAccess& db, const EvaluationRequest& request,
                                                    Feedback* feedback = nullptr);

}  // namespace pravel
