#pragma once
#include <string>

namespace pravel {

// A real as a default-configured output stream writes it: general format,
// six significant digits, no trailing zeros, exponent form for large and tiny
// values (0.0625 -> "0.0625", 20.0 -> "20", 1e-07 -> "1e-07").
std::string format_number(double value);
std::string format_number(int value);
std::string format_number(long long value);

// A real in fixed notation with `decimals` digits after the point, as
// printf's "%.2f" (decimals 2) or "%.f" (decimals 0) writes it, always with
// '.' as the decimal separator whatever the process locale.
std::string format_fixed(double value, int decimals);

// A real truncated towards zero to an integer, as a C cast does for "%d"
// output; values beyond the int range are clamped, NaN gives 0.
int truncate_to_int(double value);

}  // namespace pravel
