// libFuzzer target: arbitrary bytes as the ASCII grid of a layer, as a value
// of each kind of pixel column, as a study area name and as the text of a
// text column. Besides crashes and the sanitizers' findings it stops on a
// broken promise of the checks: an exception other than GisRefusal, a grid whose
// cells do not match its size or hold a value that is not finite, a value
// written for a column that it does not fit, a name or text accepted that
// the tables cannot hold.
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "gis/layer_values.h"

namespace {

using namespace pravel;
using namespace pravel::gis;

void require(bool ok, const char* what) {
    if (ok) return;
    std::fprintf(stderr, "broken promise: %s\n", what);
    std::abort();
}

const PixelColumn kColumns[] = {
    {"wet", PixelColumnKind::Share, 0},          {"drained", PixelColumnKind::Flag, 0},
    {"altitude", PixelColumnKind::Integer, 0},   {"grasslandtyp1", PixelColumnKind::Integer, 0},
    {"number_of_grassland_types", PixelColumnKind::Integer, 0},
    {"land_use_type", PixelColumnKind::Text, 16}, {"subclassification", PixelColumnKind::Text, 64},
    {"cropland_economic_value", PixelColumnKind::Integer, 0},
};
const std::set<int> kGrasslandTypes = {1, 2, 3};

bool no_control_bytes(const std::string& text) {
    for (unsigned char c : text) {
        if (c < 0x20 || c == 0x7f) return false;
    }
    return true;
}

// A written value must read back within its column's range.
void check_written(const PixelColumn& column, const std::string& text, const std::vector<std::string>& categories) {
    switch (column.kind) {
        case PixelColumnKind::Share: {
            const double v = std::strtod(text.c_str(), nullptr);
            require(std::isfinite(v) && v >= 0.0 && v <= 1.0, "a share is written between 0 and 1");
            break;
        }
        case PixelColumnKind::Flag:
            require(text == "0" || text == "1", "a flag is written as 0 or 1");
            break;
        case PixelColumnKind::Integer: {
            long long v = 0;
            const auto r = std::from_chars(text.data(), text.data() + text.size(), v);
            require(r.ec == std::errc() && r.ptr == text.data() + text.size(), "an integer is written as one");
            require(v >= INT_MIN && v <= INT_MAX, "an integer fits the INT range");
            if (std::strcmp(column.name, "grasslandtyp1") == 0) {
                require(v == 0 || kGrasslandTypes.count(static_cast<int>(v)), "a grassland type is a known one");
            }
            if (std::strcmp(column.name, "number_of_grassland_types") == 0) require(v >= 0 && v <= 2, "0, 1 or 2");
            break;
        }
        case PixelColumnKind::Text:
            require(utf8_length(text) >= 0 && utf8_length(text) <= column.text_width, "a text fits its column");
            require(no_control_bytes(text), "a text holds no control character");
            if (categories.empty() && std::strcmp(column.name, "land_use_type") == 0) {
                require(text.empty() || text[0] != '-', "a land-use code is 0 or above");
            }
            break;
        case PixelColumnKind::Real:
            break;
    }
}

void check_value(const PixelColumn& column, double v, const std::vector<std::string>& categories) {
    std::string text;
    try {
        text = cell_value_text("fuzz.asc", column, v, 0, 0, categories, kGrasslandTypes);
    } catch (const GisRefusal&) {
        return;
    }
    require(std::isfinite(v), "only finite values are written");
    check_written(column, text, categories);
}

void check_grid(const std::string& text, unsigned char selector) {
    std::istringstream in(text);
    AsciiGridValues grid;
    try {
        grid = read_ascii_grid(in, "fuzz.asc");
    } catch (const GisRefusal&) {
        return;
    }
    const long long cells = static_cast<long long>(grid.rows) * grid.columns;
    require(grid.rows > 0 && grid.columns > 0 && cells <= kMaxGridCells, "a grid read is within the cell limit");
    require(grid.values.size() == static_cast<std::size_t>(cells) && grid.has_data.size() == grid.values.size(),
            "a grid read has one value per cell");
    const PixelColumn& column = kColumns[selector % std::size(kColumns)];
    for (std::size_t c = 0; c < grid.values.size(); ++c) {
        if (!grid.has_data[c]) continue;
        require(std::isfinite(grid.values[c]), "a cell with data holds a finite number");
        check_value(column, grid.values[c], {});
    }
}

void check_name(const std::string& name) {
    try {
        check_area_name(name);
    } catch (const GisRefusal&) {
        return;
    }
    const long long length = utf8_length(name);
    require(length >= 1 && length <= kStudyAreaNameWidth, "an accepted name has 1 to 255 characters");
    require(no_control_bytes(name), "an accepted name holds no control character");
}

// The text as a category name of a band: every code of the band is checked.
void check_category(const std::string& text, unsigned char selector) {
    const std::vector<std::string> categories = {"valley", text};
    const PixelColumn& column = selector % 2 ? kColumns[5] : kColumns[6];
    for (double code : {0.0, 1.0, 2.0, -1.0}) check_value(column, code, categories);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const unsigned char mode = data[0], selector = data[1];
    const std::string text(reinterpret_cast<const char*>(data + 2), size - 2);
    switch (mode % 4) {
        case 0:
            check_grid(text, selector);
            break;
        case 1:
            check_name(text);
            break;
        case 2:
            check_category(text, selector);
            break;
        case 3:
            // Eight bytes as a double for every column.
            if (text.size() >= sizeof(double)) {
                double v = 0.0;
                std::memcpy(&v, text.data(), sizeof v);
                for (const auto& column : kColumns) check_value(column, v, {});
            }
            break;
    }
    return 0;
}
