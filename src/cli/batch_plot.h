#pragma once
// The plot of `batch collect --plot`: a summary figure against the first
// varied parameter, one line per value of the other varied parameters (the
// mean over replicates), as a PNG image.
#include <string>
#include <vector>

#include "batch/batch.h"

namespace pravel::cli {

struct PlotLine {
    std::string label;
    std::vector<std::pair<double, double>> points;  // x, y in the order of x
};

struct BatchPlot {
    std::string x_label;
    std::vector<std::string> x_ticks;  // texts of x = 0, 1, ... when the values are not numbers
    std::string y_label;
    std::vector<PlotLine> lines;
};

// The plot's data from the collect table: the first figure (the budget for
// the optimisations) over the first varied parameter; the seed only averages.
// Empty lines when nothing is done.
BatchPlot batch_plot_data(const batch::CollectTable& table);

// Draws it into a PNG file; false with `error` set when it cannot be written.
bool write_batch_plot(const BatchPlot& plot, const std::string& path, std::string& error);

}  // namespace pravel::cli
