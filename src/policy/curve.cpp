#include "policy/curve.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <exception>
#include <functional>
#include <map>
#include <mutex>
#include <sstream>
#include <thread>

#include "common/feedback.h"
#include "common/random.h"
#include "core/evaluation_run.h"
#include "optimisation/cost_only_bound.h"

namespace pravel {

namespace {

constexpr const char* kCurveStage = "budget-effect curve";

void report(Feedback* feedback, std::size_t done, std::size_t total, double best) {
    if (!feedback) return;
    Feedback::Progress p;
    p.step = static_cast<long long>(done);
    p.total = static_cast<long long>(total);
    p.best = best;
    p.stage = kCurveStage;
    feedback->report(p);
}

bool parse_number(const std::string& text, double& out) {
    if (text.empty()) return false;
    char* end = nullptr;
    out = std::strtod(text.c_str(), &end);
    return end == text.c_str() + text.size() && std::isfinite(out);
}

double seconds_since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void fill_point(CurvePoint& p, const OptimisationResult& r, const std::vector<double>& weight) {
    p.result = r;
    p.budget = r.budget;
    p.area = r.effective_area;
    p.weighted = weighted_area(weight, r.effective_area);
    p.payment = r.payment;
}

// Runs task(i, feedback) for every i in 0..n-1 on `threads` threads (the
// calling thread waits, reports progress and passes a Cancel on). Each task
// draws from a random stream of its own and seeds it itself, so the results
// do not depend on the number of threads; a task gets a Feedback of its own
// thread, which turns cancelled as soon as the caller's is. Returns false
// when cancelled. An exception of a task is raised again here.
bool run_points(std::size_t n, int threads, Feedback* feedback, const char* stage,
                const std::function<void(std::size_t, Feedback*)>& task) {
    std::atomic<std::size_t> next{0}, done{0};
    std::atomic<bool> stop{false};
    const int count = std::max(1, std::min<int>(threads, static_cast<int>(n)));
    std::atomic<int> running{count};
    std::exception_ptr failure;
    std::mutex failure_mutex;
    const std::uint32_t state = random_state();
    auto worker = [&] {
        Feedback own;
        own = Feedback([&](const Feedback::Progress&) {
            if (stop) own.cancel();
        });
        RandomStream stream(state);
        for (;;) {
            const std::size_t i = next++;
            if (i >= n || stop) break;
            try {
                task(i, &own);
            } catch (...) {
                std::lock_guard<std::mutex> lock(failure_mutex);
                if (!failure) failure = std::current_exception();
                stop = true;
            }
            ++done;
        }
        --running;
    };
    auto tell = [&] {
        if (!feedback) return;
        Feedback::Progress p;
        p.step = static_cast<long long>(done);
        p.total = static_cast<long long>(n);
        p.stage = stage;
        feedback->report(p);
    };
    std::vector<std::thread> pool;
    for (int t = 0; t < count; ++t) pool.emplace_back(worker);
    while (running > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        tell();
        if (feedback && feedback->cancelled()) stop = true;
    }
    for (std::thread& t : pool) t.join();
    tell();
    if (failure) std::rethrow_exception(failure);
    return !(feedback && feedback->cancelled());
}

// The better of two goal solutions at one budget: more weighted area, or as
// much for less.
bool better_goal(const CurvePoint& a, const CurvePoint& b) {
    return a.weighted > b.weighted + 1e-9 || (a.weighted >= b.weighted - 1e-9 && a.budget < b.budget - 1e-6);
}

}  // namespace

BreakpointSearchOptions curve_point_options() {
    BreakpointSearchOptions o;
    o.patience = kCurvePointPatience;
    o.time_limit_seconds = kCurvePointSeconds;
    return o;
}

namespace {

// The pieces of the cost-only programme with one row besides the pixels'
// (a budget, or the area of a single species): per pixel the upper hull of
// its (cost, weighted effect) offers from (0, its best free effect), cut
// into segments sorted by falling effect per Euro. `base` gets what the
// free offers give.
struct Segment {
    double cost;
    double effect;
};
std::vector<Segment> offer_segments(const std::vector<std::vector<PixelResult>>& lists,
                                    const std::vector<double>& weight, int transaction_costs, double pixel_area,
                                    double& base) {
    struct Option {
        double cost;
        double effect;
    };
    std::map<std::pair<int, int>, std::vector<Option>> pixels;
    for (const auto& list : lists)
        for (const PixelResult& r : list) {
            double e = 0.0;
            for (std::size_t s = 0; s < weight.size() && s < r.qualities.size(); ++s) e += weight[s] * r.qualities[s].quality;
            pixels[{r.row, r.column}].push_back({pixel_area * cost_only_payment(r, transaction_costs), pixel_area * e});
        }
    base = 0.0;
    std::vector<Segment> segments;
    for (auto& [cell, options] : pixels) {
        double start = 0.0;
        for (const Option& o : options)
            if (o.cost <= 0.0) start = std::max(start, o.effect);
        base += start;
        std::sort(options.begin(), options.end(), [](const Option& a, const Option& b) {
            return a.cost < b.cost || (a.cost == b.cost && a.effect > b.effect);
        });
        std::vector<Option> hull{{0.0, start}};
        for (const Option& o : options) {
            if (o.cost <= 0.0 || o.effect <= hull.back().effect) continue;
            // Drop hull points that lie on or below the line to the new one.
            while (hull.size() >= 2) {
                const Option& a = hull[hull.size() - 2];
                const Option& b = hull.back();
                if ((b.effect - a.effect) * (o.cost - a.cost) <= (o.effect - a.effect) * (b.cost - a.cost))
                    hull.pop_back();
                else
                    break;
            }
            hull.push_back(o);
        }
        for (std::size_t i = 1; i < hull.size(); ++i)
            segments.push_back({hull[i].cost - hull[i - 1].cost, hull[i].effect - hull[i - 1].effect});
    }
    std::sort(segments.begin(), segments.end(),
              [](const Segment& a, const Segment& b) { return a.effect * b.cost > b.effect * a.cost; });
    return segments;
}

std::vector<std::size_t> ascending_order(const std::vector<double>& values) {
    std::vector<std::size_t> order(values.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return values[a] < values[b]; });
    return order;
}

}  // namespace

