// Throughput of the evaluation run on a synthetic study area built in memory
// (no database): 300 x 450 pixels, about 40 % grassland, 30 measures across
// the three method groups, 5 species. Prints one "name: value" line per figure.
#include <sys/resource.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "core/evaluation_run.h"
#include "core/quality_model.h"
#include "common/random.h"

using namespace pravel;

namespace {

constexpr int kRows = 300;
constexpr int kColumns = 450;

struct GrasslandType {
    double WES, WOLA, WKLA;
    int quantity, energy, height;
};

const GrasslandType kTypes[] = {
    {0.9, 0.6, 0.3, 80, 85, 110},  {0.7, 0.8, 0.4, 95, 95, 100}, {0.4, 0.5, 0.9, 105, 102, 90},
    {0.6, 0.3, 0.7, 100, 100, 95}, {0.8, 0.7, 0.5, 70, 80, 120}, {0.3, 0.9, 0.6, 110, 105, 85},
};

PixelRaster make_area(std::mt19937& rng) {
    PixelRaster raster(kRows, kColumns);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::uniform_int_distribution<int> type(0, 5);
    int id = 1;
    for (int i = 0; i < kRows; ++i) {
        for (int j = 0; j < kColumns; ++j, ++id) {
            PixelRecord& p = raster.at(i, j);
            p.pixelID = id;
            p.matrix_i = i;
            p.matrix_j = j;
            p.x_coordinate = 3500000 + 25 * j;
            p.y_coordinate = 5900000 + 25 * i;
            p.countryID = 1;
            p.growth_start = 12;
            const double u = unit(rng);
            p.land_use_type.assign(1, u < 0.25 ? '3' : u < 0.40 ? '4' : u < 0.8 ? '2' : '1');
            p.grassland_economic_value = 10 + static_cast<int>(unit(rng) * 70);
            // Moisture mixes: one, two or three classes on the pixel.
            const double m = unit(rng);
            if (m < 0.3) {
                p.fresh = 1.0;
            } else if (m < 0.5) {
                p.wet = 0.6;
                p.fresh = 0.4;
            } else if (m < 0.7) {
                p.dry = 0.7;
                p.fresh = 0.3;
            } else if (m < 0.98) {
                p.wet = 0.2;
                p.fresh = 0.5;
                p.dry = 0.3;
            }
            p.altitude = unit(rng) < 0.1 ? 1 : 0;
            p.OHG = unit(rng) < 0.15;
            p.mead_past_mow = static_cast<int>(unit(rng) * 3);
            p.manure_status_grass_cropland = unit(rng) < 0.2 ? 1 : 0;
            p.farmhouse_distance = 1 + static_cast<int>(unit(rng) * 12);
            p.additional_cost = 2.5 * p.farmhouse_distance;
            p.number_of_grassland_types = unit(rng) < 0.3 ? 2 : 1;
            const GrasslandType& t1 = kTypes[type(rng)];
            p.grasslandtyp1 = 1;
            p.WES1 = t1.WES;
            p.WOLA1 = t1.WOLA;
            p.WKLA1 = t1.WKLA;
            p.quantity1 = t1.quantity;
            p.energy1 = t1.energy;
            p.height1 = t1.height;
            if (p.number_of_grassland_types == 2) {
                const GrasslandType& t2 = kTypes[type(rng)];
                p.grasslandtyp2 = 2;
                p.WES2 = t2.WES;
                p.WOLA2 = t2.WOLA;
                p.WKLA2 = t2.WKLA;
                p.quantity2 = t2.quantity;
                p.energy2 = t2.energy;
                p.height2 = t2.height;
            }
        }
    }
    return raster;
}

// Egg deposition spread as a triangle over quarter months first..last, summing
// to 1 over the weights given to the range.
void spread_eggs(SpeciesRecord& s, int first, int last, double total) {
    const int mid = (first + last) / 2;
    double sum = 0.0;
    std::vector<double> w;
    for (int q = first; q <= last; ++q) {
        w.push_back(1.0 + (mid - std::abs(q - mid)));
        sum += w.back();
    }
    for (int q = first; q <= last; ++q) s.eggs_by_quarter_month[q - 1] += total * w[q - first] / sum;
}

std::vector<SpeciesRecord> make_species() {
    std::vector<SpeciesRecord> out;
    auto bird = [](int id, int first, int last, int repro, int critical, double shortv, double medium, double tall,
                   double dry, double fresh, double wet, double trampling) {
        SpeciesRecord s;
        s.speciesID = id;
        s.group = kGroupBird;
        s.WES = 1.0;
        spread_eggs(s, first, last, 1.0);
        s.reproduction_period = repro;
        s.critical_reproduction_period = critical;
        s.last_monthquarter_substitut_brood = last - 2;
        s.probability_succeccful_sub_brood = 0.4;
        s.vegetation_requirement_short = shortv;
        s.vegetation_requirement_medium = medium;
        s.vegetation_requirement_tall = tall;
        s.soil_moisture_requir_dry = dry;
        s.soil_moisture_requir_fresh = fresh;
        s.soil_moisture_requir_wet = wet;
        s.trampling_mortality_typ = trampling;
        s.praedation = 0.2;
        s.predation_by_quarter_month.assign(48, 0.1);
        return s;
    };
    out.push_back(bird(1, 13, 24, 8, 3, 0.3, 1.0, 0.6, 0.2, 0.7, 1.0, 1));
    out.push_back(bird(2, 15, 28, 10, 4, 0.1, 0.7, 1.0, 0.1, 0.8, 0.9, 2));
    out.push_back(bird(3, 17, 30, 6, 3, 0.8, 0.9, 0.2, 1.0, 0.6, 0.1, 3));
    out.back().WES = 0.0;
    out.back().WOLA = 1.0;

    SpeciesRecord butterfly;
    butterfly.speciesID = 4;
    butterfly.group = kGroupButterfly;
    butterfly.WKLA = 1.0;
    spread_eggs(butterfly, 17, 24, 0.5);
    spread_eggs(butterfly, 27, 34, 0.5);
    butterfly.second_generation_start = 26;
    butterfly.second_generation_end = 40;
    butterfly.percent_for_overlap = 20;
    butterfly.reproduction_period = 5;
    butterfly.critical_reproduction_period = 2;
    butterfly.vegetation_requirement_short = 0.2;
    butterfly.vegetation_requirement_medium = 1.0;
    butterfly.vegetation_requirement_tall = 0.8;
    butterfly.soil_moisture_requir_dry = 1.0;
    butterfly.soil_moisture_requir_fresh = 0.8;
    butterfly.soil_moisture_requir_wet = 0.3;
    butterfly.trampling_mortality_typ = 2;
    butterfly.praedation = 0.1;
    out.push_back(butterfly);

    SpeciesRecord habitat;
    habitat.speciesID = 5;
    habitat.group = kGroupHabitat;
    habitat.WES = 1.0;
    spread_eggs(habitat, 13, 40, 1.0);
    habitat.reproduction_period = 2;
    habitat.critical_reproduction_period = 1;
    habitat.vegetation_requirement_short = 0.5;
    habitat.vegetation_requirement_medium = 1.0;
    habitat.vegetation_requirement_tall = 0.7;
    habitat.soil_moisture_requir_dry = 0.5;
    habitat.soil_moisture_requir_fresh = 1.0;
    habitat.soil_moisture_requir_wet = 0.8;
    habitat.praedation = 0.0;
    out.push_back(habitat);
    return out;
}

// Number of uses of each method: the reference methods cut or graze four
// times, the others fewer; method 10 grazes over periods, 14 cuts once and
// then grazes.
int uses_of(int method) {
    switch (method) {
        case 1: case 6: case 11: case 10: case 14: return 4;
        case 2: case 7: case 12: return 3;
        case 3: case 8: case 13: case 5: return 2;
        default: return 1;
    }
}

std::vector<MeasureRecord> make_measures(std::mt19937& rng) {
    std::vector<MeasureRecord> out;
    std::uniform_int_distribution<int> first(13, 36);
    std::uniform_int_distribution<int> distance(4, 12);
    std::uniform_real_distribution<double> density(0.5, 2.0);
    for (int k = 0; k < 30; ++k) {
        const int group = k / 10;
        const int method = group == 0 ? 1 + k % 5 : group == 1 ? 6 + k % 5 : 11 + k % 4;
        MeasureRecord m;
        m.measureID = 100 + k;
        m.method_nr = method;
        m.name = group == 0 ? (method == 5 ? kRefugeStripName : "mowing") : group == 1 ? "grazing" : "mow_graze";
        m.is_refuge_strip = method == 5;
        m.fertilization = k % 2 == 0;
        // Draw first use and distances until every use lies within the year.
        const int uses = uses_of(method);
        do {
            m.month_quarter_first_use = first(rng);
            m.distance_2use = uses >= 2 ? distance(rng) : 0;
            m.distance_3use = uses >= 3 ? distance(rng) : 0;
            m.distance_4use = uses >= 4 ? distance(rng) : 0;
        } while (m.month_quarter_first_use + m.distance_2use + m.distance_3use + m.distance_4use > 48);
        if (group > 0) {
            const int livestock = 1 + k % 2;
            m.livestockID_1 = m.livestockID_2 = m.livestockID_3 = m.livestockID_4 = livestock;
            m.livestock_density_1 = density(rng);
            m.livestock_density_2 = density(rng);
            m.livestock_density_3 = m.distance_3use ? density(rng) : 0.0;
            m.livestock_density_4 = m.distance_4use ? density(rng) : 0.0;
            m.summary_livestock_density = k % 3 == 0 ? density(rng) : 0.0;
        }
        if (method == 5) {
            // Refuge strips grazed before their first cut.
            m.livestockID_1 = 1;
            m.livestock_density_1 = 0.6;
            m.summary_livestock_density = 0.6;
        }
        out.push_back(m);
    }
    return out;
}

// Dry-matter growth per quarter month: a season from quarter month 11 to 42
// peaking in May, more with more nitrogen.
void fill_growth_tables(GrowthTables& t) {
    for (int level = 0; level <= 400; ++level) {
        std::array<int, 48> mv{};
        for (int q = 1; q <= 48; ++q) {
            const double season = std::sin(M_PI * (q - 10) / 32.0);
            mv[q - 1] = season > 0 ? static_cast<int>((150 + 1.5 * level) * season) : 0;
        }
        t.set_series(level, mv);
    }
    for (int prev = 0; prev <= 20000; prev += 1000)
        for (int next = 0; next <= 20000; next += 1000) t.set_regrowth_delay(prev, next, 2 + prev / 1000);
}

EvaluationInputs make_inputs(const EvaluationRequest& request, std::mt19937& rng) {
    EvaluationInputs in;
    in.growth_rate = {1, 100, 2.0, 0.5, 0.5, 0.3, 0.2, 0.2, 0.4, 0.4};
    for (int m = 1; m <= kMethodCount; ++m) {
        // Reference feed energy of intensive use; a few late, long-interval
        // measures reach it and are not offered.
        in.method_feed[m - 1] = {165000, 135000, 0.06, 10, m};
        CostParameterSet& c = in.method_costs[m - 1];
        c.maschine_rental = 40 + 12 * (m % 5);
        c.hired_labour = 15;
        c.costs_fertilisation = m <= 10 ? 120 : 60;
        c.personal_costs_per_Akh = 15;
        c.hours_akh_ha = 3 + (m % 5);
        c.diesel_eur_ha = 20 + 4 * (m % 5);
        c.maintenance_eur_ha = 12;
        c.pasturecosts = m >= 6 ? 35 : 0;
    }
    in.raster_reference = {kRows, kColumns, 0.0625};
    in.pixels = make_area(rng);
    fill_growth_tables(in.growth_tables);
    for (const MeasureRecord& m : request.measures) {
        UsabilityParameters p;
        p.N_fertilizer_max = {100, 80, 60, 40};
        p.usability1 = {0.55, 0.6, 0.6, 0.6};
        p.energy_content = {62, 58, 56, 54};
        p.disturbance_correction_dry_matter_first_cut = 0.9;
        p.disturbance_correction_dry_matter_second_cut = 0.9;
        p.disturbance_correction_dry_matter_other_cuts = 0.85;
        p.regrowth_delay_dry_matter_second_cut = true;
        p.regrowth_delay_dry_matter_other_cuts = true;
        const int ids[4] = {m.livestockID_1, m.livestockID_2, m.livestockID_3, m.livestockID_4};
        for (int k = 0; k < 4; ++k) {
            p.livestockID[k] = ids[k];
            p.GVE[k] = p.GVE_copy[k] = ids[k] == 2 ? 0.8 : 1.0;
            p.uptake_rate[k] = ids[k] == 2 ? 70 : 60;
        }
        in.usability.push_back(p);
    }
    for (double cls : {1.0, 2.0, 3.0})
        for (int livestock : {1, 2}) in.trampling.push_back({cls, livestock, 0.005 * cls * livestock});
    return in;
}

double peak_memory_mb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;  // kilobytes on Linux
}

}  // namespace

