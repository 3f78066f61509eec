#pragma once
// The two map repaints as functions of the panel's options, the remembered
// selection and a canvas, so that they run without windows: the views call
// them on every repaint, the command-line tool once into an image.
#include <string>
#include <vector>

#include "map/map_canvas.h"
#include "map/map_legend.h"
#include "map/map_picture.h"
#include "store/database_access.h"

namespace pravel {

// The option state behind one map panel.
struct MapOptions {
    int general_layer = 0;           // landscape attribute to colour
    int result_layer = 0;            // result attribute to colour
    bool draw_general = true;        // draw the landscape layer
    bool draw_result = true;         // draw the result layer
    int selected_list_index = 0;     // configuration map: configuration; result map: measure
    int selected_species_index = 0;  // position in the species list
    bool reload_lists = true;        // the species list is to be filled at the next repaint
    bool all_measures = false;       // result map: every measure instead of the selected one
};

// Options of a freshly opened panel: payment - cost over manure status for the
// configuration map, quality over grassland economic value for the result map.
MapOptions configuration_map_initial_options();
MapOptions result_map_initial_options();

// What a map last drew: the list position and its identifier (configurationID
// or measureID). One per view class, shared by all open views of the class and
// reset when a view of the class is opened.
struct RememberedSelection {
    int index = 0;
    int id = 0;
};
RememberedSelection& configuration_map_selection();
RememberedSelection& result_map_selection();

// The lists a panel shows, as the repaint fills them: the configurations (or
// measure identifiers) with the entry shown as selected, and the species.
struct PanelLists {
    std::vector<std::string> entries;
    int selected_entry = -1;
    std::vector<std::string> species;
    int current_species = -1;
    // What the list shows for each entry, when it is more than the entry
    // itself (the result map: "ID, name, first use, distances").
    std::vector<std::string> labels;
    // Configuration map: the configurationID of each entry.
    std::vector<int> ids;
};

// Where the repaints write their texts.
inline constexpr int kMapTitleX = 870;
inline constexpr int kMapNameX = 1050;
inline constexpr int kMapTitleY = 30;
inline constexpr int kDescriptionY = 50;
inline constexpr int kDescriptionStep = 20;

// What a repaint could not show (no stored configuration, an empty result
// table, a configuration without species); written on the canvas as well.
struct RenderOutcome {
    std::vector<std::string> notices;
    bool nothing_to_show() const { return !notices.empty(); }
};

// One repaint of the configuration map. May clear options.reload_lists (and
// then starts the species choice at the first species).
RenderOutcome render_configuration_map(MapOptions& options, RememberedSelection& selection, PanelLists& panel,
                                       MapCanvas& canvas, const std::string& config_path = database_config_path());

// One repaint of the analysis result map.
RenderOutcome render_result_map(MapOptions& options, RememberedSelection& selection, PanelLists& panel,
                                MapCanvas& canvas, const std::string& config_path = database_config_path());

// Texts written when there is nothing to show.
inline constexpr const char* kNoConfigurationText = "Nothing to show: no configuration is stored.";
inline constexpr const char* kEmptyResultText = "Nothing to show: the result table is empty.";
inline constexpr const char* kNoSpeciesText = "Nothing to show: no species has results here.";

// A repaint kept for a map window: the map as drawn, with what each cell's
// rows said, and what the window shows beside it.
struct MapScene {
    MapPicture picture;
    RenderOutcome outcome;
    std::vector<std::string> heading;      // what is described ("Configuration: Plan A")
    std::vector<std::string> description;  // one line per measure
    std::vector<Legend> legends;           // landscape first, then the result
    bool muted_background = false;         // the landscape is drawn lighter under results
    std::string landscape_title;           // the landscape layer drawn ("altitude"); empty for none
    int result_layer = 0;                  // the result layer drawn; 0 for none
    std::string species;                   // the species whose results are drawn
    std::optional<double> cell_size_m;     // side of a raster cell in metres, when known
    std::optional<int> country;            // the study area drawn, when known
};

// The two repaints, kept as scenes for a window that zooms and pans. They
// send the statements of the repaints above, then read the raster's cell size
// and (result map) the names of the listed measures.
MapScene render_configuration_scene(MapOptions& options, RememberedSelection& selection, PanelLists& panel,
                                    const std::string& config_path = database_config_path());
MapScene render_result_scene(MapOptions& options, RememberedSelection& selection, PanelLists& panel,
                             const std::string& config_path = database_config_path());

}  // namespace pravel
