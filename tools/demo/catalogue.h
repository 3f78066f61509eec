#pragma once
#include <ostream>
#include <vector>

#include "store/measure_store.h"

namespace pravel::demo {

// Selection groups of the catalogue.
enum SelectionGroup { kSelectMowing = 1, kSelectGrazing = 2, kSelectMowingGrazing = 3, kSelectPostponed = 4 };

// Livestock kinds: a calm and a lively one.
inline constexpr int kCalmLivestock = 1;
inline constexpr int kLivelyLivestock = 2;

struct CatalogueMeasure {
    MeasureRecord record;
    int selection = 0;
    bool preselected = false;
};

// The whole measure catalogue, measureIDs from 1 in order.
std::vector<CatalogueMeasure> build_catalogue();

// Writes `measures`, `livestock` and `selection`.
void write_catalogue(std::ostream& sql, const std::vector<CatalogueMeasure>& catalogue);

}  // namespace pravel::demo
