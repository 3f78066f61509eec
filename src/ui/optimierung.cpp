#include "ui/optimierung.h"

#include <QLineEdit>

#include "common/numeric_input.h"
#include "optimisation/budget_minimisation.h"
#include "optimisation/optimisation_lines.h"

namespace pravel {

optimierung::optimierung(QWidget* parent)
    : OptimisationWindow(parent, Texts{kTitle,
                                       {kQualityLabel, kAreaLabel},
                                       {"List of minimum qualities", "List of minimal effective areas (ha)"},
                                       "save to file"}) {
    build();
}

InputProblem optimierung::speciesProblem(bool named, const QString& quality, const QString& area) const {
    return budget_minimisation_species_problem(named, quality.toStdString(), area.toStdString());
}

QLineEdit* optimierung::fieldFor(InputField field) const {
    if (field == InputField::MinimumQuality) return control<QLineEdit>(kQualityLabel);
    if (field == InputField::WantedArea) return control<QLineEdit>(kAreaLabel);
    return nullptr;
}

double optimierung::targetValue(int, const QString& text) const { return parse_real(text.toStdString()); }

InputProblem optimierung::startProblem(const OptimisationInputs& in) const {
    return budget_minimisation_input_problem(in);
}

BudgetMinimisationInput optimierung::searchInput(bool timeDependent) const {
    BudgetMinimisationInput input;
    // Before a run (for the report) no region may be chosen yet.
    input.evaluation.countryID = countryID_.value_or(0);
    input.evaluation.time_dependent_predation = timeDependent;
    input.evaluation.species = species_;
    input.evaluation.minimum_qualities = minimumQualities();
    input.wanted_area_ha = wantedAreas();
    input.evaluation.measures = measures_;
    input.transaction_costs = leadingInteger(transaction_);
    input.evaluation.distance_cost_factor = distanceCostFactor();
    input.seed = seed_;
    return input;
}

OptimisationAnalysis optimierung::analysis(bool timeDependent) const {
    return OptimisationAnalysis(searchInput(timeDependent));
}

std::string optimierung::closingText(const OptimisationResult& result, const std::vector<SpeciesRecord>& species,
                                     const Targets& targets) const {
    return budget_minimisation_closing_text(budget_minimisation_shortfalls(result, species, targets[1]));
}

QString optimierung::goalMissed(const OptimisationResult& result, const std::vector<SpeciesRecord>& species,
                                const Targets& targets) const {
    const auto shortfalls = budget_minimisation_shortfalls(result, species, targets[1]);
    if (shortfalls.empty()) return {};
    QString text = "Goal NOT reached: ";
    for (std::size_t i = 0; i < shortfalls.size(); ++i) {
        if (i) text += "; ";
        text += QString::fromStdString(shortfall_line(shortfalls[i]));
    }
    return text;
}

}  // namespace pravel
