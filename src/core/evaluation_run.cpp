#include "core/evaluation_run.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <iterator>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>

#include "common/feedback.h"
#include "common/number_format.h"
#include "common/random.h"
#include "core/measure_record.h"
#include "core/quality_model.h"
#include "store/database_access.h"

namespace pravel {

namespace {

bool valid_method(int method_nr) { return method_nr >= 1 && method_nr <= kMethodCount; }

// Group of a valid method number: 0 mowing, 1 grazing, 2 mowing with grazing.
// The pixel's mead_past_mow names the group it allows.
int method_group(int method_nr) {
    if (method_nr <= 5) return 0;
    if (method_nr <= 10) return 1;
    return 2;
}

// Weights of the first and second grassland type of a pixel with two types.
constexpr double kFirstTypeWeight = 0.7;
constexpr double kSecondTypeWeight = 0.3;
// Refuge strips leave part of the area uncut.
constexpr double kRefugeStripYieldShare = 0.92;
constexpr int kMinimumGrasslandValue = 15;

}  // namespace

EvaluationInputs load_evaluation_inputs(DatabaseAccess& db, const EvaluationRequest& request) {
    EvaluationInputs in;
    in.growth_rate = load_growth_rate(db);
    for (int m = 1; m <= kMethodCount; ++m) in.method_feed[m - 1] = load_method_feed(db, m);
    for (int m = 1; m <= kMethodCount; ++m) load_cost_parameters(db, m, in.method_costs[m - 1]);

    in.raster_reference = load_raster_reference(db, request.countryID);
    in.pixels = PixelRaster(in.raster_reference);
    // Only the cells the run evaluates are kept, without their texts.
    PixelLoad load;
    load.keep = is_evaluated_grassland;
    load.texts = false;
    load_pixels(db, request.countryID, in.pixels, load);

    in.usability.reserve(request.measures.size());
    for (const MeasureRecord& m : request.measures) {
        UsabilityParameters p;
        load_usability_parameters(db, p, m.method_nr, m.month_quarter_first_use, m.distance_2use, m.distance_3use,
                                  m.distance_4use, {m.livestockID_1, m.livestockID_2, m.livestockID_3, m.livestockID_4},
                                  {m.livestock_density_1, m.livestock_density_2, m.livestock_density_3,
                                   m.livestock_density_4});
        in.usability.push_back(p);
    }

    // Whole tables, looked up in memory by the yield model and the trampling
    // factors.
    for (const DryMatterRow& row : load_all_dry_matter_rows(db)) in.growth_tables.set_series(row.N_fertilizer, row.MV);
    for (const RegrowthDelayRow& row : load_all_regrowth_delays(db)) {
        in.growth_tables.set_regrowth_delay(row.previous_cut, row.next_cut, row.regrowth_delay);
    }
    in.trampling = load_all_trampling_factors(db);
    return in;
}

double method_cost_total(const CostParameterSet& c) {
    return c.maschine_rental + c.hired_labour + c.pasturecosts + c.optional_extra_cost + c.cost_of_pest_management +
           c.costs_silage_other + c.costs_fertilisation + c.seed_expense + c.personal_costs_per_Akh * c.hours_akh_ha +
           c.other_eur_ha + c.diesel_eur_ha + c.maintenance_eur_ha;
}

std::array<double, kMethodCount> cost_savings(const std::array<CostParameterSet, kMethodCount>& costs) {
    std::array<double, kMethodCount> total{};
    for (int k = 0; k < kMethodCount; ++k) total[k] = method_cost_total(costs[k]);
    std::array<double, kMethodCount> saving{};
    for (int m = 1; m <= kMethodCount; ++m) {
        int reference = 0;
        if (m >= 2 && m <= 4) reference = 1;
        else if (m >= 7 && m <= 10) reference = 6;
        else if (m >= 12) reference = 11;
        // Methods 1, 6 and 11 are the references themselves; method 5 is
        // never costed against one.
        saving[m - 1] = reference == 0 ? 0.0 : total[reference - 1] - total[m - 1];
    }
    return saving;
}

std::array<double, 15> interpolate_growth_rates(const GrowthRateRow& g, const MeasureRecord& m) {
    const double span = g.livestock_density_max - g.livestock_density_min;
    auto at = [&](double x, double lo, double hi) {
        // A band without width cannot be interpolated: its lower values hold
        // for every density.
        if (span == 0.0) return lo;
        return lo + (hi - lo) * (x - g.livestock_density_min) / span;
    };
    std::array<double, 15> v{};
    const double densities[4] = {m.livestock_density_1, m.livestock_density_2, m.livestock_density_3,
                                 m.livestock_density_4};
    for (int k = 0; k < 4; ++k) {
        v[3 * k + 0] = at(densities[k], g.low_min, g.low_max);
        v[3 * k + 1] = at(densities[k], g.medium_min, g.medium_max);
        v[3 * k + 2] = at(densities[k], g.high_min, g.high_max);
    }
    const double summary = m.summary_livestock_density;
    if (summary > 0.4) {
        v[12] = at(summary, g.low_min, g.low_max);
        v[13] = at(summary, g.medium_min, g.medium_max);
        v[14] = at(summary, g.high_min, g.high_max);
    }
    return v;
}

double find_trampling_factor(const std::vector<TramplingRow>& rows, double trampling_class, int livestock_id) {
    // The class is matched as the database would match it in a statement,
    // where it is written with six significant digits.
    const double cls = std::stod(format_number(trampling_class));
    double factor = 0.0;
    for (const TramplingRow& r : rows) {
        if (r.trampling_mortality_typ == cls && r.livestockID == livestock_id) factor = r.factor;
    }
    return factor;
}

std::string measure_problem(const MeasureRecord& m, const EvaluationInputs& in) {
    if (!valid_method(m.method_nr)) {
        return "its method number " + std::to_string(m.method_nr) + " is not one of 1 to 14";
    }
    if (!uses_within_year(m)) return "its uses do not all fall within quarter months 1 to 48 of the year";
    if (in.method_feed[m.method_nr - 1].faktor_compenstion_feed == 0) {
        return "method " + std::to_string(m.method_nr) + " has no feed values in table method";
    }
    return {};
}

std::vector<MeasureEvaluation> prepare_measures(const EvaluationInputs& in, const EvaluationRequest& request) {
    const std::array<double, kMethodCount> savings = cost_savings(in.method_costs);
    std::vector<MeasureEvaluation> out;
    out.reserve(request.measures.size());

    for (std::size_t i = 0; i < request.measures.size(); ++i) {
        const MeasureRecord& m = request.measures[i];
        MeasureEvaluation me;
        me.measure = m;
        me.payment = m.payment;
        me.applicable = measure_problem(m, in).empty();

        // Trampling only where the species is sensitive and the measure
        // brings livestock.
        me.trampling.reserve(request.species.size());
        for (const SpeciesRecord& s : request.species) {
            const bool trampled = s.trampling_mortality_typ != 0.0 && m.livestockID_1 != 0;
            me.trampling.push_back(trampled ? find_trampling_factor(in.trampling, s.trampling_mortality_typ,
                                                                    m.livestockID_1)
                                            : 0.0);
        }

        me.growth_rates = interpolate_growth_rates(in.growth_rate, m);

        if (valid_method(m.method_nr)) {
            const MethodFeedRow& feed = in.method_feed[m.method_nr - 1];
            me.price_compensation_feed = feed.price_compensation_feed;
            me.faktor_compenstion_feed = feed.faktor_compenstion_feed;
            me.cost_saving = savings[m.method_nr - 1];

            // Methods with a cut on fertilised grassland are costed at 380
            // and 245 kg N; mowing with grazing at 120 kg in both sets.
            const bool low_nitrogen = m.method_nr >= 11;
            const std::array<double, 4> densities = {m.livestock_density_1, m.livestock_density_2,
                                                     m.livestock_density_3, m.livestock_density_4};
            const UsabilityParameters base = i < in.usability.size() ? in.usability[i] : UsabilityParameters{};
            auto make_set = [&](int level, int reference_energy) {
                UsabilityParameters p = base;
                // Nitrogen beyond the limit is valued at 0 per kilogram: the
                // saving the model returns is itself the set's nitrogen
                // value N. It also stands for the method's reduced
                // fertilisation cost; it is kept with the set, because a
                // method's cost set is shared by measures whose savings
                // differ.
                const FertiliserOutcome r =
                    fertiliser_saving(m.month_quarter_first_use, m.distance_2use, m.distance_3use, m.distance_4use,
                                      m.method_nr, p, densities, 0.0, level, in.growth_tables);
                NitrogenSet set;
                set.level = level;
                set.yield = r.uses.yield;
                set.energy = r.uses.energy;
                set.reference_energy = reference_energy;
                set.nitrogen_value = r.saving;
                return set;
            };
            me.set_a = make_set(low_nitrogen ? 120 : 380, feed.energy_matter_ref_380N);
            me.set_b = make_set(low_nitrogen ? 120 : 245, feed.energy_matter_ref_245N);
        }

        // Grazed measures take the interpolated growth values in place of the
        // catalogue's; mowing measures (density 0) and the high densities
        // that stand for no grazing keep theirs.
        if (m.livestock_density_1 > 0.1 && m.livestock_density_1 < 60) me.measure.grazing_growth = me.growth_rates;

        out.push_back(std::move(me));
    }
    return out;
}

bool is_evaluated_grassland(const PixelRecord& p) {
    if (p.land_use_type != "3" && p.land_use_type != "4") return false;
    if (p.grassland_economic_value < kMinimumGrasslandValue) return false;
    return p.wet != 0.0 || p.fresh != 0.0 || p.dry != 0.0;
}

bool measure_allowed_on(const PixelRecord& p, const MeasureEvaluation& me) {
    if (!me.applicable || !valid_method(me.measure.method_nr)) return false;
    if (p.manure_status_grass_cropland != 0 && p.manure_status_grass_cropland != 1) return false;
    return p.mead_past_mow == method_group(me.measure.method_nr);
}

PixelMargin pixel_margin(const PixelRecord& p, const MeasureEvaluation& me, double distance_cost_factor) {
    const double q1 = p.quantity1 / 100.0;
    const double e1 = p.energy1 / 100.0;
    const double q2 = p.quantity2 / 100.0;
    const double e2 = p.energy2 / 100.0;
    const bool two_types = p.number_of_grassland_types >= 2;
    const double quantity = two_types ? kFirstTypeWeight * q1 + kSecondTypeWeight * q2 : q1;
    const double energy = two_types ? kFirstTypeWeight * e1 + kSecondTypeWeight * e2 : e1;

    // Water-protection zones (manure status 1) are fertilised at the lower
    // level.
    const NitrogenSet& set = p.manure_status_grass_cropland == 1 ? me.set_b : me.set_a;
    const int method = me.measure.method_nr;

    PixelMargin r;
    r.reference_energy = set.reference_energy * energy;
    double nitrogen_term = set.nitrogen_value;
    if (method == 10) {
        // Grazing only: the feed taken up by the livestock, no fertiliser
        // saving.
        r.measure_energy = set.energy[0];
        nitrogen_term = 0.0;
    } else if (method == 14) {
        // One cut, then grazing (E2 is the grazing uptake).
        if (two_types) {
            r.measure_energy = (set.yield[0] * quantity) * (set.energy[0] * energy) + set.energy[1];
        } else {
            r.measure_energy = set.yield[0] * q1 * set.energy[0] * e1 + set.energy[1];
        }
    } else {
        double w = 0.0;
        if (two_types) {
            for (int k = 0; k < 4; ++k) w += (set.yield[k] * quantity) * (set.energy[k] * energy);
        } else {
            double sum = 0.0;
            for (int k = 0; k < 4; ++k) sum += set.yield[k] * set.energy[k];
            w = e1 * q1 * sum;
        }
        if (me.measure.is_refuge_strip) w *= kRefugeStripYieldShare;
        r.measure_energy = w;
    }

    const double feed_price =
        me.faktor_compenstion_feed != 0 ? me.price_compensation_feed / me.faktor_compenstion_feed : 0.0;
    r.feed_value_loss = (r.measure_energy - r.reference_energy) * feed_price + nitrogen_term;

    const double base = p.grassland_economic_value / 100.0 * r.feed_value_loss;
    const double distance_cost = p.additional_cost * distance_cost_factor;
    r.without_payment = base + me.cost_saving - distance_cost;
    r.with_payment = base + me.payment + me.cost_saving - distance_cost;
    return r;
}

namespace {

using ResultLists = std::vector<std::vector<PixelResult>>;
using CompactLists = std::vector<CompactResults>;
// Compact results that keep their net values.
struct NetCompactLists : std::vector<CompactResults> {
    using std::vector<CompactResults>::vector;
};

// What every row of a run shares: the measures, the species' minima and the
// quality model.
struct RowContext {
    const EvaluationInputs& in;
    const EvaluationRequest& request;
    std::vector<std::shared_ptr<const MeasureRecord>> shared_measures;
    std::vector<double> minimum;
    // The species quality model's plans per draw-count key, measure and
    // species; empty when the run uses a quality function of the caller's.
    std::vector<DrawCountKey> plan_keys;
    std::vector<TemporalPlan> plans;  // [key][measure][species]
};

// The temporal factor's plans for every draw-count key of the area: pixels
// then differ only in their height scale and their draws.
void make_plans(RowContext& c) {
    const std::size_t measure_count = c.in.measures.size();
    const std::size_t species_count = c.request.species.size();
    for (const PixelRecord& p : c.in.pixels.cells()) {
        if (!is_evaluated_grassland(p)) continue;
        const DrawCountKey key = draw_count_key(p);
        if (std::find(c.plan_keys.begin(), c.plan_keys.end(), key) != c.plan_keys.end()) continue;
        c.plan_keys.push_back(key);
        PixelRecord pixel;
        pixel.growth_start = key.growth_start;
        pixel.altitude = key.altitude ? 1 : 0;
        for (std::size_t mi = 0; mi < measure_count; ++mi) {
            const MeasureEvaluation& me = c.in.measures[mi];
            for (std::size_t s = 0; s < species_count; ++s) {
                const double trampling = s < me.trampling.size() ? me.trampling[s] : 0.0;
                c.plans.push_back(temporal_plan(c.request.species[s], pixel, me, trampling,
                                                c.request.time_dependent_predation));
            }
        }
    }
}

RowContext make_context(const EvaluationInputs& in, const EvaluationRequest& request) {
    RowContext c{in, request, {}, {}, {}, {}};
    c.shared_measures.reserve(in.measures.size());
    for (const MeasureEvaluation& me : in.measures) {
        c.shared_measures.push_back(std::make_shared<const MeasureRecord>(me.measure));
    }
    c.minimum.assign(request.species.size(), 0.0);
    for (std::size_t s = 0; s < c.minimum.size() && s < request.minimum_qualities.size(); ++s) {
        c.minimum[s] = request.minimum_qualities[s];
    }
    return c;
}

// Evaluates one raster row and appends its results to `results` (one list
// per measure). `Model` is called like species_quality.
struct RowContext;
void add_result(const RowContext& c, ResultLists& results, std::size_t mi, int row, int column,
                const PixelRecord& pixel, const std::vector<SpeciesQuality>& qualities, const PixelMargin& margin);
void add_result(const RowContext& c, CompactLists& results, std::size_t mi, int row, int column,
                const PixelRecord& pixel, const std::vector<SpeciesQuality>& qualities, const PixelMargin& margin);
void add_result(const RowContext& c, NetCompactLists& results, std::size_t mi, int row, int column,
                const PixelRecord& pixel, const std::vector<SpeciesQuality>& qualities, const PixelMargin& margin);

template <typename Model, typename Lists>
void evaluate_row(const RowContext& c, int row, const Model& model, Lists& results,
                  std::vector<SpeciesQuality>& qualities) {
    const PixelRaster& raster = c.in.pixels;
    const std::size_t measure_count = c.in.measures.size();
    const std::size_t species_count = c.request.species.size();
    qualities.resize(species_count);
    const bool planned = !c.plans.empty();
    std::vector<double> spatial(species_count);
    for (int column = 0; column < raster.columns(); ++column) {
        const PixelRecord& pixel = raster.at(row, column);
        if (!is_evaluated_grassland(pixel)) continue;

        // With the plans, the species quality model is worked out as
        // species_quality does it: the spatial factor (once per pixel and
        // species) times the temporal factor, which is not drawn where the
        // spatial factor is 0.
        const TemporalPlan* key_plans = nullptr;
        double scale = 0.0;
        if (planned) {
            const DrawCountKey key = draw_count_key(pixel);
            const auto k = static_cast<std::size_t>(
                std::find(c.plan_keys.begin(), c.plan_keys.end(), key) - c.plan_keys.begin());
            key_plans = c.plans.data() + k * measure_count * species_count;
            scale = height_scale(pixel);
            for (std::size_t s = 0; s < species_count; ++s) {
                spatial[s] = spatial_factor(c.request.species[s], pixel, c.request.time_dependent_predation);
            }
        }

        for (std::size_t mi = 0; mi < measure_count; ++mi) {
            const MeasureEvaluation& me = c.in.measures[mi];
            if (!measure_allowed_on(pixel, me)) continue;

            // Only measures that cost feed energy against the reference
            // management are offered. The margin does not depend on the
            // qualities, so it is settled first and the quality model is
            // not run for pixels that would be discarded anyway.
            const PixelMargin margin = pixel_margin(pixel, me, c.request.distance_cost_factor);
            if (!(margin.reference_energy - margin.measure_energy > 0.0)) continue;

            bool qualifies = false;
            for (std::size_t s = 0; s < species_count; ++s) {
                const SpeciesRecord& species = c.request.species[s];
                double q;
                if (planned) {
                    q = spatial[s] == 0.0 ? 0.0
                                          : spatial[s] * temporal_factor(key_plans[mi * species_count + s], scale);
                } else {
                    const double trampling = s < me.trampling.size() ? me.trampling[s] : 0.0;
                    q = model(species, pixel, me, trampling, c.request.time_dependent_predation);
                }
                if (q >= c.minimum[s]) {
                    qualifies = true;
                } else {
                    q = 0.0;
                }
                qualities[s] = {species.speciesID, q};
            }
            if (!qualifies) continue;
            add_result(c, results, mi, row, column, pixel, qualities, margin);
        }
    }
}

void add_result(const RowContext& c, ResultLists& results, std::size_t mi, int row, int column,
                const PixelRecord& pixel, const std::vector<SpeciesQuality>& qualities, const PixelMargin& margin) {
    PixelResult r;
    r.pixelID = pixel.pixelID;
    r.x_coordinate = pixel.x_coordinate;
    r.y_coordinate = pixel.y_coordinate;
    r.row = row;
    r.column = column;
    r.qualities = qualities;
    r.margin_without_payment = margin.without_payment;
    r.margin_with_payment = margin.with_payment;
    r.measure = c.shared_measures[mi];
    results[mi].push_back(std::move(r));
}

void add_result(const RowContext& c, CompactLists& results, std::size_t mi, int row, int column,
                const PixelRecord&, const std::vector<SpeciesQuality>& qualities, const PixelMargin& margin) {
    thread_local std::vector<double> values;
    values.resize(qualities.size());
    for (std::size_t s = 0; s < qualities.size(); ++s) values[s] = qualities[s].quality;
    const auto cell = static_cast<std::uint32_t>(static_cast<std::size_t>(row) * c.in.pixels.columns() + column);
    results[mi].add(cell, margin.without_payment, values.data(), values.size());
}

void add_result(const RowContext& c, NetCompactLists& results, std::size_t mi, int row, int column,
                const PixelRecord&, const std::vector<SpeciesQuality>& qualities, const PixelMargin& margin) {
    thread_local std::vector<double> values;
    values.resize(qualities.size());
    for (std::size_t s = 0; s < qualities.size(); ++s) values[s] = qualities[s].quality;
    const auto cell = static_cast<std::uint32_t>(static_cast<std::size_t>(row) * c.in.pixels.columns() + column);
    results[mi].add(cell, margin.without_payment, margin.with_payment, values.data(), values.size());
}

void append_list(std::vector<PixelResult>& to, std::vector<PixelResult>& from, std::size_t) {
    std::move(from.begin(), from.end(), std::back_inserter(to));
}
void append_list(CompactResults& to, CompactResults& from, std::size_t expected) { to.append(from, expected); }

void report_rows(Feedback* feedback, long long rows_done, const PixelRaster& raster) {
    if (!feedback) return;
    Feedback::Progress progress;
    progress.step = rows_done * raster.columns();
    progress.total = static_cast<long long>(raster.rows()) * raster.columns();
    progress.stage = "evaluation";
    feedback->report(progress);
}

template <typename Lists>
Lists evaluate_in_sequence(const RowContext& c, Feedback* feedback, const QualityFunction& model) {
    Lists results(c.in.measures.size());
    std::vector<SpeciesQuality> qualities;
    const PixelRaster& raster = c.in.pixels;
    for (int row = 0; row < raster.rows(); ++row) {
        if (feedback && feedback->cancelled()) break;
        evaluate_row(c, row, model, results, qualities);
        report_rows(feedback, row + 1, raster);
    }
    return results;
}

// Number of draws of the species quality model per (draw-count key, measure,
// species), spatial suitability assumed; the few keys of an area are found
// first, so that counting a pixel is a look-up.
class DrawTable {
public:
    DrawTable(const RowContext& c) : c_(c) {
        const PixelRaster& raster = c.in.pixels;
        for (const PixelRecord& p : raster.cells()) {
            if (!is_evaluated_grassland(p)) continue;
            const DrawCountKey key = draw_count_key(p);
            if (index_of(key) < 0) add(key);
        }
    }

