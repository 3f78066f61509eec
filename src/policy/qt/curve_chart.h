#pragma once
// The budget-effect curve as a chart (Qt Charts): the curve of the
// payments searched and the curve of the cost-only reference, axes in Euro
// and hectares, a legend and the scenario's name; drawn into a window or
// written as a PNG or SVG file.
#include <string>

#include "policy/curve.h"

class QChart;

namespace pravel {

// An axis from 0 with round tick values: the top at or above `max`, the
// ticks `step` apart, at most `most` steps (a step of 1, 2, 2.5 or 5 times a
// power of ten: 0, 50,000, 100,000, ...). A max of 0 or below gives 0 to 1.
struct AxisTicks {
    double top = 1.0;
    double step = 1.0;
    int ticks = 2;  // the tick marks, both ends included
};
AxisTicks nice_axis(double max, int most = 8);

// A new chart of the curve (the caller owns it). A goal curve puts the
// budget on the x axis and the weighted effective area on the y axis; a
// budget curve puts the budget paid on the x axis and the wanted area on
// the y axis, with the cost-only budget of each target as the reference.
// Both axes have round tick values with thousands separators, and the y
// title is on two lines, so that it fits beside a small chart.
QChart* make_curve_chart(const BudgetEffectCurve& curve, const std::string& title);

// Writes the chart to `path` (.png or .svg, by its ending) at the given
// size in pixels. Works without a window: a process without a Qt
// application gets an offscreen one. Returns the error text, empty on
// success.
std::string write_curve_chart(const BudgetEffectCurve& curve, const std::string& title, const std::string& path,
                              int width = 960, int height = 600);

}  // namespace pravel
