#include "ui/massnahmen_wirksamkeit.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "common/notifier.h"
#include "core/measure_record.h"
#include "store/database_access.h"
#include "store/landscape_store.h"
#include "store/measure_store.h"
#include "store/result_store.h"
#include "store/profile_store.h"
#include "ui/map_views.h"
#include "ui/measure_cascade.h"
#include "ui/shell.h"
#include "ui/window_parts.h"

namespace pravel {

massnahmen_wirksamkeit::massnahmen_wirksamkeit(QWidget* parent)
    : QDialog(parent), db_(std::make_unique<DatabaseAccess>()) {
    setWindowTitle(kTitle);
    setModal(false);
    setAttribute(Qt::WA_DeleteOnClose, true);
    clear_visualisation_rows(*db_);
    clear_graphic_rows(*db_);
    buildControls();
    fill_region_and_species(*db_, region_, dutch_, latin_);
}

massnahmen_wirksamkeit::~massnahmen_wirksamkeit() = default;

void massnahmen_wirksamkeit::buildControls() {
    auto* top = new QHBoxLayout(this);

    // Left column: region and species.
    auto* left = new QVBoxLayout;
    left->addWidget(label("Region", this));
    region_ = namedList("Region", this);
    left->addWidget(region_);
    left->addWidget(label("Dutch name", this));
    dutch_ = namedList("Dutch name", this);
    left->addWidget(dutch_);
    left->addWidget(label("Latin name", this));
    latin_ = namedList("Latin name", this);
    left->addWidget(latin_);
    left->addWidget(label("Saved on", this));
    savedOn_ = namedList("Saved on", this);
    left->addWidget(savedOn_);
    left->addWidget(label(kQualityLabel, this));
    quality_ = namedField(kQualityLabel, this);
    left->addWidget(quality_);
    auto* copy = namedButton("Copy values", this);
    left->addWidget(copy);
    top->addLayout(left);

    // Middle column: measure selection.
    auto* middle = new QVBoxLayout;
    cascade_ = new MeasureCascade(*db_, this);
    middle->addWidget(cascade_);
    auto* sets = new QHBoxLayout;
    auto* mowing = namedButton("Only mowing", this);
    auto* grazing = namedButton("Only grazing", this);
    auto* all = namedButton("All measures", this);
    sets->addWidget(mowing);
    sets->addWidget(grazing);
    sets->addWidget(all);
    middle->addLayout(sets);
    top->addLayout(middle);

    // Right column: chosen inputs, options, results.
    auto* right = new QVBoxLayout;
    right->addWidget(label("List of selected measures", this));
    measureList_ = namedList("List of selected measures", this);
    right->addWidget(measureList_);
    auto* speciesRow = new QGridLayout;
    speciesRow->addWidget(label("List of selected species", this), 0, 0);
    speciesRow->addWidget(label("List of minimum qualities", this), 0, 1);
    speciesList_ = namedList("List of selected species", this);
    qualityList_ = namedList("List of minimum qualities", this);
    speciesRow->addWidget(speciesList_, 1, 0);
    speciesRow->addWidget(qualityList_, 1, 1);
    right->addLayout(speciesRow);

    predation_ = new PredationChoice(this);
    right->addWidget(predation_);

    right->addWidget(label(kTransactionLabel, this));
    transaction_ = namedField(kTransactionLabel, this);
    right->addWidget(transaction_);
    right->addWidget(label(kFactorLabel, this));
    factor_ = namedField(kFactorLabel, this);
    right->addWidget(factor_);

    auto* run = namedButton("Run simulation", this);
    right->addWidget(run);
    right->addWidget(label("Result", this));
    result_ = namedList("Result", this);
    right->addWidget(result_);
    auto* buttons = new QHBoxLayout;
    auto* visualizeButton = namedButton("Visualize", this);
    auto* close = namedButton("Close window", this);
    buttons->addWidget(visualizeButton);
    buttons->addWidget(close);
    right->addLayout(buttons);
    top->addLayout(right, 1);

    connect(region_, &QListWidget::itemSelectionChanged, this, &massnahmen_wirksamkeit::onRegionChanged);
    link_species_names(*db_, dutch_, latin_, savedOn_, this);
    connect(copy, &QPushButton::clicked, this, &massnahmen_wirksamkeit::addSpecies);

    // The cascade announces a measure when its last step is chosen and again
    // on its add button; the list takes it from the add button only, so each
    // press lists it exactly once.
    connect(cascade_, &MeasureCascade::measureChosen, this,
            [this](const MeasureRecord& m, const QString& line) { pending_.emplace(m, line); });
    connect(cascade_->addButton(), &QPushButton::clicked, this, [this] {
        if (pending_) addMeasure(pending_->first, pending_->second);
    });
    connect(mowing, &QPushButton::clicked, this, [this] { addMeasures(mowing_measure_set(*db_), false); });
    connect(grazing, &QPushButton::clicked, this, [this] { addMeasures(grazing_measure_set(*db_), true); });
    connect(all, &QPushButton::clicked, this, [this] { addMeasures(all_measures(*db_), false); });

    connect(measureList_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        const int row = measureList_->row(item);
        if (row < 0 || row >= static_cast<int>(measures_.size())) return;
        measures_.erase(measures_.begin() + row);
        delete measureList_->takeItem(row);
    });
    auto removeSpecies = [this](int row) {
        if (row < 0 || row >= static_cast<int>(species_.size())) return;
        species_.erase(species_.begin() + row);
        qualities_.erase(qualities_.begin() + row);
        delete speciesList_->takeItem(row);
        delete qualityList_->takeItem(row);
    };
    connect(speciesList_, &QListWidget::itemDoubleClicked, this,
            [this, removeSpecies](QListWidgetItem* item) { removeSpecies(speciesList_->row(item)); });
    connect(qualityList_, &QListWidget::itemDoubleClicked, this,
            [this, removeSpecies](QListWidgetItem* item) { removeSpecies(qualityList_->row(item)); });

