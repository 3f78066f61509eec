#include "map/map_legend.h"

#include "map/map_data_set.h"

namespace pravel {

namespace {

// Share of white mixed into a muted colour.
constexpr double kMuteShare = 0.5;

LegendEntry landscape_entry(int layer, int value, std::string label) {
    return {landscape_colour(layer, value).value_or(kUnclassifiedColour), std::move(label)};
}

// Payment - cost classes: the first below `bounds[0]`, then one per pair of
// neighbouring bounds, the last from the final bound on. Values are whole
// Euro, so a class ends one below the next bound.
std::vector<LegendEntry> payment_entries(const std::vector<int>& bounds, Colour (*classify)(int)) {
    const std::string unit = " Euro pro ha";
    std::vector<LegendEntry> entries;
    entries.push_back({classify(bounds.front() - 1), "below " + std::to_string(bounds.front()) + unit});
    for (std::size_t k = 0; k + 1 < bounds.size(); ++k)
        entries.push_back({classify(bounds[k]),
                           std::to_string(bounds[k]) + " to " + std::to_string(bounds[k + 1] - 1) + unit});
    entries.push_back({classify(bounds.back()), std::to_string(bounds.back()) + " and more" + unit});
    return entries;
}

}  // namespace

std::optional<Legend> landscape_layer_legend(int layer) {
    switch (layer) {
        case MapDataSet::altitude:
            return Legend{"altitude:",
                          {landscape_entry(layer, 0, "<500 m \xC3\xBCNN (altitude 0)"),
                           landscape_entry(layer, 1, ">500 m \xC3\xBCNN (altitude not 0)")}};
        case MapDataSet::manure_status:
            return Legend{"manure status:",
                          {landscape_entry(layer, 0, "no water protection (status not 1)"),
                           landscape_entry(layer, 1, "water protection (status 1)")}};
        case MapDataSet::land_type:
            return Legend{"land type:",
                          {landscape_entry(layer, 4, "grass land (type not 1)"),
                           landscape_entry(layer, 1, "no grass land (type 1)")}};
        case MapDataSet::grassland_economic_value:
            return Legend{"grassland economic value:",
                          {landscape_entry(layer, 1, "1 to 19"), landscape_entry(layer, 20, "20 to 39"),
                           landscape_entry(layer, 40, "40 to 79"),
                           landscape_entry(layer, 80, "80 and more, or 0 and less")}};
        case MapDataSet::land_use:
            return Legend{"land use:",
                          {landscape_entry(layer, 0, "meadow (0)"), landscape_entry(layer, 1, "pasture (1)"),
                           landscape_entry(layer, 2, "mowing pasture (2)"),
                           {kUnclassifiedColour, "no class (any other value)"}}};
        default:
            return std::nullopt;
    }
}

std::optional<Legend> result_layer_legend(int layer, ResultSource source) {
    switch (layer) {
        case MapDataSet::quality:
            return Legend{"quality:",
                          {{quality_colour(0.1), "above 0% to below 20%"},
                           {quality_colour(0.2), "20% to below 40%"},
                           {quality_colour(0.4), "40% to below 60%"},
                           {quality_colour(0.6), "60% to below 80%"},
                           {quality_colour(0.8), "80% to 100%"},
                           {quality_colour(0), "0% or outside 0% to 100%"}}};
        case MapDataSet::payment_cost:
            return source == ResultSource::Configuration
                       ? Legend{"payment - cost:", payment_entries({0, 50, 100, 150, 200, 250}, configuration_benefit_colour)}
                       : Legend{"payment - cost:", payment_entries({-250, -150, -50, 50, 150, 250}, result_benefit_colour)};
        case MapDataSet::species_on_result_pixel:
            if (source != ResultSource::Configuration) return std::nullopt;
            return Legend{"species on result pixel:", {{kBlack, "result pixel of the species"}}};
        case MapDataSet::result_quality_alias:
            if (source != ResultSource::Analysis) return std::nullopt;
            return Legend{"result pixels:", {{kStartColour, "result pixel"}}};
        default:
            return std::nullopt;
    }
}

Colour muted(Colour c) {
    const auto lighter = [](int v) { return v + static_cast<int>((255 - v) * kMuteShare + 0.5); };
    return {lighter(c.red), lighter(c.green), lighter(c.blue)};
}

}  // namespace pravel
