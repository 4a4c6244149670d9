#pragma once

// The application object that view tests draw in (fonts, palettes, windows). Header only: the
// support library itself does not link Qt.

#include <QApplication>

namespace corvale::test {

inline QApplication& guiApp() {
    static int argc = 1;
    static char name[] = "corvale_ui_tests";
    static char* argv[] = {name, nullptr};
    // Never destroyed: at exit, static widgets and Qt's own devices would go after it and crash.
    static auto* app = new QApplication(argc, argv);
    return *app;
}

} // namespace corvale::test
