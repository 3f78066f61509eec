#include "optimisation/goal_maximisation.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "common/feedback.h"
#include "common/random.h"
#include "core/evaluation_run.h"
#include "core/measure_record.h"
#include "store/landscape_store.h"

namespace pravel {

namespace {

constexpr double kEndTemperature = 0.005;
constexpr int kCoolingSteps = 5000;
constexpr double kEqualObjective = 1e-8;
constexpr long long kReportEvery = 50;

// log10 that treats an argument of (almost) 0 as giving 0.
double guarded_log10(double x) { return std::fabs(x) < 1e-8 ? 0.0 : std::log10(x); }

// Payment at which a pixel of cost `cost` takes part, plus `extra`.
double uniform_payment(int transaction_costs, double extra, double cost) {
    return transaction_costs + 0.001 + extra + cost;
}

// 0, 1 or 2 for a measure with candidates, -1 for an empty list.
int group_of(const std::vector<MeasureCandidates>& candidates, const std::vector<MeasureRecord>& measures,
             std::size_t m, Feedback* feedback) {
    if (candidates[m].list.empty()) return -1;
    if (m < measures.size()) return measure_group(measures[m], feedback);
    const PixelResult& first = candidates[m].list.front();
    return first.measure ? measure_group(*first.measure, feedback) : -1;
}

// Group of a measure type name for the start heuristic without competition.
int type_group(const std::string& name) {
    for (const char* n : {"mowing_1cut", "mowing_2cut", "mowing_3cut", "mowing_4cut", "refuge_strips"})
        if (name == n) return 0;
    for (const char* n : {"grazing_rota1", "grazing_rota2", "grazing_rota3", "grazing_rota4", "grazing_seas"})
        if (name == n) return 1;
    for (const char* n : {"mowing_pasture_rota1", "mowing_pasture_rota2", "mowing_pasture_rota3", "mowing_pasture_seas"})
        if (name == n) return 2;
    return -1;
}

double weighted_objective(const std::vector<double>& weight, const std::vector<double>& effective_area) {
    double j = 0.0;
    for (std::size_t s = 0; s < weight.size() && s < effective_area.size(); ++s) j += weight[s] * effective_area[s];
    return j;
}

}  // namespace

double record_cost(const PixelResult& record) { return std::max(0.0, -record.margin_without_payment); }

int AffordableCount(int transaction_costs, double amount, double extra, const std::vector<PixelResult>& list,
                    double pixel_area) {
    const long long n = static_cast<long long>(list.size());
    if (n == 0) return -1;
    auto affordable = [&](long long i) {
        if (i >= n) return false;
        const double price = uniform_payment(transaction_costs, extra, record_cost(list[static_cast<std::size_t>(i)]));
        return amount - static_cast<double>(i + 1) * pixel_area * price >= 0.0;
    };
    long long lo = 0;
    long long hi = n - 1;
    do {
        const long long mid = (lo + hi) / 2;
        const bool here = affordable(mid);
        const bool next = affordable(mid + 1);
        if (here && !next) return static_cast<int>(mid);
        if (!here && !next) {
            hi = mid - 1;
        } else {
            lo = mid + 1;
        }
    } while (!(hi < lo || lo == n - 1));
    return lo != 0 ? static_cast<int>(n - 1) : -1;
}

double CostRange(const std::vector<PixelResult>& list) {
    if (list.empty()) return 0.0;
    const double first = list.front().margin_without_payment;
    const double last = list.back().margin_without_payment;
    if (first >= 0.0) return -last;
    return -last - (-first);
}

double PixelEffect(const PixelResult& record, const std::vector<double>& weight, double pixel_area) {
    double sum = 0.0;
    for (std::size_t s = 0; s < weight.size() && s < record.qualities.size(); ++s)
        sum += weight[s] * record.qualities[s].quality;
    return pixel_area * sum;
}

std::vector<double> BudgetShareScores(const std::string& score_mode, const std::string& competition_mode,
                                      const std::vector<double>& weight, double budget, int transaction_costs,
                                      const std::vector<MeasureCandidates>& candidates,
                                      const std::vector<MeasureRecord>& measures, Feedback* feedback) {
    const double a = PIXEL_AREA_HA;
    const bool graded = score_mode.find("MaxErrEffGew") != std::string::npos;
    double top_weight = 0.0;
    if (graded) {
        const std::size_t eq = score_mode.find('=');
        if (eq != std::string::npos) top_weight = std::atoi(score_mode.c_str() + eq + 1);
    }

    std::vector<double> score(candidates.size(), 0.0);
    for (std::size_t m = 0; m < candidates.size(); ++m) {
        const std::vector<PixelResult>& list = candidates[m].list;
        if (list.empty()) continue;
        const double count = static_cast<double>(list.size());
        const double v = transaction_costs + 0.001 + record_cost(list.back());
        if (score_mode == "MaxErrEff" || score_mode == "MaxErrEffFlaeche") {
            double sum = 0.0;
            for (const PixelResult& r : list) sum += PixelEffect(r, weight, a);
            score[m] = score_mode == "MaxErrEff" ? sum / (v * a * count) : sum;
        } else if (graded) {
            double sum = 0.0;
            if (list.size() == 1) {
                sum = PixelEffect(list.front(), weight, a);
            } else {
                // Weight W for the best pixel, falling linearly to 1 for the last.
                for (std::size_t i = 0; i < list.size(); ++i)
                    sum += PixelEffect(list[i], weight, a) *
                           (top_weight - (top_weight - 1.0) * static_cast<double>(i) / (count - 1.0));
            }
            score[m] = sum / (v * a * count);
        }
    }

    if (competition_mode == "OhneKonku") {
        int best_index[3] = {-1, -1, -1};
        double best_score[3] = {0.0, 0.0, 0.0};
        for (std::size_t m = 0; m < score.size(); ++m) {
            const int g = type_group(m < measures.size() ? measures[m].name : std::string());
            if (g < 0) {
                ask_yes_no(feedback, "Bei Anf.Heur ohne Konku haut was nicht hin.");
                continue;
            }
            if (score[m] > best_score[g]) {
                best_score[g] = score[m];
                best_index[g] = static_cast<int>(m);
            }
        }
        std::vector<double> kept(score.size(), 0.0);
        for (int g = 0; g < 3; ++g)
            if (best_index[g] >= 0) kept[static_cast<std::size_t>(best_index[g])] = best_score[g];
        score = std::move(kept);
    }

    double total = 0.0;
    for (double s : score) total += s;
    if (total > 0.0)
        for (double& s : score) s = s * budget / total;
    return score;
}

std::vector<double> payment_extras(const std::string& payment_rule, double factor,
                                   const std::vector<MeasureCandidates>& candidates,
                                   const std::vector<MeasureRecord>& measures, int transaction_costs,
                                   Feedback* feedback) {
    const std::size_t n = candidates.size();
    std::vector<int> group(n);
    int group_size[3] = {0, 0, 0};
    std::vector<double> range(n, 0.0);
    for (std::size_t m = 0; m < n; ++m) {
        group[m] = group_of(candidates, measures, m, feedback);
        if (group[m] >= 0) ++group_size[group[m]];
        const std::vector<PixelResult>& list = candidates[m].list;
        range[m] = CostRange(list);
        if (range[m] < 0.0) {
            char text[128];
            std::snprintf(text, sizeof text, "anf=%f, end=%f", list.front().margin_with_payment,
                          list.back().margin_with_payment);
            inform(feedback, text);
        }
    }

    std::vector<double> extra(n, 0.0);
    if (payment_rule == "Pauschal" || payment_rule == "AnteilKostendifferenz") {
        const bool flat = payment_rule == "Pauschal";
        for (std::size_t m = 0; m < n; ++m) {
            if (group[m] < 0 || group_size[group[m]] <= 1) continue;
            const double log_size = guarded_log10(group_size[group[m]]);
            extra[m] = flat ? factor * log_size : range[m] * factor * log_size;
        }
    } else if (payment_rule == "AngleichungKostendifferenz") {
        for (int g = 0; g < 3; ++g) {
            if (group_size[g] <= 1) continue;
            std::size_t reference = n;
            for (std::size_t m = 0; m < n; ++m)
                if (group[m] == g && (reference == n || range[m] < range[reference])) reference = m;
            const double log_size = guarded_log10(group_size[g]);
            for (std::size_t m = 0; m < n; ++m)
                if (group[m] == g && m != reference) extra[m] = (range[m] - range[reference]) * factor * log_size;
        }
    }

    for (std::size_t m = 0; m < n; ++m) {
        const std::vector<PixelResult>& list = candidates[m].list;
        const double cap = list.empty() ? 0.0 : 0.5 * (transaction_costs + 0.001 + record_cost(list.back()));
        extra[m] = std::min(extra[m], cap);
    }
    return extra;
}

StartSolution StartHeuristic(double budget, const std::vector<double>& weight, int transaction_costs,
                             std::vector<MeasureCandidates>& candidates, const std::vector<MeasureRecord>& measures,
                             const std::string& score_mode, const std::string& competition_mode,
                             const std::string& payment_rule, double factor, Feedback* feedback) {
    const std::size_t n = candidates.size();
    StartSolution start{std::vector<double>(n, 0.0), std::vector<int>(n, 0)};
    const std::vector<double> amount =
        BudgetShareScores(score_mode, competition_mode, weight, budget, transaction_costs, candidates, measures, feedback);
    const std::vector<double> extra =
        payment_extras(payment_rule, factor, candidates, measures, transaction_costs, feedback);
    for (std::size_t m = 0; m < n; ++m) {
        const std::vector<PixelResult>& list = candidates[m].list;
        if (list.empty()) continue;
        const int count = AffordableCount(transaction_costs, amount[m], extra[m], list) + 1;
        start.max_count[m] = count;
        if (count > 0)
            start.payment[m] =
                uniform_payment(transaction_costs, extra[m], record_cost(list[static_cast<std::size_t>(count - 1)]));
    }
    apply_payments(candidates, start.payment, transaction_costs);
    return start;
}

double goal_start_temperature(double start_objective) { return -start_objective / std::log(1e-8); }

bool goal_acceptance(double current_objective, double candidate_objective, double candidate_budget,
                     double budget_limit, double temperature) {
    if (candidate_budget > budget_limit) return false;
    const double difference = candidate_objective - current_objective;
    if (difference > 0.0) return true;
    const double p = static_cast<double>(rand15()) / RAND15_MAX;
    return std::exp(difference / temperature) > p;
}

bool goal_replaces_best(double current_objective, double current_budget, double best_objective,
                        double best_budget, double budget_limit) {
    if (current_objective > best_objective && current_budget <= budget_limit) return true;
    return std::fabs(current_objective - best_objective) <= kEqualObjective && current_budget < best_budget;
}

GoalMoveLimits goal_move_limits(const std::vector<MeasureCandidates>& candidates, int transaction_costs) {
    GoalMoveLimits limits;
    int with_candidates = 0;
    for (const MeasureCandidates& c : candidates) {
        const int available = static_cast<int>(c.list.size());
        limits.available.push_back(available);
        limits.floor_payment.push_back(
            c.list.empty() ? 0.0 : uniform_payment(transaction_costs, 0.0, record_cost(c.list.front())));
        limits.payment_step_high.push_back(std::max(0.1, 0.1 * CostRange(c.list)));
        limits.count_step_high.push_back(std::max(1, static_cast<int>(0.05 * available)));
        with_candidates += available > 0 ? 1 : 0;
    }
    limits.measures_per_move = std::max(1, static_cast<int>(0.2 * with_candidates));
    return limits;
}

void goal_move(const GoalMoveLimits& limits, const std::vector<int>& current_participants,
               std::vector<double>& payment, std::vector<int>& max_count) {
    const int k = static_cast<int>(static_cast<long long>(rand15()) * limits.measures_per_move / 32768) + 1;
    std::vector<int> open;
    for (std::size_t m = 0; m < limits.available.size(); ++m)
        if (limits.available[m] > 0) open.push_back(static_cast<int>(m));
    std::vector<int> drawn;
    for (int j = 0; j < k && !open.empty(); ++j) {
        const std::size_t index =
            static_cast<std::size_t>(static_cast<long long>(rand15()) * static_cast<long long>(open.size()) / 32768);
        drawn.push_back(open[index]);
        open.erase(open.begin() + static_cast<std::ptrdiff_t>(index));
    }

    for (int mi : drawn) {
        const std::size_t m = static_cast<std::size_t>(mi);
        if (payment[m] <= 0.0) payment[m] = limits.floor_payment[m];
        const bool down = rand15() / 16384 == 1;
        const double step = 0.1 + static_cast<double>(rand15()) / RAND15_MAX * (limits.payment_step_high[m] - 0.1);
        payment[m] += down ? -step : step;
        if (limits.floor_payment[m] > payment[m]) {
            // Below what its best pixel needs: the measure is switched off.
            payment[m] = 0.0;
            max_count[m] = 0;
            continue;
        }
        const int magnitude =
            static_cast<int>(static_cast<long long>(rand15()) * (limits.count_step_high[m] + 1) / 32768);
        const bool count_down = rand15() / 16384 == 1;
        int delta = count_down ? -magnitude : magnitude;
        // No increase while the limit does not bind.
        if (m < current_participants.size() && current_participants[m] < max_count[m] && delta > 0) delta = 0;
        max_count[m] = std::clamp(max_count[m] + delta, 0, limits.available[m]);
    }
}

OptimisationResult GoalMaximisationRun(DatabaseAccess& db, const GoalMaximisationInput& input, Feedback* feedback) {
    return GoalMaximisationRun(evaluate_area(db, input.evaluation, input.seed, feedback), input, feedback);
}

OptimisationResult goal_closed_form(AllocationEngine& engine, const std::vector<MeasureCandidates>& candidates,
                                    std::size_t only, const GoalMaximisationInput& input) {
    const int tc = input.transaction_costs;
    const std::size_t n = candidates.size();
    std::vector<double> payment(n, 0.0);
    std::vector<int> count(n, 0);
    const std::vector<PixelResult>& list = candidates[only].list;
    const int k = AffordableCount(tc, input.budget, 0.0, list);
    if (k >= 0) {
        payment[only] = uniform_payment(tc, 0.0, record_cost(list[static_cast<std::size_t>(k)]));
        count[only] = k + 1;
    }
    AllocationEngine::Outcome outcome;
    engine.run(payment, count, tc, outcome);
    return engine.materialise(outcome, payment, count, tc);
}

OptimisationResult goal_annealing(AllocationEngine& engine, const std::vector<MeasureCandidates>& candidates,
                                  const GoalMaximisationInput& input, const StartSolution& start,
                                  Feedback* feedback) {
    const int tc = input.transaction_costs;
    const double budget_limit = input.budget;
    const std::vector<double>& weight = input.weight;

    struct Solution {
        std::vector<double> payment;
        std::vector<int> max_count;
        AllocationEngine::Outcome outcome;
        double objective = 0.0;
    };
    Solution current{start.payment, start.max_count, {}, 0.0};
    engine.run(current.payment, current.max_count, tc, current.outcome);
    current.objective = weighted_objective(weight, current.outcome.effective_area);
    Solution best = current;

    const double t0 = goal_start_temperature(current.objective);
    long long iterations = 0;
    if (t0 > kEndTemperature) {
        const double alpha = std::exp(std::log(kEndTemperature / t0) / kCoolingSteps);
        const GoalMoveLimits limits = goal_move_limits(candidates, tc);
        Solution candidate = current;
        double temperature = t0;
        while (temperature > kEndTemperature) {
            if (feedback && feedback->cancelled()) break;
            std::copy(current.payment.begin(), current.payment.end(), candidate.payment.begin());
            std::copy(current.max_count.begin(), current.max_count.end(), candidate.max_count.begin());
            goal_move(limits, current.outcome.participants, candidate.payment, candidate.max_count);
            engine.run(candidate.payment, candidate.max_count, tc, candidate.outcome);
            candidate.objective = weighted_objective(weight, candidate.outcome.effective_area);

            if (goal_acceptance(current.objective, candidate.objective, candidate.outcome.budget, budget_limit,
                                temperature))
                std::swap(current, candidate);

            if (goal_replaces_best(current.objective, current.outcome.budget, best.objective, best.outcome.budget,
                                   budget_limit)) {
                best.payment = current.payment;
                best.max_count = current.max_count;
                best.outcome.budget = current.outcome.budget;
                best.outcome.effective_area = current.outcome.effective_area;
                best.outcome.participants = current.outcome.participants;
                best.outcome.picks = current.outcome.picks;
                best.objective = current.objective;
            }

            temperature *= alpha;
            ++iterations;
            if (feedback && iterations % kReportEvery == 0) {
                Feedback::Progress progress;
                progress.step = iterations;
                progress.total = kCoolingSteps;
                progress.value = temperature;
                progress.best = best.objective;
                progress.best_amount = best.objective;  // weighted effective area, ha
                progress.stage = "goal maximisation";
                feedback->report(progress);
            }
        }
    }

    OptimisationResult result = engine.materialise(best.outcome, best.payment, best.max_count, tc);
    result.iterations = iterations;
    return result;
}

OptimisationResult GoalMaximisationRun(EvaluatedArea area, const GoalMaximisationInput& input, Feedback* feedback) {
    if (input.seed) seed_random(*input.seed);
    const int species = static_cast<int>(input.weight.size());

    std::vector<MeasureCandidates> candidates = sorted_candidates(std::move(area.lists));
    int with_candidates = 0;
    std::size_t only = 0;
    for (std::size_t m = 0; m < candidates.size(); ++m) {
        if (candidates[m].list.empty()) continue;
        ++with_candidates;
        only = m;
    }

    if (with_candidates == 0) {
        OptimisationResult empty;
        empty.effective_area.assign(static_cast<std::size_t>(species), 0.0);
        return empty;
    }

    AllocationEngine engine(candidates, area.raster_rows, area.raster_columns, species, PIXEL_AREA_HA);
    // One measure with candidates: the closed form.
    if (with_candidates == 1) return goal_closed_form(engine, candidates, only, input);

    // Two or more measures: start heuristic, then annealing.
    const StartSolution start = StartHeuristic(input.budget, input.weight, input.transaction_costs, candidates,
                                               input.evaluation.measures, "MaxErrEffGew=12", "MitKonku",
                                               "AnteilKostendifferenz", 0.35, feedback);
    return goal_annealing(engine, candidates, input, start, feedback);
}

}  // namespace pravel
