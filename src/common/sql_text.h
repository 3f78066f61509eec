#pragma once
#include <concepts>
#include <string>
#include <string_view>

namespace pravel {

// Escapes a text value for use between the single quotes of a statement:
// backslash and single quote are prefixed with a backslash. Any other text is
// returned unchanged, so statements for ordinary values keep their exact text.
std::string sql_escape(std::string_view text);

// A text value to be placed between quotes that the surrounding fragments
// supply, e.g. `SqlText() << "name = '" << SqlValue{name} << "'"`.
struct SqlValue {
    std::string_view text;
};

// Builds the text of one statement from literal fragments and values.
// Fragments are appended verbatim; numbers are formatted as a default output
// stream formats them; text values given as SqlValue are escaped.
class SqlText {
public:
    SqlText& operator<<(std::string_view fragment) {
        text_.append(fragment);
        return *this;
    }
    SqlText& operator<<(const char* fragment) {
        text_.append(fragment);
        return *this;
    }
    SqlText& operator<<(const std::string& fragment) {
        text_.append(fragment);
        return *this;
    }
    SqlText& operator<<(SqlValue v);
    // Integers in plain decimal. Characters are excluded on purpose: a char
    // would otherwise be sent as its code.
    template <std::integral T>
        requires(!std::same_as<T, bool> && !std::same_as<T, char>)
    SqlText& operator<<(T v) {
        text_.append(std::to_string(v));
        return *this;
    }
    SqlText& operator<<(double v);
    // Flags are sent as 1 or 0.
    SqlText& operator<<(bool v);

    const std::string& str() const { return text_; }
    operator const std::string&() const { return text_; }

private:
    std::string text_;
};

}  // namespace pravel
