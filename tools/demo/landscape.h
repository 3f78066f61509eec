#pragma once
#include <ostream>

namespace pravel::demo {

inline constexpr int kLargeAreaId = 1;
inline constexpr int kSmallAreaId = 2;

// Writes the two study areas (country, matrix_referenz, pixel, contour), the
// grassland types their pixels refer to (grasslandtype) and the
// farmhouse-distance costs (cost_for_farmhouse_distance).
void write_landscape(std::ostream& sql);

}  // namespace pravel::demo
