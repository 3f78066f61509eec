#include "optimisation/pixel_allocation.h"

#include <algorithm>
#include <limits>
#include <memory>
#include <stdexcept>

#include "store/landscape_store.h"
#include <string>

#include "common/random.h"

namespace pravel {

namespace {

// Head value of a measure that does not contend (list exhausted, count
// reached) or whose candidate is passed over (negative net value).
constexpr double kOut = -std::numeric_limits<double>::infinity();

// The offer of the next step, from the net value at each measure's cursor
// (kOut for a measure that does not contend): the highest value of at least
// 0. Equal values are settled by a coin; the first value >= 0 also needs
// one, so a lone 0 is taken only on an odd draw. -1 when nothing is chosen.
int choose_offer(const std::vector<double>& head) {
    int choice = -1;
    double best = 0.0;
    const std::size_t n = head.size();
    for (std::size_t m = 0; m < n; ++m) {
        const double v = head[m];
        if (v < 0.0) continue;
        if (v > best) {
            choice = static_cast<int>(m);
            best = v;
        }
        if (v == best && (rand15() & 1) != 0) choice = static_cast<int>(m);
    }
    return choice;
}

int cell_of(const PixelResult& r, int rows, int columns) {
    if (r.row < 0 || r.row >= rows || r.column < 0 || r.column >= columns) {
        throw std::invalid_argument("pixel " + std::to_string(r.pixelID) + " at row " + std::to_string(r.row) +
                                    ", column " + std::to_string(r.column) + " lies outside the raster of " +
                                    std::to_string(rows) + " x " + std::to_string(columns) + " cells");
    }
    return r.row * columns + r.column;
}

}  // namespace

std::vector<MeasureCandidates> sorted_candidates(std::vector<std::vector<PixelResult>> lists) {
    std::vector<MeasureCandidates> out(lists.size());
    for (std::size_t m = 0; m < lists.size(); ++m) {
        out[m].list = std::move(lists[m]);
        std::stable_sort(out[m].list.begin(), out[m].list.end(), [](const PixelResult& a, const PixelResult& b) {
            return a.margin_with_payment > b.margin_with_payment;
        });
    }
    return out;
}

void apply_payments(std::vector<MeasureCandidates>& candidates, const std::vector<double>& payment,
                    int transaction_costs) {
    for (std::size_t m = 0; m < candidates.size(); ++m) {
        MeasureCandidates& c = candidates[m];
        c.cursor = 0;
        if (c.list.empty()) continue;
        const double p = m < payment.size() ? payment[m] : 0.0;
        MeasureRecord copy = c.list.front().measure ? *c.list.front().measure : MeasureRecord{};
        copy.payment = p;
        auto shared = std::make_shared<const MeasureRecord>(std::move(copy));
        for (PixelResult& r : c.list) {
            r.margin_with_payment = r.margin_without_payment + p - transaction_costs;
            r.measure = shared;
        }
    }
}

double PixelAllocation(std::vector<MeasureCandidates>& candidates, const std::vector<int>& max_count,
                       int raster_rows, int raster_columns, int species_count, double pixel_area,
                       std::vector<double>& effective_area, std::vector<int>& participants,
                       std::vector<PixelResult>& allocation) {
    const std::size_t n = candidates.size();
    std::vector<std::uint8_t> taken(static_cast<std::size_t>(std::max(0, raster_rows)) *
                                        static_cast<std::size_t>(std::max(0, raster_columns)),
                                    0);
    effective_area.assign(static_cast<std::size_t>(std::max(0, species_count)), 0.0);
    participants.assign(n, 0);
    std::vector<std::size_t> cursor(n);
    for (std::size_t m = 0; m < n; ++m) cursor[m] = candidates[m].cursor;

    auto head_of = [&](std::size_t m) {
        const std::vector<PixelResult>& list = candidates[m].list;
        if (cursor[m] >= list.size() || participants[m] >= (m < max_count.size() ? max_count[m] : 0)) return kOut;
        const double v = list[cursor[m]].margin_with_payment;
        return v < 0.0 ? kOut : v;
    };
    std::vector<double> head(n);
    for (std::size_t m = 0; m < n; ++m) head[m] = head_of(m);

    double payment_sum = 0.0;
    for (;;) {
        const int choice = choose_offer(head);
        if (choice < 0) break;
        const std::size_t m = static_cast<std::size_t>(choice);
        const PixelResult& r = candidates[m].list[cursor[m]];
        const std::size_t cell = static_cast<std::size_t>(cell_of(r, raster_rows, raster_columns));
        if (!taken[cell]) {
            const std::size_t q = std::min(r.qualities.size(), effective_area.size());
            for (std::size_t s = 0; s < q; ++s) effective_area[s] += pixel_area * r.qualities[s].quality;
            payment_sum += r.measure ? r.measure->payment : 0.0;
            participants[m] += 1;
            taken[cell] = 1;
            allocation.push_back(r);
        }
        ++cursor[m];
        head[m] = head_of(m);
    }
    for (std::size_t m = 0; m < n; ++m) candidates[m].cursor = cursor[m];
    return pixel_area * payment_sum;
}

AllocationEngine::AllocationEngine(const std::vector<MeasureCandidates>& candidates, int raster_rows,
                                   int raster_columns, int species_count, double pixel_area)
    : candidates_(&candidates),
      lanes_(candidates.size()),
      species_count_(std::max(0, species_count)),
      pixel_area_(pixel_area),
      taken_(static_cast<std::size_t>(std::max(0, raster_rows)) * static_cast<std::size_t>(std::max(0, raster_columns)),
             0),
      cursor_(candidates.size(), 0) {
    const std::size_t ns = static_cast<std::size_t>(species_count_);
    for (std::size_t m = 0; m < candidates.size(); ++m) {
        const std::vector<PixelResult>& list = candidates[m].list;
        Lane& lane = lanes_[m];
        lane.margin.reserve(list.size());
        lane.cell.reserve(list.size());
        lane.quality.assign(list.size() * ns, 0.0);
        for (std::size_t i = 0; i < list.size(); ++i) {
            const PixelResult& r = list[i];
            lane.margin.push_back(r.margin_without_payment);
            lane.cell.push_back(cell_of(r, raster_rows, raster_columns));
            const std::size_t q = std::min(r.qualities.size(), ns);
            for (std::size_t s = 0; s < q; ++s) lane.quality[i * ns + s] = r.qualities[s].quality;
        }
    }
}

void AllocationEngine::run(const std::vector<double>& payment, const std::vector<int>& max_count,
                           int transaction_costs, Outcome& out) {
    const std::size_t n = lanes_.size();
    const std::size_t ns = static_cast<std::size_t>(species_count_);
    for (int cell : set_cells_) taken_[static_cast<std::size_t>(cell)] = 0;
    set_cells_.clear();
    std::fill(cursor_.begin(), cursor_.end(), 0);
    out.effective_area.assign(ns, 0.0);
    out.participants.assign(n, 0);
    out.picks.clear();

    // Net value = margin + payment - transaction costs: the same expression
    // as apply_payments, so that equal net values (the ties the coin
    // settles) are equal here too.
    const double tc = static_cast<double>(transaction_costs);
    auto head_of = [&](std::size_t m) {
        const Lane& lane = lanes_[m];
        if (cursor_[m] >= lane.margin.size() ||
            out.participants[m] >= (m < max_count.size() ? max_count[m] : 0))
            return kOut;
        const double v = lane.margin[cursor_[m]] + (m < payment.size() ? payment[m] : 0.0) - tc;
        return v < 0.0 ? kOut : v;
    };
    // Only the contending measures, in measure order, with their net values:
    // a measure that stops contending (list exhausted, count reached, a
    // negative net value at its cursor, which never advances then) cannot
    // contend again in this run, so it leaves the scan for good.
    active_measure_.clear();
    active_head_.clear();
    for (std::size_t m = 0; m < n; ++m) {
        const double v = head_of(m);
        if (v == kOut) continue;
        active_measure_.push_back(static_cast<int>(m));
        active_head_.push_back(v);
    }

    double payment_sum = 0.0;
    long long steps = 0;
    for (;;) {
        const int slot = choose_offer(active_head_);
        if (slot < 0) break;
        const int choice = active_measure_[static_cast<std::size_t>(slot)];
        const std::size_t m = static_cast<std::size_t>(choice);
        const std::size_t i = cursor_[m];
        const Lane& lane = lanes_[m];
        const int cell = lane.cell[i];
        if (!taken_[static_cast<std::size_t>(cell)]) {
            const double* q = lane.quality.data() + i * ns;
            for (std::size_t s = 0; s < ns; ++s) out.effective_area[s] += pixel_area_ * q[s];
            payment_sum += m < payment.size() ? payment[m] : 0.0;
            out.participants[m] += 1;
            taken_[static_cast<std::size_t>(cell)] = 1;
            set_cells_.push_back(cell);
            out.picks.emplace_back(choice, static_cast<int>(i));
        }
        ++cursor_[m];
        ++steps;
        const double v = head_of(m);
        if (v == kOut) {
            active_measure_.erase(active_measure_.begin() + slot);
            active_head_.erase(active_head_.begin() + slot);
        } else {
            active_head_[static_cast<std::size_t>(slot)] = v;
        }
    }
    out.steps = steps;
    out.budget = pixel_area_ * payment_sum;
}

OptimisationResult AllocationEngine::materialise(const Outcome& outcome, const std::vector<double>& payment,
                                                 const std::vector<int>& max_count, int transaction_costs) const {
    const std::vector<MeasureCandidates>& candidates = *candidates_;
    std::vector<std::shared_ptr<const MeasureRecord>> measures(candidates.size());
    for (std::size_t m = 0; m < candidates.size(); ++m) {
        if (candidates[m].list.empty()) continue;
        MeasureRecord copy = candidates[m].list.front().measure ? *candidates[m].list.front().measure : MeasureRecord{};
        copy.payment = m < payment.size() ? payment[m] : 0.0;
        measures[m] = std::make_shared<const MeasureRecord>(std::move(copy));
    }
    OptimisationResult result;
    result.allocation.reserve(outcome.picks.size());
    for (const auto& [m, i] : outcome.picks) {
        const std::size_t mi = static_cast<std::size_t>(m);
        PixelResult r = candidates[mi].list[static_cast<std::size_t>(i)];
        r.margin_with_payment = r.margin_without_payment + (mi < payment.size() ? payment[mi] : 0.0) -
                                static_cast<double>(transaction_costs);
        r.measure = measures[mi];
        result.allocation.push_back(std::move(r));
    }
    result.effective_area = outcome.effective_area;
    result.participants = outcome.participants;
    result.payment = payment;
    result.max_count = max_count;
    result.budget = outcome.budget;
    return result;
}

EvaluatedArea evaluate_area(DatabaseAccess& db, const EvaluationRequest& request, Feedback* feedback) {
    EvaluatedArea area;
    area.lists = EvaluationRun(db, request, feedback);
    const RasterReference reference = load_raster_reference(db, request.countryID);
    area.raster_rows = reference.number_of_rows;
    area.raster_columns = reference.number_of_columns;
    area.pixel_area = reference.pixel_area_ha;
    return area;
}

EvaluatedArea evaluate_area(DatabaseAccess& db, EvaluationRequest request, std::optional<std::uint32_t> seed,
                            Feedback* feedback) {
    if (seed) request.seed = *seed;
    return evaluate_area(db, request, feedback);
}

}  // namespace pravel
