#include "optimisation/search_method.h"

#include <chrono>
#include <cstdio>

#include "common/feedback.h"

namespace pravel {

namespace {

using Clock = std::chrono::steady_clock;

std::string printed(const char* format, double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, format, value);
    return buffer;
}

double seconds_since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// The channel of an annealing run: passes progress, Cancel and messages
// between the run and the caller's channel (if any) and, when the options
// limit the annealing, cancels the run once the search has taken longer
// than the limit. The annealing sees a Cancel at its next progress report.
class AnnealingChannel {
public:
    AnnealingChannel(Feedback* outer, const BreakpointSearchOptions& options)
        : outer_(outer), limited_(options.limit_annealing), limit_(options.time_limit_seconds), start_(Clock::now()),
          own_([this](const Feedback::Progress& p) { on_progress(p); }) {
        if (outer_) own_.set_messages(outer_->message_handler());
    }

    // Null when neither a caller's channel nor a limit needs one.
    Feedback* feedback() { return outer_ || limited_ ? &own_ : nullptr; }
    double seconds() const { return seconds_since(start_); }
    bool cancelled() const { return outer_ && outer_->cancelled(); }
    bool limit_reached() const { return limit_reached_; }

private:
    void on_progress(const Feedback::Progress& p) {
        if (outer_) {
            outer_->report(p);
            if (outer_->cancelled()) own_.cancel();
        }
        if (limited_ && seconds() > limit_) {
            limit_reached_ = true;
            own_.cancel();
        }
    }

    Feedback* outer_;
    bool limited_;
    double limit_;
    Clock::time_point start_;
    bool limit_reached_ = false;
    Feedback own_;
};

SearchReport annealing_report(const std::optional<std::uint32_t>& seed, const AnnealingChannel& channel,
                              const OptimisationResult& r, const std::vector<double>& wanted, bool answer) {
    SearchReport report;
    report.method = search_method_label(SearchMethod::Annealing);
    report.seed = seed;
    report.seconds = channel.seconds();
    report.evaluations = r.iterations + 1;  // the start solution and every iteration
    report.cancelled = channel.cancelled();
    report.time_limit_reached = channel.limit_reached();
    report.solution = answer || !(report.cancelled || report.time_limit_reached);
    report.wanted = wanted;
    report.achieved = r.effective_area;
    return report;
}

// The bound is worked out unless the user cancelled the run: a Cancel asks
// for the run to end, and the bound may take a while on a large area.
bool bound_wanted(const Feedback* feedback) { return !(feedback && feedback->cancelled()); }

// The bound has no progress of its own: its start and its end.
void bound_progress(Feedback* feedback, long long done) {
    if (feedback) feedback->report({done, 1, 0.0, 0.0, kBoundStage});
}

}  // namespace

const char* search_method_label(SearchMethod method) {
    return method == SearchMethod::Breakpoint ? "breakpoint search" : "annealing";
}

std::optional<SearchMethod> parse_search_method(const std::string& name) {
    if (name == "breakpoint") return SearchMethod::Breakpoint;
    if (name == "annealing") return SearchMethod::Annealing;
    return std::nullopt;
}

SearchOutcome minimise_budget(const EvaluatedArea& area, const BudgetMinimisationInput& input, SearchMethod method,
                              Feedback* feedback, const BreakpointSearchOptions& options) {
    SearchOutcome out;
    if (method == SearchMethod::Breakpoint) {
        out.result = BreakpointBudgetMinimisation(area, input, options, feedback, &out.report);
    } else {
        AnnealingChannel channel(feedback, options);
        out.result = BudgetMinimisationRun(area, input, channel.feedback());
        out.report = annealing_report(input.seed, channel, out.result, input.wanted_area_ha,
                                      reaches_every_target(input.wanted_area_ha, out.result.effective_area));
    }
    if (bound_wanted(feedback)) {
        bound_progress(feedback, 0);
        out.bound = cost_only_budget_bound(area.lists, input.wanted_area_ha, input.transaction_costs, area.pixel_area);
        bound_progress(feedback, 1);
    }
    return out;
}

