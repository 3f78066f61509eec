#pragma once
// What the two evaluation windows share: region, species with a minimum
// quality each, the measure cascade, predation, transaction costs and the
// distance cost factor, "Run simulation" with a progress dialog whose Cancel
// ends the run without a result, the "Result" list, "Visualize" and "Close
// window". Each window adds its own measure inputs and lists, checks, run,
// result map rows and buttons. Every control carries its label as object name.
#include <QDialog>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/feedback.h"
#include "common/input_problem.h"
#include "store/measure_store.h"
#include "store/profile_store.h"
#include "ui/progress_dialog.h"

class QHBoxLayout;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;
class QVBoxLayout;

namespace pravel {

class DatabaseAccess;
class PredationChoice;
class MeasureCascade;

class EvaluationWindow : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* kQualityLabel = "Minimum quality per pixel (0 insufficient, 1 best quality)";
    static constexpr const char* kTransactionLabel =
        "Input of transaction cost (Euro/ha)     (applies to all measures)";
    static constexpr const char* kFactorLabel = "Factor for distance costs";
    static constexpr const char* kThreadsLabel = "Threads of the evaluation";
    // Above "Result": which run the lines belong to.
    static constexpr const char* kRunShownLabel = "Run shown";

    ~EvaluationWindow() override;

    // The control whose object name (its label) is `name`, or null.
    template <class W>
    W* control(const char* name) const {
        return findChild<W*>(QString::fromUtf8(name));
    }
    MeasureCascade* cascade() const { return cascade_; }
    const std::vector<MeasureRecord>& chosenMeasures() const { return measures_; }
    const std::vector<SpeciesRecord>& chosenSpecies() const { return species_; }
    const std::vector<double>& minimumQualities() const { return qualities_; }
    // The visualisation map opened by the latest "Visualize", or null.
    QWidget* lastMap() const { return lastMap_; }

    // Watches the progress dialog of each run (see ProgressObserver).
    void setProgressObserver(ProgressObserver observer) { progressObserver_ = std::move(observer); }

protected:
    // What tells the windows apart in the shared part.
    struct Setup {
        const char* title;
        // The group box holding the species lists, quality and "Copy values";
        // null: they stand in the left column itself.
        const char* speciesGroup;
        // Whether "Copy values" empties the quality field after listing a species.
        bool clearQualityOnCopy;
        // Whether the lists of chosen measures stand above the results rather
        // than beside them (lists with long captions, in a window of its own
        // width).
        bool measureListsOverResults;
    };

    // Opens its own connection; closing the window deletes it and with it the
    // connection. A CMainFrame parent receives the result map of "Visualize".
    // The derived window calls build() from its constructor.
    EvaluationWindow(QWidget* parent, const Setup& setup);
    // Builds the controls, connects the shared ones and fills the region and
    // species lists.
    void build();

    // The measure inputs below the cascade.
    virtual void addMeasureControls(QVBoxLayout* middle) = 0;
    // The list of chosen measures and its companions; sets measureList_.
    virtual void addMeasureLists(QVBoxLayout* right) = 0;
    // Buttons between "Visualize" and "Close window" (none by default).
    virtual void addResultButtons(QHBoxLayout* row);
    // The refusal of a species with this minimum-quality text, or an empty
    // problem.
    virtual InputProblem speciesProblem(bool named, const std::string& quality) const = 0;
    // Called when a region entry is selected; sets countryID_.
    virtual void onRegionChanged();
    // Removes what the window keeps beside a chosen measure at `row`
    // (nothing by default); the measure and its list entry are gone already.
    virtual void removeMeasureDetails(int row);
    virtual void runSimulation() = 0;
    // Writes the rows of the latest run that the result map shows.
    virtual void writeVisualisation() = 0;

    // Calls `evaluate` with the feedback of a progress dialog when the inputs
    // pass their checks (`checked`), with none otherwise; the dialog is gone
    // when it returns.
    void runWithProgress(bool checked, const std::function<void(Feedback*)>& evaluate);
    // Tells the message of a stopped run (giving the factor or transaction
    // field the focus) or that it was cancelled; shows the lines of a
    // completed one in "Result" in place of the earlier run's, under a
    // heading naming the run. True for a completed run.
    bool showOutcome(const std::string& message, InputField field, bool cancelled, const std::vector<std::string>& lines);

    std::unique_ptr<DatabaseAccess> db_;
    std::optional<int> countryID_;
    std::vector<MeasureRecord> measures_;
    std::vector<SpeciesRecord> species_;
    std::vector<double> qualities_;
    QLineEdit* transaction_ = nullptr;
    QLineEdit* factor_ = nullptr;
    QListWidget* measureList_ = nullptr;
    QListWidget* speciesList_ = nullptr;
    PredationChoice* predation_ = nullptr;
    QPushButton* speciesCopy_ = nullptr;
    QPushButton* visualize_ = nullptr;
    QSpinBox* threads_ = nullptr;

private:
    void buildLeftColumn(QVBoxLayout* left);
    void buildRightColumn(QVBoxLayout* right, QVBoxLayout* results);
    void addSpecies();
    void removeMeasure(int row);
    void removeSpecies(int row);
    void visualize();

    Setup setup_;
    MeasureCascade* cascade_ = nullptr;
    QListWidget* region_ = nullptr;
    QListWidget* dutch_ = nullptr;
    QListWidget* latin_ = nullptr;
    QListWidget* savedOn_ = nullptr;
    QLineEdit* quality_ = nullptr;
    QListWidget* qualityList_ = nullptr;
    QListWidget* result_ = nullptr;
    QLabel* runShown_ = nullptr;
    QPushButton* run_ = nullptr;
    QPushButton* close_ = nullptr;
    QPointer<QWidget> lastMap_;
    ProgressObserver progressObserver_;
};

}  // namespace pravel
