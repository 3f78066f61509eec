#include "ui/qualoptimierung.h"

#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "common/numeric_input.h"
#include "optimisation/configuration_store.h"
#include "optimisation/goal_maximisation.h"
#include "optimisation/report_file.h"
#include "ui/window_parts.h"

namespace pravel {

qualoptimierung::qualoptimierung(QWidget* parent)
    : OptimisationWindow(parent, Texts{kTitle,
                                       {kImportanceLabel, kQualityLabel},
                                       {"List of specified importance", "List of minimum qualities"},
                                       "Save to file"}) {
    build();
    auto* quality = control<QLineEdit>(kQualityLabel);
    connect(budget_, &QLineEdit::editingFinished, this, [this] { checkField(CheckedField::Budget, budget_); });
    connect(quality, &QLineEdit::editingFinished, this,
            [this, quality] { checkField(CheckedField::MinimumQuality, quality); });
}

void qualoptimierung::addExtraFields(QVBoxLayout* column) {
    column->addWidget(label(kBudgetLabel, this));
    budget_ = namedField(kBudgetLabel, this);
    column->addWidget(budget_);
}

std::string qualoptimierung::speciesProblem(bool named, const QString& importance, const QString& quality) const {
    return goal_maximisation_species_problem(named, importance.toStdString(), quality.toStdString());
}

QLineEdit* qualoptimierung::fieldFor(const std::string& problem) const {
    if (problem == kMaxWeightNotNumber || problem == kMaxWeightOutOfRange) return control<QLineEdit>(kImportanceLabel);
    if (problem == kMaxQualityNotNumber) return control<QLineEdit>(kQualityLabel);
    if (problem == kMaxBudgetMissing) return budget_;
    return nullptr;
}

double qualoptimierung::targetValue(int index, const QString& text) const {
    // The importance is entered in per cent and weighs as a share.
    const double value = parse_real(text.toStdString());
    return index == 0 ? value / 100.0 : value;
}

void qualoptimierung::addStartInputs(OptimisationInputs& in) const { in.budget = budget_->text().toStdString(); }

std::string qualoptimierung::startProblem(const OptimisationInputs& in) const {
    return goal_maximisation_input_problem(in);
}

GoalMaximisationInput qualoptimierung::searchInput(bool timeDependent) const {
    GoalMaximisationInput input;
    input.countryID = *countryID_;
    input.time_dependent_predation = timeDependent;
    input.species = species_;
    input.minimum_quality = minimumQualities();
    input.weight = weights();
    input.measures = measures_;
    input.transaction_costs = leadingInteger(transaction_);
    input.budget = leadingInteger(budget_);
    input.distance_cost_factor = distanceCostFactor();
    input.seed = seed_;
    return input;
}

SearchOutcome qualoptimierung::search(bool timeDependent, SearchMethod method, Feedback& feedback) {
    return maximise_goal(*db_, searchInput(timeDependent), method, &feedback);
}

std::string qualoptimierung::boundLine(const CostOnlyBound& bound) const { return goal_bound_line(bound); }

OptimisationLines qualoptimierung::resultLines(const OptimisationResult& result) const {
    return goal_maximisation_lines(result, measures_, species_, pixelArea());
}

std::string qualoptimierung::report(const ReportSelection& selection, const OptimisationResult& result) const {
    return goal_maximisation_report(selection, leadingInteger(budget_), result);
}

std::optional<int> qualoptimierung::storeResult(const OptimisationResult& result,
                                                const std::optional<std::string>& name, long long clock) {
    return store_goal_maximisation(*db_, result, measures_, *countryID_, name, clock);
}

}  // namespace pravel
