#include "ui/optimierung.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <cstdlib>

#include "common/notifier.h"
#include "core/effectiveness.h"
#include "core/measure_record.h"
#include "optimisation/budget_minimisation.h"
#include "optimisation/configuration_store.h"
#include "optimisation/optimisation_lines.h"
#include "optimisation/report_file.h"
#include "store/database_access.h"
#include "store/landscape_store.h"
#include "store/result_store.h"
#include "ui/map_views.h"
#include "ui/measure_cascade.h"
#include "ui/savename.h"
#include "ui/shell.h"
#include "ui/window_parts.h"

namespace pravel {

optimierung::optimierung(QWidget* parent) : QDialog(parent), db_(std::make_unique<DatabaseAccess>()) {
    setWindowTitle(kTitle);
    setModal(false);
    setAttribute(Qt::WA_DeleteOnClose, true);
    clear_visualisation_rows(*db_);
    buildControls();
    fillSelections();
    visualize_->setEnabled(false);
    save_->setEnabled(false);
}

optimierung::~optimierung() = default;

void optimierung::buildControls() {
    auto* top = new QHBoxLayout(this);

    // Left column: region and species with their targets.
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
    left->addWidget(label("for species", this));
    forSpecies_ = namedField("for species", this);
    forSpecies_->setReadOnly(true);
    left->addWidget(forSpecies_);
    left->addWidget(label(kQualityLabel, this));
    quality_ = namedField(kQualityLabel, this);
    left->addWidget(quality_);
    left->addWidget(label(kAreaLabel, this));
    area_ = namedField(kAreaLabel, this);
    left->addWidget(area_);
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
    speciesRow->addWidget(label("List of minimal effective areas (ha)", this), 0, 2);
    speciesList_ = namedList("List of selected species", this);
    qualityList_ = namedList("List of minimum qualities", this);
    areaList_ = namedList("List of minimal effective areas (ha)", this);
    speciesRow->addWidget(speciesList_, 1, 0);
    speciesRow->addWidget(qualityList_, 1, 1);
    speciesRow->addWidget(areaList_, 1, 2);
    right->addLayout(speciesRow);

    auto* predation = new QGroupBox("Selection of predation", this);
    predation->setObjectName("Selection of predation");
    auto* predationLayout = new QVBoxLayout(predation);
    timeIndependent_ = new QRadioButton("time independent", predation);
    timeIndependent_->setObjectName("time independent");
    timeDependent_ = new QRadioButton("time dependent", predation);
    timeDependent_->setObjectName("time dependent");
    predationLayout->addWidget(timeIndependent_);
    predationLayout->addWidget(timeDependent_);
    right->addWidget(predation);

    right->addWidget(label(kTransactionLabel, this));
    transaction_ = namedField(kTransactionLabel, this);
    right->addWidget(transaction_);
    right->addWidget(label(kFactorLabel, this));
    factor_ = namedField(kFactorLabel, this);
    right->addWidget(factor_);

    auto* start = namedButton("Start optimization", this);
    right->addWidget(start);
    right->addWidget(label(kMeasureResultLabel, this));
    measureResult_ = namedList(kMeasureResultLabel, this);
    right->addWidget(measureResult_);
    right->addWidget(label(kSpeciesResultLabel, this));
    speciesResult_ = namedList(kSpeciesResultLabel, this);
    right->addWidget(speciesResult_);
    right->addWidget(label(kTotalLabel, this));
    total_ = namedField(kTotalLabel, this);
    total_->setReadOnly(true);
    right->addWidget(total_);
    auto* buttons = new QHBoxLayout;
    visualize_ = namedButton("Visualize", this);
    auto* report = namedButton("save to file", this);
    save_ = namedButton("Save", this);
    auto* close = namedButton("Close window", this);
    buttons->addWidget(visualize_);
    buttons->addWidget(report);
    buttons->addWidget(save_);
    buttons->addWidget(close);
    right->addLayout(buttons);
    top->addLayout(right, 1);

    connect(region_, &QListWidget::itemSelectionChanged, this, &optimierung::onRegionChanged);
    link_species_names(*db_, dutch_, latin_, savedOn_, this, [this](const QString& name) { forSpecies_->setText(name); });
    connect(copy, &QPushButton::clicked, this, &optimierung::addSpecies);
    connect(transaction_, &QLineEdit::editingFinished, this, &optimierung::checkTransactionCosts);

    // The cascade announces a measure when its last step is chosen; the list
    // takes it from the add button only.
    connect(cascade_, &MeasureCascade::measureChosen, this,
            [this](const MeasureRecord& m, const QString& line) { pending_.emplace(m, line); });
    connect(cascade_->addButton(), &QPushButton::clicked, this, [this] {
        if (pending_) addMeasure(pending_->first, pending_->second);
    });
    connect(mowing, &QPushButton::clicked, this, [this] {
        auto set = measures_by_name_without_early_use(*db_, "mowing_postpo");
        auto strips = measures_by_name_without_early_use(*db_, "refuge strips");
        set.insert(set.end(), strips.begin(), strips.end());
        addMeasures(set, false);
    });
    connect(grazing, &QPushButton::clicked, this, [this] {
        std::vector<MeasureRecord> set;
        for (const char* name : {"grazing_rot_postpo", "grazing_seas_postpo", "mowing1_grazing_rot",
                                 "mowing1_grazing_seas"}) {
            auto part = measures_by_name_without_early_use(*db_, name);
            set.insert(set.end(), part.begin(), part.end());
        }
        addMeasures(set, true);
    });
    connect(all, &QPushButton::clicked, this, [this] { addMeasures(all_measures(*db_), false); });

    connect(measureList_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        const int row = measureList_->row(item);
        if (row < 0 || row >= static_cast<int>(measures_.size())) return;
        measures_.erase(measures_.begin() + row);
        delete measureList_->takeItem(row);
    });
    for (QListWidget* list : {speciesList_, qualityList_, areaList_})
        connect(list, &QListWidget::itemDoubleClicked, this,
                [this, list](QListWidgetItem* item) { removeSpecies(list->row(item)); });

