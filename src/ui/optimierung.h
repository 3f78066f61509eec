#pragma once
// The window that finds the smallest budget reaching a wanted effective area
// for each chosen species: region, measures and species with a minimum
// quality and a wanted area each, then a search run with a progress dialog
// that can end it early with its best solution.
#include "optimisation/budget_minimisation.h"
#include "ui/optimisation_window.h"

namespace pravel {

class optimierung : public OptimisationWindow {
    Q_OBJECT
public:
    static constexpr const char* kTitle = "Budget minimization for given goal";
    static constexpr const char* kAreaLabel = "Minimal effective area (ha)";

    explicit optimierung(QWidget* parent = nullptr);

    const std::vector<double>& minimumQualities() const override { return targets_[0]; }
    const std::vector<double>& wantedAreas() const { return targets_[1]; }
    // The input "Start optimization" hands to the search, read from the
    // window's fields and lists.
    BudgetMinimisationInput searchInput(bool timeDependent) const;

protected:
    InputProblem speciesProblem(bool named, const QString& quality, const QString& area) const override;
    QLineEdit* fieldFor(InputField field) const override;
    double targetValue(int index, const QString& text) const override;
    InputProblem startProblem(const OptimisationInputs& in) const override;
    OptimisationAnalysis analysis(bool timeDependent) const override;
    std::string closingText(const OptimisationResult& result, const std::vector<SpeciesRecord>& species,
                            const Targets& targets) const override;
    QString goalMissed(const OptimisationResult& result, const std::vector<SpeciesRecord>& species,
                       const Targets& targets) const override;
};

}  // namespace pravel
