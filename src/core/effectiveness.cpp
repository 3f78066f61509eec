#include "core/effectiveness.h"

#include <algorithm>
#include <limits>

#include "common/feedback.h"
#include "common/number_format.h"
#include "common/numeric_input.h"
#include "store/database_access.h"
#include "store/landscape_store.h"

namespace pravel {

std::vector<MeasureRecord> measures_with_net_payment(const std::vector<MeasureRecord>& measures,
                                                     int transaction_costs) {
    std::vector<MeasureRecord> copies = measures;
    for (MeasureRecord& m : copies) m.payment -= transaction_costs;
    return copies;
}

namespace {

bool transaction_costs_usable(const std::string& text) { return !text.empty() && is_numeric_input(text); }

InputProblem first_checks(const EffectivenessInputs& in) {
    if (in.distance_cost_factor.empty()) return {InputField::DistanceCostFactor, kEffFactorMissing};
    if (!transaction_costs_usable(in.transaction_costs)) return {InputField::TransactionCosts, kEffTransactionCostsMissing};
    if (in.measures.empty()) return kEffNoMeasures;
    if (in.species.empty()) return kEffNoSpecies;
    return {};
}

InputProblem late_checks(const EffectivenessInputs& in) {
    if (!in.time_dependent_predation) return kEffNoPredation;
    if (!in.countryID) return kEffNoRegion;
    return {};
}

std::string measure_line(const MeasureRecord& m) {
    std::string line = " Measure, " + m.name + ", " + std::to_string(m.month_quarter_first_use) + "/" +
                       std::to_string(m.distance_2use) + "/" + std::to_string(m.distance_3use) + "/" +
                       std::to_string(m.distance_4use) + ",";
    if (m.livestock_density_1 > 0.3 && m.livestock_density_1 < 90) {
        line += format_number(m.livestock_density_1) + " (GV)/ " + format_number(m.livestock_density_2) +
                " (GV)/ " + format_number(m.livestock_density_3) + " (GV)/ " +
                format_number(m.livestock_density_4) + " (GV)";
    }
    return line;
}

double quality_at(const PixelResult& r, std::size_t k) { return k < r.qualities.size() ? r.qualities[k].quality : 0.0; }

}  // namespace

InputProblem effectiveness_input_problem(const EffectivenessInputs& in) {
    InputProblem problem = first_checks(in);
    if (problem.empty()) problem = late_checks(in);
    return problem;
}

InputProblem effectiveness_species_problem(bool species_chosen, const std::string& minimum_quality) {
    if (!species_chosen) return kEffNoSpeciesName;
    if (!is_numeric_input(minimum_quality)) return {InputField::MinimumQuality, kEffQualityNotNumber};
    const double q = parse_real(minimum_quality);
    if (q > 1 || q < 0) return {InputField::MinimumQuality, kEffQualityOutOfRange};
    return {};
}

int shown_cost(const PixelResult& result, int transaction_costs) {
    return truncate_to_int(transaction_costs - result.margin_without_payment);
}

void sort_by_margin_without_payment(std::vector<PixelResult>& results) {
    std::stable_sort(results.begin(), results.end(), [](const PixelResult& a, const PixelResult& b) {
        return a.margin_without_payment > b.margin_without_payment;
    });
}

namespace {

// What the lines and `graphic` rows of one measure are made of.
struct SpeciesFigures {
    double quality_sum = 0.0;
    double positive_sum = 0.0;
    double cost_sum = 0.0;
    int positive = 0;
    double q_min = std::numeric_limits<double>::infinity();
    double q_max = -std::numeric_limits<double>::infinity();

