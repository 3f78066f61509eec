#pragma once
#include <cstddef>
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

}  // namespace pravel
