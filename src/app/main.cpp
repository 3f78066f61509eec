// The desktop program. The windows arrive with the application shell; until
// then it opens an empty main window and says so.
#include <QApplication>
#include <QLabel>
#include <QMainWindow>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle("Pravel-Tormin");
    auto* label = new QLabel("The analysis windows are not built yet.", &window);
    label->setAlignment(Qt::AlignCenter);
    window.setCentralWidget(label);
    window.resize(800, 600);
    window.show();
    return app.exec();
}
