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

}  // namespace pravel
