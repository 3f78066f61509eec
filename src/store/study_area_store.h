#pragma once
// Whole study areas as the import writes them and the export reads them: the
// rows of `country`, `matrix_referenz`, `pixel`, `contour` and
// `country_georeference` of one area.
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace pravel {

class DatabaseAccess;
class Feedback;

// How a `pixel` column is read and what values fit it.
enum class PixelColumnKind { Text, Flag, Integer, Share, Real };

struct PixelColumn {
    const char* name;
    PixelColumnKind kind;
    int text_width = 0;  // characters a Text column holds
};

// Characters of `country.name` (and of `pixel.country`).
inline constexpr int kStudyAreaNameWidth = 255;

// Every data column of `pixel`: all but the keys, the country and the
// position columns, in table order.
const std::vector<PixelColumn>& pixel_data_columns();
// nullptr when `name` is not one of them.
const PixelColumn* find_pixel_column(const std::string& name);

// Georeferencing of a study area's grid.
struct Georeference {
    std::string spatial_reference;  // WKT; empty for a grid without one
    double origin_x = 0.0;          // top-left corner of cell (0, 0)
    double origin_y = 0.0;
    double cell_width = 0.0;
    double cell_height = 0.0;  // negative for a north-up grid
    std::vector<std::string> layer_columns;
};

struct ContourVertex {
    int x = 0;  // raster column of the vertex
    int y = 0;  // raster row
    bool operator==(const ContourVertex&) const = default;
};

// One `pixel` row: its position and one text per column of
// StudyAreaRows::columns (numbers in plain decimal, texts unquoted).
struct StudyAreaPixel {
    int matrix_i = 0;
    int matrix_j = 0;
    long long x_coordinate = 0;
    long long y_coordinate = 0;
    std::vector<std::string> values;
};

struct StudyAreaRows {
    std::string name;
    int growth_start = 0;
    int rows = 0;
    int columns = 0;
    int pixel_lenght_x = 0;
    int pixel_lenght_y = 0;
    std::vector<std::string> value_columns;  // pixel data columns written; the rest get the table's default
    std::vector<StudyAreaPixel> pixels;
    std::vector<ContourVertex> contour;
    std::optional<Georeference> georeference;
};

// A study area that cannot be written or read as asked; nothing was written.
struct StudyAreaError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// A run stored on a study area: its `configuration` rows (and the `result`
// and `resulting_quality` rows of its pixels).
struct StoredRun {
    int configurationID = 0;
    std::string name;
    bool operator==(const StoredRun&) const = default;
};

// Replacing an area gives it new pixels, so the runs stored on it would point
// at pixels that are gone: the replace is refused while there are any, unless
// they are deleted with it.
struct StoredRunsError : StudyAreaError {
    StoredRunsError(const std::string& area, std::vector<StoredRun> runs);
    std::vector<StoredRun> runs;
};

// The runs stored on area `country_id`, by configurationID.
std::vector<StoredRun> stored_runs_on_area(DatabaseAccess& db, int country_id);
// "1700000000 \"Plan A\", 1700000100 \"Plan B\"" (at most ten, then "and n more").
std::string describe_runs(const std::vector<StoredRun>& runs);

// Keys of table `grasslandtype`.
std::vector<int> grassland_type_ids(DatabaseAccess& db);

// Writes the area in one transaction: a new countryID (with `replace`, the
// replaced area's), pixelIDs above every existing one. Refuses a name that
// already exists unless `replace`, which removes that area's rows (and only
// those) in the same transaction. A replace of an area with stored runs is
// refused (StoredRunsError) unless `drop_runs`, which deletes those runs in
// the same transaction. The keys are taken, and the name checked, under the
// server lock `<schema>.countryID`, held until the rows are committed, so
// imports running at once get keys of their own and the second of two with
// one name is refused. Returns the countryID.
int write_study_area(DatabaseAccess& db, const StudyAreaRows& area, bool replace, Feedback* feedback = nullptr,
                     bool drop_runs = false);

// The lock on study-area keys: waits up to `timeout_seconds`, false when it
// was not had. Released by unlock, or when the connection ends.
bool lock_study_area_ids(DatabaseAccess& db, int timeout_seconds);
void unlock_study_area_ids(DatabaseAccess& db) noexcept;

// Reads an area back: geometry, every pixel data column of every pixel (in
// StudyAreaRows::value_columns order = pixel_data_columns()), the contour and
// the stored georeference, if any. Refuses an unknown name.
StudyAreaRows read_study_area(DatabaseAccess& db, const std::string& name);

// countryID of the area named `name`, or nothing.
std::optional<int> find_study_area(DatabaseAccess& db, const std::string& name);

std::optional<Georeference> load_georeference(DatabaseAccess& db, int country_id);

// The grid of a study area: its `matrix_referenz` row, its stored
// georeference and one pixel's position (from which a grid without a stored
// georeference is placed).
struct AreaGrid {
    int rows = 0;
    int columns = 0;
    int pixel_lenght_x = 0;
    int pixel_lenght_y = 0;
    std::optional<Georeference> georeference;
    std::optional<StudyAreaPixel> sample;
};
AreaGrid load_area_grid(DatabaseAccess& db, int country_id);

}  // namespace pravel
