// The map data set against hand-made rows: where cells land, the colour of
// each class edge as drawn, legends, the outline and the description lines.
#include <gtest/gtest.h>

#include <map>
#include <utility>

#include "map/map_data_set.h"
#include "map_rows.h"

namespace pravel {
namespace {

using Op = RecordingCanvas::Op;

class MapDataSetTest : public testing::DatabaseTest {
protected:
    testing::MapRows rows{schema()};

    // Pixel colour by canvas position (the last one painted there).
    static std::map<std::pair<int, int>, Colour> painted(const RecordingCanvas& c) {
        std::map<std::pair<int, int>, Colour> out;
        for (const auto& p : c.pixels()) out[{p.x, p.y}] = p.colour;
        return out;
    }
    struct Label {
        int x, y;
        Colour colour;
        std::string text;
    };
    static std::vector<Label> labels(const RecordingCanvas& c) {
        std::vector<Label> out;
        for (const auto& t : c.texts()) out.push_back({t.x, t.y, t.colour, t.text});
        return out;
    }
    static void expect_labels(const RecordingCanvas& c, const std::vector<Label>& expected) {
        const auto got = labels(c);
        ASSERT_EQ(got.size(), expected.size());
        for (std::size_t k = 0; k < got.size(); ++k) {
            EXPECT_EQ(got[k].text, expected[k].text) << k;
            EXPECT_EQ(got[k].x, expected[k].x) << got[k].text;
            EXPECT_EQ(got[k].y, expected[k].y) << got[k].text;
            EXPECT_EQ(got[k].colour, expected[k].colour) << got[k].text;
        }
    }
};

TEST_F(MapDataSetTest, ConfigurationPaymentClassesAndCellPositions) {
    const int benefits[] = {-1, 0, 49, 50, 249, 250};
    for (int k = 0; k < 6; ++k) {
        rows.pixel(k + 1, 1, k == 1 ? 10 : 0, k == 1 ? 3 : k);
        rows.result(k + 1, 7, benefits[k]);
    }
    rows.pixel(20, 1, 5, 5);  // not part of the configuration
    rows.result(1, 8, 100);   // another configuration on the same pixel
    MapDataSet ds;
    RecordingCanvas canvas;
    ds.draw_configuration_payment(7, MapDataSet::payment_cost, canvas);
    const auto p = painted(canvas);
    ASSERT_EQ(p.size(), 6u);
    EXPECT_EQ(p.at({150, 150}), (Colour{255, 220, 255})) << "row 0, column 0";
    EXPECT_EQ(p.at({153, 160}), (Colour{255, 170, 255})) << "row 10, column 3";
    EXPECT_EQ(p.at({152, 150}), (Colour{255, 170, 255}));
    EXPECT_EQ(p.at({153, 150}), (Colour{255, 100, 255}));
    EXPECT_EQ(p.at({154, 150}), (Colour{120, 0, 120}));
    EXPECT_EQ(p.at({155, 150}), (Colour{148, 0, 211}));
    expect_labels(canvas, {{750, 450, kBlack, "payment - cost:"},
                           {750, 490, {255, 220, 255}, "0 - 50  Euro pro ha"},
                           {750, 510, {255, 100, 255}, "50 - 100 Euro pro ha"},
                           {750, 530, {255, 0, 255}, "100 - 150 Euro pro ha"},
                           {750, 550, {190, 0, 190}, "150 - 200 Euro  pro ha"},
                           {750, 570, {120, 0, 120}, "200 - 250 Euro pro ha"}});
    EXPECT_TRUE(messages().messages().empty());
}

TEST_F(MapDataSetTest, ConfigurationQualityPerSpeciesAndBlackSpeciesLayer) {
    const double qualities[] = {0, 0.2, 1, 1.0000001};
    for (int k = 0; k < 4; ++k) {
        rows.pixel(k + 1, 1, 2, k);
        rows.result(k + 1, 3, 10, 5, qualities[k]);
        rows.quality_row(k + 1, 3, 6, 0.5);  // a second species on the same pixels
    }
    MapDataSet ds;
    RecordingCanvas quality;
    ds.draw_configuration_quality(3, 5, MapDataSet::quality, quality);
    ASSERT_EQ(quality.pixels().size(), 4u) << "only the rows of the chosen species";
    const auto p = painted(quality);
    EXPECT_EQ(p.at({150, 152}), kWhite);
    EXPECT_EQ(p.at({151, 152}), (Colour{255, 102, 0}));
    EXPECT_EQ(p.at({152, 152}), (Colour{160, 5, 90}));
    EXPECT_EQ(p.at({153, 152}), kWhite);
    expect_labels(quality, {{750, 450, kBlack, "quality:"},
                            {750, 470, {255, 200, 0}, "0% - 20%"},
                            {750, 490, {255, 102, 0}, "20% - 40%"},
                            {750, 510, {255, 0, 50}, "40% - 60%"},
                            {750, 530, {205, 0, 0}, "60% - 80%"},
                            {750, 550, {160, 5, 90}, "80% - 100%"}});

    RecordingCanvas species;
    ds.draw_configuration_quality(3, 6, MapDataSet::species_on_result_pixel, species);
    EXPECT_TRUE(species.texts().empty()) << "no legend for the species layer";
    ASSERT_EQ(species.pixels().size(), 4u);
    for (const auto& px : species.pixels()) EXPECT_EQ(px.colour, kBlack);
}

TEST_F(MapDataSetTest, ResultTablePaymentAndQualityWithMeasureFilter) {
    const int benefits[] = {-251, -250, -51, 49, 149, 249, 250};
    const Colour expected[] = {{255, 220, 255}, {255, 170, 255}, {255, 100, 255}, {255, 0, 255},
                               {190, 0, 190},   {120, 0, 120},   {50, 0, 50}};
    for (int k = 0; k < 7; ++k) rows.visualisation(19, "Grutto", 0.7, 1, k, benefits[k], 2);
    rows.visualisation(70, "Grutto", 0.1, 4, 4, 0, 2);
    rows.visualisation(19, "Kievit", 0.1, 5, 5, 0, 2);

    MapDataSet ds;
    RecordingCanvas single;
    ds.draw_result_payment("Grutto", MeasureChoice::single(19), MapDataSet::payment_cost, single);
    const auto p = painted(single);
    ASSERT_EQ(p.size(), 7u);
    for (int k = 0; k < 7; ++k) EXPECT_EQ(p.at({150 + k, 151}), expected[k]) << benefits[k];
    const std::vector<std::string> single_labels = {"payment - cost:",        "0 - 50 Euro pro ha",
                                                    "50 - 100  Euro pro ha",  "100 - 150  Euro pro ha",
                                                    "150 - 200 Euro pro ha",  "200 - 250 Euro pro ha"};
    const std::vector<std::string> all_labels = {"payment - cost:",        "0 - 50  Euro pro ha",
                                                 "50 - 100  Euro pro ha",  "100 - 150  Euro pro ha",
                                                 "150 - 200  Euro pro ha", "200 - 250  Euro pro ha"};
    std::vector<std::string> texts;
    for (const auto& t : single.texts()) texts.push_back(t.text);
    EXPECT_EQ(texts, single_labels);

    RecordingCanvas all;
    ds.draw_result_payment("Grutto", MeasureChoice::all_measures(), MapDataSet::payment_cost, all);
    EXPECT_EQ(all.pixels().size(), 8u) << "every measure of the species";
    texts.clear();
    for (const auto& t : all.texts()) texts.push_back(t.text);
    EXPECT_EQ(texts, all_labels);

    RecordingCanvas quality;
    ds.draw_result_quality("Grutto", MeasureChoice::single(70), MapDataSet::quality, quality);
    ASSERT_EQ(quality.pixels().size(), 1u);
    EXPECT_EQ(quality.pixels()[0].colour, (Colour{255, 200, 0}));
    EXPECT_EQ(quality.pixels()[0].x, 154);
    EXPECT_EQ(quality.texts().size(), 6u);
}

// The species name reaches the result query as a quoted text value: a name
// with an apostrophe or a backslash draws exactly its own rows, and a name
// written to widen the condition draws nothing.
TEST_F(MapDataSetTest, ResultLayerSpeciesNameIsAQuotedValue) {
    rows.visualisation(19, "Montagu's harrier", 0.9, 1, 1, 300, 2);
    rows.visualisation(70, "Montagu's harrier", 0.3, 1, 2, 0, 2);
    rows.visualisation(19, "Grutto", 0.5, 2, 1, 0, 2);
    rows.visualisation(19, "back\\slash", 0.5, 3, 1, 0, 2);
    struct Case {
        std::string name;
        MeasureChoice measure;
        std::size_t pixels;
    };
    const Case cases[] = {
        {"Montagu's harrier", MeasureChoice::all_measures(), 2},
        {"Montagu's harrier", MeasureChoice::single(19), 1},
        {"back\\slash", MeasureChoice::all_measures(), 1},
        {"x' OR '1'='1", MeasureChoice::all_measures(), 0},
        {"x' OR '1'='1", MeasureChoice::single(19), 0},
        {"x' OR species_name <> '", MeasureChoice::single(19), 0},
    };
    MapDataSet ds;
    for (const auto& c : cases) {
        for (int layer : {MapDataSet::payment_cost, MapDataSet::quality}) {
            RecordingCanvas canvas;
            if (layer == MapDataSet::payment_cost)
                ds.draw_result_payment(c.name, c.measure, layer, canvas);
            else
                ds.draw_result_quality(c.name, c.measure, layer, canvas);
            EXPECT_EQ(canvas.pixels().size(), c.pixels) << c.name << " layer " << layer;
        }
    }
    EXPECT_TRUE(messages().messages().empty()) << messages().messages()[0].text;

    RecordingCanvas harrier;
    ds.draw_result_payment("Montagu's harrier", MeasureChoice::single(19), MapDataSet::payment_cost, harrier);
    ASSERT_EQ(harrier.pixels().size(), 1u);
    EXPECT_EQ(harrier.pixels()[0].x, 151);
    EXPECT_EQ(harrier.pixels()[0].y, 151);
    EXPECT_EQ(harrier.pixels()[0].colour, (Colour{50, 0, 50}));
}

TEST_F(MapDataSetTest, LandscapeLayersLegendsAndOnlyGrasslandPixels) {
    rows.pixel(1, 1, 0, 0, 4, 0, 1, 19, 1);
    rows.pixel(2, 1, 0, 1, 5, 600, 0, 20, 3);  // land use 3 matches no class
    rows.pixel(3, 1, 0, 2, 4, 0, 0, 80, 2);
    rows.pixel(4, 1, 0, 3, 5, 0, 0, 0, 3);
    rows.pixel(5, 1, 0, 4, 1, 0, 0, 0, 0);  // not grassland: never drawn
    rows.pixel(6, 2, 0, 5, 4, 0, 0, 0, 0);  // another country

    MapDataSet ds;
    RecordingCanvas economic;
    ds.draw_landscape(1, MapDataSet::grassland_economic_value, economic);
    auto p = painted(economic);
    ASSERT_EQ(p.size(), 4u);
    EXPECT_EQ(p.at({150, 150}), (Colour{0, 255, 0}));
    EXPECT_EQ(p.at({151, 150}), (Colour{0, 220, 0}));
    EXPECT_EQ(p.at({152, 150}), (Colour{0, 130, 0}));
    EXPECT_EQ(p.at({153, 150}), (Colour{0, 130, 0}));
    expect_labels(economic, {{1000, 450, kBlack, "grassland economic value:"},
                             {1000, 470, {0, 255, 0}, "15-40"},
                             {1000, 490, {0, 220, 0}, "41-60"},
                             {1000, 510, {0, 180, 0}, "61-80"},
                             {1000, 530, {0, 130, 10}, ">=80"}});

    RecordingCanvas land_use;
    ds.draw_landscape(1, MapDataSet::land_use, land_use);
    p = painted(land_use);
    EXPECT_EQ(p.at({150, 150}), (Colour{143, 188, 143}));
    EXPECT_EQ(p.at({151, 150}), kUnclassifiedColour) << "not the colour of the pixel before";
    EXPECT_EQ(p.at({152, 150}), (Colour{173, 255, 39}));
    EXPECT_EQ(p.at({153, 150}), kUnclassifiedColour);
    for (const auto& t : land_use.texts()) EXPECT_NE(t.colour, kUnclassifiedColour) << "grey has no legend entry";
    EXPECT_EQ(land_use.texts().size(), 4u);

    RecordingCanvas altitude;
    ds.draw_landscape(1, MapDataSet::altitude, altitude);
    expect_labels(altitude, {{1000, 450, kBlack, "altitude:"},
                             {1000, 490, {255, 185, 15}, ">500 m \xC3\xBCNN"},
                             {1000, 470, {175, 130, 10}, "<500 m \xC3\xBCNN"}});
    EXPECT_EQ(painted(altitude).at({151, 150}), (Colour{255, 185, 15}));

    const std::pair<int, std::vector<std::string>> legends[] = {
        {MapDataSet::manure_status, {"manure status:", "no water protection", "water protection"}},
        {MapDataSet::land_type, {"land type:", "grass land", "no grass land"}},
        {MapDataSet::land_use, {"land use:", "meadow", "pasture", "mowing pasture"}},
    };
    for (const auto& [layer, expected] : legends) {
        RecordingCanvas c;
        ds.draw_landscape(1, layer, c);
        std::vector<std::string> texts;
        for (const auto& t : c.texts()) texts.push_back(t.text);
        EXPECT_EQ(texts, expected) << layer;
    }

    RecordingCanvas unknown;
    ds.draw_landscape(1, MapDataSet::reserved, unknown);
    EXPECT_TRUE(unknown.texts().empty());
    for (const auto& px : unknown.pixels()) EXPECT_EQ(px.colour, (Colour{255, 0, 0}));
}

TEST_F(MapDataSetTest, OutlineStartsAtItsFirstPointAndFollowsIdOrder) {
    rows.contour(1, 3, 10, 0);
    rows.contour(1, 1, 0, 0);
    rows.contour(1, 2, 0, 10);
    rows.contour(2, 1, 99, 99);
    MapDataSet ds;
    RecordingCanvas canvas;
    ds.draw_contour(1, canvas);
    const auto& calls = canvas.calls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].op, Op::MoveTo);
    EXPECT_EQ(std::make_pair(calls[0].x, calls[0].y), std::make_pair(150, 150));
    EXPECT_EQ(calls[1].op, Op::LineTo);
    EXPECT_EQ(std::make_pair(calls[1].x, calls[1].y), std::make_pair(150, 160));
    EXPECT_EQ(std::make_pair(calls[2].x, calls[2].y), std::make_pair(160, 150));
}

