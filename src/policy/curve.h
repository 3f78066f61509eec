#pragma once
// The budget-effect curve: the breakpoint search at a row of budgets (goal
// maximisation) or of target factors (budget minimisation) on one
// evaluation. A goal point is searched from nothing, as a single run at its
// budget is, and from its lower neighbour's solution, and keeps the better;
// a budget point starts from its neighbour's payments. A point that ends
// worse than its neighbour keeps the neighbour's solution (which is
// feasible there too), so a larger budget never buys less and a larger
// target never costs less.
#include <optional>
#include <string>
#include <vector>

#include "optimisation/breakpoint_search.h"
#include "optimisation/cost_only_bound.h"
#include "policy/zone_payments.h"

namespace pravel {

class Feedback;

struct CurvePoint {
    double budget_limit = 0.0;     // goal curve: the budget of the point (Euro)
    double factor = 0.0;           // budget curve: the factor on every wanted area
    std::vector<double> wanted;    // budget curve: the wanted area per species (ha)
    double budget = 0.0;           // Euro paid
    std::vector<double> area;      // effective area per species (ha)
    double weighted = 0.0;         // weighted effective area (ha); the plain sum on a budget curve
    bool reached = true;           // budget curve: every target reached
    bool bound_known = false;      // the cost-only bound was solved (and reachable)
    double bound = 0.0;            // goal: weighted ha the budget buys at cost-only payments; budget: Euro
    std::vector<double> payment;   // per measure (zones: the mean its participants receive)
    std::vector<double> key_payment;  // zones: per measure and zone, measure-major
    bool from_neighbour = false;   // the neighbour's solution was kept
    OptimisationResult result;     // the point's solution in measure terms
};

struct BudgetEffectCurve {
    bool goal = true;                     // budgets (true) or target factors (false)
    std::vector<CurvePoint> points;       // in the order of the row
    std::vector<std::string> zone_names;  // empty for uniform payments
    std::string zoning;                   // "uniform" or the zoning's description
    int measures = 0;
    double seconds = 0.0;                 // the searches and bounds, without the evaluation
    bool cancelled = false;
};

// The search options of each point of a curve: a point is searched from
// nothing as a single run is (the same patience and time limit), then from
// its neighbour's solution with fewer restarts and seconds.
inline constexpr int kCurvePointPatience = 60;
inline constexpr double kCurvePointSeconds = 25.0;
inline constexpr int kCurveNeighbourPatience = 15;
inline constexpr double kCurveNeighbourSeconds = 1.0;
BreakpointSearchOptions curve_point_options();
// The seconds of all searches of a goal curve together (besides the
// evaluation); the searches from nothing may take this share of them, and a
// search gets at least kCurveLeastSeconds. Searches run on the evaluation's
// threads (`--threads`), with the same results for any number of them as
// long as no search reaches its time limit.
inline constexpr double kCurveSearchSeconds = 50.0;
inline constexpr double kCurveFromNothingShare = 0.85;
inline constexpr double kCurveLeastSeconds = 0.2;

// FROM:TO:N as given on the command line: N values from FROM to TO, evenly
// spaced (one value when N is 1 and FROM equals TO). Empty with `problem`
// set for a malformed text, FROM above TO, N below 1 (or below 2 when FROM
// differs from TO), or a negative or non-finite value.
std::vector<double> curve_range(const std::string& text, std::string& problem);

// Goal maximisation at each budget (ascending), with zones when `zones` is
// given (each point then also starts from the uniform solution at its
// budget, so zones never buy less). The searches together take at most
// about `total_seconds` (each at most the options' time limit).
BudgetEffectCurve goal_curve(const EvaluatedArea& area, const GoalMaximisationInput& base,
                             const std::vector<double>& budgets, const BreakpointSearchOptions& options,
                             const ZoneMap* zones = nullptr, Feedback* feedback = nullptr,
                             double total_seconds = kCurveSearchSeconds);

// Budget minimisation at each factor (ascending) on the input's wanted areas.
BudgetEffectCurve budget_curve(const EvaluatedArea& area, const BudgetMinimisationInput& base,
                               const std::vector<double>& factors, const BreakpointSearchOptions& options,
                               const ZoneMap* zones = nullptr, Feedback* feedback = nullptr,
                               double total_seconds = kCurveSearchSeconds);

// The cost-only budget bound at every factor on the wanted areas. With one
// species the programme has one row besides the pixels', and one sort of
// the pixels' offer hulls (as for the goal curve) serves every factor; with
// several species each factor is its own programme (cost_only_budget_bound),
// on candidates put in compact form once for all factors.
std::vector<CostOnlyBound> cost_only_budget_curve(const std::vector<std::vector<PixelResult>>& lists,
                                                  const std::vector<double>& wanted_area_ha,
                                                  const std::vector<double>& factors, int transaction_costs,
                                                  double pixel_area);

// The cost-only goal bound at every budget of a row at once: the linear
// programme of cost_only_goal_bound (each pixel in at most one measure, a
// fraction allowed) has one row per pixel and one budget row, so its
// solution takes, pixel by pixel, the upper hull of the pixel's (cost,
// weighted effect) offers, and spends the budget on the hull's segments in
// order of falling effect per Euro. One sort serves every budget. The
// values agree with cost_only_goal_bound at each budget.
std::vector<double> cost_only_goal_curve(const std::vector<std::vector<PixelResult>>& lists,
                                         const std::vector<double>& weight, const std::vector<double>& budgets,
                                         int transaction_costs, double pixel_area = PIXEL_AREA_HA);

// The curve as CSV, one line per point after a header: (factor,) budget,
// weighted effective area, effective area per species, the cost-only
// reference at the point, the payment per measure.
std::string curve_csv(const BudgetEffectCurve& curve, const std::vector<std::string>& species,
                      const std::vector<int>& measure_ids);

// True when the curve never falls: along a goal curve the weighted area
// never shrinks as the budget grows; along a budget curve the budget never
// shrinks as the targets grow.
bool monotone(const BudgetEffectCurve& curve);

}  // namespace pravel
