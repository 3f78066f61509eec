// Takes screenshots of the desktop program on the demo database: the main
// window with its start window, each analysis window at its opening size after
// a run on the large demo area, a progress dialog, the result map, the bird and
// grassland editors showing stored profiles, the new butterfly and habitat
// editors, and the Window menu over tiled maps. It drives the windows
// through their labelled controls as a user would and saves one PNG per shot.
//
//   pravel-screenshots [--out DIR] [--db-config FILE] [--only TEXT[,TEXT...]]
//
// Meant to run under a virtual X display (scripts/screenshots). A new shot is
// one more row of the table at the end of this file.
#include <QAbstractButton>
#include <QComboBox>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QPixmap>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <functional>
#include <iostream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/notifier.h"
#include "store/database_access.h"
#include "ui/budget_effect_curve_window.h"
#include "ui/map_views.h"
#include "ui/massnahmen_wirksamkeit.h"
#include "ui/gruenlanddialog.h"
#include "ui/gruenlandladen.h"
#include "ui/measure_cascade.h"
#include "ui/optimierung.h"
#include "ui/qualoptimierung.h"
#include "ui/savename.h"
#include "ui/shell.h"
#include "ui/steckbrief_laden.h"
#include "ui/steckbrief_lebensraum_neu.h"
#include "ui/steckbrief_schmetterling_neu.h"
#include "ui/steckbrief_vogel_neu.h"
#include "ui/window_registry.h"
#include "ui/zahlungssimulierung.h"
#include "window_driver/analysis_scenarios.h"

namespace pravel::screenshots {
namespace {

using namespace pravel::driving;

// Where the windows of the pictures stand; each keeps the size it opens at.
const QPoint kWindowPlace(10, 10);

// Lets the windows lay out and paint, and the display server answer with the
// exposures of what moved, so that no stale pixels stay on the screen.
void settle() {
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 300) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(10);
    }
}

// The program as main() starts it, and what the shots share.
class Session {
public:
    explicit Session(QString outDir) : outDir_(std::move(outDir)) {
        app_ = std::make_unique<CPravelApp>(settingsDir_.filePath("settings.ini"));
        if (!app_->initInstance({}, false)) throw DriveError("the program did not start");
        register_windows(*app_->mainFrame());
        // Without a window manager "maximised" does not take: the main window
        // is given the whole screen.
        frame().setGeometry(QGuiApplication::primaryScreen()->geometry());
        settle();
    }
    CMainFrame& frame() { return *app_->mainFrame(); }
    const QString& outDir() const { return outDir_; }

    // Opens the window of `command` as the menu does, at its opening size.
    template <class W>
    W* open(int command) {
        const auto before = frame().findChildren<W*>(Qt::FindDirectChildrenOnly);
        frame().onCommand(command);
        for (W* w : frame().findChildren<W*>(Qt::FindDirectChildrenOnly)) {
            if (before.contains(w)) continue;
            w->move(kWindowPlace);
            w->raise();
            w->activateWindow();
            settle();
            return w;
        }
        throw DriveError("command " + std::to_string(command) + " opened no window");
    }
    // Closes every analysis window, so that the next shot starts clean.
    void closeDialogs() {
        for (QDialog* d : frame().findChildren<QDialog*>(Qt::FindDirectChildrenOnly))
            if (!qobject_cast<startfenster*>(d)) d->close();
        settle();
    }
    // An extra picture taken during a shot.
    void saveExtra(const QString& file, const QPixmap& picture) const {
        if (!picture.save(QDir(outDir_).filePath(file))) throw DriveError("cannot write " + file.toStdString());
        std::cout << "screenshots: " << file.toStdString() << "\n";
    }

private:
    QString outDir_;
    QTemporaryDir settingsDir_;
    std::unique_ptr<CPravelApp> app_;
};

QPixmap wholeScreen() {
    settle();
    return QGuiApplication::primaryScreen()->grabWindow(0);
}

QPixmap grabWindow(QWidget* w) {
    settle();
    return w->grab();
}

