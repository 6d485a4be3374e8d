// Entry point of every test executable: a private settings folder and a
// headless platform before Qt reads either.
#pragma once

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>

#define TOQUEL_TEST_MAIN(TestClass)                                                                \
    int main(int argc, char **argv) {                                                              \
        QTemporaryDir settingsHome;                                                                \
        qputenv("XDG_CONFIG_HOME", settingsHome.path().toUtf8());                                  \
        qputenv("XDG_RUNTIME_DIR", settingsHome.path().toUtf8());                                  \
        qputenv("QT_QPA_PLATFORM", "offscreen");                                                   \
        QApplication app(argc, argv);                                                              \
        app.setAttribute(Qt::AA_Use96Dpi, true);                                                   \
        TestClass tc;                                                                              \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return QTest::qExec(&tc, argc, argv);                                                      \
    }
