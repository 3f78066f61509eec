#pragma once
// What the two optimisation windows share: region, measures and species with
// two target figures each, predation, transaction costs and the distance
// cost factor, a search run with a progress dialog whose Cancel ends it with
// its best solution, the result lists and total, the result map, the report
// file and the named store. Each window adds its own target fields and checks,
// and hands its fields to the optimisation sequence, which searches, writes
// the map rows, gives the result lines and the report and stores; the window
// shows what comes back. Every control carries its label as object name.
#include <QDialog>
#include <QPointer>
#include <QString>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/feedback.h"
#include "optimisation/optimisation_analysis.h"
#include "optimisation/optimisation_lines.h"
#include "optimisation/pixel_allocation.h"
#include "optimisation/report_file.h"
#include "optimisation/search_method.h"
#include "store/measure_store.h"
#include "store/profile_store.h"
#include "ui/progress_dialog.h"

class QComboBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QVBoxLayout;

namespace pravel {

class DatabaseAccess;
class PredationChoice;
class MeasureCascade;
class savename;

class OptimisationWindow : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* kTransactionLabel =
        "Input of transaction cost (Euro/ha)     (applies to all measures)";
    static constexpr const char* kFactorLabel = "Factor for distance costs";
    static constexpr const char* kQualityLabel = "Minimum quality per pixel (0 insufficient, 1 best quality)";
    static constexpr const char* kMeasureResultLabel = "Payment (Euro/ha) and areas (ha) per measure after optimization";
    static constexpr const char* kSpeciesResultLabel = "Effective area (ha) of  species after optimization";
    static constexpr const char* kTotalLabel = "Total budget (Euro) after optimization";
    static constexpr const char* kMethodLabel = "Search method";
    static constexpr const char* kSearchReportLabel = "Search report";
    // Above the results: which run they belong to, and whether it met its goal.
    static constexpr const char* kRunShownLabel = "Run shown";
    static constexpr const char* kGoalStatusLabel = "Goal status";

    ~OptimisationWindow() override;

    template <class W>
    W* control(const char* name) const {
        return findChild<W*>(QString::fromUtf8(name));
    }
    MeasureCascade* cascade() const { return cascade_; }
    const std::vector<MeasureRecord>& chosenMeasures() const { return measures_; }
    const std::vector<SpeciesRecord>& chosenSpecies() const { return species_; }
    // The minimum quality per species.
    virtual const std::vector<double>& minimumQualities() const = 0;
    // The latest completed run; null before the first one.
    const OptimisationResult* lastResult() const { return last_ ? &last_->outcome.result : nullptr; }
    double pixelArea() const { return pixelArea_; }
    QWidget* lastMap() const { return lastMap_; }

    // The search method chosen: the breakpoint search unless the user picks
    // the annealing.
    SearchMethod searchMethod() const;
    // The cost-only bound and the report of the latest run, as shown.
    const std::vector<std::string>& searchReportLines() const {
        static const std::vector<std::string> none;
        return last_ ? last_->search_lines : none;
    }

    // Seed of the search; the clock when none is set.
    void setSeed(std::optional<std::uint32_t> seed) { seed_ = seed; }
    void setProgressObserver(ProgressObserver observer) { progressObserver_ = std::move(observer); }
    // Shows the name dialog and returns its result code; exec() by default.
    using NameDialogRunner = std::function<int(savename&)>;
    void setNameDialogRunner(NameDialogRunner runner) { nameDialogRunner_ = std::move(runner); }
    // Asks for the report path; an empty text cancels. A save dialog by default.
    using ReportPathChooser = std::function<QString()>;
    void setReportPathChooser(ReportPathChooser chooser) { reportPathChooser_ = std::move(chooser); }
    // The configuration identifier of the latest store, if any.
    std::optional<int> lastStoredConfiguration() const { return lastStored_; }

protected:
    // The texts that tell the windows apart.
    struct Texts {
        const char* title;
        // The two target figures of a species: field labels in the left
        // column and list labels beside "List of selected species".
        std::array<const char*, 2> targetFields;
        std::array<const char*, 2> targetLists;
        const char* reportButton;
    };

    // Opens its own connection and empties the map table. Closing the window
    // empties it again and deletes the window with its connection. A
    // CMainFrame parent receives the result map of "Visualize". The derived
    // window calls build() from its constructor.
    OptimisationWindow(QWidget* parent, const Texts& texts);
    void build();

