#include "ui/optimisation_window.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTime>
#include <QVBoxLayout>

#include "common/notifier.h"
#include "common/numeric_input.h"
#include "core/effectiveness.h"
#include "core/measure_record.h"
#include "optimisation/configuration_store.h"
#include "optimisation/report_file.h"
#include "store/database_access.h"
#include "store/landscape_store.h"
#include "store/result_store.h"
#include "ui/measure_cascade.h"
#include "ui/savename.h"
#include "ui/window_parts.h"

namespace pravel {

OptimisationWindow::OptimisationWindow(QWidget* parent, const Texts& texts)
    : QDialog(parent), db_(std::make_unique<DatabaseAccess>()), texts_(texts) {
    setWindowTitle(texts_.title);
    setModal(false);
    setAttribute(Qt::WA_DeleteOnClose, true);
    clear_visualisation_rows(*db_);
}

OptimisationWindow::~OptimisationWindow() = default;

void OptimisationWindow::build() {
    // The controls are made in the order the Tab key visits them.
    const AnalysisLayout layout = analysis_layout(this);
    buildLeftColumn(layout.left);
    buildMiddleColumn(layout.measures);
    layout.measures->addStretch(1);
    buildRightColumn(layout.inputs, layout.results);

    connect(region_, &QListWidget::itemSelectionChanged, this, &OptimisationWindow::onRegionChanged);
    link_species_names(*db_, dutch_, latin_, savedOn_, this, [this](const QString& name) { forSpecies_->setText(name); });
    connect(copy_, &QPushButton::clicked, this, &OptimisationWindow::addSpecies);
    connect(transaction_, &QLineEdit::editingFinished, this,
            [this] { checkField(CheckedField::TransactionCosts, transaction_); });
    connectMeasureSelection();
    for (QListWidget* list : {speciesList_, targetLists_[0], targetLists_[1]})
        connect(list, &QListWidget::itemDoubleClicked, this,
                [this, list](QListWidgetItem* item) { removeSpecies(list->row(item)); });
    connect(start_, &QPushButton::clicked, this, &OptimisationWindow::startOptimisation);
    connect(visualize_, &QPushButton::clicked, this, &OptimisationWindow::visualize);
    connect(report_, &QPushButton::clicked, this, &OptimisationWindow::saveToFile);
    connect(save_, &QPushButton::clicked, this, &OptimisationWindow::store);
    connect(close_, &QPushButton::clicked, this, &QDialog::close);

    fill_region_and_species(*db_, region_, dutch_, latin_);
    // Opens at the size its layout prefers, so that every list shows what its
    // preferred size promises.
    resize(opening_size(this));
    visualize_->setEnabled(false);
    save_->setEnabled(false);
}

// Region and species with their targets.
void OptimisationWindow::buildLeftColumn(QVBoxLayout* left) {
    // The name and version lists take the height the window gains.
    auto list = [this, left](const char* name, int lines, int stretch) {
        left->addWidget(label(name, this));
        QListWidget* l = namedList(name, this, kListColumns, lines);
        left->addWidget(l, stretch);
        return l;
    };
    auto field = [this, left](const char* name) {
        left->addWidget(label(name, this));
        QLineEdit* f = namedField(name, this);
        left->addWidget(f);
        return f;
    };
    region_ = list("Region", 3, 0);
    dutch_ = list("Dutch name", kListLines, 1);
    latin_ = list("Latin name", kListLines, 1);
    savedOn_ = list("Saved on", kListLines, 1);
    forSpecies_ = field("for species");
    forSpecies_->setReadOnly(true);
    for (int i = 0; i < 2; ++i) targetFields_[i] = field(texts_.targetFields[i]);
    copy_ = namedButton("Copy values", this);
    left->addWidget(copy_);
}

// Measure selection, the ready-made sets beside it.
void OptimisationWindow::buildMiddleColumn(QHBoxLayout* middle) {
    cascade_ = new MeasureCascade(*db_, this);
    middle->addWidget(cascade_);
    auto* sets = new QVBoxLayout;
    mowing_ = namedButton("Only mowing", this);
    grazing_ = namedButton("Only grazing", this);
    all_ = namedButton("All measures", this);
    sets->addWidget(mowing_);
    sets->addWidget(grazing_);
    sets->addWidget(all_);
    sets->addStretch(1);
    middle->addLayout(sets);
}

// Chosen inputs and options; the results beside them.
void OptimisationWindow::buildRightColumn(QVBoxLayout* right, QVBoxLayout* results) {
    auto field = [this, right](const char* name) {
        right->addWidget(label(name, this));
        QLineEdit* f = namedField(name, this);
        right->addWidget(f);
        return f;
    };
    auto list = [this](QVBoxLayout* column, const char* name, int columns, int lines, int stretch) {
        column->addWidget(label(name, this));
        QListWidget* l = namedList(name, this, columns, lines);
        column->addWidget(l, stretch);
        return l;
    };
    measureList_ = list(right, "List of selected measures", 48, kListLines, 1);
    auto* speciesRow = new QGridLayout;
    const std::array<const char*, 3> columns = {"List of selected species", texts_.targetLists[0],
                                                texts_.targetLists[1]};
    std::array<QListWidget*, 3> lists{};
    for (int c = 0; c < 3; ++c) {
        speciesRow->addWidget(label(columns[c], this), 0, c);
        lists[c] = namedList(columns[c], this, c == 0 ? kListColumns : kNumberColumns, kListLines);
        speciesRow->addWidget(lists[c], 1, c);
    }
    speciesList_ = lists[0];
    targetLists_ = {lists[1], lists[2]};
    right->addLayout(speciesRow, 1);

    predation_ = new PredationChoice(this);
    right->addWidget(predation_);

    transaction_ = field(kTransactionLabel);
    factor_ = field(kFactorLabel);
    addExtraFields(right);

    // The breakpoint search finds the lower budget; the annealing stays
    // one choice away.
    right->addWidget(label(kMethodLabel, this));
    method_ = new QComboBox(this);
    method_->setObjectName(kMethodLabel);
    method_->addItem(search_method_label(SearchMethod::Breakpoint));
    method_->addItem(search_method_label(SearchMethod::Annealing));
    method_->setCurrentIndex(0);
    right->addWidget(method_);

    start_ = namedButton("Start optimization", this);
    right->addWidget(start_);
    // Under the start: the cost-only bound and what the search did, its long
    // lines wrapped so that nothing hides beyond the list's right edge.
    searchReport_ = list(right, kSearchReportLabel, 48, 10, 0);
    wrap_long_lines(searchReport_);
    // Which run the results belong to and whether it met its goal.
    runShown_ = run_heading(kRunShownLabel, this);
    results->addWidget(runShown_);
    goalStatus_ = run_heading(kGoalStatusLabel, this);
    results->addWidget(goalStatus_);
    // The results take most of the room the window gains.
    measureResult_ = list(results, kMeasureResultLabel, kResultColumns, kResultLines, 3);
    // Five lines for each species.
    speciesResult_ = list(results, kSpeciesResultLabel, kResultColumns, 6, 1);
    results->addWidget(label(kTotalLabel, this));
    total_ = namedField(kTotalLabel, this);
    results->addWidget(total_);
    total_->setReadOnly(true);
    auto* buttons = new QHBoxLayout;
    visualize_ = namedButton("Visualize", this);
    report_ = namedButton(texts_.reportButton, this);
    save_ = namedButton("Save", this);
    close_ = namedButton("Close window", this);
    for (QPushButton* b : {visualize_, report_, save_, close_}) buttons->addWidget(b);
    results->addLayout(buttons);
}

void OptimisationWindow::connectMeasureSelection() {
    // The cascade announces a measure when its last step is chosen; the list
    // takes it from the add button only.
    connect(cascade_, &MeasureCascade::measureChosen, this,
            [this](const MeasureRecord& m, const QString& line) { pending_.emplace(m, line); });
    connect(cascade_->addButton(), &QPushButton::clicked, this, [this] {
        if (pending_) addMeasure(pending_->first, pending_->second);
    });
    connect(mowing_, &QPushButton::clicked, this, [this] { addMeasures(mowing_measure_set(*db_), false); });
    connect(grazing_, &QPushButton::clicked, this, [this] { addMeasures(grazing_measure_set(*db_), true); });
    connect(all_, &QPushButton::clicked, this, [this] { addMeasures(all_measures(*db_), false); });
    connect(measureList_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        const int row = measureList_->row(item);
        if (row < 0 || row >= static_cast<int>(measures_.size())) return;
        measures_.erase(measures_.begin() + row);
        delete measureList_->takeItem(row);
    });
}

