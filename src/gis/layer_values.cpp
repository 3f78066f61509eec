#include "gis/layer_values.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <optional>
#include <sstream>

namespace pravel::gis {

std::string number_text(double v) {
    std::ostringstream s;
    s.precision(15);
    s << v;
    return s.str();
}

namespace {

constexpr const char* kLandUse = "land_use_type";

std::string cell_text(int row, int column) {
    return "row " + std::to_string(row) + ", column " + std::to_string(column);
}

bool within_int(double v) {
    return v >= static_cast<double>(std::numeric_limits<int>::min()) &&
           v <= static_cast<double>(std::numeric_limits<int>::max());
}

// A whole number, allowing for the rounding of a value written as a real.
bool whole(double v) { return std::fabs(v - std::round(v)) <= 1e-6; }

// A token as a number: the whole token must be one, written in decimal
// (a leading "+" allowed); "nan", "inf" and overflowing numbers are read as
// such so that the caller can name them.
enum class TokenKind { Number, NotANumber, Infinite, TooLarge, Text };
struct TokenValue {
    TokenKind kind = TokenKind::Text;
    double value = 0.0;
};

TokenValue read_token(std::string_view token) {
    std::string_view digits = token;
    if (digits.size() > 1 && digits.front() == '+' && digits[1] != '-' && digits[1] != '+') digits.remove_prefix(1);
    double v = 0.0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), v);
    if (end != digits.data() + digits.size()) return {TokenKind::Text, 0.0};
    if (ec == std::errc::result_out_of_range) {
        // Too large, or so small that it reads as (nearly) 0.
        const double read = std::strtod(std::string(digits).c_str(), nullptr);
        if (std::isinf(read)) return {TokenKind::TooLarge, 0.0};
        return {TokenKind::Number, read};
    }
    if (ec != std::errc()) return {TokenKind::Text, 0.0};
    if (std::isnan(v)) return {TokenKind::NotANumber, v};
    if (std::isinf(v)) return {TokenKind::Infinite, v};
    return {TokenKind::Number, v};
}

// Whitespace-separated tokens of a stream, read in blocks. A token longer
// than any number is cut short and marked, so that a file without blanks
// takes no more memory than one block.
class Tokens {
public:
    explicit Tokens(std::istream& in) : in_(in) {}
    // False at the end of the stream.
    bool next(std::string& token, bool& too_long) {
        token.clear();
        too_long = false;
        int c;
        while ((c = get()) != EOF && is_blank(c)) {
        }
        if (c == EOF) return false;
        do {
            if (token.size() < kLongest) {
                token.push_back(static_cast<char>(c));
            } else {
                too_long = true;
            }
        } while ((c = get()) != EOF && !is_blank(c));
        return true;
    }

private:
    static constexpr std::size_t kLongest = 64;
    static bool is_blank(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }
    int get() {
        if (at_ == size_) {
            in_.read(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
            size_ = static_cast<std::size_t>(in_.gcount());
            at_ = 0;
            if (size_ == 0) return EOF;
        }
        return static_cast<unsigned char>(buffer_[at_++]);
    }
    std::istream& in_;
    std::array<char, 1 << 16> buffer_{};
    std::size_t size_ = 0, at_ = 0;
};

std::string lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// Text as it may be quoted in a message: bytes that are not printable ASCII
// as \xNN.
std::string shown(std::string_view text) {
    std::string out;
    for (unsigned char c : text.substr(0, 40)) {
        if (c >= 0x20 && c < 0x7f) {
            out.push_back(static_cast<char>(c));
        } else {
            static const char* hex = "0123456789abcdef";
            out += "\\x";
            out.push_back(hex[c >> 4]);
            out.push_back(hex[c & 15]);
        }
    }
    if (text.size() > 40) out += "...";
    return out;
}

// Whether valid UTF-8 text holds a control character (C0, DEL or C1).
bool has_control_character(std::string_view text) {
    for (std::size_t k = 0; k < text.size(); ++k) {
        const auto c = static_cast<unsigned char>(text[k]);
        if (c < 0x20 || c == 0x7f) return true;
        // U+0080..U+009F are C2 80..C2 9F.
        if (c == 0xc2 && k + 1 < text.size()) {
            const auto d = static_cast<unsigned char>(text[k + 1]);
            if (d >= 0x80 && d <= 0x9f) return true;
        }
    }
    return false;
}

}  // namespace

void check_grid_size(long long rows, long long columns, const std::string& what) {
    if (rows <= 0 || columns <= 0) throw GisRefusal(what + ": the grid has no cells");
    if (rows > kMaxGridCells / columns) {
        throw GisRefusal(what + ": the grid of " + std::to_string(rows) + " x " + std::to_string(columns) +
                         " cells is larger than a study area may be (at most " + std::to_string(kMaxGridCells) +
                         " cells)");
    }
}

