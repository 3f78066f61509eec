#include "common/sql_text.h"

#include "common/number_format.h"

namespace pravel {

std::string sql_escape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == '\\' || c == '\'') out.push_back('\\');
        out.push_back(c);
    }
    return out;
}

SqlText& SqlText::operator<<(SqlValue v) {
    text_.append(sql_escape(v.text));
    return *this;
}

SqlText& SqlText::operator<<(double v) {
    text_.append(format_number(v));
    return *this;
}

SqlText& SqlText::operator<<(bool v) {
    text_.push_back(v ? '1' : '0');
    return *this;
}

}  // namespace pravel
