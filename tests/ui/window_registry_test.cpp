// The program's own window registry behind the shell, on the demo database:
// every start-window button and its menu entry open the same window class,
// start-up with the registry connects to no database, and a result map
// opened by an analysis window keeps the main window's menus in step.
#include "ui/window_registry.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QTemporaryDir>

#include "support/demo_schema.h"
#include "support/offscreen_application.h"
#include "ui/map_views.h"
#include "ui/massnahmen_wirksamkeit.h"
#include "ui/optimierung.h"
#include "ui/qualoptimierung.h"
#include "ui/gruenlanddialog.h"
#include "ui/gruenlandladen.h"
#include "ui/shell.h"
#include "ui/steckbrief_laden.h"
#include "ui/budget_effect_curve_window.h"
#include "ui/steckbrief_lebensraum_neu.h"
#include "ui/steckbrief_schmetterling_neu.h"
#include "ui/steckbrief_vogel_neu.h"
#include "ui/zahlungssimulierung.h"

namespace pravel {
namespace {

// The commands with a start-window button, and the window each opens. A new
// window registered for a button is one more row.
struct ButtonWindow {
    int button;
    int command;
    const QMetaObject* window;
};
const std::vector<ButtonWindow>& buttonWindows() {
    static const std::vector<ButtonWindow> rows = {
        {button::kMeasureSimulation, cmd::kMeasureSimulation, &massnahmen_wirksamkeit::staticMetaObject},
        {button::kProgrammeSimulation, cmd::kProgrammeSimulation, &zahlungssimulierung::staticMetaObject},
        {button::kBudgetMinimisation, cmd::kBudgetMinimisation, &optimierung::staticMetaObject},
        {button::kGoalMaximisation, cmd::kGoalMaximisation, &qualoptimierung::staticMetaObject},
        {button::kNewBird, cmd::kNewBird, &steckbrief_vogel_neu::staticMetaObject},
        {button::kLoadBird, cmd::kLoadBird, &steckbrief_laden::staticMetaObject},
    };
    return rows;
}

// The commands reachable from the Characteristics menu only: the window, its
// title and whether it keeps the rest of the program waiting.
struct MenuWindow {
    int command;
    const QMetaObject* window;
    const char* title;
    bool modal;
};
const std::vector<MenuWindow>& menuWindows() {
    static const std::vector<MenuWindow> rows = {
        {cmd::kNewButterfly, &steckbrief_schmetterling_neu::staticMetaObject,
         "Characteristics of a new butterfly species", false},
        {cmd::kNewHabitat, &steckbrief_lebensraum_neu::staticMetaObject, "Characteristics of a new habitat", true},
        {cmd::kLoadButterfly, &steckbrief_laden::staticMetaObject, "Butterfly", false},
        {cmd::kLoadHabitat, &steckbrief_laden::staticMetaObject, "Habitat", false},
        {cmd::kGrasslandEditor, &gruenlanddialog::staticMetaObject, "Grassland input", false},
        {cmd::kGrasslandLoad, &gruenlandladen::staticMetaObject, "Grassland type", false},
        {cmd::kBudgetEffectCurve, &BudgetEffectCurveWindow::staticMetaObject, "Budget-effect curve", false},
    };
    return rows;
}

class WindowRegistryTest : public testing::DatabaseTest {
protected:
    WindowRegistryTest() { keep_tables_between_tests_ = true; }
    static void SetUpTestSuite() {
        testing::offscreen_application("ui_window_registry");
        DatabaseTest::SetUpTestSuite();
    }
    void SetUp() override {
        DatabaseTest::SetUp();
        if (schema().count("country") == 0) testing::load_demo_database(schema());
        ASSERT_TRUE(dir_.isValid());
    }

    // The program as main() starts it.
    CMainFrame* startProgram() {
        app_ = std::make_unique<CPravelApp>(dir_.filePath("settings.ini"));
        if (!app_->initInstance({}, false)) return nullptr;
        register_windows(*app_->mainFrame());
        messages().clear();
        return app_->mainFrame();
    }
    // The windows of the main window that `act` opens.
    template <class F>
    QList<QWidget*> windowsOpenedBy(CMainFrame* frame, F act) {
        auto current = [frame] {
            const auto list = frame->findChildren<QDialog*>(Qt::FindDirectChildrenOnly);
            return QSet<QDialog*>(list.begin(), list.end());
        };
        const QSet<QDialog*> before = current();
        act();
        QList<QWidget*> opened;
        for (QDialog* d : current())
            if (!before.contains(d) && d->isVisible()) opened.push_back(d);
        return opened;
    }