TEST_F(MapDataSetTest, DescriptionLines) {
    rows.measure(1, "grazing", 12, 0, 0, 0, 1.5);
    rows.measure(2, "mowing_2cut", 20, 6, 8, 0, 99);
    rows.measure(3, "mowing_1cut", 24, 0, 0, 0, 0);
    rows.configuration(4, 1, 120.5, 10, "Plan A", 1);
    rows.configuration(4, 2, 80, 3, "Plan A", 1);
    MapDataSet ds;
    EXPECT_EQ(ds.describe_configuration(4),
              (std::vector<std::string>{
                  "grazing, starting: 12QM, GV 1.5,  payment: 120.5Euro, maximal area: 8.1  ha",
                  "mowing_2cut, starting: 20QM, distances: 6/8/0QM, payment: 80Euro, maximal area: 2.43  ha"}));
    EXPECT_EQ(ds.describe_result_measures(MeasureChoice::single(3)),
              (std::vector<std::string>{"mowing_1cut, starting: 24QM, "}));

    rows.visualisation(2, "Grutto", 0.5, 0, 0, 0, 1);
    rows.visualisation(1, "Grutto", 0.5, 0, 1, 0, 1);
    rows.visualisation(2, "Kievit", 0.5, 0, 1, 0, 1);
    const auto all = ds.describe_result_measures(MeasureChoice::all_measures());
    EXPECT_EQ(all, (std::vector<std::string>{"mowing_2cut, starting: 20QM, distances: 6/8/0QM, ",
                                             "grazing, starting: 12QM, GV 1.5,  "}));
}

