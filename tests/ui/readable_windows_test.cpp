// The windows as a user first sees them, offscreen on a screen of a common
// desktop size: the analysis windows' result lists are readable at the
// opening size and take the room the window gains, no caption or label is
// cut, the editors open without wrapped labels or content beyond the right
// edge, and the Window menu finds every open map again.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QProgressDialog>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSet>
#include <QTemporaryDir>

#include <memory>
#include <string>
#include <vector>

#include "support/demo_schema.h"
#include "support/offscreen_application.h"
#include "support/test_database.h"
#include "ui/map_views.h"
#include "ui/measure_cascade.h"
#include "ui/profile_editor_frame.h"
#include "ui/progress_dialog.h"
#include "ui/shell.h"
#include "ui/window_registry.h"

namespace pravel {
namespace {

// A screen of 1920 x 1080 pixels at 96 dpi, the most common desktop
// monitor; the offscreen platform's own is 800 x 600.
constexpr int kScreenWidth = 1920;
constexpr int kScreenHeight = 1080;

QApplication& application() {
    static QTemporaryDir dir;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        const QString path = QDir(dir.path()).filePath("screen.json");
        QFile file(path);
        if (file.open(QIODevice::WriteOnly)) {
            file.write(QString(R"({"screens": [{"name": "desktop", "x": 0, "y": 0, "width": %1, "height": %2,
                                  "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})")
                           .arg(kScreenWidth)
                           .arg(kScreenHeight)
                           .toUtf8());
            file.close();
        }
        qputenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + path).toUtf8());
    }
    return testing::offscreen_application("ui_readable_windows");
}

