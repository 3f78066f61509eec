#include "cli/map_command.h"

#include <QGuiApplication>
#include <QString>

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <vector>

#include "map/map_data_set.h"
#include "map/map_render.h"
#include "map/map_window.h"
#include "common/number_format.h"
#include "map/qt/qimage_export.h"
#include "map/qt/qt_image_canvas.h"

namespace pravel::cli {

namespace {

struct ArgumentError {
    std::string text;
};

std::string lower_extension(const std::string& path) {
    const auto slash = path.find_last_of('/');
    const auto dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
    std::string ext = path.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    return ext;
}

void check_layer(const std::optional<int>& layer, const std::vector<int>& allowed, const char* what) {
    if (!layer || std::find(allowed.begin(), allowed.end(), *layer) != allowed.end()) return;
    std::string list;
    for (int a : allowed) list += (list.empty() ? "" : ", ") + std::to_string(a);
    throw ArgumentError{std::string(what) + " " + std::to_string(*layer) + " is not one of " + list};
}

template <typename T>
int position_of(const std::vector<T>& list, const T& value) {
    const auto it = std::find(list.begin(), list.end(), value);
    return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

// The options a freshly opened configuration map panel would hold after the
// user's choices of the command line.
MapOptions configuration_options(const MapCommand& c) {
    MapOptions o = configuration_map_initial_options();
    check_layer(c.general_layer, {1, 2, 4, 5, 10}, "general layer");
    check_layer(c.result_layer, {7, 8, 9}, "result layer");
    if (c.measure) throw ArgumentError{"--measure belongs to the result view"};
    if (c.general_layer) o.general_layer = *c.general_layer;
    if (c.result_layer) o.result_layer = *c.result_layer;
    o.draw_general = !c.only_results;
    if (!c.configuration_id && !c.species) return o;

    MapDataSet ds;
    ds.load_configurations();
    ds.load_configuration_species();
    if (c.configuration_id) {
        int index = -1;
        for (int k = 0; k < ds.configuration_count(); ++k)
            if (ds.configurations()[k].configurationID == *c.configuration_id) index = k;
        if (index < 0) throw ArgumentError{"no configuration " + std::to_string(*c.configuration_id) + " is stored"};
        o.selected_list_index = index;
    }
    if (c.species) {
        std::vector<std::string> names;
        for (const auto& s : ds.configuration_species(o.selected_list_index)) names.push_back(s.name);
        const int index = position_of(names, *c.species);
        if (index < 0) throw ArgumentError{"the configuration has no results for species \"" + *c.species + "\""};
        o.selected_species_index = index;
    }
    return o;
}

MapOptions result_options(const MapCommand& c) {
    MapOptions o = result_map_initial_options();
    check_layer(c.general_layer, {1, 2, 4, 5, 10}, "general layer");
    check_layer(c.result_layer, {7, 9, 11}, "result layer");
    if (c.configuration_id) throw ArgumentError{"--configuration belongs to the configuration view"};
    if (c.general_layer) o.general_layer = *c.general_layer;
    if (c.result_layer) o.result_layer = *c.result_layer;
    o.draw_general = !c.only_results;
    if (!c.measure && !c.species) return o;

    MapDataSet ds;
    ds.load_result_measures();
    ds.load_result_species();
    if (c.measure) {
        if (*c.measure == "all") {
            o.all_measures = true;
        } else {
            char* end = nullptr;
            const long id = std::strtol(c.measure->c_str(), &end, 10);
            if (c.measure->empty() || *end != '\0') throw ArgumentError{"--measure takes an identifier or \"all\""};
            const int index = position_of(ds.result_measures(), static_cast<int>(id));
            if (index < 0) throw ArgumentError{"the result table holds no rows of measure " + *c.measure};
            o.selected_list_index = index;
        }
    }
    if (c.species) {
        const int index = position_of(ds.result_species(), *c.species);
        if (index < 0) throw ArgumentError{"the result table holds no rows of species \"" + *c.species + "\""};
        o.selected_species_index = index;
    }
    return o;
}

// The map area of --fit ("WIDTHxHEIGHT", each 1 to 20000 pixels).
std::pair<int, int> fit_size(const std::string& text) {
    const auto x = text.find_first_of("xX");
    const auto number = [&](const std::string& part) {
        char* end = nullptr;
        const long v = std::strtol(part.c_str(), &end, 10);
        if (part.empty() || *end != '\0' || v < 1 || v > 20000) throw ArgumentError{"--fit takes WIDTHxHEIGHT in pixels, e.g. 1200x800"};
        return static_cast<int>(v);
    };
    if (x == std::string::npos) number("");
    return {number(text.substr(0, x)), number(text.substr(x + 1))};
}

// The map as a map window shows it: cells as blocks at the scale asked for
// (or fitted into the size asked for), the legends with their colour boxes
// beside it.
QImage map_window_image(const MapCommand& c, MapOptions& options, RememberedSelection& selection, PanelLists& panel,
                        RenderOutcome& outcome) {
    MapScene scene = c.view == "configuration" ? render_configuration_scene(options, selection, panel)
                                               : render_result_scene(options, selection, panel);
    outcome = scene.outcome;
    const PictureBounds bounds = scene.picture.bounds().value_or(PictureBounds{0, 0, 1, 1});
    MapViewport viewport;
    if (c.fit) {
        const auto [w, h] = fit_size(*c.fit);
        viewport = fit_viewport(bounds, w, h);
    } else {
        viewport = scaled_viewport(bounds, *c.scale);
    }
    const WindowSize size = map_window_size(scene, viewport);
    QtImageCanvas canvas(size.width, size.height);
    draw_map_window(scene, viewport, canvas);
    return canvas.image().copy(0, 0, size.width, size.height);
}

}  // namespace

int run_map_command(const MapCommand& c, int argc, char** argv) {
    const std::string ext = lower_extension(c.out);
    if (ext != "png" && ext != "bmp") {
        std::cerr << "pravel-cli: the image file must end in .png or .bmp\n";
        return 2;
    }
    // Texts need a GUI application; without a display it draws offscreen.
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY") && !std::getenv("QT_QPA_PLATFORM"))
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);

