#pragma once
#include <functional>
#include <optional>

namespace pravel {

// What the rows drawn for one raster cell say about it: the landscape row
// its coordinates and the value of the layer shown, a result row the measure,
// quality and payment - cost. Fields a row does not know stay empty.
struct CellFacts {
    int row = 0;
    int column = 0;
    std::optional<int> x_coordinate;
    std::optional<int> y_coordinate;
    std::optional<int> layer_value;
    std::optional<int> measureID;
    std::optional<double> quality;
    std::optional<int> benefit;
};
using CellObserver = std::function<void(const CellFacts&)>;

}  // namespace pravel
