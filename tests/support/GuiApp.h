#pragma once

// The application object that view tests draw in (fonts, palettes, windows), and the lookup of
// a view's controls by name. Header only: the support library itself does not link Qt.

#include <QApplication>
#include <gtest/gtest.h>

namespace corvale::test {

inline QApplication& guiApp() {
    static int argc = 1;
    static char name[] = "corvale_ui_tests";
    static char* argv[] = {name, nullptr};
    // Never destroyed: at exit, static widgets and Qt's own devices would go after it and crash.
    static auto* app = new QApplication(argc, argv);
    return *app;
}

template <typename T> T* child(const QObject& parent, const QString& name) {
    auto* found = parent.findChild<T*>(name);
    EXPECT_NE(found, nullptr) << name.toStdString();
    return found;
}

} // namespace corvale::test
