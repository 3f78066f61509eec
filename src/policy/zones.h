#pragma once
// Zones of a study area: a partition of its raster cells in which each
// measure may have a payment of its own. A zoned search treats every
// (measure, zone) pair as a payment key of its own, so the payment search
// runs unchanged on candidate lists split by zone.
#include <string>
#include <utility>
#include <vector>

#include "optimisation/pixel_allocation.h"

namespace pravel {

struct ZoneCells;  // store/zone_store.h

// Which zone each raster cell lies in; -1 for a cell outside every zone.
struct ZoneMap {
    int rows = 0;
    int columns = 0;
    std::vector<int> cell_zone;      // rows x columns, row-major
    std::vector<std::string> names;  // one per zone
    std::string description;         // "grid 2x2", "column subclassification", ...

    int zone_count() const { return static_cast<int>(names.size()); }
    int zone_at(int row, int column) const;
};

// Equal blocks of the raster: `zone_rows` x `zone_columns` zones named
// "r1c1", "r1c2", ...; a block boundary of a coarse grid is one of every
// grid whose counts are multiples of it, so such grids refine each other.
// Throws std::invalid_argument for counts below 1 or above the raster's.
ZoneMap grid_zones(int rows, int columns, int zone_rows, int zone_columns);

// One zone per distinct value of a pixel column, in the order of first
// appearance along the rows; cells without a value lie in no zone. `values`
// holds (row, column, value) of the pixels.
struct CellValue {
    int row = 0;
    int column = 0;
    std::string value;
};
ZoneMap value_zones(int rows, int columns, const std::vector<CellValue>& values, std::string description);

// One zone per distinct value of a layer on the raster (`values` and
// `has_data` row-major, rows x columns), in the order of first appearance
// along the rows; a cell without data lies in no zone. A whole-number value
// that names one of `categories` (code k -> name k) is named so, any other
// value by the number itself ("3", "2.5").
ZoneMap layer_zones(int rows, int columns, const std::vector<double>& values, const std::vector<char>& has_data,
                    const std::vector<std::string>& categories, std::string description);

// The cells of a zoning as a stored run keeps them, and a zoning of stored
// cells under the description its zone-payment rows name.
ZoneCells zone_cells(const ZoneMap& zones);
ZoneMap zone_map(ZoneCells cells, std::string description);

// True when every zone of `fine` lies within one zone of `coarse` (each
// cell of a fine zone in the same coarse zone); `parent` then gets the
// coarse zone of each fine zone (-1 for a fine zone without cells).
bool refines(const ZoneMap& fine, const ZoneMap& coarse, std::vector<int>& parent);

// A payment key: one measure in one zone.
struct PaymentKey {
    int measure = 0;
    int zone = 0;
};

// The candidate lists split by zone: list k holds the candidates of key k,
// keys measure-major (measure 0 in zones 0, 1, ..., then measure 1, ...).
// Candidates in no zone keep a key of their own per measure after the zones
// (payment 0 is never forced on them: they are searched like a zone named
// "(no zone)").
struct ZonedArea {
    EvaluatedArea area;
    std::vector<PaymentKey> keys;
    int measures = 0;
    int zones = 0;  // including the "(no zone)" zone when it is used
    std::vector<std::string> zone_names;

    int key(int measure, int zone) const { return measure * zones + zone; }
};

ZonedArea split_by_zone(const EvaluatedArea& area, const ZoneMap& zones);

}  // namespace pravel
