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

// The number of values species_quality (temporal_factor) takes from the
// random generator for these inputs, found without drawing. It follows from
// the inputs alone, never from the values drawn, so the draws of many pixels
// can be placed in the generator's sequence before any is evaluated.
long long species_quality_draws(const SpeciesRecord& species, const PixelRecord& pixel,
                                const MeasureEvaluation& measure, double trampling_factor,
                                bool time_dependent_predation);
long long temporal_factor_draws(const SpeciesRecord& species, const PixelRecord& pixel,
                                const MeasureEvaluation& measure, double trampling_factor,
                                bool time_dependent_predation);

// Of a pixel, the temporal factor's draws depend only on this key (and
// species_quality's also on whether spatial_factor is 0): pixels with equal
// keys take equally many draws for the same species and measure.
struct DrawCountKey {
    int growth_start = 0;
    bool altitude = false;
    bool operator==(const DrawCountKey&) const = default;
};
inline DrawCountKey draw_count_key(const PixelRecord& pixel) {
    return {pixel.growth_start, pixel.altitude != 0};
}

// True when every use quarter month of the measure (a, a+b, a+b+c, a+b+c+d)
// lies within the year; other measures cannot be evaluated.
bool uses_within_year(const MeasureRecord& m);

}  // namespace pravel
