#include "common/numeric_input.h"

#include <cctype>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <locale.h>

namespace pravel {

namespace {
constexpr const char* kNumericChars = ")(0123456789.-";

locale_t c_locale() {
    static const locale_t loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return loc;
}
}  // namespace

bool is_numeric_input(const std::string& text) {
    // Removing the numeric characters from both ends leaves nothing exactly
    // when every character is one of them.
    return text.find_first_not_of(kNumericChars) == std::string::npos;
}

bool holds_decimal_point(const std::string& text) { return text.find('.') != std::string::npos; }

InputProblem whole_number_problem(InputField field, const std::string& text) {
    if (!holds_decimal_point(text)) return {};
    switch (field) {
        case InputField::TransactionCosts: return {field, kWholeTransactionCosts};
        case InputField::Budget: return {field, kWholeBudget};
        case InputField::MaximumArea: return {field, kWholeMaximumArea};
        default: return {};
    }
}

int parse_int(const std::string& text) {
    const long v = strtol_l(text.c_str(), nullptr, 10, c_locale());
    if (v > INT_MAX) return INT_MAX;
    if (v < INT_MIN) return INT_MIN;
    return static_cast<int>(v);
}

double parse_real(const std::string& text) {
    // atof's prefix rule for decimal numbers, always with '.' as the decimal
    // separator (the desktop framework switches LC_NUMERIC to the user's
    // locale). Only a decimal number is read: "inf", "nan" and hexadecimal
    // forms read as 0, and a number too large for a double reads as the
    // largest one, so that no input can become a value that is not a number.
    std::size_t i = 0;
    const std::size_t n = text.size();
    const auto digit = [&](std::size_t k) { return k < n && std::isdigit(static_cast<unsigned char>(text[k])); };
    while (i < n && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    const std::size_t start = i;
    if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
    std::size_t digits = 0;
    for (; digit(i); ++i) ++digits;
    if (i < n && text[i] == '.') ++i;
    for (; digit(i); ++i) ++digits;
    if (digits == 0) return 0.0;
    if (i < n && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t k = i + 1;
        if (k < n && (text[k] == '+' || text[k] == '-')) ++k;
        if (digit(k)) {
            while (digit(k)) ++k;
            i = k;
        }
    }
    const double value = strtod_l(text.substr(start, i - start).c_str(), nullptr, c_locale());
    if (std::isinf(value)) return value > 0 ? DBL_MAX : -DBL_MAX;
    return value;
}

}  // namespace pravel
