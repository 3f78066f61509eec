#pragma once
// A map drawn once and shown many times: the picture records what a repaint
// draws (cells, outline, texts) in the repaint's own coordinates, with what
// the rows said about each cell, and draws it again through a viewport, at any
// scale and over any visible window, without asking the database again.
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "map/map_canvas.h"
#include "map/cell_facts.h"

namespace pravel {

// The rectangle covered by the map (cells and outline) in picture
// coordinates; a cell at (x, y) covers [x, x + 1) x [y, y + 1).
struct PictureBounds {
    int left = 0;
    int top = 0;
    int right = 0;   // exclusive
    int bottom = 0;  // exclusive
    int width() const { return right - left; }
    int height() const { return bottom - top; }
};

// How a picture is shown: `scale` screen pixels per picture pixel (one raster
// cell), the picture point at the window's top-left corner, and the size of
// the visible window in screen pixels.
struct MapViewport {
    double scale = 1;
    double left = 0;
    double top = 0;
    int width = 0;
    int height = 0;

    double screen_x(double picture_x) const { return (picture_x - left) * scale; }
    double screen_y(double picture_y) const { return (picture_y - top) * scale; }
    double picture_x(double screen) const { return left + screen / scale; }
    double picture_y(double screen) const { return top + screen / scale; }
};

// Zoom limits of the views: from a whole area on a small screen to a few
// cells filling it.
inline constexpr double kMinScale = 0.05;
inline constexpr double kMaxScale = 64;

// The viewport of `width` x `height` pixels that shows the bounds whole, as
// large as it fits, centred.
MapViewport fit_viewport(const PictureBounds& bounds, int width, int height);
// A viewport at a given scale that shows the bounds whole from their top-left
// corner, as large as the bounds at that scale.
MapViewport scaled_viewport(const PictureBounds& bounds, double scale);
// The viewport zoomed by `factor` (within the limits) so that the picture
// point under the screen point (x, y) stays under it.
MapViewport zoom_viewport(const MapViewport& viewport, double factor, double x, double y);
// The viewport moved so that the picture follows a drag by (dx, dy) pixels.
MapViewport pan_viewport(const MapViewport& viewport, int dx, int dy);

class MapPicture : public MapCanvas {
public:
    struct Cell {
        int x;
        int y;
        Colour colour;
        Part part;
    };
    struct Line {
        int x0, y0, x1, y1;
    };
    struct Text {
        int x;
        int y;
        Colour colour;
        std::string text;
    };

    void paint_pixel(int x, int y, Colour colour) override;
    void set_text_colour(Colour colour) override { text_colour_ = colour; }
    void text(int x, int y, const std::string& text) override { texts_.push_back({x, y, text_colour_, text}); }
    void line_to(int x, int y) override;
    void move_to(int x, int y) override { pen_x_ = x, pen_y_ = y; }
    void begin_part(Part part) override { part_ = part; }

    // Merges what a row said about a raster cell into its facts.
    void note(const CellFacts& facts);
    // The facts of the raster cell under a picture point; null when no row
    // painted it.
    const CellFacts* facts_at(double picture_x, double picture_y) const;

    const std::vector<Cell>& cells() const { return cells_; }
    const std::vector<Line>& lines() const { return lines_; }
    const std::vector<Text>& texts() const { return texts_; }
    // Bounds of the cells and the outline; none for an empty map.
    std::optional<PictureBounds> bounds() const;
    bool has_part(Part part) const;

    // Draws the cells as blocks (never smoothed) and the outline through the
    // viewport onto the canvas, with the window's top-left corner at (x0, y0);
    // nothing outside the window is drawn. `mute_landscape` draws the
    // landscape lighter, so that results on it stand out.
    void draw(const MapViewport& viewport, MapCanvas& canvas, bool mute_landscape, int x0 = 0, int y0 = 0) const;

private:
    void extend(int x, int y, int right, int bottom);

    std::vector<Cell> cells_;
    std::vector<Line> lines_;
    std::vector<Text> texts_;
    std::unordered_map<std::int64_t, CellFacts> facts_;
    Colour text_colour_ = kBlack;
    Part part_ = Part::Landscape;
    int pen_x_ = 0;
    int pen_y_ = 0;
    std::optional<PictureBounds> bounds_;
};

}  // namespace pravel
