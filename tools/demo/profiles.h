#pragma once
#include <ostream>
#include <vector>

#include "store/grassland_store.h"
#include "store/profile_store.h"

namespace pravel::demo {

// Bird, butterfly and habitat profiles of the demo data, speciesIDs from 1.
std::vector<SpeciesRecord> build_profiles();

// Grassland types of the editors (table `grassland`), grasslandIDs from 1.
std::vector<GrasslandRecord> build_grasslands();

// Writes `species`, `quarter_month_eggs`, `quarter_month_predation`,
// `grassland`, `species_grassland` and `measure_grassland` (measures linked
// by their catalogue names and first-use windows).
void write_profiles(std::ostream& sql, const std::vector<SpeciesRecord>& profiles,
                    const std::vector<GrasslandRecord>& grasslands, const std::vector<MeasureRecord>& measures);

}  // namespace pravel::demo