// Cancels a search through its progress dialog once it has searched for
// `seconds`, as a user who has seen enough would; the window then shows the
// best solution found so far.
ProgressObserver cancelSearchAfter(int seconds) {
    auto clock = std::make_shared<QElapsedTimer>();
    return [clock, seconds](QProgressDialog& d, const Feedback::Progress& p) {
        if (p.stage == "evaluation") return;
        if (!clock->isValid()) clock->start();
        if (clock->elapsed() >= seconds * 1000LL) d.cancel();
    };
}

// ---------------------------------------------------------------- the shots

QPixmap startWindow(Session& s) {
    startfenster* start = s.frame().startWindows().value(0);
    if (!start) throw DriveError("no start window");
    const QRect area = s.frame().geometry();
    start->adjustSize();
    start->move(area.center() - QPoint(start->width() / 2, start->height() / 2));
    start->raise();
    return wholeScreen();
}

QPixmap effectiveness(Session& s) {
    auto* w = s.open<massnahmen_wirksamkeit>(cmd::kMeasureSimulation);
    fillEffectiveness(w);
    click(w, "Run simulation");
    if (!w->lastRun()) throw DriveError("the effectiveness run gave no result");
    return grabWindow(w);
}

QPixmap effectivenessProgress(Session& s) {
    auto* w = s.open<massnahmen_wirksamkeit>(cmd::kMeasureSimulation);
    fillEffectiveness(w);
    // The dialog over its window half way through the pixels; then the run is
    // cancelled, which the window reports.
    QPixmap picture;
    w->setProgressObserver([&picture](QProgressDialog& d, const Feedback::Progress& p) {
        if (!picture.isNull() || p.total <= 0 || p.step * 2 < p.total) return;
        d.move(d.parentWidget()->geometry().center() - QPoint(d.width() / 2, d.height() / 2));
        picture = wholeScreen();
        d.cancel();
    });
    click(w, "Run simulation");
    if (picture.isNull()) throw DriveError("the progress dialog was not seen");
    return picture;
}

// The result map of an effectiveness run, maximised in the main window with
// its docked panel; the analysis and start windows step aside.
MapView* openResultMap(Session& s) {
    auto* w = s.open<massnahmen_wirksamkeit>(cmd::kMeasureSimulation);
    fillEffectiveness(w);
    click(w, "Run simulation");
    click(w, "Visualize");
    auto* map = qobject_cast<MapView*>(w->lastMap());
    if (!map) throw DriveError("Visualize opened no result map");
    w->hide();
    for (startfenster* start : s.frame().startWindows()) start->hide();
    if (QMdiSubWindow* child = s.frame().mdiArea()->activeSubWindow()) child->showMaximized();
    settle();
    return map;
}

QPixmap resultMap(Session& s) {
    openResultMap(s);
    return wholeScreen();
}

