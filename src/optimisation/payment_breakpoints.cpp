#include "optimisation/payment_breakpoints.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <tuple>
#include <unordered_map>

namespace pravel {

namespace {

// The merge of the groups goes by bracket + payment, which may round a
// little differently from the breakpoint itself; listing everything within
// this much of the last one wanted keeps every breakpoint the full listing
// would take.
double slack(double value) { return 1e-7 * std::max(1.0, std::fabs(value)); }

// Strides over the breakpoints of one measure: 1, 2, 3, 4, then growing by
// about a half each time.
std::vector<std::size_t> stride_points(std::size_t count, std::size_t reach, int max_steps) {
    std::vector<std::size_t> out;
    const std::size_t last = std::min(count, reach);
    std::size_t k = 1;
    while (k <= last && static_cast<int>(out.size()) < max_steps) {
        out.push_back(k);
        k = k < 4 ? k + 1 : k + k / 2;
    }
    if (last > 0 && (out.empty() || out.back() != last) && static_cast<int>(out.size()) < max_steps + 1)
        out.push_back(last);
    return out;
}

}  // namespace

PaymentModel::PaymentModel(const std::vector<MeasureCandidates>& candidates, int species_count, double pixel_area,
                           int transaction_costs)
    : measures_(static_cast<int>(candidates.size())),
      species_(std::max(0, species_count)),
      pixel_area_(pixel_area),
      transaction_costs_(transaction_costs),
      measure_offers_(candidates.size()),
      offer_count_(candidates.size(), 0) {
    // (row, column, measure, index in the measure's list)
    std::vector<std::tuple<int, int, int, std::size_t>> keys;
    for (std::size_t m = 0; m < candidates.size(); ++m)
        for (std::size_t i = 0; i < candidates[m].list.size(); ++i)
            keys.emplace_back(candidates[m].list[i].row, candidates[m].list[i].column, static_cast<int>(m), i);
    std::sort(keys.begin(), keys.end());

    const std::size_t ns = static_cast<std::size_t>(species_);
    offers_.reserve(keys.size());
    offer_pixel_.reserve(keys.size());
    quality_.assign(keys.size() * ns, 0.0);
    for (std::size_t k = 0; k < keys.size(); ++k) {
        const auto& [row, column, m, i] = keys[k];
        const bool new_pixel = k == 0 || std::get<0>(keys[k - 1]) != row || std::get<1>(keys[k - 1]) != column;
        // A pixel listed twice by one measure keeps its first entry only: it
        // can take the measure once.
        if (!new_pixel && std::get<2>(keys[k - 1]) == m) continue;
        if (new_pixel) pixel_begin_.push_back(offers_.size());
        const PixelResult& r = candidates[static_cast<std::size_t>(m)].list[i];
        const std::size_t o = offers_.size();
        offers_.push_back({m, r.margin_without_payment});
        offer_pixel_.push_back(static_cast<int>(pixel_begin_.size()) - 1);
        const std::size_t q = std::min(r.qualities.size(), ns);
        for (std::size_t s = 0; s < q; ++s) quality_[o * ns + s] = r.qualities[s].quality;
        measure_offers_[static_cast<std::size_t>(m)].push_back(o);
        ++offer_count_[static_cast<std::size_t>(m)];
    }
    quality_.resize(offers_.size() * ns);
    pixel_begin_.push_back(offers_.size());
    merge_alike_pixels();
}

PaymentModel::PaymentModel(const CandidateLists& candidates, int species_count, double pixel_area,
                           int transaction_costs)
    : measures_(static_cast<int>(candidates.lists.size())),
      species_(std::max(0, species_count)),
      pixel_area_(pixel_area),
      transaction_costs_(transaction_costs),
      measure_offers_(candidates.lists.size()),
      offer_count_(candidates.lists.size(), 0) {
    // The offers in the order of the full records' constructor: by pixel
    // (the cell orders pixels as row and column do), measure and place; the
    // candidates are bucketed by cell (numbered through the lists), which
    // keeps measure and place in order within a cell without a sort.
    const std::size_t cells = static_cast<std::size_t>(std::max(0, candidates.raster_rows)) *
                              static_cast<std::size_t>(std::max(0, candidates.raster_columns));
    std::vector<std::size_t> first(candidates.lists.size() + 1, 0);  // number of each list's first candidate
    for (std::size_t m = 0; m < candidates.lists.size(); ++m) first[m + 1] = first[m] + candidates.lists[m].size();
    if (first.back() >= std::numeric_limits<std::uint32_t>::max())
        throw std::length_error("too many candidates for the payment model");
    std::vector<std::uint32_t> start(cells + 1, 0);
    for (const CompactResults& list : candidates.lists)
        for (std::size_t i = 0; i < list.size(); ++i) {
            if (list[i].cell >= cells) throw std::invalid_argument("a candidate lies outside the raster");
            ++start[list[i].cell + 1];
        }
    for (std::size_t c = 0; c < cells; ++c) start[c + 1] += start[c];
    std::vector<std::uint32_t> order(first.back());
    {
        std::vector<std::uint32_t> next(start.begin(), start.end() - 1);
        for (std::size_t m = 0; m < candidates.lists.size(); ++m)
            for (std::size_t i = 0; i < candidates.lists[m].size(); ++i)
                order[next[candidates.lists[m][i].cell]++] = static_cast<std::uint32_t>(first[m] + i);
    }

    for (std::size_t m = 0; m < candidates.lists.size(); ++m) measure_offers_[m].reserve(candidates.lists[m].size());
    const std::size_t ns = static_cast<std::size_t>(species_);
    offers_.reserve(order.size());
    offer_pixel_.reserve(order.size());
    quality_.assign(order.size() * ns, 0.0);
    for (std::size_t c = 0; c < cells; ++c) {
        std::size_t last_measure = std::numeric_limits<std::size_t>::max();
        for (std::size_t k = start[c]; k < start[c + 1]; ++k) {
            const std::size_t m =
                static_cast<std::size_t>(std::upper_bound(first.begin(), first.end(), order[k]) - first.begin()) - 1;
            const std::size_t i = order[k] - first[m];
            // A pixel listed twice by one measure keeps its first entry only.
            if (m == last_measure) continue;
            if (k == start[c]) pixel_begin_.push_back(offers_.size());
            last_measure = m;
            const CompactResults& list = candidates.lists[m];
            const std::size_t o = offers_.size();
            offers_.push_back({static_cast<int>(m), list[i].margin_without_payment});
            offer_pixel_.push_back(static_cast<int>(pixel_begin_.size()) - 1);
            for (std::size_t e = list.quality_begin(i); e < list.quality_end(i); ++e)
                if (list.species_index(e) < ns) quality_[o * ns + list.species_index(e)] = list.quality(e);
            measure_offers_[m].push_back(o);
            ++offer_count_[m];
        }
    }
    quality_.resize(offers_.size() * ns);
    pixel_begin_.push_back(offers_.size());
    merge_alike_pixels();
}

void PaymentModel::merge_alike_pixels() {
    const std::size_t pixels = pixel_begin_.size() - 1;
    const std::size_t ns = static_cast<std::size_t>(species_);
    auto margin_bits = [](double margin) {
        const double m = margin + 0.0;  // -0 and 0 alike
        std::uint64_t bits;
        std::memcpy(&bits, &m, sizeof bits);
        return bits;
    };
    std::vector<std::size_t> begin{0};
    std::vector<Offer> offers;
    std::vector<int> offer_pixel;
    std::vector<double> quality;
    std::vector<int> weight;
    std::unordered_map<std::uint64_t, std::vector<int>> by_hash;
    for (std::size_t k = 0; k < pixels; ++k) {
        const std::size_t b = pixel_begin_[k], e = pixel_begin_[k + 1];
        std::uint64_t h = 1469598103934665603ull;
        for (std::size_t o = b; o < e; ++o) {
            h = (h ^ static_cast<std::uint64_t>(offers_[o].measure)) * 1099511628211ull;
            h = (h ^ margin_bits(offers_[o].margin)) * 1099511628211ull;
        }
        std::vector<int>& alike = by_hash[h];
        int group = -1;
        for (int g : alike) {
            const std::size_t gb = begin[static_cast<std::size_t>(g)];
            if (begin[static_cast<std::size_t>(g) + 1] - gb != e - b) continue;
            bool same = true;
            for (std::size_t i = 0; i < e - b && same; ++i)
                same = offers[gb + i].measure == offers_[b + i].measure && offers[gb + i].margin == offers_[b + i].margin;
            if (same) {
                group = g;
                break;
            }
        }
        if (group >= 0) {
            const std::size_t gb = begin[static_cast<std::size_t>(group)];
            ++weight[static_cast<std::size_t>(group)];
            for (std::size_t i = 0; i < e - b; ++i)
                for (std::size_t s = 0; s < ns; ++s) quality[(gb + i) * ns + s] += quality_[(b + i) * ns + s];
            continue;
        }
        group = static_cast<int>(weight.size());
        alike.push_back(group);
        weight.push_back(1);
        for (std::size_t o = b; o < e; ++o) {
            offers.push_back(offers_[o]);
            offer_pixel.push_back(group);
            quality.insert(quality.end(), quality_.begin() + static_cast<std::ptrdiff_t>(o * ns),
                           quality_.begin() + static_cast<std::ptrdiff_t>((o + 1) * ns));
        }
        begin.push_back(offers.size());
    }
    offers_ = std::move(offers);
    offer_pixel_ = std::move(offer_pixel);
    quality_ = std::move(quality);
    quality_.shrink_to_fit();
    pixel_begin_ = std::move(begin);
    weight_ = std::move(weight);
    for (auto& list : measure_offers_) list.clear();
    std::fill(offer_count_.begin(), offer_count_.end(), 0);
    for (std::size_t o = 0; o < offers_.size(); ++o) {
        const std::size_t m = static_cast<std::size_t>(offers_[o].measure);
        measure_offers_[m].push_back(o);
        ++offer_count_[m];
    }
    for (auto& list : measure_offers_) list.shrink_to_fit();
}

void PaymentModel::recount(State& state) const {
    const std::size_t ns = static_cast<std::size_t>(species_);
    state.area.assign(ns, 0.0);
    state.participants.assign(static_cast<std::size_t>(measures_), 0);
    for (int o : state.choice) {
        if (o < 0) continue;
        const std::size_t oi = static_cast<std::size_t>(o);
        for (std::size_t s = 0; s < ns; ++s) state.area[s] += pixel_area_ * quality_[oi * ns + s];
        state.participants[static_cast<std::size_t>(offers_[oi].measure)] += weight_[static_cast<std::size_t>(offer_pixel_[oi])];
    }
    double sum = 0.0;
    for (int m = 0; m < measures_; ++m)
        sum += state.payment[static_cast<std::size_t>(m)] * state.participants[static_cast<std::size_t>(m)];
    state.budget = pixel_area_ * sum;
}

void PaymentModel::relist(State& state) const {
    state.held.assign(static_cast<std::size_t>(measures_), {});
    state.place.assign(state.choice.size(), -1);
    for (std::size_t k = 0; k < state.choice.size(); ++k) {
        const int c = state.choice[k];
        if (c < 0) continue;
        std::vector<int>& list = state.held[static_cast<std::size_t>(offers_[static_cast<std::size_t>(c)].measure)];
        state.place[k] = static_cast<int>(list.size());
        list.push_back(static_cast<int>(k));
    }
}

void PaymentModel::evaluate(const std::vector<double>& payment, State& state) const {
    state.payment = payment;
    state.payment.resize(static_cast<std::size_t>(measures_), 0.0);
    const int pixels = pixel_count();
    state.choice.assign(static_cast<std::size_t>(pixels), -1);
    for (int k = 0; k < pixels; ++k) state.choice[static_cast<std::size_t>(k)] = best_offer(static_cast<std::size_t>(k), state.payment);
    recount(state);
    relist(state);
    state.marks.clear();
    state.undo_choice.clear();
    state.undo_payment.clear();
    state.touched.pixels.clear();
    state.touched.all = true;
}

void PaymentModel::relink(State& state, std::size_t k, int to) const {
    const int from = state.choice[k];
    if (from >= 0) {
        std::vector<int>& list = state.held[static_cast<std::size_t>(offers_[static_cast<std::size_t>(from)].measure)];
        const std::size_t pos = static_cast<std::size_t>(state.place[k]);
        const int last = list.back();
        list[pos] = last;
        state.place[static_cast<std::size_t>(last)] = static_cast<int>(pos);
        list.pop_back();
        state.place[k] = -1;
    }
    if (to >= 0) {
        std::vector<int>& list = state.held[static_cast<std::size_t>(offers_[static_cast<std::size_t>(to)].measure)];
        state.place[k] = static_cast<int>(list.size());
        list.push_back(static_cast<int>(k));
    }
    state.choice[k] = to;
    Touched& t = state.touched;
    if (t.all) return;
    if (t.pixels.size() >= state.choice.size()) {
        t.pixels.clear();
        t.all = true;
        return;
    }
    t.pixels.push_back(static_cast<int>(k));
}

void PaymentModel::move(State& state, std::size_t k, int to) const {
    const int from = state.choice[k];
    if (from == to) return;
    if (!state.marks.empty()) state.undo_choice.emplace_back(static_cast<int>(k), from);
    const std::size_t ns = static_cast<std::size_t>(species_);
    if (from >= 0) {
        const std::size_t c = static_cast<std::size_t>(from);
        for (std::size_t s = 0; s < ns; ++s) state.area[s] -= pixel_area_ * quality_[c * ns + s];
        state.participants[static_cast<std::size_t>(offers_[c].measure)] -= weight_[k];
    }
    if (to >= 0) {
        const std::size_t o = static_cast<std::size_t>(to);
        for (std::size_t s = 0; s < ns; ++s) state.area[s] += pixel_area_ * quality_[o * ns + s];
        state.participants[static_cast<std::size_t>(offers_[o].measure)] += weight_[k];
    }
    relink(state, k, to);
}

void PaymentModel::set_payment(State& state, std::size_t m, double payment) const {
    if (!state.marks.empty()) state.undo_payment.emplace_back(static_cast<int>(m), state.payment[m]);
    state.payment[m] = payment;
}

void PaymentModel::rebudget(State& state) const {
    double sum = 0.0;
    for (int k = 0; k < measures_; ++k)
        sum += state.payment[static_cast<std::size_t>(k)] * state.participants[static_cast<std::size_t>(k)];
    state.budget = pixel_area_ * sum;
}

void PaymentModel::mark(State& state) const {
    State::Mark m;
    m.choices = state.undo_choice.size();
    m.payments = state.undo_payment.size();
    m.area = state.area;
    m.participants = state.participants;
    m.budget = state.budget;
    state.marks.push_back(std::move(m));
}

void PaymentModel::undo(State& state) const {
    if (state.marks.empty()) return;
    State::Mark m = std::move(state.marks.back());
    state.marks.pop_back();
    for (std::size_t i = state.undo_choice.size(); i > m.choices; --i) {
        const auto [k, before] = state.undo_choice[i - 1];
        relink(state, static_cast<std::size_t>(k), before);
    }
    state.undo_choice.resize(m.choices);
    for (std::size_t i = state.undo_payment.size(); i > m.payments; --i) {
        const auto [j, before] = state.undo_payment[i - 1];
        state.payment[static_cast<std::size_t>(j)] = before;
    }
    state.undo_payment.resize(m.payments);
    state.area = std::move(m.area);
    state.participants = std::move(m.participants);
    state.budget = m.budget;
}

void PaymentModel::keep(State& state) const {
    if (state.marks.empty()) return;
    state.marks.pop_back();
    if (state.marks.empty()) {
        state.undo_choice.clear();
        state.undo_payment.clear();
    }
}

double PaymentModel::requirement(const State& state, std::size_t k) const {
    const int c = state.choice[k];
    const Offer& held = offers_[static_cast<std::size_t>(c)];
    double rival = 0.0;
    for (std::size_t o = pixel_begin_[k]; o < pixel_begin_[k + 1]; ++o)
        if (static_cast<int>(o) != c) rival = std::max(rival, net(offers_[o], state.payment));
    return transaction_costs_ - held.margin + rival + kBreakpointMargin;
}

void PaymentModel::lower_exactly(State& state) const {
    const std::size_t n = static_cast<std::size_t>(measures_);
    std::vector<double> need(n);
    std::vector<int> takers(n);
    // Only the participants matter: each sweep goes over the measures'
    // lists, not over every pixel. The allocation does not change, so
    // neither do the areas.
    for (int sweep = 0; sweep < 200; ++sweep) {
        std::fill(need.begin(), need.end(), 0.0);
        std::fill(takers.begin(), takers.end(), 0);
        for (std::size_t m = 0; m < n; ++m) {
            for (int pk : state.held[m]) {
                const double r = requirement(state, static_cast<std::size_t>(pk));
                need[m] = takers[m] == 0 ? r : std::max(need[m], r);
                ++takers[m];
            }
        }
        bool changed = false;
        for (std::size_t m = 0; m < n; ++m) {
            const double target = takers[m] == 0 ? 0.0 : std::max(0.0, need[m]);
            if (target < state.payment[m] - 1e-9) {
                set_payment(state, m, target);
                changed = true;
            }
        }
        if (!changed) break;
    }
    rebudget(state);
}

double PaymentModel::breakpoint(const State& state, std::size_t o) const {
    const std::size_t m = static_cast<std::size_t>(offers_[o].measure);
    const int c = state.choice[static_cast<std::size_t>(offer_pixel_[o])];
    const double held = c < 0 ? 0.0 : std::max(0.0, net(offers_[static_cast<std::size_t>(c)], state.payment));
    const double at = std::max(state.payment[m], transaction_costs_ - offers_[o].margin + held);
    return std::max(0.0, at);
}

void PaymentModel::next_steps(const State& state, int m, int max_steps, std::size_t reach,
                              std::vector<Step>& steps) const {
    const std::size_t mi = static_cast<std::size_t>(m);
    // (breakpoint, offer) of every pixel the measure does not hold yet.
    std::vector<std::pair<double, std::size_t>> points;
    points.reserve(measure_offers_[mi].size());
    for (std::size_t o : measure_offers_[mi]) {
        const int c = state.choice[static_cast<std::size_t>(offer_pixel_[o])];
        if (c == static_cast<int>(o)) continue;
        points.emplace_back(breakpoint(state, o), o);
    }
    if (points.empty()) return;
    const std::size_t first = std::min(reach, points.size());
    // The nearest `first` breakpoints, in order, and after them those that a
    // step to the last of them draws in as well.
    auto cut = points.begin() + static_cast<std::ptrdiff_t>(first);
    if (first < points.size()) std::nth_element(points.begin(), cut, points.end());
    std::sort(points.begin(), cut);
    const double last = points[first - 1].first + kBreakpointMargin;
    const auto end = std::partition(cut, points.end(), [&](const auto& p) { return p.first <= last + slack(last); });
    std::sort(cut, end);
    points.erase(end, points.end());
    steps_from(state, m, points, first, max_steps, steps);
}

void PaymentModel::steps_from(const State& state, int m, const std::vector<std::pair<double, std::size_t>>& points,
                              std::size_t first, int max_steps, std::vector<Step>& steps) const {
    first = std::min(first, points.size());
    if (first == 0) return;
    const std::size_t mi = static_cast<std::size_t>(m);
    const double p = state.payment[mi];
    const std::size_t listed = points.size();
    const std::size_t ns = static_cast<std::size_t>(species_);
    std::vector<double> gain(ns, 0.0);
    double saved = 0.0;  // payments of the measures the switched pixels leave
    const int held_now = state.participants[mi];
    // What offer o adds to the gains and to the payments its pixel leaves.
    int taken_weight = 0;  // raster pixels of the offers taken
    auto add = [&](std::size_t o, std::vector<double>& g, double& left, int& joined) {
        const std::size_t k = static_cast<std::size_t>(offer_pixel_[o]);
        const int c = state.choice[k];
        for (std::size_t s = 0; s < ns; ++s) {
            g[s] += pixel_area_ * quality_[o * ns + s];
            if (c >= 0) g[s] -= pixel_area_ * quality_[static_cast<std::size_t>(c) * ns + s];
        }
        if (c >= 0) left += weight_[k] * state.payment[static_cast<std::size_t>(offers_[static_cast<std::size_t>(c)].measure)];
        joined += weight_[k];
    };
    std::size_t taken = 0;
    for (std::size_t k : stride_points(first, first, max_steps)) {
        const double payment = points[k - 1].first + kBreakpointMargin;
        // Every pixel the raise to the payment moves joins: those at the same
        // breakpoint and those less than the margin above it (equal
        // breakpoints may differ in their last digits), also beyond the
        // first `first`. Those within rounding of the payment itself (where
        // payments set the margin above earlier breakpoints meet another
        // one) are decided as the raise decides them.
        const double near = slack(payment);
        std::size_t upto = std::max(taken, k);
        while (upto < listed && points[upto].first < payment - near) ++upto;
        for (; taken < upto; ++taken) add(points[taken].second, gain, saved, taken_weight);
        std::vector<double> step_gain = gain;
        double step_saved = saved;
        int joined = taken_weight;
        for (std::size_t i = upto; i < listed && points[i].first <= payment + near; ++i)
            if (joins_at(state, points[i].second, payment)) add(points[i].second, step_gain, step_saved, joined);
        Step step;
        step.measure = m;
        step.payment = payment;
        step.joined = joined;
        step.extra_budget = pixel_area_ * (payment * (held_now + static_cast<double>(joined)) - p * held_now - step_saved);
        step.area_gain = std::move(step_gain);
        steps.push_back(std::move(step));
        if (upto >= first) break;
    }
}

void PaymentModel::apply(const Step& step, State& state) const { raise(state, step.measure, step.payment); }

void PaymentModel::raise(State& state, int m, double payment) const {
    const std::size_t mi = static_cast<std::size_t>(m);
    if (payment < state.payment[mi]) {
        // A lower payment can only move the pixels that hold the measure:
        // each takes its best offer afresh, as in evaluate.
        set_payment(state, mi, payment);
        const std::vector<int> holders = state.held[mi];
        for (int pk : holders) {
            const std::size_t k = static_cast<std::size_t>(pk);
            const int best = best_offer(k, state.payment);
            if (best != state.choice[k]) move(state, k, best);
        }
    } else {
        set_payment(state, mi, payment);
        raise_moves(state, m);
    }
    rebudget(state);
}

void PaymentModel::raise_moves(State& state, int m) const {
    const std::size_t mi = static_cast<std::size_t>(m);
    // Only pixels the measure offers can change: a pixel held by another
    // measure (or by none) moves when the raised offer now beats what it
    // holds, equal values going to the offer first in order, as in evaluate.
    // Pixels that hold the measure keep it.
    for (std::size_t o : measure_offers_[mi])
        if (joins(state, o)) move(state, static_cast<std::size_t>(offer_pixel_[o]), static_cast<int>(o));
}

bool PaymentModel::joins_at(const State& state, std::size_t o, double payment) const {
    const int c = state.choice[static_cast<std::size_t>(offer_pixel_[o])];
    if (c == static_cast<int>(o)) return false;
    const double v = offers_[o].margin + payment - transaction_costs_;
    if (v <= 0.0) return false;
    if (c >= 0) {
        const double held = net(offers_[static_cast<std::size_t>(c)], state.payment);
        if (v < held || (v == held && c < static_cast<int>(o))) return false;
    }
    return true;
}

bool PaymentModel::joins(const State& state, std::size_t o) const {
    return joins_at(state, o, state.payment[static_cast<std::size_t>(offers_[o].measure)]);
}

void PaymentModel::raise_offers(State& state, int m, double payment, const std::vector<std::size_t>& offers) const {
    set_payment(state, static_cast<std::size_t>(m), payment);
    for (std::size_t o : offers)
        if (joins(state, o)) move(state, static_cast<std::size_t>(offer_pixel_[o]), static_cast<int>(o));
    rebudget(state);
}

int PaymentModel::best_offer(std::size_t k, const std::vector<double>& payment) const {
    int best = -1;
    double best_value = 0.0;
    for (std::size_t o = pixel_begin_[k]; o < pixel_begin_[k + 1]; ++o) {
        const double v = net(offers_[o], payment);
        // A net value of exactly 0 is left to chance by the allocation;
        // here it counts as staying out, so that a pixel the search wants is
        // always given a positive net value.
        if (v > 0.0 && (best < 0 || v > best_value)) {
            best = static_cast<int>(o);
            best_value = v;
        }
    }
    return best;
}

std::vector<double> PaymentModel::protecting(const State& state, int m, double payment) const {
    std::vector<double> out = state.payment;
    out[static_cast<std::size_t>(m)] = payment;
    for (std::size_t o : measure_offers_[static_cast<std::size_t>(m)]) {
        const int c = state.choice[static_cast<std::size_t>(offer_pixel_[o])];
        if (c < 0 || c == static_cast<int>(o)) continue;
        const Offer& held = offers_[static_cast<std::size_t>(c)];
        const double keep = payment + offers_[o].margin - held.margin + kBreakpointMargin;
        double& p = out[static_cast<std::size_t>(held.measure)];
        p = std::max(p, keep);
    }
    return out;
}

std::vector<double> PaymentModel::requirements(const State& state, int m) const {
    std::vector<double> out;
    for (int k : state.held[static_cast<std::size_t>(m)]) {
        const int c = state.choice[static_cast<std::size_t>(k)];
        double rival = 0.0;
        for (std::size_t o = pixel_begin_[static_cast<std::size_t>(k)]; o < pixel_begin_[static_cast<std::size_t>(k) + 1]; ++o)
            if (static_cast<int>(o) != c) rival = std::max(rival, net(offers_[o], state.payment));
        out.push_back(std::max(0.0, transaction_costs_ - offers_[static_cast<std::size_t>(c)].margin + rival));
    }
    std::sort(out.begin(), out.end(), std::greater<double>());
    return out;
}

}  // namespace pravel

