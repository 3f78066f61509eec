#pragma once
// Zones and zone payments in the database: the values of a pixel column
// that divide a study area into zones, and the payments per measure and
// zone of a stored configuration (`configuration_zone_payment`).
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace pravel {

class DatabaseAccess;

// One pixel's value of a column, at its raster position.
struct PixelColumnValue {
    int row = 0;     // matrix_i
    int column = 0;  // matrix_j
    std::string value;
};

// True when `column` is a text or integer data column of `pixel` (the kinds
// a zone may be read from).
bool zone_column_usable(const std::string& column);

// The values of `column` for every pixel of the study area. Throws
// std::invalid_argument, before any statement, when the column is not one
// zone_column_usable accepts.
std::vector<PixelColumnValue> load_pixel_column(DatabaseAccess& db, int country_id, const std::string& column);

struct ZonePaymentRow {
    int configurationID = 0;
    int measureID = 0;
    std::string zoning;  // "grid 2x2", "column subclassification", ...
    std::string zone;
    double payment = 0.0;    // Euro/ha
    int participants = 0;    // pixels
    double area = 0.0;       // ha
};

// Writes the rows of one configuration in one transaction (all or none).
void store_zone_payments(DatabaseAccess& db, int configuration_id, const std::vector<ZonePaymentRow>& rows);
// The rows of a configuration, by measure and zone as stored.
std::vector<ZonePaymentRow> load_zone_payments(DatabaseAccess& db, int configuration_id);

// The zone of every raster cell of a zoned run, kept with the run so that a
// map can draw its zones however they were made (a layer file need not be at
// hand, nor a pixel column unchanged, when the run is drawn later).
struct ZoneCells {
    int rows = 0;
    int columns = 0;
    std::vector<std::string> names;  // one per zone
    std::vector<int> cell_zone;      // rows x columns, row-major; -1: no zone
};
// Writes the cells of a configuration (`configuration_zone_cells`, rows per
// zone with its cells as runs of row-major indexes), replacing earlier ones,
// in the caller's transaction if there is one.
void store_zone_cells(DatabaseAccess& db, int configuration_id, const ZoneCells& cells);
// The cells of a configuration; none when it has no rows (a run stored
// before the cells were kept) or they do not make one whole raster.
std::optional<ZoneCells> load_zone_cells(DatabaseAccess& db, int configuration_id);

// The zones of the rows in the map table (`results_for_viusualitsation`)
// when the analysis that wrote them paid by zone, so that the result map
// draws them. Stored after the rows with a fingerprint of them; rows
// written or emptied since then make the zones stale, and none are loaded.
void store_map_zone_cells(DatabaseAccess& db, const std::string& zoning, const ZoneCells& cells);
std::optional<ZoneCells> load_map_zone_cells(DatabaseAccess& db, std::string& zoning);

// The cell runs of one zone as stored: "first:count" pairs of row-major
// indexes, separated by blanks; and back, false on a malformed text or a run
// beyond the end of `cell_zone`, whose cells of the runs get `zone`.
std::string encode_zone_runs(const std::vector<int>& cell_zone, int zone);
bool decode_zone_runs(const std::string& text, int zone, std::vector<int>& cell_zone);
// The runs of one zone as pieces of at most `most_chars` characters (a
// single longer run whole), at least one piece; stored as one row each.
std::vector<std::string> zone_run_chunks(const std::vector<int>& cell_zone, int zone, std::size_t most_chars);

}  // namespace pravel