AsciiGridValues read_ascii_grid(std::istream& in, const std::string& file) {
    Tokens tokens(in);
    std::string token;
    bool too_long = false;
    std::optional<long long> rows, columns;
    std::optional<double> no_data;
    bool pending = tokens.next(token, too_long);
    // Header lines: a keyword and its number, until the first value.
    static const std::set<std::string> keywords = {"ncols",     "nrows",     "xllcorner", "yllcorner", "xllcenter",
                                                   "yllcenter", "cellsize",  "dx",        "dy",        "nodata_value"};
    while (pending && !too_long && keywords.count(lower(token))) {
        const std::string key = lower(token);
        std::string value;
        bool value_too_long = false;
        if (!tokens.next(value, value_too_long)) {
            throw GisRefusal(file + ": the header line " + key + " has no value");
        }
        const TokenValue v = read_token(value);
        const bool nan_allowed = key == "nodata_value" && v.kind == TokenKind::NotANumber;
        if (value_too_long || (v.kind != TokenKind::Number && !nan_allowed)) {
            throw GisRefusal(file + ": the header line " + key + " has \"" + shown(value) + "\", not a number");
        }
        if (key == "ncols" || key == "nrows") {
            if (!whole(v.value) || v.value < 1 || v.value > 1e15) {
                throw GisRefusal(file + ": the header line " + key + " has " + number_text(v.value) +
                                 ", not a whole number of cells above 0");
            }
            (key == "ncols" ? columns : rows) = std::llround(v.value);
        } else if (key == "nodata_value") {
            no_data = v.value;
        }
        pending = tokens.next(token, too_long);
    }
    if (!rows || !columns) throw GisRefusal(file + ": the ASCII grid has no ncols and nrows header lines");
    check_grid_size(*rows, *columns, file);

    AsciiGridValues grid;
    grid.rows = static_cast<int>(*rows);
    grid.columns = static_cast<int>(*columns);
    const std::size_t cells = static_cast<std::size_t>(*rows) * static_cast<std::size_t>(*columns);
    // Memory grows with the values actually read, not with what the header
    // promises.
    grid.values.reserve(std::min<std::size_t>(cells, 1 << 20));
    grid.has_data.reserve(std::min<std::size_t>(cells, 1 << 20));
    for (std::size_t c = 0; c < cells; ++c) {
        const int row = static_cast<int>(c / grid.columns), col = static_cast<int>(c % grid.columns);
        if (!pending) {
            throw GisRefusal(file + ": the grid ends after " + std::to_string(c) + " of its " +
                             std::to_string(*rows) + " x " + std::to_string(*columns) + " values (at " +
                             cell_text(row, col) + ")");
        }
        const TokenValue v = too_long ? TokenValue{} : read_token(token);
        const bool is_no_data = no_data && ((std::isnan(*no_data) && v.kind == TokenKind::NotANumber) ||
                                            (v.kind == TokenKind::Number && v.value == *no_data));
        if (!is_no_data) {
            std::string why;
            switch (v.kind) {
                case TokenKind::Number: break;
                case TokenKind::NotANumber: why = "not a number"; break;
                case TokenKind::Infinite: why = "an infinite number"; break;
                case TokenKind::TooLarge: why = "a number beyond the range of a real"; break;
                case TokenKind::Text: why = "not a number"; break;
            }
            if (!why.empty()) {
                throw GisRefusal(file + ": the value \"" + shown(token) + (too_long ? "..." : "") + "\" at " +
                                 cell_text(row, col) + " is " + why);
            }
        }
        grid.values.push_back(is_no_data ? 0.0 : v.value);
        grid.has_data.push_back(is_no_data ? 0 : 1);
        pending = tokens.next(token, too_long);
    }
    if (pending) {
        throw GisRefusal(file + ": the grid holds more values than its " + std::to_string(*rows) + " x " +
                         std::to_string(*columns) + " cells (\"" + shown(token) + "\" after the last cell)");
    }
    return grid;
}

double without_float32_noise(double v) {
    if (!std::isfinite(v) || std::fabs(v) > static_cast<double>(std::numeric_limits<float>::max())) return v;
    std::array<char, 64> text{};
    const auto written = std::to_chars(text.data(), text.data() + text.size(), static_cast<float>(v));
    if (written.ec != std::errc()) return v;
    double decimal = v;
    std::from_chars(text.data(), written.ptr, decimal);
    return decimal;
}

