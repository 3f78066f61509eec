#include "optimisation/optimisation_lines.h"

#include <cmath>

#include "common/number_format.h"
#include "common/numeric_input.h"

namespace pravel {

namespace {

bool is_number_text(const std::string& text) { return !text.empty() && is_numeric_input(text); }

template <typename T>
T at_or(const std::vector<T>& v, std::size_t i, T fallback) {
    return i < v.size() ? v[i] : fallback;
}

// The per-measure block shared by both windows; returns the single-precision
// total over the listed measures.
float measure_block(const OptimisationResult& result, const std::vector<MeasureRecord>& measures, double pixel_area,
                    const char* area_label, std::vector<std::string>& lines) {
    float total = 0.0f;
    for (std::size_t m = 0; m < measures.size(); ++m) {
        const int participants = at_or(result.participants, m, 0);
        if (participants == 0) continue;
        const double payment = at_or(result.payment, m, 0.0);
        const int max_count = at_or(result.max_count, m, 0);
        lines.push_back(optimisation_measure_line(measures[m]));
        lines.push_back("Payment in Euro: " + std::to_string(truncate_to_int(payment)));
        lines.push_back(area_label + format_fixed(participants * pixel_area, 2));
        lines.push_back("Maximum area in ha: " + format_fixed(max_count * pixel_area, 2));
        // The sum is kept in single precision, each term in double.
        total = static_cast<float>(total + participants * payment * pixel_area);
    }
    return total;
}

}  // namespace

bool distance_cost_factor_in_range(double factor) {
    return std::isfinite(factor) && factor >= 0.0 && factor <= kMaxDistanceCostFactor;
}

namespace {

InputProblem factor_range_problem(const OptimisationInputs& in) {
    if (distance_cost_factor_in_range(parse_real(in.distance_cost_factor))) return {};
    return {InputField::DistanceCostFactor, kOptFactorOutOfRange};
}

}  // namespace

InputProblem budget_minimisation_input_problem(const OptimisationInputs& in) {
    if (in.distance_cost_factor.empty()) return {InputField::DistanceCostFactor, kOptFactorMissing};
    if (!in.country_chosen) return kMinNoCountry;
    if (!in.time_dependent_predation) return kMinNoPredation;
    if (in.transaction_costs.empty()) return {InputField::TransactionCosts, kOptTransactionCostsMissing};
    if (in.species_count == 0 || in.measure_count == 0) return kOptNoSpeciesOrMeasure;
    return factor_range_problem(in);
}

InputProblem goal_maximisation_input_problem(const OptimisationInputs& in) {
    if (in.distance_cost_factor.empty()) return {InputField::DistanceCostFactor, kOptFactorMissing};
    if (in.budget.empty()) return {InputField::Budget, kMaxBudgetMissing};
    if (!in.country_chosen) return kMaxNoCountry;
    if (!in.time_dependent_predation) return kMaxNoPredation;
    if (in.transaction_costs.empty()) return {InputField::TransactionCosts, kOptTransactionCostsMissing};
    if (in.species_count == 0 || in.measure_count == 0) return kOptNoSpeciesOrMeasure;
    return factor_range_problem(in);
}

InputProblem budget_minimisation_species_problem(bool species_chosen, const std::string& minimum_quality,
                                                 const std::string& wanted_area) {
    if (!species_chosen) return kOptNoSpeciesName;
    if (!is_number_text(minimum_quality)) return {InputField::MinimumQuality, kMinQualityNotNumber};
    const double q = parse_real(minimum_quality);
    if (q > 1 || q < 0) return {InputField::MinimumQuality, kMinQualityOutOfRange};
    if (!is_number_text(wanted_area)) return {InputField::WantedArea, kMinAreaNotNumber};
    if (parse_real(wanted_area) <= 0) return {InputField::WantedArea, kMinAreaNotPositive};
    return {};
}

InputProblem goal_maximisation_species_problem(bool species_chosen, const std::string& importance,
                                               const std::string& minimum_quality) {
    if (!species_chosen) return kOptNoSpeciesName;
    if (!is_number_text(importance)) return {InputField::Importance, kMaxWeightNotNumber};
    const double w = parse_real(importance);
    if (w < 1 || w > 100) return {InputField::Importance, kMaxWeightOutOfRange};
    if (!is_number_text(minimum_quality)) return {InputField::MinimumQuality, kMaxQualityNotNumber};
    const double q = parse_real(minimum_quality);
    // The goal window leaves the cursor where it is for a quality out of range.
    if (q < 0 || q > 1) return kMaxQualityOutOfRange;
    return {};
}

InputProblem optimisation_field_problem(CheckedField field, const std::string& text) {
    if (is_numeric_input(text)) return {};
    switch (field) {
        case CheckedField::TransactionCosts: return {InputField::TransactionCosts, kOptTransactionCostsMissing};
        case CheckedField::Budget: return {InputField::Budget, kMaxBudgetMissing};
        case CheckedField::MinimumQuality: return {InputField::MinimumQuality, kMaxQualityFieldNotNumber};
    }
    return {};
}

std::string optimisation_measure_line(const MeasureRecord& m) {
    std::string line = format_number(m.measureID) + ", " + m.name + ", " + format_number(m.month_quarter_first_use) +
                       "/" + format_number(m.distance_2use) + "/" + format_number(m.distance_3use) + "/" +
                       format_number(m.distance_4use) + ",";
    if (m.livestock_density_1 > 0.3 && m.livestock_density_1 < 90) {
        line += format_number(m.livestock_density_1) + " (GV)/ " + format_number(m.livestock_density_2) +
                " (GV)/ " + format_number(m.livestock_density_3) + " (GV)/ " +
                format_number(m.livestock_density_4) + " (GV)";
    }
    return line;
}

OptimisationLines budget_minimisation_lines(const OptimisationResult& result,
                                            const std::vector<MeasureRecord>& measures,
                                            const std::vector<SpeciesRecord>& species,
                                            const std::vector<double>& wanted_areas, double pixel_area) {
    OptimisationLines out;
    out.total_budget = measure_block(result, measures, pixel_area, "Participating area in ha: ", out.measures);
    for (std::size_t s = 0; s < species.size(); ++s) {
        const double achieved = at_or(result.effective_area, s, 0.0);
        if (achieved == 0) continue;
        out.species.push_back(species[s].name);
        out.species.push_back("Achieved effective area in ha: ");
        out.species.push_back(format_fixed(achieved, 2));
        out.species.push_back("Wanted effective area in ha: ");
        out.species.push_back(format_fixed(at_or(wanted_areas, s, 0.0), 2));
    }
    out.total_text = format_fixed(out.total_budget, 2);
    return out;
}

OptimisationLines goal_maximisation_lines(const OptimisationResult& result,
                                          const std::vector<MeasureRecord>& measures,
                                          const std::vector<SpeciesRecord>& species, double pixel_area) {
    OptimisationLines out;
    out.total_budget = measure_block(result, measures, pixel_area, "The participating area in ha: ", out.measures);
    for (std::size_t s = 0; s < species.size(); ++s) {
        const double achieved = at_or(result.effective_area, s, 0.0);
        if (achieved == 0) continue;
        out.species.push_back(species[s].name);
        out.species.push_back("Achieved effective area in ha: ");
        out.species.push_back(format_fixed(achieved, 2));
    }
    out.total_text = format_fixed(out.total_budget, 0);
    return out;
}

std::vector<VisualisationRow> allocation_visualisation_rows(const std::vector<PixelResult>& allocation,
                                                            const std::vector<SpeciesRecord>& species,
                                                            int country_id) {
    std::vector<VisualisationRow> rows;
    for (const PixelResult& r : allocation) {
        for (std::size_t k = 0; k < r.qualities.size(); ++k) {
            VisualisationRow row;
            if (r.measure) {
                row.measureID = r.measure->measureID;
                row.measure_name = r.measure->name;
                row.payment = r.measure->payment;
            }
            row.speciesID = r.qualities[k].speciesID;
            row.species_name = k < species.size() ? species[k].name : std::string();
            row.quality = r.qualities[k].quality;
            row.pixelID = r.pixelID;
            row.pixel_i = r.row;
            row.pixel_j = r.column;
            row.pixel_x = r.x_coordinate;
            row.pixel_y = r.y_coordinate;
            row.benefit = r.margin_with_payment;
            row.countryID = country_id;
            rows.push_back(std::move(row));
        }
    }
    return rows;
}

std::vector<TargetShortfall> budget_minimisation_shortfalls(const OptimisationResult& result,
                                                            const std::vector<SpeciesRecord>& species,
                                                            const std::vector<double>& wanted_areas) {
    std::vector<TargetShortfall> out;
    for (std::size_t s = 0; s < wanted_areas.size(); ++s) {
        const double achieved = at_or(result.effective_area, s, 0.0);
        if (achieved + 0.005 >= wanted_areas[s]) continue;
        out.push_back({s < species.size() ? species[s].name : std::to_string(s + 1), wanted_areas[s], achieved});
    }
    return out;
}

std::string shortfall_line(const TargetShortfall& s) {
    return s.species + ": wanted " + format_fixed(s.wanted, 2) + " ha, achieved " + format_fixed(s.achieved, 2) +
           " ha";
}

std::string budget_minimisation_closing_text(const std::vector<TargetShortfall>& shortfalls) {
    if (shortfalls.empty()) return kOptDone;
    std::string text = std::string(kMinTargetsNotReached) + "\n\nSpecies short of their target:";
    for (const auto& s : shortfalls) text += "\n" + shortfall_line(s);
    return text;
}

bool spends_nothing(const OptimisationResult& result) { return result.budget < 0.005; }

std::string goal_maximisation_closing_text(const OptimisationResult& result,
                                           const std::vector<SpeciesRecord>& species) {
    if (!spends_nothing(result)) return kOptDone;
    std::string text = std::string(kMaxNothingSpent) + "\n";
    for (std::size_t s = 0; s < species.size(); ++s)
        text += "\n" + species[s].name + ": achieved " + format_fixed(at_or(result.effective_area, s, 0.0), 2) + " ha";
    return text;
}

double weighted_effective_area(const OptimisationResult& result, const std::vector<double>& weights) {
    double sum = 0.0;
    for (std::size_t s = 0; s < weights.size(); ++s) sum += weights[s] * at_or(result.effective_area, s, 0.0);
    return sum;
}

std::string goal_achieved_line(const OptimisationResult& result, const std::vector<double>& weights) {
    return "Achieved weighted effective area: " + format_fixed(weighted_effective_area(result, weights), 2) +
           " ha (sum of each species' effective area x its weight; weight = importance/100)";
}

}  // namespace pravel
