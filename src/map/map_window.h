#pragma once
// A map window as a planner reads it: the map through a viewport (cells as
// blocks at the scale chosen, the landscape muted under results), a scale bar
// in metres below it, and beside the map a column with what is shown, the legends with
// a colour box before each label, and the measures described. The desktop
// views and the command-line tool draw the same window.
#include <optional>
#include <string>
#include <vector>

#include "map/map_canvas.h"
#include "map/map_picture.h"
#include "map/map_render.h"

namespace pravel {

// Width of the column right of the map and the height of one of its lines.
inline constexpr int kLegendColumnWidth = 330;
inline constexpr int kLegendLineHeight = 20;
// Description lines are wrapped after about this many characters to stay
// inside the column.
inline constexpr std::size_t kLegendWrapLength = 44;
// Height of the strip below the map that holds the scale bar.
inline constexpr int kScaleBarHeight = 36;

struct WindowSize {
    int width = 0;
    int height = 0;
};

// The lines of the column right of the map, top to bottom.
struct ColumnLine {
    enum class Kind { Heading, Title, Entry, Text, Gap } kind;
    std::string text;
    Colour swatch{};  // Entry only
};
std::vector<ColumnLine> legend_column(const MapScene& scene);
// Height of that column drawn whole, margins included.
int legend_column_height(const MapScene& scene);

// Size of the whole window for a map area of the viewport's size (the scale
// bar below it, the column right of it), and the map area left for a window
// of a given size.
WindowSize map_window_size(const MapScene& scene, const MapViewport& viewport);
WindowSize map_area_size(int window_width, int window_height);

// Draws the window: the map area at the top-left corner, the column right
// of it. A column taller than the window is scrolled: `column_offset` pixels
// of it are above the window's top and not drawn.
void draw_map_window(const MapScene& scene, const MapViewport& viewport, MapCanvas& canvas, int column_offset = 0);

// A scale bar of a round length (1, 2 or 5 times a power of ten metres) no
// longer than `max_pixels` at the given scale.
struct ScaleBar {
    double metres = 0;
    int pixels = 0;
    std::string label;  // "500 m", "2 km"
};
std::optional<ScaleBar> scale_bar(double cell_size_m, double scale, int max_pixels = 160);

// The status line for the screen point (x, y) of the map area: row, column,
// coordinates and the value of the layer shown, and on result cells the
// measure, quality and payment - cost. Empty when no cell is there.
std::string describe_cell(const MapScene& scene, const MapViewport& viewport, double x, double y);

}  // namespace pravel
