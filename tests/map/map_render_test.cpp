// The two repaints without windows: what they draw and write for a given
// option state, how they keep the panel lists and the remembered selection,
// and what they do when there is nothing to show.
#include <gtest/gtest.h>

#include <algorithm>

#include "map/map_data_set.h"
#include "map/map_render.h"
#include "map_rows.h"

namespace pravel {
namespace {

using Op = RecordingCanvas::Op;

class MapRenderTest : public testing::DatabaseTest {
protected:
    testing::MapRows rows{schema()};

    // Two configurations in country 1: "Plan A" (id 4, species Grutto and
    // Kievit) and "Plan B" (id 9, species Tureluur only).
    void two_configurations() {
        rows.species(1, "Grutto");
        rows.species(2, "Kievit");
        rows.species(3, "Tureluur");
        rows.measure(1, "grazing", 12, 0, 0, 0, 1.5);
        rows.configuration(4, 1, 100, 10, "Plan A", 1);
        rows.configuration(9, 1, 50, 2, "Plan B", 1);
        for (int k = 1; k <= 4; ++k) rows.pixel(k, 1, 0, k);
        rows.pixel(5, 1, 1, 1, 1);  // no grassland
        rows.result(1, 4, 60, 1, 0.9);
        rows.quality_row(1, 4, 2, 0.1);
        rows.result(2, 4, 10, 2, 0.3);
        rows.result(3, 9, 300, 3, 0.5);
        rows.contour(1, 1, 0, 0);
        rows.contour(1, 2, 0, 5);
    }
    static const RecordingCanvas::Call* text_at(const RecordingCanvas& c, int x, int y) {
        for (const auto& t : c.calls())
            if (t.op == Op::Text && t.x == x && t.y == y) return &t;
        return nullptr;
    }
    static int pixels_at(const RecordingCanvas& c, int x, int y) {
        const auto p = c.pixels();
        return static_cast<int>(std::count_if(p.begin(), p.end(), [&](const auto& q) { return q.x == x && q.y == y; }));
    }
};

TEST_F(MapRenderTest, ConfigurationMapInitialRepaint) {
    two_configurations();
    MapOptions options = configuration_map_initial_options();
    RememberedSelection selection{5, 5};
    PanelLists panel;
    RecordingCanvas canvas;
    const auto outcome = render_configuration_map(options, selection, panel, canvas);
    EXPECT_FALSE(outcome.nothing_to_show());
    EXPECT_EQ(panel.entries, (std::vector<std::string>{"Plan A", "Plan B"}));
    EXPECT_EQ(panel.species, (std::vector<std::string>{"Grutto", "Kievit"}));
    EXPECT_FALSE(options.reload_lists);
    EXPECT_EQ(selection.index, 0);
    EXPECT_EQ(selection.id, 4);

    // Landscape (4 grassland pixels), then the two result pixels of Plan A,
    // pixel 1 once per species row.
    EXPECT_EQ(canvas.pixels().size(), 4u + 3u);
    EXPECT_EQ(canvas.pixels().back().colour, (Colour{255, 170, 255}));
    ASSERT_NE(text_at(canvas, 1000, 450), nullptr);
    EXPECT_EQ(text_at(canvas, 1000, 450)->text, "manure status:");
    EXPECT_EQ(text_at(canvas, 750, 450)->text, "payment - cost:");
    EXPECT_EQ(canvas.of(Op::MoveTo).size(), 1u);
    EXPECT_EQ(canvas.of(Op::LineTo).size(), 1u);
    const auto* title = text_at(canvas, 870, 30);
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->text, "Configuration:");
    EXPECT_EQ(title->colour, kBlack);
    EXPECT_EQ(text_at(canvas, 1050, 30)->text, "Plan A");
    ASSERT_NE(text_at(canvas, 870, 50), nullptr);
    EXPECT_EQ(text_at(canvas, 870, 50)->text,
              "grazing, starting: 12QM, GV 1.5,  payment: 100Euro, maximal area: 8.1  ha");
    EXPECT_EQ(text_at(canvas, 870, 50)->colour, kBlack);
}

TEST_F(MapRenderTest, ChoosingAnotherConfigurationRefillsTheSpeciesAndStartsAtTheFirst) {
    two_configurations();
    MapOptions options = configuration_map_initial_options();
    options.result_layer = MapDataSet::quality;
    RememberedSelection selection;
    PanelLists panel;
    RecordingCanvas first;
    render_configuration_map(options, selection, panel, first);
    options.selected_species_index = 1;  // Kievit of Plan A
    RecordingCanvas kievit;
    render_configuration_map(options, selection, panel, kievit);
    const auto k = kievit.pixels();
    ASSERT_EQ(k.size(), 4u + 2u) << "landscape and Kievit's two pixels";
    for (std::size_t n = 4; n < k.size(); ++n)
        EXPECT_EQ(k[n].colour, (k[n].x == 151 ? Colour{255, 200, 0} : Colour{255, 102, 0})) << "Kievit's 0.1 and 0.3";

    options.selected_list_index = 1;  // what the configuration list does
    options.reload_lists = true;
    RecordingCanvas second;
    render_configuration_map(options, selection, panel, second);
    EXPECT_EQ(panel.species, (std::vector<std::string>{"Tureluur"}));
    EXPECT_EQ(options.selected_species_index, 0);
    EXPECT_EQ(selection.id, 9);
    EXPECT_EQ(second.pixels().back().colour, (Colour{255, 0, 50}));
    EXPECT_EQ(text_at(second, 1050, 30)->text, "Plan B");

    // The species layer: black pixels and no result legend.
    options.result_layer = MapDataSet::species_on_result_pixel;
    RecordingCanvas species;
    render_configuration_map(options, selection, panel, species);
    EXPECT_EQ(text_at(species, 750, 450), nullptr);
    EXPECT_EQ(species.pixels().back().colour, kBlack);
}

TEST_F(MapRenderTest, OnlyResultPixelsLeavesOutTheLandscapeButNotTheRest) {
    two_configurations();
    MapOptions options = configuration_map_initial_options();
    options.draw_general = false;
    RememberedSelection selection;
    PanelLists panel;
    RecordingCanvas canvas;
    render_configuration_map(options, selection, panel, canvas);
    EXPECT_EQ(canvas.pixels().size(), 3u);
    EXPECT_EQ(text_at(canvas, 1000, 450), nullptr);
    EXPECT_NE(text_at(canvas, 750, 450), nullptr);
    EXPECT_EQ(canvas.of(Op::LineTo).size(), 1u);
    EXPECT_NE(text_at(canvas, 870, 30), nullptr);
}

TEST_F(MapRenderTest, NothingToShowIsSaidInsteadOfReadingMissingEntries) {
    MapOptions conf = configuration_map_initial_options();
    RememberedSelection selection;
    PanelLists panel;
    RecordingCanvas canvas;
    const auto c = render_configuration_map(conf, selection, panel, canvas);
    EXPECT_EQ(c.notices, (std::vector<std::string>{kNoConfigurationText}));
    ASSERT_NE(text_at(canvas, 870, 30), nullptr);
    EXPECT_EQ(text_at(canvas, 870, 30)->text, kNoConfigurationText);
    EXPECT_TRUE(canvas.pixels().empty());
    EXPECT_TRUE(panel.entries.empty());

    // An empty result table: the landscape of no country, and the notice.
    rows.pixel(1, 1, 0, 0);
    MapOptions res = result_map_initial_options();
    RecordingCanvas empty;
    const auto r = render_result_map(res, selection, panel, empty);
    EXPECT_EQ(r.notices, (std::vector<std::string>{kEmptyResultText}));
    EXPECT_TRUE(empty.pixels().empty());
    EXPECT_EQ(text_at(empty, 870, 30)->text, kEmptyResultText);

    // A configuration without quality rows, drawn by quality: the landscape,
    // outline and texts are there, the missing species is said.
    rows.measure(1, "grazing", 12, 0, 0, 0, 0);
    rows.configuration(4, 1, 100, 10, "Plan A", 1);
    conf.result_layer = MapDataSet::quality;
    RecordingCanvas no_species;
    const auto s = render_configuration_map(conf, selection, panel, no_species);
    EXPECT_EQ(s.notices, (std::vector<std::string>{kNoSpeciesText}));
    EXPECT_EQ(no_species.pixels().size(), 1u);
    EXPECT_EQ(text_at(no_species, 870, 70)->text, kNoSpeciesText);
    EXPECT_TRUE(messages().messages().empty());
}

TEST_F(MapRenderTest, ResultMapMeasuresSpeciesAndDescriptionColour) {
    rows.measure(19, "mowing_3cut", 20, 6, 6, 0, 0);
    rows.measure(70, "grazing", 12, 0, 0, 0, 1.5);
    for (int k = 1; k <= 3; ++k) rows.pixel(k, 2, 0, k, 4, 0, 0, 50);
    rows.visualisation(19, "Grutto", 0.9, 0, 1, 10, 2);
    rows.visualisation(70, "Grutto", 0.3, 0, 2, 10, 2);
    rows.visualisation(70, "Kievit", 0.5, 0, 3, 300, 2);
    rows.contour(2, 1, 0, 0);
    rows.contour(2, 2, 4, 0);

    MapOptions options = result_map_initial_options();
    RememberedSelection selection;
    PanelLists panel;
    RecordingCanvas first;
    render_result_map(options, selection, panel, first);
    EXPECT_EQ(panel.entries, (std::vector<std::string>{"19", "70"}));
    EXPECT_EQ(panel.selected_entry, 0);
    EXPECT_EQ(panel.species, (std::vector<std::string>{"Grutto", "Kievit"}));
    EXPECT_EQ(first.pixels().size(), 3u + 1u);
    EXPECT_EQ(first.pixels().back().colour, (Colour{160, 5, 90}));
    EXPECT_EQ(text_at(first, 1000, 450)->text, "grassland economic value:");
    const auto* line = text_at(first, 870, 50);
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->text, "mowing_3cut, starting: 20QM, distances: 6/6/0QM, ");
    EXPECT_EQ(line->colour, (Colour{160, 5, 90})) << "the colour of the last legend label";

