#include "map/map_window.h"

#include <algorithm>
#include <cmath>

#include "common/number_format.h"

namespace pravel {

namespace {

constexpr int kColumnGap = 12;    // between the map and the column
constexpr int kSwatchSize = 14;
constexpr int kSwatchGap = 6;
constexpr int kTopMargin = 8;
constexpr Colour kSwatchBorder{90, 90, 90};

void frame(MapCanvas& canvas, int x, int y, int w, int h, Colour colour) {
    canvas.fill_rect(x, y, w, 1, colour);
    canvas.fill_rect(x, y + h - 1, w, 1, colour);
    canvas.fill_rect(x, y, 1, h, colour);
    canvas.fill_rect(x + w - 1, y, 1, h, colour);
}

// Breaks a line at blanks into pieces of at most about `length` characters
// (a longer word stays whole); the pieces after the first are indented.
std::vector<std::string> wrapped(std::string rest, std::size_t length) {
    std::vector<std::string> out;
    const std::string indent = "    ";
    while (rest.size() > length) {
        std::size_t cut = rest.rfind(' ', length);
        if (cut == std::string::npos || cut <= indent.size()) cut = rest.find(' ', length);
        if (cut == std::string::npos) break;
        const std::size_t next = rest.find_first_not_of(' ', cut);
        out.push_back(rest.substr(0, cut));
        if (next == std::string::npos) return out;
        rest = indent + rest.substr(next);
    }
    out.push_back(rest);
    return out;
}

// Below the map area, so that it hides nothing of the map.
void draw_scale_bar(const MapScene& scene, const MapViewport& v, MapCanvas& canvas) {
    if (!scene.cell_size_m) return;
    const auto bar = scale_bar(*scene.cell_size_m, v.scale, std::min(160, v.width - 20));
    if (!bar) return;
    const int x = 10, y = v.height + kScaleBarHeight - 12;
    canvas.fill_rect(x, y, bar->pixels, 4, kBlack);
    canvas.fill_rect(x, y - 5, 1, 9, kBlack);
    canvas.fill_rect(x + bar->pixels - 1, y - 5, 1, 9, kBlack);
    canvas.set_text_colour(kBlack);
    canvas.text(x + bar->pixels + 8, y - 8, bar->label);
}

}  // namespace

std::vector<ColumnLine> legend_column(const MapScene& scene) {
    std::vector<ColumnLine> lines;
    for (const auto& h : scene.heading) lines.push_back({ColumnLine::Kind::Heading, h});
    for (const auto& legend : scene.legends) {
        lines.push_back({ColumnLine::Kind::Gap, ""});
        lines.push_back({ColumnLine::Kind::Title, legend.title});
        for (const auto& e : legend.entries) lines.push_back({ColumnLine::Kind::Entry, e.label, e.colour});
    }
    if (!scene.description.empty()) lines.push_back({ColumnLine::Kind::Gap, ""});
    for (const auto& d : scene.description)
        for (auto& piece : wrapped(d, kLegendWrapLength)) lines.push_back({ColumnLine::Kind::Text, piece});
    if (!scene.outcome.notices.empty()) lines.push_back({ColumnLine::Kind::Gap, ""});
    for (const auto& n : scene.outcome.notices)
        for (auto& piece : wrapped(n, kLegendWrapLength)) lines.push_back({ColumnLine::Kind::Text, piece});
    return lines;
}

int legend_column_height(const MapScene& scene) {
    return kTopMargin + kLegendLineHeight * static_cast<int>(legend_column(scene).size()) + kTopMargin;
}

WindowSize map_window_size(const MapScene& scene, const MapViewport& v) {
    return {v.width + kColumnGap + kLegendColumnWidth, std::max(v.height + kScaleBarHeight, legend_column_height(scene))};
}

WindowSize map_area_size(int window_width, int window_height) {
    return {std::max(1, window_width - kColumnGap - kLegendColumnWidth), std::max(1, window_height - kScaleBarHeight)};
}

void draw_map_window(const MapScene& scene, const MapViewport& v, MapCanvas& canvas, int column_offset) {
    scene.picture.draw(v, canvas, scene.muted_background);
    draw_scale_bar(scene, v, canvas);

    const int x = v.width + kColumnGap;
    canvas.fill_rect(0, v.height, v.width, 1, kSwatchBorder);
    canvas.fill_rect(x - kColumnGap / 2, 0, 1, v.height + kScaleBarHeight, kSwatchBorder);
    int y = kTopMargin - std::max(0, column_offset);
    for (const auto& line : legend_column(scene)) {
        // Lines scrolled above the top are left out whole rather than cut.
        if (y < 0) {
            y += kLegendLineHeight;
            continue;
        }
        canvas.set_text_colour(kBlack);
        switch (line.kind) {
            case ColumnLine::Kind::Entry:
                // A box of the class colour, framed so that light colours
                // show on white, then the label in black.
                canvas.fill_rect(x, y + 3, kSwatchSize, kSwatchSize, line.swatch);
                frame(canvas, x, y + 3, kSwatchSize, kSwatchSize, kSwatchBorder);
                canvas.text(x + kSwatchSize + kSwatchGap, y, line.text);
                break;
            case ColumnLine::Kind::Gap:
                break;
            default:
                canvas.text(x, y, line.text);
                break;
        }
        y += kLegendLineHeight;
    }
}

std::optional<ScaleBar> scale_bar(double cell_size_m, double scale, int max_pixels) {
    if (!(cell_size_m > 0) || !(scale > 0) || max_pixels <= 0) return std::nullopt;
    const double metres_per_pixel = cell_size_m / scale;
    const double longest = metres_per_pixel * max_pixels;
    double step = std::pow(10.0, std::floor(std::log10(longest)));
    double metres = step;
    for (double f : {5.0, 2.0, 1.0})
        if (f * step <= longest) {
            metres = f * step;
            break;
        }
    ScaleBar bar;
    bar.metres = metres;
    bar.pixels = std::max(1, static_cast<int>(std::lround(metres / metres_per_pixel)));
    bar.label = metres >= 1000 ? format_number(metres / 1000) + " km" : format_number(metres) + " m";
    return bar;
}

std::string describe_cell(const MapScene& scene, const MapViewport& v, double x, double y) {
    if (x < 0 || y < 0 || x >= v.width || y >= v.height) return {};
    const CellFacts* f = scene.picture.facts_at(v.picture_x(x), v.picture_y(y));
    if (!f) return {};
    std::string s = "row " + format_number(f->row) + ", column " + format_number(f->column);
    if (f->x_coordinate && f->y_coordinate)
        s += ", x " + format_number(*f->x_coordinate) + ", y " + format_number(*f->y_coordinate);
    if (f->layer_value && !scene.landscape_title.empty())
        s += "; " + scene.landscape_title + " " + format_number(*f->layer_value);
    if (f->measureID) {
        s += "; measure " + format_number(*f->measureID);
        if (f->quality) s += ", quality " + format_number(*f->quality);
        if (f->benefit) s += ", payment - cost " + format_number(*f->benefit) + " Euro pro ha";
    }
    return s;
}

}  // namespace pravel
