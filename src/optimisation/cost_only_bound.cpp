#include "optimisation/cost_only_bound.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <functional>
#include <cstdint>
#include <cstring>
#include <map>
#include <stdexcept>
#include <unordered_map>
#include <utility>

#include <ClpSimplex.hpp>
#include <ClpSolve.hpp>
#include <CoinPackedMatrix.hpp>

namespace pravel {

namespace {

// How many candidates ahead the gathering of offers asks for memory.
constexpr std::size_t kPrefetchAhead = 16;

// Largest magnitude of a coefficient, cost or right-hand side handed to the
// solver (Euro or ha); far above any real programme, far below the values
// the solver treats as infinite.
constexpr double kLargestCoefficient = 1e13;

// The columns (one per pixel and measure) and the rows of the programme:
// first one row per pixel offered by two or more measures (take at most one;
// a pixel offered once needs no row, its column bound does it), then the
// extra rows of the caller.
struct Programme {
    std::vector<int> start;     // column starts
    std::vector<int> index;     // row of each entry
    std::vector<double> value;  // coefficient of each entry
    std::vector<double> cost;   // Euro per column
    std::vector<const PixelResult*> record;
    int pixel_rows = 0;
};

Programme build(const std::vector<std::vector<PixelResult>>& lists, int transaction_costs, double pixel_area,
                const std::function<void(const PixelResult&, double cost, Programme&)>& extra) {
    std::map<std::pair<int, int>, int> offers;  // (row, column) -> measures offering the pixel
    for (const auto& list : lists)
        for (const PixelResult& r : list) ++offers[{r.row, r.column}];
    std::map<std::pair<int, int>, int> pixel_row;
    Programme p;
    for (const auto& [cell, count] : offers)
        if (count > 1) pixel_row[cell] = p.pixel_rows++;
    for (const auto& list : lists) {
        for (const PixelResult& r : list) {
            p.start.push_back(static_cast<int>(p.index.size()));
            const auto it = pixel_row.find({r.row, r.column});
            if (it != pixel_row.end()) {
                p.index.push_back(it->second);
                p.value.push_back(1.0);
            }
            const double cost = pixel_area * cost_only_payment(r, transaction_costs);
            p.cost.push_back(cost);
            p.record.push_back(&r);
            extra(r, cost, p);
        }
    }
    p.start.push_back(static_cast<int>(p.index.size()));
    return p;
}

// Solves and fills the bound; `sense` 1 minimises, -1 maximises.
CostOnlyBound solve(Programme& p, std::vector<double> row_lower, std::vector<double> row_upper,
                    const std::vector<double>& objective, double sense, std::size_t species,
                    double pixel_area, std::chrono::steady_clock::time_point started) {
    CostOnlyBound bound;
    // The solver takes very large values for infinite and stops the process
    // on some of them; a programme with such values is not worked out.
    const auto usable = [](const std::vector<double>& values) {
        return std::all_of(values.begin(), values.end(),
                           [](double v) { return std::isfinite(v) && std::fabs(v) <= kLargestCoefficient; });
    };
    const auto bound_usable = [](const std::vector<double>& values) {
        return std::all_of(values.begin(), values.end(), [](double v) {
            return v == COIN_DBL_MAX || v == -COIN_DBL_MAX || (std::isfinite(v) && std::fabs(v) <= kLargestCoefficient);
        });
    };
    if (!usable(p.value) || !usable(objective) || !bound_usable(row_lower) || !bound_usable(row_upper)) {
        bound.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        return bound;
    }
    const int columns = static_cast<int>(p.cost.size());
    const int rows = static_cast<int>(row_lower.size());
    std::vector<double> column_lower(static_cast<std::size_t>(columns), 0.0);
    std::vector<double> column_upper(static_cast<std::size_t>(columns), 1.0);
    ClpSimplex model;
    model.setLogLevel(0);
    model.loadProblem(columns, rows, p.start.data(), p.index.data(), p.value.data(), column_lower.data(),
                      column_upper.data(), objective.data(), row_lower.data(), row_upper.data());
    model.setOptimizationDirection(sense);
    // The dual simplex after presolve: the solver's automatic choice takes
    // other methods on programmes with many columns, and some of them print
    // to standard output whatever the log level.
    ClpSolve options;
    options.setSolveType(ClpSolve::useDual);
    options.setPresolveType(ClpSolve::presolveOn);
    model.initialSolve(options);
    bound.solved = model.isProvenOptimal() || model.isProvenPrimalInfeasible();
    bound.reachable = model.isProvenOptimal();
    if (bound.reachable) {
        bound.value = model.objectiveValue();
        const double* x = model.getColSolution();
        bound.area.assign(species, 0.0);
        for (int c = 0; c < columns; ++c) {
            const PixelResult& r = *p.record[static_cast<std::size_t>(c)];
            for (std::size_t s = 0; s < species && s < r.qualities.size(); ++s)
                bound.area[s] += x[c] * pixel_area * r.qualities[s].quality;
        }
    }
    bound.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    return bound;
}

// ---- The fast bounds ------------------------------------------------------

using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

bool in_range(double v) { return std::isfinite(v) && std::fabs(v) <= kLargestCoefficient; }

// The offers of the candidate lists grouped by pixel, reduced: an offer that
// another offer of the same pixel matches or beats in cost and in every
// value is left out, and pixels whose remaining offers agree exactly become
// one pixel class of larger area (its multiplicity).
struct PixelOffers {
    std::size_t values = 0;            // values per offer (species, or 1 for the goal's weighted effect)
    std::size_t species = 0;           // species qualities per offer
    std::vector<std::size_t> first;    // per class: its first offer; one more entry at the end
    std::vector<double> multiplicity;  // per class: pixels it stands for
    std::vector<double> cost;          // per offer: Euro (pixel area x cost-only payment)
    std::vector<double> value;         // per offer x values: what the rows count (ha)
    std::vector<double> quality;       // per offer x species: effective area (ha); none kept when
                                       // the values are the areas (species 0)
    bool usable = true;                // every value finite and within the solver's range
    std::size_t classes() const { return multiplicity.size(); }
};

// `values_of` writes an offer's counted values; an offer whose values are
// all 0 never helps (its cost is never below 0) and is left out.
template <class ValuesOf>
PixelOffers gather_offers(const BoundCandidates& candidates, std::size_t values, std::size_t species,
                          const ValuesOf& values_of) {
    PixelOffers o;
    o.values = values;
    o.species = species;
    o.first.push_back(0);
    const std::size_t n = candidates.size();
    const std::size_t ns = candidates.species;
    o.cost.reserve(n);
    o.value.reserve(n * values);
    o.quality.reserve(n * species);
    // The candidates of each pixel, by a counting sort on the pixel number.
    std::vector<std::uint32_t> start(candidates.pixels + 1, 0);
    for (std::size_t i = 0; i < n; ++i) ++start[candidates.pixel[i] + 1];
    for (std::size_t p = 0; p < candidates.pixels; ++p) start[p + 1] += start[p];
    std::vector<std::uint32_t> by_pixel(n);
    {
        std::vector<std::uint32_t> fill(start.begin(), start.end() - 1);
        for (std::size_t i = 0; i < n; ++i) by_pixel[fill[candidates.pixel[i]]++] = static_cast<std::uint32_t>(i);
    }

    struct Offer {
        double cost;
        std::size_t index;  // into the pixel's values and qualities
    };
    std::vector<Offer> offers;
    std::vector<double> offer_values, offer_quality;
    std::vector<std::size_t> kept;
    std::vector<double> scratch(values);
    // Pixel classes by a hash of their reduced offers: an open table of
    // (hash, class) with room for every pixel.
    std::size_t table_size = 16;
    while (table_size < 2 * candidates.pixels + 16) table_size *= 2;
    std::vector<std::uint64_t> table_hash(table_size, 0);
    std::vector<std::uint32_t> table_class(table_size, UINT32_MAX);
    for (std::size_t p = 0; p < candidates.pixels; ++p) {
        offers.clear();
        offer_values.clear();
        offer_quality.clear();
        for (std::size_t k = start[p]; k < start[p + 1]; ++k) {
            // The candidates lie scattered over the lists: ask for the ones
            // a few steps ahead while this one is worked on.
            if (k + kPrefetchAhead < n) {
                const std::size_t ahead = by_pixel[k + kPrefetchAhead];
                __builtin_prefetch(&candidates.cost[ahead]);
                __builtin_prefetch(&candidates.area[ahead * ns]);
            }
            const std::size_t i = by_pixel[k];
            const double cost = candidates.cost[i];
            values_of(i, scratch.data());
            bool useful = false;
            for (double v : scratch) {
                if (!in_range(v)) o.usable = false;
                if (v > 0.0) useful = true;
            }
            if (!in_range(cost)) o.usable = false;
            if (!o.usable) return o;
            if (!useful) continue;
            offers.push_back({cost, offers.size()});
            offer_values.insert(offer_values.end(), scratch.begin(), scratch.end());
            for (std::size_t s = 0; s < species; ++s)
                offer_quality.push_back(s < ns ? candidates.area[i * ns + s] : 0.0);
        }
        // Cheapest first; at equal cost the larger values first, so that an
        // offer is only ever beaten by one before it.
        const auto value_at = [&](const Offer& f, std::size_t v) { return offer_values[f.index * values + v]; };
        std::sort(offers.begin(), offers.end(), [&](const Offer& a, const Offer& b) {
            if (a.cost != b.cost) return a.cost < b.cost;
            for (std::size_t v = 0; v < values; ++v)
                if (value_at(a, v) != value_at(b, v)) return value_at(a, v) > value_at(b, v);
            return false;
        });
        kept.clear();
        for (std::size_t k = 0; k < offers.size(); ++k) {
            bool beaten = false;
            for (std::size_t j : kept) {
                bool all = true;
                for (std::size_t v = 0; v < values && all; ++v) all = value_at(offers[j], v) >= value_at(offers[k], v);
                if (all) {
                    beaten = true;
                    break;
                }
            }
            if (!beaten) kept.push_back(k);
        }
        if (kept.empty()) continue;
        // Hash and compare with the classes of the same hash.
        std::uint64_t hash = kept.size();
        const auto mix = [&hash](double d) {
            std::uint64_t bits;
            std::memcpy(&bits, &d, sizeof bits);
            hash ^= bits + 0x9e3779b97f4a7c15ULL + (hash << 6) + (hash >> 2);
        };
        for (std::size_t k : kept) {
            mix(offers[k].cost);
            for (std::size_t v = 0; v < values; ++v) mix(value_at(offers[k], v));
            for (std::size_t s = 0; s < species; ++s) mix(offer_quality[offers[k].index * species + s]);
        }
        bool merged = false;
        std::size_t slot = static_cast<std::size_t>(hash * 0x9e3779b97f4a7c15ULL >> 20) & (table_size - 1);
        for (; table_class[slot] != UINT32_MAX; slot = (slot + 1) & (table_size - 1)) {
            if (table_hash[slot] != hash) continue;
            const std::size_t c = table_class[slot];
            if (o.first[c + 1] - o.first[c] != kept.size()) continue;
            bool same = true;
            for (std::size_t i = 0; i < kept.size() && same; ++i) {
                const Offer& f = offers[kept[i]];
                const std::size_t at = o.first[c] + i;
                same = o.cost[at] == f.cost;
                for (std::size_t v = 0; v < values && same; ++v) same = o.value[at * values + v] == value_at(f, v);
                for (std::size_t s = 0; s < species && same; ++s)
                    same = o.quality[at * species + s] == offer_quality[f.index * species + s];
            }
            if (same) {
                o.multiplicity[c] += 1.0;
                merged = true;
                break;
            }
        }
        if (merged) continue;
        table_hash[slot] = hash;
        table_class[slot] = static_cast<std::uint32_t>(o.classes());
        for (std::size_t k : kept) {
            const Offer& f = offers[k];
            o.cost.push_back(f.cost);
            for (std::size_t v = 0; v < values; ++v) o.value.push_back(value_at(f, v));
            for (std::size_t s = 0; s < species; ++s) o.quality.push_back(offer_quality[f.index * species + s]);
        }
        o.multiplicity.push_back(1.0);
        o.first.push_back(o.cost.size());
    }
    return o;
}

// The goal bound has a single row, the budget: the best a pixel class can do
// for a given spending is the upper concave hull of its offers (and of
// taking none), and the programme's optimum takes the hulls' segments in
// order of effect per Euro until the budget is spent, the last one in part.
CostOnlyBound goal_by_hulls(const PixelOffers& o, double budget, Clock::time_point started) {
    CostOnlyBound bound;
    if (!o.usable || !in_range(budget)) return bound;
    bound.solved = true;
    if (budget < 0.0) return bound;  // not even nothing fits
    bound.reachable = true;
    struct Segment {
        double slope, cost, effect;
        std::size_t cls, to;  // the class and the offer the segment ends at
    };
    std::vector<Segment> segments;
    std::vector<long long> base(o.classes(), -1);  // per class: the offer taken at no cost, if any
    std::vector<std::size_t> hull;
    double value = 0.0;
    for (std::size_t c = 0; c < o.classes(); ++c) {
        // Offers come cheapest first with rising effect (the reduction left
        // no offer that a cheaper one matches).
        std::size_t k = o.first[c];
        double c0 = 0.0, e0 = 0.0;
        if (k < o.first[c + 1] && o.cost[k] == 0.0) {
            base[c] = static_cast<long long>(k);
            e0 = o.value[k];
            ++k;
        }
        value += o.multiplicity[c] * e0;
        hull.clear();
        for (; k < o.first[c + 1]; ++k) {
            while (!hull.empty()) {
                const std::size_t last = hull.back();
                const double px = hull.size() > 1 ? o.cost[hull[hull.size() - 2]] : c0;
                const double py = hull.size() > 1 ? o.value[hull[hull.size() - 2]] : e0;
                // Drop the last point when it lies on or below the line
                // from the one before it to the new point.
                if ((o.value[last] - py) * (o.cost[k] - px) <= (o.value[k] - py) * (o.cost[last] - px))
                    hull.pop_back();
                else
                    break;
            }
            hull.push_back(k);
        }
        double px = c0, py = e0;
        for (std::size_t h : hull) {
            segments.push_back({(o.value[h] - py) / (o.cost[h] - px), o.cost[h] - px, o.value[h] - py, c, h});
            px = o.cost[h];
            py = o.value[h];
        }
    }
    std::stable_sort(segments.begin(), segments.end(),
                     [](const Segment& a, const Segment& b) { return a.slope > b.slope; });
    // Where each class ends: at an offer fully, and one class part way to
    // the next offer of its hull.
    std::vector<long long> reached = base;
    long long partial_from = -2, partial_to = -1;
    double partial = 0.0;
    std::size_t partial_class = 0;
    double left = budget;
    for (const Segment& s : segments) {
        const double m = o.multiplicity[s.cls];
        if (m * s.cost <= left) {
            left -= m * s.cost;
            value += m * s.effect;
            reached[s.cls] = static_cast<long long>(s.to);
            continue;
        }
        partial = left / (m * s.cost);
        value += partial * m * s.effect;
        partial_class = s.cls;
        partial_from = reached[s.cls];
        partial_to = static_cast<long long>(s.to);
        break;
    }
    bound.value = value;
    bound.area.assign(o.species, 0.0);
    const auto add = [&](long long offer, double x) {
        if (offer < 0) return;
        for (std::size_t s = 0; s < o.species; ++s)
            bound.area[s] += x * o.quality[static_cast<std::size_t>(offer) * o.species + s];
    };
    for (std::size_t c = 0; c < o.classes(); ++c) {
        if (partial_from != -2 && c == partial_class) {
            add(partial_from, o.multiplicity[c] * (1.0 - partial));
            add(partial_to, o.multiplicity[c] * partial);
        } else {
            add(reached[c], o.multiplicity[c]);
        }
    }
    bound.seconds = seconds_since(started);
    return bound;
}

// The budget bound by column generation. The small programme holds the
// species rows, a row per pixel class it has offers of (at most the class's
// pixels), and the offers that matter so far. Its duals price every offer;
// offers that would lower its cost join it (the best of each class) until
// none would, at which point its optimum is the whole programme's. A first
// phase finds whether the targets can be reached (slack columns that make up
// missing area, their sum minimised), the second the least cost. Used where
// the bound by prices cannot decide: targets that may not be reachable
// together (their prices then grow without end) and values the solver
// cannot take.
CostOnlyBound budget_by_columns(const PixelOffers& o, const std::vector<double>& wanted, double max_seconds,
                                Clock::time_point started) {
    CostOnlyBound bound;
    const std::size_t ns = wanted.size();
    if (!o.usable || !std::all_of(wanted.begin(), wanted.end(), in_range)) return bound;
    if (ns == 0) {
        bound.solved = bound.reachable = true;
        bound.seconds = seconds_since(started);
        return bound;
    }
    const auto time_left = [&] { return max_seconds - seconds_since(started); };
    const std::size_t classes = o.classes();
    const std::size_t offers = o.cost.size();
    const auto q = [&](std::size_t offer, std::size_t s) { return o.value[offer * ns + s]; };

    // Targets beyond what every pixel at its best for that species gives
    // cannot be reached at all.
    for (std::size_t s = 0; s < ns; ++s) {
        double most = 0.0;
        for (std::size_t c = 0; c < classes; ++c) {
            double best = 0.0;
            for (std::size_t k = o.first[c]; k < o.first[c + 1]; ++k) best = std::max(best, q(k, s));
            most += o.multiplicity[c] * best;
        }
        if (most < wanted[s] - 1e-9 * std::max(1.0, wanted[s])) {
            bound.solved = true;
            bound.seconds = seconds_since(started);
            return bound;
        }
    }

    ClpSimplex model;
    model.setLogLevel(0);
    {
        // Species rows and one slack column per species.
        std::vector<double> row_lower(wanted), row_upper(ns, COIN_DBL_MAX);
        std::vector<int> col_start(ns + 1), col_index(ns);
        std::vector<double> col_value(ns, 1.0), col_lower(ns, 0.0), col_upper(ns, COIN_DBL_MAX), objective(ns, 1.0);
        for (std::size_t s = 0; s < ns; ++s) {
            col_start[s] = static_cast<int>(s);
            col_index[s] = static_cast<int>(s);
        }
        col_start[ns] = static_cast<int>(ns);
        model.loadProblem(static_cast<int>(ns), static_cast<int>(ns), col_start.data(), col_index.data(),
                          col_value.data(), col_lower.data(), col_upper.data(), objective.data(), row_lower.data(),
                          row_upper.data());
    }
    std::vector<int> class_row(classes, -1);
    std::vector<char> in_model(offers, 0);
    std::vector<std::size_t> column_offer;  // offer of each column after the slack columns
    std::vector<std::size_t> class_of(offers);
    for (std::size_t c = 0; c < classes; ++c)
        for (std::size_t k = o.first[c]; k < o.first[c + 1]; ++k) class_of[k] = c;
    bool real_costs = true;  // the programme is on its real costs

    // A class with one offer in the programme needs no row: the offer's
    // upper bound (the class's pixels) does it. Its row comes with its
    // second offer, holding the first offer's column too.
    std::vector<int> class_column(classes, -1);  // the column of a class's single offer
    std::vector<int> class_columns(classes, 0);
    const auto add_offers = [&](const std::vector<std::size_t>& add) {
        for (std::size_t k : add) ++class_columns[class_of[k]];
        std::vector<double> row_lower, row_upper;
        std::vector<int> row_start{0}, row_index;
        std::vector<double> row_element;
        for (std::size_t k : add) {
            const std::size_t c = class_of[k];
            if (class_row[c] >= 0 || class_columns[c] < 2) continue;
            class_row[c] = model.numberRows() + static_cast<int>(row_lower.size());
            row_lower.push_back(-COIN_DBL_MAX);
            row_upper.push_back(o.multiplicity[c]);
            if (class_column[c] >= 0) {
                row_index.push_back(class_column[c]);
                row_element.push_back(1.0);
            }
            row_start.push_back(static_cast<int>(row_index.size()));
        }
        if (!row_lower.empty()) {
            const int first_row = model.numberRows();
            const int no_column = 0;
            const double no_element = 0.0;
            model.addRows(static_cast<int>(row_lower.size()), row_lower.data(), row_upper.data(), row_start.data(),
                          row_index.empty() ? &no_column : row_index.data(),
                          row_element.empty() ? &no_element : row_element.data());
            for (int r = first_row; r < model.numberRows(); ++r) model.setRowStatus(r, ClpSimplex::basic);
        }
        std::vector<int> start{0}, index;
        std::vector<double> element, lower, upper, objective;
        const int first_column = model.numberColumns();
        for (std::size_t k : add) {
            const std::size_t c = class_of[k];
            for (std::size_t s = 0; s < ns; ++s)
                if (q(k, s) != 0.0) {
                    index.push_back(static_cast<int>(s));
                    element.push_back(q(k, s));
                }
            if (class_row[c] >= 0) {
                index.push_back(class_row[c]);
                element.push_back(1.0);
            } else {
                class_column[c] = first_column + static_cast<int>(lower.size());
            }
            start.push_back(static_cast<int>(index.size()));
            lower.push_back(0.0);
            upper.push_back(o.multiplicity[c]);
            objective.push_back(real_costs ? o.cost[k] : 0.0);
            in_model[k] = 1;
            column_offer.push_back(k);
        }
        model.addColumns(static_cast<int>(add.size()), lower.data(), upper.data(), objective.data(), start.data(),
                         index.data(), element.data());
        for (int j = first_column; j < model.numberColumns(); ++j) model.setColumnStatus(j, ClpSimplex::atLowerBound);
    };

    // First offers: for each species the pixels at their cheapest area for
    // it, until somewhat more than the target.
    {
        std::vector<std::size_t> seed;
        std::vector<std::pair<double, std::size_t>> ratio;
        for (std::size_t s = 0; s < ns; ++s) {
            if (wanted[s] <= 0.0) continue;
            ratio.clear();
            for (std::size_t c = 0; c < classes; ++c) {
                double best = 0.0;
                std::size_t at = offers;
                for (std::size_t k = o.first[c]; k < o.first[c + 1]; ++k)
                    if (q(k, s) > 0.0 && (at == offers || o.cost[k] / q(k, s) < best)) {
                        best = o.cost[k] / q(k, s);
                        at = k;
                    }
                if (at != offers) ratio.push_back({best, at});
            }
            std::sort(ratio.begin(), ratio.end());
            double area = 0.0;
            for (const auto& [r, k] : ratio) {
                if (area >= 1.3 * wanted[s]) break;
                area += o.multiplicity[class_of[k]] * q(k, s);
                if (!in_model[k]) {
                    in_model[k] = 1;  // marked here, added below
                    seed.push_back(k);
                }
            }
        }
        for (std::size_t k : seed) in_model[k] = 0;
        if (!seed.empty()) add_offers(seed);
    }

    const auto finished = [&](bool time_out) {
        bound.time_limit_reached = time_out;
        bound.seconds = seconds_since(started);
        return bound;
    };
    double largest_cost = 1.0;
    for (double c : o.cost) largest_cost = std::max(largest_cost, c);
    double scale = 1.0;
    for (double w : wanted) scale = std::max(scale, w);
    // Area a slack column makes up, in all: 0 when the targets are met.
    const auto missing = [&] {
        double sum = 0.0;
        const double* x = model.getColSolution();
        for (std::size_t s = 0; s < ns; ++s) sum += x[s];
        return sum;
    };
    // The phases' objectives: 0 runs on the real costs with slack columns at
    // a high price (usually enough: when its optimum needs no slack it is the
    // programme's); when slack is left, 1 minimises the slack alone to tell
    // whether the targets can be reached, and 2 then finds the least cost
    // with the slack columns closed.
    const auto set_objective = [&](int phase) {
        real_costs = phase != 1;
        for (std::size_t s = 0; s < ns; ++s) {
            double price = 1.0;
            if (phase == 0) {
                // Well above what an hectare of the species costs anywhere.
                double most = 0.0;
                for (std::size_t k = 0; k < offers; ++k)
                    if (q(k, s) > 0.0) most = std::max(most, o.cost[k] / q(k, s));
                price = 10.0 * most + 1.0;
            }
            model.setObjectiveCoefficient(static_cast<int>(s), phase == 2 ? 0.0 : price);
            if (phase == 2) model.setColumnUpper(static_cast<int>(s), 0.0);
        }
        for (std::size_t j = 0; j < column_offer.size(); ++j)
            model.setObjectiveCoefficient(static_cast<int>(ns + j), real_costs ? o.cost[column_offer[j]] : 0.0);
    };
    enum class Rounds { Optimal, TimeLimit, Failed };
    std::vector<std::size_t> add;
    const auto run_rounds = [&](int phase) {
        const double tolerance = real_costs ? 1e-9 * largest_cost : 1e-9;
        for (int round = 0;; ++round) {
            if (time_left() <= 0.0) return Rounds::TimeLimit;
            if (round > 10000) return Rounds::Failed;
            model.setMaximumWallSeconds(time_left());
            // From the slack columns alone (costs never below 0) the dual
            // simplex starts feasible and mostly flips offers to their
            // bounds; after new columns the primal simplex goes on from the
            // last basis.
            if (phase == 0 && round == 0)
                model.dual();
            else
                model.primal();
            if (model.status() == 3) return Rounds::TimeLimit;
            // Every phase's programme has a solution (the slack columns,
            // or in the last phase the first phase's solution).
            if (model.status() != 0) return Rounds::Failed;
            const double* dual = model.dualRowSolution();
            const double* reduced_cost = model.getReducedCost();
            add.clear();
            for (std::size_t c = 0; c < classes; ++c) {
                // The class's dual: its row's, or for a single offer the
                // part of its reduced cost its upper bound takes, or 0.
                const double mu = class_row[c] >= 0      ? dual[class_row[c]]
                                  : class_column[c] >= 0 ? std::min(0.0, reduced_cost[class_column[c]])
                                                         : 0.0;
                double best = -tolerance;
                std::size_t at = offers;
                for (std::size_t k = o.first[c]; k < o.first[c + 1]; ++k) {
                    double reduced = (real_costs ? o.cost[k] : 0.0) - mu;
                    for (std::size_t s = 0; s < ns; ++s) reduced -= dual[s] * q(k, s);
                    if (reduced < best) {
                        best = reduced;
                        at = k;
                    }
                }
                if (at != offers && !in_model[at]) add.push_back(at);
            }
            if (add.empty()) return Rounds::Optimal;
            add_offers(add);
        }
    };
    const auto stopped = [&](Rounds r) { return finished(r == Rounds::TimeLimit); };
    set_objective(0);
    if (const Rounds r = run_rounds(0); r != Rounds::Optimal) return stopped(r);
    if (missing() > 1e-7 * scale) {
        set_objective(1);
        if (const Rounds r = run_rounds(1); r != Rounds::Optimal) return stopped(r);
        if (missing() > 1e-7 * scale) {
            bound.solved = true;
            return finished(false);
        }
        set_objective(2);
        if (const Rounds r = run_rounds(2); r != Rounds::Optimal) return stopped(r);
    }
    bound.solved = true;
    bound.reachable = true;
    const double* x = model.getColSolution();
    bound.area.assign(ns, 0.0);
    for (std::size_t j = 0; j < column_offer.size(); ++j) {
        bound.value += x[ns + j] * o.cost[column_offer[j]];
        for (std::size_t s = 0; s < ns; ++s) bound.area[s] += x[ns + j] * q(column_offer[j], s);
    }
    return finished(false);
}

}  // namespace

double cost_only_payment(const PixelResult& record, int transaction_costs) {
    const double cost = transaction_costs - record.margin_without_payment;
    return std::isnan(cost) ? cost : std::max(0.0, cost);
}

CostOnlyBound plain_cost_only_budget_bound(const std::vector<std::vector<PixelResult>>& lists,
                                           const std::vector<double>& wanted_area_ha, int transaction_costs,
                                           double pixel_area) {
    const auto started = std::chrono::steady_clock::now();
    const std::size_t ns = wanted_area_ha.size();
    Programme p = build(lists, transaction_costs, pixel_area,
                        [&](const PixelResult& r, double, Programme& prog) {
                            for (std::size_t s = 0; s < ns && s < r.qualities.size(); ++s) {
                                if (r.qualities[s].quality == 0.0) continue;
                                prog.index.push_back(-1 - static_cast<int>(s));  // species row, placed below
                                prog.value.push_back(pixel_area * r.qualities[s].quality);
                            }
                        });
    const int first_species_row = p.pixel_rows;
    for (int& i : p.index)
        if (i < 0) i = first_species_row + (-1 - i);
    std::vector<double> lower(static_cast<std::size_t>(p.pixel_rows), -COIN_DBL_MAX);
    std::vector<double> upper(static_cast<std::size_t>(p.pixel_rows), 1.0);
    for (double w : wanted_area_ha) {
        lower.push_back(w);
        upper.push_back(COIN_DBL_MAX);
    }
    return solve(p, lower, upper, p.cost, 1.0, ns, pixel_area, started);
}

CostOnlyBound plain_cost_only_goal_bound(const std::vector<std::vector<PixelResult>>& lists,
                                         const std::vector<double>& weight, double budget, int transaction_costs,
                                         double pixel_area) {
    const auto started = std::chrono::steady_clock::now();
    const std::size_t ns = weight.size();
    std::vector<double> effect;
    Programme p = build(lists, transaction_costs, pixel_area, [&](const PixelResult& r, double cost, Programme& prog) {
        double e = 0.0;
        for (std::size_t s = 0; s < ns && s < r.qualities.size(); ++s) e += weight[s] * r.qualities[s].quality;
        effect.push_back(pixel_area * e);
        if (cost != 0.0) {
            prog.index.push_back(-1);  // the budget row, placed below
            prog.value.push_back(cost);
        }
    });
    for (int& i : p.index)
        if (i < 0) i = p.pixel_rows;
    std::vector<double> lower(static_cast<std::size_t>(p.pixel_rows), -COIN_DBL_MAX);
    std::vector<double> upper(static_cast<std::size_t>(p.pixel_rows), 1.0);
    lower.push_back(-COIN_DBL_MAX);
    upper.push_back(budget);
    return solve(p, lower, upper, effect, -1.0, ns, pixel_area, started);
}

}  // namespace pravel


