// The window "Budget-effect curve" offscreen on the small demo area: the
// goal window's checks before anything runs, a refused budget range, then a
// short curve with its table, chart and saved CSV, PNG and SVG files.
#include "ui/budget_effect_curve_window.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTemporaryDir>

#include "optimisation/optimisation_lines.h"
#include "support/analysis_window_test.h"
#include "ui/map_views.h"
#include "ui/savename.h"

namespace pravel {
namespace {

using W = BudgetEffectCurveWindow;

class CurveWindowTest : public testing::AnalysisWindowTest<BudgetEffectCurveWindow> {};

TEST_F(CurveWindowTest, ChecksTheInputsThenDrawsAndSavesTheCurve) {
    EXPECT_EQ(window_->windowTitle(), "Budget-effect curve");
    EXPECT_FALSE(get<QPushButton>(W::kSaveCsv)->isEnabled());
    // The goal window's own checks come first, the budget read from "to".
    EXPECT_EQ(messageOf(W::kDrawButton), kOptFactorMissing);
    type(W::kFactorLabel, "1");
    EXPECT_EQ(messageOf(W::kDrawButton), kMaxBudgetMissing);

    type(W::kTransactionLabel, "12");
    get<QRadioButton>("time independent")->setChecked(true);
    choose("Region", "Moorwiesen test area");
    click("Only mowing");
    choose("Dutch name", "Grutto");
    type(W::kImportanceLabel, "80");
    type(W::kQualityLabel, "0.3");
    click("Copy values");
    ASSERT_EQ(window_->chosenSpecies().size(), 1u);

    type(W::kFromLabel, "9000");
    type(W::kToLabel, "3000");
    type(W::kPointsLabel, "3");
    EXPECT_NE(messageOf(W::kDrawButton).find("FROM must not exceed TO"), std::string::npos);
    EXPECT_TRUE(window_->curve().points.empty());

    type(W::kFromLabel, "3000");
    type(W::kToLabel, "9000");
    messages().clear();
    click(W::kDrawButton);
    // One closing box that says what the run gave, and a heading naming it.
    ASSERT_EQ(messages().texts().size(), 1u);
    EXPECT_EQ(messages().texts()[0].rfind("Done: 3 points.", 0), 0u) << messages().texts()[0];
    EXPECT_EQ(get<QLabel>(W::kCurveShownLabel)->text().left(7), "Run of ");
    const BudgetEffectCurve& c = window_->curve();
    ASSERT_EQ(c.points.size(), 3u);
    EXPECT_TRUE(monotone(c));
    auto* table = get<QTableWidget>(W::kTableName);
    ASSERT_EQ(table->rowCount(), 3);
    EXPECT_EQ(table->item(2, 0)->text(), "9000");

    QTemporaryDir dir;
    for (const char* ending : {"csv", "png", "svg"}) {
        SCOPED_TRACE(ending);
        const QString path = dir.filePath(QString("curve.") + ending);
        window_->setSavePathChooser([path](const QString&) { return path; });
        const char* button = std::string(ending) == "csv" ? W::kSaveCsv : std::string(ending) == "png" ? W::kSavePng : W::kSaveSvg;
        ASSERT_TRUE(get<QPushButton>(button)->isEnabled());
        click(button);
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_GT(f.size(), 100);
    }
    QFile csv(dir.filePath("curve.csv"));
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    EXPECT_EQ(csv.readAll().count('\n'), 4);
}

// A point chosen in the table is stored as a named run, with its payments
// per zone when the curve used zones, and drawn on the configuration map.
TEST_F(CurveWindowTest, APointIsStoredAsANamedRunWithItsZonePaymentsAndShownOnTheMap) {
    type(W::kFactorLabel, "1");
    type(W::kTransactionLabel, "12");
    get<QRadioButton>("time independent")->setChecked(true);
    choose("Region", "Moorwiesen test area");
    click("Only mowing");
    choose("Dutch name", "Grutto");
    type(W::kImportanceLabel, "80");
    type(W::kQualityLabel, "0.3");
    click("Copy values");
    type(W::kFromLabel, "3000");
    type(W::kToLabel, "9000");
    type(W::kPointsLabel, "3");
    window_->setNameDialogRunner([](savename& d) {
        d.nameField()->setText("curve point");
        d.okButton()->click();
        return d.result();
    });

    // A run stored with its zone cells is drawn whatever its zoning (one
    // from a layer file is not rebuilt by the map); one stored without them
    // (before they were kept) and not rebuildable says "(not drawn)".
    const struct {
        const char* payments;
        int zones;            // 0: uniform
        const char* zoning;   // what the stored run's rows name
        bool cells_kept;
        bool drawn;
    } cases[] = {{W::kUniform, 0, "", true, false},
                 {W::kGrid2, 4, "grid 2x2", true, true},
                 {W::kGrid2, 4, "layer halves.asc", true, true},
                 {W::kGrid2, 4, "layer halves.asc", false, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.payments) + " " + c.zoning + (c.cells_kept ? "" : " without cells"));
        get<QComboBox>(W::kZonesLabel)->setCurrentText(c.payments);
        click(W::kDrawButton);
        ASSERT_EQ(window_->curve().points.size(), 3u);
        EXPECT_EQ(window_->zones().has_value(), c.zones > 0);
        // Without a chosen point nothing is stored.
        messages().clear();
        get<QTableWidget>(W::kTableName)->clearSelection();
        click(W::kStorePoint);
        EXPECT_EQ(messages().texts(), std::vector<std::string>{W::kChoosePoint});
        EXPECT_FALSE(window_->storedPoint());

        get<QTableWidget>(W::kTableName)->selectRow(1);
        click(W::kStorePoint);
        ASSERT_TRUE(window_->storedPoint());
        const std::string id = std::to_string(*window_->storedPoint());
        const CurvePoint& point = window_->curve().points[1];
        const std::size_t measures = window_->chosenMeasures().size();
        EXPECT_EQ(schema().scalar("SELECT COUNT(*) FROM configuration WHERE configurationID = " + id),
                  std::to_string(measures));
        EXPECT_EQ(schema().scalar("SELECT MIN(configname) FROM configuration WHERE configurationID = " + id),
                  "curve point");
        // The point's pixels are stored, so that the map can draw them.
        EXPECT_GT(std::stoi(schema().scalar("SELECT COUNT(*) FROM result WHERE configurationID = " + id)), 0);
        const auto zone_rows = schema().rows(
            "SELECT measureID, SUM(participants), COUNT(*), MIN(zoning), SUM(area) FROM configuration_zone_payment "
            "WHERE configurationID = " + id + " GROUP BY measureID ORDER BY measureID");
        if (c.zones == 0) {
            EXPECT_TRUE(zone_rows.empty());
        } else {
            ASSERT_EQ(zone_rows.size(), measures);
            // Each measure has a row per zone, and its pixels add up to the
            // point's participants.
            int participants = 0;
            for (int n : point.result.participants) participants += n;
            int stored = 0;
            for (const auto& r : zone_rows) {
                EXPECT_EQ(r[2], std::to_string(c.zones)) << r[0];
                EXPECT_EQ(r[3], "grid 2x2");
                stored += std::stoi(r[1]);
                // The area is the pixels' area (0.81 ha each on the demo).
                EXPECT_NEAR(std::stod(r[4]), std::stoi(r[1]) * 0.81, 1e-6) << r[0];
            }
            EXPECT_EQ(stored, participants);
            EXPECT_EQ(schema().scalar("SELECT COUNT(*) FROM configuration_zone_cells WHERE configurationID = " + id),
                      std::to_string(c.zones));
            schema().exec("UPDATE configuration_zone_payment SET zoning = '" + std::string(c.zoning) +
                          "' WHERE configurationID = " + id);
            if (!c.cells_kept) schema().exec("DELETE FROM configuration_zone_cells WHERE configurationID = " + id);
        }

        click(W::kShowPoint);
        auto* map = qobject_cast<Cvisualisierung*>(window_->lastPointMap());
        ASSERT_NE(map, nullptr);
        QApplication::processEvents();
        map->redraw();
        EXPECT_EQ(configuration_map_selection().id, *window_->storedPoint());
        EXPECT_EQ(map->windowTitle().toStdString().rfind("Configuration map - curve point", 0), 0u)
            << map->windowTitle().toStdString();

        // The map of a zoned point draws the zone boundaries (in their own
        // blue), says which zoning it shows and names the zone of the cell
        // under the cursor; a uniform point has none of that.
        EXPECT_EQ(map->zones() != nullptr, c.drawn);
        map->resize(900, 700);
        QApplication::processEvents();
        const QImage image = map->image().convertToFormat(QImage::Format_RGB32);
        int boundary = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) boundary += image.pixel(x, y) == qRgb(20, 40, 160);
        EXPECT_EQ(boundary > 0, c.drawn) << boundary;
        const std::string heading = std::string("Payments by zone: ") + c.zoning +
                                    (c.drawn ? " (boundaries in blue)" : " (not drawn)");
        bool headed = false;
        for (const auto& h : map->scene().heading) headed = headed || h == heading;
        EXPECT_EQ(headed, c.zones > 0) << heading;
        const MapPicture::Cell* cell = nullptr;
        for (const auto& pc : map->scene().picture.cells())
            if (pc.part == MapCanvas::Part::Result) cell = &pc;
        ASSERT_NE(cell, nullptr);
        const QPoint at(static_cast<int>(map->mapViewport().screen_x(cell->x + 0.5)),
                        static_cast<int>(map->mapViewport().screen_y(cell->y + 0.5)));
        const QString status = map->cellStatusAt(at);
        EXPECT_TRUE(status.startsWith("row ")) << status.toStdString();
        EXPECT_EQ(status.contains("; zone r"), c.drawn) << status.toStdString();
    }
}

}  // namespace
}  // namespace pravel
