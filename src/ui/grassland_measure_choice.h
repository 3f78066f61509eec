#pragma once
// How the grassland editors turn a measure selection into list entries,
// without their window. After name, first use and distance to the second use
// have been chosen, the catalogue variants that match them decide what is
// left to choose: the livestock kind and density of the first use, and
// whether the measure is fertilised. A measure goes into the list of the
// chosen soil productivity once it is complete, its fertilisation is chosen
// and a soil productivity is chosen; whichever of these comes last adds it,
// and every later choice of one of them adds the current measure again.
#include <optional>
#include <string>
#include <vector>

#include "store/measure_store.h"

namespace pravel {

// The density list's text: "%.2f", or "depending on the grassland" for 99.
std::string grassland_density_entry(double density);

// The entry of a measure in either measure list: name, ", ", first use, "/",
// distance to the second use, ","; then, for a density other than 0 and 99,
// the density in default format and " (GV), "; then the fertilisation as 0 or
// 1 and " (F)".
std::string grassland_measure_entry(const MeasureRecord& measure);

// What the matching variants leave to choose, each in catalogue order
// without repetitions.
struct VariantOffer {
    std::vector<int> livestock_ids;   // livestockID_1; 0 stands for "measure without livestock"
    std::vector<double> densities;    // livestock_density_1
    std::vector<bool> fertilization;  // the fertilization column
};
VariantOffer offer_of(const std::vector<MeasureRecord>& variants);

// A measure to put into one of the two lists.
struct GrasslandAddition {
    MeasureRecord measure;
    bool low_productivity = false;
};

class GrasslandMeasureChoice {
public:
    // A distance has been chosen: `variants` are the catalogue rows matching
    // name, first use and distance. Forgets the fertilisation, livestock and
    // density choices, then counts as chosen what the variants leave no
    // choice about (a single fertilisation value; no livestock; the density
    // "depending on the grassland"). The soil choice is kept. Returns the
    // measure to add when that already completes the rule.
    std::optional<GrasslandAddition> start(std::vector<MeasureRecord> variants);
    // A new type of measure or first use: no measure until the next distance.
    void forget();

    const VariantOffer& offer() const { return offer_; }
    bool started() const { return started_; }
    // Exactly one fertilisation value: it is chosen and the options are locked.
    bool fertilizationFixed() const { return started_ && offer_.fertilization.size() == 1; }
    // The first kind is a livestock kind: the livestock lists are open.
    bool withLivestock() const {
        return started_ && !offer_.livestock_ids.empty() && offer_.livestock_ids.front() != 0;
    }

    std::optional<bool> fertilization() const { return fertilization_; }
    std::optional<int> livestock() const { return livestock_; }
    std::optional<double> density() const { return density_; }
    std::optional<bool> lowProductivity() const { return low_; }

    // The user's choices; each returns the measure to add when it completes
    // the rule.
    std::optional<GrasslandAddition> chooseFertilization(bool fertilised);
    std::optional<GrasslandAddition> chooseLivestock(int livestock_id);
    std::optional<GrasslandAddition> chooseDensity(double density);
    std::optional<GrasslandAddition> chooseSoil(bool low_productivity);

    // The selection names a measure: a distance is chosen and so are the
    // livestock kind and density.
    bool measureComplete() const { return started_ && livestock_.has_value() && density_.has_value(); }

private:
    // The first variant (lowest measureID) that has the chosen livestock,
    // density and fertilisation, when every part of the rule holds.
    std::optional<GrasslandAddition> ready() const;

    bool started_ = false;
    std::vector<MeasureRecord> variants_;
    VariantOffer offer_;
    std::optional<bool> fertilization_;
    std::optional<int> livestock_;
    std::optional<double> density_;
    std::optional<bool> low_;
};

}  // namespace pravel
