#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "demo/landscape.h"
#include "store/landscape_store.h"
#include "store/sql_script.h"
#include "support/test_database.h"

namespace pravel {
namespace {

class DemoLandscapeLoad : public testing::DatabaseTest {
protected:
    void load_landscape() {
        std::ostringstream sql;
        demo::write_landscape(sql);
        for (const auto& statement : split_sql_script(sql.str())) schema().exec(statement);
    }
    long long number(const std::string& statement) { return std::stoll(schema().scalar(statement)); }
};

TEST_F(DemoLandscapeLoad, EveryStatementRunsAndTheRowsArrive) {
    load_landscape();
    EXPECT_EQ(schema().count("country"), 2);
    EXPECT_EQ(schema().count("matrix_referenz"), 2);
    EXPECT_EQ(schema().count("grasslandtype"), 8);
    EXPECT_EQ(schema().count("cost_for_farmhouse_distance"), 12);
    for (int id : {demo::kLargeAreaId, demo::kSmallAreaId}) {
        SCOPED_TRACE("area " + std::to_string(id));
        const demo::StudyArea area = demo::build_study_area(id);
        long long inside = 0, evaluable = 0;
        for (const auto& c : area.cells) {
            inside += c.inside;
            evaluable += demo::evaluable_grassland(c);
        }
        const std::string where = " FROM pixel WHERE countryID = " + std::to_string(id);
        EXPECT_EQ(number("SELECT COUNT(*)" + where), inside);
        EXPECT_LT(number("SELECT MAX(matrix_i)" + where), area.rows);
        EXPECT_LT(number("SELECT MAX(matrix_j)" + where), area.columns);
        // The evaluation's own selection rule, applied by the server.
        EXPECT_EQ(number("SELECT COUNT(*)" + where +
                         " AND land_use_type IN ('3', '4') AND grassland_economic_value >= 15"
                         " AND (wet > 0 OR fresh > 0 OR dry > 0) AND manure_status_grass_cropland IN (0, 1)"),
                  evaluable);
        EXPECT_EQ(number("SELECT COUNT(*) FROM contour WHERE countryID = " + std::to_string(id)),
                  static_cast<long long>(area.contour.size()));
    }
}

TEST_F(DemoLandscapeLoad, SmallAreaReadsBackThroughTheLoader) {
    load_landscape();
    auto db = connect();
    const int id = country_id(*db, "Moorwiesen test area");
    ASSERT_EQ(id, demo::kSmallAreaId);
    const RasterReference ref = load_raster_reference(*db, id);
    EXPECT_DOUBLE_EQ(ref.pixel_area_ha, 0.81);
    PixelRaster raster(ref);
    load_pixels(*db, id, raster);

    const demo::StudyArea area = demo::build_study_area(id);
    ASSERT_EQ(raster.rows(), area.rows);
    ASSERT_EQ(raster.columns(), area.columns);
    std::map<int, std::vector<std::string>> types;  // id -> WES, quantity, height
    for (const auto& r : schema().rows("SELECT grasslandtypeID, WES, quantity, height FROM grasslandtype")) {
        types[std::stoi(r[0])] = {r[1], r[2], r[3]};
    }
    auto expect_type = [&](int type, double wes, int quantity, int height) {
        ASSERT_TRUE(types.count(type)) << type;
        EXPECT_DOUBLE_EQ(wes, std::stod(types[type][0]));
        EXPECT_EQ(quantity, std::stoi(types[type][1]));
        EXPECT_EQ(height, std::stoi(types[type][2]));
    };
    int checked_two_types = 0;
    for (int i = 0; i < area.rows; ++i) {
        for (int j = 0; j < area.columns; ++j) {
            const demo::LandscapeCell& c = area.at(i, j);
            const PixelRecord& p = raster.at(i, j);
            SCOPED_TRACE("cell " + std::to_string(i) + "/" + std::to_string(j));
            if (!c.inside) {
                ASSERT_EQ(p.pixelID, 0);
                continue;
            }
            ASSERT_EQ(p.pixelID, c.pixel_id);
            ASSERT_EQ(p.growth_start, area.growth_start);
            ASSERT_EQ(p.land_use_type, c.land_use_type);
            ASSERT_EQ(p.mead_past_mow, c.mead_past_mow);
            ASSERT_EQ(p.manure_status_grass_cropland, c.manure_status);
            ASSERT_EQ(p.grassland_economic_value, c.grassland_economic_value);
            ASSERT_EQ(p.altitude, c.altitude);
            ASSERT_DOUBLE_EQ(p.wet, c.wet);
            ASSERT_DOUBLE_EQ(p.fresh, c.fresh);
            ASSERT_DOUBLE_EQ(p.dry, c.dry);
            ASSERT_EQ(p.subclassification, c.subclassification);
            ASSERT_DOUBLE_EQ(p.additional_cost, 6.0 * c.farmhouse_distance);
            ASSERT_EQ(p.grasslandtyp1, c.grasslandtyp1);
            ASSERT_EQ(p.number_of_grassland_types, c.number_of_grassland_types);
            if (c.number_of_grassland_types >= 1) expect_type(c.grasslandtyp1, p.WES1, p.quantity1, p.height1);
            if (c.number_of_grassland_types == 2) {
                expect_type(c.grasslandtyp2, p.WES2, p.quantity2, p.height2);
                ++checked_two_types;
            }
        }
    }
    EXPECT_GT(checked_two_types, 0);
}

}  // namespace
}  // namespace pravel
