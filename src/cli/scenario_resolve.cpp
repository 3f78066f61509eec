#include "cli/scenario_resolve.h"

#include <algorithm>

#include "store/database_access.h"
#include "store/landscape_store.h"

namespace pravel::cli {

std::vector<MeasureRecord> measure_set(DatabaseAccess& db, const std::string& set) {
    std::vector<std::string> names;
    if (set == "only mowing") {
        names = {"mowing_postpo", kRefugeStripName};
    } else if (set == "only grazing") {
        names = {"grazing_rot_postpo", "grazing_seas_postpo", "mowing1_grazing_rot", "mowing1_grazing_seas"};
    } else if (set == "all measures") {
        return all_measures(db);
    } else if (set == "preselected") {
        return preselected_measures(db);
    } else {
        throw ScenarioError("unknown measure set \"" + set +
                            "\" (one of \"only mowing\", \"only grazing\", \"all measures\", \"preselected\")");
    }
    std::vector<MeasureRecord> out;
    for (const auto& name : names) {
        for (auto& m : measures_by_name_without_early_use(db, name)) out.push_back(m);
    }
    return out;
}

ResolvedScenario resolve_scenario(DatabaseAccess& db, const Scenario& s) {
    ResolvedScenario r;
    if (s.region) {
        const auto names = country_names(db);
        if (std::find(names.begin(), names.end(), *s.region) == names.end()) {
            throw ScenarioError("unknown region \"" + *s.region + "\"");
        }
        r.country_id = country_id(db, *s.region);
    }
    r.predation_chosen = s.predation.has_value();
    r.time_dependent = s.predation && *s.predation == "time dependent";

    for (const auto& sp : s.species) {
        const std::string version = choose_species_version(sp.name, species_savetimes(db, "name", sp.name), sp.saved_on);
        r.species.push_back(load_species("name", sp.name, version));
        r.min_quality.push_back(sp.min_quality.value_or(-1.0));
        r.wanted_area_ha.push_back(sp.wanted_area_ha.value_or(-1.0));
        r.weights.push_back(sp.importance ? *sp.importance / 100.0 : -1.0);
    }

    std::vector<MeasureRecord> catalogue;
    for (const auto& m : s.measures) {
        if (m.set) {
            for (auto& rec : measure_set(db, *m.set)) {
                r.measures.push_back(rec);
                r.max_area_ha.push_back(m.max_area_ha.value_or(-1.0));
                r.payment.push_back(m.payment);
                r.zone_payments.push_back(m.zone_payments);
                if (m.payment) r.measures.back().payment = *m.payment;
            }
            continue;
        }
        if (catalogue.empty()) catalogue = all_measures(db);
        auto it = std::find_if(catalogue.begin(), catalogue.end(),
                               [&](const MeasureRecord& c) { return c.measureID == *m.id; });
        if (it == catalogue.end()) throw ScenarioError("unknown measure ID " + std::to_string(*m.id));
        r.measures.push_back(*it);
        if (m.payment) r.measures.back().payment = *m.payment;
        r.max_area_ha.push_back(m.max_area_ha.value_or(-1.0));
        r.payment.push_back(m.payment);
        r.zone_payments.push_back(m.zone_payments);
    }
    return r;
}

}  // namespace pravel::cli
