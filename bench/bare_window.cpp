// A bare Qt Widgets main window titled "Bare", the yardstick for the game's start-up.
// bench/startup.sh starts it the same way as the game; run by hand:
//   build/default/bench/bare_window
#include <QApplication>
#include <QMainWindow>

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Bare"));
    window.show();
    return QApplication::exec();
}
