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

EffectivenessSummary summarise_effectiveness(const std::vector<MeasureRecord>& measures,
                                             const std::vector<SpeciesRecord>& species,
                                             std::vector<std::vector<PixelResult>>& results, double pixel_area,
                                             int transaction_costs) {
    EffectivenessSummary out;
    if (results.size() < measures.size()) results.resize(measures.size());

    for (std::size_t mi = 0; mi < measures.size(); ++mi) {
        const MeasureRecord& m = measures[mi];
        std::vector<PixelResult>& list = results[mi];

        if (list.empty()) {
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
            continue;
        }

        sort_by_margin_without_payment(list);
        const int cost_low = shown_cost(list.front(), transaction_costs);
        const int cost_high = shown_cost(list.back(), transaction_costs);
        const int count = static_cast<int>(list.size());

        out.lines.push_back(measure_line(m));
        out.lines.push_back("Range of cost: " + std::to_string(cost_low) + " - " + std::to_string(cost_high) +
                            "  Euro/ha");
        out.lines.push_back("Number of qualifying pixels: " + std::to_string(count) + " = " +
                            format_fixed(count * pixel_area, 2) + " ha");
        out.lines.push_back(std::string("Effective area for the ") + "species in ha: ");

        for (std::size_t k = 0; k < species.size(); ++k) {
            double quality_sum = 0.0;
            double positive_sum = 0.0;
            double cost_sum = 0.0;
            int positive = 0;
            double q_min = std::numeric_limits<double>::infinity();
            double q_max = -std::numeric_limits<double>::infinity();
            for (const PixelResult& r : list) {
                const double q = quality_at(r, k);
                quality_sum += q;
                if (q > 0) {
                    ++positive;
                    positive_sum += q;
                    cost_sum += shown_cost(r, transaction_costs);
                    q_min = std::min(q_min, q);
                    q_max = std::max(q_max, q);
                }
            }
            const double effective_area = quality_sum * pixel_area;
            out.lines.push_back(species[k].name + ": " + format_fixed(effective_area, 2));

            GraphicRow row;
            row.measureID = m.measureID;
            row.speciesID = species[k].speciesID;
            row.m_name = m.name;
            row.species_name = species[k].name;
            if (positive > 0) {
                row.qual_min = q_min;
                row.qual_max = q_max;
                row.qual_medium = positive_sum / positive;
                row.cost_medium = cost_sum / positive;
            }
            row.cost_min = cost_low;
            row.cost_max = cost_high;
            row.eff_area = effective_area;
            row.nr_pixel = positive;
            out.graphic.push_back(row);
        }
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
    run.results = EvaluationRun(db, request, feedback);
    if (feedback && feedback->cancelled()) {
        run.cancelled = true;
        run.results.clear();
        return run;
    }
    run.pixel_area = load_raster_reference(db, run.countryID).pixel_area_ha;

    EffectivenessSummary summary =
        summarise_effectiveness(run.measures, run.species, run.results, run.pixel_area, run.transaction_costs);
    save_graphic_rows(db, summary.graphic);
    run.lines = std::move(summary.lines);
    run.graphic = std::move(summary.graphic);
    return run;
}

std::vector<VisualisationRow> effectiveness_visualisation_rows(const EffectivenessRun& run) {
    std::vector<VisualisationRow> rows;
    for (std::size_t mi = 0; mi < run.measures.size() && mi < run.results.size(); ++mi) {
        const MeasureRecord& m = run.measures[mi];
        for (const PixelResult& r : run.results[mi]) {
            for (std::size_t k = 0; k < r.qualities.size(); ++k) {
                VisualisationRow row;
                row.measureID = m.measureID;
                row.measure_name = m.name;
                row.speciesID = r.qualities[k].speciesID;
                row.species_name = k < run.species.size() ? run.species[k].name : std::string();
                row.quality = r.qualities[k].quality;
                row.pixelID = r.pixelID;
                row.pixel_i = r.row;
                row.pixel_j = r.column;
                row.pixel_x = r.x_coordinate;
                row.pixel_y = r.y_coordinate;
                row.benefit = r.margin_without_payment;
                row.payment = r.measure ? r.measure->payment : m.payment;
                row.countryID = run.countryID;
                rows.push_back(std::move(row));
            }
        }
    }
    return rows;
}

void write_visualisation_rows(DatabaseAccess& db, const std::vector<VisualisationRow>& rows) {
    save_visualisation_rows(db, rows);
}

}  // namespace pravel
