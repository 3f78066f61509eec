#include "store/landscape_store.h"

#include <cppconn/resultset.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <unordered_map>

#include "common/notifier.h"
#include "common/sql_text.h"
#include "store/database_access.h"

namespace pravel {

std::vector<std::string> country_names(DatabaseAccess& db) {
    std::vector<std::string> out;
    db.list_query("SELECT DISTINCT name FROM country ", "no country found in database",
                  [&](sql::ResultSet& rs) { out.push_back(rs.getString("name")); });
    return out;
}

int country_id(DatabaseAccess& db, const std::string& name) {
    int id = 0;
    SqlText s;
    s << "SELECT countryID FROM country WHERE name = '" << SqlValue{name} << "'";
    db.list_query(s, "no country found in database", [&](sql::ResultSet& rs) { id = rs.getInt("countryID"); });
    return id;
}

RasterReference load_raster_reference(DatabaseAccess& db, int country_id, RasterReference reference) {
    SqlText s;
    s << "SELECT * FROM matrix_referenz WHERE  countryID = " << country_id;
    db.query(s, [&](sql::ResultSet& rs) {
        reference.number_of_rows = rs.getInt("number_of_rows");
        reference.number_of_columns = rs.getInt("number_of_columns");
        const int area_m2 = rs.getInt("pixel_lenght_x") * rs.getInt("pixel_lenght_y");
        reference.pixel_area_ha = area_m2 / 10000.0;
    });
    return reference;
}

namespace {

struct GrasslandTypeValues {
    double WES = 0.0, WOLA = 0.0, WKLA = 0.0;
    int quantity = 0, energy = 0, height = 0;
};

// Answers of the per-pixel lookups, remembered for one load: the same
// statement always gives the same rows, and a study area has only a handful of
// distinct farmhouse distances and grassland types.
class PixelLookups {
public:
    explicit PixelLookups(DatabaseAccess& db) : db_(db) {}

    // additional_cost of the last row for the distance (0 when none).
    double additional_cost(int distance, double current) {
        auto it = costs_.find(distance);
        if (it == costs_.end()) {
            std::optional<double> value;
            SqlText s;
            s << "SELECT * FROM cost_for_farmhouse_distance WHERE farmhouse_distance = " << distance;
            db_.query(s, [&](sql::ResultSet& rs) { value = rs.getDouble("additional_cost"); });
            it = costs_.emplace(distance, value).first;
        }
        return it->second ? *it->second : current;
    }

