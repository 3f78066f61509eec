#pragma once
// The window that simulates the effectiveness and cost of measures: the user
// picks a region, measures and target species with a minimum quality each,
// runs the evaluation once for all of them and reads one block of lines per
// measure in "Result". Every control carries its label as object name.
#include <QDialog>
#include <QPointer>

#include <memory>
#include <optional>
#include <vector>

#include "core/effectiveness.h"
#include "ui/progress_dialog.h"

class QLineEdit;
class QListWidget;
class QPushButton;

namespace pravel {

class DatabaseAccess;
class PredationChoice;
class MeasureCascade;

class massnahmen_wirksamkeit : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* kTitle = "Simulation of the effectiveness and cost of measures";
    static constexpr const char* kQualityLabel = "Minimum quality per pixel (0 insufficient, 1 best quality)";
    static constexpr const char* kTransactionLabel =
        "Input of transaction cost (Euro/ha)     (applies to all measures)";
    static constexpr const char* kFactorLabel = "Factor for distance costs";

    // Opens its own connection and empties the result tables of earlier
    // windows. Closing the window deletes it and with it the connection. A CMainFrame parent receives the result map of "Visualize".
    explicit massnahmen_wirksamkeit(QWidget* parent = nullptr);
    ~massnahmen_wirksamkeit() override;

    // The control whose object name (its label) is `name`, or null.
    template <class W>
    W* control(const char* name) const {
        return findChild<W*>(QString::fromUtf8(name));
    }
    MeasureCascade* cascade() const { return cascade_; }
    const std::vector<MeasureRecord>& chosenMeasures() const { return measures_; }
    const std::vector<SpeciesRecord>& chosenSpecies() const { return species_; }
    const std::vector<double>& minimumQualities() const { return qualities_; }
    // The latest completed run; null before the first one.
    const EffectivenessRun* lastRun() const { return lastRun_ ? &*lastRun_ : nullptr; }

    // The visualisation map opened by the latest "Visualize", or null.
    QWidget* lastMap() const { return lastMap_; }

    // Watches the progress dialog of each run (see ProgressObserver).
    void setProgressObserver(ProgressObserver observer) { progressObserver_ = std::move(observer); }

private:
    void buildControls();
    void onRegionChanged();
    void addMeasures(const std::vector<MeasureRecord>& measures, bool withDensity);
    void addMeasure(const MeasureRecord& measure, const QString& line);
    void addSpecies();
    void runSimulation();
    void visualize();

    std::unique_ptr<DatabaseAccess> db_;
    MeasureCascade* cascade_ = nullptr;
    QListWidget* region_ = nullptr;
    QListWidget* dutch_ = nullptr;
    QListWidget* latin_ = nullptr;
    QListWidget* savedOn_ = nullptr;
    QLineEdit* quality_ = nullptr;
    QLineEdit* transaction_ = nullptr;
    QLineEdit* factor_ = nullptr;
    QListWidget* measureList_ = nullptr;
    QListWidget* speciesList_ = nullptr;
    QListWidget* qualityList_ = nullptr;
    QListWidget* result_ = nullptr;
    PredationChoice* predation_ = nullptr;
    QPointer<QWidget> lastMap_;

    std::optional<int> countryID_;
    std::vector<MeasureRecord> measures_;
    std::vector<SpeciesRecord> species_;
    std::vector<double> qualities_;
    // The measure the cascade completed last; the add button lists it.
    std::optional<std::pair<MeasureRecord, QString>> pending_;
    std::optional<EffectivenessRun> lastRun_;
    ProgressObserver progressObserver_;
};

}  // namespace pravel
