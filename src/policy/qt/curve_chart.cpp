#include "policy/qt/curve_chart.h"

#include <QApplication>
#include <QFileInfo>
#include <QGraphicsScene>
#include <QImage>
#include <QPainter>
#include <QSaveFile>
#include <QSvgGenerator>
#include <QtCharts/QChart>
#include <QtCharts/QLineSeries>
#include <QtCharts/QScatterSeries>
#include <QtCharts/QValueAxis>
#include <QLocale>
#include <algorithm>
#include <cmath>
#include <memory>

namespace pravel {

namespace {

// Charts are graphics widgets, which need an application object.
void ensure_application() {
    if (QCoreApplication::instance()) return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "pravel";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
}

void add_series(QChart* chart, QLineSeries* series, QValueAxis* x, QValueAxis* y) {
    chart->addSeries(series);
    series->attachAxis(x);
    series->attachAxis(y);
}

// Round ticks on an axis, with a little room above the largest value so
// that no point sits on the chart's edge.
void set_ticks(QValueAxis* axis, double max) {
    const AxisTicks t = nice_axis(max * 1.02);
    axis->setRange(0.0, t.top);
    axis->setTickCount(t.ticks);
    axis->setMinorTickCount(0);
}

}  // namespace

AxisTicks nice_axis(double max, int most) {
    if (!(max > 0.0) || !std::isfinite(max)) return {};
    most = std::max(most, 1);
    double power = std::pow(10.0, std::floor(std::log10(max / most)));
    for (;; power *= 10.0)
        for (double m : {1.0, 2.0, 2.5, 5.0}) {
            const double step = m * power;
            // A hair below the exact quotient, so that a top equal to a tick
            // does not get a step of its own.
            const double steps = std::ceil(max / step - 1e-9);
            if (steps <= most) return {std::max(steps, 1.0) * step, step, static_cast<int>(std::max(steps, 1.0)) + 1};
        }
}

QChart* make_curve_chart(const BudgetEffectCurve& curve, const std::string& title) {
    auto* chart = new QChart();
    chart->setTitle(QString::fromStdString(title));
    auto* paid = new QLineSeries();
    auto* reference = new QLineSeries();
    paid->setName(curve.zoning == "uniform" ? "uniform payments" : QString::fromStdString("payments by zone (" + curve.zoning + ")"));
    reference->setName("cost-only reference");
    auto* marks = new QScatterSeries();
    marks->setMarkerSize(7.0);
    marks->setName("points searched");
    double xmax = 0.0, ymax = 0.0;
    for (const CurvePoint& p : curve.points) {
        double target = 0.0;
        for (double w : p.wanted) target += w;
        const double x = curve.goal ? p.budget_limit : p.budget;
        const double y = curve.goal ? p.weighted : target;
        paid->append(x, y);
        marks->append(x, y);
        xmax = std::max(xmax, x);
        ymax = std::max(ymax, y);
        if (p.bound_known) {
            const double rx = curve.goal ? p.budget_limit : p.bound;
            const double ry = curve.goal ? p.bound : target;
            reference->append(rx, ry);
            xmax = std::max(xmax, rx);
            ymax = std::max(ymax, ry);
        }
    }
    auto* x = new QValueAxis();
    auto* y = new QValueAxis();
    x->setTitleText(curve.goal ? "Budget (Euro)" : "Budget paid (Euro)");
    // Two lines, so that the title fits beside the plot of a small window.
    y->setTitleText(curve.goal ? "Weighted effective<br>area (ha)" : "Wanted effective area,<br>all species (ha)");
    // Whole numbers with thousands separators (50,000), whatever the
    // user's locale, as the tables and lines write them.
    chart->setLocale(QLocale(QLocale::English, QLocale::UnitedKingdom));
    chart->setLocalizeNumbers(true);
    x->setLabelFormat("%.0f");
    y->setLabelFormat("%.0f");
    set_ticks(x, xmax);
    set_ticks(y, ymax);
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    add_series(chart, paid, x, y);
    add_series(chart, reference, x, y);
    chart->addSeries(marks);
    marks->attachAxis(x);
    marks->attachAxis(y);
    chart->legend()->setVisible(true);
    chart->legend()->setAlignment(Qt::AlignBottom);
    return chart;
}

std::string write_curve_chart(const BudgetEffectCurve& curve, const std::string& title, const std::string& path,
                              int width, int height) {
    ensure_application();
    const QString file = QString::fromStdString(path);
    const QString suffix = QFileInfo(file).suffix().toLower();
    if (suffix != "png" && suffix != "svg") return "the plot file must end in .png or .svg: " + path;

    QGraphicsScene scene;
    QChart* chart = make_curve_chart(curve, title);
    scene.addItem(chart);  // the scene owns the chart
    chart->setGeometry(0, 0, width, height);
    scene.setSceneRect(0, 0, width, height);

    if (suffix == "png") {
        QImage image(width, height, QImage::Format_ARGB32);
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            painter.setRenderHint(QPainter::Antialiasing);
            scene.render(&painter);
        }
        QSaveFile out(file);
        if (!out.open(QIODevice::WriteOnly) || !image.save(&out, "PNG") || !out.commit())
            return "the plot could not be written to " + path;
        return {};
    }
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly)) return "the plot could not be written to " + path;
    QSvgGenerator svg;
    svg.setOutputDevice(&out);
    svg.setSize(QSize(width, height));
    svg.setViewBox(QRect(0, 0, width, height));
    svg.setTitle(QString::fromStdString(title));
    {
        QPainter painter(&svg);
        scene.render(&painter);
    }
    if (!out.commit()) return "the plot could not be written to " + path;
    return {};
}

}  // namespace pravel