    MapOptions options;
    try {
        if (c.scale && c.fit) throw ArgumentError{"give --scale or --fit, not both"};
        if (c.scale && !(*c.scale >= kMinScale && *c.scale <= kMaxScale))
            throw ArgumentError{"--scale takes a number from " + format_number(kMinScale) + " to " +
                                format_number(kMaxScale)};
        if (c.fit) fit_size(*c.fit);
        options = c.view == "configuration" ? configuration_options(c) : result_options(c);
    } catch (const ArgumentError& e) {
        std::cerr << "pravel-cli: " << e.text << '\n';
        return 2;
    }
    // As a newly opened view: the remembered selection starts at the top.
    RememberedSelection selection;
    PanelLists panel;
    RenderOutcome outcome;
    QImage image;
    if (c.scale || c.fit) {
        image = map_window_image(c, options, selection, panel, outcome);
    } else {
        QtImageCanvas canvas;
        outcome = c.view == "configuration" ? render_configuration_map(options, selection, panel, canvas)
                                            : render_result_map(options, selection, panel, canvas);
        image = canvas.image();
    }
    for (const auto& notice : outcome.notices) std::cerr << "pravel-cli: " << notice << '\n';
    // A bitmap is written at 24 bits, the depth of the drawn image.
    const ImageExportResult written =
        export_map_image(image, c.out, ext == "bmp" ? ImageFileType::Bitmap : ImageFileType::Png, 24);
    if (!written.ok) {
        std::cerr << "pravel-cli: " << written.error << '\n';
        return 1;
    }
    return 0;
}

}  // namespace pravel::cli
