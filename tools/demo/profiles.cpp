#include "demo/profiles.h"

#include <cstdio>
#include <map>
#include <string>

#include "demo/sql_writer.h"

namespace pravel::demo {

namespace {

// Quarter months: April 13-16, May 17-20, June 21-24, July 25-28, August 29-32.
using Calendar = std::map<int, double>;  // quarter month -> share of eggs

struct Profile {
    const char* group;
    const char* name;        // Dutch common name, as the editors label it
    const char* name_latein;
    Calendar eggs;
    int crit, repro;         // critical and whole reproduction period (quarter months)
    int last_substitute;     // last quarter month for a substitute brood (0: none)
    double substitute;       // probability of a successful substitute brood
    double short_, medium, tall;
    double dry, fresh, wet;
    double wes, wola, wkla;  // which habitat value of the grassland type counts
    double trampling_class;
    double praedation;       // 0 very high influence of predators .. 1 none
    double dispersal_km;
    int second_start = 0, second_end = 0;
    double overlap = 0.0;
    int grasslandtyp_nr = 0;
    std::vector<int> grasslands;  // grasslandIDs a butterfly depends on
};

const std::vector<Profile>& profile_table() {
    static const std::vector<Profile> p = {
        // Meadow birds: nests on the ground from April, lost to early cuts and
        // to trampling; the wet-grassland value of the sward counts.
        {kGroupBird, "Kievit", "Vanellus vanellus", {{13, 0.15}, {14, 0.3}, {15, 0.3}, {16, 0.15}, {17, 0.1}},
         4, 8, 20, 0.5, 1.0, 0.5, 0.0, 0.0, 0.5, 1.0, 1, 0, 0, 3, 0.2, 2.0},
        {kGroupBird, "Grutto", "Limosa limosa", {{14, 0.2}, {15, 0.35}, {16, 0.3}, {17, 0.15}},
         4, 9, 19, 0.3, 0.5, 1.0, 0.5, 0.0, 0.5, 1.0, 1, 0, 0, 3, 0.25, 3.0},
        {kGroupBird, "Tureluur", "Tringa totanus", {{15, 0.2}, {16, 0.35}, {17, 0.3}, {18, 0.15}},
         4, 8, 21, 0.4, 0.5, 1.0, 0.5, 0.0, 0.5, 1.0, 1, 0, 0, 3, 0.25, 2.0},
        {kGroupBird, "Wulp", "Numenius arquata", {{14, 0.25}, {15, 0.4}, {16, 0.25}, {17, 0.1}},
         4, 11, 18, 0.2, 0.5, 1.0, 0.5, 0.5, 1.0, 0.5, 1, 0, 0, 2, 0.3, 5.0},
        // Late breeders of tall vegetation: an open-landscape value counts.
        {kGroupBird, "Kwartelkoning", "Crex crex",
         {{19, 0.15}, {20, 0.25}, {21, 0.2}, {22, 0.1}, {25, 0.1}, {26, 0.15}, {27, 0.05}},
         3, 9, 28, 0.6, 0.0, 0.5, 1.0, 0.0, 1.0, 1.0, 0, 1, 0, 2, 0.3, 4.0},
        {kGroupBird, "Paapje", "Saxicola rubetra", {{20, 0.2}, {21, 0.4}, {22, 0.3}, {23, 0.1}},
         3, 7, 24, 0.4, 0.0, 0.5, 1.0, 0.5, 1.0, 1.0, 0, 1, 0, 1, 0.3, 1.0},
        {kGroupBird, "Graspieper", "Anthus pratensis",
         {{15, 0.15}, {16, 0.25}, {17, 0.2}, {18, 0.1}, {21, 0.1}, {22, 0.15}, {23, 0.05}},
         2, 6, 24, 0.5, 0.5, 1.0, 0.5, 0.5, 1.0, 1.0, 0, 1, 0, 1, 0.3, 1.0},
        // Butterflies: eggs on the food plant, the larvae need it uncut.
        {kGroupButterfly, "Moerasparelmoervlinder", "Euphydryas aurinia", {{21, 0.2}, {22, 0.4}, {23, 0.3}, {24, 0.1}},
         6, 12, 0, 0.0, 0.5, 1.0, 0.5, 0.5, 0.5, 1.0, 0, 0, 1, 1, 0.2, 1.0, 0, 0, 0.0, 4, {2}},
        {kGroupButterfly, "Pimpernelblauwtje", "Phengaris teleius", {{26, 0.2}, {27, 0.4}, {28, 0.3}, {29, 0.1}},
         4, 5, 0, 0.0, 0.0, 0.5, 1.0, 0.0, 1.0, 1.0, 0, 0, 1, 1, 0.2, 0.5, 0, 0, 0.0, 5, {3}},
        {kGroupButterfly, "Donker pimpernelblauwtje", "Phengaris nausithous",
         {{27, 0.25}, {28, 0.4}, {29, 0.25}, {30, 0.1}},
         4, 5, 0, 0.0, 0.0, 0.5, 1.0, 0.0, 1.0, 1.0, 0, 0, 1, 1, 0.2, 0.5, 0, 0, 0.0, 5, {3}},
        // Two generations: June and August.
        {kGroupButterfly, "Grote vuurvlinder", "Lycaena dispar",
         {{22, 0.2}, {23, 0.25}, {31, 0.2}, {32, 0.25}, {33, 0.1}},
         4, 6, 0, 0.0, 0.0, 0.5, 1.0, 0.0, 0.5, 1.0, 0, 0, 1, 1, 0.2, 3.0, 29, 36, 10.0, 7, {4, 5}},
        // Habitats: the calendar is that of flowering and seed set, which a
        // cut before it prevents.
        {kGroupHabitat, "Glanshaverhooiland (6510)", "Arrhenatherion elatioris", {{22, 0.3}, {23, 0.4}, {24, 0.3}},
         2, 4, 0, 0.0, 0.5, 1.0, 1.0, 0.5, 1.0, 0.5, 0, 0, 1, 0, 1.0, 0.0, 0, 0, 0.0, 2, {}},
        {kGroupHabitat, "Blauwgrasland (6410)", "Molinion caeruleae", {{30, 0.3}, {31, 0.4}, {32, 0.3}},
         2, 4, 0, 0.0, 0.5, 1.0, 1.0, 0.0, 0.5, 1.0, 0, 0, 1, 0, 1.0, 0.0, 0, 0, 0.0, 4, {}},
        {kGroupHabitat, "Stroomdalhooiland (6440)", "Cnidion dubii", {{24, 0.3}, {25, 0.4}, {26, 0.3}},
         2, 4, 0, 0.0, 0.5, 1.0, 1.0, 0.5, 1.0, 1.0, 0, 0, 1, 0, 1.0, 0.0, 0, 0, 0.0, 5, {}},
    };
    return p;
}

// Share of nests or larvae lost to predators in each quarter month of the
// breeding season (time-dependent predation).
double predation_in(const Profile& p, int q) {
    if (std::string(p.group) != kGroupBird) return 0.0;
    if (q >= 13 && q <= 16) return 0.25;
    if (q >= 17 && q <= 24) return 0.15;
    return 0.0;
}

// Fixed save times keep the demo data identical on every load.
std::string savetime_of(int index) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "2026-03-%02d 09:%02d:00.000000", 2 + index / 10, (index % 10) * 5);
    return buf;
}

}  // namespace

