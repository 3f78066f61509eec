#include "cli/scenario.h"

#include <algorithm>
#include <fstream>
#include <set>

#include "store/database_access.h"
#include "store/landscape_store.h"

namespace pravel::cli {

namespace {

using nlohmann::json;

template <class T>
std::optional<T> optional_key(const json& obj, const char* key, const std::string& where) {
    auto it = obj.find(key);
    if (it == obj.end() || it->is_null()) return std::nullopt;
    try {
        return it->get<T>();
    } catch (const json::exception&) {
        throw ScenarioError(where + ": \"" + key + "\" has the wrong type");
    }
}

void reject_unknown_keys(const json& obj, const std::set<std::string>& known, const std::string& where) {
    for (auto it = obj.begin(); it != obj.end(); ++it) {
        if (!known.count(it.key())) throw ScenarioError(where + ": unknown key \"" + it.key() + "\"");
    }
}

}  // namespace

Scenario parse_scenario(const json& doc) {
    if (!doc.is_object()) throw ScenarioError("the scenario must be a JSON object");
    reject_unknown_keys(doc,
                        {"region", "predation", "distance_cost_factor", "transaction_costs", "budget", "species",
                         "measures", "description"},
                        "scenario");
    Scenario s;
    s.region = optional_key<std::string>(doc, "region", "scenario");
    s.predation = optional_key<std::string>(doc, "predation", "scenario");
    s.distance_cost_factor = optional_key<double>(doc, "distance_cost_factor", "scenario");
    if (auto it = doc.find("transaction_costs"); it != doc.end() && !it->is_null()) {
        if (!it->is_number_integer()) throw ScenarioError("scenario: \"transaction_costs\" must be an integer");
        s.transaction_costs = it->get<int>();
    }
    s.budget = optional_key<double>(doc, "budget", "scenario");
    if (s.predation && *s.predation != "time independent" && *s.predation != "time dependent") {
        throw ScenarioError("scenario: \"predation\" must be \"time independent\" or \"time dependent\"");
    }

    if (auto it = doc.find("species"); it != doc.end()) {
        if (!it->is_array()) throw ScenarioError("scenario: \"species\" must be a list");
        int n = 0;
        for (const json& e : *it) {
            const std::string where = "species " + std::to_string(++n);
            if (!e.is_object()) throw ScenarioError(where + ": must be an object");
            reject_unknown_keys(e, {"name", "saved_on", "min_quality", "wanted_area_ha", "importance"}, where);
            ScenarioSpecies sp;
            auto name = optional_key<std::string>(e, "name", where);
            if (!name) throw ScenarioError(where + ": \"name\" is missing");
            sp.name = *name;
            sp.saved_on = optional_key<std::string>(e, "saved_on", where);
            sp.min_quality = optional_key<double>(e, "min_quality", where);
            sp.wanted_area_ha = optional_key<double>(e, "wanted_area_ha", where);
            sp.importance = optional_key<double>(e, "importance", where);
            s.species.push_back(sp);
        }
    }
    if (auto it = doc.find("measures"); it != doc.end()) {
        if (!it->is_array()) throw ScenarioError("scenario: \"measures\" must be a list");
        int n = 0;
        for (const json& e : *it) {
            const std::string where = "measure " + std::to_string(++n);
            if (!e.is_object()) throw ScenarioError(where + ": must be an object");
            reject_unknown_keys(e, {"id", "set", "payment", "max_area_ha"}, where);
            ScenarioMeasure m;
            if (auto id = e.find("id"); id != e.end()) {
                if (!id->is_number_integer()) throw ScenarioError(where + ": \"id\" must be an integer");
                m.id = id->get<int>();
            }
            m.set = optional_key<std::string>(e, "set", where);
            m.payment = optional_key<double>(e, "payment", where);
            m.max_area_ha = optional_key<double>(e, "max_area_ha", where);
            if (m.id.has_value() == m.set.has_value()) {
                throw ScenarioError(where + ": give either \"id\" or \"set\"");
            }
            s.measures.push_back(m);
        }
    }
    return s;
}

Scenario load_scenario_file(const std::string& path) {
    std::ifstream in(path);
    if (!in) throw ScenarioError("cannot read the scenario file " + path);
    json doc;
    try {
        in >> doc;
    } catch (const json::exception& e) {
        throw ScenarioError(path + ": not valid JSON (" + e.what() + ")");
    }
    return parse_scenario(doc);
}

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
        auto versions = species_savetimes(db, "name", sp.name);
        if (versions.empty()) throw ScenarioError("unknown species \"" + sp.name + "\"");
        std::string version;
        if (sp.saved_on) {
            if (std::find(versions.begin(), versions.end(), *sp.saved_on) == versions.end()) {
                throw ScenarioError("species \"" + sp.name + "\" has no version saved on " + *sp.saved_on);
            }
            version = *sp.saved_on;
        } else {
            // Save times sort as text in time order.
            version = *std::max_element(versions.begin(), versions.end());
        }
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
    }
    return r;
}

}  // namespace pravel::cli
