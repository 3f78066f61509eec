#include "policy/compare.h"

#include <sstream>


namespace pravel {

namespace {

std::string markup_text(double m) {
    std::ostringstream s;
    s << m;
    return s.str();
}

}  // namespace

double allocation_costs(const std::vector<PixelResult>& allocation, int transaction_costs, double pixel_area) {
    double sum = 0.0;
    for (const PixelResult& r : allocation) sum += pixel_area * cost_only_payment(r, transaction_costs);
    return sum;
}

std::vector<PaymentRow> payment_rows(const CostOnlyBound& bound, const std::vector<TenderResult>& tenders,
                                     const std::vector<ZonedSolution>& zones, const OptimisationResult& uniform,
                                     const std::vector<double>& wanted, int transaction_costs, double pixel_area) {
    const double u = uniform.budget;
    auto share = [&](double b) { return u > 0.0 ? b / u : 0.0; };
    std::vector<PaymentRow> rows;
    PaymentRow b;
    b.scheme = "cost-only bound";
    b.known = bound.solved && bound.reachable;
    b.reached = bound.reachable;
    b.budget = b.known ? bound.value : 0.0;
    b.share = share(b.budget);
    rows.push_back(b);
    for (const TenderResult& t : tenders) {
        rows.push_back({"tender, markup " + markup_text(t.markup), t.budget, t.rent(), share(t.budget), t.reached, true});
    }
    for (const ZonedSolution& z : zones) {
        const double rent = z.result.budget - allocation_costs(z.result.allocation, transaction_costs, pixel_area);
        rows.push_back({"zones: " + z.description, z.result.budget, rent, share(z.result.budget),
                        shortfall(wanted, z.result.effective_area) <= 1e-6, true});
    }
    rows.push_back({"uniform payments", u, u - allocation_costs(uniform.allocation, transaction_costs, pixel_area), 1.0,
                    shortfall(wanted, uniform.effective_area) <= 1e-6, true});
    return rows;
}

PaymentComparison compare_payments(const EvaluatedArea& area, const BudgetMinimisationInput& input,
                                   const std::vector<double>& markups, const std::vector<ZoneMap>& zonings,
                                   const BreakpointSearchOptions& options, Feedback* feedback) {
    PaymentComparison c;
    c.uniform = BreakpointBudgetMinimisation(area, input, options, feedback);
    c.bound = cost_only_budget_bound(area.lists, input.wanted_area_ha, input.transaction_costs, area.pixel_area);
    for (double m : markups) c.tenders.push_back(run_tender(area, input.wanted_area_ha, input.transaction_costs, m));
    if (!zonings.empty()) {
        ZonedBudgetSearch search{&area, input};
        c.zones = budget_by_zones(search, c.uniform, zonings, options, feedback);
    }
    c.rows = payment_rows(c.bound, c.tenders, c.zones, c.uniform, input.wanted_area_ha, input.transaction_costs,
                          area.pixel_area);
    return c;
}

}  // namespace pravel
