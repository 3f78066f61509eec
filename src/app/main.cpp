// The desktop program: the application object runs start-up and the event
// loop runs until the main window is closed. No database connection is made
// here; the first command that needs data opens one.
#include <QApplication>

#include "ui/shell.h"
#include "ui/window_registry.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(pravel::CPravelApp::kTitle);
    pravel::CPravelApp pravel;
    if (!pravel.initInstance(QApplication::arguments().mid(1))) return 1;
    pravel::register_windows(*pravel.mainFrame());
    return app.exec();
}
