#include <utility>
#include <gtest/gtest.h>

#include <algorithm>

#include "common/sql_text.h"
#include "store/landscape_store.h"
#include "support/test_database.h"

namespace pravel {
namespace {

class LandscapeStoreTest : public testing::DatabaseTest {
protected:
    void add_country(int id, const std::string& name, int growth_start, int rows, int cols, int lx, int ly) {
        SqlText s;
        s << "INSERT INTO country (countryID, name, growth_start) VALUES (" << id << ", '" << SqlValue{name}
          << "', " << growth_start << ")";
        schema().exec(s);
        SqlText r;
        r << "INSERT INTO matrix_referenz VALUES (" << id << ", " << rows << ", " << cols << ", " << lx << ", " << ly
          << ")";
        schema().exec(r);
    }
    struct Pixel {
        int id, country, i, j;
        int types = 0, typ1 = 0, typ2 = 0, farmhouse = 0;
        const char* land_use = "3";
    };
    void add_pixel(const Pixel& p) {
        SqlText s;
        s << "INSERT INTO pixel (pixelID, countryID, country, matrix_i, matrix_j, x_coordinate, y_coordinate, "
             "wet, fresh, dry, drained, altitude, grassland_economic_value, land_use_type, "
             "number_of_grassland_types, grasslandtyp1, grasslandtyp2, farmhouse_distance, mead_past_mow, "
             "settlement) VALUES ("
          << p.id << ", " << p.country << ", 'Auenland', " << p.i << ", " << p.j << ", " << 1000 + p.j * 90 << ", "
          << 2000 + p.i * 90 << ", 0.5, 0.25, 0.25, 1, 12, 55, '" << p.land_use << "', " << p.types << ", " << p.typ1
          << ", " << p.typ2 << ", " << p.farmhouse << ", 2, 1)";
        schema().exec(s);
    }
    void add_grassland_type(int id, double wes, int quantity, int energy) {
        SqlText s;
        s << "INSERT INTO grasslandtype (grasslandtypeID, WES, WOLA, WKLA, quantity, energy, height) VALUES (" << id
          << ", " << wes << ", 0.5, 0.25, " << quantity << ", " << energy << ", " << id * 10 << ")";
        schema().exec(s);
    }
    long long sent_count(const std::string& prefix) {
        return std::count_if(sent().begin(), sent().end(),
                             [&](const std::string& s) { return s.rfind(prefix, 0) == 0; });
    }
};

TEST_F(LandscapeStoreTest, PixelAreaFromEdgeLengthsAndMissingReference) {
    const std::tuple<int, int, double> cases[] = {{25, 25, 0.0625}, {100, 100, 1.0}, {90, 90, 0.81}, {10, 20, 0.02}};
    int id = 1;
    for (const auto& [lx, ly, area] : cases) {
        add_country(id, "area " + std::to_string(id), 13, 4, 6, lx, ly);
        auto db = connect();
        const auto ref = load_raster_reference(*db, id);
        EXPECT_EQ(ref.number_of_rows, 4);
        EXPECT_EQ(ref.number_of_columns, 6);
        EXPECT_DOUBLE_EQ(ref.pixel_area_ha, area) << lx << " x " << ly;
        ++id;
    }
    auto db = connect();
    RasterReference preset{7, 8, 0.5};
    const auto ref = load_raster_reference(*db, 99, preset);
    EXPECT_EQ(ref.number_of_rows, 7);
    EXPECT_DOUBLE_EQ(ref.pixel_area_ha, 0.5);
    EXPECT_EQ(sent().back(), "SELECT * FROM matrix_referenz WHERE  countryID = 99");
}

TEST_F(LandscapeStoreTest, CountryNamesAndKeyIncludingApostrophe) {
    add_country(3, "Hase'sche Niederung", 14, 2, 2, 90, 90);
    add_country(4, "Drömling", 13, 2, 2, 90, 90);
    auto db = connect();
    auto names = country_names(*db);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"Drömling", "Hase'sche Niederung"}));
    EXPECT_EQ(country_id(*db, "Hase'sche Niederung"), 3);
    EXPECT_EQ(country_id(*db, "Drömling"), 4);
    EXPECT_EQ(sent().front(), "SELECT DISTINCT name FROM country ");
    EXPECT_EQ(sent().back(), "SELECT countryID FROM country WHERE name = 'Drömling'");
    EXPECT_TRUE(messages().messages().empty());
}