TEST_F(MapDataSetTest, ListsGrowWithTheData) {
    rows.species(1, "Grutto");
    rows.species(2, "Kievit");
    for (int c = 1; c <= 3; ++c) rows.configuration(c, 1, 0, 0, "Plan " + std::to_string(c), 10 + c);
    rows.result(1, 2, 0, 1);
    rows.quality_row(1, 2, 2, 0.5);
    rows.visualisation(19, "Grutto", 0.5, 0, 0, 0, 4);
    rows.visualisation(70, "Kievit", 0.5, 0, 0, 0, 4);

    MapDataSet ds;
    ds.load_configurations();
    ds.load_configuration_species();
    ASSERT_EQ(ds.configuration_count(), 3);
    EXPECT_EQ(ds.configurations()[2].configname, "Plan 3");
    EXPECT_EQ(ds.configurations()[2].countryID, 13);
    EXPECT_TRUE(ds.configuration_species(0).empty());
    ASSERT_EQ(ds.configuration_species(1).size(), 2u);
    EXPECT_EQ(ds.configuration_species(1)[1].name, "Kievit");
    EXPECT_TRUE(ds.configuration_species(7).empty());

    ds.load_result_country();
    ds.load_result_measures();
    ds.load_result_species();
    EXPECT_EQ(ds.result_country(), 4);
    EXPECT_EQ(ds.result_measures(), (std::vector<int>{19, 70}));
    EXPECT_EQ(ds.result_species(), (std::vector<std::string>{"Grutto", "Kievit"}));

    // Capacities of old (100 distinct measures) are no limit.
    for (int m = 100; m < 230; ++m) rows.visualisation(m, "Grutto", 0.5, 0, 0, 0, 4);
    ds.load_result_measures();
    EXPECT_EQ(ds.result_measures().size(), 132u);
}