SearchOutcome maximise_goal(const EvaluatedArea& area, const GoalMaximisationInput& input, SearchMethod method,
                            Feedback* feedback, const BreakpointSearchOptions& options) {
    SearchOutcome out;
    if (method == SearchMethod::Breakpoint) {
        out.result = BreakpointGoalMaximisation(area, input, options, feedback, &out.report);
    } else {
        AnnealingChannel channel(feedback, options);
        out.result = GoalMaximisationRun(area, input, channel.feedback());
        // The start heuristic is complete before the annealing can stop.
        out.report = annealing_report(input.seed, channel, out.result, {}, true);
    }
    if (bound_wanted(feedback)) {
        bound_progress(feedback, 0);
        out.bound = cost_only_goal_bound(area.lists, input.weight, input.budget, input.transaction_costs);
        bound_progress(feedback, 1);
    }
    return out;
}

// The breakpoint search from the database works on the compact lists: the
// bound first, on the lists in evaluation order (so that its own form is
// given back before the search builds its model), then the search on the
// sorted lists. The annealing works on the full records.
SearchOutcome minimise_budget(DatabaseAccess& db, const BudgetMinimisationInput& input, SearchMethod method,
                              Feedback* feedback, const BreakpointSearchOptions& options) {
    if (method != SearchMethod::Breakpoint)
        return minimise_budget(evaluate_area(db, input.evaluation, input.seed, feedback), input, method, feedback,
                               options);
    CandidateLists candidates = evaluate_candidates(db, input.evaluation, input.seed, feedback);
    SearchOutcome out;
    if (bound_wanted(feedback)) {
        bound_progress(feedback, 0);
        out.bound = cost_only_budget_bound(candidates, input.wanted_area_ha, input.transaction_costs,
                                           candidates.pixel_area);
        bound_progress(feedback, 1);
    }
    sort_by_net_value(candidates);
    out.result = BreakpointBudgetMinimisation(candidates, input, options, feedback, &out.report);
    return out;
}

SearchOutcome maximise_goal(DatabaseAccess& db, const GoalMaximisationInput& input, SearchMethod method,
                            Feedback* feedback, const BreakpointSearchOptions& options) {
    if (method != SearchMethod::Breakpoint)
        return maximise_goal(evaluate_area(db, input.evaluation, input.seed, feedback), input, method, feedback,
                             options);
    CandidateLists candidates = evaluate_candidates(db, input.evaluation, input.seed, feedback);
    SearchOutcome out;
    if (bound_wanted(feedback)) {
        bound_progress(feedback, 0);
        out.bound = cost_only_goal_bound(candidates, input.weight, input.budget, input.transaction_costs);
        bound_progress(feedback, 1);
    }
    sort_by_net_value(candidates);
    out.result = BreakpointGoalMaximisation(candidates, input, options, feedback, &out.report);
    return out;
}

std::string budget_bound_line(const CostOnlyBound& bound) {
    const std::string head = "Least possible budget if each farmer were paid their own cost: ";
    if (!bound.solved) return head + "not worked out";
    if (!bound.reachable) return head + "none, the wanted areas cannot be reached";
    return head + printed("%.2f", bound.value) + " Euro";
}

std::string goal_bound_line(const CostOnlyBound& bound) {
    const std::string head = "Largest weighted effective area the budget could buy if each farmer were paid their own cost: ";
    if (!bound.solved || !bound.reachable) return head + "not worked out";
    return head + printed("%.2f", bound.value) + " ha";
}

std::vector<std::string> search_report_lines(const SearchReport& report, const std::vector<std::string>& species_names) {
    std::vector<std::string> lines;
    lines.push_back("Search method: " + report.method);
    lines.push_back("Seed: " + (report.seed ? std::to_string(*report.seed) : std::string("from the clock")));
    lines.push_back("Seconds: " + printed("%.2f", report.seconds) +
                    (!report.solution              ? std::string(" (") + kStoppedBeforeSolution + ")"
                     : report.cancelled          ? std::string(" (cancelled, best so far)")
                     : report.time_limit_reached ? std::string(" (time limit)")
                                                 : std::string()));
    lines.push_back("Allocations evaluated: " + std::to_string(report.evaluations));
    for (std::size_t s = 0; s < report.achieved.size(); ++s) {
        const std::string name = s < species_names.size() ? species_names[s] : std::to_string(s + 1);
        std::string line = name + ": ";
        if (s < report.wanted.size()) {
            line += "wanted " + printed("%.2f", report.wanted[s]) + " ha, achieved " +
                    printed("%.2f", report.achieved[s]) + " ha, share " +
                    printed("%.1f", 100.0 * reached_share(report.wanted[s], report.achieved[s])) + " %";
        } else {
            line += "achieved " + printed("%.2f", report.achieved[s]) + " ha";
        }
        lines.push_back(line);
    }
    return lines;
}

}  // namespace pravel
