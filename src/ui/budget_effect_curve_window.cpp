#include "ui/budget_effect_curve_window.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QTime>
#include <QCursor>
#include <QFileDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QToolTip>
#include <QtCharts/QChartView>
#include <QtCharts/QLineSeries>

#include "common/atomic_file.h"
#include "common/notifier.h"
#include "common/number_format.h"
#include "optimisation/configuration_store.h"
#include "optimisation/optimisation_lines.h"
#include "optimisation/pixel_allocation.h"
#include "policy/qt/curve_chart.h"
#include "store/database_access.h"
#include "store/result_store.h"
#include "store/zone_store.h"
#include "ui/progress_dialog.h"
#include "ui/window_parts.h"

namespace pravel {

namespace {

QString point_text(const CurvePoint& p) {
    return QString::fromStdString("Budget " + format_fixed(p.budget_limit, 0) + " Euro: " + format_fixed(p.weighted, 2) +
                                  " weighted ha (paid " + format_fixed(p.budget, 2) + " Euro); cost-only reference " +
                                  format_fixed(p.bound, 2) + " ha");
}

// The closing box of a curve: how many of the wanted points were drawn and
// what the last one buys.
std::string curveClosingText(const BudgetEffectCurve& curve, std::size_t wanted) {
    if (curve.points.empty()) return "The curve was stopped before its first point: nothing to show.";
    const CurvePoint& last = curve.points.back();
    std::string text = (curve.cancelled || curve.points.size() < wanted)
                           ? "The curve was stopped after " + std::to_string(curve.points.size()) + " of " +
                                 std::to_string(wanted) + " points."
                           : "Done: " + std::to_string(curve.points.size()) + " points.";
    text += "\nAt " + format_fixed(last.budget_limit, 0) + " Euro the payments buy " + format_fixed(last.weighted, 2) +
            " ha weighted effective area (weights: importance / 100), paying " + format_fixed(last.budget, 2) + " Euro.";
    if (last.bound_known)
        text += "\nThe cost-only reference buys " + format_fixed(last.bound, 2) + " ha for the same budget.";
    return text;
}

// The zone payments of a point as the store keeps them: one row per measure
// and zone, with the pixels of the point's allocation that lie in the zone.
std::vector<ZonePaymentRow> point_zone_rows(const CurvePoint& point, const BudgetEffectCurve& curve,
                                            const ZoneMap& zones, const std::vector<MeasureRecord>& measures,
                                            double pixel_area) {
    const int zone_count = static_cast<int>(curve.zone_names.size());
    std::vector<int> pixels(measures.size() * static_cast<std::size_t>(zone_count), 0);
    for (const PixelResult& p : point.result.allocation) {
        if (!p.measure) continue;
        int zone = zones.zone_at(p.row, p.column);
        if (zone < 0) zone = zone_count - 1;  // the "(no zone)" zone comes last
        for (std::size_t m = 0; m < measures.size(); ++m)
            if (measures[m].measureID == p.measure->measureID && zone >= 0 && zone < zone_count)
                ++pixels[m * static_cast<std::size_t>(zone_count) + static_cast<std::size_t>(zone)];
    }
    std::vector<ZonePaymentRow> rows;
    for (int k = 0; k < zone_count; ++k)
        for (std::size_t m = 0; m < measures.size(); ++m) {
            const std::size_t key = m * static_cast<std::size_t>(zone_count) + static_cast<std::size_t>(k);
            ZonePaymentRow r;
            r.measureID = measures[m].measureID;
            r.zoning = curve.zoning;
            r.zone = curve.zone_names[static_cast<std::size_t>(k)];
            r.payment = key < point.key_payment.size() ? point.key_payment[key] : 0.0;
            r.participants = pixels[key];
            r.area = r.participants * pixel_area;
            rows.push_back(r);
        }
    return rows;
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
        // Room for a budget of seven digits.
        (*field)->setMinimumWidth((*field)->fontMetrics().horizontalAdvance(QString(9, QLatin1Char('0'))));
        range->addWidget(*field, 1);
    }
    column->addLayout(range);
    range = new QHBoxLayout();
    range->addWidget(label(kZonesLabel, panel));
    zoning_ = new QComboBox(panel);
    zoning_->setObjectName(kZonesLabel);
    for (const char* choice : {kUniform, kGrid2, kGrid4, kSubclassification}) zoning_->addItem(choice);
    range->addWidget(zoning_, 1);
    auto* draw = namedButton(kDrawButton, panel);
    range->addWidget(draw);
    column->addLayout(range);
    // Which run the chart and the table show.
    curveShown_ = run_heading(kCurveShownLabel, panel);
    column->addWidget(curveShown_);