    connect(start, &QPushButton::clicked, this, &optimierung::startOptimisation);
    connect(visualize_, &QPushButton::clicked, this, &optimierung::visualize);
    connect(report, &QPushButton::clicked, this, &optimierung::saveToFile);
    connect(save_, &QPushButton::clicked, this, &optimierung::store);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
}

void optimierung::fillSelections() {
    fill(region_, country_names(*db_));
    fill(dutch_, species_distinct_values(*db_, "name"));
    fill(latin_, species_distinct_values(*db_, "name_latein"));
}

void optimierung::onRegionChanged() {
    QListWidgetItem* item = region_->currentItem();
    if (!item || !item->isSelected()) {
        countryID_.reset();
        return;
    }
    countryID_ = country_id(*db_, item->text().toStdString());
}

void optimierung::addMeasures(const std::vector<MeasureRecord>& measures, bool withDensity) {
    for (const auto& m : measures) addMeasure(m, QString::fromStdString(measure_list_line(m, withDensity)));
}

void optimierung::addMeasure(const MeasureRecord& measure, const QString& line) {
    measures_.push_back(measure);
    measureList_->addItem(line);
}

void optimierung::addSpecies() {
    const QString name = forSpecies_->text();
    const std::string problem = budget_minimisation_species_problem(
        !name.isEmpty(), quality_->text().toStdString(), area_->text().toStdString());
    if (!problem.empty()) {
        notifier().inform(problem);
        if (problem == kMinQualityNotNumber || problem == kMinQualityOutOfRange) quality_->setFocus();
        if (problem == kMinAreaNotNumber || problem == kMinAreaNotPositive) area_->setFocus();
        return;
    }
    QListWidgetItem* saved = savedOn_->currentItem();
    const std::string savetime = saved ? saved->text().toStdString() : std::string();
    species_.push_back(load_species("name", name.toStdString(), savetime));
    qualities_.push_back(quality_->text().toDouble());
    areas_.push_back(area_->text().toDouble());
    qualityList_->addItem(quality_->text());
    areaList_->addItem(area_->text());
    speciesList_->addItem(name);
    forSpecies_->clear();
    quality_->clear();
    area_->clear();
}

void optimierung::removeSpecies(int row) {
    if (row < 0 || row >= static_cast<int>(species_.size())) return;
    species_.erase(species_.begin() + row);
    qualities_.erase(qualities_.begin() + row);
    areas_.erase(areas_.begin() + row);
    delete speciesList_->takeItem(row);
    delete qualityList_->takeItem(row);
    delete areaList_->takeItem(row);
}

void optimierung::checkTransactionCosts() {
    if (closing_) return;
    const std::string problem =
        optimisation_field_problem(CheckedField::TransactionCosts, transaction_->text().toStdString());
    if (problem.empty()) return;
    notifier().inform(problem);
    transaction_->setFocus();
}

