#pragma once

// The one widgets application of a view-test binary, created by the first test that needs it.
// Header only: the support library itself does not link Qt.

#include <QApplication>

namespace corvale::test {

inline QApplication& widgetsApp() {
    if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance())) {
        return *app;
    }
    static int argc = 1;
    static char name[] = "corvale_ui_tests";
    static char* argv[] = {name, nullptr};
    static auto* app = new QApplication(argc, argv);
    return *app;
}

} // namespace corvale::test
