// The configuration map's legend column offscreen, on stored configurations
// written row by row in a chosen order: the measures that took part (area
// above 0) come first by ID, then the others under their heading, each line
// naming its measure's ID; a column taller than the window scrolls until its
// last line is inside the window.
#include <gtest/gtest.h>

#include <QApplication>
#include <QScrollBar>

#include <string>
#include <vector>

#include "map/map_data_set.h"
#include "map/map_window.h"
#include "support/demo_schema.h"
#include "support/offscreen_application.h"
#include "ui/map_views.h"

namespace pravel {
namespace {

class ConfigurationLegendTest : public testing::DatabaseTest {
protected:
    ConfigurationLegendTest() { keep_tables_between_tests_ = true; }
    void SetUp() override {
        testing::offscreen_application("ui_configuration_legend");
        DatabaseTest::SetUp();
        if (measures_.empty()) {
            testing::load_demo_database(schema());
            for (const auto& row : schema().rows("SELECT measureID FROM measures ORDER BY measureID LIMIT 40"))
                measures_.push_back(std::stoi(row[0]));
            country_ = schema().scalar("SELECT MIN(countryID) FROM country");
        }
        schema().exec("DELETE FROM `configuration`");
    }
    // Stores configuration 1 with (measure, area in pixels) rows in this order.
    void store(const std::vector<std::pair<int, double>>& rows) {
        for (const auto& [measure, area] : rows)
            schema().exec("INSERT INTO `configuration` (configurationID, measureID, payment, area, configname, "
                          "countryID) VALUES (1, " + std::to_string(measure) + ", 120.5, " + std::to_string(area) +
                          ", 'legend test', " + country_ + ")");
    }
    static inline std::vector<int> measures_;
    static inline std::string country_;
};

// The IDs the legend lines name, in order, with "-" for the heading.
std::vector<std::string> named_ids(const std::vector<std::string>& lines) {
    std::vector<std::string> out;
    for (const auto& line : lines) {
        if (line == MapDataSet::kUnusedMeasuresHeading) {
            out.push_back("-");
            continue;
        }
        EXPECT_EQ(line.rfind("ID ", 0), 0u) << line;
        out.push_back(line.substr(3, line.find(':') - 3));
    }
    return out;
}

TEST_F(ConfigurationLegendTest, UsedMeasuresComeFirstByIdAndALongColumnScrollsToItsEnd) {
    ASSERT_GE(measures_.size(), 40u);
    const auto m = [](int k) { return measures_[static_cast<std::size_t>(k)]; };
    std::vector<std::pair<int, double>> many;  // forty in use, stored from the highest ID down
    for (int k = 39; k >= 0; --k) many.push_back({m(k), 1.0 + k});
    struct Case {
        const char* what;
        std::vector<std::pair<int, double>> rows;
        std::vector<int> expected;  // IDs by position in measures_, -1 for the heading
    } cases[] = {
        {"mixed, stored out of order", {{m(3), 0}, {m(1), 5}, {m(4), 2}, {m(2), 0}, {m(0), 0}}, {1, 4, -1, 0, 2, 3}},
        {"all in use", {{m(2), 1}, {m(0), 7}}, {0, 2}},
        {"none in use", {{m(1), 0}, {m(0), 0}}, {-1, 0, 1}},
        {"forty in use", many, {}},
    };
    for (int k = 0; k < 40; ++k) cases[3].expected.push_back(k);

    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        schema().exec("DELETE FROM `configuration`");
        store(c.rows);
        Cvisualisierung view;
        view.resize(900, 500);
        view.show();
        QApplication::processEvents();

        std::vector<std::string> expected;
        for (int k : c.expected) expected.push_back(k < 0 ? "-" : std::to_string(m(k)));
        EXPECT_EQ(named_ids(view.scene().description), expected);

        // Every line of the column can be brought into the window.
        const int height = view.viewport()->height();
        const int column = legend_column_height(view.scene());
        QScrollBar* bar = view.columnScrollBar();
        EXPECT_EQ(bar->isVisibleTo(&view), column > height);
        bar->setValue(bar->maximum());
        RecordingCanvas canvas;
        draw_map_window(view.scene(), view.mapViewport(), canvas, view.columnOffset());
        const auto texts = canvas.of(RecordingCanvas::Op::Text);
        ASSERT_FALSE(texts.empty());
        const std::string last_id = "ID " + expected.back() + ":";
        int last_y = -1;
        for (const auto& t : texts)
            if (t.text.rfind(last_id, 0) == 0) last_y = t.y;
        ASSERT_GE(last_y, 0) << "the last measure is drawn";
        EXPECT_LE(last_y + kLegendLineHeight, height) << "and inside the window";
        for (const auto& t : texts) EXPECT_GE(t.y, 0) << t.text;
    }
}

}  // namespace
}  // namespace pravel