std::vector<SpeciesRecord> build_profiles() {
    std::vector<SpeciesRecord> out;
    int id = 1;
    for (const auto& p : profile_table()) {
        SpeciesRecord s;
        s.speciesID = id;
        s.group = p.group;
        s.name = p.name;
        s.name_latein = p.name_latein;
        s.name_editor = "Demo data";
        for (const auto& [q, share] : p.eggs) s.eggs_by_quarter_month[q - 1] = share;
        s.critical_reproduction_period = p.crit;
        s.reproduction_period = p.repro;
        s.last_monthquarter_substitut_brood = p.last_substitute;
        s.probability_succeccful_sub_brood = p.substitute;
        s.vegetation_requirement_short = p.short_;
        s.vegetation_requirement_medium = p.medium;
        s.vegetation_requirement_tall = p.tall;
        s.soil_moisture_requir_dry = p.dry;
        s.soil_moisture_requir_fresh = p.fresh;
        s.soil_moisture_requir_wet = p.wet;
        s.WES = p.wes;
        s.WOLA = p.wola;
        s.WKLA = p.wkla;
        s.trampling_mortality_typ = p.trampling_class;
        s.praedation = p.praedation;
        s.dispersal_capability = p.dispersal_km;
        s.second_generation_start = p.second_start;
        s.second_generation_end = p.second_end;
        s.percent_for_overlap = p.overlap;
        s.grasslandtyp_nr = p.grasslandtyp_nr;
        s.grassland_ids = p.grasslands;
        for (int q = 1; q <= 48; ++q) s.predation_by_quarter_month.push_back(predation_in(p, q));
        s.savetime = savetime_of(id);
        out.push_back(s);
        ++id;
    }
    return out;
}

