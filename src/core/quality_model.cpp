#include "core/quality_model.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <unordered_map>

#include "common/random.h"

namespace pravel {

namespace {

constexpr double kWeightThreshold = 0.00001;
constexpr int kDrawsPerQuarterMonth = 10;
constexpr int kLastVisitedQuarterMonth = 47;
constexpr int kGrazingLimit = 45;           // grazing survival is counted up to here
constexpr int kPreGrazingStart = 13;        // refuge strips grazed from April on
constexpr double kSummaryDensityRule = 0.4; // summary density from which the sward rule changes
constexpr double kMowingOnlyDensity = 60.0; // above: the livestock entry marks no real grazing
// Vegetation windows reach at most this far beyond a quarter month; longer
// reproduction periods are cut here (a window of more than four years has
// no meaning for one season).
constexpr int kMaxWindow = 200;

// The quarter months of the uses that take place: the first always, each
// later one only when it and every earlier distance are non-zero.
struct Uses {
    std::array<int, 4> qm{};
    int count = 0;
};

Uses uses_taking_place(const MeasureRecord& m) {
    Uses u;
    u.qm[u.count++] = m.month_quarter_first_use;
    const int d[3] = {m.distance_2use, m.distance_3use, m.distance_4use};
    int at = m.month_quarter_first_use;
    for (int k = 0; k < 3 && d[k] > 0; ++k) {
        at += d[k];
        u.qm[u.count++] = at;
    }
    return u;
}

enum class HeightClass { Short, Medium, Tall };

HeightClass height_class(double cm) {
    if (cm < 10.0) return HeightClass::Short;
    if (cm > 30.0) return HeightClass::Tall;
    return HeightClass::Medium;
}

// Quarter months of growth behind the height in quarter month q under a set
// of uses: -1 when the height is the stubble of 5 cm (a use in q, or before
// the growth start), else the quarter months since the last earlier use, or
// since the growth start when no use has happened yet.
int growth_quarter_months(int q, const int* uses, int n, int growth_start) {
    int last = -1;
    for (int k = 0; k < n; ++k) {
        if (uses[k] == q) return -1;
        if (uses[k] < q && uses[k] > last) last = uses[k];
    }
    if (q < growth_start) return -1;
    return last >= 0 ? q - last : q - growth_start;
}

// The height for the generator's value r: 5 cm plus a growth of 4 to 5 cm
// per quarter month, scaled by the pixel's height value.
inline double height_for(int r, int months, double scale) {
    const double g = static_cast<double>(r) / RAND15_MAX + 4.0;
    return (5.0 + g * months) * scale;
}

// A vegetation height drawn from the shared generator. No draw is taken when
// nothing has grown.
double draw_height(int months, double scale) {
    if (months <= 0) return 5.0 * scale;
    return height_for(rand15(), months, scale);
}

// Where the height class changes along the generator's values for one scale
// and growth: the height grows with the value (every step of height_for
// keeps the order for a scale of 0 or more), so a value below `medium_from`
// gives a short sward, one from `tall_from` on a tall one. Found by bisection
// on height_for itself, so that the class of every value is the one the
// height gives.
struct ClassBounds {
    int medium_from = -1;  // -1: not yet worked out
    int tall_from = 0;
    int only_class = -1;   // 0, 1, 2 when every value gives that class (short, medium, tall)
};

constexpr int kMaxMonths = 48 + kMaxWindow + 1;

struct ScaleBounds {
    std::array<ClassBounds, kMaxMonths> by_months{};
};

// First value r in 0..RAND15_MAX + 1 for which `reached(height_for(r))`
// holds, `reached` turning from false to true once along the values.
template <class Reached>
int first_value(int months, double scale, Reached reached) {
    int lo = 0, hi = RAND15_MAX + 1;
    while (lo < hi) {
        const int mid = (lo + hi) / 2;
        if (reached(height_for(mid, months, scale))) {
            hi = mid;
        } else {
            lo = mid + 1;
        }
    }
    return lo;
}

const ClassBounds& class_bounds(ScaleBounds& table, int months, double scale) {
    ClassBounds& b = table.by_months[static_cast<std::size_t>(months)];
    if (b.medium_from < 0) {
        b.tall_from = first_value(months, scale, [](double h) { return h > 30.0; });
        b.medium_from = first_value(months, scale, [](double h) { return !(h < 10.0); });
        if (b.medium_from > RAND15_MAX) {
            b.only_class = 0;
        } else if (b.tall_from == 0) {
            b.only_class = 2;
        } else if (b.medium_from == 0 && b.tall_from > RAND15_MAX) {
            b.only_class = 1;
        }
    }
    return b;
}

// The bounds of a scale, kept per thread: an area has few distinct scales
// (one per mix of grassland types), each used by every measure and species.
ScaleBounds* bounds_for_scale(double scale) {
    if (!(scale >= 0.0) || !std::isfinite(scale)) return nullptr;
    thread_local std::unordered_map<std::uint64_t, std::unique_ptr<ScaleBounds>> tables;
    thread_local double last_scale = -1.0;
    thread_local ScaleBounds* last = nullptr;
    if (last && scale == last_scale) return last;
    std::uint64_t key;
    std::memcpy(&key, &scale, sizeof key);
    auto& slot = tables[key];
    if (!slot) slot = std::make_unique<ScaleBounds>();
    last_scale = scale;
    last = slot.get();
    return last;
}

struct Shares {
    double low, medium, high;
};

class TemporalModel {
public:
    TemporalModel(const SpeciesRecord& sp, const PixelRecord& px, const MeasureEvaluation& me, double trampling,
                  bool predation)
        : sp_(sp), px_(px), m_(me.measure), trampling_(trampling), predation_(predation) {
        uses_ = uses_taking_place(m_);
        a_ = m_.month_quarter_first_use;
        b_ = m_.distance_2use;
        c_ = m_.distance_3use;
        growth_start_ = px.growth_start + (px.altitude != 0 ? 2 : 0);
        mowing_only_ = m_.livestockID_1 == 0 || m_.livestock_density_1 > kMowingOnlyDensity;
        summary_rule_ = m_.summary_livestock_density >= kSummaryDensityRule;
        vs_ = sp.vegetation_requirement_short;
        vm_ = sp.vegetation_requirement_medium;
        vt_ = sp.vegetation_requirement_tall;
        crit_ = sp.critical_reproduction_period;
        repro_ = std::min(sp.reproduction_period, kMaxWindow);
        substitute_ = egg(uses_.qm[0]) > 0.001;
        if (summary_rule_) {
            if (b_ > 0) {
                u_uses_ = uses_;
                r_uses_.qm[0] = a_;
                r_uses_.count = 1;
                fifth_until_ = a_ + b_;
            } else {
                u_uses_.qm = {kPreGrazingStart, kPreGrazingStart + c_, kPreGrazingStart + c_ + m_.distance_4use, 0};
                u_uses_.count = 3;
                r_uses_.qm[0] = 48;
                r_uses_.count = 1;
                fifth_until_ = a_;
            }
        }
    }