    QTemporaryDir dir_;
    std::unique_ptr<CPravelApp> app_;
};

TEST_F(WindowRegistryTest, EachStartWindowButtonAndItsMenuEntryOpenTheSameWindow) {
    CMainFrame* frame = startProgram();
    ASSERT_NE(frame, nullptr);
    startfenster* start = frame->startWindows().front();
    for (const ButtonWindow& row : buttonWindows()) {
        SCOPED_TRACE(row.window->className());
        QPushButton* button = start->button(row.button);
        ASSERT_NE(button, nullptr);
        QAction* entry = frame->action(row.command);
        ASSERT_NE(entry, nullptr);
        const auto byButton = windowsOpenedBy(frame, [button] { button->click(); });
        const auto byMenu = windowsOpenedBy(frame, [entry] { entry->trigger(); });
        ASSERT_EQ(byButton.size(), 1);
        ASSERT_EQ(byMenu.size(), 1);
        for (QWidget* w : {byButton.front(), byMenu.front()}) {
            EXPECT_STREQ(w->metaObject()->className(), row.window->className());
            EXPECT_FALSE(w->isModal());
        }
        // Two of a kind live side by side.
        EXPECT_NE(byButton.front(), byMenu.front());
        byButton.front()->close();
        byMenu.front()->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    EXPECT_TRUE(messages().texts().empty());
}

TEST_F(WindowRegistryTest, EachCharacteristicsEntryWithoutAButtonOpensItsWindow) {
    CMainFrame* frame = startProgram();
    ASSERT_NE(frame, nullptr);
    for (const MenuWindow& row : menuWindows()) {
        SCOPED_TRACE(row.title);
        QAction* entry = frame->action(row.command);
        ASSERT_NE(entry, nullptr);
        const auto opened = windowsOpenedBy(frame, [entry] { entry->trigger(); });
        ASSERT_EQ(opened.size(), 1);
        QWidget* w = opened.front();
        EXPECT_STREQ(w->metaObject()->className(), row.window->className());
        EXPECT_EQ(w->windowTitle(), row.title);
        EXPECT_EQ(w->isModal(), row.modal);
        w->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    EXPECT_TRUE(messages().texts().empty());
}

TEST_F(WindowRegistryTest, StartUpWithTheRegisteredWindowsConnectsToNoDatabase) {
    // A configuration that cannot exist: any connection at start would fail
    // and say so.
    const std::string previous = database_config_path();
    set_database_config_path(dir_.filePath("no_such_db_config.txt").toStdString());
    CMainFrame* frame = startProgram();
    set_database_config_path(previous);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->documentWindows().size(), 1);
    EXPECT_EQ(frame->startWindows().size(), 1);
    EXPECT_TRUE(messages().texts().empty());
    frame->action(cmd::kNewStartWindow)->trigger();
    EXPECT_EQ(frame->startWindows().size(), 2);
}

TEST_F(WindowRegistryTest, TheResultMapOfAnAnalysisWindowKeepsTheMenusInStep) {
    CMainFrame* frame = startProgram();
    ASSERT_NE(frame, nullptr);
    const auto opened = windowsOpenedBy(frame, [frame] { frame->onCommand(cmd::kMeasureSimulation); });
    ASSERT_EQ(opened.size(), 1);
    auto* window = qobject_cast<massnahmen_wirksamkeit*>(opened.front());
    ASSERT_NE(window, nullptr);
    using W = massnahmen_wirksamkeit;
    window->control<QLineEdit>(W::kFactorLabel)->setText("1");
    window->control<QLineEdit>(W::kTransactionLabel)->setText("10");
    window->control<QPushButton>("Only mowing")->click();
    QListWidget* dutch = window->control<QListWidget>("Dutch name");
    dutch->setCurrentItem(dutch->findItems("Grutto", Qt::MatchExactly).value(0));
    window->control<QLineEdit>(W::kQualityLabel)->setText("0");
    window->control<QPushButton>("Copy values")->click();
    window->control<QRadioButton>("time independent")->setChecked(true);
    QListWidget* region = window->control<QListWidget>("Region");
    region->setCurrentItem(region->findItems("Moorwiesen test area", Qt::MatchExactly).value(0));
    window->control<QPushButton>("Run simulation")->click();
    ASSERT_NE(window->lastRun(), nullptr);

    // The first document window closed: the map will be the only one.
    QAction* close = frame->action(cmd::kFileClose);
    QAction* saveImage = frame->action(cmd::kSaveImage);
    frame->documentWindows().front()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_TRUE(frame->documentWindows().isEmpty());
    EXPECT_FALSE(close->isVisible());
    EXPECT_FALSE(saveImage->isVisible());

    // Visualize opens the map on a new document and the image can be saved.
    window->control<QPushButton>("Visualize")->click();
    ASSERT_NE(qobject_cast<visdireckt*>(window->lastMap()), nullptr);
    ASSERT_EQ(frame->documentWindows().size(), 2);
    EXPECT_EQ(frame->mdiArea()->activeSubWindow()->widget(), window->lastMap());
    EXPECT_TRUE(close->isVisible());
    EXPECT_TRUE(saveImage->isVisible());
    EXPECT_TRUE(saveImage->isEnabled());

    // Back on the plain document, no image to save; with the map closed too
    // the menus lose Close and save image.
    CChildFrame* document = frame->documentWindows().front();
    CChildFrame* map = frame->documentWindows().back();
    frame->mdiArea()->setActiveSubWindow(document);
    EXPECT_FALSE(saveImage->isEnabled());
    document->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_EQ(frame->documentWindows().size(), 1);
    frame->mdiArea()->setActiveSubWindow(map);
    EXPECT_TRUE(saveImage->isEnabled());
    map->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(frame->documentWindows().isEmpty());
    EXPECT_FALSE(close->isVisible());
    EXPECT_FALSE(saveImage->isVisible());
    window->close();
}

}  // namespace
}  // namespace pravel
