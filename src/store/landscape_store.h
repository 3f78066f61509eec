#pragma once
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace pravel {

class DatabaseAccess;

// Raster geometry of a study area.
struct RasterReference {
    int number_of_rows = 0;
    int number_of_columns = 0;
    double pixel_area_ha = 0.0;  // pixel_lenght_x * pixel_lenght_y / 10000
};

// One raster cell with its site data and the values of its grassland types.
struct PixelRecord {
    std::string country;
    int pixelID = 0;
    double dry = 0.0;
    bool drained = false;
    double fresh = 0.0;
    double wet = 0.0;
    int altitude = 0;
    int x_coordinate = 0;
    int y_coordinate = 0;
    int matrix_i = 0;
    int matrix_j = 0;
    bool forest = false;
    bool settlement = false;
    bool water_inland = false;
    std::string subclassification;
    int mead_past_mow = 0;
    std::string land_use_type;
    int policy_status_grass_cropland = 0;
    int manure_status_grass_cropland = 0;
    int grassland_economic_value = 0;
    int grassland_economic_value_random = 0;
    int cropland_economic_value = 0;
    int cropland_economic_value_random = 0;
    double WES1 = 0.0;
    double WOLA1 = 0.0;
    double WKLA1 = 0.0;
    double WES2 = 0.0;
    double WOLA2 = 0.0;
    double WKLA2 = 0.0;
    int number_of_grassland_types = 0;
    int grasslandtyp1 = 0;
    int grasslandtyp2 = 0;
    bool OHG = false;
    int farmtype = 0;
    int farmhouse_distance = 0;
    double additional_cost = 0.0;
    int quantity1 = 0;
    int energy1 = 0;
    int height1 = 0;
    int quantity2 = 0;
    int energy2 = 0;
    int height2 = 0;
    int fertilization_reduction = 0;
    int countryID = 0;
    int growth_start = 0;
};

// rows x columns cells addressed as (row, column); sizes come from the
// study area's raster reference. Only cells that have been written are kept:
// a load that leaves out the cells nobody uses (PixelLoad::keep) holds just
// those it keeps, and an index of four bytes per cell. A cell never written
// reads as a default PixelRecord.
class PixelRaster {
public:
    PixelRaster() = default;
    PixelRaster(int rows, int columns)
        : rows_(rows > 0 ? rows : 0), columns_(columns > 0 ? columns : 0),
          slot_(static_cast<std::size_t>(rows_) * static_cast<std::size_t>(columns_), kNone) {}
    explicit PixelRaster(const RasterReference& ref) : PixelRaster(ref.number_of_rows, ref.number_of_columns) {}

    int rows() const { return rows_; }
    int columns() const { return columns_; }
    bool contains(int i, int j) const { return i >= 0 && j >= 0 && i < rows_ && j < columns_; }
    // The cell, made (as a default record) when it was not kept yet.
    PixelRecord& at(int i, int j) {
        std::uint32_t& slot = slot_[index(i, j)];
        if (slot == kNone) {
            slot = static_cast<std::uint32_t>(cells_.size());
            cells_.emplace_back();
        }
        return cells_[slot];
    }
    const PixelRecord& at(int i, int j) const {
        const std::uint32_t slot = slot_[index(i, j)];
        return slot == kNone ? empty_cell() : cells_[slot];
    }
    // The kept cell, or null.
    PixelRecord* find(int i, int j) {
        const std::uint32_t slot = slot_[index(i, j)];
        return slot == kNone ? nullptr : &cells_[slot];
    }
    // The kept cells, in the order they were first written.
    std::deque<PixelRecord>& cells() { return cells_; }
    const std::deque<PixelRecord>& cells() const { return cells_; }

private:
    static constexpr std::uint32_t kNone = 0xFFFFFFFFu;
    std::size_t index(int i, int j) const { return static_cast<std::size_t>(i) * columns_ + j; }
    static const PixelRecord& empty_cell();

    int rows_ = 0;
    int columns_ = 0;
    std::vector<std::uint32_t> slot_;
    std::deque<PixelRecord> cells_;  // a deque: references stay valid as cells are added
};

// What a load keeps of the pixel rows.
struct PixelLoad {
    // Whether to keep a cell, asked with the row's values and lookups filled
    // in; empty: every cell.
    std::function<bool(const PixelRecord&)> keep;
    // False: `country` and `subclassification` stay empty (nothing that
    // evaluates reads them).
    bool texts = true;
    // Rows per statement: the rows are read in pages, in the order of their
    // identifiers, so that the driver never holds all rows of a large area.
    long long page_rows = 100000;
};

std::vector<std::string> country_names(DatabaseAccess& db);
int country_id(DatabaseAccess& db, const std::string& name);
// `reference` is returned unchanged when the country has no row.
RasterReference load_raster_reference(DatabaseAccess& db, int country_id, RasterReference reference = {});
// Fills the cells of `raster` for which the country has a pixel row. Rows that
// fall outside the raster are skipped and reported once. A row that `load`
// does not keep is kept only where its cell was kept already (a later row for
// the same cell writes over an earlier one, as in a raster of every cell).
void load_pixels(DatabaseAccess& db, int country_id, PixelRaster& raster, const PixelLoad& load = {});

}  // namespace pravel