TEST_F(MapDataSetTest, AQueryErrorIsShownAndEndsOnlyThatOperation) {
    rows.pixel(1, 1, 0, 0);
    rows.contour(1, 1, 0, 0);
    rows.contour(1, 2, 5, 5);
    schema().exec("RENAME TABLE contour TO contour_away");
    MapDataSet ds;
    RecordingCanvas canvas;
    ds.draw_contour(1, canvas);
    ds.draw_landscape(1, MapDataSet::land_use, canvas);
    schema().exec("RENAME TABLE contour_away TO contour");
    ASSERT_EQ(messages().messages().size(), 1u);
    EXPECT_EQ(messages().messages()[0].kind, RecordingNotifier::Kind::YesNo);
    EXPECT_NE(messages().messages()[0].text.find("contour"), std::string::npos) << messages().messages()[0].text;
    EXPECT_EQ(canvas.pixels().size(), 1u) << "the landscape is drawn after the failed outline";
    EXPECT_TRUE(canvas.of(Op::LineTo).empty());
}

TEST_F(MapDataSetTest, StatementsAreSentAsWritten) {
    MapDataSet ds;
    std::vector<std::string> sent;
    ds.set_statement_log([&](const std::string& s) { sent.push_back(s); });
    RecordingCanvas canvas;
    ds.draw_landscape(3, MapDataSet::altitude, canvas);
    ds.draw_configuration_quality(4, 5, MapDataSet::quality, canvas);
    ds.draw_result_payment("Grutto", MeasureChoice::single(19), MapDataSet::payment_cost, canvas);
    ds.draw_result_quality("Grutto", MeasureChoice::all_measures(), MapDataSet::quality, canvas);
    EXPECT_EQ(sent, (std::vector<std::string>{
                        "SELECT *  FROM `pixel` WHERE countryID = 3 AND land_use_type = 4 OR  countryID = 3 AND "
                        "land_use_type = 5",
                        "SELECT DISTINCT erg.configurationID, pix.*, quali.*,erg.* FROM `pixel` AS pix, `result` AS "
                        "erg, `resulting_quality` AS quali WHERE pix.pixelID = erg.pixelID AND quali.pixelID = "
                        "erg.pixelID AND quali.pixelID = pix.pixelID AND erg.configurationID =4 AND "
                        "quali.speciesID=5",
                        "SELECT * FROM results_for_viusualitsation WHERE species_name = 'Grutto' AND measureID = 19",
                        "SELECT * FROM results_for_viusualitsation WHERE species_name = 'Grutto'",
                    }));
}

}  // namespace
}  // namespace pravel
