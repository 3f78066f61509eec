#pragma once
// The outline of the cells of a raster that have data, as one closed line of
// cell corners.
#include <vector>

#include "store/study_area_store.h"

namespace pravel::gis {

// `mask` holds rows x columns flags, row by row from the top. Returns the
// outer boundary of the largest patch of cells with data (cells joined along
// an edge), as corner points (x = column, y = row, 0..columns and 0..rows),
// without points in the middle of straight runs, the first point repeated at
// the end. Empty when no cell has data. Holes and smaller patches are not
// part of it: the outline is drawn as one line.
std::vector<ContourVertex> trace_outline(const std::vector<char>& mask, int rows, int columns);

}  // namespace pravel::gis
