#include "cli/scenario_resolve.h"

#include <algorithm>
#include <cctype>

#include "store/database_access.h"
#include "store/landscape_store.h"

namespace pravel::cli {

namespace {

// A save time as "YYYY-MM-DD HH:MM:SS.ffffff": the fraction filled up to
// microseconds, so that times of every precision compare digit by digit.
std::string full_time(const std::string& time) {
    std::string t = time;
    const auto dot = t.find('.');
    if (dot == std::string::npos) {
        if (t.size() == 19) t += ".000000";
    } else if (t.size() - dot - 1 < 6) {
        t.append(6 - (t.size() - dot - 1), '0');
    }
    return t;
}

// The typed time with a blank between day and time, or nothing when it is not
// a time of one of the accepted precisions: "YYYY-MM-DD", then optionally
// " HH", ":MM", ":SS" and "." with one to six digits, each only after the one
// before.
std::optional<std::string> typed_time(std::string t) {
    const auto first = t.find_first_not_of(' ');
    const auto last = t.find_last_not_of(' ');
    t = first == std::string::npos ? std::string() : t.substr(first, last - first + 1);
    if (t.size() > 10 && t[10] == 'T') t[10] = ' ';
    // The pattern, character by character: 'd' a digit, others themselves.
    static const std::string pattern = "dddd-dd-dd dd:dd:dd.dddddd";
    static const std::size_t ends[] = {10, 13, 16, 19, 21, 22, 23, 24, 25, 26};
    if (std::find(std::begin(ends), std::end(ends), t.size()) == std::end(ends)) return std::nullopt;
    for (std::size_t k = 0; k < t.size(); ++k) {
        const bool ok = pattern[k] == 'd' ? std::isdigit(static_cast<unsigned char>(t[k])) != 0 : t[k] == pattern[k];
        if (!ok) return std::nullopt;
    }
    return t;
}

std::string version_list(const std::vector<std::string>& versions) {
    std::string out;
    for (const auto& v : versions) out += (out.empty() ? "" : ", ") + v;
    return out;
}

}  // namespace

std::string choose_species_version(const std::string& name, const std::vector<std::string>& versions,
                                   const std::optional<std::string>& saved_on) {
    if (versions.empty()) throw ScenarioError("unknown species \"" + name + "\"");
    if (!saved_on) {
        // Save times sort as text in time order.
        return *std::max_element(versions.begin(), versions.end(),
                                 [](const std::string& a, const std::string& b) { return full_time(a) < full_time(b); });
    }
    const std::string known = "; its versions: " + version_list(versions);
    const auto typed = typed_time(*saved_on);
    if (!typed) {
        throw ScenarioError("species \"" + name + "\": saved_on \"" + *saved_on +
                            "\" is not a time like 2020-01-01 10:00:00" + known);
    }
    std::vector<std::string> named;
    for (const auto& v : versions) {
        if (full_time(v).compare(0, typed->size(), *typed) == 0) named.push_back(v);
    }
    if (named.empty()) throw ScenarioError("species \"" + name + "\" has no version saved on " + *saved_on + known);
    if (named.size() > 1) {
        throw ScenarioError("species \"" + name + "\": saved_on " + *saved_on + " names " +
                            std::to_string(named.size()) + " versions (" + version_list(named) +
                            "); give the time more precisely" + known);
    }
    return named.front();
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
