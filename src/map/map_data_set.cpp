#include "map/map_data_set.h"

#include <algorithm>

#include "common/notifier.h"
#include "common/number_format.h"
#include "common/sql_text.h"

namespace pravel {

namespace {

struct LegendLabel {
    Colour colour;
    const char* text;
    int y_offset;
};

// Legend labels of the landscape layers, in drawing order.
struct LandscapeLegend {
    int layer;
    const char* title;
    std::vector<LegendLabel> labels;
};

const std::vector<LandscapeLegend>& landscape_legends() {
    static const std::vector<LandscapeLegend> legends = {
        {MapDataSet::altitude,
         "altitude:",
         {{{255, 185, 15}, ">500 m \xC3\xBCNN", 40}, {{175, 130, 10}, "<500 m \xC3\xBCNN", 20}}},
        {MapDataSet::manure_status,
         "manure status:",
         {{{102, 205, 0}, "no water protection", 20}, {{69, 139, 0}, "water protection", 40}}},
        {MapDataSet::land_type, "land type:", {{{255, 181, 125}, "grass land", 20}, {{188, 108, 197}, "no grass land", 40}}},
        {MapDataSet::grassland_economic_value,
         "grassland economic value:",
         {{{0, 255, 0}, "15-40", 20}, {{0, 220, 0}, "41-60", 40}, {{0, 180, 0}, "61-80", 60}, {{0, 130, 10}, ">=80", 80}}},
        {MapDataSet::land_use,
         "land use:",
         {{{0, 100, 0}, "meadow", 20}, {{143, 188, 143}, "pasture", 40}, {{173, 255, 39}, "mowing pasture", 60}}},
    };
    return legends;
}

const LandscapeLegend* landscape_legend(int layer) {
    for (const auto& l : landscape_legends())
        if (l.layer == layer) return &l;
    return nullptr;
}

const char* landscape_column(int layer) {
    switch (layer) {
        case MapDataSet::altitude: return "altitude";
        case MapDataSet::manure_status: return "manure_status_grass_cropland";
        case MapDataSet::land_type: return "land_use_type";
        case MapDataSet::grassland_economic_value: return "grassland_economic_value";
        case MapDataSet::land_use: return "mead_past_mow";
        default: return nullptr;
    }
}

constexpr const char* kQualityLabels[5] = {"0% - 20%", "20% - 40%", "40% - 60%", "60% - 80%", "80% - 100%"};
constexpr Colour kQualityColours[5] = {{255, 200, 0}, {255, 102, 0}, {255, 0, 50}, {205, 0, 0}, {160, 5, 90}};

// Colours of the five payment - cost legend labels (the first class of the
// pixels has no label of its own).
constexpr Colour kPaymentLegendColours[5] = {{255, 220, 255}, {255, 100, 255}, {255, 0, 255}, {190, 0, 190}, {120, 0, 120}};
constexpr int kPaymentLegendOffsets[5] = {40, 60, 80, 100, 120};

constexpr const char* kConfigurationPaymentLabels[5] = {"0 - 50  Euro pro ha", "50 - 100 Euro pro ha",
                                                        "100 - 150 Euro pro ha", "150 - 200 Euro  pro ha",
                                                        "200 - 250 Euro pro ha"};
constexpr const char* kSingleMeasurePaymentLabels[5] = {"0 - 50 Euro pro ha", "50 - 100  Euro pro ha",
                                                        "100 - 150  Euro pro ha", "150 - 200 Euro pro ha",
                                                        "200 - 250 Euro pro ha"};
constexpr const char* kAllMeasuresPaymentLabels[5] = {"0 - 50  Euro pro ha", "50 - 100  Euro pro ha",
                                                      "100 - 150  Euro pro ha", "150 - 200  Euro pro ha",
                                                      "200 - 250  Euro pro ha"};

const char* const kConfigurationPixelQuery =
    "SELECT DISTINCT erg.configurationID, pix.*, quali.*,erg.* FROM `pixel` AS pix, `result` AS erg, "
    "`resulting_quality` AS quali WHERE pix.pixelID = erg.pixelID AND quali.pixelID = erg.pixelID AND "
    "quali.pixelID = pix.pixelID AND erg.configurationID =";

// The species name is a user's text: it is quoted like every other text value,
// so a name with an apostrophe finds its rows and no name can change the query.
std::string result_rows_query(const std::string& species_name, MeasureChoice measure) {
    SqlText q;
    q << "SELECT * FROM results_for_viusualitsation WHERE " << "species_name = '" << SqlValue{species_name};
    if (measure.all) return q << "'";
    return q << "' " << "AND measureID = " << measure.measureID;
}

void paint_cell(MapCanvas& canvas, int i, int j, Colour c) { canvas.paint_pixel(j + RASTER_OFFSET, i + RASTER_OFFSET, c); }

}  // namespace

std::optional<Colour> landscape_colour(int layer, int value) {
    switch (layer) {
        case MapDataSet::altitude: return value != 0 ? Colour{255, 185, 15} : Colour{175, 130, 10};
        case MapDataSet::manure_status: return value != 1 ? Colour{102, 205, 0} : Colour{69, 139, 0};
        case MapDataSet::land_type: return value != 1 ? Colour{255, 181, 125} : Colour{188, 108, 197};
        case MapDataSet::grassland_economic_value:
            if (value >= 1 && value <= 19) return Colour{0, 255, 0};
            if (value >= 16 && value <= 39) return Colour{0, 220, 0};
            if (value >= 40 && value <= 79) return Colour{0, 180, 0};
            return Colour{0, 130, 0};
        case MapDataSet::land_use:
            if (value == 0) return Colour{0, 100, 0};
            if (value == 1) return Colour{143, 188, 143};
            if (value == 2) return Colour{173, 255, 39};
            return std::nullopt;
        default: return std::nullopt;
    }
}

Colour quality_colour(double q) {
    if (q > 0 && q < 0.2) return kQualityColours[0];
    if (q >= 0.2 && q < 0.4) return kQualityColours[1];
    if (q >= 0.4 && q < 0.6) return kQualityColours[2];
    if (q >= 0.6 && q < 0.8) return kQualityColours[3];
    if (q >= 0.8 && q <= 1) return kQualityColours[4];
    return kWhite;  // also for NaN: every comparison above is false
}

Colour configuration_benefit_colour(int benefit) {
    if (benefit < 0) return {255, 220, 255};
    if (benefit < 50) return {255, 170, 255};
    if (benefit < 100) return {255, 100, 255};
    if (benefit < 150) return {255, 0, 255};
    if (benefit < 200) return {190, 0, 190};
    if (benefit < 250) return {120, 0, 120};
    return {148, 0, 211};
}

Colour result_benefit_colour(int benefit) {
    if (benefit < -250) return {255, 220, 255};
    if (benefit < -150) return {255, 170, 255};
    if (benefit < -50) return {255, 100, 255};
    if (benefit < 50) return {255, 0, 255};
    if (benefit < 150) return {190, 0, 190};
    if (benefit < 250) return {120, 0, 120};
    return {50, 0, 50};
}

MapDataSet::MapDataSet(const std::string& config_path) : db_(config_path, DatabaseAccess::Owner::Map) {
    // The map's statements go to the map's own log only.
    db_.set_statement_log(nullptr);
}

bool MapDataSet::run(const std::string& statement, const RowReader& read) {
    const auto error = db_.try_query(statement, read);
    // The map shows the error and goes on with its next operation; the answer
    // to the question does not matter.
    if (error) notifier().ask_yes_no(*error);
    return !error;
}

void MapDataSet::load_configurations() {
    configurations_.clear();
    configuration_species_.clear();
    run("SELECT DISTINCT `configurationID` , `configname` , `countryID` FROM `configuration` WHERE 1",
        [&](const QueryRow& rs) {
            configurations_.push_back({rs.get_int("configurationID"), rs.get_string("configname"), rs.get_int("countryID")});
        });
}

void MapDataSet::load_configuration_species() {
    configuration_species_.assign(configurations_.size(), {});
    for (std::size_t c = 0; c < configurations_.size(); ++c) {
        auto& species = configuration_species_[c];
        const bool ok = run(
            "SELECT DISTINCT species.speciesID,species.name FROM resulting_quality as quali, species WHERE "
            "species.speciesID = quali.speciesID AND configurationID =" +
                format_number(configurations_[c].configurationID),
            [&](const QueryRow& rs) { species.push_back({rs.get_int("speciesID"), rs.get_string("name")}); });
        if (!ok) return;
    }
}

const std::vector<SpeciesEntry>& MapDataSet::configuration_species(int index) const {
    static const std::vector<SpeciesEntry> none;
    if (index < 0 || index >= static_cast<int>(configuration_species_.size())) return none;
    return configuration_species_[index];
}

void MapDataSet::load_result_country() {
    result_country_.reset();
    run("SELECT DISTINCT countryID FROM results_for_viusualitsation",
        [&](const QueryRow& rs) { result_country_ = rs.get_int("countryID"); });
}

void MapDataSet::load_result_measures() {
    result_measures_.clear();
    run("SELECT DISTINCT `measureID` FROM `results_for_viusualitsation` WHERE 1",
        [&](const QueryRow& rs) { result_measures_.push_back(rs.get_int("measureID")); });
}

void MapDataSet::load_result_species() {
    result_species_.clear();
    run("SELECT DISTINCT species_name FROM results_for_viusualitsation WHERE 1",
        [&](const QueryRow& rs) { result_species_.push_back(rs.get_string("species_name")); });
}

void MapDataSet::draw_landscape(int countryID, int layer, MapCanvas& canvas) {
    const LandscapeLegend* legend = landscape_legend(layer);
    if (legend) {
        canvas.set_text_colour(kBlack);
        canvas.text(general_legend_x, general_legend_y, legend->title);
        for (const auto& label : legend->labels) {
            canvas.set_text_colour(label.colour);
            canvas.text(general_legend_x, general_legend_y + label.y_offset, label.text);
        }
    }
    const std::string country = format_number(countryID);
    const char* column = landscape_column(layer);
    run("SELECT *  FROM `pixel` WHERE countryID = " + country + " AND land_use_type = 4 OR  countryID = " + country +
            " AND land_use_type = 5",
        [&](const QueryRow& rs) {
            Colour colour = kStartColour;
            std::optional<int> value;
            if (legend && column) {
                value = rs.get_int(column);
                colour = landscape_colour(layer, *value).value_or(kUnclassifiedColour);
            }
            const int i = rs.get_int("matrix_i"), j = rs.get_int("matrix_j");
            paint_cell(canvas, i, j, colour);
            if (cells_) {
                CellFacts facts{i, j};
                facts.x_coordinate = rs.get_int("x_coordinate");
                facts.y_coordinate = rs.get_int("y_coordinate");
                facts.layer_value = value;
                cells_(facts);
            }
        });
}

void MapDataSet::draw_payment_legend(const char* const labels[5], MapCanvas& canvas) {
    canvas.set_text_colour(kBlack);
    canvas.text(result_legend_x, result_legend_y, "payment - cost:");
    for (int k = 0; k < 5; ++k) {
        canvas.set_text_colour(kPaymentLegendColours[k]);
        canvas.text(result_legend_x, result_legend_y + kPaymentLegendOffsets[k], labels[k]);
    }
}

void MapDataSet::draw_quality_legend(MapCanvas& canvas) {
    canvas.set_text_colour(kBlack);
    canvas.text(result_legend_x, result_legend_y, "quality:");
    for (int k = 0; k < 5; ++k) {
        canvas.set_text_colour(kQualityColours[k]);
        canvas.text(result_legend_x, result_legend_y + 20 * (k + 1), kQualityLabels[k]);
    }
}

void MapDataSet::draw_configuration_payment(int configurationID, int layer, MapCanvas& canvas) {
    if (layer == payment_cost) draw_payment_legend(kConfigurationPaymentLabels, canvas);
    Colour colour = kStartColour;
    run(kConfigurationPixelQuery + format_number(configurationID), [&](const QueryRow& rs) {
        if (layer == payment_cost) colour = configuration_benefit_colour(rs.get_int("benefit"));
        paint_cell(canvas, rs.get_int("matrix_i"), rs.get_int("matrix_j"), colour);
        report_result_cell(rs, "matrix_i", "matrix_j", "x_coordinate", "y_coordinate");
    });
}

void MapDataSet::draw_configuration_quality(int configurationID, int speciesID, int layer, MapCanvas& canvas) {
    if (layer == quality) draw_quality_legend(canvas);
    Colour colour = kStartColour;
    run(kConfigurationPixelQuery + format_number(configurationID) + " AND quali.speciesID=" + format_number(speciesID),
        [&](const QueryRow& rs) {
            if (layer == quality) colour = quality_colour(rs.get_double("quality"));
            if (layer == species_on_result_pixel) colour = kBlack;
            paint_cell(canvas, rs.get_int("matrix_i"), rs.get_int("matrix_j"), colour);
            report_result_cell(rs, "matrix_i", "matrix_j", "x_coordinate", "y_coordinate");
        });
}

void MapDataSet::draw_result_payment(const std::string& species_name, MeasureChoice measure, int layer,
                                     MapCanvas& canvas) {
    if (layer == payment_cost)
        draw_payment_legend(measure.all ? kAllMeasuresPaymentLabels : kSingleMeasurePaymentLabels, canvas);
    Colour colour = kStartColour;
    run(result_rows_query(species_name, measure), [&](const QueryRow& rs) {
        if (layer == payment_cost) colour = result_benefit_colour(rs.get_int("benefit"));
        paint_cell(canvas, rs.get_int("pixel_i"), rs.get_int("pixel_j"), colour);
        report_result_cell(rs, "pixel_i", "pixel_j", "pixel_x", "pixel_y");
    });
}

void MapDataSet::draw_result_quality(const std::string& species_name, MeasureChoice measure, int layer,
                                     MapCanvas& canvas) {
    if (layer == quality) draw_quality_legend(canvas);
    Colour colour = kStartColour;
    run(result_rows_query(species_name, measure), [&](const QueryRow& rs) {
        if (layer == quality) colour = quality_colour(rs.get_double("quality"));
        paint_cell(canvas, rs.get_int("pixel_i"), rs.get_int("pixel_j"), colour);
        report_result_cell(rs, "pixel_i", "pixel_j", "pixel_x", "pixel_y");
    });
}

void MapDataSet::report_result_cell(const QueryRow& rs, const char* row, const char* column, const char* x,
                                    const char* y) {
    if (!cells_) return;
    CellFacts facts{rs.get_int(row), rs.get_int(column)};
    facts.x_coordinate = rs.get_int(x);
    facts.y_coordinate = rs.get_int(y);
    facts.measureID = rs.get_int("measureID");
    facts.quality = rs.get_double("quality");
    facts.benefit = rs.get_int("benefit");
    cells_(facts);
}

void MapDataSet::draw_contour(int countryID, MapCanvas& canvas) {
    // The outline is one open polyline in id order; it starts at its first
    // point, not wherever the pen happened to stand.
    bool first = true;
    run("SELECT * FROM `contour` WHERE countryID = " + format_number(countryID) + " ORDER BY `contour`.`id` ASC",
        [&](const QueryRow& rs) {
            const int x = rs.get_int("x") + RASTER_OFFSET;
            const int y = rs.get_int("y") + RASTER_OFFSET;
            if (first) {
                canvas.move_to(x, y);
                first = false;
            } else {
                canvas.line_to(x, y);
            }
        });
}

bool MapDataSet::describe_measure(int measureID, std::vector<std::string>& lines, const std::string& suffix) {
    return run("SELECT * FROM measures WHERE measureID = " + format_number(measureID), [&](const QueryRow& rs) {
        std::string line = rs.get_string("name") + ", starting: " + format_number(rs.get_int("month_quarter_first_use")) +
                           "QM, ";
        const int d2 = rs.get_int("distance_2use");
        if (d2 != 0)
            line += "distances: " + format_number(d2) + "/" + format_number(rs.get_int("distance_3use")) + "/" +
                    format_number(rs.get_int("distance_4use")) + "QM, ";
        const double density = rs.get_double("livestock_density_1");
        if (density != 0 && density != 99) line += "GV " + format_number(density) + ",  ";
        lines.push_back(line + suffix);
    });
}

std::vector<std::string> MapDataSet::describe_configuration(int configurationID) {
    struct Row {
        int measureID;
        double payment;
        double area;
    };
    std::vector<Row> rows;
    if (!run("SELECT  * FROM `configuration` WHERE configurationID = " + format_number(configurationID),
             [&](const QueryRow& rs) {
                 rows.push_back({rs.get_int("measureID"), rs.get_double("payment"),
                               rs.get_double("area")});
             }))
        return {};
    std::vector<std::string> lines;
    for (const auto& r : rows) {
        const std::string payment = "payment: " + format_number(r.payment) +
                                    "Euro, maximal area: " + format_number(r.area * PIXEL_AREA_HA) + "  ha";
        if (!describe_measure(r.measureID, lines, payment)) break;
    }
    return lines;
}

std::vector<std::string> MapDataSet::legend_configuration(int configurationID) {
    struct Row {
        int measureID;
        double payment;
        double area;
    };
    std::vector<Row> rows;
    if (!run("SELECT  * FROM `configuration` WHERE configurationID = " + format_number(configurationID),
             [&](const QueryRow& rs) {
                 rows.push_back({rs.get_int("measureID"), rs.get_double("payment"), rs.get_double("area")});
             }))
        return {};
    // Measures that took part first, each group by ID whatever order the rows come in.
    std::stable_sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) {
        const bool a_used = a.area > 0, b_used = b.area > 0;
        if (a_used != b_used) return a_used;
        return a.measureID < b.measureID;
    });
    std::vector<std::string> lines;
    bool headed = false;
    for (const auto& r : rows) {
        if (!(r.area > 0) && !headed) {
            lines.push_back(kUnusedMeasuresHeading);
            headed = true;
        }
        std::vector<std::string> one;
        const std::string payment = "payment: " + format_fixed(r.payment, 2) +
                                    " Euro, maximal area: " + format_fixed(r.area * PIXEL_AREA_HA, 2) + " ha";
        if (!describe_measure(r.measureID, one, payment)) break;
        for (auto& line : one) lines.push_back("ID " + format_number(r.measureID) + ": " + line);
    }
    return lines;
}

