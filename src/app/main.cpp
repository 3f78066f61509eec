// The desktop program: the application object runs start-up and the event
// loop runs until the main window is closed. No database connection is made
// here; the first command that needs data opens one.
#include <QApplication>

#include "ui/map_views.h"
#include "ui/shell.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(pravel::CPravelApp::kTitle);
    pravel::CPravelApp pravel;
    if (!pravel.initInstance(QApplication::arguments().mid(1))) return 1;
    // "Map" opens the configuration map of the stored runs on the active document.
    pravel.mainFrame()->setMapViewFactory([](std::shared_ptr<pravel::CPravelDoc>) -> QWidget* {
        return new pravel::Cvisualisierung();
    });
    return app.exec();
}
