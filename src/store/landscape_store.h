#pragma once
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
// study area's raster reference.
class PixelRaster {
public:
    PixelRaster() = default;
    PixelRaster(int rows, int columns)
        : rows_(rows > 0 ? rows : 0), columns_(columns > 0 ? columns : 0),
          cells_(static_cast<std::size_t>(rows_) * static_cast<std::size_t>(columns_)) {}
    explicit PixelRaster(const RasterReference& ref) : PixelRaster(ref.number_of_rows, ref.number_of_columns) {}

    int rows() const { return rows_; }
    int columns() const { return columns_; }
    bool contains(int i, int j) const { return i >= 0 && j >= 0 && i < rows_ && j < columns_; }
    PixelRecord& at(int i, int j) { return cells_[static_cast<std::size_t>(i) * columns_ + j]; }
    const PixelRecord& at(int i, int j) const { return cells_[static_cast<std::size_t>(i) * columns_ + j]; }
    std::vector<PixelRecord>& cells() { return cells_; }
    const std::vector<PixelRecord>& cells() const { return cells_; }

private:
    int rows_ = 0;
    int columns_ = 0;
    std::vector<PixelRecord> cells_;
};

std::vector<std::string> country_names(DatabaseAccess& db);
int country_id(DatabaseAccess& db, const std::string& name);
// `reference` is returned unchanged when the country has no row.
RasterReference load_raster_reference(DatabaseAccess& db, int country_id, RasterReference reference = {});
// Fills the cells of `raster` for which the country has a pixel row. Rows that
// fall outside the raster are skipped and reported once.
void load_pixels(DatabaseAccess& db, int country_id, PixelRaster& raster);

}  // namespace pravel
