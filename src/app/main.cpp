// The desktop program: the application object runs start-up and the event
// loop runs until the main window is closed. No database connection is made
// here; the first command that needs data opens one.
#include <QApplication>

#include "ui/map_views.h"
#include "ui/massnahmen_wirksamkeit.h"
#include "ui/optimierung.h"
#include "ui/qualoptimierung.h"
#include "ui/shell.h"
#include "ui/zahlungssimulierung.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(pravel::CPravelApp::kTitle);
    pravel::CPravelApp pravel;
    if (!pravel.initInstance(QApplication::arguments().mid(1))) return 1;
    // "Map" opens the configuration map of the stored runs on the active document.
    pravel.mainFrame()->setMapViewFactory([](std::shared_ptr<pravel::CPravelDoc>) -> QWidget* {
        return new pravel::Cvisualisierung();
    });
    pravel.mainFrame()->registerWindow(pravel::cmd::kMeasureSimulation, [](pravel::CMainFrame& frame) -> QWidget* {
        return new pravel::massnahmen_wirksamkeit(&frame);
    });
    pravel.mainFrame()->registerWindow(pravel::cmd::kProgrammeSimulation, [](pravel::CMainFrame& frame) -> QWidget* {
        return new pravel::zahlungssimulierung(&frame);
    });
    pravel.mainFrame()->registerWindow(pravel::cmd::kBudgetMinimisation, [](pravel::CMainFrame& frame) -> QWidget* {
        return new pravel::optimierung(&frame);
    });
    pravel.mainFrame()->registerWindow(pravel::cmd::kGoalMaximisation, [](pravel::CMainFrame& frame) -> QWidget* {
        return new pravel::qualoptimierung(&frame);
    });
    return app.exec();
}