namespace pravel {


BreakpointIndex::BreakpointIndex(const PaymentModel& model)
    : model_(model),
      measures_(model.measure_count()),
      groups_(static_cast<std::size_t>(model.measure_count()) * static_cast<std::size_t>(model.measure_count() + 1)) {}

double BreakpointIndex::key(std::size_t o, int held) const {
    const double margin = model_.offers_[o].margin;
    if (held < 0) return model_.transaction_costs_ - margin;
    return model_.offers_[static_cast<std::size_t>(held)].margin - margin;
}

void BreakpointIndex::rebuild(const PaymentModel::State& state) {
    ++rebuilds_;
    for (Group& g : groups_) {
        g.sorted.clear();
        g.added.clear();
        g.added_sorted = 0;
        g.dead = 0;
    }
    choice_ = state.choice;
    stamp_.assign(choice_.size(), 0);
    for (std::size_t k = 0; k < choice_.size(); ++k) {
        const int c = choice_[k];
        const int h = c < 0 ? -1 : model_.offers_[static_cast<std::size_t>(c)].measure;
        for (std::size_t o = model_.pixel_begin_[k]; o < model_.pixel_begin_[k + 1]; ++o) {
            if (static_cast<int>(o) == c) {
                groups_[group_of(h, h)].sorted.push_back(
                    {model_.offers_[o].margin, static_cast<std::uint32_t>(o), 0u, static_cast<std::uint32_t>(k)});
                continue;
            }
            groups_[group_of(model_.offers_[o].measure, h)].sorted.push_back(
                {key(o, c), static_cast<std::uint32_t>(o), 0u, static_cast<std::uint32_t>(k)});
        }
    }
    for (Group& g : groups_)
        std::sort(g.sorted.begin(), g.sorted.end(),
                  earlier);
    built_ = true;
}

void BreakpointIndex::move(int pixel, int held) {
    const std::size_t k = static_cast<std::size_t>(pixel);
    const int before = choice_[k];
    const int old_holder = before < 0 ? -1 : model_.offers_[static_cast<std::size_t>(before)].measure;
    const int new_holder = held < 0 ? -1 : model_.offers_[static_cast<std::size_t>(held)].measure;
    const std::uint32_t stamp = ++stamp_[k];
    for (std::size_t o = model_.pixel_begin_[k]; o < model_.pixel_begin_[k + 1]; ++o) {
        const int j = model_.offers_[o].measure;
        ++groups_[group_of(j, old_holder)].dead;  // the held offer's entry too
        if (static_cast<int>(o) == held) {
            Group& g = groups_[group_of(j, j)];
            g.added.push_back({model_.offers_[o].margin, static_cast<std::uint32_t>(o), stamp, static_cast<std::uint32_t>(k)});
            continue;
        }
        Group& g = groups_[group_of(j, new_holder)];
        g.added.push_back({key(o, held), static_cast<std::uint32_t>(o), stamp, static_cast<std::uint32_t>(k)});
    }
    choice_[k] = held;
}

void BreakpointIndex::sync(const PaymentModel::State& state) {
    PaymentModel::Touched& touched = state.touched;
    const bool follows = built_ && followed_ == &state && !touched.all && choice_.size() == state.choice.size();
    followed_ = &state;
    if (!built_ || choice_.size() != state.choice.size()) {
        touched.pixels.clear();
        touched.all = false;
        rebuild(state);
        return;
    }
    changed_.clear();
    if (follows) {
        // Only the pixels written since the last look can differ.
        for (int k : touched.pixels)
            if (state.choice[static_cast<std::size_t>(k)] != choice_[static_cast<std::size_t>(k)]) {
                move(k, state.choice[static_cast<std::size_t>(k)]);
            }
        touched.pixels.clear();
        return;
    }
    touched.pixels.clear();
    touched.all = false;
    for (std::size_t k = 0; k < choice_.size(); ++k)
        if (state.choice[k] != choice_[k]) changed_.push_back(static_cast<int>(k));
    if (changed_.size() * 2 > choice_.size()) {
        rebuild(state);
        return;
    }
    for (int k : changed_) move(k, state.choice[static_cast<std::size_t>(k)]);
}

void BreakpointIndex::tidy(Group& g) {
    auto less = earlier;
    if (g.added_sorted < g.added.size()) {
        // Only the entries added since the last read are sorted, then
        // merged with the sorted ones before them.
        const auto mid = g.added.begin() + static_cast<std::ptrdiff_t>(g.added_sorted);
        std::sort(mid, g.added.end(), less);
        std::inplace_merge(g.added.begin(), mid, g.added.end(), less);
        g.added_sorted = g.added.size();
    }
    // Merged into the sorted run, stale entries dropped, once the added or
    // stale entries are a fair share of the group.
    // The entries that go stale are mostly the nearest ones, which every
    // listing reads, so a few of them are already worth a merge.
    if (g.added.size() <= g.sorted.size() / 8 + 32 && g.dead <= g.sorted.size() / 16 + 16) return;
    std::vector<Entry> merged;
    merged.reserve(g.sorted.size() + g.added.size());
    std::size_t a = 0, b = 0;
    while (a < g.sorted.size() || b < g.added.size()) {
        const bool take_added = a == g.sorted.size() || (b < g.added.size() && less(g.added[b], g.sorted[a]));
        const Entry& e = take_added ? g.added[b++] : g.sorted[a++];
        if (live(e)) merged.push_back(e);
    }
    g.sorted.swap(merged);
    g.added.clear();
    g.added_sorted = 0;
    g.dead = 0;
}

void BreakpointIndex::next_steps(const PaymentModel::State& state, int m, int max_steps, std::size_t reach,
                                 std::vector<PaymentModel::Step>& steps) {
    sync(state);
    if (reach == 0) return;
    const std::size_t width = static_cast<std::size_t>(measures_ + 1);
    auto holder_payment = [&](std::size_t group) {
        const int h = static_cast<int>(group % width) - 1;
        return h < 0 ? 0.0 : state.payment[static_cast<std::size_t>(h)];
    };
    heap_.clear();
    for (int h = -1; h < measures_; ++h) {
        if (h == m) continue;  // the offers m holds
        const std::size_t gi = group_of(m, h);
        Group& g = groups_[gi];
        if (g.sorted.empty() && g.added.empty()) continue;
        tidy(g);
        const double p = holder_payment(gi);
        if (!g.sorted.empty()) heap_.push_back({g.sorted[0].key + p, static_cast<std::uint32_t>(gi), 0u, false});
        if (!g.added.empty()) heap_.push_back({g.added[0].key + p, static_cast<std::uint32_t>(gi), 0u, true});
    }
    auto later = [](const Run& a, const Run& b) { return a.value > b.value; };
    std::make_heap(heap_.begin(), heap_.end(), later);
    found_.clear();
    double limit = std::numeric_limits<double>::infinity();
    while (!heap_.empty()) {
        std::pop_heap(heap_.begin(), heap_.end(), later);
        Run r = heap_.back();
        heap_.pop_back();
        if (r.value > limit) break;
        const Group& g = groups_[r.group];
        const std::vector<Entry>& run = r.added ? g.added : g.sorted;
        const Entry& e = run[r.pos];
        if (live(e)) {
            found_.emplace_back(model_.breakpoint(state, e.offer), static_cast<std::size_t>(e.offer));
            if (found_.size() == reach) limit = r.value + kBreakpointMargin + 3 * slack(r.value);
        }
        if (++r.pos < run.size()) {
            r.value = run[r.pos].key + holder_payment(r.group);
            heap_.push_back(r);
            std::push_heap(heap_.begin(), heap_.end(), later);
        }
    }
    std::sort(found_.begin(), found_.end());
    // The nearest `reach` and those a step to the last of them draws in.
    const std::size_t first = std::min(reach, found_.size());
    std::size_t keep = first;
    if (first > 0) {
        const double last = found_[first - 1].first + kBreakpointMargin;
        while (keep < found_.size() && found_[keep].first <= last + slack(last)) ++keep;
    }
    found_.resize(keep);
    model_.steps_from(state, m, found_, first, max_steps, steps);
}

}  // namespace pravel