std::vector<double> cost_only_goal_curve(const std::vector<std::vector<PixelResult>>& lists,
                                         const std::vector<double>& weight, const std::vector<double>& budgets,
                                         int transaction_costs, double pixel_area) {
    double base = 0.0;
    const std::vector<Segment> segments = offer_segments(lists, weight, transaction_costs, pixel_area, base);
    std::vector<double> out(budgets.size(), base);
    double spent = 0.0, value = base;
    std::size_t next = 0;
    for (std::size_t i : ascending_order(budgets)) {
        const double budget = std::max(0.0, budgets[i]);
        while (next < segments.size() && spent + segments[next].cost <= budget) {
            spent += segments[next].cost;
            value += segments[next].effect;
            ++next;
        }
        double v = value;
        if (next < segments.size() && segments[next].cost > 0.0)
            v += segments[next].effect * (budget - spent) / segments[next].cost;
        out[i] = v;
    }
    return out;
}

std::vector<CostOnlyBound> cost_only_budget_curve(const std::vector<std::vector<PixelResult>>& lists,
                                                  const std::vector<double>& wanted_area_ha,
                                                  const std::vector<double>& factors, int transaction_costs,
                                                  double pixel_area) {
    std::vector<CostOnlyBound> out(factors.size());
    if (wanted_area_ha.size() != 1) {
        // The candidates in compact form once for every factor.
        const auto start = std::chrono::steady_clock::now();
        const BoundCandidates candidates =
            bound_candidates(lists, wanted_area_ha.size(), transaction_costs, pixel_area);
        const double preparing = seconds_since(start);
        for (std::size_t i = 0; i < factors.size(); ++i) {
            std::vector<double> wanted = wanted_area_ha;
            for (double& w : wanted) w *= factors[i];
            out[i] = cost_only_budget_bound(candidates, wanted);
            out[i].seconds += preparing;
        }
        return out;
    }
    // One species: the cheapest hectares first, along the sorted segments.
    const auto start = std::chrono::steady_clock::now();
    double base = 0.0;
    const std::vector<Segment> segments = offer_segments(lists, {1.0}, transaction_costs, pixel_area, base);
    double spent = 0.0, area = base;
    std::size_t next = 0;
    for (std::size_t i : ascending_order(factors)) {
        const double target = std::max(0.0, wanted_area_ha[0] * factors[i]);
        while (next < segments.size() && area + segments[next].effect < target) {
            spent += segments[next].cost;
            area += segments[next].effect;
            ++next;
        }
        CostOnlyBound& b = out[i];
        b.solved = true;
        b.reachable = area >= target || next < segments.size();
        b.value = spent;
        if (area < target && next < segments.size() && segments[next].effect > 0.0)
            b.value += segments[next].cost * (target - area) / segments[next].effect;
        b.area = {b.reachable ? std::max(target, area) : area};
    }
    const double seconds = seconds_since(start);
    for (CostOnlyBound& b : out) b.seconds = seconds;
    return out;
}