std::vector<std::string> MapDataSet::describe_result_measures(MeasureChoice measure) {
    std::vector<std::string> lines;
    if (!measure.all) {
        describe_measure(measure.measureID, lines, "");
        return lines;
    }
    std::vector<int> ids;
    if (!run("SELECT DISTINCT measureID FROM results_for_viusualitsation",
             [&](const QueryRow& rs) { ids.push_back(rs.get_int("measureID")); }))
        return lines;
    for (int id : ids)
        if (!describe_measure(id, lines, "")) break;
    return lines;
}

std::optional<double> MapDataSet::load_cell_size(int countryID) {
    std::optional<double> size;
    run("SELECT * FROM matrix_referenz WHERE  countryID = " + format_number(countryID), [&](const QueryRow& rs) {
        const int length = rs.get_int("pixel_lenght_x");
        size = length > 0 ? std::optional<double>(length) : std::nullopt;
    });
    return size;
}

std::string MapDataSet::measure_summary(int measureID) {
    std::string line = format_number(measureID);
    run("SELECT * FROM measures WHERE measureID = " + format_number(measureID), [&](const QueryRow& rs) {
        line = format_number(measureID) + ", " + rs.get_string("name") + ", first use " +
               format_number(rs.get_int("month_quarter_first_use")) + "QM";
        const int d2 = rs.get_int("distance_2use");
        if (d2 != 0)
            line += ", distances " + format_number(d2) + "/" + format_number(rs.get_int("distance_3use")) + "/" +
                    format_number(rs.get_int("distance_4use")) + "QM";
    });
    return line;
}

}  // namespace pravel
