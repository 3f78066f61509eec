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
      species_count_(std::max(0, species_count)),
      pixel_area_(pixel_area),
      taken_(static_cast<std::size_t>(std::max(0, raster_rows)) * static_cast<std::size_t>(std::max(0, raster_columns)),
             0),
      cursor_(candidates.size(), 0) {
    const std::size_t ns = static_cast<std::size_t>(species_count_);
    dense_.resize(candidates.size());
    for (std::size_t m = 0; m < candidates.size(); ++m) {
        const std::vector<PixelResult>& list = candidates[m].list;
        Lane& lane = dense_[m];
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

AllocationEngine::AllocationEngine(const CandidateLists& candidates, int species_count, double pixel_area)
    : compact_(&candidates),
      species_count_(std::max(0, species_count)),
      pixel_area_(pixel_area),
      taken_(static_cast<std::size_t>(std::max(0, candidates.raster_rows)) *
                 static_cast<std::size_t>(std::max(0, candidates.raster_columns)),
             0),
      cursor_(candidates.lists.size(), 0) {
    if (!candidates.sorted) throw std::logic_error("the allocation needs candidate lists sorted by net value");
    for (const CompactResults& list : candidates.lists) {
        for (std::size_t i = 0; i < list.size(); ++i)
            if (list[i].cell >= taken_.size())
                throw std::invalid_argument("a candidate's cell " + std::to_string(list[i].cell) +
                                            " lies outside the raster of " + std::to_string(candidates.raster_rows) +
                                            " x " + std::to_string(candidates.raster_columns) + " cells");
        lanes_.push_back(&list);
    }
}

// The lanes of full records: dense copies.
struct AllocationEngine::DenseView {
    const std::vector<Lane>& lanes;
    std::size_t ns;
    std::size_t size(std::size_t m) const { return lanes[m].margin.size(); }
    double margin(std::size_t m, std::size_t i) const { return lanes[m].margin[i]; }
    int cell(std::size_t m, std::size_t i) const { return lanes[m].cell[i]; }
    void add_area(std::size_t m, std::size_t i, double pixel_area, std::vector<double>& area) const {
        const double* q = lanes[m].quality.data() + i * ns;
        for (std::size_t s = 0; s < ns; ++s) area[s] += pixel_area * q[s];
    }
};

// The compact lists, read where they are.
struct AllocationEngine::CompactView {
    const std::vector<const CompactResults*>& lanes;
    std::size_t ns;
    std::size_t size(std::size_t m) const { return lanes[m]->size(); }
    double margin(std::size_t m, std::size_t i) const { return (*lanes[m])[i].margin_without_payment; }
    int cell(std::size_t m, std::size_t i) const { return static_cast<int>((*lanes[m])[i].cell); }
    // Only the qualities that are not 0: adding 0 would change no sum.
    void add_area(std::size_t m, std::size_t i, double pixel_area, std::vector<double>& area) const {
        const CompactResults& lane = *lanes[m];
        for (std::size_t e = lane.quality_begin(i); e < lane.quality_end(i); ++e) {
            const std::size_t s = lane.species_index(e);
            if (s < ns) area[s] += pixel_area * lane.quality(e);
        }
    }
};

template <typename View>
void AllocationEngine::run_on(const View& view, const std::vector<double>& payment, const std::vector<int>& max_count,
                              int transaction_costs, Outcome& out) {
    const std::size_t n = cursor_.size();
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
        if (cursor_[m] >= view.size(m) || out.participants[m] >= (m < max_count.size() ? max_count[m] : 0))
            return kOut;
        const double v = view.margin(m, cursor_[m]) + (m < payment.size() ? payment[m] : 0.0) - tc;
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
        const int cell = view.cell(m, i);
        if (!taken_[static_cast<std::size_t>(cell)]) {
            view.add_area(m, i, pixel_area_, out.effective_area);
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

void AllocationEngine::run(const std::vector<double>& payment, const std::vector<int>& max_count,
                           int transaction_costs, Outcome& out) {
    const std::size_t ns = static_cast<std::size_t>(species_count_);
    if (compact_)
        run_on(CompactView{lanes_, ns}, payment, max_count, transaction_costs, out);
    else
        run_on(DenseView{dense_, ns}, payment, max_count, transaction_costs, out);
}

OptimisationResult AllocationEngine::materialise(const Outcome& outcome, const std::vector<double>& payment,
                                                 const std::vector<int>& max_count, int transaction_costs) const {
    // The full records: the caller's, those kept with compact lists, or
    // rebuilt from the compact lists.
    const std::vector<MeasureCandidates>* full =
        candidates_ ? candidates_ : (compact_->records.empty() ? nullptr : &compact_->records);
    std::vector<std::shared_ptr<const MeasureRecord>> measures(cursor_.size());
    for (std::size_t m = 0; m < cursor_.size(); ++m) {
        if (list_size(static_cast<int>(m)) == 0) continue;
        const MeasureRecord* prepared = full ? (*full)[m].list.front().measure.get()
                                             : (m < compact_->measures.size() ? compact_->measures[m].get() : nullptr);
        MeasureRecord copy = prepared ? *prepared : MeasureRecord{};
        copy.payment = m < payment.size() ? payment[m] : 0.0;
        measures[m] = std::make_shared<const MeasureRecord>(std::move(copy));
    }
    OptimisationResult result;
    result.allocation.reserve(outcome.picks.size());
    for (const auto& [m, i] : outcome.picks) {
        const std::size_t mi = static_cast<std::size_t>(m);
        PixelResult r = full ? (*full)[mi].list[static_cast<std::size_t>(i)]
                             : compact_->record(mi, static_cast<std::size_t>(i));
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

PixelResult CandidateLists::record(std::size_t m, std::size_t i) const {
    const CompactResults& list = lists[m];
    const CompactResult& c = list[i];
    PixelResult r;
    const auto place = std::lower_bound(pixels.begin(), pixels.end(), c.cell,
                                        [](const CandidatePixel& p, std::uint32_t cell) { return p.cell < cell; });
    if (place != pixels.end() && place->cell == c.cell) {
        r.pixelID = place->pixelID;
        r.x_coordinate = place->x_coordinate;
        r.y_coordinate = place->y_coordinate;
    }
    const std::uint32_t columns = static_cast<std::uint32_t>(std::max(1, raster_columns));
    r.row = static_cast<int>(c.cell / columns);
    r.column = static_cast<int>(c.cell % columns);
    r.qualities.resize(species_ids.size());
    for (std::size_t s = 0; s < species_ids.size(); ++s) r.qualities[s] = {species_ids[s], 0.0};
    for (std::size_t e = list.quality_begin(i); e < list.quality_end(i); ++e)
        if (list.species_index(e) < r.qualities.size()) r.qualities[list.species_index(e)].quality = list.quality(e);
    r.margin_without_payment = c.margin_without_payment;
    r.margin_with_payment = c.margin_without_payment;
    if (m < measures.size()) r.measure = measures[m];
    return r;
}

CandidateLists candidate_lists(const EvaluatedArea& area) {
    CandidateLists out;
    out.records = sorted_candidates(area.lists);
    out.raster_rows = area.raster_rows;
    out.raster_columns = area.raster_columns;
    out.pixel_area = area.pixel_area;
    out.lists.resize(out.records.size());
    std::vector<double> values;
    for (std::size_t m = 0; m < out.records.size(); ++m) {
        for (const PixelResult& r : out.records[m].list) {
            values.resize(r.qualities.size());
            for (std::size_t s = 0; s < values.size(); ++s) values[s] = r.qualities[s].quality;
            out.lists[m].add(static_cast<std::uint32_t>(cell_of(r, area.raster_rows, area.raster_columns)),
                             r.margin_without_payment, values.data(), values.size());
        }
    }
    out.sorted = true;
    return out;
}

CandidateLists evaluate_candidates(DatabaseAccess& db, EvaluationRequest request, std::optional<std::uint32_t> seed,
                                   Feedback* feedback) {
    if (seed) request.seed = *seed;
    CompactEvaluation evaluation = CompactEvaluationRun(db, request, feedback, true);
    const RasterReference reference = load_raster_reference(db, request.countryID);
    CandidateLists out;
    out.raster_rows = evaluation.area.rows();
    out.raster_columns = evaluation.area.columns();
    out.pixel_area = reference.pixel_area_ha;
    for (const SpeciesRecord& s : request.species) out.species_ids.push_back(s.speciesID);
    for (const MeasureRecord& m : evaluation.measures) out.measures.push_back(std::make_shared<const MeasureRecord>(m));
    // The numbers and coordinates of the cells the lists hold; the loaded
    // area itself is given back with the evaluation.
    std::vector<std::uint8_t> used(static_cast<std::size_t>(out.raster_rows) * static_cast<std::size_t>(out.raster_columns), 0);
    for (const CompactResults& list : evaluation.results)
        for (std::size_t i = 0; i < list.size(); ++i) used[list[i].cell] = 1;
    const std::size_t columns = static_cast<std::size_t>(std::max(1, out.raster_columns));
    for (std::size_t cell = 0; cell < used.size(); ++cell) {
        if (!used[cell]) continue;
        const PixelRecord& p = evaluation.area.at(static_cast<int>(cell / columns), static_cast<int>(cell % columns));
        out.pixels.push_back({static_cast<std::uint32_t>(cell), p.pixelID, p.x_coordinate, p.y_coordinate});
    }
    out.lists = std::move(evaluation.results);
    return out;
}

void sort_by_net_value(CandidateLists& candidates) {
    if (candidates.sorted) return;
    for (CompactResults& list : candidates.lists) list.sort_by_net_value();
    candidates.sorted = true;
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
