#pragma once
// The zones of a stored configuration whose payments differ by zone, as the
// configuration map draws them: the zone cells kept with the run, or, for a
// run stored without them, rebuilt from the zoning its zone-payment rows name
// ("grid 2x2" on the study area's raster, "column subclassification" from the
// pixel column); their boundaries as screen lines, and the zone of a raster
// cell.
#include <QLineF>

#include <memory>
#include <string>
#include <vector>

#include "map/map_picture.h"

namespace pravel {

class DatabaseAccess;
// policy/zones.h; not included here, as its engine headers and the map's
// share names.
struct ZoneMap;

// The zones of the configuration; none when it has no zone payments, or was
// stored without its zone cells and its zoning cannot be rebuilt here (a
// layer file), or its cells do not fit the area's raster. `zoning` gets the
// zoning's description whenever rows exist.
std::shared_ptr<const ZoneMap> stored_configuration_zones(DatabaseAccess& db, int configurationID, int countryID,
                                                         std::string& zoning);

// The zones of the rows in the map table that the result map draws, when the
// analysis that wrote them paid by zone and no rows have been written since;
// none otherwise, or when they do not fit the area's raster. `zoning` gets
// the zoning's description whenever zones are kept for the rows.
std::shared_ptr<const ZoneMap> result_map_zones(DatabaseAccess& db, int countryID, std::string& zoning);

// The zone of the raster cell (row, column), empty outside every zone.
std::string zone_name_at(const ZoneMap& zones, int row, int column);

// The boundaries between neighbouring cells of different zones (a cell in no
// zone counts as a zone of its own) as lines on the screen of the viewport,
// each one cell side long; those outside the map area are left out. The
// cell (row i, column j) lies at picture x = j + offset, y = i + offset.
std::vector<QLineF> zone_boundary_lines(const ZoneMap& zones, const MapViewport& viewport, int offset);

}  // namespace pravel
