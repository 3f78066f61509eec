// libFuzzer target: arbitrary bytes as a scenario file, as the saved_on time
// of a species and as the text of a numeric window field. Besides crashes and
// the sanitizers' findings it stops on a broken promise of the readers:
// a refusal other than ScenarioError, a value read out of its range, a field
// text that does not read back as its number, a version that is not one of
// the species' versions.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "cli/scenario.h"
#include "common/numeric_input.h"

namespace {

using namespace pravel;

void require(bool ok, const char* what) {
    if (ok) return;
    std::fprintf(stderr, "broken promise: %s\n", what);
    std::abort();
}

bool in_int_range(double v) { return std::trunc(v) >= INT_MIN && std::trunc(v) <= INT_MAX; }

void check_field_text(double v) {
    const std::string text = cli::field_text(v);
    require(is_numeric_input(text), "a field text passes the number check");
    require(parse_real(text) == v, "a field text reads back as its number");
}

void check_scenario(const std::string& text) {
    cli::Scenario s;
    try {
        s = cli::parse_scenario_text(text, "fuzz.json");
    } catch (const cli::ScenarioError&) {
        return;
    }
    if (s.budget) {
        require(in_int_range(*s.budget), "the budget fits an int");
        check_field_text(*s.budget);
    }
    if (s.distance_cost_factor) check_field_text(*s.distance_cost_factor);
    for (const auto& m : s.measures) {
        require(m.id.has_value() != m.set.has_value(), "a measure has an id or a set");
        if (m.max_area_ha) require(in_int_range(*m.max_area_ha), "a maximum area fits an int");
        if (m.payment) check_field_text(*m.payment);
    }
    for (const auto& sp : s.species) {
        for (const auto& v : {sp.min_quality, sp.wanted_area_ha, sp.importance})
            if (v) check_field_text(*v);
    }
}

void check_numeric_field(const std::string& text) {
    const bool all_numeric = std::all_of(text.begin(), text.end(), [](char c) {
        return std::string_view(")(0123456789.-").find(c) != std::string_view::npos;
    });
    require(is_numeric_input(text) == all_numeric, "the number check keeps to its characters");
    (void)parse_int(text);
    const double v = parse_real(text);
    require(std::isfinite(v), "a field reads as a finite number");
    check_field_text(v);
}

void check_version(const std::string& text) {
    static const std::vector<std::string> versions = {"2020-01-01 10:00:00.000000", "2020-01-01 10:00:30.250000",
                                                      "2021-06-15 08:05:09"};
    try {
        const std::string chosen = cli::choose_species_version("fuzz", versions, text);
        require(std::find(versions.begin(), versions.end(), chosen) != versions.end(), "a version is one of them");
    } catch (const cli::ScenarioError&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    check_scenario(text);
    check_numeric_field(text);
    check_version(text);
    return 0;
}