std::vector<GrasslandRecord> build_grasslands() {
    struct G {
        const char* engl;
        const char* latin;
        int code;
        bool high, low;
        double wet, fresh, dry;
        bool low_prod, normal_prod, fert, no_fert;
    };
    const G table[] = {
        {"Lowland hay meadow", "Arrhenatherion elatioris", 6510, false, true, 0.5, 1.0, 0.5, false, true, true, false},
        {"Molinia meadow", "Molinion caeruleae", 6410, false, true, 1.0, 0.5, 0.0, true, false, false, true},
        {"Great burnet meadow", "Sanguisorbo-Silaetum", 6510, false, true, 1.0, 1.0, 0.0, false, true, false, true},
        {"Alluvial meadow", "Cnidion dubii", 6440, false, true, 1.0, 1.0, 0.5, false, true, false, true},
        {"Wet dock stands", "Rumicetum hydrolapathi", 6430, false, true, 1.0, 0.5, 0.0, false, true, false, true},
        {"Marsh marigold meadow", "Calthion palustris", 0, false, true, 1.0, 0.5, 0.0, false, true, true, false},
    };
    std::vector<GrasslandRecord> out;
    int id = 1;
    for (const auto& g : table) {
        GrasslandRecord r;
        r.grasslandID = id;
        r.name_engl = g.engl;
        r.name_latin = g.latin;
        r.name_editor = "Demo data";
        r.code = g.code;
        r.altitude_high = g.high;
        r.altitude_low = g.low;
        r.soil_moister_requi_wet = g.wet;
        r.soil_moister_requi_fresh = g.fresh;
        r.soil_moister_requi_dry = g.dry;
        r.low_productivity = g.low_prod;
        r.normal_productivity = g.normal_prod;
        r.fertilization = g.fert;
        r.no_fertilization = g.no_fert;
        r.savetime = savetime_of(20 + id);
        out.push_back(r);
        ++id;
    }
    return out;
}