void OptimisationWindow::addExtraFields(QVBoxLayout*) {}

void OptimisationWindow::addStartInputs(OptimisationInputs&) const {}

void OptimisationWindow::onRegionChanged() {
    countryID_ = selected_country(*db_, region_);
}

void OptimisationWindow::addMeasures(const std::vector<MeasureRecord>& measures, bool withDensity) {
    for (const auto& m : measures) addMeasure(m, QString::fromStdString(measure_list_line(m, withDensity)));
}

void OptimisationWindow::addMeasure(const MeasureRecord& measure, const QString& line) {
    measures_.push_back(measure);
    measureList_->addItem(line);
}

void OptimisationWindow::addSpecies() {
    const QString name = forSpecies_->text();
    const QString first = targetFields_[0]->text();
    const QString second = targetFields_[1]->text();
    const InputProblem problem = speciesProblem(!name.isEmpty(), first, second);
    if (!problem.empty()) {
        notifier().inform(problem.text);
        focusOn(problem.field);
        return;
    }
    QListWidgetItem* saved = savedOn_->currentItem();
    const std::string savetime = saved ? saved->text().toStdString() : std::string();
    species_.push_back(load_species("name", name.toStdString(), savetime));
    speciesList_->addItem(name);
    for (int i = 0; i < 2; ++i) {
        targets_[i].push_back(targetValue(i, targetFields_[i]->text()));
        targetLists_[i]->addItem(targetFields_[i]->text());
        targetFields_[i]->clear();
    }
    forSpecies_->clear();
}

