#pragma once
// The candidate lists seen pixel by pixel, for searches that move one
// measure's payment at a time. With no count limit binding, every pixel
// simply takes the measure with its highest net value (if that is not
// negative), which this model evaluates in one pass over the offers, far
// faster than the general merge of the allocation. Raising one measure's
// payment changes that allocation only at breakpoints, where a pixel's net
// value for the measure reaches 0 (it joins) or its net value for the
// measure it holds (it switches); the model lists those breakpoints and
// what each one adds.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "optimisation/pixel_allocation.h"

namespace pravel {

// Payments are set this far above a breakpoint, so that the pixel meant to
// join or switch has a strictly better net value and no coin decides.
inline constexpr double kBreakpointMargin = 0.001;

class PaymentModel {
public:
    // `pixel_area` is the area each participant is paid for (ha).
    PaymentModel(const std::vector<MeasureCandidates>& candidates, int species_count, double pixel_area,
                 int transaction_costs);
    // The same model from compact lists (sorted by net value).
    PaymentModel(const CandidateLists& candidates, int species_count, double pixel_area, int transaction_costs);

    // Pixels whose choice was written since a BreakpointIndex last looked
    // at the state. A copied or assigned state counts as changed
    // everywhere, so that an index never trusts a list that belongs to
    // another state.
    struct Touched {
        std::vector<int> pixels;
        bool all = true;
        Touched() = default;
        Touched(const Touched&) {}
        Touched(Touched&&) noexcept {}
        Touched& operator=(const Touched&) {
            pixels.clear();
            all = true;
            return *this;
        }
        Touched& operator=(Touched&&) noexcept {
            pixels.clear();
            all = true;
            return *this;
        }
    };

    // The allocation at given payments when no count limit binds.
    struct State {
        std::vector<double> payment;       // per measure
        // Per pixel of the model (alike pixels kept as one): offer index, -1
        // when the pixel takes no measure.
        std::vector<int> choice;
        std::vector<double> area;          // effective area per species (ha)
        std::vector<int> participants;     // per measure, in pixels of the area
        double budget = 0.0;               // Euro

        // The pixels each measure holds (in no particular order) and each
        // pixel's place in its measure's list, so that the work on a
        // measure's participants does not go over every pixel.
        std::vector<std::vector<int>> held;
        std::vector<int> place;
        // Changes since the marks (see mark), newest last.
        struct Mark {
            std::size_t choices = 0, payments = 0;
            std::vector<double> area;
            std::vector<int> participants;
            double budget = 0.0;
        };
        std::vector<std::pair<int, int>> undo_choice;       // (pixel, choice before)
        std::vector<std::pair<int, double>> undo_payment;   // (measure, payment before)
        std::vector<Mark> marks;
        mutable Touched touched;
    };

    // One breakpoint step of a measure: raising its payment to `payment`
    // draws in `joined` more pixels (from no measure or from another one).
    struct Step {
        int measure = -1;
        double payment = 0.0;
        int joined = 0;
        double extra_budget = 0.0;       // Euro
        std::vector<double> area_gain;   // per species, ha (may be negative for switched pixels)
    };

    int measure_count() const { return measures_; }
    int species_count() const { return species_; }
    // Pixels of the model: alike pixels of the area count once.
    int pixel_count() const { return static_cast<int>(pixel_begin_.size()) - 1; }
    double pixel_area() const { return pixel_area_; }
    int transaction_costs() const { return transaction_costs_; }
    bool has_candidates(int m) const { return offer_count_[static_cast<std::size_t>(m)] > 0; }

    // Allocates every pixel to its best positive net value at the payments
    // (equal values: the first measure in measure order).
    void evaluate(const std::vector<double>& payment, State& state) const;

    // Lowers each payment to the least that keeps every participant: its
    // cost plus transaction costs, and above its best competing net value,
    // repeated until no payment falls any more. The allocation and every
    // effective area stay as they are; the budget falls or stays.
    void lower_exactly(State& state) const;

    // The next breakpoints of measure m above its payment, at most
    // `max_steps` of them, spread over the first `reach` breakpoints (the
    // first ones one by one, then in growing strides), each as a step from
    // the state: what raising the payment to the margin above the breakpoint
    // changes, every pixel it draws in counted. Appends to `steps`.
    void next_steps(const State& state, int m, int max_steps, std::size_t reach, std::vector<Step>& steps) const;

    // Where the offer `o` (of a pixel that does not hold it) joins its
    // measure: the least payment at which it beats what its pixel holds (at
    // least the measure's payment now, never below 0).
    double breakpoint(const State& state, std::size_t o) const;