    chart_ = new QChartView(panel);
    chart_->setMinimumSize(520, 300);
    column->addWidget(chart_);
    table_ = new QTableWidget(0, 4, panel);
    table_->setObjectName(kTableName);
    table_->setHorizontalHeaderLabels(
        {"Budget (Euro)", "Weighted effective area (ha)", "Cost-only reference (ha)", "Paid (Euro)"});
    // Each column at least as wide as its heading, the room left shared out.
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    column->addWidget(table_);
    auto* buttons = new QHBoxLayout();
    const char* names[] = {kSaveCsv, kSavePng, kSaveSvg};
    const char* filters[] = {"CSV files (*.csv)", "PNG images (*.png)", "SVG images (*.svg)"};
    for (int i = 0; i < 3; ++i) {
        saveButtons_[static_cast<std::size_t>(i)] = namedButton(names[i], panel);
        saveButtons_[static_cast<std::size_t>(i)]->setEnabled(false);
        buttons->addWidget(saveButtons_[static_cast<std::size_t>(i)]);
        const QString filter = filters[i];
        connect(saveButtons_[static_cast<std::size_t>(i)], &QPushButton::clicked, this, [this, filter] { save(filter); });
    }
    storePoint_ = namedButton(kStorePoint, panel);
    showPoint_ = namedButton(kShowPoint, panel);
    storePoint_->setEnabled(false);
    showPoint_->setEnabled(false);
    buttons->addStretch(1);
    buttons->addWidget(storePoint_);
    buttons->addWidget(showPoint_);
    connect(storePoint_, &QPushButton::clicked, this, [this] { storePoint(); });
    connect(showPoint_, &QPushButton::clicked, this, [this] { showStoredPoint(); });
    column->addLayout(buttons);
    // The curve takes the place of the goal window's result lists, which a
    // curve leaves empty; the report and close buttons stay below it.
    QBoxLayout* results = nullptr;
    if (QWidget* measureResult = findChild<QListWidget*>(kMeasureResultLabel))
        for (QBoxLayout* l : findChildren<QBoxLayout*>())
            if (l->indexOf(measureResult) >= 0) results = l;
    if (results) {
        for (int i = 0; i < results->count(); ++i)
            if (QWidget* w = results->itemAt(i)->widget()) w->hide();
        for (const char* name : {"Visualize", "Save"})
            if (auto* b = findChild<QPushButton*>(name)) b->hide();
        results->insertWidget(0, panel, 1);
    } else if (auto* box = qobject_cast<QBoxLayout*>(layout())) {
        box->addWidget(panel);
    }
    resize(opening_size(this));
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
    const bool timeDependent = in.time_dependent_predation.value_or(false);
    GoalMaximisationInput input = searchInput(timeDependent);
    const QTime started = QTime::currentTime();
    {
        WaitCursor wait;
        RunProgress progress(this, kCurveTitle, "Drawing the curve ...", search_progress_text);
        const EvaluatedArea area = evaluate_area(*db_, input.evaluation, seed_, &progress.feedback());
        bool failed = false;
        std::optional<ZoneMap> zones = chosenZones(area, failed);
        if (failed) return;
        curve_ = goal_curve(area, input, budgets, curve_point_options(), zones ? &*zones : nullptr,
                            &progress.feedback());
        zones_ = std::move(zones);
        curvePixelArea_ = area.pixel_area;
    }
    curveAnalysis_ = analysis(timeDependent);
    stored_.reset();
    showCurve();
    const QString method = QString("budget-effect curve, %1 budgets, %2 payments")
                               .arg(curve_.points.size())
                               .arg(QString::fromStdString(zones_ ? zones_->description : std::string(kUniform)));
    curveShown_->setText(run_heading_text(started, method, seed_));
    notifier().inform(curveClosingText(curve_, budgets.size()));
}

std::optional<ZoneMap> BudgetEffectCurveWindow::chosenZones(const EvaluatedArea& area, bool& failed) {
    const QString choice = zoning_->currentText();
    try {
        if (choice == kGrid2) return grid_zones(area.raster_rows, area.raster_columns, 2, 2);
        if (choice == kGrid4) return grid_zones(area.raster_rows, area.raster_columns, 4, 4);
        if (choice == kSubclassification && countryID_) {
            std::vector<CellValue> values;
            for (auto& v : load_pixel_column(*db_, *countryID_, "subclassification"))
                values.push_back({v.row, v.column, std::move(v.value)});
            return value_zones(area.raster_rows, area.raster_columns, values, "column subclassification");
        }
    } catch (const std::invalid_argument& e) {
        notifier().inform(std::string("The zones cannot be built on this study area: ") + e.what());
        failed = true;
    }
    return std::nullopt;
}

void BudgetEffectCurveWindow::storePoint() {
    const int row = table_->currentRow();
    const auto selected = table_->selectionModel() ? table_->selectionModel()->selectedRows() : QModelIndexList{};
    if (!curveAnalysis_ || selected.isEmpty() || row < 0 || row >= static_cast<int>(curve_.points.size())) {
        notifier().inform(kChoosePoint);
        return;
    }
    const CurvePoint& point = curve_.points[static_cast<std::size_t>(row)];
    const long long clock = configuration_clock();
    const std::optional<std::string> name = askRunName();
    const std::optional<int> id = curveAnalysis_->store(*db_, point.result, name, clock);
    if (!id) return;
    // A stored goal run keeps no pixels; a curve point keeps its own, so
    // that the configuration map can draw where it pays.
    {
        std::vector<PixelResultRow> pixels;
        pixels.reserve(point.result.allocation.size());
        for (const PixelResult& r : point.result.allocation) {
            PixelResultRow row{r.pixelID, r.measure ? r.measure->measureID : 0, r.margin_with_payment, {}};
            for (const SpeciesQuality& q : r.qualities) row.qualities.emplace_back(q.speciesID, q.quality);
            pixels.push_back(std::move(row));
        }
        Transaction transaction(*db_);
        save_pixel_results(*db_, *id, pixels);
        transaction.commit();
    }
    if (zones_ && !curve_.zone_names.empty()) {
        Transaction transaction(*db_);
        store_zone_payments(*db_, *id, point_zone_rows(point, curve_, *zones_, measures_, curvePixelArea_));
        store_zone_cells(*db_, *id, zone_cells(*zones_));
        transaction.commit();
    }
    stored_ = id;
    showPoint_->setEnabled(true);
    notifier().inform("The point at " + format_fixed(point.budget_limit, 0) + " Euro is stored as \"" + *name + "\"" +
                      (zones_ ? " with its zone payments." : "."));
}

void BudgetEffectCurveWindow::showStoredPoint() {
    if (!stored_) return;
    pointMap_ = open_configuration_map(this, *stored_);
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
    storePoint_->setEnabled(!curve_.points.empty());
    showPoint_->setEnabled(false);
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
