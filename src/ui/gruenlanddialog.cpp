#include "ui/gruenlanddialog.h"

#include <QButtonGroup>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <algorithm>
#include <functional>
#include <optional>

#include "common/notifier.h"
#include "common/number_format.h"
#include "common/numeric_input.h"
#include "store/database_access.h"
#include "ui/measure_cascade_model.h"
#include "ui/window_parts.h"

namespace pravel {

namespace {

constexpr int kKeyRole = Qt::UserRole;
constexpr int kValueRole = Qt::UserRole + 1;

// The cascade steps the editor shows, with the labels of its lists.
constexpr int kCascadeSteps[3] = {kStepType, kStepFirstUse, kStepDistance2};

}  // namespace

gruenlanddialog::gruenlanddialog(QWidget* parent)
    : gruenlanddialog(Texts{kTitle, "Grassland type", "Please select the measures that make this grassland type arise.",
                            kNormalListGrassland, kLowListGrassland, kGrasslandConfirmMessage,
                            GrasslandFormRules{kGrasslandNameMessage, true}, false},
                      parent) {}

gruenlanddialog::gruenlanddialog(const Texts& texts, QWidget* parent)
    : ProfileEditorFrame(texts.title, parent),
      texts_(texts),
      db_(std::make_unique<DatabaseAccess>()),
      cascade_(std::make_unique<MeasureCascadeModel>(*db_, kStepDistance2)) {
    build();
    cascade_->reset();
    refreshCascade();
    updateEnabled();
}

gruenlanddialog::~gruenlanddialog() = default;

QRadioButton* gruenlanddialog::option(const QString& text, QWidget* parent, QButtonGroup* group) {
    auto* button = new QRadioButton(text, parent);
    button->setObjectName(text);
    QPalette pal = button->palette();
    pal.setColor(QPalette::WindowText, kLabel);
    button->setPalette(pal);
    group->addButton(button);
    watch(button);
    return button;
}

void gruenlanddialog::build() {
    QWidget* root = content();
    QVBoxLayout* layout = contentLayout();
    // A labelled input in a form; `field` names its leave action, if any.
    auto row = [this](QFormLayout* form, QWidget* box, const char* name, std::optional<Field> field = {}) {
        std::function<void()> leave;
        if (field)
            leave = [this, f = *field, box, name] {
                fieldLeft(f, box->findChild<QLineEdit*>(name)->text().toStdString());
            };
        QLineEdit* edit = input(name, "", box, std::move(leave));
        form->addRow(caption(name, box), edit);
        return edit;
    };

    // Names and code.
    QGroupBox* names = group(texts_.name_group, root);
    auto* nameForm = new QFormLayout(names);
    code_ = row(nameForm, names, "FFH-Code", Field::Code);
    dutch_ = row(nameForm, names, "Dutch Name", Field::DutchName);
    latin_ = row(nameForm, names, "Latin Name", Field::LatinName);
    layout->addWidget(names);

    // Moisture, checked on saving.
    QGroupBox* moisture = group("Moisture requirements", root);
    auto* moistureForm = new QFormLayout(moisture);
    moistureForm->addRow(
        caption("Values lie between 0 and 1 with the following division: 0 = unsuitable, 0.5 = suitable, 1 = preferred",
                moisture));
    dry_ = row(moistureForm, moisture, "dry");
    fresh_ = row(moistureForm, moisture, "fresh");
    wet_ = row(moistureForm, moisture, "wet");
    layout->addWidget(moisture);

    // Elevation.
    QGroupBox* elevation = group("Elevation requirements", root);
    auto* elevationLayout = new QVBoxLayout(elevation);
    elevationLayout->addWidget(caption("Please specify the required elevation:", elevation));
    auto* elevationGroup = new QButtonGroup(this);
    const std::pair<const char*, Elevation> elevations[3] = {{"high (>500m aMSL)", Elevation::High},
                                                             {"low (< 500m aMSL)", Elevation::Low},
                                                             {"independent", Elevation::Independent}};
    for (int i = 0; i < 3; ++i) {
        elevation_[i] = option(elevations[i].first, elevation, elevationGroup);
        elevationLayout->addWidget(elevation_[i]);
        connect(elevation_[i], &QRadioButton::clicked, this, [this, e = elevations[i].second] { onElevation(e); });
    }
    layout->addWidget(elevation);

    // Measure selection.
    QGroupBox* use = group("Use", root);
    auto* useLayout = new QVBoxLayout(use);
    useLayout->addWidget(caption(texts_.selection_caption, use));
    auto* grid = new QGridLayout;
    auto makeList = [&](const QString& label, int column) {
        auto* list = new QListWidget(use);
        list->setObjectName(label);
        list->setSelectionMode(QAbstractItemView::SingleSelection);
        watch(list);
        grid->addWidget(caption(label, use), 0, column);
        grid->addWidget(list, 1, column);
        return list;
    };
    for (int i = 0; i < 3; ++i) {
        cascadeLists_[i] = makeList(QString::fromStdString(cascade_step_label(kCascadeSteps[i])), i);
        on_entry_chosen(cascadeLists_[i], this, [this, i](int row) { onCascadeRow(i, row); });
    }
    livestock_ = makeList("Type of livestock", 3);
    density_ = makeList("Livestock density in GV/ha", 4);
    on_entry_chosen(livestock_, this, [this](int row) { onLivestockRow(row); });
    on_entry_chosen(density_, this, [this](int row) { onDensityRow(row); });
    useLayout->addLayout(grid);

    auto* options = new QHBoxLayout;
    QGroupBox* fertilization = group("Fertilization", use);
    auto* fertilizationLayout = new QVBoxLayout(fertilization);
    fertilization_ = new QButtonGroup(this);
    yes_ = option("yes", fertilization, fertilization_);
    no_ = option("no", fertilization, fertilization_);
    fertilizationLayout->addWidget(yes_);
    fertilizationLayout->addWidget(no_);
    connect(yes_, &QRadioButton::clicked, this, [this] { add(choice_.chooseFertilization(true)); });
    connect(no_, &QRadioButton::clicked, this, [this] { add(choice_.chooseFertilization(false)); });
    options->addWidget(fertilization);

    QGroupBox* soil = group(kSoilGroupCaption, use);
    auto* soilLayout = new QVBoxLayout(soil);
    auto* soilGroup = new QButtonGroup(this);
    normalSoil_ = option("normal productivity", soil, soilGroup);
    lowSoil_ = option("low productivity", soil, soilGroup);
    soilLayout->addWidget(normalSoil_);
    soilLayout->addWidget(lowSoil_);
    connect(normalSoil_, &QRadioButton::clicked, this, [this] { add(choice_.chooseSoil(false)); });
    connect(lowSoil_, &QRadioButton::clicked, this, [this] { add(choice_.chooseSoil(true)); });
    options->addWidget(soil);
    useLayout->addLayout(options);
    layout->addWidget(use);

    // The two lists of chosen measures; a double click removes an entry.
    for (bool low : {false, true}) {
        const QString label = low ? texts_.low_list : texts_.normal_list;
        layout->addWidget(caption(label, root));
        auto* list = new QListWidget(root);
        list->setObjectName(label);
        list->setSortingEnabled(texts_.sorted_lists);
        watch(list);
        layout->addWidget(list);
        connect(list, &QListWidget::itemDoubleClicked, this,
                [this, low](QListWidgetItem* item) { removeEntry(low, item); });
        (low ? lowList_ : normalList_) = list;
    }

    auto* editorForm = new QFormLayout;
    editor_ = row(editorForm, root, "Data was entered by", Field::Editor);
    editor_->setText(kEditorInitialText);
    layout->addLayout(editorForm);
    layout->addStretch(1);
}

std::vector<MeasureRecord> gruenlanddialog::measures(bool low_productivity) const {
    std::vector<MeasureRecord> out;
    for (const Chosen& c : chosen_[low_productivity ? 1 : 0]) out.push_back(c.measure);
    return out;
}

// ------------------------------------------------------------ leave actions

void gruenlanddialog::fieldLeft(Field field, const std::string& text) {
    for (GrasslandRecord* r : {&normal_, &low_}) {
        switch (field) {
            case Field::Code:
                r->code = parse_int(text);
                break;
            case Field::DutchName:
                r->name_engl = text;
                break;
            case Field::LatinName:
                r->name_latin = text;
                break;
            case Field::Editor:
                r->name_editor = text;
                break;
        }
    }
}

void gruenlanddialog::onElevation(Elevation elevation) {
    apply_elevation(elevation, normal_);
    apply_elevation(elevation, low_);
}

// -------------------------------------------------------- measure selection

void gruenlanddialog::refreshCascade() {
    for (int i = 0; i < 3; ++i) {
        const int step = kCascadeSteps[i];
        QListWidget* list = cascadeLists_[i];
        const QSignalBlocker block(list);
        const auto& entries = cascade_->entries(step);
        bool same = list->count() == static_cast<int>(entries.size());
        for (int r = 0; same && r < list->count(); ++r) same = list->item(r)->text().toStdString() == entries[r];
        if (!same) {
            list->clear();
            for (const auto& e : entries) list->addItem(QString::fromStdString(e));
        }
        const auto at = std::find(entries.begin(), entries.end(), cascade_->chosen(step));
        list->setCurrentRow(
            cascade_->chosen(step).empty() || at == entries.end() ? -1 : static_cast<int>(at - entries.begin()));
    }
}

void gruenlanddialog::onCascadeRow(int index, int row) {
    if (row < 0) return;
    const int step = kCascadeSteps[index];
    if (!cascade_->choose(step, cascadeLists_[index]->item(row)->text().toStdString())) return;
    refreshCascade();
    // Every choice here starts a new measure: the fertilisation, livestock and
    // density of the previous one no longer apply.
    clearFertilization();
    std::optional<GrasslandAddition> addition;
    if (step == kStepDistance2) {
        const MeasureTiming& t = cascade_->timing();
        addition = choice_.start(measures_by_first_distance(*db_, t.name, t.first_use, t.d2));
        if (choice_.fertilizationFixed()) (*choice_.fertilization() ? yes_ : no_)->setChecked(true);
    } else {
        choice_.forget();
    }
    fillVariantLists();
    updateEnabled();
    add(addition);
}

void gruenlanddialog::fillVariantLists() {
    const QSignalBlocker blockKinds(livestock_);
    const QSignalBlocker blockDensities(density_);
    livestock_->clear();
    density_->clear();
    if (!choice_.withLivestock()) return;
    for (int id : choice_.offer().livestock_ids) {
        // A kind without a row in the livestock table has no entry.
        const std::string text = livestock_entry(*db_, id);
        if (text.empty()) continue;
        auto* item = new QListWidgetItem(QString::fromStdString(text), livestock_);
        item->setData(kValueRole, id);
    }
    for (double d : choice_.offer().densities) {
        auto* item = new QListWidgetItem(QString::fromStdString(grassland_density_entry(d)), density_);
        item->setData(kValueRole, d);
        if (choice_.density() && *choice_.density() == d) density_->setCurrentItem(item);
    }
}

void gruenlanddialog::onLivestockRow(int row) {
    if (row < 0) return;
    add(choice_.chooseLivestock(livestock_->item(row)->data(kValueRole).toInt()));
}

void gruenlanddialog::onDensityRow(int row) {
    if (row < 0) return;
    add(choice_.chooseDensity(density_->item(row)->data(kValueRole).toDouble()));
}

void gruenlanddialog::clearFertilization() {
    fertilization_->setExclusive(false);
    yes_->setChecked(false);
    no_->setChecked(false);
    fertilization_->setExclusive(true);
}

void gruenlanddialog::updateEnabled() {
    const bool editing = !viewMode();
    for (int i = 0; i < 3; ++i) cascadeLists_[i]->setEnabled(editing && cascade_->enabled(kCascadeSteps[i]));
    livestock_->setEnabled(editing && choice_.withLivestock());
    density_->setEnabled(editing && choice_.withLivestock());
    yes_->setEnabled(editing && !choice_.fertilizationFixed());
    no_->setEnabled(editing && !choice_.fertilizationFixed());
    normalSoil_->setEnabled(editing);
    lowSoil_->setEnabled(editing);
}

void gruenlanddialog::add(const std::optional<GrasslandAddition>& addition) {
    if (!addition) return;
    const MeasureRecord& m = addition->measure;
    append(addition->low_productivity, m);
    GrasslandRecord& record = addition->low_productivity ? low_ : normal_;
    record.fertilization = m.fertilization;
    // Once an unfertilised measure has been added the type also arises
    // without fertilisation; removing the measure does not undo that.
    if (!m.fertilization) record.no_fertilization = true;
}

void gruenlanddialog::append(bool low, const MeasureRecord& measure) {
    const int key = nextKey_++;
    chosen_[low ? 1 : 0].push_back({key, measure});
    auto* item = new QListWidgetItem(QString::fromStdString(grassland_measure_entry(measure)));
    item->setData(kKeyRole, key);
    measureList(low)->addItem(item);
}

void gruenlanddialog::removeEntry(bool low, QListWidgetItem* item) {
    if (!item) return;
    // The entry carries the key of its measure: a sorted list shows its
    // entries in another order than the measures were added.
    const int key = item->data(kKeyRole).toInt();
    auto& chosen = chosen_[low ? 1 : 0];
    chosen.erase(std::remove_if(chosen.begin(), chosen.end(), [key](const Chosen& c) { return c.key == key; }),
                 chosen.end());
    delete item;
}

// ------------------------------------------------------------------- saving

void gruenlanddialog::takeChecked(const GrasslandFormCheck& check, const GrasslandFormInput& input) {
    const bool namesTaken = check.focus != FormFocus::DutchName;
    const bool editorTaken = !check.stopped || check.no_measures;
    for (GrasslandRecord* r : {&normal_, &low_}) {
        if (check.wet) r->soil_moister_requi_wet = *check.wet;
        if (check.fresh) r->soil_moister_requi_fresh = *check.fresh;
        if (check.dry) r->soil_moister_requi_dry = *check.dry;
        if (check.code) r->code = *check.code;
        if (namesTaken) {
            r->name_engl = input.dutch_name;
            r->name_latin = check.latin_name;
        }
        if (editorTaken) r->name_editor = input.editor;
    }
}

int gruenlanddialog::storeBeforeGrassland(DatabaseAccess&) { return 0; }

void gruenlanddialog::save() {
    GrasslandFormInput input;
    input.code = code_->text().toStdString();
    input.dutch_name = dutch_->text().toStdString();
    input.latin_name = latin_->text().toStdString();
    input.editor = editor_->text().toStdString();
    input.wet = wet_->text().toStdString();
    input.fresh = fresh_->text().toStdString();
    input.dry = dry_->text().toStdString();
    input.has_measures = !chosen_[0].empty() || !chosen_[1].empty();

    const GrasslandFormCheck check = check_grassland_form(input, texts_.rules);
    takeChecked(check, input);
    for (const std::string& message : check.messages) notifier().inform(message);
    if (check.focus == FormFocus::DutchName) refocus(dutch_);
    if (check.focus == FormFocus::Editor) refocus(editor_);
    if (check.stopped) return;
    if (!notifier().ask_ok_cancel(texts_.confirm, kCheckInputTitle)) return;

    normal_.speciesID = low_.speciesID = storeBeforeGrassland(*db_);
    if (!chosen_[1].empty()) {
        low_.low_productivity = true;
        low_.normal_productivity = false;
        writeGrassland(low_, chosen_[1]);
    }
    if (!chosen_[0].empty()) {
        normal_.low_productivity = false;
        normal_.normal_productivity = true;
        writeGrassland(normal_, chosen_[0]);
    }
    close();
}

void gruenlanddialog::writeGrassland(const GrasslandRecord& record, const std::vector<Chosen>& chosen) {
    const int grassland_id = save_grassland(*db_, record);
    // The insert leaves speciesID at its default; a habitat's versions are
    // tied to its species row here so that they can be found from it.
    if (record.speciesID != 0) set_grassland_species(*db_, grassland_id, record.speciesID);
    for (const Chosen& c : chosen) link_measure_to_grassland(*db_, c.measure.measureID, grassland_id);
}

// ------------------------------------------------------------- view mode

void gruenlanddialog::showStored(const std::string& name, const std::string& savetime, bool low_productivity) {
    const GrasslandRecord g = load_grassland(*db_, name, savetime, low_productivity);
    setWindowTitle(QString::fromStdString(g.name_engl) +
                   (low_productivity ? "/ low productivity" : "/ normal productivity"));
    dutch_->setText(QString::fromStdString(g.name_engl));
    latin_->setText(QString::fromStdString(g.name_latin));
    editor_->setText(QString::fromStdString(g.name_editor));
    code_->setText(QString::number(g.code));
    dry_->setText(QString::fromStdString(format_fixed(g.soil_moister_requi_dry, 1)));
    fresh_->setText(QString::fromStdString(format_fixed(g.soil_moister_requi_fresh, 1)));
    wet_->setText(QString::fromStdString(format_fixed(g.soil_moister_requi_wet, 1)));
    // The option shown is also taken into the records: "Save" after "Edit
    // record" reads every other input again, but not the options.
    const Elevation elevation = elevation_of(g);
    elevation_[static_cast<int>(elevation)]->setChecked(true);
    onElevation(elevation);
    for (const MeasureRecord& m : measures_of_grassland(*db_, g.grasslandID)) append(low_productivity, m);
    setViewMode(true);
    updateEnabled();
}

void gruenlanddialog::editRecord() {
    ProfileEditorFrame::editRecord();
    editor_->clear();
    for (bool low : {false, true}) {
        chosen_[low ? 1 : 0].clear();
        measureList(low)->clear();
    }
    updateEnabled();
}

}  // namespace pravel