    // The steps to the first `first` of the breakpoints `points`
    // ((breakpoint, offer), the nearest ones in order), at most `max_steps`
    // of them as next_steps spreads them. Each step holds every pixel its
    // payment draws in, so `points` goes on with every breakpoint up to
    // kBreakpointMargin (and rounding) above the first `first`.
    void steps_from(const State& state, int m, const std::vector<std::pair<double, std::size_t>>& points,
                    std::size_t first, int max_steps, std::vector<Step>& steps) const;

    // The state after a step: the payment raised and the pixels moved.
    void apply(const Step& step, State& state) const;

    // Marks the state, so that every change after it (payments, pixels
    // moved, areas, budget) can be taken back by undo, at a cost in
    // proportion to what changed; marks nest. keep drops the newest mark
    // and keeps the changes (under an outer mark they can still be undone
    // with it). evaluate drops every mark.
    void mark(State& state) const;
    void undo(State& state) const;
    void keep(State& state) const;

    // Sets measure m's payment. A raise looks only at the pixels m offers
    // and moves those whose best offer it now is, updating the effective
    // areas, participants and budget by what they change; for a state that
    // is the allocation of its payments (as evaluate gives, or one step after
    // another from it) the result is the allocation evaluate gives at the new
    // payments, pixel for pixel. A lower payment moves only the pixels that
    // hold the measure, each to its best offer.
    void raise(State& state, int m, double payment) const;

    // Payments that raise measure m to `payment` while every other measure
    // keeps the pixels it holds: each is raised just enough to stay ahead of
    // m's new net value on its pixels.
    std::vector<double> protecting(const State& state, int m, double payment) const;

    // What each participant of measure m needs: its cost plus transaction
    // costs, or more when another measure offers it a positive net value.
    // Sorted from the most demanding down.
    std::vector<double> requirements(const State& state, int m) const;

    // Maximum counts that reproduce the state in the general allocation:
    // each measure may take exactly its participants.
    std::vector<int> counts(const State& state) const { return state.participants; }

private:
    friend class BreakpointIndex;
    struct Offer {
        int measure;
        double margin;  // margin without payment
    };
    double net(const Offer& o, const std::vector<double>& payment) const {
        return o.margin + payment[static_cast<std::size_t>(o.measure)] - transaction_costs_;
    }
    double quality(std::size_t offer, int s) const {
        return quality_[offer * static_cast<std::size_t>(species_) + static_cast<std::size_t>(s)];
    }
    // Pixels with the same offers (measures and margins, in the same
    // order) take the same offer at any payments, so they join, switch and
    // leave together: the model keeps them as one pixel weighing as many
    // raster pixels, with the sum of their qualities. Many pixels share their
    // costs (the same grassland on the same soil), on a large area by the
    // ten thousand, so the model and its breakpoint lists shrink and a
    // step reaches as many payment levels as on a small area.
    void merge_alike_pixels();
    void recount(State& state) const;
    // Lists the pixels by the measure they hold.
    void relist(State& state) const;
    // Moves pixel k to offer `to` (-1: none), updating areas, participants,
    // the measure lists and the undo log.
    void move(State& state, std::size_t k, int to) const;
    void set_payment(State& state, std::size_t m, double payment) const;
    void rebudget(State& state) const;
    // Pixel k's list entry: out of the list of the measure it holds, into
    // the list of the measure of `to`.
    void relink(State& state, std::size_t k, int to) const;
    // The offer pixel k takes at the payments: its best positive net value,
    // the first in order among equal ones; -1 for none.
    int best_offer(std::size_t k, const std::vector<double>& payment) const;
    void raise_moves(State& state, int m) const;
    // The raise of measure m over the offers `offers` of m alone (ascending),
    // which must hold every offer the raise moves.
    void raise_offers(State& state, int m, double payment, const std::vector<std::size_t>& offers) const;
    // What participant k needs to stay: tc - its margin, plus the best
    // positive net value another measure offers it, plus kBreakpointMargin.
    double requirement(const State& state, std::size_t k) const;
    // Whether the raised offer o takes its pixel from what the pixel holds.
    bool joins(const State& state, std::size_t o) const;
    // Whether offer o would take its pixel with its measure paid `payment`.
    bool joins_at(const State& state, std::size_t o, double payment) const;