void OptimisationWindow::removeSpecies(int row) {
    if (row < 0 || row >= static_cast<int>(species_.size())) return;
    species_.erase(species_.begin() + row);
    delete speciesList_->takeItem(row);
    for (int i = 0; i < 2; ++i) {
        targets_[i].erase(targets_[i].begin() + row);
        delete targetLists_[i]->takeItem(row);
    }
}

void OptimisationWindow::checkField(CheckedField field, QLineEdit* edit) {
    if (closing_) return;
    InputProblem problem = optimisation_field_problem(field, edit->text().toStdString());
    // After the field's own check: a point in a whole-number field.
    if (problem.empty() && field == CheckedField::TransactionCosts)
        problem = whole_number_problem(InputField::TransactionCosts, edit->text().toStdString());
    if (problem.empty() && field == CheckedField::Budget)
        problem = whole_number_problem(InputField::Budget, edit->text().toStdString());
    if (problem.empty()) return;
    notifier().inform(problem.text);
    edit->setFocus();
}

void OptimisationWindow::focusOn(InputField field) const {
    QLineEdit* edit = field == InputField::DistanceCostFactor ? factor_
                      : field == InputField::TransactionCosts ? transaction_
                                                              : fieldFor(field);
    if (edit) edit->setFocus();
}

int OptimisationWindow::leadingInteger(const QLineEdit* field) { return parse_int(field->text().toStdString()); }

double OptimisationWindow::distanceCostFactor() const { return parse_real(factor_->text().toStdString()); }

