#pragma once
#include <string>

#include "common/input_problem.h"

namespace pravel {

// A field that must hold a number is accepted when nothing is left after the
// characters ")(0123456789.-" are removed from both of its ends. An empty
// field is therefore accepted (and reads as 0).
bool is_numeric_input(const std::string& text);

// Leading numeric prefix as an integer, 0 when there is none (like atoi, but
// clamped instead of undefined on overflow).
int parse_int(const std::string& text);

// Leading numeric prefix as a real, 0 when there is none (like atof).
double parse_real(const std::string& text);

// Whole-number fields (transaction costs, the budget, a maximum area) are
// read as integers, so "12.7" would run as 12 and "50.000", fifty thousand
// with a thousands separator, as 50. These refusals say how to type the
// number instead; the windows show them after the field's own checks.
inline constexpr const char* kWholeTransactionCosts =
    "The transaction costs are read in whole Euro per ha: please type them without a decimal point or "
    "thousands separator (for example 12, not 12.5).\n\n Please revise your input!";
inline constexpr const char* kWholeBudget =
    "The budget is read in whole Euro: please type it without a decimal point or thousands separator "
    "(fifty thousand Euro as 50000, not 50.000).\n\n Please revise your input!";
inline constexpr const char* kWholeMaximumArea =
    "The maximum area is read in whole hectares: please type it without a decimal point or thousands "
    "separator (two thousand hectares as 2000, not 2.000).\n\n Please revise your input!";

// True when a numeric text holds a point, which an integer reading would cut
// off or misread.
bool holds_decimal_point(const std::string& text);

// The refusal of a whole-number field's text holding a point, naming the
// field (TransactionCosts, Budget or MaximumArea); empty otherwise.
InputProblem whole_number_problem(InputField field, const std::string& text);

}  // namespace pravel
