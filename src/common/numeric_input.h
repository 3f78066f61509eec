#pragma once
#include <string>

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

}  // namespace pravel
