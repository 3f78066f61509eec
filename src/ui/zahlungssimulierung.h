#pragma once
// The window that simulates an agri-environmental programme: the user sets a
// payment per hectare and a maximal area for each chosen measure, picks the
// target species with a minimum quality each, and one run shows which pixels
// take part, the budget and the effective area per species. Every control
// carries its label as object name; the two "Copy values" buttons are told
// apart by their group boxes.
#include <QDialog>
#include <QPointer>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "simulation/programme_simulation.h"
#include "ui/progress_dialog.h"

class QLineEdit;
class QListWidget;
class QPushButton;

namespace pravel {

class DatabaseAccess;
class PredationChoice;
class MeasureCascade;

class zahlungssimulierung : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* kTitle = "Simulation of agri-environmental programmes";
    static constexpr const char* kQualityLabel = "Minimum quality per pixel (0 insufficient, 1 best quality)";
    static constexpr const char* kTransactionLabel =
        "Input of transaction cost (Euro/ha)     (applies to all measures)";
    static constexpr const char* kFactorLabel = "Factor for distance costs";
    static constexpr const char* kPaymentLabel = "Payment (Euro/ha)";
    static constexpr const char* kAreaLabel = "Maximal area (ha)";
    static constexpr const char* kPixelListLabel = "List of numbers of pixels that the measure can be applied to.";
    static constexpr const char* kReportFilter = "txt Files (*.txt) |*.txt|All Files (*.*)|*.*||";

    // Opens its own connection; closing the window deletes it and with it the
    // connection. A CMainFrame parent receives the result map of "Visualize".
    explicit zahlungssimulierung(QWidget* parent = nullptr);
    ~zahlungssimulierung() override;

    template <class W>
    W* control(const char* name) const {
        return findChild<W*>(QString::fromUtf8(name));
    }
    MeasureCascade* cascade() const { return cascade_; }
    QPushButton* measureCopyButton() const { return measureCopy_; }
    QPushButton* speciesCopyButton() const { return speciesCopy_; }
    const std::vector<MeasureRecord>& chosenMeasures() const { return measures_; }
    const std::vector<int>& maximumCounts() const { return maxCounts_; }
    const std::vector<SpeciesRecord>& chosenSpecies() const { return species_; }
    const std::vector<double>& minimumQualities() const { return qualities_; }
    double pixelArea() const { return pixelArea_; }
    // The latest completed run; null before the first one.
    const ProgrammeRun* lastRun() const { return lastRun_ ? &*lastRun_ : nullptr; }
    QWidget* lastMap() const { return lastMap_; }

    // Watches the progress dialog of each run (see ProgressObserver).
    void setProgressObserver(ProgressObserver observer) { progressObserver_ = std::move(observer); }

    // The report text of the current selection and the latest run.
    std::string reportText() const;
    // Writes the report to `path`; failures are told through the notifier.
    bool saveReport(const QString& path);

private:
    void buildControls();
    void onRegionChanged();
    void addMeasure();
    void addSpecies();
    void runSimulation();
    void visualize();
    void saveToFile();

    std::unique_ptr<DatabaseAccess> db_;
    MeasureCascade* cascade_ = nullptr;
    QListWidget* region_ = nullptr;
    QListWidget* dutch_ = nullptr;
    QListWidget* latin_ = nullptr;
    QListWidget* savedOn_ = nullptr;
    QLineEdit* quality_ = nullptr;
    QLineEdit* selectedMeasure_ = nullptr;
    QLineEdit* payment_ = nullptr;
    QLineEdit* area_ = nullptr;
    QLineEdit* transaction_ = nullptr;
    QLineEdit* factor_ = nullptr;
    QListWidget* measureList_ = nullptr;
    QListWidget* paymentList_ = nullptr;
    QListWidget* pixelList_ = nullptr;
    QListWidget* speciesList_ = nullptr;
    QListWidget* qualityList_ = nullptr;
    QListWidget* result_ = nullptr;
    PredationChoice* predation_ = nullptr;
    QPushButton* measureCopy_ = nullptr;
    QPushButton* speciesCopy_ = nullptr;
    QPushButton* visualize_ = nullptr;
    QPushButton* save_ = nullptr;
    QPointer<QWidget> lastMap_;

    std::optional<int> countryID_;
    double pixelArea_ = 0.0;
    std::vector<MeasureRecord> measures_;  // payments as entered
    std::vector<int> maxCounts_;
    std::vector<SpeciesRecord> species_;
    std::vector<double> qualities_;
    // The measure the cascade completed last, shown in "Selected measure".
    std::optional<MeasureRecord> pending_;
    std::optional<ProgrammeRun> lastRun_;
    ProgressObserver progressObserver_;
};

}  // namespace pravel