TEST_F(LandscapeStoreTest, LoadsSiteDataCostsAndGrasslandTypes) {
    add_country(5, "Wümme", 15, 3, 4, 90, 90);
    schema().exec("INSERT INTO cost_for_farmhouse_distance VALUES (1, 12.5), (2, 30)");
    add_grassland_type(2, 0.75, 80, 90);
    add_grassland_type(5, 0.25, 60, 70);
    add_pixel({101, 5, 0, 0, 1, 2, 5, 0});  // one type: type 2 is not read
    add_pixel({102, 5, 0, 1, 2, 2, 5, 1});  // two types
    add_pixel({103, 5, 2, 3, 2, 2, 5, 2});
    add_pixel({104, 5, 1, 1, 0, 2, 0, 1});  // no type although typ1 is set
    add_pixel({201, 6, 0, 2, 1, 2, 0, 1});  // another country

    PixelRaster raster(3, 4);
    raster.at(1, 2).pixelID = -7;  // a cell without a row keeps what the caller gave it
    auto db = connect();
    load_pixels(*db, 5, raster);

    const auto& a = raster.at(0, 0);
    EXPECT_EQ(a.pixelID, 101);
    EXPECT_EQ(a.country, "Auenland");
    EXPECT_EQ(a.growth_start, 15);
    EXPECT_EQ(a.x_coordinate, 1000);
    EXPECT_EQ(a.y_coordinate, 2000);
    EXPECT_DOUBLE_EQ(a.wet, 0.5);
    EXPECT_TRUE(a.drained);
    EXPECT_TRUE(a.settlement);
    EXPECT_EQ(a.land_use_type, "3");
    EXPECT_EQ(a.mead_past_mow, 2);
    EXPECT_DOUBLE_EQ(a.additional_cost, 0.0) << "farmhouse distance 0 costs nothing";
    EXPECT_DOUBLE_EQ(a.WES1, 0.75);
    EXPECT_EQ(a.quantity1, 80);
    EXPECT_EQ(a.height1, 20);
    EXPECT_EQ(a.quantity2, 0) << "with one type the second is not read";
    EXPECT_DOUBLE_EQ(a.WES2, 0.0);

    const auto& b = raster.at(0, 1);
    EXPECT_DOUBLE_EQ(b.additional_cost, 12.5);
    EXPECT_EQ(b.quantity1, 80);
    EXPECT_EQ(b.quantity2, 60);
    EXPECT_EQ(b.energy2, 70);
    EXPECT_DOUBLE_EQ(b.WES2, 0.25);

    EXPECT_DOUBLE_EQ(raster.at(2, 3).additional_cost, 30.0);
    EXPECT_EQ(raster.at(1, 1).quantity1, 0);
    EXPECT_EQ(raster.at(1, 2).pixelID, -7);
    EXPECT_EQ(raster.at(0, 2).pixelID, 0) << "pixels of other countries stay out";

    EXPECT_EQ(sent()[0], "SELECT * FROM country WHERE  countryID = 5");
    EXPECT_EQ(sent()[1], "SELECT * FROM pixel  WHERE  countryID = 5 ORDER BY pixelID LIMIT 100000");
    // Each lookup is sent once per load and its answer reused.
    EXPECT_EQ(sent_count("SELECT * FROM cost_for_farmhouse_distance WHERE farmhouse_distance = 1"), 1);
    EXPECT_EQ(sent_count("SELECT * FROM grasslandtype WHERE grasslandtypeID = 2"), 1);
    EXPECT_EQ(sent_count("SELECT * FROM grasslandtype WHERE grasslandtypeID = 5"), 1);
    EXPECT_TRUE(messages().messages().empty());
}

TEST_F(LandscapeStoreTest, RowsOutsideTheRasterAreSkippedAndReportedOnce) {
    add_country(8, "Randgebiet", 13, 2, 3, 90, 90);
    add_pixel({1, 8, 0, 0});
    add_pixel({2, 8, 2, 0});   // row 2 of a 2-row raster
    add_pixel({3, 8, 1, 3});   // column 3 of a 3-column raster
    add_pixel({4, 8, -1, 1});  // negative row
    add_pixel({5, 8, 1, 2});

    PixelRaster raster(2, 3);
    auto db = connect();
    load_pixels(*db, 8, raster);

    EXPECT_EQ(raster.at(0, 0).pixelID, 1);
    EXPECT_EQ(raster.at(1, 2).pixelID, 5);
    ASSERT_EQ(messages().messages().size(), 1u);
    const auto& text = messages().messages()[0].text;
    EXPECT_NE(text.find("3 pixel row(s)"), std::string::npos) << text;
    EXPECT_NE(text.find("first pixelID 2"), std::string::npos) << text;
}

