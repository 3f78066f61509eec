#pragma once
// The one QApplication of a window test program, on the offscreen platform
// unless another is set. It is left alive to the end of the process: its
// destruction at exit would run after the platform's input devices are gone.
#include <QApplication>

namespace pravel::testing {

inline QApplication& offscreen_application(const char* program) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static QByteArray name(program);
    static char* argv[] = {name.data(), nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

}  // namespace pravel::testing
