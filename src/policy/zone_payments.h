#pragma once
// Payments that differ by zone: each measure has one payment per zone and
// a pixel sees its zone's payments. The breakpoint search runs on the
// candidate lists split by zone, starting from a coarser solution (the
// uniform one, or a zoning this one refines), so zone payments never cost
// more than the coarser ones for the same targets and never buy less for
// the same budget.
#include <string>
#include <vector>

#include "optimisation/breakpoint_search.h"
#include "policy/zones.h"

namespace pravel {

class Feedback;

// A solution with one payment per measure and zone.
struct ZonedSolution {
    std::string description;              // the zoning: "uniform", "grid 2x2", ...
    std::vector<std::string> zone_names;
    int measures = 0;
    int zones = 0;
    std::vector<double> key_payment;      // Euro/ha, measure-major: measure * zones + zone
    std::vector<int> key_participants;    // pixels per measure and zone
    // The allocation in measure terms: each allocated pixel carries its
    // zone's payment; participants and maximum counts are summed over the
    // zones, the payment per measure is the mean its participants receive.
    OptimisationResult result;
    bool kept_start = false;  // the search found nothing better than its start

    double payment(int measure, int zone) const;
    int participants(int measure, int zone) const;
};

// The uniform solution as a zoning of one zone, the start of every zoned search.
ZonedSolution uniform_solution(const OptimisationResult& uniform, int measures);

// Wanted area per species for a budget minimisation, or the weights and the
// budget of a goal maximisation.
struct ZonedBudgetSearch {
    const EvaluatedArea* area = nullptr;
    BudgetMinimisationInput input;
};
struct ZonedGoalSearch {
    const EvaluatedArea* area = nullptr;
    GoalMaximisationInput input;
};

// The least budget with one payment per measure and zone, started from
// `start` (a solution on a zoning that `zones` refines; `parent` gives the
// start's zone of each zone of `zones`, -1 for the start's first zone).
ZonedSolution minimise_budget_in_zones(const ZonedBudgetSearch& search, const ZoneMap& zones,
                                       const ZonedSolution& start, const std::vector<int>& parent,
                                       BreakpointSearchOptions options, Feedback* feedback = nullptr);
// The most weighted effective area for the input's budget, likewise.
ZonedSolution maximise_goal_in_zones(const ZonedGoalSearch& search, const ZoneMap& zones,
                                     const ZonedSolution& start, const std::vector<int>& parent,
                                     BreakpointSearchOptions options, Feedback* feedback = nullptr);

// Each zoning in turn, each started from the cheapest (budget) or best
// (goal) solution among the uniform one and the earlier zonings it refines.
// Returns one solution per zoning, in the given order.
std::vector<ZonedSolution> budget_by_zones(const ZonedBudgetSearch& search, const OptimisationResult& uniform,
                                           const std::vector<ZoneMap>& zonings,
                                           const BreakpointSearchOptions& options, Feedback* feedback = nullptr);
std::vector<ZonedSolution> goal_by_zones(const ZonedGoalSearch& search, const OptimisationResult& uniform,
                                         const std::vector<ZoneMap>& zonings, const BreakpointSearchOptions& options,
                                         Feedback* feedback = nullptr);

// The zone figures of an allocation made at payments given per measure and
// zone (a programme simulation with payments by zone). `key_payment` holds
// zones.zone_count() payments per measure, measure-major; `outside` one per
// measure for the cells in no zone, which count in a zone "(no zone)" when
// an allocated pixel lies there. An allocated record counts for the measure
// whose ID in `measure_ids` it carries. The result holds the allocation,
// the participants and the mean payment per measure; no budget.
ZonedSolution zoned_allocation(const std::vector<PixelResult>& allocation, const std::vector<int>& measure_ids,
                               const ZoneMap& zones, const std::vector<double>& key_payment,
                               const std::vector<double>& outside, const std::string& description);

// Missing hectares summed over the species (0 when every target holds).
double shortfall(const std::vector<double>& wanted, const std::vector<double>& achieved);
// Weighted effective area.
double weighted_area(const std::vector<double>& weight, const std::vector<double>& area);

}  // namespace pravel
