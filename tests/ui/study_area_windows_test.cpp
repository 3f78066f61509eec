// The study-area import dialog and the export of the active map's results,
// offscreen: the summary shown before writing, the checks in order, the rows
// written, the menu entries, and the file the map's results go to.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QSpinBox>
#include <QTableWidget>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>

#include <filesystem>
#include <fstream>

#include "gis/gis_files.h"
#include "support/offscreen_application.h"
#include "ui/map_views.h"
#include "ui/result_export.h"
#include "ui/shell.h"
#include "ui/study_area_import_dialog.h"
#include "ui/window_registry.h"

namespace pravel {
namespace {

using testing::kNone;

QApplication& application() { return testing::offscreen_application("ui_study_area_windows"); }

class StudyAreaWindowsTest : public testing::DatabaseTest {
protected:
    void SetUp() override {
        application();
        DatabaseTest::SetUp();
        schema().exec("INSERT INTO grasslandtype (grasslandtypeID) VALUES (1), (2)");
        landuse_ = testing::write_raster("ui_landuse.tif", {4, 4, 3, kNone, 4, 1, 4, 4, kNone, 4, 4, 4});
        wet_ = testing::write_raster("ui_wet.tif", {0.5, 0.25, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    }
    std::string landuse_, wet_;
};

TEST_F(StudyAreaWindowsTest, TheDialogShowsWhatTheLayersHoldAndImportsThem) {
    StudyAreaImportDialog dialog;
    dialog.setFileChooser([this](const QString&) { return QString::fromStdString(wet_); });
    dialog.addLayer("land_use_type", QString::fromStdString(landuse_));
    // "Add layer..." proposes the column named like the file: "ui_wet" is none,
    // so the row starts as land_use_type and is refused as a second one.
    dialog.findChild<QPushButton*>("Add layer...")->click();
    ASSERT_EQ(dialog.layerCount(), 2);
    EXPECT_FALSE(dialog.checkLayers());
    ASSERT_FALSE(messages().texts().empty());
    EXPECT_NE(messages().texts().back().find("more than one layer"), std::string::npos);
    EXPECT_EQ(schema().count("pixel"), 0);

    dialog.findChild<QTableWidget*>("layers")->setCurrentCell(1, 1);
    dialog.findChild<QPushButton*>("Remove layer")->click();
    dialog.addLayer("wet", QString::fromStdString(wet_));
    dialog.findChild<QPushButton*>("Check layers")->click();
    const QString summary = dialog.summaryText();
    for (const char* part : {"Size: 3 rows x 4 columns", "Cell size: 25 m", "25832", "Cells with data (pixels): 10"})
        EXPECT_TRUE(summary.contains(part)) << part << "\n" << summary.toStdString();
    EXPECT_EQ(schema().count("pixel"), 0) << "checking writes nothing";

    // Without a name nothing is imported.
    messages().clear();
    EXPECT_FALSE(dialog.runImport());
    EXPECT_EQ(messages().texts(), std::vector<std::string>{"Enter a name for the study area first."});
    dialog.findChild<QLineEdit*>("name")->setText("Dialogau");
    dialog.findChild<QSpinBox*>("growth_start")->setValue(14);
    // The summary is shown and confirmed before the rows are written.
    messages().queue_answer(false);
    EXPECT_FALSE(dialog.runImport());
    ASSERT_FALSE(messages().messages().empty());
    EXPECT_EQ(messages().messages().back().kind, RecordingNotifier::Kind::OkCancel);
    EXPECT_NE(messages().texts().back().find("Cells with data (pixels): 10"), std::string::npos);
    EXPECT_EQ(schema().count("pixel"), 0);
    dialog.findChild<QPushButton*>("Import")->click();
    EXPECT_EQ(schema().rows("SELECT name, growth_start FROM country"),
              (std::vector<std::vector<std::string>>{{"Dialogau", "14"}}));
    EXPECT_EQ(schema().count("pixel"), 10);
    EXPECT_EQ(schema().scalar("SELECT wet FROM pixel WHERE matrix_i = 0 AND matrix_j = 1"), "0.25");
    EXPECT_NE(messages().texts().back().find("10 pixels"), std::string::npos);

    // The same name again is refused without --replace.
    EXPECT_FALSE(dialog.runImport());
    EXPECT_NE(messages().texts().back().find("already exists"), std::string::npos);
    dialog.findChild<QCheckBox*>("replace")->setChecked(true);
    EXPECT_TRUE(dialog.runImport());
    EXPECT_EQ(schema().count("country"), 1);
}

TEST_F(StudyAreaWindowsTest, TheDialogReplacesAnAreaWithStoredRunsOnlyWhenTheyAreDeletedWithIt) {
    StudyAreaImportDialog dialog;
    dialog.addLayer("land_use_type", QString::fromStdString(landuse_));
    dialog.findChild<QLineEdit*>("name")->setText("Laufau");
    ASSERT_TRUE(dialog.runImport());
    schema().exec("INSERT INTO configuration VALUES (4321, 1, 100, 1, 'Plan Lauf', 1)");
    auto* replace = dialog.findChild<QCheckBox*>("replace");
    auto* drop = dialog.findChild<QCheckBox*>("drop_runs");
    ASSERT_NE(drop, nullptr);
    EXPECT_FALSE(drop->isEnabled()) << "only a replace can delete runs";

    replace->setChecked(true);
    messages().clear();
    EXPECT_FALSE(dialog.runImport());
    ASSERT_FALSE(messages().texts().empty());
    const std::string refusal = messages().texts().back();
    EXPECT_NE(refusal.find("has 1 stored run (configurationID 4321 \"Plan Lauf\")"), std::string::npos) << refusal;
    EXPECT_NE(refusal.find(StudyAreaImportDialog::kDropRunsLabel), std::string::npos) << refusal;
    EXPECT_EQ(schema().count("configuration"), 1);

    ASSERT_TRUE(drop->isEnabled());
    drop->setChecked(true);
    EXPECT_TRUE(dialog.runImport());
    EXPECT_EQ(schema().count("configuration"), 0);
    EXPECT_EQ(schema().count("country"), 1);
}

TEST_F(StudyAreaWindowsTest, TheMenusOfferTheImportAndTheExport) {
    CMainFrame frame;
    register_windows(frame);
    QAction* import = frame.action(cmd::kImportStudyArea);
    ASSERT_NE(import, nullptr);
    EXPECT_EQ(import->text(), "Import study area...");
    EXPECT_EQ(frame.menuBar()->actions().front()->menu()->actions().contains(import), true) << "in the File menu";
    import->trigger();
    EXPECT_EQ(frame.findChildren<StudyAreaImportDialog*>().size(), 1);

    QAction* exporting = frame.action(cmd::kExportResults);
    ASSERT_NE(exporting, nullptr);
    EXPECT_EQ(exporting->text(), "Export results...");
    QMenu* visual = nullptr;
    for (QAction* m : frame.menuBar()->actions())
        if (QString(m->text()).remove('&') == "Visualisization") visual = m->menu();  // "&" marks the menu's key
    ASSERT_NE(visual, nullptr);
    EXPECT_TRUE(visual->actions().contains(exporting));
}

TEST_F(StudyAreaWindowsTest, TheResultMapsResultsAreExportedForItsMeasure) {
    schema().exec("INSERT INTO country VALUES (1, 'Mapau', 12)");
    schema().exec("INSERT INTO matrix_referenz VALUES (1, 2, 2, 90, 90)");
    schema().exec("INSERT INTO pixel (pixelID, countryID, country, matrix_i, matrix_j, x_coordinate, y_coordinate, "
                  "land_use_type) VALUES (1, 1, 'Mapau', 0, 0, 1000, 2000, '4'), (2, 1, 'Mapau', 1, 1, 1090, 1910, "
                  "'4')");
    schema().exec("INSERT INTO results_for_viusualitsation VALUES "
                  "(7, 'mow', 3, 'Kievit', 0.5, 1, 0, 0, 1000, 2000, -12, 0, 1), "
                  "(9, 'graze', 3, 'Kievit', 0.25, 2, 1, 1, 1090, 1910, -20, 0, 1)");
    const std::string csv = testing::gis_scratch("ui_map.csv");
    std::filesystem::remove(csv);

    // No map drawn yet: nothing to export.
    EXPECT_FALSE(export_map_results(nullptr, nullptr, [&] { return QString::fromStdString(csv); }));
    EXPECT_FALSE(std::filesystem::exists(csv));

    visdireckt view;
    view.resize(900, 700);
    view.show();
    ASSERT_GT(view.repaintCount(), 0);
    ASSERT_TRUE(results_shown_by(&view));
    EXPECT_EQ(results_shown_by(&view)->measure, std::optional<int>(7));
    EXPECT_TRUE(export_map_results(nullptr, &view, [&] { return QString::fromStdString(csv); }));
    std::ifstream in(csv);
    std::vector<std::string> lines;
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "pixelID,row,column,x,y,measureID,payment,payment_minus_cost,quality_3",
                         "1,0,0,1000,2000,7,0,-12,0.5"}));
    EXPECT_NE(messages().texts().back().find("1 pixel results written"), std::string::npos);
}

}  // namespace
}  // namespace pravel