// Zoomed in on the middle of the result pixels, the cursor on one of them:
// the status bar names the cell.
QPixmap resultMapZoomed(Session& s) {
    MapView* map = openResultMap(s);
    const MapPicture& picture = map->scene().picture;
    const MapPicture::Cell* middle = nullptr;
    std::vector<const MapPicture::Cell*> results;
    for (const auto& cell : picture.cells())
        if (cell.part == MapCanvas::Part::Result) results.push_back(&cell);
    if (results.empty()) throw DriveError("the result map shows no result pixel");
    middle = results[results.size() / 2];
    const auto screen = [map](const MapPicture::Cell& c) {
        const MapViewport& v = map->mapViewport();
        return QPointF(v.screen_x(c.x + 0.5), v.screen_y(c.y + 0.5));
    };
    map->zoomBy(4, screen(*middle));
    settle();
    const QPoint at = screen(*middle).toPoint();
    QMouseEvent move(QEvent::MouseMove, QPointF(at), QPointF(map->viewport()->mapToGlobal(at)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(map->viewport(), &move);
    return wholeScreen();
}

QPixmap programme(Session& s) {
    using W = zahlungssimulierung;
    auto* w = s.open<W>(cmd::kProgrammeSimulation);
    fillProgramme(w);
    click(w, "Run simulation");
    if (!w->lastRun()) throw DriveError("the programme run gave no result");
    return grabWindow(w);
}

QPixmap budgetMinimisation(Session& s) {
    using W = optimierung;
    auto* w = s.open<W>(cmd::kBudgetMinimisation);
    fillOptimisation(w);
    // Targets above what the measures reach without payment, so that the
    // search has a budget to minimise.
    addOptimisationSpecies(w, W::kQualityLabel, W::kAreaLabel, "0.3", "150");
    w->setSeed(1);
    w->setProgressObserver(cancelSearchAfter(30));
    click(w, "Start optimization");
    if (!w->lastResult()) throw DriveError("the budget minimisation gave no result");
    return grabWindow(w);
}

QPixmap goalMaximisation(Session& s) {
    using W = qualoptimierung;
    auto* w = s.open<W>(cmd::kGoalMaximisation);
    fillOptimisation(w);
    type(w, W::kBudgetLabel, "60000");
    addOptimisationSpecies(w, W::kImportanceLabel, W::kQualityLabel, "60", "0.3");
    w->setSeed(1);
    w->setProgressObserver(cancelSearchAfter(10));
    click(w, "Start optimization");
    if (!w->lastResult()) throw DriveError("the goal maximisation gave no result");
    return grabWindow(w);
}

// A window the shot opened itself, placed for the picture at its opening size.
template <class W>
W* place(W* w) {
    if (!w) throw DriveError("no window to show");
    w->move(kWindowPlace);
    w->show();
    w->raise();
    w->activateWindow();
    settle();
    return w;
}

// The bird editor in view mode, showing the stored Grutto profile as "Load
// characteristics" fills it.
QPixmap birdEditor(Session& s) {
    auto* load = s.open<steckbrief_laden>(cmd::kLoadBird);
    auto* list = find<QListWidget>(load, kLoadListLabel);
    const auto found = list->findItems("/Grutto,", Qt::MatchContains);
    if (found.isEmpty()) throw DriveError("no stored Grutto profile");
    list->setCurrentItem(found.front());
    click(load, "OK");
    auto* editor = load->shownEditor();
    if (!editor) throw DriveError("the load dialog opened no editor");
    return grabWindow(place(editor));
}

// The grassland type editor showing the first stored grassland type.
QPixmap grasslandEditor(Session& s) {
    auto* load = s.open<gruenlandladen>(cmd::kGrasslandLoad);
    auto* list = find<QListWidget>(load, kLoadListName);
    if (list->count() == 0) throw DriveError("no stored grassland type");
    list->setCurrentRow(0);
    gruenlanddialog* editor = load->openChosen();
    return grabWindow(place(editor));
}

// A new butterfly and a new habitat profile, as their commands open them.
QPixmap butterflyEditor(Session& s) { return grabWindow(s.open<steckbrief_schmetterling_neu>(cmd::kNewButterfly)); }
QPixmap habitatEditor(Session& s) { return grabWindow(s.open<steckbrief_lebensraum_neu>(cmd::kNewHabitat)); }

// Two more result maps and the configuration map beside those the earlier
// shots opened, tiled, with the Window menu open over them.
QPixmap windowMenu(Session& s) {
    auto* w = s.open<massnahmen_wirksamkeit>(cmd::kMeasureSimulation);
    fillEffectiveness(w);
    click(w, "Run simulation");
    click(w, "Visualize");
    click(w, "Visualize");
    w->hide();
    for (startfenster* start : s.frame().startWindows()) start->hide();
    s.frame().onCommand(cmd::kMap);
    s.frame().onCommand(cmd::kWindowTile);
    settle();
    QMenu* menu = s.frame().windowMenu();
    QMenuBar* bar = s.frame().menuBar();
    const QRect entry = bar->actionGeometry(menu->menuAction());
    menu->popup(bar->mapToGlobal(entry.bottomLeft()));
    const QPixmap picture = wholeScreen();
    menu->hide();
    return picture;
}

// The last notice of the program, as its message box would show it.
class KeepingNotifier : public StderrNotifier {
public:
    KeepingNotifier() : StderrNotifier(true) {}
    void inform(const std::string& text) override {
        last_ = text;
        StderrNotifier::inform(text);
    }
    const std::string& last() const { return last_; }

private:
    std::string last_;
};
std::shared_ptr<KeepingNotifier>& keeping() {
    static auto n = std::make_shared<KeepingNotifier>();
    return n;
}

constexpr const char* kSmallArea = "Moorwiesen test area";

// Two breakpoint runs in a row on the small area, the second with a second
// species and another seed, both with targets that need payments: the
// lists, total and heading show the second.
QPixmap budgetTwoRuns(Session& s) {
    using W = optimierung;
    auto* w = s.open<W>(cmd::kBudgetMinimisation);
    fillOptimisation(w, kSmallArea, 3);
    choose(w, "Dutch name", "Grutto");
    type(w, W::kQualityLabel, "0.3");
    type(w, W::kAreaLabel, "12");
    click(w, "Copy values");
    w->setSeed(1);
    click(w, "Start optimization");
    choose(w, "Dutch name", "Tureluur");
    type(w, W::kQualityLabel, "0.3");
    type(w, W::kAreaLabel, "12");
    click(w, "Copy values");
    w->setSeed(2);
    click(w, "Start optimization");
    if (!w->lastResult()) throw DriveError("the budget minimisation gave no result");
    return grabWindow(w);
}

// The closing message of a budget minimisation whose target cannot be
// reached (Kievit, 150 ha, mowing only, time-dependent predation), as its
// box shows it over the window.
QPixmap budgetUnreachable(Session& s) {
    using W = optimierung;
    auto* w = s.open<W>(cmd::kBudgetMinimisation);
    fillOptimisation(w, kSmallArea, 3);
    find<QRadioButton>(w, "time dependent")->setChecked(true);
    choose(w, "Dutch name", "Kievit");
    type(w, W::kQualityLabel, "0.3");
    type(w, W::kAreaLabel, "150");
    click(w, "Copy values");
    w->setSeed(1);
    click(w, "Start optimization");
    if (!w->lastResult()) throw DriveError("the budget minimisation gave no result");
    QMessageBox box(QMessageBox::Information, CPravelApp::kTitle, QString::fromStdString(keeping()->last()),
                    QMessageBox::Ok, w);
    box.show();
    settle();
    box.move(w->geometry().center() - QPoint(box.width() / 2, box.height() / 2));
    const QPixmap picture = wholeScreen();
    box.close();
    return picture;
}

// The goal search's bound and the achieved weighted area under it.
QPixmap goalBound(Session& s) {
    using W = qualoptimierung;
    auto* w = s.open<W>(cmd::kGoalMaximisation);
    fillOptimisation(w, kSmallArea, 3);
    type(w, W::kBudgetLabel, "20000");
    addOptimisationSpecies(w, W::kImportanceLabel, W::kQualityLabel, "60", "0.3");
    w->setSeed(1);
    click(w, "Start optimization");
    if (!w->lastResult()) throw DriveError("the goal maximisation gave no result");
    return grabWindow(w);
}

// The programme window with its summary above the pixel lines.
QPixmap programmeSummary(Session& s) {
    using W = zahlungssimulierung;
    auto* w = s.open<W>(cmd::kProgrammeSimulation);
    fillProgramme(w, kSmallArea);
    click(w, "Run simulation");
    if (!w->lastRun()) throw DriveError("the programme run gave no result");
    return grabWindow(w);
}

// Two result maps tiled: the maps side by side with their panels collapsed,
// the empty document left out.
QPixmap windowTile(Session& s) {
    auto* w = s.open<massnahmen_wirksamkeit>(cmd::kMeasureSimulation);
    fillEffectiveness(w, kSmallArea);
    click(w, "Run simulation");
    click(w, "Visualize");
    click(w, "Visualize");
    w->hide();
    for (startfenster* start : s.frame().startWindows()) start->hide();
    s.frame().onCommand(cmd::kWindowTile);
    return wholeScreen();
}

// The configuration map of a stored budget minimisation with many measures:
// its column lists the measures that took part first, by ID, then the
// others under a heading, and scrolls.
QPixmap configurationLegend(Session& s) {
    using W = optimierung;
    auto* w = s.open<W>(cmd::kBudgetMinimisation);
    fillOptimisation(w, kSmallArea, 40);
    for (const char* species : {"Grutto", "Tureluur"}) {
        choose(w, "Dutch name", species);
        type(w, W::kQualityLabel, "0.3");
        type(w, W::kAreaLabel, "14");
        click(w, "Copy values");
    }
    w->setSeed(1);
    click(w, "Start optimization");
    if (!w->lastResult()) throw DriveError("the budget minimisation gave no result");
    w->setNameDialogRunner([](savename& d) {
        d.nameField()->setText("Grutto and Tureluur 14 ha, mowing");
        d.okButton()->click();
        return d.result();
    });
    click(w, "Save");
    w->hide();
    for (startfenster* start : s.frame().startWindows()) start->hide();
    for (QMdiSubWindow* sub : s.frame().mdiArea()->subWindowList())
        if (qobject_cast<MapView*>(sub->widget())) sub->close();
    settle();
    s.frame().onCommand(cmd::kMap);
    if (QMdiSubWindow* child = s.frame().mdiArea()->activeSubWindow()) child->showMaximized();
    return wholeScreen();
}

// The budget-effect curve on the small area with a point chosen in its
// table, stored as a named run.
QPixmap budgetEffectCurve(Session& s) {
    using W = BudgetEffectCurveWindow;
    auto* w = s.open<W>(cmd::kBudgetEffectCurve);
    fillOptimisation(w, kSmallArea, 3);
    addOptimisationSpecies(w, W::kImportanceLabel, W::kQualityLabel, "60", "0.3");
    type(w, W::kBudgetLabel, "30000");
    type(w, W::kFromLabel, "0");
    type(w, W::kToLabel, "30000");
    type(w, W::kPointsLabel, "7");
    w->setSeed(1);
    click(w, W::kDrawButton);
    if (w->curve().points.empty()) throw DriveError("the curve has no point");
    auto* table = find<QTableWidget>(w, W::kTableName);
    table->selectRow(3);
    w->setNameDialogRunner([](savename& d) {
        d.nameField()->setText("Curve point 15000 Euro");
        d.okButton()->click();
        return d.result();
    });
    click(w, W::kStorePoint);
    return grabWindow(w);
}

// A point of a curve with payments by zone (a 2x2 grid), stored and shown on
// the configuration map: the zone boundaries over the paid pixels, the cursor
// on one of them naming its zone in the status bar.
QPixmap curvePointZonesMap(Session& s) {
    using W = BudgetEffectCurveWindow;
    auto* w = s.open<W>(cmd::kBudgetEffectCurve);
    fillOptimisation(w, kSmallArea, 3);
    addOptimisationSpecies(w, W::kImportanceLabel, W::kQualityLabel, "60", "0.3");
    type(w, W::kFromLabel, "0");
    type(w, W::kToLabel, "30000");
    type(w, W::kPointsLabel, "7");
    find<QComboBox>(w, W::kZonesLabel)->setCurrentText(W::kGrid2);
    w->setSeed(1);
    click(w, W::kDrawButton);
    if (w->curve().points.size() < 4) throw DriveError("the curve has too few points");
    find<QTableWidget>(w, W::kTableName)->selectRow(3);
    w->setNameDialogRunner([](savename& d) {
        d.nameField()->setText("Curve point 15000 Euro, grid 2x2");
        d.okButton()->click();
        return d.result();
    });
    click(w, W::kStorePoint);
    click(w, W::kShowPoint);
    auto* map = qobject_cast<MapView*>(w->lastPointMap());
    if (!map) throw DriveError("the point opened no configuration map");
    w->hide();
    for (startfenster* start : s.frame().startWindows()) start->hide();
    if (QMdiSubWindow* child = s.frame().mdiArea()->activeSubWindow()) child->showMaximized();
    settle();
    const MapPicture::Cell* paid = nullptr;
    for (const auto& cell : map->scene().picture.cells())
        if (cell.part == MapCanvas::Part::Result) paid = &cell;
    if (!paid) throw DriveError("the map shows no paid pixel");
    const MapViewport& v = map->mapViewport();
    const QPoint at(static_cast<int>(v.screen_x(paid->x + 0.5)), static_cast<int>(v.screen_y(paid->y + 0.5)));
    QMouseEvent move(QEvent::MouseMove, QPointF(at), QPointF(map->viewport()->mapToGlobal(at)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(map->viewport(), &move);
    return wholeScreen();
}

// Help > "User guide".
QPixmap helpUserGuide(Session& s) {
    UserGuide* guide = s.frame().openUserGuide();
    guide->move(kWindowPlace);
    return grabWindow(guide);
}

struct Shot {
    const char* file;
    std::function<QPixmap(Session&)> take;
};

const std::vector<Shot>& shots() {
    static const std::vector<Shot> table = {
        {"01_main_window_with_start_window.png", startWindow},
        {"02_effectiveness_of_measures_ellerbach.png", effectiveness},
        {"03_effectiveness_progress_dialog.png", effectivenessProgress},
        {"04_result_map_ellerbach.png", resultMap},
        {"04b_result_map_zoomed_ellerbach.png", resultMapZoomed},
        {"05_programme_simulation_ellerbach.png", programme},
        {"06_budget_minimisation_ellerbach.png", budgetMinimisation},
        {"07_goal_maximisation_ellerbach.png", goalMaximisation},
        {"08_bird_editor_loaded_grutto.png", birdEditor},
        {"09_grassland_editor_loaded.png", grasslandEditor},
        {"10_butterfly_editor_new.png", butterflyEditor},
        {"11_habitat_editor_new.png", habitatEditor},
        {"12_window_menu_over_tiled_maps.png", windowMenu},
        {"budget_two_runs.png", budgetTwoRuns},
        {"budget_unreachable.png", budgetUnreachable},
        {"goal_bound.png", goalBound},
        {"programme_summary.png", programmeSummary},
        {"window_tile.png", windowTile},
        {"configuration_legend.png", configurationLegend},
        {"help_user_guide.png", helpUserGuide},
        {"budget_effect_curve.png", budgetEffectCurve},
        {"curve_point_zones_map.png", curvePointZonesMap},
    };
    return table;
}

}  // namespace
}  // namespace pravel::screenshots

int main(int argc, char** argv) {
    using namespace pravel;
    using namespace pravel::screenshots;
    QApplication app(argc, argv);
    QString out = "out/screenshots";
    QString only;
    const QStringList args = QApplication::arguments();
    for (int i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--out" && hasValue) {
            out = args[++i];
        } else if (a == "--db-config" && hasValue) {
            set_database_config_path(args[++i].toStdString());
        } else if (a == "--only" && hasValue) {
            only = args[++i];
        } else {
            std::cerr << "usage: pravel-screenshots [--out DIR] [--db-config FILE] [--only TEXT[,TEXT...]]\n";
            return 2;
        }
    }
    if (!QDir().mkpath(out)) {
        std::cerr << "screenshots: cannot make " << out.toStdString() << "\n";
        return 1;
    }
    // Messages go to the terminal; questions are answered yes.
    set_notifier(keeping());

    int failed = 0;
    int taken = 0;
    try {
        Session session(out);
        for (const Shot& shot : shots()) {
            if (!only.isEmpty()) {
                bool wanted = false;
                for (const QString& part : only.split(',', Qt::SkipEmptyParts)) wanted = wanted || QString(shot.file).contains(part);
                if (!wanted) continue;
            }
            try {
                const QPixmap picture = shot.take(session);
                session.saveExtra(shot.file, picture);
                ++taken;
            } catch (const DriveError& e) {
                std::cerr << "screenshots: " << shot.file << " not taken: " << e.what() << "\n";
                ++failed;
            }
            session.closeDialogs();
        }
    } catch (const DriveError& e) {
        std::cerr << "screenshots: " << e.what() << "\n";
        return 1;
    }
    std::cout << "screenshots: " << taken << " taken, " << failed << " failed, in " << out.toStdString() << "\n";
    return failed == 0 && taken > 0 ? 0 : 1;
}
