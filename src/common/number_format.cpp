#include "common/number_format.h"

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

}  // namespace pravel
