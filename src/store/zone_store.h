#pragma once
// Zones and zone payments in the database: the values of a pixel column
// that divide a study area into zones, and the payments per measure and
// zone of a stored configuration (`configuration_zone_payment`).
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

}  // namespace pravel
