#include "ui/grassland_measure_choice.h"

#include <algorithm>

#include "common/number_format.h"
#include "ui/measure_cascade_model.h"

namespace pravel {

namespace {

template <class T>
void add_once(std::vector<T>& values, T value) {
    if (std::find(values.begin(), values.end(), value) == values.end()) values.push_back(value);
}

}  // namespace

std::string grassland_density_entry(double density) {
    if (density == kDependingOnGrasslandDensity) return kDependingOnGrasslandEntry;
    return format_fixed(density, 2);
}

std::string grassland_measure_entry(const MeasureRecord& m) {
    std::string entry = m.name + ", " + std::to_string(m.month_quarter_first_use) + "/" +
                        std::to_string(m.distance_2use) + ",";
    if (m.livestock_density_1 != 0.0 && m.livestock_density_1 != kDependingOnGrasslandDensity)
        entry += format_number(m.livestock_density_1) + " (GV), ";
    entry += std::string(m.fertilization ? "1" : "0") + " (F)";
    return entry;
}

VariantOffer offer_of(const std::vector<MeasureRecord>& variants) {
    VariantOffer offer;
    for (const MeasureRecord& m : variants) {
        add_once(offer.livestock_ids, m.livestockID_1);
        add_once(offer.densities, m.livestock_density_1);
        add_once(offer.fertilization, m.fertilization);
    }
    return offer;
}

std::optional<GrasslandAddition> GrasslandMeasureChoice::start(std::vector<MeasureRecord> variants) {
    variants_ = std::move(variants);
    offer_ = offer_of(variants_);
    started_ = true;
    fertilization_.reset();
    livestock_.reset();
    density_.reset();
    if (offer_.fertilization.size() == 1) fertilization_ = offer_.fertilization.front();
    if (withLivestock()) {
        const auto& d = offer_.densities;
        if (std::find(d.begin(), d.end(), kDependingOnGrasslandDensity) != d.end())
            density_ = kDependingOnGrasslandDensity;
    } else {
        livestock_ = 0;
        density_ = 0.0;
    }
    return ready();
}

void GrasslandMeasureChoice::forget() {
    started_ = false;
    variants_.clear();
    offer_ = VariantOffer{};
    fertilization_.reset();
    livestock_.reset();
    density_.reset();
}

std::optional<GrasslandAddition> GrasslandMeasureChoice::chooseFertilization(bool fertilised) {
    if (fertilizationFixed()) return std::nullopt;
    fertilization_ = fertilised;
    return ready();
}

std::optional<GrasslandAddition> GrasslandMeasureChoice::chooseLivestock(int livestock_id) {
    if (!withLivestock()) return std::nullopt;
    livestock_ = livestock_id;
    return ready();
}

std::optional<GrasslandAddition> GrasslandMeasureChoice::chooseDensity(double density) {
    if (!withLivestock()) return std::nullopt;
    density_ = density;
    return ready();
}

std::optional<GrasslandAddition> GrasslandMeasureChoice::chooseSoil(bool low_productivity) {
    low_ = low_productivity;
    return ready();
}

std::optional<GrasslandAddition> GrasslandMeasureChoice::ready() const {
    if (!measureComplete() || !fertilization_ || !low_) return std::nullopt;
    // Kinds and densities are offered independently of each other, so a
    // combination the catalogue lacks finds no variant and adds nothing: a
    // list entry always stands for a real catalogue measure.
    for (const MeasureRecord& m : variants_) {
        if (m.livestockID_1 == *livestock_ && m.livestock_density_1 == *density_ &&
            m.fertilization == *fertilization_) {
            GrasslandAddition addition{m, *low_};
            addition.measure.payment = 0.0;
            return addition;
        }
    }
    return std::nullopt;
}

}  // namespace pravel
