#include "map/map_picture.h"

#include <algorithm>
#include <cmath>

#include "map/map_data_set.h"
#include "map/map_legend.h"

namespace pravel {

namespace {

std::int64_t cell_key(int row, int column) {
    return (static_cast<std::int64_t>(row) << 32) ^ static_cast<std::uint32_t>(column);
}

double clamp_scale(double scale) { return std::clamp(scale, kMinScale, kMaxScale); }

// Clips the segment to [0, w] x [0, h] (Liang-Barsky); false when nothing of
// it is inside.
bool clip(double& x0, double& y0, double& x1, double& y1, double w, double h) {
    double t0 = 0, t1 = 1;
    const double dx = x1 - x0, dy = y1 - y0;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {x0, w - x0, y0, h - y0};
    for (int k = 0; k < 4; ++k) {
        if (p[k] == 0) {
            if (q[k] < 0) return false;
            continue;
        }
        const double t = q[k] / p[k];
        if (p[k] < 0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
        if (t0 > t1) return false;
    }
    const double ax = x0 + t0 * dx, ay = y0 + t0 * dy;
    x1 = x0 + t1 * dx;
    y1 = y0 + t1 * dy;
    x0 = ax;
    y0 = ay;
    return true;
}

}  // namespace

MapViewport fit_viewport(const PictureBounds& b, int width, int height) {
    MapViewport v;
    v.width = width;
    v.height = height;
    if (b.width() <= 0 || b.height() <= 0 || width <= 0 || height <= 0) return v;
    v.scale = clamp_scale(std::min(static_cast<double>(width) / b.width(), static_cast<double>(height) / b.height()));
    // Centred: the spare room is shared on both sides.
    v.left = b.left - (width / v.scale - b.width()) / 2;
    v.top = b.top - (height / v.scale - b.height()) / 2;
    return v;
}

MapViewport scaled_viewport(const PictureBounds& b, double scale) {
    MapViewport v;
    v.scale = clamp_scale(scale);
    v.left = b.left;
    v.top = b.top;
    v.width = std::max(1, static_cast<int>(std::ceil(b.width() * v.scale)));
    v.height = std::max(1, static_cast<int>(std::ceil(b.height() * v.scale)));
    return v;
}

MapViewport zoom_viewport(const MapViewport& v, double factor, double x, double y) {
    MapViewport z = v;
    z.scale = clamp_scale(v.scale * factor);
    // The picture point under (x, y) before and after is the same.
    z.left = v.picture_x(x) - x / z.scale;
    z.top = v.picture_y(y) - y / z.scale;
    return z;
}

MapViewport pan_viewport(const MapViewport& v, int dx, int dy) {
    MapViewport p = v;
    p.left -= dx / v.scale;
    p.top -= dy / v.scale;
    return p;
}

void MapPicture::extend(int x, int y, int right, int bottom) {
    if (!bounds_) {
        bounds_ = PictureBounds{x, y, right, bottom};
        return;
    }
    bounds_->left = std::min(bounds_->left, x);
    bounds_->top = std::min(bounds_->top, y);
    bounds_->right = std::max(bounds_->right, right);
    bounds_->bottom = std::max(bounds_->bottom, bottom);
}

void MapPicture::paint_pixel(int x, int y, Colour colour) {
    cells_.push_back({x, y, colour, part_});
    extend(x, y, x + 1, y + 1);
}

void MapPicture::line_to(int x, int y) {
    lines_.push_back({pen_x_, pen_y_, x, y});
    extend(std::min(x, pen_x_), std::min(y, pen_y_), std::max(x, pen_x_) + 1, std::max(y, pen_y_) + 1);
    pen_x_ = x;
    pen_y_ = y;
}

void MapPicture::note(const CellFacts& f) {
    CellFacts& known = facts_.try_emplace(cell_key(f.row, f.column), CellFacts{f.row, f.column}).first->second;
    if (f.x_coordinate) known.x_coordinate = f.x_coordinate;
    if (f.y_coordinate) known.y_coordinate = f.y_coordinate;
    if (f.layer_value) known.layer_value = f.layer_value;
    if (f.measureID) known.measureID = f.measureID;
    if (f.quality) known.quality = f.quality;
    if (f.benefit) known.benefit = f.benefit;
}

const CellFacts* MapPicture::facts_at(double picture_x, double picture_y) const {
    const int column = static_cast<int>(std::floor(picture_x)) - RASTER_OFFSET;
    const int row = static_cast<int>(std::floor(picture_y)) - RASTER_OFFSET;
    const auto it = facts_.find(cell_key(row, column));
    return it == facts_.end() ? nullptr : &it->second;
}

std::optional<PictureBounds> MapPicture::bounds() const { return bounds_; }

bool MapPicture::has_part(Part part) const {
    return std::any_of(cells_.begin(), cells_.end(), [part](const Cell& c) { return c.part == part; });
}

void MapPicture::draw(const MapViewport& v, MapCanvas& canvas, bool mute_landscape, int x0, int y0) const {
    for (const Cell& c : cells_) {
        // The block's edges are where the cell's edges fall on the screen;
        // below one pixel per cell a cell still takes one pixel.
        const int a = static_cast<int>(std::floor(v.screen_x(c.x)));
        const int top = static_cast<int>(std::floor(v.screen_y(c.y)));
        const int b = std::max(a + 1, static_cast<int>(std::floor(v.screen_x(c.x + 1))));
        const int bottom = std::max(top + 1, static_cast<int>(std::floor(v.screen_y(c.y + 1))));
        const int l = std::max(a, 0), t = std::max(top, 0);
        const int r = std::min(b, v.width), btm = std::min(bottom, v.height);
        if (l >= r || t >= btm) continue;
        const Colour colour = mute_landscape && c.part == Part::Landscape ? muted(c.colour) : c.colour;
        canvas.fill_rect(x0 + l, y0 + t, r - l, btm - t, colour);
    }
    // The outline runs through the centres of the cells its points name.
    for (const Line& line : lines_) {
        double ax = v.screen_x(line.x0 + 0.5), ay = v.screen_y(line.y0 + 0.5);
        double bx = v.screen_x(line.x1 + 0.5), by = v.screen_y(line.y1 + 0.5);
        if (!clip(ax, ay, bx, by, v.width - 1, v.height - 1)) continue;
        canvas.move_to(x0 + static_cast<int>(std::lround(ax)), y0 + static_cast<int>(std::lround(ay)));
        canvas.line_to(x0 + static_cast<int>(std::lround(bx)), y0 + static_cast<int>(std::lround(by)));
    }
}

}  // namespace pravel
