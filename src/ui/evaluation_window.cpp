#include "ui/evaluation_window.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTime>
#include <QVBoxLayout>

#include "common/notifier.h"
#include "common/numeric_input.h"
#include "core/evaluation_run.h"
#include "store/database_access.h"
#include "ui/measure_cascade.h"
#include "ui/window_parts.h"

namespace pravel {

EvaluationWindow::EvaluationWindow(QWidget* parent, const Setup& setup)
    : QDialog(parent), db_(std::make_unique<DatabaseAccess>()), setup_(setup) {
    setWindowTitle(setup_.title);
    setModal(false);
    setAttribute(Qt::WA_DeleteOnClose, true);
}

EvaluationWindow::~EvaluationWindow() = default;

void EvaluationWindow::build() {
    // The controls are made in the order the Tab key visits them.
    const AnalysisLayout layout = analysis_layout(this);
    buildLeftColumn(layout.left);
    cascade_ = new MeasureCascade(*db_, this);
    layout.measures->addWidget(cascade_);
    auto* middle = new QVBoxLayout;
    addMeasureControls(middle);
    middle->addStretch(1);
    layout.measures->addLayout(middle);
    layout.measures->addStretch(1);
    buildRightColumn(layout.inputs, layout.results);

    connect(region_, &QListWidget::itemSelectionChanged, this, &EvaluationWindow::onRegionChanged);
    link_species_names(*db_, dutch_, latin_, savedOn_, this);
    connect(speciesCopy_, &QPushButton::clicked, this, &EvaluationWindow::addSpecies);
    connect(measureList_, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { removeMeasure(measureList_->row(item)); });
    for (QListWidget* list : {speciesList_, qualityList_})
        connect(list, &QListWidget::itemDoubleClicked, this,
                [this, list](QListWidgetItem* item) { removeSpecies(list->row(item)); });
    connect(run_, &QPushButton::clicked, this, &EvaluationWindow::runSimulation);
    connect(visualize_, &QPushButton::clicked, this, &EvaluationWindow::visualize);
    connect(close_, &QPushButton::clicked, this, &QDialog::close);

    fill_region_and_species(*db_, region_, dutch_, latin_);
    // Opens at the size its layout prefers, so that every list shows what its
    // preferred size promises.
    resize(opening_size(this));
}

// Region and species, the species parts in their group box if the window
// has one.
void EvaluationWindow::buildLeftColumn(QVBoxLayout* left) {
    left->addWidget(label("Region", this));
    region_ = namedList("Region", this, kListColumns, 3);
    left->addWidget(region_);

    QWidget* owner = this;
    QVBoxLayout* column = left;
    QGroupBox* group = nullptr;
    if (setup_.speciesGroup) {
        group = new QGroupBox(setup_.speciesGroup, this);
        group->setObjectName(setup_.speciesGroup);
        column = new QVBoxLayout(group);
        owner = group;
    }
    // The name and version lists take the height the window gains.
    auto list = [owner, column](const char* name) {
        column->addWidget(label(name, owner));
        QListWidget* l = namedList(name, owner);
        column->addWidget(l, 1);
        return l;
    };
    dutch_ = list("Dutch name");
    latin_ = list("Latin name");
    savedOn_ = list("Saved on");
    column->addWidget(label(kQualityLabel, owner));
    quality_ = namedField(kQualityLabel, owner);
    column->addWidget(quality_);
    speciesCopy_ = namedButton("Copy values", owner);
    column->addWidget(speciesCopy_);
    if (group) left->addWidget(group, 1);
}

// Chosen inputs and options; the results beside them.
void EvaluationWindow::buildRightColumn(QVBoxLayout* right, QVBoxLayout* results) {
    auto field = [this, right](const char* name) {
        right->addWidget(label(name, this));
        QLineEdit* f = namedField(name, this);
        right->addWidget(f);
        return f;
    };
    addMeasureLists(setup_.measureListsOverResults ? results : right);
    auto* speciesRow = new QGridLayout;
    speciesRow->addWidget(label("List of selected species", this), 0, 0);
    speciesRow->addWidget(label("List of minimum qualities", this), 0, 1);
    speciesList_ = namedList("List of selected species", this);
    qualityList_ = namedList("List of minimum qualities", this, kNumberColumns, kListLines);
    speciesRow->addWidget(speciesList_, 1, 0);
    speciesRow->addWidget(qualityList_, 1, 1);
    right->addLayout(speciesRow, 1);

    predation_ = new PredationChoice(this);
    right->addWidget(predation_);

    transaction_ = field(kTransactionLabel);
    factor_ = field(kFactorLabel);

    // The evaluation's threads; every number gives the same results.
    auto* threadsRow = new QHBoxLayout;
    threadsRow->addWidget(label(kThreadsLabel, this));
    threads_ = new QSpinBox(this);
    threads_->setObjectName(kThreadsLabel);
    threads_->setRange(1, 1024);
    threads_->setValue(evaluation_threads());
    threadsRow->addWidget(threads_);
    threadsRow->addStretch(1);
    right->addLayout(threadsRow);

    run_ = namedButton("Run simulation", this);
    right->addWidget(run_);
    results->addWidget(label("Result", this));
    runShown_ = run_heading(kRunShownLabel, this);
    results->addWidget(runShown_);
    result_ = namedList("Result", this, kResultColumns, kResultLines);
    results->addWidget(result_, 3);
    auto* buttons = new QHBoxLayout;
    visualize_ = namedButton("Visualize", this);
    buttons->addWidget(visualize_);
    addResultButtons(buttons);
    close_ = namedButton("Close window", this);
    buttons->addWidget(close_);
    results->addLayout(buttons);
}

void EvaluationWindow::addResultButtons(QHBoxLayout*) {}

void EvaluationWindow::onRegionChanged() {
    countryID_ = selected_country(*db_, region_);
}

void EvaluationWindow::removeMeasureDetails(int) {}

void EvaluationWindow::addSpecies() {
    QListWidgetItem* name = dutch_->currentItem();
    const InputProblem problem = speciesProblem(name != nullptr, quality_->text().toStdString());
    if (!problem.empty()) {
        notifier().inform(problem.text);
        if (problem.field == InputField::MinimumQuality) quality_->setFocus();
        return;
    }
    QListWidgetItem* saved = savedOn_->currentItem();
    const std::string savetime = saved ? saved->text().toStdString() : std::string();
    species_.push_back(load_species("name", name->text().toStdString(), savetime));
    qualities_.push_back(parse_real(quality_->text().toStdString()));
    speciesList_->addItem(name->text());
    qualityList_->addItem(quality_->text());
    if (setup_.clearQualityOnCopy) quality_->clear();
}

void EvaluationWindow::removeMeasure(int row) {
    if (row < 0 || row >= static_cast<int>(measures_.size())) return;
    measures_.erase(measures_.begin() + row);
    delete measureList_->takeItem(row);
    removeMeasureDetails(row);
}

void EvaluationWindow::removeSpecies(int row) {
    if (row < 0 || row >= static_cast<int>(species_.size())) return;
    species_.erase(species_.begin() + row);
    qualities_.erase(qualities_.begin() + row);
    delete speciesList_->takeItem(row);
    delete qualityList_->takeItem(row);
}

void EvaluationWindow::runWithProgress(bool checked, const std::function<void(Feedback*)>& evaluate) {
    // The progress dialog shows only for a run that gets past the checks; its
    // Cancel ends the evaluation.
    std::optional<RunProgress> progress;
    if (checked) progress.emplace(this, setup_.title, "Evaluating ...", evaluation_progress_text, progressObserver_);
    set_evaluation_threads(threads_->value());
    evaluate(progress ? &progress->feedback() : nullptr);
}

bool EvaluationWindow::showOutcome(const std::string& message, InputField field, bool cancelled,
                                   const std::vector<std::string>& lines) {
    if (!message.empty()) {
        notifier().inform(message);
        if (field == InputField::DistanceCostFactor) factor_->setFocus();
        if (field == InputField::TransactionCosts) transaction_->setFocus();
        return false;
    }
    // A cancelled run shows no result.
    if (cancelled) {
        notifier().inform(kSimulationCancelledText);
        return false;
    }
    // One run per result: the lines of the earlier run go.
    result_->clear();
    for (const auto& line : lines) result_->addItem(QString::fromStdString(line));
    // The evaluations seed the generator with 1 on every run.
    runShown_->setText(run_heading_text(QTime::currentTime(), QString(), 1u));
    return true;
}

void EvaluationWindow::visualize() {
    writeVisualisation();
    // The result map opens as a new window on the active document; with
    // none open, on a new one.
    lastMap_ = open_result_map(this);
}

}  // namespace pravel
