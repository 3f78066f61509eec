#include "ui/massnahmen_wirksamkeit.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/numeric_input.h"
#include "core/measure_record.h"
#include "store/database_access.h"
#include "store/result_store.h"
#include "ui/measure_cascade.h"
#include "ui/window_parts.h"

namespace pravel {

massnahmen_wirksamkeit::massnahmen_wirksamkeit(QWidget* parent)
    : EvaluationWindow(parent, Setup{kTitle, nullptr, false, false}) {
    clear_visualisation_rows(*db_);
    clear_graphic_rows(*db_);
    build();

    // The cascade announces a measure when its last step is chosen and again
    // on its add button; the list takes it from the add button only, so each
    // press lists it exactly once.
    connect(cascade(), &MeasureCascade::measureChosen, this,
            [this](const MeasureRecord& m, const QString& line) { pending_.emplace(m, line); });
    connect(cascade()->addButton(), &QPushButton::clicked, this, [this] {
        if (pending_) addMeasure(pending_->first, pending_->second);
    });
}

// The ready-made measure sets below the cascade.
void massnahmen_wirksamkeit::addMeasureControls(QVBoxLayout* middle) {
    auto* sets = new QVBoxLayout;
    auto* mowing = namedButton("Only mowing", this);
    auto* grazing = namedButton("Only grazing", this);
    auto* all = namedButton("All measures", this);
    sets->addWidget(mowing);
    sets->addWidget(grazing);
    sets->addWidget(all);
    middle->addLayout(sets);
    connect(mowing, &QPushButton::clicked, this, [this] { addMeasures(mowing_measure_set(*db_), false); });
    connect(grazing, &QPushButton::clicked, this, [this] { addMeasures(grazing_measure_set(*db_), true); });
    connect(all, &QPushButton::clicked, this, [this] { addMeasures(all_measures(*db_), false); });
}

void massnahmen_wirksamkeit::addMeasureLists(QVBoxLayout* right) {
    right->addWidget(label("List of selected measures", this));
    measureList_ = namedList("List of selected measures", this, 48, kListLines);
    right->addWidget(measureList_, 1);
}

InputProblem massnahmen_wirksamkeit::speciesProblem(bool named, const std::string& quality) const {
    return effectiveness_species_problem(named, quality);
}

void massnahmen_wirksamkeit::addMeasures(const std::vector<MeasureRecord>& measures, bool withDensity) {
    for (const auto& m : measures) addMeasure(m, QString::fromStdString(measure_list_line(m, withDensity)));
}

void massnahmen_wirksamkeit::addMeasure(const MeasureRecord& measure, const QString& line) {
    measures_.push_back(measure);
    measureList_->addItem(line);
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

    EffectivenessRun run;
    // The run repeats the checks and reports their message; the field of a
    // refused input tells where the cursor goes.
    InputProblem problem = effectiveness_input_problem(in);
    // Transaction costs are whole Euro; "12.7" would run as 12. Refused after
    // the run's own checks, before anything runs.
    if (problem.empty()) problem = whole_number_problem(InputField::TransactionCosts, in.transaction_costs);
    if (problem.empty()) {
        runWithProgress(true, [&](Feedback* feedback) { run = run_effectiveness(*db_, in, feedback); });
    } else if (problem.text == kWholeTransactionCosts) {
        run.message = problem.text;
    } else {
        runWithProgress(false, [&](Feedback* feedback) { run = run_effectiveness(*db_, in, feedback); });
    }
    if (!showOutcome(run.message, problem.field, run.cancelled, run.lines)) return;
    lastRun_ = std::move(run);
}

void massnahmen_wirksamkeit::writeVisualisation() {
    if (lastRun_) write_visualisation_rows(*db_, effectiveness_visualisation_rows(*lastRun_));
}

}  // namespace pravel
