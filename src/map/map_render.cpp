#include "map/map_render.h"

#include "common/number_format.h"
#include "map/map_data_set.h"

namespace pravel {

namespace {

bool in_range(int index, std::size_t size) { return index >= 0 && index < static_cast<int>(size); }

void write_lines(MapCanvas& canvas, const std::vector<std::string>& lines) {
    for (std::size_t k = 0; k < lines.size(); ++k)
        canvas.text(kMapTitleX, kDescriptionY + kDescriptionStep * static_cast<int>(k), lines[k]);
}

void say(RenderOutcome& outcome, MapCanvas& canvas, int y, const char* text) {
    canvas.set_text_colour(kBlack);
    canvas.text(kMapTitleX, y, text);
    outcome.notices.push_back(text);
}

void fill_species(MapOptions& options, PanelLists& panel, std::vector<std::string> names) {
    panel.species = std::move(names);
    panel.current_species = panel.species.empty() ? -1 : 0;
    options.selected_species_index = 0;
    options.reload_lists = false;
}

}  // namespace

MapOptions configuration_map_initial_options() {
    MapOptions o;
    o.general_layer = 2;
    o.result_layer = 9;
    return o;
}

MapOptions result_map_initial_options() {
    MapOptions o;
    o.general_layer = 5;
    o.result_layer = 7;
    return o;
}

RememberedSelection& configuration_map_selection() {
    static RememberedSelection selection;
    return selection;
}

RememberedSelection& result_map_selection() {
    static RememberedSelection selection;
    return selection;
}

namespace {

// What a repaint drew, for the window around the map.
struct RepaintNotes {
    std::optional<int> country;
    int landscape_layer = 0;  // 0: no landscape drawn
    int result_layer = 0;     // 0: no result drawn
    std::string species;
    std::vector<std::string> heading;
    std::vector<std::string> description;
};

RenderOutcome configuration_repaint(MapDataSet& ds, MapOptions& options, RememberedSelection& selection,
                                    PanelLists& panel, MapCanvas& canvas, RepaintNotes& notes) {
    RenderOutcome outcome;
    ds.load_configurations();
    ds.load_configuration_species();
    const auto& configurations = ds.configurations();

    panel.entries.clear();
    panel.ids.clear();
    for (const auto& c : configurations) {
        panel.entries.push_back(c.configname);
        panel.ids.push_back(c.configurationID);
    }
    if (configurations.empty()) {
        // No configuration, hence no country to draw either.
        panel.selected_entry = -1;
        panel.species.clear();
        panel.current_species = -1;
        say(outcome, canvas, kMapTitleY, kNoConfigurationText);
        return outcome;
    }
    if (!in_range(options.selected_list_index, configurations.size())) {
        // The list has shrunk since the choice was made: start again at its top.
        options.selected_list_index = 0;
        options.reload_lists = true;
    }
    panel.selected_entry = options.selected_list_index;

    if (options.reload_lists) {
        std::vector<std::string> names;
        for (const auto& s : ds.configuration_species(options.selected_list_index)) names.push_back(s.name);
        fill_species(options, panel, std::move(names));
    }

    const ConfigurationEntry& chosen = configurations[options.selected_list_index];
    if (options.draw_general) {
        canvas.begin_part(MapCanvas::Part::Landscape);
        ds.draw_landscape(chosen.countryID, options.general_layer, canvas);
        notes.landscape_layer = options.general_layer;
    }

    bool species_missing = false;
    if (options.draw_result) {
        selection.index = options.selected_list_index;
        selection.id = chosen.configurationID;
        canvas.begin_part(MapCanvas::Part::Result);
        if (options.result_layer == MapDataSet::species_on_result_pixel || options.result_layer == MapDataSet::quality) {
            const auto& species = ds.configuration_species(selection.index);
            if (in_range(options.selected_species_index, species.size())) {
                ds.draw_configuration_quality(selection.id, species[options.selected_species_index].speciesID,
                                              options.result_layer, canvas);
                notes.species = species[options.selected_species_index].name;
                notes.result_layer = options.result_layer;
            } else {
                species_missing = true;
            }
        } else {
            ds.draw_configuration_payment(selection.id, options.result_layer, canvas);
            notes.result_layer = options.result_layer;
        }
    } else if (!in_range(selection.index, configurations.size())) {
        selection = {options.selected_list_index, chosen.configurationID};
    }

    const ConfigurationEntry& remembered = configurations[selection.index];
    canvas.begin_part(MapCanvas::Part::Outline);
    ds.draw_contour(remembered.countryID, canvas);
    notes.country = remembered.countryID;

    canvas.begin_part(MapCanvas::Part::Text);
    canvas.set_text_colour(kBlack);
    canvas.text(kMapTitleX, kMapTitleY, "Configuration:");
    canvas.text(kMapNameX, kMapTitleY, remembered.configname);
    const auto lines = ds.describe_configuration(selection.id);
    write_lines(canvas, lines);
    notes.heading = {"Configuration: " + remembered.configname};
    // The window's column lists the measures that took part first, by ID.
    notes.description = ds.legend_configuration(selection.id);
    if (species_missing)
        say(outcome, canvas, kDescriptionY + kDescriptionStep * static_cast<int>(lines.size()), kNoSpeciesText);
    return outcome;
}

RenderOutcome result_repaint(MapDataSet& ds, MapOptions& options, RememberedSelection& selection, PanelLists& panel,
                             MapCanvas& canvas, RepaintNotes& notes) {
    RenderOutcome outcome;
    ds.load_result_country();
    ds.load_result_measures();
    ds.load_result_species();
    const auto& measures = ds.result_measures();

    panel.entries.clear();
    for (int id : measures) panel.entries.push_back(format_number(id));
    panel.selected_entry = -1;
    if (in_range(selection.index, measures.size())) {
        const std::string wanted = format_number(measures[selection.index]);
        for (std::size_t k = 0; k < panel.entries.size(); ++k)
            if (panel.entries[k] == wanted) {
                panel.selected_entry = static_cast<int>(k);
                break;
            }
    }

    if (options.reload_lists) fill_species(options, panel, ds.result_species());

    const auto country = ds.result_country();
    notes.country = country;
    if (options.draw_general && country) {
        canvas.begin_part(MapCanvas::Part::Landscape);
        ds.draw_landscape(*country, options.general_layer, canvas);
        notes.landscape_layer = options.general_layer;
    }

    if (measures.empty()) {
        say(outcome, canvas, kMapTitleY, kEmptyResultText);
        return outcome;
    }
    if (!in_range(options.selected_list_index, measures.size())) options.selected_list_index = 0;

    bool species_missing = false;
    if (options.draw_result) {
        selection.index = options.selected_list_index;
        selection.id = measures[selection.index];
        if (in_range(options.selected_species_index, panel.species.size())) {
            const std::string& name = panel.species[options.selected_species_index];
            const MeasureChoice measure =
                options.all_measures ? MeasureChoice::all_measures() : MeasureChoice::single(selection.id);
            canvas.begin_part(MapCanvas::Part::Result);
            notes.species = name;
            if (options.result_layer == MapDataSet::payment_cost) {
                ds.draw_result_payment(name, measure, options.result_layer, canvas);
                notes.result_layer = options.result_layer;
            } else if (options.result_layer == MapDataSet::quality ||
                       options.result_layer == MapDataSet::result_quality_alias) {
                ds.draw_result_quality(name, measure, options.result_layer, canvas);
                notes.result_layer = options.result_layer;
            }
        } else {
            species_missing = true;
        }
    } else if (!in_range(selection.index, measures.size())) {
        selection = {options.selected_list_index, measures[options.selected_list_index]};
    }

    canvas.begin_part(MapCanvas::Part::Outline);
    if (country) ds.draw_contour(*country, canvas);

    // The description takes the colour of the last legend label drawn.
    canvas.begin_part(MapCanvas::Part::Text);
    const auto lines = ds.describe_result_measures(options.all_measures ? MeasureChoice::all_measures()
                                                                        : MeasureChoice::single(selection.id));
    write_lines(canvas, lines);
    notes.heading = {options.all_measures ? "All measures:" : "Measure:"};
    notes.description = lines;
    if (species_missing)
        say(outcome, canvas, kDescriptionY + kDescriptionStep * static_cast<int>(lines.size()), kNoSpeciesText);
    return outcome;
}

}  // namespace

RenderOutcome render_configuration_map(MapOptions& options, RememberedSelection& selection, PanelLists& panel,
                                       MapCanvas& canvas, const std::string& config_path) {
    MapDataSet ds(config_path);
    RepaintNotes notes;
    return configuration_repaint(ds, options, selection, panel, canvas, notes);
}

RenderOutcome render_result_map(MapOptions& options, RememberedSelection& selection, PanelLists& panel,
                                MapCanvas& canvas, const std::string& config_path) {
    MapDataSet ds(config_path);
    RepaintNotes notes;
    return result_repaint(ds, options, selection, panel, canvas, notes);
}

namespace {

using Repaint = RenderOutcome (*)(MapDataSet&, MapOptions&, RememberedSelection&, PanelLists&, MapCanvas&,
                                  RepaintNotes&);

MapScene scene_of(Repaint repaint, ResultSource source, MapOptions& options, RememberedSelection& selection,
                  PanelLists& panel, const std::string& config_path) {
    MapScene scene;
    MapDataSet ds(config_path);
    ds.set_cell_observer([&scene](const CellFacts& facts) { scene.picture.note(facts); });
    RepaintNotes notes;
    scene.outcome = repaint(ds, options, selection, panel, scene.picture, notes);
    ds.set_cell_observer({});
    scene.heading = std::move(notes.heading);
    scene.description = std::move(notes.description);
    scene.species = std::move(notes.species);
    // Under results the landscape is drawn lighter, its legend included.
    scene.muted_background = notes.landscape_layer && scene.picture.has_part(MapCanvas::Part::Result);
    if (notes.landscape_layer) {
        if (auto legend = landscape_layer_legend(notes.landscape_layer)) {
            scene.landscape_title = legend->title.substr(0, legend->title.size() - 1);
            if (scene.muted_background)
                for (auto& entry : legend->entries) entry.colour = muted(entry.colour);
            scene.legends.push_back(std::move(*legend));
        }
    }
    if (notes.result_layer) {
        if (auto legend = result_layer_legend(notes.result_layer, source)) scene.legends.push_back(std::move(*legend));
        scene.result_layer = notes.result_layer;
    }
    scene.country = notes.country;
    if (notes.country) scene.cell_size_m = ds.load_cell_size(*notes.country);
    // The measure list of the result map names each measure, not just its number.
    panel.labels.clear();
    if (source == ResultSource::Analysis)
        for (const auto& id : panel.entries) panel.labels.push_back(ds.measure_summary(std::stoi(id)));
    return scene;
}

}  // namespace

MapScene render_configuration_scene(MapOptions& options, RememberedSelection& selection, PanelLists& panel,
                                    const std::string& config_path) {
    return scene_of(configuration_repaint, ResultSource::Configuration, options, selection, panel, config_path);
}

MapScene render_result_scene(MapOptions& options, RememberedSelection& selection, PanelLists& panel,
                             const std::string& config_path) {
    return scene_of(result_repaint, ResultSource::Analysis, options, selection, panel, config_path);
}

}  // namespace pravel
