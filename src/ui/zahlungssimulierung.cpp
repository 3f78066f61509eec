#include "ui/zahlungssimulierung.h"

#include <QFileDialog>
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

#include <sstream>

#include "common/notifier.h"
#include "optimisation/report_file.h"
#include "store/database_access.h"
#include "store/landscape_store.h"
#include "store/measure_store.h"
#include "store/result_store.h"
#include "store/profile_store.h"
#include "core/effectiveness.h"
#include "ui/map_views.h"
#include "ui/measure_cascade.h"
#include "common/number_format.h"
#include "ui/shell.h"
#include "ui/window_parts.h"

namespace pravel {

namespace {

// The line under which the window lists a measure with its payment: name,
// timing and, for a grazing measure, its first density and the residual one.
std::string programme_measure_line(const MeasureRecord& m) {
    std::string line = m.name + ", " + std::to_string(m.month_quarter_first_use) + "/" +
                       std::to_string(m.distance_2use) + "/" + std::to_string(m.distance_3use) + "/" +
                       std::to_string(m.distance_4use) + ",";
    if (m.livestock_density_1 > 0.3 && m.livestock_density_1 < 90)
        line += format_number(m.livestock_density_1) + " (GV), res(GV)" + format_number(m.summary_livestock_density);
    return line;
}

// The save dialog's filter in the notation of the report file chooser:
// "a|b|c|d||" pairs of description and pattern.
QString qtFilter(const char* filter) {
    const QStringList parts = QString::fromUtf8(filter).split('|', Qt::SkipEmptyParts);
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) out << parts[i].trimmed();
    return out.join(";;");
}

}  // namespace

zahlungssimulierung::zahlungssimulierung(QWidget* parent)
    : QDialog(parent), db_(std::make_unique<DatabaseAccess>()) {
    setWindowTitle(kTitle);
    setModal(false);
    setAttribute(Qt::WA_DeleteOnClose, true);
    buildControls();
    fill_region_and_species(*db_, region_, dutch_, latin_);
}

zahlungssimulierung::~zahlungssimulierung() = default;

