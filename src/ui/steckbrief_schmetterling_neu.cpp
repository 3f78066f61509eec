#include "ui/steckbrief_schmetterling_neu.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QVBoxLayout>

#include <algorithm>

#include "store/database_access.h"
#include "ui/grassland_form.h"

namespace pravel {

namespace {

bool is_initial_editor_name(const std::string& name) {
    return name.empty() || name == kButterflyEditorInitial || name == "Geben Sie bitte Ihren Namen ein!";
}

}  // namespace

std::optional<SaveRefusal> butterfly_profile_refusal(const SpeciesRecord& r) {
    if (auto refusal = species_name_refusal(r)) return refusal;
    if (auto refusal = egg_sum_refusal(r, editor_quarter_month_text(kButterflyFirstEggQuarterMonth))) return refusal;
    if (is_initial_editor_name(r.name_editor)) return SaveRefusal{kButterflyEditorMissing, kEditorNameLabel};
    if (r.grassland_ids.empty()) return SaveRefusal{kGrasslandMissing, ""};
    return std::nullopt;
}

steckbrief_schmetterling_neu::steckbrief_schmetterling_neu(QWidget* parent)
    : AnimalProfileEditor("Characteristics of a new butterfly species", parent) {
    addNameGroup();
    addEggGroup(kButterflyFirstEggQuarterMonth, kButterflyLastQuarterMonth);

    // The egg deposition of a second generation, if the species has one.
    auto* generation = new QGridLayout;
    generation->addWidget(caption("If the butterfly species has two generations per year, please specify start "
                                  "and end of the second period of egg deposition",
                                  content()),
                          0, 0, 1, 2);
    start_ = quarterMonthList(kSecondGenerationStartLabel, kButterflyFirstGenerationQuarterMonth,
                              kButterflyLastQuarterMonth, content());
    end_ = quarterMonthList(kSecondGenerationEndLabel, kButterflyFirstGenerationQuarterMonth,
                            kButterflyLastQuarterMonth, content());
    const struct {
        QListWidget* list;
        int SpeciesRecord::*member;
        const char* label;
    } generationLists[] = {{start_, &SpeciesRecord::second_generation_start, kSecondGenerationStartLabel},
                           {end_, &SpeciesRecord::second_generation_end, kSecondGenerationEndLabel}};
    int column = 0;
    for (const auto& g : generationLists) {
        generation->addWidget(caption(g.label, content()), 1, column);
        generation->addWidget(g.list, 2, column);
        connect(g.list, &QListWidget::itemDoubleClicked, this, [this, list = g.list, member = g.member] {
            if (auto qm = chosenQuarterMonth(list, kButterflyFirstGenerationQuarterMonth)) record_.*member = *qm;
        });
        ++column;
    }
    contentLayout()->addLayout(generation);

    QGroupBox* reproduction = addReproductionGroup();
    reproduction->layout()->addWidget(caption(kSecondGenerationCountLabel, reproduction));
    reproduction->layout()->addWidget(
        numberInput(kSecondGenerationCountLabel, "", reproduction, Conversion::Integer, {},
                    [](SpeciesRecord& r, double v) { r.second_generation_count = static_cast<int>(v); }));
    addDispersalGroup();

    QGroupBox* dependent = group("Requirements for habitat suitability dependent on measures", content());
    auto* dependentLayout = new QHBoxLayout(dependent);
    addVegetationAndMoisture(dependentLayout, dependent);
    contentLayout()->addWidget(dependent);

    addEditorName(kButterflyEditorInitial);

    // Grassland types: a click on an offered type adds it to the chosen
    // ones, a double click on a chosen one removes it.
    auto* grass = new QGridLayout;
    grass->addWidget(caption(kGrasslandChoiceLabel, content()), 0, 0);
    grass->addWidget(caption(kGrasslandChosenLabel, content()), 0, 1);
    choice_ = new QListWidget(content());
    choice_->setObjectName(kGrasslandChoiceLabel);
    chosen_ = new QListWidget(content());
    chosen_->setObjectName(kGrasslandChosenLabel);
    watch(choice_);
    watch(chosen_);
    grass->addWidget(choice_, 1, 0);
    grass->addWidget(chosen_, 1, 1);
    contentLayout()->addLayout(grass);
    connect(choice_, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) { chooseGrassland(item); });
    connect(chosen_, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { removeChosenGrassland(chosen_->row(item)); });

    DatabaseAccess db;
    setGrasslands(all_grasslands(db));
}

void steckbrief_schmetterling_neu::setGrasslands(std::vector<GrasslandRecord> grasslands) {
    grasslands_ = std::move(grasslands);
    choice_->clear();
    // Alphabetical order ignores case ("bog" before "Meadow"); entries that
    // differ only in case keep a fixed order.
    std::vector<std::pair<QString, int>> entries;
    for (std::size_t i = 0; i < grasslands_.size(); ++i)
        entries.emplace_back(QString::fromStdString(grassland_load_entry(grasslands_[i])), static_cast<int>(i));
    std::stable_sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
        const int c = QString::compare(a.first, b.first, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a.first < b.first;
    });
    for (const auto& [text, index] : entries) {
        auto* item = new QListWidgetItem(text);
        item->setData(Qt::UserRole, index);
        choice_->addItem(item);
    }
}

void steckbrief_schmetterling_neu::chooseGrassland(const QListWidgetItem* item) {
    if (!item) return;
    const GrasslandRecord& g = grasslands_.at(item->data(Qt::UserRole).toInt());
    chosen_->addItem(item->text());
    record_.grassland_ids.push_back(g.grasslandID);
    record_.grassland_records.push_back(g);
}

void steckbrief_schmetterling_neu::removeChosenGrassland(int row) {
    // The chosen list is in the order of choosing, as are the identifiers.
    if (row < 0 || row >= static_cast<int>(record_.grassland_ids.size())) return;
    delete chosen_->takeItem(row);
    record_.grassland_ids.erase(record_.grassland_ids.begin() + row);
    if (row < static_cast<int>(record_.grassland_records.size()))
        record_.grassland_records.erase(record_.grassland_records.begin() + row);
}

void steckbrief_schmetterling_neu::save() {
    readInputs();
    if (auto qm = chosenQuarterMonth(start_, kButterflyFirstGenerationQuarterMonth))
        record_.second_generation_start = *qm;
    if (auto qm = chosenQuarterMonth(end_, kButterflyFirstGenerationQuarterMonth))
        record_.second_generation_end = *qm;
    if (!passes(butterfly_profile_refusal(record_))) return;
    confirmAndStore(kButterflyConfirmation, kGroupButterfly);
}

}  // namespace pravel
