#include "ui/qualoptimierung.h"

#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "common/numeric_input.h"
#include "optimisation/goal_maximisation.h"
#include "optimisation/optimisation_lines.h"
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

InputProblem qualoptimierung::speciesProblem(bool named, const QString& importance, const QString& quality) const {
    return goal_maximisation_species_problem(named, importance.toStdString(), quality.toStdString());
}

QLineEdit* qualoptimierung::fieldFor(InputField field) const {
    if (field == InputField::Importance) return control<QLineEdit>(kImportanceLabel);
    if (field == InputField::MinimumQuality) return control<QLineEdit>(kQualityLabel);
    if (field == InputField::Budget) return budget_;
    return nullptr;
}

double qualoptimierung::targetValue(int index, const QString& text) const {
    // The importance is entered in per cent and weighs as a share.
    const double value = parse_real(text.toStdString());
    return index == 0 ? value / 100.0 : value;
}

void qualoptimierung::addStartInputs(OptimisationInputs& in) const { in.budget = budget_->text().toStdString(); }

InputProblem qualoptimierung::startProblem(const OptimisationInputs& in) const {
    return goal_maximisation_input_problem(in);
}

GoalMaximisationInput qualoptimierung::searchInput(bool timeDependent) const {
    GoalMaximisationInput input;
    // Before a run (for the report) no region may be chosen yet.
    input.evaluation.countryID = countryID_.value_or(0);
    input.evaluation.time_dependent_predation = timeDependent;
    input.evaluation.species = species_;
    input.evaluation.minimum_qualities = minimumQualities();
    input.weight = weights();
    input.evaluation.measures = measures_;
    input.transaction_costs = leadingInteger(transaction_);
    input.budget = leadingInteger(budget_);
    input.evaluation.distance_cost_factor = distanceCostFactor();
    input.seed = seed_;
    return input;
}

OptimisationAnalysis qualoptimierung::analysis(bool timeDependent) const {
    return OptimisationAnalysis(searchInput(timeDependent));
}

std::string qualoptimierung::closingText(const OptimisationResult& result, const std::vector<SpeciesRecord>& species,
                                         const Targets&) const {
    return goal_maximisation_closing_text(result, species);
}

QString qualoptimierung::goalMissed(const OptimisationResult& result, const std::vector<SpeciesRecord>&,
                                    const Targets&) const {
    if (!spends_nothing(result)) return {};
    return "Goal NOT reached: nothing of the budget was spent.";
}

// The bound is a weighted area; the achieved one in the same unit stands
// right under it.
std::vector<std::string> qualoptimierung::boundCompanions(const OptimisationResult& result,
                                                          const Targets& targets) const {
    return {goal_achieved_line(result, targets[0])};
}

}  // namespace pravel
