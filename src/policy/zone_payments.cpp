#include "policy/zone_payments.h"

#include <algorithm>
#include <unordered_map>

namespace pravel {

namespace {

// Measure index of each measureID among the lists.
std::unordered_map<int, int> measure_index(const EvaluatedArea& area) {
    std::unordered_map<int, int> index;
    for (std::size_t m = 0; m < area.lists.size(); ++m)
        for (const PixelResult& r : area.lists[m])
            if (r.measure) {
                index.emplace(r.measure->measureID, static_cast<int>(m));
                break;
            }
    return index;
}

// The zone solution of a search run on the split lists.
ZonedSolution from_keyed(const OptimisationResult& keyed, const ZonedArea& split, const std::string& description) {
    ZonedSolution z;
    z.description = description;
    z.zone_names = split.zone_names;
    z.measures = split.measures;
    z.zones = split.zones;
    z.key_payment = keyed.payment;
    z.key_participants = keyed.participants;
    z.key_payment.resize(split.keys.size(), 0.0);
    z.key_participants.resize(split.keys.size(), 0);
    OptimisationResult& r = z.result;
    r.allocation = keyed.allocation;
    r.effective_area = keyed.effective_area;
    r.budget = keyed.budget;
    r.iterations = keyed.iterations;
    r.participants.assign(static_cast<std::size_t>(z.measures), 0);
    r.max_count.assign(static_cast<std::size_t>(z.measures), 0);
    r.payment.assign(static_cast<std::size_t>(z.measures), 0.0);
    for (std::size_t k = 0; k < split.keys.size(); ++k) {
        const std::size_t m = static_cast<std::size_t>(split.keys[k].measure);
        r.participants[m] += z.key_participants[k];
        r.max_count[m] += k < keyed.max_count.size() ? keyed.max_count[k] : 0;
        r.payment[m] += z.key_payment[k] * z.key_participants[k];
    }
    for (std::size_t m = 0; m < r.payment.size(); ++m)
        r.payment[m] = r.participants[m] > 0 ? r.payment[m] / r.participants[m] : 0.0;
    return z;
}

// The start solution in the zones of `split`: each zone takes the payments
// of its start zone, and the start's allocation stays as it is (every
// allocated pixel sees the same payment as before).
ZonedSolution mapped_start(const ZonedSolution& start, const std::vector<int>& parent, const ZonedArea& split,
                           const ZoneMap& zones, const EvaluatedArea& area, const std::string& description) {
    ZonedSolution z;
    z.description = description;
    z.zone_names = split.zone_names;
    z.measures = split.measures;
    z.zones = split.zones;
    z.key_payment.assign(split.keys.size(), 0.0);
    z.key_participants.assign(split.keys.size(), 0);
    for (std::size_t k = 0; k < split.keys.size(); ++k) {
        const int zone = split.keys[k].zone;
        const int from = zone < static_cast<int>(parent.size()) && parent[static_cast<std::size_t>(zone)] >= 0
                             ? parent[static_cast<std::size_t>(zone)]
                             : 0;
        z.key_payment[k] = start.payment(split.keys[k].measure, from);
    }
    const auto index = measure_index(area);
    const int none = zones.zone_count();
    for (const PixelResult& p : start.result.allocation) {
        if (!p.measure) continue;
        const auto it = index.find(p.measure->measureID);
        if (it == index.end()) continue;
        int zone = zones.zone_at(p.row, p.column);
        if (zone < 0) zone = none;
        ++z.key_participants[static_cast<std::size_t>(split.key(it->second, zone))];
    }
    z.result = start.result;
    z.kept_start = true;
    return z;
}

std::vector<double> start_payments(const ZonedSolution& mapped) { return mapped.key_payment; }

// The start zoning for each zoning: the uniform solution (index -1) or the
// best earlier zoning that it refines.
template <typename Better>
std::pair<const ZonedSolution*, std::vector<int>> choose_start(const ZoneMap& zones, const ZonedSolution& uniform,
                                                                const std::vector<ZoneMap>& earlier_maps,
                                                                const std::vector<ZonedSolution>& earlier,
                                                                Better better) {
    const ZonedSolution* chosen = &uniform;
    std::vector<int> parent(static_cast<std::size_t>(zones.zone_count()), 0);
    for (std::size_t i = 0; i < earlier.size(); ++i) {
        std::vector<int> p;
        if (!refines(zones, earlier_maps[i], p)) continue;
        if (better(earlier[i], *chosen)) {
            chosen = &earlier[i];
            parent = std::move(p);
        }
    }
    return {chosen, parent};
}

}  // namespace

ZonedSolution zoned_allocation(const std::vector<PixelResult>& allocation, const std::vector<int>& measure_ids,
                               const ZoneMap& zones, const std::vector<double>& key_payment,
                               const std::vector<double>& outside, const std::string& description) {
    ZonedSolution z;
    z.description = description;
    z.zone_names = zones.names;
    z.measures = static_cast<int>(measure_ids.size());
    bool anywhere_else = false;
    for (const PixelResult& p : allocation)
        if (zones.zone_at(p.row, p.column) < 0) anywhere_else = true;
    if (anywhere_else) z.zone_names.push_back("(no zone)");
    z.zones = static_cast<int>(z.zone_names.size());
    const int n = zones.zone_count();
    z.key_payment.assign(static_cast<std::size_t>(z.measures) * static_cast<std::size_t>(z.zones), 0.0);
    z.key_participants.assign(z.key_payment.size(), 0);
    for (int m = 0; m < z.measures; ++m)
        for (int k = 0; k < z.zones; ++k) {
            const std::size_t from = static_cast<std::size_t>(m) * static_cast<std::size_t>(n) + static_cast<std::size_t>(k);
            z.key_payment[static_cast<std::size_t>(m * z.zones + k)] =
                k < n ? (from < key_payment.size() ? key_payment[from] : 0.0)
                      : (static_cast<std::size_t>(m) < outside.size() ? outside[static_cast<std::size_t>(m)] : 0.0);
        }
    std::unordered_map<int, int> index;
    for (std::size_t m = 0; m < measure_ids.size(); ++m) index.emplace(measure_ids[m], static_cast<int>(m));
    OptimisationResult& r = z.result;
    r.allocation = allocation;
    r.participants.assign(measure_ids.size(), 0);
    r.payment.assign(measure_ids.size(), 0.0);
    for (const PixelResult& p : allocation) {
        if (!p.measure) continue;
        const auto it = index.find(p.measure->measureID);
        if (it == index.end()) continue;
        int zone = zones.zone_at(p.row, p.column);
        if (zone < 0) zone = n;
        const std::size_t key = static_cast<std::size_t>(it->second * z.zones + zone);
        ++z.key_participants[key];
        ++r.participants[static_cast<std::size_t>(it->second)];
        r.payment[static_cast<std::size_t>(it->second)] += z.key_payment[key];
    }
    for (std::size_t m = 0; m < r.payment.size(); ++m)
        r.payment[m] = r.participants[m] > 0 ? r.payment[m] / r.participants[m] : 0.0;
    return z;
}

double ZonedSolution::payment(int measure, int zone) const {
    const std::size_t k = static_cast<std::size_t>(measure) * static_cast<std::size_t>(zones) +
                          static_cast<std::size_t>(zone);
    return k < key_payment.size() ? key_payment[k] : 0.0;
}

int ZonedSolution::participants(int measure, int zone) const {
    const std::size_t k = static_cast<std::size_t>(measure) * static_cast<std::size_t>(zones) +
                          static_cast<std::size_t>(zone);
    return k < key_participants.size() ? key_participants[k] : 0;
}

double shortfall(const std::vector<double>& wanted, const std::vector<double>& achieved) {
    double sum = 0.0;
    for (std::size_t k = 0; k < wanted.size(); ++k)
        sum += std::max(0.0, wanted[k] - (k < achieved.size() ? achieved[k] : 0.0));
    return sum;
}

double weighted_area(const std::vector<double>& weight, const std::vector<double>& area) {
    double sum = 0.0;
    for (std::size_t k = 0; k < weight.size() && k < area.size(); ++k) sum += weight[k] * area[k];
    return sum;
}

ZonedSolution uniform_solution(const OptimisationResult& uniform, int measures) {
    ZonedSolution z;
    z.description = "uniform";
    z.zone_names = {"whole area"};
    z.measures = measures;
    z.zones = 1;
    z.key_payment = uniform.payment;
    z.key_participants = uniform.participants;
    z.key_payment.resize(static_cast<std::size_t>(measures), 0.0);
    z.key_participants.resize(static_cast<std::size_t>(measures), 0);
    z.result = uniform;
    return z;
}

ZonedSolution minimise_budget_in_zones(const ZonedBudgetSearch& search, const ZoneMap& zones,
                                       const ZonedSolution& start, const std::vector<int>& parent,
                                       BreakpointSearchOptions options, Feedback* feedback) {
    const ZonedArea split = split_by_zone(*search.area, zones);
    const ZonedSolution from = mapped_start(start, parent, split, zones, *search.area, zones.description);
    options.start_payment = start_payments(from);
    const OptimisationResult keyed = BreakpointBudgetMinimisation(split.area, search.input, options, feedback);
    ZonedSolution found = from_keyed(keyed, split, zones.description);
    const std::vector<double>& wanted = search.input.wanted_area_ha;
    const double fs = shortfall(wanted, found.result.effective_area);
    const double ss = shortfall(wanted, from.result.effective_area);
    const bool worse = fs > ss + 1e-6 || (fs >= ss - 1e-6 && found.result.budget > from.result.budget + 1e-6);
    return worse ? from : found;
}

ZonedSolution maximise_goal_in_zones(const ZonedGoalSearch& search, const ZoneMap& zones,
                                     const ZonedSolution& start, const std::vector<int>& parent,
                                     BreakpointSearchOptions options, Feedback* feedback) {
    const ZonedArea split = split_by_zone(*search.area, zones);
    const ZonedSolution from = mapped_start(start, parent, split, zones, *search.area, zones.description);
    options.start_payment = start_payments(from);
    const OptimisationResult keyed = BreakpointGoalMaximisation(split.area, search.input, options, feedback);
    ZonedSolution found = from_keyed(keyed, split, zones.description);
    const std::vector<double>& w = search.input.weight;
    const double limit = search.input.budget;
    const bool found_fits = found.result.budget <= limit + 1e-6;
    const bool start_fits = from.result.budget <= limit + 1e-6;
    bool worse = false;
    if (found_fits != start_fits) {
        worse = !found_fits;
    } else {
        const double jf = weighted_area(w, found.result.effective_area);
        const double js = weighted_area(w, from.result.effective_area);
        worse = jf < js - 1e-9 || (jf <= js + 1e-9 && found.result.budget > from.result.budget + 1e-6);
    }
    return worse ? from : found;
}

std::vector<ZonedSolution> budget_by_zones(const ZonedBudgetSearch& search, const OptimisationResult& uniform,
                                           const std::vector<ZoneMap>& zonings,
                                           const BreakpointSearchOptions& options, Feedback* feedback) {
    const ZonedSolution whole = uniform_solution(uniform, static_cast<int>(search.area->lists.size()));
    const std::vector<double>& wanted = search.input.wanted_area_ha;
    auto better = [&](const ZonedSolution& a, const ZonedSolution& b) {
        const double fa = shortfall(wanted, a.result.effective_area), fb = shortfall(wanted, b.result.effective_area);
        if (fa < fb - 1e-6) return true;
        if (fa > fb + 1e-6) return false;
        return a.result.budget < b.result.budget - 1e-6;
    };
    std::vector<ZonedSolution> out;
    for (std::size_t i = 0; i < zonings.size(); ++i) {
        const std::vector<ZoneMap> earlier_maps(zonings.begin(), zonings.begin() + static_cast<long>(i));
        auto [start, parent] = choose_start(zonings[i], whole, earlier_maps, out, better);
        out.push_back(minimise_budget_in_zones(search, zonings[i], *start, parent, options, feedback));
    }
    return out;
}

std::vector<ZonedSolution> goal_by_zones(const ZonedGoalSearch& search, const OptimisationResult& uniform,
                                         const std::vector<ZoneMap>& zonings, const BreakpointSearchOptions& options,
                                         Feedback* feedback) {
    const ZonedSolution whole = uniform_solution(uniform, static_cast<int>(search.area->lists.size()));
    const std::vector<double>& w = search.input.weight;
    auto better = [&](const ZonedSolution& a, const ZonedSolution& b) {
        const double ja = weighted_area(w, a.result.effective_area), jb = weighted_area(w, b.result.effective_area);
        if (ja > jb + 1e-9) return true;
        if (ja < jb - 1e-9) return false;
        return a.result.budget < b.result.budget - 1e-6;
    };
    std::vector<ZonedSolution> out;
    for (std::size_t i = 0; i < zonings.size(); ++i) {
        const std::vector<ZoneMap> earlier_maps(zonings.begin(), zonings.begin() + static_cast<long>(i));
        auto [start, parent] = choose_start(zonings[i], whole, earlier_maps, out, better);
        out.push_back(maximise_goal_in_zones(search, zonings[i], *start, parent, options, feedback));
    }
    return out;
}

}  // namespace pravel
