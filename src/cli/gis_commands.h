#pragma once
// The study-area import and the exports to GIS formats of the command-line
// tool: import-area, export-area and export.
#include <CLI/CLI.hpp>

#include <optional>
#include <string>
#include <vector>

namespace pravel::cli {

struct GisCommands {
    CLI::App* import_area = nullptr;
    CLI::App* export_area = nullptr;
    CLI::App* export_results = nullptr;

    std::string name;
    int growth_start = 0;
    std::vector<std::string> layers;
    std::vector<std::string> band_files;
    std::string contour;
    bool replace = false;
    bool drop_runs = false;

    std::string out;
    std::optional<int> configuration;
    bool latest = false;
    std::optional<int> measure;
};

void add_gis_commands(CLI::App& app, GisCommands& commands);

// The exit status of the command that was parsed, or nothing when none of
// these was. Refusals print their reason naming the file and give 2; nothing
// is written then.
std::optional<int> run_gis_commands(const GisCommands& commands);

}  // namespace pravel::cli
