#include "cli/gis_commands.h"

#include <unistd.h>

#include <cstdio>
#include <iostream>

#include "cli/progress_line.h"
#include "common/feedback.h"
#include "gis/gis_export.h"
#include "gis/study_area_import.h"
#include "store/database_access.h"

namespace pravel::cli {

void add_gis_commands(CLI::App& app, GisCommands& c) {
    c.import_area = app.add_subcommand("import-area", "import a study area from GIS rasters and polygon layers");
    c.import_area->add_option("--name", c.name, "name of the new study area")->required();
    c.import_area->add_option("--growth-start", c.growth_start, "start of growth, quarter month 1..48")->required();
    c.import_area->add_option("--layer", c.layers,
                              "COLUMN=FILE (a raster) or COLUMN=FILE:FIELD (a polygon layer's attribute); the "
                              "land_use_type layer decides which cells become pixels");
    c.import_area->add_option("--bands", c.band_files,
                              "a multi-band raster whose bands are named after pixel columns (as export-area "
                              "writes them): every such band is a layer");
    c.import_area->add_option("--contour", c.contour, "polygon layer of the outline (default: traced from the cells)");
    auto* replace =
        c.import_area->add_flag("--replace", c.replace, "replace the study area of that name (and only it)");
    c.import_area
        ->add_flag("--drop-runs", c.drop_runs,
                   "with --replace: delete the runs stored on that area (configuration, result, resulting_quality) "
                   "in the same transaction; without it a replace of an area with stored runs is refused")
        ->needs(replace);

    c.export_area = app.add_subcommand("export-area", "write a study area's layers as a multi-band GeoTIFF");
    c.export_area->add_option("--name", c.name, "study area")->required();
    c.export_area->add_option("--out", c.out, "GeoTIFF file (.tif)")->required();

    c.export_results = app.add_subcommand("export", "write results where each pixel lies (.tif, .gpkg or .csv)");
    auto* configuration =
        c.export_results->add_option("--configuration", c.configuration, "configurationID of a stored run");
    auto* latest = c.export_results->add_flag("--latest", c.latest,
                                              "the latest analysis (rows of results_for_viusualitsation)");
    configuration->excludes(latest);
    latest->excludes(configuration);
    c.export_results->add_option("--measure", c.measure, "only the pixels of this measureID");
    c.export_results->add_option("--out", c.out, "output file: .tif, .gpkg or .csv")->required();
}

namespace {

int import_area(const GisCommands& c) {
    gis::ImportOptions options;
    options.name = c.name;
    options.growth_start = c.growth_start;
    options.contour_file = c.contour;
    options.replace = c.replace;
    options.drop_runs = c.drop_runs;
    for (const auto& file : c.band_files) {
        for (auto& source : gis::bands_named_after_columns(file)) options.layers.push_back(source);
    }
    for (const auto& argument : c.layers) options.layers.push_back(gis::parse_layer_argument(argument));
    DatabaseAccess db;
    ProgressLine progress;
    const gis::ImportResult r = gis::import_study_area(db, options, progress.feedback());
    if (!r.notice.empty()) std::cerr << "pravel-cli: " << r.notice << '\n';
    std::cout << "study area \"" << c.name << "\" (countryID " << r.countryID << "): " << r.pixels << " pixels, "
              << r.contour_points << " contour points\n";
    return 0;
}

}  // namespace

std::optional<int> run_gis_commands(const GisCommands& c) {
    try {
        if (c.import_area && c.import_area->parsed()) return import_area(c);
        if (c.export_area && c.export_area->parsed()) {
            DatabaseAccess db;
            gis::export_study_area(db, c.name, c.out);
            std::cout << "study area \"" << c.name << "\" written to " << c.out << '\n';
            return 0;
        }
        if (c.export_results && c.export_results->parsed()) {
            if (!c.configuration && !c.latest) {
                std::cerr << "pravel-cli: export needs --configuration ID or --latest\n";
                return 2;
            }
            gis::ResultExportOptions options;
            options.configuration = c.configuration;
            options.measure = c.measure;
            options.out = c.out;
            DatabaseAccess db;
            const long long n = gis::export_results(db, options);
            std::cout << n << " pixel results written to " << c.out << '\n';
            return 0;
        }
    } catch (const gis::StoredRunsRefusal& e) {
        std::cerr << "pravel-cli: " << e.what() << "; add --drop-runs to delete them with the replace\n";
        return 2;
    } catch (const gis::GisRefusal& e) {
        std::cerr << "pravel-cli: " << e.what() << '\n';
        return 2;
    }
    return std::nullopt;
}

}  // namespace pravel::cli
