#include "cli/scenario.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <vector>

#include "optimisation/optimisation_lines.h"

namespace pravel::cli {

namespace {

using nlohmann::json;

// A scenario is a few hundred bytes; anything this large is not one (and a
// device such as /dev/zero would never end).
constexpr std::size_t kMaxScenarioBytes = 16u << 20;

const std::string kIntRange = "from " + std::to_string(INT_MIN) + " to " + std::to_string(INT_MAX);

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

// An integer key: a JSON integer that fits an int. Larger ones would wrap
// into other, valid values.
std::optional<int> integer_key(const json& obj, const char* key, const std::string& where) {
    auto it = obj.find(key);
    if (it == obj.end() || it->is_null()) return std::nullopt;
    const std::string refused = where + ": \"" + key + "\" must be an integer " + kIntRange;
    if (!it->is_number_integer()) throw ScenarioError(refused);
    if (it->is_number_unsigned()) {
        const auto v = it->get<std::uint64_t>();
        if (v > static_cast<std::uint64_t>(INT_MAX)) throw ScenarioError(refused);
        return static_cast<int>(v);
    }
    const auto v = it->get<std::int64_t>();
    if (v < INT_MIN || v > INT_MAX) throw ScenarioError(refused);
    return static_cast<int>(v);
}

// A real key that the analysis reads as a whole number (its integer part):
// the integer part must fit an int.
std::optional<double> whole_number_key(const json& obj, const char* key, const std::string& where) {
    const auto v = optional_key<double>(obj, key, where);
    if (v && !(std::trunc(*v) >= INT_MIN && std::trunc(*v) <= INT_MAX)) {
        throw ScenarioError(where + ": \"" + key + "\" must be a number " + kIntRange);
    }
    return v;
}

void reject_unknown_keys(const json& obj, const std::set<std::string>& known, const std::string& where) {
    for (auto it = obj.begin(); it != obj.end(); ++it) {
        if (!known.count(it.key())) throw ScenarioError(where + ": unknown key \"" + it.key() + "\"");
    }
}

ScenarioSpecies parse_species(const json& e, const std::string& where) {
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
    return sp;
}

ScenarioMeasure parse_measure(const json& e, const std::string& where) {
    if (!e.is_object()) throw ScenarioError(where + ": must be an object");
    reject_unknown_keys(e, {"id", "set", "payment", "max_area_ha", "zone_payments"}, where);
    ScenarioMeasure m;
    m.id = integer_key(e, "id", where);
    m.set = optional_key<std::string>(e, "set", where);
    m.payment = optional_key<double>(e, "payment", where);
    m.max_area_ha = whole_number_key(e, "max_area_ha", where);
    if (const auto it = e.find("zone_payments"); it != e.end()) {
        if (!it->is_object())
            throw ScenarioError(where + ": \"zone_payments\" must be an object of zone names and payments");
        for (auto z = it->begin(); z != it->end(); ++z) {
            if (!z->is_number() || !std::isfinite(z->get<double>()))
                throw ScenarioError(where + ": the payment of zone \"" + z.key() + "\" must be a number");
            m.zone_payments.emplace_back(z.key(), z->get<double>());
        }
    }
    if (m.id.has_value() == m.set.has_value()) throw ScenarioError(where + ": give either \"id\" or \"set\"");
    return m;
}

template <class Item, class Parse>
std::vector<Item> parse_list(const json& doc, const char* key, const char* item, Parse parse) {
    std::vector<Item> out;
    auto it = doc.find(key);
    if (it == doc.end()) return out;
    if (!it->is_array()) throw ScenarioError(std::string("scenario: \"") + key + "\" must be a list");
    int n = 0;
    for (const json& e : *it) out.push_back(parse(e, std::string(item) + " " + std::to_string(++n)));
    return out;
}

}  // namespace

Scenario parse_scenario(const json& doc) {
    if (!doc.is_object()) throw ScenarioError("the scenario must be a JSON object");
    reject_unknown_keys(doc,
                        {"region", "predation", "distance_cost_factor", "transaction_costs", "budget", "species",
                         "measures", "description", "zones"},
                        "scenario");
    Scenario s;
    s.region = optional_key<std::string>(doc, "region", "scenario");
    s.predation = optional_key<std::string>(doc, "predation", "scenario");
    s.distance_cost_factor = optional_key<double>(doc, "distance_cost_factor", "scenario");
    if (s.distance_cost_factor && !distance_cost_factor_in_range(*s.distance_cost_factor)) {
        throw ScenarioError("scenario: \"distance_cost_factor\" must be a number from 0 to " +
                            field_text(kMaxDistanceCostFactor));
    }
    s.transaction_costs = integer_key(doc, "transaction_costs", "scenario");
    s.budget = whole_number_key(doc, "budget", "scenario");
    if (s.predation && *s.predation != "time independent" && *s.predation != "time dependent") {
        throw ScenarioError("scenario: \"predation\" must be \"time independent\" or \"time dependent\"");
    }
    s.species = parse_list<ScenarioSpecies>(doc, "species", "species", parse_species);
    s.measures = parse_list<ScenarioMeasure>(doc, "measures", "measure", parse_measure);
    if (const auto it = doc.find("zones"); it != doc.end()) s.zones = *it;  // read by the zone analyses
    return s;
}

Scenario parse_scenario_text(const std::string& text, const std::string& where) {
    json doc;
    // JSON leaves duplicate keys to the reader, which would keep the last
    // silently; a scenario with two values for one key is refused instead.
    std::vector<std::set<std::string>> keys_of_open_objects;
    const json::parser_callback_t refuse_duplicates = [&](int, json::parse_event_t event, json& parsed) {
        if (event == json::parse_event_t::object_start) {
            keys_of_open_objects.emplace_back();
        } else if (event == json::parse_event_t::object_end) {
            if (!keys_of_open_objects.empty()) keys_of_open_objects.pop_back();
        } else if (event == json::parse_event_t::key && !keys_of_open_objects.empty()) {
            const std::string& key = parsed.get_ref<const std::string&>();
            if (!keys_of_open_objects.back().insert(key).second) {
                throw ScenarioError(where + ": the key \"" + key + "\" is given more than once");
            }
        }
        return true;
    };
    try {
        doc = json::parse(text, refuse_duplicates);
    } catch (const json::exception& e) {
        // Say so plainly when the text starts with a whole JSON value and
        // something follows it (a second object, stray words).
        std::istringstream in(text);
        json first;
        bool one_value = false;
        try {
            in >> first;
            one_value = true;
        } catch (const json::exception&) {
        }
        if (one_value) throw ScenarioError(where + ": text follows the scenario's JSON value (one object only)");
        throw ScenarioError(where + ": not valid JSON (" + e.what() + ")");
    }
    return parse_scenario(doc);
}

Scenario load_scenario_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw ScenarioError("cannot read the scenario file " + path);
    std::string text;
    char buf[65536];
    while (in.read(buf, sizeof buf) || in.gcount() > 0) {
        text.append(buf, static_cast<std::size_t>(in.gcount()));
        if (text.size() > kMaxScenarioBytes) throw ScenarioError(path + ": too large for a scenario file");
    }
    if (in.bad()) throw ScenarioError("cannot read the scenario file " + path);
    return parse_scenario_text(text, path);
}

std::string field_text(double value) {
    // Shortest fixed notation that reads back as the same double; a finite
    // double needs at most some 330 characters.
    char buf[400];
    const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed);
    return r.ec == std::errc() ? std::string(buf, r.ptr) : std::string();
}

}  // namespace pravel::cli
