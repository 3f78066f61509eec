#include "optimisation/breakpoint_search.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <functional>
#include <limits>
#include <utility>

#include "common/feedback.h"
#include "common/random.h"
#include "optimisation/payment_breakpoints.h"

namespace pravel {

namespace {

using Clock = std::chrono::steady_clock;
using State = PaymentModel::State;
using Step = PaymentModel::Step;

constexpr int kStepsPerMeasure = 14;        // breakpoint steps looked at per measure and greedy step
// The farthest breakpoint a single step may go to. On a large area many
// pixels share their breakpoints, so that a step reaches less far in payment
// than on a small one; the budget search, which must pass the payment levels
// a measure's next good pixels wait behind to reach its targets cheaply,
// looks four times as far as the goal search, which spends a fixed budget
// and reaches as far as it needs with the nearer steps at a third of the time.
constexpr std::size_t kBudgetStepReach = 2048;
constexpr std::size_t kGoalStepReach = 512;
constexpr double kReportInterval = 0.05;    // seconds between progress reports
constexpr double kTiny = 1e-9;

// Steps of the lowering passes: how many levels of the most demanding
// participants are let go at once.
constexpr std::size_t kDropSizes[] = {1, 2, 4, 8, 16, 32, 64};
// How many participants the count limits cut at once.
constexpr int kCountCuts[] = {1, 2, 4, 8, 16, 32, 64};

// Time, evaluation count, progress and cancel of one search.
class SearchClock {
public:
    SearchClock(const BreakpointSearchOptions& options, Feedback* feedback)
        : options_(options), feedback_(feedback), start_(Clock::now()) {}

    double seconds() const { return std::chrono::duration<double>(Clock::now() - start_).count(); }
    bool cancelled() const { return feedback_ && feedback_->cancelled(); }
    // Whether the search must stop now; remembers whether the time limit
    // (not Cancel) is what stopped it.
    bool stop() {
        if (cancelled()) return true;
        if (seconds() > options_.time_limit_seconds) limit_reached_ = true;
        return limit_reached_;
    }
    bool limit_reached() const { return limit_reached_; }

    void count(long long n = 1) { evaluations_ += n; }
    long long evaluations() const { return evaluations_; }