    // The plan of the whole temporal factor: the terms of its sum(s) and
    // the quarter months their windows need, each planned once.
    TemporalPlan plan(const SpeciesRecord& sp) const {
        TemporalPlan out;
        out.window = repro_;
        out.summary_rule = summary_rule_;
        const int start = sp.second_generation_start;
        const int end = sp.second_generation_end;
        if (start == end) {
            collect(1, kLastVisitedQuarterMonth, -1, 1.0, out.terms[0]);
        } else {
            out.two_generations = true;
            out.first_generation = start >= 2;
            const double overlap = sp.percent_for_overlap != 0.0 ? 1.0 - sp.percent_for_overlap / 100.0 : 1.0;
            if (start >= 2) collect(1, start - 1, -1, 1.0, out.terms[0]);
            collect(start, std::min(end - 1, 48), start, overlap, out.terms[1]);
        }
        // The suitability of a quarter month is drawn once, the first time a
        // window needs it: the windows advance with their start, so the
        // quarter months are drawn in increasing order, each once, whichever
        // windows share them.
        if (repro_ > 0) {
            std::array<bool, kMaxMonths> needed{};
            int low = kMaxMonths, high = -1;
            for (const auto& list : out.terms) {
                for (const TemporalTerm& t : list) {
                    for (int q = t.i; q < t.i + repro_; ++q) needed[static_cast<std::size_t>(q)] = true;
                    low = std::min(low, t.i);
                    high = std::max(high, t.i + repro_ - 1);
                }
            }
            for (int q = low; q <= high; ++q) {
                if (!needed[static_cast<std::size_t>(q)]) continue;
                QuarterMonthPlan p = plan_for(q);
                p.q = q;
                const double value[3] = {p.v_short, p.v_medium, p.v_tall};
                for (int c = 0; c < 3; ++c) {
                    double total = 0.0;
                    for (int n = 0; n < kDrawsPerQuarterMonth; ++n) total += value[c];
                    p.only_class_mean[c] = total / kDrawsPerQuarterMonth;
                }
                if (!summary_rule_) {
                    if (p.months > 0) out.draws += kDrawsPerQuarterMonth;
                } else {
                    out.draws += kDrawsPerQuarterMonth * ((p.months > 0 ? 1 : 0) + (p.months_under_uses > 0 ? 1 : 0));
                }
                out.quarter_months.push_back(p);
            }
        }
        return out;
    }

private:
    // The terms of the sum over quarter months first..last, in order; the
    // quarter months whose weight is 0 are left out.
    void collect(int first, int last, int overlap_qm, double overlap_factor, std::vector<TemporalTerm>& out) const {
        for (int i = std::max(first, 1); i <= last; ++i) {
            double e = egg(i);
            if (i == overlap_qm) e *= overlap_factor;
            const double w = e + substitute_brood(i);
            if (w == 0.0) continue;
            const double p = predation_ ? 1.0 - predation_value(i) : 1.0;
            if (p == 0.0) continue;
            const double k = survival(i);
            if (k == 0.0) continue;
            out.push_back({i, p * w * k});
        }
    }