    // Draws the row's pixels take from the generator in evaluate_row.
    std::uint64_t row_draws(int row) const {
        const PixelRaster& raster = c_.in.pixels;
        const std::size_t measure_count = c_.in.measures.size();
        const std::size_t species_count = c_.request.species.size();
        std::uint64_t draws = 0;
        std::vector<char> suitable(species_count);
        for (int column = 0; column < raster.columns(); ++column) {
            const PixelRecord& pixel = raster.at(row, column);
            if (!is_evaluated_grassland(pixel)) continue;
            const int k = index_of(draw_count_key(pixel));
            for (std::size_t s = 0; s < species_count; ++s) {
                suitable[s] = spatial_factor(c_.request.species[s], pixel, c_.request.time_dependent_predation) != 0.0;
            }
            const std::vector<long long>& table = tables_[static_cast<std::size_t>(k)];
            for (std::size_t mi = 0; mi < measure_count; ++mi) {
                const MeasureEvaluation& me = c_.in.measures[mi];
                if (!measure_allowed_on(pixel, me)) continue;
                const PixelMargin margin = pixel_margin(pixel, me, c_.request.distance_cost_factor);
                if (!(margin.reference_energy - margin.measure_energy > 0.0)) continue;
                for (std::size_t s = 0; s < species_count; ++s) {
                    if (suitable[s]) draws += static_cast<std::uint64_t>(table[mi * species_count + s]);
                }
            }
        }
        return draws;
    }

private:
    int index_of(const DrawCountKey& key) const {
        for (std::size_t k = 0; k < keys_.size(); ++k)
            if (keys_[k] == key) return static_cast<int>(k);
        return -1;
    }

