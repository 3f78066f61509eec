#pragma once
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>


namespace pravel {

class DatabaseAccess;

void save_configuration(DatabaseAccess& db, int configuration_id, int measure_id, double payment, double area,
                        const std::string& name, int country_id);

// The largest configurationID stored; nullopt while `configuration` is empty.
std::optional<int> max_configuration_id(DatabaseAccess& db);

// Serialises the taking of configuration identifiers between programs that
// store at the same time: a lock on the server, named after the schema, held
// until released or until the connection ends (a killed program holds it no
// longer). Waits up to `timeout_seconds`; false when the lock was not had.
bool lock_configuration_ids(DatabaseAccess& db, int timeout_seconds);
// Releases that lock; never fails fatally.
void unlock_configuration_ids(DatabaseAccess& db) noexcept;

// A `result` row, then one `resulting_quality` row per (speciesID, quality)
// pair, in list order.
void save_pixel_result(DatabaseAccess& db, int pixel_id, int measure_id, int configuration_id, double benefit,
                       const std::vector<std::pair<int, double>>& qualities);

// The same rows for many pixels in multi-row statements: every `result` row
// in list order, then every `resulting_quality` row in list order, each with
// the values save_pixel_result sends. Runs in the caller's transaction.
struct PixelResultRow {
    int pixelID = 0;
    int measureID = 0;
    double benefit = 0.0;
    std::vector<std::pair<int, double>> qualities;  // (speciesID, quality)
};
void save_pixel_results(DatabaseAccess& db, int configuration_id, const std::vector<PixelResultRow>& rows);

struct VisualisationRow {
    int measureID = 0;
    std::string measure_name;
    int speciesID = 0;
    std::string species_name;
    double quality = 0.0;
    int pixelID = 0;
    int pixel_i = 0;
    int pixel_j = 0;
    int pixel_x = 0;
    int pixel_y = 0;
    double benefit = 0.0;
    double payment = 0.0;
    int countryID = 0;
};
void save_visualisation_row(DatabaseAccess& db, const VisualisationRow& row);
// The rows of one analysis in one transaction, in multi-row statements with
// the values save_visualisation_row sends: the same rows, in list order.
void save_visualisation_rows(DatabaseAccess& db, const std::vector<VisualisationRow>& rows);
// The same for rows handed over one at a time: `produce` calls the sink it is
// given once per row, in writing order, so that the rows of a large run are
// never all kept at once.
using VisualisationRowSink = std::function<void(const VisualisationRow&)>;
void save_visualisation_rows(DatabaseAccess& db, const std::function<void(const VisualisationRowSink&)>& produce);
void clear_visualisation_rows(DatabaseAccess& db);

struct GraphicRow {
    int measureID = 0;
    int speciesID = 0;
    std::string m_name;
    std::string species_name;
    double qual_min = 0.0;
    double qual_max = 0.0;
    double qual_medium = 0.0;
    double cost_min = 0.0;
    double cost_max = 0.0;
    double cost_medium = 0.0;
    double eff_area = 0.0;
    int nr_pixel = 0;
};
void save_graphic_row(DatabaseAccess& db, const GraphicRow& row);
// The rows of one analysis in one transaction, as save_visualisation_rows.
void save_graphic_rows(DatabaseAccess& db, const std::vector<GraphicRow>& rows);
void clear_graphic_rows(DatabaseAccess& db);

}  // namespace pravel