int main() {
    std::mt19937 rng(20261208);
    EvaluationRequest request;
    request.countryID = 1;
    request.species = make_species();
    request.minimum_qualities.assign(request.species.size(), 0.02);
    request.measures = make_measures(rng);
    request.distance_cost_factor = 1.0;
    for (MeasureRecord& m : request.measures) m.payment = -25.0;

    EvaluationInputs inputs = make_inputs(request, rng);

    long long evaluations = 0;
    const QualityFunction counted = [&](const SpeciesRecord& s, const PixelRecord& p, const MeasureEvaluation& me,
                                        double trampling, bool predation) {
        ++evaluations;
        return species_quality(s, p, me, trampling, predation);
    };

    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    seed_random(request.seed);
    inputs.measures = prepare_measures(inputs, request);
    const auto prepared = Clock::now();
    const auto results = evaluate(inputs, request, nullptr, counted);
    const auto done = Clock::now();

    long long grassland = 0;
    for (const PixelRecord& p : inputs.pixels.cells()) grassland += is_evaluated_grassland(p) ? 1 : 0;
    long long recorded = 0;
    for (const auto& list : results) recorded += static_cast<long long>(list.size());
    int applicable = 0;
    for (const MeasureEvaluation& me : inputs.measures) applicable += me.applicable ? 1 : 0;

    const double evaluate_seconds = std::chrono::duration<double>(done - prepared).count();
    const double run_seconds = std::chrono::duration<double>(done - start).count();
    std::printf("pixels: %d\n", kRows * kColumns);
    std::printf("grassland_pixels: %lld\n", grassland);
    std::printf("measures: %zu\n", request.measures.size());
    std::printf("applicable_measures: %d\n", applicable);
    std::printf("species: %zu\n", request.species.size());
    std::printf("quality_evaluations: %lld\n", evaluations);
    std::printf("pixel_results: %lld\n", recorded);
    std::printf("prepare_seconds: %.4f\n", std::chrono::duration<double>(prepared - start).count());
    std::printf("evaluation_run_seconds: %.3f\n", run_seconds);
    std::printf("quality_evaluations_per_second: %.0f\n", evaluations / evaluate_seconds);
    std::printf("peak_memory_mb: %.1f\n", peak_memory_mb());
    return 0;
}