void zahlungssimulierung::buildControls() {
    auto* top = new QHBoxLayout(this);

    // Left column: region and species.
    auto* left = new QVBoxLayout;
    left->addWidget(label("Region", this));
    region_ = namedList("Region", this);
    left->addWidget(region_);
    auto* speciesGroup = new QGroupBox("Species", this);
    speciesGroup->setObjectName("Species");
    auto* speciesLayout = new QVBoxLayout(speciesGroup);
    speciesLayout->addWidget(label("Dutch name", speciesGroup));
    dutch_ = namedList("Dutch name", speciesGroup);
    speciesLayout->addWidget(dutch_);
    speciesLayout->addWidget(label("Latin name", speciesGroup));
    latin_ = namedList("Latin name", speciesGroup);
    speciesLayout->addWidget(latin_);
    speciesLayout->addWidget(label("Saved on", speciesGroup));
    savedOn_ = namedList("Saved on", speciesGroup);
    speciesLayout->addWidget(savedOn_);
    speciesLayout->addWidget(label(kQualityLabel, speciesGroup));
    quality_ = namedField(kQualityLabel, speciesGroup);
    speciesLayout->addWidget(quality_);
    speciesCopy_ = namedButton("Copy values", speciesGroup);
    speciesLayout->addWidget(speciesCopy_);
    left->addWidget(speciesGroup);
    top->addLayout(left);

    // Middle column: measure selection with payment and maximal area.
    auto* middle = new QVBoxLayout;
    cascade_ = new MeasureCascade(*db_, this);
    middle->addWidget(cascade_);
    auto* measureGroup = new QGroupBox("Measure", this);
    measureGroup->setObjectName("Measure");
    auto* measureLayout = new QVBoxLayout(measureGroup);
    measureLayout->addWidget(label("Selected measure", measureGroup));
    selectedMeasure_ = namedField("Selected measure", measureGroup);
    selectedMeasure_->setReadOnly(true);
    measureLayout->addWidget(selectedMeasure_);
    measureLayout->addWidget(label(kPaymentLabel, measureGroup));
    payment_ = namedField(kPaymentLabel, measureGroup);
    measureLayout->addWidget(payment_);
    measureLayout->addWidget(label(kAreaLabel, measureGroup));
    area_ = namedField(kAreaLabel, measureGroup);
    measureLayout->addWidget(area_);
    measureCopy_ = namedButton("Copy values", measureGroup);
    measureLayout->addWidget(measureCopy_);
    middle->addWidget(measureGroup);
    top->addLayout(middle);

    // Right column: chosen inputs, options, results.
    auto* right = new QVBoxLayout;
    auto* measureRows = new QGridLayout;
    measureRows->addWidget(label("List of selected measures", this), 0, 0);
    measureRows->addWidget(label("List of payments per ha", this), 0, 1);
    measureRows->addWidget(label(kPixelListLabel, this), 0, 2);
    measureList_ = namedList("List of selected measures", this);
    paymentList_ = namedList("List of payments per ha", this);
    pixelList_ = namedList(kPixelListLabel, this);
    measureRows->addWidget(measureList_, 1, 0);
    measureRows->addWidget(paymentList_, 1, 1);
    measureRows->addWidget(pixelList_, 1, 2);
    right->addLayout(measureRows);
    auto* speciesRows = new QGridLayout;
    speciesRows->addWidget(label("List of selected species", this), 0, 0);
    speciesRows->addWidget(label("List of minimum qualities", this), 0, 1);
    speciesList_ = namedList("List of selected species", this);
    qualityList_ = namedList("List of minimum qualities", this);
    speciesRows->addWidget(speciesList_, 1, 0);
    speciesRows->addWidget(qualityList_, 1, 1);
    right->addLayout(speciesRows);

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
    visualize_ = namedButton("Visualize", this);
    save_ = namedButton("Save to file", this);
    auto* close = namedButton("Close window", this);
    visualize_->setEnabled(false);
    save_->setEnabled(false);
    buttons->addWidget(visualize_);
    buttons->addWidget(save_);
    buttons->addWidget(close);
    right->addLayout(buttons);
    top->addLayout(right, 1);

    connect(region_, &QListWidget::itemSelectionChanged, this, &zahlungssimulierung::onRegionChanged);
    link_species_names(*db_, dutch_, latin_, savedOn_, this);
    connect(speciesCopy_, &QPushButton::clicked, this, &zahlungssimulierung::addSpecies);
    connect(measureCopy_, &QPushButton::clicked, this, &zahlungssimulierung::addMeasure);

    // A measure completed in the cascade becomes the "Selected measure"; it
    // is listed once its payment and maximal area are copied.
    connect(cascade_, &MeasureCascade::measureChosen, this, [this](const MeasureRecord& m, const QString&) {
        pending_ = m;
        selectedMeasure_->setText(QString::fromStdString(m.name));
    });

    connect(measureList_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        const int row = measureList_->row(item);
        if (row < 0 || row >= static_cast<int>(measures_.size())) return;
        measures_.erase(measures_.begin() + row);
        maxCounts_.erase(maxCounts_.begin() + row);
        delete measureList_->takeItem(row);
        delete paymentList_->takeItem(row);
        delete pixelList_->takeItem(row);
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

    connect(run, &QPushButton::clicked, this, &zahlungssimulierung::runSimulation);
    connect(visualize_, &QPushButton::clicked, this, &zahlungssimulierung::visualize);
    connect(save_, &QPushButton::clicked, this, &zahlungssimulierung::saveToFile);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
}

void zahlungssimulierung::onRegionChanged() {
    countryID_ = selected_country(*db_, region_);
    pixelArea_ = countryID_ ? load_raster_reference(*db_, *countryID_).pixel_area_ha : 0.0;
}

void zahlungssimulierung::addMeasure() {
    const bool chosen = pending_.has_value() && !selectedMeasure_->text().isEmpty();
    const std::string payment = payment_->text().toStdString();
    const std::string area = area_->text().toStdString();
    std::string problem = programme_measure_problem(chosen, payment, area);
    // The maximal pixel count needs the pixel area of the region's raster.
    if (problem.empty() && !countryID_) problem = kSimNoRegion;
    if (!problem.empty()) {
        notifier().inform(problem);
        return;
    }
    MeasureRecord measure = *pending_;
    measure.payment = payment_->text().toDouble();
    const int count = maximum_pixel_count(area, pixelArea_);
    paymentList_->addItem(payment_->text());
    pixelList_->addItem(QString::fromStdString(pixel_count_entry(count, area)));
    measures_.push_back(measure);
    maxCounts_.push_back(count);
    measureList_->addItem(QString::fromStdString(programme_measure_line(measure)));
    selectedMeasure_->clear();
    payment_->clear();
    area_->clear();
    pending_.reset();
}

void zahlungssimulierung::addSpecies() {
    QListWidgetItem* name = dutch_->currentItem();
    const std::string text = quality_->text().toStdString();
    const std::string problem = programme_species_problem(name != nullptr, text);
    if (!problem.empty()) {
        notifier().inform(problem);
        if (problem != kSimNoSpeciesName) quality_->setFocus();
        return;
    }
    QListWidgetItem* saved = savedOn_->currentItem();
    const std::string savetime = saved ? saved->text().toStdString() : std::string();
    species_.push_back(load_species("name", name->text().toStdString(), savetime));
    qualities_.push_back(quality_->text().toDouble());
    speciesList_->addItem(name->text());
    qualityList_->addItem(quality_->text());
    quality_->clear();
}

void zahlungssimulierung::runSimulation() {
    ProgrammeInputs in;
    in.distance_cost_factor = factor_->text().toStdString();
    in.transaction_costs = transaction_->text().toStdString();
    in.measures = measures_;
    in.max_counts = maxCounts_;
    in.species = species_;
    in.minimum_qualities = qualities_;
    in.time_dependent_predation = predation_->timeDependent();
    in.countryID = countryID_;
    in.pixel_area = pixelArea_;

    // The progress dialog shows only for a run that gets past the checks; its
    // Cancel ends the evaluation, and a cancelled run shows no result.
    std::optional<RunProgress> progress;
    if (programme_input_problem(in).empty())
        progress.emplace(this, kTitle, "Evaluating ...", evaluation_progress_text, progressObserver_);
    ProgrammeRun run = run_programme_simulation(*db_, in, progress ? &progress->feedback() : nullptr);
    progress.reset();
    if (!run.message.empty()) {
        notifier().inform(run.message);
        if (run.message == kSimFactorMissing) factor_->setFocus();
        if (run.message == kSimTransactionCostsMissing) transaction_->setFocus();
        return;
    }
    if (run.cancelled) {
        notifier().inform(kSimulationCancelledText);
        return;
    }
    for (const auto& line : run.lines) result_->addItem(QString::fromStdString(line));
    lastRun_ = std::move(run);
    visualize_->setEnabled(true);
    save_->setEnabled(true);
}

void zahlungssimulierung::visualize() {
    if (lastRun_) write_visualisation_rows(*db_, programme_visualisation_rows(*lastRun_));
    // The result map opens as a new window on the active document; with
    // none open, on a new one.
    lastMap_ = open_result_map(this);
}

std::string zahlungssimulierung::reportText() const {
    ReportSelection selection;
    for (int i = 0; i < speciesList_->count(); ++i) selection.species_names.push_back(speciesList_->item(i)->text().toStdString());
    selection.minimum_qualities = qualities_;
    selection.measures = measures_;
    selection.pixel_area = lastRun_ ? lastRun_->pixel_area : pixelArea_;
    SimulationReportFigures figures;
    if (lastRun_) {
        figures = programme_report_figures(*lastRun_, maxCounts_);
    } else {
        figures.max_counts = maxCounts_;
        figures.effective_area.assign(species_.size(), 0.0);
    }
    return simulation_report(selection, figures);
}

bool zahlungssimulierung::saveReport(const QString& path) {
    const ReportWriteResult written = write_report_file(path.toStdString(), reportText());
    if (!written.ok) notifier().inform(written.error);
    return written.ok;
}

void zahlungssimulierung::saveToFile() {
    QFileDialog dialog(this, QString(), QString(), qtFilter(kReportFilter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix("txt");
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    saveReport(dialog.selectedFiles().front());
}

}  // namespace pravel
