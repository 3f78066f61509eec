#pragma once
#include <ostream>
#include <string>
#include <vector>

namespace pravel::demo {

inline constexpr int kLargeAreaId = 1;
inline constexpr int kSmallAreaId = 2;

// One raster cell of a generated study area, with the values of its `pixel`
// row. Cells outside the area's outline have `inside` false and no row.
struct LandscapeCell {
    bool inside = false;
    int pixel_id = 0;
    int x_coordinate = 0;  // metres
    int y_coordinate = 0;
    bool drained = false;
    double wet = 0.0;  // soil shares, summing to 1
    double fresh = 0.0;
    double dry = 0.0;
    int altitude = 0;  // metres; 0 outside the hills
    int grassland_economic_value = 0;
    int grassland_economic_value_random = 0;
    int cropland_economic_value = 0;
    int cropland_economic_value_random = 0;
    std::string land_use_type;  // "1" cropland, "3"/"4" grassland, "5" forest, "6" settlement, "7" water
    int policy_status = 0;
    int manure_status = 0;  // 0, 1 water-protection zone, 2 no manuring allowed
    int number_of_grassland_types = 0;
    int grasslandtyp1 = 0;
    int grasslandtyp2 = 0;
    bool OHG = false;
    int farmtype = 0;
    int farmhouse_distance = 0;  // class of 500 m steps, 0..12
    int fertilization_reduction = 0;
    std::string subclassification;  // "valley", "terrace", "ridge", "hill", "village", "river"
    bool settlement = false;
    bool forest = false;
    bool water_inland = false;
    int mead_past_mow = 0;  // 0 meadow, 1 pasture, 2 mowing pasture
};

struct ContourPoint {
    int x = 0;  // raster column
    int y = 0;  // raster row
};

struct StudyArea {
    int id = 0;
    std::string name;
    int growth_start = 0;
    int rows = 0;
    int columns = 0;
    int pixel_length = 0;  // metres, the same in x and y
    std::vector<LandscapeCell> cells;  // rows x columns, row by row
    std::vector<ContourPoint> contour;  // open polyline, last point equals the first

    const LandscapeCell& at(int i, int j) const { return cells[static_cast<std::size_t>(i) * columns + j]; }
    LandscapeCell& at(int i, int j) { return cells[static_cast<std::size_t>(i) * columns + j]; }
};

// True for the cells the evaluation looks at: grassland ("3", "4") with an
// economic value of at least 15, some soil moisture share and a manure status
// other than 2.
bool evaluable_grassland(const LandscapeCell& cell);

// Builds the study area kLargeAreaId or kSmallAreaId; the same every time.
StudyArea build_study_area(int id);

// Writes the two study areas (country, matrix_referenz, pixel, contour), the
// grassland types their pixels refer to (grasslandtype) and the
// farmhouse-distance costs (cost_for_farmhouse_distance).
void write_landscape(std::ostream& sql);

}  // namespace pravel::demo
