#include "ui/steckbrief_vogel_neu.h"
#include "ui/window_parts.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QVBoxLayout>

#include "common/number_format.h"

namespace pravel {

namespace {

// The reproduction periods are shown without a 0 ("%.d" prints nothing for it).
QString count_text(int value) { return value == 0 ? QString() : QString::number(value); }

// "%.1f" / "%.2f": exact half-way values go to the even digit, as printf does.
QString fixed(double value, int decimals) { return QString::fromStdString(format_fixed(value, decimals)); }

}  // namespace

std::optional<SaveRefusal> bird_spatial_refusal(const SpeciesRecord& r) {
    if (r.WES + r.WOLA + r.WKLA < 0.0001) return SaveRefusal{kSpatialMissing, "WES"};
    return std::nullopt;
}

std::optional<SaveRefusal> bird_profile_refusal(const SpeciesRecord& r) {
    if (auto refusal = species_name_refusal(r)) return refusal;
    if (r.probability_succeccful_sub_brood > 0 && r.last_monthquarter_substitut_brood == 0)
        return SaveRefusal{kSubBroodMonthMissing, kSubBroodListLabel};
    if (auto refusal = egg_sum_refusal(r, editor_quarter_month_text(kBirdFirstQuarterMonth))) return refusal;
    if (r.name_editor == kBirdEditorInitial || r.name_editor.empty()) return SaveRefusal{kBirdEditorMissing, kEditorNameLabel};
    return std::nullopt;
}

steckbrief_vogel_neu::steckbrief_vogel_neu(QWidget* parent)
    : AnimalProfileEditor("Characteristics of a new bird species", parent) {
    addNameGroup();
    addEggGroup(kBirdFirstQuarterMonth, kBirdLastQuarterMonth);

    // Substitute brood: its probability and the last quarter month it may start in.
    auto* brood = new QGridLayout;
    brood->addWidget(caption(kSubBroodLabel, content()), 0, 0);
    brood->addWidget(numberInput(kSubBroodLabel, "0", content(), Conversion::Real,
                                 FieldCheck{false, 100.0, kProbabilityRangeMessage, 100.0},
                                 [](SpeciesRecord& r, double v) { r.probability_succeccful_sub_brood = v; }),
                     0, 1);
    brood->addWidget(caption(kSubBroodListLabel, content()), 1, 0);
    subBroodList_ = quarterMonthList(kSubBroodListLabel, kBirdFirstQuarterMonth, kBirdLastQuarterMonth, content());
    brood->addWidget(subBroodList_, 1, 1);
    contentLayout()->addLayout(brood);
    on_entry_chosen(subBroodList_, this, [this](int) {
        if (auto qm = chosenQuarterMonth(subBroodList_, kBirdFirstQuarterMonth))
            record_.last_monthquarter_substitut_brood = *qm;
    });

    addReproductionGroup();
    addDispersalGroup();

    QGroupBox* dependent = group("Requirements for habitat suitability dependent on measures", content());
    auto* dependentLayout = new QHBoxLayout(dependent);
    addVegetationAndMoisture(dependentLayout, dependent);
    contentLayout()->addWidget(dependent);

    QGroupBox* independent = group("Requirements for habitat suitablility independent of measures", content());
    auto* independentLayout = new QHBoxLayout(independent);
    QGroupBox* spatial = group("Spatial  elements", independent);
    auto* spatialLayout = new QVBoxLayout(spatial);
    addScaleCaption(spatialLayout, spatial, "0    = unsuitable  0.5  = suitable     1.0 = preferred");
    auto* spatialGrid = new QGridLayout;
    spatialLayout->addLayout(spatialGrid);
    const FieldCheck spatialCheck{true, 1.0, kValueRangeMessage, 1.0};
    const struct {
        const char* name;
        double SpeciesRecord::*member;
    } elements[] = {{"WES", &SpeciesRecord::WES}, {"WKLA", &SpeciesRecord::WKLA}, {"WOLA", &SpeciesRecord::WOLA}};
    int row = 0;
    for (const auto& e : elements) {
        spatialGrid->addWidget(caption(e.name, spatial), row, 0);
        spatialGrid->addWidget(numberInput(e.name, "0", spatial, Conversion::Real, spatialCheck,
                                           [m = e.member](SpeciesRecord& r, double v) { r.*m = v; }),
                               row, 1);
        ++row;
    }
    independentLayout->addWidget(spatial);

    QGroupBox* predation = group("Predation", independent);
    auto* predationLayout = new QVBoxLayout(predation);
    predationLayout->addWidget(
        caption("Influence of predation. Values lie between 0 and 1 with the following division:", predation));
    predationLayout->addWidget(caption("0 = very high influence     1 = no Influence", predation));
    predationLayout->addWidget(numberInput(kPredationInput, "1", predation, Conversion::Real, {},
                                           [](SpeciesRecord& r, double v) { r.praedation = v; }));
    independentLayout->addWidget(predation);
    contentLayout()->addWidget(independent);

    addEditorName(kBirdEditorInitial);
}

void steckbrief_vogel_neu::showLoaded(const SpeciesRecord& loaded) {
    startFrom(loaded);
    const auto set = [this](const char* name, const QString& text) { control<QLineEdit>(name)->setText(text); };
    setWindowTitle(QString::fromStdString(loaded.name));
    set(kDutchNameLabel, QString::fromStdString(loaded.name));
    showEggs(loaded);
    set(kSubBroodLabel, fixed(loaded.probability_succeccful_sub_brood * 100.0, 1));
    const int entry = loaded.last_monthquarter_substitut_brood - kBirdFirstQuarterMonth;
    if (entry >= 0 && entry < subBroodList_->count())
        subBroodList_->setCurrentRow(entry);
    else
        subBroodList_->setCurrentRow(-1);
    set(kTotalPeriodLabel, count_text(loaded.reproduction_period));
    set(kCriticalPeriodLabel, count_text(loaded.critical_reproduction_period));
    set(kRadiusLabel, fixed(loaded.dispersal_capability, 1));
    set(kTallGrassLabel, fixed(loaded.vegetation_requirement_tall, 1));
    set(kMediumGrassLabel, fixed(loaded.vegetation_requirement_medium, 1));
    set(kShortGrassLabel, fixed(loaded.vegetation_requirement_short, 1));
    set("dry", fixed(loaded.soil_moisture_requir_dry, 1));
    set("fresh", fixed(loaded.soil_moisture_requir_fresh, 1));
    set("wet", fixed(loaded.soil_moisture_requir_wet, 1));
    set(kPredationInput, fixed(loaded.praedation, 2));
    set(kLatinNameLabel, QString::fromStdString(loaded.name_latein));
    set(kEditorNameLabel, QString::fromStdString(loaded.name_editor));
    set("WES", fixed(loaded.WES, 2));
    set("WKLA", fixed(loaded.WKLA, 2));
    set("WOLA", fixed(loaded.WOLA, 2));
}

void steckbrief_vogel_neu::save() {
    readInputs();
    if (!passes(bird_spatial_refusal(record_))) return;
    if (auto qm = chosenQuarterMonth(subBroodList_, kBirdFirstQuarterMonth))
        record_.last_monthquarter_substitut_brood = *qm;
    if (!passes(bird_profile_refusal(record_))) return;
    confirmAndStore(kBirdConfirmation, kGroupBird);
}

}  // namespace pravel
