#pragma once
#include "core/measure_evaluation.h"
#include "store/landscape_store.h"
#include "store/profile_store.h"

namespace pravel {

// Spatial factor S of a pixel for a species: how well its grassland type(s)
// and soil moisture suit the species.
double spatial_factor(const SpeciesRecord& species, const PixelRecord& pixel, bool time_dependent_predation);

// Temporal factor T: the share of the species' reproduction that survives
// the measure over the year. Draws vegetation growth from the process-wide
// random generator.
double temporal_factor(const SpeciesRecord& species, const PixelRecord& pixel, const MeasureEvaluation& measure,
                       double trampling_factor, bool time_dependent_predation);

// Ecological quality of the pixel for the species under the measure: S x T.
double species_quality(const SpeciesRecord& species, const PixelRecord& pixel, const MeasureEvaluation& measure,
                       double trampling_factor, bool time_dependent_predation);

// True when every use quarter month of the measure (a, a+b, a+b+c, a+b+c+d)
// lies within the year; other measures cannot be evaluated.
bool uses_within_year(const MeasureRecord& m);

}  // namespace pravel
