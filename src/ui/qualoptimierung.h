#pragma once
// The window that finds the largest weighted effective area a given budget
// can buy: region, measures and species with an importance and a minimum
// quality each, the budget, then a search run with a progress dialog that
// can end it early with its best solution.
#include "optimisation/goal_maximisation.h"
#include "ui/optimisation_window.h"

namespace pravel {

class qualoptimierung : public OptimisationWindow {
    Q_OBJECT
public:
    static constexpr const char* kTitle = "Goal maximization for given budget";
    static constexpr const char* kImportanceLabel = "Importance";
    static constexpr const char* kBudgetLabel = "Input of the Budget";

    explicit qualoptimierung(QWidget* parent = nullptr);

    const std::vector<double>& minimumQualities() const override { return targets_[1]; }
    // Importance / 100 per species.
    const std::vector<double>& weights() const { return targets_[0]; }
    // The input "Start optimization" hands to the search, read from the
    // window's fields and lists.
    GoalMaximisationInput searchInput(bool timeDependent) const;

protected:
    void addExtraFields(QVBoxLayout* column) override;
    InputProblem speciesProblem(bool named, const QString& importance, const QString& quality) const override;
    QLineEdit* fieldFor(InputField field) const override;
    double targetValue(int index, const QString& text) const override;
    void addStartInputs(OptimisationInputs& in) const override;
    InputProblem startProblem(const OptimisationInputs& in) const override;
    OptimisationAnalysis analysis(bool timeDependent) const override;
    std::string closingText(const OptimisationResult& result, const std::vector<SpeciesRecord>& species,
                            const Targets& targets) const override;
    QString goalMissed(const OptimisationResult& result, const std::vector<SpeciesRecord>& species,
                       const Targets& targets) const override;
    std::vector<std::string> boundCompanions(const OptimisationResult& result, const Targets& targets) const override;

private:
    QLineEdit* budget_ = nullptr;
};

}  // namespace pravel