    double egg(int q) const { return (q >= 1 && q <= 48) ? sp_.eggs_by_quarter_month[q - 1] : 0.0; }

    // A missing predation value counts as no predation.
    double predation_value(int i) const {
        const auto& list = sp_.predation_by_quarter_month;
        return (i >= 1 && static_cast<std::size_t>(i) <= list.size()) ? list[i - 1] : 0.0;
    }

    // A brood lost to a use in quarter month u may be replaced in u + 1.
    double substitute_brood(int i) const {
        if (!substitute_) return 0.0;
        for (int k = 0; k < uses_.count; ++k) {
            const int u = uses_.qm[k];
            if (i == u + 1 && u <= sp_.last_monthquarter_substitut_brood) {
                return egg(u) * sp_.probability_succeccful_sub_brood;
            }
        }
        return 0.0;
    }

    // --- management survival K(i) -------------------------------------
    double cut_factor(int i, const int* uses, int n) const {
        double k = 1.0;
        for (int x = 0; x < n; ++x) {
            const int u = uses[x];
            if (i <= u && u < i + crit_) {
                k = 0.0;
            } else if (i + crit_ <= u && u < i + repro_) {
                k *= 0.5;
            }
        }
        if (px_.altitude != 0) {
            if (k < 0.2) {
                k = 0.25;
            } else if (k > 0.4 && k < 0.9) {
                k = 0.75;
            }
        }
        return k;
    }

    // Livestock density of grazing period containing q, the periods starting
    // at s and switching only at uses that take place; the last period that
    // takes place lasts to the end of the season.
    double density_at(int q, int s) const {
        const double dens[4] = {m_.livestock_density_1, m_.livestock_density_2, m_.livestock_density_3,
                                m_.livestock_density_4};
        const int d[3] = {m_.distance_2use, m_.distance_3use, m_.distance_4use};
        int boundary = s;
        int period = 0;
        for (int k = 0; k < 3 && d[k] > 0; ++k) {
            boundary += d[k];
            if (q >= boundary) period = k + 1;
        }
        return dens[period];
    }

