#pragma once
// The price of uniformity: one table of what the same targets cost under
// the cost-only bound (every farmer paid exactly their cost), a tender at
// each markup, payments by zone and one uniform payment per measure, each
// with its budget, the information rent (payments minus the farmers' costs)
// and its share of the uniform budget.
#include <string>
#include <vector>

#include "optimisation/cost_only_bound.h"
#include "policy/tender.h"
#include "policy/zone_payments.h"

namespace pravel {

struct PaymentRow {
    std::string scheme;        // "cost-only bound", "tender, markup 0.1", "zones: grid 2x2", "uniform payments"
    double budget = 0.0;       // Euro
    double rent = 0.0;         // Euro: payments minus cost plus transaction costs of the participants
    double share = 0.0;        // budget / uniform budget
    bool reached = true;       // every target reached
    bool known = true;         // false when the bound could not be solved
};

// The farmers' cost plus transaction costs of an allocation (Euro).
double allocation_costs(const std::vector<PixelResult>& allocation, int transaction_costs, double pixel_area);

struct PaymentComparison {
    std::vector<PaymentRow> rows;      // bound, tenders, zones, uniform
    std::vector<TenderResult> tenders; // per markup
    std::vector<ZonedSolution> zones;  // per zoning
    OptimisationResult uniform;
    CostOnlyBound bound;
};

// The table from results already computed.
std::vector<PaymentRow> payment_rows(const CostOnlyBound& bound, const std::vector<TenderResult>& tenders,
                                     const std::vector<ZonedSolution>& zones, const OptimisationResult& uniform,
                                     const std::vector<double>& wanted, int transaction_costs, double pixel_area);

// Runs the uniform search, the bound, a tender per markup and the zone
// searches on one evaluation of a budget minimisation.
PaymentComparison compare_payments(const EvaluatedArea& area, const BudgetMinimisationInput& input,
                                   const std::vector<double>& markups, const std::vector<ZoneMap>& zonings,
                                   const BreakpointSearchOptions& options, Feedback* feedback = nullptr);

}  // namespace pravel
