#include "ui/zahlungssimulierung.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>


#include "common/notifier.h"
#include "optimisation/report_file.h"
#include "store/database_access.h"
#include "store/landscape_store.h"
#include "store/measure_store.h"
#include "store/result_store.h"
#include "store/profile_store.h"
#include "core/effectiveness.h"
#include "ui/measure_cascade.h"
#include "common/number_format.h"
#include "common/numeric_input.h"
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

}  // namespace

zahlungssimulierung::zahlungssimulierung(QWidget* parent)
    : EvaluationWindow(parent, Setup{kTitle, "Species", true, true}) {
    build();
    visualize_->setEnabled(false);
    save_->setEnabled(false);
    connect(measureCopy_, &QPushButton::clicked, this, &zahlungssimulierung::addMeasure);
    connect(save_, &QPushButton::clicked, this, &zahlungssimulierung::saveToFile);

    // A measure completed in the cascade becomes the "Selected measure"; it
    // is listed once its payment and maximal area are copied.
    connect(cascade(), &MeasureCascade::measureChosen, this, [this](const MeasureRecord& m, const QString&) {
        pending_ = m;
        selectedMeasure_->setText(QString::fromStdString(m.name));
    });
}

// The chosen measure with its payment and maximal area.
void zahlungssimulierung::addMeasureControls(QVBoxLayout* middle) {
    auto* measureGroup = new QGroupBox("Measure", this);
    measureGroup->setObjectName("Measure");
    auto* measureLayout = new QVBoxLayout(measureGroup);
    auto field = [measureGroup, measureLayout](const char* name) {
        measureLayout->addWidget(label(name, measureGroup));
        QLineEdit* f = namedField(name, measureGroup);
        measureLayout->addWidget(f);
        return f;
    };
    selectedMeasure_ = field("Selected measure");
    selectedMeasure_->setReadOnly(true);
    payment_ = field(kPaymentLabel);
    area_ = field(kAreaLabel);
    measureCopy_ = namedButton("Copy values", measureGroup);
    measureLayout->addWidget(measureCopy_);
    middle->addWidget(measureGroup);
}

void zahlungssimulierung::addMeasureLists(QVBoxLayout* right) {
    auto* measureRows = new QGridLayout;
    measureRows->addWidget(label("List of selected measures", this), 0, 0);
    measureRows->addWidget(label("List of payments per ha", this), 0, 1);
    measureRows->addWidget(label(kPixelListLabel, this), 0, 2);
    measureList_ = namedList("List of selected measures", this, kListColumns, kListLines);
    paymentList_ = namedList("List of payments per ha", this, kNumberColumns, kListLines);
    pixelList_ = namedList(kPixelListLabel, this, 16, kListLines);
    measureRows->addWidget(measureList_, 1, 0);
    measureRows->addWidget(paymentList_, 1, 1);
    measureRows->addWidget(pixelList_, 1, 2);
    right->addLayout(measureRows, 1);
}

void zahlungssimulierung::addResultButtons(QHBoxLayout* row) {
    save_ = namedButton("Save to file", this);
    row->addWidget(save_);
}

InputProblem zahlungssimulierung::speciesProblem(bool named, const std::string& quality) const {
    return programme_species_problem(named, quality);
}

void zahlungssimulierung::onRegionChanged() {
    EvaluationWindow::onRegionChanged();
    pixelArea_ = countryID_ ? load_raster_reference(*db_, *countryID_).pixel_area_ha : 0.0;
}

void zahlungssimulierung::removeMeasureDetails(int row) {
    maxCounts_.erase(maxCounts_.begin() + row);
    delete paymentList_->takeItem(row);
    delete pixelList_->takeItem(row);
}

void zahlungssimulierung::addMeasure() {
    const bool chosen = pending_.has_value() && !selectedMeasure_->text().isEmpty();
    const std::string payment = payment_->text().toStdString();
    const std::string area = area_->text().toStdString();
    InputProblem problem = programme_measure_problem(chosen, payment, area);
    // The maximum area is whole hectares; "2.000" would count as 2.
    if (problem.empty()) problem = whole_number_problem(InputField::MaximumArea, area);
    // The maximal pixel count needs the pixel area of the region's raster.
    if (problem.empty() && !countryID_) problem = kSimNoRegion;
    if (!problem.empty()) {
        notifier().inform(problem.text);
        if (problem.field == InputField::Payment) payment_->setFocus();
        if (problem.field == InputField::MaximumArea) area_->setFocus();
        return;
    }
    MeasureRecord measure = *pending_;
    measure.payment = parse_real(payment);
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

    ProgrammeRun run;
    InputProblem problem = programme_input_problem(in);
    // Transaction costs are whole Euro; "12.7" would run as 12. Refused after
    // the run's own checks, before anything runs.
    if (problem.empty()) problem = whole_number_problem(InputField::TransactionCosts, in.transaction_costs);
    if (problem.text == kWholeTransactionCosts)
        run.message = problem.text;
    else
        runWithProgress(problem.empty(),
                        [&](Feedback* feedback) { run = run_programme_simulation(*db_, in, feedback); });
    // The summary first, then the pixels, each with its species.
    if (!showOutcome(run.message, problem.field, run.cancelled, programme_window_lines(run))) return;
    lastRun_ = std::move(run);
    // The report describes this run's selection, whatever changes later.
    lastSelection_ = currentSelection();
    visualize_->setEnabled(true);
    save_->setEnabled(true);
}

void zahlungssimulierung::writeVisualisation() {
    if (lastRun_) write_visualisation_rows(*db_, programme_visualisation_rows(*lastRun_));
}

zahlungssimulierung::Selection zahlungssimulierung::currentSelection() const {
    Selection s;
    for (int i = 0; i < speciesList_->count(); ++i)
        s.report.species_names.push_back(speciesList_->item(i)->text().toStdString());
    s.report.minimum_qualities = qualities_;
    s.report.measures = measures_;
    s.report.pixel_area = pixelArea_;
    s.max_counts = maxCounts_;
    return s;
}

std::string zahlungssimulierung::reportText() const {
    // After a run: the selection of that run; before: the window's.
    const Selection current = lastRun_ && lastSelection_ ? *lastSelection_ : currentSelection();
    ReportSelection selection = current.report;
    selection.pixel_area = lastRun_ ? lastRun_->pixel_area : pixelArea_;
    SimulationReportFigures figures;
    if (lastRun_) {
        figures = programme_report_figures(*lastRun_, current.max_counts);
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
    const QString path = choose_report_path(this, QString());
    if (!path.isEmpty()) saveReport(path);
}

}  // namespace pravel