    connect(run, &QPushButton::clicked, this, &massnahmen_wirksamkeit::runSimulation);
    connect(visualizeButton, &QPushButton::clicked, this, &massnahmen_wirksamkeit::visualize);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
}

void massnahmen_wirksamkeit::onRegionChanged() {
    countryID_ = selected_country(*db_, region_);
}

void massnahmen_wirksamkeit::addMeasures(const std::vector<MeasureRecord>& measures, bool withDensity) {
    for (const auto& m : measures) addMeasure(m, QString::fromStdString(measure_list_line(m, withDensity)));
}

void massnahmen_wirksamkeit::addMeasure(const MeasureRecord& measure, const QString& line) {
    measures_.push_back(measure);
    measureList_->addItem(line);
}

void massnahmen_wirksamkeit::addSpecies() {
    QListWidgetItem* name = dutch_->currentItem();
    const std::string text = quality_->text().toStdString();
    const std::string problem = effectiveness_species_problem(name != nullptr, text);
    if (!problem.empty()) {
        notifier().inform(problem);
        if (problem != kEffNoSpeciesName) quality_->setFocus();
        return;
    }
    QListWidgetItem* saved = savedOn_->currentItem();
    const std::string savetime = saved ? saved->text().toStdString() : std::string();
    species_.push_back(load_species("name", name->text().toStdString(), savetime));
    qualities_.push_back(quality_->text().toDouble());
    speciesList_->addItem(name->text());
    qualityList_->addItem(quality_->text());
}

void massnahmen_wirksamkeit::runSimulation() {
    EffectivenessInputs in;
    in.distance_cost_factor = factor_->text().toStdString();
    in.transaction_costs = transaction_->text().toStdString();
    in.measures = measures_;
    in.species = species_;
    in.minimum_qualities = qualities_;
    in.time_dependent_predation = predation_->timeDependent();
    in.countryID = countryID_;

    // The progress dialog shows only for a run that gets past the checks; its
    // Cancel ends the evaluation, and a cancelled run shows no result.
    std::optional<RunProgress> progress;
    if (effectiveness_input_problem(in).empty())
        progress.emplace(this, kTitle, "Evaluating ...", evaluation_progress_text, progressObserver_);
    EffectivenessRun run = run_effectiveness(*db_, in, progress ? &progress->feedback() : nullptr);
    progress.reset();
    if (!run.message.empty()) {
        notifier().inform(run.message);
        if (run.message == kEffFactorMissing) factor_->setFocus();
        if (run.message == kEffTransactionCostsMissing) transaction_->setFocus();
        return;
    }
    if (run.cancelled) {
        notifier().inform(kSimulationCancelledText);
        return;
    }
    for (const auto& line : run.lines) result_->addItem(QString::fromStdString(line));
    lastRun_ = std::move(run);
}

void massnahmen_wirksamkeit::visualize() {
    if (lastRun_) write_visualisation_rows(*db_, effectiveness_visualisation_rows(*lastRun_));
    // The result map opens as a new window on the active document; with
    // none open, on a new one.
    lastMap_ = open_result_map(this);
}

}  // namespace pravel
