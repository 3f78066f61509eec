#include "common/numeric_input.h"

#include <climits>
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

int parse_int(const std::string& text) {
    const long v = strtol_l(text.c_str(), nullptr, 10, c_locale());
    if (v > INT_MAX) return INT_MAX;
    if (v < INT_MIN) return INT_MIN;
    return static_cast<int>(v);
}

double parse_real(const std::string& text) {
    // atof's prefix rule, but always with '.' as the decimal separator: the
    // desktop framework switches LC_NUMERIC to the user's locale.
    return strtod_l(text.c_str(), nullptr, c_locale());
}

}  // namespace pravel