namespace pravel {

void BoundCandidates::add(std::uint32_t pixel_number, double cost_euro, const double* area_ha) {
    pixel.push_back(pixel_number);
    cost.push_back(cost_euro);
    area.insert(area.end(), area_ha, area_ha + species);
    pixels = std::max<std::size_t>(pixels, static_cast<std::size_t>(pixel_number) + 1);
}

BoundCandidates bound_candidates(const std::vector<std::vector<PixelResult>>& lists, std::size_t species,
                                 int transaction_costs, double pixel_area) {
    BoundCandidates out;
    out.species = species;
    // Pixel numbers: a dense index over the rows and columns the lists span
    // (a map when that span is very large).
    int min_row = 0, max_row = -1, min_column = 0, max_column = -1;
    std::size_t n = 0;
    for (const auto& list : lists)
        for (const PixelResult& r : list) {
            if (n++ == 0) {
                min_row = max_row = r.row;
                min_column = max_column = r.column;
            }
            min_row = std::min(min_row, r.row);
            max_row = std::max(max_row, r.row);
            min_column = std::min(min_column, r.column);
            max_column = std::max(max_column, r.column);
        }
    if (n == 0) return out;
    out.pixel.reserve(n);
    out.cost.reserve(n);
    out.area.reserve(n * species);
    const long long width = static_cast<long long>(max_column) - min_column + 1;
    const long long cells = (static_cast<long long>(max_row) - min_row + 1) * width;
    std::vector<std::uint32_t> dense;
    std::unordered_map<long long, std::uint32_t> sparse;
    const bool use_dense = cells <= (64LL << 20);
    if (use_dense) dense.assign(static_cast<std::size_t>(cells), UINT32_MAX);
    std::uint32_t pixels = 0;
    std::vector<double> area(species);
    for (const auto& list : lists)
        for (const PixelResult& r : list) {
            const long long key = (static_cast<long long>(r.row) - min_row) * width + (r.column - min_column);
            std::uint32_t& number =
                use_dense ? dense[static_cast<std::size_t>(key)] : sparse.try_emplace(key, UINT32_MAX).first->second;
            if (number == UINT32_MAX) number = pixels++;
            for (std::size_t s = 0; s < species; ++s)
                area[s] = s < r.qualities.size() ? pixel_area * r.qualities[s].quality : 0.0;
            out.add(number, pixel_area * cost_only_payment(r, transaction_costs), area.data());
        }
    return out;
}

BoundCandidates bound_candidates(const CandidateLists& lists, std::size_t species, int transaction_costs,
                                 double pixel_area) {
    BoundCandidates out;
    out.species = species;
    std::size_t n = 0;
    for (const CompactResults& list : lists.lists) n += list.size();
    if (n == 0) return out;
    out.pixel.reserve(n);
    out.cost.reserve(n);
    out.area.reserve(n * species);
    // Pixel numbers in the order the pixels first appear, as from the records.
    std::vector<std::uint32_t> number(static_cast<std::size_t>(std::max(0, lists.raster_rows)) *
                                          static_cast<std::size_t>(std::max(0, lists.raster_columns)),
                                      UINT32_MAX);
    std::uint32_t pixels = 0;
    std::vector<double> area(species);
    for (const CompactResults& list : lists.lists)
        for (std::size_t i = 0; i < list.size(); ++i) {
            if (list[i].cell >= number.size()) throw std::invalid_argument("a candidate lies outside the raster");
            std::uint32_t& k = number[list[i].cell];
            if (k == UINT32_MAX) k = pixels++;
            std::fill(area.begin(), area.end(), 0.0);
            for (std::size_t e = list.quality_begin(i); e < list.quality_end(i); ++e)
                if (list.species_index(e) < species) area[list.species_index(e)] = pixel_area * list.quality(e);
            const double cost = transaction_costs - list[i].margin_without_payment;
            out.add(k, pixel_area * (std::isnan(cost) ? cost : std::max(0.0, cost)), area.data());
        }
    return out;
}

namespace {

// How far the species' prices may be off before a class's choice counts as
// in doubt, as a share of the prices: wide enough that the check rarely
// adds classes, narrow enough that the exact programme stays small.
constexpr double kPriceDoubtShare = 0.002;

// The budget bound by its Lagrangian over the species rows. For prices
// (Euro per ha) of the species, each pixel class takes its offer of least
// cost less priced area, or none when every offer's is above 0; the sum of
// those and the priced targets is a lower bound on the least budget, and its
// largest value over all prices is the programme's optimum. The prices are
// found by cutting planes in a box around the best prices so far (a small
// programme over the prices, a cut per evaluation). At those prices nearly
// every class has one clear choice; those are fixed, and an exact programme
// over the few classes whose choice is in doubt gives the value. Its duals
// are checked against every offer of every class (a fixed class must still
// take its best choice, an offer left out must not lower the cost); classes
// that fail join the programme until none does, which proves the optimum.
// Returns nothing when the targets may not be reachable together (the
// column generation then decides).
std::optional<CostOnlyBound> budget_by_prices(const PixelOffers& o, const std::vector<double>& wanted,
                                              double max_seconds, Clock::time_point started, double doubt_share) {
    const std::size_t ns = wanted.size();
    const std::size_t classes = o.classes();
    const std::size_t offers = o.cost.size();
    const auto time_left = [&] { return max_seconds - seconds_since(started); };
    const auto q = [&](std::size_t offer, std::size_t s) { return o.value[offer * ns + s]; };
    CostOnlyBound bound;
    const auto timed_out = [&] {
        bound.time_limit_reached = true;
        bound.seconds = seconds_since(started);
        return bound;
    };

    // Highest useful price per species: above what any hectare of it costs
    // anywhere, a missing hectare is better bought than left missing.
    std::vector<double> top(ns, 1.0);
    double largest_cost = 1.0;
    for (std::size_t k = 0; k < offers; ++k) {
        largest_cost = std::max(largest_cost, o.cost[k]);
        for (std::size_t s = 0; s < ns; ++s)
            if (q(k, s) > 0.0) top[s] = std::max(top[s], o.cost[k] / q(k, s));
    }
    for (double& t : top) t = 10.0 * t + 1.0;

    // The Lagrangian at prices `price`: its value and a supergradient (the
    // targets less the area of each class's choice).
    std::vector<double> gradient(ns);
    const auto lagrangian = [&](const std::vector<double>& price) {
        double value = 0.0;
        for (std::size_t s = 0; s < ns; ++s) {
            value += price[s] * wanted[s];
            gradient[s] = wanted[s];
        }
        std::vector<double> area(ns, 0.0);
        for (std::size_t c = 0; c < classes; ++c) {
            double best = 0.0;
            std::size_t at = offers;
            for (std::size_t k = o.first[c]; k < o.first[c + 1]; ++k) {
                double r = o.cost[k];
                const double* v = &o.value[k * ns];
                for (std::size_t s = 0; s < ns; ++s) r -= price[s] * v[s];
                if (r < best) {
                    best = r;
                    at = k;
                }
            }
            if (at == offers) continue;
            value += o.multiplicity[c] * best;
            for (std::size_t s = 0; s < ns; ++s) area[s] += o.multiplicity[c] * q(at, s);
        }
        for (std::size_t s = 0; s < ns; ++s) gradient[s] -= area[s];
        return value;
    };

    // Offers that cost nothing may reach the targets by themselves: each
    // class takes its free offer of largest share of the targets; when that
    // is enough the bound is 0 (no budget is below 0).
    {
        std::vector<double> area(ns, 0.0);
        for (std::size_t c = 0; c < classes; ++c) {
            std::size_t at = offers;
            double most = -1.0;
            for (std::size_t k = o.first[c]; k < o.first[c + 1] && o.cost[k] == 0.0; ++k) {
                double share = 0.0;
                for (std::size_t s = 0; s < ns; ++s)
                    if (wanted[s] > 0.0) share += q(k, s) / wanted[s];
                if (share > most) {
                    most = share;
                    at = k;
                }
            }
            if (at == offers) continue;
            for (std::size_t s = 0; s < ns; ++s) area[s] += o.multiplicity[c] * q(at, s);
        }
        bool enough = true;
        for (std::size_t s = 0; s < ns; ++s) enough = enough && area[s] >= wanted[s];
        if (enough) {
            bound.solved = bound.reachable = true;
            bound.area = area;
            bound.seconds = seconds_since(started);
            return bound;
        }
    }

    // First prices: for each species alone, the price per ha of the pixel
    // that completes its target (from an even sample of the classes), shared
    // among the species.
    std::vector<double> centre(ns, 0.0), width(ns, 1.0);
    {
        const std::size_t stride = std::max<std::size_t>(1, classes / 50000);
        std::vector<std::pair<double, double>> ratio;  // Euro per ha, ha
        for (std::size_t s = 0; s < ns; ++s) {
            ratio.clear();
            for (std::size_t c = 0; c < classes; c += stride) {
                double best = -1.0, area = 0.0;
                for (std::size_t k = o.first[c]; k < o.first[c + 1]; ++k)
                    if (q(k, s) > 0.0 && (best < 0.0 || o.cost[k] / q(k, s) < best)) {
                        best = o.cost[k] / q(k, s);
                        area = q(k, s);
                    }
                if (best >= 0.0) ratio.push_back({best, o.multiplicity[c] * area * static_cast<double>(stride)});
            }
            std::sort(ratio.begin(), ratio.end());
            double area = 0.0, price = ratio.empty() ? 0.0 : ratio.back().first;
            for (const auto& [r, a] : ratio) {
                area += a;
                if (area >= wanted[s]) {
                    price = r;
                    break;
                }
            }
            if (wanted[s] <= 0.0) price = 0.0;
            centre[s] = std::min(top[s], price / static_cast<double>(ns));
            width[s] = std::max(price, 1e-6 * top[s]);
        }
    }

    // Cutting planes: the programme over (prices, t) maximises t below every
    // cut, the prices kept in the box around the centre.
    ClpSimplex master;
    master.setLogLevel(0);
    {
        std::vector<int> start(ns + 2, 0);
        std::vector<double> lower(ns + 1, 0.0), upper(ns + 1, COIN_DBL_MAX), objective(ns + 1, 0.0);
        lower[ns] = -COIN_DBL_MAX;
        objective[ns] = -1.0;
        const int no_index = 0;
        const double no_element = 0.0, no_row = 0.0;
        master.loadProblem(static_cast<int>(ns + 1), 0, start.data(), &no_index, &no_element, lower.data(),
                           upper.data(), objective.data(), &no_row, &no_row);
    }
    double best_value = lagrangian(centre);
    std::vector<double> best_gradient = gradient;
    const auto add_cut = [&](const std::vector<double>& price, double value, const std::vector<double>& g) {
        // t - g . price <= value - g . price_i
        std::vector<int> index(ns + 1);
        std::vector<double> element(ns + 1);
        double rhs = value;
        for (std::size_t s = 0; s < ns; ++s) {
            index[s] = static_cast<int>(s);
            element[s] = -g[s];
            rhs -= g[s] * price[s];
        }
        index[ns] = static_cast<int>(ns);
        element[ns] = 1.0;
        const int row_start[2] = {0, static_cast<int>(ns + 1)};
        const double row_lower = -COIN_DBL_MAX;
        master.addRows(1, &row_lower, &rhs, row_start, index.data(), element.data());
    };
    add_cut(centre, best_value, best_gradient);
    const double scale = std::max(1.0, std::fabs(best_value));
    std::vector<double> price(ns);
    for (int round = 0; round < 200; ++round) {
        if (time_left() <= 0.0) return timed_out();
        for (std::size_t s = 0; s < ns; ++s) {
            master.setColumnLower(static_cast<int>(s), std::max(0.0, centre[s] - width[s]));
            master.setColumnUpper(static_cast<int>(s), std::min(top[s], centre[s] + width[s]));
        }
        master.dual();
        if (master.status() != 0) master.primal();
        if (master.status() != 0) break;
        const double* x = master.getColSolution();
        const double predicted = x[ns];
        bool inside = true;  // no price held by its box (other than at 0 or the top)
        for (std::size_t s = 0; s < ns; ++s) {
            price[s] = x[s];
            const double lo = centre[s] - width[s], hi = centre[s] + width[s];
            if ((lo > 0.0 && x[s] <= lo + 1e-9 * width[s]) || (hi < top[s] && x[s] >= hi - 1e-9 * width[s]))
                inside = false;
        }
        if (inside && predicted - best_value <= 1e-7 * std::max(scale, std::fabs(best_value))) break;
        const double value = lagrangian(price);
        add_cut(price, value, gradient);
        if (value > best_value + 0.1 * (predicted - best_value)) {
            best_value = value;
            centre = price;
            best_gradient = gradient;
            if (!inside)
                for (double& w : width) w *= 2.0;
        } else if (!inside) {
            // A box so small that the prices hardly move: they are as good
            // as the cuts can tell (the checks below make the value exact).
            bool tiny = true;
            for (std::size_t s = 0; s < ns; ++s) {
                width[s] *= 0.5;
                tiny = tiny && width[s] < 1e-9 * (centre[s] + 1e-3 * top[s]);
            }
            if (tiny) break;
        }
    }
    if (time_left() <= 0.0) return timed_out();

    // Classes whose choice is in doubt: prices moved by a small share may
    // change it. The others are fixed at their choice.
    std::vector<double> doubt(ns);
    {
        double most = 0.0;
        for (double p : centre) most = std::max(most, p);
        for (std::size_t s = 0; s < ns; ++s) doubt[s] = doubt_share * std::max(centre[s], 0.01 * most) + 1e-12;
    }
    // Per class: in the programme or not, and if not its fixed offer
    // (`offers` for none); per offer: a column of the programme.
    std::vector<std::size_t> fixed(classes, offers);
    std::vector<char> in_programme(classes, 0), column(offers, 0);
    for (std::size_t c = 0; c < classes; ++c) {
        // Taking none is a choice unless an offer costs nothing (it then
        // gives area for free).
        const bool none_possible = o.first[c] == o.first[c + 1] || o.cost[o.first[c]] > 0.0;
        double best_high = none_possible ? 0.0 : COIN_DBL_MAX;
        std::size_t at = offers;
        for (std::size_t k = o.first[c]; k < o.first[c + 1]; ++k) {
            double r = o.cost[k], d = 0.0;
            for (std::size_t s = 0; s < ns; ++s) {
                r -= centre[s] * q(k, s);
                d += doubt[s] * q(k, s);
            }
            if (r + d < best_high) {
                best_high = r + d;
                at = k;
            }
        }
        int in_doubt = at == offers ? 1 : 0;
        for (std::size_t k = o.first[c]; k < o.first[c + 1]; ++k) {
            double r = o.cost[k], d = 0.0;
            for (std::size_t s = 0; s < ns; ++s) {
                r -= centre[s] * q(k, s);
                d += doubt[s] * q(k, s);
            }
            if (r - d <= best_high) {
                column[k] = 1;
                ++in_doubt;
            }
        }
        if (in_doubt > 1) {
            in_programme[c] = 1;
        } else {
            fixed[c] = at;
            for (std::size_t k = o.first[c]; k < o.first[c + 1]; ++k) column[k] = 0;
        }
    }

    // The exact programme over the classes in doubt, its duals checked
    // against every offer; classes and offers that fail join it.
    const double tolerance = 1e-9 * largest_cost;
    std::vector<std::size_t> column_offer;
    std::vector<int> class_row(classes, -1), class_column(classes, -1);
    for (int round = 0;; ++round) {
        if (time_left() <= 0.0) return timed_out();
        if (round > 1000) return std::nullopt;  // the column generation decides
        std::vector<double> rhs(wanted);
        double fixed_cost = 0.0;
        for (std::size_t c = 0; c < classes; ++c) {
            if (in_programme[c] || fixed[c] == offers) continue;
            fixed_cost += o.multiplicity[c] * o.cost[fixed[c]];
            for (std::size_t s = 0; s < ns; ++s) rhs[s] -= o.multiplicity[c] * q(fixed[c], s);
        }
        // Rows: the species, then one per class in the programme with two
        // or more columns. Columns: a slack per species (at the top price),
        // then the offers.
        column_offer.clear();
        std::vector<double> row_lower(rhs), row_upper(ns, COIN_DBL_MAX);
        std::vector<int> start{0}, index;
        std::vector<double> element, col_lower, col_upper, objective;
        for (std::size_t s = 0; s < ns; ++s) {
            index.push_back(static_cast<int>(s));
            element.push_back(1.0);
            start.push_back(static_cast<int>(index.size()));
            col_lower.push_back(0.0);
            col_upper.push_back(COIN_DBL_MAX);
            objective.push_back(top[s]);
        }
        for (std::size_t c = 0; c < classes; ++c) {
            class_row[c] = class_column[c] = -1;
            if (!in_programme[c]) continue;
            std::size_t count = 0;
            for (std::size_t k = o.first[c]; k < o.first[c + 1]; ++k) count += column[k] ? 1 : 0;
            if (count > 1) {
                class_row[c] = static_cast<int>(row_lower.size());
                row_lower.push_back(-COIN_DBL_MAX);
                row_upper.push_back(o.multiplicity[c]);
            }
            for (std::size_t k = o.first[c]; k < o.first[c + 1]; ++k) {
                if (!column[k]) continue;
                if (count == 1) class_column[c] = static_cast<int>(objective.size());
                for (std::size_t s = 0; s < ns; ++s)
                    if (q(k, s) != 0.0) {
                        index.push_back(static_cast<int>(s));
                        element.push_back(q(k, s));
                    }
                if (class_row[c] >= 0) {
                    index.push_back(class_row[c]);
                    element.push_back(1.0);
                }
                start.push_back(static_cast<int>(index.size()));
                col_lower.push_back(0.0);
                col_upper.push_back(o.multiplicity[c]);
                objective.push_back(o.cost[k]);
                column_offer.push_back(k);
            }
        }
        ClpSimplex model;
        model.setLogLevel(0);
        model.loadProblem(static_cast<int>(objective.size()), static_cast<int>(row_lower.size()), start.data(),
                          index.data(), element.data(), col_lower.data(), col_upper.data(), objective.data(),
                          row_lower.data(), row_upper.data());
        model.setMaximumWallSeconds(std::max(0.01, time_left()));
        // Every cost is at least 0: the dual simplex starts feasible.
        model.dual();
        if (model.status() == 3 || time_left() <= 0.0) return timed_out();
        if (model.status() != 0) return std::nullopt;
        const double* x = model.getColSolution();
        const double* dual = model.dualRowSolution();
        const double* reduced_cost = model.getReducedCost();
        double missing = 0.0;
        for (std::size_t s = 0; s < ns; ++s) missing += x[s];
        double scale_wanted = 1.0;
        for (double w : wanted) scale_wanted = std::max(scale_wanted, w);

        // The check against every offer: an offer outside the programme
        // must not have a cost below its priced area and its class's dual
        // (the dual of its row, or the part of its single column's reduced
        // cost the column's upper bound takes); a fixed class must still
        // take its best choice.
        std::size_t joined = 0;
        for (std::size_t c = 0; c < classes; ++c) {
            if (in_programme[c]) {
                const double mu = class_row[c] >= 0      ? dual[class_row[c]]
                                  : class_column[c] >= 0 ? std::min(0.0, reduced_cost[class_column[c]])
                                                         : 0.0;
                for (std::size_t k = o.first[c]; k < o.first[c + 1]; ++k) {
                    if (column[k]) continue;
                    double r = o.cost[k] - mu;
                    for (std::size_t s = 0; s < ns; ++s) r -= dual[s] * q(k, s);
                    if (r < -tolerance) {
                        column[k] = 1;
                        ++joined;
                    }
                }
                continue;
            }
            double best = 0.0;  // least cost less priced area, none at 0
            std::size_t at = offers;
            for (std::size_t k = o.first[c]; k < o.first[c + 1]; ++k) {
                double r = o.cost[k];
                for (std::size_t s = 0; s < ns; ++s) r -= dual[s] * q(k, s);
                if (r < best) {
                    best = r;
                    at = k;
                }
            }
            double own = 0.0;
            if (fixed[c] != offers) {
                own = o.cost[fixed[c]];
                for (std::size_t s = 0; s < ns; ++s) own -= dual[s] * q(fixed[c], s);
            }
            if (at != fixed[c] && own > best + tolerance) {
                in_programme[c] = 1;
                if (fixed[c] != offers) column[fixed[c]] = 1;
                if (at != offers) column[at] = 1;
                ++joined;
            }
        }
        if (joined > 0) continue;
        if (missing > 1e-7 * scale_wanted) return std::nullopt;  // maybe not reachable together
        bound.solved = true;
        bound.reachable = true;
        bound.value = fixed_cost;
        bound.area.assign(ns, 0.0);
        for (std::size_t c = 0; c < classes; ++c) {
            if (in_programme[c] || fixed[c] == offers) continue;
            for (std::size_t s = 0; s < ns; ++s) bound.area[s] += o.multiplicity[c] * q(fixed[c], s);
        }
        for (std::size_t j = 0; j < column_offer.size(); ++j) {
            const double xj = x[ns + j];
            bound.value += xj * o.cost[column_offer[j]];
            for (std::size_t s = 0; s < ns; ++s) bound.area[s] += xj * q(column_offer[j], s);
        }
        bound.seconds = seconds_since(started);
        return bound;
    }
}

}  // namespace

CostOnlyBound cost_only_budget_bound(const BoundCandidates& candidates, const std::vector<double>& wanted_area_ha,
                                     double max_seconds) {
    return detail::cost_only_budget_bound(candidates, wanted_area_ha, max_seconds, kPriceDoubtShare);
}

CostOnlyBound detail::cost_only_budget_bound(const BoundCandidates& candidates,
                                             const std::vector<double>& wanted_area_ha, double max_seconds,
                                             double doubt_share) {
    const auto started = Clock::now();
    const std::size_t ns = wanted_area_ha.size();
    const std::size_t have = candidates.species;
    const PixelOffers offers = gather_offers(candidates, ns, 0, [&](std::size_t i, double* out) {
        for (std::size_t s = 0; s < ns; ++s) out[s] = s < have ? candidates.area[i * have + s] : 0.0;
    });
    if (!offers.usable || !std::all_of(wanted_area_ha.begin(), wanted_area_ha.end(), in_range) || ns == 0)
        return budget_by_columns(offers, wanted_area_ha, max_seconds, started);
    // Targets beyond what every pixel at its best for that species gives
    // cannot be reached at all; the column generation tells those.
    for (std::size_t s = 0; s < ns; ++s) {
        double most = 0.0;
        for (std::size_t c = 0; c < offers.classes(); ++c) {
            double best = 0.0;
            for (std::size_t k = offers.first[c]; k < offers.first[c + 1]; ++k)
                best = std::max(best, offers.value[k * ns + s]);
            most += offers.multiplicity[c] * best;
        }
        if (most < wanted_area_ha[s] - 1e-9 * std::max(1.0, wanted_area_ha[s]))
            return budget_by_columns(offers, wanted_area_ha, max_seconds, started);
    }
    if (seconds_since(started) > max_seconds) {
        CostOnlyBound bound;
        bound.time_limit_reached = true;
        bound.seconds = seconds_since(started);
        return bound;
    }
    if (std::optional<CostOnlyBound> bound = budget_by_prices(offers, wanted_area_ha, max_seconds, started, doubt_share))
        return *bound;
    return budget_by_columns(offers, wanted_area_ha, max_seconds, started);
}

CostOnlyBound cost_only_goal_bound(const BoundCandidates& candidates, const std::vector<double>& weight,
                                   double budget, double max_seconds) {
    const auto started = Clock::now();
    const std::size_t ns = weight.size();
    const std::size_t have = candidates.species;
    const PixelOffers offers = gather_offers(candidates, 1, ns, [&](std::size_t i, double* out) {
        double e = 0.0;
        for (std::size_t s = 0; s < ns && s < have; ++s) e += weight[s] * candidates.area[i * have + s];
        out[0] = e;
    });
    CostOnlyBound bound;
    if (seconds_since(started) > max_seconds) {
        bound.time_limit_reached = true;
    } else {
        bound = goal_by_hulls(offers, budget, started);
    }
    bound.seconds = seconds_since(started);
    return bound;
}

CostOnlyBound cost_only_budget_bound(const std::vector<std::vector<PixelResult>>& lists,
                                     const std::vector<double>& wanted_area_ha, int transaction_costs,
                                     double pixel_area, double max_seconds) {
    const auto started = Clock::now();
    const BoundCandidates candidates = bound_candidates(lists, wanted_area_ha.size(), transaction_costs, pixel_area);
    CostOnlyBound bound = cost_only_budget_bound(candidates, wanted_area_ha, max_seconds - seconds_since(started));
    bound.seconds = seconds_since(started);
    return bound;
}

CostOnlyBound cost_only_goal_bound(const std::vector<std::vector<PixelResult>>& lists,
                                   const std::vector<double>& weight, double budget, int transaction_costs,
                                   double pixel_area, double max_seconds) {
    const auto started = Clock::now();
    const BoundCandidates candidates = bound_candidates(lists, weight.size(), transaction_costs, pixel_area);
    CostOnlyBound bound = cost_only_goal_bound(candidates, weight, budget, max_seconds - seconds_since(started));
    bound.seconds = seconds_since(started);
    return bound;
}

CostOnlyBound cost_only_budget_bound(const CandidateLists& lists, const std::vector<double>& wanted_area_ha,
                                     int transaction_costs, double pixel_area, double max_seconds) {
    const auto started = Clock::now();
    CostOnlyBound bound;
    {
        const BoundCandidates candidates = bound_candidates(lists, wanted_area_ha.size(), transaction_costs, pixel_area);
        bound = cost_only_budget_bound(candidates, wanted_area_ha, max_seconds - seconds_since(started));
    }
    bound.seconds = seconds_since(started);
    return bound;
}

CostOnlyBound cost_only_goal_bound(const CandidateLists& lists, const std::vector<double>& weight, double budget,
                                   int transaction_costs, double pixel_area, double max_seconds) {
    const auto started = Clock::now();
    CostOnlyBound bound;
    {
        const BoundCandidates candidates = bound_candidates(lists, weight.size(), transaction_costs, pixel_area);
        bound = cost_only_goal_bound(candidates, weight, budget, max_seconds - seconds_since(started));
    }
    bound.seconds = seconds_since(started);
    return bound;
}

}  // namespace pravel
