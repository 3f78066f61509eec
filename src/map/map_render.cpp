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

RenderOutcome render_configuration_map(MapOptions& options, RememberedSelection& selection, PanelLists& panel,
                                       MapCanvas& canvas, const std::string& config_path) {
    RenderOutcome outcome;
    MapDataSet ds(config_path);
    ds.load_configurations();
    ds.load_configuration_species();
    const auto& configurations = ds.configurations();

    panel.entries.clear();
    for (const auto& c : configurations) panel.entries.push_back(c.configname);
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
    if (options.draw_general) ds.draw_landscape(chosen.countryID, options.general_layer, canvas);

    bool species_missing = false;
    if (options.draw_result) {
        selection.index = options.selected_list_index;
        selection.id = chosen.configurationID;
        if (options.result_layer == MapDataSet::species_on_result_pixel || options.result_layer == MapDataSet::quality) {
            const auto& species = ds.configuration_species(selection.index);
            if (in_range(options.selected_species_index, species.size()))
                ds.draw_configuration_quality(selection.id, species[options.selected_species_index].speciesID,
                                              options.result_layer, canvas);
            else
                species_missing = true;
        } else {
            ds.draw_configuration_payment(selection.id, options.result_layer, canvas);
        }
    } else if (!in_range(selection.index, configurations.size())) {
        selection = {options.selected_list_index, chosen.configurationID};
    }

    const ConfigurationEntry& remembered = configurations[selection.index];
    ds.draw_contour(remembered.countryID, canvas);

    canvas.set_text_colour(kBlack);
    canvas.text(kMapTitleX, kMapTitleY, "Configuration:");
    canvas.text(kMapNameX, kMapTitleY, remembered.configname);
    const auto lines = ds.describe_configuration(selection.id);
    write_lines(canvas, lines);
    if (species_missing)
        say(outcome, canvas, kDescriptionY + kDescriptionStep * static_cast<int>(lines.size()), kNoSpeciesText);
    return outcome;
}

RenderOutcome render_result_map(MapOptions& options, RememberedSelection& selection, PanelLists& panel,
                                MapCanvas& canvas, const std::string& config_path) {
    RenderOutcome outcome;
    MapDataSet ds(config_path);
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
    if (options.draw_general && country) ds.draw_landscape(*country, options.general_layer, canvas);

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
            if (options.result_layer == MapDataSet::payment_cost)
                ds.draw_result_payment(name, measure, options.result_layer, canvas);
            else if (options.result_layer == MapDataSet::quality ||
                     options.result_layer == MapDataSet::result_quality_alias)
                ds.draw_result_quality(name, measure, options.result_layer, canvas);
        } else {
            species_missing = true;
        }
    } else if (!in_range(selection.index, measures.size())) {
        selection = {options.selected_list_index, measures[options.selected_list_index]};
    }

    if (country) ds.draw_contour(*country, canvas);

    // The description takes the colour of the last legend label drawn.
    const auto lines = ds.describe_result_measures(options.all_measures ? MeasureChoice::all_measures()
                                                                        : MeasureChoice::single(selection.id));
    write_lines(canvas, lines);
    if (species_missing)
        say(outcome, canvas, kDescriptionY + kDescriptionStep * static_cast<int>(lines.size()), kNoSpeciesText);
    return outcome;
}

}  // namespace pravel
