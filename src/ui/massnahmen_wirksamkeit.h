#pragma once
// The window that simulates the effectiveness and cost of measures: the user
// picks a region, measures and target species with a minimum quality each,
// runs the evaluation once for all of them and reads one block of lines per
// measure in "Result". Every control carries its label as object name.
#include "core/effectiveness.h"
#include "ui/evaluation_window.h"

namespace pravel {

class massnahmen_wirksamkeit : public EvaluationWindow {
    Q_OBJECT
public:
    static constexpr const char* kTitle = "Simulation of the effectiveness and cost of measures";

    // Opens its own connection and empties the result tables of earlier
    // windows.
    explicit massnahmen_wirksamkeit(QWidget* parent = nullptr);

    // The latest completed run; null before the first one.
    const EffectivenessRun* lastRun() const { return lastRun_ ? &*lastRun_ : nullptr; }

protected:
    void addMeasureControls(QVBoxLayout* middle) override;
    void addMeasureLists(QVBoxLayout* right) override;
    InputProblem speciesProblem(bool named, const std::string& quality) const override;
    void runSimulation() override;
    void writeVisualisation() override;

private:
    void addMeasures(const std::vector<MeasureRecord>& measures, bool withDensity);
    void addMeasure(const MeasureRecord& measure, const QString& line);

    // The measure the cascade completed last; the add button lists it.
    std::optional<std::pair<MeasureRecord, QString>> pending_;
    std::optional<EffectivenessRun> lastRun_;
};

}  // namespace pravel
