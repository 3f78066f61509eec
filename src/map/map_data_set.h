#pragma once
// Everything a map repaint reads from the database and how it is drawn: the
// queries, the colour classes, the legends and the description lines. A
// repaint makes one MapDataSet (which opens the map's own connection), loads
// the lists it needs, draws and releases it; nothing is kept between repaints.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "map/cell_facts.h"
#include "map/map_canvas.h"
#include "store/database_access.h"

namespace pravel {

// Canvas position of raster cell (0, 0) and of contour point (0, 0).
inline constexpr int RASTER_OFFSET = 150;
// Area of one pixel in hectares.
inline constexpr double PIXEL_AREA_HA = 0.81;

// Painted for a landscape value that matches no class of its layer; it has no
// legend entry.
inline constexpr Colour kUnclassifiedColour{160, 160, 160};
// Colour of a pixel before any class has been chosen.
inline constexpr Colour kStartColour{255, 0, 0};

struct ConfigurationEntry {
    int configurationID = 0;
    std::string configname;
    int countryID = 0;
};

struct SpeciesEntry {
    int speciesID = 0;
    std::string name;
};

// A measure filter of the analysis result map: one measure, or all of them.
struct MeasureChoice {
    bool all = false;
    int measureID = 0;
    static MeasureChoice all_measures() { return {true, 0}; }
    static MeasureChoice single(int id) { return {false, id}; }
};

// Colour of an ecological quality (white outside 0 < q <= 1).
Colour quality_colour(double q);
// Colour of a landscape value in one of the landscape layers (1, 2, 4, 5,
// 10); none when the value matches no class of the layer.
std::optional<Colour> landscape_colour(int layer, int value);
// Colour of payment - cost of a saved configuration.
Colour configuration_benefit_colour(int benefit);
// Colour of payment - cost in the analysis result table.
Colour result_benefit_colour(int benefit);

class MapDataSet {
public:
    // What a layer shows, as the option panels pass it.
    static constexpr int altitude = 1;
    static constexpr int manure_status = 2;
    static constexpr int land_type = 4;
    static constexpr int grassland_economic_value = 5;
    static constexpr int reserved = 6;
    static constexpr int quality = 7;
    static constexpr int species_on_result_pixel = 8;
    static constexpr int payment_cost = 9;
    static constexpr int land_use = 10;
    static constexpr int result_quality_alias = 11;

    // Legend anchors.
    static constexpr int general_legend_x = 1000;
    static constexpr int result_legend_x = 750;
    static constexpr int general_legend_y = 450;
    static constexpr int result_legend_y = 450;

    // Opens the map's own connection from the settings file; a missing or
    // incomplete file or a failed connection ends the process.
    explicit MapDataSet(const std::string& config_path = database_config_path());

    // Receives the text of every statement this data set sends.
    void set_statement_log(StatementLog log) { db_.set_statement_log(std::move(log)); }
    // Receives the facts of every cell the drawing operations paint, from the
    // rows they read anyway (no query is added for it).
    void set_cell_observer(CellObserver observer) { cells_ = std::move(observer); }

    // Lists. Each loader catches the errors of its own queries: the driver's
    // text is shown, the loader stops and keeps what it had read.
    void load_configurations();
    void load_configuration_species();
    void load_result_country();
    void load_result_measures();
    void load_result_species();

    const std::vector<ConfigurationEntry>& configurations() const { return configurations_; }
    int configuration_count() const { return static_cast<int>(configurations_.size()); }
    // Species of the configuration at list position `index` (empty when out of range).
    const std::vector<SpeciesEntry>& configuration_species(int index) const;
    // Country of the analysis result table; none when the table is empty.
    std::optional<int> result_country() const { return result_country_; }
    const std::vector<int>& result_measures() const { return result_measures_; }
    const std::vector<std::string>& result_species() const { return result_species_; }

    // Drawing. Each draws its legend (when the layer has one) and then its
    // pixels; an error of its query is shown and ends that operation only.
    void draw_landscape(int countryID, int layer, MapCanvas& canvas);
    void draw_configuration_payment(int configurationID, int layer, MapCanvas& canvas);
    void draw_configuration_quality(int configurationID, int speciesID, int layer, MapCanvas& canvas);
    void draw_result_payment(const std::string& species_name, MeasureChoice measure, int layer, MapCanvas& canvas);
    void draw_result_quality(const std::string& species_name, MeasureChoice measure, int layer, MapCanvas& canvas);
    void draw_contour(int countryID, MapCanvas& canvas);

    // One line per measure of a configuration, with its payment and area.
    std::vector<std::string> describe_configuration(int configurationID);
    // The same measures for the legend column of a map window: those with an
    // area above 0 first, then the heading kUnusedMeasuresHeading and the
    // others, each group by ID; each line starts with the measure's ID ("ID 278: ") and gives
    // the payment to the cent.
    std::vector<std::string> legend_configuration(int configurationID);
    static constexpr const char* kUnusedMeasuresHeading = "Measures without area:";
    // One line per measure: the given one, or every measure of the analysis
    // result table.
    std::vector<std::string> describe_result_measures(MeasureChoice measure);

    // Side length of one raster cell of the country in metres, from its
    // raster reference; none when it has none (or a length of 0).
    std::optional<double> load_cell_size(int countryID);
    // One line naming a measure for a list: "ID, name, first use, distances".
    // Just the identifier when the catalogue does not know it.
    std::string measure_summary(int measureID);

private:
    using RowReader = DatabaseAccess::QueryRowReader;
    // Runs a reading query; on a database error shows its text and returns false.
    bool run(const std::string& statement, const RowReader& read);
    void draw_quality_legend(MapCanvas& canvas);
    void draw_payment_legend(const char* const labels[5], MapCanvas& canvas);
    // Hands the facts of a result row's cell to the cell observer.
    void report_result_cell(const QueryRow& rs, const char* row, const char* column, const char* x, const char* y);
    bool describe_measure(int measureID, std::vector<std::string>& lines, const std::string& suffix);

    DatabaseAccess db_;
    CellObserver cells_;
    std::vector<ConfigurationEntry> configurations_;
    std::vector<std::vector<SpeciesEntry>> configuration_species_;
    std::optional<int> result_country_;
    std::vector<int> result_measures_;
    std::vector<std::string> result_species_;
};

}  // namespace pravel
