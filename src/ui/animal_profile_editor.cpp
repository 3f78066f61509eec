#include "ui/animal_profile_editor.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QVBoxLayout>

#include "common/notifier.h"
#include "common/number_format.h"
#include "common/numeric_input.h"
#include "store/database_access.h"

namespace pravel {

namespace {

// Kept fractions, per cent on the screen.
const FieldCheck kEggCheck{true, 100.0, kProbabilityRangeMessage, 100.0};

bool is_blank(const std::string& text) { return text.find_first_not_of(" \t") == std::string::npos; }

}  // namespace

std::optional<SaveRefusal> species_name_refusal(const SpeciesRecord& record) {
    if (record.name.empty()) return SaveRefusal{kSpeciesNameMissing, kDutchNameLabel};
    return std::nullopt;
}

std::optional<SaveRefusal> egg_sum_refusal(const SpeciesRecord& record, const std::string& first) {
    const std::vector<double> shares(record.eggs_by_quarter_month.begin(), record.eggs_by_quarter_month.end());
    if (!shares_make_whole(shares)) return SaveRefusal{kEggSumWrong, first};
    return std::nullopt;
}

AnimalProfileEditor::AnimalProfileEditor(const QString& title, QWidget* parent)
    : ProfileEditorFrame(title, parent) {}

void AnimalProfileEditor::startFrom(const SpeciesRecord& base) {
    record_ = base;
    baseGroup_ = is_blank(base.group) ? std::string() : base.group;
}

QLineEdit* AnimalProfileEditor::numberInput(const QString& name, const QString& initial, QWidget* parent,
                                             Conversion conversion, const FieldCheck& check,
                                             std::function<void(SpeciesRecord&, double)> set) {
    QLineEdit* field = input(name, initial, parent);
    watch(field, [this, field, conversion, check, set] {
        const std::optional<double> value = runCheck(field, check);
        if (!value) return;
        set(record_, conversion == Conversion::Integer ? parse_int(field->text().toStdString()) : *value);
    });
    numbers_.push_back({field, conversion, check.divisor, std::move(set)});
    return field;
}

QLineEdit* AnimalProfileEditor::textInput(const QString& name, const QString& initial, QWidget* parent,
                                           std::string SpeciesRecord::*member) {
    QLineEdit* field = input(name, initial, parent);
    watch(field, [this, field, member] { record_.*member = field->text().toStdString(); });
    texts_.push_back({field, member});
    return field;
}

void AnimalProfileEditor::readInputs() {
    for (const Binding& b : numbers_) {
        const std::string text = b.field->text().toStdString();
        const double value = b.conversion == Conversion::Integer ? parse_int(text) : parse_real(text) / b.divisor;
        b.set(record_, value);
    }
    for (const TextBinding& t : texts_) record_.*t.member = t.field->text().toStdString();
}

void AnimalProfileEditor::addScaleCaption(QLayout* layout, QWidget* parent, const QString& scale) {
    layout->addWidget(caption("Values lie between 0 and 1 with the following division:", parent));
    layout->addWidget(caption(scale, parent));
}

void AnimalProfileEditor::addNameGroup() {
    QGroupBox* box = group("Name", content());
    auto* grid = new QGridLayout(box);
    grid->addWidget(caption(kDutchNameLabel, box), 0, 0);
    grid->addWidget(textInput(kDutchNameLabel, "", box, &SpeciesRecord::name), 0, 1);
    grid->addWidget(caption(kLatinNameLabel, box), 1, 0);
    grid->addWidget(textInput(kLatinNameLabel, "", box, &SpeciesRecord::name_latein), 1, 1);
    contentLayout()->addWidget(box);
}

void AnimalProfileEditor::addEggGroup(int first, int last) {
    QGroupBox* box = group("Egg deposition", content());
    auto* outer = new QVBoxLayout(box);
    outer->addWidget(caption(kEggCaption, box));
    auto* grid = new QGridLayout;
    outer->addLayout(grid);
    // Four quarter months of a calendar month to a row.
    for (int qm = first; qm <= last; ++qm) {
        const QString text = QString::fromStdString(editor_quarter_month_text(qm));
        const int row = (qm - 1) / 4 - (first - 1) / 4;
        const int column = 2 * ((qm - 1) % 4);
        grid->addWidget(caption(text, box), row, column);
        QLineEdit* field = numberInput(text, "0", box, Conversion::Real, kEggCheck,
                                       [qm](SpeciesRecord& r, double v) { r.eggs_by_quarter_month[qm - 1] = v; });
        grid->addWidget(field, row, column + 1);
        eggs_.emplace_back(qm, field);
    }
    contentLayout()->addWidget(box);
}

QGroupBox* AnimalProfileEditor::addReproductionGroup() {
    QGroupBox* box = group("Reproduction period", content());
    auto* row = new QHBoxLayout(box);
    const struct {
        const char* caption;
        const char* name;
        int SpeciesRecord::*member;
    } periods[] = {{"Critical reproduction period", kCriticalPeriodLabel, &SpeciesRecord::critical_reproduction_period},
                   {"Total reproduction period", kTotalPeriodLabel, &SpeciesRecord::reproduction_period}};
    for (const auto& p : periods) {
        QGroupBox* inner = group(p.caption, box);
        auto* l = new QHBoxLayout(inner);
        l->addWidget(caption("Number of QMs", inner));
        l->addWidget(numberInput(p.name, "0", inner, Conversion::Integer, {},
                                 [m = p.member](SpeciesRecord& r, double v) { r.*m = static_cast<int>(v); }));
        row->addWidget(inner);
    }
    contentLayout()->addWidget(box);
    return box;
}

void AnimalProfileEditor::addDispersalGroup() {
    QGroupBox* box = group("Dispersal capability", content());
    auto* l = new QHBoxLayout(box);
    l->addWidget(caption(kRadiusLabel, box));
    l->addWidget(numberInput(kRadiusLabel, "0", box, Conversion::Real, {},
                             [](SpeciesRecord& r, double v) { r.dispersal_capability = v; }));
    contentLayout()->addWidget(box);
}

void AnimalProfileEditor::addVegetationAndMoisture(QLayout* layout, QWidget* parent) {
    using Field = double SpeciesRecord::*;
    const struct {
        const char* caption;
        std::vector<std::pair<const char*, Field>> inputs;
    } groups[] = {
        {"Vegetation stratification",
         {{kShortGrassLabel, &SpeciesRecord::vegetation_requirement_short},
          {kMediumGrassLabel, &SpeciesRecord::vegetation_requirement_medium},
          {kTallGrassLabel, &SpeciesRecord::vegetation_requirement_tall}}},
        {"Soil moisture",
         {{"dry", &SpeciesRecord::soil_moisture_requir_dry},
          {"fresh", &SpeciesRecord::soil_moisture_requir_fresh},
          {"wet", &SpeciesRecord::soil_moisture_requir_wet}}},
    };
    for (const auto& g : groups) {
        QGroupBox* box = group(g.caption, parent);
        auto* l = new QVBoxLayout(box);
        addScaleCaption(l, box, "0    = unsuitable  0.5 = suitable      1    = preferred");
        auto* grid = new QGridLayout;
        l->addLayout(grid);
        int row = 0;
        for (const auto& [name, member] : g.inputs) {
            grid->addWidget(caption(name, box), row, 0);
            grid->addWidget(numberInput(name, "0", box, Conversion::Real, {},
                                        [m = member](SpeciesRecord& r, double v) { r.*m = v; }),
                            row, 1);
            ++row;
        }
        layout->addWidget(box);
    }
}

void AnimalProfileEditor::addEditorName(const QString& initial) {
    auto* row = new QHBoxLayout;
    row->addWidget(caption(kEditorNameLabel, content()));
    row->addWidget(textInput(kEditorNameLabel, initial, content(), &SpeciesRecord::name_editor));
    contentLayout()->addLayout(row);
}

QListWidget* AnimalProfileEditor::quarterMonthList(const QString& name, int first, int last, QWidget* parent) {
    auto* list = new QListWidget(parent);
    list->setObjectName(name);
    for (int qm = first; qm <= last; ++qm) list->addItem(QString::fromStdString(editor_quarter_month_text(qm)));
    watch(list);
    return list;
}

std::optional<int> AnimalProfileEditor::chosenQuarterMonth(const QListWidget* list, int first) {
    const int row = list->currentRow();
    if (row < 0 || !list->currentItem() || !list->currentItem()->isSelected()) return std::nullopt;
    return first + row;
}

bool AnimalProfileEditor::passes(const std::optional<SaveRefusal>& refusal) {
    if (!refusal) return true;
    // Groups carry their captions as names too; the focus goes to an input
    // or a list of that name.
    const QString name = QString::fromStdString(refusal->focus);
    QWidget* focus = nullptr;
    if (!name.isEmpty()) {
        focus = findChild<QLineEdit*>(name);
        if (!focus) focus = findChild<QListWidget*>(name);
    }
    return refuse(refusal->message, focus);
}

bool AnimalProfileEditor::confirmAndStore(const char* question, const char* group) {
    if (!notifier().ask_ok_cancel(question, kCheckInputTitle)) return false;
    // A version made from a loaded profile stays in that profile's group.
    record_.group = baseGroup_.empty() ? group : baseGroup_;
    {
        DatabaseAccess db;
        save_species(db, record_);
    }
    close();
    return true;
}

QLineEdit* AnimalProfileEditor::eggInput(int quarter_month) const {
    for (const auto& [qm, field] : eggs_)
        if (qm == quarter_month) return field;
    return nullptr;
}

void AnimalProfileEditor::showEggs(const SpeciesRecord& loaded) {
    for (const auto& [qm, field] : eggs_)
        field->setText(QString::fromStdString(format_fixed(loaded.eggs_by_quarter_month[qm - 1] * 100.0, 1)));
}

}  // namespace pravel
