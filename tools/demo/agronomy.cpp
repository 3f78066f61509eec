#include "demo/agronomy.h"

#include <algorithm>
#include <cmath>

#include "demo/sql_writer.h"

namespace pravel::demo {

namespace {

// Annual dry matter (kg DM/ha) of a sward at nitrogen level n: about 5 t
// without nitrogen, 11.5 t at 380 kg N. The yield model reads the series of
// the nitrogen given to each use (60 to 100 kg on intensive swards), so the
// curve saturates early: 100 kg per use already grows about 11 t.
double annual_dry_matter(int n) {
    const double s = (1.0 - std::exp(-n / 40.0)) / (1.0 - std::exp(-kMaxNitrogen / 40.0));
    return 5000.0 + 6500.0 * s;
}

// Share of the annual growth in quarter month q: growth starts in mid March,
// peaks in May, a summer low and a smaller autumn flush, none in winter.
std::array<double, 48> seasonal_shares() {
    std::array<double, 48> w{};
    double total = 0.0;
    for (int q = 11; q <= 44; ++q) {
        const double spring = std::exp(-std::pow((q - 18.5) / 4.5, 2));
        const double autumn = 0.35 * std::exp(-std::pow((q - 31.0) / 6.0, 2));
        w[q - 1] = spring + autumn;
        total += w[q - 1];
    }
    for (double& x : w) x /= total;
    return w;
}

UsabilityRow first_cut_row(int q) {
    // Young grass cut early is digestible and takes much nitrogen; the later
    // the first cut, the lower its usable share and energy.
    const int n_max = q <= 18 ? 100 : q <= 22 ? 80 : q <= 26 ? 60 : q <= 30 ? 40 : 20;
    double usability = 0.85;
    if (q > 16) usability = std::max(0.45, 0.85 - 0.02 * (q - 16));
    int energy = 66;  // 0.1 MJ NEL per kg DM
    if (q > 15) energy = std::max(46, 66 - (q - 15));
    return {q, n_max, usability, energy};
}

UsabilityRow other_cut_row(int interval) {
    const int n_max = interval <= 6 ? 80 : interval <= 8 ? 60 : interval <= 10 ? 40 : 30;
    const double usability = std::max(0.55, 0.85 - 0.02 * std::max(0, interval - 4));
    const int energy = std::max(50, 64 - std::max(0, interval - 4));
    return {interval, n_max, usability, energy};
}

}  // namespace

GrowthTables AgronomyData::growth_tables() const {
    GrowthTables t;
    for (const auto& [level, series] : dry_matter) t.set_series(level, series);
    for (const auto& r : regrowth) t.set_regrowth_delay(r[0], r[1], r[2]);
    return t;
}

UsabilityParameters AgronomyData::usability(const MeasureRecord& m) const {
    UsabilityParameters p;
    auto fill = [&](int k, const std::vector<UsabilityRow>& rows, int key) {
        for (const auto& r : rows)
            if (r.key == key) {
                p.N_fertilizer_max[k] = r.N_fertilizer_max;
                p.usability1[k] = r.usability1;
                p.energy_content[k] = r.energy_content;
            }
    };
    fill(0, first_cut, m.month_quarter_first_use);
    if (m.distance_2use != 0) {
        fill(1, other_cuts, m.distance_2use);
        if (m.distance_3use != 0) {
            fill(2, other_cuts, m.distance_3use);
            if (m.distance_4use != 0) fill(3, other_cuts, m.distance_4use);
        }
    }
    const int ids[4] = {m.livestockID_1, m.livestockID_2, m.livestockID_3, m.livestockID_4};
    for (int k = 0; k < 4; ++k) {
        p.livestockID[k] = ids[k];
        if (ids[k] == kCalmLivestock) {
            p.GVE[k] = p.GVE_copy[k] = 1.0;
            p.uptake_rate[k] = 850.0;
        } else if (ids[k] == kLivelyLivestock) {
            p.GVE[k] = p.GVE_copy[k] = 0.6;
            p.uptake_rate[k] = 520.0;
        }
    }
    for (const auto& c : cut_use)
        if (c.method == m.method_nr) {
            p.disturbance_correction_dry_matter_first_cut = c.correction[0];
            p.disturbance_correction_dry_matter_second_cut = c.correction[1];
            p.disturbance_correction_dry_matter_other_cuts = c.correction[2];
            p.regrowth_delay_dry_matter_first_cut = c.regrowth_delay[0];
            p.regrowth_delay_dry_matter_second_cut = c.regrowth_delay[1];
            p.regrowth_delay_dry_matter_other_cuts = c.regrowth_delay[2];
        }
    return p;
}

AgronomyData build_agronomy(const std::vector<CatalogueMeasure>& catalogue) {
    AgronomyData d;
    const auto shares = seasonal_shares();
    for (int n = 0; n <= kMaxNitrogen; n += kNitrogenStep) {
        std::array<int, 48> series{};
        const double total = annual_dry_matter(n);
        for (int q = 0; q < 48; ++q) series[q] = static_cast<int>(std::lround(total * shares[q]));
        d.dry_matter[n] = series;
    }
    // Regrowth delay in days after a cut: longer after a heavy cut, shorter
    // when the regrowth itself is strong.
    for (int prev = 0; prev <= kMaxRoundedAmount; prev += 1000)
        for (int next = 0; next <= kMaxRoundedAmount; next += 1000) {
            const double days = 2.0 + 2.5 * prev / 1000.0 - 0.5 * next / 1000.0;
            d.regrowth.push_back({prev, next, static_cast<int>(std::clamp(std::lround(days), 0L, 21L))});
        }
    for (int q = 1; q <= 48; ++q) d.first_cut.push_back(first_cut_row(q));
    for (int i = 1; i <= 24; ++i) d.other_cuts.push_back(other_cut_row(i));

    for (int m = 1; m <= 14; ++m) {
        if (m <= 5) {
            d.cut_use.push_back({m, {0.95, 0.92, 0.9}, {true, true, true}});
        } else if (m <= 10) {
            d.cut_use.push_back({m, {0.8, 0.8, 0.8}, {false, false, false}});
        } else {
            d.cut_use.push_back({m, {0.95, 0.8, 0.8}, {true, true, false}});
        }
    }

    // Machinery and labour per pass (per ha), after common farm-management
    // reference figures for grassland.
    d.objects = {
        {1, "rotary mower", 0.25, 4.0, 4.0, 0.5},      {2, "tedder", 0.1, 1.5, 1.5, 0.5},
        {3, "rake", 0.1, 1.5, 1.5, 0.5},               {4, "silage chain (loader wagon, clamp)", 0.25, 3.0, 5.0, 2.0},
        {5, "fertiliser spreader", 0.2, 2.0, 2.0, 0.5}, {6, "mobile fencing", 0.8, 0.0, 10.0, 8.0},
        {7, "herd check and water supply", 1.0, 4.0, 2.0, 3.0}, {8, "pasture topping", 0.4, 5.0, 5.0, 1.0},
    };
    d.personal_costs_per_Akh = 18.0;
    auto mowing = [](int m, int cuts, double fert) {
        MethodCosts c{m, 10.0, 0.0, 0.0, 0.0, 5.0, 0.0, fert, 6.0, fert * 2.0, {}};
        c.objects = {{1, cuts}, {2, cuts}, {3, cuts}, {4, cuts}, {5, cuts > 2 ? 3.0 : 1.0}};
        return c;
    };
    auto grazing = [](int m, int rotations, double fert) {
        MethodCosts c{m, 5.0, 0.0, 20.0 + 8.0 * rotations, 0.0, 5.0, 0.0, fert, 6.0, fert * 2.0, {}};
        c.objects = {{6, 1.0 + 0.5 * rotations}, {7, rotations}, {8, 1.0}, {5, rotations > 2 ? 2.0 : 1.0}};
        return c;
    };
    auto mixed = [](int m, int grazings, double fert) {
        MethodCosts c{m, 5.0, 0.0, 20.0 + 8.0 * grazings, 0.0, 5.0, 8.0, fert, 6.0, fert * 2.0, {}};
        c.objects = {{1, 1.0}, {2, 1.0}, {3, 1.0}, {4, 1.0}, {6, 1.0 + 0.5 * grazings}, {7, grazings}, {5, 2.0}};
        return c;
    };
    // Fertilisation costs cover phosphate, potash and lime; nitrogen left
    // unused is valued by the yield model's fertiliser saving instead.
    d.costs = {mowing(1, 4, 45.0), mowing(2, 3, 45.0), mowing(3, 2, 40.0),  mowing(4, 1, 35.0),
               mowing(5, 2, 35.0), grazing(6, 4, 40.0), grazing(7, 3, 40.0), grazing(8, 2, 35.0),
               grazing(9, 1, 30.0), grazing(10, 3, 30.0), mixed(11, 3, 40.0), mixed(12, 2, 40.0),
               mixed(13, 1, 35.0), mixed(14, 3, 35.0)};

    // Trampling mortality factor per trampling class of a species (1 low,
    // 2 medium, 3 high sensitivity) and livestock kind.
    d.trampling = {{1, kCalmLivestock, 0.005}, {1, kLivelyLivestock, 0.01}, {2, kCalmLivestock, 0.02},
                   {2, kLivelyLivestock, 0.035}, {3, kCalmLivestock, 0.05}, {3, kLivelyLivestock, 0.08}};

    // Sward structure under grazing: low densities leave tall patches, high
    // densities keep the sward short.
    d.growth_rate = {1, 90, 2.0, 0.5, 0.2, 0.4, 0.4, 0.6, 0.3, 0.1};

    // Reference energies: the feed energy of the most intensive measure of
    // each method family at each nitrogen set, with 2 % headroom, so that every
    // catalogue measure yields less than its reference on a standard sward.
    const GrowthTables tables = d.growth_tables();
    auto energy_of = [&](const MeasureRecord& m, int level) {
        UsabilityParameters p = d.usability(m);
        const std::array<double, 4> dens = {m.livestock_density_1, m.livestock_density_2, m.livestock_density_3,
                                            m.livestock_density_4};
        const auto out = fertiliser_saving(m.month_quarter_first_use, m.distance_2use, m.distance_3use,
                                           m.distance_4use, m.method_nr, p, dens, 0.0, level, tables);
        if (m.method_nr == 10) return static_cast<double>(out.uses.energy[0]);
        if (m.method_nr == 14) return out.uses.yield[0] * out.uses.energy[0] + out.uses.energy[1];
        double w = 0.0;
        for (int k = 0; k < 4; ++k) w += out.uses.yield[k] * out.uses.energy[k];
        if (m.is_refuge_strip) w *= 0.92;
        return w;
    };
    auto family = [](int method) { return method <= 5 ? 0 : method <= 9 ? 1 : method == 10 ? 2 : method <= 13 ? 3 : 4; };
    std::array<double, 5> ref_a{}, ref_b{};
    for (const auto& c : catalogue) {
        const int f = family(c.record.method_nr);
        const bool mixed_family = c.record.method_nr >= 11;
        ref_a[f] = std::max(ref_a[f], energy_of(c.record, mixed_family ? 120 : 380));
        ref_b[f] = std::max(ref_b[f], energy_of(c.record, mixed_family ? 120 : 245));
    }
    for (int m = 1; m <= 14; ++m) {
        MethodFeedRow r;
        r.methodID = m;
        r.energy_matter_ref_380N = static_cast<int>(std::ceil(ref_a[family(m)] * 1.02));
        r.energy_matter_ref_245N = static_cast<int>(std::ceil(ref_b[family(m)] * 1.02));
        // Replacement value of feed energy: 0.04 Euro per MJ NEL (energy
        // bought in as concentrate); energies are counted in 0.1 MJ NEL,
        // hence the factor 10.
        r.price_compensation_feed = 0.04;
        r.faktor_compenstion_feed = 10;
        d.method_feed.push_back(r);
    }
    return d;
}

void write_agronomy(std::ostream& sql, const AgronomyData& d) {
    {
        std::vector<std::string> cols = {"N-fertilizer"};
        for (int q = 1; q <= 48; ++q) cols.push_back("MV" + std::to_string(q));
        InsertWriter w(sql, "quarter_month_dry_matter", cols, 100);
        for (const auto& [level, series] : d.dry_matter) {
            std::vector<std::string> v = {literal(level)};
            for (int x : series) v.push_back(literal(x));
            w.row(v);
        }
    }
    {
        InsertWriter w(sql, "regrowth_delay_dry_matter", {"previous_cut", "next_cut", "regrowth_delay"});
        for (const auto& r : d.regrowth) w.row({literal(r[0]), literal(r[1]), literal(r[2])});
    }
    {
        InsertWriter w(sql, "usability_first_cut", {"quarter_month", "N_fertilizer_max", "usability1", "energy_content"});
        for (const auto& r : d.first_cut)
            w.row({literal(r.key), literal(r.N_fertilizer_max), literal(r.usability1), literal(r.energy_content)});
    }
    {
        InsertWriter w(sql, "usability_other_cuts", {"cut_interval", "N_fertilizer_max", "usability1", "energy_content"});
        for (const auto& r : d.other_cuts)
            w.row({literal(r.key), literal(r.N_fertilizer_max), literal(r.usability1), literal(r.energy_content)});
    }
    {
        InsertWriter w(sql, "cut_use",
                       {"methodID", "disturbance_correction_dry_matter_first_cut",
                        "disturbance_correction_dry_matter_second_cut", "disturbance_correction_dry_matter_other_cuts",
                        "regrowth_delay_dry_matter_first_cut", "regrowth_delay_dry_matter_second_cut",
                        "regrowth_delay_dry_matter_other_cuts"});
        for (const auto& c : d.cut_use)
            w.row({literal(c.method), literal(c.correction[0]), literal(c.correction[1]), literal(c.correction[2]),
                   literal(c.regrowth_delay[0]), literal(c.regrowth_delay[1]), literal(c.regrowth_delay[2])});
    }
    {
        InsertWriter w(sql, "objectcosts",
                       {"objectID", "object_name", "hours_akh/ha", "diesel_eur/ha", "maintenance_eur/ha", "other_eur/ha"});
        for (const auto& o : d.objects)
            w.row({literal(o.objectID), literal(o.name), literal(o.hours), literal(o.diesel), literal(o.maintenance),
                   literal(o.other)});
    }
    {
        InsertWriter w(sql, "object_for_method", {"methodID", "objectID", "quotient"});
        for (const auto& c : d.costs)
            for (const auto& [id, passes] : c.objects) w.row({literal(c.method), literal(id), literal(passes)});
    }
    {
        InsertWriter w(sql, "variable_costs",
                       {"methodID", "utilisation_years", "amount_of_seeds", "seed_price", "seed_expense",
                        "amount_herbicide", "price_per_herbicide", "cost_of_pest_management", "amount_fertilizer_N",
                        "legume_portion", "amount_fertilizer_P", "amount_fertilizer_K", "costs_fertilisation",
                        "hired_labour", "maschine_rental", "silage_applicance_portion", "costs_silage_other",
                        "pasturecosts", "personal_costs_per_Akh", "optional_extra_cost", "reduced_fertilisation_cost"});
        for (const auto& c : d.costs) {
            // Reseeding every 10 years (30 kg seed at 4 Euro/kg, per year).
            w.row({literal(c.method), literal(10), literal(3.0), literal(4.0), literal(c.seed_expense), literal(0.5),
                   literal(12.0), literal(c.cost_of_pest_management), literal(c.amount_fertilizer_N), literal(0.1),
                   literal(c.amount_fertilizer_N / 4), literal(c.amount_fertilizer_N / 2),
                   literal(c.costs_fertilisation), literal(c.hired_labour), literal(c.maschine_rental),
                   literal(c.costs_silage_other > 0 ? 0.8 : 0.0), literal(c.costs_silage_other),
                   literal(c.pasturecosts), literal(d.personal_costs_per_Akh), literal(c.optional_extra_cost),
                   literal(0.0)});
        }
    }
    {
        InsertWriter w(sql, "method",
                       {"methodID", "method_name", "energy_matter_ref_380N", "energy_matter_ref_245N",
                        "price_compensation_feed", "faktor_compenstion_feed"});
        const char* names[15] = {"",
                                 "mowing, four cuts",
                                 "mowing, three cuts",
                                 "mowing, two cuts",
                                 "mowing, one cut",
                                 "mowing with refuge strips",
                                 "rotational grazing, four periods",
                                 "rotational grazing, three periods",
                                 "rotational grazing, two periods",
                                 "rotational grazing, one period",
                                 "seasonal grazing",
                                 "cut, then three grazing periods",
                                 "cut, then two grazing periods",
                                 "cut, then one grazing period",
                                 "cut, then seasonal grazing"};
        for (const auto& r : d.method_feed)
            w.row({literal(r.methodID), literal(names[r.methodID]), literal(r.energy_matter_ref_380N),
                   literal(r.energy_matter_ref_245N), literal(r.price_compensation_feed),
                   literal(r.faktor_compenstion_feed)});
    }
    {
        InsertWriter w(sql, "trampling_mortality", {"trampling_mortality_typ", "livestockID", "factor"});
        for (const auto& t : d.trampling) w.row({literal(t[0]), literal(static_cast<int>(t[1])), literal(t[2])});
    }
    {
        const auto& g = d.growth_rate;
        InsertWriter w(sql, "growth_rate",
                       {"hightID", "grasslandvalue_max", "livestock_density_max", "livestock_density_min", "low_min",
                        "medium_min", "high_min", "low_max", "medium_max", "high_max"});
        w.row({literal(g.hightID), literal(g.grasslandvalue_max), literal(g.livestock_density_max),
               literal(g.livestock_density_min), literal(g.low_min), literal(g.medium_min), literal(g.high_min),
               literal(g.low_max), literal(g.medium_max), literal(g.high_max)});
    }
}

}  // namespace pravel::demo