std::vector<double> curve_range(const std::string& text, std::string& problem) {
    problem.clear();
    const auto first = text.find(':');
    const auto second = first == std::string::npos ? std::string::npos : text.find(':', first + 1);
    double from = 0.0, to = 0.0, n = 0.0;
    if (second == std::string::npos || text.find(':', second + 1) != std::string::npos ||
        !parse_number(text.substr(0, first), from) || !parse_number(text.substr(first + 1, second - first - 1), to) ||
        !parse_number(text.substr(second + 1), n)) {
        problem = "\"" + text + "\" is not a range FROM:TO:N";
        return {};
    }
    if (from < 0.0 || to < 0.0) {
        problem = "the range \"" + text + "\" must not hold negative values";
        return {};
    }
    if (from > to) {
        problem = "the range \"" + text + "\" starts above its end (FROM must not exceed TO)";
        return {};
    }
    if (n != std::floor(n) || n < 1.0 || n > 1000.0 || (from < to && n < 2.0)) {
        problem = "the range \"" + text + "\" needs a whole number of points from " + (from < to ? "2" : "1") +
                  " to 1000";
        return {};
    }
    const int count = static_cast<int>(n);
    std::vector<double> values;
    for (int i = 0; i < count; ++i)
        values.push_back(count == 1 ? from : from + (to - from) * i / (count - 1));
    return values;
}

namespace {

// The seconds a search may take now: its share of what is left of its phase
// among the points still to search on the threads, at most `cap`.
double share_of(double phase_end, double elapsed, std::size_t points_left, int threads, double cap) {
    const double left = phase_end - elapsed;
    const double share = left * threads / static_cast<double>(std::max<std::size_t>(1, points_left));
    return std::clamp(share, kCurveLeastSeconds, cap);
}

// The uniform payments at every budget, in two passes over the points,
// each run on the evaluation's threads. First each point from nothing, as
// a single goal run at its budget searches (the same seed, patience and
// time limit), so a point that has its time is at least that single run.
// Then each point from its lower neighbour's solution with a short search:
// the neighbour's payments fit the larger budget too and may lie in a
// better optimum. A point keeps the better of the two. Empty entries: not
// searched (cancelled).
std::vector<std::optional<CurvePoint>> uniform_goal_points(const EvaluatedArea& area, const GoalMaximisationInput& base,
                                                           const std::vector<int>& budgets,
                                                           const BreakpointSearchOptions& options,
                                                           double total_seconds, Feedback* feedback) {
    const auto start = std::chrono::steady_clock::now();
    const std::size_t n = budgets.size();
    const int threads = std::max(1, evaluation_threads());
    std::vector<std::optional<CurvePoint>> cold(n), best(n);
    auto input_at = [&](std::size_t i) {
        GoalMaximisationInput in = base;
        in.budget = budgets[i];
        return in;
    };
    std::atomic<std::size_t> started{0};
    const double cold_end = total_seconds * kCurveFromNothingShare;
    run_points(n, threads, feedback, "budget-effect curve: points from nothing", [&](std::size_t i, Feedback* fb) {
        BreakpointSearchOptions o = options;
        o.start_payment.clear();
        o.time_limit_seconds =
            share_of(cold_end, seconds_since(start), n - started++, threads, options.time_limit_seconds);
        CurvePoint p;
        p.budget_limit = budgets[i];
        fill_point(p, BreakpointGoalMaximisation(area, input_at(i), o, fb), base.weight);
        if (!fb->cancelled()) cold[i] = std::move(p);
    });
    started = 0;
    run_points(n, threads, feedback, "budget-effect curve: points from their neighbours", [&](std::size_t i, Feedback* fb) {
        if (!cold[i]) return;
        best[i] = cold[i];
        if (i == 0 || !cold[i - 1]) return;
        BreakpointSearchOptions o = options;
        o.start_payment = cold[i - 1]->payment;
        o.patience = kCurveNeighbourPatience;
        o.time_limit_seconds = share_of(total_seconds, seconds_since(start), n - started++, threads,
                                        std::min(options.time_limit_seconds, kCurveNeighbourSeconds));
        CurvePoint warm;
        warm.budget_limit = budgets[i];
        fill_point(warm, BreakpointGoalMaximisation(area, input_at(i), o, fb), base.weight);
        if (!fb->cancelled() && warm.budget <= budgets[i] + 1e-6 && better_goal(warm, *best[i])) best[i] = std::move(warm);
    });
    return best;
}

}  // namespace

