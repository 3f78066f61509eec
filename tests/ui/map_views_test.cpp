// The two map views and their panels offscreen, on the small demo area after a
// budget minimisation (a stored configuration) and an effectiveness run (the
// analysis result table): the panels' initial states, each control's effect
// on the options and on what the active view draws, the lists the repaint
// fills, and the image saved from the visible area.
#include "ui/map_views.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFocusEvent>
#include <QListWidget>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QToolBar>
#include <QWheelEvent>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <cstdlib>
#include <sys/wait.h>

#include "map/image_export.h"
#include "map/map_data_set.h"
#include "support/offscreen_application.h"
#include "support/demo_schema.h"

namespace pravel {
namespace {

QApplication& application() { return testing::offscreen_application("ui_map_views"); }

// ---------------------------------------------------------------- panels alone

struct OptionState {
    int general_layer, result_layer;
    bool draw_general, draw_result, all_measures;
};

void expect_options(const MapOptions& o, const OptionState& s, const std::string& after) {
    EXPECT_EQ(o.general_layer, s.general_layer) << after;
    EXPECT_EQ(o.result_layer, s.result_layer) << after;
    EXPECT_EQ(o.draw_general, s.draw_general) << after;
    EXPECT_EQ(o.draw_result, s.draw_result) << after;
    EXPECT_EQ(o.all_measures, s.all_measures) << after;
}

TEST(MapPanels, InitialStates) {
    application();
    FilterKontrolle configuration;
    EXPECT_EQ(configuration.windowTitle(), "Change display");
    expect_options(configuration.options(), {2, 9, true, true, false}, "configuration panel opened");
    EXPECT_TRUE(configuration.options().reload_lists);
    EXPECT_EQ(configuration.options().selected_list_index, 0);
    EXPECT_EQ(configuration.options().selected_species_index, 0);
    for (const char* checked : {"Payment - cost", "Manure status"})
        EXPECT_TRUE(configuration.control<QRadioButton>(checked)->isChecked()) << checked;
    for (const char* clear : {"Quality", "Species on result pixel", "Altitude", "Grassland economic value",
                              "Type of grassland use", "Settlement adjacent"})
        EXPECT_FALSE(configuration.control<QRadioButton>(clear)->isChecked()) << clear;
    EXPECT_FALSE(configuration.control<QCheckBox>("show only result pixels")->isChecked());
    EXPECT_TRUE(configuration.control<QCheckBox>("Show all grassland pixels")->isChecked());
    ASSERT_NE(configuration.control<QComboBox>("Configuration name"), nullptr);
    // Part of the layout, never shown.
    for (const char* hidden : {"Settlement adjacent", "Show all grassland pixels", "Save image"})
        EXPECT_TRUE(configuration.control<QWidget>(hidden)->isHidden()) << hidden;

    zwischenfilter result;
    EXPECT_EQ(result.windowTitle(), "Change display");
    expect_options(result.options(), {5, 7, true, true, false}, "result panel opened");
    EXPECT_TRUE(result.options().reload_lists);
    for (const char* checked : {"Quality", "Grassland economic value"})
        EXPECT_TRUE(result.control<QRadioButton>(checked)->isChecked()) << checked;
    for (const char* clear : {"Payment - cost", "Manure status", "Altitude", "Type of grassland use"})
        EXPECT_FALSE(result.control<QRadioButton>(clear)->isChecked()) << clear;
    for (const char* clear : {"all measures", "show only result pixels"})
        EXPECT_FALSE(result.control<QCheckBox>(clear)->isChecked()) << clear;
    ASSERT_NE(result.control<QListWidget>("Measure"), nullptr);
    ASSERT_NE(result.control<QListWidget>("Species"), nullptr);
    EXPECT_TRUE(result.control<QWidget>("Save image")->isHidden());
}

// Clicks one control after the other on one panel and checks the options
// after each.
struct Click {
    const char* label;
    OptionState after;
};

template <typename Panel>
void run_clicks(Panel& panel, const std::vector<Click>& clicks) {
    for (const auto& c : clicks) {
        auto* button = panel.template control<QAbstractButton>(c.label);
        ASSERT_NE(button, nullptr) << c.label;
        button->click();
        expect_options(panel.options(), c.after, c.label);
    }
}

TEST(MapPanels, ConfigurationPanelControlsSetTheOptions) {
    application();
    FilterKontrolle panel;
    run_clicks(panel, {{"Altitude", {1, 9, true, true, false}},
                       {"Grassland economic value", {5, 9, true, true, false}},
                       {"Type of grassland use", {10, 9, true, true, false}},
                       {"Manure status", {2, 9, true, true, false}},
                       {"Quality", {2, 7, true, true, false}},
                       {"Species on result pixel", {2, 8, true, true, false}},
                       {"Payment - cost", {2, 9, true, true, false}},
                       {"show only result pixels", {2, 9, false, true, false}},
                       {"show only result pixels", {2, 9, true, true, false}}});

    auto* only = panel.control<QCheckBox>("show only result pixels");
    only->click();
    for (const char* general : {"Manure status", "Altitude", "Grassland economic value", "Type of grassland use"})
        EXPECT_FALSE(panel.control<QRadioButton>(general)->isEnabled()) << general;
    only->click();
    for (const char* general : {"Manure status", "Altitude", "Grassland economic value", "Type of grassland use"})
        EXPECT_TRUE(panel.control<QRadioButton>(general)->isEnabled()) << general;
    // The hidden check box switches the landscape layer as well.
    panel.control<QCheckBox>("Show all grassland pixels")->click();
    EXPECT_FALSE(panel.options().draw_general);
    EXPECT_FALSE(panel.control<QRadioButton>("Altitude")->isEnabled());
}

TEST(MapPanels, ResultPanelControlsSetTheOptions) {
    application();
    zwischenfilter panel;
    run_clicks(panel, {{"Manure status", {2, 7, true, true, false}},
                       {"Altitude", {1, 7, true, true, false}},
                       {"Type of grassland use", {10, 7, true, true, false}},
                       {"Grassland economic value", {5, 7, true, true, false}},
                       {"Payment - cost", {5, 9, true, true, false}},
                       {"Quality", {5, 7, true, true, false}},
                       {"all measures", {5, 7, true, true, true}},
                       {"show only result pixels", {5, 7, false, true, true}},
                       {"all measures", {5, 7, false, true, false}},
                       {"show only result pixels", {5, 7, true, true, false}}});

    // The two result options clear each other.
    auto* quality = panel.control<QRadioButton>("Quality");
    auto* payment = panel.control<QRadioButton>("Payment - cost");
    payment->click();
    EXPECT_TRUE(payment->isChecked());
    EXPECT_FALSE(quality->isChecked());
    quality->click();
    EXPECT_TRUE(quality->isChecked());
    EXPECT_FALSE(payment->isChecked());
    // Choosing another landscape attribute clears "Grassland economic value".
    panel.control<QRadioButton>("Altitude")->click();
    EXPECT_FALSE(panel.control<QRadioButton>("Grassland economic value")->isChecked());
    panel.control<QCheckBox>("show only result pixels")->click();
    for (const char* general : {"Manure status", "Altitude", "Grassland economic value", "Type of grassland use"})
        EXPECT_FALSE(panel.control<QRadioButton>(general)->isEnabled()) << general;
}

// ---------------------------------------------------------------- views on the demo area

class MapViewsTest : public testing::DatabaseTest {
public:
    static void SetUpTestSuite() {
        DatabaseTest::SetUpTestSuite();
        loaded_ = false;
    }

protected:
    MapViewsTest() { keep_tables_between_tests_ = true; }
    void SetUp() override {
        application();
        DatabaseTest::SetUp();
        if (!loaded_) {
            testing::load_demo_database(schema());
            ASSERT_EQ(cli("--seed 1 minimise-budget " + std::string(PRAVEL_EXAMPLES_DIR) +
                          "/minimise_budget_small.json --store map-test --max-seconds 120"),
                      0);
            ASSERT_EQ(cli("--seed 1 effectiveness " + std::string(PRAVEL_EXAMPLES_DIR) +
                          "/effectiveness_small.json --visualize"),
                      0);
            loaded_ = true;
        }
    }
    int cli(const std::string& args) {
        const std::string cmd = std::string(PRAVEL_CLI_PATH) + " --db-config " + schema().config_path() + " " + args +
                                " >/dev/null 2>" + testing::scratch_dir() + "/map_views_cli_stderr.txt";
        const int status = std::system(cmd.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    template <typename View>
    std::unique_ptr<View> open() {
        auto view = std::make_unique<View>();
        view->resize(900, 700);
        view->show();
        return view;
    }
    static int differing_pixels(const QImage& a, const QImage& b) {
        const QImage x = a.convertToFormat(QImage::Format_RGB32), y = b.convertToFormat(QImage::Format_RGB32);
        int n = 0;
        for (int r = 0; r < std::min(x.height(), y.height()); ++r)
            for (int c = 0; c < std::min(x.width(), y.width()); ++c) n += x.pixel(c, r) != y.pixel(c, r);
        return n;
    }
    static bool loaded_;
};
bool MapViewsTest::loaded_ = false;

TEST_F(MapViewsTest, ConfigurationMapFillsItsListsAndRepaintsOnEachControl) {
    auto view = open<Cvisualisierung>();
    FilterKontrolle* panel = dynamic_cast<FilterKontrolle*>(view->panel());
    ASSERT_NE(panel, nullptr);
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(MapView::active(), view.get());
    EXPECT_FALSE(view->lastOutcome().nothing_to_show());
    auto* names = panel->control<QComboBox>("Configuration name");
    ASSERT_EQ(names->count(), 1);
    EXPECT_EQ(names->itemText(0), "map-test");
    auto* species = panel->control<QComboBox>("Species");
    ASSERT_EQ(species->count(), 2);
    EXPECT_EQ(species->itemText(0), "Grutto");
    EXPECT_EQ(species->currentIndex(), 0);
    EXPECT_FALSE(panel->options().reload_lists);
    EXPECT_EQ(view->image().size(), view->viewport()->size()) << "the picture is what the view shows";
    EXPECT_EQ(view->windowTitle(), "Configuration map - map-test");

    // Each control's repaint shows a different picture.
    for (const char* label : {"Altitude", "Type of grassland use", "Quality", "Species on result pixel"}) {
        const QImage before = view->image();
        panel->control<QAbstractButton>(label)->click();
        EXPECT_GT(differing_pixels(before, view->image()), 0) << label;
    }
    // Another species for the quality.
    panel->control<QAbstractButton>("Quality")->click();
    const QImage grutto = view->image();
    species->setCurrentIndex(1);
    emit species->activated(1);
    EXPECT_EQ(panel->options().selected_species_index, 1);
    EXPECT_GT(differing_pixels(grutto, view->image()), 0);

    // Choosing the configuration again empties the lists and the repaint fills
    // them again from the first species on.
    emit names->activated(0);
    EXPECT_EQ(names->count(), 1);
    ASSERT_EQ(species->count(), 2);
    EXPECT_EQ(panel->options().selected_species_index, 0);
    EXPECT_EQ(species->currentIndex(), 0);
}

TEST_F(MapViewsTest, ResultMapFillsItsListsAndRepaintsOnEachControl) {
    auto view = open<visdireckt>();
    zwischenfilter* panel = dynamic_cast<zwischenfilter*>(view->panel());
    ASSERT_NE(panel, nullptr);
    const auto measure_ids = schema().rows("SELECT DISTINCT measureID FROM results_for_viusualitsation");
    auto* measures = panel->control<QListWidget>("Measure");
    ASSERT_EQ(measures->count(), static_cast<int>(measure_ids.size()));
    ASSERT_GE(measures->count(), 2);
    EXPECT_EQ(measures->currentRow(), 0);
    auto* species = panel->control<QListWidget>("Species");
    EXPECT_EQ(species->count(), std::stoi(schema().scalar(
                                    "SELECT COUNT(DISTINCT species_name) FROM results_for_viusualitsation")));
    EXPECT_EQ(species->currentRow(), 0);

    for (const char* label : {"Payment - cost", "Altitude", "show only result pixels"}) {
        const QImage before = view->image();
        panel->control<QAbstractButton>(label)->click();
        EXPECT_GT(differing_pixels(before, view->image()), 0) << label;
    }
    // Another measure draws other pixels and is remembered.
    QImage before = view->image();
    measures->setCurrentRow(1);
    EXPECT_EQ(panel->options().selected_list_index, 1);
    EXPECT_EQ(result_map_selection().index, 1);
    EXPECT_EQ(result_map_selection().id, std::stoi(measures->item(1)->text().toStdString()));
    EXPECT_EQ(measures->currentRow(), 1) << "the list shows the remembered measure after the repaint";
    EXPECT_GT(differing_pixels(before, view->image()), 0);

    // With all measures the measure chosen no longer changes the pixels.
    panel->control<QAbstractButton>("all measures")->click();
    before = view->image();
    measures->setCurrentRow(0);
    EXPECT_EQ(panel->options().selected_list_index, 0);
    EXPECT_EQ(differing_pixels(before, view->image()), 0);
}

TEST_F(MapViewsTest, APanelRepaintsItsOwnViewAndAnOpenedViewResetsTheSelection) {
    auto first = open<visdireckt>();
    first->panel()->findChild<QListWidget*>("Measure")->setCurrentRow(1);
    EXPECT_EQ(result_map_selection().index, 1);
    auto second = open<visdireckt>();
    EXPECT_EQ(result_map_selection().index, 0) << "opening a view starts its class at the first measure";
    EXPECT_EQ(MapView::active(), second.get());

    // The first view's docked panel repaints the first view, though the
    // second is the active one.
    const QImage first_before = first->image(), second_before = second->image();
    const int first_repaints = first->repaintCount(), second_repaints = second->repaintCount();
    first->panel()->findChild<QAbstractButton*>("Altitude")->click();
    EXPECT_EQ(first->repaintCount(), first_repaints + 1);
    EXPECT_EQ(second->repaintCount(), second_repaints);
    EXPECT_GT(differing_pixels(first_before, first->image()), 0);
    EXPECT_EQ(differing_pixels(second_before, second->image()), 0);
    // A panel without a view repaints the active one.
    zwischenfilter loose;
    loose.control<QAbstractButton>("Payment - cost")->click();
    EXPECT_EQ(second->repaintCount(), second_repaints + 1);
    second.reset();
    QFocusEvent focus_in(QEvent::FocusIn);
    QApplication::sendEvent(first.get(), &focus_in);
    EXPECT_EQ(MapView::active(), first.get());
    first.reset();
    EXPECT_EQ(MapView::active(), nullptr);
}

TEST_F(MapViewsTest, InAChildWindowTheConfigurationMapIsMaximised) {
    QMdiArea area;
    area.resize(1200, 900);
    area.show();
    auto* configuration = area.addSubWindow(new Cvisualisierung);
    configuration->show();
    EXPECT_TRUE(configuration->isMaximized());
    auto* result_view = new visdireckt;
    auto* result = area.addSubWindow(result_view);
    result->show();
    area.setActiveSubWindow(configuration);
    area.setActiveSubWindow(result);
    EXPECT_EQ(MapView::active(), result_view);
    EXPECT_GT(result_view->repaintCount(), 0);
}

// Screen point of the centre of raster cell (row, column) in the view.
QPoint cell_centre(const MapView& view, int row, int column) {
    const MapViewport& v = view.mapViewport();
    return QPoint(static_cast<int>(v.screen_x(column + RASTER_OFFSET + 0.5)),
                  static_cast<int>(v.screen_y(row + RASTER_OFFSET + 0.5)));
}

void wheel(MapView& view, QPoint at, int delta) {
    QWheelEvent event(QPointF(at), QPointF(view.viewport()->mapToGlobal(at)), QPoint(), QPoint(0, delta),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view.viewport(), &event);
}

void mouse(MapView& view, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons buttons) {
    QMouseEvent event(type, QPointF(at), QPointF(view.viewport()->mapToGlobal(at)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(view.viewport(), &event);
}

TEST_F(MapViewsTest, OpensFittedAndZoomsWithTheWheelAboutTheCursor) {
    auto view = open<visdireckt>();
    const MapViewport fitted = view->mapViewport();
    const auto bounds = view->scene().picture.bounds();
    ASSERT_TRUE(bounds);
    // The study area fills the map area in one direction.
    EXPECT_TRUE(std::abs(bounds->width() * fitted.scale - fitted.width) < 1 ||
                std::abs(bounds->height() * fitted.scale - fitted.height) < 1)
        << bounds->width() << "x" << bounds->height() << " at " << fitted.scale;
    EXPECT_GT(fitted.scale, 1) << "the small area is drawn larger than one pixel a cell";

    const QPoint cursor(fitted.width / 3, fitted.height / 3);
    const double x = fitted.picture_x(cursor.x()), y = fitted.picture_y(cursor.y());
    wheel(*view, cursor, 120);
    EXPECT_NEAR(view->scale(), fitted.scale * MapView::kZoomStep, 1e-9);
    EXPECT_NEAR(view->mapViewport().picture_x(cursor.x()), x, 1e-9) << "the point under the cursor stays";
    EXPECT_NEAR(view->mapViewport().picture_y(cursor.y()), y, 1e-9);
    wheel(*view, cursor, -240);
    EXPECT_NEAR(view->scale(), fitted.scale / MapView::kZoomStep, 1e-9);
    EXPECT_NEAR(view->mapViewport().picture_x(cursor.x()), x, 1e-9);

    // The tool buttons zoom about the middle and fit again.
    auto* tools = view->findChild<QToolBar*>("Map tools");
    ASSERT_NE(tools, nullptr);
    const auto action = [&](const char* name) { return view->findChild<QAction*>(name); };
    for (const char* name : {"+", "-", "Fit"}) ASSERT_NE(action(name), nullptr) << name;
    action("+")->trigger();
    action("+")->trigger();
    EXPECT_NEAR(view->scale(), fitted.scale * MapView::kZoomStep, 1e-9);
    action("Fit")->trigger();
    EXPECT_NEAR(view->scale(), fitted.scale, 1e-9);
    EXPECT_NEAR(view->mapViewport().left, fitted.left, 1e-9);

    // Dragging pans; a repaint from the panel keeps the zoom and position.
    action("+")->trigger();
    const MapViewport before = view->mapViewport();
    mouse(*view, QEvent::MouseButtonPress, {200, 200}, Qt::LeftButton, Qt::LeftButton);
    mouse(*view, QEvent::MouseMove, {260, 180}, Qt::NoButton, Qt::LeftButton);
    mouse(*view, QEvent::MouseButtonRelease, {260, 180}, Qt::LeftButton, Qt::NoButton);
    EXPECT_NEAR(view->mapViewport().left, before.left - 60 / before.scale, 1e-9);
    EXPECT_NEAR(view->mapViewport().top, before.top + 20 / before.scale, 1e-9);
    const MapViewport panned = view->mapViewport();
    view->panel()->control<QAbstractButton>("Payment - cost")->click();
    EXPECT_EQ(view->mapViewport().scale, panned.scale);
    EXPECT_EQ(view->mapViewport().left, panned.left);
}

TEST_F(MapViewsTest, TheStatusBarShowsTheCellUnderTheCursor) {
    QMainWindow main;
    auto* view = new visdireckt;
    main.setCentralWidget(view);
    main.resize(1200, 800);
    main.show();
    view->setAnalysis("Effectiveness");
    auto* panel = view->panel();
    ASSERT_NE(panel, nullptr);
    const std::string species = panel->lists().species.at(0);
    const int measure = std::stoi(panel->lists().entries.at(0));
    EXPECT_EQ(view->windowTitle().toStdString(), "Result map - Effectiveness - " + species);

    const auto row = schema().rows(
        "SELECT pixel_i, pixel_j, CAST(TRUNCATE(benefit, 0) AS SIGNED), pixel_x, pixel_y FROM results_for_viusualitsation WHERE species_name = '" +
        species + "' AND measureID = " + std::to_string(measure) + " LIMIT 1");
    ASSERT_EQ(row.size(), 1u);
    const int i = std::stoi(row[0][0]), j = std::stoi(row[0][1]);
    const std::string value = schema().scalar("SELECT grassland_economic_value FROM pixel WHERE matrix_i = " +
                                              row[0][0] + " AND matrix_j = " + row[0][1] + " AND countryID = (SELECT "
                                              "countryID FROM results_for_viusualitsation LIMIT 1)");
    // Zoomed about the cell, so that it is several pixels wide under the cursor.
    view->zoomBy(4, QPointF(cell_centre(*view, i, j)));
    const QPoint at = cell_centre(*view, i, j);
    ASSERT_TRUE(view->viewport()->rect().contains(at));
    mouse(*view, QEvent::MouseMove, at, Qt::NoButton, Qt::NoButton);
    const std::string shown = main.statusBar()->currentMessage().toStdString();
    EXPECT_EQ(shown, view->cellStatus().toStdString());
    EXPECT_NE(shown.find("row " + row[0][0] + ", column " + row[0][1] + ", x " + row[0][3] + ", y " + row[0][4]),
              std::string::npos)
        << shown;
    EXPECT_NE(shown.find("grassland economic value " + value), std::string::npos) << shown;
    EXPECT_NE(shown.find("measure " + std::to_string(measure) + ", quality "), std::string::npos) << shown;
    EXPECT_NE(shown.find("payment - cost " + row[0][2] + " Euro pro ha"), std::string::npos) << shown;
    // Off the map (on the legends beside it), nothing.
    mouse(*view, QEvent::MouseMove, {view->viewport()->width() - 5, 5}, Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(view->cellStatus(), "");

    // The measures are listed by identifier, name and first use.
    const std::string name = schema().scalar("SELECT name FROM measures WHERE measureID = " + std::to_string(measure));
    EXPECT_EQ(panel->control<QListWidget>("Measure")->item(0)->text().toStdString().rfind(
                  std::to_string(measure) + ", " + name + ", first use ", 0),
              0u);
}

TEST_F(MapViewsTest, EachMapHasItsOwnDockedPanelThatClosesWithIt) {
    QMdiArea area;
    area.resize(1400, 900);
    area.show();
    std::vector<QMdiSubWindow*> children;
    std::vector<QPointer<MapPanel>> panels;
    for (int k = 0; k < 2; ++k) {
        auto* view = new visdireckt;
        auto* child = area.addSubWindow(view);
        child->setAttribute(Qt::WA_DeleteOnClose);
        child->show();
        children.push_back(child);
        panels.emplace_back(view->panel());
        ASSERT_TRUE(panels.back());
        EXPECT_TRUE(child->isAncestorOf(panels.back())) << "docked to its own map window";
        EXPECT_TRUE(panels.back()->isVisible());
        EXPECT_FALSE(panels.back()->isWindow());
        EXPECT_TRUE(child->windowTitle().startsWith("Result map - ")) << child->windowTitle().toStdString();
    }
    EXPECT_NE(panels[0], panels[1]);
    children[0]->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(panels[0].isNull()) << "closing a map closes its panel";
    EXPECT_FALSE(panels[1].isNull());
}

TEST_F(MapViewsTest, SaveImageWritesTheVisibleArea) {
    auto view = open<Cvisualisierung>();
    view->zoomBy(2.5);  // what is saved is what the view shows at its scale
    const QImage shown = view->visibleArea();
    ASSERT_FALSE(shown.isNull());
    EXPECT_EQ(shown.size(), view->viewport()->size());

    const std::string bmp = testing::scratch_dir() + "/map_view.bmp";
    std::remove(bmp.c_str());
    // A name without extension under the bitmap filter becomes a bitmap file.
    ASSERT_TRUE(view->saveImageTo(QString::fromStdString(testing::scratch_dir() + "/map_view"), kBitmapFilesFilter));
    QImage written(QString::fromStdString(bmp));
    ASSERT_FALSE(written.isNull());
    // The map as shown, under a title strip that names it.
    ASSERT_EQ(written.width(), shown.width());
    const int strip = written.height() - shown.height();
    ASSERT_GT(strip, 0);
    EXPECT_EQ(differing_pixels(written.copy(0, strip, shown.width(), shown.height()), shown), 0);
    EXPECT_TRUE(view->imageTitle().startsWith(view->windowTitle())) << view->imageTitle().toStdString();
    const QImage title = written.copy(0, 0, written.width(), strip);
    QImage blank(title.size(), title.format());
    blank.fill(Qt::white);
    EXPECT_GT(differing_pixels(title, blank), 0) << "the title is written";

    QFileDialog dialog;
    configure_save_image_dialog(dialog);
    EXPECT_EQ(dialog.windowTitle(), kSaveImageTitle);
    EXPECT_EQ(dialog.nameFilters(), QStringList({kBitmapFilesFilter, kPngFilesFilter, kAllFilesFilter}));
    EXPECT_EQ(dialog.selectedNameFilter(), kBitmapFilesFilter);
    EXPECT_EQ(dialog.defaultSuffix(), "bmp");
    EXPECT_EQ(dialog.acceptMode(), QFileDialog::AcceptSave);
    EXPECT_FALSE(dialog.testOption(QFileDialog::DontConfirmOverwrite));

    // A cancelled dialog writes nothing; an unwritable place is reported.
    EXPECT_FALSE(view->saveImageTo("", kBitmapFilesFilter));
    EXPECT_TRUE(messages().messages().empty());
    EXPECT_FALSE(view->saveImageTo("/nonexistent-folder/map.png", kPngFilesFilter));
    EXPECT_EQ(messages().messages().size(), 1u);
    EXPECT_FALSE(QFileInfo::exists("/nonexistent-folder/map.png"));
}

// The result map of a run that paid by zone draws the zone boundaries and
// names the zone of the cell under the cursor; once a later analysis has
// written its rows, the zones are gone. The effectiveness rows the other
// tests read are written again last.
TEST_F(MapViewsTest, TheResultMapOfARunPaidByZoneDrawsItsZones) {
    std::ifstream in(std::string(PRAVEL_EXAMPLES_DIR) + "/minimise_budget_small.json");
    std::string scenario((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    scenario.insert(scenario.find('{') + 1, R"("zones": {"grid": [2, 2]}, )");
    const std::string zoned = testing::write_scratch_file("map_views_zoned.json", scenario);
    std::ifstream programme_in(std::string(PRAVEL_EXAMPLES_DIR) + "/programme_small.json");
    std::string programme((std::istreambuf_iterator<char>(programme_in)), std::istreambuf_iterator<char>());
    programme.insert(programme.find('{') + 1, R"("zones": {"grid": [1, 2]}, )");
    const std::string zoned_programme = testing::write_scratch_file("map_views_zoned_programme.json", programme);
    const struct {
        std::string run;
        const char* zoning;  // none: no zones
    } cases[] = {{"--seed 1 minimise-budget " + zoned + " --max-seconds 10", "grid 2x2"},
                 {"--seed 1 programme " + zoned_programme + " --visualize", "grid 1x2"},
                 {"--seed 1 effectiveness " + std::string(PRAVEL_EXAMPLES_DIR) + "/effectiveness_small.json --visualize",
                  nullptr}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.run);
        ASSERT_EQ(cli(c.run), 0);
        auto view = open<visdireckt>();
        view->redraw();
        const bool zones = c.zoning != nullptr;
        EXPECT_EQ(view->zones() != nullptr, zones);
        int headed = 0;
        for (const auto& h : view->scene().heading) {
            if (h.rfind("Payments by zone: ", 0) != 0) continue;
            ++headed;
            EXPECT_EQ(h, std::string("Payments by zone: ") + (zones ? c.zoning : "") + " (boundaries in blue)");
        }
        EXPECT_EQ(headed, zones ? 1 : 0);
        const QImage image = view->image().convertToFormat(QImage::Format_RGB32);
        int boundary = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) boundary += image.pixel(x, y) == qRgb(20, 40, 160);
        EXPECT_EQ(boundary > 0, zones) << boundary;
        const auto cell = schema().rows("SELECT pixel_i, pixel_j FROM results_for_viusualitsation LIMIT 1");
        ASSERT_EQ(cell.size(), 1u);
        const QString status = view->cellStatusAt(cell_centre(*view, std::stoi(cell[0][0]), std::stoi(cell[0][1])));
        EXPECT_TRUE(status.startsWith("row ")) << status.toStdString();
        EXPECT_EQ(status.contains("; zone r"), zones) << status.toStdString();
    }
}

}  // namespace
}  // namespace pravel