    void add(double q, int cost) {
        quality_sum += q;
        if (q > 0) {
            ++positive;
            positive_sum += q;
            cost_sum += cost;
            q_min = std::min(q_min, q);
            q_max = std::max(q_max, q);
        }
    }
};

struct MeasureFigures {
    int count = 0;
    int cost_low = 0;
    int cost_high = 0;
    std::vector<SpeciesFigures> species;
};

void add_measure(EffectivenessSummary& out, const MeasureRecord& m, const std::vector<SpeciesRecord>& species,
                 const MeasureFigures& f, double pixel_area) {
    if (f.count == 0) {
        out.lines.push_back(" Measure, " + m.name + ", " + std::to_string(m.month_quarter_first_use) + "/" +
                            std::to_string(m.distance_2use));
        out.lines.push_back(std::string("The measure is unsuitable for ") + "all species.");
        GraphicRow row;
        row.measureID = m.measureID;
        row.m_name = m.name;
        if (!species.empty()) {
            row.speciesID = species.front().speciesID;
            row.species_name = species.front().name;
        }
        out.graphic.push_back(row);
        return;
    }
    out.lines.push_back(measure_line(m));
    out.lines.push_back("Range of cost: " + std::to_string(f.cost_low) + " - " + std::to_string(f.cost_high) +
                        "  Euro/ha");
    out.lines.push_back("Number of qualifying pixels: " + std::to_string(f.count) + " = " +
                        format_fixed(f.count * pixel_area, 2) + " ha");
    out.lines.push_back(std::string("Effective area for the ") + "species in ha: ");

    for (std::size_t k = 0; k < species.size(); ++k) {
        const SpeciesFigures& sf = f.species[k];
        const double effective_area = sf.quality_sum * pixel_area;
        out.lines.push_back(species[k].name + ": " + format_fixed(effective_area, 2));

        GraphicRow row;
        row.measureID = m.measureID;
        row.speciesID = species[k].speciesID;
        row.m_name = m.name;
        row.species_name = species[k].name;
        if (sf.positive > 0) {
            row.qual_min = sf.q_min;
            row.qual_max = sf.q_max;
            row.qual_medium = sf.positive_sum / sf.positive;
            row.cost_medium = sf.cost_sum / sf.positive;
        }
        row.cost_min = f.cost_low;
        row.cost_max = f.cost_high;
        row.eff_area = effective_area;
        row.nr_pixel = sf.positive;
        out.graphic.push_back(row);
    }
}

}  // namespace

int shown_cost(const CompactResult& result, int transaction_costs) {
    return truncate_to_int(transaction_costs - result.margin_without_payment);
}

EffectivenessSummary summarise_effectiveness(const std::vector<MeasureRecord>& measures,
                                             const std::vector<SpeciesRecord>& species,
                                             std::vector<std::vector<PixelResult>>& results, double pixel_area,
                                             int transaction_costs) {
    EffectivenessSummary out;
    if (results.size() < measures.size()) results.resize(measures.size());
    for (std::size_t mi = 0; mi < measures.size(); ++mi) {
        std::vector<PixelResult>& list = results[mi];
        MeasureFigures f;
        if (!list.empty()) {
            sort_by_margin_without_payment(list);
            f.cost_low = shown_cost(list.front(), transaction_costs);
            f.cost_high = shown_cost(list.back(), transaction_costs);
            f.count = static_cast<int>(list.size());
            f.species.resize(species.size());
            for (std::size_t k = 0; k < species.size(); ++k) {
                for (const PixelResult& r : list) f.species[k].add(quality_at(r, k), shown_cost(r, transaction_costs));
            }
        }
        add_measure(out, measures[mi], species, f, pixel_area);
    }
    return out;
}

EffectivenessSummary summarise_effectiveness(const std::vector<MeasureRecord>& measures,
                                             const std::vector<SpeciesRecord>& species,
                                             std::vector<CompactResults>& results, double pixel_area,
                                             int transaction_costs) {
    EffectivenessSummary out;
    if (results.size() < measures.size()) results.resize(measures.size());
    for (std::size_t mi = 0; mi < measures.size(); ++mi) {
        CompactResults& list = results[mi];
        MeasureFigures f;
        if (!list.empty()) {
            list.sort_by_margin_without_payment();
            f.cost_low = shown_cost(list.front(), transaction_costs);
            f.cost_high = shown_cost(list.back(), transaction_costs);
            f.count = static_cast<int>(list.size());
            f.species.resize(species.size());
            // Each species' sums take the results in list order, as above;
            // a quality that is not stored is 0 and adds nothing.
            for (std::size_t r = 0; r < list.size(); ++r) {
                const int cost = shown_cost(list[r], transaction_costs);
                for (std::size_t e = list.quality_begin(r); e < list.quality_end(r); ++e) {
                    const std::size_t k = list.species_index(e);
                    if (k < f.species.size()) f.species[k].add(list.quality(e), cost);
                }
            }
        }
        add_measure(out, measures[mi], species, f, pixel_area);
    }
    return out;
}

EffectivenessRun run_effectiveness(DatabaseAccess& db, const EffectivenessInputs& in, Feedback* feedback,
                                   std::uint32_t seed) {
    EffectivenessRun run;
    run.message = first_checks(in).text;
    if (!run.message.empty()) return run;

    run.transaction_costs = parse_int(in.transaction_costs);
    run.measures = measures_with_net_payment(in.measures, run.transaction_costs);
    run.species = in.species;

    // The map table is emptied before the remaining checks, as the window
    // does: a run stopped for want of predation or region leaves it empty.
    clear_visualisation_rows(db);
    run.message = late_checks(in).text;
    if (!run.message.empty()) return run;

    run.countryID = *in.countryID;
    EvaluationRequest request;
    request.countryID = run.countryID;
    request.time_dependent_predation = *in.time_dependent_predation;
    request.species = in.species;
    request.minimum_qualities = in.minimum_qualities;
    request.measures = run.measures;
    request.distance_cost_factor = parse_real(in.distance_cost_factor);
    request.seed = seed;
    CompactEvaluation evaluation = CompactEvaluationRun(db, request, feedback);
    if (feedback && feedback->cancelled()) {
        run.cancelled = true;
        return run;
    }
    run.results = std::move(evaluation.results);
    run.area = std::move(evaluation.area);
    run.payment = std::move(evaluation.payment);
    run.pixel_area = load_raster_reference(db, run.countryID).pixel_area_ha;

    EffectivenessSummary summary =
        summarise_effectiveness(run.measures, run.species, run.results, run.pixel_area, run.transaction_costs);
    save_graphic_rows(db, summary.graphic);
    run.lines = std::move(summary.lines);
    run.graphic = std::move(summary.graphic);
    return run;
}

namespace {

// Calls `emit` with each row "Visualize" writes, in writing order.
template <typename Emit>
void for_each_visualisation_row(const EffectivenessRun& run, Emit emit) {
    const int columns = run.area.columns();
    VisualisationRow row;
    row.countryID = run.countryID;
    for (std::size_t mi = 0; mi < run.measures.size() && mi < run.results.size(); ++mi) {
        const MeasureRecord& m = run.measures[mi];
        const CompactResults& list = run.results[mi];
        row.measureID = m.measureID;
        row.measure_name = m.name;
        row.payment = mi < run.payment.size() ? run.payment[mi] : m.payment;
        for (std::size_t r = 0; r < list.size(); ++r) {
            const int i = columns > 0 ? static_cast<int>(list[r].cell / static_cast<std::uint32_t>(columns)) : 0;
            const int j = columns > 0 ? static_cast<int>(list[r].cell % static_cast<std::uint32_t>(columns)) : 0;
            const PixelRecord& pixel = run.area.at(i, j);
            row.pixelID = pixel.pixelID;
            row.pixel_i = i;
            row.pixel_j = j;
            row.pixel_x = pixel.x_coordinate;
            row.pixel_y = pixel.y_coordinate;
            row.benefit = list[r].margin_without_payment;
            std::size_t e = list.quality_begin(r);
            const std::size_t end = list.quality_end(r);
            // One row per species, with 0 where the species does not reach
            // its minimum.
            for (std::size_t k = 0; k < run.species.size(); ++k) {
                double q = 0.0;
                if (e < end && list.species_index(e) == k) q = list.quality(e++);
                row.speciesID = run.species[k].speciesID;
                row.species_name = run.species[k].name;
                row.quality = q;
                emit(row);
            }
        }
    }
}

}  // namespace

std::vector<VisualisationRow> effectiveness_visualisation_rows(const EffectivenessRun& run) {
    std::vector<VisualisationRow> rows;
    for_each_visualisation_row(run, [&](const VisualisationRow& row) { rows.push_back(row); });
    return rows;
}

void write_visualisation_rows(DatabaseAccess& db, const std::vector<VisualisationRow>& rows) {
    save_visualisation_rows(db, rows);
}

void write_visualisation_rows(DatabaseAccess& db, const EffectivenessRun& run) {
    save_visualisation_rows(db, [&](const VisualisationRowSink& sink) { for_each_visualisation_row(run, sink); });
}

}  // namespace pravel