    // Reports the stage and best objective now and then (and always when
    // `force`), so that a Cancel is seen within a fraction of a second.
    void progress(const std::string& stage, double best, bool force = false) {
        if (!feedback_) return;
        const double now = seconds();
        if (!force && now - last_report_ < kReportInterval) return;
        last_report_ = now;
        Feedback::Progress p;
        p.step = evaluations_;
        p.value = now;
        p.best = best;
        p.stage = stage;
        feedback_->report(p);
    }

private:
    const BreakpointSearchOptions& options_;
    Feedback* feedback_;
    Clock::time_point start_;
    long long evaluations_ = 0;
    double last_report_ = -1.0;
    bool limit_reached_ = false;
};

// Knocks one to three payments of measures that take part down to a random
// share of themselves (a third of the knocks to nothing).
std::vector<double> knocked_down(const State& best, int measures) {
    std::vector<int> active;
    for (int m = 0; m < measures; ++m)
        if (best.participants[static_cast<std::size_t>(m)] > 0) active.push_back(m);
    std::vector<double> payment = best.payment;
    if (active.empty()) return payment;
    const int knocks = 1 + rand15() % 3;
    for (int j = 0; j < knocks; ++j) {
        const int m = active[static_cast<std::size_t>(rand15()) % active.size()];
        const int draw = rand15();
        const double share = draw % 3 == 0 ? 0.0 : 0.5 + 0.45 * random_unit();
        payment[static_cast<std::size_t>(m)] *= share;
    }
    return payment;
}

// Gain per extra Euro; a gain that costs nothing extra beats any other.
double step_score(double gain, double extra) { return extra <= 0.0 ? 1e300 + gain : gain / extra; }

// The breakpoint steps of every measure with candidates from a state,
// listed from the index (which follows the state by the pixels that moved).
void all_steps(const PaymentModel& model, BreakpointIndex& index, const State& s, std::size_t reach,
               std::vector<Step>& steps) {
    steps.clear();
    for (int m = 0; m < model.measure_count(); ++m)
        if (model.has_candidates(m)) index.next_steps(s, m, kStepsPerMeasure, reach, steps);
}

// The step with the best score; `gain` gives a step's gain, or nothing for
// a step that is not allowed or gains nothing.
const Step* best_step(const std::vector<Step>& steps, const std::function<double(const Step&)>& gain) {
    const Step* chosen = nullptr;
    double chosen_score = 0.0;
    for (const Step& step : steps) {
        const double g = gain(step);
        if (g <= kTiny) continue;
        const double score = step_score(g, step.extra_budget);
        if (!chosen || score > chosen_score) {
            chosen = &step;
            chosen_score = score;
        }
    }
    return chosen;
}

// What a comparison of two states needs: the effective areas and the budget.
struct Summary {
    std::vector<double> area;
    double budget = 0.0;
};
Summary summary(const State& s) { return {s.area, s.budget}; }

// Sets the payments one after another (each a raise or a lowering of one
// measure, which moves only the pixels it concerns): the state becomes the
// allocation evaluate gives at the payments. Raises go through the index
// when there is one.
void set_payments(const PaymentModel& model, BreakpointIndex* index, State& s, const std::vector<double>& payment) {
    for (int m = 0; m < model.measure_count(); ++m) {
        const double p = payment[static_cast<std::size_t>(m)];
        if (p == s.payment[static_cast<std::size_t>(m)]) continue;
        if (index)
            index->raise(s, m, p);
        else
            model.raise(s, m, p);
    }
}

// Where each level of the needs (sorted from the most demanding down)
// begins, for the first `most` + 1 levels. A payment the margin above one
// need lets go exactly the participants before it when the need before it
// lies more than the margin higher; participants closer than that (on a
// large area many alike pixels need the same) go together, so the lowering
// counts levels, not participants.
std::vector<std::size_t> need_levels(const std::vector<double>& need, std::size_t most) {
    std::vector<std::size_t> level;
    for (std::size_t i = 0; i < need.size() && level.size() <= most; ++i)
        if (i == 0 || need[i - 1] - need[i] > kBreakpointMargin) level.push_back(i);
    return level;
}

// Lets the most demanding participants of one measure after another go (1,
// 2, 4, ... levels of them), lowering every payment exactly after each try.
// `keep` may work on the try further and says whether it replaces the
// state it started from (given by its summary); a try not kept is undone.
// False from `go_on` ends the pass. Repeats until no try is kept.
void drop_pass(const PaymentModel& model, BreakpointIndex& index, SearchClock& clock, State& s,
               const std::function<bool(State& trial, const Summary& current)>& keep,
               const std::function<bool()>& go_on) {
    bool improved = true;
    while (improved && go_on()) {
        improved = false;
        for (int m = 0; m < model.measure_count() && !improved && go_on(); ++m) {
            if (s.participants[static_cast<std::size_t>(m)] == 0) continue;
            const std::vector<double> need = model.requirements(s, m);
            const std::vector<std::size_t> level = need_levels(need, kDropSizes[std::size(kDropSizes) - 1]);
            for (std::size_t d : kDropSizes) {
                const std::size_t di = d < level.size() ? level[d] : need.size();
                const double payment = di < need.size() ? need[di] + kBreakpointMargin : 0.0;
                // Lowering one payment moves only that measure's pixels.
                const Summary current = summary(s);
                model.mark(s);
                index.raise(s, m, payment);
                index.lower_exactly(s);
                clock.count();
                if (keep(s, current)) {
                    model.keep(s);
                    improved = true;
                    break;
                }
                model.undo(s);
                if (di >= need.size() || !go_on()) break;
            }
        }
    }
}

// `answer`: the result is an answer even when the search was stopped (it
// reaches every target, or a goal search completed its first construction).
SearchReport make_report(const char* method, std::uint32_t seed, const SearchClock& clock,
                         const std::vector<double>& wanted, const std::vector<double>& achieved, bool answer) {
    SearchReport r;
    r.method = method;
    r.seed = seed;
    r.seconds = clock.seconds();
    r.evaluations = clock.evaluations();
    r.cancelled = clock.cancelled();
    r.time_limit_reached = clock.limit_reached();
    r.solution = answer || !(r.cancelled || r.time_limit_reached);
    r.wanted = wanted;
    r.achieved = achieved;
    return r;
}

// ---------------------------------------------------------------- budget

class BudgetSearch {
public:
    BudgetSearch(const PaymentModel& model, const std::vector<double>& wanted, SearchClock& clock)
        : model_(model), index_(model), wanted_(wanted), clock_(clock) {}

