#pragma once
// The window that simulates an agri-environmental programme: the user sets a
// payment per hectare and a maximal area for each chosen measure, picks the
// target species with a minimum quality each, and one run shows which pixels
// take part, the budget and the effective area per species. Every control
// carries its label as object name; the two "Copy values" buttons are told
// apart by their group boxes.
#include <string>

#include "optimisation/report_file.h"
#include "simulation/programme_simulation.h"
#include "ui/evaluation_window.h"

namespace pravel {

class zahlungssimulierung : public EvaluationWindow {
    Q_OBJECT
public:
    static constexpr const char* kTitle = "Simulation of agri-environmental programmes";
    static constexpr const char* kPaymentLabel = "Payment (Euro/ha)";
    static constexpr const char* kAreaLabel = "Maximal area (ha)";
    static constexpr const char* kPixelListLabel = "List of numbers of pixels that the measure can be applied to.";

    explicit zahlungssimulierung(QWidget* parent = nullptr);

    QPushButton* measureCopyButton() const { return measureCopy_; }
    QPushButton* speciesCopyButton() const { return speciesCopy_; }
    const std::vector<int>& maximumCounts() const { return maxCounts_; }
    double pixelArea() const { return pixelArea_; }
    // The latest completed run; null before the first one.
    const ProgrammeRun* lastRun() const { return lastRun_ ? &*lastRun_ : nullptr; }

    // The report text of the latest run with the selection it ran on; before
    // any run, of the current selection.
    std::string reportText() const;
    // Writes the report to `path`; failures are told through the notifier.
    bool saveReport(const QString& path);

protected:
    void addMeasureControls(QVBoxLayout* middle) override;
    void addMeasureLists(QVBoxLayout* right) override;
    void addResultButtons(QHBoxLayout* row) override;
    InputProblem speciesProblem(bool named, const std::string& quality) const override;
    void onRegionChanged() override;
    void removeMeasureDetails(int row) override;
    void runSimulation() override;
    void writeVisualisation() override;

private:
    // What the report lists beside a run's figures.
    struct Selection {
        ReportSelection report;
        std::vector<int> max_counts;
    };
    Selection currentSelection() const;
    void addMeasure();
    void saveToFile();

    QLineEdit* selectedMeasure_ = nullptr;
    QLineEdit* payment_ = nullptr;
    QLineEdit* area_ = nullptr;
    QListWidget* paymentList_ = nullptr;
    QListWidget* pixelList_ = nullptr;
    QPushButton* measureCopy_ = nullptr;
    QPushButton* save_ = nullptr;

    double pixelArea_ = 0.0;
    std::vector<int> maxCounts_;
    // The measure the cascade completed last, shown in "Selected measure".
    std::optional<MeasureRecord> pending_;
    std::optional<ProgrammeRun> lastRun_;
    std::optional<Selection> lastSelection_;
};

}  // namespace pravel
