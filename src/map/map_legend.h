#pragma once
// Legends that say what each colour of a map layer means: one entry per class
// the layer can paint, in the order the classes are tested, each naming the
// values it covers. The colours are taken from the classifiers themselves, so
// a legend cannot drift from what is painted.
#include <optional>
#include <string>
#include <vector>

#include "map/map_canvas.h"

namespace pravel {

struct LegendEntry {
    Colour colour;
    std::string label;
    friend bool operator==(const LegendEntry&, const LegendEntry&) = default;
};

struct Legend {
    std::string title;
    std::vector<LegendEntry> entries;
};

// The two families of result layers: a stored configuration and the table of
// the last analysis classify payment - cost differently.
enum class ResultSource { Configuration, Analysis };

// Legend of a landscape layer (altitude, manure status, land type, grassland
// economic value, land use); none for a code that paints no classes.
std::optional<Legend> landscape_layer_legend(int layer);
// Legend of a result layer (quality, species on result pixel, payment - cost;
// the analysis map also draws code 11, in the start colour).
std::optional<Legend> result_layer_legend(int layer, ResultSource source);

// A lighter version of a colour, for the landscape drawn under results.
Colour muted(Colour colour);

}  // namespace pravel