void write_profiles(std::ostream& sql, const std::vector<SpeciesRecord>& profiles,
                    const std::vector<GrasslandRecord>& grasslands, const std::vector<MeasureRecord>& measures) {
    {
        InsertWriter w(sql, "species",
                       {"speciesID", "group", "name", "name_latein", "grasslandtyp_nr", "spatial_water_requirement",
                        "spatial_settlement_requirement", "spatial_forest_requirement",
                        "last_monthquarter_substitut_brood", "probability_succeccful_sub_brood",
                        "critical_reproduction_period", "reproduction_period", "vegetation_requirement_short",
                        "vegetation_requirement_medium", "vegetation_requirement_tall", "soil_moisture_requir_dry",
                        "soil_moisture_requir_fresh", "soil_moisture_requir_wet", "dispersal_capability",
                        "trampling_mortality_typ", "second_generation_start", "second_generation_end", "name_editor",
                        "praedation", "WES", "WOLA", "WKLA", "percent_for_overlap", "savetime"});
        for (const auto& s : profiles) {
            w.row({literal(s.speciesID), literal(s.group), literal(s.name), literal(s.name_latein),
                   literal(s.grasslandtyp_nr), literal(s.spatial_water_requirement),
                   literal(s.spatial_settlement_requirement), literal(s.spatial_forest_requirement),
                   literal(s.last_monthquarter_substitut_brood), literal(s.probability_succeccful_sub_brood),
                   literal(s.critical_reproduction_period), literal(s.reproduction_period),
                   literal(s.vegetation_requirement_short), literal(s.vegetation_requirement_medium),
                   literal(s.vegetation_requirement_tall), literal(s.soil_moisture_requir_dry),
                   literal(s.soil_moisture_requir_fresh), literal(s.soil_moisture_requir_wet),
                   literal(s.dispersal_capability), literal(s.trampling_mortality_typ),
                   literal(s.second_generation_start), literal(s.second_generation_end), literal(s.name_editor),
                   literal(s.praedation), literal(s.WES), literal(s.WOLA), literal(s.WKLA),
                   literal(s.percent_for_overlap), literal(s.savetime)});
        }
    }
    std::vector<std::string> mv_cols = {"speciesID"};
    for (int q = 1; q <= 48; ++q) mv_cols.push_back("MV" + std::to_string(q));
    {
        // Habitat calendars are stored too, so that their seed set counts.
        InsertWriter eggs(sql, "quarter_month_eggs", mv_cols, 100);
        for (const auto& s : profiles) {
            std::vector<std::string> v = {literal(s.speciesID)};
            for (double e : s.eggs_by_quarter_month) v.push_back(literal(e));
            eggs.row(v);
        }
    }
    {
        InsertWriter pred(sql, "quarter_month_predation", mv_cols, 100);
        for (const auto& s : profiles) {
            std::vector<std::string> v = {literal(s.speciesID)};
            for (double e : s.predation_by_quarter_month) v.push_back(literal(e));
            pred.row(v);
        }
    }
    {
        InsertWriter w(sql, "grassland",
                       {"grasslandID", "name_engl", "name_latin", "code", "altitude_high", "altitude_low",
                        "soil_moister_requi_wet", "soil_moister_requi_fresh", "soil_moister_requi_dry",
                        "low_productivity", "normal_productivity", "fertilization", "no_fertilization", "speciesID",
                        "name_editor", "savetime"});
        for (const auto& g : grasslands)
            w.row({literal(g.grasslandID), literal(g.name_engl), literal(g.name_latin), literal(g.code),
                   literal(g.altitude_high), literal(g.altitude_low), literal(g.soil_moister_requi_wet),
                   literal(g.soil_moister_requi_fresh), literal(g.soil_moister_requi_dry),
                   literal(g.low_productivity), literal(g.normal_productivity), literal(g.fertilization),
                   literal(g.no_fertilization), literal(g.speciesID), literal(g.name_editor), literal(g.savetime)});
    }
    {
        InsertWriter w(sql, "species_grassland", {"grasslandID", "speciesID"});
        for (const auto& s : profiles)
            for (int g : s.grassland_ids) w.row({literal(g), literal(s.speciesID)});
    }
    {
        // Grassland types arise under late, few cuts (or light grazing for the
        // wet types); the links follow the first use of each measure.
        InsertWriter w(sql, "measure_grassland", {"measureID", "grasslandID"});
        for (const auto& m : measures) {
            const int a = m.month_quarter_first_use;
            const bool mowing = m.method_nr >= 1 && m.method_nr <= 5;
            if (mowing && a >= 22 && m.distance_3use == 0) w.row({literal(m.measureID), literal(1)});
            if (mowing && a >= 30 && m.distance_2use == 0) w.row({literal(m.measureID), literal(2)});
            if (mowing && a >= 24 && a <= 28) w.row({literal(m.measureID), literal(3)});
            if (mowing && a >= 24 && m.distance_3use == 0) w.row({literal(m.measureID), literal(4)});
            if (m.method_nr == 9 && a >= 24 && m.livestock_density_1 <= 1.0) w.row({literal(m.measureID), literal(5)});
            if (m.method_nr == 13 && a >= 20) w.row({literal(m.measureID), literal(6)});
        }
    }
}

}  // namespace pravel::demo
