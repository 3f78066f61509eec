#include "ui/optimierung.h"

#include <QLineEdit>

#include "common/numeric_input.h"
#include "optimisation/budget_minimisation.h"
#include "optimisation/configuration_store.h"
#include "optimisation/report_file.h"

namespace pravel {

optimierung::optimierung(QWidget* parent)
    : OptimisationWindow(parent, Texts{kTitle,
                                       {kQualityLabel, kAreaLabel},
                                       {"List of minimum qualities", "List of minimal effective areas (ha)"},
                                       "save to file"}) {
    build();
}

std::string optimierung::speciesProblem(bool named, const QString& quality, const QString& area) const {
    return budget_minimisation_species_problem(named, quality.toStdString(), area.toStdString());
}

QLineEdit* optimierung::fieldFor(const std::string& problem) const {
    if (problem == kMinQualityNotNumber || problem == kMinQualityOutOfRange) return control<QLineEdit>(kQualityLabel);
    if (problem == kMinAreaNotNumber || problem == kMinAreaNotPositive) return control<QLineEdit>(kAreaLabel);
    return nullptr;
}

double optimierung::targetValue(int, const QString& text) const { return parse_real(text.toStdString()); }

std::string optimierung::startProblem(const OptimisationInputs& in) const {
    return budget_minimisation_input_problem(in);
}

BudgetMinimisationInput optimierung::searchInput(bool timeDependent) const {
    BudgetMinimisationInput input;
    input.countryID = *countryID_;
    input.time_dependent_predation = timeDependent;
    input.species = species_;
    input.minimum_quality = minimumQualities();
    input.wanted_area_ha = wantedAreas();
    input.measures = measures_;
    input.transaction_costs = leadingInteger(transaction_);
    input.distance_cost_factor = distanceCostFactor();
    input.seed = seed_;
    return input;
}

SearchOutcome optimierung::search(bool timeDependent, SearchMethod method, Feedback& feedback) {
    return minimise_budget(*db_, searchInput(timeDependent), method, &feedback);
}

std::string optimierung::boundLine(const CostOnlyBound& bound) const { return budget_bound_line(bound); }

OptimisationLines optimierung::resultLines(const OptimisationResult& result) const {
    return budget_minimisation_lines(result, measures_, species_, wantedAreas(), pixelArea());
}

std::string optimierung::report(const ReportSelection& selection, const OptimisationResult& result) const {
    return budget_minimisation_report(selection, wantedAreas(), result);
}

std::optional<int> optimierung::storeResult(const OptimisationResult& result, const std::optional<std::string>& name,
                                            long long clock) {
    return store_budget_minimisation(*db_, result, measures_, *countryID_, name, clock);
}

}  // namespace pravel
