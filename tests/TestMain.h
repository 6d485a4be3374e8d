// Every test's main(): own settings and data folders and a headless platform, before Qt starts.
#pragma once

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>

// The offscreen platform warns about window features it lacks (raising, size hints);
// those say nothing about the game and would bury real warnings. Called from inside a
// test, after Qt Test has put its own logger in place.
inline void quietOffscreenWarnings() {
    static const QtMessageHandler logger = qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext &context, const QString &message) {
            if (type != QtWarningMsg || !message.startsWith(u"This plugin does not support"))
                logger(type, context, message);
        });
}

#define TOQUEL_TEST_MAIN(TestClass)                                                                \
    int main(int argc, char **argv) {                                                              \
        QTemporaryDir settingsHome;                                                                \
        qputenv("XDG_CONFIG_HOME", settingsHome.path().toUtf8());                                  \
        qputenv("XDG_RUNTIME_DIR", settingsHome.path().toUtf8());                                  \
        qputenv("XDG_DATA_HOME", settingsHome.path().toUtf8());                                    \
        qputenv("QT_QPA_PLATFORM", "offscreen");                                                   \
        QApplication app(argc, argv);                                                              \
        app.setAttribute(Qt::AA_Use96Dpi, true);                                                   \
        TestClass tc;                                                                              \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return QTest::qExec(&tc, argc, argv);                                                      \
    }