    double shortfall(const std::vector<double>& area) const {
        double sum = 0.0;
        for (std::size_t k = 0; k < wanted_.size(); ++k) sum += std::max(0.0, wanted_[k] - area[k]);
        return sum;
    }
    double shortfall(const State& s) const { return shortfall(s.area); }
    // Fewer missing hectares first, then the smaller budget.
    bool better(const State& a, const Summary& b) const {
        const double fa = shortfall(a.area), fb = shortfall(b.area);
        if (fa < fb - 1e-6) return true;
        if (fa > fb + 1e-6) return false;
        return a.budget < b.budget - 1e-6;
    }

    // Missing hectares a step removes.
    double removed(const State& s, const Step& step) const {
        double r = 0.0;
        for (std::size_t k = 0; k < wanted_.size(); ++k) {
            const double missing = wanted_[k] - s.area[k];
            r += std::max(0.0, missing) - std::max(0.0, missing - step.area_gain[k]);
        }
        return r;
    }

    // Takes the step with the most missing hectares removed per extra Euro
    // until every target holds or no step helps. False when stopped early.
    bool construct(State& s, const std::string& stage, double best) {
        std::vector<Step> steps;
        while (shortfall(s) > kTiny) {
            if (clock_.stop()) return false;
            clock_.progress(stage, best);
            all_steps(model_, index_, s, kBudgetStepReach, steps);
            if (const Step* chosen = best_step(steps, [&](const Step& step) { return removed(s, step); })) {
                // Every step taken must remove missing hectares in the
                // allocation itself, so the construction always ends.
                const double before = shortfall(s);
                model_.mark(s);
                index_.raise(s, chosen->measure, chosen->payment);
                clock_.count();
                if (shortfall(s) < before - kTiny) {
                    model_.keep(s);
                    continue;
                }
                model_.undo(s);
            }
            // No single step helps: a pixel a measure needs would pull away
            // pixels the other measures need. Try each step again with the
            // other measures raised to keep what they hold.
            if (!protected_step(s, steps)) break;
        }
        return true;
    }

    bool protected_step(State& s, const std::vector<Step>& steps) {
        std::vector<double> chosen;
        double chosen_score = 0.0;
        bool found = false;
        const double missing = shortfall(s);
        const double budget = s.budget;
        for (const Step& step : steps) {
            std::vector<double> payment = index_.protecting(s, step.measure, step.payment);
            model_.mark(s);
            set_payments(model_, &index_, s, payment);
            clock_.count();
            const double r = missing - shortfall(s);
            const double extra = s.budget - budget;
            model_.undo(s);
            if (r <= kTiny) continue;
            const double score = step_score(r, extra);
            if (!found || score > chosen_score) {
                chosen = std::move(payment);
                chosen_score = score;
                found = true;
            }
        }
        if (found) set_payments(model_, &index_, s, chosen);
        return found;
    }

