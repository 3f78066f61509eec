#pragma once
#include <ostream>

namespace pravel::demo {

// Writes the whole demo database as SQL: study areas, grassland types,
// measure catalogue, agronomic tables and profiles. Deterministic.
void write_demo_database(std::ostream& sql);

}  // namespace pravel::demo
