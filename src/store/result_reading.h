#pragma once
// The results of one stored configuration, or of the latest analysis, pixel
// by pixel, for writing them where each pixel lies.
#include <optional>
#include <string>
#include <vector>

namespace pravel {

class DatabaseAccess;

struct ResultSpecies {
    int speciesID = 0;
    std::string name;
};

// One pixel under one measure.
struct ResultPixel {
    int pixelID = 0;
    int matrix_i = 0;
    int matrix_j = 0;
    long long x = 0;
    long long y = 0;
    int measureID = 0;
    double payment = 0.0;
    double net = 0.0;  // payment - cost (the stored benefit)
    std::vector<std::optional<double>> quality;  // per ResultLayer::species; none when not stored
};

struct ResultLayer {
    int countryID = 0;
    std::vector<ResultSpecies> species;
    std::vector<ResultPixel> pixels;  // by pixelID, then measureID
};

// The `result` and `resulting_quality` rows of a configuration, the payment
// of each pixel's measure from `configuration`, positions from `pixel`.
// Nothing when the configuration has no `configuration` row.
std::optional<ResultLayer> load_configuration_results(DatabaseAccess& db, int configuration_id);
// The rows of `results_for_viusualitsation`, one entry per pixel and measure.
ResultLayer load_latest_results(DatabaseAccess& db);

// What the rows of `results_for_viusualitsation` hold besides the results of
// one analysis of one study area as it is now. Each analysis empties the
// table before it writes, so rows of several areas, or an entry (pixel,
// measure, species) written twice, come from analyses that ran at once; a
// row whose pixel its area no longer has was written before the area was
// replaced.
struct LatestResultsMix {
    struct Area {
        int countryID = 0;
        std::string name;  // empty for an area that no longer exists
        bool operator==(const Area&) const = default;
    };
    std::vector<Area> areas;          // by countryID
    long long repeated_entries = 0;   // entries that appear more than once
    long long stale_rows = 0;         // rows whose pixel is not a pixel of their area
};
LatestResultsMix inspect_latest_results(DatabaseAccess& db);

// The `result` rows of a configuration whose pixel no longer exists (its
// study area was replaced after the run was stored).
long long stale_configuration_rows(DatabaseAccess& db, int configuration_id);

}  // namespace pravel