    void add(const DrawCountKey& key) {
        PixelRecord pixel;
        pixel.growth_start = key.growth_start;
        pixel.altitude = key.altitude ? 1 : 0;
        const std::size_t species_count = c_.request.species.size();
        std::vector<long long> table(c_.in.measures.size() * species_count, 0);
        for (std::size_t mi = 0; mi < c_.in.measures.size(); ++mi) {
            const MeasureEvaluation& me = c_.in.measures[mi];
            for (std::size_t s = 0; s < species_count; ++s) {
                const double trampling = s < me.trampling.size() ? me.trampling[s] : 0.0;
                table[mi * species_count + s] = temporal_factor_draws(c_.request.species[s], pixel, me, trampling,
                                                                      c_.request.time_dependent_predation);
            }
        }
        keys_.push_back(key);
        tables_.push_back(std::move(table));
    }

    const RowContext& c_;
    std::vector<DrawCountKey> keys_;
    std::vector<std::vector<long long>> tables_;
};

// Runs work(worker) on `threads` threads and waits for them on the calling
// thread, calling `tick` about ten times a second there; `tick` returns false
// to ask the workers to stop (they read `stop`). The first exception of a
// worker is raised again on the calling thread.
void run_workers(int threads, const std::function<void(int)>& work, std::atomic<bool>& stop,
                 const std::function<bool()>& tick) {
    std::mutex mutex;
    std::condition_variable finished;
    int running = threads;
    std::exception_ptr failure;
    std::vector<std::thread> pool;
    pool.reserve(static_cast<std::size_t>(threads));
    for (int t = 0; t < threads; ++t) {
        pool.emplace_back([&, t] {
            try {
                work(t);
            } catch (...) {
                std::lock_guard<std::mutex> lock(mutex);
                if (!failure) failure = std::current_exception();
                stop = true;
            }
            std::lock_guard<std::mutex> lock(mutex);
            if (--running == 0) finished.notify_all();
        });
    }
    {
        std::unique_lock<std::mutex> lock(mutex);
        while (running > 0) {
            finished.wait_for(lock, std::chrono::milliseconds(100), [&] { return running == 0; });
            if (running == 0) break;
            lock.unlock();
            if (!tick()) stop = true;
            lock.lock();
        }
    }
    for (std::thread& t : pool) t.join();
    if (failure) std::rethrow_exception(failure);
}

std::atomic<std::uint64_t> g_repeats_in_sequence{0};

// The run on several threads, with the results and the generator's final
// state of the run in sequence. Every row's first draw is located before
// any is taken: the draws of each row are counted, summed up to the row,
// and a worker evaluates a block of rows from the generator's state that
// many draws after the run's start. Each block checks that it took exactly
// the counted draws; if one did not, the run is repeated in sequence.
template <typename Lists>
Lists evaluate_in_parallel(const RowContext& c, Feedback* feedback, int threads) {
    const PixelRaster& raster = c.in.pixels;
    // Reports come about ten times a second: the first at once, so that even
    // a short run shows that it began and can be cancelled before any row.
    report_rows(feedback, 0, raster);
    if (feedback && feedback->cancelled()) return Lists(c.in.measures.size());
    const int rows = raster.rows();
    const std::uint32_t start_state = random_state();
    std::atomic<bool> stop{false};
    bool cancelled = false;
    auto tick = [&](long long rows_done) {
        report_rows(feedback, rows_done, raster);
        if (feedback && feedback->cancelled()) cancelled = true;
        return !cancelled;
    };

    // Draws per row, counted in parallel.
    const DrawTable table(c);
    std::vector<std::uint64_t> first_draw(static_cast<std::size_t>(rows) + 1, 0);
    {
        std::atomic<int> next_row{0};
        run_workers(
            threads,
            [&](int) {
                for (int row; !stop && (row = next_row++) < rows;) {
                    first_draw[static_cast<std::size_t>(row) + 1] = table.row_draws(row);
                }
            },
            stop, [&] { return tick(0); });
        if (feedback && feedback->cancelled()) cancelled = true;
        if (cancelled) return Lists(c.in.measures.size());
    }
    for (std::size_t row = 0; row < static_cast<std::size_t>(rows); ++row) first_draw[row + 1] += first_draw[row];

    // Blocks of rows, several per thread so that the threads finish together.
    const int block_rows = std::max(1, rows / (threads * 8));
    const int blocks = (rows + block_rows - 1) / block_rows;
    std::vector<Lists> block_results(static_cast<std::size_t>(blocks));
    const std::unique_ptr<std::atomic<bool>[]> block_done(new std::atomic<bool>[static_cast<std::size_t>(blocks)]);
    for (int b = 0; b < blocks; ++b) block_done[static_cast<std::size_t>(b)] = false;
    std::atomic<bool> mismatch{false};
    std::atomic<long long> rows_done{0};
    std::atomic<int> next_block{0};

    // The calling thread appends the finished blocks from the first on to the
    // results while the workers go on, so that a block's lists are given back
    // soon after it is done.
    Lists results(c.in.measures.size());
    int kept = 0;
    auto take_finished_blocks = [&] {
        while (kept < blocks && block_done[static_cast<std::size_t>(kept)].load(std::memory_order_acquire)) {
            Lists& block = block_results[static_cast<std::size_t>(kept)];
            // Each list is expected to hold as many results per row over the
            // whole raster as over the rows so far (a little more, so that
            // a slightly denser rest still fits).
            const double share = static_cast<double>(rows) / std::min(rows, (kept + 1) * block_rows);
            for (std::size_t mi = 0; mi < results.size(); ++mi) {
                const double so_far = static_cast<double>(results[mi].size() + block[mi].size());
                append_list(results[mi], block[mi],
                            static_cast<std::size_t>(so_far * share * (kept + 1 < blocks ? 1.03 : 1.0)));
            }
            Lists().swap(block);
            ++kept;
        }
    };

    run_workers(
        threads,
        [&](int) {
            std::vector<SpeciesQuality> qualities;
            for (int b; !stop && (b = next_block++) < blocks;) {
                const int first = b * block_rows;
                const int last = std::min(rows, first + block_rows);
                RandomStream stream(random_state_after(start_state, first_draw[static_cast<std::size_t>(first)]));
                Lists lists(c.in.measures.size());
                for (int row = first; row < last; ++row) {
                    evaluate_row(c, row, species_quality, lists, qualities);
                    ++rows_done;
                }
                if (stream.state() != random_state_after(start_state, first_draw[static_cast<std::size_t>(last)])) {
                    mismatch = true;
                    stop = true;
                }
                block_results[static_cast<std::size_t>(b)] = std::move(lists);
                block_done[static_cast<std::size_t>(b)].store(true, std::memory_order_release);
            }
        },
        stop, [&] {
            take_finished_blocks();
            return tick(rows_done);
        });

    if (mismatch) {
        ++g_repeats_in_sequence;
        results.clear();
        block_results.clear();
        set_random_state(start_state);
        return evaluate_in_sequence<Lists>(c, feedback, QualityFunction(species_quality));
    }

    // The finished blocks from the first on, as the run in sequence would
    // have left them when cancelled after their last row.
    take_finished_blocks();
    const int kept_rows = std::min(rows, kept * block_rows);
    set_random_state(random_state_after(start_state, first_draw[static_cast<std::size_t>(kept_rows)]));
    report_rows(feedback, kept_rows, raster);
    return results;
}

std::atomic<int> g_evaluation_threads{0};

}  // namespace

std::uint64_t evaluation_repeats_in_sequence() { return g_repeats_in_sequence; }

void set_evaluation_threads(int threads) { g_evaluation_threads = threads > 0 ? threads : 0; }

int evaluation_threads() {
    const int set = g_evaluation_threads;
    if (set > 0) return set;
    const unsigned cores = std::thread::hardware_concurrency();
    return cores > 0 ? static_cast<int>(cores) : 1;
}

namespace {

template <typename Lists>
Lists evaluate_lists(const EvaluationInputs& in, const EvaluationRequest& request, Feedback* feedback,
                     const QualityFunction& quality) {
    RowContext context = make_context(in, request);
    if (!quality) make_plans(context);
    const int threads = std::min(request.threads > 0 ? request.threads : evaluation_threads(), in.pixels.rows());
    // A quality function of the caller's may draw in any way; only the
    // species quality model's draws can be placed in advance.
    if (quality || threads <= 1) {
        return evaluate_in_sequence<Lists>(context, feedback, quality ? quality : QualityFunction(species_quality));
    }
    return evaluate_in_parallel<Lists>(context, feedback, threads);
}

// Seeds, loads, prepares and tells the user once about each measure that
// cannot be evaluated.
EvaluationInputs prepared_inputs(DatabaseAccess& db, const EvaluationRequest& request, Feedback* feedback) {
    // Seeded at the start of every run, so that the same inputs give the
    // same qualities in every run and on every machine.
    seed_random(request.seed);

    EvaluationInputs inputs = load_evaluation_inputs(db, request);
    inputs.measures = prepare_measures(inputs, request);

    for (const MeasureEvaluation& me : inputs.measures) {
        if (me.applicable) continue;
        inform(feedback, "The measure " + measure_label(me.measure) + " is left out of the evaluation: " +
                             measure_problem(me.measure, inputs) + ".");
    }
    return inputs;
}

}  // namespace

void CompactResults::add(std::uint32_t cell, double margin_without_payment, const double* qualities,
                         std::size_t species_count) {
    results_.push_back({cell, static_cast<std::uint32_t>(quality_.size()), margin_without_payment});
    for (std::size_t s = 0; s < species_count; ++s) {
        if (qualities[s] == 0.0) continue;
        species_.push_back(static_cast<std::uint16_t>(s));
        quality_.push_back(qualities[s]);
    }
}

void CompactResults::add(std::uint32_t cell, double margin_without_payment, double margin_with_payment,
                         const double* qualities, std::size_t species_count) {
    add(cell, margin_without_payment, qualities, species_count);
    net_.push_back(margin_with_payment);
}

namespace {

// Room in `v` for `more` further entries: `expected` entries when that is
// enough, else an eighth more than needed, so that the copies stay few.
template <typename T>
void make_room(std::vector<T>& v, std::size_t more, std::size_t expected) {
    const std::size_t need = v.size() + more;
    if (need <= v.capacity()) return;
    v.reserve(expected >= need ? expected : need + need / 8);
}

}  // namespace

void CompactResults::append(CompactResults& other, std::size_t expected) {
    const auto offset = static_cast<std::uint32_t>(quality_.size());
    const std::size_t results = results_.size() + other.results_.size();
    // Quality entries are expected in the share per result they have so far.
    const std::size_t entries = quality_.size() + other.quality_.size();
    const std::size_t expected_entries =
        results > 0 ? static_cast<std::size_t>(static_cast<double>(entries) / results * expected) : 0;
    make_room(net_, other.net_.size(), other.net_.empty() ? 0 : expected);
    net_.insert(net_.end(), other.net_.begin(), other.net_.end());
    make_room(results_, other.results_.size(), expected);
    for (CompactResult r : other.results_) {
        r.first_quality += offset;
        results_.push_back(r);
    }
    make_room(species_, other.species_.size(), expected_entries);
    species_.insert(species_.end(), other.species_.begin(), other.species_.end());
    make_room(quality_, other.quality_.size(), expected_entries);
    quality_.insert(quality_.end(), other.quality_.begin(), other.quality_.end());
    other = CompactResults();
}

void CompactResults::sort_by_margin_without_payment() {
    std::vector<std::uint32_t> order(results_.size());
    for (std::size_t r = 0; r < order.size(); ++r) order[r] = static_cast<std::uint32_t>(r);
    std::stable_sort(order.begin(), order.end(), [this](std::uint32_t a, std::uint32_t b) {
        return results_[a].margin_without_payment > results_[b].margin_without_payment;
    });
    reorder(order);
}

void CompactResults::sort_by_net_value() {
    if (net_.size() != results_.size()) throw std::logic_error("compact results without their net values");
    std::vector<std::uint32_t> order(results_.size());
    for (std::size_t r = 0; r < order.size(); ++r) order[r] = static_cast<std::uint32_t>(r);
    std::stable_sort(order.begin(), order.end(), [this](std::uint32_t a, std::uint32_t b) { return net_[a] > net_[b]; });
    std::vector<double>().swap(net_);
    reorder(order);
}

void CompactResults::reorder(const std::vector<std::uint32_t>& order) {
    CompactResults sorted;
    sorted.results_.reserve(results_.size());
    sorted.species_.reserve(species_.size());
    sorted.quality_.reserve(quality_.size());
    for (const std::uint32_t r : order) {
        CompactResult moved = results_[r];
        moved.first_quality = static_cast<std::uint32_t>(sorted.quality_.size());
        sorted.results_.push_back(moved);
        for (std::size_t e = quality_begin(r); e < quality_end(r); ++e) {
            sorted.species_.push_back(species_[e]);
            sorted.quality_.push_back(quality_[e]);
        }
    }
    *this = std::move(sorted);
}

std::vector<std::vector<PixelResult>> evaluate(const EvaluationInputs& in, const EvaluationRequest& request,
                                               Feedback* feedback, const QualityFunction& quality) {
    return evaluate_lists<ResultLists>(in, request, feedback, quality);
}

std::vector<CompactResults> evaluate_compact(const EvaluationInputs& in, const EvaluationRequest& request,
                                             Feedback* feedback, bool net_values) {
    if (net_values) {
        NetCompactLists lists = evaluate_lists<NetCompactLists>(in, request, feedback, {});
        return std::move(static_cast<std::vector<CompactResults>&>(lists));
    }
    return evaluate_lists<CompactLists>(in, request, feedback, {});
}

std::vector<std::vector<PixelResult>> EvaluationRun(DatabaseAccess& db, const EvaluationRequest& request,
                                                    Feedback* feedback) {
    const EvaluationInputs inputs = prepared_inputs(db, request, feedback);
    return evaluate(inputs, request, feedback);
}

CompactEvaluation CompactEvaluationRun(DatabaseAccess& db, const EvaluationRequest& request, Feedback* feedback,
                                       bool net_values) {
    EvaluationInputs inputs = prepared_inputs(db, request, feedback);
    CompactEvaluation out;
    out.results = evaluate_compact(inputs, request, feedback, net_values);
    for (const MeasureEvaluation& me : inputs.measures) {
        out.payment.push_back(me.measure.payment);
        out.measures.push_back(me.measure);
    }
    out.area = std::move(inputs.pixels);
    return out;
}

}  // namespace pravel