namespace pravel {

void BreakpointIndex::raise(PaymentModel::State& state, int m, double payment) {
    const std::size_t mi = static_cast<std::size_t>(m);
    if (payment < state.payment[mi]) {
        model_.raise(state, m, payment);
        return;
    }
    sync(state);
    // An offer of a pixel held by h (or by none) can join m only where the
    // new payment reaches its bracket + h's payment; the slack keeps every
    // offer the exact comparison may take.
    offers_found_.clear();
    for (int h = -1; h < measures_; ++h) {
        if (h == m) continue;
        Group& g = groups_[group_of(m, h)];
        if (g.sorted.empty() && g.added.empty()) continue;
        tidy(g);
        const double p = h < 0 ? 0.0 : state.payment[static_cast<std::size_t>(h)];
        const double limit = payment - p + slack(payment) + slack(p);
        for (const std::vector<Entry>* run : {&g.sorted, &g.added})
            for (const Entry& e : *run) {
                if (e.key > limit) break;
                if (live(e)) offers_found_.push_back(e.offer);
            }
    }
    // In offer order, as the plain raise goes.
    std::sort(offers_found_.begin(), offers_found_.end());
    model_.raise_offers(state, m, payment, offers_found_);
}

std::vector<double> BreakpointIndex::protecting(const PaymentModel::State& state, int m, double payment) {
    sync(state);
    std::vector<double> out = state.payment;
    out[static_cast<std::size_t>(m)] = payment;
    for (int h = 0; h < measures_; ++h) {
        if (h == m) continue;
        Group& g = groups_[group_of(m, h)];
        if (g.sorted.empty() && g.added.empty()) continue;
        tidy(g);
        // The pixels of h with the least bracket need the most; the exact
        // sums are taken over every one near the least.
        const double least = first_live(g);
        if (least == std::numeric_limits<double>::infinity()) continue;
        const double limit = least + slack(least) + slack(payment);
        double& p = out[static_cast<std::size_t>(h)];
        for (const std::vector<Entry>* run : {&g.sorted, &g.added})
            for (const Entry& e : *run) {
                if (e.key > limit) break;
                if (!live(e)) continue;
                const PaymentModel::Offer& o = model_.offers_[e.offer];
                const int c = state.choice[static_cast<std::size_t>(model_.offer_pixel_[e.offer])];
                const PaymentModel::Offer& held = model_.offers_[static_cast<std::size_t>(c)];
                const double keep = payment + o.margin - held.margin + kBreakpointMargin;
                p = std::max(p, keep);
            }
    }
    return out;
}

}  // namespace pravel