void settle() {
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

// Every label and button of `window` that is shown gets at least the size it
// asks for, so none of their texts is cut.
void expect_no_text_cut(const QWidget* window) {
    for (const QLabel* l : window->findChildren<QLabel*>()) {
        if (!l->isVisibleTo(window) || l->text().isEmpty()) continue;
        const QSize wanted = l->sizeHint();
        EXPECT_GE(l->width(), wanted.width()) << l->text().toStdString();
        EXPECT_GE(l->height(), wanted.height()) << l->text().toStdString();
        EXPECT_FALSE(l->wordWrap()) << l->text().toStdString();
    }
    for (const QAbstractButton* b : window->findChildren<QAbstractButton*>()) {
        if (!b->isVisibleTo(window) || b->text().isEmpty()) continue;
        EXPECT_GE(b->width(), b->sizeHint().width()) << b->text().toStdString();
    }
    for (const QGroupBox* g : window->findChildren<QGroupBox*>()) {
        if (!g->isVisibleTo(window)) continue;
        EXPECT_GE(g->width(), g->minimumSizeHint().width()) << g->title().toStdString();
    }
}

// Fills `list` with `lines` entries of `columns` digits and tells whether all
// of them show whole, without scrolling either way.
bool shows_whole(QListWidget* list, int columns, int lines) {
    list->clear();
    for (int i = 0; i < lines; ++i) list->addItem(QString(columns, QLatin1Char('0' + i % 10)));
    settle();
    const bool whole = list->horizontalScrollBar()->maximum() == 0 && list->verticalScrollBar()->maximum() == 0;
    list->clear();
    return whole;
}

class ReadableWindowsTest : public testing::DatabaseTest {
protected:
    ReadableWindowsTest() { keep_tables_between_tests_ = true; }
    static void SetUpTestSuite() {
        application();
        DatabaseTest::SetUpTestSuite();
    }
    void SetUp() override {
        DatabaseTest::SetUp();
        if (schema().count("country") == 0) testing::load_demo_database(schema());
        ASSERT_TRUE(dir_.isValid());
        app_ = std::make_unique<CPravelApp>(dir_.filePath("settings.ini"));
        ASSERT_TRUE(app_->initInstance({}, false));
        frame_ = app_->mainFrame();
        register_windows(*frame_);
        frame_->setGeometry(QGuiApplication::primaryScreen()->availableGeometry());
        for (startfenster* s : frame_->startWindows()) s->close();
        settle();
        messages().clear();
    }
    void TearDown() override {
        app_.reset();
        DatabaseTest::TearDown();
    }

    // The one window `command` opens, as its menu entry opens it.
    QDialog* open(int command) {
        const auto list = frame_->findChildren<QDialog*>(Qt::FindDirectChildrenOnly);
        const QSet<QDialog*> before(list.begin(), list.end());
        frame_->onCommand(command);
        settle();
        for (QDialog* d : frame_->findChildren<QDialog*>(Qt::FindDirectChildrenOnly))
            if (!before.contains(d) && d->isVisible()) return d;
        return nullptr;
    }

    QTemporaryDir dir_;
    std::unique_ptr<CPravelApp> app_;
    CMainFrame* frame_ = nullptr;
};

struct AnalysisWindow {
    int command;
    const char* title;
    // The lists that show the results, with the lines each shows at least.
    std::vector<std::pair<const char*, int>> results;
};

const std::vector<AnalysisWindow>& analysisWindows() {
    static const std::vector<AnalysisWindow> rows = {
        {cmd::kMeasureSimulation, "effectiveness", {{"Result", 12}}},
        {cmd::kProgrammeSimulation, "programme", {{"Result", 12}}},
        {cmd::kBudgetMinimisation,
         "budget minimisation",
         {{"Payment (Euro/ha) and areas (ha) per measure after optimization", 12},
          {"Effective area (ha) of  species after optimization", 6}}},
        {cmd::kGoalMaximisation,
         "goal maximisation",
         {{"Payment (Euro/ha) and areas (ha) per measure after optimization", 12},
          {"Effective area (ha) of  species after optimization", 6}}},
    };
    return rows;
}

TEST_F(ReadableWindowsTest, AnalysisWindowsOpenWithReadableResultsAndNothingCut) {
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    for (const AnalysisWindow& row : analysisWindows()) {
        SCOPED_TRACE(row.title);
        QDialog* w = open(row.command);
        ASSERT_NE(w, nullptr);
        EXPECT_LE(w->width(), screen.width());
        EXPECT_LE(w->height(), screen.height());
        // The window system shows the caption whole.
        EXPECT_GE(w->width(), caption_width(w, w->windowTitle()));
        for (const auto& [name, lines] : row.results) {
            SCOPED_TRACE(name);
            auto* list = w->findChild<QListWidget*>(name);
            ASSERT_NE(list, nullptr);
            EXPECT_TRUE(shows_whole(list, 80, lines));
            // A line longer than the list is wide does need scrolling: the
            // check above can fail.
            EXPECT_FALSE(shows_whole(list, 400, 1));
        }
        expect_no_text_cut(w);
        w->close();
        settle();
    }
}

TEST_F(ReadableWindowsTest, TheRoomAWindowGainsGoesToResultsAndSpeciesNotToTheCascade) {
    for (const AnalysisWindow& row : analysisWindows()) {
        SCOPED_TRACE(row.title);
        QDialog* w = open(row.command);
        ASSERT_NE(w, nullptr);
        auto* result = w->findChild<QListWidget*>(row.results.front().first);
        auto* dutch = w->findChild<QListWidget*>("Dutch name");
        auto* saved = w->findChild<QListWidget*>("Saved on");
        auto* cascade = w->findChild<MeasureCascade*>();
        ASSERT_TRUE(result && dutch && saved && cascade);
        const QSize resultBefore = result->size();
        const int dutchBefore = dutch->height();
        const int savedBefore = saved->height();
        std::vector<int> cascadeBefore;
        for (int step = 0; step < kCascadeStepCount; ++step) cascadeBefore.push_back(cascade->list(step)->width());

        w->resize(w->size() + QSize(300, 200));
        settle();
        EXPECT_GE(result->width(), resultBefore.width() + 250);
        EXPECT_GT(result->height(), resultBefore.height() + 50);
        EXPECT_GT(dutch->height(), dutchBefore);
        EXPECT_GT(saved->height(), savedBefore);
        for (int step = 0; step < kCascadeStepCount; ++step)
            EXPECT_EQ(cascade->list(step)->width(), cascadeBefore[step]) << "step " << step;
        w->close();
        settle();
    }
}

TEST_F(ReadableWindowsTest, ProgressDialogShowsItsCaptionWhole) {
    QDialog* w = open(cmd::kMeasureSimulation);
    ASSERT_NE(w, nullptr);
    RunProgress progress(w, w->windowTitle(), "Evaluating ...", evaluation_progress_text);
    settle();
    const int needed = caption_width(&progress.dialog(), w->windowTitle());
    EXPECT_GE(progress.dialog().width(), needed);
    // The caption really is wider than the dialog would be on its own.
    EXPECT_GT(needed, progress.dialog().sizeHint().width());
}

TEST_F(ReadableWindowsTest, EditorsOpenWithNoLabelWrappedOrCutAndNothingBeyondTheRightEdge) {
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const struct {
        int command;
        const char* name;
    } editors[] = {{cmd::kNewBird, "bird"},
                   {cmd::kNewButterfly, "butterfly"},
                   {cmd::kNewHabitat, "habitat"},
                   {cmd::kGrasslandEditor, "grassland type"}};
    for (const auto& e : editors) {
        SCOPED_TRACE(e.name);
        auto* editor = qobject_cast<ProfileEditorFrame*>(open(e.command));
        ASSERT_NE(editor, nullptr);
        EXPECT_LE(editor->width(), screen.width());
        EXPECT_LE(editor->height(), screen.height());
        // Far wider than the 526 pixels the default sizing gives.
        EXPECT_GT(editor->width(), 700);
        QScrollArea* scroll = editor->scrollArea();
        EXPECT_EQ(scroll->horizontalScrollBar()->maximum(), 0);
        expect_no_text_cut(editor);
        const QRect visible = scroll->viewport()->rect();
        for (const QLabel* l : editor->content()->findChildren<QLabel*>()) {
            if (!l->isVisibleTo(editor)) continue;
            const QRect at(l->mapTo(scroll->viewport(), QPoint(0, 0)), l->size());
            EXPECT_LE(at.right(), visible.right()) << l->text().toStdString();
        }
        editor->close();
        settle();
    }
}

// Every button, check box and option of an analysis window shown by the
// program can be reached with Alt and a letter of its own.
TEST_F(ReadableWindowsTest, EveryButtonOfAnAnalysisWindowHasAMnemonicOfItsOwn) {
    std::vector<std::pair<int, const char*>> windows;
    for (const AnalysisWindow& row : analysisWindows()) windows.push_back({row.command, row.title});
    windows.push_back({cmd::kBudgetEffectCurve, "budget-effect curve"});
    for (const auto& [command, title] : windows) {
        SCOPED_TRACE(title);
        QDialog* w = open(command);
        ASSERT_NE(w, nullptr);
        QSet<QChar> letters;
        for (const QAbstractButton* b : w->findChildren<QAbstractButton*>()) {
            if (!b->isVisibleTo(w) || b->text().isEmpty() || b->inherits("QToolButton")) continue;
            const QString text = b->text();
            const int mark = text.indexOf('&');
            ASSERT_TRUE(mark >= 0 && mark + 1 < text.size()) << text.toStdString();
            const QChar letter = text[mark + 1].toLower();
            EXPECT_FALSE(letters.contains(letter)) << text.toStdString();
            letters.insert(letter);
            // The mark changes nothing of what the control is called.
            EXPECT_EQ(QString(text).remove('&'), b->objectName().isEmpty() ? QString(text).remove('&') : b->objectName())
                << text.toStdString();
        }
        EXPECT_GT(letters.size(), 2);
        expect_no_text_cut(w);
        w->close();
        settle();
    }
}

// "Visualize" puts the result map beside its analysis window, in front of
// the other document windows, rather than under the window.
TEST_F(ReadableWindowsTest, VisualizePutsTheMapBesideItsAnalysisWindow) {
    for (const AnalysisWindow& row : analysisWindows()) {
        SCOPED_TRACE(row.title);
        QDialog* window = open(row.command);
        ASSERT_NE(window, nullptr);
        auto* visualize = window->findChild<QAbstractButton*>("Visualize");
        ASSERT_NE(visualize, nullptr);
        visualize->setEnabled(true);
        visualize->click();
        settle();
        QMdiSubWindow* map = frame_->mdiArea()->activeSubWindow();
        ASSERT_NE(map, nullptr);
        ASSERT_NE(qobject_cast<MapView*>(map->widget()), nullptr);
        EXPECT_FALSE(map->isMaximized());
        // The map starts on the free side of the window (the map keeps its
        // own least width, so it may reach under the window's edge).
        const QRect mapOnScreen(map->mapToGlobal(QPoint(0, 0)), map->size());
        const QRect win = window->frameGeometry();
        EXPECT_TRUE(mapOnScreen.left() < win.left() || mapOnScreen.left() > win.right())
            << "map " << mapOnScreen.x() << "+" << mapOnScreen.width() << ", window " << win.x() << "+" << win.width();
        EXPECT_GE(mapOnScreen.width(), std::min(400, frame_->mdiArea()->width() / 2) - 1);
        map->close();
        window->close();
        settle();
    }
}

TEST_F(ReadableWindowsTest, WindowMenuListsEveryWindowAndArrangesTheMapsUsably) {
    QMenu* menu = frame_->windowMenu();
    ASSERT_NE(menu, nullptr);
    QAction* cascade = frame_->action(cmd::kWindowCascade);
    QAction* tile = frame_->action(cmd::kWindowTile);
    ASSERT_TRUE(cascade && tile);
    EXPECT_EQ(cascade->text(), "Cascade");
    EXPECT_EQ(tile->text(), "Tile");
    EXPECT_TRUE(menu->actions().contains(cascade));
    EXPECT_TRUE(menu->actions().contains(tile));

    // The empty document window, two maps opened by the Map command and an
    // analysis window.
    frame_->onCommand(cmd::kMap);
    frame_->onCommand(cmd::kMap);
    QDialog* analysis = open(cmd::kMeasureSimulation);
    ASSERT_NE(analysis, nullptr);
    settle();
    const QList<QMdiSubWindow*> windows = frame_->mdiArea()->subWindowList();
    ASSERT_EQ(windows.size(), 3);
    // A map window has its minimise, maximise and close boxes.
    for (int i = 1; i < 3; ++i) {
        const Qt::WindowFlags flags = windows[i]->windowFlags();
        EXPECT_TRUE(flags.testFlag(Qt::WindowMinimizeButtonHint)) << i;
        EXPECT_TRUE(flags.testFlag(Qt::WindowMaximizeButtonHint)) << i;
        EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint)) << i;
    }
    emit menu->aboutToShow();
    QList<QAction*> entries = frame_->windowEntries();
    ASSERT_EQ(entries.size(), 4) << "three document windows and the analysis window";
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(menu->actions().contains(entries[i]));
        EXPECT_TRUE(entries[i]->text().endsWith(windows[i]->windowTitle())) << entries[i]->text().toStdString();
        EXPECT_EQ(entries[i]->isChecked(), windows[i] == frame_->mdiArea()->activeSubWindow());
    }
    EXPECT_TRUE(entries[3]->text().endsWith(analysis->windowTitle())) << entries[3]->text().toStdString();

    // Choosing an entry brings its window to the front.
    entries[0]->trigger();
    settle();
    EXPECT_EQ(frame_->mdiArea()->activeSubWindow(), windows[0]);
    emit menu->aboutToShow();
    EXPECT_TRUE(frame_->windowEntries()[0]->isChecked());
    analysis->close();
    settle();

    // Tile lays the two maps side by side over the whole area, the empty
    // document left behind them; each map is half the area wide and folds
    // its panel away.
    const QRect area = frame_->mdiArea()->viewport()->rect();
    tile->trigger();
    settle();
    EXPECT_FALSE(windows[1]->geometry().intersects(windows[2]->geometry()));
    for (int i = 1; i < 3; ++i) {
        EXPECT_GE(windows[i]->width(), area.width() / 2 - 1) << i;
        EXPECT_EQ(windows[i]->height(), area.height()) << i;
        auto* map = qobject_cast<MapView*>(windows[i]->widget());
        ASSERT_NE(map, nullptr);
        EXPECT_EQ(map->panelCollapsed(), windows[i]->width() < 3 * kPanelWidth);
    }
    // Cascade keeps each map at three quarters of the area at least, one
    // caption below and right of the other, panels shown again.
    cascade->trigger();
    settle();
    EXPECT_GT(windows[2]->x(), windows[1]->x());
    EXPECT_GT(windows[2]->y(), windows[1]->y());
    for (int i = 1; i < 3; ++i) {
        EXPECT_GE(windows[i]->width(), area.width() * 3 / 4) << i;
        EXPECT_GE(windows[i]->height(), area.height() * 3 / 4) << i;
        EXPECT_FALSE(qobject_cast<MapView*>(windows[i]->widget())->panelCollapsed());
    }

    // A closed map leaves the menu.
    windows[1]->close();
    settle();
    emit menu->aboutToShow();
    entries = frame_->windowEntries();
    ASSERT_EQ(entries.size(), 2);
    EXPECT_TRUE(entries[0]->text().endsWith(windows[0]->windowTitle()));
    EXPECT_TRUE(entries[1]->text().endsWith(windows[2]->windowTitle()));
}

}  // namespace
}  // namespace pravel