void check_column_text(const std::string& file, const PixelColumn& column, const std::string& text, int row,
                       int col) {
    auto refuse = [&](const std::string& why) {
        throw GisRefusal(file + ": the text \"" + shown(text) + "\" at " + cell_text(row, col) +
                         " does not fit column " + column.name + " (" + why + ")");
    };
    const long long length = utf8_length(text);
    if (length < 0) refuse("not UTF-8 text");
    if (has_control_character(text)) refuse("a line break or another control character");
    if (column.text_width > 0 && length > column.text_width) {
        refuse(std::to_string(length) + " characters; the column holds " + std::to_string(column.text_width));
    }
    if (std::string(column.name) == kLandUse) {
        const TokenValue v = read_token(text);
        if (v.kind == TokenKind::Number && v.value < 0.0) refuse("a land-use code of 0 or above");
    }
}

std::string cell_value_text(const std::string& file, const PixelColumn& column, double v, int row, int col,
                            const std::vector<std::string>& categories, const std::set<int>& grassland_types) {
    auto refuse = [&](const std::string& why) {
        throw GisRefusal(file + ": the value " + number_text(v) + " at " + cell_text(row, col) +
                         " does not fit column " + column.name + " (" + why + ")");
    };
    if (std::isnan(v)) refuse("not a number");
    if (!std::isfinite(v)) refuse("an infinite number");
    switch (column.kind) {
        case PixelColumnKind::Share:
            if (v < 0.0 || v > 1.0) refuse("a share between 0 and 1");
            return number_text(v);
        case PixelColumnKind::Real:
            return number_text(v);
        case PixelColumnKind::Flag:
            if (v != 0.0 && v != 1.0) refuse("a flag, 0 or 1");
            return v != 0.0 ? "1" : "0";
        case PixelColumnKind::Text: {
            if (!within_int(v)) refuse("an integer code of the INT range");
            if (!whole(v)) refuse("an integer code");
            const long long code = std::llround(v);
            std::string text;
            if (!categories.empty()) {
                if (code < 0 || code >= static_cast<long long>(categories.size())) {
                    refuse("a code of the band's categories");
                }
                text = categories[static_cast<std::size_t>(code)];
            } else {
                if (std::string(column.name) == kLandUse && code < 0) refuse("a land-use code of 0 or above");
                text = std::to_string(code);
            }
            check_column_text(file, column, text, row, col);
            return text;
        }
        case PixelColumnKind::Integer: {
            if (!within_int(v)) refuse("an integer of the column's range");
            if (!whole(v)) refuse("an integer");
            const long long rounded = std::llround(v);
            if (!within_int(static_cast<double>(rounded))) refuse("an integer of the column's range");
            const int n = static_cast<int>(rounded);
            const std::string name = column.name;
            if ((name == "grasslandtyp1" || name == "grasslandtyp2") && n != 0 && !grassland_types.count(n)) {
                refuse("not a grassland type of table grasslandtype");
            }
            if (name == "number_of_grassland_types" && (n < 0 || n > 2)) refuse("0, 1 or 2");
            return std::to_string(n);
        }
    }
    return number_text(v);
}

void check_area_name(const std::string& name) {
    if (name.empty()) throw GisRefusal("the study area needs a name");
    const long long length = utf8_length(name);
    if (length < 0) throw GisRefusal("the study area name \"" + shown(name) + "\" is not UTF-8 text");
    if (has_control_character(name)) {
        throw GisRefusal("the study area name \"" + shown(name) +
                         "\" holds a line break or another control character");
    }
    if (length > kStudyAreaNameWidth) {
        throw GisRefusal("the study area name has " + std::to_string(length) + " characters; at most " +
                         std::to_string(kStudyAreaNameWidth) + " fit");
    }
}

long long utf8_length(std::string_view text) {
    long long count = 0;
    std::size_t k = 0;
    while (k < text.size()) {
        const auto c = static_cast<unsigned char>(text[k]);
        std::size_t extra = 0;
        char32_t code = 0, least = 0;
        if (c < 0x80) {
            code = c;
        } else if (c >= 0xc2 && c <= 0xdf) {
            extra = 1, code = c & 0x1f, least = 0x80;
        } else if (c >= 0xe0 && c <= 0xef) {
            extra = 2, code = c & 0x0f, least = 0x800;
        } else if (c >= 0xf0 && c <= 0xf4) {
            extra = 3, code = c & 0x07, least = 0x10000;
        } else {
            return -1;
        }
        if (k + extra >= text.size()) return -1;
        for (std::size_t e = 1; e <= extra; ++e) {
            const auto d = static_cast<unsigned char>(text[k + e]);
            if ((d & 0xc0) != 0x80) return -1;
            code = (code << 6) | (d & 0x3f);
        }
        if (code < least || code > 0x10ffff || (code >= 0xd800 && code <= 0xdfff)) return -1;
        k += extra + 1;
        ++count;
    }
    return count;
}

}  // namespace pravel::gis
