#include "simulation/programme_simulation.h"

#include <algorithm>
#include <map>
#include <memory>

#include "common/feedback.h"
#include "common/number_format.h"
#include "common/numeric_input.h"
#include "core/effectiveness.h"
#include "core/evaluation_run.h"
#include "optimisation/optimisation_lines.h"
#include "store/landscape_store.h"

namespace pravel {

namespace {

bool is_number_text(const std::string& text) { return !text.empty() && is_numeric_input(text); }

InputProblem first_checks(const ProgrammeInputs& in) {
    if (in.distance_cost_factor.empty()) return {InputField::DistanceCostFactor, kSimFactorMissing};
    if (!is_number_text(in.transaction_costs)) return {InputField::TransactionCosts, kSimTransactionCostsMissing};
    if (in.measures.empty()) return kSimNoMeasures;
    if (in.species.empty()) return kSimNoSpecies;
    return {};
}

InputProblem late_checks(const ProgrammeInputs& in) {
    if (!in.time_dependent_predation) return kSimNoPredation;
    if (!in.countryID) return kSimNoRegion;
    return {};
}

}  // namespace

InputProblem programme_input_problem(const ProgrammeInputs& in) {
    InputProblem problem = first_checks(in);
    if (problem.empty()) problem = late_checks(in);
    return problem;
}

InputProblem programme_measure_problem(bool measure_chosen, const std::string& payment,
                                       const std::string& max_area) {
    if (!measure_chosen) return kSimNoMeasureName;
    if (!is_number_text(payment)) return {InputField::Payment, kSimPaymentNotNumber};
    if (!is_number_text(max_area)) return {InputField::MaximumArea, kSimAreaNotNumber};
    return {};
}

InputProblem programme_species_problem(bool species_chosen, const std::string& minimum_quality) {
    if (!species_chosen) return kSimNoSpeciesName;
    if (!is_number_text(minimum_quality)) return {InputField::MinimumQuality, kSimQualityNotNumber};
    const double q = parse_real(minimum_quality);
    if (q > 1 || q < 0) return {InputField::MinimumQuality, kSimQualityOutOfRange};
    return {};
}

void pay_by_pixel(std::vector<std::vector<PixelResult>>& lists,
                  const std::function<double(std::size_t, int, int)>& payment_at,
                  const std::vector<MeasureRecord>& measures, int transaction_costs) {
    for (std::size_t m = 0; m < lists.size() && m < measures.size(); ++m) {
        std::map<double, std::shared_ptr<const MeasureRecord>> copies;
        for (PixelResult& r : lists[m]) {
            const double net = payment_at(m, r.row, r.column) - transaction_costs;
            auto [it, added] = copies.emplace(net, nullptr);
            if (added) {
                MeasureRecord copy = measures[m];
                copy.payment = net;
                it->second = std::make_shared<const MeasureRecord>(std::move(copy));
            }
            r.margin_with_payment = r.margin_without_payment + net;
            r.measure = it->second;
        }
    }
}


int maximum_pixel_count(const std::string& max_area, double pixel_area) {
    if (!(pixel_area > 0)) return 0;
    return truncate_to_int(parse_int(max_area) / pixel_area);
}

std::string pixel_count_entry(int count, const std::string& max_area) {
    return std::to_string(count) + " ( " + max_area + " ha)";
}

double gross_budget(int transaction_costs, std::size_t participating_pixels, double pixel_area, double net_budget) {
    return transaction_costs * static_cast<double>(participating_pixels) * pixel_area + net_budget;
}

ProgrammeSummary summarise_programme(const std::vector<PixelResult>& allocation,
                                     const std::vector<SpeciesRecord>& species, int transaction_costs,
                                     double pixel_area, double net_budget) {
    ProgrammeSummary out;
    out.quality_sums.assign(species.size(), 0.0);
    for (const PixelResult& r : allocation) {
        double quality = 0.0;
        for (std::size_t k = 0; k < r.qualities.size(); ++k) {
            quality += r.qualities[k].quality;
            if (k < species.size()) out.quality_sums[k] += r.qualities[k].quality;
        }
        std::string line = std::to_string(truncate_to_int(r.margin_with_payment)) + " (Payment-Cost), " +
                           format_fixed(quality, 2) + " (Quality), ";
        if (r.measure) {
            const MeasureRecord& m = *r.measure;
            line += m.name + std::to_string(m.month_quarter_first_use) + "/" + std::to_string(m.distance_2use) + "/" +
                    std::to_string(m.distance_3use) + "/" + std::to_string(m.distance_4use);
        }
        out.lines.push_back(std::move(line));
    }
    const std::size_t n = allocation.size();
    out.lines.push_back("Total area: " + format_number(static_cast<double>(n) * pixel_area) + "ha");
    out.budget = gross_budget(transaction_costs, n, pixel_area, net_budget);
    out.lines.push_back("Budget: " + format_fixed(out.budget, 0));
    out.lines.push_back("Effektive area: ");
    for (std::size_t k = 0; k < species.size(); ++k) {
        out.lines.push_back(species[k].name + ": " + format_fixed(out.quality_sums[k] * pixel_area, 2));
    }
    return out;
}

ProgrammeRun run_programme_simulation(DatabaseAccess& db, const ProgrammeInputs& in, Feedback* feedback,
                                      std::uint32_t seed) {
    ProgrammeRun run;
    run.message = first_checks(in).text;
    if (!run.message.empty()) return run;

    run.transaction_costs = parse_int(in.transaction_costs);
    run.measures = measures_with_net_payment(in.measures, run.transaction_costs);
    run.species = in.species;
    run.quality_sums.assign(in.species.size(), 0.0);

    // Emptied before the remaining checks, as the window does.
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
    std::vector<std::vector<PixelResult>> lists = EvaluationRun(db, request, feedback);
    if (feedback && feedback->cancelled()) {
        run.cancelled = true;
        return run;
    }
    lists.resize(run.measures.size());

    const RasterReference raster = load_raster_reference(db, run.countryID);
    run.pixel_area = in.pixel_area > 0 ? in.pixel_area : raster.pixel_area_ha;

    // The evaluation gives every record its net value at the net payment;
    // the user's payments are taken as they are, so no payment is applied
    // (unless they differ by pixel).
    if (in.payment_at) pay_by_pixel(lists, in.payment_at, run.measures, run.transaction_costs);
    std::vector<MeasureCandidates> candidates = sorted_candidates(std::move(lists));
    std::vector<int> max_counts = in.max_counts;
    max_counts.resize(run.measures.size(), 0);
    const double net_budget = PixelAllocation(candidates, max_counts, raster.number_of_rows,
                                              raster.number_of_columns, static_cast<int>(in.species.size()),
                                              run.pixel_area, run.effective_area, run.participants, run.allocation);

    ProgrammeSummary summary =
        summarise_programme(run.allocation, run.species, run.transaction_costs, run.pixel_area, net_budget);
    run.lines = std::move(summary.lines);
    run.quality_sums = std::move(summary.quality_sums);
    run.budget = summary.budget;
    return run;
}

std::vector<std::string> programme_window_lines(const ProgrammeRun& run) {
    const std::size_t n = std::min(run.allocation.size(), run.lines.size());
    std::vector<std::string> out(run.lines.begin() + static_cast<std::ptrdiff_t>(n), run.lines.end());
    if (n == 0) return out;
    out.push_back(kProgrammePixelHeading);
    for (std::size_t i = 0; i < n; ++i) {
        std::string line = run.lines[i] + " [";
        const PixelResult& r = run.allocation[i];
        for (std::size_t k = 0; k < r.qualities.size(); ++k) {
            if (k) line += ", ";
            line += (k < run.species.size() ? run.species[k].name : std::to_string(r.qualities[k].speciesID)) + " " +
                    format_fixed(r.qualities[k].quality, 2);
        }
        out.push_back(line + "]");
    }
    return out;
}

std::vector<VisualisationRow> programme_visualisation_rows(const ProgrammeRun& run) {
    return allocation_visualisation_rows(run.allocation, run.species, run.countryID);
}

SimulationReportFigures programme_report_figures(const ProgrammeRun& run, const std::vector<int>& max_counts) {
    SimulationReportFigures figures;
    figures.max_counts = max_counts;
    figures.participating_pixels = run.allocation.size();
    figures.effective_area.reserve(run.quality_sums.size());
    for (double q : run.quality_sums) figures.effective_area.push_back(q * run.pixel_area);
    figures.budget = run.budget;
    return figures;
}

}  // namespace pravel