    const std::vector<GrasslandTypeValues>& grassland_type(int id) {
        auto it = types_.find(id);
        if (it == types_.end()) {
            std::vector<GrasslandTypeValues> rows;
            SqlText s;
            s << "SELECT * FROM grasslandtype WHERE grasslandtypeID = " << id;
            db_.query(s, [&](sql::ResultSet& rs) {
                GrasslandTypeValues v;
                v.WES = rs.getDouble("WES");
                v.WOLA = rs.getDouble("WOLA");
                v.WKLA = rs.getDouble("WKLA");
                v.quantity = rs.getInt("quantity");
                v.energy = rs.getInt("energy");
                v.height = rs.getInt("height");
                rows.push_back(v);
            });
            it = types_.emplace(id, std::move(rows)).first;
        }
        return it->second;
    }

private:
    DatabaseAccess& db_;
    std::unordered_map<int, std::optional<double>> costs_;
    std::unordered_map<int, std::vector<GrasslandTypeValues>> types_;
};

// Positions of the pixel table's columns in a result, found once per load:
// reading by position spares the driver a search by name for every value.
struct PixelColumns {
    explicit PixelColumns(const sql::ResultSet& rs)
        : country(rs.findColumn("country")),
          pixelID(rs.findColumn("pixelID")),
          dry(rs.findColumn("dry")),
          drained(rs.findColumn("drained")),
          fresh(rs.findColumn("fresh")),
          wet(rs.findColumn("wet")),
          altitude(rs.findColumn("altitude")),
          x_coordinate(rs.findColumn("x_coordinate")),
          y_coordinate(rs.findColumn("y_coordinate")),
          forest(rs.findColumn("forest")),
          settlement(rs.findColumn("settlement")),
          water_inland(rs.findColumn("water_inland")),
          subclassification(rs.findColumn("subclassification")),
          mead_past_mow(rs.findColumn("mead_past_mow")),
          land_use_type(rs.findColumn("land_use_type")),
          policy_status_grass_cropland(rs.findColumn("policy_status_grass_cropland")),
          manure_status_grass_cropland(rs.findColumn("manure_status_grass_cropland")),
          grassland_economic_value(rs.findColumn("grassland_economic_value")),
          grassland_economic_value_random(rs.findColumn("grassland_economic_value_random")),
          cropland_economic_value(rs.findColumn("cropland_economic_value")),
          cropland_economic_value_random(rs.findColumn("cropland_economic_value_random")),
          number_of_grassland_types(rs.findColumn("number_of_grassland_types")),
          grasslandtyp1(rs.findColumn("grasslandtyp1")),
          grasslandtyp2(rs.findColumn("grasslandtyp2")),
          OHG(rs.findColumn("OHG")),
          farmtype(rs.findColumn("farmtype")),
          farmhouse_distance(rs.findColumn("farmhouse_distance")),
          fertilization_reduction(rs.findColumn("fertilization_reduction")),
          countryID(rs.findColumn("countryID")) {}
    std::uint32_t country, pixelID, dry, drained, fresh, wet, altitude, x_coordinate, y_coordinate, forest,
        settlement, water_inland, subclassification, mead_past_mow, land_use_type, policy_status_grass_cropland,
        manure_status_grass_cropland, grassland_economic_value, grassland_economic_value_random,
        cropland_economic_value, cropland_economic_value_random, number_of_grassland_types, grasslandtyp1,
        grasslandtyp2, OHG, farmtype, farmhouse_distance, fertilization_reduction, countryID;
};

void read_pixel_columns(sql::ResultSet& rs, const PixelColumns& c, PixelRecord& p, bool texts) {
    if (texts) p.country = rs.getString(c.country);
    p.pixelID = rs.getInt(c.pixelID);
    p.dry = rs.getDouble(c.dry);
    p.drained = rs.getBoolean(c.drained);
    p.fresh = rs.getDouble(c.fresh);
    p.wet = rs.getDouble(c.wet);
    p.altitude = rs.getInt(c.altitude);
    p.x_coordinate = rs.getInt(c.x_coordinate);
    p.y_coordinate = rs.getInt(c.y_coordinate);
    p.forest = rs.getBoolean(c.forest);
    p.settlement = rs.getBoolean(c.settlement);
    p.water_inland = rs.getBoolean(c.water_inland);
    if (texts) p.subclassification = rs.getString(c.subclassification);
    p.mead_past_mow = rs.getInt(c.mead_past_mow);
    p.land_use_type = rs.getString(c.land_use_type);
    p.policy_status_grass_cropland = rs.getInt(c.policy_status_grass_cropland);
    p.manure_status_grass_cropland = rs.getInt(c.manure_status_grass_cropland);
    p.grassland_economic_value = rs.getInt(c.grassland_economic_value);
    p.grassland_economic_value_random = rs.getInt(c.grassland_economic_value_random);
    p.cropland_economic_value = rs.getInt(c.cropland_economic_value);
    p.cropland_economic_value_random = rs.getInt(c.cropland_economic_value_random);
    p.number_of_grassland_types = rs.getInt(c.number_of_grassland_types);
    p.grasslandtyp1 = rs.getInt(c.grasslandtyp1);
    p.grasslandtyp2 = rs.getInt(c.grasslandtyp2);
    p.OHG = rs.getBoolean(c.OHG);
    p.farmtype = rs.getInt(c.farmtype);
    p.farmhouse_distance = rs.getInt(c.farmhouse_distance);
    p.fertilization_reduction = rs.getInt(c.fertilization_reduction);
    p.countryID = rs.getInt(c.countryID);
}

}  // namespace

const PixelRecord& PixelRaster::empty_cell() {
    static const PixelRecord empty;
    return empty;
}

void load_pixels(DatabaseAccess& db, int country_id, PixelRaster& raster, const PixelLoad& load) {
    int growth_start = 0;
    {
        SqlText s;
        s << "SELECT * FROM country WHERE  countryID = " << country_id;
        db.query(s, [&](sql::ResultSet& rs) { growth_start = rs.getInt("growth_start"); });
    }

    PixelLookups lookups(db);
    long long skipped = 0;
    int first_skipped_id = 0;
    PixelRecord scratch;
    std::optional<PixelColumns> columns;

    long long page_rows = 0;
    std::int64_t last_id = 0;
    const auto read_row = [&](sql::ResultSet& rs) {
        ++page_rows;
        last_id = rs.getInt64("pixelID");
        const int i = rs.getInt("matrix_i");
        const int j = rs.getInt("matrix_j");
        if (!raster.contains(i, j)) {
            // A row that does not fit the study area's raster is a data
            // error; it is left out rather than written past the raster.
            if (skipped++ == 0) first_skipped_id = rs.getInt("pixelID");
            return;
        }
        // Read into the kept cell, or aside until it is known to be kept.
        PixelRecord* kept = load.keep ? raster.find(i, j) : &raster.at(i, j);
        if (!kept) scratch = PixelRecord{};
        PixelRecord& p = kept ? *kept : scratch;
        p.matrix_i = i;
        p.matrix_j = j;
        if (!columns) columns.emplace(rs);
        read_pixel_columns(rs, *columns, p, load.texts);
        p.growth_start = growth_start;

        if (p.farmhouse_distance < 1) {
            p.additional_cost = 0.0;
        } else {
            p.additional_cost = lookups.additional_cost(p.farmhouse_distance, p.additional_cost);
        }

        if (p.number_of_grassland_types != 0 && p.grasslandtyp1 != 0) {
            for (const auto& t1 : lookups.grassland_type(p.grasslandtyp1)) {
                p.WES1 = t1.WES;
                p.WOLA1 = t1.WOLA;
                p.WKLA1 = t1.WKLA;
                p.quantity1 = t1.quantity;
                p.energy1 = t1.energy;
                p.height1 = t1.height;
                if (p.number_of_grassland_types == 2 && p.grasslandtyp2 != 0) {
                    for (const auto& t2 : lookups.grassland_type(p.grasslandtyp2)) {
                        p.WES2 = t2.WES;
                        p.WOLA2 = t2.WOLA;
                        p.WKLA2 = t2.WKLA;
                        p.quantity2 = t2.quantity;
                        p.energy2 = t2.energy;
                        p.height2 = t2.height;
                    }
                }
            }
        }
        if (!kept && load.keep(p)) raster.at(i, j) = std::move(scratch);
    };
    // The rows come in pages in the order of their identifiers: the driver
    // keeps a whole answer in memory, and the pixel rows of a large area
    // would take more than the loaded area itself.
    const long long page = std::max(1LL, load.page_rows);
    for (bool first_page = true; first_page || page_rows == page; first_page = false) {
        page_rows = 0;
        SqlText s;
        s << "SELECT * FROM pixel  WHERE  countryID = " << country_id;
        if (!first_page) s << " AND pixelID > " << last_id;
        s << " ORDER BY pixelID LIMIT " << page;
        db.query(s, read_row);
    }

    if (skipped > 0) {
        notifier().inform(std::to_string(skipped) + " pixel row(s) of study area " + std::to_string(country_id) +
                          " lie outside its raster of " + std::to_string(raster.rows()) + " x " +
                          std::to_string(raster.columns()) + " cells and were skipped (first pixelID " +
                          std::to_string(first_skipped_id) + ").");
    }
}

}  // namespace pravel