    // Survival of trampling from quarter month s up to the limit L for a
    // brood begun in i; `constant_density` < 0 means the measure's periods.
    double trampling_survival(int i, int s, int limit, double constant_density) const {
        if (trampling_ < 0.001) return 1.0;
        if (i + crit_ < s) return 1.0;
        const int last = (i + crit_ < limit) ? i + repro_ : limit - 1;
        double load = 0.0;
        for (int q = s; q <= last; ++q) load += constant_density >= 0 ? constant_density : density_at(q, s);
        return std::exp(-trampling_ * load);
    }

    double survival(int i) const {
        if (mowing_only_) return cut_factor(i, uses_.qm.data(), uses_.count);
        double k;
        if (m_.method_nr == 14) {
            k = cut_factor(i, uses_.qm.data(), 1) * trampling_survival(i, a_ + b_, kGrazingLimit, -1.0);
        } else {
            k = trampling_survival(i, a_, kGrazingLimit, -1.0);
        }
        if (m_.is_refuge_strip) {
            k *= trampling_survival(i, kPreGrazingStart, a_, m_.summary_livestock_density);
        }
        return k;
    }

    // --- vegetation suitability H(i) -----------------------------------
    double weighted(const Shares& s) const { return s.low * vs_ + s.medium * vm_ + s.high * vt_; }

    Shares triple(int period) const {  // period 1..5
        const auto& g = m_.grazing_growth;
        const int o = 3 * (period - 1);
        return {g[o], g[o + 1], g[o + 2]};
    }

    double medium_value(const Shares& s) const { return s.low * vs_ + (s.medium + s.high) * vm_; }

    QuarterMonthPlan plan_for(int q) const {
        QuarterMonthPlan p;
        p.v_short = vs_;
        if (summary_rule_) {
            p.months = growth_quarter_months(q, r_uses_.qm.data(), r_uses_.count, growth_start_);
            p.months_under_uses = growth_quarter_months(q, u_uses_.qm.data(), u_uses_.count, growth_start_);
            const Shares s = q <= fifth_until_ ? triple(5) : triple(1);
            p.v_tall = vt_;
            p.v_tall_taller = weighted(s);
            p.v_medium = vm_;
            p.v_medium_taller = medium_value(s);
            return p;
        }
        if (mowing_only_) {
            p.months = growth_quarter_months(q, uses_.qm.data(), uses_.count, growth_start_);
            p.v_medium = vm_;
            p.v_tall = vt_;
            return p;
        }
        if (m_.method_nr == 14) {
            // Height class from the cut alone; grazing periods closed by the
            // uses: period 1 up to and including U2.
            p.months = growth_quarter_months(q, uses_.qm.data(), 1, growth_start_);
            int period = 1;
            for (int k = 1; k < uses_.count; ++k)
                if (q > uses_.qm[k]) period = k + 1;
            p.v_tall = weighted(triple(period));
            p.v_medium = medium_value(triple(period));
            return p;
        }
        // Grazing: height class from the sward without any use.
        p.months = growth_quarter_months(q, nullptr, 0, growth_start_);
        if (a_ == 1) {
            p.v_tall = weighted(triple(1));
            p.v_medium = medium_value(triple(1));
            return p;
        }
        if (q == uses_.qm[0]) {
            const Shares p1 = triple(1);
            p.v_tall = weighted({0.0, 0.5 * p1.low, p1.medium + p1.high + 0.5 * p1.low});
            p.v_medium = vm_;
            return p;
        }
        for (int k = 1; k < uses_.count; ++k) {
            if (q == uses_.qm[k]) {
                const Shares before = triple(k);
                const Shares now = triple(k + 1);
                p.v_tall = weighted({before.low, 0.5 * now.medium, now.high + 0.5 * now.medium});
                p.v_medium = before.low * vs_ + (now.medium + now.high) * vm_;
                return p;
            }
        }
        int period = 1;
        for (int k = 1; k < uses_.count; ++k)
            if (q >= uses_.qm[k]) period = k + 1;
        p.v_tall = weighted(triple(period));
        p.v_medium = medium_value(triple(period));
        return p;
    }

