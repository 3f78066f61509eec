#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "core/evaluation_run.h"

namespace pravel {

// The fixed pixel area of the goal maximisation and of the map's description
// of a stored configuration (ha).
inline constexpr double PIXEL_AREA_HA = 0.81;

// The qualifying pixels of one measure, sorted once by net value (highest
// first), with the cursor of the allocation.
struct MeasureCandidates {
    std::vector<PixelResult> list;
    std::size_t cursor = 0;
};

// Outcome of an allocation or an optimisation.
struct OptimisationResult {
    // The participating pixels in allocation order; each carries its net
    // value (margin_with_payment) and its measure with the measure's payment.
    std::vector<PixelResult> allocation;
    std::vector<double> effective_area;  // ha, per species
    std::vector<int> participants;       // pixels, per measure
    std::vector<double> payment;         // Euro/ha, per measure
    std::vector<int> max_count;          // pixels, per measure
    double budget = 0.0;                 // Euro: pixel area x sum of the payments of the participants
    long long iterations = 0;            // annealing iterations done (0 without annealing)
};

// The evaluated candidate lists of an optimisation and the raster they lie
// on: what an optimiser needs from the evaluation run.
struct EvaluatedArea {
    std::vector<std::vector<PixelResult>> lists;  // one per measure, measure order
    int raster_rows = 0;
    int raster_columns = 0;
    double pixel_area = 0.0;  // ha
};

// Runs the evaluation for an optimisation and adds the raster geometry of
// the study area.
EvaluatedArea evaluate_area(DatabaseAccess& db, const EvaluationRequest& request, Feedback* feedback);
// The same with `seed` in place of the request's own seed when one is given:
// a given seed makes the whole run repeatable, the evaluation as well as the
// search; without one the evaluation keeps the request's seed.
EvaluatedArea evaluate_area(DatabaseAccess& db, EvaluationRequest request, std::optional<std::uint32_t> seed,
                            Feedback* feedback);

// Wraps each list and sorts it descending by net value (margin_with_payment);
// the order among equal values is kept.
std::vector<MeasureCandidates> sorted_candidates(std::vector<std::vector<PixelResult>> lists);

// Where a pixel of the candidate lists lies, for the records of an allocation.
struct CandidatePixel {
    std::uint32_t cell = 0;  // row x columns + column
    int pixelID = 0;
    int x_coordinate = 0;
    int y_coordinate = 0;
};

// The candidate lists of an optimisation in compact form: per (measure,
// pixel) its cell, its margin without payment and the qualities that are not
// 0, with no object of its own on the heap, so that a search, the allocation
// engine and the bound can hold every candidate of a large area. The full
// records of an allocation's few participants are rebuilt from them.
struct CandidateLists {
    std::vector<CompactResults> lists;  // one per measure, measure order
    // False while the lists are in evaluation order and keep their net values;
    // the searches need them sorted (sort_by_net_value).
    bool sorted = false;
    std::vector<std::shared_ptr<const MeasureRecord>> measures;  // the prepared measure of each list
    std::vector<int> species_ids;                                 // species order
    std::vector<CandidatePixel> pixels;                           // the cells the lists hold, by cell
    int raster_rows = 0;
    int raster_columns = 0;
    double pixel_area = 0.0;  // ha
    // The full records, sorted, when the lists were made from them: an
    // allocation then copies its records from here as they are.
    std::vector<MeasureCandidates> records;

