#include "cli/batch_plot.h"

#include <QColor>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <memory>

namespace pravel::cli {

namespace {

bool is_number(const std::string& text, double& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return end && *end == '\0';
}

std::string short_number(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.4g", v);
    return buf;
}

}  // namespace

BatchPlot batch_plot_data(const batch::CollectTable& table) {
    BatchPlot plot;
    if (table.parameter_paths.empty() || table.figure_names.empty()) return plot;
    const std::size_t first_param = 2;  // after run and state
    const std::size_t first_figure = first_param + table.parameter_paths.size();
    plot.x_label = table.parameter_paths.front();
    plot.y_label = table.figure_names.front();
    // x values: numbers when every one is a number, else positions in order.
    std::vector<std::string> xs;
    bool numeric = true;
    for (const auto& row : table.rows) {
        if (row[1] != "done") continue;
        double v;
        if (!is_number(row[first_param], v)) numeric = false;
        if (std::find(xs.begin(), xs.end(), row[first_param]) == xs.end()) xs.push_back(row[first_param]);
    }
    if (!numeric) plot.x_ticks = xs;
    // Mean of y per (other parameters, x) over the seeds.
    std::map<std::string, std::map<double, std::pair<double, int>>> sums;
    std::vector<std::string> order;
    for (const auto& row : table.rows) {
        if (row[1] != "done" || row[first_figure].empty()) continue;
        std::string label;
        for (std::size_t p = 1; p < table.parameter_paths.size(); ++p) {
            if (table.parameter_paths[p] == batch::kSeedPath) continue;
            label += (label.empty() ? "" : ", ") + table.parameter_paths[p] + " = " + row[first_param + p];
        }
        double x = 0.0;
        if (numeric)
            is_number(row[first_param], x);
        else
            x = static_cast<double>(std::find(xs.begin(), xs.end(), row[first_param]) - xs.begin());
        if (!sums.count(label)) order.push_back(label);
        auto& s = sums[label][x];
        s.first += std::atof(row[first_figure].c_str());
        s.second += 1;
    }
    for (const auto& label : order) {
        PlotLine line{label.empty() ? plot.y_label : label, {}};
        for (const auto& [x, s] : sums[label]) line.points.emplace_back(x, s.first / s.second);
        plot.lines.push_back(std::move(line));
    }
    return plot;
}

bool write_batch_plot(const BatchPlot& plot, const std::string& path, std::string& error) {
    if (plot.lines.empty()) {
        error = "no done run to plot";
        return false;
    }
    std::unique_ptr<QGuiApplication> app;
    if (!QGuiApplication::instance()) {
        // Texts need a GUI application; without a display it draws offscreen.
        if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        static int argc = 1;
        static char name[] = "pravel-cli";
        static char* argv[] = {name, nullptr};
        app = std::make_unique<QGuiApplication>(argc, argv);
    }
    double x0 = 1e300, x1 = -1e300, y0 = 0.0, y1 = -1e300;
    for (const auto& l : plot.lines)
        for (const auto& [x, y] : l.points) {
            x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y), y1 = std::max(y1, y);
        }
    if (x1 <= x0) x1 = x0 + 1, x0 -= 1;
    if (y1 <= y0) y1 = y0 + 1;
    y1 += (y1 - y0) * 0.05;

    const int width = 900, height = 560, left = 90, right = 30, top = 40, bottom = 70;
    const int legend_height = 18 * static_cast<int>(plot.lines.size());
    QImage image(width, height + legend_height, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const int w = width - left - right, h = height - top - bottom;
    auto px = [&](double x) { return left + (x - x0) / (x1 - x0) * w; };
    auto py = [&](double y) { return top + h - (y - y0) / (y1 - y0) * h; };
    p.setPen(QPen(Qt::black, 1));
    p.drawRect(left, top, w, h);
    QFont font = p.font();
    font.setPixelSize(12);
    p.setFont(font);
    for (int k = 0; k <= 5; ++k) {
        const double y = y0 + (y1 - y0) * k / 5.0;
        p.setPen(QColor(220, 220, 220));
        p.drawLine(QPointF(left, py(y)), QPointF(left + w, py(y)));
        p.setPen(Qt::black);
        p.drawText(QRectF(0, py(y) - 8, left - 6, 16), Qt::AlignRight | Qt::AlignVCenter,
                   QString::fromStdString(short_number(y)));
    }
    std::vector<double> ticks;
    if (!plot.x_ticks.empty()) {
        for (std::size_t i = 0; i < plot.x_ticks.size(); ++i) ticks.push_back(static_cast<double>(i));
    } else {
        for (const auto& l : plot.lines)
            for (const auto& pt : l.points)
                if (std::find(ticks.begin(), ticks.end(), pt.first) == ticks.end()) ticks.push_back(pt.first);
    }
    for (double t : ticks) {
        const std::string text = plot.x_ticks.empty() ? short_number(t) : plot.x_ticks[static_cast<std::size_t>(t)];
        p.drawLine(QPointF(px(t), top + h), QPointF(px(t), top + h + 4));
        p.drawText(QRectF(px(t) - 80, top + h + 6, 160, 16), Qt::AlignHCenter | Qt::AlignTop,
                   QString::fromStdString(text));
    }
    p.drawText(QRectF(left, height - 36, w, 18), Qt::AlignHCenter, QString::fromStdString(plot.x_label));
    p.save();
    p.translate(18, top + h / 2.0);
    p.rotate(-90);
    p.drawText(QRectF(-h / 2.0, -10, h, 20), Qt::AlignHCenter, QString::fromStdString(plot.y_label));
    p.restore();
    const QColor colours[] = {QColor(31, 119, 180), QColor(255, 127, 14), QColor(44, 160, 44),
                              QColor(214, 39, 40),  QColor(148, 103, 189), QColor(140, 86, 75)};
    for (std::size_t i = 0; i < plot.lines.size(); ++i) {
        const QColor c = colours[i % 6];
        p.setPen(QPen(c, 2));
        const auto& pts = plot.lines[i].points;
        for (std::size_t k = 0; k < pts.size(); ++k) {
            const QPointF a(px(pts[k].first), py(pts[k].second));
            p.setBrush(c);
            p.drawEllipse(a, 3, 3);
            if (k > 0) p.drawLine(QPointF(px(pts[k - 1].first), py(pts[k - 1].second)), a);
        }
        const int ly = height - 12 + 18 * static_cast<int>(i);
        p.drawLine(left, ly, left + 24, ly);
        p.setPen(Qt::black);
        p.drawText(QRectF(left + 30, ly - 8, w - 30, 16), Qt::AlignLeft | Qt::AlignVCenter,
                   QString::fromStdString(plot.lines[i].label));
    }
    p.end();
    if (!image.save(QString::fromStdString(path), "PNG")) {
        error = "cannot be written";
        return false;
    }
    return true;
}

}  // namespace pravel::cli
