#pragma once
// pravel-cli map: draws the configuration map or the analysis result map
// without a window, as the view would draw it, into an image file.
#include <optional>
#include <string>

namespace pravel::cli {

struct MapCommand {
    std::string view;                          // "configuration" or "result"
    std::optional<int> configuration_id;       // configuration map: which configuration (default: the first)
    std::optional<std::string> species;        // species name (default: the first of the list)
    std::optional<std::string> measure;        // result map: a measure identifier or "all" (default: the first)
    std::optional<int> general_layer;          // default: the panel's initial choice
    std::optional<int> result_layer;           // default: the panel's initial choice
    bool only_results = false;                 // leave out the landscape
    std::string out;                           // image file; the format follows the extension
    std::optional<double> scale;               // screen pixels per raster cell, legends beside the map
    std::optional<std::string> fit;            // "WIDTHxHEIGHT": the map area the study area is fitted into
};

// Renders and writes the image. Returns the process status: 0 written,
// 2 bad arguments, 1 the image could not be written. Messages go to stderr.
int run_map_command(const MapCommand& command, int argc, char** argv);

}  // namespace pravel::cli