    // Candidate i of measure m as a full record (margin with payment equal to
    // the margin without; the measure as prepared).
    PixelResult record(std::size_t m, std::size_t i) const;
};

// The lists of an evaluated area, sorted as sorted_candidates sorts them
// (the records are kept). Throws std::invalid_argument for a candidate
// outside the raster.
CandidateLists candidate_lists(const EvaluatedArea& area);

// Runs the evaluation for an optimisation in compact form (with `seed` in
// place of the request's seed when one is given, as evaluate_area): the lists
// in evaluation order, holding the same candidates as evaluate_area's.
CandidateLists evaluate_candidates(DatabaseAccess& db, EvaluationRequest request, std::optional<std::uint32_t> seed,
                                   Feedback* feedback);

// Sorts lists in evaluation order descending by net value, equal values
// keeping their order: the order sorted_candidates gives the full records.
void sort_by_net_value(CandidateLists& candidates);

// Prepares the lists for an allocation at the given payments (one per
// measure): net value = margin without payment + payment - transaction costs,
// written into margin_with_payment; every record's measure becomes a copy of
// the measure carrying the payment; cursors go back to 0. The order of the
// lists is not changed.
void apply_payments(std::vector<MeasureCandidates>& candidates, const std::vector<double>& payment,
                    int transaction_costs);

// Competition of the measures for the pixels. Repeatedly takes, among the
// measures with room left (participants below their maximum count), the
// candidate at the cursor with the highest non-negative net value; ties with
// the best so far are settled by the parity of a rand15() draw, and a net
// value of exactly 0 is taken only on an odd draw. A pixel already taken by
// another measure is skipped. Every taken or skipped candidate advances its
// measure's cursor. Sets `effective_area` (species_count entries) and
// `participants` (one per measure) afresh, appends the taken records to
// `allocation` and returns the budget: pixel area x the sum of the payments of
// the taken records (the payment of their measure copy).
double PixelAllocation(std::vector<MeasureCandidates>& candidates, const std::vector<int>& max_count,
                       int raster_rows, int raster_columns, int species_count, double pixel_area,
                       std::vector<double>& effective_area, std::vector<int>& participants,
                       std::vector<PixelResult>& allocation);

// The allocation of the optimisers, which run it millions of times on the
// same lists with changing payments and counts. It gives exactly what
// apply_payments followed by PixelAllocation gives (same picks, same draws of
// the generator, same figures), but computes the net values on the fly from
// compact copies of the lists, keeps the picks as (measure, index) pairs and
// reuses its buffers: one run costs time in proportion to the candidates it
// takes and skips (times the number of measures it compares per step), not in
// proportion to all candidates.
class AllocationEngine {
public:
    struct Outcome {
        double budget = 0.0;
        std::vector<double> effective_area;             // per species
        std::vector<int> participants;                  // per measure
        std::vector<std::pair<int, int>> picks;         // (measure, index in its list), allocation order
        long long steps = 0;                            // candidates taken or skipped
    };

    // The candidate lists must stay alive and unchanged while the engine is
    // used (materialise reads them). Throws std::invalid_argument for a
    // candidate outside the raster.
    AllocationEngine(const std::vector<MeasureCandidates>& candidates, int raster_rows, int raster_columns,
                     int species_count, double pixel_area);
    // On sorted compact lists, read where they are (no copy).
    AllocationEngine(const CandidateLists& candidates, int species_count, double pixel_area);

    int measure_count() const { return static_cast<int>(cursor_.size()); }
    int species_count() const { return species_count_; }
    std::size_t list_size(int m) const {
        const std::size_t mi = static_cast<std::size_t>(m);
        return compact_ ? lanes_[mi]->size() : dense_[mi].margin.size();
    }

    // Allocates at the given payments and maximum counts into `out` (whose
    // buffers are reused).
    void run(const std::vector<double>& payment, const std::vector<int>& max_count, int transaction_costs,
             Outcome& out);

    // The full result of an outcome: copies of the taken records with their
    // net value and a measure copy carrying the measure's payment.
    OptimisationResult materialise(const Outcome& outcome, const std::vector<double>& payment,
                                   const std::vector<int>& max_count, int transaction_costs) const;

private:
    // Full records are copied with dense qualities (the annealing reads them
    // millions of times); compact lists are read where they are.
    struct Lane {
        std::vector<double> margin;   // margin without payment
        std::vector<int> cell;        // row * columns + column
        std::vector<double> quality;  // species_count per candidate
    };
    struct DenseView;
    struct CompactView;
    template <typename View>
    void run_on(const View& view, const std::vector<double>& payment, const std::vector<int>& max_count,
                int transaction_costs, Outcome& out);

    const std::vector<MeasureCandidates>* candidates_ = nullptr;  // full records, or
    const CandidateLists* compact_ = nullptr;                     // compact lists
    std::vector<Lane> dense_;                                     // per measure, for full records
    std::vector<const CompactResults*> lanes_;                    // per measure, for compact lists
    int species_count_;
    double pixel_area_;
    std::vector<std::uint8_t> taken_;   // occupancy grid, rows x columns
    std::vector<int> set_cells_;        // the cells set by the last run
    std::vector<std::size_t> cursor_;
    std::vector<int> active_measure_;   // the measures still contending, in measure order
    std::vector<double> active_head_;   // their net values at the cursor
};

}  // namespace pravel
