#include "ui/budget_effect_curve_window.h"

#include <QBoxLayout>
#include <QCursor>
#include <QFileDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QToolTip>
#include <QtCharts/QChartView>
#include <QtCharts/QLineSeries>

#include "common/atomic_file.h"
#include "common/notifier.h"
#include "common/number_format.h"
#include "optimisation/optimisation_lines.h"
#include "optimisation/pixel_allocation.h"
#include "policy/qt/curve_chart.h"
#include "ui/progress_dialog.h"
#include "ui/window_parts.h"

namespace pravel {

namespace {

QString point_text(const CurvePoint& p) {
    return QString::fromStdString("Budget " + format_fixed(p.budget_limit, 0) + " Euro: " + format_fixed(p.weighted, 2) +
                                  " weighted ha (paid " + format_fixed(p.budget, 2) + " Euro); cost-only reference " +
                                  format_fixed(p.bound, 2) + " ha");
}

}  // namespace

BudgetEffectCurveWindow::BudgetEffectCurveWindow(QWidget* parent) : qualoptimierung(parent) {
    setWindowTitle(kCurveTitle);
    auto* panel = new QGroupBox(kCurveTitle, this);
    auto* column = new QVBoxLayout(panel);
    auto* range = new QHBoxLayout();
    for (auto [text, field] : {std::pair{kFromLabel, &from_}, std::pair{kToLabel, &to_}, std::pair{kPointsLabel, &points_}}) {
        range->addWidget(label(text, panel));
        *field = namedField(text, panel);
        range->addWidget(*field);
    }
    auto* draw = new QPushButton(kDrawButton, panel);
    draw->setObjectName(kDrawButton);
    range->addWidget(draw);
    column->addLayout(range);

    chart_ = new QChartView(panel);
    chart_->setMinimumSize(520, 320);
    column->addWidget(chart_);
    table_ = new QTableWidget(0, 4, panel);
    table_->setObjectName(kTableName);
    table_->setHorizontalHeaderLabels(
        {"Budget (Euro)", "Weighted effective area (ha)", "Cost-only reference (ha)", "Paid (Euro)"});
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    column->addWidget(table_);
    auto* buttons = new QHBoxLayout();
    const char* names[] = {kSaveCsv, kSavePng, kSaveSvg};
    const char* filters[] = {"CSV files (*.csv)", "PNG images (*.png)", "SVG images (*.svg)"};
    for (int i = 0; i < 3; ++i) {
        saveButtons_[static_cast<std::size_t>(i)] = new QPushButton(names[i], panel);
        saveButtons_[static_cast<std::size_t>(i)]->setObjectName(names[i]);
        saveButtons_[static_cast<std::size_t>(i)]->setEnabled(false);
        buttons->addWidget(saveButtons_[static_cast<std::size_t>(i)]);
        const QString filter = filters[i];
        connect(saveButtons_[static_cast<std::size_t>(i)], &QPushButton::clicked, this, [this, filter] { save(filter); });
    }
    column->addLayout(buttons);
    if (auto* box = qobject_cast<QBoxLayout*>(layout())) box->addWidget(panel);
    connect(draw, &QPushButton::clicked, this, [this] { drawCurve(); });
}

void BudgetEffectCurveWindow::drawCurve() {
    // The inputs are checked as "Start optimization" checks them, with the
    // largest budget of the range as the budget.
    OptimisationInputs in;
    in.distance_cost_factor = factor_->text().toStdString();
    in.transaction_costs = transaction_->text().toStdString();
    in.country_chosen = countryID_.has_value();
    for (QGroupBox* g : findChildren<QGroupBox*>())
        if (auto* p = dynamic_cast<PredationChoice*>(g)) in.time_dependent_predation = p->timeDependent();
    in.species_count = species_.size();
    in.measure_count = measures_.size();
    in.budget = to_->text().toStdString();
    if (const InputProblem problem = startProblem(in); !problem.empty()) {
        notifier().inform(problem.text);
        return;
    }
    std::string problem;
    const std::string range =
        from_->text().toStdString() + ":" + to_->text().toStdString() + ":" + points_->text().toStdString();
    const std::vector<double> budgets = curve_range(range, problem);
    if (!problem.empty()) {
        notifier().inform("Budget range: " + problem);
        return;
    }
    GoalMaximisationInput input = searchInput(in.time_dependent_predation.value_or(false));
    {
        WaitCursor wait;
        RunProgress progress(this, kCurveTitle, "Drawing the curve ...", search_progress_text);
        const EvaluatedArea area = evaluate_area(*db_, input.evaluation, seed_, &progress.feedback());
        curve_ = goal_curve(area, input, budgets, curve_point_options(), nullptr, &progress.feedback());
    }
    showCurve();
}

void BudgetEffectCurveWindow::showCurve() {
    table_->setRowCount(static_cast<int>(curve_.points.size()));
    for (int i = 0; i < static_cast<int>(curve_.points.size()); ++i) {
        const CurvePoint& p = curve_.points[static_cast<std::size_t>(i)];
        const std::string cells[] = {format_fixed(p.budget_limit, 0), format_fixed(p.weighted, 2),
                                     p.bound_known ? format_fixed(p.bound, 2) : std::string("-"),
                                     format_fixed(p.budget, 2)};
        for (int c = 0; c < 4; ++c)
            table_->setItem(i, c, new QTableWidgetItem(QString::fromStdString(cells[c])));
    }
    QChart* chart = make_curve_chart(curve_, kCurveTitle);
    // Hovering a point of the searched curve shows its figures.
    for (QAbstractSeries* s : chart->series()) {
        auto* line = qobject_cast<QLineSeries*>(s);
        if (!line) continue;
        connect(line, &QLineSeries::hovered, this, [this](const QPointF& at, bool state) {
            if (!state || curve_.points.empty()) return;
            const CurvePoint* nearest = &curve_.points.front();
            for (const CurvePoint& p : curve_.points)
                if (std::abs(p.budget_limit - at.x()) < std::abs(nearest->budget_limit - at.x())) nearest = &p;
            QToolTip::showText(QCursor::pos(), point_text(*nearest), chart_);
        });
    }
    QChart* old = chart_->chart();
    chart_->setChart(chart);
    delete old;
    for (QPushButton* b : saveButtons_) b->setEnabled(!curve_.points.empty());
}

void BudgetEffectCurveWindow::save(const QString& filter) {
    const QString path = savePathChooser_ ? savePathChooser_(filter)
                                          : QFileDialog::getSaveFileName(this, kCurveTitle, QString(), filter);
    if (path.isEmpty()) return;
    if (path.endsWith(".csv", Qt::CaseInsensitive)) {
        std::vector<std::string> species;
        for (const auto& s : species_) species.push_back(s.name);
        std::vector<int> ids;
        for (const auto& m : measures_) ids.push_back(m.measureID);
        const std::string text = curve_csv(curve_, species, ids);
        AtomicFile f;
        if (!f.open(path.toStdString()) || !f.write(text.data(), text.size()) || !f.close())
            notifier().inform("The file could not be written: " + path.toStdString());
        return;
    }
    const std::string error = write_curve_chart(curve_, kCurveTitle, path.toStdString());
    if (!error.empty()) notifier().inform(error);
}

}  // namespace pravel
