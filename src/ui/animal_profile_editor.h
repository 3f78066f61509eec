#pragma once
// What the bird and the butterfly editor share on top of the profile editor
// frame: the one SpeciesRecord the open editor owns, the inputs both have
// (names, egg deposition per quarter month, reproduction period, dispersal,
// vegetation, soil moisture, the editor's name) with their conversions and
// leave-field checks, quarter-month lists, the checks of the save sequence
// both run, and the confirmation that stores the record and closes.
//
// Control names (objectName, equal to the label):
//   "Dutch Name", "Latin Name", "Data was entered by",
//   one egg input per quarter month, named by its text ("1st quarter month May"),
//   "Critical reproduction period/Number of QMs", "Total reproduction period/Number of QMs",
//   "Radius in km", "short grass (< 10 cm)", "medium height (10 to 30 cm)",
//   "tall-growing (> 30 cm)", "dry", "fresh", "wet".
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "store/profile_store.h"
#include "ui/profile_editor_frame.h"

class QListWidget;
class QListWidgetItem;

namespace pravel {

inline constexpr const char* kEggCaption =
    "Probability of egg deposition for each quarter month in %. The sum must be exactly 100%";
inline constexpr const char* kSpeciesNameMissing = "Please enter the name of the species!\n\n Please revise your input!";
inline constexpr const char* kEggSumWrong =
    "The sum of probabilities of egg deposition must be 100!\n\n Please revise your input!";

inline constexpr const char* kDutchNameLabel = "Dutch Name";
inline constexpr const char* kLatinNameLabel = "Latin Name";
inline constexpr const char* kEditorNameLabel = "Data was entered by";
inline constexpr const char* kCriticalPeriodLabel = "Critical reproduction period/Number of QMs";
inline constexpr const char* kTotalPeriodLabel = "Total reproduction period/Number of QMs";
inline constexpr const char* kRadiusLabel = "Radius in km";
inline constexpr const char* kShortGrassLabel = "short grass (< 10 cm)";
inline constexpr const char* kMediumGrassLabel = "medium height (10 to 30 cm)";
inline constexpr const char* kTallGrassLabel = "tall-growing (> 30 cm)";

// Why a save stops: the message and the object name of the control that gets
// the focus back (none for some refusals).
struct SaveRefusal {
    std::string message;
    std::string focus;
    bool operator==(const SaveRefusal&) const = default;
};

// The refusals both editors share. An empty (not a blank) name is refused.
std::optional<SaveRefusal> species_name_refusal(const SpeciesRecord& record);
// The egg shares of the whole year must make 100 % (within 1e-9): quarter
// months the editor has no input for count with the value the record holds,
// so that a loaded profile is judged as a whole. The focus goes to `first`.
std::optional<SaveRefusal> egg_sum_refusal(const SpeciesRecord& record, const std::string& first);

// How an input's text becomes the value a record field receives.
enum class Conversion {
    Real,     // leading decimal number, 0 when none
    Integer,  // leading decimal integer, 0 when none
};

class AnimalProfileEditor : public ProfileEditorFrame {
    Q_OBJECT
public:
    // The record the inputs are written into.
    const SpeciesRecord& record() const { return record_; }

    // The record a save starts from: the editor's inputs are written over
    // it, so that fields without an input (and a loaded profile's group)
    // are kept in the new version. The inputs are not filled from it.
    void startFrom(const SpeciesRecord& base);

protected:
    AnimalProfileEditor(const QString& title, QWidget* parent);

    // A number input bound to a record field: its leave-field check stores
    // the checked value, and readInputs() reads it again with `conversion`.
    QLineEdit* numberInput(const QString& name, const QString& initial, QWidget* parent, Conversion conversion,
                           const FieldCheck& check, std::function<void(SpeciesRecord&, double)> set);
    // A text input bound to a record field.
    QLineEdit* textInput(const QString& name, const QString& initial, QWidget* parent,
                         std::string SpeciesRecord::*field);

    // Group "Name" with "Dutch Name" and "Latin Name".
    void addNameGroup();
    // Group "Egg deposition": one per-cent input for each quarter month from
    // `first` to `last`.
    void addEggGroup(int first, int last);
    // Group "Reproduction period" with the two "Number of QMs"; returned so
    // that an editor can add its own inputs.
    QGroupBox* addReproductionGroup();
    // Group "Dispersal capability" with "Radius in km".
    void addDispersalGroup();
    // Groups "Vegetation stratification" and "Soil moisture" into `layout`.
    void addVegetationAndMoisture(QLayout* layout, QWidget* parent);
    // "Data was entered by" with its initial text.
    void addEditorName(const QString& initial);
    // A caption with the 0 / 0.5 / 1 scale under it.
    void addScaleCaption(QLayout* layout, QWidget* parent, const QString& scale);

    // A list of the quarter months `first` to `last`; entry p stands for
    // quarter month first + p.
    QListWidget* quarterMonthList(const QString& name, int first, int last, QWidget* parent);
    // The quarter month of the list's selection, or none.
    static std::optional<int> chosenQuarterMonth(const QListWidget* list, int first);

    // Reads every bound input again into the record.
    void readInputs();
    // Shows a refusal and gives its control the focus back; false for one.
    bool passes(const std::optional<SaveRefusal>& refusal);
    // Asks `question` (OK / Cancel); on OK stores the record with `group`
    // (or the group of the profile it started from) and closes. False when
    // the user chose Cancel.
    bool confirmAndStore(const char* question, const char* group);

    // The egg input of quarter month `quarter_month`, or null.
    QLineEdit* eggInput(int quarter_month) const;
    // Fills the egg inputs from the record's fractions ("%.1f" of per cent).
    void showEggs(const SpeciesRecord& loaded);

    SpeciesRecord record_;

private:
    struct Binding {
        QLineEdit* field;
        Conversion conversion;
        double divisor;
        std::function<void(SpeciesRecord&, double)> set;
    };
    struct TextBinding {
        QLineEdit* field;
        std::string SpeciesRecord::*member;
    };
    std::vector<Binding> numbers_;
    std::vector<TextBinding> texts_;
    std::vector<std::pair<int, QLineEdit*>> eggs_;
    // The group of the profile the editor started from; empty for a new one.
    std::string baseGroup_;
};

}  // namespace pravel
