// Reading scenario files: values that would wrap or be cast out of range are
// refused, a file is exactly one JSON value, field texts read back as the same
// number, and a species version may be named at any precision.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <climits>

#include "cli/scenario.h"
#include "common/numeric_input.h"
#include "expect_refusal.h"

namespace pravel::cli {
namespace {

using ::testing::HasSubstr;

std::string refusal(const std::string& text) {
    try {
        parse_scenario_text(text, "s.json");
    } catch (const ScenarioError& e) {
        return e.what();
    }
    return {};
}

TEST(ScenarioText, RefusesNumbersOutsideTheirRangeAndTextAfterTheValue) {
    struct Case {
        const char* text;
        const char* message;  // empty: accepted
    } cases[] = {
        {R"({"transaction_costs": 4294967306})", "\"transaction_costs\" must be an integer from -2147483648"},
        {R"({"transaction_costs": 2147483648})", "\"transaction_costs\" must be an integer"},
        {R"({"transaction_costs": -2147483649})", "\"transaction_costs\" must be an integer"},
        {R"({"transaction_costs": 18446744073709551616})", "\"transaction_costs\" must be an integer"},
        {R"({"transaction_costs": 10.5})", "\"transaction_costs\" must be an integer"},
        {R"({"transaction_costs": 2147483647})", ""},
        {R"({"transaction_costs": -2147483648})", ""},
        {R"({"measures": [{"id": 4294967315}]})", "measure 1: \"id\" must be an integer"},
        {R"({"measures": [{"id": 19}, {"id": -4294967277}]})", "measure 2: \"id\" must be an integer"},
        {R"({"budget": 1e300})", "\"budget\" must be a number from -2147483648 to 2147483647"},
        {R"({"budget": 3e9})", "\"budget\" must be a number"},
        {R"({"budget": -3e9})", "\"budget\" must be a number"},
        {R"({"budget": 2147483647.9})", ""},
        {R"({"budget": 15000})", ""},
        {R"({"measures": [{"id": 1, "max_area_ha": 5e9}]})", "measure 1: \"max_area_ha\" must be a number"},
        {R"({"measures": [{"id": 1, "max_area_ha": 250.5}]})", ""},
        {R"({"budget": 1e400})", "not valid JSON"},
        {R"({"region": "a"} garbage)", "s.json: text follows the scenario's JSON value"},
        {R"({"region": "a"}{"region": "b"})", "text follows the scenario's JSON value"},
        {R"({"region": "a"}])", "text follows the scenario's JSON value"},
        {"{\"region\": \"a\"}\n\t \n", ""},
        {R"({"region": )", "s.json: not valid JSON"},
        {"", "not valid JSON"},
        {R"([1, 2])", "the scenario must be a JSON object"},
        {R"({"distance_cost_factor": 1e25})", "\"distance_cost_factor\" must be a number from 0 to 1000000"},
        {R"({"distance_cost_factor": -5})", "\"distance_cost_factor\" must be a number from 0 to 1000000"},
        {R"({"distance_cost_factor": 1000000.5})", "\"distance_cost_factor\" must be a number"},
        {R"({"distance_cost_factor": -0.0})", ""},
        {R"({"distance_cost_factor": 1000000})", ""},
        // A key given twice would otherwise take its last value silently.
        {R"({"region": "a", "region": "b"})", "s.json: the key \"region\" is given more than once"},
        {R"({"budget": 5, "region": "a", "budget": 5})", "the key \"budget\" is given more than once"},
        {R"({"species": [{"name": "A", "min_quality": 0.3, "name": "B"}]})", "the key \"name\" is given more than once"},
        {R"({"description": {"region": 1, "x": {"region": 2}}, "region": "a"})", ""},
        {R"({"species": [{"name": "A"}, {"name": "B"}]})", ""},
    };
    for (const auto& c : cases) expect_refusal(refusal(c.text), c.message, c.text);
}

TEST(ScenarioText, KeepsTheValuesOfAnAcceptedScenario) {
    const Scenario s = parse_scenario_text(
        R"({"transaction_costs": -2147483648, "budget": 2.5e6, "measures": [{"id": 2147483647}, {"set": "all measures"}]})",
        "s.json");
    EXPECT_EQ(s.transaction_costs, INT_MIN);
    EXPECT_EQ(s.budget, 2.5e6);
    ASSERT_EQ(s.measures.size(), 2u);
    EXPECT_EQ(s.measures[0].id, INT_MAX);
    EXPECT_EQ(s.measures[1].set, "all measures");
}

TEST(FieldText, ReadsBackAsTheSameNumberAndPassesTheNumberCheck) {
    // The default six-digit stream notation turns these into "2e+06",
    // "1.23457e+06" or "1e-07", which the window's number check refuses or
    // reads as another value.
    for (double v : {2e6, 1234567.0, 123456.7, 0.3, 1e-7, -5.25, 0.0, 2147483647.0, 1e300}) {
        const std::string text = field_text(v);
        EXPECT_TRUE(is_numeric_input(text)) << text;
        EXPECT_EQ(parse_real(text), v) << text;
    }
}

TEST(SpeciesVersion, IsNamedByATimeAtAnyPrecision) {
    const std::vector<std::string> versions = {"2020-01-01 10:00:00.000000", "2020-01-01 10:00:30.250000",
                                               "2021-06-15 08:05:09.123456"};
    struct Case {
        std::optional<std::string> saved_on;
        const char* chosen;   // empty: refused
        const char* message;  // part of the refusal
    } cases[] = {
        {std::nullopt, "2021-06-15 08:05:09.123456", ""},
        {"2020-01-01 10:00:00", "2020-01-01 10:00:00.000000", ""},
        {"2020-01-01 10:00:00.000000", "2020-01-01 10:00:00.000000", ""},
        {"2020-01-01T10:00:00.0", "2020-01-01 10:00:00.000000", ""},
        {" 2020-01-01 10:00:30.25 ", "2020-01-01 10:00:30.250000", ""},
        {"2021-06-15", "2021-06-15 08:05:09.123456", ""},
        {"2021-06-15 08:05", "2021-06-15 08:05:09.123456", ""},
        {"2021-06-15 08:05:09.12345", "2021-06-15 08:05:09.123456", ""},
        {"2020-01-01 10:00", "", "names 2 versions (2020-01-01 10:00:00.000000, 2020-01-01 10:00:30.250000)"},
        {"2020-01-01", "", "names 2 versions"},
        {"2020-01-01 10:00:00.5", "", "has no version saved on 2020-01-01 10:00:00.5; its versions: "
                                      "2020-01-01 10:00:00.000000, 2020-01-01 10:00:30.250000, 2021-06-15"},
        {"2022-01-01 10:00:00", "", "has no version saved on"},
        // Partial fields would match the start of other digits.
        {"2020-01-01 1", "", "is not a time like 2020-01-01 10:00:00; its versions: 2020-01-01"},
        {"2020-01-01 10:00:00.0000000", "", "is not a time like"},
        {"01.01.2020", "", "is not a time like"},
        {"", "", "is not a time like"},
    };
    for (const auto& c : cases) {
        const std::string label = c.saved_on.value_or("(none)");
        std::string got;
        std::string message;
        try {
            got = choose_species_version("Grutto", versions, c.saved_on);
        } catch (const ScenarioError& e) {
            message = e.what();
        }
        EXPECT_EQ(got, c.chosen) << label;
        if (*c.chosen == '\0') {
            EXPECT_THAT(message, HasSubstr(c.message)) << label;
            EXPECT_THAT(message, HasSubstr("species \"Grutto\"")) << label;
        }
    }
}

TEST(SpeciesVersion, AcceptsSaveTimesWithoutMicrosecondsAndRefusesAnUnknownSpecies) {
    EXPECT_EQ(choose_species_version("K", {"2020-01-01 10:00:00", "2019-01-01 10:00:00"}, "2020-01-01 10:00:00.000"),
              "2020-01-01 10:00:00");
    EXPECT_THROW(choose_species_version("Dodo", {}, std::nullopt), ScenarioError);
}

}  // namespace
}  // namespace pravel::cli
