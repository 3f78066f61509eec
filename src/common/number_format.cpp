#include "common/number_format.h"

#include <climits>
#include <cmath>
#include <iomanip>
#include <locale>
#include <sstream>

namespace pravel {

std::string format_number(double value) {
    std::ostringstream s;
    s.imbue(std::locale::classic());
    s << value;
    return s.str();
}

std::string format_number(int value) { return std::to_string(value); }

std::string format_number(long long value) { return std::to_string(value); }

std::string format_fixed(double value, int decimals) {
    std::ostringstream s;
    s.imbue(std::locale::classic());
    s << std::fixed << std::setprecision(decimals) << value;
    return s.str();
}

int truncate_to_int(double value) {
    if (std::isnan(value)) return 0;
    if (value >= static_cast<double>(INT_MAX)) return INT_MAX;
    if (value <= static_cast<double>(INT_MIN)) return INT_MIN;
    return static_cast<int>(value);
}

}  // namespace pravel