    // Lowers a measure's payment past its most demanding participants while
    // no target is lost, for every measure, until nothing improves.
    void lowering_pass(State& s, const std::string& stage) {
        drop_pass(
            model_, index_, clock_, s,
            [&](State& trial, const Summary& current) {
                clock_.progress(stage, current.budget);
                return shortfall(trial) <= shortfall(current.area) + 1e-6 && trial.budget < current.budget - 1e-6;
            },
            [&] { return !clock_.stop(); });
    }

    // Construction, exact lowering and the lowering pass from a state.
    bool settle(State& s, const std::string& stage, double best) {
        if (!construct(s, stage, best)) return false;
        index_.lower_exactly(s);
        lowering_pass(s, stage);
        return true;
    }

private:
    const PaymentModel& model_;
    BreakpointIndex index_;
    const std::vector<double>& wanted_;
    SearchClock& clock_;
};

// ---------------------------------------------------------------- goal

class GoalSearch {
public:
    GoalSearch(const PaymentModel& model, const std::vector<double>& weight, double budget_limit, SearchClock& clock)
        : model_(model), index_(model), weight_(weight), limit_(budget_limit), clock_(clock) {}

    double objective(const std::vector<double>& area) const {
        double j = 0.0;
        for (std::size_t k = 0; k < weight_.size() && k < area.size(); ++k) j += weight_[k] * area[k];
        return j;
    }
    double objective(const State& s) const { return objective(s.area); }
    double gain(const Step& step) const {
        double j = 0.0;
        for (std::size_t k = 0; k < weight_.size() && k < step.area_gain.size(); ++k) j += weight_[k] * step.area_gain[k];
        return j;
    }
    // Within the budget first, then the larger objective, then the smaller budget.
    bool better(const State& a, const Summary& b) const {
        const bool fa = a.budget <= limit_, fb = b.budget <= limit_;
        if (fa != fb) return fa;
        const double ja = objective(a.area), jb = objective(b.area);
        if (ja > jb + 1e-9) return true;
        if (ja < jb - 1e-9) return false;
        return a.budget < b.budget - 1e-6;
    }

    // Takes the step with the most weighted effective area per extra Euro
    // that the budget allows, lowering the payments exactly whenever no step
    // fits any more, until nothing more can be bought. False when stopped.
    bool construct(State& s, const std::string& stage, double best) {
        std::vector<Step> steps;
        for (;;) {
            if (clock_.stop()) return false;
            clock_.progress(stage, best);
            all_steps(model_, index_, s, kGoalStepReach, steps);
            const Step* chosen = best_step(steps, [&](const Step& step) {
                return s.budget + step.extra_budget > limit_ ? 0.0 : gain(step);
            });
            if (chosen) {
                // Every step taken must add to the objective within the
                // budget in the allocation itself, so the construction
                // always ends.
                const double before = objective(s);
                model_.mark(s);
                index_.raise(s, chosen->measure, chosen->payment);
                clock_.count();
                if (s.budget <= limit_ && objective(s) > before + kTiny) {
                    model_.keep(s);
                    continue;
                }
                model_.undo(s);
            }
            const double before = s.budget;
            index_.lower_exactly(s);
            if (s.budget >= before - 1e-6) break;
        }
        return true;
    }

    // Moves budget from weak to strong steps: lets a measure's most
    // demanding participants go and spends what that frees on the best
    // steps, keeping the change when the objective grows.
    void transfer_pass(State& s, const std::string& stage) {
        bool stopped = false;
        drop_pass(
            model_, index_, clock_, s,
            [&](State& trial, const Summary& current) {
                stopped = !construct(trial, stage, objective(current.area));
                return !stopped && better(trial, current);
            },
            [&] { return !stopped && !clock_.stop(); });
    }