    // Fields of the window below the distance cost factor (none by default).
    virtual void addExtraFields(QVBoxLayout* column);
    // The refusal of a species (`named`: one is chosen) with these target
    // texts, or an empty problem.
    virtual InputProblem speciesProblem(bool named, const QString& first, const QString& second) const = 0;
    // The window's own control for a refused field (beside the distance cost
    // factor and the transaction costs), or null.
    virtual QLineEdit* fieldFor(InputField field) const = 0;
    // The stored figure of a target text: index 0 or 1 as in Texts.
    virtual double targetValue(int index, const QString& text) const = 0;
    // Completes the start inputs with the window's own fields.
    virtual void addStartInputs(OptimisationInputs& in) const;
    virtual InputProblem startProblem(const OptimisationInputs& in) const = 0;
    // The analysis of the window's current fields and lists: search, result
    // lines, map rows, report and store.
    virtual OptimisationAnalysis analysis(bool timeDependent) const = 0;
    // The closing box of a run with these species and target figures: "Done"
    // when the goal was met, the failure otherwise.
    using Targets = std::array<std::vector<double>, 2>;
    virtual std::string closingText(const OptimisationResult& result, const std::vector<SpeciesRecord>& species,
                                    const Targets& targets) const = 0;
    // What the result shows in its status line when it misses the goal;
    // empty when it meets it.
    virtual QString goalMissed(const OptimisationResult& result, const std::vector<SpeciesRecord>& species,
                               const Targets& targets) const = 0;
    // Lines shown right after the bound in the search report (none by default).
    virtual std::vector<std::string> boundCompanions(const OptimisationResult& result, const Targets& targets) const;

    // Checks a field on leaving it: a text that is not a number is told and
    // the field keeps the focus. Nothing is checked while the window closes.
    void checkField(CheckedField field, QLineEdit* edit);

    void closeEvent(QCloseEvent* event) override;
    void reject() override;

    // Asks for the name to store a run under (the name dialog); none when
    // the user cancels.
    std::optional<std::string> askRunName();

    // The leading number of a field's text: "12.7" gives 12.
    static int leadingInteger(const QLineEdit* field);
    // The distance cost factor as the checks read it, with '.' as the
    // decimal separator whatever the user's locale.
    double distanceCostFactor() const;

    std::unique_ptr<DatabaseAccess> db_;
    QLineEdit* transaction_ = nullptr;
    QLineEdit* factor_ = nullptr;
    std::optional<int> countryID_;
    std::vector<MeasureRecord> measures_;
    std::vector<SpeciesRecord> species_;
    // The two target figures per species, in species order.
    std::array<std::vector<double>, 2> targets_;
    std::optional<std::uint32_t> seed_;

private:
    // Puts the cursor in the control of a refused field, if it has one.
    void focusOn(InputField field) const;
    void buildLeftColumn(QVBoxLayout* left);
    void buildMiddleColumn(QHBoxLayout* middle);
    void buildRightColumn(QVBoxLayout* right, QVBoxLayout* results);
    void connectMeasureSelection();
    void onRegionChanged();
    void addMeasures(const std::vector<MeasureRecord>& measures, bool withDensity);
    void addMeasure(const MeasureRecord& measure, const QString& line);
    void addSpecies();
    void removeSpecies(int row);
    void startOptimisation();
    void visualize();
    void saveToFile();
    void store();
    // What closing does however it happens ("Close window", the title bar,
    // Escape): the map table is emptied once.
    void finish();

    Texts texts_;
    MeasureCascade* cascade_ = nullptr;
    QListWidget* region_ = nullptr;
    QListWidget* dutch_ = nullptr;
    QListWidget* latin_ = nullptr;
    QListWidget* savedOn_ = nullptr;
    QLineEdit* forSpecies_ = nullptr;
    std::array<QLineEdit*, 2> targetFields_{};
    std::array<QListWidget*, 2> targetLists_{};
    QLineEdit* total_ = nullptr;
    QListWidget* measureList_ = nullptr;
    QListWidget* speciesList_ = nullptr;
    QListWidget* measureResult_ = nullptr;
    QListWidget* speciesResult_ = nullptr;
    QComboBox* method_ = nullptr;
    QListWidget* searchReport_ = nullptr;
    PredationChoice* predation_ = nullptr;
    QPushButton* copy_ = nullptr;
    QPushButton* mowing_ = nullptr;
    QPushButton* grazing_ = nullptr;
    QPushButton* all_ = nullptr;
    QPushButton* start_ = nullptr;
    QPushButton* visualize_ = nullptr;
    QPushButton* report_ = nullptr;
    QPushButton* save_ = nullptr;
    QPushButton* close_ = nullptr;
    QPointer<QWidget> lastMap_;

    std::optional<std::pair<MeasureRecord, QString>> pending_;
    std::optional<AnalysisRun> last_;
    // The inputs of the run shown, which its report and store describe
    // whatever the user has changed in the window since.
    std::optional<OptimisationAnalysis> lastAnalysis_;
    QLabel* runShown_ = nullptr;
    QLabel* goalStatus_ = nullptr;
    double pixelArea_ = 0.0;
    std::optional<int> lastStored_;
    ProgressObserver progressObserver_;
    NameDialogRunner nameDialogRunner_;
    ReportPathChooser reportPathChooser_;
    bool closing_ = false;
    bool finished_ = false;
};

}  // namespace pravel
