#include "policy/tender.h"

#include <algorithm>
#include <cmath>
#include <queue>
#include <stdexcept>

#include "optimisation/cost_only_bound.h"

namespace pravel {

namespace {

struct Bid {
    int measure;
    const PixelResult* record;
    std::size_t cell;
    double price;  // Euro for the pixel
    double cost;   // Euro for the pixel
};

constexpr double kFree = 1e300;  // score of a bid that asks nothing

}  // namespace

double bid_price(const PixelResult& record, int transaction_costs, double markup) {
    const double cost = -record.margin_without_payment;
    const double asked = std::max(0.0, cost) * (1.0 + markup) + std::min(0.0, cost) + transaction_costs;
    return std::max(0.0, asked);
}

TenderResult run_tender(const EvaluatedArea& area, const std::vector<double>& wanted_area_ha, int transaction_costs,
                        double markup) {
    if (!(markup >= 0.0) || !std::isfinite(markup)) throw std::invalid_argument("the markup must be 0 or more");
    const std::size_t species = wanted_area_ha.size();
    const double pa = area.pixel_area;
    TenderResult out;
    out.markup = markup;
    out.measures.resize(area.lists.size());
    out.area.assign(species, 0.0);

    std::vector<Bid> bids;
    for (std::size_t m = 0; m < area.lists.size(); ++m)
        for (const PixelResult& r : area.lists[m]) {
            const std::size_t cell = static_cast<std::size_t>(r.row) * static_cast<std::size_t>(area.raster_columns) +
                                     static_cast<std::size_t>(r.column);
            bids.push_back({static_cast<int>(m), &r, cell, pa * bid_price(r, transaction_costs, markup),
                            pa * cost_only_payment(r, transaction_costs)});
        }

    std::vector<double> missing = wanted_area_ha;
    auto removed = [&](const Bid& b) {
        double sum = 0.0;
        for (std::size_t s = 0; s < species && s < b.record->qualities.size(); ++s)
            sum += std::min(std::max(0.0, missing[s]), pa * b.record->qualities[s].quality);
        return sum;
    };
    auto score = [&](const Bid& b) {
        const double r = removed(b);
        if (r <= 1e-12) return 0.0;
        return b.price <= 0.0 ? kFree + r : r / b.price;
    };
    auto total_missing = [&] {
        double sum = 0.0;
        for (double v : missing) sum += std::max(0.0, v);
        return sum;
    };

    // Lazy greedy: a bid's score only falls as the targets fill, so a bid
    // whose fresh score still leads the queue is the best one.
    using Entry = std::pair<double, std::size_t>;
    std::priority_queue<Entry> queue;
    for (std::size_t i = 0; i < bids.size(); ++i)
        if (const double s = score(bids[i]); s > 0.0) queue.push({s, i});
    std::vector<std::uint8_t> taken(static_cast<std::size_t>(area.raster_rows) *
                                        static_cast<std::size_t>(area.raster_columns),
                                    0);
    std::vector<std::size_t> accepted;
    while (!queue.empty() && total_missing() > 1e-9) {
        const auto [stored, i] = queue.top();
        queue.pop();
        const Bid& b = bids[i];
        if (b.cell < taken.size() && taken[b.cell]) continue;
        const double fresh = score(b);
        if (fresh <= 0.0) continue;
        if (!queue.empty() && fresh < queue.top().first) {
            queue.push({fresh, i});
            continue;
        }
        accepted.push_back(i);
        if (b.cell < taken.size()) taken[b.cell] = 1;
        for (std::size_t s = 0; s < species && s < b.record->qualities.size(); ++s)
            missing[s] -= pa * b.record->qualities[s].quality;
    }

    // Let go of accepted bids the targets no longer need, the dearest first.
    std::vector<double> area_sum(species, 0.0);
    for (std::size_t i : accepted)
        for (std::size_t s = 0; s < species && s < bids[i].record->qualities.size(); ++s)
            area_sum[s] += pa * bids[i].record->qualities[s].quality;
    std::vector<std::size_t> order = accepted;
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return bids[a].price > bids[b].price; });
    std::vector<std::uint8_t> dropped(bids.size(), 0);
    for (std::size_t i : order) {
        bool needed = false;
        for (std::size_t s = 0; s < species && s < bids[i].record->qualities.size(); ++s) {
            const double q = pa * bids[i].record->qualities[s].quality;
            if (q > 0.0 && area_sum[s] - q < wanted_area_ha[s] - 1e-9) needed = true;
        }
        if (needed) continue;
        dropped[i] = 1;
        for (std::size_t s = 0; s < species && s < bids[i].record->qualities.size(); ++s)
            area_sum[s] -= pa * bids[i].record->qualities[s].quality;
    }

    for (std::size_t i : accepted) {
        if (dropped[i]) continue;
        const Bid& b = bids[i];
        TenderMeasure& tm = out.measures[static_cast<std::size_t>(b.measure)];
        ++tm.participants;
        tm.area_ha += pa;
        tm.payments += b.price;
        tm.costs += b.cost;
        out.budget += b.price;
        out.costs += b.cost;
        PixelResult r = *b.record;
        r.margin_with_payment = r.margin_without_payment + b.price / pa - transaction_costs;
        out.accepted.push_back(std::move(r));
    }
    out.area = area_sum;
    out.reached = true;
    for (std::size_t s = 0; s < species; ++s)
        if (out.area[s] < wanted_area_ha[s] - 1e-6) out.reached = false;
    return out;
}

}  // namespace pravel