    // Construction, then (`transfer`) the pass that moves budget from weak
    // to strong steps.
    // False when stopped before the construction was complete (a pass
    // stopped later leaves a complete state).
    bool settle(State& s, const std::string& stage, double best, bool transfer) {
        if (!construct(s, stage, best)) return false;
        if (transfer) transfer_pass(s, stage);
        return true;
    }

private:
    const PaymentModel& model_;
    BreakpointIndex index_;
    const std::vector<double>& weight_;
    double limit_;
    SearchClock& clock_;
};

// The general allocation at the state's payments, each measure limited to
// the participants the state gives it.
struct Checked {
    std::vector<int> counts;
    AllocationEngine::Outcome outcome;
};
Checked allocate(AllocationEngine& engine, const State& s, const std::vector<int>& counts, int tc) {
    Checked c{counts, {}};
    engine.run(s.payment, c.counts, tc, c.outcome);
    return c;
}

// Restarts: from the best state, knock down one to three payments and
// settle again, until `patience` restarts in a row bring nothing or the time
// is up. `settle` returns false when stopped; `better` compares states.
// The try works on the best state itself and is undone when it is not
// better, so that a restart costs what it changes, not a fresh allocation.
void restart_loop(State& best, int measures, const BreakpointSearchOptions& options, SearchClock& clock,
                  const PaymentModel& model, const std::function<bool(State&, double)>& settle,
                  const std::function<bool(const State&, const Summary&)>& better,
                  const std::function<double(const State&)>& objective) {
    int idle = 0;
    while (idle < options.patience && !clock.stop()) {
        const Summary before = summary(best);
        const double best_objective = objective(best);
        const std::vector<double> payment = knocked_down(best, measures);
        model.mark(best);
        set_payments(model, nullptr, best, payment);
        clock.count();
        if (!settle(best, best_objective)) {
            model.undo(best);
            break;
        }
        if (better(best, before)) {
            model.keep(best);
            idle = 0;
        } else {
            model.undo(best);
            ++idle;
        }
        clock.progress("breakpoint search: restarts", objective(best), true);
    }
}

// The payments a search starts from: the options' start when it has one
// payment per measure, else all 0.
std::vector<double> start_payments(const BreakpointSearchOptions& options, int measures) {
    if (options.start_payment.size() == static_cast<std::size_t>(measures)) return options.start_payment;
    return std::vector<double>(static_cast<std::size_t>(measures), 0.0);
}

}  // namespace

double reached_share(double wanted, double achieved) { return wanted > 0.0 ? achieved / wanted : 0.0; }

bool reaches_every_target(const std::vector<double>& wanted, const std::vector<double>& achieved) {
    for (std::size_t k = 0; k < wanted.size(); ++k)
        if (k >= achieved.size() || achieved[k] + kTargetTolerance < wanted[k]) return false;
    return true;
}

OptimisationResult BreakpointBudgetMinimisation(const EvaluatedArea& area, const BudgetMinimisationInput& input,
                                                const BreakpointSearchOptions& options, Feedback* feedback,
                                                SearchReport* report) {
    return BreakpointBudgetMinimisation(candidate_lists(area), input, options, feedback, report);
}

OptimisationResult BreakpointBudgetMinimisation(const CandidateLists& candidates, const BudgetMinimisationInput& input,
                                                const BreakpointSearchOptions& options, Feedback* feedback,
                                                SearchReport* report) {
    const std::uint32_t seed = input.seed ? *input.seed : 1u;
    seed_random(seed);
    SearchClock clock(options, feedback);
    const int tc = input.transaction_costs;
    const std::vector<double>& wanted = input.wanted_area_ha;
    const int species = static_cast<int>(wanted.size());

    const int n = static_cast<int>(candidates.lists.size());
    const PaymentModel model(candidates, species, candidates.pixel_area, tc);
    BudgetSearch search(model, wanted, clock);

    State best;
    model.evaluate(start_payments(options, n), best);
    clock.count();
    search.settle(best, "breakpoint search: greedy construction", 0.0);
    clock.progress("breakpoint search: greedy construction", best.budget, true);

    restart_loop(
        best, n, options, clock, model,
        [&](State& s, double b) { return search.settle(s, "breakpoint search: restarts", b); },
        [&](const State& a, const Summary& b) { return search.better(a, b); },
        [](const State& s) { return s.budget; });

    // Count limits: cap a measure below what its payment attracts when the
    // targets still hold and the budget falls.
    AllocationEngine engine(candidates, species, candidates.pixel_area);
    Checked kept = allocate(engine, best, model.counts(best), tc);
    clock.count();
    auto missing = [&](const AllocationEngine::Outcome& o) {
        double sum = 0.0;
        for (int k = 0; k < species; ++k)
            sum += std::max(0.0, wanted[static_cast<std::size_t>(k)] - o.effective_area[static_cast<std::size_t>(k)]);
        return sum;
    };
    for (int m = 0; m < n && !clock.stop(); ++m) {
        bool cut = true;
        while (cut) {
            cut = false;
            const int held = kept.outcome.participants[static_cast<std::size_t>(m)];
            for (int d : kCountCuts) {
                if (d > held) break;
                std::vector<int> counts = kept.counts;
                counts[static_cast<std::size_t>(m)] = held - d;
                Checked trial = allocate(engine, best, counts, tc);
                clock.count();
                if (missing(trial.outcome) <= missing(kept.outcome) + 1e-6 &&
                    trial.outcome.budget < kept.outcome.budget - 1e-6) {
                    kept = std::move(trial);
                    cut = true;
                    break;
                }
            }
        }
        clock.progress("breakpoint search: count limits", kept.outcome.budget);
    }

    OptimisationResult result = engine.materialise(kept.outcome, best.payment, kept.counts, tc);
    result.iterations = clock.evaluations();
    if (report)
        *report = make_report("breakpoint search", seed, clock, wanted, result.effective_area,
                              reaches_every_target(wanted, result.effective_area));
    return result;
}

OptimisationResult BreakpointGoalMaximisation(const EvaluatedArea& area, const GoalMaximisationInput& input,
                                              const BreakpointSearchOptions& options, Feedback* feedback,
                                              SearchReport* report) {
    return BreakpointGoalMaximisation(candidate_lists(area), input, options, feedback, report);
}

OptimisationResult BreakpointGoalMaximisation(const CandidateLists& candidates, const GoalMaximisationInput& input,
                                              const BreakpointSearchOptions& options, Feedback* feedback,
                                              SearchReport* report) {
    const std::uint32_t seed = input.seed ? *input.seed : 1u;
    seed_random(seed);
    SearchClock clock(options, feedback);
    const int tc = input.transaction_costs;
    const double limit = input.budget;
    const int species = static_cast<int>(input.weight.size());

    const int n = static_cast<int>(candidates.lists.size());
    const PaymentModel model(candidates, species, PIXEL_AREA_HA, tc);
    GoalSearch search(model, input.weight, limit, clock);

    State best;
    model.evaluate(start_payments(options, n), best);
    clock.count();
    // At payment 0 the pixels that gain from a measure anyway join it for
    // nothing; anything else starts switched off.
    const bool built = search.settle(best, "breakpoint search: greedy construction", 0.0, true);
    clock.progress("breakpoint search: greedy construction", search.objective(best), true);

    restart_loop(
        best, n, options, clock, model,
        [&](State& s, double b) { return search.settle(s, "breakpoint search: restarts", b, false); },
        [&](const State& a, const Summary& b) { return search.better(a, b); },
        [&](const State& s) { return search.objective(s); });

    AllocationEngine engine(candidates, species, PIXEL_AREA_HA);
    Checked kept = allocate(engine, best, model.counts(best), tc);
    clock.count();
    OptimisationResult result = engine.materialise(kept.outcome, best.payment, kept.counts, tc);
    result.iterations = clock.evaluations();
    if (report)
        *report = make_report("breakpoint search", seed, clock, {}, result.effective_area, built);
    return result;
}

}  // namespace pravel