void OptimisationWindow::startOptimisation() {
    OptimisationInputs in;
    in.distance_cost_factor = factor_->text().toStdString();
    in.transaction_costs = transaction_->text().toStdString();
    in.country_chosen = countryID_.has_value();
    in.time_dependent_predation = predation_->timeDependent();
    in.species_count = species_.size();
    in.measure_count = measures_.size();
    addStartInputs(in);
    InputProblem problem = startProblem(in);
    // Whole-number fields holding a point would be cut at it ("50.000" read
    // as 50); refused before anything runs, after the checks above.
    if (problem.empty()) problem = whole_number_problem(InputField::Budget, in.budget);
    if (problem.empty()) problem = whole_number_problem(InputField::TransactionCosts, in.transaction_costs);
    if (!problem.empty()) {
        notifier().inform(problem.text);
        focusOn(problem.field);
        return;
    }

    const OptimisationAnalysis sequence = analysis(*in.time_dependent_predation);
    const std::vector<SpeciesRecord> species = species_;
    const Targets targets = targets_;
    const QTime started = QTime::currentTime();
    pixelArea_ = sequence.pixelArea(*db_);
    SearchOutcome outcome;
    {
        WaitCursor wait;
        // The run reports on this thread; the dialog is repainted from its
        // reports, and its Cancel ends the run with the best solution so far.
        RunProgress progress(this, texts_.title, "Optimizing ...", search_progress_text, progressObserver_);
        progress.feedback().set_messages(window_run_messages());
        outcome = sequence.search(*db_, searchMethod(), &progress.feedback());
    }
    const bool answer = outcome.report.solution;
    // The map rows go through a connection of their own.
    AnalysisRun settled = sequence.settle(std::move(outcome), pixelArea_, nullptr);
    if (!answer) {
        // Nothing to show, map or store: only the bound and what the search
        // did; the lists of an earlier run are emptied so that nothing on
        // screen looks like this run's answer.
        measureResult_->clear();
        speciesResult_->clear();
        total_->clear();
        searchReport_->clear();
        for (const auto& l : settled.search_lines) searchReport_->addItem(QString::fromStdString(l));
        runShown_->setText(run_heading_text(started, QString::fromStdString(settled.outcome.report.method),
                                            settled.outcome.report.seed));
        last_.reset();
        visualize_->setEnabled(false);
        save_->setEnabled(false);
        notifier().inform(kStoppedBeforeSolution);
        return;
    }

    // The lists show this run alone, under a heading that names it.
    measureResult_->clear();
    speciesResult_->clear();
    for (const auto& l : settled.lines.measures) measureResult_->addItem(QString::fromStdString(l));
    for (const auto& l : settled.lines.species) speciesResult_->addItem(QString::fromStdString(l));
    total_->setText(QString::fromStdString(settled.lines.total_text));
    searchReport_->clear();
    std::vector<std::string> reportLines = settled.search_lines;
    const auto companions = boundCompanions(settled.outcome.result, targets);
    reportLines.insert(reportLines.begin() + (reportLines.empty() ? 0 : 1), companions.begin(), companions.end());
    for (const auto& l : reportLines) searchReport_->addItem(QString::fromStdString(l));
    runShown_->setText(run_heading_text(started, QString::fromStdString(settled.outcome.report.method),
                                        settled.outcome.report.seed));
    const QString missed = goalMissed(settled.outcome.result, species, targets);
    show_goal_status(goalStatus_, missed,
                     sequence.minimisesBudget() ? "Goal reached: every species has its wanted effective area." : "");

    const std::string closing = closingText(settled.outcome.result, species, targets);
    last_ = std::move(settled);
    lastAnalysis_ = sequence;
    visualize_->setEnabled(true);
    save_->setEnabled(true);
    notifier().inform(closing);
}

std::vector<std::string> OptimisationWindow::boundCompanions(const OptimisationResult&, const Targets&) const {
    return {};
}

SearchMethod OptimisationWindow::searchMethod() const {
    return method_ && method_->currentIndex() == 1 ? SearchMethod::Annealing : SearchMethod::Breakpoint;
}

void OptimisationWindow::visualize() {
    // The result map opens as a new window on the active document; with
    // none open, on a new one.
    lastMap_ = open_result_map(this);
}

void OptimisationWindow::saveToFile() {
    QString path;
    if (reportPathChooser_)
        path = reportPathChooser_();
    else
        path = choose_report_path(this, texts_.reportButton);
    if (path.isEmpty()) return;
    // After a run the report describes that run's inputs, not the fields as
    // they stand now.
    const std::string text = last_ && lastAnalysis_
                                 ? lastAnalysis_->report(last_->pixel_area, &*last_)
                                 : analysis(predation_->timeDependent().value_or(false)).report(pixelArea_, nullptr);
    const ReportWriteResult written = write_report_file(path.toStdString(), text);
    if (!written.ok) notifier().inform(written.error);
}

void OptimisationWindow::store() {
    if (!last_ || !lastAnalysis_) return;
    const long long clock = configuration_clock();
    // Cancel stores nothing; the name of an earlier store is not reused.
    const std::optional<std::string> name = askRunName();
    const auto stored = lastAnalysis_->store(*db_, last_->outcome.result, name, clock);
    if (stored) lastStored_ = stored;
}

std::optional<std::string> OptimisationWindow::askRunName() {
    savename dialog(this);
    const int answer = nameDialogRunner_ ? nameDialogRunner_(dialog) : dialog.exec();
    if (answer != QDialog::Accepted) return std::nullopt;
    return configuration_name();
}

void OptimisationWindow::finish() {
    closing_ = true;
    if (finished_) return;
    finished_ = true;
    clear_visualisation_rows(*db_);
}

void OptimisationWindow::closeEvent(QCloseEvent* event) {
    finish();
    QDialog::closeEvent(event);
}

// Escape rejects the dialog, which closes it without a close event.
void OptimisationWindow::reject() {
    finish();
    QDialog::reject();
}

}  // namespace pravel
