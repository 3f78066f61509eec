#include "store/zone_store.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "support/test_database.h"

namespace pravel {
namespace {

class ZoneStoreTest : public testing::DatabaseTest {};

TEST_F(ZoneStoreTest, ZonePaymentsRoundTripWithQuotedNames) {
    auto db = connect();
    std::vector<ZonePaymentRow> rows{{0, 265, "column subclassification", "valley", 45.25, 120, 97.2},
                                     {0, 265, "column subclassification", "O'Brien's field", 0.0, 0, 0.0},
                                     {0, 267, "grid 2x2", "r1c2", 53.5, 7, 5.67}};
    store_zone_payments(*db, 1234, rows);
    store_zone_payments(*db, 99, {{0, 1, "grid 1x1", "r1c1", 1.0, 1, 1.0}});
    const std::vector<ZonePaymentRow> back = load_zone_payments(*db, 1234);
    ASSERT_EQ(back.size(), 3u);
    for (std::size_t i = 0; i < back.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(back[i].configurationID, 1234);
        EXPECT_EQ(back[i].measureID, rows[i].measureID);
        EXPECT_EQ(back[i].zoning, rows[i].zoning);
        EXPECT_EQ(back[i].zone, rows[i].zone);
        EXPECT_DOUBLE_EQ(back[i].payment, rows[i].payment);
        EXPECT_EQ(back[i].participants, rows[i].participants);
        EXPECT_DOUBLE_EQ(back[i].area, rows[i].area);
    }
    EXPECT_TRUE(load_zone_payments(*db, 5).empty());
}

// The zone cells of a run come back as stored (cells in no zone too, names
// quoted); a run without them, or with runs that leave the raster, gives none.
TEST_F(ZoneStoreTest, ZoneCellsRoundTripAndMalformedOnesAreNone) {
    auto db = connect();
    const ZoneCells cells{2, 3, {"O'Brien's field", "r1c2"}, {0, 0, -1, 1, 1, 0}};
    store_zone_cells(*db, 1234, cells);
    store_zone_cells(*db, 1234, cells);  // replaces, does not add
    const auto back = load_zone_cells(*db, 1234);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->rows, 2);
    EXPECT_EQ(back->columns, 3);
    EXPECT_EQ(back->names, cells.names);
    EXPECT_EQ(back->cell_zone, cells.cell_zone);
    EXPECT_FALSE(load_zone_cells(*db, 5));

    const struct {
        const char* runs;
        bool ok;
    } cases[] = {{"0:2 5:1", true}, {"", true}, {"4:3", false}, {"2", false}, {"1:0", false}, {"x:1", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.runs);
        std::vector<int> zone(6, -1);
        EXPECT_EQ(decode_zone_runs(c.runs, 1, zone), c.ok);
        if (c.ok) {
            EXPECT_EQ(encode_zone_runs(zone, 1), c.runs);
        }
    }
    // Long runs are stored in pieces, which give the same cells back.
    const std::vector<int> stripes{1, 0, 1, 1, 0, 1, 0, 0, 1, 1, 1, 0};
    for (std::size_t most : {1u, 5u, 8u, 100u}) {
        SCOPED_TRACE(most);
        std::vector<int> back(stripes.size(), 0);
        const auto pieces = zone_run_chunks(stripes, 1, most);
        for (const std::string& piece : pieces) {
            EXPECT_TRUE(piece.size() <= most || piece.find(' ') == std::string::npos) << piece;
            EXPECT_TRUE(decode_zone_runs(piece, 1, back)) << piece;
        }
        EXPECT_EQ(back, stripes);
        EXPECT_EQ(pieces.size() == 1, most >= encode_zone_runs(stripes, 1).size());
    }
    schema().exec("UPDATE configuration_zone_cells SET cells = '5:9' WHERE configurationID = 1234");
    EXPECT_FALSE(load_zone_cells(*db, 1234));

    // A database set up before the cells were kept has no table for them:
    // nothing to draw, and no failure.
    std::string zoning = "stale";
    store_map_zone_cells(*db, "grid 1x2", cells);
    EXPECT_TRUE(load_map_zone_cells(*db, zoning));
    EXPECT_EQ(zoning, "grid 1x2");
    schema().exec("RENAME TABLE visualisation_zone_cells TO visualisation_zone_cells_aside");
    EXPECT_FALSE(load_map_zone_cells(*db, zoning));
    EXPECT_EQ(zoning, "");
    schema().exec("RENAME TABLE visualisation_zone_cells_aside TO visualisation_zone_cells");
}

TEST_F(ZoneStoreTest, OnlyTextAndIntegerPixelColumnsAreReadAsZones) {
    auto db = connect();
    schema().exec("INSERT INTO pixel (pixelID, countryID, matrix_i, matrix_j, subclassification, farmtype) VALUES "
                  "(1, 7, 0, 1, 'valley', 3), (2, 7, 1, 0, 'ridge', 4), (3, 8, 0, 0, 'other', 5)");
    const auto values = load_pixel_column(*db, 7, "subclassification");
    ASSERT_EQ(values.size(), 2u);
    EXPECT_EQ(values[0].row, 0);
    EXPECT_EQ(values[0].column, 1);
    EXPECT_EQ(values[0].value, "valley");
    EXPECT_EQ(values[1].value, "ridge");
    EXPECT_EQ(load_pixel_column(*db, 7, "farmtype")[1].value, "4");
    // A name that is no such column (or a share column, or an attempt at
    // more SQL) is refused before any statement is sent.
    const std::size_t before = sent().size();
    for (const char* bad : {"wet", "no_such", "subclassification` FROM pixel; --", "pixelID"}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(zone_column_usable(bad));
        EXPECT_THROW(load_pixel_column(*db, 7, bad), std::invalid_argument);
    }
    EXPECT_EQ(sent().size(), before);
}

}  // namespace
}  // namespace pravel
