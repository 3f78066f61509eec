#pragma once
// The tender reference: farmers bid for contracts instead of taking a
// uniform rate. Every qualifying (pixel, measure) is a bid at its cost
// times (1 + markup) plus transaction costs; the agency accepts the bids
// with the most missing hectares per Euro until every target is reached (one
// measure per pixel), pays each accepted bid what it asked, then lets go of
// accepted bids, the dearest first, that the targets no longer need.
#include <vector>

#include "optimisation/pixel_allocation.h"

namespace pravel {

struct TenderMeasure {
    int participants = 0;
    double area_ha = 0.0;
    double payments = 0.0;  // Euro: what the accepted bids asked
    double costs = 0.0;     // Euro: their cost plus transaction costs
    double rent() const { return payments - costs; }
};

struct TenderResult {
    double markup = 0.0;
    double budget = 0.0;              // Euro paid
    double costs = 0.0;               // Euro: cost plus transaction costs of the accepted bids
    std::vector<double> area;         // effective area per species (ha)
    bool reached = false;             // every target reached
    std::vector<TenderMeasure> measures;
    std::vector<PixelResult> accepted;  // each with margin_with_payment = its net gain at the asked price
    double rent() const { return budget - costs; }
};

// What a bid asks per ha: the farmer's cost (never below 0) times
// (1 + markup), less any gain the measure brings, plus transaction costs;
// never below 0. At markup 0 it is the cost-only payment.
double bid_price(const PixelResult& record, int transaction_costs, double markup);

// Throws std::invalid_argument for a markup below 0 or not finite.
TenderResult run_tender(const EvaluatedArea& area, const std::vector<double>& wanted_area_ha, int transaction_costs,
                        double markup);

}  // namespace pravel