BudgetEffectCurve goal_curve(const EvaluatedArea& area, const GoalMaximisationInput& base,
                             const std::vector<double>& budgets, const BreakpointSearchOptions& options,
                             const ZoneMap* zones, Feedback* feedback, double total_seconds) {
    const auto start = std::chrono::steady_clock::now();
    BudgetEffectCurve curve;
    curve.goal = true;
    curve.measures = static_cast<int>(area.lists.size());
    curve.zoning = zones ? zones->description : "uniform";
    const std::vector<double>& w = base.weight;
    std::optional<ZonedArea> split;
    if (zones) split = split_by_zone(area, *zones);
    if (split) curve.zone_names = split->zone_names;
    std::vector<double> whole_euros;
    for (double b : budgets) whole_euros.push_back(std::floor(b));
    const std::vector<double> reference = cost_only_goal_curve(area.lists, w, whole_euros, base.transaction_costs);
    std::vector<int> limits;
    for (double b : whole_euros) limits.push_back(static_cast<int>(b));
    // With zones the uniform points take a share of the time, the zone
    // searches the rest.
    const std::vector<std::optional<CurvePoint>> uniform =
        uniform_goal_points(area, base, limits, options, split ? total_seconds / 3.0 : total_seconds, feedback);

    for (std::size_t i = 0; i < budgets.size(); ++i) {
        if (!uniform[i] || (feedback && feedback->cancelled())) {
            curve.cancelled = true;
            break;
        }
        report(feedback, i, budgets.size(), curve.points.empty() ? 0.0 : curve.points.back().weighted);
        GoalMaximisationInput input = base;
        input.budget = static_cast<int>(std::floor(budgets[i]));
        CurvePoint p;
        p.budget_limit = input.budget;
        const CurvePoint* prev = curve.points.empty() ? nullptr : &curve.points.back();

        if (!split) {
            p = *uniform[i];
        } else {
            // Zones: the zone search from the uniform solution at this
            // budget.
            ZonedGoalSearch search{&area, input};
            const ZonedSolution whole = uniform_solution(uniform[i]->result, curve.measures);
            BreakpointSearchOptions zo = options;
            zo.time_limit_seconds = share_of(total_seconds, seconds_since(start), budgets.size() - i, 1,
                                             options.time_limit_seconds);
            const ZonedSolution z = maximise_goal_in_zones(
                search, *zones, whole, std::vector<int>(static_cast<std::size_t>(zones->zone_count()), 0), zo, feedback);
            fill_point(p, z.result, w);
            p.key_payment = z.key_payment;
        }
        // A larger budget never buys less: the neighbour's solution fits
        // this budget too.
        if (prev && (p.weighted < prev->weighted - 1e-9 ||
                     (p.weighted <= prev->weighted + 1e-9 && p.budget > prev->budget + 1e-6))) {
            const double limit = p.budget_limit;
            p = *prev;
            p.budget_limit = limit;
            p.from_neighbour = true;
        }
        p.bound_known = true;
        p.bound = reference[i];
        curve.points.push_back(std::move(p));
    }
    report(feedback, curve.points.size(), budgets.size(), curve.points.empty() ? 0.0 : curve.points.back().weighted);
    curve.seconds = seconds_since(start);
    return curve;
}