    const SpeciesRecord& sp_;
    const PixelRecord& px_;
    const MeasureRecord& m_;
    double trampling_;
    bool predation_;
    Uses uses_;
    Uses u_uses_;
    Uses r_uses_;
    int fifth_until_ = 0;
    int a_ = 0, b_ = 0, c_ = 0;
    int growth_start_ = 0;
    bool mowing_only_ = true;
    bool summary_rule_ = false;
    double vs_ = 0.0, vm_ = 0.0, vt_ = 0.0;
    int crit_ = 0;
    int repro_ = 0;
    bool substitute_ = false;
};

double by_height(const QuarterMonthPlan& p, double cm) {
    const HeightClass c = height_class(cm);
    return c == HeightClass::Short ? p.v_short : c == HeightClass::Tall ? p.v_tall : p.v_medium;
}

// Mean suitability of a planned quarter month over its draws.
double quarter_month_suitability(const QuarterMonthPlan& p, bool summary_rule, double scale, ScaleBounds* bounds) {
    if (!summary_rule) {
        // Nothing grown: every draw gives the same height, none is taken.
        if (p.months <= 0) return by_height(p, 5.0 * scale);
        double total = 0.0;
        if (bounds && p.months < kMaxMonths) {
            // The class of each value from the bounds: the same classes as
            // from the heights, without working the heights out.
            const ClassBounds& b = class_bounds(*bounds, p.months, scale);
            const double value[3] = {p.v_short, p.v_medium, p.v_tall};
            if (b.only_class >= 0) {
                // Every value gives the same class (the usual case): the
                // values need not be known, only passed over.
                rand15_skip<kDrawsPerQuarterMonth>();
                return p.only_class_mean[b.only_class];
            } else {
                int r[kDrawsPerQuarterMonth];
                rand15_block<kDrawsPerQuarterMonth>(r);
                for (int n = 0; n < kDrawsPerQuarterMonth; ++n)
                    total += value[(r[n] >= b.medium_from ? 1 : 0) + (r[n] >= b.tall_from ? 1 : 0)];
            }
        } else {
            for (int n = 0; n < kDrawsPerQuarterMonth; ++n) total += by_height(p, draw_height(p.months, scale));
        }
        return total / kDrawsPerQuarterMonth;
    }
    double total = 0.0;
    for (int n = 0; n < kDrawsPerQuarterMonth; ++n) {
        const double r = draw_height(p.months, scale);
        const double u = draw_height(p.months_under_uses, scale);
        const HeightClass c = height_class(r);
        if (c == HeightClass::Short) {
            total += p.v_short;
        } else if (c == HeightClass::Tall) {
            total += r <= u ? p.v_tall : p.v_tall_taller;
        } else {
            total += r <= u ? p.v_medium : p.v_medium_taller;
        }
    }
    return total / kDrawsPerQuarterMonth;
}

}  // namespace

bool uses_within_year(const MeasureRecord& m) {
    const int a = m.month_quarter_first_use;
    const int sums[4] = {a, a + m.distance_2use, a + m.distance_2use + m.distance_3use,
                         a + m.distance_2use + m.distance_3use + m.distance_4use};
    for (int s : sums)
        if (s < 1 || s > 48) return false;
    return m.distance_2use >= 0 && m.distance_3use >= 0 && m.distance_4use >= 0;
}

double spatial_factor(const SpeciesRecord& sp, const PixelRecord& px, bool predation) {
    const bool two = px.number_of_grassland_types >= 2;
    auto mix = [two](double first, double second) { return two ? 0.7 * first + 0.3 * second : first; };
    const double wes = mix(px.WES1, px.WES2);
    const double wola = mix(px.WOLA1, px.WOLA2);
    const double wkla = mix(px.WKLA1, px.WKLA2);

    double b = wes;
    if (sp.WES > kWeightThreshold) b = std::max(0.0, wes - (px.OHG ? 1.0 : 0.0));
    if (sp.WOLA > kWeightThreshold) b = std::max(0.0, wola - (px.OHG ? 0.5 : 0.0));
    if (sp.WKLA > kWeightThreshold) b = std::max(0.0, wkla);

    const double t = predation ? 1.0 : 1.0 - sp.praedation;

    double moisture = 0.0;
    int classes = 0;
    const std::pair<double, double> parts[3] = {{px.wet, sp.soil_moisture_requir_wet},
                                                {px.fresh, sp.soil_moisture_requir_fresh},
                                                {px.dry, sp.soil_moisture_requir_dry}};
    for (const auto& [share, suitability] : parts) {
        if (share > 0.0) {
            moisture += share * suitability;
            ++classes;
        }
    }
    const double m = classes ? moisture / classes : 0.0;
    return b * std::sqrt(std::max(0.0, t * m));
}

namespace {

}  // namespace

TemporalPlan temporal_plan(const SpeciesRecord& sp, const PixelRecord& px, const MeasureEvaluation& me,
                           double trampling, bool predation) {
    return TemporalModel(sp, px, me, trampling, predation).plan(sp);
}

double height_scale(const PixelRecord& px) {
    const bool two = px.number_of_grassland_types >= 2;
    return (two ? 0.7 * px.height1 + 0.3 * px.height2 : px.height1) / 100.0;
}

double temporal_factor(const TemporalPlan& plan, double scale) {
    std::array<double, kMaxMonths> suitability;
    if (!plan.quarter_months.empty()) {
        ScaleBounds* bounds = bounds_for_scale(scale);
        for (const QuarterMonthPlan& p : plan.quarter_months)
            suitability[static_cast<std::size_t>(p.q)] = quarter_month_suitability(p, plan.summary_rule, scale, bounds);
    }
    double totals[2] = {0.0, 0.0};
    const int window = plan.window;
    for (int l = 0; l < 2; ++l) {
        const std::vector<TemporalTerm>& terms = plan.terms[l];
        const std::size_t count = terms.size();
        if (count == 0) continue;
        // Each window's sum starts at 0 and adds its quarter months in
        // order; the windows are summed side by side.
        std::array<double, 48> sums{};
        const int first = terms.front().i;
        if (terms.back().i - first == static_cast<int>(count) - 1) {
            // Consecutive windows (the terms rise one by one): plain loads.
            const double* from = suitability.data() + first;
            for (int j = 0; j < window; ++j) {
                for (std::size_t n = 0; n < count; ++n) sums[n] += from[n + static_cast<std::size_t>(j)];
            }
        } else {
            for (int j = 0; j < window; ++j) {
                for (std::size_t n = 0; n < count; ++n)
                    sums[n] += suitability[static_cast<std::size_t>(terms[n].i + j)];
            }
        }
        double total = 0.0;
        for (std::size_t n = 0; n < count; ++n) {
            const double vegetation = window > 0 ? sums[n] / window : 0.0;
            total += terms[n].weight * vegetation;
        }
        totals[l] = total;
    }
    if (!plan.two_generations) return totals[0];
    const double t1 = plan.first_generation ? totals[0] : 0.0;
    return (t1 + totals[1]) * 0.5;
}

double temporal_factor(const SpeciesRecord& sp, const PixelRecord& px, const MeasureEvaluation& me,
                       double trampling, bool predation) {
    return temporal_factor(temporal_plan(sp, px, me, trampling, predation), height_scale(px));
}

long long temporal_factor_draws(const SpeciesRecord& sp, const PixelRecord& px, const MeasureEvaluation& me,
                                double trampling, bool predation) {
    return temporal_plan(sp, px, me, trampling, predation).draws;
}

long long species_quality_draws(const SpeciesRecord& sp, const PixelRecord& px, const MeasureEvaluation& me,
                                double trampling, bool predation) {
    if (spatial_factor(sp, px, predation) == 0.0) return 0;
    return temporal_factor_draws(sp, px, me, trampling, predation);
}

double species_quality(const SpeciesRecord& sp, const PixelRecord& px, const MeasureEvaluation& me,
                       double trampling, bool predation) {
    const double s = spatial_factor(sp, px, predation);
    // With no spatial suitability the quality is 0 whatever the season does;
    // the temporal factor (and its draws) is then not needed.
    if (s == 0.0) return 0.0;
    return s * temporal_factor(sp, px, me, trampling, predation);
}

}  // namespace pravel
