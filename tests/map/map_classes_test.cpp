// Colour classes of the map layers and their edges; no database needed.
#include <gtest/gtest.h>

#include <cmath>

#include "map/map_data_set.h"
#include "map/map_render.h"

namespace pravel {
namespace {

TEST(MapClasses, QualityClassesAndTheirEdges) {
    struct Case {
        double q;
        Colour colour;
    };
    const Case cases[] = {
        {0, kWhite},           {0.0001, {255, 200, 0}}, {0.2, {255, 102, 0}},  {0.3999, {255, 102, 0}},
        {0.4, {255, 0, 50}},   {0.6, {205, 0, 0}},      {0.8, {160, 5, 90}},   {1, {160, 5, 90}},
        {1.0000001, kWhite},   {-0.5, kWhite},          {std::nan(""), kWhite},
    };
    for (const auto& c : cases) EXPECT_EQ(quality_colour(c.q), c.colour) << c.q;
}

TEST(MapClasses, PaymentClassesOfConfigurationsAndOfTheResultTable) {
    struct Case {
        int benefit;
        Colour colour;
    };
    const Case configuration[] = {{-1, {255, 220, 255}}, {0, {255, 170, 255}}, {49, {255, 170, 255}},
                                  {50, {255, 100, 255}}, {149, {255, 0, 255}}, {199, {190, 0, 190}},
                                  {249, {120, 0, 120}},  {250, {148, 0, 211}}};
    for (const auto& c : configuration) EXPECT_EQ(configuration_benefit_colour(c.benefit), c.colour) << c.benefit;
    const Case result[] = {{-251, {255, 220, 255}}, {-250, {255, 170, 255}}, {-51, {255, 100, 255}},
                           {-50, {255, 0, 255}},    {49, {255, 0, 255}},     {149, {190, 0, 190}},
                           {249, {120, 0, 120}},    {250, {50, 0, 50}}};
    for (const auto& c : result) EXPECT_EQ(result_benefit_colour(c.benefit), c.colour) << c.benefit;
}

TEST(MapClasses, LandscapeClasses) {
    struct Case {
        int layer;
        int value;
        std::optional<Colour> colour;
    };
    const Case cases[] = {
        {MapDataSet::altitude, 0, Colour{175, 130, 10}},
        {MapDataSet::altitude, 700, Colour{255, 185, 15}},
        {MapDataSet::manure_status, 1, Colour{69, 139, 0}},
        {MapDataSet::manure_status, 0, Colour{102, 205, 0}},
        {MapDataSet::land_type, 1, Colour{188, 108, 197}},
        {MapDataSet::land_type, 4, Colour{255, 181, 125}},
        {MapDataSet::grassland_economic_value, 1, Colour{0, 255, 0}},
        {MapDataSet::grassland_economic_value, 19, Colour{0, 255, 0}},
        {MapDataSet::grassland_economic_value, 20, Colour{0, 220, 0}},
        {MapDataSet::grassland_economic_value, 40, Colour{0, 180, 0}},
        {MapDataSet::grassland_economic_value, 79, Colour{0, 180, 0}},
        {MapDataSet::grassland_economic_value, 80, Colour{0, 130, 0}},
        {MapDataSet::grassland_economic_value, 0, Colour{0, 130, 0}},
        {MapDataSet::grassland_economic_value, -3, Colour{0, 130, 0}},
        {MapDataSet::land_use, 0, Colour{0, 100, 0}},
        {MapDataSet::land_use, 1, Colour{143, 188, 143}},
        {MapDataSet::land_use, 2, Colour{173, 255, 39}},
        {MapDataSet::land_use, 3, std::nullopt},
        {MapDataSet::quality, 1, std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(landscape_colour(c.layer, c.value), c.colour) << c.layer << "/" << c.value;
}

TEST(MapClasses, PanelsStartWithTheirInitialChoices) {
    const MapOptions c = configuration_map_initial_options();
    EXPECT_EQ(c.general_layer, MapDataSet::manure_status);
    EXPECT_EQ(c.result_layer, MapDataSet::payment_cost);
    const MapOptions r = result_map_initial_options();
    EXPECT_EQ(r.general_layer, MapDataSet::grassland_economic_value);
    EXPECT_EQ(r.result_layer, MapDataSet::quality);
    for (const MapOptions& o : {c, r}) {
        EXPECT_TRUE(o.draw_general && o.draw_result && o.reload_lists);
        EXPECT_FALSE(o.all_measures);
        EXPECT_EQ(o.selected_list_index, 0);
        EXPECT_EQ(o.selected_species_index, 0);
    }
}

}  // namespace
}  // namespace pravel
