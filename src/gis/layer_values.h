#pragma once
// What a layer may hold, checked apart from GDAL and the database: the size of
// a grid, the numbers of an ASCII grid read token by token, every value
// against its column, and the names an import writes. Each refusal is a
// GisRefusal naming the file (or the name), the cell and the reason.
#include <istream>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "gis/grid_layer.h"
#include "store/study_area_store.h"

namespace pravel::gis {

// The largest grid an import reads or an export writes: 60 million cells, a
// federal state at 25 m cells or more. Larger grids are refused before any
// memory is taken for them.
inline constexpr long long kMaxGridCells = 60'000'000;

// Refuses a grid without cells or with more than kMaxGridCells; `what` names
// the file or the study area.
void check_grid_size(long long rows, long long columns, const std::string& what);

// The cells of an ASCII grid (a header of "ncols", "nrows", corner, cell size
// and "NODATA_value" lines, then the values row by row from the top).
struct AsciiGridValues {
    int rows = 0;
    int columns = 0;
    std::vector<double> values;
    std::vector<char> has_data;  // false where the value is NODATA_value
};
// Reads every token of the grid itself, so that text ("abc"), "nan", "inf" or
// a number too large for a double is refused with its cell instead of being
// read as 0; a grid with fewer or more values than its header declares is
// refused too. The header's size is checked against kMaxGridCells before the
// cells are allocated.
AsciiGridValues read_ascii_grid(std::istream& in, const std::string& file);

// A number as refusals quote it: up to 15 significant digits, no trailing zeros.
std::string number_text(double v);

// A value read from a 32-bit real band as the decimal number that was stored
// (0.2, not 0.200000002980232).
double without_float32_noise(double v);

// The text a value of `column` is written as. `categories` are the names of
// the band's codes (a code k stands for name k), `grassland_types` the keys
// of table grasslandtype. Refuses values that are not finite, outside the
// column's range (shares 0..1, flags 0 or 1, integers of the INT range,
// grassland types of the table, land-use codes 0 or above) or not whole in a
// whole-number column, and texts that do not fit a text column.
std::string cell_value_text(const std::string& file, const PixelColumn& column, double v, int row, int col,
                            const std::vector<std::string>& categories, const std::set<int>& grassland_types);

// Refuses a text for a text column: not UTF-8, a control character (a line
// break, a tab), or more characters than the column holds.
void check_column_text(const std::string& file, const PixelColumn& column, const std::string& text, int row,
                       int col);

// Refuses a study area name that is empty, not UTF-8, holds a control
// character (a line break) or is longer than kStudyAreaNameWidth characters.
void check_area_name(const std::string& name);

// Characters of UTF-8 text, or -1 when the text is not UTF-8 (overlong forms,
// surrogates and code points above U+10FFFF included).
long long utf8_length(std::string_view text);

}  // namespace pravel::gis