    int measures_;
    int species_;
    double pixel_area_;
    int transaction_costs_;
    std::vector<std::size_t> pixel_begin_;  // offers of pixel k: [pixel_begin_[k], pixel_begin_[k + 1])
    std::vector<Offer> offers_;
    std::vector<int> offer_pixel_;
    std::vector<int> weight_;               // raster pixels each model pixel stands for
    std::vector<double> quality_;           // species_ per offer
    std::vector<std::vector<std::size_t>> measure_offers_;  // offers of each measure
    std::vector<std::size_t> offer_count_;
};

// The breakpoints of every measure kept sorted between the steps of a
// search, so that listing a measure's next breakpoints costs time in
// proportion to the breakpoints listed and the pixels that moved since the
// last listing, not to all the measure's offers.
//
// A pixel's offer of measure j that the pixel does not hold joins j at
// (margin of the held offer - margin of the offer) + payment of the holding
// measure, or at transaction costs - margin of the offer on a pixel that
// holds nothing. The bracket does not depend on the payments, so the offers
// are kept sorted by it in one group per (j, holding measure) and merged by
// the payments of the moment; only a pixel that changes its holder moves
// between groups. The group (j, j) holds the offers j holds, sorted by their
// margin, for the needs of j's participants.
class BreakpointIndex {
public:
    explicit BreakpointIndex(const PaymentModel& model);

    // Brings the index to the state's allocation: the pixels whose holder
    // differs from the last state seen move between groups (everything is
    // sorted afresh when many did).
    void sync(const PaymentModel::State& state);

    // The same steps as model.next_steps(state, m, max_steps, reach, steps),
    // for a state that is the allocation of its payments (each pixel holds
    // its best positive offer, as evaluate, raise and lower_exactly leave
    // it). Syncs to the state first.
    void next_steps(const PaymentModel::State& state, int m, int max_steps, std::size_t reach,
                    std::vector<PaymentModel::Step>& steps);

    long long rebuilds() const { return rebuilds_; }

    // The same as model.raise(state, m, payment), for a state that is the
    // allocation of its payments: a raise looks only at the offers whose
    // breakpoint the new payment reaches (read from the groups), not at all
    // of the measure's offers. Syncs to the state first.
    void raise(PaymentModel::State& state, int m, double payment);

    // The same as model.lower_exactly(state), for a state that is the
    // allocation of its payments: each measure's need comes from the
    // participants nearest to it in the groups, not from all participants.
    void lower_exactly(PaymentModel::State& state);

    // The same as model.protecting(state, m, payment), from the groups: each
    // holding measure's payment follows from its nearest breakpoints.
    std::vector<double> protecting(const PaymentModel::State& state, int m, double payment);

private:
    struct Entry {
        double key;
        std::uint32_t offer;
        std::uint32_t stamp;
        std::uint32_t pixel;  // the offer's pixel, kept here to spare a lookup per liveness check
    };
    struct Group {
        std::vector<Entry> sorted;   // by key, then offer
        std::vector<Entry> added;    // since the last merge; sorted when read
        std::size_t added_sorted = 0;  // the first this many added entries are sorted
        std::size_t dead = 0;        // entries made stale since the last merge
    };
    static bool earlier(const Entry& a, const Entry& b) {
        return a.key < b.key || (a.key == b.key && a.offer < b.offer);
    }
    std::size_t group_of(int measure, int holder) const {
        return static_cast<std::size_t>(measure) * static_cast<std::size_t>(measures_ + 1) +
               static_cast<std::size_t>(holder + 1);
    }
    double key(std::size_t offer, int held) const;
    void rebuild(const PaymentModel::State& state);
    void move(int pixel, int held);
    void tidy(Group& g);
    double first_live(Group& g) const;
    // The most any participant of m needs to stay (m must have some).
    double most_needed(const PaymentModel::State& state, int m);
    bool live(const Entry& e) const {
        return stamp_[e.pixel] == e.stamp;
    }

    const PaymentModel& model_;
    int measures_;
    bool built_ = false;
    long long rebuilds_ = 0;
    const PaymentModel::State* followed_ = nullptr;  // the state the groups were last brought to
    std::vector<int> choice_;              // the allocation the groups reflect
    std::vector<std::uint32_t> stamp_;     // per pixel; entries of an older stamp are stale
    std::vector<Group> groups_;            // measures x (holding measure + 1)
    std::vector<int> changed_;
    // Buffers of a listing.
    struct Run {
        double value;
        std::uint32_t group;
        std::uint32_t pos;
        bool added;
    };
    std::vector<Run> heap_;
    std::vector<std::pair<double, std::size_t>> found_;
    std::vector<std::size_t> offers_found_;
};

}  // namespace pravel