TEST_F(LandscapeStoreTest, ALoadKeepsOnlyTheCellsAskedForWithoutTextsAndTheLastRowOfACell) {
    add_country(9, "Kleine Aue", 13, 3, 3, 90, 90);
    add_grassland_type(2, 0.75, 80, 90);
    add_pixel({11, 9, 0, 0, 1, 2, 0, 0, "3"});
    add_pixel({12, 9, 0, 1, 1, 2, 0, 0, "1"});  // cropland: left out
    add_pixel({13, 9, 2, 2, 1, 2, 0, 0, "4"});
    add_pixel({14, 9, 1, 1, 1, 2, 0, 0, "1"});  // left out, then its cell comes again as grassland
    add_pixel({15, 9, 1, 1, 0, 0, 0, 0, "3"});
    add_pixel({16, 9, 2, 2, 0, 0, 0, 0, "1"});  // a later row of a kept cell writes over it

    PixelLoad load;
    load.keep = [](const PixelRecord& p) { return p.land_use_type == "3" || p.land_use_type == "4"; };
    load.texts = false;
    PixelRaster kept(3, 3);
    auto db = connect();
    load_pixels(*db, 9, kept, load);
    PixelRaster every(3, 3);
    load_pixels(*db, 9, every);

    EXPECT_EQ(kept.cells().size(), 3u) << "cells (0,0), (2,2) and (1,1)";
    EXPECT_EQ(every.cells().size(), 4u);
    EXPECT_EQ(std::as_const(kept).at(0, 1).pixelID, 0) << "a cell left out reads as an empty one";
    EXPECT_EQ(kept.find(0, 1), nullptr) << "and reading it keeps nothing";
    EXPECT_EQ(std::as_const(kept).at(0, 0).pixelID, 11);
    EXPECT_DOUBLE_EQ(std::as_const(kept).at(0, 0).WES1, 0.75);
    EXPECT_EQ(std::as_const(kept).at(0, 0).country, "");
    EXPECT_EQ(std::as_const(kept).at(0, 0).subclassification, "");
    EXPECT_EQ(every.at(0, 0).country, "Auenland");
    EXPECT_EQ(std::as_const(kept).at(1, 1).pixelID, 15);
    EXPECT_EQ(std::as_const(kept).at(2, 2).pixelID, 16);
    EXPECT_EQ(std::as_const(kept).at(2, 2).land_use_type, "1");
    // A row of a cell whose earlier row was left out starts afresh: no
    // grassland-type values of that row linger (the raster of every cell
    // keeps them, as the row has none of its own).
    EXPECT_DOUBLE_EQ(std::as_const(kept).at(1, 1).WES1, 0.0);
    EXPECT_DOUBLE_EQ(every.at(1, 1).WES1, 0.75);
    // Every number of any other kept cell is that of the raster of every cell.
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            const PixelRecord* k = kept.find(i, j);
            if (!k || (i == 1 && j == 1)) continue;
            const PixelRecord& e = every.at(i, j);
            EXPECT_EQ(k->pixelID, e.pixelID);
            EXPECT_EQ(k->land_use_type, e.land_use_type);
            EXPECT_EQ(k->growth_start, e.growth_start);
            EXPECT_DOUBLE_EQ(k->WES1, e.WES1);
            EXPECT_EQ(k->quantity1, e.quantity1);
            EXPECT_DOUBLE_EQ(k->wet, e.wet);
            EXPECT_EQ(k->x_coordinate, e.x_coordinate);
        }
    }

    // Read in pages of any size, from one row to more than there are, the
    // load gives the same cells, in the same order, with the same last row
    // of each cell, a row left out on one page coming again on another.
    for (const long long page : {1LL, 2LL, 5LL, 6LL, 7LL}) {
        for (const bool keep_some : {false, true}) {
            PixelLoad paged = keep_some ? load : PixelLoad{};
            paged.page_rows = page;
            PixelRaster raster(3, 3);
            load_pixels(*db, 9, raster, paged);
            const PixelRaster& whole = keep_some ? kept : every;
            ASSERT_EQ(raster.cells().size(), whole.cells().size()) << "page " << page;
            for (std::size_t c = 0; c < raster.cells().size(); ++c) {
                EXPECT_EQ(raster.cells()[c].pixelID, whole.cells()[c].pixelID) << "page " << page;
                EXPECT_EQ(raster.cells()[c].land_use_type, whole.cells()[c].land_use_type) << "page " << page;
                EXPECT_DOUBLE_EQ(raster.cells()[c].WES1, whole.cells()[c].WES1) << "page " << page;
            }
        }
    }
}

}  // namespace
}  // namespace pravel