BudgetEffectCurve budget_curve(const EvaluatedArea& area, const BudgetMinimisationInput& base,
                               const std::vector<double>& factors, const BreakpointSearchOptions& options,
                               const ZoneMap* zones, Feedback* feedback, double total_seconds) {
    const auto start = std::chrono::steady_clock::now();
    BudgetEffectCurve curve;
    curve.goal = false;
    curve.measures = static_cast<int>(area.lists.size());
    curve.zoning = zones ? zones->description : "uniform";
    const std::vector<double> ones(base.wanted_area_ha.size(), 1.0);
    std::optional<ZonedArea> split;
    if (zones) split = split_by_zone(area, *zones);
    if (split) curve.zone_names = split->zone_names;
    const std::vector<CostOnlyBound> bounds =
        cost_only_budget_curve(area.lists, base.wanted_area_ha, factors, base.transaction_costs, area.pixel_area);

    for (std::size_t i = 0; i < factors.size(); ++i) {
        if (feedback && feedback->cancelled()) {
            curve.cancelled = true;
            break;
        }
        report(feedback, i, factors.size(), curve.points.empty() ? 0.0 : curve.points.back().budget);
        BudgetMinimisationInput input = base;
        for (double& w : input.wanted_area_ha) w *= factors[i];
        CurvePoint p;
        p.factor = factors[i];
        p.wanted = input.wanted_area_ha;
        const CurvePoint* prev = curve.points.empty() ? nullptr : &curve.points.back();

        // Each point starts from its neighbour's payments; the time left
        // is shared among the points still to search (half of a point's
        // share for the zones' search when there are zones).
        BreakpointSearchOptions o = options;
        if (prev) o.start_payment = prev->payment;
        const double share =
            share_of(total_seconds, seconds_since(start), factors.size() - i, 1, options.time_limit_seconds);
        o.time_limit_seconds = split ? share / 2.0 : share;
        const OptimisationResult uniform = BreakpointBudgetMinimisation(area, input, o, feedback);
        if (!split) {
            fill_point(p, uniform, ones);
        } else {
            ZonedBudgetSearch search{&area, input};
            const ZonedSolution z = minimise_budget_in_zones(
                search, *zones, uniform_solution(uniform, curve.measures),
                std::vector<int>(static_cast<std::size_t>(zones->zone_count()), 0), o, feedback);
            fill_point(p, z.result, ones);
            p.key_payment = z.key_payment;
        }
        p.reached = shortfall(p.wanted, p.area) <= 1e-6;
        const CostOnlyBound& bound = bounds[i];
        p.bound_known = bound.solved && bound.reachable;
        p.bound = bound.value;
        curve.points.push_back(std::move(p));
    }
    // A larger target never costs less: when a point reaches the targets of
    // the one before it for less, that one takes its solution. Walked from
    // the end, so a cheap solution moves down the whole row.
    for (std::size_t i = curve.points.size(); i-- > 1;) {
        CurvePoint& lower = curve.points[i - 1];
        const CurvePoint& upper = curve.points[i];
        const bool covers = shortfall(lower.wanted, upper.area) <= shortfall(lower.wanted, lower.area) + 1e-6;
        if (covers && upper.budget < lower.budget - 1e-6) {
            CurvePoint kept = upper;
            kept.factor = lower.factor;
            kept.wanted = lower.wanted;
            kept.reached = shortfall(lower.wanted, kept.area) <= 1e-6;
            kept.bound_known = lower.bound_known;
            kept.bound = lower.bound;
            kept.from_neighbour = true;
            lower = std::move(kept);
        }
    }
    report(feedback, curve.points.size(), factors.size(), curve.points.empty() ? 0.0 : curve.points.back().budget);
    curve.seconds = seconds_since(start);
    return curve;
}

namespace {

std::string csv_field(const std::string& text) {
    if (text.find_first_of(",\"\n") == std::string::npos) return text;
    std::string out = "\"";
    for (char c : text) out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

std::string csv_number(double v) {
    std::ostringstream s;
    s.precision(10);
    s << v;
    return s.str();
}

}  // namespace

std::string curve_csv(const BudgetEffectCurve& c, const std::vector<std::string>& species,
                      const std::vector<int>& measure_ids) {
    std::ostringstream csv;
    csv << (c.goal ? "budget" : "factor,budget") << ",weighted_effective_area";
    for (const auto& name : species) csv << "," << csv_field(name + " effective area (ha)");
    csv << ",cost_only_bound";
    for (int id : measure_ids) csv << ",payment " << id;
    csv << "\n";
    for (const CurvePoint& p : c.points) {
        if (!c.goal) csv << csv_number(p.factor) << ",";
        csv << csv_number(c.goal ? p.budget_limit : p.budget) << "," << csv_number(p.weighted);
        for (std::size_t k = 0; k < species.size(); ++k) csv << "," << csv_number(k < p.area.size() ? p.area[k] : 0.0);
        csv << "," << (p.bound_known ? csv_number(p.bound) : std::string());
        for (std::size_t m = 0; m < measure_ids.size(); ++m)
            csv << "," << csv_number(m < p.payment.size() ? p.payment[m] : 0.0);
        csv << "\n";
    }
    return csv.str();
}

bool monotone(const BudgetEffectCurve& curve) {
    for (std::size_t i = 1; i < curve.points.size(); ++i) {
        const CurvePoint& a = curve.points[i - 1];
        const CurvePoint& b = curve.points[i];
        if (curve.goal ? b.weighted < a.weighted - 1e-9 : b.budget < a.budget - 1e-6) return false;
    }
    return true;
}

}  // namespace pravel
