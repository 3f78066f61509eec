#pragma once
#include <string>

namespace pravel {

// A real as a default-configured output stream writes it: general format,
// six significant digits, no trailing zeros, exponent form for large and tiny
// values (0.0625 -> "0.0625", 20.0 -> "20", 1e-07 -> "1e-07").
std::string format_number(double value);
std::string format_number(int value);
std::string format_number(long long value);

}  // namespace pravel