    options.selected_list_index = 1;
    options.selected_species_index = 1;
    options.result_layer = MapDataSet::payment_cost;
    options.draw_general = false;
    RecordingCanvas second;
    render_result_map(options, selection, panel, second);
    EXPECT_EQ(selection.index, 1);
    EXPECT_EQ(selection.id, 70);
    EXPECT_EQ(panel.selected_entry, 0) << "the list shows what was drawn before this repaint";
    ASSERT_EQ(second.pixels().size(), 1u);
    EXPECT_EQ(second.pixels()[0].colour, (Colour{50, 0, 50}));
    EXPECT_EQ(text_at(second, 870, 50)->text, "grazing, starting: 12QM, GV 1.5,  ");
    EXPECT_EQ(text_at(second, 870, 50)->colour, (Colour{120, 0, 120}));

    // All measures: the measure choice no longer matters, every measure is described.
    options.all_measures = true;
    options.selected_species_index = 0;
    RecordingCanvas all;
    render_result_map(options, selection, panel, all);
    EXPECT_EQ(panel.selected_entry, 1);
    EXPECT_EQ(all.pixels().size(), 2u);
    EXPECT_NE(text_at(all, 870, 70), nullptr);
    EXPECT_EQ(text_at(all, 750, 490)->text, "0 - 50  Euro pro ha");

    // Without any legend the description is black.
    options.draw_result = false;
    RecordingCanvas bare;
    render_result_map(options, selection, panel, bare);
    EXPECT_EQ(text_at(bare, 870, 50)->colour, kBlack);
}

TEST_F(MapRenderTest, RememberedSelectionsArePerViewClass) {
    RememberedSelection& c = configuration_map_selection();
    RememberedSelection& r = result_map_selection();
    EXPECT_NE(&c, &r);
    EXPECT_EQ(&c, &configuration_map_selection());
    EXPECT_EQ(&r, &result_map_selection());
}

}  // namespace
}  // namespace pravel