void optimierung::startOptimisation() {
    OptimisationInputs in;
    in.distance_cost_factor = factor_->text().toStdString();
    in.transaction_costs = transaction_->text().toStdString();
    in.country_chosen = countryID_.has_value();
    if (timeIndependent_->isChecked()) in.time_dependent_predation = false;
    if (timeDependent_->isChecked()) in.time_dependent_predation = true;
    in.species_count = species_.size();
    in.measure_count = measures_.size();
    const std::string problem = budget_minimisation_input_problem(in);
    if (!problem.empty()) {
        notifier().inform(problem);
        if (problem == kOptFactorMissing) factor_->setFocus();
        if (problem == kOptTransactionCostsMissing) transaction_->setFocus();
        return;
    }

    const RasterReference raster = load_raster_reference(*db_, *countryID_);
    pixelArea_ = raster.pixel_area_ha;

    BudgetMinimisationInput input;
    input.countryID = *countryID_;
    input.time_dependent_predation = *in.time_dependent_predation;
    input.species = species_;
    input.minimum_quality = qualities_;
    input.wanted_area_ha = areas_;
    input.measures = measures_;
    // Read as the leading number of the text: "12.7" gives 12.
    input.transaction_costs = std::atoi(transaction_->text().toStdString().c_str());
    input.distance_cost_factor = std::atof(factor_->text().toStdString().c_str());
    input.seed = seed_;

    OptimisationResult result;
    {
        WaitCursor wait;
        // The run reports on this thread; the dialog is repainted from its
        // reports, and its Cancel ends the run with the best solution so far.
        QProgressDialog progress("Optimizing ...", "Cancel", 0, 0, this);
        progress.setWindowTitle(kTitle);
        progress.setWindowModality(Qt::WindowModal);
        progress.setMinimumDuration(0);
        Feedback feedback([&](const Feedback::Progress& p) {
            progress.setLabelText(QString("Iteration %1\nTemperature %2\nBest objective %3")
                                      .arg(p.step)
                                      .arg(p.value, 0, 'g', 6)
                                      .arg(p.best, 0, 'f', 2));
            QCoreApplication::processEvents();
            if (progressObserver_) progressObserver_(progress, p);
            if (progress.wasCanceled()) feedback.cancel();
        });
        progress.show();
        result = BudgetMinimisationRun(*db_, input, &feedback);
    }
    notifier().inform("Done");

    const OptimisationLines lines = budget_minimisation_lines(result, measures_, species_, areas_, pixelArea_);
    for (const auto& l : lines.measures) measureResult_->addItem(QString::fromStdString(l));
    for (const auto& l : lines.species) speciesResult_->addItem(QString::fromStdString(l));
    total_->setText(QString::fromStdString(lines.total_text));

    // The map rows go through a connection of their own.
    {
        DatabaseAccess mapDb;
        write_visualisation_rows(mapDb, allocation_visualisation_rows(result.allocation, species_, *countryID_));
    }
    last_ = std::move(result);
    visualize_->setEnabled(true);
    save_->setEnabled(true);
}

void optimierung::visualize() {
    auto* frame = qobject_cast<CMainFrame*>(parentWidget());
    if (!frame) return;
    auto* active = qobject_cast<CChildFrame*>(frame->mdiArea()->activeSubWindow());
    if (!active) active = frame->newDocument();
    auto* child = new CChildFrame(active->document());
    auto* map = new visdireckt();
    child->setWidget(map);
    frame->mdiArea()->addSubWindow(child);
    child->show();
    frame->mdiArea()->setActiveSubWindow(child);
    lastMap_ = map;
}

void optimierung::saveToFile() {
    QString path;
    if (reportPathChooser_)
        path = reportPathChooser_();
    else
        path = QFileDialog::getSaveFileName(this, "save to file", QString(), "Text files (*.txt);;All files (*)");
    if (path.isEmpty()) return;
    ReportSelection selection;
    for (const auto& s : species_) selection.species_names.push_back(s.name);
    selection.minimum_qualities = qualities_;
    selection.measures = measures_;
    selection.pixel_area = pixelArea_;
    const std::string text = budget_minimisation_report(selection, areas_, last_ ? *last_ : OptimisationResult{});
    const ReportWriteResult written = write_report_file(path.toStdString(), text);
    if (!written.ok) notifier().inform(written.error);
}

void optimierung::store() {
    if (!last_ || !countryID_) return;
    const long long clock = configuration_clock();
    savename dialog(this);
    const int answer = nameDialogRunner_ ? nameDialogRunner_(dialog) : dialog.exec();
    // Cancel stores nothing; the name of an earlier store is not reused.
    std::optional<std::string> name;
    if (answer == QDialog::Accepted) name = configuration_name();
    const auto stored = store_budget_minimisation(*db_, *last_, measures_, *countryID_, name, clock);
    if (stored) lastStored_ = stored;
}

void optimierung::closeEvent(QCloseEvent* event) {
    closing_ = true;
    clear_visualisation_rows(*db_);
    QDialog::closeEvent(event);
}

void optimierung::reject() {
    closing_ = true;
    QDialog::reject();
}

}  // namespace pravel
