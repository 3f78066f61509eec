#include "core/use_yield_model.h"

#include <algorithm>

namespace pravel {

void GrowthTables::set_series(int nitrogen_level, const std::array<int, 48>& values) {
    // The first row of a level counts, as a list filled row after row and
    // addressed by quarter month would give.
    if (series_.count(nitrogen_level)) return;
    Series s{};
    std::copy(values.begin(), values.end(), s.begin() + 1);
    series_.emplace(nitrogen_level, s);
}

void GrowthTables::set_regrowth_delay(int previous_cut, int next_cut, int days) {
    // The last row of a pair counts.
    delays_[{previous_cut, next_cut}] = days;
}

const GrowthTables::Series& GrowthTables::series(int nitrogen_level) const {
    static const Series empty{};
    auto it = series_.find(nitrogen_level);
    return it == series_.end() ? empty : it->second;
}

int GrowthTables::growth(int nitrogen_level, int first, int last) const {
    const Series& s = series(nitrogen_level);
    int sum = 0;
    for (int q = std::max(first, 1); q <= std::min(last, 48); ++q) sum += s[q];
    return sum;
}

int GrowthTables::regrowth_delay(int previous_cut, int next_cut) const {
    auto it = delays_.find({previous_cut, next_cut});
    return it == delays_.end() ? 0 : it->second;
}

int round_to_thousand(int amount) {
    const int rest = amount % 1000;
    if (rest >= 500) return amount - rest + 1000;
    if (rest <= -500) return amount - rest - 1000;
    return amount - rest;
}

namespace {

// Regrowth factor of a later use: the share of its interval left after the
// regrowth delay, never below 0 (a delay longer than the interval leaves
// nothing to harvest rather than a negative yield).
double regrowth_factor(int interval_qm, int delay_days) {
    const double days = static_cast<double>(kDaysPerQuarterMonthRegrowth) * interval_qm;
    return std::max(0.0, (days - delay_days) / days);
}

}  // namespace

UseYields use_yield_model(int v, UsabilityParameters& p, int a, int b, int c, int d, const GrowthTables& t) {
    UseYields out;
    for (int k = 0; k < 4; ++k) out.energy[k] = p.energy_content[k];

    // Use 1.
    p.nitrogen[0] = p.N_fertilizer_max[0];
    p.nitrogen_left[0] = v - p.nitrogen[0];
    if (p.nitrogen_left[0] < 0) {
        p.nitrogen[0] = v;
        p.nitrogen_left[0] = 0;
    }
    const int dm1 = t.growth(p.nitrogen[0], 1, a);
    p.regrowth_factor[0] = 1.0;
    const double dc1 = p.disturbance_correction_dry_matter_first_cut;
    out.yield[0] = p.usability1[0] > 0 ? dc1 * p.usability1[0] * dm1 : 0.0;
    int harvested = static_cast<int>(dc1 * dm1);

    // Later uses, each on its own condition. The nitrogen left after a use
    // that does not take place carries over unchanged to the next one.
    const int distance[4] = {0, b, c, d};
    int start = a;  // quarter month of the previous use
    for (int k = 1; k < 4; ++k) {
        const int interval = distance[k];
        if (interval < 1) {
            p.nitrogen_left[k] = p.nitrogen_left[k - 1];
            out.yield[k] = 0.0;
            harvested = 0;
            continue;
        }
        p.nitrogen[k] = p.N_fertilizer_max[k];
        p.nitrogen_left[k] = p.nitrogen_left[k - 1] - p.nitrogen[k];
        if (p.nitrogen_left[k] < 0) {
            p.nitrogen[k] = p.nitrogen_left[k - 1];
            p.nitrogen_left[k] = 0;
        }
        const int dm = t.growth(p.nitrogen[k], start + 1, start + interval);
        const bool second = (k == 1);
        const bool delayed =
            second ? p.regrowth_delay_dry_matter_second_cut : p.regrowth_delay_dry_matter_other_cuts;
        const double dc = second ? p.disturbance_correction_dry_matter_second_cut
                                 : p.disturbance_correction_dry_matter_other_cuts;
        // Rounding to thousands serves the delay lookup only.
        const int previous_rounded = round_to_thousand(harvested);
        double factor = 1.0;
        if (delayed && (!second || previous_rounded != 0)) {
            factor = regrowth_factor(interval, t.regrowth_delay(previous_rounded, round_to_thousand(dm)));
        }
        p.regrowth_factor[k] = factor;
        out.yield[k] = p.usability1[k] > 0 ? p.usability1[k] * dc * factor * dm : 0.0;
        harvested = static_cast<int>(dc * factor * dm);
        start += interval;
    }
    for (int k = 0; k < 4; ++k) p.yield[k] = out.yield[k];
    return out;
}

namespace {

// Saving from the nitrogen D left after the method's last use.
double nitrogen_saving(int left, int v, double u) {
    if (left <= 0) return 0.0;
    double saving;
    if (v - left >= kNitrogenLimit) {
        saving = left * kNitrogenPrice;
    } else {
        saving = (v - kNitrogenLimit) * kNitrogenPrice - (left - v + kNitrogenLimit) * u;
    }
    // Below the limit there is nothing to save; a level under 170 kg would
    // otherwise turn the saving into a cost.
    return std::max(0.0, saving);
}

// Feed uptake of the grazing slots first..3 (0-based) whose density is at
// least 0.5, over periods of the given lengths in quarter months. A period
// never lasts less than 0, and a slot without livestock units adds nothing.
double grazing_uptake(const UsabilityParameters& p, const std::array<double, 4>& density,
                      const std::array<int, 4>& period_qm, int first) {
    double g = 0.0;
    for (int k = first; k < 4; ++k) {
        if (density[k] < 0.5 || p.GVE[k] == 0.0) continue;
        const double days = std::max(0, period_qm[k]) * kDaysPerQuarterMonthGrazing;
        g += density[k] / p.GVE[k] * p.uptake_rate[k] * days;
    }
    return g;
}

// Index of the use after which the method's leftover nitrogen is read.
int last_use_index(int method_nr) {
    switch (method_nr) {
        case 2: case 7: case 12: return 2;
        case 3: case 8: case 13: return 1;
        case 4: case 9: return 0;
        default: return 3;  // methods 1, 5, 6, 11
    }
}

}  // namespace

FertiliserOutcome fertiliser_saving(int a, int b, int c, int d, int method_nr, UsabilityParameters& p,
                                    const std::array<double, 4>& density, double u, int v,
                                    const GrowthTables& t) {
    FertiliserOutcome out;
    if ((method_nr >= 1 && method_nr <= 9) || (method_nr >= 11 && method_nr <= 13)) {
        out.uses = use_yield_model(v, p, a, b, c, d, t);
        out.saving = nitrogen_saving(p.nitrogen_left[last_use_index(method_nr)], v, u);
    } else if (method_nr == 10) {
        const std::array<int, 4> periods = {b, c, d, 41 - a - b - c - d};
        out.uses.energy[0] = static_cast<int>(grazing_uptake(p, density, periods, 0));
    } else if (method_nr == 14) {
        out.uses = use_yield_model(v, p, a, 0, 0, 0, t);
        out.saving = nitrogen_saving(p.nitrogen_left[0], v, u);
        for (int k = 1; k < 4; ++k) out.uses.yield[k] = 0.0;
        const std::array<int, 4> periods = {0, b, c, d};
        out.uses.energy[1] = static_cast<int>(grazing_uptake(p, density, periods, 1));
        out.uses.energy[2] = 0;
        out.uses.energy[3] = 0;
    }
    return out;
}

}  // namespace pravel
