#pragma once
// The window that finds the smallest budget reaching a wanted effective area
// for each chosen species: region, measures and species with a minimum
// quality and a wanted area each, then a search run with a progress dialog
// that can end it early with its best solution. Every control carries its
// label as object name.
#include <QDialog>
#include <QPointer>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "common/feedback.h"
#include "optimisation/pixel_allocation.h"
#include "store/measure_store.h"
#include "store/profile_store.h"

class QLineEdit;
class QListWidget;
class QProgressDialog;
class QPushButton;
class QRadioButton;

namespace pravel {

class DatabaseAccess;
class MeasureCascade;
class savename;

class optimierung : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* kTitle = "Budget minimization for given goal";
    static constexpr const char* kTransactionLabel =
        "Input of transaction cost (Euro/ha)     (applies to all measures)";
    static constexpr const char* kFactorLabel = "Factor for distance costs";
    static constexpr const char* kQualityLabel = "Minimum quality per pixel (0 insufficient, 1 best quality)";
    static constexpr const char* kAreaLabel = "Minimal effective area (ha)";
    static constexpr const char* kMeasureResultLabel = "Payment (Euro/ha) and areas (ha) per measure after optimization";
    static constexpr const char* kSpeciesResultLabel = "Effective area (ha) of  species after optimization";
    static constexpr const char* kTotalLabel = "Total budget (Euro) after optimization";

    // Opens its own connection and empties the map table. Closing the window
    // empties it again and deletes the window with its connection. A
    // CMainFrame parent receives the result map of "Visualize".
    explicit optimierung(QWidget* parent = nullptr);
    ~optimierung() override;

    template <class W>
    W* control(const char* name) const {
        return findChild<W*>(QString::fromUtf8(name));
    }
    MeasureCascade* cascade() const { return cascade_; }
    const std::vector<MeasureRecord>& chosenMeasures() const { return measures_; }
    const std::vector<SpeciesRecord>& chosenSpecies() const { return species_; }
    const std::vector<double>& minimumQualities() const { return qualities_; }
    const std::vector<double>& wantedAreas() const { return areas_; }
    // The latest completed run; null before the first one.
    const OptimisationResult* lastResult() const { return last_ ? &*last_ : nullptr; }
    double pixelArea() const { return pixelArea_; }
    QWidget* lastMap() const { return lastMap_; }

    // Seed of the search; the clock when none is set.
    void setSeed(std::optional<std::uint32_t> seed) { seed_ = seed; }
    // Called after the progress dialog has shown each progress report; lets
    // a caller watch or cancel the run as the user would.
    using ProgressObserver = std::function<void(QProgressDialog&, const Feedback::Progress&)>;
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
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void buildControls();
    void fillSelections();
    void onRegionChanged();
    void addMeasures(const std::vector<MeasureRecord>& measures, bool withDensity);
    void addMeasure(const MeasureRecord& measure, const QString& line);
    void addSpecies();
    void removeSpecies(int row);
    void checkTransactionCosts();
    void startOptimisation();
    void visualize();
    void saveToFile();
    void store();

    std::unique_ptr<DatabaseAccess> db_;
    MeasureCascade* cascade_ = nullptr;
    QListWidget* region_ = nullptr;
    QListWidget* dutch_ = nullptr;
    QListWidget* latin_ = nullptr;
    QListWidget* savedOn_ = nullptr;
    QLineEdit* forSpecies_ = nullptr;
    QLineEdit* quality_ = nullptr;
    QLineEdit* area_ = nullptr;
    QLineEdit* transaction_ = nullptr;
    QLineEdit* factor_ = nullptr;
    QLineEdit* total_ = nullptr;
    QListWidget* measureList_ = nullptr;
    QListWidget* speciesList_ = nullptr;
    QListWidget* qualityList_ = nullptr;
    QListWidget* areaList_ = nullptr;
    QListWidget* measureResult_ = nullptr;
    QListWidget* speciesResult_ = nullptr;
    QRadioButton* timeIndependent_ = nullptr;
    QRadioButton* timeDependent_ = nullptr;
    QPushButton* visualize_ = nullptr;
    QPushButton* save_ = nullptr;
    QPointer<QWidget> lastMap_;

    std::optional<int> countryID_;
    std::vector<MeasureRecord> measures_;
    std::vector<SpeciesRecord> species_;
    std::vector<double> qualities_;
    std::vector<double> areas_;
    std::optional<std::pair<MeasureRecord, QString>> pending_;
    std::optional<OptimisationResult> last_;
    double pixelArea_ = 0.0;
    std::optional<std::uint32_t> seed_;
    std::optional<int> lastStored_;
    ProgressObserver progressObserver_;
    NameDialogRunner nameDialogRunner_;
    ReportPathChooser reportPathChooser_;
    bool closing_ = false;
};

}  // namespace pravel
