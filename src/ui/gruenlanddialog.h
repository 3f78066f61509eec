#pragma once
// The grassland type editor: names and code of a grassland type, its moisture
// and elevation requirements, and the measures that make it arise on soil of
// normal and of low productivity. "Save" writes one grassland version per
// productivity that has measures, each linked to its measures. The load
// dialog shows a stored version in the same editor, read-only until "Edit
// record".
//
// Controls, each named after its label (object name in quotes):
//   group "Grassland type" (the habitat editor: "Name"): inputs "FFH-Code",
//     "Dutch Name", "Latin Name";
//   group "Moisture requirements": inputs "dry", "fresh", "wet";
//   group "Elevation requirements": options "high (>500m aMSL)",
//     "low (< 500m aMSL)", "independent";
//   group "Use": lists "Type of measure", "QM of first use",
//     "Distance to first use in QM", "Type of livestock",
//     "Livestock density in GV/ha";
//   group "Fertilization": options "yes", "no";
//   group kSoilGroupCaption (the soil productivity): options "normal productivity",
//     "low productivity";
//   the two measure lists, named after their captions (kNormalListGrassland,
//     kLowListGrassland; the habitat editor's kNormalListHabitat,
//     kLowListHabitat);
//   input "Data was entered by";
//   buttons "Save", "Cancel", "Record ok", "Edit record".
#include <memory>
#include <string>
#include <vector>

#include "store/grassland_store.h"
#include "ui/grassland_form.h"
#include "ui/grassland_measure_choice.h"
#include "ui/profile_editor_frame.h"

class QButtonGroup;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QRadioButton;

namespace pravel {

class DatabaseAccess;
class MeasureCascadeModel;

inline constexpr const char* kNormalListGrassland =
    "Measures that make this grassland type arise on soil with normal productivity";
inline constexpr const char* kLowListGrassland =
    "Measures that make this grassland type arise on soil with low productivity";
inline constexpr const char* kNormalListHabitat =
    "Measures that make this habitat type arise on soil with normal productivity";
inline constexpr const char* kLowListHabitat =
    "Measures that make this habitat type arise on soil with low productivity";
// Caption of the group whose two options say which soil productivity's list
// receives the next measure. The one place that holds its on-screen text.
inline constexpr const char* kSoilGroupCaption = "Specification of the soil";

class gruenlanddialog : public ProfileEditorFrame {
    Q_OBJECT
public:
    static constexpr const char* kTitle = "Grassland";

    // Opens the editor's database connection and fills "Type of measure".
    explicit gruenlanddialog(QWidget* parent = nullptr);
    ~gruenlanddialog() override;

    const GrasslandRecord& normalRecord() const { return normal_; }
    const GrasslandRecord& lowRecord() const { return low_; }
    // The measures of a list, in the order they were added.
    std::vector<MeasureRecord> measures(bool low_productivity) const;

    // Shows the stored version of `name` saved at `savetime` with the given
    // productivity, with its measures, in view mode.
    void showStored(const std::string& name, const std::string& savetime, bool low_productivity);

protected:
    // What the habitat editor shows and does differently.
    struct Texts {
        const char* title;
        const char* name_group;
        const char* selection_caption;
        const char* normal_list;
        const char* low_list;
        const char* confirm;
        GrasslandFormRules rules;
        bool sorted_lists;
    };
    gruenlanddialog(const Texts& texts, QWidget* parent);

    enum class Field { Code, DutchName, LatinName, Editor };
    // Leave-field action of the code, the names and the editor's name.
    virtual void fieldLeft(Field field, const std::string& text);
    // Takes what the checks of "Save" accepted into the records.
    virtual void takeChecked(const GrasslandFormCheck& check, const GrasslandFormInput& input);
    // Stores what belongs to the grassland versions before they are written;
    // returns the species identifier they belong to (0 for none).
    virtual int storeBeforeGrassland(DatabaseAccess& db);

    void save() override;
    void editRecord() override;

    DatabaseAccess& database() { return *db_; }
    GrasslandRecord normal_;
    GrasslandRecord low_;

private:
    struct Chosen {
        int key;
        MeasureRecord measure;
    };

    void build();
    QRadioButton* option(const QString& text, QWidget* parent, QButtonGroup* group);
    void onCascadeRow(int step, int row);
    void onLivestockRow(int row);
    void onDensityRow(int row);
    void onElevation(Elevation elevation);
    void add(const std::optional<GrasslandAddition>& addition);
    void append(bool low, const MeasureRecord& measure);
    void removeEntry(bool low, QListWidgetItem* item);
    void clearFertilization();
    void refreshCascade();
    void fillVariantLists();
    // Enables the selection controls as the current state allows (all off in
    // view mode).
    void updateEnabled();
    QListWidget* measureList(bool low) const { return low ? lowList_ : normalList_; }
    void writeGrassland(const GrasslandRecord& record, const std::vector<Chosen>& chosen);

    Texts texts_;
    std::unique_ptr<DatabaseAccess> db_;
    std::unique_ptr<MeasureCascadeModel> cascade_;
    GrasslandMeasureChoice choice_;
    std::vector<Chosen> chosen_[2];  // [0] normal, [1] low productivity
    int nextKey_ = 1;

    QLineEdit* code_ = nullptr;
    QLineEdit* dutch_ = nullptr;
    QLineEdit* latin_ = nullptr;
    QLineEdit* dry_ = nullptr;
    QLineEdit* fresh_ = nullptr;
    QLineEdit* wet_ = nullptr;
    QLineEdit* editor_ = nullptr;
    QRadioButton* elevation_[3] = {};
    QListWidget* cascadeLists_[3] = {};
    QListWidget* livestock_ = nullptr;
    QListWidget* density_ = nullptr;
    QButtonGroup* fertilization_ = nullptr;
    QRadioButton* yes_ = nullptr;
    QRadioButton* no_ = nullptr;
    QRadioButton* normalSoil_ = nullptr;
    QRadioButton* lowSoil_ = nullptr;
    QListWidget* normalList_ = nullptr;
    QListWidget* lowList_ = nullptr;
};

}  // namespace pravel
