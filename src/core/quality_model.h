#pragma once
#include <vector>

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

// The part of the temporal factor that does not depend on the draws nor on
// the pixel's height scale: for one species, measure, trampling factor,
// predation and draw-count key. Worked out once, it serves every pixel of
// that key; temporal_factor(plan, scale) then only draws and sums.
struct TemporalTerm {
    int i = 0;            // first quarter month of the brood's window
    double weight = 0.0;  // predation x eggs (with substitute brood) x survival
};
struct QuarterMonthPlan {
    int q = 0;
    int months = -1;             // growth behind the height
    int months_under_uses = -1;  // the same under the uses (summary-density rule)
    double v_short = 0.0, v_medium = 0.0, v_tall = 0.0;
    double v_medium_taller = 0.0, v_tall_taller = 0.0;
    // The mean of the draws when every value gives one class: short, medium, tall.
    double only_class_mean[3] = {0.0, 0.0, 0.0};
};
struct TemporalPlan {
    int window = 0;              // quarter months of a brood's window (reproduction period)
    bool summary_rule = false;
    bool two_generations = false;
    bool first_generation = false;  // with two generations: the first one's sum counts
    std::vector<TemporalTerm> terms[2];
    std::vector<QuarterMonthPlan> quarter_months;  // those the windows need, in increasing order
    long long draws = 0;         // values taken from the generator
};
TemporalPlan temporal_plan(const SpeciesRecord& species, const PixelRecord& pixel, const MeasureEvaluation& measure,
                           double trampling_factor, bool time_dependent_predation);
// The pixel's height scale (its grassland types' height values).
double height_scale(const PixelRecord& pixel);
// temporal_factor(species, pixel, ...) for a pixel of the plan's key and this scale.
double temporal_factor(const TemporalPlan& plan, double scale);

// True when every use quarter month of the measure (a, a+b, a+b+c, a+b+c+d)
// lies within the year; other measures cannot be evaluated.
bool uses_within_year(const MeasureRecord& m);

}  // namespace pravel