namespace pravel {

double BreakpointIndex::first_live(Group& g) const {
    double least = std::numeric_limits<double>::infinity();
    for (const std::vector<Entry>* run : {&g.sorted, &g.added})
        for (const Entry& e : *run)
            if (live(e)) {
                least = std::min(least, e.key);
                break;
            }
    return least;
}

double BreakpointIndex::most_needed(const PaymentModel::State& state, int m) {
    // A participant of m needs tc - its margin + kBreakpointMargin, or, where
    // measure j offers it a positive net value, its bracket in the group of
    // (j, m) subtracted from j's payment, plus the margin: the least
    // margins and brackets give the candidates, whose exact needs are taken.
    const double tc = model_.transaction_costs_;
    Group& own = groups_[group_of(m, m)];
    tidy(own);
    double top = tc - first_live(own);
    for (int j = 0; j < measures_; ++j) {
        if (j == m) continue;
        Group& g = groups_[group_of(j, m)];
        if (g.sorted.empty() && g.added.empty()) continue;
        tidy(g);
        const double least = first_live(g);
        if (least == std::numeric_limits<double>::infinity()) continue;
        top = std::max(top, state.payment[static_cast<std::size_t>(j)] - least);
    }
    const double floor = top - slack(top) - slack(tc);
    double need = -std::numeric_limits<double>::infinity();
    auto take = [&](const Entry& e) {
        const std::size_t k = static_cast<std::size_t>(model_.offer_pixel_[e.offer]);
        need = std::max(need, model_.requirement(state, k));
    };
    for (const std::vector<Entry>* run : {&own.sorted, &own.added})
        for (const Entry& e : *run) {
            if (tc - e.key < floor) break;
            if (live(e)) take(e);
        }
    for (int j = 0; j < measures_; ++j) {
        if (j == m) continue;
        Group& g = groups_[group_of(j, m)];
        const double p = state.payment[static_cast<std::size_t>(j)];
        for (const std::vector<Entry>* run : {&g.sorted, &g.added})
            for (const Entry& e : *run) {
                if (p - e.key < floor - slack(p)) break;
                if (live(e)) take(e);
            }
    }
    return need;
}

void BreakpointIndex::lower_exactly(PaymentModel::State& state) {
    sync(state);
    const std::size_t n = static_cast<std::size_t>(measures_);
    std::vector<double> need(n, 0.0);
    // The sweeps of model.lower_exactly, each payment from the same needs.
    for (int sweep = 0; sweep < 200; ++sweep) {
        for (std::size_t m = 0; m < n; ++m)
            need[m] = state.held[m].empty() ? 0.0 : most_needed(state, static_cast<int>(m));
        bool changed = false;
        for (std::size_t m = 0; m < n; ++m) {
            const double target = state.held[m].empty() ? 0.0 : std::max(0.0, need[m]);
            if (target < state.payment[m] - 1e-9) {
                model_.set_payment(state, m, target);
                changed = true;
            }
        }
        if (!changed) break;
    }
    model_.rebudget(state);
}

}  // namespace pravel
