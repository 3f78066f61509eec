#pragma once
#include <optional>
#include <string>
#include <vector>

#include "common/input_problem.h"
#include "optimisation/pixel_allocation.h"
#include "store/measure_store.h"
#include "store/result_store.h"
#include "store/profile_store.h"

namespace pravel {

// Messages of the two optimisation windows.
inline constexpr const char* kOptFactorMissing = "You have to enter a factor for the distance cost please!";
inline constexpr const char* kOptTransactionCostsMissing = "You have to enter transaction costs please!";
inline constexpr const char* kOptNoSpeciesOrMeasure = "You forgot to select a species or a measure!";
inline constexpr const char* kOptNoSpeciesName = "You have to select a species first please!";
// The distance cost factor's range: a negative factor would pay farmers for
// distance, and a huge one makes costs too large for the bound's solver
// (and, beyond that, not finite).
inline constexpr double kMaxDistanceCostFactor = 1e6;
inline constexpr const char* kOptFactorOutOfRange =
    "The factor for the distance cost must be between 0 and 1000000!\n\n Please revise your input!";
// Budget minimisation.
inline constexpr const char* kMinNoCountry = "You have to select a country please!";
inline constexpr const char* kMinNoPredation = "You have to select the predation please!";
inline constexpr const char* kMinQualityNotNumber = "You have to enter a number please!";
inline constexpr const char* kMinQualityOutOfRange =
    "The value of the quality has to be between 0 and 1!\n\n Please revise your input!";
inline constexpr const char* kMinAreaNotNumber = "You have to enter a number for the area please!";
inline constexpr const char* kMinAreaNotPositive = "The area must be greater than 0!\n\n Please revise your input!";
// Goal maximisation.
inline constexpr const char* kMaxBudgetMissing = "You have to enter a budget please!";
inline constexpr const char* kMaxNoCountry = "You have to select a country/region please!";
inline constexpr const char* kMaxNoPredation = "You have to select the elevation please!";
inline constexpr const char* kMaxWeightNotNumber = "You have to enter a number for the weight please!";
inline constexpr const char* kMaxWeightOutOfRange = "The weight must be between 1 and 100!\n\n Please revise your input!";
inline constexpr const char* kMaxQualityNotNumber = "You have to enter a number for the minimum quality please!";
inline constexpr const char* kMaxQualityOutOfRange = "The quality must be between 0 and 1!\n\n Please revise your input!";
inline constexpr const char* kMaxQualityFieldNotNumber = "You have to enter a minimum quality for the species please!";

// What the user has entered in an optimisation window before a start.
struct OptimisationInputs {
    std::string distance_cost_factor;  // field text
    std::string transaction_costs;     // field text
    std::string budget;                // field text (goal maximisation only)
    bool country_chosen = false;
    std::optional<bool> time_dependent_predation;  // nullopt: neither radio button chosen
    std::size_t species_count = 0;
    std::size_t measure_count = 0;
};

// Whether a distance cost factor is finite and within 0..kMaxDistanceCostFactor.
bool distance_cost_factor_in_range(double factor);

// The first failing start check, in each window's order (the factor's range
// last); empty when the run may start.
InputProblem budget_minimisation_input_problem(const OptimisationInputs& in);
InputProblem goal_maximisation_input_problem(const OptimisationInputs& in);

// The refusal of a species to be added; empty when it may be added.
InputProblem budget_minimisation_species_problem(bool species_chosen, const std::string& minimum_quality,
                                                 const std::string& wanted_area);
InputProblem goal_maximisation_species_problem(bool species_chosen, const std::string& importance,
                                               const std::string& minimum_quality);

// Checks on leaving a field: the refusal of text that is not a number, empty
// otherwise. The field names are those of the windows.
enum class CheckedField { TransactionCosts, Budget, MinimumQuality };
InputProblem optimisation_field_problem(CheckedField field, const std::string& text);

// The line by which the optimisation results name a measure: ID, name,
// timing, and the four densities when the first lies between 0.3 and 90.
std::string optimisation_measure_line(const MeasureRecord& m);

// The result lists of a window after a run.
struct OptimisationLines {
    std::vector<std::string> measures;  // payments and areas per measure
    std::vector<std::string> species;   // achieved (and wanted) effective areas
    float total_budget = 0.0f;          // summed in single precision, as shown
    std::string total_text;             // the text of the total budget field
};

// Lines of the budget minimisation window: four per measure with
// participants, five per species with an achieved area other than 0, the
// total with two decimals.
OptimisationLines budget_minimisation_lines(const OptimisationResult& result,
                                            const std::vector<MeasureRecord>& measures,
                                            const std::vector<SpeciesRecord>& species,
                                            const std::vector<double>& wanted_areas, double pixel_area);

// Lines of the goal maximisation window: as above with "The participating
// area" and no wanted area; the total rounded to whole Euro.
OptimisationLines goal_maximisation_lines(const OptimisationResult& result,
                                          const std::vector<MeasureRecord>& measures,
                                          const std::vector<SpeciesRecord>& species, double pixel_area);

// What a run's closing box says. "Done" when the goal was met; otherwise
// the failure, so that a result short of its goal is never taken for one
// that meets it.
inline constexpr const char* kOptDone = "Done";
inline constexpr const char* kMinTargetsNotReached =
    "Done, but the wanted effective areas were NOT reached. The budget shown pays only for what was achieved.";
inline constexpr const char* kMaxNothingSpent =
    "Done, but nothing of the budget was spent: no measure could pay a farmer within it. The effective areas below "
    "are only those reached without any payment.";

// A species that ended short of its wanted effective area.
struct TargetShortfall {
    std::string species;
    double wanted = 0.0;    // ha
    double achieved = 0.0;  // ha
};

// The species whose achieved effective area is below the wanted one (a
// hundredth of a hectare counts as reached, as the lists print two decimals).
std::vector<TargetShortfall> budget_minimisation_shortfalls(const OptimisationResult& result,
                                                            const std::vector<SpeciesRecord>& species,
                                                            const std::vector<double>& wanted_areas);
// "Kievit: wanted 150.00 ha, achieved 1.71 ha".
std::string shortfall_line(const TargetShortfall& s);
// The closing text of a budget minimisation: "Done", or the failure with a
// line per species short of its target.
std::string budget_minimisation_closing_text(const std::vector<TargetShortfall>& shortfalls);
// True when a goal maximisation's result pays nothing (less than a cent).
bool spends_nothing(const OptimisationResult& result);
// The closing text of a goal maximisation: "Done", or the failure with the
// achieved area of every species when nothing was spent.
std::string goal_maximisation_closing_text(const OptimisationResult& result,
                                           const std::vector<SpeciesRecord>& species);

// The objective of the goal maximisation in hectares: the sum over species
// of weight x achieved effective area, the weight being the importance / 100.
double weighted_effective_area(const OptimisationResult& result, const std::vector<double>& weights);
// "Achieved weighted effective area: 5.71 ha (sum of each species' effective
// area x its weight; weight = importance/100)", to stand beside the bound.
std::string goal_achieved_line(const OptimisationResult& result, const std::vector<double>& weights);

// One map row per allocated pixel and species quality: net value as benefit,
// the record's payment, species names by position.
std::vector<VisualisationRow> allocation_visualisation_rows(const std::vector<PixelResult>& allocation,
                                                            const std::vector<SpeciesRecord>& species,
                                                            int country_id);

}  // namespace pravel
